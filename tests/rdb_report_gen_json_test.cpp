// The JSON report panels: the contents of each panel kind, the table of contents, the panel filter,
// the numbered files and their failures, and the files as python3's strict JSON reader sees them.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "every_kind_report.h"
#include "rdb.h"
#include "test_support.h"
#include "tool_runner.h"

namespace {

namespace fs = std::filesystem;
using JSON = nlohmann::json;

const std::string SITE = "/site_media/report_viewer/";

template <class OBJECT> OBJECT* add(RDB_FOLDER_OBJECT& folder, OBJECT* object)
{
    folder.add_object_to_list(object);
    return object;
}

RDB_TEXT_OBJECT* text(const std::string& name, const std::string& content)
{
    auto* object = new RDB_TEXT_OBJECT(name);
    object->set_text(content);
    return object;
}

template <class TABLE = RDB_TABLE_OBJECT>
TABLE* table(const std::string& name, std::vector<std::string> header, std::vector<std::vector<std::string>> rows = {})
{
    auto* object = new TABLE(name);
    object->add_row(rdb_create_row(header));
    for (const std::vector<std::string>& row : rows)
        object->add_row(rdb_create_row(row));
    return object;
}

RDB_EMBEDDED_OBJECT* messages(const std::string& name, const std::string& file, bool suppressed = false)
{
    auto* object = new RDB_EMBEDDED_OBJECT(name, suppressed ? EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE
                                                            : EMBEDDED_OBJECT_MESSAGES_TYPE);
    object->set_info_str(file);
    return object;
}

MSG_FILE_MESSAGE message(MSG_FILE_MESSAGE_TYPE type, const std::string& text, std::vector<MSG_FILE_MESSAGE> subs = {},
                         std::uint32_t flags = 0)
{
    return {.type = type, .flags = flags, .id = 0, .source_file = {}, .text = text, .sub_messages = std::move(subs)};
}

// The files 1.json .. N.json of a panel directory, parsed, in number order.
std::vector<JSON> read_panels(const fs::path& dir)
{
    std::vector<JSON> panels;
    for (int k = 1; fs::exists(dir / (std::to_string(k) + ".json")); ++k)
        panels.push_back(JSON::parse(read_file((dir / (std::to_string(k) + ".json")).string())));
    return panels;
}

std::vector<std::string> titles(const std::vector<JSON>& panels)
{
    std::vector<std::string> result;
    for (const JSON& panel : panels)
        result.push_back(panel.at("title").get<std::string>());
    return result;
}

// python3 reads every file as strict UTF-8 JSON and checks the set: files 1..N and nothing else
// numbered, each an object of "title" and "data", the last the table of contents, and one panel per
// leaf of the contents, in order. Prints the number of files.
const char* const PYTHON_CHECK = R"(import json, os, sys
d = sys.argv[1]
numbers = sorted(int(n[:-5]) for n in os.listdir(d) if n.endswith('.json'))
assert numbers == list(range(1, len(numbers) + 1)), numbers
docs = [json.loads(open(os.path.join(d, '%d.json' % k), 'rb').read().decode('utf-8', 'strict')) for k in numbers]
assert all(sorted(doc) == ['data', 'title'] for doc in docs)
assert docs[-1]['title'] == 'table_of_contents'
leaves = []
def walk(entries):
    for e in entries:
        if 'children' in e:
            assert e['children'], e
            walk(e['children'])
        else:
            assert e['leaf'] is True and e['icon'].startswith('/site_media/report_viewer/img/mirel_'), e
            leaves.append(e['panel_path'])
walk(docs[-1]['data']['children'])
assert [doc['title'] for doc in docs[:-1]] == leaves, ([doc['title'] for doc in docs[:-1]], leaves)
print(len(docs))
)";

// The python3 check's output ("<number of files>\n") and exit status.
std::pair<std::string, int> python_check(const fs::path& dir)
{
    const fs::path script = dir.parent_path() / "panel_check.py";
    std::ofstream(script) << PYTHON_CHECK;
    const fs::path out = dir.parent_path() / "panel_check.out";
    const std::string command =
        "python3 '" + script.string() + "' '" + dir.string() + "' > '" + out.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    return {read_file(out.string()), status};
}

class PANELS : public ::testing::Test {
protected:
    PANELS() : m_main(new RDB_FOLDER_OBJECT("Main")) {}

    // Writes the panels of m_main with the filter; the files, parsed.
    std::vector<JSON> write(const RDB_PANEL_FILTER& filter = RDB_PANEL_FILTER())
    {
        RDB_REPORT_GEN_JSON generator(m_main.get(), m_dir.c_str());
        EXPECT_TRUE(generator.write_json_report_files(filter));
        EXPECT_EQ(generator.get_file_count(), read_panels(m_dir).size());
        return read_panels(m_dir);
    }
    JSON panel(const std::string& path)
    {
        return RDB_REPORT_GEN_JSON(m_main.get(), m_dir.c_str()).get_json_panel(path);
    }

    TEMP_PROJECT m_project{"rdb_panels_test"};
    fs::path m_dir = fs::path(m_project.dir()) / "out" / "panels";
    std::unique_ptr<RDB_FOLDER_OBJECT> m_main;
};

} // namespace

TEST_F(PANELS, EachPanelKindHasItsContentAndErrorText)
{
    ASSERT_TRUE(msg_write_message_file(
        m_project.db_file("top.msg"),
        {message(MSG_FILE_MESSAGE_TYPE::WARNING, "<b>late</b> & slow", {message(MSG_FILE_MESSAGE_TYPE::ERROR, "why")}),
         message(MSG_FILE_MESSAGE_TYPE::INFO, "hidden", {}, MSG_FILE_MESSAGE::SUPPRESSED_FLAG)}));
    add(*m_main, text("Note", "a <b>bold</b> & \xff note"));
    add(*m_main, table("Temps", {"Corner", "T"},
                       {{"25 \xC2\xB0"
                         "C <hot> & dry",
                         "\xC4\xB0 \xD0\xB0 \xB0"}}));
    add(*m_main, table<RDB_SUMMARY_TABLE_OBJECT>("Summary", {"Key", "Value"}, {{"Status", "Successful"}}));
    add(*m_main, new RDB_EMBEDDED_OBJECT("Pinout", EMBEDDED_OBJECT_PINOUT_TYPE));
    add(*m_main, new RDB_CHART_TABLE_OBJECT("Chart", 0));
    add(*m_main, messages("Messages", "top.msg"));
    add(*m_main, messages("Suppressed", "top.msg", true));
    add(*m_main, messages("Lost Messages", "missing.msg"));
    add(*add(*m_main, new RDB_FOLDER_OBJECT("Stage")), messages("Stage Messages", "top.msg"));
    add(*m_main, messages("Flow Messages", RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES));
    const auto entry = [](const char* type, const char* text, JSON subs) {
        return JSON{{"type", type},
                    {"icon", std::string("img/mirel_") + type + ".png"},
                    {"message", text},
                    {"leaf", subs.empty()},
                    {"messages", subs}};
    };
    const struct {
        std::string path;
        JSON content;
    } cases[] = {
        {"Note", {{"text", "a <b>bold</b> & \xEF\xBF\xBD note"}}},
        // Cells as HTML; only the character U+00B0 becomes "&deg;" (not the B0 bytes of İ and а).
        {"Temps", {{"data", JSON::array({{"25 &deg;C &lt;hot&gt; &amp; dry", "\xC4\xB0 \xD0\xB0 \xEF\xBF\xBD"}})}}},
        {"Summary", {{"data", JSON::array({{"Status", "Successful"}})}}},
        {"Pinout", {{"error", "This embedded object type is not currently supported."}}},
        {"Chart", {{"error", "This panel type is not currently supported."}}},
        {"Messages",
         {{"messages",
           {entry("msg_warning", "&lt;b&gt;late&lt;/b&gt; &amp; slow",
                  JSON::array({entry("msg_error", "why", JSON::array())}))}}}},
        {"Suppressed", {{"messages", {entry("msg_info", "hidden", JSON::array())}}}},
        {"Lost Messages", {{"messages", {entry("msg_error", "Could not retrieve messages.", JSON::array())}}}},
        {"Nothing", {{"error", "Could not find the specified panel in the report."}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(panel(c.path), c.content) << c.path;
    // The flow messages have no file of their own: they show every stage's messages.
    EXPECT_EQ(panel("Flow Messages"), panel("Messages"));

    // The written message panels carry the viewer's site path on every icon, nested ones too.
    const std::vector<JSON> panels = write();
    const JSON& written = panels.at(5);
    ASSERT_EQ(written.at("title"), "Messages");
    EXPECT_EQ(written["data"]["messages"][0]["icon"], SITE + "img/mirel_msg_warning.png");
    EXPECT_EQ(written["data"]["messages"][0]["messages"][0]["icon"], SITE + "img/mirel_msg_error.png");

    EXPECT_EQ(RDB_REPORT_GEN_JSON(nullptr, m_dir.c_str()).get_json_panel("Note"),
              JSON({{"error", "Could JSON for panel; error opening the report object."}}));
    EXPECT_EQ(RDB_REPORT_GEN_JSON(nullptr, m_dir.c_str()).get_json_toc(""),
              JSON({{"error", "Could not generate table of contents JSON; error opening the report object."}}));
    EXPECT_EQ(RDB_REPORT_GEN_JSON(m_main.get(), m_dir.c_str()).get_json_toc("Note"),
              JSON({{"error", "Could not generate table of contents JSON; error opening the report object."}}));
}

TEST_F(PANELS, TableOfContentsListsShownLeavesWithTheirKind)
{
    RDB_FOLDER_OBJECT* stage = add(*m_main, new RDB_FOLDER_OBJECT("Stage"));
    add(*stage, table("Resources", {"", "Used & <Free>"}));
    add(*stage, table<RDB_SUMMARY_TABLE_OBJECT>("Summary", {"Key"}));
    add(*stage, text("Hidden", "x"))->set_visible(false);
    add(*stage, messages("Messages", "top.msg"));
    add(*m_main, new RDB_FOLDER_OBJECT("Empty"));
    add(*add(*m_main, new RDB_FOLDER_OBJECT("Only Hidden")), text("Hidden", "x"))->set_visible(false);
    add(*m_main, new RDB_CHART_TABLE_OBJECT("Chart", 0));

    const JSON expected = JSON::parse(R"({"children": [
        {"name": "Stage", "children": [
            {"name": "Resources", "leaf": true, "content_type": "table", "icon": "img/mirel_table.png",
             "panel_path": "Stage||Resources", "field_names": ["0", "1"],
             "field_display_names": ["&nbsp;", "Used &amp; &lt;Free&gt;"]},
            {"name": "Summary", "leaf": true, "content_type": "table_summary", "icon": "img/mirel_table_summary.png",
             "panel_path": "Stage||Summary", "field_names": ["0"], "field_display_names": ["Key"]},
            {"name": "Messages", "leaf": true, "content_type": "messages", "icon": "img/mirel_messages.png",
             "panel_path": "Stage||Messages"}]},
        {"name": "Chart", "leaf": true, "content_type": "rdb_unknown_type", "icon": "img/mirel_rdb_unknown_type.png",
         "panel_path": "Chart"}]})");
    RDB_REPORT_GEN_JSON generator(m_main.get(), m_dir.c_str());
    EXPECT_EQ(generator.get_json_toc(""), expected);
    EXPECT_EQ(generator.get_json_toc("Stage")["children"], expected["children"][0]["children"]);

    // Written: one panel per leaf in order, the contents last with the site path on the leaf icons.
    const std::vector<JSON> panels = write();
    EXPECT_EQ(titles(panels), (std::vector<std::string>{"Stage||Resources", "Stage||Summary", "Stage||Messages",
                                                        "Chart", "table_of_contents"}));
    EXPECT_EQ(panels.back()["data"]["children"][0]["children"][2]["icon"], SITE + "img/mirel_messages.png");
}

TEST_F(PANELS, TableRowsAreCappedAtTheMaximum)
{
    for (const unsigned int rows : {0u, 999u, 1000u, 1500u}) {
        RDB_TABLE_OBJECT* big = add(*m_main, table("Big " + std::to_string(rows), {"N"}));
        for (unsigned int row = 0; row < rows; ++row)
            big->add_row(rdb_create_row(std::vector<std::string>{std::to_string(row)}));
        const JSON data = panel(big->get_name())["data"];
        EXPECT_EQ(data.size(), std::min(rows, RDB_REPORT_GEN_JSON::s_max_json_rows)) << rows;
        if (rows > 0) {
            EXPECT_EQ(data.back(), JSON::array({std::to_string(data.size() - 1)}));
        }
    }
}

// Names repeat among siblings and may hold "||": each panel file is still its own object's.
TEST_F(PANELS, EachPanelFileHoldsItsOwnObject)
{
    add(*m_main, text("Twin", "first"));
    add(*m_main, text("Twin", "second"));
    add(*m_main, text("a||b", "bars"));
    RDB_FOLDER_OBJECT* a = add(*m_main, new RDB_FOLDER_OBJECT("a"));
    add(*a, text("b", "nested"));
    const std::vector<JSON> panels = write();
    ASSERT_EQ(panels.size(), 5u);
    const std::pair<const char*, const char*> expected[] = {
        {"Twin", "first"}, {"Twin", "second"}, {"a||b", "bars"}, {"a||b", "nested"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(panels[i]["title"], expected[i].first) << i;
        EXPECT_EQ(panels[i]["data"], JSON({{"text", expected[i].second}})) << i;
    }
}

// A link folder leading back into its own report lists nothing, so the walk ends.
TEST_F(PANELS, LinkBackIntoItsOwnReportIsEmpty)
{
    auto* report = new RDB_REPORT(); // the registry owns it
    add(*report->get_main_folder(), text("Note", "x"));
    auto* link = add(*report->get_main_folder(), new RDB_LINK_RPT_OBJECT("Self"));
    link->set_rev_name_and_rpt_type("rev", "panels_self", false);
    link->set_link_rpt(report);
    const JSON toc = RDB_REPORT_GEN_JSON(report->get_main_folder(), m_dir.c_str()).get_json_toc("");
    RDB_REPORT::free_report("rev", "panels_self");
    EXPECT_EQ(toc["children"].size(), 1u) << toc;
}

TEST_F(PANELS, FilterKeepsTheListedLeavesAndTheirFolders)
{
    const std::vector<std::string> paths = {
        "Flow Summary",
        "Fitter||Fitter Summary",
        "Fitter||Fitter Settings",
        "Timing Analyzer||Slow 900mV 85C Model||Slow 900mV 85C Model Setup Summary",
        "Timing Analyzer||Slow 900mV 85C Model||Slow 900mV 85C Model Skew Summary",
        "Timing Analyzer||Fast 900mV 0C Model||Top Failing Paths||Hold Summary",
        "Mine||Table",
        "Mine||Regex Table",
    };
    for (const std::string& path : paths) {
        RDB_FOLDER_OBJECT* folder = m_main.get();
        std::size_t begin = 0;
        for (std::size_t bar; (bar = path.find("||", begin)) != std::string::npos; begin = bar + 2) {
            const std::string name = path.substr(begin, bar - begin);
            RDB_OBJECT* found = folder->find_object_by_path(name);
            folder = found != nullptr ? found->dynamic_cast_to_RDB_FOLDER_OBJECT()
                                      : add(*folder, new RDB_FOLDER_OBJECT(name));
        }
        add(*folder, text(path.substr(begin), "x"));
    }
    const struct {
        bool fixed_set;
        std::vector<std::string> user_names;
        std::vector<std::size_t> written; // indices into paths
    } cases[] = {
        {false, {}, {0, 1, 2, 3, 4, 5, 6, 7}},
        {false, {"Mine/Table"}, {0, 1, 2, 3, 4, 5, 6, 7}}, // without the fixed set the filter is off
        {true, {}, {0, 1, 3, 5}},
        // A user expression that does not compile is skipped; the others still count.
        {true, {"Mine/Table", "^Mine/Re[gx]", "^Mine/(["}, {0, 1, 3, 5, 6, 7}},
    };
    for (const auto& c : cases) {
        HDB_NAME_MGR manager;
        if (c.fixed_set) manager.add_derived_option(HDB_NAME_MGR::DSE_REPORT_PANELS_OPTION, "on");
        for (const std::string& name : c.user_names)
            manager.add_derived_option(HDB_NAME_MGR::REPORT_PANEL_NAMES_OPTION, name);
        hdb_set_current_name_mgr(&manager);
        DEBUG_RECORDER debug;
        RDB_REPORT_GEN_JSON generator(m_main.get(), m_dir.c_str());
        generator.write_json_report_files();
        hdb_set_current_name_mgr(nullptr);
        EXPECT_TRUE(generator.was_written());
        std::vector<std::string> expected;
        for (std::size_t i : c.written)
            expected.push_back(paths[i]);
        expected.push_back("table_of_contents");
        EXPECT_EQ(titles(read_panels(m_dir)), expected) << c.user_names.size();
        EXPECT_EQ(debug.saw("Skipping the invalid panel expression ^Mine\\|\\|(["), c.user_names.size() == 3);
    }

    RDB_PANEL_FILTER filter;
    std::list<HDB_DERIVED_OPTION<2, 0>*> options = {nullptr};
    EXPECT_INTERNAL_ERROR(RDB_REPORT_GEN_JSON::enable_report_panel_from_acf(&options, &filter), "str_op");
}

TEST_F(PANELS, WritingMakesTheDirectoryAndReplacesAnEarlierLongerRun)
{
    add(*m_main, text("One", "1"));
    add(*m_main, text("Two", "2"));
    fs::create_directories(m_dir);
    for (const char* name : {"1.json", "2.json", "3.json", "4.json", "12.json", "07.json", "notes.json", "5.txt"})
        std::ofstream(m_dir / name) << "{\"title\": \"table_of_contents\"}";
    const std::vector<JSON> panels = write();
    EXPECT_EQ(titles(panels), (std::vector<std::string>{"One", "Two", "table_of_contents"}));
    for (const char* name : {"4.json", "12.json"})
        EXPECT_FALSE(fs::exists(m_dir / name)) << name;
    for (const char* name : {"07.json", "notes.json", "5.txt"})
        EXPECT_TRUE(fs::exists(m_dir / name)) << name;
}

TEST_F(PANELS, FailuresAnswerFalseWithADebugLine)
{
    add(*m_main, text("One", "1"));
    fs::create_directories(m_dir.parent_path());
    const struct {
        std::function<void()> damage;
        std::string debug_prefix;
    } cases[] = {
        {[&] { std::ofstream(m_dir) << "a file"; }, "cannot make the panel directory "},
        {[&] { fs::create_directories(m_dir / "3.json" / "busy"); }, "cannot remove the old panel file "},
    };
    for (const auto& c : cases) {
        fs::remove_all(m_dir);
        c.damage();
        DEBUG_RECORDER debug;
        RDB_REPORT_GEN_JSON generator(m_main.get(), m_dir.c_str());
        EXPECT_FALSE(generator.write_json_report_files(RDB_PANEL_FILTER())) << c.debug_prefix;
        EXPECT_FALSE(generator.was_written());
        bool seen = false;
        for (const DEBUG_LINE& line : debug.lines())
            seen = seen || line.text.rfind(c.debug_prefix, 0) == 0;
        EXPECT_TRUE(seen) << c.debug_prefix;
        EXPECT_FALSE(fs::exists(m_dir / "2.json")) << "no table of contents after a failure";
    }
}

// Every kind and hostile names and texts: python3 reads every file as strict UTF-8 JSON, and the
// names and texts come back as they were (invalid bytes as U+FFFD, cells HTML-escaped).
TEST_F(PANELS, PythonReadsEveryPanelOfEveryKindAndHostileTexts)
{
    const std::unique_ptr<RDB_REPORT> every_kind = rdb_every_kind_report();
    RDB_REPORT_GEN_JSON generator(every_kind->get_main_folder(), m_dir.c_str());
    ASSERT_TRUE(generator.write_json_report_files(RDB_PANEL_FILTER()));
    const auto [every_kind_out, every_kind_status] = python_check(m_dir);
    EXPECT_EQ(every_kind_status, 0) << every_kind_out;
    EXPECT_EQ(every_kind_out, std::to_string(generator.get_file_count()) + "\n");

    const std::string hostile = "it's \"quoted\"; DROP TABLE t; -- <script>alert(1)</script> || a\nb \xff\xfe end";
    const std::string clean = "it's \"quoted\"; DROP TABLE t; -- <script>alert(1)</script> || a\nb "
                              "\xEF\xBF\xBD\xEF\xBF\xBD end";
    RDB_FOLDER_OBJECT* folder = add(*m_main, new RDB_FOLDER_OBJECT(hostile));
    add(*folder, text(hostile, hostile));
    add(*folder, table(hostile, {hostile}, {{hostile}}));
    const std::vector<JSON> panels = write();
    const auto [out, status] = python_check(m_dir);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "3\n");
    ASSERT_EQ(panels.size(), 3u);
    EXPECT_EQ(panels[0], JSON({{"title", clean + "||" + clean}, {"data", {{"text", clean}}}}));
    EXPECT_EQ(panels[1]["data"]["data"][0][0], rdb_html_escape(clean));
    EXPECT_EQ(panels[2]["data"]["children"][0]["name"], clean);
}

// The tool writes the demo's panels; python3 reads them all.
TEST_F(TOOL_TEST, ExportPanelsWritesTheDemoForPython)
{
    ASSERT_EQ(run({"demo"}).status, 0);
    const fs::path dir = m_root / "panels";
    const TOOL_RESULT result = run({"export-panels", "pixel_pipe", "cmp", dir.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto [out, status] = python_check(dir);
    EXPECT_EQ(status, 0) << out;
    const std::vector<JSON> panels = read_panels(dir);
    EXPECT_EQ(out, std::to_string(panels.size()) + "\n");
    EXPECT_GT(panels.size(), 20u);
    const std::vector<std::string> written = titles(panels);
    EXPECT_NE(std::find(written.begin(), written.end(), "Fitter||Fitter Summary"), written.end());

    EXPECT_EQ(run({"export-panels", "pixel_pipe", "fit", dir.string()}).status, 1);
    std::ofstream(m_root / "file") << "x";
    EXPECT_EQ(run({"export-panels", "pixel_pipe", "cmp", (m_root / "file").string()}).status, 1);
}
