// The rdb command-line tool, run as a separate process on a temporary project.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kdb/kdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "test_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct RESULT {
    int status = -1;
    std::string out;
    std::string err;
};

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class TOOL_PROJECT : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(RDB_TOOL_PATH).empty()) GTEST_SKIP() << "the tools are not built";
        char pattern[] = "/tmp/rdb_tool_test_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        m_project = m_root / "project";
        fs::create_directories(m_project);
    }
    void TearDown() override
    {
        if (!m_root.empty()) fs::remove_all(m_root);
    }

    // Runs the tool with the arguments and standard input from input; the environment loses RDB_PROJECT_DIR and RDB_DEBUG_LEVEL
    // unless project_env names a project.
    RESULT run(const std::vector<std::string>& args, const std::string& project_env = std::string(),
               const fs::path& input = "/dev/null") const
    {
        std::vector<std::string> env_text;
        for (char** e = environ; *e != nullptr; ++e)
            if (std::strncmp(*e, "RDB_PROJECT_DIR=", 16) != 0 && std::strncmp(*e, "RDB_DEBUG_LEVEL=", 16) != 0)
                env_text.emplace_back(*e);
        if (!project_env.empty()) env_text.push_back("RDB_PROJECT_DIR=" + project_env);
        std::vector<char*> env;
        for (std::string& e : env_text) env.push_back(e.data());
        env.push_back(nullptr);

        std::vector<std::string> argv_text = {RDB_TOOL_PATH};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argv_text) argv.push_back(a.data());
        argv.push_back(nullptr);

        const fs::path out = m_root / "stdout";
        const fs::path err = m_root / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        RESULT result;
        if (posix_spawn(&pid, RDB_TOOL_PATH, &actions, nullptr, argv.data(), env.data()) == 0) {
            int status = 0;
            if (::waitpid(pid, &status, 0) == pid) result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = read_file(out);
        result.err = read_file(err);
        return result;
    }
    // Standard input comes from the input file.
    RESULT run_in_project(std::vector<std::string> args, const fs::path& input = "/dev/null") const
    {
        args.insert(args.begin(), {"--project", m_project.string()});
        return run(args, std::string(), input);
    }

    // Stores a small report with one table whose only cell is text.
    void store(const std::string& rev, const std::string& type, const std::string& text) const
    {
        fs::create_directories(db_dir());
        RDB_REPORT report;
        report.get_main_folder()->set_name("Main");
        auto* table = new RDB_TABLE_OBJECT("Table");
        table->add_row(rdb_create_row(std::vector<std::string>{text}));
        report.get_main_folder()->add_object_to_list(table);
        KDB_SERVICE service(db_dir().string());
        ASSERT_TRUE(rdb_store_report_model(service, RDB_REPORT::get_kdb_path(rev, type), report));
    }
    fs::path db_dir() const { return m_project / "db"; }
    fs::path stored_file(const std::string& rev, const std::string& type) const
    {
        return KDB_SERVICE(db_dir().string()).get_model_file_path(RDB_REPORT::get_kdb_path(rev, type));
    }

    fs::path m_root;
    fs::path m_project;
};

// "YYYY-MM-DD HH:MM:SS".
bool is_time_text(const std::string& text)
{
    const std::string shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i]) return false;
    return true;
}

// A failed command: non-zero status, nothing on stdout, exactly one "rdb: " line on stderr.
void expect_one_line_failure(const RESULT& result, const std::string& what)
{
    EXPECT_NE(result.status, 0) << what;
    EXPECT_LT(result.status, 3) << what;
    EXPECT_EQ(result.out, "") << what;
    const std::vector<std::string> lines = lines_of(result.err);
    ASSERT_EQ(lines.size(), 1u) << what << ": " << result.err;
    EXPECT_EQ(lines[0].rfind("rdb: ", 0), 0u) << what << ": " << result.err;
}

} // namespace

TEST_F(TOOL_PROJECT, HelpListsEveryCommand)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, std::vector<std::string>{"-h"}, std::vector<std::string>{}}) {
        const RESULT result = run(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        for (const char* command : {"ls", "export-xml REV TYPE FILE", "import-xml FILE REV TYPE", "check"})
            EXPECT_NE(result.out.find(std::string("\n  ") + command), std::string::npos) << command;
    }
}

TEST_F(TOOL_PROJECT, ListsNothingInAnEmptyProjectWithoutCreatingItsDatabase)
{
    const RESULT result = run_in_project({"ls"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(fs::exists(db_dir()));
}

TEST_F(TOOL_PROJECT, ListsStoredReportsSortedInAlignedColumns)
{
    store("top", "placed.sta", "a");
    store("alpha", "fit", "a longer text to make a larger file");
    store("top", "fit", "b");

    const RESULT result = run_in_project({"ls"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"alpha", "fit"}, {"top", "fit"}, {"top", "placed.sta"}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream words(lines[i]);
        std::string rev, type, size, date, time, rest;
        words >> rev >> type >> size >> date >> time >> rest;
        EXPECT_EQ(rev, expected[i].first);
        EXPECT_EQ(type, expected[i].second);
        EXPECT_EQ(size, std::to_string(fs::file_size(stored_file(rev, type))));
        EXPECT_TRUE(is_time_text(date + " " + time)) << lines[i];
        EXPECT_EQ(rest, "");
        EXPECT_EQ(lines[i].size(), lines[0].size()) << "columns are aligned";
        EXPECT_EQ(lines[i].find(expected[i].second), std::string("alpha  ").size()) << lines[i];
    }
}

TEST_F(TOOL_PROJECT, ProjectDefaultsToTheEnvironment)
{
    store("top", "fit", "a");
    const RESULT result = run({"ls"}, m_project.string());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("top  fit  ", 0), 0u) << result.out;
}

TEST_F(TOOL_PROJECT, ExportImportRoundTripKeepsTheBytes)
{
    store("top", "placed.sta", "cell & <text>");
    const fs::path first = m_root / "first.xml";
    const fs::path second = m_root / "second.xml";

    RESULT result = run_in_project({"export-xml", "top", "placed.sta", first.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(read_file(first).find("cell &amp; &lt;text&gt;"), std::string::npos);

    result = run_in_project({"import-xml", first.string(), "copy", "placed.sta"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::exists(stored_file("copy", "placed.sta")));
    result = run_in_project({"export-xml", "copy", "placed.sta", second.string()});
    ASSERT_EQ(result.status, 0) << result.err;

    EXPECT_EQ(read_file(second), read_file(first));
    EXPECT_EQ(result.out + result.err, "");
}

TEST_F(TOOL_PROJECT, DashIsTheStandardStream)
{
    store("top", "fit", "text");
    const fs::path file = m_root / "file.xml";
    ASSERT_EQ(run_in_project({"export-xml", "top", "fit", file.string()}).status, 0);

    const RESULT exported = run_in_project({"export-xml", "top", "fit", "-"});
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(exported.out, read_file(file));

    const RESULT imported = run_in_project({"import-xml", "-", "copy", "fit"}, file);
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(run_in_project({"export-xml", "copy", "fit", "-"}).out, read_file(file));
    expect_one_line_failure(run_in_project({"import-xml", "-", "copy", "fit"}), "empty standard input");
}

TEST_F(TOOL_PROJECT, CheckNamesTheReportThatCannotBeLoaded)
{
    store("good", "fit", "a");
    store("bad", "fit", "b");
    RESULT result = run_in_project({"check"});
    EXPECT_EQ(result.status, 0) << result.err;

    const fs::path damaged = stored_file("bad", "fit");
    std::string bytes = read_file(damaged);
    ASSERT_GT(bytes.size(), 64u);
    for (std::size_t i = 40; i < 48; ++i) bytes[i] = static_cast<char>(~bytes[i]);
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    fs::remove(damaged.string() + ".bak");

    result = run_in_project({"check"});
    EXPECT_EQ(result.status, 1);
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    EXPECT_EQ(lines[0].rfind("FAILED  bad ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("ok      good", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "2 reports checked, 1 failed");
    EXPECT_EQ(result.err, "rdb: 1 of 2 stored reports cannot be loaded\n");
}

TEST_F(TOOL_PROJECT, BadInputGivesOneLineAndNonZeroExit)
{
    store("top", "fit", "a");
    const fs::path garbage = m_root / "garbage.xml";
    std::ofstream(garbage) << "<report><folders><root name_id=\"1\"";
    const fs::path out = m_root / "out.xml";
    const std::string project = m_project.string();

    const std::vector<std::vector<std::string>> cases = {
        {"frobnicate"},
        {"ls", "extra"},
        {"export-xml", "top", "fit"},
        {"--verbose", "ls"},
        {"--project"},
        {"export-xml", "top", "nope", out.string()},
        {"export-xml", "top", "a.b.c", out.string()},
        {"export-xml", "top", "", out.string()},
        {"export-xml", "", "fit", out.string()},
        {"export-xml", "missing", "fit", out.string()},
        {"export-xml", "top", "map", out.string()},
        {"export-xml", "top", "fit", (m_root / "no" / "such" / "dir.xml").string()},
        {"import-xml", (m_root / "missing.xml").string(), "top", "fit"},
        {"import-xml", m_root.string(), "top", "fit"},
        {"import-xml", garbage.string(), "top", "fit"},
        {"import-xml", garbage.string(), "top", "placed.bogus.key"},
    };
    for (const std::vector<std::string>& args : cases) {
        std::vector<std::string> full = {"--project", project};
        full.insert(full.end(), args.begin(), args.end());
        std::string what;
        for (const std::string& a : args) what += a + " ";
        expect_one_line_failure(run(full), what);
    }
    expect_one_line_failure(run({"--project", (m_root / "absent").string(), "ls"}), "absent project");
    EXPECT_FALSE(fs::exists(out)) << "a failed export writes no file";
    EXPECT_FALSE(fs::exists(m_root / "absent"));
    EXPECT_EQ(run_in_project({"check"}).out, "ok      top  fit\n1 report checked, 0 failed\n")
        << "failed imports leave the stored report alone";
}
