// Charts, heat maps and gauges panels in folders: their defaults and axis captions, their copies
// through the store and the XML form, and the XML reader's checks.

#include "rdb_chart.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_utility.h"
#include "rdb_visitor.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

RDB_CHART_TABLE_OBJECT* sales_chart(const std::string& name)
{
    auto* chart = new RDB_CHART_TABLE_OBJECT(name, 99);
    chart->set_x_axis("Region");
    chart->set_y_axis("Units");
    chart->add_row("North", 12);
    chart->add_row("South & <east>", -3);
    return chart;
}

// One of each: a plain chart, a chart whose cells carry colours, a chart without rows, a heat map and
// a gauges panel with an empty slot.
std::unique_ptr<RDB_REPORT> make_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    main->add_object_to_list(sales_chart("Plain"));

    RDB_CHART_TABLE_OBJECT* coloured = sales_chart("Coloured");
    coloured->set_default_chart_type(CHART_TABLE_OBJECT_PIE_CHART);
    coloured->display_labels(false);
    coloured->get_element(1, 1, false)->set_foreground(RDB_COLOR_RED);
    coloured->get_element(2, 0, false)->set_tooltip("second");
    coloured->set_alternating_row_colors(false);
    coloured->expand_to_level(1);
    coloured->hide_column(1);
    auto* folder = new RDB_FOLDER_OBJECT("Charts");
    main->add_object_to_list(folder);
    folder->add_object_to_list(coloured);

    auto* bare = new RDB_CHART_TABLE_OBJECT("Bare", 0);
    bare->set_default_chart_type(CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE);
    main->add_object_to_list(bare);

    auto* heatmap = new RDB_HEATMAP_TABLE_OBJECT("Routing");
    heatmap->add_row(rdb_create_row({"Region", "Use"}));
    heatmap->add_row(rdb_create_row({"X0Y0", "81 %"}));
    heatmap->set_threshold_percentage(75);
    main->add_object_to_list(heatmap);

    auto* gauges = new RDB_GAUGES_OBJECT("Usage", 3);
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic", true, 0, 100, 41, false));
    gauges->set_data_at(2, new RDB_GAUGES_DATA_ELEMENT("Pins", false, -1, 256, 97, true));
    gauges->set_header("gauges header");
    gauges->set_visible(false);
    main->add_object_to_list(gauges);
    return report;
}

} // namespace

TEST(RdbChart, NewChartsAndHeatMapsHaveTheirDefaults)
{
    RDB_CHART_TABLE_OBJECT chart("C", 7);
    EXPECT_EQ(chart.get_default_chart_type(), CHART_TABLE_OBJECT_BAR_CHART);
    EXPECT_TRUE(chart.display_labels());
    RDB_HEATMAP_TABLE_OBJECT heatmap("H");
    EXPECT_EQ(heatmap.get_threshold_percentage(), -1);
    EXPECT_EQ(static_cast<RDB_OBJECT&>(heatmap).dynamic_cast_to_RDB_TABLE_OBJECT(), &heatmap);
}

TEST(RdbChart, AxisCaptionsLiveInTheHeaderRow)
{
    RDB_CHART_TABLE_OBJECT chart("C", 0);
    chart.set_x_axis("Resource");
    ASSERT_EQ(chart.get_number_of_rows(), 1u);
    ASSERT_EQ(chart.get_number_of_columns(), 2u);
    EXPECT_EQ(chart.get_x_axis(), "Resource");
    EXPECT_EQ(chart.get_y_axis(), "");
    chart.set_y_axis("Count");
    EXPECT_EQ(chart.get_number_of_rows(), 1u);
    EXPECT_EQ(chart.get_y_axis(), "Count");

    RDB_CHART_TABLE_OBJECT y_first("C", 0);
    y_first.set_y_axis("Count");
    EXPECT_EQ(y_first.get_x_axis() + "|" + y_first.get_y_axis(), "|Count");

    chart.add_row("LUTs", 40);
    EXPECT_EQ(chart.get_data_string(1, 0) + "=" + chart.get_data_string(1, 1), "LUTs=40");
    EXPECT_NE(chart.get_element(1, 1, false)->dynamic_cast_to_RDB_TABLE_INT_ELEMENT(), nullptr);

    // A header row too short for the caption is reported, not written past.
    RDB_CHART_TABLE_OBJECT short_header("C", 0);
    short_header.add_row(rdb_create_row(std::vector<std::string>{"only"}));
    EXPECT_INTERNAL_ERROR(short_header.set_y_axis("Count"), "element != 0");
}

// The standard XML elements leave out a heat map's kind and threshold, a gauges panel in a folder, and a
// chart's table flags, column lists, cell colours and tooltips, and its type 0; our own elements and
// attributes bring them back (each copy writes the other form's bytes).
TEST(RdbChart, CopiesKeepChartsHeatMapsAndGauges)
{
    std::unique_ptr<RDB_REPORT> report = make_report();
    const REPORT_COPIES copies = copies_of(*report);
    ASSERT_TRUE(copies.stored && copies.read);
    auto& gauges = as<RDB_GAUGES_OBJECT>(copies.read->get_main_folder()->find_object("Usage"));
    EXPECT_EQ(gauges.get_size(), 3u);
    EXPECT_EQ(gauges.get_data_at(1), nullptr);

    // Each kind as a panel document of its own.
    for (const char* name : {"Plain", "Charts||Coloured", "Bare", "Routing", "Usage"}) {
        const std::string panel = xml_of(*report->get_main_folder()->find_object(name));
        std::unique_ptr<RDB_REPORT> panel_read = report_from_xml(panel);
        ASSERT_TRUE(panel_read && panel_read->get_main_folder()->size() == 1u) << name;
        EXPECT_EQ(xml_of(**panel_read->get_main_folder()->begin()), panel) << name;
    }
}

TEST(RdbChart, XmlReaderTakesTheStandardFormAlone)
{
    DEBUG_RECORDER rec;
    const std::unique_ptr<RDB_REPORT> report = report_from_xml(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><report><folders><root name_id=\"1\" name=\"M\"/></folders><panels>"
        "<chart name=\"C\" parent_id=\"1\" size=\"2\"><type>pie</type><x_label>X</x_label><y_label>Y</y_label>"
        "<show_labels>FALSE</show_labels><data name=\"a\">5</data></chart>"
        "<chart name=\"D\" parent_id=\"1\" size=\"1\"><type>doughnut</type></chart>"
        "</panels></report>");
    ASSERT_TRUE(report);
    auto& chart = as<RDB_CHART_TABLE_OBJECT>(report->get_main_folder()->find_object("C"));
    EXPECT_EQ(chart.get_default_chart_type(), CHART_TABLE_OBJECT_PIE_CHART);
    EXPECT_FALSE(chart.display_labels());
    EXPECT_EQ(chart.get_x_axis() + chart.get_y_axis(), "XY");
    ASSERT_EQ(chart.get_number_of_rows(), 2u);
    EXPECT_EQ(chart.get_element(1, 1, false)->get_int_element_data(), 5);
    EXPECT_EQ(chart.get_data_string(1, 0), "a");
    // An unknown type text keeps the bar chart and says so.
    auto& other = as<RDB_CHART_TABLE_OBJECT>(report->get_main_folder()->find_object("D"));
    EXPECT_EQ(other.get_number_of_rows(), 1u);
    EXPECT_EQ(other.get_default_chart_type(), CHART_TABLE_OBJECT_BAR_CHART);
    EXPECT_TRUE(rec.saw("Unrecognized enumeration type: doughnut"));

    // A value or threshold that is not a number, or a caption without its header cell, fails the read.
    for (const char* panel : {"<chart name=\"C\" parent_id=\"1\" size=\"2\"><data name=\"a\">five</data></chart>",
                              "<chart name=\"C\" parent_id=\"1\" size=\"two\"></chart>",
                              // A header row without the caption's cell, which setting it would write past.
                              "<chart name=\"C\" parent_id=\"1\" size=\"0\"><row><string_cell>x</string_cell></row>"
                              "<y_label>Y</y_label></chart>",
                              "<table name=\"T\" parent_id=\"1\" expand_to=\"-1\" heatmap_threshold=\"hot\"></table>",
                              "<gauges name=\"G\" parent_id=\"1\"><gauge name=\"g\"><min>low</min></gauge></gauges>"})
        EXPECT_FALSE(report_from_xml(
            std::string("<?xml version=\"1.0\"?><report><folders><root name_id=\"1\" name=\"M\"/></folders><panels>") +
            panel + "</panels></report>"))
            << panel;
}
