// The rdb command-line tool, run as a separate process on a temporary project.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "kdb/kdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_utility.h"
#include "tool_runner.h"

namespace {

namespace fs = std::filesystem;

class TOOL_PROJECT : public TOOL_TEST {
protected:
    void SetUp() override
    {
        TOOL_TEST::SetUp();
        if (!m_root.empty()) fs::create_directories(m_project);
    }

    // Stores a small report with one table whose only cell is text.
    void store(const std::string& rev, const std::string& type, const std::string& text) const
    {
        fs::create_directories(m_project / "db");
        RDB_REPORT report;
        auto* table = new RDB_TABLE_OBJECT("Table");
        table->add_row(rdb_create_row(std::vector<std::string>{text}));
        report.get_main_folder()->add_object_to_list(table);
        KDB_SERVICE service((m_project / "db").string());
        ASSERT_TRUE(rdb_store_report_model(service, RDB_REPORT::get_kdb_path(rev, type), report));
    }
    fs::path stored_file(const std::string& rev, const std::string& type) const
    {
        return KDB_SERVICE((m_project / "db").string()).get_model_file_path(RDB_REPORT::get_kdb_path(rev, type));
    }
};

} // namespace

TEST_F(TOOL_PROJECT, HelpListsEveryCommand)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, std::vector<std::string>{}}) {
        const TOOL_RESULT result = run(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        for (const char* command : {"ls", "export-xml REV TYPE FILE", "import-xml FILE REV TYPE", "check"})
            EXPECT_NE(result.out.find(std::string("\n  ") + command), std::string::npos) << command;
    }
}

TEST_F(TOOL_PROJECT, ListsStoredReportsSortedInAlignedColumns)
{
    TOOL_RESULT result = run({"ls"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_FALSE(fs::exists(m_project / "db")) << "listing creates no database";

    store("top", "placed.sta", "a");
    store("alpha", "fit", "a longer text to make a larger file");
    store("top", "fit", "b");
    result = run({"--project", m_project.string(), "ls"});
    EXPECT_EQ(result.status, 0);
    std::istringstream lines(result.out);
    for (const auto& [rev, type] :
         {std::pair{"alpha", "fit"}, std::pair{"top", "fit"}, std::pair{"top", "placed.sta"}}) {
        std::string line, got_rev, got_type, size, date, time;
        std::getline(lines, line);
        std::istringstream(line) >> got_rev >> got_type >> size >> date >> time;
        EXPECT_EQ(got_rev + " " + got_type, std::string(rev) + " " + type);
        EXPECT_EQ(size, std::to_string(fs::file_size(stored_file(rev, type))));
        EXPECT_EQ(line.find(type), std::string("alpha  ").size()) << "columns are aligned: " << line;
        std::istringstream stamp(date + " " + time);
        std::tm tm{};
        stamp >> std::get_time(&tm, "%Y-%m-%d %H:%M:%S");
        EXPECT_TRUE(!stamp.fail() && stamp.peek() == EOF && line.ends_with(" " + time)) << line;
    }
    std::string extra;
    EXPECT_FALSE(std::getline(lines, extra)) << extra;
}

TEST_F(TOOL_PROJECT, ExportImportRoundTripKeepsTheBytesAlsoThroughTheStandardStreams)
{
    store("top", "placed.sta", "cell & <text>");
    const fs::path first = m_root / "first.xml";
    TOOL_RESULT result = run({"export-xml", "top", "placed.sta", first.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(tool_read_file(first).find("cell &amp; &lt;text&gt;"), std::string::npos);

    result = run({"import-xml", first.string(), "copy", "placed.sta"});
    ASSERT_EQ(result.status, 0) << result.err;
    result = run({"export-xml", "copy", "placed.sta", "-"});
    EXPECT_EQ(result.out, tool_read_file(first));

    result = run({"import-xml", "-", "piped", "placed.sta"}, first);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(run({"export-xml", "piped", "placed.sta", "-"}).out, tool_read_file(first));
}

TEST_F(TOOL_PROJECT, CheckNamesTheReportThatCannotBeLoaded)
{
    store("good", "fit", "a");
    store("bad", "fit", "b");
    EXPECT_EQ(run({"check"}).status, 0);

    const fs::path damaged = stored_file("bad", "fit");
    std::string bytes = tool_read_file(damaged);
    ASSERT_GT(bytes.size(), 64u);
    for (std::size_t i = 40; i < 48; ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    fs::remove(damaged.string() + ".bak");

    const TOOL_RESULT result = run({"check"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.starts_with("FAILED  bad ")) << result.out;
    EXPECT_TRUE(result.out.ends_with("\nok      good  fit\n2 reports checked, 1 failed, 0 warnings\n")) << result.out;
    EXPECT_EQ(result.err, "rdb: 1 of 2 stored reports cannot be loaded\n");

    // The project page still writes the good report, lists the bad one as not written, and fails.
    const TOOL_RESULT html = run({"export-html", "--all", (m_root / "site").string()});
    EXPECT_EQ(html.status, 1);
    EXPECT_TRUE(html.err.starts_with("rdb: the report 'bad' of type 'fit' could not be written: ")) << html.err;
    EXPECT_TRUE(fs::is_regular_file(m_root / "site" / "good.fit.html"));
    EXPECT_NE(tool_read_file(m_root / "site" / "index.html").find("could not be written: "), std::string::npos);
}

TEST_F(TOOL_PROJECT, BadInputGivesOneLineAndItsExitStatus)
{
    store("top", "fit", "a");
    const std::string garbage = (m_root / "garbage.xml").string();
    std::ofstream(garbage) << "<report><folders><root name_id=\"1\"";
    const std::string out = (m_root / "out.xml").string();
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        {2, {"frobnicate"}},
        {2, {"ls", "extra"}},
        {2, {"--verbose", "ls"}},
        {2, {"--project"}},
        {2, {"export-xml", "top", "fit"}},
        {2, {"export-xml", "top", "nope", out}},
        {2, {"export-xml", "", "fit", out}},
        {1, {"export-xml", "missing", "fit", out}},
        {1, {"export-xml", "top", "fit", (m_root / "no" / "dir.xml").string()}},
        {1, {"import-xml", (m_root / "missing.xml").string(), "top", "fit"}},
        {1, {"import-xml", m_root.string(), "top", "fit"}},
        {1, {"import-xml", garbage, "top", "fit"}},
        {2, {"import-xml", garbage, "top", "placed.bogus.key"}},
        {1, {"import-xml", "-", "top", "fit"}},
        {1, {"--project", (m_root / "absent").string(), "ls"}},
        {2, {"ls", "--all"}},
        {2, {"export-html", "--all"}},
        {2, {"export-html", "--all", "top", "fit"}},
        {1, {"export-html", "--all", (m_root / "garbage.xml" / "site").string()}},
    };
    for (const auto& [status, args] : cases) {
        const TOOL_RESULT result = run(args);
        EXPECT_EQ(result.status, status) << args.back();
        EXPECT_EQ(result.out, "") << args.back();
        EXPECT_TRUE(result.err.starts_with("rdb: ") && result.err.find('\n') == result.err.size() - 1)
            << args.back() << ": " << result.err;
    }
    EXPECT_FALSE(fs::exists(out)) << "a failed export writes no file";
    EXPECT_FALSE(fs::exists(m_root / "absent"));
    EXPECT_EQ(run({"check"}).out, "ok      top  fit\n1 report checked, 0 failed, 0 warnings\n")
        << "failed imports leave the stored report alone";
}
