// The report utilities: row and location-cell builders, messages objects, folders by path and the
// hanging of a stage's message file into a report.

#include "rdb_utility.h"

#include <cstdlib>
#include <memory>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "hier/hdb.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "msg/msg_file.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_report_gen.h"
#include "rdb_table_sys.h"
#include "rdb_vocabulary.h"
#include "test_support.h"

namespace {

using LOCATION_CELL = std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT>;

MSG_FILE_MESSAGE message(MSG_FILE_MESSAGE_TYPE type, int id, const std::string& text, bool suppressed = false,
                         const std::string& source = "")
{
    return {type, suppressed ? MSG_FILE_MESSAGE::SUPPRESSED_FLAG : 0u, id, source, text, {}};
}

} // namespace

TEST(RdbRowHelpers, BuildRowsAndColourThem)
{
    EXPECT_TRUE(RDB_TABLE_ROW_PTR(rdb_create_empty_row())->empty());
    EXPECT_TRUE(RDB_TABLE_ROW_PTR(rdb_create_row(std::vector<std::string>{}))->empty());
    EXPECT_EQ((*RDB_TABLE_ROW_PTR(rdb_create_row("left", "right")))[1]->get_string(), "right");
    RDB_TABLE_ROW_PTR row(rdb_create_row(std::vector<std::string>{"a", "", "c"}));
    ASSERT_EQ(row->size(), 3u);
    EXPECT_EQ((*row)[2]->get_string(), "c");
    rdb_set_table_row_color(*row, RDB_COLOR_RED, true);
    rdb_set_table_row_color(*row, RDB_COLOR_LIGHT_RED, false);
    for (RDB_TABLE_ELEMENT* e : *row) {
        EXPECT_EQ(e->get_foreground(), RDB_COLOR_RED);
        EXPECT_EQ(e->get_background(), RDB_COLOR_LIGHT_RED);
    }
}

// Each builder: the text shown, the full path kept and the schema named (its own, else the full path).
TEST(RdbLocationCells, ShowTheInstanceAndNameItsSchema)
{
    const HDB_INSTANCE_NAME plain = HDB_INSTANCE_NAME::from_path("top|u1|reg");
    auto own = std::make_unique<MSG_GEN_LOCATION_SCHEMA>();
    auto* where = new MSG_GEN_LOC_INSTANCE;
    where->set_instance_name("elsewhere|x");
    own->add_object(where);
    const HDB_INSTANCE_NAME with_schema({{"top", ""}, {"u2", "core"}}, std::move(own));
    HDB_NAMESPACE names;
    names.add_instance_name(HDB_INSTANCE_NAME::from_path("top|u1|reg"));

    struct CASE {
        const char* what;
        LOCATION_CELL cell;
        std::string text, path, schema;
    };
    const CASE cases[] = {
        {"display text alone", LOCATION_CELL(rdb_create_table_element_from_iname(nullptr, "shown")), "shown", "", ""},
        {"schema from the full path", LOCATION_CELL(rdb_create_table_element_from_iname(&plain)),
         plain.get_short_hpath(HDB_HPATH_SHORT), "top|u1|reg", "top|u1|reg"},
        {"own schema", LOCATION_CELL(rdb_create_table_element_from_iname(&with_schema, "alias")), "alias", "top|u2",
         "elsewhere|x"},
        {"found by name", LOCATION_CELL(rdb_create_table_element_from_iname_string(&names, "top|u1|reg")), "top|u1|reg",
         "top|u1|reg", "top|u1|reg"},
        {"not found by name", LOCATION_CELL(rdb_create_table_element_from_iname_string(&names, "top|nothing")),
         "top|nothing", "", ""},
        {"pin", LOCATION_CELL(rdb_create_table_sta_pin_element(&plain, "D")), "top|u1|reg|D", "top|u1|reg",
         "top|u1|reg"},
        {"pin of no instance", LOCATION_CELL(rdb_create_table_sta_pin_element(nullptr, "D")), "", "", ""},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.cell->get_string(), c.text);
        EXPECT_EQ(c.cell->get_hierarchy_path(), c.path);
        std::unique_ptr<MSG_LOCATION_SCHEMA> schema(c.cell->get_location_schema());
        auto* general = dynamic_cast<MSG_GEN_LOCATION_SCHEMA*>(schema.get());
        EXPECT_EQ(general != nullptr && general->size() == 1 ? general->get_object(0)->get_location() : "", c.schema);
    }
    EXPECT_INTERNAL_ERROR(rdb_create_table_element_from_iname_string(nullptr, "x"), "cap_inst != nullptr");
}

// The naming switch is read once per process, so each setting is checked in a fresh process.
TEST(RdbLocationCellsDeathTest, NamingSwitchIsReadOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto short_text = [](const char* setting_before, const char* setting_after) {
        cfg_set_value("khd_use_entity_inst_naming_in_reports", setting_before);
        HDB_INSTANCE_NAME name({{"top", "top_e"}, {"u1", "core"}, {"reg", "dff"}});
        LOCATION_CELL first(rdb_create_table_element_from_iname(&name));
        cfg_set_value("khd_use_entity_inst_naming_in_reports", setting_after);
        LOCATION_CELL second(rdb_create_table_element_from_iname(&name));
        const bool same = first->get_string() == second->get_string();
        const bool entity = first->get_string() == name.get_short_hpath(HDB_HPATH_ENTITY_INSTANCE);
        const bool plain = first->get_string() == name.get_short_hpath(HDB_HPATH_SHORT);
        std::exit(!same ? 3 : entity ? 1 : plain ? 0 : 2);
    };
    EXPECT_EXIT(short_text("on", "off"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(short_text("", "on"), testing::ExitedWithCode(0), "");
}

TEST(RdbMessageUtility, MessageObjectsAreFoundOrMade)
{
    RDB_FOLDER_OBJECT folder("Fitter");
    folder.add_object_to_list(new RDB_EMBEDDED_OBJECT("Fitter Messages", EMBEDDED_OBJECT_TEXT_EDITOR_TYPE));
    RDB_EMBEDDED_OBJECT& messages = rdb_get_message_object(folder, "Fitter", "", false);
    EXPECT_EQ(messages.get_name(), "Fitter Messages");
    EXPECT_EQ(messages.get_embedded_type(), EMBEDDED_OBJECT_MESSAGES_TYPE);
    RDB_EMBEDDED_OBJECT& suppressed = rdb_get_message_object(folder, "Fitter", "", true);
    EXPECT_EQ(suppressed.get_name(), "Fitter Suppressed Messages");
    EXPECT_EQ(&rdb_get_message_object(folder, "Fitter", "", true), &suppressed);
    EXPECT_EQ(folder.size(), 3u);

    EXPECT_EQ(rdb_get_folder_by_name(&folder, "Sub", false), nullptr);
    RDB_FOLDER_OBJECT* sub = rdb_get_folder_by_name(&folder, "Sub", true);
    EXPECT_TRUE(sub != nullptr && rdb_get_folder_by_name(&folder, "Sub", false) == sub);
    EXPECT_INTERNAL_ERROR(rdb_get_folder_by_name(&folder, "Fitter Messages", true),
                          "Existing object with the specified name is not a folder.");
    EXPECT_INTERNAL_ERROR(rdb_get_folder_by_name(nullptr, "x", true), "parent_folder != 0");
}

TEST(RdbMessageUtility, AddMessagesHangsTheStageFileIntoTheReport)
{
    TEMP_PROJECT project("rdb_utility_test");
    msg_get_default_report()->set_echo(false);
    RDB_FOLDER_OBJECT flow("Flow");
    RDB_FOLDER_OBJECT synthesis(RDB_SYNTHESIS);
    RDB_FOLDER_OBJECT fitter(RDB_FIT_RPT_NAME);

    // A file without messages adds nothing when read.
    ASSERT_TRUE(msg_write_message_file(project.db_file("top.map.msg"), {}));
    rdb_add_messages(flow, synthesis, RDB_SYNTHESIS, "top", "map", "", true);
    EXPECT_EQ(synthesis.size() + flow.size(), 0u);

    const std::string source = fio_join(gen_get_project_directory(), "src/a.v");
    ASSERT_TRUE(msg_write_message_file(project.db_file("top.map.msg"),
                                       {message(MSG_FILE_MESSAGE_TYPE::WARNING, 20, "w20 first", false, source),
                                        message(MSG_FILE_MESSAGE_TYPE::WARNING, 10, "w10", false, source),
                                        message(MSG_FILE_MESSAGE_TYPE::WARNING, 20, "w20 second", false, source),
                                        message(MSG_FILE_MESSAGE_TYPE::WARNING, 30, "general"),
                                        message(MSG_FILE_MESSAGE_TYPE::INFO, 1, "info"),
                                        message(MSG_FILE_MESSAGE_TYPE::INFO, 2, "quiet", true)}));
    for (int round = 0; round < 2; ++round)
        rdb_add_messages(flow, synthesis, RDB_SYNTHESIS, "top", "map", "", true);
    RDB_EMBEDDED_OBJECT& messages = rdb_get_message_object(synthesis, RDB_SYNTHESIS, "", false);
    EXPECT_EQ(messages.get_info_str(), "top.map.msg");
    EXPECT_TRUE(fio_exists(project.output_file("top.map.smsg")));
    const RDB_OBJECT* table = synthesis.find_object("Synthesis Warning Messages||Warnings for src/a.v");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->get_data_string(2, 0) + "|" + table->get_data_string(2, 1) + "|" + table->get_data_string(2, 2) +
                  "|" + table->get_data_string(2, 3),
              "20|Warning|2|w20 first");
    EXPECT_NE(synthesis.find_object("Synthesis Warning Messages||General Warnings"), nullptr);
    // Replaced, not doubled, by the second call.
    EXPECT_EQ(table->get_parent()->size(), 2u);
    EXPECT_EQ(flow.size(), 2u);
    EXPECT_NE(flow.find_object(RDB_FLOW_SUPPRESSED_MESSAGE_RPT_NAME), nullptr);

    // The fitter report lists one file per recorded stage, once.
    rdb_add_fitter_stage("plan");
    rdb_add_fitter_stage("route");
    rdb_add_messages(flow, fitter, RDB_FITTER, "top", "fit", "", false);
    RDB_EMBEDDED_OBJECT& fit_messages = rdb_get_message_object(fitter, RDB_FITTER, "", false);
    EXPECT_EQ(fit_messages.get_info_str(), "top.fit.msg");
    EXPECT_EQ(fit_messages.get_message_files(), (std::vector<std::string>{"top.fit.plan", "top.fit.route"}));
    fit_messages.clear_message_files();
    rdb_add_messages(flow, fitter, RDB_FITTER, "top", "fit", "", false);
    EXPECT_TRUE(fit_messages.get_message_files().empty());

    // A fast-forward compile makes no stage object.
    RDB_FOLDER_OBJECT assembler("Assembler");
    RDB_REPORT_GEN::set_ff_flow_compile(true);
    rdb_add_messages(flow, assembler, "Assembler", "top", "asm", "", false);
    RDB_REPORT_GEN::set_ff_flow_compile(false);
    EXPECT_EQ(assembler.size(), 0u);
    msg_get_default_report()->clear();
    msg_get_default_report()->set_echo(true);
}
