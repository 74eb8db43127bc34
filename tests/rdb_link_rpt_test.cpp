#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "gen/gen_project.h"
#include "kdb/kdb.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_text.h"
#include "rdb_visitor.h"
#include "test_support.h"

namespace {

using NAMES = std::vector<std::string>;

NAMES names_of(RDB_LINK_RPT_OBJECT& link)
{
    NAMES names;
    for (RDB_OBJECT* child : link)
        names.push_back(child->get_name());
    return names;
}

NAMES const_names_of(const RDB_LINK_RPT_OBJECT& link)
{
    NAMES names;
    for (RDB_OBJECT* child : link)
        names.push_back(child->get_name());
    return names;
}

class LINK_VISIT : public RDB_OBJECT_VISITOR {
public:
    void visit_link_rpt(RDB_LINK_RPT_OBJECT*) override { ++links; }
    void visit_folder(RDB_FOLDER_OBJECT*) override { ++folders; }
    int links = 0;
    int folders = 0;
};

class RdbLinkRpt : public ::testing::Test {
protected:
    RdbLinkRpt()
    {
        char pattern[] = "/tmp/rdb_link_rpt_test_XXXXXX";
        m_dir = mkdtemp(pattern);
        gen_set_project_directory(m_dir);
    }
    ~RdbLinkRpt() override
    {
        RDB_REPORT::free_all_reports();
        gen_set_project_directory(std::string());
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }

    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
    std::string m_dir;
};

} // namespace

TEST_F(RdbLinkRpt, WithoutAKeyTheLinkIsEmpty)
{
    RDB_LINK_RPT_OBJECT link("Linked");
    EXPECT_EQ(link.get_link_rpt(), nullptr);
    EXPECT_TRUE(link.begin() == link.end());
    const RDB_LINK_RPT_OBJECT& const_link = link;
    EXPECT_TRUE(const_link.begin() == const_link.end());
    EXPECT_EQ(link.size(), 0u);
    EXPECT_TRUE(link.empty());
    EXPECT_EQ(link.get_object_list(), nullptr);
    EXPECT_EQ(const_link.get_object_list(), nullptr);
    RDB_TEXT_OBJECT* text = new RDB_TEXT_OBJECT("t");
    EXPECT_INTERNAL_ERROR(link.add_object_to_list(text), "main_folder != 0");
    EXPECT_INTERNAL_ERROR(link.add_object_to_list_top(text), "main_folder != 0");
    EXPECT_INTERNAL_ERROR(link.remove_object_from_list(text), "main_folder != 0");
    EXPECT_INTERNAL_ERROR(link.remove_object_from_list("t"), "main_folder != 0");
    delete text;

    // A key whose report is not registered (nor stored) is no better.
    link.set_rev_name_and_rpt_type("top", "fit", false);
    EXPECT_EQ(link.get_link_rpt(), nullptr);
    EXPECT_TRUE(link.begin() == link.end());
}

TEST_F(RdbLinkRpt, ListOperationsActOnTheLinkedReport)
{
    RDB_LINK_RPT_OBJECT link("Linked");
    link.set_rev_name_and_rpt_type("top", "fit", false);
    EXPECT_EQ(link.get_rev_name(), "top");
    EXPECT_EQ(link.get_rpt_type(), "fit");
    auto* report = new RDB_REPORT();
    link.set_link_rpt(report);
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), report);
    EXPECT_EQ(link.get_link_rpt(), report);

    auto* a = new RDB_TEXT_OBJECT("A");
    link.add_object_to_list(a);
    link.add_object_to_list_top(new RDB_TEXT_OBJECT("B"));
    EXPECT_EQ(a->get_parent(), report->get_main_folder());
    EXPECT_EQ(names_of(link), (NAMES{"B", "A"}));
    EXPECT_EQ(link.size(), 2u);
    EXPECT_EQ(link.find_object_by_path("A"), a);
    EXPECT_EQ(link.get_object_list(), report->get_main_folder()->get_object_list());

    // The const view follows the linked report's current folder; the mutable one its main folder.
    auto* current = new RDB_FOLDER_OBJECT("Current");
    current->add_object_to_list(new RDB_TEXT_OBJECT("C"));
    link.add_object_to_list(current);
    report->set_current_folder(current);
    EXPECT_EQ(const_names_of(link), (NAMES{"C"}));
    EXPECT_EQ(names_of(link), (NAMES{"B", "A", "Current"}));
    report->set_current_folder(nullptr);

    link.remove_object_from_list(a);
    link.remove_object_from_list("B");
    EXPECT_EQ(names_of(link), (NAMES{"Current"}));
    // The link's own list stays empty, so deleting the link leaves the linked report alone.
    EXPECT_EQ(report->get_main_folder()->size(), 1u);

    LINK_VISIT visitor;
    link.accept_visitor(&visitor);
    EXPECT_EQ(visitor.links, 1);
    EXPECT_EQ(visitor.folders, 0);
    EXPECT_EQ(link.dynamic_cast_to_RDB_LINK_RPT_OBJECT(), &link);
    EXPECT_EQ(link.dynamic_cast_to_RDB_FOLDER_OBJECT(), &link);
}

TEST_F(RdbLinkRpt, LinkSeesTheRegistryAtEachCall)
{
    RDB_LINK_RPT_OBJECT link("Linked");
    link.set_rev_name_and_rpt_type("top", "sta", false);
    auto* first = new RDB_REPORT();
    first->get_main_folder()->add_object_to_list(new RDB_TEXT_OBJECT("first"));
    link.set_link_rpt(first);
    EXPECT_EQ(names_of(link), (NAMES{"first"}));
    RDB_REPORT::free_report("top", "sta");
    EXPECT_TRUE(link.begin() == link.end());
    auto* second = new RDB_REPORT();
    second->get_main_folder()->add_object_to_list(new RDB_TEXT_OBJECT("second"));
    RDB_REPORT::add_report("top", "sta", second);
    EXPECT_EQ(names_of(link), (NAMES{"second"}));
}

TEST_F(RdbLinkRpt, KeyIsSetOnceAndMayDeleteTheStoredReport)
{
    RDB_LINK_RPT_OBJECT link("Linked");
    link.set_rev_name_and_rpt_type("top", "fit", false);
    link.set_rev_name_and_rpt_type("top", "fit", false);
    EXPECT_INTERNAL_ERROR(link.set_rev_name_and_rpt_type("top", "sta", false), "Change report key is not allowed.");
    EXPECT_INTERNAL_ERROR(link.set_rev_name_and_rpt_type("other", "fit", false), "Change report key is not allowed.");
    EXPECT_EQ(link.get_rpt_type(), "fit");

    link.set_link_rpt(new RDB_REPORT());
    RDB_REPORT::write_report("top", "fit");
    ASSERT_TRUE(kdb_get_default_service()->model_exists(RDB_REPORT::get_kdb_path("top", "fit")));
    // The same key again, with deletion: the stored and the registered report go.
    link.set_rev_name_and_rpt_type("top", "fit", true);
    EXPECT_FALSE(kdb_get_default_service()->model_exists(RDB_REPORT::get_kdb_path("top", "fit")));
    EXPECT_EQ(link.get_link_rpt(), nullptr);
}
