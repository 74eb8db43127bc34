// The report utilities: creators and finders, summaries and gauges, merged tables, panels, link reports,
// settings tables and the device check, row and location-cell builders, messages objects and the hanging
// of a stage's message file into a report.

#include "rdb_utility.h"

#include <cstdlib>
#include <memory>
#include <regex>

#include "acf/acf.h"
#include "fio/fio.h"
#include "gen/gen_project.h"
#include "hier/hdb.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "msg/msg_file.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_report_gen.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_vocabulary.h"
#include "test_support.h"

namespace {

using LOCATION_CELL = std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT>;

MSG_FILE_MESSAGE message(MSG_FILE_MESSAGE_TYPE type, int id, const std::string& text, bool suppressed = false,
                         const std::string& source = "")
{
    return {type, suppressed ? MSG_FILE_MESSAGE::SUPPRESSED_FLAG : 0u, id, source, text, {}};
}

std::vector<std::string> child_names(const RDB_FOLDER_OBJECT& folder)
{
    std::vector<std::string> names;
    for (const RDB_OBJECT* child : folder)
        names.push_back(child->get_name() + (child->is_enable() ? "" : " (off)"));
    return names;
}

using ROWS = std::vector<std::vector<std::string>>;

ROWS rows_of(const RDB_TABLE_OBJECT& table)
{
    ROWS rows;
    for (const RDB_TABLE_ROW* row : table) {
        rows.emplace_back();
        for (const RDB_TABLE_ELEMENT* cell : *row)
            rows.back().push_back(cell->get_string());
    }
    return rows;
}

template <class TABLE> TABLE* add_table(RDB_FOLDER_OBJECT& folder, const std::string& name, const ROWS& rows)
{
    auto* table = new TABLE(name);
    for (const std::vector<std::string>& row : rows)
        table->add_row(rdb_create_row(row));
    folder.add_object_to_list(table);
    return table;
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

// The finders take a direct child of exactly the name first (names may hold "||"), then a path; with
// create set they make one object of the whole name, once.
TEST(RdbUtilityFinders, FindOrMakeEachKindOnce)
{
    RDB_FOLDER_OBJECT parent("Parent");
    RDB_FOLDER_OBJECT* sub = rdb_get_folder_by_name(&parent, "Sub", true);
    add_table<RDB_SUMMARY_TABLE_OBJECT>(*sub, "Nested", {});
    parent.add_object_to_list(new RDB_LINK_RPT_OBJECT("Link"));
    for (bool twice : {false, true}) {
        SCOPED_TRACE(twice);
        EXPECT_EQ(rdb_get_folder_by_name(&parent, "Sub", true), sub);
        EXPECT_EQ(rdb_get_table_by_name(&parent, "Sub||Nested", true)->get_type(), RDB_SUMMARY_TABLE_TYPE);
        EXPECT_EQ(rdb_get_table_by_name(&parent, "Absent||T", true)->get_name(), "Absent||T");
        EXPECT_EQ(rdb_get_folder_by_name(&parent, "F||G", true)->get_name(), "F||G");
        EXPECT_EQ(rdb_get_link_rpt_obj_by_name(&parent, "Link", true)->get_name(), "Link");
        EXPECT_EQ(rdb_get_link_rpt_obj_by_name(&parent, "L||2", true)->get_name(), "L||2");
        EXPECT_EQ(rdb_create_unique_table(&parent, "U||1") == nullptr, twice);
    }
    EXPECT_EQ(child_names(parent), (std::vector<std::string>{"Sub", "Link", "Absent||T", "F||G", "L||2", "U||1"}));
    EXPECT_EQ(rdb_get_table_by_name(&parent, "Missing", false), nullptr);
    EXPECT_EQ(rdb_create_unique_table(&parent, "Sub||Nested"), nullptr);
    EXPECT_TRUE(rdb_object_exists_in_folder(&parent, "Sub||Nested") && rdb_object_exists_in_folder(&parent, "U||1"));
    EXPECT_FALSE(rdb_object_exists_in_folder(&parent, static_cast<const RDB_OBJECT*>(nullptr)));
    EXPECT_TRUE(rdb_object_exists_in_folder(&parent, sub));

    EXPECT_INTERNAL_ERROR(rdb_get_table_by_name(&parent, "Sub", true),
                          "Existing object with the specified name is not a table.");
    EXPECT_INTERNAL_ERROR(rdb_get_link_rpt_obj_by_name(&parent, "Sub", false),
                          "Existing object with the specified name is not a link report.");
    EXPECT_INTERNAL_ERROR(rdb_get_folder_by_name(&parent, "Sub||Nested", false),
                          "Existing object with the specified name is not a folder.");
    EXPECT_INTERNAL_ERROR(rdb_get_link_rpt_obj_by_name(nullptr, "x", true), "parent_folder != 0");
    EXPECT_INTERNAL_ERROR(rdb_create_unique_table(nullptr, "x"), "folder != 0");
    EXPECT_INTERNAL_ERROR(rdb_object_exists_in_folder(nullptr, "x"), "folder != NULL");
}

// Adding by name: a namesake keeps its place, and only a free object that is not the one found is deleted.
TEST(RdbUtilityCreators, AddOnceOrReplaceByName)
{
    RDB_FOLDER_OBJECT folder("F");
    RDB_FOLDER_OBJECT other("Other");
    RDB_OBJECT* kept = rdb_create_table("A||B");
    EXPECT_TRUE(rdb_check_and_add_object_to_folder(&folder, kept, true));
    RDB_OBJECT* elsewhere = rdb_create_summary_object("A||B");
    other.add_object_to_list(elsewhere);
    // A free namesake is deleted; the child itself and an object of another folder are left alone.
    for (RDB_OBJECT* namesake : {static_cast<RDB_OBJECT*>(rdb_create_table("A||B")), kept, elsewhere})
        EXPECT_FALSE(rdb_check_and_add_object_to_folder(&folder, namesake, true));
    EXPECT_EQ(child_names(folder), (std::vector<std::string>{"A||B"}));
    EXPECT_TRUE(folder.contains(kept) && other.contains(elsewhere));

    folder.add_object_to_list(rdb_create_table("Other"));
    folder.add_object_to_list(rdb_create_table("A||B"));
    auto replacement = std::unique_ptr<RDB_OBJECT>(rdb_create_summary_object("A||B"));
    RDB_OBJECT* added = replacement.get();
    rdb_util_add_or_update_object(&folder, std::move(replacement));
    EXPECT_EQ(child_names(folder), (std::vector<std::string>{"Other", "A||B"}));
    EXPECT_TRUE(folder.contains(added));

    EXPECT_INTERNAL_ERROR(rdb_check_and_add_object_to_folder(&folder, nullptr, true), "folder != 0 && object != 0");
    EXPECT_INTERNAL_ERROR(rdb_util_add_or_update_object(nullptr, nullptr), "folder != 0 && object != 0");
    EXPECT_INTERNAL_ERROR(rdb_util_add_or_update_object(&folder, std::unique_ptr<RDB_OBJECT>(added)),
                          "object->get_ownership_status() == NOT_OWNED");
    EXPECT_TRUE(folder.contains(added));
}

// Reads match a row's name exactly, then as a pattern; writes match it exactly and pad short rows.
// Summaries are found among the children in order, a child folder's before the next sibling.
TEST(RdbUtilitySummaries, RowsAreReadAndWrittenByNameSummariesFoundAndGaugesFilled)
{
    RDB_FOLDER_OBJECT folder("F");
    auto* summary = add_table<RDB_SUMMARY_TABLE_OBJECT>(folder, "S", {{"Pins used", "10"}, {"Short"}});
    summary->get_row(1)->push_back(nullptr);
    summary->add_row(new RDB_TABLE_ROW{new RDB_TABLE_STRING_ELEMENT("Count"), new RDB_TABLE_INT_ELEMENT(3)});
    rdb_set_summary_data(summary, "Pins *", "99");
    rdb_set_summary_data(summary, "Short", "5");
    rdb_set_summary_data(summary, "Count", "4");
    rdb_replace_summary_data(summary, "Count", "Total", "7");
    rdb_replace_summary_data(summary, "Absent", "New", "1");
    EXPECT_EQ(rows_of(*summary),
              (ROWS{{"Pins used", "10"}, {"Short", "5"}, {"Total", "7"}, {"Pins *", "99"}, {"New", "1"}}));
    const std::pair<const char*, const char*> reads[] = {
        {"Pins used", "10"}, {"Pins *", "99"}, {"Pin? used", "10"}, {"Short", "5"}, {"Absent", ""}};
    for (const auto& [name, value] : reads)
        EXPECT_EQ(rdb_get_summary_data(summary, name), value) << name;
    summary->add_row(rdb_create_row(std::vector<std::string>{"Alone"}));
    EXPECT_EQ(rdb_get_summary_data(summary, "Alone"), "");
    EXPECT_EQ(rdb_get_summary_data(summary, "Alo*"), "");
    EXPECT_INTERNAL_ERROR(rdb_get_summary_data(nullptr, "x"), "summary != 0");
    EXPECT_INTERNAL_ERROR(rdb_set_summary_data(nullptr, "x", "y"), "summary != 0");

    RDB_FOLDER_OBJECT top("Top");
    RDB_FOLDER_OBJECT* sub = rdb_get_folder_by_name(&top, "Sub", true);
    auto* inner = add_table<RDB_SUMMARY_TABLE_OBJECT>(*sub, "Inner", {});
    auto* outer = add_table<RDB_SUMMARY_TABLE_OBJECT>(top, "Outer", {});
    add_table<RDB_TABLE_OBJECT>(top, "Table", {});
    EXPECT_EQ(rdb_find_summary(&top, false), outer);
    EXPECT_EQ(rdb_find_summary(&top, true), inner);
    EXPECT_EQ(rdb_find_summary("Outer", &top, true), outer);
    EXPECT_EQ(rdb_find_summary("Inner", &top, false), nullptr);
    EXPECT_EQ(rdb_find_summary("Table", &top, true), nullptr);
    EXPECT_INTERNAL_ERROR(rdb_find_summary(nullptr, true), "folder != NULL");

    // Gauges are found and filled within the slots the gauges object really has.
    RDB_SUMMARY_TABLE_OBJECT fresh("Fresh");
    rdb_set_summary_gauge(&fresh, "LUTs", 40, 100);
    ASSERT_NE(fresh.get_gauges(), nullptr);
    EXPECT_EQ(fresh.get_gauges()->get_size(), static_cast<std::size_t>(RDB_MAX_GAUGES));

    RDB_SUMMARY_TABLE_OBJECT by_hand("By hand");
    by_hand.set_gauges(new RDB_GAUGES_OBJECT("Made by hand", 0));
    by_hand.get_gauges()->add_data(new RDB_GAUGES_DATA_ELEMENT("Pins", true, 0, 50, 1, false));
    by_hand.get_gauges()->add_data(new RDB_GAUGES_DATA_ELEMENT("Pins", true, 0, 50, 2, false));
    rdb_set_summary_gauge(&by_hand, "Pins", 9, 60);
    rdb_set_summary_gauge(&by_hand, "LUTs", 30, 100);
    for (RDB_SUMMARY_TABLE_OBJECT* gauged : {&fresh, &by_hand}) {
        std::string gauges;
        for (unsigned int i = 0; i < gauged->get_gauges()->get_size(); ++i)
            if (const RDB_GAUGES_DATA_ELEMENT* g = gauged->get_gauges()->get_data_at(i))
                gauges += g->name + ":" + std::to_string(g->m_min_range) + "-" + std::to_string(g->m_max_range) + "/" +
                          std::to_string(g->m_status) + " ";
        EXPECT_EQ(gauges, gauged == &fresh ? "LUTs:0-100/40 " : "Pins:0-60/9 Pins:0-60/9 LUTs:0-100/30 ");
    }
    for (int i = 1; i < RDB_MAX_GAUGES; ++i)
        rdb_set_summary_gauge(&fresh, "g" + std::to_string(i), i, 100);
    EXPECT_INTERNAL_ERROR(rdb_set_summary_gauge(&fresh, "one too many", 1, 2), "i < RDB_MAX_GAUGES");
}

// Data rows are copied into the folder's namesake table; a bad row stops the merge before any copy.
TEST(RdbUtilityTables, MergeCopiesDataRowsIntoTheNamesake)
{
    struct CASE {
        ROWS source;
        ROWS added;
        const char* outcome; // the debug line, or the internal error
    };
    const ROWS target = {{"H1", "H2"}, {"a", "1"}};
    const CASE cases[] = {
        {{{"H1", "H2"}, {"b", "2", "extra"}, {"c", "3"}}, {{"b", "2"}, {"c", "3"}}, "Merged 2 rows into T"},
        {{{"H1", "H2"}}, {}, "Merged 0 rows into T"},
        {{}, {}, "Merged 0 rows into T"},
        {{{"H1", "H2"}, {"b", "2"}, {"c"}}, {}, "elem"},
        {{{"into itself"}}, {}, "Merged 0 rows into T"},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.outcome);
        RDB_FOLDER_OBJECT folder("F");
        auto* merged = add_table<RDB_TABLE_OBJECT>(folder, "T", target);
        RDB_TABLE_OBJECT source("T");
        for (const std::vector<std::string>& row : c.source)
            source.add_row(rdb_create_row(row));
        DEBUG_RECORDER recorder;
        try {
            rdb_merge_tables(&folder, c.source.size() == 1 && c.source[0].size() == 1 ? merged : &source, false);
            EXPECT_TRUE(recorder.saw(c.outcome));
        } catch (const RDB_INTERNAL_ERROR_EXCEPTION& e) {
            EXPECT_EQ(std::string(e.what()), c.outcome);
        }
        ROWS expected = target;
        expected.insert(expected.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(rows_of(*merged), expected);
    }

    RDB_FOLDER_OBJECT folder("F");
    add_table<RDB_TCL_TABLE_OBJECT>(folder, "Tcl", target);
    add_table<RDB_SUMMARY_TABLE_OBJECT>(folder, "S", target);
    RDB_TABLE_OBJECT tcl("Tcl");
    RDB_TABLE_OBJECT summary("S");
    rdb_merge_tables(&folder, &tcl, true);
    EXPECT_INTERNAL_ERROR(rdb_merge_tables(&folder, &tcl, false),
                          "result_object != nullptr && (result_object->get_type() == RDB_TABLE_TYPE )");
    EXPECT_INTERNAL_ERROR(rdb_merge_tables(&folder, &summary, true),
                          "result_object != nullptr && (result_object->get_type() == RDB_TABLE_TYPE || "
                          "result_object->get_type() == RDB_TCL_TABLE_TYPE )");
    EXPECT_INTERNAL_ERROR(rdb_merge_tables(&folder, nullptr, false), "original_table != nullptr && table != nullptr");
    EXPECT_INTERNAL_ERROR(rdb_merge_tables(nullptr, &tcl, false), "folder != nullptr");
}

TEST(RdbUtilityPanels, DisableThenDeleteInPlace)
{
    RDB_FOLDER_OBJECT top("Top");
    add_table<RDB_TABLE_OBJECT>(top, "t1", {});
    RDB_FOLDER_OBJECT* sub = rdb_get_folder_by_name(&top, "sub", true);
    add_table<RDB_TABLE_OBJECT>(*sub, "t2", {});
    add_table<RDB_TABLE_OBJECT>(*sub, "t3", {});
    add_table<RDB_TABLE_OBJECT>(top, "t4", {});
    rdb_disable_report_panel(&top, false);
    sub->set_enable(false);
    (*sub->begin())->set_enable(false);
    rdb_delete_invalid_report_panels(&top, false);
    EXPECT_EQ(child_names(top), (std::vector<std::string>{"sub (off)"}));
    EXPECT_EQ(child_names(*sub), (std::vector<std::string>{"t2 (off)", "t3"}));
    rdb_delete_invalid_report_panels(&top, true);
    EXPECT_EQ(child_names(*sub), (std::vector<std::string>{"t3"}));
    rdb_disable_report_panel(&top, true);
    EXPECT_EQ(child_names(*sub), (std::vector<std::string>{"t3 (off)"}));
    rdb_disable_report_panel(nullptr, true);
    rdb_delete_invalid_report_panels(nullptr, true);
}

// Every check comes before a report is made; the report made is registered under the link's key.
TEST(RdbUtilityLinkReports, CreateChecksFirstThenRegisters)
{
    TEMP_PROJECT project("rdb_utility_link");
    RDB_LINK_RPT_OBJECT link("Timing Link");
    RDB_REPORT* report = rdb_create_link_report(&link, "top", "sta");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(RDB_REPORT::get_report("top", "sta"), report);
    EXPECT_EQ(report->get_main_folder()->get_name(), "Timing Link");
    EXPECT_EQ(report->get_current_folder(), report->get_main_folder());
    EXPECT_INTERNAL_ERROR(rdb_create_link_report(&link, "top", "sta"),
                          "Specified link report already links to a report.");
    RDB_LINK_RPT_OBJECT keyed("Keyed");
    keyed.set_rev_name_and_rpt_type("top", "asm", false);
    EXPECT_INTERNAL_ERROR(rdb_create_link_report(&keyed, "top", "fit"), "Change report key is not allowed.");
    EXPECT_EQ(RDB_REPORT::get_report("top", "fit"), nullptr);
    EXPECT_INTERNAL_ERROR(rdb_create_link_report(nullptr, "top", "sta"), "link_rpt != 0");
    RDB_REPORT::free_all_reports();
}

TEST(RdbUtilitySettings, SettingsRowsAndSkeletonPanels)
{
    RDB_NEW_TABLE_OBJECT settings("Flow Settings");
    rdb_create_settings_information(&settings, "top");
    const ROWS rows = rows_of(settings);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(std::regex_match(rows[0][1], std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)"))) << rows[0][1];
    EXPECT_EQ(rows[0][0], "Start date & time");
    EXPECT_EQ(ROWS(rows.begin() + 1, rows.end()), (ROWS{{"Main task", "Compilation"}, {"Revision Name", "top"}}));
    EXPECT_INTERNAL_ERROR(rdb_create_settings_information(nullptr, "top"), "table != NULL");

    const std::unique_ptr<RDB_FOLDER_OBJECT> main = rdb_util_create_skeleton_main_folder();
    EXPECT_EQ(main->get_name(), "Compilation Report");
    std::vector<std::string> panels;
    for (RDB_OBJECT* panel : *main) {
        const ROWS header = rows_of(*panel->dynamic_cast_to_RDB_NEW_TABLE_OBJECT());
        panels.push_back(panel->get_name() + ": " + std::to_string(header.size()) + " row, " + header[0].front() +
                         " .. " + header[0].back());
    }
    EXPECT_EQ(panels, (std::vector<std::string>{"Flow Settings: 1 row, Option .. Setting",
                                                "Flow Non-Default Settings: 1 row, Assignment Name .. Section Id",
                                                "Flow Elapsed Time: 1 row, Module Name .. Peak Memory Used",
                                                "Flow OS Summary: 1 row, Module Name .. Processor Type"}));
}

// The device of the last compilation, read under the settings' read lock, against the project's part.
TEST(RdbUtilitySettings, DeviceCheckReadsTheLastSynthesisSettings)
{
    TEMP_PROJECT project("rdb_utility_device");
    ACF_MANAGER manager;
    ACF_MANAGER* previous = ACF_MANAGER::set_acf_manager(&manager);
    ACF_REVISION_MANAGER& revision = manager.get_revision_manager();
    EXPECT_TRUE(rdb_is_current_device_same_as_last_compilation_device("top"));
    manager.open_project(DSTR_DEV_PART_NV40K_BGA256_2);
    EXPECT_TRUE(rdb_is_current_device_same_as_last_compilation_device("top"));

    auto* report = new RDB_REPORT;
    RDB_REPORT::add_report("top", RDB_COMPILER_REPORT, report);
    RDB_FOLDER_OBJECT* settings = rdb_get_folder_by_name(
        rdb_get_folder_by_name(&report->get_main_folder_r(), RDB_SYNTHESIS, true), RDB_SETTINGS, true);
    struct CASE {
        ROWS rows;
        bool same;
    };
    const CASE cases[] = {{{{"Device"}}, true},
                          {{{"Device", "nv40k-bga256-2"}}, true},
                          {{{"Dev*", "NV40K-BGA256-2"}, {"Device", "NV80K-BGA484-2"}}, false},
                          {{{"Device", "unknown part"}}, true}};
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.rows.back().back());
        auto table = std::make_unique<RDB_TABLE_OBJECT>("Synthesis Settings");
        for (const std::vector<std::string>& row : c.rows)
            table->add_row(rdb_create_row(row));
        rdb_util_add_or_update_object(settings, std::move(table));
        EXPECT_EQ(rdb_is_current_device_same_as_last_compilation_device("top"), c.same);
        EXPECT_FALSE(revision.is_read_locked());
    }
    // A lock the caller holds is used and left held.
    revision.write_lock();
    EXPECT_EQ(rdb_get_synthesis_setting_table_element_value("top", "Device"), "unknown part");
    EXPECT_TRUE(revision.is_write_locked());
    revision.write_unlock();
    // A failed read releases the lock it took.
    rdb_util_add_or_update_object(settings, std::make_unique<RDB_FOLDER_OBJECT>("Synthesis Settings"));
    EXPECT_INTERNAL_ERROR(rdb_get_synthesis_setting_table_element_value("top", "Device"),
                          "Existing object with the specified name is not a table.");
    EXPECT_FALSE(revision.is_read_locked());

    ACF_MANAGER::set_acf_manager(nullptr);
    EXPECT_INTERNAL_ERROR(rdb_is_current_device_same_as_last_compilation_device("top"), "acf_manager");
    ACF_MANAGER::set_acf_manager(previous);
    RDB_REPORT::free_all_reports();
}
