#include <cstdlib>
#include <memory>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_text.h"
#include "test_support.h"

namespace {

RDB_REPORT_CONTROLLER& controller() { return RDB_SINGLETON_STATE::get().get_rpt_controller(); }

} // namespace

TEST(RdbReportController, PanelIdsReuseTheLowestFreeSlotAndDieWithTheirObjects)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_TEXT_OBJECT a("a"), b("b"), stranger("stranger");
    auto folder = std::make_unique<RDB_FOLDER_OBJECT>("folder");
    auto* child = new RDB_TEXT_OBJECT("child");
    folder->add_object_to_list(child);
    EXPECT_EQ(controller().add_panel_info(&a), 0);
    EXPECT_EQ(controller().add_panel_info(&b), 1);
    EXPECT_EQ(controller().add_panel_info(folder.get()), 2);
    EXPECT_EQ(controller().add_panel_info(child), 3);
    controller().erase_panel_info(&b);
    EXPECT_EQ(controller().get_id_by_panel(&b), -1);
    EXPECT_EQ(controller().add_panel_info(&b), 1);
    EXPECT_EQ(controller().get_panel_by_id(4), nullptr);

    std::uint64_t index = 7;
    EXPECT_EQ(controller().find_panel_info(&stranger, &index), nullptr);
    EXPECT_EQ(index, 0xFFFFFFFFu);
    controller().erase_panel_info(&stranger);
    EXPECT_EQ(controller().get_panel_slot_count(), 4u);
    EXPECT_INTERNAL_ERROR(controller().add_panel_info(&a), "Specified object already existes.");
    EXPECT_INTERNAL_ERROR(controller().add_panel_info(nullptr), "object != 0");
    EXPECT_INTERNAL_ERROR(controller().erase_panel_info(nullptr), "object != 0");

    // Destroying an object (and its children) frees their ids.
    folder.reset();
    EXPECT_EQ(controller().get_panel_by_id(2), nullptr);
    EXPECT_EQ(controller().get_panel_by_id(3), nullptr);
    EXPECT_EQ(controller().add_panel_info(&stranger), 2);
}

TEST(RdbReportController, ReportsAreReplacedWithoutDeletingAndClearingKeepsOnlyExeReports)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT exe, first, second;
    controller().update_report("top.fit", &exe);
    controller().update_report("top.sta", &first);
    controller().update_report("top.sta", &second);
    EXPECT_EQ(controller().get_report("top.sta"), &second);
    EXPECT_EQ(first.get_main_folder()->get_name(), "Default Main Folder") << "the replaced report is not deleted";
    controller().update_report("top.asm", nullptr);
    EXPECT_EQ(controller().get_reports().count("top.asm"), 1u);
    controller().temp_remove_all_of("top.asm");
    EXPECT_EQ(controller().get_reports().count("top.asm"), 0u);

    controller().add_exe_report("top.fit");
    controller().add_exe_report("top.fit");
    controller().clear_reports();
    ASSERT_EQ(controller().get_reports().size(), 1u);
    EXPECT_EQ(controller().get_report("top.fit"), &exe);
    controller().clear_exe_report();
    EXPECT_FALSE(controller().is_exe_report("top.fit"));
    controller().clear_reports();
    EXPECT_TRUE(controller().get_reports().empty());
}

TEST(RdbReportController, ReadOnlyUnlessTheCurrentFolderIsWritable)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    EXPECT_FALSE(RDB_REPORT_CONTROLLER::is_report_read_only(nullptr));
    RDB_REPORT report;
    auto* current = new RDB_FOLDER_OBJECT("current");
    report.get_main_folder()->add_object_to_list(current);
    report.set_current_folder(current);
    report.get_main_folder()->_chmod(RDB_OBJECT::READ_ONLY);
    EXPECT_TRUE(RDB_REPORT_CONTROLLER::is_report_read_only(&report));
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
    EXPECT_FALSE(controller().is_it_safe_for_rdb_controller_to_handle_the_report("top.sta", nullptr));
    EXPECT_TRUE(controller().is_it_safe_for_rdb_controller_to_handle_the_report("top.fit", &writable));

    const std::string unsafe = "is_it_safe_for_rdb_controller_to_handle_the_report( report_key, ";
    EXPECT_INTERNAL_ERROR(controller().get_report("top.sta"), unsafe + "report )");
    EXPECT_INTERNAL_ERROR(controller().update_report("top.sta", &read_only), unsafe + "old_report )");
    controller().hack_allow_non_concurrent_access_to_report("top.sta");
    controller().update_report("top.sta", nullptr);
    controller().set_report_to_concurrent_access_only("top.sta");
    EXPECT_INTERNAL_ERROR(controller().update_report("top.sta", &writable), unsafe + "report)");
    controller().update_report("top.sta", &read_only);
    EXPECT_EQ(controller().get_report("top.sta"), &read_only);
    controller().temp_remove_all_of("top.sta");
    read_only.get_main_folder()->_chmod(RDB_OBJECT::READ_WRITE);
}

TEST(RdbReportController, ResetsGiveAnEmptyControllerAndTheKeyHashIsFnv1a)
{
    RDB_TEXT_OBJECT panel("panel");
    RDB_REPORT report;
    {
        RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
        controller().add_panel_info(&panel);
        controller().set_report_to_concurrent_access_only("top.sta");
        RDB_REPORT_CONTROLLER::reset_singleton_for_unit_test();
        EXPECT_EQ(controller().get_panel_slot_count(), 0u);
        EXPECT_FALSE(controller().is_report_concurrent_access_only("top.sta"));
        EXPECT_EQ(controller().add_panel_info(&panel), 0);
        controller().update_report("top.fit", &report);
    }
    // Leaving the scope replaced the controller with a fresh one.
    EXPECT_EQ(controller().get_id_by_panel(&panel), -1);
    EXPECT_TRUE(controller().get_reports().empty());
    EXPECT_EQ(RDB_STRING_HASH()("a"), static_cast<std::size_t>(0xaf63dc4c8601ec8cULL));
}

namespace {
RDB_TEXT_OBJECT* g_exit_panel = nullptr;
// Registered before the singleton's first use, so it runs at exit after any destructor the singleton
// would have registered for itself: the controller must still be the one that gave out the panel id.
void check_controller_at_exit()
{
    _exit(RDB_SINGLETON_STATE::get().get_rpt_controller().get_id_by_panel(g_exit_panel) == 0 ? 0 : 3);
}
} // namespace

// Runs in a fresh copy of this program (started by the test below), where nothing has used the singleton.
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
    EXPECT_EQ(run_test_in_fresh_process("RDB_SINGLETON_EXIT_CHILD", "RdbReportController.SingletonExitChild"), 0);
}
