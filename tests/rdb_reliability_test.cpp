// Fault tests with real processes: writers killed in the middle of a save, and several processes
// changing one concurrent-access-only report at once. Every child bounds itself with alarm(), so a
// hang ends as a failed child rather than a stuck test.

#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gen/gen_project.h"
#include "kdb/kdb.h"
#include "rdb_concurrent_access.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_table_sys.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string REV = "top";
constexpr unsigned CHILD_TIME_LIMIT_SECONDS = 60;

// Child exit codes.
constexpr int CHILD_INTERNAL_ERROR = 3;
constexpr int CHILD_STORE_FAILED = 4;
constexpr int CHILD_LOST_UPDATE = 5;
constexpr int CHILD_EXCEPTION = 6;

class RdbReliability : public ::testing::Test {
protected:
    TEMP_PROJECT m_project{"rdb_reliability_test"};
    ~RdbReliability() override { RDB_REPORT::free_all_reports(); }

    // Runs body in a child process that ends with _exit: 0 when body returns, an error code otherwise.
    template <class BODY> static pid_t start_child(BODY body)
    {
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        ::alarm(CHILD_TIME_LIMIT_SECONDS);
        int code = 0;
        try {
            code = body();
        } catch (const RDB_INTERNAL_ERROR_EXCEPTION&) {
            code = CHILD_INTERNAL_ERROR;
        } catch (...) {
            code = CHILD_EXCEPTION;
        }
        ::_exit(code);
    }
    // "exit N" or "signal N".
    static std::string status_text(int status)
    {
        if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
        if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
        return "status " + std::to_string(status);
    }

    static std::unique_ptr<RDB_REPORT> stored_report(RDB_REPORT_TYPE type)
    {
        return rdb_load_report_model(*kdb_get_default_service(), RDB_REPORT::get_kdb_path(REV, type));
    }

    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
};

// ---- Writers killed mid-save -------------------------------------------------------------------

// The growing report: version k holds the tables T1..Tk, table Ti with ROWS data rows. After
// MAX_TABLES it starts again from T1.
constexpr int ROWS = 40;
constexpr int MAX_TABLES = 30;
constexpr int KILLS = 30;

std::string cell_text(int table, int row) { return "T" + std::to_string(table) + ".r" + std::to_string(row); }

void add_growing_table(RDB_REPORT& report, int table)
{
    auto* object = new RDB_TABLE_OBJECT("T" + std::to_string(table));
    object->add_row_of_strings("Row", "Value");
    for (int row = 0; row < ROWS; ++row)
        object->add_row_of_strings(cell_text(table, row).c_str(), std::to_string(table * 1000 + row).c_str());
    report.get_main_folder()->add_object_to_list(object);
}

// k when the report is exactly version k, each table complete; -1 otherwise.
int version_of(const RDB_REPORT& report)
{
    int table = 0;
    for (const RDB_OBJECT* child : static_cast<const RDB_FOLDER_OBJECT&>(report.get_main_folder_r())) {
        ++table;
        const RDB_TABLE_OBJECT* object = child->dynamic_cast_to_RDB_TABLE_OBJECT();
        if (object == nullptr || object->get_name() != "T" + std::to_string(table)) return -1;
        if (object->get_number_of_rows() != ROWS + 1) return -1;
        for (int row = 0; row < ROWS; ++row) {
            if (object->get_data_string(row + 1, 0) != cell_text(table, row)) return -1;
            if (object->get_data_string(row + 1, 1) != std::to_string(table * 1000 + row)) return -1;
        }
    }
    return table;
}

int next_version(int version) { return version >= MAX_TABLES ? 1 : version + 1; }

// Moves report from its version to the next one.
void grow(RDB_REPORT& report, int version)
{
    if (version >= MAX_TABLES) {
        report.add_main_folder(new RDB_FOLDER_OBJECT("Default Main Folder"));
        version = 0;
    }
    add_growing_table(report, version + 1);
}

// Tells the parent that this version is stored.
bool announce(int fd, int version)
{
    const unsigned char byte = static_cast<unsigned char>(version);
    return ::write(fd, &byte, 1) == 1;
}

// Saves through the registry: the report is loaded once, then grown and written again and again.
int save_through_registry(int fd, RDB_REPORT_TYPE type)
{
    RDB_REPORT* report = RDB_REPORT::get_report(REV, type);
    if (report == nullptr) {
        report = new RDB_REPORT();
        RDB_REPORT::add_report(REV, type, report);
    }
    int version = version_of(*report);
    if (version < 0) return CHILD_LOST_UPDATE;
    for (;;) {
        grow(*report, version);
        version = next_version(version);
        if (!RDB_REPORT::write_report(REV, type)) return CHILD_STORE_FAILED;
        if (!announce(fd, version)) return CHILD_EXCEPTION;
    }
}

// Saves through the concurrent-access writer: every version is its own lock / load / unlock cycle.
int save_through_concurrent_access(int fd, RDB_REPORT_TYPE type)
{
    for (;;) {
        RDB_CONCURRENT_ACCESS access;
        access.lock(REV, type);
        if (!access.load()) access.new_report();
        const int version = version_of(*access.report());
        if (version < 0) return CHILD_LOST_UPDATE;
        grow(*access.report(), version);
        if (!access.unlock(false)) return CHILD_STORE_FAILED;
        if (!announce(fd, next_version(version))) return CHILD_EXCEPTION;
    }
}

enum class WRITER { REGISTRY, CONCURRENT_ACCESS };

class RdbKilledWriter : public RdbReliability {
protected:
    // KILLS rounds: a writer child starts from the stored report and saves growing versions; the
    // parent waits for one to three of them, then kills the child at a random moment. After each
    // kill the stored report must be the last version the child announced or the one it was saving.
    void run_kill_rounds(WRITER writer, RDB_REPORT_TYPE type)
    {
        std::random_device entropy;
        const unsigned start_value = entropy();
        SCOPED_TRACE("random start value " + std::to_string(start_value));
        std::mt19937 random(start_value);
        std::uniform_int_distribution<int> saves_to_wait(1, 3);
        std::uniform_int_distribution<int> delay_us(0, 3000);

        int confirmed = 0; // the stored version before the round
        for (int round = 0; round < KILLS; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            int pipe_fds[2];
            ASSERT_EQ(::pipe(pipe_fds), 0);
            const pid_t pid = start_child([&] {
                ::close(pipe_fds[0]);
                return writer == WRITER::REGISTRY ? save_through_registry(pipe_fds[1], type)
                                                  : save_through_concurrent_access(pipe_fds[1], type);
            });
            ASSERT_GT(pid, 0);
            ::close(pipe_fds[1]);

            int announced = confirmed;
            bool child_ended_by_itself = false;
            for (int wanted = saves_to_wait(random); wanted > 0; --wanted) {
                unsigned char byte = 0;
                ssize_t got = ::read(pipe_fds[0], &byte, 1);
                while (got < 0 && errno == EINTR)
                    got = ::read(pipe_fds[0], &byte, 1);
                if (got != 1) {
                    child_ended_by_itself = true;
                    break;
                }
                announced = byte;
            }
            if (!child_ended_by_itself) {
                ::usleep(static_cast<useconds_t>(delay_us(random)));
                ::kill(pid, SIGKILL);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            // Announcements made between the last read and the kill.
            unsigned char byte = 0;
            while (::read(pipe_fds[0], &byte, 1) == 1)
                announced = byte;
            ::close(pipe_fds[0]);
            ASSERT_FALSE(child_ended_by_itself) << "the writer stopped by itself: " << status_text(status);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status_text(status);

            std::unique_ptr<RDB_REPORT> stored = stored_report(type);
            ASSERT_NE(stored, nullptr) << "no report loads after the kill";
            const int version = version_of(*stored);
            ASSERT_TRUE(version == announced || version == next_version(announced))
                << "stored version " << version << " after announced version " << announced;
            confirmed = version;
        }
    }
};

TEST_F(RdbKilledWriter, RegistryWriteLeavesALoadableVersion)
{
    run_kill_rounds(WRITER::REGISTRY, RDB_REPORT_TYPE(RDB_FITTER_REPORT));
}

TEST_F(RdbKilledWriter, ConcurrentAccessWriteLeavesALoadableVersion)
{
    const RDB_REPORT_TYPE type(RDB_SYNTHESIS_REPORT);
    RDB_CONCURRENT_ACCESS::set_report_type_to_concurrent_access_only(REV, type);
    run_kill_rounds(WRITER::CONCURRENT_ACCESS, type);
}

// ---- Several processes updating one report -----------------------------------------------------

constexpr int PROCESSES = 4;
constexpr int UPDATES_PER_PROCESS = 25;

std::string update_name(int process, int update)
{
    return "P" + std::to_string(process) + "_U" + std::to_string(update);
}

// One process's updates; each must find all of its earlier updates in the stored report.
int make_updates(int process, RDB_REPORT_TYPE type)
{
    for (int update = 0; update < UPDATES_PER_PROCESS; ++update) {
        RDB_CONCURRENT_ACCESS access;
        access.lock(REV, type);
        if (!access.load()) access.new_report();
        RDB_FOLDER_OBJECT& main_folder = access.report()->get_main_folder_r();
        for (int earlier = 0; earlier < update; ++earlier)
            if (main_folder.find_object(update_name(process, earlier)) == nullptr) return CHILD_LOST_UPDATE;
        auto* table = new RDB_TABLE_OBJECT(update_name(process, update));
        table->add_row_of_strings("Process", "Update");
        table->add_row_of_strings(std::to_string(process).c_str(), std::to_string(update).c_str());
        main_folder.add_object_to_list(table);
        if (!access.unlock(false)) return CHILD_STORE_FAILED;
    }
    return 0;
}

TEST_F(RdbReliability, ConcurrentUpdatesFromSeveralProcessesAreAllKept)
{
    const RDB_REPORT_TYPE type(RDB_FITTER_REPORT);
    RDB_CONCURRENT_ACCESS::set_report_type_to_concurrent_access_only(REV, type);

    std::vector<pid_t> children;
    for (int process = 0; process < PROCESSES; ++process) {
        const pid_t pid = start_child([process, type] { return make_updates(process, type); });
        ASSERT_GT(pid, 0);
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << pid << ": " << status_text(status);
    }

    std::unique_ptr<RDB_REPORT> stored = stored_report(type);
    ASSERT_NE(stored, nullptr);
    std::multiset<std::string> found;
    for (const RDB_OBJECT* child : static_cast<const RDB_FOLDER_OBJECT&>(stored->get_main_folder_r()))
        found.insert(child->get_name());
    std::multiset<std::string> expected;
    for (int process = 0; process < PROCESSES; ++process)
        for (int update = 0; update < UPDATES_PER_PROCESS; ++update)
            expected.insert(update_name(process, update));
    EXPECT_EQ(found, expected);
}

} // namespace
