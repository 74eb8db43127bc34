#include <cstdlib>
#include <memory>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <boost/numeric/conversion/cast.hpp>

#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_text.h"
#include "test_support.h"

namespace {

RDB_REPORT_CONTROLLER& controller() { return RDB_SINGLETON_STATE::get().get_rpt_controller(); }

const char* const UNSAFE_GET = "is_it_safe_for_rdb_controller_to_handle_the_report( report_key, report )";
const char* const UNSAFE_OLD = "is_it_safe_for_rdb_controller_to_handle_the_report( report_key, old_report )";
const char* const UNSAFE_NEW = "is_it_safe_for_rdb_controller_to_handle_the_report( report_key, report)";

} // namespace

TEST(RdbReportController, PanelIdsReuseTheLowestFreeSlot)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_TEXT_OBJECT a("a"), b("b"), c("c"), d("d");
    EXPECT_EQ(controller().add_panel_info(&a), 0);
    EXPECT_EQ(controller().add_panel_info(&b), 1);
    EXPECT_EQ(controller().add_panel_info(&c), 2);
    controller().erase_panel_info(&b);
    EXPECT_EQ(controller().get_panel_by_id(1), nullptr);
    EXPECT_EQ(controller().get_id_by_panel(&b), -1);
    EXPECT_EQ(controller().add_panel_info(&d), 1);
    EXPECT_EQ(controller().get_panel_by_id(0), &a);
    EXPECT_EQ(controller().get_panel_by_id(1), &d);
    EXPECT_EQ(controller().get_id_by_panel(&c), 2);

    // Past the slots: null; an object never added: -1 and index 0xFFFFFFFF.
    EXPECT_EQ(controller().get_panel_by_id(3), nullptr);
    EXPECT_EQ(controller().get_panel_by_id(~std::uint64_t(0)), nullptr);
    RDB_TEXT_OBJECT stranger("stranger");
    std::uint64_t index = 7;
    EXPECT_EQ(controller().find_panel_info(&stranger, &index), nullptr);
    EXPECT_EQ(index, 0xFFFFFFFFu);
    EXPECT_EQ(controller().get_id_by_panel(&stranger), -1);
    ASSERT_NE(controller().find_panel_info(&c, &index), nullptr);
    EXPECT_EQ(index, 2u);
    // Erasing an object that is not present changes nothing.
    controller().erase_panel_info(&stranger);
    EXPECT_EQ(controller().get_panel_slot_count(), 3u);
}

TEST(RdbReportController, PanelMisuseIsAnInternalError)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_TEXT_OBJECT a("a");
    controller().add_panel_info(&a);
    EXPECT_INTERNAL_ERROR(controller().add_panel_info(&a), "Specified object already existes.");
    EXPECT_INTERNAL_ERROR(controller().add_panel_info(nullptr), "object != 0");
    EXPECT_INTERNAL_ERROR(controller().erase_panel_info(nullptr), "object != 0");
}

TEST(RdbReportController, DestroyingAnObjectFreesItsPanelId)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    auto folder = std::make_unique<RDB_FOLDER_OBJECT>("folder");
    auto* child = new RDB_TEXT_OBJECT("child");
    folder->add_object_to_list(child);
    EXPECT_EQ(controller().add_panel_info(folder.get()), 0);
    EXPECT_EQ(controller().add_panel_info(child), 1);
    folder.reset();
    EXPECT_EQ(controller().get_panel_by_id(0), nullptr);
    EXPECT_EQ(controller().get_panel_by_id(1), nullptr);
    RDB_TEXT_OBJECT next("next");
    EXPECT_EQ(controller().add_panel_info(&next), 0);
}

TEST(RdbReportController, ClearReportsKeepsOnlyExeReports)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT exe, other;
    controller().update_report("top.fit", &exe);
    controller().update_report("top.sta", &other);
    controller().update_report("top.asm", nullptr);
    controller().add_exe_report("top.fit");
    controller().add_exe_report("top.asm");
    controller().add_exe_report("top.fit");
    EXPECT_TRUE(controller().is_exe_report("top.fit"));
    EXPECT_FALSE(controller().is_exe_report("top.sta"));

    controller().clear_reports();
    ASSERT_EQ(controller().get_reports().size(), 1u);
    EXPECT_EQ(controller().get_report("top.fit"), &exe);
    EXPECT_EQ(controller().get_report("top.sta"), nullptr);

    controller().clear_exe_report();
    EXPECT_FALSE(controller().is_exe_report("top.fit"));
    controller().clear_reports();
    EXPECT_TRUE(controller().get_reports().empty());
}

TEST(RdbReportController, UpdateReplacesWithoutDeletingAndTempRemoveDrops)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT first, second;
    controller().update_report("k", &first);
    controller().update_report("k", &second);
    EXPECT_EQ(controller().get_report("k"), &second);
    // first was not deleted: it is still usable.
    EXPECT_EQ(first.get_main_folder()->get_name(), "Default Main Folder");
    controller().update_report("k", nullptr);
    EXPECT_EQ(controller().get_report("k"), nullptr);
    EXPECT_EQ(controller().get_reports().count("k"), 1u);
    controller().temp_remove_all_of("k");
    EXPECT_EQ(controller().get_reports().count("k"), 0u);
}

TEST(RdbReportController, ReadOnlyReports)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    EXPECT_FALSE(RDB_REPORT_CONTROLLER::is_report_read_only(nullptr));
    RDB_REPORT report;
    EXPECT_FALSE(RDB_REPORT_CONTROLLER::is_report_read_only(&report));
    auto* current = new RDB_FOLDER_OBJECT("current");
    report.get_main_folder()->add_object_to_list(current);
    report.set_current_folder(current);
    report.get_main_folder()->_chmod(RDB_OBJECT::READ_ONLY);
    EXPECT_TRUE(RDB_REPORT_CONTROLLER::is_report_read_only(&report));
    // A writable current folder makes the report writable again.
    current->_chmod(RDB_OBJECT::READ_WRITE);
    EXPECT_FALSE(RDB_REPORT_CONTROLLER::is_report_read_only(&report));
    report.set_current_folder(nullptr);
    EXPECT_TRUE(RDB_REPORT_CONTROLLER::is_report_read_only(&report));
    report.get_main_folder()->_chmod(RDB_OBJECT::READ_WRITE);
}

TEST(RdbReportController, ConcurrentAccessOnlyKeysRefuseWritableReports)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT writable, read_only;
    read_only.get_main_folder()->_chmod(RDB_OBJECT::READ_ONLY);

    controller().update_report("top.sta", &writable);
    controller().set_report_to_concurrent_access_only("top.sta");
    EXPECT_TRUE(controller().is_report_concurrent_access_only("top.sta"));
    EXPECT_FALSE(controller().is_it_safe_for_rdb_controller_to_handle_the_report("top.sta", &writable));
    EXPECT_FALSE(controller().is_it_safe_for_rdb_controller_to_handle_the_report("top.sta", nullptr));
    EXPECT_TRUE(controller().is_it_safe_for_rdb_controller_to_handle_the_report("top.sta", &read_only));
    EXPECT_TRUE(controller().is_it_safe_for_rdb_controller_to_handle_the_report("top.fit", &writable));

    EXPECT_INTERNAL_ERROR(controller().get_report("top.sta"), UNSAFE_GET);
    EXPECT_INTERNAL_ERROR(controller().update_report("top.sta", &read_only), UNSAFE_OLD);
    controller().hack_allow_non_concurrent_access_to_report("top.sta");
    controller().update_report("top.sta", nullptr);
    controller().set_report_to_concurrent_access_only("top.sta");
    EXPECT_INTERNAL_ERROR(controller().update_report("top.sta", &writable), UNSAFE_NEW);
    controller().update_report("top.sta", &read_only);
    EXPECT_EQ(controller().get_report("top.sta"), &read_only);
    controller().temp_remove_all_of("top.sta");
    read_only.get_main_folder()->_chmod(RDB_OBJECT::READ_WRITE);
}

TEST(RdbReportController, ResetsGiveAnEmptyController)
{
    RDB_TEXT_OBJECT panel("panel");
    RDB_REPORT report;
    {
        RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
        controller().add_panel_info(&panel);
        controller().update_report("top.fit", &report);
        controller().set_report_to_concurrent_access_only("top.sta");
        RDB_REPORT_CONTROLLER::reset_singleton_for_unit_test();
        EXPECT_TRUE(controller().get_reports().empty());
        EXPECT_EQ(controller().get_panel_slot_count(), 0u);
        EXPECT_FALSE(controller().is_report_concurrent_access_only("top.sta"));
        EXPECT_EQ(controller().add_panel_info(&panel), 0);
        controller().update_report("top.fit", &report);
    }
    // Leaving the scope replaced the controller with a fresh one.
    EXPECT_EQ(controller().get_id_by_panel(&panel), -1);
    EXPECT_TRUE(controller().get_reports().empty());
}

TEST(RdbReportController, KeyHashIsFnv1a64)
{
    RDB_STRING_HASH hash;
    EXPECT_EQ(hash(""), static_cast<std::size_t>(0xcbf29ce484222325ULL));
    EXPECT_EQ(hash("a"), static_cast<std::size_t>(0xaf63dc4c8601ec8cULL));
}

namespace {
RDB_TEXT_OBJECT* g_exit_panel = nullptr;
// Registered before the singleton's first use, so it runs at exit after any destructor the singleton
// would have registered for itself: the controller must still be the one that gave out the panel id.
void check_controller_at_exit()
{
    const int id = RDB_SINGLETON_STATE::get().get_rpt_controller().get_id_by_panel(g_exit_panel);
    _exit(id == 0 ? 0 : 3);
}
} // namespace

// Runs in a fresh copy of this program (started by the test below), where nothing has used the
// singleton yet.
TEST(RdbReportController, SingletonExitChild)
{
    if (std::getenv("RDB_SINGLETON_EXIT_CHILD") == nullptr) GTEST_SKIP() << "runs only as the child below";
    std::atexit(&check_controller_at_exit);
    g_exit_panel = new RDB_TEXT_OBJECT("panel");
    RDB_SINGLETON_STATE::get().get_rpt_controller().add_panel_info(g_exit_panel);
    std::exit(0);
}

TEST(RdbReportController, SingletonOutlivesExitHandlers)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("RDB_SINGLETON_EXIT_CHILD", "1", 1);
        execl("/proc/self/exe", "rdb_report_controller_test", "--gtest_filter=RdbReportController.SingletonExitChild",
              static_cast<char*>(nullptr));
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
