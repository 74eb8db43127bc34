// Report comparison: numbers read from cells, and the rdb tool's diff command on stored reports.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kdb/kdb.h"
#include "rdb_diff.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_table_to_sqlite.h"
#include "rdb_utility.h"
#include "tool_runner.h"

namespace {

namespace fs = std::filesystem;

TEST(RDB_DIFF_NUMBERS, CellTextsGiveTheNumbersUsersMean)
{
    struct CASE {
        const char* text;
        bool is_number;
        double value;
        int decimals;
        double total; // 0: none
    };
    for (const CASE& c : std::vector<CASE>{{"1,234,567", true, 1234567, 0, 0},
                                           {" -12.5 ns", true, -12.5, 1, 0},
                                           {"+87 %", true, 87, 0, 0},
                                           {"1.2 GHz", true, 1.2, 1, 0},
                                           {".25", true, 0.25, 2, 0},
                                           {"13,833 / 40,000 ( 35 % )", true, 13833, 0, 40000},
                                           {"1,234 / 5,678", true, 1234, 0, 5678},
                                           {"1e3 ps", true, 1000, 0, 0},
                                           {"1,23", false, 0, 0, 0},
                                           {"1234,567", false, 0, 0, 0},
                                           {"00:01:02", false, 0, 0, 0},
                                           {"5CEA7", false, 0, 0, 0},
                                           {"v1.2", false, 0, 0, 0},
                                           {"1 / 2 / 3", false, 0, 0, 0},
                                           {"--", false, 0, 0, 0},
                                           {"", false, 0, 0, 0}}) {
        const std::optional<RDB_CELL_NUMBER> number = rdb_read_cell_number(c.text);
        ASSERT_EQ(number.has_value(), c.is_number) << c.text;
        if (!number) continue;
        EXPECT_DOUBLE_EQ(number->value, c.value) << c.text;
        EXPECT_EQ(number->decimals, c.decimals) << c.text;
        EXPECT_EQ(number->total.value_or(0), c.total) << c.text;
    }
    EXPECT_EQ(rdb_format_number_change(500, 512, 0), "+12 (+2.4%)");
    EXPECT_EQ(rdb_format_number_change(0.5, -0.25, 2), "-0.75 (-150.0%)");
    EXPECT_EQ(rdb_format_number_change(0, 3, 0), "+3");
}

TEST(RDB_DIFF_THRESHOLDS, ThresholdsAreReadAsWrittenOrRefused)
{
    using OP = RDB_DIFF_THRESHOLD::OPERATOR;
    using LIMIT = RDB_DIFF_THRESHOLD::LIMIT;
    struct CASE {
        const char* text;
        const char* path;
        const char* row;
        const char* column; // null: none
        OP op;
        LIMIT limit;
        double bound;
    };
    for (const CASE& c : std::vector<CASE>{
             {"F||S:LUTs>+2%", "F||S", "LUTs", nullptr, OP::GREATER, LIMIT::RELATIVE_CHANGE, 2},
             {" T : clk : Slack (ns) <= -0.5 ", "T", "clk", "Slack (ns)", OP::LESS_OR_EQUAL, LIMIT::CHANGE, -0.5},
             {"a||b:c<0", "a||b", "c", nullptr, OP::LESS, LIMIT::VALUE, 0},
             {R"("x:<y>||\"q\\":"r:1">=+50)", "x:<y>||\"q\\", "r:1", nullptr, OP::GREATER_OR_EQUAL, LIMIT::CHANGE, 50},
         }) {
        std::string error;
        const std::optional<RDB_DIFF_THRESHOLD> threshold = rdb_parse_diff_threshold(c.text, &error);
        ASSERT_TRUE(threshold.has_value()) << c.text << ": " << error;
        EXPECT_EQ(threshold->path, c.path);
        EXPECT_EQ(threshold->row, c.row);
        EXPECT_EQ(threshold->column.value_or("<none>"), c.column ? c.column : "<none>");
        EXPECT_EQ(threshold->op, c.op) << c.text;
        EXPECT_EQ(threshold->limit, c.limit) << c.text;
        EXPECT_EQ(threshold->bound, c.bound) << c.text;
    }
    for (const char* refused : {"a:b", "a>1", "a:b:c:d>1", "a::c>1", "a:b>2%", "a:b>x", "\"a:b>1"}) {
        std::string error;
        EXPECT_FALSE(rdb_parse_diff_threshold(refused, &error).has_value()) << refused;
        EXPECT_NE(error, "") << refused;
    }
}

// A table kept in an SQLite file compares by its cells and its header as one held in memory does.
TEST(RDB_DIFF_TABLES, ConvertedTablesCompareByTheirCells)
{
    char dir[] = "/tmp/rdb_diff_sqlite_XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const auto folder_with = [&](const char* column, const std::string& value, const char* file) {
        auto folder = std::make_unique<RDB_FOLDER_OBJECT>("main");
        auto* table = new RDB_TABLE_OBJECT("t");
        for (const std::vector<std::string>& row :
             std::vector<std::vector<std::string>>{{"Name", column}, {"a", "1"}, {"b", value}})
            table->add_row(rdb_create_row(row));
        folder->add_object_to_list(table);
        if (file != nullptr) {
            EXPECT_TRUE(rdb_convert_table_to_sqlite(std::string(dir) + "/" + file, table));
        }
        EXPECT_EQ(table->is_sqlite(), file != nullptr);
        return folder;
    };
    const auto in_memory = folder_with("Value", "2", nullptr);
    EXPECT_TRUE(rdb_diff_reports(*in_memory, *folder_with("Value", "2", "same")).empty());
    const RDB_REPORT_DIFF changed = rdb_diff_reports(*in_memory, *folder_with("Value", "3 ns", "changed"));
    ASSERT_EQ(changed.objects.size(), 1u);
    ASSERT_EQ(changed.objects[0].changes.size(), 1u);
    const RDB_DIFF_CHANGE& cell = changed.objects[0].changes[0];
    EXPECT_EQ(cell.kind, RDB_DIFF_CHANGE::KIND::CELL_CHANGED);
    EXPECT_EQ(cell.row + "|" + cell.column + "|" + cell.old_text + "|" + cell.new_text + "|" + cell.number_change,
              "b|Value|2|3 ns|+1 (+50.0%)");
    EXPECT_TRUE(rdb_diff_reports(*folder_with("Value", "2", "old"), *in_memory).empty());
    const RDB_REPORT_DIFF columns = rdb_diff_reports(*in_memory, *folder_with("Slack", "2", "columns"));
    ASSERT_EQ(columns.objects.size(), 1u);
    ASSERT_EQ(columns.objects[0].changes.size(), 2u);
    EXPECT_EQ(columns.objects[0].changes[0].kind, RDB_DIFF_CHANGE::KIND::COLUMN_REMOVED);
    EXPECT_EQ(columns.objects[0].changes[1].kind, RDB_DIFF_CHANGE::KIND::COLUMN_ADDED);
    EXPECT_EQ(columns.objects[0].changes[1].column, "Slack");
    std::filesystem::remove_all(dir);
}

const std::string SETUP = "Timing Analyzer||Multicorner Timing Analysis Summary||Slow 85C Model Setup Summary";
const std::string HOSTILE = "<script>'\"\\\n'); Qt.quit(); //\xff";

// text in the double quotes of a threshold: a quote and a backslash escaped.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text)
        out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

class DIFF_PROJECT : public TOOL_TEST {
protected:
    KDB_SERVICE service(const fs::path& project) const { return KDB_SERVICE((project / "db").string()); }

    std::unique_ptr<RDB_REPORT> load(const std::string& rev) const
    {
        KDB_SERVICE db = service(m_project);
        std::unique_ptr<RDB_REPORT> report = rdb_load_report_model(db, RDB_REPORT::get_kdb_path(rev, "cmp"));
        EXPECT_NE(report, nullptr) << rev;
        report->get_main_folder()->_chmod(RDB_OBJECT::READ_WRITE);
        return report;
    }
    void store(RDB_REPORT& report, const std::string& rev, const fs::path& project) const
    {
        KDB_SERVICE db = service(project);
        fs::create_directories(project / "db");
        ASSERT_TRUE(rdb_store_report_model(db, RDB_REPORT::get_kdb_path(rev, "cmp"), report));
    }
    static RDB_TABLE_OBJECT& table(RDB_REPORT& report, const std::string& path)
    {
        return *report.get_main_folder()->find_object_by_path(path)->dynamic_cast_to_RDB_TABLE_OBJECT();
    }
    static void set_luts(RDB_REPORT& report, const std::string& value)
    {
        rdb_set_summary_data(table(report, "Fitter||Fitter Summary").dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT(), "LUTs",
                             value);
    }

    // The demo as "old" (with a known LUT count), and "new": a row added, the LUT count worse, a table
    // removed. "new" is also stored in a second project.
    void store_demo_pair()
    {
        ASSERT_EQ(run({"demo"}).status, 0);
        std::unique_ptr<RDB_REPORT> report = load("pixel_pipe");
        set_luts(*report, "10,000 / 40,000 ( 25 % )");
        store(*report, "old", m_project);
        table(*report, SETUP).add_row(rdb_create_row("clk_new", "0.500"));
        set_luts(*report, "10,250 / 40,000 ( 26 % )");
        report->get_main_folder()
            ->find_object_by_path("Fitter")
            ->dynamic_cast_to_RDB_FOLDER_OBJECT()
            ->remove_object_from_list("Fitter Settings");
        store(*report, "new", m_project);
        store(*report, "new", m_root / "other");
    }

    // Runs python3's strict JSON reader on text with script (which sees the document as doc); its output.
    std::string python(const std::string& text, const std::string& script) const
    {
        std::ofstream(m_root / "doc.json", std::ios::binary) << text;
        std::ofstream(m_root / "check.py")
            << "import json\n"
               "doc = json.load(open('"
            << (m_root / "doc.json").string() << "', encoding='utf-8', errors='strict'))\n"
            << script;
        const std::string command = "python3 " + (m_root / "check.py").string() + " > " + (m_root / "out").string();
        EXPECT_EQ(std::system(command.c_str()), 0) << text;
        return tool_read_file(m_root / "out");
    }
};

} // namespace

TEST_F(DIFF_PROJECT, TheChangedDemoGivesExactlyItsChangesInTextAndJson)
{
    store_demo_pair();
    const TOOL_RESULT text = run({"diff", "old", "cmp", "new", "cmp"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "~ summary Fitter||Fitter Summary\n"
                        "  row 'LUTs', column '#2': '10,000 / 40,000 ( 25 % )' -> '10,250 / 40,000 ( 26 % )'  "
                        "+250 (+2.5%)\n"
                        "- table Fitter||Fitter Settings\n"
                        "~ table " +
                            SETUP +
                            "\n"
                            "  row 'clk_new' added: 'clk_new' | '0.500'\n"
                            "3 differences\n");
    // The same from the other project, as JSON read by a real client.
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
    const TOOL_RESULT json =
        run({"diff", "old", "cmp", "--against-project", (m_root / "other").string(), "new", "cmp", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(python(json.out, "print(doc['identical'], doc['crossed'])\n"
                               "for o in doc['objects']:\n"
                               "    for c in o['changes']:\n"
                               "        print('||'.join(o['path']), o['kind'], c['change'], c.get('row'),\n"
                               "              c.get('old'), c.get('new'), c.get('number_change'), c.get('cells'))\n"),
              "False 0\n"
              "Fitter||Fitter Summary summary cell_changed LUTs 10,000 / 40,000 ( 25 % ) 10,250 / 40,000 ( 26 % ) "
              "+250 (+2.5%) None\n"
              "Fitter||Fitter Settings table object_removed None None None None None\n" +
                  SETUP + " table row_added clk_new None None None ['clk_new', '0.500']\n");
}

TEST_F(DIFF_PROJECT, ThresholdsSetTheExitStatusAsWritten)
{
    store_demo_pair();
    std::ofstream(m_root / "limits") << "# the fitter may grow by 3 %\n\n"
                                     << "Fitter||Fitter Summary:LUTs>+3%\n";
    struct CASE {
        std::vector<std::string> options;
        int status;
        const char* line; // expected in the output
    };
    for (const CASE& c : std::vector<CASE>{
             {{"--fail-if", "Fitter||Fitter Summary:LUTs>+2%"}, 1, "threshold crossed: Fitter||Fitter Summary"},
             {{"--thresholds", (m_root / "limits").string()}, 0, "threshold passed: Fitter||Fitter Summary"},
             {{"--fail-if=Fitter||Fitter Summary:LUTs>=+250"}, 1, "threshold crossed"},
             {{"--fail-if", SETUP + ":clk_new<1"}, 1, "threshold crossed"},
             {{"--fail-if", SETUP + ":clk_new:Slack (ns)<-1"}, 0, "(no such row in the old report)"},
             {{"--fail-if", "Fitter||Fitter Settings:x<1"}, 0, "(no such object in the new report)"},
             {{"--fail-if", "Fitter||Fitter Summary:Status<1"}, 0, "(the new cell holds no number)"},
             {{"--fail-if", "Fitter||Fitter Summary:LUTs>2%"}, 2, "rdb: bad threshold"},
             {{"--fail-if", "x"}, 2, "rdb: bad threshold 'x': no operator"},
             {{"--thresholds", (m_root / "missing").string()}, 2, "rdb: cannot read the thresholds file"},
             {{"--fail-if"}, 2, "rdb: --fail-if needs a value"},
             {{"--frobnicate"}, 2, "rdb: unknown option"}}) {
        std::vector<std::string> args{"diff", "old", "cmp", "new", "cmp"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const TOOL_RESULT result = run(args);
        EXPECT_EQ(result.status, c.status) << c.line << "\n" << result.out << result.err;
        EXPECT_NE((result.out + result.err).find(c.line), std::string::npos) << result.out << result.err;
    }
}

TEST_F(DIFF_PROJECT, HostileNamesGoThroughUntouchedAndKeylessTablesGoByPosition)
{
    const auto build = [&](const std::string& value, const std::string& rev) {
        RDB_REPORT report;
        auto* folder = new RDB_FOLDER_OBJECT("a||b:" + HOSTILE);
        report.get_main_folder()->add_object_to_list(folder);
        auto* hostile = new RDB_TABLE_OBJECT(HOSTILE);
        hostile->add_row(rdb_create_row(HOSTILE, "Value"));
        hostile->add_row(rdb_create_row(HOSTILE, value));
        folder->add_object_to_list(hostile);
        auto* keyless = new RDB_TABLE_OBJECT("twice");
        for (const char* key : {"Name", "k", "k"})
            keyless->add_row(rdb_create_row(key, key == std::string("Name") ? "Value" : value));
        folder->add_object_to_list(keyless);
        store(report, rev, m_project);
    };
    build("1", "one");
    build("2 " + HOSTILE, "two");
    EXPECT_EQ(run({"diff", "one", "cmp"}).out, "no differences\n0 differences\n");
    const std::string path = quoted("a||b:" + HOSTILE + "||" + HOSTILE) + ":" + quoted(HOSTILE);
    const TOOL_RESULT text = run({"diff", "one", "cmp", "two", "cmp", "--fail-if", path + ">+0"});
    EXPECT_EQ(text.status, 1) << text.out << text.err;
    EXPECT_NE(text.out.find("||twice  (rows compared by position"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  row 2 'k', column 'Value': '1' -> "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("<script>'\"\\\\n'); Qt.quit(); //\xff"), std::string::npos) << text.out;

    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
    const TOOL_RESULT json = run({"diff", "one", "cmp", "two", "cmp", "--json", "--fail-if", path + ">+0"});
    EXPECT_EQ(json.status, 1);
    const std::string expected = "<script>'\"\\\n'); Qt.quit(); //\xef\xbf\xbd"; // invalid UTF-8 as U+FFFD
    std::ofstream(m_root / "expected", std::ios::binary) << expected;
    EXPECT_EQ(python(json.out, "e = open('" + (m_root / "expected").string() +
                                   "', encoding='utf-8').read()\n"
                                   "o = doc['objects'][0]\n"
                                   "print(o['path'] == ['a||b:' + e, e], o['changes'][0]['row'] == e,\n"
                                   "      o['changes'][0]['new'] == '2 ' + e, doc['thresholds'][0]['state'],\n"
                                   "      doc['objects'][1]['rows_by_position'])\n"),
              "True True True crossed True\n");
}
