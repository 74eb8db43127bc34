// Histograms: bins and their checks, partitions, the text form (golden files), their copies through
// the store and the XML form, and the XML reader's checks.

#include <array>
#include <limits>

#include "rdb_folder.h"
#include "rdb_histogram.h"
#include "rdb_report.h"
#include "rdb_utility.h"
#include "rdb_visitor.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

// A histogram with its header row and the given bins (from, to, value), coloured blue.
RDB_HISTOGRAM_TABLE_OBJECT* with_bins(RDB_HISTOGRAM_TABLE_OBJECT* histogram,
                                      std::initializer_list<std::array<int, 3>> bins)
{
    histogram->add_row(rdb_create_row({"From", "To", "Value"}));
    for (const auto& [from, to, value] : bins)
        histogram->add_row(from, to, value, RDB_COLOR_BLUE);
    return histogram;
}

// A histogram with every field set: labels, unit, a scale of 0, a hidden column, partitions with a
// row left without values, and a bin with a tooltip.
RDB_HISTOGRAM_TABLE_OBJECT* full_histogram()
{
    auto* histogram = with_bins(new RDB_HISTOGRAM_TABLE_OBJECT("Slack", "Slack", "Paths", "ns", 0),
                                {{-500, 0, 3}, {0, 500, -2}, {500, 1000, 40}});
    histogram->set_color(2, RDB_COLOR_RED);
    histogram->get_element(3, 2, false)->set_tooltip("most paths");
    histogram->hide_column(1);
    histogram->add_partition_names({"setup", "hold & <recovery>"});
    histogram->add_partition_for_row({1, 2}, 1);
    histogram->add_partition_for_row({-7, 40}, 3);
    histogram->set_footer("histogram footer");
    return histogram;
}

} // namespace

TEST(RdbHistogram, BinsAreReadFromTheirIntegerCells)
{
    RDB_HISTOGRAM_TABLE_OBJECT histogram("H", "ps", 1000);
    EXPECT_EQ(histogram.get_max_value(), 0);
    with_bins(&histogram, {{0, 10, 5}, {10, 20, 7}});
    EXPECT_EQ(histogram.get_max_value(), 7);
    EXPECT_EQ(histogram.get_from(2) + histogram.get_to(1) + histogram.get_value(1), 25);
    histogram.set_color(2, RDB_COLOR_GREEN);
    EXPECT_EQ(histogram.get_element(2, 2, false)->get_foreground(), RDB_COLOR_GREEN);
    EXPECT_EQ(histogram.get_element(2, 0, false)->get_foreground(), RDB_COLOR_DEFAULT);

    // Only the header row, or only negative values: the maximum starts from 0.
    RDB_HISTOGRAM_TABLE_OBJECT header_only("H", "", 1);
    EXPECT_EQ(with_bins(&header_only, {})->get_max_value(), 0);
    RDB_HISTOGRAM_TABLE_OBJECT negative("H", "", 1);
    EXPECT_EQ(with_bins(&negative, {{0, 1, -4}, {1, 2, -1}})->get_max_value(), 0);
}

TEST(RdbHistogram, HeaderRowsMissingAndForeignCellsAreInternalErrors)
{
    RDB_HISTOGRAM_TABLE_OBJECT histogram("H", "", 1);
    // The first row added is the header: a bin cannot be added before it.
    EXPECT_INTERNAL_ERROR(histogram.add_row(0, 1, 2, RDB_COLOR_RED), "row_i > 0");
    histogram.add_row(new RDB_TABLE_ROW{new RDB_TABLE_INT_ELEMENT(0), new RDB_TABLE_STRING_ELEMENT("to")});
    EXPECT_INTERNAL_ERROR(histogram.get_from(0), "row_i > 0");
    EXPECT_INTERNAL_ERROR(histogram.set_color(0, RDB_COLOR_RED), "row_i > 0");
    EXPECT_INTERNAL_ERROR(histogram.get_value(1), "element != 0");
    EXPECT_INTERNAL_ERROR(histogram.get_color(1), "element != 0");
    EXPECT_INTERNAL_ERROR(histogram.get_value(9), "element != 0");
    EXPECT_INTERNAL_ERROR(histogram.get_to(1), "int_element != 0");
    EXPECT_EQ(histogram.get_from(1), 0);
    EXPECT_INTERNAL_ERROR(histogram.set_x_scale(0), "scale > 0");
    histogram.set_x_scale(10);
    EXPECT_EQ(histogram.get_x_scale(), 10u);
}

TEST(RdbHistogram, PartitionsGrowToTheRowTheyAreGivenFor)
{
    RDB_HISTOGRAM_TABLE_OBJECT histogram("H", "", 1);
    with_bins(&histogram, {{0, 1, 1}, {1, 2, 2}, {2, 3, 3}});
    histogram.add_partition_for_row({4, 5}, -1);
    histogram.add_partition_for_row({6}, 1);
    EXPECT_EQ(histogram.get_all_partition_values(), (std::vector<std::vector<int>>{{}, {6}, {}, {4, 5}}));
    // A row beyond the lists reads as one without values.
    EXPECT_TRUE(histogram.get_partition_values(100).empty());
}

// Row -1 of a histogram without rows would wrap to row 0xFFFFFFFF, and other negative rows to lists
// of billions of entries.
TEST(RdbHistogramOutOfRange, PartitionsOfARowThatCannotExistAreInternalErrors)
{
    RDB_HISTOGRAM_TABLE_OBJECT histogram("H", "", 1);
    EXPECT_INTERNAL_ERROR(histogram.add_partition_for_row({1}, -1), "row >= 0");
    with_bins(&histogram, {{0, 1, 1}});
    EXPECT_INTERNAL_ERROR(histogram.add_partition_for_row({1}, -2), "row >= 0");
    EXPECT_INTERNAL_ERROR(histogram.add_partition_for_row({1}, std::numeric_limits<int>::min()), "row >= 0");
    EXPECT_TRUE(histogram.get_all_partition_values().empty());
    histogram.add_partition_for_row({1}, -1);
    EXPECT_EQ(histogram.get_partition_values(1), std::vector<int>{1});
}

TEST(RdbHistogramAscii, BinsAreBoxedWithBarsOfUpToFiftyX)
{
    // Labels, a unit and a scale of 1000 (three decimals); a maximum of 7, where 7 * (50 / 7.0) falls
    // short of 50 in floating point, still gets the full bar.
    RDB_HISTOGRAM_TABLE_OBJECT slack("Setup Slack Histogram", "Slack", "Paths", "ns", 1000);
    with_bins(&slack, {{-1500, -250, 1}, {-250, 0, 7}, {0, 12345, 3}, {12345, 99999, 0}});
    slack.set_header("not printed");
    expect_golden("ascii/histogram_slack.txt", ascii_of(slack));
    // No labels: "Bin Boundary" and "Value"; a scale of 1 has no decimals; a lone count of 1 is the
    // maximum and draws 50 X.
    RDB_HISTOGRAM_TABLE_OBJECT fanout("Fan-out", "", 1);
    with_bins(&fanout, {{1, 2, 1}, {2, 4, 0}});
    expect_golden("ascii/histogram_single_count.txt", ascii_of(fanout));
    // Without rows a "nothing to report" box; a header alone is boxed with its heading row.
    RDB_HISTOGRAM_TABLE_OBJECT empty("Empty", "", 1);
    expect_golden("ascii/histogram_nothing_to_report.txt", ascii_of(empty));
    with_bins(&empty, {});
    expect_golden("ascii/histogram_header_only.txt", ascii_of(empty));
}

// A negative count would give a bar of negative length, and a scale of 0 a division by zero.
TEST(RdbHistogramOutOfRange, NegativeCountsDrawNoBarAndAScaleOfZeroPrintsAsOne)
{
    RDB_HISTOGRAM_TABLE_OBJECT odd("Corrections", "Delta", "", "", 0);
    with_bins(&odd, {{-20, -10, -5}, {-10, 0, 10}, {0, 10, 4}});
    const std::string text = ascii_of(odd);
    expect_golden("ascii/histogram_negative_and_scale_zero.txt", text);
    RDB_HISTOGRAM_TABLE_OBJECT scale_one("Corrections", "Delta", "", "", 1);
    with_bins(&scale_one, {{-20, -10, -5}, {-10, 0, 10}, {0, 10, 4}});
    EXPECT_EQ(ascii_of(scale_one), text);
    // All counts negative: no bar at all.
    RDB_HISTOGRAM_TABLE_OBJECT negative("N", "", 1);
    with_bins(&negative, {{0, 1, -1}});
    EXPECT_EQ(ascii_of(negative).find('X'), std::string::npos);
}

// Each copy writes the other form's bytes, so a field one form drops shows.
TEST(RdbHistogram, CopiesKeepEveryField)
{
    RDB_REPORT report;
    report.get_main_folder()->add_object_to_list(full_histogram());
    const REPORT_COPIES copies = copies_of(report);
    ASSERT_TRUE(copies.stored && copies.read);
    EXPECT_EQ(ascii_of(**copies.read->get_main_folder()->begin()), ascii_of(**report.get_main_folder()->begin()));
}

TEST(RdbHistogram, XmlReaderTakesTheElementsAloneAndRefusesBinsThatAreNotIntegers)
{
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><report><folders><root name_id=\"1\" "
                             "name=\"M\"/></folders><panels><histogram name=\"H\" parent_id=\"1\" expand_to=\"-1\">";
    const std::string header_row = "<row><string_cell>From</string_cell><string_cell>To</string_cell>"
                                   "<string_cell>Value</string_cell></row>";
    const std::string tail = "<x_label>X</x_label><y_label>Y</y_label><unit>us</unit><scale>10</scale>"
                             "</histogram></panels></report>";
    std::unique_ptr<RDB_REPORT> report = report_from_xml(
        head + header_row +
        "<row><int_cell>0</int_cell><int_cell>5</int_cell><int_cell foreground=\"FF0000\">9</int_cell></row>" + tail);
    ASSERT_TRUE(report);
    auto& histogram = as<RDB_HISTOGRAM_TABLE_OBJECT>(*report->get_main_folder()->begin());
    EXPECT_EQ(histogram.get_value(1), 9);
    EXPECT_EQ(histogram.get_color(1), RDB_COLOR_RED);
    EXPECT_EQ(histogram.get_x_axis_label() + histogram.get_y_axis_label() + histogram.get_x_unit(), "XYus");
    EXPECT_EQ(histogram.get_x_scale(), 10u);

    // A bin whose cells its accessors could not read would stop the text form with an internal error.
    for (const char* row : {"<row><int_cell>0</int_cell><int_cell>5</int_cell></row>",
                            "<row><int_cell>0</int_cell><string_cell>5</string_cell><int_cell>1</int_cell></row>"})
        EXPECT_FALSE(report_from_xml(head + header_row + row + tail)) << row;
    EXPECT_FALSE(report_from_xml(head + "<partition_values>1 x</partition_values>" + tail));
    EXPECT_FALSE(report_from_xml(head + header_row + tail.substr(0, tail.find("10")) +
                                 "-1</scale></histogram></panels></report>"));
}
