#include "test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "msg/msg.h"
#include "rdb.h"
#include "rdb_report.h"

namespace {

DEBUG_RECORDER* g_recorder = nullptr;

void throwing_handler(const char* condition, const char*, const char* file, int line)
{
    throw RDB_INTERNAL_ERROR_EXCEPTION(condition, file, line);
}

void recording_handler(const char* component, int level, const char* text);

// A test that forgets to choose a project directory must not write into the directory it was started
// from: the default project directory of every test program is a fresh temporary one (children
// inherit it; only the process that made it removes it).
struct DEFAULT_PROJECT {
    DEFAULT_PROJECT()
    {
        if (std::getenv("RDB_PROJECT_DIR") != nullptr) return;
        char pattern[] = "/tmp/rdb_test_project_XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        m_dir = pattern;
        m_owner = ::getpid();
        ::setenv("RDB_PROJECT_DIR", pattern, 1);
    }
    ~DEFAULT_PROJECT()
    {
        std::error_code ignored;
        if (!m_dir.empty() && ::getpid() == m_owner) std::filesystem::remove_all(m_dir, ignored);
    }
    std::string m_dir;
    pid_t m_owner = 0;
};

// Installs the handlers before main, so every test (and every static in it) sees them.
struct INSTALL {
    INSTALL()
    {
        msg_set_internal_error_handler(&throwing_handler);
        msg_set_debug_handler(&recording_handler);
    }
    DEFAULT_PROJECT project;
} g_install;

} // namespace

// Lets the recorder append to its private list.
struct DEBUG_RECORDER_ACCESS {
    static void add(DEBUG_RECORDER* recorder, DEBUG_LINE line) { recorder->m_lines.push_back(std::move(line)); }
};

namespace {
void recording_handler(const char* component, int level, const char* text)
{
    if (g_recorder) DEBUG_RECORDER_ACCESS::add(g_recorder, DEBUG_LINE{component, level, text});
}
} // namespace

DEBUG_RECORDER::DEBUG_RECORDER() : m_outer(g_recorder) { g_recorder = this; }
DEBUG_RECORDER::~DEBUG_RECORDER() { g_recorder = m_outer; }

bool DEBUG_RECORDER::saw(const std::string& text) const
{
    for (const DEBUG_LINE& line : m_lines)
        if (line.text == text) return true;
    return false;
}

int run_test_in_fresh_process(const char* marker, const char* gtest_filter)
{
    const std::string filter = std::string("--gtest_filter=") + gtest_filter;
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::setenv(marker, "1", 1);
        ::execl("/proc/self/exe", "test", filter.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEMP_PROJECT::TEMP_PROJECT(const std::string& tag)
{
    std::string pattern = "/tmp/" + tag + "_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder for " + pattern);
    m_dir = pattern;
    gen_set_project_directory(m_dir);
    RDB_REPORT::reset_kdb_path();
}

TEMP_PROJECT::~TEMP_PROJECT()
{
    gen_set_project_directory(std::string());
    RDB_REPORT::reset_kdb_path();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

std::string TEMP_PROJECT::db_file(const std::string& name) const
{
    return fio_join(gen_get_db_dir_path_string(), name);
}

std::string TEMP_PROJECT::output_file(const std::string& name) const
{
    return fio_join(gen_get_project_output_directory(), name);
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::size_t screen_width(const std::string& line)
{
    std::size_t n = 0;
    for (unsigned char byte : line)
        n += (byte & 0xC0) != 0x80;
    return n;
}

std::string patched(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string first_difference(const std::string& expected, const std::string& actual)
{
    if (expected == actual) return "";
    const std::vector<std::string> a = lines_of(expected), b = lines_of(actual);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string left = i < a.size() ? a[i] : "<end>", right = i < b.size() ? b[i] : "<end>";
        if (left != right) return "line " + std::to_string(i + 1) + ":\n expected: " + left + "\n   actual: " + right;
    }
    return "the texts differ in their line ends";
}

void expect_golden(const std::string& file, const std::string& text)
{
    const std::string path = std::string(RDB_TEST_DATA_DIR) + "/golden/" + file;
    if (std::getenv("RDB_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << text;
        GTEST_SKIP() << "golden file " << path << " regenerated";
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << "missing golden file " << path;
    const std::string expected{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(text == expected) << "differs from " << path << " (RDB_UPDATE_GOLDEN=1 writes it again) at "
                                  << first_difference(expected, text);
}

// ---- Recording visitor -------------------------------------------------------------------------------

void RECORDING_VISITOR::record(const char* operation, const RDB_OBJECT* object)
{
    m_calls.push_back(std::string(operation) + ":" + object->get_name());
}

void RECORDING_VISITOR::record_cell(const char* operation, const RDB_TABLE_ELEMENT* cell)
{
    m_calls.push_back(std::string(operation) + ":" + cell->get_string());
}

void RECORDING_VISITOR::walk_folder(const char* operation, RDB_FOLDER_OBJECT* folder)
{
    record(operation, folder);
    if (m_walk) RDB_OBJECT_VISITOR::visit_folder(folder);
}

void RECORDING_VISITOR::walk_table(const char* operation, RDB_TABLE_OBJECT* table)
{
    record(operation, table);
    if (!m_walk) return;
    for (RDB_TABLE_ROW* row : *table)
        if (row != nullptr)
            for (RDB_TABLE_ELEMENT* cell : *row)
                if (cell != nullptr) cell->accept_visitor(this);
}

#define RDB_DEFINE_VISIT(operation, CLASS, action)                                                                     \
    void RECORDING_VISITOR::visit_##operation(CLASS* visited) { action(#operation, visited); }
RDB_VISITOR_OPERATIONS(RDB_DEFINE_VISIT)
#undef RDB_DEFINE_VISIT
