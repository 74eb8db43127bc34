// Transfer routines and class records of tables, their cells and the menu command texts.

#include <cstdint>
#include <string>
#include <string_view>

#include "msg/msg.h"
#include "pdb/pdb.h"
#include "rdb_cell_pool.h"
#include "rdb_gauges.h"
#include "rdb_menu_cmd.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_serialize_util.h"

// ---- Tables --------------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_TABLE_OBJECT> RDB_TABLE_OBJECT::s_thunk("RDB_TABLE_OBJECT", RDB_OBJECT::pdb_thunk(),
                                                            []() -> PDB_VIRTUAL_OBJECT* {
                                                                return new RDB_TABLE_OBJECT();
                                                            });

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
        // The table's cells share chunks of their own, which go back when the table is destroyed.
        const RDB_CELL_POOL_SCOPE cells_of_this_table;
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

    RDB_TRANSFER(segment, m_disable_iname_columns);
    RDB_TRANSFER(segment, m_hidden_columns);
    RDB_TRANSFER(segment, m_expand_to_level);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_NEW_TABLE_OBJECT>
    RDB_NEW_TABLE_OBJECT::s_thunk("RDB_NEW_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
                                  []() -> PDB_VIRTUAL_OBJECT* { return new RDB_NEW_TABLE_OBJECT(); });

void RDB_NEW_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_SUMMARY_TABLE_OBJECT>
    RDB_SUMMARY_TABLE_OBJECT::s_thunk("RDB_SUMMARY_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
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

PDB_CLASS_THUNK<RDB_LINK_TABLE_OBJECT>
    RDB_LINK_TABLE_OBJECT::s_thunk("RDB_LINK_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
                                   []() -> PDB_VIRTUAL_OBJECT* { return new RDB_LINK_TABLE_OBJECT(); });

void RDB_LINK_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_link_info);
    segment.end_class();
}

// ---- Menu commands -------------------------------------------------------------------------------

void RDB_MENU_CMD_TEXTS::transfer_texts(PDB_SEGMENT& segment)
{
    RDB_TRANSFER(segment, m_gui_cmd_name);
    RDB_TRANSFER(segment, m_tool_tip);
    RDB_TRANSFER(segment, m_help);
    RDB_TRANSFER(segment, m_cmd_template);
}

// ---- Table cells ---------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_TABLE_ELEMENT> RDB_TABLE_ELEMENT::s_thunk("RDB_TABLE_ELEMENT", nullptr,
                                                              []() -> PDB_VIRTUAL_OBJECT* {
                                                                  return new RDB_TABLE_ELEMENT();
                                                              });

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
    rdb_transfer_c_string(segment, m_tooltip, [this](std::string_view text) { assign_tooltip(text); });
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_STRING_ELEMENT>
    RDB_TABLE_STRING_ELEMENT::s_thunk("RDB_TABLE_STRING_ELEMENT", RDB_TABLE_ELEMENT::pdb_thunk(),
                                      []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_STRING_ELEMENT(); });

void RDB_TABLE_STRING_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_ELEMENT);
    RDB_TABLE_ELEMENT::serialize(segment);
    RDB_TRACE(m_data);
    rdb_transfer_c_string(segment, stored_text(), [this](std::string_view text) { assign_text(text); });
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
    RDB_TRANSFER(segment, m_location_schema_tcl_string);
    RDB_TRANSFER(segment, m_hierarchy_path);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_TCL_CMD_ELEMENT>
    RDB_TABLE_TCL_CMD_ELEMENT::s_thunk("RDB_TABLE_TCL_CMD_ELEMENT", RDB_TABLE_STRING_ELEMENT::pdb_thunk(),
                                       []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_TCL_CMD_ELEMENT(); });

void RDB_TABLE_TCL_CMD_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_STRING_ELEMENT);
    RDB_TABLE_STRING_ELEMENT::serialize(segment);
    RDB_TRACE(m_tcl_cmd);
    rdb_transfer_c_string(segment, m_tcl_cmd, [this](std::string_view text) { assign_tcl_cmd(text); });
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TABLE_INT_ELEMENT>
    RDB_TABLE_INT_ELEMENT::s_thunk("RDB_TABLE_INT_ELEMENT", RDB_TABLE_ELEMENT::pdb_thunk(),
                                   []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TABLE_INT_ELEMENT(); });

void RDB_TABLE_INT_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_ELEMENT);
    RDB_TABLE_ELEMENT::serialize(segment);
    RDB_TRANSFER(segment, m_data);
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
    RDB_TRANSFER(segment, m_delay);
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
    RDB_TRANSFER(segment, m_window_min);
    RDB_TRANSFER(segment, m_valid_min);
    RDB_TRANSFER(segment, m_valid_max);
    RDB_TRANSFER(segment, m_window_max);
    RDB_TRANSFER(segment, m_disabled);
    RDB_TRANSFER(segment, m_is_scale);
    segment.end_class();
}
