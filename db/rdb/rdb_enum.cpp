#include "rdb_enum.h"

#include <iterator>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "gen/flow_names.h"
#include "msg/msg.h"
#include "rdb_report_type.h"

// ---- Object types --------------------------------------------------------------------------------

namespace {

const std::map<RDB_OBJECT_TYPE, std::string>& object_type_texts()
{
    static const std::map<RDB_OBJECT_TYPE, std::string> texts = {
        {RDB_NO_OBJECT_TYPE, "no_object"},
        {RDB_FOLDER_TYPE, "folder"},
        {RDB_TEXT_TYPE, "text"},
        {RDB_INTERACTIVE_REPORT_DATA_TYPE, "interactive_report_data"},
        {RDB_TABLE_TYPE, "table"},
        {RDB_CHART_TYPE, "chart"},
        {RDB_EMBEDDED_TYPE, "embedded"},
        {RDB_SUMMARY_TABLE_TYPE, "summary"},
        {RDB_GAUGES_TYPE, "gauges"},
        {RDB_TCL_TABLE_TYPE, "tcl_table"},
        {RDB_GRID_TABLE_TYPE, "grid_table"},
        {RDB_HISTOGRAM_TYPE, "histogram"},
        {RDB_LINK_TABLE_TYPE, "link_table"},
        {RDB_PATH_TYPE, "path"},
        {RDB_WAVEFORM_DISPLAY_TYPE, "waveform"},
        {RDB_HEATMAP_TYPE, "heatmap"},
        {RDB_OBJECT_TYPE_MAX, "undefined"},
    };
    return texts;
}

const std::map<std::string, RDB_OBJECT_TYPE>& object_types_by_text()
{
    static const std::map<std::string, RDB_OBJECT_TYPE> types = [] {
        std::map<std::string, RDB_OBJECT_TYPE> inverse;
        for (const auto& [type, text] : object_type_texts())
            inverse.emplace(text, type);
        return inverse;
    }();
    return types;
}

} // namespace

std::string rdb_object_type_to_rdb_string(RDB_OBJECT_TYPE type)
{
    const auto& rdb_object_type_to_rdb_string_map = object_type_texts();
    const auto found_item = rdb_object_type_to_rdb_string_map.find(type);
    RDB_ASSERT(found_item != rdb_object_type_to_rdb_string_map.end());
    return found_item->second;
}

RDB_OBJECT_TYPE rdb_string_to_rdb_object_type(const std::string& text)
{
    const auto& types = object_types_by_text();
    const auto found = types.find(text);
    return found == types.end() ? RDB_OBJECT_TYPE_MAX : found->second;
}

// ---- Enumeration translators ---------------------------------------------------------------------

namespace {

const char* const CHART_TYPE_DEBUG_TEXTS[] = {
    "CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE",
    "CHART_TABLE_OBJECT_BAR_CHART",
    "CHART_TABLE_OBJECT_PIE_CHART",
};
const char* const CHART_TYPE_USER_TEXTS[] = {nullptr, "bar", "pie"};

const char* const EMBEDDED_TYPE_DEBUG_TEXTS[] = {
    "EMBEDDED_OBJECT_NO_EMBEDDED_TYPE",
    "EMBEDDED_OBJECT_WAVEFORM_TYPE",
    "EMBEDDED_OBJECT_MEMORY_TYPE",
    "EMBEDDED_OBJECT_HIERARCHY_TYPE",
    "EMBEDDED_OBJECT_TIMING_ANALYSIS_TYPE",
    "EMBEDDED_OBJECT_MESSAGES_TYPE",
    "EMBEDDED_OBJECT_EQUATION_TYPE",
    "EMBEDDED_OBJECT_PINOUT_TYPE",
    "EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE",
    "EMBEDDED_OBJECT_TEXT_EDITOR_TYPE",
};
const char* const EMBEDDED_TYPE_USER_TEXTS[] = {
    nullptr,    nullptr,     nullptr,  "hierarchy",           "timing_analysis",
    "messages", "equations", "pinout", "suppressed_messages", "text_editor",
};

const char* const DELAY_OPTION_DEBUG_TEXTS[] = {
    "TABLE_DELAY_ELEMENT_NO_UNITS",         "TABLE_DELAY_ELEMENT_NORMAL_DELAY",
    "TABLE_DELAY_ELEMENT_NORMAL_FREQUENCY", "TABLE_DELAY_ELEMENT_NOT_OPERATIONAL",
    "TABLE_DELAY_ELEMENT_NEGATIVE_HOLD",    "TABLE_DELAY_ELEMENT_RESTRICTED_FMAX",
    "TABLE_DELAY_ELEMENT_NO_SLACK",         "TABLE_DELAY_ELEMENT_NOT_OPERATIONAL_PIN",
    "TABLE_DELAY_ELEMENT_NO_REQ",
};
const char* const DELAY_OPTION_USER_TEXTS[] = {
    "no_units",        "normal_delay", "normal_frequency",    "not_operational", "negative_hold",
    "restricted_fmax", "no_slack",     "not_operational_pin", "no_req",
};

const char* const SLACK_COLUMN_DEBUG_TEXTS[] = {
    "TAN_SLACK_TABLE_OBJECT_SRC",
    "TAN_SLACK_TABLE_OBJECT_DST",
    "TAN_SLACK_TABLE_OBJECT_SRC_CLK",
    "TAN_SLACK_TABLE_OBJECT_DST_CLK",
    "TAN_SLACK_TABLE_OBJECT_DQS",
    "TAN_SLACK_TABLE_OBJECT_DQ",
    "TAN_SLACK_TABLE_OBJECT_REQUIREMENT",
    "TAN_SLACK_TABLE_OBJECT_REQUIRED_P2P_DELAY",
    "TAN_SLACK_TABLE_OBJECT_ACTUAL_DELAY",
    "TAN_SLACK_TABLE_OBJECT_ACTUAL_MIN_DELAY",
    "TAN_SLACK_TABLE_OBJECT_ACTUAL_MAX_DELAY",
    "TAN_SLACK_TABLE_OBJECT_PERIOD",
    "TAN_SLACK_TABLE_OBJECT_SLACK",
    "TAN_SLACK_TABLE_OBJECT_TYPE",
    "TAN_SLACK_TABLE_OBJECT_NUMBER_OF_FAILING_PATHS",
    "TAN_SLACK_TABLE_OBJECT_REQUIRED_SKEW",
    "TAN_SLACK_TABLE_OBJECT_ACTUAL_SKEW",
    "TAN_SLACK_TABLE_OBJECT_DEFAULT",
};
const char* const SLACK_COLUMN_USER_TEXTS[] = {
    "src",
    "dst",
    "src_clk",
    "dst_clk",
    "dqs",
    "dq",
    "requirement",
    "required_p2p_delay",
    "actual_delay",
    "actual_min_delay",
    "actual_max_delay",
    "period",
    "slack",
    "type",
    "number_of_failing_paths",
    "required_skew",
    "actual_skew",
    nullptr,
};

template <class ENUM> struct TRANSLATOR_TEXTS;

template <> struct TRANSLATOR_TEXTS<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM> {
    static constexpr const char* NAME = "RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM";
    static constexpr const char* const* DEBUG = CHART_TYPE_DEBUG_TEXTS;
    static constexpr const char* const* USER = CHART_TYPE_USER_TEXTS;
    static constexpr unsigned COUNT = std::size(CHART_TYPE_DEBUG_TEXTS);
    static_assert(std::size(CHART_TYPE_USER_TEXTS) == COUNT);
};

template <> struct TRANSLATOR_TEXTS<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM> {
    static constexpr const char* NAME = "RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM";
    static constexpr const char* const* DEBUG = EMBEDDED_TYPE_DEBUG_TEXTS;
    static constexpr const char* const* USER = EMBEDDED_TYPE_USER_TEXTS;
    static constexpr unsigned COUNT = std::size(EMBEDDED_TYPE_DEBUG_TEXTS);
    static_assert(std::size(EMBEDDED_TYPE_USER_TEXTS) == COUNT);
};

template <> struct TRANSLATOR_TEXTS<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM> {
    static constexpr const char* NAME = "RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM";
    static constexpr const char* const* DEBUG = DELAY_OPTION_DEBUG_TEXTS;
    static constexpr const char* const* USER = DELAY_OPTION_USER_TEXTS;
    static constexpr unsigned COUNT = std::size(DELAY_OPTION_DEBUG_TEXTS);
    static_assert(std::size(DELAY_OPTION_USER_TEXTS) == COUNT);
};

template <> struct TRANSLATOR_TEXTS<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM> {
    static constexpr const char* NAME = "RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM";
    static constexpr const char* const* DEBUG = SLACK_COLUMN_DEBUG_TEXTS;
    static constexpr const char* const* USER = SLACK_COLUMN_USER_TEXTS;
    static constexpr unsigned COUNT = std::size(SLACK_COLUMN_DEBUG_TEXTS);
    static_assert(std::size(SLACK_COLUMN_USER_TEXTS) == COUNT);
};

static_assert(TRANSLATOR_TEXTS<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>::COUNT == 3);
static_assert(TRANSLATOR_TEXTS<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>::COUNT == 10);
static_assert(TRANSLATOR_TEXTS<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>::COUNT == 9);
static_assert(TRANSLATOR_TEXTS<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>::COUNT == 18);

// One translator class per enumeration, built from that enumeration's text tables.
template <class ENUM> class RDB_ENUM_TRANSLATOR final : public KTL_ENUM_TRANSLATOR {
public:
    using TEXTS = TRANSLATOR_TEXTS<ENUM>;
    RDB_ENUM_TRANSLATOR() : KTL_ENUM_TRANSLATOR(TEXTS::NAME, TEXTS::DEBUG, TEXTS::USER, TEXTS::COUNT) {}
};

// Created once, on first use; the runtime's static initialisation makes that safe across threads.
template <class ENUM> const KTL_ENUM_TRANSLATOR& translator_instance()
{
    static const RDB_ENUM_TRANSLATOR<ENUM> instance;
    return instance;
}

template <class ENUM> ENUM value_by_string(const char* text)
{
    return static_cast<ENUM>(ktl_get_translator<ENUM>().get_value(text));
}

} // namespace

template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>()
{
    return translator_instance<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>();
}

template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>()
{
    return translator_instance<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>();
}

template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>()
{
    return translator_instance<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>();
}

template <> const KTL_ENUM_TRANSLATOR& ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>()
{
    return translator_instance<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>();
}

const char* rdb_get_user_string(RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM value)
{
    return ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>().get_user_string(value);
}

const char* rdb_get_debug_string(RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM value)
{
    return ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>().get_debug_string(value);
}

const char* rdb_get_user_string(RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM value)
{
    return ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>().get_user_string(value);
}

const char* rdb_get_debug_string(RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM value)
{
    return ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>().get_debug_string(value);
}

const char* rdb_get_user_string(RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM value)
{
    return ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>().get_user_string(value);
}

const char* rdb_get_debug_string(RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM value)
{
    return ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>().get_debug_string(value);
}

const char* rdb_get_user_string(RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM value)
{
    return ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>().get_user_string(value);
}

const char* rdb_get_debug_string(RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM value)
{
    return ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>().get_debug_string(value);
}

RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM rdb_get_rdb_chart_table_object_chart_types_enum_by_string(const char* text)
{
    return value_by_string<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>(text);
}

RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM rdb_get_rdb_embedded_object_embedded_type_enum_by_string(const char* text)
{
    return value_by_string<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>(text);
}

RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM
rdb_get_rdb_table_delay_element_display_option_enum_by_string(const char* text)
{
    return value_by_string<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>(text);
}

RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM
rdb_get_rdb_tan_slack_table_object_column_types_enum_by_string(const char* text)
{
    return value_by_string<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>(text);
}

bool rdb_exists_rdb_chart_table_object_chart_types_enum_by_string(const char* text)
{
    return ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>().is_known(text);
}

bool rdb_exists_rdb_embedded_object_embedded_type_enum_by_string(const char* text)
{
    return ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>().is_known(text);
}

bool rdb_exists_rdb_table_delay_element_display_option_enum_by_string(const char* text)
{
    return ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>().is_known(text);
}

bool rdb_exists_rdb_tan_slack_table_object_column_types_enum_by_string(const char* text)
{
    return ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>().is_known(text);
}

// ---- Report types --------------------------------------------------------------------------------

namespace {

// Bounds of the two halves of the packed form: the label in the low 16 bits, the stage above.
constexpr unsigned RDB_LOWER_ENCODE_MAX_NUMBER_SPACE = 1u << 16;
constexpr unsigned RDB_UPPER_ENCODE_MAX_NUMBER_SPACE = KHD_SNAPSHOT_BASE::COUNT;
constexpr unsigned RDB_REPORT_TYPE_ENCODE_MASK = 0xD15EA5Eu;

// Stage key and suffix of the stages that cannot be named in a report type.
constexpr const char* RDB_ENUM_INVALID = "invalid";

using LABEL_TABLE = std::map<RDB_REPORT_TYPE_LABELS, std::string>;
using STAGE_TABLE = std::map<int, std::string>;

const LABEL_TABLE& label_to_extension()
{
    static const LABEL_TABLE table = {
        {RDB_COMPILER_REPORT, "cmp"},
        {RDB_SIMULATION_REPORT, "sim"},
        {RDB_TIMING_ANALYSIS_REPORT, "sta"},
        {RDB_TIMING_ANALYZER_GUI_REPORT, "taw"},
        {RDB_ASSEMBLER_REPORT, "asm"},
        {RDB_KXP_REPORT, "kxp"},
        {RDB_SYNTHESIS_REPORT, "map"},
        {RDB_FITTER_REPORT, "fit"},
        {RDB_INTERACTIVE_FITTER_REPORT, "fitw"},
        {RDB_PARTIAL_RECONFIGURATION_REPORT, "prw"},
        {RDB_EMIF_REPORT, "emit"},
        {RDB_DERVANE_REPORT, "acvk"},
        {RDB_HOLTRIM_REPORT, "pplk"},
        {RDB_ROUTING_REPORT, "routing"},
        {RDB_RETIMER_REPORT, "rtm"},
        {RDB_SNAP_REPORT, "snap"},
        {RDB_VARNEL_REPORT, "vos"},
        {RDB_OSTRAVEL_REPORT, "da"},
        {RDB_FIT_OSTRAVEL_REPORT, "fit.da"},
        {RDB_SYNTHESIS_OSTRAVEL_REPORT, "synthesis.da"},
        {RDB_RTL_ANALYSIS_REPORT, "rtl"},
    };
    return table;
}

const LABEL_TABLE& label_to_user_string()
{
    static const LABEL_TABLE table = {
        {RDB_COMPILER_REPORT, "Compilation"},
        {RDB_SIMULATION_REPORT, "Simulation"},
        {RDB_TIMING_ANALYSIS_REPORT, FLOW_TIMING_ANALYZER_NAME},
        {RDB_TIMING_ANALYZER_GUI_REPORT, "Timing Analyzer GUI"},
        {RDB_ASSEMBLER_REPORT, FLOW_ASSEMBLER_NAME},
        {RDB_KXP_REPORT, "KXP"},
        {RDB_SYNTHESIS_REPORT, FLOW_SYNTHESIS_NAME},
        {RDB_FITTER_REPORT, FLOW_FITTER_NAME},
        {RDB_INTERACTIVE_FITTER_REPORT, "Interactive Fitter GUI"},
        {RDB_PARTIAL_RECONFIGURATION_REPORT, "Partial Reconfiguration"},
        {RDB_EMIF_REPORT, "Embedded Memory Interface"},
        {RDB_DERVANE_REPORT, "Dervane"},
        {RDB_HOLTRIM_REPORT, "Holtrim"},
        {RDB_ROUTING_REPORT, "Routing"},
        {RDB_RETIMER_REPORT, "Retimer"},
        {RDB_SNAP_REPORT, "Skellin"},
        {RDB_VARNEL_REPORT, "Varnel Ostrin"},
        {RDB_OSTRAVEL_REPORT, "Ostravel"},
        {RDB_FIT_OSTRAVEL_REPORT, "Ostravel"},
        {RDB_SYNTHESIS_OSTRAVEL_REPORT, "Ostravel"},
        {RDB_RTL_ANALYSIS_REPORT, "RTL Analysis"},
    };
    return table;
}

// Stage 3 (partitioned) has no row in either stage table.
const STAGE_TABLE& stage_to_extension()
{
    static const STAGE_TABLE table = {
        {KHD_SNAPSHOT_BASE::UNSET, ""},
        {KHD_SNAPSHOT_BASE::SOURCE, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::ELABORATED, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::ANALYZED, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::SYNTHESIZED, "synthesized"},
        {KHD_SNAPSHOT_BASE::PLANNED, "planned"},
        {KHD_SNAPSHOT_BASE::EARLY_PLACED, "early-placed"},
        {KHD_SNAPSHOT_BASE::PLACED, "placed"},
        {KHD_SNAPSHOT_BASE::ROUTED, "routed"},
        {KHD_SNAPSHOT_BASE::RETIMED, "retimed"},
        {KHD_SNAPSHOT_BASE::TRELLANE, "trellane"},
        {KHD_SNAPSHOT_BASE::NO_STAGE, ""},
        {KHD_SNAPSHOT_BASE::RESERVED_13, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::RESERVED_14, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::RESERVED_15, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::RESERVED_16, RDB_ENUM_INVALID},
    };
    return table;
}

const STAGE_TABLE& stage_to_user_suffix()
{
    static const STAGE_TABLE table = {
        {KHD_SNAPSHOT_BASE::UNSET, ""},
        {KHD_SNAPSHOT_BASE::SOURCE, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::ELABORATED, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::ANALYZED, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::SYNTHESIZED, "(Synthesis)"},
        {KHD_SNAPSHOT_BASE::PLANNED, "(Planned)"},
        {KHD_SNAPSHOT_BASE::EARLY_PLACED, "(Early Placed)"},
        {KHD_SNAPSHOT_BASE::PLACED, "(Placed)"},
        {KHD_SNAPSHOT_BASE::ROUTED, "(Routed)"},
        {KHD_SNAPSHOT_BASE::RETIMED, "(Retimed)"},
        {KHD_SNAPSHOT_BASE::TRELLANE, "(Trellane)"},
        {KHD_SNAPSHOT_BASE::NO_STAGE, ""},
        {KHD_SNAPSHOT_BASE::RESERVED_13, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::RESERVED_14, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::RESERVED_15, RDB_ENUM_INVALID},
        {KHD_SNAPSHOT_BASE::RESERVED_16, RDB_ENUM_INVALID},
    };
    return table;
}

// Lookup of a stage value in a stage table; a value without a row is a caller's error.
const std::string& stage_text(const STAGE_TABLE& table, RDB_BOUND_STAGE stage)
{
    const auto found = table.find(stage.get_value());
    if (found == table.end()) throw std::out_of_range("invalid map<K, T> key");
    return found->second;
}

// Composed texts per (label, stage value). Entries are never changed or removed, so the pointers
// handed out stay valid; the lock makes lookups and insertions safe from any thread.
class TEXT_CACHE {
public:
    template <class COMPOSE> const char* get(const RDB_REPORT_TYPE& type, COMPOSE compose)
    {
        const KEY key{type.get_label(), type.get_bound_stage().get_value()};
        {
            std::shared_lock lock(m_mutex);
            const auto found = m_texts.find(key);
            if (found != m_texts.end()) return found->second.c_str();
        }
        std::string text = compose(type);
        std::unique_lock lock(m_mutex);
        return m_texts.try_emplace(key, std::move(text)).first->second.c_str();
    }

private:
    using KEY = std::pair<int, int>;
    std::shared_mutex m_mutex;
    std::map<KEY, std::string> m_texts;
};

TEXT_CACHE& key_text_cache()
{
    static TEXT_CACHE cache;
    return cache;
}

TEXT_CACHE& user_text_cache()
{
    static TEXT_CACHE cache;
    return cache;
}

std::string compose_key_text(const RDB_REPORT_TYPE& type)
{
    const LABEL_TABLE& rdb_label_to_extension = label_to_extension();
    RDB_ASSERT_MSG(rdb_label_to_extension.count(type.get_label()) == 1,
                   "rdb_label_to_extension.count( type.get_label() ) == 1");
    const std::string& bound_stage_str = stage_text(stage_to_extension(), type.get_bound_stage());
    RDB_ASSERT(bound_stage_str != RDB_ENUM_INVALID);
    const std::string& label_str = rdb_label_to_extension.at(type.get_label());
    return bound_stage_str.empty() ? label_str : bound_stage_str + "." + label_str;
}

std::string compose_user_text(const RDB_REPORT_TYPE& type)
{
    const LABEL_TABLE& rdb_label_to_user_string = label_to_user_string();
    RDB_ASSERT_MSG(rdb_label_to_user_string.count(type.get_label()) == 1,
                   "rdb_label_to_user_string.count( type.get_label() ) == 1");
    const std::string& bound_stage_str = stage_text(stage_to_user_suffix(), type.get_bound_stage());
    RDB_ASSERT(bound_stage_str != RDB_ENUM_INVALID);
    const std::string& label_str = rdb_label_to_user_string.at(type.get_label());
    return bound_stage_str.empty() ? label_str : label_str + " " + bound_stage_str;
}

void check_not_max(const RDB_REPORT_TYPE& type)
{
    RDB_ASSERT_MSG(type != RDB_REPORT_TYPE(RDB_REPORT_TYPE_MAX), "type != RDB_REPORT_TYPE_MAX");
}

// The stage a parsed stage key names. The empty key and "invalid" stand for no nameable stage and
// never introduce a stage in a key text, so they are not accepted here.
bool find_stage_by_key(const std::string& key, RDB_BOUND_STAGE& stage)
{
    if (key.empty() || key == RDB_ENUM_INVALID) return false;
    for (const auto& [value, text] : stage_to_extension()) {
        if (text == key) {
            stage = RDB_BOUND_STAGE(value);
            return true;
        }
    }
    return false;
}

bool find_label_by_key(const std::string& key, RDB_REPORT_TYPE_LABELS& label)
{
    for (const auto& [candidate, text] : label_to_extension()) {
        if (text == key) {
            label = candidate;
            return true;
        }
    }
    return false;
}

std::vector<std::string> split_at_dots(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot - start));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

RDB_BOUND_STAGE normalised_stage(RDB_BOUND_STAGE stage)
{
    return stage.get_value() == KHD_SNAPSHOT_BASE::UNSET ? RDB_BOUND_STAGE(KHD_SNAPSHOT_BASE::NO_STAGE) : stage;
}

} // namespace

RDB_REPORT_TYPE::RDB_REPORT_TYPE(RDB_REPORT_TYPE_LABELS label, RDB_BOUND_STAGE stage)
    : m_label(label), m_bound_stage(normalised_stage(stage))
{
    RDB_ASSERT(m_label >= RDB_REPORT_TYPE_MIN && m_label <= RDB_REPORT_TYPE_MAX);
}

RDB_REPORT_TYPE::RDB_REPORT_TYPE(int code, DECODE_FROM_INT)
{
    const unsigned decoded = static_cast<unsigned>(code) ^ RDB_REPORT_TYPE_ENCODE_MASK;
    const unsigned label = decoded & 0xFFFFu;
    const unsigned stage = decoded >> 16;
    RDB_ASSERT_MSG(label <= RDB_REPORT_TYPE_MAX, "m_label >= RDB_REPORT_TYPE_MIN && m_label <= RDB_REPORT_TYPE_MAX");
    m_label = static_cast<RDB_REPORT_TYPE_LABELS>(label);
    const bool found = stage < static_cast<unsigned>(KHD_SNAPSHOT_BASE::COUNT);
    RDB_ASSERT(found);
    m_bound_stage = RDB_BOUND_STAGE(static_cast<int>(stage));
}

int RDB_REPORT_TYPE::encode_as_int() const
{
    const unsigned lower_encode = static_cast<unsigned>(m_label);
    RDB_ASSERT(lower_encode < RDB_LOWER_ENCODE_MAX_NUMBER_SPACE);
    const unsigned upper_encode = static_cast<unsigned>(m_bound_stage.get_value());
    RDB_ASSERT(upper_encode < RDB_UPPER_ENCODE_MAX_NUMBER_SPACE);
    return static_cast<int>((lower_encode + (upper_encode << 16)) ^ RDB_REPORT_TYPE_ENCODE_MASK);
}

bool RDB_REPORT_TYPE::operator==(const RDB_REPORT_TYPE& other) const
{
    return m_label == other.m_label && m_bound_stage.get_value() == other.m_bound_stage.get_value();
}

bool RDB_REPORT_TYPE::operator<(const RDB_REPORT_TYPE& other) const
{
    if (m_label != other.m_label) return m_label < other.m_label;
    return m_bound_stage.get_value() < other.m_bound_stage.get_value();
}

RDB_REPORT_TYPE& RDB_REPORT_TYPE::operator++()
{
    RDB_ASSERT(m_label != RDB_REPORT_TYPE_MAX);
    m_label = static_cast<RDB_REPORT_TYPE_LABELS>(m_label + 1);
    return *this;
}

std::string RDB_REPORT_TYPE::to_dbg_string() const { return std::to_string(static_cast<int>(m_label)); }

const char* rdb_report_type_to_string(RDB_REPORT_TYPE type)
{
    check_not_max(type);
    return key_text_cache().get(type, compose_key_text);
}

const char* rdb_report_type_to_user_string(RDB_REPORT_TYPE type)
{
    check_not_max(type);
    return user_text_cache().get(type, compose_user_text);
}

RDB_REPORT_TYPE rdb_string_to_report_type(const char* text)
{
    const std::string whole = text == nullptr ? std::string() : std::string(text);
    const std::vector<std::string> split_extension = split_at_dots(whole);

    RDB_BOUND_STAGE stage(KHD_SNAPSHOT_BASE::UNSET);
    std::string label_key = whole;
    if (split_extension.size() >= 2 && find_stage_by_key(split_extension[0], stage)) {
        // A stage key may stand in front of a label key that has a dot of its own ("placed.fit.da").
        label_key = whole.substr(split_extension[0].size() + 1);
        RDB_REPORT_TYPE_LABELS dotted_label = RDB_REPORT_TYPE_MIN;
        const bool dotted_label_key = split_extension.size() == 3 && find_label_by_key(label_key, dotted_label);
        RDB_ASSERT_MSG(split_extension.size() == 2 || dotted_label_key,
                       "split_extension.size() == 1 || split_extension.size() == 2");
    } else {
        RDB_ASSERT_MSG(split_extension.size() == 1 || split_extension.size() == 2,
                       "split_extension.size() == 1 || split_extension.size() == 2");
    }

    RDB_REPORT_TYPE_LABELS label = RDB_REPORT_TYPE_MIN; // kept when no label has this key
    find_label_by_key(label_key, label);
    return RDB_REPORT_TYPE(label, stage);
}

bool rdb_is_report_type_taw(RDB_REPORT_TYPE type) { return type.get_label() == RDB_TIMING_ANALYZER_GUI_REPORT; }
