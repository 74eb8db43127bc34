// The whole-report JSON document: every kind against its golden file, the edge cases of objects, cells,
// colours, texts and link folders, the atomic file, and hostile texts read back by python3's strict
// JSON reader.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "every_kind_report.h"
#include "rdb.h"
#include "test_support.h"

namespace {

using nlohmann::json;

const std::string REPLACEMENT = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

class RdbObjectJsonVisitor : public ::testing::Test {
protected:
    ~RdbObjectJsonVisitor() override { RDB_REPORT::free_all_reports(); }
    TEMP_PROJECT m_project{"rdb_object_json_visitor_test"};
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
};

json document_of(RDB_REPORT* report) { return json::parse(RDB_OBJECT_JSON_VISITOR(report).to_json()); }

// The JSON object of a table holding one row of the cells given.
json row_of_cells(const std::vector<RDB_TABLE_ELEMENT*>& cells)
{
    RDB_REPORT report;
    auto* table = new RDB_TABLE_OBJECT("T");
    table->add_row(new RDB_TABLE_ROW(cells));
    report.get_main_folder()->add_object_to_list(table);
    return document_of(&report)["main_folder"]["object_list"][0]["rows"][0];
}

} // namespace

TEST_F(RdbObjectJsonVisitor, EveryKindReportMatchesItsGolden)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    expect_golden("json/every_kind.json", RDB_OBJECT_JSON_VISITOR(report.get()).to_json());
}

// The folder's keys are in the every-kind golden; an empty folder still lists its (no) objects.
TEST_F(RdbObjectJsonVisitor, EmptyMainFolderGivesAnEmptyList)
{
    RDB_REPORT report;
    EXPECT_EQ(document_of(&report)["main_folder"]["object_list"], json::array());
    EXPECT_INTERNAL_ERROR(RDB_OBJECT_JSON_VISITOR(nullptr), "m_report != nullptr");
}

// The enumerator names of the first 35 colours (26 under the name of 25) and of the unknown colour; the cell
// classes are in the every-kind golden.
TEST_F(RdbObjectJsonVisitor, CellColoursHaveTheirEnumeratorNames)
{
    const struct {
        int color;
        const char* name;
    } colors[] = {{0, "RDB_COLOR_DEFAULT"},
                  {1, "RDB_COLOR_RED"},
                  {25, "RDB_COLOR_VEXA_ORANGE"},
                  {26, "RDB_COLOR_VEXA_ORANGE"},
                  {34, "RDB_COLOR_VEXA_CHARCOAL"},
                  {35, "default"},
                  {40, "default"},
                  {72, "default"},
                  {73, "RDB_COLOR_UNKNOWN"}};
    std::vector<RDB_TABLE_ELEMENT*> cells;
    for (const auto& c : colors) {
        cells.push_back(new RDB_TABLE_STRING_ELEMENT("c"));
        cells.back()->set_foreground(static_cast<RDB_COLOR_NAME>(c.color));
        cells.back()->set_background(static_cast<RDB_COLOR_NAME>(c.color));
    }
    const json colored = row_of_cells(cells);
    for (std::size_t i = 0; i < std::size(colors); ++i) {
        EXPECT_EQ(colored[i]["foreground"], colors[i].name) << colors[i].color;
        EXPECT_EQ(colored[i]["background"], colors[i].name) << colors[i].color;
    }
}

// A table moved into an SQLite file shows its real rows, not the marker row that stands for them.
TEST_F(RdbObjectJsonVisitor, ConvertedTableShowsItsRealRows)
{
    RDB_REPORT report;
    auto* table = new RDB_TABLE_OBJECT("Big");
    table->add_row(rdb_create_row("Name", "Value"));
    table->add_row(rdb_create_row("first", "1"));
    table->add_row(rdb_create_row("second", "2"));
    report.get_main_folder()->add_object_to_list(table);
    ASSERT_TRUE(rdb_convert_table_to_sqlite(m_project.dir() + "/big", table));
    ASSERT_TRUE(table->is_sqlite());
    const json rows = document_of(&report)["main_folder"]["object_list"][0]["rows"];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0]["string"], "Name");
    EXPECT_EQ(rows[2][1]["string"], "2");
}

TEST_F(RdbObjectJsonVisitor, PathsHaveOnlyThePartsTheyHold)
{
    RDB_PATH_OBJECT path("P");
    auto* summary = new RDB_TABLE_OBJECT("S");
    summary->add_row(rdb_create_row("Slack", "-1"));
    path.set_summary_table(summary);
    json from_path;
    path.fill_json_object(&from_path);
    json from_table;
    summary->fill_json_object(&from_table);
    EXPECT_EQ(from_path, from_table);

    auto* note = new RDB_TEXT_OBJECT("N");
    note->set_text("retime");
    path.set_idb_text(note); // the text object comes last: its keys replace the table's
    json with_text;
    path.fill_json_object(&with_text);
    EXPECT_EQ(with_text["name"], "N");
    EXPECT_EQ(with_text["text"], "retime");
    EXPECT_EQ(with_text["rows"], from_table["rows"]);
    EXPECT_INTERNAL_ERROR(path.fill_json_object(nullptr), "object != NULL");
}

TEST_F(RdbObjectJsonVisitor, LinkBackIntoItsOwnReportIsWrittenOnce)
{
    auto* report = new RDB_REPORT();
    RDB_REPORT::add_report("loop", "fit", report);
    auto* inner = new RDB_FOLDER_OBJECT("Inner");
    report->get_main_folder()->add_object_to_list(inner);
    auto* link = new RDB_LINK_RPT_OBJECT("Back");
    inner->add_object_to_list(link);
    link->set_rev_name_and_rpt_type("loop", "fit", false);

    DEBUG_RECORDER debug;
    const json document = document_of(report);
    const json& back = document["main_folder"]["object_list"][0]["object_list"][0];
    EXPECT_EQ(back["name"], "Back");
    EXPECT_EQ(back["object_list"], json::array());
    EXPECT_TRUE(
        debug.saw("Folder " + link->get_path() + " leads back into a folder being written: its objects are left out"));
}

TEST_F(RdbObjectJsonVisitor, FileIsWrittenWholeOrNotAtAll)
{
    RDB_REPORT report;
    report.get_main_folder()->add_object_to_list(new RDB_TEXT_OBJECT("T"));
    RDB_OBJECT_JSON_VISITOR visitor(&report);
    const std::string file = m_project.output_file("report.json");
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    visitor.write_file(file);
    EXPECT_EQ(read_file(file), visitor.to_json());

    const std::string folder = m_project.dir();
    const std::string missing = m_project.dir() + "/no/such/folder/report.json";
    for (const std::string& target : {folder, missing}) {
        DEBUG_RECORDER debug;
        EXPECT_FALSE(visitor.write_json_file(target)) << target;
        ASSERT_EQ(debug.lines().size(), 1u) << target;
        EXPECT_EQ(debug.lines()[0].text.rfind("Cannot write the JSON file " + target + ": ", 0), 0u)
            << debug.lines()[0].text;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// Quotes, SQL, markup, path separators, line breaks, NUL and invalid bytes in every text go through python3's
// strict UTF-8 JSON reader and come back as they were, an invalid byte as U+FFFD.
TEST_F(RdbObjectJsonVisitor, HostileTextsComeBackThroughAStrictJsonReader)
{
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
    // Each text and how it reads back: valid UTF-8 as it is, a Latin-1 byte alone or a surrogate's encoding
    // as U+FFFD per byte.
    const std::vector<std::pair<std::string, std::string>> hostile = {
        {"\"quoted\" 'single'", "\"quoted\" 'single'"},
        {"\"; DROP TABLE t; --", "\"; DROP TABLE t; --"},
        {"<script>alert(1)</script>", "<script>alert(1)</script>"},
        {"a||b||", "a||b||"},
        {"line\nbreak\r\ttab", "line\nbreak\r\ttab"},
        {"bad \xFF\xFE bytes", "bad " + REPLACEMENT + REPLACEMENT + " bytes"},
        {"\\u0022 \\", "\\u0022 \\"},
        {"]]> <!-- &amp;", "]]> <!-- &amp;"},
        {"\xD0\xB0 \xC4\xB0 25 \xC2\xB0", "\xD0\xB0 \xC4\xB0 25 \xC2\xB0"},
        {"\xB0", REPLACEMENT},
        {"\xED\xA0\x80", REPLACEMENT + REPLACEMENT + REPLACEMENT},
        {std::string("nul\0end", 7), std::string("nul\0end", 7)},
    };
    RDB_REPORT report;
    auto* table = new RDB_TABLE_OBJECT(hostile[0].first);
    report.get_main_folder()->add_object_to_list(table);
    for (const auto& [text, read_back] : hostile) {
        auto* object = new RDB_TEXT_OBJECT(text);
        object->set_text(text);
        object->set_header(text);
        report.get_main_folder()->add_object_to_list(object);
        auto* cell = new RDB_TABLE_STRING_ELEMENT(text);
        cell->set_tooltip(text);
        table->add_row(new RDB_TABLE_ROW({cell}));
    }
    const std::string file = m_project.output_file("hostile.json");
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    ASSERT_TRUE(RDB_OBJECT_JSON_VISITOR(&report).write_json_file(file));

    // python3 prints, as ASCII JSON, every text of the file: names, headers and texts of the text objects,
    // then the string and tooltip of each cell.
    const std::string script =
        "import json,sys\n"
        "d=json.load(open(sys.argv[1],encoding='utf-8',errors='strict'))['main_folder']['object_list']\n"
        "out=[[o['name'],o['header'],o['text']] for o in d[1:]]+[[r[0]['string'],r[0]['tooltip']] for r in "
        "d[0]['rows']]\n"
        "print(json.dumps([d[0]['name'],out]))\n";
    ASSERT_EQ(::setenv("RDB_JSON_CHECK", script.c_str(), 1), 0);
    ASSERT_EQ(std::system(("python3 -c \"$RDB_JSON_CHECK\" " + file + " > " + file + ".out").c_str()), 0);
    const std::string output = read_file(file + ".out");

    json objects = json::array(), cells = json::array();
    for (const auto& c : hostile) {
        objects.push_back({c.second, c.second, c.second});
        const std::string cell = c.second.c_str(); // a cell keeps its text up to a NUL
        cells.push_back({cell, cell});
    }
    objects.insert(objects.end(), cells.begin(), cells.end());
    EXPECT_EQ(json::parse(output), json::array({hostile[0].second, objects})) << output;
}
