#pragma once
// RDB_REPORT_TYPE: which tool or flow made a report and, optionally, at which compilation stage
// (its bound stage). It has a short key used in file names ("fit", "placed.sta"), a text shown to
// users ("Compilation (Synthesis)") and a packed integer form.

#include <string>

#include "hier/hdb.h"

enum RDB_REPORT_TYPE_LABELS : int {
    RDB_REPORT_TYPE_MIN = 0,
    RDB_COMPILER_REPORT = 1,
    RDB_SIMULATION_REPORT = 2,
    RDB_TIMING_ANALYSIS_REPORT = 3,
    RDB_TIMING_ANALYZER_GUI_REPORT = 4,
    RDB_ASSEMBLER_REPORT = 5,
    RDB_KXP_REPORT = 6,
    RDB_SYNTHESIS_REPORT = 7,
    RDB_FITTER_REPORT = 8,
    RDB_INTERACTIVE_FITTER_REPORT = 9,
    RDB_PARTIAL_RECONFIGURATION_REPORT = 10,
    RDB_EMIF_REPORT = 11,
    RDB_DERVANE_REPORT = 12,
    RDB_HOLTRIM_REPORT = 13,
    RDB_ROUTING_REPORT = 14,
    RDB_RETIMER_REPORT = 15,
    RDB_SNAP_REPORT = 16,
    RDB_VARNEL_REPORT = 17,
    RDB_OSTRAVEL_REPORT = 18,
    RDB_FIT_OSTRAVEL_REPORT = 19,
    RDB_SYNTHESIS_OSTRAVEL_REPORT = 20,
    RDB_RTL_ANALYSIS_REPORT = 21,
    RDB_REPORT_TYPE_MAX = 22,
};

using RDB_BOUND_STAGE = KHD_ENUM_IMPL<KHD_SNAPSHOT_BASE>;

class RDB_REPORT_TYPE {
public:
    // Tag that selects the constructor decoding an integer made by encode_as_int.
    struct DECODE_FROM_INT {};

    // Label RDB_REPORT_TYPE_MAX, stage 0.
    RDB_REPORT_TYPE() = default;
    // A label above RDB_REPORT_TYPE_MAX is an internal error; stage 0 is stored as 12 (no stage).
    RDB_REPORT_TYPE(RDB_REPORT_TYPE_LABELS label, RDB_BOUND_STAGE stage = RDB_BOUND_STAGE(KHD_SNAPSHOT_BASE::UNSET));
    // Inverse of encode_as_int; a label or stage out of range is an internal error.
    RDB_REPORT_TYPE(int code, DECODE_FROM_INT);

    RDB_REPORT_TYPE_LABELS get_label() const { return m_label; }
    RDB_BOUND_STAGE get_bound_stage() const { return m_bound_stage; }
    // (label + (stage << 16)) XOR 0xD15EA5E.
    int encode_as_int() const;

    bool operator==(const RDB_REPORT_TYPE& other) const;
    bool operator!=(const RDB_REPORT_TYPE& other) const { return !(*this == other); }
    bool operator<(const RDB_REPORT_TYPE& other) const;
    // Next label, same stage; on RDB_REPORT_TYPE_MAX an internal error.
    RDB_REPORT_TYPE& operator++();
    // The label as a decimal number.
    std::string to_dbg_string() const;

private:
    RDB_REPORT_TYPE_LABELS m_label = RDB_REPORT_TYPE_MAX;
    RDB_BOUND_STAGE m_bound_stage = RDB_BOUND_STAGE(KHD_SNAPSHOT_BASE::UNSET);
};

// The key text ("fit", "placed.sta"); the pointer stays valid for the life of the process.
const char* rdb_report_type_to_string(RDB_REPORT_TYPE type);
// The user text ("Compilation (Synthesis)"); the pointer stays valid for the life of the process.
const char* rdb_report_type_to_user_string(RDB_REPORT_TYPE type);
// Parses a key text; a key naming no label gives label 0. More than one "." is an internal error.
RDB_REPORT_TYPE rdb_string_to_report_type(const char* text);
// True for the timing analyser GUI report.
bool rdb_is_report_type_taw(RDB_REPORT_TYPE type);
