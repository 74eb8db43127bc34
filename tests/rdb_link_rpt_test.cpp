#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "gen/gen_project.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_text.h"
#include "test_support.h"

namespace {

using NAMES = std::vector<std::string>;

template <class LINK> NAMES names_of(LINK& link)
{
    NAMES names;
    for (RDB_OBJECT* child : link)
        names.push_back(child->get_name());
    return names;
}

class RdbLinkRpt : public ::testing::Test {
protected:
    ~RdbLinkRpt() override { RDB_REPORT::free_all_reports(); }
    TEMP_PROJECT m_project{"rdb_link_rpt_test"};
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
    RDB_LINK_RPT_OBJECT m_link{"Linked"};
};

} // namespace

TEST_F(RdbLinkRpt, WithoutALinkedReportTheLinkIsEmptyAndRefusesChanges)
{
    EXPECT_TRUE(m_link.begin() == m_link.end());
    EXPECT_EQ(m_link.get_object_list(), nullptr);
    RDB_TEXT_OBJECT text("t");
    EXPECT_INTERNAL_ERROR(m_link.add_object_to_list(&text), "main_folder != 0");
    EXPECT_INTERNAL_ERROR(m_link.remove_object_from_list("t"), "main_folder != 0");
}

TEST_F(RdbLinkRpt, ListOperationsActOnTheLinkedReport)
{
    m_link.set_rev_name_and_rpt_type("top", "fit", false);
    auto* report = new RDB_REPORT();
    m_link.set_link_rpt(report);

    auto* a = new RDB_TEXT_OBJECT("A");
    m_link.add_object_to_list(a);
    m_link.add_object_to_list_top(new RDB_TEXT_OBJECT("B"));
    EXPECT_EQ(a->get_parent(), report->get_main_folder());
    EXPECT_EQ(names_of(m_link), (NAMES{"B", "A"}));

    // The const view follows the linked report's current folder; the mutable one its main folder.
    auto* current = new RDB_FOLDER_OBJECT("Current");
    current->add_object_to_list(new RDB_TEXT_OBJECT("C"));
    m_link.add_object_to_list(current);
    report->set_current_folder(current);
    EXPECT_EQ(names_of(std::as_const(m_link)), (NAMES{"C"}));
    EXPECT_EQ(names_of(m_link), (NAMES{"B", "A", "Current"}));
    report->set_current_folder(nullptr);

    m_link.remove_object_from_list(a);
    m_link.remove_object_from_list("B");
    EXPECT_EQ(names_of(m_link), (NAMES{"Current"}));
}

// A key whose report is not registered (or no longer) gives an empty link.
TEST_F(RdbLinkRpt, LinkSeesTheRegistryAtEachCall)
{
    m_link.set_rev_name_and_rpt_type("top", "sta", false);
    m_link.set_link_rpt(new RDB_REPORT());
    m_link.add_object_to_list(new RDB_TEXT_OBJECT("first"));
    RDB_REPORT::free_report("top", "sta");
    EXPECT_TRUE(m_link.begin() == m_link.end());
    auto* second = new RDB_REPORT();
    RDB_REPORT::add_report("top", "sta", second);
    EXPECT_EQ(m_link.get_link_rpt(), second);
}

TEST_F(RdbLinkRpt, KeyIsSetOnceAndMayDeleteTheStoredReport)
{
    m_link.set_rev_name_and_rpt_type("top", "fit", false);
    m_link.set_rev_name_and_rpt_type("top", "fit", false);
    EXPECT_INTERNAL_ERROR(m_link.set_rev_name_and_rpt_type("top", "sta", false), "Change report key is not allowed.");
    EXPECT_INTERNAL_ERROR(m_link.set_rev_name_and_rpt_type("other", "fit", false), "Change report key is not allowed.");
    EXPECT_EQ(m_link.get_rpt_type(), "fit");

    m_link.set_link_rpt(new RDB_REPORT());
    RDB_REPORT::write_report("top", "fit");
    ASSERT_TRUE(kdb_get_default_service()->model_exists(RDB_REPORT::get_kdb_path("top", "fit")));
    // The same key again, with deletion: the stored and the registered report go.
    m_link.set_rev_name_and_rpt_type("top", "fit", true);
    EXPECT_FALSE(kdb_get_default_service()->model_exists(RDB_REPORT::get_kdb_path("top", "fit")));
    EXPECT_EQ(m_link.get_link_rpt(), nullptr);
}
