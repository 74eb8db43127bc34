// XML report files: the document layout (golden file), round trips of reports and panels, the
// reader's defences against malformed and hostile documents, and the writer's I/O failures.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_tiny_numberer.h"
#include "rdb_xml.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::string to_xml(const RDB_REPORT& report)
{
    std::ostringstream out;
    EXPECT_TRUE(rdb_xml_write(out, &report));
    return out.str();
}

std::string to_xml(const RDB_OBJECT& object)
{
    std::ostringstream out;
    EXPECT_TRUE(rdb_xml_write(out, &object));
    return out.str();
}

std::unique_ptr<RDB_REPORT> from_xml(const std::string& text)
{
    return rdb_read_xml_report(gsl::span<const char>(text.data(), text.size()));
}

// A directory of its own for the files of one test, removed afterwards.
class TEMP_DIR {
public:
    TEMP_DIR()
        : m_path(fs::temp_directory_path() /
                 ("rdb_xml_test_" + std::to_string(getpid()) + "_" + std::to_string(s_count++)))
    {
        fs::create_directories(m_path);
    }
    ~TEMP_DIR() { fs::remove_all(m_path); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    static inline int s_count = 0;
    fs::path m_path;
};

std::string read_bytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

RDB_TABLE_ROW* row_of(std::initializer_list<RDB_TABLE_ELEMENT*> cells) { return new RDB_TABLE_ROW(cells); }

RDB_TABLE_STRING_ELEMENT* text_cell(const std::string& text, RDB_COLOR_NAME fg = RDB_COLOR_DEFAULT,
                                    RDB_COLOR_NAME bg = RDB_COLOR_DEFAULT)
{
    auto* cell = new RDB_TABLE_STRING_ELEMENT(text);
    cell->set_foreground(fg);
    cell->set_background(bg);
    return cell;
}

// One report with every object kind, cell kind, flag and trait kind the format carries.
std::unique_ptr<RDB_REPORT> make_sample_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    auto* main = new RDB_FOLDER_OBJECT("Sample Report");
    report->add_main_folder(main);
    main->set_int_trait("xml_test_rank", 7);

    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("Flow Summary");
    summary->add_row(rdb_create_row("Flow Status", "Successful"));
    summary->add_row(rdb_create_row("Revision Name", "top & \"bottom\""));
    auto* gauges = new RDB_GAUGES_OBJECT("gauges", 3);
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic utilization", true, 0, 100, 42, false));
    gauges->set_data_at(1, new RDB_GAUGES_DATA_ELEMENT("Pins", false, -5, 320, 17, true));
    summary->set_gauges(gauges);
    summary->set_header("Summary <header>");
    main->add_object_to_list(summary);

    auto* fitter = new RDB_FOLDER_OBJECT("Fitter");
    fitter->set_footer("fitter footer");
    fitter->set_long_trait("xml_test_id", -1234567890123LL);
    main->add_object_to_list(fitter);

    auto* table = new RDB_TABLE_OBJECT("Resource Usage");
    table->add_row(row_of({text_cell("Resource"), text_cell("Usage"), text_cell("Where"), text_cell("Delay")}));
    auto* location = new RDB_TABLE_LOCATION_SCHEMA_ELEMENT();
    location->set_string("top|a");
    location->set_location_schema_tcl_string("instance top|a");
    location->set_hierarchy_path("top|a|b");
    location->set_background(RDB_COLOR_LIGHT_YELLOW);
    auto* int_cell = new RDB_TABLE_INT_ELEMENT(-17);
    int_cell->set_foreground(RDB_COLOR_RED);
    int_cell->set_tooltip("seventeen\nbelow");
    table->add_row(row_of({text_cell("ALMs", RDB_COLOR_BLUE, RDB_COLOR_GRAY93), int_cell, location,
                           new RDB_TABLE_DELAY_ELEMENT(1250, TABLE_DELAY_ELEMENT_NORMAL_DELAY)}));
    auto* tcl_cell = new RDB_TABLE_TCL_CMD_ELEMENT("run it", "puts hi");
    tcl_cell->set_tooltip("");
    table->add_row(row_of({tcl_cell, new RDB_TABLE_INT_ELEMENT(0), text_cell(""),
                           new RDB_TABLE_DELAY_ELEMENT(-3, TABLE_DELAY_ELEMENT_NO_SLACK)}));
    table->hide_column(2);
    table->hide_column(3);
    table->disable_iname_lookup_for_col(1);
    table->set_no_compact_format(true);
    table->set_alternating_row_colors(false);
    table->set_uniform_row_heights(false);
    table->set_alternate_hierarchical_row_colors(true);
    table->expand_to_level(2);
    table->set_tcl_command("report_resource");
    table->set_help_id("HELP_42");
    table->set_bool_trait("xml_test_flag", true);
    fitter->add_object_to_list(table);

    auto* details = new RDB_MASTER_DETAIL_OBJECT("Details");
    fitter->add_object_to_list(details);
    auto* master = new RDB_TABLE_OBJECT("Master");
    master->add_row(row_of({text_cell("Key")}));
    details->add_master_table(master);
    auto* detail_text = new RDB_TEXT_OBJECT("Detail");
    detail_text->set_text("line one\nline\ttwo\r\n");
    details->add_detail_object(detail_text);

    // Siblings that share a name, each with its own traits.
    auto* twin_a = new RDB_TEXT_OBJECT("Twin");
    twin_a->set_text("first");
    twin_a->set_string_trait("xml_test_label", "first twin");
    twin_a->set_double_trait("xml_test_ratio", 0.1);
    auto* twin_b = new RDB_TEXT_OBJECT("Twin");
    twin_b->set_text("second");
    twin_b->set_is_html(true);
    twin_b->set_enable(false);
    twin_b->set_visible(false);
    twin_b->set_string_trait("xml_test_label", "second twin");
    twin_b->set_float_trait("xml_test_scale", 2.5f);
    const std::byte bytes[] = {std::byte{0}, std::byte{0xFF}, std::byte{'%'}, std::byte{'\n'}};
    twin_b->set_byte_array_trait("xml_test_blob", bytes);
    fitter->add_object_to_list(twin_a);
    fitter->add_object_to_list(twin_b);

    auto* legal = new RDB_LEGAL_OBJECT("Legal Notice");
    legal->set_text("Copyright notice");
    legal->set_is_qml(true);
    main->add_object_to_list(legal);

    auto* link_table = new RDB_LINK_TABLE_OBJECT("Links");
    link_table->add_row(row_of({text_cell("Report"), text_cell("Panel")}));
    link_table->add_row(row_of({text_cell("fit"), text_cell("Summary")}));
    link_table->set_link_info("fit||Summary");
    link_table->set_alternating_row_colors(true);
    main->add_object_to_list(link_table);

    main->add_object_to_list(new RDB_INTERACTIVE_REPORT_DATA_OBJECT("Interactive", "{}", "json", "viewer"));
    auto* empty_folder = new RDB_MULTI_CORNER_FOLDER_OBJECT("Corners");
    empty_folder->set_header("no corners yet");
    main->add_object_to_list(empty_folder);
    return report;
}

const std::string GOLDEN_FILE = std::string(RDB_TEST_DATA_DIR) + "/golden/rdb_xml_sample_report.xml";

} // namespace

// Regenerate on purpose with RDB_REGENERATE_GOLDEN=1.
TEST(RdbXmlWriter, SampleReportMatchesGoldenFile)
{
    auto report = make_sample_report();
    const std::string xml = to_xml(*report);
    if (std::getenv("RDB_REGENERATE_GOLDEN") != nullptr) {
        std::ofstream(GOLDEN_FILE, std::ios::binary) << xml;
        GTEST_SKIP() << "golden file regenerated";
    }
    const std::string golden = read_bytes(GOLDEN_FILE);
    ASSERT_FALSE(golden.empty()) << GOLDEN_FILE;
    EXPECT_EQ(xml, golden);
}

TEST(RdbXmlRoundTrip, ReportReadsBackIntoTheSameDocumentAndTree)
{
    auto report = make_sample_report();
    const std::string first = to_xml(*report);
    auto read = from_xml(first);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(to_xml(*read), first);

    RDB_FOLDER_OBJECT* main = read->get_main_folder();
    EXPECT_EQ(main->get_name(), "Sample Report");
    EXPECT_EQ(main->get_int_trait("xml_test_rank", 0), 7);
    auto* fitter = main->find_object("Fitter")->dynamic_cast_to_RDB_FOLDER_OBJECT();
    ASSERT_NE(fitter, nullptr);
    EXPECT_EQ(fitter->get_footer(), "fitter footer");
    EXPECT_EQ(fitter->get_long_trait("xml_test_id", 0), -1234567890123LL);

    auto* table = fitter->find_object("Resource Usage")->dynamic_cast_to_RDB_TABLE_OBJECT();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->get_no_compact_format());
    EXPECT_FALSE(table->use_alternating_row_colors());
    EXPECT_TRUE(table->should_display_row_numbers());
    EXPECT_FALSE(table->uniform_row_heights());
    EXPECT_TRUE(table->use_alternating_hierarchical_row_colors());
    EXPECT_EQ(table->get_expand_level(), 2);
    EXPECT_EQ(table->hidden_columns(), (std::vector<unsigned>{2, 3}));
    EXPECT_EQ(table->get_disable_iname_lookup(), (std::vector<unsigned>{1}));
    EXPECT_EQ(table->get_tcl_command(), "report_resource");
    EXPECT_EQ(table->get_help_id(), "HELP_42");
    EXPECT_TRUE(table->get_bool_trait("xml_test_flag", false));
    ASSERT_EQ(table->get_number_of_rows(), 3u);
    const RDB_TABLE_ELEMENT* alms = table->get_element(1, 0, false);
    EXPECT_EQ(alms->get_foreground(), RDB_COLOR_BLUE);
    EXPECT_EQ(alms->get_background(), RDB_COLOR_GRAY93);
    const RDB_TABLE_ELEMENT* count = table->get_element(1, 1, false);
    ASSERT_NE(count->dynamic_cast_to_RDB_TABLE_INT_ELEMENT(), nullptr);
    EXPECT_EQ(count->get_int_element_data(), -17);
    EXPECT_EQ(count->get_tooltip(), "seventeen\nbelow");
    EXPECT_TRUE(table->get_element(2, 0, false)->has_tooltip());
    EXPECT_FALSE(table->get_element(2, 1, false)->has_tooltip());
    auto* where =
        const_cast<RDB_TABLE_ELEMENT*>(table->get_element(1, 2, false))->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT();
    ASSERT_NE(where, nullptr);
    auto* location = where->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT();
    ASSERT_NE(location, nullptr);
    EXPECT_EQ(location->get_string(), "top|a");
    EXPECT_EQ(location->get_location_schema_tcl_string(), "instance top|a");
    EXPECT_EQ(location->get_hierarchy_path(), "top|a|b");
    EXPECT_EQ(location->get_background(), RDB_COLOR_LIGHT_YELLOW);
    const RDB_TABLE_DELAY_ELEMENT* delay = table->get_element(2, 3, false)->dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT();
    ASSERT_NE(delay, nullptr);
    EXPECT_EQ(delay->get_delay(), -3);
    EXPECT_EQ(delay->get_display_option(), TABLE_DELAY_ELEMENT_NO_SLACK);

    auto* details = fitter->find_object("Details")->dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT();
    ASSERT_NE(details, nullptr);
    ASSERT_NE(details->get_master_table(), nullptr);
    EXPECT_EQ(details->get_master_table()->get_name(), "Master");
    ASSERT_EQ(details->get_detail_count(), 1u);
    auto* detail = details->get_detail_object(0)->dynamic_cast_to_RDB_TEXT_OBJECT();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(*detail->get_text(), "line one\nline\ttwo\r\n");

    // Siblings that share a name keep their own traits and flags.
    std::vector<RDB_TEXT_OBJECT*> twins;
    for (RDB_OBJECT* child : *fitter)
        if (child->get_name() == "Twin") twins.push_back(child->dynamic_cast_to_RDB_TEXT_OBJECT());
    ASSERT_EQ(twins.size(), 2u);
    EXPECT_EQ(twins[0]->get_string_trait("xml_test_label", ""), "first twin");
    EXPECT_EQ(twins[0]->get_double_trait("xml_test_ratio", 0), 0.1);
    EXPECT_TRUE(twins[0]->is_enable());
    EXPECT_EQ(twins[1]->get_string_trait("xml_test_label", ""), "second twin");
    EXPECT_EQ(twins[1]->get_float_trait("xml_test_scale", 0), 2.5f);
    EXPECT_EQ(twins[1]->get_byte_array_trait("xml_test_blob", {}).size(), 4u);
    EXPECT_TRUE(twins[1]->is_html());
    EXPECT_FALSE(twins[1]->is_enable());
    EXPECT_FALSE(twins[1]->is_visible());

    auto* summary = main->find_object("Flow Summary")->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT();
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->get_data_string(1, 1), "top & \"bottom\"");
    ASSERT_NE(summary->get_gauges(), nullptr);
    const RDB_GAUGES_DATA_ELEMENT* pins = summary->get_gauges()->get_data_at(1);
    ASSERT_NE(pins, nullptr);
    EXPECT_EQ(pins->name, "Pins");
    EXPECT_EQ(pins->m_min_range, -5);
    EXPECT_EQ(pins->m_max_range, 320);
    EXPECT_EQ(pins->m_status, 17);
    EXPECT_TRUE(pins->m_disable);
    EXPECT_EQ(summary->get_gauges()->get_data_at(2), nullptr);

    auto* legal = main->find_object("Legal Notice")->dynamic_cast_to_RDB_TEXT_OBJECT();
    ASSERT_NE(legal, nullptr);
    EXPECT_NE(legal->dynamic_cast_to_RDB_LEGAL_OBJECT(), nullptr);
    EXPECT_EQ(*legal->get_text(), "Copyright notice");
    EXPECT_TRUE(legal->is_qml());
    auto* links = main->find_object("Links")->dynamic_cast_to_RDB_LINK_TABLE_OBJECT();
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(links->get_link_info(), "fit||Summary");
    auto* interactive = main->find_object("Interactive")->dynamic_cast_to_RDB_TEXT_OBJECT();
    ASSERT_NE(interactive, nullptr);
    EXPECT_EQ(*interactive->get_text(),
              "This report does not have BAK support. Please recompile the design to view the report");
}

TEST(RdbXmlRoundTrip, PanelDocumentsReadBackIntoTheMainFolder)
{
    auto report = make_sample_report();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    for (const char* path :
         {"Flow Summary", "Fitter||Resource Usage", "Fitter||Twin", "Legal Notice", "Links", "Fitter"}) {
        SCOPED_TRACE(path);
        const RDB_OBJECT* panel = main->find_object(path);
        ASSERT_NE(panel, nullptr);
        const std::string first = to_xml(*panel);
        auto read = from_xml(first);
        ASSERT_NE(read, nullptr);
        const RDB_FOLDER_OBJECT* folder = panel->dynamic_cast_to_RDB_FOLDER_OBJECT();
        // A folder's panel is rooted at the folder; any other panel lands in the main folder.
        const RDB_OBJECT* copy = folder ? read->get_main_folder() : *read->get_main_folder()->begin();
        ASSERT_EQ(folder ? 0u : 1u, folder ? 0u : read->get_main_folder()->size());
        EXPECT_EQ(copy->get_name(), panel->get_name());
        EXPECT_EQ(to_xml(*copy), first);
    }
    // The panel of a non-folder starts with the object itself; its parent is the unnumbered null.
    const std::string table_panel = to_xml(*main->find_object("Links"));
    EXPECT_EQ(
        table_panel.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<link_table name=\"Links\" parent_id=\"1\" ", 0),
        0u);
}

TEST(RdbXmlWriter, EmptyReportLayout)
{
    RDB_REPORT report;
    EXPECT_EQ(to_xml(report),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<report>\n"
              "    <folders>\n"
              "        <root name_id=\"1\" name=\"Default Main Folder\"/>\n"
              "    </folders>\n"
              "    <panels>\n"
              "    </panels>\n"
              "    <dtraits>22 serialization::archive 18 1 7 4 BOOL 3 INT 4 LONG 5 FLOAT 6 DOUBLE 6 STRING "
              "10 BYTE_ARRAY 0 1 1 0 0&#10;</dtraits>\n"
              "</report>\n");
    std::ostringstream out;
    EXPECT_FALSE(rdb_xml_write(out, static_cast<const RDB_REPORT*>(nullptr)));
    EXPECT_TRUE(out.str().empty());
}

TEST(RdbXmlWriter, KindsWithoutAFileFormAreLeftOut)
{
    RDB_REPORT report;
    report.get_main_folder()->add_object_to_list(new RDB_GAUGES_OBJECT("Gauges", 2));
    auto* text = new RDB_TEXT_OBJECT("Kept");
    report.get_main_folder()->add_object_to_list(text);
    const std::string xml = to_xml(report);
    EXPECT_EQ(xml.find("Gauges"), std::string::npos);
    EXPECT_NE(xml.find("<text name=\"Kept\" parent_id=\"1\" enabled=\"true\">"), std::string::npos);
    auto read = from_xml(xml);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->get_main_folder()->size(), 1u);
}

// An unlisted cell class used to leave no element, shifting the later cells into the wrong columns.
TEST(RdbXmlMend, UnlistedCellClassKeepsItsColumnAsText)
{
    RDB_REPORT report;
    auto* table = new RDB_TABLE_OBJECT("Windows");
    auto* window = new RDB_TABLE_DATA_VALID_WINDOW_ELEMENT();
    window->set_window_min(-100);
    window->set_valid_min(-10);
    window->set_valid_max(20);
    window->set_window_max(100);
    window->set_foreground(RDB_COLOR_GREEN);
    table->add_row(row_of({text_cell("A"), window, new RDB_TABLE_INT_ELEMENT(5)}));
    report.get_main_folder()->add_object_to_list(table);
    auto read = from_xml(to_xml(report));
    ASSERT_NE(read, nullptr);
    auto* copy = (*read->get_main_folder()->begin())->dynamic_cast_to_RDB_TABLE_OBJECT();
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->get_row(0)->size(), 3u);
    EXPECT_EQ(copy->get_element(0, 1, false)->get_string(), window->get_string());
    EXPECT_EQ(copy->get_element(0, 1, false)->get_foreground(), RDB_COLOR_GREEN);
    EXPECT_EQ(copy->get_element(0, 2, false)->get_int_element_data(), 5);
}

// Embedded types 0 and 1 have no user text; writing their name used to stop the process.
TEST(RdbXmlMend, EveryEmbeddedTypeHasATextThatReadsBack)
{
    for (unsigned value = 0; value <= EMBEDDED_OBJECT_TEXT_EDITOR_TYPE; ++value) {
        const auto type = static_cast<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>(value);
        const char* text = rdb_xml_embedded_type_text(type);
        ASSERT_NE(text, nullptr) << value;
        EXPECT_EQ(rdb_get_rdb_embedded_object_embedded_type_enum_by_string(text), type) << text;
    }
    EXPECT_STREQ(rdb_xml_embedded_type_text(EMBEDDED_OBJECT_NO_EMBEDDED_TYPE), "EMBEDDED_OBJECT_NO_EMBEDDED_TYPE");
    EXPECT_STREQ(rdb_xml_embedded_type_text(EMBEDDED_OBJECT_HIERARCHY_TYPE), "hierarchy");
}

// Line breaks, carriage returns and tabs used to be written raw, so attribute normalisation turned
// them into blanks; other control bytes and invalid UTF-8 made the document unreadable.
TEST(RdbXmlMend, EscapingKeepsLineBreaksAndDropsWhatXmlForbids)
{
    EXPECT_EQ(rdb_xml_escape("a\"&'<>\x1A"
                             "b"),
              "a&quot;&amp;&apos;&lt;&gt;b");
    EXPECT_EQ(rdb_xml_escape("1\t2\n3\r4"), "1&#9;2&#10;3&#13;4");
    EXPECT_EQ(rdb_xml_escape(std::string("x\x01\x00y\xFF\xC3", 7)), "xy");
    EXPECT_EQ(rdb_xml_escape("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(rdb_xml_escape("\xED\xA0\x80\xEF\xBF\xBE|\xC0\xAF"), "|"); // surrogate, U+FFFE, overlong
    const std::string long_text(5000, '\xE2');
    EXPECT_EQ(rdb_xml_escape(long_text), "");
    std::string euros;
    for (int i = 0; i < 3000; ++i)
        euros += "\xE2\x82\xAC&";
    EXPECT_EQ(rdb_xml_escape(euros).size(), 3000u * 8u);

    RDB_REPORT report;
    auto* text = new RDB_TEXT_OBJECT("two\r\nlines\tand\x02 more");
    text->set_header("head\nline");
    text->set_text("body\r\n\tindented\x1A");
    report.get_main_folder()->add_object_to_list(text);
    auto read = from_xml(to_xml(report));
    ASSERT_NE(read, nullptr);
    auto* copy = (*read->get_main_folder()->begin())->dynamic_cast_to_RDB_TEXT_OBJECT();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->get_name(), "two\r\nlines\tand more");
    EXPECT_EQ(copy->get_header(), "head\nline");
    EXPECT_EQ(*copy->get_text(), "body\r\n\tindented");
}

// More gauges than the 20 slots the reader used to make stopped the process.
TEST(RdbXmlMend, SummaryWithManyGaugesReadsBack)
{
    RDB_REPORT report;
    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("Summary");
    auto* gauges = new RDB_GAUGES_OBJECT("g", 0);
    for (int i = 0; i < 150; ++i)
        gauges->add_data(
            new RDB_GAUGES_DATA_ELEMENT("gauge " + std::to_string(i), i % 2 == 0, -i, i * 2, i, i % 3 == 0));
    summary->set_gauges(gauges);
    report.get_main_folder()->add_object_to_list(summary);
    const std::string xml = to_xml(report);
    auto read = from_xml(xml);
    ASSERT_NE(read, nullptr);
    auto* copy = (*read->get_main_folder()->begin())->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT();
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->get_gauges(), nullptr);
    const RDB_GAUGES_DATA_ELEMENT* last = copy->get_gauges()->get_data_at(149);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->name, "gauge 149");
    EXPECT_EQ(last->m_min_range, -149);
    EXPECT_FALSE(last->m_percent);
    EXPECT_EQ(copy->get_gauges()->get_data_at(150), nullptr);
    EXPECT_EQ(to_xml(*read), xml);
}

// I/O failures of the writer used to be reported nowhere.
TEST(RdbXmlMend, FailedWritesAnswerFalse)
{
    auto report = make_sample_report();
    TEMP_DIR dir;
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        DEBUG_RECORDER rec;
        EXPECT_FALSE(rdb_write_xml_report(report.get(), dir.file("").c_str(), compressed));
        EXPECT_FALSE(rdb_write_xml_report(report.get(), dir.file("missing/sub/file.xml").c_str(), compressed));
        if (fs::exists("/dev/full")) {
            EXPECT_FALSE(rdb_write_xml_report(report.get(), "/dev/full", compressed));
            EXPECT_FALSE(rdb_write_xml_report(report->get_main_folder(), "/dev/full", compressed));
        }
        EXPECT_TRUE(rec.saw("Writing report to /dev/full"));
        EXPECT_TRUE(rec.saw("Writing report to /dev/full failed"));
        EXPECT_FALSE(
            rdb_write_xml_report(static_cast<const RDB_REPORT*>(nullptr), dir.file("null.xml").c_str(), compressed));
        EXPECT_FALSE(fs::exists(dir.file("null.xml")));
    }
    EXPECT_INTERNAL_ERROR(rdb_write_xml_report(report.get(), "", false), "gen_strlen(file) > 0");
    EXPECT_INTERNAL_ERROR(rdb_read_xml_report(""), "gen_strlen(file) > 0");
}

TEST(RdbXmlFiles, PlainAndGzipFilesReadBackAlike)
{
    auto report = make_sample_report();
    const std::string xml = to_xml(*report);
    TEMP_DIR dir;
    DEBUG_RECORDER rec;
    ASSERT_TRUE(rdb_write_xml_report(report.get(), dir.file("plain.xml").c_str(), false));
    ASSERT_TRUE(rdb_write_xml_report(report.get(), dir.file("packed.xml.gz").c_str(), true));
    EXPECT_TRUE(rec.saw("Writing report to " + dir.file("plain.xml")));
    EXPECT_EQ(read_bytes(dir.file("plain.xml")), xml);
    const std::string packed = read_bytes(dir.file("packed.xml.gz"));
    ASSERT_GT(packed.size(), 2u);
    EXPECT_EQ(packed.substr(0, 2), "\x1F\x8B");
    for (const char* name : {"plain.xml", "packed.xml.gz"}) {
        auto read = rdb_read_xml_report(dir.file(name).c_str());
        ASSERT_NE(read, nullptr) << name;
        EXPECT_EQ(to_xml(*read), xml);
    }
    // A truncated gzip file, a missing file and a directory give no report.
    std::ofstream(dir.file("cut.xml.gz"), std::ios::binary) << packed.substr(0, packed.size() / 2);
    EXPECT_EQ(rdb_read_xml_report(dir.file("cut.xml.gz").c_str()), nullptr);
    EXPECT_EQ(rdb_read_xml_report(dir.file("missing.xml").c_str()), nullptr);
    EXPECT_EQ(rdb_read_xml_report(dir.file("").c_str()), nullptr);

    ASSERT_TRUE(
        rdb_write_xml_report(report->get_main_folder()->find_object("Links"), dir.file("panel.xml").c_str(), true));
    auto panel = rdb_read_xml_report(dir.file("panel.xml").c_str());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ((*panel->get_main_folder()->begin())->get_name(), "Links");
}

TEST(RdbTinyNumberer, NumbersInOrderOfFirstRequest)
{
    struct NEAR_THE_END : RDB_TINY_NUMBERER {
        NEAR_THE_END() : RDB_TINY_NUMBERER(INT_MAX - 1) {}
    };
    RDB_TEXT_OBJECT a("a"), b("b");
    RDB_TINY_NUMBERER numberer;
    EXPECT_EQ(numberer.number(&a), 1);
    EXPECT_EQ(numberer.number(nullptr), 2);
    EXPECT_EQ(numberer.number(&a), 1);
    EXPECT_EQ(numberer.find(&b), 0);
    EXPECT_EQ(numberer.number(&b), 3);
    NEAR_THE_END last;
    EXPECT_EQ(last.number(&a), INT_MAX - 1);
    EXPECT_INTERNAL_ERROR(last.number(&b), "INT_MAX != m_last_number");
    EXPECT_EQ(last.number(&a), INT_MAX - 1);
}

namespace {

const std::string DECLARATION = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A report document around the given folders and panels.
std::string report_document(const std::string& folders, const std::string& panels)
{
    return DECLARATION + "<report><folders><root name_id=\"1\" name=\"M\"/>" + folders + "</folders><panels>" + panels +
           "</panels></report>";
}

std::string table_with(const std::string& attributes, const std::string& content, const std::string& expand_to = "-1",
                       const std::string& parent_id = "1")
{
    return "<table name=\"T\" parent_id=\"" + parent_id + "\" expand_to=\"" + expand_to + "\"" + attributes + ">" +
           content + "</table>";
}

} // namespace

TEST(RdbXmlReader, ReadsHandWrittenDocuments)
{
    DEBUG_RECORDER rec;
    auto report = from_xml(report_document(
        "<folder name_id=\"5\" name=\"5:Timing\"/><folder name=\"Plain:Name\"/>",
        "<FOLDER_REF name_id=\"5\" parent_id=\"1\" enabled=\"TRUE\" visible=\"False\" creator=\"x\"/>"
        "<folder_ref name=\"Plain:Name\" parent_id=\"1\"/>"
        "<text name=\"in plain\" parent=\"Plain:Name\"><ascii_text>hi</ascii_text><show_html>TRUE</show_html></text>"
        "<embedded name=\"fp\" parent_id=\"1\" type=\"FloorPlan\"><info>x</info></embedded>"
        "<chart name=\"c\" parent_id=\"1\" size=\"2\"><row><string_cell>x</string_cell></row></chart>" +
            table_with(" display_row_numbers=\"false\"",
                       "<row><delay_cell><delay> 7 </delay><display_option>sideways</display_option></delay_cell>"
                       "<iname_cell>i</iname_cell><restricted_to>z</restricted_to></row>"
                       "<row><delay_cell><delay>+8</delay><display_option>TABLE_DELAY_ELEMENT_NO_REQ</display_option></"
                       "delay_cell>"
                       "</row>")));
    ASSERT_NE(report, nullptr);
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    EXPECT_EQ(report->get_current_folder(), main);
    RDB_OBJECT* timing = main->find_object("Timing");
    ASSERT_NE(timing, nullptr);
    EXPECT_TRUE(timing->is_enable());
    EXPECT_FALSE(timing->is_visible());
    auto* text = main->find_object("Plain:Name||in plain")->dynamic_cast_to_RDB_TEXT_OBJECT();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->is_html());
    EXPECT_EQ(*text->get_text(), "hi");
    EXPECT_TRUE(rec.saw("Floorplan embedded type is no longer supported."));
    EXPECT_TRUE(rec.saw("Unrecognized enumeration type: sideways"));
    EXPECT_EQ(main->find_object("fp"), nullptr);
    EXPECT_EQ(main->find_object("c"), nullptr);
    auto* table = main->find_object("T")->dynamic_cast_to_RDB_TABLE_OBJECT();
    ASSERT_NE(table, nullptr);
    EXPECT_FALSE(table->should_display_row_numbers());
    const RDB_TABLE_DELAY_ELEMENT* first = table->get_element(0, 0, false)->dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->get_delay(), 7);
    EXPECT_EQ(first->get_display_option(), TABLE_DELAY_ELEMENT_NO_UNITS);
    EXPECT_EQ(table->get_element(0, 1, false)->get_string(), "i");
    EXPECT_EQ(table->get_element(1, 0, false)->dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT()->get_display_option(),
              TABLE_DELAY_ELEMENT_NO_REQ);
}

TEST(RdbXmlWriter, FoldersInsideFoldersAndInvisibleObjects)
{
    RDB_REPORT report;
    auto* outer = new RDB_FOLDER_OBJECT("Outer");
    auto* inner = new RDB_FOLDER_OBJECT("Inner");
    auto* hidden = new RDB_TEXT_OBJECT("Hidden");
    hidden->set_visible(false);
    report.get_main_folder()->add_object_to_list(outer);
    outer->add_object_to_list(inner);
    inner->add_object_to_list(hidden);
    outer->add_object_to_list(new RDB_TEXT_OBJECT("Shown"));
    const std::string xml = to_xml(report);
    EXPECT_NE(xml.find("        <folder name_id=\"2\" name=\"2:Outer\" master_detail=\"false\"/>\n"
                       "        <folder name_id=\"3\" name=\"3:Inner\" master_detail=\"false\"/>\n"),
              std::string::npos);
    EXPECT_NE(xml.find("        <folder_ref name_id=\"2\" parent_id=\"1\" enabled=\"true\">\n        </folder_ref>\n"
                       "        <folder_ref name_id=\"3\" parent_id=\"2\" enabled=\"true\">\n        </folder_ref>\n"
                       "        <text name=\"Hidden\" parent_id=\"3\" enabled=\"true\" visible=\"false\">\n"),
              std::string::npos);
    EXPECT_NE(xml.find("<text name=\"Shown\" parent_id=\"2\" enabled=\"true\">\n"), std::string::npos);
}

// A link folder shows another report's folder; one that leads back into its own report used to make
// the walk endless.
TEST(RdbXmlWriter, LinkFoldersAreWrittenOnceWithTheirLinkedContent)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    auto* linked = new RDB_REPORT();
    linked->get_main_folder()->add_object_to_list(new RDB_TEXT_OBJECT("Linked Text"));
    auto* sub = new RDB_FOLDER_OBJECT("Linked Sub");
    linked->get_main_folder()->add_object_to_list(sub);
    RDB_REPORT::add_report("rev", "linked", linked);
    auto* self = new RDB_REPORT();
    RDB_REPORT::add_report("rev", "self", self);

    auto* to_linked = new RDB_LINK_RPT_OBJECT("To Linked");
    to_linked->set_rev_name_and_rpt_type("rev", "linked", false);
    auto* again = new RDB_LINK_RPT_OBJECT("Again");
    again->set_rev_name_and_rpt_type("rev", "linked", false);
    auto* to_self = new RDB_LINK_RPT_OBJECT("To Self");
    to_self->set_rev_name_and_rpt_type("rev", "self", false);
    self->get_main_folder()->add_object_to_list(to_linked);
    self->get_main_folder()->add_object_to_list(again);
    self->get_main_folder()->add_object_to_list(to_self);

    const std::string xml = to_xml(*self);
    auto read = from_xml(xml);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(to_xml(*read), xml);
    RDB_FOLDER_OBJECT* main = read->get_main_folder();
    ASSERT_NE(main->find_object("To Linked||Linked Text"), nullptr);
    ASSERT_NE(main->find_object("To Linked||Linked Sub"), nullptr);
    EXPECT_TRUE(main->find_object("Again")->dynamic_cast_to_RDB_FOLDER_OBJECT()->empty());
    EXPECT_TRUE(main->find_object("To Self")->dynamic_cast_to_RDB_FOLDER_OBJECT()->empty());
    RDB_REPORT::free_all_reports();
}

// Malformed documents used to stop the process, leak the objects already made or give half a
// report; each now gives no report.
TEST(RdbXmlMend, MalformedDocumentsGiveNoReport)
{
    const std::string cell_row = "<row><string_cell>x</string_cell></row>";
    const std::pair<const char*, std::string> cases[] = {
        {"empty text", ""},
        {"not well-formed", DECLARATION + "<report><folders></report>"},
        {"two top-level elements", DECLARATION + "<text name=\"a\"/><text name=\"b\"/>"},
        {"name_id not a number",
         DECLARATION + "<report><folders><root name_id=\"one\" name=\"M\"/></folders></report>"},
        {"name_id overflows",
         DECLARATION + "<report><folders><root name_id=\"99999999999\" name=\"M\"/></folders></report>"},
        {"second root", report_document("<root name_id=\"2\" name=\"N\"/>", "")},
        {"folder number twice",
         report_document("<folder name_id=\"2\" name=\"2:a\"/><folder name_id=\"2\" name=\"2:b\"/>",
                         "<folder_ref name_id=\"2\" parent_id=\"1\"/>")},
        {"folder_ref of no folder", report_document("", "<folder_ref name_id=\"7\" parent_id=\"1\"/>")},
        {"folder_ref twice",
         report_document("<folder name_id=\"2\" name=\"2:a\"/>",
                         "<folder_ref name_id=\"2\" parent_id=\"1\"/><folder_ref name_id=\"2\" parent_id=\"1\"/>")},
        {"root placed again", report_document("", "<folder_ref name_id=\"1\" parent_id=\"1\"/>")},
        {"folder never placed", report_document("<folder name_id=\"2\" name=\"2:a\"/>", "")},
        {"cycle of folders",
         report_document("<folder name_id=\"2\" name=\"2:a\"/><folder name_id=\"3\" name=\"3:b\"/>",
                         "<folder_ref name_id=\"2\" parent_id=\"3\"/><folder_ref name_id=\"3\" parent_id=\"2\"/>")},
        {"folder inside itself",
         report_document("<folder name_id=\"2\" name=\"2:a\"/>", "<folder_ref name_id=\"2\" parent_id=\"2\"/>")},
        {"unknown parent id", report_document("", "<text name=\"t\" parent_id=\"9\"/>")},
        {"parent id not a number", report_document("", "<text name=\"t\" parent_id=\"1x\"/>")},
        {"no parent at all", report_document("", "<text name=\"t\"/>")},
        {"expand_to empty", report_document("", "<table name=\"T\" parent_id=\"1\"/>")},
        {"expand_to overflows", report_document("", table_with("", "", "2147483648"))},
        {"int_cell not a number", report_document("", table_with("", "<row><int_cell>12a</int_cell></row>"))},
        {"int_cell overflows", report_document("", table_with("", "<row><int_cell>-2147483649</int_cell></row>"))},
        {"delay not a number",
         report_document("", table_with("", "<row><delay_cell><delay>x</delay></delay_cell></row>"))},
        {"cell before any row", report_document("", table_with("", "<string_cell>x</string_cell>" + cell_row))},
        {"cell after its row", report_document("", table_with("", cell_row + "<int_cell>1</int_cell>"))},
        {"row inside a row", report_document("", table_with("", "<row><row/></row>"))},
        {"hidden column negative", report_document("", table_with("", "<hidden_column>-1</hidden_column>"))},
        {"gauge outside gauges",
         report_document("", "<summary name=\"S\" parent_id=\"1\"><gauge name=\"g\"/></summary>")},
        {"gauge value not a number", report_document("", "<summary name=\"S\" parent_id=\"1\"><gauges><gauge "
                                                         "name=\"g\"><min>low</min></gauge></gauges></summary>")},
        {"master table not a table",
         report_document("<folder name_id=\"2\" name=\"2:md\" master_detail=\"true\"/>",
                         "<folder_ref name_id=\"2\" parent_id=\"1\"/><text name=\"t\" parent_id=\"2\"/>")},
        {"truncated", report_document("", table_with("", cell_row)).substr(0, 120)},
    };
    for (const auto& [what, text] : cases) {
        DEBUG_RECORDER rec;
        EXPECT_EQ(from_xml(text), nullptr) << what << "\n" << text;
        bool reported = false;
        for (const DEBUG_LINE& line : rec.lines())
            reported |= line.text.rfind("XML report is not valid: ", 0) == 0;
        EXPECT_TRUE(reported) << what;
    }
    // The same documents without their fault read.
    EXPECT_NE(from_xml(report_document("", table_with("", cell_row + "<row><int_cell>-2147483648</int_cell></row>"))),
              nullptr);
    EXPECT_NE(from_xml(report_document("<folder name_id=\"2\" name=\"2:md\" master_detail=\"true\"/>",
                                       "<folder_ref name_id=\"2\" parent_id=\"1\"/>" + table_with("", "", "-1", "2"))),
              nullptr);
}

// The parser used to resolve DTDs and external entities: a document could read local files or
// reach the network.
TEST(RdbXmlMend, ExternalEntitiesAndDtdsAreNotResolved)
{
    TEMP_DIR dir;
    std::ofstream(dir.file("secret.txt")) << "TOP-SECRET";
    const std::string with_entity =
        DECLARATION + "<!DOCTYPE report [<!ENTITY secret SYSTEM \"file://" + dir.file("secret.txt") +
        "\">]>\n<report><folders><root name_id=\"1\" name=\"M\"/>"
        "</folders><panels><text name=\"t\" parent_id=\"1\"><ascii_text>&secret;</ascii_text>"
        "</text></panels></report>";
    // The external entity reads as empty text.
    auto report = from_xml(with_entity);
    ASSERT_NE(report, nullptr);
    auto* text = (*report->get_main_folder()->begin())->dynamic_cast_to_RDB_TEXT_OBJECT();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(*text->get_text(), "");
    // An external DTD is not fetched: the document reads as if it had none.
    const std::string with_dtd = DECLARATION + "<!DOCTYPE report SYSTEM \"http://127.0.0.1:9/rdb.dtd\">\n" +
                                 report_document("", "").substr(DECLARATION.size());
    EXPECT_NE(from_xml(with_dtd), nullptr);
    const std::string with_local_dtd = DECLARATION + "<!DOCTYPE report SYSTEM \"" + dir.file("secret.txt") + "\">\n" +
                                       report_document("", "").substr(DECLARATION.size());
    EXPECT_NE(from_xml(with_local_dtd), nullptr);

    // Entity expansion is bounded.
    std::string bomb = DECLARATION + "<!DOCTYPE report [<!ENTITY a0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i) {
        const std::string previous = "&a" + std::to_string(i - 1) + ";";
        std::string value;
        for (int k = 0; k < 10; ++k)
            value += previous;
        bomb += "<!ENTITY a" + std::to_string(i) + " \"" + value + "\">";
    }
    bomb += "]>\n<report><folders><root name_id=\"1\" name=\"M\"/></folders><panels><text name=\"t\" parent_id=\"1\">"
            "<ascii_text>&a9;</ascii_text></text></panels></report>";
    EXPECT_EQ(from_xml(bomb), nullptr);
}

// Run under the sanitizer build: no cut of a document crashes or leaks.
TEST(RdbXmlMend, EveryTruncationOfADocumentIsHandled)
{
    RDB_REPORT report;
    auto* folder = new RDB_FOLDER_OBJECT("F");
    folder->set_int_trait("xml_test_rank", 3);
    report.get_main_folder()->add_object_to_list(folder);
    auto* table = new RDB_TABLE_OBJECT("T");
    table->add_row(row_of({text_cell("a", RDB_COLOR_RED), new RDB_TABLE_INT_ELEMENT(1)}));
    folder->add_object_to_list(table);
    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("S");
    summary->add_row(rdb_create_row("k", "v"));
    auto* gauges = new RDB_GAUGES_OBJECT("g", 1);
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("g", true, 0, 1, 1, false));
    summary->set_gauges(gauges);
    folder->add_object_to_list(summary);
    report.get_main_folder()->add_object_to_list(new RDB_TEXT_OBJECT("X"));
    const std::string xml = to_xml(report);
    const std::size_t end_of_report = xml.rfind("</report>") + std::string("</report>").size();
    for (std::size_t length = 0; length < xml.size(); ++length) {
        DEBUG_RECORDER quiet;
        auto read = from_xml(xml.substr(0, length));
        if (length < end_of_report)
            EXPECT_EQ(read, nullptr) << length;
        else
            EXPECT_NE(read, nullptr) << length;
    }
}
