// Transfer routines and class records of every persistent report class.
//
// Each routine lists its class's fields in a fixed order, base class first; the same routine writes
// and reads. On reading, every value that could break a later operation is checked here and a bad one
// fails the load (PDB_SEGMENT::fail): colours and enumerations in range, trait kinds consistent,
// ownership and parent links exactly as a folder tree requires.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <typeindex>
#include <unordered_set>
#include <vector>

#include "pdb/pdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_menu_cmd.h"
#include "rdb_object.h"
#include "rdb_report.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_serialize_util.h"

namespace {

// Trait kinds seen in one segment, so that two objects cannot give one trait two kinds.
using TRAIT_KINDS = std::map<DCL_TRAIT_NAME, DTRAIT::TYPE_ENUM>;

struct TRAIT_ENTRY {
    DCL_TRAIT_NAME name;
    DTRAIT::VALUE value;
};

void transfer_trait_value(PDB_SEGMENT& segment, DTRAIT::TYPE_ENUM kind, DTRAIT::VALUE& value)
{
    switch (kind) {
    case DTRAIT::TYPE_ENUM::BOOL: {
        bool v = segment.is_writing() && std::get<0>(value);
        segment.transfer(v);
        value.emplace<0>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::INT: {
        std::int32_t v = segment.is_writing() ? std::get<1>(value) : 0;
        segment.transfer(v);
        value.emplace<1>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::LONG: {
        std::int64_t v = segment.is_writing() ? std::get<2>(value) : 0;
        segment.transfer(v);
        value.emplace<2>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::FLOAT: {
        float v = segment.is_writing() ? std::get<3>(value) : 0.0f;
        segment.transfer(v);
        value.emplace<3>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::DOUBLE: {
        double v = segment.is_writing() ? std::get<4>(value) : 0.0;
        segment.transfer(v);
        value.emplace<4>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::STRING: {
        if (segment.is_reading()) value.emplace<5>();
        segment.transfer(std::get<5>(value));
        break;
    }
    case DTRAIT::TYPE_ENUM::BYTE_ARRAY: {
        if (segment.is_reading()) value.emplace<6>();
        segment.transfer(std::get<6>(value));
        break;
    }
    }
}

// A trait entry: category, group, base name, kind, value.
void transfer_trait_entry(PDB_SEGMENT& segment, TRAIT_ENTRY& entry)
{
    std::int32_t category = entry.name.get_category();
    std::string group = entry.name.get_group_str();
    std::string basename = entry.name.get_basename_str();
    std::int32_t kind = static_cast<std::int32_t>(entry.value.index());
    segment.transfer(category);
    segment.transfer(group);
    segment.transfer(basename);
    segment.transfer(kind);
    if (segment.is_reading()) {
        if (kind < 0 || kind >= DTRAIT::TYPE_COUNT) segment.fail("trait kind " + std::to_string(kind));
        entry.name = DCL_TRAIT_NAME(category, group, basename);
    }
    transfer_trait_value(segment, static_cast<DTRAIT::TYPE_ENUM>(kind), entry.value);
}

// Reading: a trait must keep the kind it already has in this process and in this segment.
void check_trait_kind(PDB_SEGMENT& segment, const TRAIT_ENTRY& entry)
{
    auto kind = static_cast<DTRAIT::TYPE_ENUM>(entry.value.index());
    TRAIT_KINDS& kinds = segment.context<TRAIT_KINDS>();
    auto [it, inserted] = kinds.emplace(entry.name, kind);
    if (!inserted && it->second != kind)
        segment.fail("trait " + entry.name.get_full_name_str() + " appears with two kinds");
    std::optional<DTRAIT::DEFINITION_HANDLE> definition =
        DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().find_definition_impl(typeid(RDB_OBJECT), entry.name);
    if (definition && (*definition)->type() != kind)
        segment.fail("trait " + entry.name.get_full_name_str() + " has another kind in this process");
}

} // namespace

// ---- RDB_OBJECT ----------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_OBJECT> RDB_OBJECT::s_thunk(
    "RDB_OBJECT", nullptr, []() -> PDB_VIRTUAL_OBJECT* { return new RDB_OBJECT(); },
    [](PDB_VIRTUAL_OBJECT* object) { static_cast<RDB_OBJECT*>(object)->m_ownership_status = false; });

void RDB_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);

    // The trait values: count, then each entry. Loaded values replace the object's own (a new
    // object may have defaults) once the whole file proved sound.
    RDB_TRACE(DTRAIT_ENABLE<RDB_OBJECT>);
    std::vector<TRAIT_ENTRY> traits;
    DTRAIT::TRAIT_TABLE& table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    if (segment.is_writing() && has_dtrait_values())
        for (DTRAIT::DEFINITION_HANDLE definition : table.all_definitions_impl(typeid(RDB_OBJECT)))
            if (const DTRAIT::VALUE* value = table.get_value_impl(definition, get_dtrait_key()))
                traits.push_back(TRAIT_ENTRY{definition->name(), *value});
    std::uint32_t count = static_cast<std::uint32_t>(traits.size());
    segment.transfer(count);
    if (segment.is_reading()) {
        segment.require_items(count, 17);
        traits.resize(count, TRAIT_ENTRY{DCL_TRAIT_NAME(0, "", ""), DTRAIT::VALUE()});
    }
    for (TRAIT_ENTRY& entry : traits) {
        transfer_trait_entry(segment, entry);
        if (segment.is_reading()) check_trait_kind(segment, entry);
    }
    if (segment.is_reading())
        segment.defer_commit([this, traits = std::move(traits)]() {
            DTRAIT::TRAIT_TABLE& trait_table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
            reset_traits();
            for (const TRAIT_ENTRY& entry : traits) {
                auto kind = static_cast<DTRAIT::TYPE_ENUM>(entry.value.index());
                DTRAIT::DEFINITION_HANDLE definition =
                    trait_table.find_or_create_definition_impl(typeid(RDB_OBJECT), kind, entry.name).first;
                trait_table.set_value_impl(definition, get_dtrait_key(), entry.value);
                mark_dtrait_values();
            }
        });

    RDB_TRACE(m_parent);
    segment.transfer_ptr(m_parent);
    // The only object read before this one's parent field that could name it is itself.
    if (segment.is_reading() && static_cast<const RDB_OBJECT*>(m_parent) == this) segment.fail("object is its own parent");
    RDB_TRACE(m_ownership_status);
    segment.transfer(m_ownership_status);
    RDB_TRACE(m_enable);
    segment.transfer(m_enable);
    RDB_TRACE(m_visible);
    segment.transfer(m_visible);
    RDB_TRACE(m_color);
    rdb_transfer_color(segment, m_color);
    RDB_TRACE(m_name);
    segment.transfer(m_name);
    RDB_TRACE(m_header);
    segment.transfer(m_header);
    RDB_TRACE(m_to_output_ascii_header);
    segment.transfer(m_to_output_ascii_header);
    RDB_TRACE(m_footer);
    segment.transfer(m_footer);
    RDB_TRACE(m_to_output_ascii_footer);
    segment.transfer(m_to_output_ascii_footer);
    RDB_TRACE(m_tcl_command);
    segment.transfer(m_tcl_command);
    RDB_TRACE(m_help_id);
    segment.transfer(m_help_id);
    RDB_TRACE(m_timing_corner);
    segment.transfer(m_timing_corner);
    segment.end_class();
}

// ---- Folders -------------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_FOLDER_OBJECT> RDB_FOLDER_OBJECT::s_thunk(
    "RDB_FOLDER_OBJECT", RDB_OBJECT::pdb_thunk(), []() -> PDB_VIRTUAL_OBJECT* { return new RDB_FOLDER_OBJECT(); });

void RDB_FOLDER_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRACE(m_is_stage_folder);
    segment.transfer(m_is_stage_folder);
    RDB_TRACE(m_object_list);
    segment.transfer_owned(m_object_list, false);
    if (segment.is_reading())
        for (const RDB_OBJECT* child : m_object_list)
            if (child->get_parent() != this || child->get_ownership_status() != OWNED)
                segment.fail("a folder child that is not owned by its folder");
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_MULTI_CORNER_FOLDER_OBJECT> RDB_MULTI_CORNER_FOLDER_OBJECT::s_thunk(
    "RDB_MULTI_CORNER_FOLDER_OBJECT", RDB_FOLDER_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_MULTI_CORNER_FOLDER_OBJECT(); });

void RDB_MULTI_CORNER_FOLDER_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_FOLDER_OBJECT);
    RDB_FOLDER_OBJECT::serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_MASTER_DETAIL_OBJECT> RDB_MASTER_DETAIL_OBJECT::s_thunk(
    "RDB_MASTER_DETAIL_OBJECT", RDB_FOLDER_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_MASTER_DETAIL_OBJECT(); });

void RDB_MASTER_DETAIL_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_FOLDER_OBJECT);
    RDB_FOLDER_OBJECT::serialize(segment);
    RDB_TRACE(m_master_table);
    segment.transfer_ptr(m_master_table);
    RDB_TRACE(m_detail_objects);
    segment.transfer_ptr(m_detail_objects);
    if (segment.is_reading()) {
        // The master table and the details are children of this folder.
        std::unordered_set<const RDB_OBJECT*> children(begin_object_const_iter(), end_object_const_iter());
        if (m_master_table != nullptr && children.count(m_master_table) == 0)
            segment.fail("a master table that is not a child of its folder");
        for (const RDB_OBJECT* detail : m_detail_objects)
            if (detail != nullptr && children.count(detail) == 0) segment.fail("a detail that is not a child of its folder");
    }
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_LINK_RPT_OBJECT> RDB_LINK_RPT_OBJECT::s_thunk(
    "RDB_LINK_RPT_OBJECT", RDB_FOLDER_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_LINK_RPT_OBJECT(); });

void RDB_LINK_RPT_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_FOLDER_OBJECT);
    RDB_FOLDER_OBJECT::serialize(segment);
    RDB_TRACE(m_rev_name);
    segment.transfer(m_rev_name);
    RDB_TRACE(m_rpt_type);
    segment.transfer(m_rpt_type);
    segment.end_class();
}

// ---- Tables --------------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_TABLE_OBJECT> RDB_TABLE_OBJECT::s_thunk(
    "RDB_TABLE_OBJECT", RDB_OBJECT::pdb_thunk(), []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_OBJECT(); });

void RDB_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);

    // Rows: their count, then each row's cells (owned; a cell may be null, a row never is).
    RDB_TRACE(m_list);
    std::uint32_t rows = static_cast<std::uint32_t>(m_rows.size());
    segment.transfer(rows);
    if (segment.is_writing()) {
        for (RDB_TABLE_ROW* row : m_rows) {
            RDB_ASSERT(row != nullptr);
            segment.transfer_owned(*row, true);
        }
    } else {
        segment.require_items(rows, 4);
        m_rows.reserve(rows);
        for (std::uint32_t i = 0; i < rows; ++i) {
            m_rows.push_back(new RDB_TABLE_ROW());
            segment.transfer_owned(*m_rows.back(), true);
        }
    }

    // The five display flags: bits 0 to 4 of one byte.
    bool no_compact = m_no_compact;
    bool alternating = m_use_alternating_row_colors;
    bool row_numbers = m_display_row_numbers;
    bool uniform = m_uniform_row_heights;
    bool sort = m_sort_enabled;
    RDB_TRACE(m_no_compact);
    segment.transfer_bit(no_compact);
    RDB_TRACE(m_use_alternating_row_colors);
    segment.transfer_bit(alternating);
    RDB_TRACE(m_display_row_numbers);
    segment.transfer_bit(row_numbers);
    RDB_TRACE(m_uniform_row_heights);
    segment.transfer_bit(uniform);
    RDB_TRACE(m_sort_enabled);
    segment.transfer_bit(sort);
    if (segment.is_reading()) {
        m_no_compact = no_compact;
        m_use_alternating_row_colors = alternating;
        m_display_row_numbers = row_numbers;
        m_uniform_row_heights = uniform;
        m_sort_enabled = sort;
    }

    RDB_TRACE(m_disable_iname_columns);
    segment.transfer(m_disable_iname_columns);
    RDB_TRACE(m_hidden_columns);
    segment.transfer(m_hidden_columns);
    RDB_TRACE(m_expand_to_level);
    segment.transfer(m_expand_to_level);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_NEW_TABLE_OBJECT> RDB_NEW_TABLE_OBJECT::s_thunk(
    "RDB_NEW_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_NEW_TABLE_OBJECT(); });

void RDB_NEW_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_SUMMARY_TABLE_OBJECT> RDB_SUMMARY_TABLE_OBJECT::s_thunk(
    "RDB_SUMMARY_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_SUMMARY_TABLE_OBJECT(); });

void RDB_SUMMARY_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRACE(m_gauges);
    segment.transfer_owned(m_gauges);
    // The summary owns its gauges outside any folder: no parent, NOT_OWNED.
    if (segment.is_reading() && m_gauges != nullptr &&
        (m_gauges->get_parent() != nullptr || m_gauges->get_ownership_status() != NOT_OWNED))
        segment.fail("gauges of a summary table that claim a folder");
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_LINK_TABLE_OBJECT> RDB_LINK_TABLE_OBJECT::s_thunk(
    "RDB_LINK_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_LINK_TABLE_OBJECT(); });

void RDB_LINK_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRACE(m_link_info);
    segment.transfer(m_link_info);
    segment.end_class();
}

// ---- Gauges --------------------------------------------------------------------------------------

void RDB_GAUGES_DATA_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class("RDB_GAUGES_DATA_ELEMENT", this);
    RDB_TRACE(name);
    segment.transfer(name);
    RDB_TRACE(m_percent);
    segment.transfer(m_percent);
    RDB_TRACE(m_min_range);
    segment.transfer(m_min_range);
    RDB_TRACE(m_max_range);
    segment.transfer(m_max_range);
    RDB_TRACE(m_status);
    segment.transfer(m_status);
    RDB_TRACE(m_disable);
    segment.transfer(m_disable);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_GAUGES_OBJECT> RDB_GAUGES_OBJECT::s_thunk(
    "RDB_GAUGES_OBJECT", RDB_OBJECT::pdb_thunk(), []() -> PDB_VIRTUAL_OBJECT* { return new RDB_GAUGES_OBJECT(); });

void RDB_GAUGES_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    // Entries, empty slots included (a slot is a present flag and the entry's fields).
    RDB_TRACE(m_data);
    if (m_data == nullptr) m_data = new std::vector<RDB_GAUGES_DATA_ELEMENT*>;
    std::uint32_t count = static_cast<std::uint32_t>(m_data->size());
    segment.transfer(count);
    if (segment.is_writing()) {
        for (RDB_GAUGES_DATA_ELEMENT* data : *m_data) segment.transfer_record(data);
    } else {
        segment.require_items(count, 1);
        m_data->reserve(m_data->size() + count);
        for (std::uint32_t i = 0; i < count; ++i) {
            RDB_GAUGES_DATA_ELEMENT* data = nullptr;
            segment.transfer_record(data);
            m_data->push_back(data);
        }
    }
    segment.end_class();
}

// ---- Menu commands -------------------------------------------------------------------------------

void RDB_MENU_CMD_TEXTS::transfer_texts(PDB_SEGMENT& segment)
{
    RDB_TRACE(m_gui_cmd_name);
    segment.transfer(m_gui_cmd_name);
    RDB_TRACE(m_tool_tip);
    segment.transfer(m_tool_tip);
    RDB_TRACE(m_help);
    segment.transfer(m_help);
    RDB_TRACE(m_cmd_template);
    segment.transfer(m_cmd_template);
}

// ---- Table cells ---------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_TABLE_ELEMENT> RDB_TABLE_ELEMENT::s_thunk(
    "RDB_TABLE_ELEMENT", nullptr, []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_ELEMENT(); });

// Cells belong to their row alone and nothing points at them, so large tables skip the id
// bookkeeping of shared objects. (Same translation unit as the record: initialised right after it.)
[[maybe_unused]] const bool g_cells_never_referenced = (RDB_TABLE_ELEMENT::s_thunk.never_referenced = true);

void RDB_TABLE_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(m_foreground);
    rdb_transfer_color(segment, m_foreground);
    RDB_TRACE(m_background);
    rdb_transfer_color(segment, m_background);
    RDB_TRACE(m_tooltip);
    rdb_transfer_c_string(segment, m_tooltip, [this](const std::string& text) { set_tooltip(text); });
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_STRING_ELEMENT> RDB_TABLE_STRING_ELEMENT::s_thunk(
    "RDB_TABLE_STRING_ELEMENT", RDB_TABLE_ELEMENT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_STRING_ELEMENT(); });

void RDB_TABLE_STRING_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_ELEMENT);
    RDB_TABLE_ELEMENT::serialize(segment);
    RDB_TRACE(m_data);
    rdb_transfer_c_string(segment, m_data, [this](const std::string& text) { RDB_TABLE_STRING_ELEMENT::set_string(text); });
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> RDB_TABLE_LOCATION_SCHEMA_ELEMENT::s_thunk(
    "RDB_TABLE_LOCATION_SCHEMA_ELEMENT", RDB_TABLE_STRING_ELEMENT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_LOCATION_SCHEMA_ELEMENT(); });

void RDB_TABLE_LOCATION_SCHEMA_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_STRING_ELEMENT);
    RDB_TABLE_STRING_ELEMENT::serialize(segment);
    RDB_TRACE(m_location_schema_tcl_string);
    segment.transfer(m_location_schema_tcl_string);
    RDB_TRACE(m_hierarchy_path);
    segment.transfer(m_hierarchy_path);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_TCL_CMD_ELEMENT> RDB_TABLE_TCL_CMD_ELEMENT::s_thunk(
    "RDB_TABLE_TCL_CMD_ELEMENT", RDB_TABLE_STRING_ELEMENT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_TCL_CMD_ELEMENT(); });

void RDB_TABLE_TCL_CMD_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_STRING_ELEMENT);
    RDB_TABLE_STRING_ELEMENT::serialize(segment);
    RDB_TRACE(m_tcl_cmd);
    rdb_transfer_c_string(segment, m_tcl_cmd, [this](const std::string& text) { set_tcl_cmd(text); });
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_INT_ELEMENT> RDB_TABLE_INT_ELEMENT::s_thunk(
    "RDB_TABLE_INT_ELEMENT", RDB_TABLE_ELEMENT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_INT_ELEMENT(); });

void RDB_TABLE_INT_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_ELEMENT);
    RDB_TABLE_ELEMENT::serialize(segment);
    RDB_TRACE(m_data);
    segment.transfer(m_data);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_DELAY_ELEMENT> RDB_TABLE_DELAY_ELEMENT::s_thunk(
    "RDB_TABLE_DELAY_ELEMENT", RDB_TABLE_ELEMENT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_DELAY_ELEMENT(0, TABLE_DELAY_ELEMENT_NO_UNITS); });

void RDB_TABLE_DELAY_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_ELEMENT);
    RDB_TABLE_ELEMENT::serialize(segment);
    RDB_TRACE(m_delay);
    segment.transfer(m_delay);
    RDB_TRACE(m_display_option);
    segment.transfer_enum(m_display_option, TABLE_DELAY_ELEMENT_NO_UNITS, TABLE_DELAY_ELEMENT_NO_REQ);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_DATA_VALID_WINDOW_ELEMENT> RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::s_thunk(
    "RDB_TABLE_DATA_VALID_WINDOW_ELEMENT", RDB_TABLE_ELEMENT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_DATA_VALID_WINDOW_ELEMENT(); });

void RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_ELEMENT);
    RDB_TABLE_ELEMENT::serialize(segment);
    RDB_TRACE(m_window_min);
    segment.transfer(m_window_min);
    RDB_TRACE(m_valid_min);
    segment.transfer(m_valid_min);
    RDB_TRACE(m_valid_max);
    segment.transfer(m_valid_max);
    RDB_TRACE(m_window_max);
    segment.transfer(m_window_max);
    RDB_TRACE(m_disabled);
    segment.transfer(m_disabled);
    RDB_TRACE(m_is_scale);
    segment.transfer(m_is_scale);
    segment.end_class();
}

// ---- Text, legal and interactive objects ---------------------------------------------------------

PDB_CLASS_THUNK<RDB_TEXT_OBJECT> RDB_TEXT_OBJECT::s_thunk(
    "RDB_TEXT_OBJECT", RDB_OBJECT::pdb_thunk(), []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TEXT_OBJECT(); });

void RDB_TEXT_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRACE(m_text);
    std::optional<std::string> text;
    if (segment.is_writing() && m_text != nullptr) text = *m_text;
    segment.transfer(text);
    if (segment.is_reading() && text) set_text(*text);
    RDB_TRACE(m_is_html);
    segment.transfer(m_is_html);
    RDB_TRACE(m_is_webkit_html);
    segment.transfer(m_is_webkit_html);
    RDB_TRACE(m_is_qml);
    segment.transfer(m_is_qml);
    RDB_TRACE(m_is_json);
    segment.transfer(m_is_json);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_LEGAL_OBJECT> RDB_LEGAL_OBJECT::s_thunk(
    "RDB_LEGAL_OBJECT", RDB_TEXT_OBJECT::pdb_thunk(), []() -> PDB_VIRTUAL_OBJECT* { return new RDB_LEGAL_OBJECT(); });

void RDB_LEGAL_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TEXT_OBJECT);
    RDB_TEXT_OBJECT::serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_INTERACTIVE_REPORT_DATA_OBJECT> RDB_INTERACTIVE_REPORT_DATA_OBJECT::s_thunk(
    "RDB_INTERACTIVE_REPORT_DATA_OBJECT", RDB_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_INTERACTIVE_REPORT_DATA_OBJECT(); });

void RDB_INTERACTIVE_REPORT_DATA_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRACE(m_data);
    segment.transfer(m_data);
    RDB_TRACE(m_data_type);
    segment.transfer(m_data_type);
    RDB_TRACE(m_report_implementation);
    segment.transfer(m_report_implementation);
    segment.end_class();
}

// ---- RDB_REPORT ----------------------------------------------------------------------------------

void rdb_transfer_report(PDB_SEGMENT& segment, RDB_REPORT& report)
{
    segment.begin_class("RDB_REPORT", &report);
    RDB_TRACE(m_main_folder);
    RDB_FOLDER_OBJECT* main_folder = segment.is_writing() ? report.get_main_folder() : nullptr;
    segment.transfer_owned(main_folder);
    if (segment.is_reading()) {
        if (main_folder == nullptr) segment.fail("a report without a main folder");
        const bool owned = main_folder->get_ownership_status() == OWNED;
        // The report takes a NOT_OWNED folder and marks it OWNED again.
        RDB_OBJECT::pdb_thunk()->disown(main_folder);
        report.add_main_folder(main_folder);
        if (!owned || main_folder->get_parent() != nullptr) segment.fail("a main folder inside another folder");
    }
    RDB_TRACE(m_current_folder);
    RDB_FOLDER_OBJECT* current = segment.is_writing() ? report.get_current_folder() : nullptr;
    segment.transfer_ptr(current);
    if (segment.is_reading()) {
        const RDB_FOLDER_OBJECT* folder = current;
        for (int depth = 0; folder != nullptr && folder != report.get_main_folder(); ++depth) {
            if (depth > PDB_MAX_NESTING) segment.fail("a current folder outside the report");
            folder = folder->get_parent();
        }
        if (current != nullptr && folder == nullptr) segment.fail("a current folder outside the report");
        report.set_current_folder(current);
    }
    segment.end_class();
}

// ==== Embedded and memory objects ================================================================

#include "rdb_embedded.h"

PDB_CLASS_THUNK<RDB_EMBEDDED_OBJECT> RDB_EMBEDDED_OBJECT::s_thunk(
    "RDB_EMBEDDED_OBJECT", RDB_OBJECT::pdb_thunk(), []() -> PDB_VIRTUAL_OBJECT* { return new RDB_EMBEDDED_OBJECT(); });

void RDB_EMBEDDED_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRACE(m_info_str);
    segment.transfer(m_info_str);
    RDB_TRACE(m_message_files);
    segment.transfer(m_message_files);
    RDB_TRACE(m_embedded_type);
    segment.transfer_enum(m_embedded_type, EMBEDDED_OBJECT_NO_EMBEDDED_TYPE, EMBEDDED_OBJECT_TEXT_EDITOR_TYPE);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_MEMORY_OBJECT> RDB_MEMORY_OBJECT::s_thunk(
    "RDB_MEMORY_OBJECT", RDB_EMBEDDED_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_MEMORY_OBJECT(); });

void RDB_MEMORY_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_EMBEDDED_OBJECT);
    RDB_EMBEDDED_OBJECT::serialize(segment);

    // The words: their count, then each word's values as one byte per bit.
    RDB_TRACE(m_data);
    std::uint32_t rows = static_cast<std::uint32_t>(m_data.size());
    segment.transfer(rows);
    if (segment.is_reading()) {
        segment.require_items(rows, 4);
        m_data.assign(rows, {});
    }
    for (std::vector<CDB_CAM_DATA_ENUM>& word : m_data) {
        std::vector<std::byte> bytes;
        if (segment.is_writing())
            for (CDB_CAM_DATA_ENUM value : word)
                bytes.push_back(static_cast<std::byte>(value));
        segment.transfer(bytes);
        if (segment.is_reading()) {
            word.clear();
            word.reserve(bytes.size());
            for (std::byte value : bytes)
                word.push_back(static_cast<CDB_CAM_DATA_ENUM>(value));
        }
    }

    RDB_TRACE(m_address_width);
    segment.transfer(m_address_width);
    RDB_TRACE(m_data_width);
    segment.transfer(m_data_width);
    RDB_TRACE(m_depth);
    segment.transfer(m_depth);
    RDB_TRACE(m_logical_name);
    segment.transfer(m_logical_name);
    RDB_TRACE(m_address_names);
    segment.transfer(m_address_names);
    RDB_TRACE(m_data_names);
    segment.transfer(m_data_names);
    RDB_TRACE(m_original_file_name);
    segment.transfer(m_original_file_name);

    // The accessors index the arrays by the three sizes without further checks.
    if (segment.is_reading()) {
        if (get_embedded_type() != EMBEDDED_OBJECT_MEMORY_TYPE)
            segment.fail("a memory object of another embedded type");
        if (m_data.size() != m_depth) segment.fail("memory depth and word count differ");
        for (const std::vector<CDB_CAM_DATA_ENUM>& word : m_data)
            if (word.size() != m_data_width) segment.fail("a memory word of the wrong width");
        if (m_address_names.size() != m_address_width) segment.fail("address names and address width differ");
        if (m_data_names.size() != m_data_width) segment.fail("data names and data width differ");
    }
    segment.end_class();
}
