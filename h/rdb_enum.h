#pragma once
// Object kinds and the enumerations whose values travel as text in report files, with their
// translators.

#include <cstdint>
#include <string>

#include "ktl/ktl.h"

// The kind every report object answers with get_type().
enum RDB_OBJECT_TYPE : std::uint32_t {
    RDB_NO_OBJECT_TYPE = 0,
    RDB_FOLDER_TYPE = 1,
    RDB_TEXT_TYPE = 2,
    RDB_INTERACTIVE_REPORT_DATA_TYPE = 3,
    RDB_TABLE_TYPE = 4,
    RDB_CHART_TYPE = 5,
    RDB_EMBEDDED_TYPE = 6,
    RDB_SUMMARY_TABLE_TYPE = 7,
    RDB_GAUGES_TYPE = 8,
    RDB_TCL_TABLE_TYPE = 9,
    RDB_GRID_TABLE_TYPE = 10,
    RDB_HISTOGRAM_TYPE = 11,
    RDB_LINK_TABLE_TYPE = 12,
    RDB_PATH_TYPE = 13,
    RDB_WAVEFORM_DISPLAY_TYPE = 14,
    RDB_HEATMAP_TYPE = 15,
    RDB_OBJECT_TYPE_MAX = 16,
};

// The text of a kind ("folder", "waveform", "undefined" for RDB_OBJECT_TYPE_MAX); a value without a
// text is an internal error.
std::string rdb_object_type_to_rdb_string(RDB_OBJECT_TYPE type);
// The kind named exactly by text (case-sensitive); RDB_OBJECT_TYPE_MAX for any other text.
RDB_OBJECT_TYPE rdb_string_to_rdb_object_type(const std::string& text);

enum RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM : std::uint32_t {
    CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE = 0,
    CHART_TABLE_OBJECT_BAR_CHART = 1,
    CHART_TABLE_OBJECT_PIE_CHART = 2,
};

enum RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM : std::uint32_t {
    EMBEDDED_OBJECT_NO_EMBEDDED_TYPE = 0,
    EMBEDDED_OBJECT_WAVEFORM_TYPE = 1,
    EMBEDDED_OBJECT_MEMORY_TYPE = 2,
    EMBEDDED_OBJECT_HIERARCHY_TYPE = 3,
    EMBEDDED_OBJECT_TIMING_ANALYSIS_TYPE = 4,
    EMBEDDED_OBJECT_MESSAGES_TYPE = 5,
    EMBEDDED_OBJECT_EQUATION_TYPE = 6,
    EMBEDDED_OBJECT_PINOUT_TYPE = 7,
    EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE = 8,
    EMBEDDED_OBJECT_TEXT_EDITOR_TYPE = 9,
};

enum RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM : std::uint32_t {
    TABLE_DELAY_ELEMENT_NO_UNITS = 0,
    TABLE_DELAY_ELEMENT_NORMAL_DELAY = 1,
    TABLE_DELAY_ELEMENT_NORMAL_FREQUENCY = 2,
    TABLE_DELAY_ELEMENT_NOT_OPERATIONAL = 3,
    TABLE_DELAY_ELEMENT_NEGATIVE_HOLD = 4,
    TABLE_DELAY_ELEMENT_RESTRICTED_FMAX = 5,
    TABLE_DELAY_ELEMENT_NO_SLACK = 6,
    TABLE_DELAY_ELEMENT_NOT_OPERATIONAL_PIN = 7,
    TABLE_DELAY_ELEMENT_NO_REQ = 8,
};

enum RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM : std::uint32_t {
    TAN_SLACK_TABLE_OBJECT_SRC = 0,
    TAN_SLACK_TABLE_OBJECT_DST = 1,
    TAN_SLACK_TABLE_OBJECT_SRC_CLK = 2,
    TAN_SLACK_TABLE_OBJECT_DST_CLK = 3,
    TAN_SLACK_TABLE_OBJECT_DQS = 4,
    TAN_SLACK_TABLE_OBJECT_DQ = 5,
    TAN_SLACK_TABLE_OBJECT_REQUIREMENT = 6,
    TAN_SLACK_TABLE_OBJECT_REQUIRED_P2P_DELAY = 7,
    TAN_SLACK_TABLE_OBJECT_ACTUAL_DELAY = 8,
    TAN_SLACK_TABLE_OBJECT_ACTUAL_MIN_DELAY = 9,
    TAN_SLACK_TABLE_OBJECT_ACTUAL_MAX_DELAY = 10,
    TAN_SLACK_TABLE_OBJECT_PERIOD = 11,
    TAN_SLACK_TABLE_OBJECT_SLACK = 12,
    TAN_SLACK_TABLE_OBJECT_TYPE = 13,
    TAN_SLACK_TABLE_OBJECT_NUMBER_OF_FAILING_PATHS = 14,
    TAN_SLACK_TABLE_OBJECT_REQUIRED_SKEW = 15,
    TAN_SLACK_TABLE_OBJECT_ACTUAL_SKEW = 16,
    TAN_SLACK_TABLE_OBJECT_DEFAULT = 17,
};

template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>();
template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>();
template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>();
template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>();

// User texts (null where a value has none) and debug texts; a value out of range is an internal error.
const char* rdb_get_user_string(RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM value);
const char* rdb_get_debug_string(RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM value);
const char* rdb_get_user_string(RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM value);
const char* rdb_get_debug_string(RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM value);
const char* rdb_get_user_string(RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM value);
const char* rdb_get_debug_string(RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM value);
const char* rdb_get_user_string(RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM value);
const char* rdb_get_debug_string(RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM value);

// The value whose debug or user text equals text; 0xFFFFFFFF when none does.
RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM rdb_get_rdb_chart_table_object_chart_types_enum_by_string(const char* text);
RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM rdb_get_rdb_embedded_object_embedded_type_enum_by_string(const char* text);
RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM
rdb_get_rdb_table_delay_element_display_option_enum_by_string(const char* text);
RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM
rdb_get_rdb_tan_slack_table_object_column_types_enum_by_string(const char* text);

// Whether text is a debug or user text of the enumeration.
bool rdb_exists_rdb_chart_table_object_chart_types_enum_by_string(const char* text);
bool rdb_exists_rdb_embedded_object_embedded_type_enum_by_string(const char* text);
bool rdb_exists_rdb_table_delay_element_display_option_enum_by_string(const char* text);
bool rdb_exists_rdb_tan_slack_table_object_column_types_enum_by_string(const char* text);
