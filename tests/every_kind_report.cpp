#include "every_kind_report.h"

#include <string>
#include <vector>

#include "rdb.h"

namespace {

template <class OBJECT> OBJECT* add(RDB_FOLDER_OBJECT& folder, OBJECT* object)
{
    folder.add_object_to_list(object);
    return object;
}

template <class TABLE> TABLE* filled(TABLE* table)
{
    table->add_row(rdb_create_row("Name", "Value"));
    table->add_row(rdb_create_row("alpha", "1"));
    table->add_row(rdb_create_row("beta", "2"));
    return table;
}

RDB_GRID_TABLE_OBJECT* grid()
{
    RDB_GRID_TABLE_RULESET rules;
    const std::uint32_t count = rules.add_counter("n=", "Count", true, {}, RDB_GRID_TABLE_SAFE_COUNTER(0));
    rules.add_strong_flag("hot", "Hot", {});
    rules.add_legend_info("Hot", RDB_COLOR_RED, RDB_COLOR_BLACK, 0,
                          {{{count, RDB_GRID_TABLE_RULESET::GREATER_THAN_ZERO}}});
    rules.add_legend_info("Cold", RDB_COLOR_DEFAULT, RDB_COLOR_DEFAULT, 0, {});
    rules.add_command_info({7}, {}, {});
    auto* table = new RDB_GRID_TABLE_OBJECT("Grid", "From", "To", rules, "clocks");
    table->add_row_header(new RDB_TABLE_STRING_ELEMENT("a"));
    table->add_column_header(new RDB_TABLE_STRING_ELEMENT("b"));
    table->add_cell_cmd_template(7, new RDB_GRID_TABLE_CMD("Show", "tip", "help", "show %ROW% %COL%"));
    RDB_GRID_TABLE_MERGEABLE_ELEMENT entry;
    entry.add_counter(RDB_GRID_TABLE_SAFE_COUNTER(4));
    entry.add_strong_flag(true);
    table->set_grid_entry(0, 0, entry);
    return table;
}

RDB_WAVEFORM_DISPLAY_OBJECT* waveforms(const std::string& name)
{
    auto* display = new RDB_WAVEFORM_DISPLAY_OBJECT(name);
    auto* clock = new RDB_WAVEFORM_ELEMENT(10000, 0);
    clock->set_label("clk");
    clock->add_event(RDB_WAVEFORM_EVENT(0, RDB_WAVEFORM_EVENT::RISING_EDGE));
    clock->add_event(RDB_WAVEFORM_EVENT(5000, RDB_WAVEFORM_EVENT::FALLING_EDGE));
    display->add_waveform(clock);
    auto* data = new RDB_WAVEFORM_ELEMENT(0, 0);
    data->add_event(RDB_WAVEFORM_EVENT(1200, RDB_WAVEFORM_EVENT::DATA_TRANSITION));
    display->add_waveform(data);
    display->add_arrow(new RDB_ARROW_ELEMENT("setup", 0, 0, 1, 1200));
    display->add_label(new RDB_LABEL_ELEMENT("launch", 0, 0));
    return display;
}

// The fields of the object base, away from their defaults.
template <class OBJECT> OBJECT* marked(OBJECT* object)
{
    object->set_header("head");
    object->set_footer("foot");
    object->set_checked(2, true);
    object->set_to_output_ascii_header(false);
    object->set_to_output_ascii_footer(false);
    object->set_color(RDB_COLOR_VEXA_RUST);
    object->set_timing_corner("slow 85C");
    object->set_tcl_command("report");
    object->set_help_id("help");
    return object;
}

// A cell of each kind the row-wider-than-the-header case needs, a missing one and the colour without an
// RGB value.
RDB_TABLE_ROW* odd_cells()
{
    auto* window = new RDB_TABLE_DATA_VALID_WINDOW_ELEMENT();
    window->set_window_min(-20);
    window->set_valid_max(5);
    window->set_is_scale(true);
    auto* text = new RDB_TABLE_STRING_ELEMENT("odd");
    text->set_background(RDB_COLOR_UNKNOWN);
    return new RDB_TABLE_ROW(
        {new RDB_TABLE_TCL_CMD_ELEMENT("run", "puts run"), window, new RDB_TABLE_ELEMENT(), nullptr, text});
}

// A header and one row with a cell of every class, so that each prints in its own column.
RDB_TABLE_OBJECT* every_cell(RDB_TABLE_OBJECT* table)
{
    table->add_row(rdb_create_row({"Empty", "Text", "Command", "Count", "Delay", "Window", "Instance"}));
    auto* window = new RDB_TABLE_DATA_VALID_WINDOW_ELEMENT();
    window->set_window_min(-8);
    window->set_valid_min(-2);
    window->set_valid_max(3);
    window->set_window_max(9);
    auto* location = new RDB_TABLE_LOCATION_SCHEMA_ELEMENT();
    location->set_string("u1");
    location->set_location_schema_tcl_string("instance top|u1");
    location->set_hierarchy_path("top|u1");
    table->add_row(
        new RDB_TABLE_ROW({new RDB_TABLE_ELEMENT(), new RDB_TABLE_STRING_ELEMENT("text"),
                           new RDB_TABLE_TCL_CMD_ELEMENT("run", "puts run"), new RDB_TABLE_INT_ELEMENT(-7),
                           new RDB_TABLE_DELAY_ELEMENT(2500, TABLE_DELAY_ELEMENT_NORMAL_DELAY), window, location}));
    return table;
}

} // namespace

std::unique_ptr<RDB_REPORT> rdb_every_kind_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT& main = *marked(report->get_main_folder());
    main.set_is_stage_folder(true);
    RDB_FOLDER_OBJECT& stage = *marked(add(main, new RDB_FOLDER_OBJECT("Stage")));
    stage.set_is_stage_folder(true);
    report->set_current_folder(&stage);

    auto* text = marked(add(stage, new RDB_TEXT_OBJECT("Text")));
    text->set_text("free text");
    text->set_is_webkit_html(true);
    text->set_is_json(true);
    add(stage, new RDB_LEGAL_OBJECT("Legal"));
    add(stage, new RDB_TEXT_OBJECT("No Text"));
    marked(add(stage, new RDB_INTERACTIVE_REPORT_DATA_OBJECT("Live", "{\"regions\": 4}", "json", "floorplan")));
    auto* table = marked(filled(add(stage, new RDB_TABLE_OBJECT("Table"))));
    table->set_sort_enabled(false);
    table->add_row(odd_cells());
    every_cell(add(stage, new RDB_TABLE_OBJECT("Cells")));
    filled(add(stage, new RDB_NEW_TABLE_OBJECT("New Table")));
    auto* link_table = filled(add(stage, new RDB_LINK_TABLE_OBJECT("Link Table")));
    link_table->set_link_info("other.rpt");
    link_table->hide_column(0);
    auto* summary = add(stage, new RDB_SUMMARY_TABLE_OBJECT("Summary"));
    filled(summary)->set_sort_enabled(false);
    summary->add_row(odd_cells());
    summary->hide_column(1);
    auto* summary_gauges = new RDB_GAUGES_OBJECT("gauges", 2);
    summary_gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic", true, 0, 100, 42, false));
    summary_gauges->set_int_trait("every_kind_rank", 3);
    summary->set_gauges(summary_gauges);
    auto* gauges = add(stage, new RDB_GAUGES_OBJECT("Gauges", 1));
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Memory", false, 0, 64, 9, true));

    auto* tcl = add(stage, new RDB_TCL_TABLE_OBJECT("Tcl Table"));
    filled(tcl);
    tcl->add_cmd_template(new RDB_TCL_TABLE_CMD("Show", "tip", "", "show %COL_0%< -v %COL_1%>", 0, -1));
    tcl->set_show_tcl_commands_on_context_menu(true);
    auto* chart = add(stage, new RDB_CHART_TABLE_OBJECT("Chart", 0));
    chart->set_x_axis("Kind");
    chart->set_y_axis("Count");
    chart->add_row("LUT", 12);
    chart->set_default_chart_type(CHART_TABLE_OBJECT_PIE_CHART);
    auto* histogram = add(stage, new RDB_HISTOGRAM_TABLE_OBJECT("Histogram", "ns", 1000));
    histogram->add_row(rdb_create_row({"From", "To", "Count"}));
    histogram->add_row(0, 500, 3, RDB_COLOR_GREEN);
    histogram->add_partition_names({"x", "y"});
    std::vector<int> split = {1, 2};
    histogram->add_partition_for_row(split, -1);
    filled(add(stage, new RDB_HEATMAP_TABLE_OBJECT("Heat Map")))->set_threshold_percentage(75);
    add(stage, grid());

    add(stage, new RDB_EMBEDDED_OBJECT("Pinout", EMBEDDED_OBJECT_PINOUT_TYPE));
    auto* memory = add(stage, new RDB_MEMORY_OBJECT("Memory", "rom.mif", 2, 4, 1, nullptr));
    memory->set_value_at(1, 0, CDB_CAM_DATA_ONE);
    add(stage, waveforms("Waveforms"));

    auto* paths = add(stage, new RDB_PATH_FOLDER_OBJECT("Paths"));
    RDB_TABLE_OBJECT* path_summary = filled(add(*paths, new RDB_TABLE_OBJECT("Path Summary")));
    paths->set_path_summary_table(path_summary);
    auto* path = add(*paths, new RDB_PATH_OBJECT("Path 1"));
    path->set_slack(-25);
    path->set_summary_table(filled(new RDB_TABLE_OBJECT("Path Summary 1")));
    path->get_summary_table()->set_string_trait("every_kind_label", "critical");
    path->set_data_arrival_table(filled(new RDB_TABLE_OBJECT("Arrival")));
    path->set_waveform(waveforms("Path Waveform"));
    auto* note = new RDB_TEXT_OBJECT("Note");
    note->set_text("retime");
    path->set_idb_text(note);
    paths->create_path_id_table();

    auto* master = add(stage, new RDB_MASTER_DETAIL_OBJECT("Master Detail"));
    RDB_TABLE_OBJECT* master_table = filled(add(*master, new RDB_TABLE_OBJECT("Master")));
    master->add_master_table(master_table);
    RDB_TEXT_OBJECT* detail = add(*master, new RDB_TEXT_OBJECT("Detail"));
    detail->set_text("row details");
    master->add_detail_object(detail);
    // The master table is a detail as well: the children's order does not give that.
    auto* both = add(stage, new RDB_MASTER_DETAIL_OBJECT("Master Detail Both"));
    both->add_detail_object(add(*both, new RDB_TEXT_OBJECT("First Detail")));
    RDB_TABLE_OBJECT* both_table = filled(add(*both, new RDB_TABLE_OBJECT("Master And Detail")));
    both->add_master_table(both_table);
    both->add_detail_object(both_table);
    add(*add(stage, new RDB_MULTI_CORNER_FOLDER_OBJECT("Corners")), new RDB_TEXT_OBJECT("Slow Corner"))
        ->set_text("slow");
    // A link whose report is not registered: the link alone is the report's.
    add(stage, new RDB_LINK_RPT_OBJECT("Linked"))->set_rev_name_and_rpt_type("rev", "other", false);
    // A link whose report is registered under its key: the linked report's objects show through it.
    auto* linked = add(stage, new RDB_LINK_RPT_OBJECT("Linked Report"));
    linked->set_rev_name_and_rpt_type("rev", "every_kind_linked", false);
    auto* other = new RDB_REPORT();
    add(*other->get_main_folder(), new RDB_TEXT_OBJECT("Linked Text"))->set_text("from the linked report");
    linked->set_link_rpt(other);
    return report;
}
