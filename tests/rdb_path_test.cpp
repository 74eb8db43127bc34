// Timing paths and path folders: sub-object ownership, path id tables, the text layout, and
// copies of path folders with paths and waveform displays, damaged files included.

#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_path.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_utility.h"
#include "rdb_visitor.h"
#include "rdb_waveform_display.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

template <class TABLE = RDB_TABLE_OBJECT>
TABLE* table_of(const std::string& name, const std::vector<std::vector<std::string>>& rows)
{
    auto* table = new TABLE(name);
    for (const auto& cells : rows)
        table->add_row(rdb_create_row(cells));
    return table;
}

RDB_TEXT_OBJECT* text_of(const std::string& name, const std::string& text)
{
    auto* object = new RDB_TEXT_OBJECT(name);
    object->set_text(text);
    return object;
}

RDB_WAVEFORM_ELEMENT* wave(int period, int begin, std::initializer_list<int> times, const std::string& label)
{
    auto* waveform = new RDB_WAVEFORM_ELEMENT(period, begin);
    waveform->set_label(label);
    int i = 0;
    for (int time : times)
        waveform->add_event(
            RDB_WAVEFORM_EVENT(time, i++ % 2 ? RDB_WAVEFORM_EVENT::FALLING_EDGE : RDB_WAVEFORM_EVENT::RISING_EDGE));
    return waveform;
}

// Launch and latch clocks, data overlaid on the latch row, an empty one-shot row, an arrow and a label.
RDB_WAVEFORM_DISPLAY_OBJECT* make_display(const std::string& name)
{
    auto* display = new RDB_WAVEFORM_DISPLAY_OBJECT(name);
    display->set_header("times in ps");
    display->add_waveform(wave(7919, 100, {0, 3960}, "launch <clk>"));
    display->add_waveform(wave(7919, 600, {0, 3960}, "latch & \"clk\""));
    RDB_WAVEFORM_ELEMENT* data = wave(0, 0, {1234567, 2345678}, "data\nbus");
    data->get_properties() =
        RDB_LINE_PROPERTIES(RDB_LINE_PROPERTIES::DASHDOT, RDB_LINE_PROPERTIES::THICK, RDB_COLOR_RED);
    display->add_waveform(data, 1);
    display->add_waveform(wave(0, -40, {}, ""));
    auto* arrow = new RDB_ARROW_ELEMENT("setup", 0, 100, 1, 8519);
    arrow->get_properties().set_style(RDB_ARROW_PROPERTIES::SHADED_STYLE);
    arrow->get_properties().set_arrow_direction(RDB_ARROW_PROPERTIES::BOTH_ARROWHEADS);
    arrow->get_properties().set_color(RDB_COLOR_BLUE);
    display->add_arrow(arrow);
    auto* label = new RDB_LABEL_ELEMENT("arrival", 2, 1234567);
    label->get_properties().set_line_type(RDB_LINE_PROPERTIES::DOT);
    display->add_label(label);
    return display;
}

RDB_PATH_OBJECT* make_path(const std::string& name, int slack, bool with_waveform)
{
    auto* path = new RDB_PATH_OBJECT(name);
    path->set_slack(slack);
    path->set_header("Path header");
    path->set_gen_loc_path_str("top|a");
    path->set_gen_arrival_loc_path_str("top|a|q");
    path->set_gen_required_loc_path_str("top|b|d");
    path->set_summary_table(table_of("Summary", {{"Property", "Value"}, {"Slack", std::to_string(slack)}}));
    path->set_data_arrival_table(table_of("Data Arrival Path", {{"Total", "Incr"}, {"1.2", "0.3"}}));
    path->set_data_required_table(table_of("Data Required Path", {{"Total", "Incr"}, {"6.7", "6.7"}}));
    path->set_extra_info_table(table_of<RDB_SUMMARY_TABLE_OBJECT>("Extra", {{"Corner", "slow"}}));
    path->set_idb_text(text_of("Notes", "launch to latch"));
    if (with_waveform) path->set_waveform(make_display("Waveform"));
    return path;
}

// A report whose path folder holds a summary table, an option panel, two paths with a table between them, ids with
// neighbours; and a waveform display in the main folder.
std::unique_ptr<RDB_REPORT> make_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    main->set_name("Timing");
    auto* folder = new RDB_PATH_FOLDER_OBJECT("Worst Paths");
    main->add_object_to_list(folder);
    auto* summary = table_of("Path Summary", {{"Path", "Slack"}, {"1", "-120"}, {"2", "35"}});
    folder->add_object_to_list(summary);
    folder->set_path_summary_table(summary);
    auto* options = text_of("Options", "report_timing -npaths 2");
    folder->add_object_to_list(options);
    folder->set_option_summary_panel(options);
    folder->add_object_to_list(make_path("Path 1", -120, true));
    folder->add_object_to_list(table_of("Between", {{"x"}}));
    RDB_PATH_OBJECT* second = make_path("Path 2", 35, false);
    second->set_highlight_violations(false);
    second->set_visible(false);
    folder->add_object_to_list(second);
    folder->create_path_id_table_report_neighbour_path(true);
    main->add_object_to_list(make_display("Clocks"));
    return report;
}

std::string int_bytes(int value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

// What the copies of make_report's report hold beyond their bytes (which copies_of compares across both
// forms): the links between objects and who owns the sub-objects.
void expect_like_made(RDB_REPORT& report)
{
    RDB_FOLDER_OBJECT* main = report.get_main_folder();
    auto& folder = as<RDB_PATH_FOLDER_OBJECT>(main->find_object("Worst Paths"));
    EXPECT_EQ(folder.get_path_summary_table(), folder.find_object("Path Summary"));
    EXPECT_EQ(folder.get_option_summary_panel(), folder.find_object("Options"));
    auto* first = &as<RDB_PATH_OBJECT>(folder.find_object("Path 1"));
    auto* second = &as<RDB_PATH_OBJECT>(folder.find_object("Path 2"));
    EXPECT_EQ(folder.get_path_id_table(), (std::vector<RDB_PATH_OBJECT*>{first, first, first, second, second, second}));
    EXPECT_TRUE(first->path_is_violated() && first->get_slack() == -120);
    EXPECT_FALSE(second->path_is_violated() || second->get_highlight_violations() || second->is_visible());
    EXPECT_EQ(first->get_extra_info_table()->get_type(), RDB_SUMMARY_TABLE_TYPE);
    EXPECT_EQ(first->get_idb_text()->get_parent(), nullptr);
    EXPECT_EQ(first->get_summary_table()->get_ownership_status(), NOT_OWNED);
    EXPECT_EQ(second->get_waveform(), nullptr);
}

// A table that counts its deletions.
struct COUNTED_TABLE : RDB_TABLE_OBJECT {
    explicit COUNTED_TABLE(int& deleted) : RDB_TABLE_OBJECT("Counted"), m_deleted(deleted) {}
    ~COUNTED_TABLE() override { ++m_deleted; }
    int& m_deleted;
};

} // namespace

// A setter that replaces a sub-object deletes the one it replaces.
TEST(RdbPathReplacedSubObjects, SettersDeleteTheSubObjectTheyReplace)
{
    int deleted = 0;
    {
        RDB_PATH_OBJECT path("P");
        auto* first = new COUNTED_TABLE(deleted);
        path.set_summary_table(first);
        path.set_summary_table(first); // the same object stays
        EXPECT_EQ(deleted, 0);
        path.set_summary_table(new COUNTED_TABLE(deleted));
        EXPECT_EQ(deleted, 1);
        path.set_data_arrival_table(new COUNTED_TABLE(deleted));
        path.set_data_arrival_table(nullptr);
        EXPECT_EQ(deleted, 2);
        path.set_critical_chain_table(new COUNTED_TABLE(deleted));
        path.set_optimizations_analyzed_table(new COUNTED_TABLE(deleted));
        path.set_waveform(new RDB_WAVEFORM_DISPLAY_OBJECT("W1"));
        path.set_waveform(new RDB_WAVEFORM_DISPLAY_OBJECT("W2"));
        EXPECT_EQ(path.get_waveform()->get_name(), "W2");

        // An object held in another role, or owned by a folder, would be deleted twice.
        EXPECT_INTERNAL_ERROR(path.set_recommendations_table(path.get_summary_table()), "!holds(object)");
        RDB_FOLDER_OBJECT folder("F");
        auto* owned = new COUNTED_TABLE(deleted);
        folder.add_object_to_list(owned);
        EXPECT_INTERNAL_ERROR(path.set_path_stats_table(owned), "object->get_ownership_status() == NOT_OWNED");
        EXPECT_EQ(path.get_path_stats_table(), nullptr);
    }
    // The path deleted its three tables, the folder its child.
    EXPECT_EQ(deleted, 6);
}

TEST(RdbPathFolder, PathIdTablesNamePathsInChildOrder)
{
    RDB_PATH_FOLDER_OBJECT folder("Paths");
    EXPECT_INTERNAL_ERROR(folder.create_path_id_table(), "m_summary_table != 0");
    EXPECT_INTERNAL_ERROR(folder.create_path_id_table_report_neighbour_path(true), "m_summary_table != 0");
    auto* summary = table_of("Summary", {{"Path"}});
    folder.add_object_to_list(summary);
    folder.set_path_summary_table(summary);
    folder.create_path_id_table();
    EXPECT_EQ(folder.get_path_object_by_index(0), nullptr);

    auto* first = new RDB_PATH_OBJECT("A");
    auto* second = new RDB_PATH_OBJECT("B");
    folder.add_object_to_list(first);
    folder.add_object_to_list(table_of("T", {{"x"}}));
    folder.add_object_to_list(second);
    folder.create_path_id_table();
    EXPECT_EQ(folder.get_path_id_table(), (std::vector<RDB_PATH_OBJECT*>{first, second}));
    EXPECT_EQ(folder.get_path_object_by_index(2), nullptr);
    folder.create_path_id_table_report_neighbour_path(true);
    EXPECT_EQ(folder.get_path_id_table(), (std::vector<RDB_PATH_OBJECT*>{first, first, first, second, second, second}));
    EXPECT_EQ(folder.get_path_object_by_index(6), nullptr);
    folder.create_path_id_table_report_neighbour_path(false);
    EXPECT_EQ(folder.get_path_id_table(), (std::vector<RDB_PATH_OBJECT*>{first, second}));
}

TEST(RdbPath, TextLayoutMatchesGoldenFile)
{
    std::unique_ptr<RDB_PATH_OBJECT> path(make_path("Path 1: a|q to b|d", -120, true));
    path->set_optimizations_analyzed_table(table_of("Optimizations Analyzed", {{"Step"}, {"retiming"}}));
    path->set_recommendations_table(table_of("Recommendations", {{"Advice"}, {"Pipeline the adder"}}));
    path->set_critical_chain_table(table_of("Critical Chain", {{"Node"}, {"a|q"}, {"b|d"}}));
    path->set_path_stats_table(table_of("Statistics", {{"Levels", "3"}}));
    path->set_internal_negative_cycle_table(table_of("Negative Cycle", {{"None"}}));
    expect_golden("ascii/path.txt", ascii_of(*path));
    // Without a header the text starts with the name.
    RDB_PATH_OBJECT bare("Bare");
    EXPECT_EQ(ascii_of(bare), "Bare\n" + std::string(79, '=') + "\n");
}

TEST(RdbPathStorage, CopiesKeepFoldersPathsAndWaveforms)
{
    std::unique_ptr<RDB_REPORT> report = make_report();
    const auto [image, xml, stored, read] = copies_of(*report);
    ASSERT_TRUE(stored && read);
    expect_like_made(*stored);
    expect_like_made(*read);
    // The folder's elements and their place are in the every-kind golden; the neighbours' ids are not.
    EXPECT_THAT(xml, testing::HasSubstr("<path_ids>2 2 2 4 4 4</path_ids>"));

    // The panel document of a path reads back into the main folder.
    const std::string panel = xml_of(*report->get_main_folder()->find_object("Worst Paths||Path 1"));
    std::unique_ptr<RDB_REPORT> panel_read = report_from_xml(panel);
    ASSERT_NE(panel_read, nullptr);
    EXPECT_EQ(xml_of(**panel_read->get_main_folder()->begin()), panel);
}

TEST(RdbPathStorage, PointersAtRemovedChildrenAreStoredAsNothing)
{
    std::unique_ptr<RDB_REPORT> report = make_report();
    auto& folder = as<RDB_PATH_FOLDER_OBJECT>(report->get_main_folder()->find_object("Worst Paths"));
    folder.remove_object_from_list(folder.get_path_summary_table());
    folder.remove_object_from_list(folder.find_object("Path 2"));

    std::unique_ptr<RDB_REPORT> copy = decode_report(encode_report(*report));
    ASSERT_NE(copy, nullptr);
    auto& loaded = as<RDB_PATH_FOLDER_OBJECT>(copy->get_main_folder()->find_object("Worst Paths"));
    EXPECT_EQ(loaded.get_path_summary_table(), nullptr);
    RDB_PATH_OBJECT* first = loaded.get_path_object_by_index(0);
    EXPECT_EQ(first, loaded.find_object("Path 1"));
    EXPECT_EQ(loaded.get_path_id_table(),
              (std::vector<RDB_PATH_OBJECT*>{first, first, first, nullptr, nullptr, nullptr}));

    const std::string xml = xml_of(*report);
    EXPECT_THAT(xml, testing::HasSubstr("<path_ids>1 1 1 -1 -1 -1</path_ids>"));
    std::unique_ptr<RDB_REPORT> read = report_from_xml(xml);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(xml_of(*read), xml);
    EXPECT_EQ(xml_of(*copy), xml);
}

// Run under the sanitizer build too: no damaged file crashes or leaks, and the checks name the fault.
TEST(RdbPathStorage, DamagedBinaryFilesFailTheLoad)
{
    std::unique_ptr<RDB_REPORT> report = make_report();
    const std::string image = encode_report(*report);
    EXPECT_THAT(refusal(patched(image, int_bytes(7919), int_bytes(-7919))), testing::HasSubstr("negative period"));
    // The one-shot data waveform: its begin time, then its second edge.
    EXPECT_THAT(refusal(patched(image, int_bytes(1234567), int_bytes(1234566))),
                testing::HasSubstr("span does not match"));
    EXPECT_THAT(refusal(patched(image, int_bytes(2345678), int_bytes(1000000))),
                testing::HasSubstr("edges out of order"));
    EXPECT_THAT(refusal(patched(image, int_bytes(3960), int_bytes(7919))), testing::HasSubstr("outside its period"));

    for (std::size_t length = PDB_HEADER_SIZE; length < image.size(); ++length)
        EXPECT_EQ(decode_report(image.substr(0, length)), nullptr) << length;
    for (std::size_t at = PDB_HEADER_SIZE; at < image.size(); ++at) {
        std::string flipped = image;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
        DEBUG_RECORDER quiet;
        if (std::unique_ptr<RDB_REPORT> loaded = decode_report(flipped))
            encode_report(*loaded); // a load that passes is whole
    }
}

TEST(RdbPathStorage, DamagedXmlDocumentsFailTheRead)
{
    const std::string xml = xml_of(*make_report());
    const std::pair<std::string, std::string> faults[] = {
        {"<sub_object role=\"summary\">", "<sub_object role=\"waveform\">"},
        {"<sub_object role=\"idb_text\">", "<sub_object role=\"data_arrival\">"},
        {"period=\"7919\" begin=\"100\"", "period=\"-7919\" begin=\"100\""},
        {"begin=\"100\" end=\"8019\"", "begin=\"100\" end=\"8018\""},
        {"time=\"1234567\" type=\"1\"", "time=\"3456789\" type=\"1\""},
        {"<event time=\"0\" type=\"1\"/>", "<event time=\"0\" type=\"7\"/>"},
        {"id=\"2\" position=\"1\"", "id=\"2\" position=\"3\""},
        {"id=\"1\" position=\"1\"", "id=\"0\" position=\"1\""},
        {"color=\"", "color=\"74"},
        {"direct=\"false\" shaded=\"true\"", "direct=\"true\" shaded=\"true\""},
        {"<path_ids>2 2 2 4 4 4", "<path_ids>2 2 2 4 4 5"},
        {"<path_ids>2 2 2 4 4 4", "<path_ids>2 2 2 4 4 3"},
        {"<path_folder_links name_id=\"2\" summary_table=\"0\"",
         "<path_folder_links name_id=\"2\" summary_table=\"1\""},
        {"<path_folder_links name_id=\"2\"", "<path_folder_links name_id=\"1\""},
        {"slack=\"-120\"", "slack=\"-12x\""},
    };
    for (const auto& [from, to] : faults) {
        DEBUG_RECORDER quiet;
        EXPECT_EQ(report_from_xml(patched(xml, from, to)), nullptr) << to;
    }

    // A sub-object of a role this reader does not know is passed over.
    std::unique_ptr<RDB_REPORT> read =
        report_from_xml(patched(xml, "<sub_object role=\"summary\">", "<sub_object role=\"new\">"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(as<RDB_PATH_OBJECT>(read->get_main_folder()->find_object("Worst Paths||Path 1")).get_summary_table(),
              nullptr);

    const std::size_t end_of_report = xml.rfind("</report>") + std::string("</report>").size();
    for (std::size_t length = 0; length < xml.size(); ++length) {
        DEBUG_RECORDER quiet;
        EXPECT_EQ(report_from_xml(xml.substr(0, length)) == nullptr, length < end_of_report) << length;
    }
}
