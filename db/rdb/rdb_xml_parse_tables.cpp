// The XML reader's handlers of tables: plain, heat-map, link and Tcl tables with their rows, cells
// and commands (the table reader, whose cell code the summary and grid table readers share), and
// summaries and gauges.

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "msg/msg.h"
#include "rdb_chart.h"
#include "rdb_enum.h"
#include "rdb_gauges.h"
#include "rdb_histogram.h"
#include "rdb_rgb.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_utility.h"
#include "rdb_xml_parse.h"

namespace RDB::XML {

void RDB_XML_TABLE_HANDLER::on_start(const std::string& name, const XML_ATTRIBUTES& attributes)
{
    if (depth() == 1) return start_table(name, attributes);
    if (name == "data" && depth() == 2 && m_chart != nullptr) return start_chart_data(attributes);
    if (name == "row") {
        if (depth() != 2) return fail("row outside its table");
        RDB_TABLE_ROW* row = rdb_create_empty_row();
        // Rows usually have as many cells as the header row.
        if (m_table->begin() != m_table->end() && *m_table->begin() != nullptr)
            row->reserve((*m_table->begin())->size());
        m_table->add_row(row);
        m_row = row;
        m_in_row = true;
        return;
    }
    if (depth() == 2 && start_tcl_table_child(name, attributes)) return;
    if (name != "location_cell" && name != "string_cell" && name != "iname_cell" && name != "int_cell" &&
        name != "delay_cell")
        return;
    std::unique_ptr<RDB_TABLE_ELEMENT> cell = new_cell(name, attributes);
    if (failed()) return;
    if (!m_in_row || depth() != 3) return fail(name + " outside a row");
    if (cell != nullptr) apply_cell_attributes(*cell, attributes);
    m_row->push_back(cell.release());
}

// The cell an element starts. A text cell's own attribute "kind" names the cells written as text
// cells: "none" (a missing cell, null here), "plain", "tcl_cmd" and "window"; an unknown kind
// reads as a text cell.
std::unique_ptr<RDB_TABLE_ELEMENT> RDB_XML_TABLE_HANDLER::new_cell(const std::string& name,
                                                                   const XML_ATTRIBUTES& attributes)
{
    if (name == "location_cell") {
        auto cell = std::make_unique<RDB_TABLE_LOCATION_SCHEMA_ELEMENT>();
        m_location_cell = cell.get();
        return cell;
    }
    if (name == "int_cell") {
        auto cell = std::make_unique<RDB_TABLE_INT_ELEMENT>();
        m_int_cell = cell.get();
        return cell;
    }
    if (name == "delay_cell") {
        auto cell = std::make_unique<RDB_TABLE_DELAY_ELEMENT>(0, TABLE_DELAY_ELEMENT_NO_UNITS);
        m_delay_cell = cell.get();
        return cell;
    }
    const std::string* kind_text = attributes.find("kind");
    const std::string_view kind = kind_text != nullptr ? std::string_view(*kind_text) : std::string_view();
    if (kind == "none") return nullptr;
    if (kind == "plain") return std::make_unique<RDB_TABLE_ELEMENT>();
    if (kind == "window") return new_window_cell(attributes);
    std::unique_ptr<RDB_TABLE_STRING_ELEMENT> cell;
    if (kind == "tcl_cmd") {
        const std::optional<std::string> command = own_text(attributes.get("tcl_cmd"), "tcl_cmd");
        if (!command) return nullptr;
        cell = std::make_unique<RDB_TABLE_TCL_CMD_ELEMENT>("", *command);
    } else {
        if (!kind.empty()) msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", kind_text->c_str());
        cell = std::make_unique<RDB_TABLE_STRING_ELEMENT>();
    }
    m_string_cell = cell.get();
    return cell;
}

// Null (and the read failed) when a bound is not a number.
std::unique_ptr<RDB_TABLE_ELEMENT> RDB_XML_TABLE_HANDLER::new_window_cell(const XML_ATTRIBUTES& attributes)
{
    using WINDOW = RDB_TABLE_DATA_VALID_WINDOW_ELEMENT;
    auto window = std::make_unique<WINDOW>();
    // Before the bounds, which disabling resets.
    if (is_true(attributes, "disabled")) window->set_disabled(true);
    const std::pair<const char*, void (WINDOW::*)(int)> bounds[] = {{"window_min", &WINDOW::set_window_min},
                                                                    {"valid_min", &WINDOW::set_valid_min},
                                                                    {"valid_max", &WINDOW::set_valid_max},
                                                                    {"window_max", &WINDOW::set_window_max}};
    for (const auto& [bound, set] : bounds) {
        const std::optional<int> value = number<int>(attributes.get(bound), bound);
        if (!value) return nullptr;
        ((*window).*set)(*value);
    }
    window->set_is_scale(is_true(attributes, "is_scale"));
    return window;
}

void RDB_XML_TABLE_HANDLER::on_end(const std::string& name)
{
    if (m_command != nullptr && end_command_child(name)) return;
    if (depth() == 1) return end_table();
    if (depth() == 2) {
        if (name == "row")
            m_in_row = false;
        else if (name == "disable_iname_column")
            add_column(&RDB_TABLE_OBJECT::disable_iname_lookup_for_col);
        else if (name == "hidden_column")
            add_column(&RDB_TABLE_OBJECT::hide_column);
        else if (name == "link_info") {
            if (RDB_LINK_TABLE_OBJECT* link = m_table->dynamic_cast_to_RDB_LINK_TABLE_OBJECT())
                link->set_link_info(m_text);
        } else if (!end_chart_or_histogram_child(name))
            end_common_child(*m_table, name);
        return;
    }
    if (name == "string_cell" || name == "iname_cell") {
        if (m_string_cell) m_string_cell->set_string(m_text);
        m_string_cell = nullptr;
    } else if (name == "int_cell") {
        std::optional<int> value = number<int>(m_text, "int_cell");
        if (m_int_cell && value) m_int_cell->set_data(*value);
        m_int_cell = nullptr;
    } else if (name == "location_cell") {
        m_location_cell = nullptr;
    } else if (name == "delay_cell") {
        m_delay_cell = nullptr;
    } else if (name == "cell_text" || name == "location" || name == "hpath") {
        if (m_location_cell == nullptr) return;
        if (name == "cell_text")
            m_location_cell->set_string(m_text);
        else if (name == "location")
            m_location_cell->set_location_schema_tcl_string(m_text);
        else
            m_location_cell->set_hierarchy_path(m_text);
    } else if (name == "delay") {
        std::optional<int> value = number<int>(m_text, "delay");
        if (m_delay_cell && value) m_delay_cell->set_delay(*value);
    } else if (name == "display_option") {
        if (m_delay_cell == nullptr) return;
        if (rdb_exists_rdb_table_delay_element_display_option_enum_by_string(m_text.c_str()))
            m_delay_cell->set_display_option(
                rdb_get_rdb_table_delay_element_display_option_enum_by_string(m_text.c_str()));
        else
            msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", m_text.c_str());
    }
}

void RDB_XML_TABLE_HANDLER::start_table(const std::string& name, const XML_ATTRIBUTES& attributes)
{
    if (name == "chart") return start_chart(attributes);
    const std::string object_name = attributes.get("name");
    if (name == "histogram")
        m_table = m_state.create<RDB_HISTOGRAM_TABLE_OBJECT>(object_name, "", 1u);
    else if (const std::string* threshold = attributes.find("heatmap_threshold"); name == "table" && threshold)
        m_table = start_heatmap(object_name, *threshold);
    else if (name == "link_table")
        m_table = m_state.create<RDB_LINK_TABLE_OBJECT>(object_name);
    else if (name == "tcl_table")
        m_table = start_tcl_table(object_name, attributes);
    else if (name == "table" && is_true(attributes, "new_table"))
        m_table = m_state.create<RDB_NEW_TABLE_OBJECT>(object_name);
    else
        m_table = m_state.create<RDB_TABLE_OBJECT>(object_name);
    m_table->set_no_compact_format(is_true(attributes, "no_compact"));
    m_table->set_alternating_row_colors(is_true(attributes, "altrn_row_colors"));
    // Set only when on, so that a table without the trait gets no trait value.
    if (is_true(attributes, "altrn_hierarchical_row_colors")) m_table->set_alternate_hierarchical_row_colors(true);
    m_table->set_display_of_row_numbers(is_true(attributes, "display_row_numbers"));
    m_table->set_uniform_row_heights(is_true(attributes, "uniform_rows"));
    if (const std::string* sort = attributes.find("sort_enabled")) m_table->set_sort_enabled(is_true(*sort));
    std::optional<int> expand_to = number<int>(attributes.get("expand_to"), "expand_to");
    if (!expand_to) return;
    m_table->expand_to_level(*expand_to);
    apply_common_attributes(*m_table, attributes);
    attach(*m_table, attributes);
}

// The context-menu flag is read from the tcl_table element, where it is written, as well as from a
// show_tcl_commands_on_context_menu element inside the table.
RDB_TCL_TABLE_OBJECT* RDB_XML_TABLE_HANDLER::start_tcl_table(const std::string& object_name,
                                                             const XML_ATTRIBUTES& attributes)
{
    auto* table = m_state.create<RDB_TCL_TABLE_OBJECT>(object_name);
    table->set_show_tcl_commands_on_context_menu(is_true(attributes, "show_tcl_commands_on_context_menu"));
    return table;
}

// command and show_tcl_commands_on_context_menu; true when name was one of them.
bool RDB_XML_TABLE_HANDLER::start_tcl_table_child(const std::string& name, const XML_ATTRIBUTES& attributes)
{
    if (name != "command" && name != "show_tcl_commands_on_context_menu") return false;
    RDB_TCL_TABLE_OBJECT* table = m_table->dynamic_cast_to_RDB_TCL_TABLE_OBJECT();
    if (table == nullptr) return true;
    if (name == "command") {
        m_command = new RDB_TCL_TABLE_CMD();
        table->add_cmd_template(m_command);
    } else {
        table->set_show_tcl_commands_on_context_menu(is_true(attributes, name));
    }
    return true;
}

// The end of command or of one of its children; true when name was one of them.
bool RDB_XML_TABLE_HANDLER::end_command_child(const std::string& name)
{
    if (depth() == 2 && name == "command") {
        m_command = nullptr;
        return true;
    }
    if (depth() != 3) return false;
    if (name == "gui_cmd_name") {
        m_command->set_gui_cmd_name(m_text);
    } else if (name == "tool_tip") {
        m_command->set_tool_tip(m_text);
    } else if (name == "help") {
        m_command->set_help(m_text);
    } else if (name == "cmd_template") {
        m_command->set_cmd_template(m_text);
    } else if (name == "col_index" || name == "row_index") {
        std::optional<int> index = number<int>(m_text, name.c_str());
        if (index) (name == "col_index" ? m_command->set_col_index(*index) : m_command->set_row_index(*index));
    } else {
        return false;
    }
    return true;
}

// Our own attribute marks a heat map (a threshold that is not a number fails the read).
RDB_TABLE_OBJECT* RDB_XML_TABLE_HANDLER::start_heatmap(const std::string& object_name,
                                                       const std::string& threshold_text)
{
    auto* heatmap = m_state.create<RDB_HEATMAP_TABLE_OBJECT>(object_name);
    if (std::optional<int> threshold = number<int>(threshold_text, "heatmap_threshold"))
        heatmap->set_threshold_percentage(*threshold);
    return heatmap;
}

// The table flags of the kinds whose standard element has none: our own attributes, each present
// only when it differs from a new table's. False when the read failed.
bool RDB_XML_TABLE_HANDLER::apply_changed_table_flags(RDB_TABLE_OBJECT& table, const XML_ATTRIBUTES& attributes)
{
    const std::pair<const char*, void (RDB_TABLE_OBJECT::*)(bool)> flags[] = {
        {"no_compact", &RDB_TABLE_OBJECT::set_no_compact_format},
        {"altrn_row_colors", &RDB_TABLE_OBJECT::set_alternating_row_colors},
        {"altrn_hierarchical_row_colors", &RDB_TABLE_OBJECT::set_alternate_hierarchical_row_colors},
        {"display_row_numbers", &RDB_TABLE_OBJECT::set_display_of_row_numbers},
        {"uniform_rows", &RDB_TABLE_OBJECT::set_uniform_row_heights},
        {"sort_enabled", &RDB_TABLE_OBJECT::set_sort_enabled}};
    for (const auto& [flag, set] : flags)
        if (const std::string* value = attributes.find(flag)) (table.*set)(is_true(*value));
    if (const std::string* expand_text = attributes.find("expand_to")) {
        std::optional<int> expand_to = number<int>(*expand_text, "expand_to");
        if (!expand_to) return false;
        table.expand_to_level(*expand_to);
    }
    return true;
}

void RDB_XML_TABLE_HANDLER::add_column(void (RDB_TABLE_OBJECT::*add)(int))
{
    std::optional<unsigned> column = number<unsigned>(m_text, "column number");
    if (column) (m_table->*add)(static_cast<int>(*column));
}

void RDB_XML_TABLE_HANDLER::apply_cell_attributes(RDB_TABLE_ELEMENT& cell, const XML_ATTRIBUTES& attributes)
{
    if (attributes.size() == 0) return;
    const std::string* foreground = attributes.find("foreground");
    if (foreground != nullptr && !foreground->empty())
        cell.set_foreground(rdb_get_color_name_by_rgb_value(rdb_get_rgb_color(*foreground)));
    const std::string* background = attributes.find("background");
    if (background != nullptr && !background->empty())
        cell.set_background(rdb_get_color_name_by_rgb_value(rdb_get_rgb_color(*background)));
    if (is_true(attributes, "unknown_foreground")) cell.set_foreground(RDB_COLOR_UNKNOWN);
    if (is_true(attributes, "unknown_background")) cell.set_background(RDB_COLOR_UNKNOWN);
    if (const std::string* tooltip = attributes.find("tooltip")) cell.set_tooltip(*tooltip);
}

namespace {

// The capacity of a gauges object read from a file (RDB_MAX_GAUGES); more gauges are appended.
constexpr int GAUGES_CAPACITY = 128;

// Summaries: a row per name and value element, or with our own "full_rows" the rows as a table has
// them (read by the table reader's code, as are the column lists), and the gauges.
class RDB_XML_SUMMARY_HANDLER : public RDB_XML_TABLE_HANDLER {
public:
    using RDB_XML_TABLE_HANDLER::RDB_XML_TABLE_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            m_summary = m_state.create<RDB_SUMMARY_TABLE_OBJECT>(attributes.get("name"));
            m_table = m_summary;
            m_full_rows = is_true(attributes, "full_rows");
            if (!apply_changed_table_flags(*m_summary, attributes)) return;
            apply_common_attributes(*m_summary, attributes);
            attach(*m_summary, attributes);
        } else if (m_full_rows && (name == "row" || m_in_row)) {
            RDB_XML_TABLE_HANDLER::on_start(name, attributes);
        } else if (name == "element") {
            if (m_full_rows) return;
            m_summary->add_row(rdb_create_row(attributes.get("name"), std::string()));
            m_row = m_summary->get_row(static_cast<int>(m_summary->get_number_of_rows() - 1));
        } else if (name == "gauges") {
            // Our own "all_slots" lists every slot, so the gauges are made without slots of their own.
            const std::string* gauges_name = attributes.find("name");
            m_gauges = new RDB_GAUGES_OBJECT(gauges_name ? *gauges_name : "This name should not be observed",
                                             is_true(attributes, "all_slots") ? 0 : GAUGES_CAPACITY);
            forget_nested(m_summary->get_gauges());
            m_summary->set_gauges(m_gauges);
            number_nested(*m_gauges, attributes);
            m_next_gauge = 0;
            m_gauge = nullptr;
        } else if (name == "empty_slot") {
            if (m_gauges == nullptr) return fail("empty_slot outside gauges");
            if (m_next_gauge >= m_gauges->get_size()) m_gauges->add_data(nullptr);
            ++m_next_gauge;
        } else if (name == "gauge") {
            if (m_gauges == nullptr) return fail("gauge outside gauges");
            m_gauge = new RDB_GAUGES_DATA_ELEMENT(attributes.get("name"), is_true(attributes, "percent"), 0, 0, 0,
                                                  !is_true(attributes, "enabled"));
            if (m_next_gauge < m_gauges->get_size())
                m_gauges->set_data_at(static_cast<unsigned>(m_next_gauge), m_gauge);
            else
                m_gauges->add_data(m_gauge);
            ++m_next_gauge;
        }
    }

    void on_end(const std::string& name) override
    {
        if (m_in_row || (depth() == 2 && (name == "hidden_column" || name == "disable_iname_column")))
            return RDB_XML_TABLE_HANDLER::on_end(name);
        if (depth() == 2 && end_common_child(*m_summary, name)) return;
        if (name == "element") {
            if (m_row != nullptr) (*m_row)[1]->set_string(m_text);
            m_row = nullptr;
        } else if (name == "min" || name == "max" || name == "value") {
            std::optional<int> value = number<int>(m_text, name.c_str());
            if (!value) return;
            if (m_gauge == nullptr) return fail(name + " outside a gauge");
            (name == "min" ? m_gauge->m_min_range : name == "max" ? m_gauge->m_max_range : m_gauge->m_status) = *value;
        }
    }

private:
    RDB_SUMMARY_TABLE_OBJECT* m_summary = nullptr;
    bool m_full_rows = false;
    RDB_GAUGES_OBJECT* m_gauges = nullptr;
    RDB_GAUGES_DATA_ELEMENT* m_gauge = nullptr;
    std::size_t m_next_gauge = 0;
};

// Our own element for a gauges object in a folder: one "gauge" or "empty_slot" per slot.
class RDB_XML_GAUGES_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            m_gauges = m_state.create<RDB_GAUGES_OBJECT>(attributes.get("name"), 0);
            apply_common_attributes(*m_gauges, attributes);
            attach(*m_gauges, attributes);
        } else if (depth() == 2 && (name == "gauge" || name == "empty_slot")) {
            m_gauge = name == "empty_slot"
                          ? nullptr
                          : new RDB_GAUGES_DATA_ELEMENT(attributes.get("name"), is_true(attributes, "percent"), 0, 0, 0,
                                                        !is_true(attributes, "enabled"));
            m_gauges->add_data(m_gauge);
        }
    }

    void on_end(const std::string& name) override
    {
        if (depth() == 2) {
            if (name != "gauge" && name != "empty_slot") end_common_child(*m_gauges, name);
            m_gauge = nullptr;
        } else if (depth() == 3 && (name == "min" || name == "max" || name == "value")) {
            std::optional<int> value = number<int>(m_text, name.c_str());
            if (!value) return;
            if (m_gauge == nullptr) return fail(name + " outside a gauge");
            (name == "min" ? m_gauge->m_min_range : name == "max" ? m_gauge->m_max_range : m_gauge->m_status) = *value;
        }
    }

private:
    RDB_GAUGES_OBJECT* m_gauges = nullptr;
    RDB_GAUGES_DATA_ELEMENT* m_gauge = nullptr;
};

} // namespace

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_summary_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_SUMMARY_HANDLER>(state);
}

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_gauges_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_GAUGES_HANDLER>(state);
}

} // namespace RDB::XML
