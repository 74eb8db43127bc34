#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <boost/numeric/conversion/converter_policies.hpp>

#include "dbm/dbm.h"
#include "gen/gen_project.h"
#include "ini/cfg.h"
#include "kdb/kdb.h"
#include "pdb/pdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "tcl/atcl.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

RDB_REPORT_CONTROLLER& controller() { return RDB_SINGLETON_STATE::get().get_rpt_controller(); }

// A leaf that counts its own destructions.
class COUNTED : public RDB_TEXT_OBJECT {
public:
    COUNTED(const std::string& name, int* deleted) : RDB_TEXT_OBJECT(name), m_deleted(deleted) {}
    ~COUNTED() override { ++*m_deleted; }

private:
    int* m_deleted;
};

// Every registry test: an empty registry and a fresh, empty project folder; reports left registered
// are freed at the end.
class RdbRegistry : public ::testing::Test {
protected:
    RdbRegistry()
    {
        char pattern[] = "/tmp/rdb_report_test_XXXXXX";
        m_dir = mkdtemp(pattern);
        gen_set_project_directory(m_dir);
        RDB_REPORT::reset_kdb_path();
    }
    ~RdbRegistry() override
    {
        RDB_REPORT::unset_exe_report();
        RDB_REPORT::free_all_reports();
        gen_set_project_directory(std::string());
        std::error_code error;
        fs::remove_all(m_dir, error);
    }

    // A report with folder "Fitter" holding a text "Summary" with the given text.
    static RDB_REPORT* make_report(const std::string& text)
    {
        auto* report = new RDB_REPORT();
        auto* folder = new RDB_FOLDER_OBJECT("Fitter");
        auto* summary = new RDB_TEXT_OBJECT("Summary");
        summary->set_text(text);
        folder->add_object_to_list(summary);
        report->get_main_folder()->add_object_to_list(folder);
        return report;
    }
    static std::string text_of(const RDB_REPORT* report)
    {
        if (report == nullptr) return "<no report>";
        RDB_OBJECT* object = report->get_main_folder()->find_object("Fitter||Summary");
        RDB_TEXT_OBJECT* text = object == nullptr ? nullptr : object->dynamic_cast_to_RDB_TEXT_OBJECT();
        return text == nullptr || text->get_text() == nullptr ? "<no text>" : *text->get_text();
    }
    // The text of the report stored for (rev, type), read past the registry.
    static std::string stored_text(const std::string& rev, const std::string& type)
    {
        std::unique_ptr<RDB_REPORT> stored =
            rdb_load_report_model(*kdb_get_default_service(), RDB_REPORT::get_kdb_path(rev, type));
        return text_of(stored.get());
    }
    std::set<std::string> files_ending_with(const std::string& suffix) const
    {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(gen_get_db_dir_path_string())) {
            const std::string name = entry.path().filename().string();
            if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                names.insert(name);
        }
        return names;
    }

    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
    std::string m_dir;
};

} // namespace

TEST(RdbReport, KeysAndNewReports)
{
    EXPECT_EQ(rdb_make_report_key("top", "placed.sta"), "top.placed.sta");
    EXPECT_EQ(rdb_make_report_key("my.rev", "fit"), "my.rev.fit");

    RDB_REPORT report;
    ASSERT_NE(report.get_main_folder(), nullptr);
    EXPECT_EQ(report.get_main_folder()->get_name(), "Default Main Folder");
    EXPECT_EQ(report.get_main_folder()->get_ownership_status(), OWNED);
    EXPECT_EQ(&report.get_main_folder_r(), report.get_main_folder());
    EXPECT_EQ(report.get_current_folder(), nullptr);
}

TEST(RdbReport, AddMainFolderReplacesAndDeletesTheOldTree)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT report;
    int deleted = 0;
    auto* old_child = new RDB_FOLDER_OBJECT("old child");
    report.get_main_folder()->add_object_to_list(old_child);
    old_child->add_object_to_list(new COUNTED("leaf", &deleted));
    report.set_current_folder(old_child);

    EXPECT_INTERNAL_ERROR(report.add_main_folder(nullptr), "folder");
    EXPECT_INTERNAL_ERROR(report.add_main_folder(report.get_main_folder()), "folder != m_main_folder");

    auto* fresh = new RDB_FOLDER_OBJECT("Main");
    report.add_main_folder(fresh);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(report.get_main_folder(), fresh);
    EXPECT_EQ(fresh->get_ownership_status(), OWNED);
    // The current folder was part of the deleted tree.
    EXPECT_EQ(report.get_current_folder(), nullptr);

    // A folder that another folder owns cannot become a main folder too.
    RDB_FOLDER_OBJECT holder("holder");
    auto* owned = new RDB_FOLDER_OBJECT("owned");
    holder.add_object_to_list(owned);
    EXPECT_INTERNAL_ERROR(report.add_main_folder(owned),
                          "folder->get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED");
    EXPECT_EQ(report.get_main_folder(), fresh);
}

TEST(RdbReport, FindObjectSkipsTheFirstComponent)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT report;
    auto* x = new RDB_FOLDER_OBJECT("X");
    auto* y = new RDB_TEXT_OBJECT("Y");
    report.get_main_folder()->add_object_to_list(x);
    x->add_object_to_list(y);
    EXPECT_EQ(report.find_object("Main||X"), x);
    EXPECT_EQ(report.find_object("Whatever||X||Y"), y);
    EXPECT_EQ(report.find_object("Main||"), report.get_main_folder());
    EXPECT_EQ(report.find_object("||"), report.get_main_folder());
    EXPECT_EQ(report.find_object("Main||Z"), nullptr);
    EXPECT_THROW(report.find_object("X"), boost::numeric::positive_overflow);
}

TEST(RdbReport, FindSummaryReportsWhereItLooked)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT report;
    auto* flow = new RDB_FOLDER_OBJECT("Flow");
    auto* stage = new RDB_FOLDER_OBJECT("Stage");
    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("Stage Summary");
    report.get_main_folder()->add_object_to_list(flow);
    report.get_main_folder()->add_object_to_list(stage);
    stage->add_object_to_list(summary);

    {
        DEBUG_RECORDER rec;
        EXPECT_EQ(report.find_flow_summary(), summary);
        EXPECT_TRUE(rec.saw("Looking for Summary in Default Main Folder folder."));
        EXPECT_TRUE(rec.saw("Found a summary panel named: Stage Summary in Default Main Folder folder."));
    }
    report.set_current_folder(flow);
    {
        DEBUG_RECORDER rec;
        EXPECT_EQ(report.find_summary(SEARCH_FROM_CURRENT_FOLDER), nullptr);
        EXPECT_TRUE(rec.saw("Looking for Summary in Flow folder."));
        EXPECT_TRUE(rec.saw("Couldn't find an object of RDB_SUMMARY_TABLE_OBJECT type."));
    }
    report.set_current_folder(nullptr);
    EXPECT_INTERNAL_ERROR(report.find_summary(SEARCH_FROM_CURRENT_FOLDER), "m_current_folder");
}

TEST_F(RdbRegistry, AddAndGetWithoutStorage)
{
    RDB_REPORT::add_report("top", "fit", nullptr);
    EXPECT_TRUE(controller().get_reports().empty());

    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), nullptr);
    RDB_REPORT_OUTCOME missing = RDB_REPORT::get_rpt("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT));
    ASSERT_TRUE(missing.has_error());
    EXPECT_EQ(missing.error().get_id(), RDB::ERRC::LOAD_REPORT_FAILED_ERRC);
    EXPECT_EQ(missing.error().get_id().number, 22352);
    EXPECT_EQ(missing.error().get_text(), "Failed to load reporting database 'top'.");

    RDB_REPORT* report = make_report("v1");
    RDB_REPORT::add_report("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT), report);
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), report);
    RDB_REPORT_OUTCOME found = RDB_REPORT::get_rpt("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found.value(), report);
    EXPECT_EQ(rdb_get_manager()->get_report("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT)), report);
}

TEST_F(RdbRegistry, ExeReportsSurviveFreeing)
{
    int deleted = 0;
    auto* exe = new RDB_REPORT();
    exe->get_main_folder()->add_object_to_list(new COUNTED("exe leaf", &deleted));
    auto* other = new RDB_REPORT();
    other->get_main_folder()->add_object_to_list(new COUNTED("other leaf", &deleted));
    RDB_REPORT::add_report("top", "fit", exe);
    RDB_REPORT::add_report("top", "sta", other);
    RDB_REPORT::set_as_exe_report("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT));

    RDB_REPORT::free_report("top", "fit");
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), exe);

    {
        DEBUG_RECORDER rec;
        RDB_REPORT::free_all_reports();
        EXPECT_TRUE(rec.saw("Freeing *all* reports"));
    }
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), exe);
    EXPECT_EQ(controller().get_reports().size(), 1u);

    RDB_REPORT::unset_exe_report();
    RDB_REPORT::free_report("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT));
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(controller().get_report("top.fit"), nullptr);
}

TEST_F(RdbRegistry, FreeAllReportsAsksTheTclLayerToReload)
{
    Tcl_Interp* interp = atcl_get_interpreter();
    ASSERT_NE(interp, nullptr);
    Tcl_UnsetVar2(interp, "korvane", "load_report_is_needed", TCL_GLOBAL_ONLY);
    RDB_REPORT::free_all_reports();
    const char* value = Tcl_GetVar2(interp, "korvane", "load_report_is_needed", TCL_GLOBAL_ONLY);
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "1");
}

TEST_F(RdbRegistry, ProjectPaths)
{
    KDB_PATH fit = RDB_REPORT::get_kdb_path("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT));
    EXPECT_EQ(fit.get_component(KDB_PATH::REVISION_COMPONENT), "top");
    EXPECT_EQ(fit.get_component(KDB_PATH::SNAPSHOT_COMPONENT), "_all");
    EXPECT_EQ(fit.get_component(KDB_PATH::MODEL_COMPONENT), "report.fit");
    KDB_PATH dervane = RDB_REPORT::get_kdb_path("top", RDB_REPORT_TYPE(RDB_DERVANE_REPORT));
    EXPECT_EQ(dervane.get_component(KDB_PATH::SNAPSHOT_COMPONENT), "");
    EXPECT_EQ(dervane.get_component(KDB_PATH::MODEL_COMPONENT), "report.acvk");

    KDB_PATH base;
    base.set_component(0, "project");
    base.set_component(KDB_PATH::REVISION_COMPONENT, "ignored");
    {
        DEBUG_RECORDER rec;
        RDB_REPORT::set_kdb_path(base);
        EXPECT_TRUE(rec.saw("set_kdb_path: " + base.to_string()));
    }
    KDB_PATH based = RDB_REPORT::get_kdb_path("rev", "placed.sta");
    EXPECT_EQ(based.get_component(0), "project");
    EXPECT_EQ(based.get_component(KDB_PATH::REVISION_COMPONENT), "rev");
    EXPECT_EQ(based.get_component(KDB_PATH::MODEL_COMPONENT), "report.placed.sta");
    EXPECT_EQ(rdb_get_manager()->get_kdb_path("rev", RDB_REPORT_TYPE(RDB_FITTER_REPORT)).get_component(0), "project");
    {
        DEBUG_RECORDER rec;
        RDB_REPORT::reset_kdb_path();
        EXPECT_TRUE(rec.saw("reset_kdb_path"));
    }
    EXPECT_EQ(RDB_REPORT::get_kdb_path("rev", "fit").get_component(0), "");
}

TEST_F(RdbRegistry, FileNamesNameTheMutex)
{
    const RDB_REPORT_TYPE fit(RDB_FITTER_REPORT);
    const std::string file_name = RDB_REPORT::get_file_name("top", fit);
    EXPECT_EQ(file_name, kdb_model_file_name(RDB_REPORT::get_kdb_path("top", fit)));
    EXPECT_FALSE(file_name.empty());
    EXPECT_EQ(rdb_get_filename("top", fit), file_name);
    EXPECT_NE(RDB_REPORT::get_file_name("top", "sta"), file_name);
    THR_IP_MUTEX_OBJ* mutex = RDB_REPORT::get_interprocess_mutex("top", fit);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(mutex->get_name(), file_name);
    EXPECT_EQ(RDB_REPORT::get_interprocess_mutex("top", "fit"), mutex);

    std::string manager_file;
    EXPECT_EQ(rdb_get_manager()->get_report_and_file_name("top", fit, manager_file), nullptr);
    EXPECT_EQ(manager_file, file_name);
    EXPECT_EQ(rdb_get_manager()->get_file_name("top", fit), file_name);
}

TEST_F(RdbRegistry, StoredReportsComeBackAfterFreeing)
{
    EXPECT_TRUE(RDB_REPORT::write_report("top", "fit"));
    EXPECT_FALSE(kdb_get_default_service()->model_exists(RDB_REPORT::get_kdb_path("top", "fit")));

    RDB_REPORT* report = make_report("first run");
    RDB_REPORT::add_report("top", "fit", report);
    EXPECT_TRUE(RDB_REPORT::write_report("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT)));
    // Saving leaves the report registered and intact.
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), report);
    EXPECT_EQ(text_of(report), "first run");

    RDB_REPORT::free_report("top", "fit");
    EXPECT_EQ(controller().get_report("top.fit"), nullptr);
    RDB_REPORT* loaded = RDB_REPORT::get_report("top", "fit");
    ASSERT_NE(loaded, nullptr);
    EXPECT_NE(loaded, report);
    EXPECT_EQ(text_of(loaded), "first run");
    EXPECT_TRUE(loaded->get_main_folder()->is_writable());
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), loaded);
}

TEST_F(RdbRegistry, DeleteRemovesTheStoredAndTheRegisteredReport)
{
    EXPECT_FALSE(RDB_REPORT::delete_report("top", "fit"));
    RDB_REPORT::add_report("top", "fit", make_report("doomed"));
    RDB_REPORT::write_report("top", "fit");
    EXPECT_TRUE(RDB_REPORT::delete_report("top", RDB_REPORT_TYPE(RDB_FITTER_REPORT)));
    EXPECT_EQ(controller().get_report("top.fit"), nullptr);
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), nullptr);
    EXPECT_FALSE(kdb_get_default_service()->model_exists(RDB_REPORT::get_kdb_path("top", "fit")));
}

TEST_F(RdbRegistry, ConcurrentAccessOnlyReportsAreLoadedReadOnlyAndNeverWrittenBack)
{
    RDB_REPORT::add_report("top", "sta", make_report("v1"));
    RDB_REPORT::write_report("top", "sta");
    RDB_REPORT::free_report("top", "sta");

    controller().set_report_to_concurrent_access_only("top.sta");
    RDB_REPORT* snapshot = RDB_REPORT::get_report("top", "sta");
    ASSERT_NE(snapshot, nullptr);
    EXPECT_FALSE(snapshot->get_main_folder()->is_writable());
    EXPECT_TRUE(RDB_REPORT_CONTROLLER::is_report_read_only(snapshot));
    EXPECT_EQ(text_of(snapshot), "v1");

    // Another process stores a newer version under the lock.
    std::unique_ptr<RDB_REPORT> newer(make_report("v2 from elsewhere"));
    ASSERT_TRUE(rdb_store_report_model(*kdb_get_default_service(), RDB_REPORT::get_kdb_path("top", "sta"), *newer));

    {
        DEBUG_RECORDER rec;
        EXPECT_TRUE(RDB_REPORT::write_report("top", "sta"));
        EXPECT_TRUE(rec.saw("Not writing report top.sta: it is for concurrent access only"));
    }
    EXPECT_EQ(stored_text("top", "sta"), "v2 from elsewhere");
    RDB_REPORT::add_report("top", "fit", make_report("fit report"));
    {
        DEBUG_RECORDER rec;
        EXPECT_TRUE(RDB_REPORT::write_all_reports());
        EXPECT_TRUE(rec.saw("Not writing report top.sta: it is for concurrent access only"));
    }
    EXPECT_EQ(stored_text("top", "sta"), "v2 from elsewhere");
    EXPECT_EQ(stored_text("top", "fit"), "fit report");
}

TEST_F(RdbRegistry, WriteAllReportsKeepsRevisionNamesWithDots)
{
    RDB_REPORT::add_report("my.rev", "placed.sta", make_report("dotted"));
    RDB_REPORT::add_report("top", "fit", make_report("plain"));
    EXPECT_TRUE(RDB_REPORT::write_all_reports("suffix"));
    EXPECT_EQ(stored_text("my.rev", "placed.sta"), "dotted");
    EXPECT_EQ(stored_text("top", "fit"), "plain");
    // Split at the first ".", the key would have named revision "my" and type "rev.placed.sta".
    EXPECT_FALSE(kdb_get_default_service()->model_exists(RDB_REPORT::get_kdb_path("my", "rev.placed.sta")));

    // Each report was saved under its own mutex and no other.
    const auto lock_of = [](const std::string& rev, const std::string& type) {
        return fs::path(RDB_REPORT::get_file_name(rev, type)).filename().string() + ".lock";
    };
    EXPECT_EQ(files_ending_with(".lock"),
              (std::set<std::string>{lock_of("my.rev", "placed.sta"), lock_of("top", "fit")}));

    RDB_REPORT::free_all_reports();
    EXPECT_EQ(text_of(RDB_REPORT::get_report("my.rev", "placed.sta")), "dotted");
}

namespace {
bool fail_rename(PDB_WRITE_STEP step) { return step == PDB_WRITE_STEP::RENAME; }

// Installs a write fault for a scope.
struct WRITE_FAULT {
    explicit WRITE_FAULT(PDB_WRITE_FAULT_HOOK hook) : m_previous(pdb_set_write_fault_hook(hook)) {}
    ~WRITE_FAULT() { pdb_set_write_fault_hook(m_previous); }
    PDB_WRITE_FAULT_HOOK m_previous;
};
} // namespace

TEST_F(RdbRegistry, FailedSaveStopsAndLeavesTheStoredReportWhole)
{
    RDB_REPORT* report = make_report("saved");
    RDB_REPORT::add_report("top", "fit", report);
    RDB_REPORT::write_report("top", "fit");
    static_cast<RDB_TEXT_OBJECT*>(report->find_object("M||Fitter||Summary"))->set_text(std::string("unsaved"));
    {
        WRITE_FAULT fault(&fail_rename);
        EXPECT_INTERNAL_ERROR(RDB_REPORT::write_report("top", "fit"), "success");
        EXPECT_INTERNAL_ERROR(RDB_REPORT::write_all_reports(), "success");
    }
    EXPECT_EQ(stored_text("top", "fit"), "saved");
    EXPECT_TRUE(files_ending_with(".tmp").empty());
    for (const fs::directory_entry& entry : fs::directory_iterator(gen_get_db_dir_path_string()))
        EXPECT_FALSE(pdb_is_temp_file_name(entry.path().filename().string())) << entry.path();
    // The failed save released the report's mutex.
    THR_IP_MUTEX_OBJ* mutex = RDB_REPORT::get_interprocess_mutex("top", "fit");
    EXPECT_FALSE(mutex->is_held_by_this_thread());
    EXPECT_EQ(text_of(RDB_REPORT::get_report("top", "fit")), "unsaved");
}

// Runs alone in a fresh copy of this program (started by the test below): the warning blocks and
// the dump switch are once-per-process.
TEST(RdbReportOnce, FreshProcessChild)
{
    if (std::getenv("RDB_REPORT_ONCE_CHILD") == nullptr) GTEST_SKIP() << "runs only as the child below";
    char pattern[] = "/tmp/rdb_report_once_XXXXXX";
    const std::string dir = mkdtemp(pattern);
    gen_set_project_directory(dir);
    cfg_set_value("rdb_dump_all_reports", "on");
    cfg_set_value("rdb_dump_all_reports_when_write_report", "on");
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    RDB_REPORT::add_report("top", "fit", new RDB_REPORT());
    RDB_REPORT::add_report("top", "sta", new RDB_REPORT());

    DEBUG_RECORDER first;
    RDB_REPORT::write_report("top", "fit");
    const std::vector<std::string> expected = {
        "****** HACK WARNING ******",
        "\tdb/rdb/rdb_report.cpp(141) contains a hack by quandel and is tracked by case 313671",
        "\tDescription: Fix reporting snapshots so they're not an epic hack.",
        "**** END HACK WARNING ****",
    };
    for (const std::string& line : expected)
        EXPECT_TRUE(first.saw(line)) << line;
    EXPECT_TRUE(first.saw("\tdb/rdb/rdb_report.cpp(372) contains a hack by zorvik and is tracked by case 208705"));
    EXPECT_TRUE(first.saw("\tdb/rdb/rdb_report.cpp(421) contains a hack by brevald and is tracked by case 466605"));
    EXPECT_TRUE(first.saw("\tDescription: Fix Korvane File IO."));
    EXPECT_TRUE(first.saw("Using report top.fit.rdb"));
    EXPECT_TRUE(first.saw("Using report top.sta.rdb"));

    DEBUG_RECORDER second;
    RDB_REPORT::write_report("top", "sta");
    RDB_REPORT::write_all_reports();
    EXPECT_FALSE(second.saw("****** HACK WARNING ******"));
    EXPECT_TRUE(second.saw("Using report top.fit.rdb"));

    DEBUG_RECORDER load;
    RDB_REPORT::free_all_reports();
    RDB_REPORT::get_report("top", "fit");
    RDB_REPORT::delete_report("top", "fit");
    EXPECT_TRUE(load.saw("\tdb/rdb/rdb_report.cpp(326) contains a hack by zorvik and is tracked by case 208705"));
    EXPECT_TRUE(load.saw("\tdb/rdb/rdb_report.cpp(110) contains a hack by zorvik and is tracked by case 208705"));
    RDB_REPORT::free_all_reports();
    std::error_code error;
    fs::remove_all(dir, error);
}

TEST(RdbReportOnce, WarningBlocksAndDumpsInAFreshProcess)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("RDB_REPORT_ONCE_CHILD", "1", 1);
        execl("/proc/self/exe", "rdb_report_test", "--gtest_filter=RdbReportOnce.FreshProcessChild",
              static_cast<char*>(nullptr));
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
