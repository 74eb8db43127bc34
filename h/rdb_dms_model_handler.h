#pragma once
// Reports in the project database: the report model (RDB_KDB_MODEL) and its model handler
// (RDB_MODEL_HANDLER), registered with the project database service when the library is loaded.
//
// A report model owns its report unless its payload was orphaned. Reports are stored as a binary
// archive ("<stem>.rdb") and, while the INI switch "rdb_support_bak" is on (the default), also as an
// XML report file beside it ("<stem>.rdb.bak"), which loading falls back to when the binary file is
// missing or unreadable.

#include <memory>
#include <string>

#include "kdb/kdb.h"

class RDB_REPORT;

class RDB_KDB_MODEL : public KDB_MODEL {
public:
    static const char* const s_model_type_string; // "rdb"
    static const char* const s_model_name_string; // "report"

    // Takes ownership of report (null allowed: an empty model); the header's type is "rdb".
    explicit RDB_KDB_MODEL(RDB_REPORT* report);
    RDB_KDB_MODEL(const RDB_KDB_MODEL&) = delete;
    RDB_KDB_MODEL& operator=(const RDB_KDB_MODEL&) = delete;
    // Deletes the report unless it was orphaned.
    ~RDB_KDB_MODEL() override;

    RDB_REPORT* get_rdb_report() { return m_report; }
    const RDB_REPORT* get_rdb_report() const { return m_report; }
    // Forgets the report without deleting it.
    void orphan_payload() override { m_report = nullptr; }
    // Hands the report to the caller and forgets it.
    std::unique_ptr<RDB_REPORT> release_report();

    // The header, then the report: m_main_folder (owned), m_current_folder.
    PDB_DECLARE_PERSISTENT(RDB_KDB_MODEL)

private:
    RDB_KDB_MODEL();
    RDB_REPORT* m_report = nullptr;
};

class RDB_MODEL_HANDLER : public KDB_MODEL_HANDLER {
public:
    std::string name_of_handled_type() const override { return "rdb"; }
    std::string name_of_handled_model() const override { return "report"; }
    std::string get_type_extension() const override { return "rdb"; }
    // The INI switch "rdb_support_bak", on by default.
    bool has_bak_support() const override;
    // A model holding a new empty report (internal error "created_db" if none can be made).
    std::unique_ptr<KDB_MODEL> create_new_model(const KDB_PATH& path) const override;
    // Null when the file is missing or unreadable; a backup file is read as an XML report.
    std::unique_ptr<KDB_MODEL> read_model_from_file(const KDB_PATH& path, const KDB_FILE& file) const override;
    // False for a null model, a model of another type or without a report, or a failed write
    // ("An error occurred while writing the database." at debug level 2). With bak, writes the
    // XML report form. Either form replaces the previous file atomically.
    bool write_model_to_file(KDB_MODEL* model, const KDB_FILE& file, bool bak) const override;
    // The forms of one store: the binary archive, and the XML report form followed by the binary
    // form's stamp in a processing instruction of our own that XML readers skip.
    bool write_binary_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, PDB_ARCHIVE_STAMP& stamp,
                           std::string* error) const override;
    bool write_bak_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, const PDB_ARCHIVE_STAMP& binary_stamp,
                        std::string* error) const override;
    std::optional<PDB_ARCHIVE_STAMP> read_bak_stamp(const KDB_FILE& file) const override;
};

// Loading: takes the report out of a model the service returned (orphaning it first, so that
// destroying the model cannot delete the report). Null for a null model or one of another type.
std::unique_ptr<RDB_REPORT> rdb_take_report_from_model(std::unique_ptr<KDB_MODEL> model);

// Saving: a model that lends a report for one put and never deletes it, even when storing throws.
class RDB_LENT_REPORT_MODEL {
public:
    RDB_LENT_REPORT_MODEL(RDB_REPORT* report, const KDB_PATH& path) : m_model(report) { m_model.set_path(path); }
    ~RDB_LENT_REPORT_MODEL() { m_model.orphan_payload(); }
    RDB_LENT_REPORT_MODEL(const RDB_LENT_REPORT_MODEL&) = delete;
    RDB_LENT_REPORT_MODEL& operator=(const RDB_LENT_REPORT_MODEL&) = delete;
    RDB_KDB_MODEL& model() { return m_model; }

private:
    RDB_KDB_MODEL m_model;
};

// The report stored at the path in the service, or null (missing, unreadable, not a report). info
// (when given) tells which stored form it came from (KDB_SERVICE::get_model).
std::unique_ptr<RDB_REPORT> rdb_load_report_model(KDB_SERVICE& service, const KDB_PATH& path,
                                                  KDB_LOAD_INFO* info = nullptr);
// Stores the report at the path as one change of both stored forms; the caller keeps the report in
// every case. False with the reason (the system's, such as "No space left on device") in error.
bool rdb_store_report_model(KDB_SERVICE& service, const KDB_PATH& path, RDB_REPORT& report,
                            std::string* error = nullptr);

class THR_IP_MUTEX_OBJ;

// Holds the inter-process mutex of the report stored at a path for a scope, as every load, store and
// delete of that report does. Once it holds the mutex it removes the temporary files that killed
// writers of the report left behind: nobody else can be writing them now.
class RDB_REPORT_MODEL_LOCK {
public:
    RDB_REPORT_MODEL_LOCK(const KDB_SERVICE& service, const KDB_PATH& path);
    ~RDB_REPORT_MODEL_LOCK();
    RDB_REPORT_MODEL_LOCK(const RDB_REPORT_MODEL_LOCK&) = delete;
    RDB_REPORT_MODEL_LOCK& operator=(const RDB_REPORT_MODEL_LOCK&) = delete;

    bool is_held() const { return m_held; }
    // Why the mutex could not be taken.
    const std::string& get_error() const { return m_error; }

private:
    THR_IP_MUTEX_OBJ* m_mutex;
    bool m_held = false;
    std::string m_error;
};

// Transfers a report's fields (used by RDB_KDB_MODEL's transfer routine): its main folder as an
// owned pointer, then its current folder. On reading, report is a new report whose default main
// folder is replaced.
class PDB_SEGMENT;
void rdb_transfer_report(PDB_SEGMENT& segment, RDB_REPORT& report);
