// The XML writer's tables: plain, heat-map, link and Tcl tables with their rows and cells, and
// summaries and gauges.

#include <string>
#include <typeinfo>
#include <vector>

#include "msg/msg.h"
#include "rdb_chart.h"
#include "rdb_enum.h"
#include "rdb_gauges.h"
#include "rdb_rgb.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_xml_write.h"
#include "trait/dtrait_tracker.h"

namespace RDB::XML {

namespace {

// A bool trait that may never have been defined in this process answers its default.
bool bool_trait_or_default(const RDB_OBJECT& object, const char* name, bool default_value)
{
    const DCL_TRAIT_NAME full_name(RDB_OBJECT::TRAIT_CATEGORY, RDB_OBJECT::TRAIT_GROUP, name);
    if (!DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().find_definition_impl(typeid(RDB_OBJECT), full_name))
        return default_value;
    return object.get_bool_trait(name, default_value);
}

} // namespace

ATTRIBUTES RDB_XML_DOCUMENT_WRITER::table_attributes(const RDB_TABLE_OBJECT& table)
{
    ATTRIBUTES attributes = common_attributes(table, m_context.parent_of(&table), false);
    const ATTRIBUTES flags = table_flag_attributes(table);
    attributes.insert(attributes.end(), flags.begin(), flags.end());
    if (!table.get_sort_enabled()) attributes.emplace_back("sort_enabled", "false");
    return attributes;
}

// For the kinds whose standard element has no table flags (our own additions): the flags that
// differ from a new table's, in the order of table_flag_attributes, then the sort flag.
ATTRIBUTES RDB_XML_DOCUMENT_WRITER::changed_table_flags(const RDB_TABLE_OBJECT& table)
{
    static const char* const NEW_TABLE_FLAGS[] = {"false", "true", "false", "true", "true", "-1"};
    ATTRIBUTES attributes;
    const ATTRIBUTES flags = table_flag_attributes(table);
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i].second != NEW_TABLE_FLAGS[i]) attributes.push_back(flags[i]);
    if (!table.get_sort_enabled()) attributes.emplace_back("sort_enabled", "false");
    return attributes;
}

ATTRIBUTES RDB_XML_DOCUMENT_WRITER::table_flag_attributes(const RDB_TABLE_OBJECT& table)
{
    ATTRIBUTES attributes;
    attributes.emplace_back("no_compact", bool_text(table.get_no_compact_format()));
    attributes.emplace_back("altrn_row_colors", bool_text(table.use_alternating_row_colors()));
    attributes.emplace_back(
        "altrn_hierarchical_row_colors",
        bool_text(bool_trait_or_default(table, RDB_TABLE_OBJECT::ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT, false)));
    attributes.emplace_back("display_row_numbers", bool_text(table.should_display_row_numbers()));
    attributes.emplace_back("uniform_rows", bool_text(table.uniform_row_heights()));
    attributes.emplace_back("expand_to", std::to_string(table.get_expand_level()));
    return attributes;
}

void RDB_XML_DOCUMENT_WRITER::write_column_lists(const RDB_TABLE_OBJECT& table)
{
    for (unsigned column : table.get_disable_iname_lookup())
        text_element("disable_iname_column", std::to_string(column));
    for (unsigned column : table.hidden_columns())
        text_element("hidden_column", std::to_string(column));
}

void RDB_XML_DOCUMENT_WRITER::write_table(const RDB_TABLE_OBJECT& table)
{
    ATTRIBUTES attributes = table_attributes(table);
    // Our own attributes: a heat map and its threshold; a new-style table.
    if (const auto* heatmap = dynamic_cast<const RDB_HEATMAP_TABLE_OBJECT*>(&table))
        attributes.emplace_back("heatmap_threshold", std::to_string(heatmap->get_threshold_percentage()));
    if (table.dynamic_cast_to_RDB_NEW_TABLE_OBJECT() != nullptr) attributes.emplace_back("new_table", "true");
    open("table", LAYOUT::BLOCK, attributes);
    write_common_children(table);
    write_column_lists(table);
    write_rows(table);
    close("table", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_link_table(const RDB_LINK_TABLE_OBJECT& table)
{
    open("link_table", LAYOUT::BLOCK, table_attributes(table));
    write_common_children(table);
    write_column_lists(table);
    write_rows(table);
    text_element("link_info", table.get_link_info());
    close("link_table", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_tcl_table(const RDB_TCL_TABLE_OBJECT& table)
{
    ATTRIBUTES attributes = table_attributes(table);
    attributes.emplace_back("show_tcl_commands_on_context_menu",
                            bool_text(table.get_show_tcl_commands_on_context_menu()));
    open("tcl_table", LAYOUT::BLOCK, attributes);
    write_common_children(table);
    write_column_lists(table);
    write_rows(table);
    for (unsigned i = 0; i < table.get_number_of_cmds(); ++i) {
        const RDB_TCL_TABLE_CMD* cmd = table.get_cmd_template(i);
        open("command", LAYOUT::BLOCK);
        text_element("gui_cmd_name", cmd->get_gui_cmd_name());
        text_element("tool_tip", cmd->get_tool_tip());
        text_element("help", cmd->get_help());
        text_element("cmd_template", cmd->get_cmd_template());
        text_element("col_index", std::to_string(cmd->get_col_index()));
        text_element("row_index", std::to_string(cmd->get_row_index()));
        close("command", LAYOUT::BLOCK);
    }
    close("tcl_table", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_rows(const RDB_TABLE_OBJECT& table)
{
    for (const RDB_TABLE_ROW* row : table) {
        open("row", LAYOUT::BLOCK);
        if (row != nullptr)
            for (const RDB_TABLE_ELEMENT* cell : *row)
                write_cell(cell);
        close("row", LAYOUT::BLOCK);
    }
}

ATTRIBUTES RDB_XML_DOCUMENT_WRITER::cell_attributes(const RDB_TABLE_ELEMENT& cell)
{
    ATTRIBUTES attributes;
    auto add_color = [&](const char* name, const char* unknown_name, RDB_COLOR_NAME color) {
        if (color == RDB_COLOR_DEFAULT) return;
        // The unknown colour has no RGB value: our own attribute names it.
        if (color == RDB_COLOR_UNKNOWN) {
            attributes.emplace_back(unknown_name, "true");
            return;
        }
        attributes.emplace_back(name, rdb_get_string_color(rdb_get_rgb_value_by_name(color)));
    };
    add_color("foreground", "unknown_foreground", cell.get_foreground());
    add_color("background", "unknown_background", cell.get_background());
    if (cell.has_tooltip()) attributes.emplace_back("tooltip", cell.get_tooltip());
    return attributes;
}

// A missing cell and the kinds without an element of their own keep their column as a text cell
// holding their text; our own attribute "kind" names what the cell is.
void RDB_XML_DOCUMENT_WRITER::write_cell(const RDB_TABLE_ELEMENT* cell)
{
    if (cell == nullptr) {
        text_element("string_cell", "", {{"kind", "none"}});
        return;
    }
    ATTRIBUTES attributes = cell_attributes(*cell);
    if (const RDB_TABLE_STRING_ELEMENT* text = cell->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT()) {
        if (const RDB_TABLE_LOCATION_SCHEMA_ELEMENT* location =
                text->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT()) {
            open("location_cell", LAYOUT::BLOCK, attributes);
            text_element("cell_text", location->get_string());
            text_element("location", location->get_location_schema_tcl_string());
            text_element("hpath", location->get_hierarchy_path());
            close("location_cell", LAYOUT::BLOCK);
            return;
        }
        if (const auto* tcl = dynamic_cast<const RDB_TABLE_TCL_CMD_ELEMENT*>(text)) {
            attributes.emplace_back("kind", "tcl_cmd");
            attributes.emplace_back("tcl_cmd", own_text(tcl->get_tcl_cmd()));
        }
        text_element("string_cell", text->get_string(), attributes);
        return;
    }
    if (cell->dynamic_cast_to_RDB_TABLE_INT_ELEMENT() != nullptr) {
        text_element("int_cell", cell->get_string(), attributes);
        return;
    }
    if (const RDB_TABLE_DELAY_ELEMENT* delay = cell->dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT()) {
        const char* option = rdb_get_user_string(delay->get_display_option());
        RDB_ASSERT(option != 0);
        open("delay_cell", LAYOUT::BLOCK, attributes);
        text_element("delay", std::to_string(delay->get_delay()));
        text_element("display_option", option);
        close("delay_cell", LAYOUT::BLOCK);
        return;
    }
    if (const RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* window =
            cell->dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT()) {
        attributes.emplace_back("kind", "window");
        if (window->is_disabled()) attributes.emplace_back("disabled", "true");
        attributes.emplace_back("window_min", std::to_string(window->get_window_min()));
        attributes.emplace_back("valid_min", std::to_string(window->get_valid_min()));
        attributes.emplace_back("valid_max", std::to_string(window->get_valid_max()));
        attributes.emplace_back("window_max", std::to_string(window->get_window_max()));
        if (window->is_scale()) attributes.emplace_back("is_scale", "true");
    } else if (typeid(*cell) == typeid(RDB_TABLE_ELEMENT)) {
        attributes.emplace_back("kind", "plain");
    }
    text_element("string_cell", cell->get_string(), attributes);
}

std::string RDB_XML_DOCUMENT_WRITER::cell_text(const RDB_TABLE_ROW* row, std::size_t column)
{
    if (row == nullptr || column >= row->size() || (*row)[column] == nullptr) return std::string();
    return (*row)[column]->get_string();
}

// After the standard children, our own: the table flags that differ from a new summary's, the
// column lists and, when the elements cannot restore the rows, "full_rows" and every row as a
// table writes it.
void RDB_XML_DOCUMENT_WRITER::write_summary(const RDB_SUMMARY_TABLE_OBJECT& summary)
{
    ATTRIBUTES attributes = common_attributes(summary, m_context.parent_of(&summary), false);
    append(attributes, changed_table_flags(summary));
    const bool full_rows = !rows_are_pairs(summary, typeid(RDB_TABLE_STRING_ELEMENT), typeid(RDB_TABLE_STRING_ELEMENT));
    if (full_rows) attributes.emplace_back("full_rows", "true");
    open("summary", LAYOUT::BLOCK, attributes);
    write_common_children(summary);
    open("elements", LAYOUT::BLOCK);
    for (const RDB_TABLE_ROW* row : summary)
        text_element("element", cell_text(row, 1), {{"name", cell_text(row, 0)}});
    close("elements", LAYOUT::BLOCK);
    if (const RDB_GAUGES_OBJECT* gauges = summary.get_gauges()) {
        // Our own additions keep the gauges whole: their name and every slot, an empty one as
        // "empty_slot" (a reader that does not know them takes the gauges in order).
        ATTRIBUTES gauges_attributes = {{"name", gauges->get_name()}, {"all_slots", "true"}};
        append(gauges_attributes, nested_trait_attributes(*gauges));
        open("gauges", LAYOUT::BLOCK, gauges_attributes);
        write_gauge_slots(*gauges);
        close("gauges", LAYOUT::BLOCK);
    }
    write_column_lists(summary);
    if (full_rows) write_rows(summary);
    close("summary", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_gauge(const RDB_GAUGES_DATA_ELEMENT& gauge)
{
    open("gauge", LAYOUT::BLOCK,
         {{"name", gauge.name}, {"percent", bool_text(gauge.m_percent)}, {"enabled", bool_text(!gauge.m_disable)}});
    text_element("min", std::to_string(gauge.m_min_range));
    text_element("max", std::to_string(gauge.m_max_range));
    text_element("value", std::to_string(gauge.m_status));
    close("gauge", LAYOUT::BLOCK);
}

// Our own element for a gauges object in a folder: every slot, an empty one as "empty_slot".
void RDB_XML_DOCUMENT_WRITER::write_gauges(const RDB_GAUGES_OBJECT& gauges)
{
    open("gauges", LAYOUT::BLOCK, common_attributes(gauges, m_context.parent_of(&gauges), false));
    write_common_children(gauges);
    write_gauge_slots(gauges);
    close("gauges", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_gauge_slots(const RDB_GAUGES_OBJECT& gauges)
{
    for (unsigned i = 0; i < gauges.get_size(); ++i) {
        if (const RDB_GAUGES_DATA_ELEMENT* gauge = gauges.get_data_at(i))
            write_gauge(*gauge);
        else
            element("empty_slot", LAYOUT::EMPTY, {});
    }
}

} // namespace RDB::XML
