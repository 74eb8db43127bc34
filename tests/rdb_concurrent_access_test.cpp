#include <filesystem>
#include <string>
#include <vector>

#include <stdlib.h>

#include "dbm/dbm.h"
#include "gen/gen_project.h"
#include "kdb/kdb.h"
#include "msg/msg.h"
#include "pdb/pdb.h"
#include "rdb_concurrent_access.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_messages.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_table_sys.h"
#include "rdb_xml.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using NAMES = std::vector<std::string>;

const std::string REV = "top";
const RDB_REPORT_TYPE TYPE{RDB_FITTER_REPORT};

RDB_REPORT* registered_report()
{
    return RDB_SINGLETON_STATE::get().get_rpt_controller().get_report(rdb_make_report_key(REV, "fit"));
}

// An empty registry and a fresh project folder per test, messages not echoed; the report top/fitter is
// concurrent-access-only.
class RdbConcurrentAccess : public ::testing::Test {
protected:
    TEMP_PROJECT m_project{"rdb_concurrent_access_test"};
    RdbConcurrentAccess()
    {
        RDB_CONCURRENT_ACCESS::set_report_type_to_concurrent_access_only(REV, TYPE);
        msg_get_default_report()->set_echo(false);
    }
    ~RdbConcurrentAccess() override
    {
        RDB_REPORT::free_all_reports();
        msg_get_default_report()->set_echo(true);
    }

    static void add_table(RDB_REPORT& report, const std::string& name)
    {
        auto* table = new RDB_TABLE_OBJECT(name);
        table->add_row_of_strings(name.c_str(), "1");
        report.get_main_folder()->add_object_to_list(table);
    }
    static NAMES names_in(const RDB_REPORT* report)
    {
        NAMES names;
        if (report == nullptr) return {"<no report>"};
        for (const RDB_OBJECT* child : static_cast<const RDB_FOLDER_OBJECT&>(report->get_main_folder_r()))
            names.push_back(child->get_name());
        return names;
    }
    // The tables of the stored report, read past the registry and the lock.
    static NAMES stored_names()
    {
        return names_in(rdb_load_report_model(*kdb_get_default_service(), RDB_REPORT::get_kdb_path(REV, TYPE)).get());
    }
    // Stores a report holding the named tables through a whole lock / new_report / unlock cycle.
    static void store_tables(const NAMES& names)
    {
        RDB_CONCURRENT_ACCESS access;
        access.lock(REV, TYPE);
        access.new_report();
        for (const std::string& name : names)
            add_table(*access.report(), name);
        ASSERT_TRUE(access.unlock(false));
    }
    static bool locked() { return RDB_REPORT::get_interprocess_mutex(REV, TYPE)->is_held_by_this_thread(); }

    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
};

// Whether the recorder saw the developer notice of this case, its line number left out.
bool saw_notice(const DEBUG_RECORDER& rec, const std::string& case_number, const std::string& description)
{
    const std::string tail = ") contains a hack by tollver and is tracked by case " + case_number;
    for (const DEBUG_LINE& line : rec.lines())
        if (line.text.starts_with("\tdb/rdb/rdb_concurrent_access.cpp(") && line.text.ends_with(tail))
            return rec.saw("\tDescription: " + description + ".");
    return false;
}

// Each notice is shown once per process, so this test must be the first of the file to take a lock.
TEST_F(RdbConcurrentAccess, DeveloperNoticesAreShownOncePerProcess)
{
    for (bool first : {true, false}) {
        DEBUG_RECORDER rec;
        store_tables({"T1"});
        EXPECT_EQ(saw_notice(rec, "467298", "concurrent access lock corner cases"), first);
        EXPECT_EQ(saw_notice(rec, "467301", "Semantics of THR_IP_MUTEX_OBJ"), first);
        EXPECT_EQ(rec.saw("****** HACK WARNING ******") && rec.saw("**** END HACK WARNING ****"), first);
    }
}

// The working copy is the stored model itself: writable, loaded without a second lock, never registered.
TEST_F(RdbConcurrentAccess, WorkingCopyBypassesTheRegistryAndRoundTripsThroughTheStore)
{
    {
        RDB_CONCURRENT_ACCESS access;
        access.lock(REV, TYPE);
        access.new_report();
        add_table(*access.report(), "T1");
    }
    EXPECT_FALSE(locked()) << "destruction stores the copy and releases the lock";
    RDB_REPORT* registered = RDB_REPORT::get_report(REV, TYPE);
    ASSERT_NE(registered, nullptr);
    EXPECT_FALSE(registered->get_main_folder()->is_writable());

    RDB_CONCURRENT_ACCESS access;
    access.lock(REV, TYPE);
    EXPECT_EQ(registered_report(), nullptr) << "locking frees the registry's copy";
    ASSERT_TRUE(access.load());
    EXPECT_TRUE(access.report()->get_main_folder()->is_writable());
    EXPECT_EQ(registered_report(), nullptr);
    add_table(*access.report(), "T2");
    access.write_report();
    EXPECT_EQ(stored_names(), (NAMES{"T1", "T2"}));
    add_table(*access.report(), "T3");
    EXPECT_TRUE(access.unlock(false));
    EXPECT_FALSE(locked());
    EXPECT_EQ(registered_report(), nullptr);
    EXPECT_EQ(stored_names(), (NAMES{"T1", "T2", "T3"}));

    access.lock(REV, TYPE);
    ASSERT_TRUE(access.load());
    add_table(*access.report(), "discarded");
    EXPECT_TRUE(access.unlock(true));
    EXPECT_FALSE(locked());
    EXPECT_EQ(stored_names(), (NAMES{"T1", "T2", "T3"}));
}

TEST_F(RdbConcurrentAccess, FailedLoadsKeepTheLockAndMisuseIsAnInternalError)
{
    RDB_CONCURRENT_ACCESS access;
    EXPECT_TRUE(access.unlock(false)) << "unlock without lock does nothing";
    EXPECT_INTERNAL_ERROR(access.load(), "report_is_locked()");
    EXPECT_INTERNAL_ERROR(access.write_report(), "m_report");
    const RDB_REPORT_TYPE other{RDB_SYNTHESIS_REPORT};
    EXPECT_INTERNAL_ERROR(access.lock(REV, other), "instance.is_report_concurrent_access_only( key )");
    EXPECT_FALSE(RDB_REPORT::get_interprocess_mutex(REV, other)->is_held_by_this_thread());

    access.lock(REV, TYPE);
    EXPECT_INTERNAL_ERROR(access.lock(REV, TYPE), "report_is_not_locked()");
    EXPECT_FALSE(access.load());
    EXPECT_FALSE(access.load_from_xml(m_project.dir() + "/missing.xml"));
    EXPECT_TRUE(access.report_is_locked() && access.report_does_not_exist());
    RDB_REPORT source;
    add_table(source, "FromXml");
    ASSERT_TRUE(rdb_write_xml_report(&source, (m_project.dir() + "/source.xml").c_str(), false));
    ASSERT_TRUE(access.load_from_xml(m_project.dir() + "/source.xml"));
    EXPECT_INTERNAL_ERROR(access.load(), "report_does_not_exist()");
    EXPECT_TRUE(access.unlock(false));
    EXPECT_EQ(stored_names(), NAMES{"FromXml"});
}

bool fail_rename(PDB_WRITE_STEP step) { return step == PDB_WRITE_STEP::RENAME; }

// Every store fails at its last step, leaving the previous file in place.
struct FAILING_STORE {
    FAILING_STORE() { msg_get_default_report()->clear(); }
    ~FAILING_STORE() { pdb_set_write_fault_hook(previous); }
    static NAMES posted_save_failures()
    {
        NAMES texts;
        for (const MSG_RECORD& message : msg_get_default_report()->get_messages())
            if (message.id == ERDB_REPORT_SAVE_FAILED) texts.push_back(message.text);
        return texts;
    }
    PDB_WRITE_FAULT_HOOK previous = pdb_set_write_fault_hook(&fail_rename);
};

TEST_F(RdbConcurrentAccess, StorageFailuresArePostedAndFailTheUnlock)
{
    store_tables({"T1"});
    const std::string expected = "Failed to save reporting database '" + RDB_REPORT::get_file_name(REV, TYPE) + "'.";
    RDB_CONCURRENT_ACCESS access;
    access.lock(REV, TYPE);
    ASSERT_TRUE(access.load());
    add_table(*access.report(), "T2");
    {
        FAILING_STORE failing;
        access.write_report();
        EXPECT_EQ(FAILING_STORE::posted_save_failures(), NAMES{expected});
    }
    EXPECT_EQ(stored_names(), NAMES{"T1"});
    // The later store succeeds, but the caller must still learn that a write was lost.
    EXPECT_FALSE(access.unlock(false));
    EXPECT_EQ(stored_names(), (NAMES{"T1", "T2"}));

    // A failed store in unlock itself: posted, answered, and the lock is released all the same.
    FAILING_STORE failing;
    access.lock(REV, TYPE);
    ASSERT_TRUE(access.load());
    add_table(*access.report(), "T3");
    EXPECT_FALSE(access.unlock(false));
    EXPECT_EQ(FAILING_STORE::posted_save_failures(), NAMES{expected});
    EXPECT_FALSE(locked());
    EXPECT_EQ(stored_names(), (NAMES{"T1", "T2"}));
}

} // namespace
