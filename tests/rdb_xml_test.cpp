// XML report files: the document layout (golden file), round trips of reports and panels, the
// reader's defences against malformed and hostile documents, and the writer's I/O failures.

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "pdb/pdb.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_tiny_numberer.h"
#include "rdb_utility.h"
#include "rdb_xml.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// The first object of a report's main folder as T, or null.
template <class T> T* first_as(const std::unique_ptr<RDB_REPORT>& report)
{
    if (!report || report->get_main_folder()->empty()) return nullptr;
    return dynamic_cast<T*>(*report->get_main_folder()->begin());
}

// A directory of its own for the files of one test, removed afterwards.
struct TEMP_DIR {
    fs::path m_path = fs::temp_directory_path() / ("rdb_xml_test_" + std::to_string(getpid()));
    TEMP_DIR() { fs::create_directories(m_path); }
    ~TEMP_DIR() { fs::remove_all(m_path); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }
};

RDB_TABLE_ROW* row_of(std::initializer_list<RDB_TABLE_ELEMENT*> cells) { return new RDB_TABLE_ROW(cells); }

RDB_TABLE_STRING_ELEMENT* text_cell(const std::string& text, RDB_COLOR_NAME fg = RDB_COLOR_DEFAULT,
                                    RDB_COLOR_NAME bg = RDB_COLOR_DEFAULT)
{
    auto* cell = new RDB_TABLE_STRING_ELEMENT(text);
    cell->set_foreground(fg);
    cell->set_background(bg);
    return cell;
}

template <class T> T* put(RDB_FOLDER_OBJECT* parent, T* object)
{
    parent->add_object_to_list(object);
    return object;
}

// One report with every object kind, cell kind, flag and trait kind the format carries.
std::unique_ptr<RDB_REPORT> make_sample_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    auto* main = new RDB_FOLDER_OBJECT("Sample Report");
    report->add_main_folder(main);
    main->set_int_trait("xml_test_rank", 7);
    main->set_header("Sample <header>");
    main->set_timing_corner("fast 0C");

    auto* summary = put(main, new RDB_SUMMARY_TABLE_OBJECT("Flow Summary"));
    summary->add_row(rdb_create_row("Flow Status", "Successful"));
    summary->add_row(rdb_create_row("Revision Name", "top & \"bottom\""));
    auto* gauges = new RDB_GAUGES_OBJECT("gauges", 3);
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic utilization", true, 0, 100, 42, false));
    gauges->set_data_at(1, new RDB_GAUGES_DATA_ELEMENT("Pins", false, -5, 320, 17, true));
    summary->set_gauges(gauges);
    summary->set_header("Summary <header>");

    auto* fitter = put(main, new RDB_FOLDER_OBJECT("Fitter"));
    fitter->set_footer("fitter footer");
    fitter->set_checked(1, false);
    fitter->set_long_trait("xml_test_id", -1234567890123LL);
    report->set_current_folder(fitter);

    auto* table = put(fitter, new RDB_TABLE_OBJECT("Resource Usage"));
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
    table->hide_columns({2, 3});
    table->disable_iname_lookup_for_col(1);
    table->set_no_compact_format(true);
    table->set_alternating_row_colors(false);
    table->set_uniform_row_heights(false);
    table->set_alternate_hierarchical_row_colors(true);
    table->expand_to_level(2);
    table->set_tcl_command("report_resource");
    table->set_help_id("HELP_42");
    table->set_color(RDB_COLOR_VEXA_BLUE);
    table->set_sort_enabled(false);
    table->set_bool_trait("xml_test_flag", true);

    auto* details = put(fitter, new RDB_MASTER_DETAIL_OBJECT("Details"));
    auto* master = new RDB_TABLE_OBJECT("Master");
    master->add_row(row_of({text_cell("Key")}));
    details->add_master_table(master);
    auto* detail_text = new RDB_TEXT_OBJECT("Detail");
    detail_text->set_text("line one\nline\ttwo\r\n");
    details->add_detail_object(detail_text);

    // Siblings that share a name, each with its own traits.
    auto* twin_a = put(fitter, new RDB_TEXT_OBJECT("Twin"));
    twin_a->set_text("first");
    twin_a->set_string_trait("xml_test_label", "first twin");
    twin_a->set_double_trait("xml_test_ratio", 0.1);
    auto* twin_b = put(fitter, new RDB_TEXT_OBJECT("Twin"));
    twin_b->set_text("second");
    twin_b->set_is_html(true);
    twin_b->set_is_webkit_html(true);
    twin_b->set_enable(false);
    twin_b->set_visible(false);
    twin_b->set_string_trait("xml_test_label", "second twin");
    twin_b->set_float_trait("xml_test_scale", 2.5f);
    const std::byte bytes[] = {std::byte{0}, std::byte{0xFF}, std::byte{'%'}, std::byte{'\n'}};
    twin_b->set_byte_array_trait("xml_test_blob", bytes);

    auto* legal = put(main, new RDB_LEGAL_OBJECT("Legal Notice"));
    legal->set_text("Copyright notice");
    legal->set_is_qml(true);

    auto* link_table = put(main, new RDB_LINK_TABLE_OBJECT("Links"));
    link_table->add_row(row_of({text_cell("Report"), text_cell("Panel")}));
    link_table->add_row(row_of({text_cell("fit"), text_cell("Summary")}));
    link_table->set_link_info("fit||Summary");
    link_table->set_alternating_row_colors(true);

    put(main, new RDB_INTERACTIVE_REPORT_DATA_OBJECT("Interactive", "{}", "json", "viewer"));
    put(main, new RDB_MULTI_CORNER_FOLDER_OBJECT("Corners"))->set_header("no corners yet");
    return report;
}

const std::string DECLARATION = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A report document around the given folders and panels.
std::string report_document(const std::string& folders, const std::string& panels)
{
    return DECLARATION + "<report><folders><root name_id=\"1\" name=\"M\"/>" + folders + "</folders><panels>" + panels +
           "</panels></report>";
}

std::string table_with(const std::string& content, const std::string& expand_to = "-1",
                       const std::string& parent_id = "1")
{
    return "<table name=\"T\" parent_id=\"" + parent_id + "\" expand_to=\"" + expand_to + "\">" + content + "</table>";
}

} // namespace

TEST(RdbXmlWriter, SampleReportMatchesGoldenFile)
{
    expect_golden("rdb_xml_sample_report.xml", xml_of(*make_sample_report()));
}

// Reading a document and writing it again gives the same bytes (traits and flags of siblings that share
// a name included), so the checks below are only for what the bytes cannot show.
TEST(RdbXmlRoundTrip, ReportReadsBackIntoTheSameDocumentAndTree)
{
    const std::string first = xml_of(*make_sample_report());
    auto read = report_from_xml(first);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(xml_of(*read), first);
    auto* twin = read->get_main_folder()->find_object("Fitter||Twin");
    EXPECT_EQ(twin->get_double_trait("xml_test_ratio", 0), 0.1);
    // The empty third gauge slot is not written and reads back as no gauge.
    auto* summary = read->get_main_folder()->find_object("Flow Summary")->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT();
    ASSERT_TRUE(summary && summary->get_gauges() && summary->get_gauges()->get_data_at(1));
    EXPECT_EQ(summary->get_gauges()->get_data_at(2), nullptr);
}

TEST(RdbXmlRoundTrip, PanelDocumentsReadBackIntoTheMainFolder)
{
    auto report = make_sample_report();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    for (const char* path :
         {"Flow Summary", "Fitter||Resource Usage", "Fitter||Twin", "Legal Notice", "Links", "Fitter"}) {
        SCOPED_TRACE(path);
        const RDB_OBJECT* panel = main->find_object(path);
        const std::string first = xml_of(*panel);
        auto read = report_from_xml(first);
        ASSERT_NE(read, nullptr);
        // A folder's panel is rooted at the folder; any other panel lands in the main folder.
        const RDB_FOLDER_OBJECT* folder = panel->dynamic_cast_to_RDB_FOLDER_OBJECT();
        ASSERT_EQ(read->get_main_folder()->size(), folder ? folder->size() : 1u);
        const RDB_OBJECT* copy = folder ? read->get_main_folder() : *read->get_main_folder()->begin();
        EXPECT_EQ(copy->get_name(), panel->get_name());
        EXPECT_EQ(xml_of(*copy), first);
    }
    // The panel of a non-folder starts with the object itself; its parent is the unnumbered null.
    EXPECT_EQ(xml_of(*main->find_object("Links")).rfind(DECLARATION + "<link_table name=\"Links\" parent_id=\"1\" ", 0),
              0u);
}

TEST(RdbXmlWriter, NullReportsAndKindsWithoutAFileFormAreLeftOut)
{
    std::ostringstream out;
    EXPECT_FALSE(rdb_xml_write(out, static_cast<const RDB_REPORT*>(nullptr)));
    EXPECT_TRUE(out.str().empty());
    // A kind without a file form: an object of no kind.
    struct BARE : RDB_OBJECT {
        BARE() : RDB_OBJECT("Bare") {}
    };
    RDB_REPORT report;
    put(report.get_main_folder(), new BARE());
    put(report.get_main_folder(), new RDB_TEXT_OBJECT("Kept"));
    const std::string xml = xml_of(report);
    EXPECT_EQ(xml.find("Bare"), std::string::npos);
    auto read = report_from_xml(xml);
    ASSERT_TRUE(read && read->get_main_folder()->size() == 1u);
}

// Embedded types 0 and 1 have no user text: the writer names them by their debug text. That every type's
// text reads back is shown by the embedded objects' round trip.
TEST(RdbXmlEnumTexts, EmbeddedTypesWithoutAUserTextHaveTheirDebugText)
{
    EXPECT_STREQ(rdb_xml_embedded_type_text(EMBEDDED_OBJECT_NO_EMBEDDED_TYPE), "EMBEDDED_OBJECT_NO_EMBEDDED_TYPE");
    EXPECT_STREQ(rdb_xml_embedded_type_text(EMBEDDED_OBJECT_HIERARCHY_TYPE), "hierarchy");
}

// Line breaks, carriage returns and tabs are written as character references, or attribute
// normalisation would turn them into blanks; other control bytes and invalid UTF-8 are dropped, or the
// document would not read.
TEST(RdbXmlControlBytes, LineBreaksAndControlBytesSurviveARoundTrip)
{
    RDB_REPORT report;
    auto* text = put(report.get_main_folder(), new RDB_TEXT_OBJECT("two\r\nlines\tand\x02 more"));
    text->set_header("head\nline");
    text->set_text("body\r\n\tindented\x1A");
    auto read = report_from_xml(xml_of(report));
    auto* copy = first_as<RDB_TEXT_OBJECT>(read);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->get_name(), "two\r\nlines\tand more");
    EXPECT_EQ(copy->get_header(), "head\nline");
    EXPECT_EQ(*copy->get_text(), "body\r\n\tindented");
}

// The texts this library adds to the format (timing corner, link key, interactive data, the main
// folder's texts, a raw checked/expanded suffix, a command cell's command) are percent-encoded where
// escaping would drop bytes.
TEST(RdbXmlRoundTrip, OwnTextsReadBackByteForByte)
{
    const std::string nasty =
        std::string("q\"'&<script>alert(1)</script>||a\nb\r\n\t%41%\x01\x1B\x7F\xFF\xC3(\xED\xA0\x80", 50) + '\0' +
        "\xE2\x82\xAC end";
    RDB_REPORT report;
    RDB_FOLDER_OBJECT* main = report.get_main_folder();
    report.set_current_folder(main);
    main->set_header(nasty);
    main->set_footer("x_CHECKED_1" + nasty + "_CHECKED_" + nasty);
    main->set_tcl_command(nasty);
    main->set_help_id(nasty);
    put(main, new RDB_LINK_RPT_OBJECT("Link"))->set_rev_name_and_rpt_type(nasty, nasty + "2", false);
    put(main, new RDB_INTERACTIVE_REPORT_DATA_OBJECT("Data", nasty, nasty + "3", nasty + "4"))
        ->set_timing_corner(nasty);
    put(main, new RDB_TABLE_OBJECT("Cells"))->add_row(row_of({new RDB_TABLE_TCL_CMD_ELEMENT("run", nasty)}));
    auto read = report_from_xml(xml_of(report));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->get_main_folder()->get_header(), nasty);
    EXPECT_EQ(read->get_main_folder()->find_object("Data")->get_timing_corner(), nasty);
    EXPECT_EQ(encode_report(*read), encode_report(report));
}

// A summary with far more gauges than a panel usually has reads back whole.
TEST(RdbXmlOversizedInput, SummaryWithManyGaugesReadsBack)
{
    RDB_REPORT report;
    auto* gauges = new RDB_GAUGES_OBJECT("g", 0);
    for (int i = 0; i < 150; ++i)
        gauges->add_data(new RDB_GAUGES_DATA_ELEMENT("gauge " + std::to_string(i), true, -i, i * 2, i, false));
    put(report.get_main_folder(), new RDB_SUMMARY_TABLE_OBJECT("Summary"))->set_gauges(gauges);
    const std::string xml = xml_of(report);
    auto read = report_from_xml(xml);
    auto* copy = first_as<RDB_SUMMARY_TABLE_OBJECT>(read);
    ASSERT_TRUE(copy && copy->get_gauges() && copy->get_gauges()->get_data_at(149));
    EXPECT_EQ(copy->get_gauges()->get_data_at(150), nullptr);
    EXPECT_EQ(xml_of(*read), xml);
}

// A target that cannot be written (a folder, a missing folder, a full device) gives false and a debug line.
TEST(RdbXmlUnwritableTarget, FailedWritesAnswerFalse)
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
            EXPECT_TRUE(rec.saw("Writing report to /dev/full"));
            EXPECT_TRUE(rec.saw("Writing report to /dev/full failed"));
        }
        EXPECT_FALSE(
            rdb_write_xml_report(static_cast<const RDB_REPORT*>(nullptr), dir.file("null.xml").c_str(), compressed));
        EXPECT_FALSE(fs::exists(dir.file("null.xml")));
    }
    EXPECT_INTERNAL_ERROR(rdb_write_xml_report(report.get(), "", false), "gen_strlen(file) > 0");
    EXPECT_INTERNAL_ERROR(rdb_read_xml_report(""), "gen_strlen(file) > 0");
}

// A write that fails at the last step leaves the previous file whole and no temporary file beside it.
TEST(RdbXmlUnwritableTarget, FailedReplacementKeepsThePreviousFile)
{
    auto report = make_sample_report();
    TEMP_DIR dir;
    const std::string kept = dir.file("kept.xml");
    std::ofstream(kept, std::ios::binary) << "previous";
    const PDB_WRITE_FAULT_HOOK previous =
        pdb_set_write_fault_hook([](PDB_WRITE_STEP step) { return step == PDB_WRITE_STEP::RENAME; });
    for (bool compressed : {false, true})
        EXPECT_FALSE(rdb_write_xml_report(report.get(), kept.c_str(), compressed));
    pdb_set_write_fault_hook(previous);
    EXPECT_EQ(read_file(kept), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("")), fs::directory_iterator()), 1);
}

TEST(RdbXmlFiles, PlainAndGzipFilesReadBackAlike)
{
    auto report = make_sample_report();
    const std::string xml = xml_of(*report);
    TEMP_DIR dir;
    ASSERT_TRUE(rdb_write_xml_report(report.get(), dir.file("plain.xml").c_str(), false));
    ASSERT_TRUE(rdb_write_xml_report(report.get(), dir.file("packed.xml.gz").c_str(), true));
    EXPECT_EQ(read_file(dir.file("plain.xml")), xml);
    const std::string packed = read_file(dir.file("packed.xml.gz"));
    EXPECT_EQ(packed.substr(0, 2), "\x1F\x8B");
    for (const char* name : {"plain.xml", "packed.xml.gz"}) {
        auto read = rdb_read_xml_report(dir.file(name).c_str());
        EXPECT_TRUE(read && xml_of(*read) == xml) << name;
    }
    // A truncated gzip file and a directory give no report.
    std::ofstream(dir.file("cut.xml.gz"), std::ios::binary) << packed.substr(0, packed.size() / 2);
    EXPECT_EQ(rdb_read_xml_report(dir.file("cut.xml.gz").c_str()), nullptr);
    EXPECT_EQ(rdb_read_xml_report(dir.file("").c_str()), nullptr);
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
    NEAR_THE_END last;
    EXPECT_EQ(last.number(&a), INT_MAX - 1);
    EXPECT_INTERNAL_ERROR(last.number(&b), "INT_MAX != m_last_number");
}

// Names and booleans in any case, an "info" element inside an embedded object, kinds this library
// does not build (skipped with a debug line) and unknown enumeration texts (the default).
TEST(RdbXmlReader, ReadsHandWrittenDocuments)
{
    DEBUG_RECORDER rec;
    auto report = report_from_xml(report_document(
        "<folder name_id=\"5\" name=\"5:Timing\"/><folder name=\"Plain:Name\"/>",
        "<FOLDER_REF name_id=\"5\" parent_id=\"1\" enabled=\"TRUE\" visible=\"False\" creator=\"x\"/>"
        "<folder_ref name=\"Plain:Name\" parent_id=\"1\"/>"
        "<text name=\"in plain\" parent=\"Plain:Name\"><ascii_text>hi</ascii_text><show_html>TRUE</show_html></text>"
        "<embedded name=\"fp\" parent_id=\"1\" type=\"FloorPlan\"><info>x</info></embedded>"
        "<sketch name=\"c\" parent_id=\"1\" size=\"2\"><row><string_cell>x</string_cell></row></sketch>"
        "<table name=\"T\" parent_id=\"1\" expand_to=\"-1\" display_row_numbers=\"false\">"
        "<row><delay_cell><delay> 7 </delay><display_option>sideways</display_option></delay_cell>"
        "<iname_cell>i</iname_cell><restricted_to>z</restricted_to><string_cell kind=\"spark\">s</string_cell></row>"
        "</table>"));
    ASSERT_NE(report, nullptr);
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    EXPECT_EQ(report->get_current_folder(), main);
    RDB_OBJECT* timing = main->find_object("Timing");
    ASSERT_NE(timing, nullptr);
    EXPECT_TRUE(timing->is_enable() && !timing->is_visible());
    auto* text = main->find_object("Plain:Name||in plain")->dynamic_cast_to_RDB_TEXT_OBJECT();
    ASSERT_TRUE(text && text->is_html());
    EXPECT_TRUE(rec.saw("Floorplan embedded type is no longer supported."));
    EXPECT_TRUE(rec.saw("Unrecognized enumeration type: sideways"));
    EXPECT_EQ(main->find_object("fp"), nullptr);
    EXPECT_EQ(main->find_object("c"), nullptr);
    auto* table = main->find_object("T")->dynamic_cast_to_RDB_TABLE_OBJECT();
    ASSERT_TRUE(table && !table->should_display_row_numbers());
    const RDB_TABLE_DELAY_ELEMENT* delay = table->get_element(0, 0, false)->dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT();
    ASSERT_TRUE(delay && delay->get_delay() == 7 && delay->get_display_option() == TABLE_DELAY_ELEMENT_NO_UNITS);
    EXPECT_EQ(table->get_element(0, 1, false)->get_string(), "i");
    EXPECT_TRUE(rec.saw("Unrecognized enumeration type: spark"));
    EXPECT_EQ(table->get_element(0, 2, false)->get_string(), "s");
}

// A link folder shows another report's folder; one that leads back into its own report used to make
// the walk endless. Read back, a link is a link again: the linked content written for other readers
// is neither copied into the registered report nor kept in the copy.
TEST(RdbXmlWriter, LinkFoldersAreWrittenOnceWithTheirLinkedContent)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    auto* linked = new RDB_REPORT();
    put(put(linked->get_main_folder(), new RDB_FOLDER_OBJECT("Linked Sub")), new RDB_TEXT_OBJECT("Deep"))
        ->set_int_trait("xml_test_rank", 1);
    RDB_REPORT::add_report("rev", "linked", linked);
    auto* self = new RDB_REPORT();
    self->set_current_folder(self->get_main_folder());
    RDB_REPORT::add_report("rev", "self", self);
    for (const auto& [name, type] : {std::pair{"To Linked", "linked"}, {"Again", "linked"}, {"To Self", "self"}})
        put(self->get_main_folder(), new RDB_LINK_RPT_OBJECT(name))->set_rev_name_and_rpt_type("rev", type, false);
    const std::string xml = xml_of(*self);
    EXPECT_EQ(xml.find("name=\"Linked Sub\""), xml.rfind("name=\"Linked Sub\""));
    EXPECT_NE(xml.find("<text name=\"Deep\""), std::string::npos);
    RDB_OBJECT* deep = linked->get_main_folder()->find_object("Linked Sub||Deep");
    deep->set_int_trait("xml_test_rank", 2);
    auto read = report_from_xml(xml);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(encode_report(*read), encode_report(*self));
    EXPECT_EQ(as<RDB_LINK_RPT_OBJECT>(read->get_main_folder()->find_object("Again")).get_link_rpt(), linked);
    EXPECT_EQ(linked->get_main_folder()->size(), 1u);
    EXPECT_EQ(deep->get_int_trait("xml_test_rank", 0), 2);
    RDB_REPORT::free_all_reports();
}

// A malformed document gives no report: not a stopped process, not the objects made so far leaked, not
// half a report.
TEST(RdbXmlHostileInput, MalformedDocumentsGiveNoReport)
{
    const std::string cell_row = "<row><string_cell>x</string_cell></row>";
    const std::string folder_a = "<folder name_id=\"2\" name=\"2:a\"/>";
    const std::string ref_a = "<folder_ref name_id=\"2\" parent_id=\"1\"/>";
    const std::string master = "<folder name_id=\"2\" name=\"2:md\" master_detail=\"true\"/>";
    const std::pair<const char*, std::string> cases[] = {
        {"empty text", ""},
        {"not well-formed", DECLARATION + "<report><folders></report>"},
        {"name_id overflows",
         DECLARATION + "<report><folders><root name_id=\"99999999999\" name=\"M\"/></folders></report>"},
        {"second root", report_document("<root name_id=\"2\" name=\"N\"/>", "")},
        {"folder number twice", report_document(folder_a + "<folder name_id=\"2\" name=\"2:b\"/>", ref_a)},
        {"folder_ref of no folder", report_document("", "<folder_ref name_id=\"7\" parent_id=\"1\"/>")},
        {"folder never placed", report_document(folder_a, "")},
        {"cycle of folders",
         report_document(folder_a + "<folder name_id=\"3\" name=\"3:b\"/>",
                         "<folder_ref name_id=\"2\" parent_id=\"3\"/><folder_ref name_id=\"3\" parent_id=\"2\"/>")},
        {"parent id not a number", report_document("", "<text name=\"t\" parent_id=\"1x\"/>")},
        {"expand_to overflows", report_document("", table_with("", "2147483648"))},
        {"int_cell overflows", report_document("", table_with("<row><int_cell>-2147483649</int_cell></row>"))},
        {"delay not a number", report_document("", table_with("<row><delay_cell><delay>x</delay></delay_cell></row>"))},
        {"cell before any row", report_document("", table_with("<string_cell>x</string_cell>" + cell_row))},
        {"gauge outside gauges",
         report_document("", "<summary name=\"S\" parent_id=\"1\"><gauge name=\"g\"/></summary>")},
        {"master table not a table", report_document(master, ref_a + "<text name=\"t\" parent_id=\"2\"/>")},
        {"colour out of range", report_document("", "<text name=\"t\" parent_id=\"1\" color=\"74\"/>")},
        {"colour not a number", report_document("", "<text name=\"t\" parent_id=\"1\" color=\"red\"/>")},
        {"escape cut short", report_document("", "<text name=\"t\" parent_id=\"1\" timing_corner=\"50%\"/>")},
        {"suffix without its tag", report_document("", "<text name=\"t\" parent_id=\"1\" footer_suffix=\"_X\"/>")},
        {"missing grid header",
         report_document("", "<grid_table name=\"g\" parent_id=\"1\"><ruleset/><row_headers><string_cell "
                             "kind=\"none\"/></row_headers></grid_table>")},
        {"window bound not a number",
         report_document("", table_with("<row><string_cell kind=\"window\" window_min=\"w\"/></row>"))},
        {"current folder not listed", report_document("", "<current_folder name_id=\"7\"/>")},
        {"current folder in a link's content",
         report_document("<folder name_id=\"2\" name=\"2:l\" link_rev_name=\"r\" link_rpt_type=\"t\"/>"
                         "<folder name_id=\"3\" name=\"3:c\"/>",
                         ref_a + "<folder_ref name_id=\"3\" parent_id=\"2\"/><current_folder name_id=\"3\"/>")},
        {"details of a folder its children describe",
         report_document(master, ref_a + table_with("", "-1", "2") + "<master_detail_links name_id=\"2\"/>")},
        {"master not a table",
         report_document("<folder name_id=\"2\" name=\"2:md\" master_detail=\"true\" explicit_details=\"true\"/>",
                         ref_a +
                             "<text name=\"t\" parent_id=\"2\"/><master_detail_links name_id=\"2\" master=\"0\"/>")},
    };
    for (const auto& [what, text] : cases) {
        DEBUG_RECORDER rec;
        EXPECT_EQ(report_from_xml(text), nullptr) << what << "\n" << text;
        bool reported = false;
        for (const DEBUG_LINE& line : rec.lines())
            reported |= line.text.rfind("XML report is not valid: ", 0) == 0;
        EXPECT_TRUE(reported) << what;
    }
    // The same documents without their fault read.
    EXPECT_NE(
        report_from_xml(report_document("", table_with(cell_row + "<row><int_cell>-2147483648</int_cell></row>"))),
        nullptr);
    EXPECT_NE(report_from_xml(report_document(master, ref_a + table_with("", "-1", "2"))), nullptr);
}

// DTDs and external entities are not resolved: a document must not read local files or reach the
// network.
TEST(RdbXmlHostileInput, ExternalEntitiesAndDtdsAreNotResolved)
{
    TEMP_DIR dir;
    std::ofstream(dir.file("secret.txt")) << "TOP-SECRET";
    const std::string body = report_document("", "").substr(DECLARATION.size());
    auto report = report_from_xml(
        DECLARATION + "<!DOCTYPE report [<!ENTITY secret SYSTEM \"file://" + dir.file("secret.txt") + "\">]>\n" +
        report_document("", "<text name=\"t\" parent_id=\"1\"><ascii_text>&secret;</ascii_text></text>")
            .substr(DECLARATION.size()));
    auto* text = first_as<RDB_TEXT_OBJECT>(report);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(*text->get_text(), ""); // the external entity reads as empty text
    // An external DTD is not fetched: the document reads as if it had none.
    EXPECT_NE(report_from_xml(DECLARATION + "<!DOCTYPE report SYSTEM \"http://127.0.0.1:9/rdb.dtd\">\n" + body),
              nullptr);
    EXPECT_NE(report_from_xml(DECLARATION + "<!DOCTYPE report SYSTEM \"" + dir.file("secret.txt") + "\">\n" + body),
              nullptr);

    // Entity expansion is bounded.
    std::string bomb = DECLARATION + "<!DOCTYPE report [<!ENTITY a0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i) {
        std::string value;
        for (int k = 0; k < 10; ++k)
            value += "&a" + std::to_string(i - 1) + ";";
        bomb += "<!ENTITY a" + std::to_string(i) + " \"" + value + "\">";
    }
    bomb += "]>\n" + report_document("", "<text name=\"t\" parent_id=\"1\"><ascii_text>&a9;</ascii_text></text>")
                         .substr(DECLARATION.size());
    EXPECT_EQ(report_from_xml(bomb), nullptr);
}

// Run under the sanitizer build: gauges that later gauges of the same summary replace are deleted, and
// the trait values the archive holds under their number must not reach them.
TEST(RdbXmlHostileInput, ReplacedNestedObjectsTakeNoTraits)
{
    RDB_REPORT report;
    auto* gauges = new RDB_GAUGES_OBJECT("g", 1);
    gauges->set_int_trait("xml_test_rank", 5);
    put(report.get_main_folder(), new RDB_SUMMARY_TABLE_OBJECT("S"))->set_gauges(gauges);
    const std::string xml = xml_of(report);
    const std::size_t begin = xml.find("<gauges "), end = xml.find("</gauges>") + 9;
    std::string unnumbered = xml.substr(begin, end - begin);
    const std::size_t number = unnumbered.find(" trait_id=");
    unnumbered.erase(number, unnumbered.find('"', number + 11) + 1 - number);
    for (const auto& [text, rank] : {std::pair{xml, 5}, {xml.substr(0, end) + unnumbered + xml.substr(end), 0}}) {
        auto read = report_from_xml(text);
        auto* summary = first_as<RDB_SUMMARY_TABLE_OBJECT>(read);
        ASSERT_TRUE(summary && summary->get_gauges());
        EXPECT_EQ(summary->get_gauges()->get_int_trait("xml_test_rank", 0), rank);
    }
}

// Run under the sanitizer build: no cut of a document crashes or leaks.
TEST(RdbXmlHostileInput, EveryTruncationOfADocumentIsHandled)
{
    const std::string xml = xml_of(*make_sample_report());
    const std::size_t end_of_report = xml.rfind("</report>") + std::string("</report>").size();
    for (std::size_t length = 0; length < xml.size(); ++length) {
        DEBUG_RECORDER quiet;
        EXPECT_EQ(report_from_xml(xml.substr(0, length)) == nullptr, length < end_of_report) << length;
    }
}
