// The rdb tool's demo, report and show commands, run as a separate process on a temporary project.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "rdb_folder.h"
#include "rdb_path.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_waveform_display.h"
#include "rdb_xml.h"
#include "tool_runner.h"

namespace {

namespace fs = std::filesystem;

const std::string REPORT_FILE = "output_files/pixel_pipe.cmp.rpt";

// The text without its second line (the date and time the report was printed).
std::string without_print_date(const std::string& text)
{
    const std::size_t first = text.find('\n');
    const std::size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
    return second == std::string::npos ? text : text.substr(0, first + 1) + text.substr(second + 1);
}

class DEMO_PROJECT : public TOOL_TEST {
protected:
    void SetUp() override
    {
        TOOL_TEST::SetUp();
        m_project = m_root / "new" / "project"; // the demo makes it
    }

    // Runs the demo once; its standard output.
    std::string demo() const
    {
        const TOOL_RESULT result = run({"demo"});
        EXPECT_EQ(result.status, 0) << result.err;
        return result.out;
    }
};

} // namespace

TEST_F(DEMO_PROJECT, DemoPrintsTheTextReportItWritesAndStores)
{
    const TOOL_RESULT result = run({"demo"});
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path file = m_project / REPORT_FILE;
    EXPECT_EQ(result.out, tool_read_file(file));
    EXPECT_NE(result.err.find(file.string()), std::string::npos) << result.err;

    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_GT(lines.size(), 500u);
    EXPECT_EQ(lines[0], "Compilation report for pixel_pipe");
    for (const char* expected :
         {"---- Fitter Reports ----", "; Flow Summary", "; Legal Notice ;", "RAM content values are presented"})
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected;
    // The deferred message listings were filled in from the message files the demo wrote.
    EXPECT_EQ(result.out.find("message_ref"), std::string::npos);
    EXPECT_NE(result.out.find("Fitter route finished in"), std::string::npos);
    // Hidden columns stay hidden.
    for (const char* hidden : {"Instance Id", "Library Name", "File Name with Absolute Path"})
        EXPECT_EQ(result.out.find(hidden), std::string::npos) << hidden;
    EXPECT_EQ(run({"ls"}).out.rfind("pixel_pipe  cmp  ", 0), 0u);
    // Beside it the HTML report, whose flow messages panel lists every stage's messages as the text does.
    const fs::path panels = m_project / "output_files/pixel_pipe.cmp.html_files";
    std::string flow_panel;
    for (int n = 1; fs::exists(panels / (std::to_string(n) + ".html")) && flow_panel.empty(); ++n) {
        const std::string panel = tool_read_file(panels / (std::to_string(n) + ".html"));
        if (panel.find("<title>Flow Messages</title>") != std::string::npos) flow_panel = panel;
    }
    EXPECT_NE(flow_panel.find("Fitter route finished in"), std::string::npos) << flow_panel;
    EXPECT_TRUE(fs::exists(m_project / "output_files/pixel_pipe.cmp.json_files/1.json"));
    EXPECT_TRUE(fs::exists(m_project / "output_files/pixel_pipe.cmp.rpt.sqlite3"));

    // Every box (a run of lines starting with '+' or ';') is as wide on screen (in code points) in all its
    // lines. The memory contents listing is left out: its value cells are not padded to the heading's columns.
    std::size_t boxes = 0, non_ascii_lines = 0, box_start = 0;
    bool in_memory_listing = false, memory_lines_seen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind("RAM content values are presented", 0) == 0) in_memory_listing = true;
        const bool boxed = !line.empty() && (line[0] == '+' || line[0] == ';');
        if (in_memory_listing) {
            memory_lines_seen = memory_lines_seen || boxed;
            if (line.empty() && memory_lines_seen) in_memory_listing = memory_lines_seen = false;
            box_start = i + 1;
            continue;
        }
        if (!boxed) {
            box_start = i + 1;
            continue;
        }
        boxes += i == box_start;
        non_ascii_lines += screen_width(line) != line.size();
        EXPECT_EQ(screen_width(line), screen_width(lines[box_start]))
            << "line " << i + 1 << " of the box at " << box_start + 1;
    }
    EXPECT_GT(boxes, 40u);
    EXPECT_GT(non_ascii_lines, 10u) << "the demo's UTF-8 names are in the boxes";

    // The same report every run, apart from the date.
    std::string again = demo();
    const std::string date_again = lines_of(again).at(1);
    for (std::size_t at = again.find(date_again); at != std::string::npos;
         at = again.find(date_again, at + lines[1].size()))
        again.replace(at, date_again.size(), lines[1]);
    EXPECT_EQ(again, result.out);
}

TEST_F(DEMO_PROJECT, ReportShowAndXmlExportReadTheStoredDemo)
{
    const std::string text = demo();
    const TOOL_RESULT printed = run({"report", "pixel_pipe", "cmp"});
    ASSERT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(without_print_date(printed.out), without_print_date(text));

    const fs::path copy = m_root / "copy.rpt";
    const TOOL_RESULT written = run({"report", "pixel_pipe", "cmp", "-o", copy.string()});
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out + written.err, "");
    EXPECT_EQ(without_print_date(tool_read_file(copy)), without_print_date(text));

    const TOOL_RESULT summary = run({"show", "pixel_pipe", "cmp", "Fitter||Fitter Summary"});
    ASSERT_EQ(summary.status, 0) << summary.err;
    EXPECT_EQ(lines_of(summary.out).at(1).rfind("; Fitter Summary ", 0), 0u) << summary.out;
    EXPECT_NE(text.find("\n\n" + summary.out + "\n\n"), std::string::npos) << summary.out;
    const TOOL_RESULT nested = run({"show", "pixel_pipe", "cmp", "Fitter||Resource Section||Input Pins"});
    EXPECT_NE(nested.out.find("; clk_pix "), std::string::npos) << nested.err;
    EXPECT_NE(text.find(nested.out), std::string::npos);
    EXPECT_NE(run({"show", "pixel_pipe", "cmp", "Assembler"}).out.find("; Assembler Settings"), std::string::npos);

    // The timing stage's Tcl table: its commands built for a row show in the text report, and its
    // commands and context-menu flag survive an XML export and import.
    EXPECT_NE(text.find("-to_clock clk_pix -npaths 1; locate_node {fir|tap13|mac|acc[*]}"), std::string::npos);
    const fs::path first = m_root / "first.xml";
    ASSERT_EQ(run({"export-xml", "pixel_pipe", "cmp", first.string()}).status, 0);
    const std::string exported = tool_read_file(first);
    EXPECT_NE(exported.find("show_tcl_commands_on_context_menu=\"true\""), std::string::npos);
    EXPECT_NE(exported.find("<cmd_template>locate_node {%COL_2/\\[\\d+\\]$/[*]/%}</cmd_template>"), std::string::npos);
    ASSERT_EQ(run({"import-xml", first.string(), "copy", "cmp"}).status, 0);
    const TOOL_RESULT reexported = run({"export-xml", "copy", "cmp", "-"});
    ASSERT_EQ(reexported.status, 0) << reexported.err;
    EXPECT_EQ(reexported.out, exported);

    // The timing stage's worst-case paths are printed, stored, and kept by the XML backup.
    EXPECT_NE(text.find("Setup slack -0.120 ns from fir|tap12|mac|acc[7] to fir|tap13|mac|acc[8] (VIOLATED)\nPath 1\n" +
                        std::string(79, '=') + "\n"),
              std::string::npos);
    EXPECT_EQ(text.find("0.488 ns from dma|rd_ptr[3] to dma|fifo|ram~12|portbaddr (VIOLATED)"), std::string::npos);
    const TOOL_RESULT path = run({"show", "pixel_pipe", "cmp", "Timing Analyzer||Worst-Case Paths||Path 2"});
    ASSERT_EQ(path.status, 0) << path.err;
    EXPECT_NE(text.find(path.out), std::string::npos);
    EXPECT_NE(path.out.find("; Data Required Path "), std::string::npos);

    const fs::path backup = m_project / "db" / "pixel_pipe+_all+report.cmp.rdb.bak";
    const std::string xml = tool_read_file(backup);
    std::unique_ptr<RDB_REPORT> read = rdb_read_xml_report(backup.c_str());
    ASSERT_NE(read, nullptr) << backup;
    // The backup is the XML form, then the stamp of the binary file it was stored with.
    std::ostringstream again;
    rdb_xml_write(again, read.get());
    EXPECT_EQ(xml.substr(0, again.str().size()), again.str());
    EXPECT_TRUE(xml.substr(again.str().size()).starts_with("<?rdb-backup-of binary-length=\""))
        << xml.substr(again.str().size());
    auto& paths = as<RDB_PATH_FOLDER_OBJECT>(read->get_main_folder()->find_object("Timing Analyzer||Worst-Case Paths"));
    EXPECT_EQ(paths.get_path_summary_table(), paths.find_object("Path Summary"));
    ASSERT_EQ(paths.get_path_id_table().size(), 3u);
    const RDB_PATH_OBJECT* worst = paths.get_path_object_by_index(0);
    EXPECT_TRUE(worst->path_is_violated());
    EXPECT_FALSE(paths.get_path_object_by_index(1)->path_is_violated());
    ASSERT_NE(worst->get_waveform(), nullptr);
    EXPECT_EQ(worst->get_waveform()->get_waveform_count(), 3u);
    // From the launch label to one past the data edge at 6.912 ns.
    EXPECT_EQ(worst->get_waveform()->get_begin_time(), 0);
    EXPECT_EQ(worst->get_waveform()->get_end_time(), 6913);
}

// The backup is a whole second copy: with the binary file damaged, the report read from the backup
// prints exactly as before, and the tool says where it came from.
TEST_F(DEMO_PROJECT, DemoWithItsBinaryFileDamagedPrintsTheSameReportFromTheBackup)
{
    demo();
    const TOOL_RESULT before = run({"report", "pixel_pipe", "cmp"});
    ASSERT_EQ(before.status, 0) << before.err;
    const fs::path binary = m_project / "db" / "pixel_pipe+_all+report.cmp.rdb";
    std::string bytes = tool_read_file(binary);
    bytes[bytes.size() / 2] ^= 0x20;
    std::ofstream(binary, std::ios::binary | std::ios::trunc) << bytes;

    const TOOL_RESULT after = run({"report", "pixel_pipe", "cmp"});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(first_difference(without_print_date(before.out), without_print_date(after.out)), "");
    EXPECT_EQ(after.err, "rdb: the report 'pixel_pipe' of type 'cmp' was read from its backup: its binary file is "
                         "damaged\n");
    EXPECT_EQ(run({"check"}).out, "warning pixel_pipe  cmp (binary file damaged, loaded from the backup)\n"
                                  "1 report checked, 0 failed, 2 warnings\n");
}

// Each failure: the given exit status, nothing on standard output, one "rdb: " line on standard error.
TEST_F(DEMO_PROJECT, BadArgumentsGiveOneLineAndNonZeroExit)
{
    demo();
    const std::string unwritable = (m_root / "no" / "dir" / "x").string();
    const std::pair<int, std::vector<std::string>> cases[] = {
        {2, {"report", "pixel_pipe"}},
        {2, {"report", "pixel_pipe", "a.b.c.d"}},
        {1, {"report", "other", "cmp"}},
        {2, {"report", "pixel_pipe", "cmp", "-o"}},
        {2, {"report", "pixel_pipe", "cmp", "-o", ""}},
        {1, {"report", "pixel_pipe", "cmp", "-o", unwritable}},
        {2, {"ls", "-o", "x"}},
        {2, {"demo", "extra"}},
        {1, {"show", "pixel_pipe", "cmp", "Fitter||No Such Table"}},
        {2, {"show", "pixel_pipe", "cmp", "Fitter||||Fitter Summary"}},
        {2, {"show", "pixel_pipe", "cmp", "||"}},
    };
    auto expect_failure = [this](int status, const std::vector<std::string>& args) {
        const TOOL_RESULT result = run(args);
        const std::string what = ::testing::PrintToString(args) + ": " + result.err;
        EXPECT_EQ(result.status, status) << what;
        EXPECT_EQ(result.out, "") << what;
        EXPECT_EQ(lines_of(result.err).size(), 1u) << what;
        EXPECT_EQ(result.err.rfind("rdb: ", 0), 0u) << what;
    };
    for (const auto& [status, args] : cases)
        expect_failure(status, args);
    EXPECT_FALSE(fs::exists(m_root / "no"));

    // A project path that is a file cannot become a project.
    std::ofstream(m_root / "plain_file") << "x";
    m_project = m_root / "plain_file";
    expect_failure(1, {"demo"});

    const TOOL_RESULT help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"demo", "report REV TYPE [-o FILE]", "show REV TYPE PATH"})
        EXPECT_NE(help.out.find(std::string("\n  ") + command), std::string::npos) << command;
}

TEST_F(DEMO_PROJECT, NoReportsSwitchStillPrintsButWritesNoFile)
{
    const fs::path ini = m_root / "rdb.ini";
    std::ofstream(ini) << "rpl_no_reports=on\n";
    const TOOL_RESULT result = run({"demo"}, "/dev/null", ini.string());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(fs::exists(m_project / REPORT_FILE));
    EXPECT_EQ(result.out.rfind("Compilation report for pixel_pipe\n", 0), 0u);
    EXPECT_NE(result.err.find("rpl_no_reports"), std::string::npos) << result.err;
}

// The demo's exports, each read by its own client. The sqlite3 program reads the tables with plain SQL:
// every table of cells under its report path, with its metadata table, every cell a JSON text.
// ImageMagick reads the waveform image of every worst-case path: 1400 pixels wide, one 40-pixel row per
// waveform and range arrow (three waveforms and the slack) above the time captions. The JSON document,
// to a file and to the standard output, is read by python3's strict JSON reader: every object has its
// class, and the Fitter Summary has its rows.
TEST_F(DEMO_PROJECT, ExportsOfTheDemoAreReadByTheirClients)
{
    demo();
    const fs::path file = m_root / "demo.sqlite3";
    const TOOL_RESULT exported = run({"export-sqlite", "pixel_pipe", "cmp", file.string()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out + exported.err, "");
    const auto sqlite = [&](const std::string& sql) {
        std::ofstream(m_root / "q.sql") << sql << "\n";
        const std::string command = "sqlite3 -bail '" + file.string() + "' < '" + (m_root / "q.sql").string() +
                                    "' > '" + (m_root / "q.out").string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << sql;
        return tool_read_file(m_root / "q.out");
    };
    EXPECT_EQ(sqlite("PRAGMA integrity_check;"), "ok\n");
    EXPECT_EQ(sqlite("SELECT count(*) > 0 FROM \"Compilation Report||Fitter||Fitter Summary\";"), "1\n");
    EXPECT_EQ(sqlite("SELECT count(*) FROM \"Compilation Report||Fitter||Fitter Summary metadata\" WHERE key = '';"),
              "0\n");
    const std::string tables = sqlite("SELECT count(*) FROM sqlite_master WHERE type = 'table';");
    EXPECT_GT(std::stoi(tables), 4) << tables;
    EXPECT_NE(sqlite("SELECT name FROM sqlite_master WHERE type = 'table';").find("Input Pins"), std::string::npos);
    // Every data column of every table holds JSON texts only.
    std::string check = "SELECT 0";
    std::istringstream names(
        sqlite("SELECT m.name || char(9) || p.name FROM sqlite_master m, pragma_table_info(m.name) p WHERE "
               "m.type = 'table' AND m.name NOT LIKE '% metadata' AND p.name <> 'row';"));
    for (std::string line; std::getline(names, line);) {
        const std::size_t tab = line.find('\t');
        const auto quoted = [](std::string name) {
            for (std::size_t at = 0; (at = name.find('"', at)) != std::string::npos; at += 2)
                name.insert(at, 1, '"');
            return "\"" + name + "\"";
        };
        check += " + (SELECT count(*) FROM " + quoted(line.substr(0, tab)) + " WHERE NOT json_valid(" +
                 quoted(line.substr(tab + 1)) + "))";
    }
    EXPECT_EQ(sqlite(check + ";"), "0\n");
    EXPECT_FALSE(fs::exists(file.string() + "-journal"));
    EXPECT_EQ(run({"export-sqlite", "pixel_pipe", "cmp", "-"}).status, 2);

    for (const char* path : {"Path 1", "Path 2", "Path 3||Waveform"}) {
        const fs::path gif = m_root / "path.gif";
        const TOOL_RESULT result = run({"waveform-gif", "pixel_pipe", "cmp",
                                        std::string("Timing Analyzer||Worst-Case Paths||") + path, gif.string()});
        ASSERT_EQ(result.status, 0) << result.err;
        const std::string command =
            "identify -format '%m %w %h' '" + gif.string() + "' > '" + (m_root / "identify.txt").string() + "' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(tool_read_file(m_root / "identify.txt"), "GIF 1400 175") << path;
    }
    const TOOL_RESULT folder =
        run({"waveform-gif", "pixel_pipe", "cmp", "Timing Analyzer", (m_root / "x.gif").string()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_FALSE(fs::exists(m_root / "x.gif"));

    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
    const fs::path json_file = m_root / "demo.json";
    const TOOL_RESULT json = run({"export-json", "pixel_pipe", "cmp", json_file.string()});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out + json.err, "");
    EXPECT_EQ(run({"export-json", "pixel_pipe", "cmp", "-"}).out, tool_read_file(json_file));

    const fs::path script = m_root / "check.py";
    std::ofstream(script) << "import json, sys\n"
                             "doc = json.load(open(sys.argv[1], encoding='utf-8', errors='strict'))\n"
                             "count = 0\n"
                             "def walk(o, path):\n"
                             "    global count\n"
                             "    assert o['class_name'].startswith('RDB_'), o\n"
                             "    count += 1\n"
                             "    if path == 'Fitter||Fitter Summary':\n"
                             "        print('summary rows', len(o['rows']) > 1)\n"
                             "    for c in o.get('object_list', []):\n"
                             "        walk(c, (path + '||' if path else '') + c['name'])\n"
                             "walk(doc['main_folder'], '')\n"
                             "print('objects', count > 50)\n";
    const std::string command =
        "python3 " + script.string() + " " + json_file.string() + " > " + (m_root / "out").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(tool_read_file(m_root / "out"), "summary rows True\nobjects True\n");
}
