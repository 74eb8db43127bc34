// The text report file: banner, table of contents, entry selection, flow messages and message
// sessions, and failures that must be reported as failures.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gen/gen_project.h"
#include "ini/cfg.h"
#include "msg/msg_file.h"
#include "pdb/pdb.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_message_gen.h"
#include "rdb_report.h"
#include "rdb_report_gen.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_utility.h"
#include "rdb_vocabulary.h"
#include "test_support.h"
#include "ver/ver.h"

namespace {

namespace fs = std::filesystem;

const char* const PINNED_TIME = "Mon Jan  5 10:00:00 2026";

// The write step that fails, and how many such steps run before it (the first is 1).
PDB_WRITE_STEP g_failing_step;
int g_steps_until_failure = 0;
bool fail_nth_step(PDB_WRITE_STEP step) { return step == g_failing_step && --g_steps_until_failure == 0; }

// How the writer prints an entry: its text form and an empty line.
std::string entry_text(RDB_OBJECT& object)
{
    std::ostringstream os;
    object.output_ascii(os);
    return os.str() + "\n\n";
}

std::string text_box(const std::string& name, const std::string& text)
{
    RDB_TEXT_OBJECT object(name);
    object.set_text(text);
    return entry_text(object);
}

RDB_TABLE_OBJECT* add_table(RDB_FOLDER_OBJECT& folder, const std::string& name)
{
    auto* table = new RDB_TABLE_OBJECT(name);
    table->add_row(rdb_create_row(std::vector<std::string>{"Item", name}));
    folder.add_object_to_list(table);
    return table;
}

RDB_FOLDER_OBJECT* add_folder(RDB_FOLDER_OBJECT& parent, const std::string& name, bool stage)
{
    auto* folder = new RDB_FOLDER_OBJECT(name);
    folder->set_is_stage_folder(stage);
    parent.add_object_to_list(folder);
    return folder;
}

RDB_EMBEDDED_OBJECT* add_embedded(RDB_FOLDER_OBJECT& folder, const std::string& name,
                                  RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type, const std::string& info)
{
    auto* embedded = new RDB_EMBEDDED_OBJECT(name, type);
    embedded->set_info_str(info);
    folder.add_object_to_list(embedded);
    return embedded;
}

std::string report_text(RDB_REPORT_GEN& gen)
{
    std::ostringstream os;
    EXPECT_TRUE(gen.write_ascii_report(os));
    return os.str();
}

class REPORT_GEN : public ::testing::Test {
protected:
    void SetUp() override
    {
        gen_pin_current_date_and_time(PINNED_TIME);
        ver_set_product("Demo Suite", "2.1.0", "77");
        cfg_reset();
    }
    void TearDown() override
    {
        cfg_reset();
        ver_set_product("", "", "");
        gen_pin_current_date_and_time("");
    }

    std::string banner(const std::string& name) const
    {
        return name + "\n" + PINNED_TIME + "\nDemo Suite " + ver_get_full_version(1) + "\n\n\n";
    }

    TEMP_PROJECT m_temp{"rdb_report_gen_test"};
    const fs::path m_project = m_temp.dir();
};

} // namespace

TEST_F(REPORT_GEN, BannerNumberedTableOfContentsAndEntriesInOrderOfAnyRoot)
{
    RDB_FOLDER_OBJECT root("Main");
    RDB_TABLE_OBJECT* first = add_table(root, "First Table");
    add_table(root, "Hidden Table")->set_visible(false);
    RDB_TABLE_OBJECT* second = add_table(root, "Second Table");

    RDB_REPORT_GEN gen(&root, "Fitter report for top");
    EXPECT_EQ(report_text(gen), banner("Fitter report for top") +
                                    "---------------------\n; Table of Contents ;\n---------------------\n"
                                    "  1. First Table\n  2. Second Table\n\n\n\n" +
                                    entry_text(*first) + entry_text(*second));

    // Numbers run on, right-aligned in three columns.
    for (int i = 3; i <= 101; ++i)
        add_table(root, "t" + std::to_string(i));
    const std::string text = report_text(gen);
    EXPECT_NE(text.find("\n  9. t9\n 10. t10\n"), std::string::npos);
    EXPECT_NE(text.find("\n 99. t99\n100. t100\n101. t101\n"), std::string::npos);

    // Explicit entries replace the root's children, in the order given.
    RDB_REPORT_GEN chosen(&root, "r");
    chosen.add_toc_entry(root.find_object("t7"));
    chosen.add_toc_entry(nullptr);
    chosen.add_toc_entry(root.find_object("t3"));
    EXPECT_EQ(report_text(chosen), banner("r") + text_box(RDB_TABLE_OF_CONTENTS, "  1. t7\n  2. t3\n") +
                                       entry_text(*root.find_object("t7")) + entry_text(*root.find_object("t3")));

    // A report's main folder as the root, and no root at all.
    RDB_REPORT report;
    add_table(report.get_main_folder_r(), "T");
    RDB_REPORT_GEN from_report(&report, nullptr);
    EXPECT_EQ(report_text(from_report), banner("") + text_box(RDB_TABLE_OF_CONTENTS, "  1. T\n") +
                                            entry_text(*report.get_main_folder_r().find_object("T")));

    RDB_REPORT_GEN empty;
    EXPECT_EQ(report_text(empty), banner("") + text_box(RDB_TABLE_OF_CONTENTS, ""));
}

TEST_F(REPORT_GEN, StageFoldersAreIndentedSectionsAndOtherFoldersOnlyInTheBody)
{
    RDB_FOLDER_OBJECT root("Main");
    RDB_TABLE_OBJECT* a = add_table(root, "A");
    RDB_FOLDER_OBJECT* fitter = add_folder(root, "Fitter", true);
    RDB_TABLE_OBJECT* b = add_table(*fitter, "B");
    RDB_FOLDER_OBJECT* sub = add_folder(*fitter, "Place Stage", true);
    RDB_TABLE_OBJECT* c = add_table(*sub, "C");
    RDB_FOLDER_OBJECT* plain = add_folder(root, "Plain", false);
    RDB_TABLE_OBJECT* d = add_table(*plain, "D");
    RDB_FOLDER_OBJECT* empty_stage = add_folder(root, "Empty Stage", true);
    add_table(*empty_stage, "Hidden")->set_visible(false);
    add_folder(*fitter, "Nested Empty", true);

    RDB_REPORT_GEN gen(&root, "r");
    const std::string toc = "  1. A\n"
                            "---- Fitter Reports ----\n"
                            "       2. B\n"
                            "     ---- Place Stage Reports ----\n"
                            "            3. C\n";
    EXPECT_EQ(report_text(gen), banner("r") + text_box(RDB_TABLE_OF_CONTENTS, toc) + entry_text(*a) + entry_text(*b) +
                                    entry_text(*c) + entry_text(*d));
}

TEST_F(REPORT_GEN, ObjectsWithoutTextFormShowTheirMessageOrNothingAndEmbeddedObjectsByKindAndDepth)
{
    RDB_FOLDER_OBJECT root("Main");
    add_table(root, "Chart Panel")->set_not_ascii_writable("Open the chart in the viewer.");
    add_table(root, "Silent Panel")->set_not_ascii_writable("");
    RDB_FOLDER_OBJECT* viewer_only = add_folder(root, "Viewer Folder", true);
    viewer_only->set_not_ascii_writable("Only the viewer shows this folder.");
    add_table(*viewer_only, "Inside");
    auto* json = new RDB_TEXT_OBJECT("Json Panel");
    json->set_text("{\"a\": 1}");
    json->set_is_json(true);
    root.add_object_to_list(json);
    auto* webkit = new RDB_TEXT_OBJECT("Web Panel");
    webkit->set_is_webkit_html(true);
    root.add_object_to_list(webkit);

    // Memory objects print their listing; embedded objects show only directly in a stage folder.
    auto* memory = new RDB_MEMORY_OBJECT("ram_a", "ram_a.mif", 3, 4, 2, nullptr);
    memory->set_value_at(1, 0, CDB_CAM_DATA_ONE);
    root.add_object_to_list(memory);
    RDB_FOLDER_OBJECT* stage = add_folder(root, "Stage", true);
    add_embedded(*add_folder(*stage, "Deep", false), "Deep Messages", EMBEDDED_OBJECT_MESSAGES_TYPE, "deep.msg");
    RDB_EMBEDDED_OBJECT* equation = add_embedded(*stage, "Equations", EMBEDDED_OBJECT_EQUATION_TYPE, "top.eqn");

    RDB_REPORT_GEN gen(&root, "r");
    std::ostringstream memory_listing;
    memory->output_ascii_memory_object(memory_listing);
    const std::string toc = "  1. Chart Panel\n  2. Viewer Folder\n  3. Web Panel\n  4. ram_a\n"
                            "---- Stage Reports ----\n       5. Equations\n";
    EXPECT_EQ(report_text(gen), banner("r") + text_box(RDB_TABLE_OF_CONTENTS, toc) +
                                    text_box("Chart Panel", "Open the chart in the viewer.") +
                                    text_box("Viewer Folder", "Only the viewer shows this folder.") +
                                    entry_text(*webkit) + memory_listing.str() + entry_text(*equation));

    add_embedded(root, "fake", EMBEDDED_OBJECT_MEMORY_TYPE, "");
    std::ostringstream os;
    EXPECT_INTERNAL_ERROR(gen.write_ascii_report(os), "memory_object");
}

TEST_F(REPORT_GEN, FlowMessagesGatherEveryStageMessageFile)
{
    fs::create_directories(m_project / "db");
    const std::pair<const char*, const char*> files[] = {{"top.map.msg", "Synthesis started"},
                                                         {"top.fit.msg", "Fitter placed 12 cells"},
                                                         {"top.fit.route.msg", "Routing done"}};
    for (const auto& [file, text] : files) {
        const std::string path = (m_project / "db" / file).string();
        ASSERT_TRUE(msg_write_message_file(path, {{MSG_FILE_MESSAGE_TYPE::INFO, 0, 1, "", text, {}}}));
    }

    RDB_REPORT report;
    RDB_FOLDER_OBJECT& root = report.get_main_folder_r();
    RDB_FOLDER_OBJECT* map = add_folder(root, "Synthesis", true);
    add_embedded(*map, "Synthesis Messages", EMBEDDED_OBJECT_MESSAGES_TYPE, "top.map.msg");
    RDB_FOLDER_OBJECT* fit = add_folder(root, "Fitter", true);
    add_embedded(*fit, "Fitter Messages", EMBEDDED_OBJECT_MESSAGES_TYPE, "top.fit.msg")
        ->add_message_file("top.fit.route.msg");
    RDB_EMBEDDED_OBJECT* flow = add_embedded(root, RDB_FLOW_MESSAGE_RPT_NAME, EMBEDDED_OBJECT_MESSAGES_TYPE,
                                             RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES);

    RDB_REPORT_GEN gen(&report, "Flow report");
    const std::string direct = report_text(gen);
    const std::string flow_part = direct.substr(direct.rfind("; Flow Messages ;"));
    std::size_t at = 0;
    for (const auto& [file, text] : files) {
        const std::size_t found = flow_part.find(text, at);
        ASSERT_NE(found, std::string::npos) << text << " in\n" << flow_part;
        at = found;
    }

    // In a session the file first holds reference blocks; ending it puts the same listings in.
    const fs::path file = m_project / "top.flow.rpt";
    EXPECT_TRUE(gen.write_ascii_report_file(file.c_str(), true));
    EXPECT_FALSE(RDB_MESSAGE_GEN::get_message_gen().is_in_session());
    EXPECT_EQ(read_file(file), direct);

    flow->set_name("Other Messages");
    std::ostringstream os;
    EXPECT_INTERNAL_ERROR(gen.write_ascii_report(os),
                          "em_object->get_name() == RDB_FLOW_MESSAGE_RPT_NAME || em_object->get_name() == "
                          "RDB_FLOW_SUPPRESSED_MESSAGE_RPT_NAME");
    root.remove_object_from_list(flow);
    add_embedded(*fit, RDB_FLOW_MESSAGE_RPT_NAME, EMBEDDED_OBJECT_MESSAGES_TYPE, RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES);
    EXPECT_INTERNAL_ERROR(gen.write_ascii_report(os), "main_folder->get_parent() == nullptr");
}

TEST_F(REPORT_GEN, FilesThatCannotBeWrittenAreReportedAsFailuresAndTheNoReportsSwitchWritesNone)
{
    RDB_FOLDER_OBJECT root("Main");
    add_table(root, "T");
    RDB_REPORT_GEN gen(&root, "r");
    const fs::path file = m_project / "r.rpt";
    cfg_set_value("rpl_no_reports", "on");
    EXPECT_TRUE(gen.write_report_files(file.c_str(), false));
    EXPECT_FALSE(fs::exists(file));
    cfg_set_value("rpl_no_reports", "off");
    EXPECT_TRUE(gen.write_report_files(file.c_str(), false));
    EXPECT_EQ(read_file(file), report_text(gen));

    const fs::path missing_dir = m_project / "no" / "such" / "r.rpt";
    EXPECT_FALSE(gen.write_ascii_report_file(missing_dir.c_str(), false));
    EXPECT_FALSE(gen.write_report_files(missing_dir.c_str(), false));
    EXPECT_FALSE(gen.write_ascii_report_file("", false));
    EXPECT_FALSE(gen.write_ascii_report_file(nullptr, false));
    EXPECT_TRUE(!fs::exists("/dev/full") || !gen.write_ascii_report_file("/dev/full", false));

    // A failed session leaves the previous file in place and the session closed.
    const fs::path kept = m_project / "kept.rpt";
    std::ofstream(kept) << "previous";
    fs::create_directories(m_project / "db" / "kept.tmp");
    EXPECT_FALSE(gen.write_ascii_report_file(kept.c_str(), true));
    EXPECT_FALSE(RDB_MESSAGE_GEN::get_message_gen().is_in_session());
    EXPECT_EQ(read_file(kept), "previous");
    fs::remove(m_project / "db" / "kept.tmp");

    // A write that fails at any step leaves the previous file, and no temporary file: the report file
    // written directly, the session's temporary file, or the final file the session makes from it.
    struct CASE {
        const char* what;
        bool session;
        PDB_WRITE_STEP step;
        int nth;
    };
    for (const CASE& c : {CASE{"report file, write", false, PDB_WRITE_STEP::WRITE, 1},
                          CASE{"report file, rename", false, PDB_WRITE_STEP::RENAME, 1},
                          CASE{"session file, sync", true, PDB_WRITE_STEP::SYNC, 1},
                          CASE{"final file, write", true, PDB_WRITE_STEP::WRITE, 2},
                          CASE{"final file, rename", true, PDB_WRITE_STEP::RENAME, 2}}) {
        SCOPED_TRACE(c.what);
        g_failing_step = c.step;
        g_steps_until_failure = c.nth;
        const PDB_WRITE_FAULT_HOOK previous = pdb_set_write_fault_hook(&fail_nth_step);
        EXPECT_FALSE(gen.write_ascii_report_file(kept.c_str(), c.session));
        pdb_set_write_fault_hook(previous);
        EXPECT_EQ(g_steps_until_failure, 0) << "the step did not fail";
        EXPECT_EQ(read_file(kept), "previous");
        EXPECT_FALSE(RDB_MESSAGE_GEN::get_message_gen().is_in_session());
        for (const fs::path& folder : {m_project, m_project / "db"})
            for (const fs::directory_entry& entry : fs::directory_iterator(folder))
                EXPECT_FALSE(pdb_is_temp_file_name(entry.path().filename().string())) << entry.path();
    }

    std::ostringstream failed;
    failed.setstate(std::ios::badbit);
    EXPECT_FALSE(gen.write_ascii_report(failed));
}
