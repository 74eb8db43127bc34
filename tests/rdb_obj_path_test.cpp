#include <filesystem>
#include <string>

#include <unistd.h>

#include "gen/gen_project.h"
#include "rdb_folder.h"
#include "rdb_obj_path.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_text.h"
#include "test_support.h"

namespace {

std::string invalid(int fields, int objects, int legality)
{
    return "The RDB object path specified to intialize the RDB_OBJ_PATH object is invalid. It had " +
           std::to_string(fields) + " field objects, " + std::to_string(objects) +
           " path objects and the report type legality evaluated to " + std::to_string(legality);
}

// A registry holding report "top" of type "fit" with Fitter||Summary, in an empty project folder.
class RdbObjAccess : public ::testing::Test {
protected:
    RdbObjAccess()
    {
        char pattern[] = "/tmp/rdb_obj_path_test_XXXXXX";
        m_dir = mkdtemp(pattern);
        gen_set_project_directory(m_dir);
        m_report = new RDB_REPORT();
        m_fitter = new RDB_FOLDER_OBJECT("Fitter");
        m_summary = new RDB_TEXT_OBJECT("Summary");
        m_fitter->add_object_to_list(m_summary);
        m_report->get_main_folder()->add_object_to_list(m_fitter);
        RDB_REPORT::add_report("top", "fit", m_report);
    }
    ~RdbObjAccess() override
    {
        RDB_REPORT::free_all_reports();
        gen_set_project_directory(std::string());
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }

    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
    std::string m_dir;
    RDB_REPORT* m_report;
    RDB_FOLDER_OBJECT* m_fitter;
    RDB_TEXT_OBJECT* m_summary;
};

} // namespace

TEST(RdbObjPath, ValidTextsAreKeptWhole)
{
    RDB_OBJ_PATH path("top:fit:Fitter||Summary");
    EXPECT_EQ(path.get_report_path(), "top:fit:Fitter||Summary");
    EXPECT_EQ(RDB_OBJ_PATH("top::placed.sta:").get_report_path(), "top::placed.sta:");
    EXPECT_EQ(RDB_OBJ_PATH("top:placed.fit.da:A").get_report_path(), "top:placed.fit.da:A");
    RDB_OBJ_PATH copy = path;
    copy = RDB_OBJ_PATH("top:sta:Single");
    EXPECT_EQ(copy.get_report_path(), "top:sta:Single");
}

TEST(RdbObjPath, InvalidTextsNameWhatWasWrong)
{
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:fit"), invalid(2, 0, 0));
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:fit:a:b"), invalid(4, 0, 0));
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH(":fit:A"), invalid(3, 0, 0));
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:nosuchtype:A||B"), invalid(3, 2, 0));
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:fit:A||||B"), invalid(3, 3, 1));
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:fit:||A"), invalid(3, 2, 1));
}

TEST(RdbObjPath, StageWithoutAReportLabelIsNotLegal)
{
    // "placed" is a stage, "xyz" no report label: the type is label 0 with a stage.
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:placed.xyz:A"), invalid(3, 1, 0));
    // Texts the report type parser would refuse outright are illegal too, not a different stop.
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:a.b.c.d:A"), invalid(3, 1, 0));
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:nostage.fit.da:A"), invalid(3, 1, 0));
    EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH("top:placed.fit.xx:A"), invalid(3, 1, 0));
}

TEST_F(RdbObjAccess, ResolvesThroughTheRegistry)
{
    EXPECT_EQ(&RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("top:fit:Fitter||Summary")).get(), m_summary);
    EXPECT_EQ(&RDB_OBJ_ACCESS::open_read_write(RDB_OBJ_PATH("top:fit:Fitter")).get(), m_fitter);
    RDB_OBJECT& summary = *RDB_OBJ_ACCESS::open_read_write(RDB_OBJ_PATH("top::fit:Fitter||Summary"));
    summary.set_header("changed through the handle");
    EXPECT_EQ(m_summary->get_header(), "changed through the handle");

    DEBUG_RECORDER rec;
    EXPECT_EQ(&RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("top:fit:")).get(), m_report->get_main_folder());
    EXPECT_TRUE(rec.saw("Returning pointer to the root"));
}

TEST_F(RdbObjAccess, UnresolvablePathsStop)
{
    EXPECT_INTERNAL_ERROR(RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("other:fit:Fitter")),
                          "could not get pointer to report other");
    EXPECT_INTERNAL_ERROR(RDB_OBJ_ACCESS::open_read_write(RDB_OBJ_PATH("top:fit:Fitter||Missing")),
                          "could not find the object specified by Fitter||Missing");
    EXPECT_INTERNAL_ERROR(RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("top:sta:Fitter")),
                          "could not get pointer to report top");
}
