#include <filesystem>
#include <string>
#include <tuple>

#include <unistd.h>

#include "gen/gen_project.h"
#include "rdb_folder.h"
#include "rdb_obj_path.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_text.h"
#include "test_support.h"

TEST(RdbObjPath, ValidTextsAreKeptWhole)
{
    // Runs of ':' are one separator, so an empty object path names the main folder.
    for (const char* text : {"top:fit:Fitter||Summary", "top::placed.sta:", "top:placed.fit.da:A"})
        EXPECT_EQ(RDB_OBJ_PATH(text).get_report_path(), text);
}

TEST(RdbObjPath, InvalidTextsNameWhatWasWrong)
{
    const std::tuple<const char*, int, int, int> cases[] = {
        {"top:fit", 2, 0, 0},
        {":fit:A", 3, 0, 0},
        {"top:nosuchtype:A||B", 3, 2, 0},
        {"top:fit:A||||B", 3, 3, 1},
        // A stage with no report label ("xyz") parses to label 0, which names no report; texts the
        // report type parser would stop on are illegal as well.
        {"top:placed.xyz:A", 3, 1, 0},
        {"top:a.b.c.d:A", 3, 1, 0},
        {"top:nostage.fit.da:A", 3, 1, 0}};
    for (const auto& [text, fields, objects, legality] : cases) {
        SCOPED_TRACE(text);
        EXPECT_INTERNAL_ERROR(RDB_OBJ_PATH{text},
                              "The RDB object path specified to intialize the RDB_OBJ_PATH object is invalid. It had " +
                                  std::to_string(fields) + " field objects, " + std::to_string(objects) +
                                  " path objects and the report type legality evaluated to " +
                                  std::to_string(legality));
    }
}

TEST(RdbObjAccess, ResolvesThroughTheRegistryOrStops)
{
    TEMP_PROJECT project("rdb_obj_path_test");
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    auto* report = new RDB_REPORT();
    auto* fitter = new RDB_FOLDER_OBJECT("Fitter");
    auto* summary = new RDB_TEXT_OBJECT("Summary");
    fitter->add_object_to_list(summary);
    report->get_main_folder()->add_object_to_list(fitter);
    RDB_REPORT::add_report("top", "fit", report);

    EXPECT_EQ(&RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("top:fit:Fitter||Summary")).get(), summary);
    RDB_OBJ_ACCESS::open_read_write(RDB_OBJ_PATH("top::fit:Fitter||Summary")).get().set_header("changed");
    EXPECT_EQ(summary->get_header(), "changed");
    {
        DEBUG_RECORDER rec;
        EXPECT_EQ(&RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("top:fit:")).get(), report->get_main_folder());
        EXPECT_TRUE(rec.saw("Returning pointer to the root"));
    }
    EXPECT_INTERNAL_ERROR(RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("other:fit:Fitter")),
                          "could not get pointer to report other");
    EXPECT_INTERNAL_ERROR(RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH("top:sta:Fitter")),
                          "could not get pointer to report top");
    EXPECT_INTERNAL_ERROR(RDB_OBJ_ACCESS::open_read_write(RDB_OBJ_PATH("top:fit:Fitter||Missing")),
                          "could not find the object specified by Fitter||Missing");

    RDB_REPORT::free_all_reports();
}
