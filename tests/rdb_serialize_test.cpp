// Binary storage of reports: whole-tree round trips through the segment store, the field layout of
// flags and colours, defences against damaged files, and the report model handler.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "ini/cfg.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_utility.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

RDB_TABLE_ROW* row_of(std::initializer_list<RDB_TABLE_ELEMENT*> cells) { return new RDB_TABLE_ROW(cells); }

// A report with every persistent kind.
std::unique_ptr<RDB_REPORT> make_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    main->set_name("Main");
    main->set_header("main header");
    main->set_is_stage_folder(true);
    main->set_bool_trait("rdb_ser_bool", true);
    main->set_int_trait("rdb_ser_int", -42);
    main->set_long_trait("rdb_ser_long", 1LL << 40);
    main->set_float_trait("rdb_ser_float", 0.25f);
    main->set_double_trait("rdb_ser_double", -1e-300);
    main->set_string_trait("rdb_ser_string", std::string("with\nnewline"));
    const std::byte bytes[] = {std::byte{0}, std::byte{255}, std::byte{7}};
    main->set_byte_array_trait("rdb_ser_bytes", bytes);

    auto* stage = new RDB_FOLDER_OBJECT("Stage");
    stage->set_footer("foot");
    stage->set_checked(3, true);
    stage->set_to_output_ascii_footer(false);
    stage->set_help_id("help-1");
    stage->set_timing_corner("slow");
    stage->set_color(RDB_COLOR_VEXA_DAISY_S2);
    stage->set_visible(false);
    main->add_object_to_list(stage);

    auto* table = new RDB_TABLE_OBJECT("Table");
    auto* tooltip_cell = new RDB_TABLE_STRING_ELEMENT("tip");
    tooltip_cell->set_tooltip("a tooltip");
    tooltip_cell->set_foreground(RDB_COLOR_RED);
    tooltip_cell->set_background(RDB_COLOR_UNKNOWN);
    auto* empty_tip = new RDB_TABLE_INT_ELEMENT(-5);
    empty_tip->set_tooltip("");
    auto* location = new RDB_TABLE_LOCATION_SCHEMA_ELEMENT();
    location->set_string("inst");
    location->set_location_schema_tcl_string("instance top|a");
    location->set_hierarchy_path("top|a");
    auto* window = new RDB_TABLE_DATA_VALID_WINDOW_ELEMENT();
    window->set_valid_min(-5);
    window->set_window_max(11);
    window->set_is_scale(true);
    table->add_row(row_of({new RDB_TABLE_STRING_ELEMENT("Name"), new RDB_TABLE_STRING_ELEMENT("Value")}));
    table->add_row(row_of({tooltip_cell, empty_tip, nullptr}));
    table->add_row(row_of({location, new RDB_TABLE_TCL_CMD_ELEMENT("text", "cmd arg"),
                           new RDB_TABLE_DELAY_ELEMENT(1234, TABLE_DELAY_ELEMENT_NORMAL_FREQUENCY)}));
    table->add_row(row_of({window, new RDB_TABLE_ELEMENT()}));
    table->add_row(row_of({}));
    table->set_no_compact_format(true);
    table->set_sort_enabled(false);
    table->hide_columns({2, 0});
    table->disable_iname_lookup_for_cols({1});
    table->expand_to_level(3);
    stage->add_object_to_list(table);

    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("Summary");
    summary->add_row(rdb_create_row("Status", "Successful"));
    auto* gauges = new RDB_GAUGES_OBJECT("Gauges", 3);
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic", true, 1, 100, 2, false));
    gauges->set_data_at(2, new RDB_GAUGES_DATA_ELEMENT("Pins", false, -1, 7, 0, true));
    gauges->set_int_trait("rdb_ser_int", 9);
    summary->set_gauges(gauges);
    main->add_object_to_list(summary);
    auto* link_table = new RDB_LINK_TABLE_OBJECT("Link Table");
    link_table->set_link_info("other.fit");
    main->add_object_to_list(link_table);
    main->add_object_to_list(new RDB_NEW_TABLE_OBJECT("New Table"));

    auto* master = new RDB_MASTER_DETAIL_OBJECT("Master");
    auto* master_table = new RDB_TABLE_OBJECT("Master Table");
    master->add_master_table(master_table);
    auto* detail = new RDB_TEXT_OBJECT("Detail Text");
    detail->set_text("detail text");
    detail->set_is_json(true);
    master->add_detail_object(detail);
    master->add_detail_object(master_table);
    main->add_object_to_list(master);

    auto* corners = new RDB_MULTI_CORNER_FOLDER_OBJECT("Corners");
    corners->add_object_to_list(new RDB_TEXT_OBJECT("No Text"));
    corners->add_object_to_list(new RDB_LEGAL_OBJECT("Legal"));
    corners->add_object_to_list(
        new RDB_INTERACTIVE_REPORT_DATA_OBJECT("Interactive", std::string("{\"a\":1}\0x", 9), "json", "viewer"));
    main->add_object_to_list(corners);
    auto* link = new RDB_LINK_RPT_OBJECT("Linked");
    link->set_rev_name_and_rpt_type("rev2", "fit", false);
    main->add_object_to_list(link);
    report->set_current_folder(stage);
    return report;
}

KDB_PATH report_path(const std::string& rev, const std::string& type)
{
    KDB_PATH path;
    path.set_component(KDB_PATH::REVISION_COMPONENT, rev);
    path.set_component(KDB_PATH::SNAPSHOT_COMPONENT, "_all");
    path.set_component(KDB_PATH::MODEL_COMPONENT, "report." + type);
    return path;
}

// Tests that store through the project database get a project folder of their own.
class RdbStoredReport : public ::testing::Test {
protected:
    RdbStoredReport() { gen_set_project_directory(m_dir = ::mkdtemp(m_pattern)); }
    ~RdbStoredReport() override
    {
        gen_set_project_directory("");
        std::filesystem::remove_all(m_dir);
    }
    char m_pattern[32] = "/tmp/rdb_ser_test_XXXXXX";
    std::string m_dir;
};

} // namespace

TEST(RdbSerialize, RoundTripKeepsTheWholeTree)
{
    EXPECT_EQ(sizeof(RDB_TABLE_ELEMENT), 24u);
    EXPECT_EQ(sizeof(RDB_TABLE_STRING_ELEMENT), 32u);
    // The loaded report writes the same bytes and the same XML form (which carries every field and trait)
    // as the report, and so does the one read from that XML form.
    std::unique_ptr<RDB_REPORT> report = make_report();
    const REPORT_COPIES copies = copies_of(*report);
    EXPECT_TRUE(copies.stored && copies.read);
}

TEST(RdbSerialize, TableFlagsAreSingleBitsAndColoursWholeBytes)
{
    auto image_with = [](int flag) {
        RDB_REPORT report;
        auto* table = new RDB_TABLE_OBJECT("T");
        table->set_no_compact_format(flag == 0);
        table->set_alternating_row_colors(flag == 1);
        table->set_display_of_row_numbers(flag == 2);
        table->set_uniform_row_heights(flag == 3);
        table->set_sort_enabled(flag == 4);
        report.get_main_folder()->add_object_to_list(table);
        return encode_report(report);
    };
    const std::string none = image_with(-1);
    for (int flag = 0; flag < 5; ++flag) {
        const std::string image = image_with(flag);
        ASSERT_EQ(image.size(), none.size());
        std::string differing;
        for (std::size_t i = PDB_HEADER_SIZE; i < image.size(); ++i)
            if (image[i] != none[i]) differing += image[i];
        EXPECT_EQ(differing, std::string(1, static_cast<char>(1 << flag))) << flag;
        std::unique_ptr<RDB_REPORT> copy = decode_report(image);
        ASSERT_TRUE(copy);
        auto* table = dynamic_cast<RDB_TABLE_OBJECT*>(copy->get_main_folder()->find_object("T"));
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(std::vector<bool>({table->get_no_compact_format(), table->use_alternating_row_colors(),
                                     table->should_display_row_numbers(), table->uniform_row_heights(),
                                     table->get_sort_enabled()}),
                  std::vector<bool>({flag == 0, flag == 1, flag == 2, flag == 3, flag == 4}));
    }

    // A cell's record: its two colour bytes, then the tooltip's absent flag.
    RDB_REPORT colours;
    auto* table = new RDB_TABLE_OBJECT("T");
    auto* cell = new RDB_TABLE_ELEMENT();
    cell->set_foreground(static_cast<RDB_COLOR_NAME>(RDB_COLOR_COUNT - 1));
    cell->set_background(static_cast<RDB_COLOR_NAME>(1));
    table->add_row(row_of({cell}));
    colours.get_main_folder()->add_object_to_list(table);
    const std::string fields = {static_cast<char>(RDB_COLOR_COUNT - 1), '\1', '\0'};
    EXPECT_NE(encode_report(colours).find("RDB_TABLE_ELEMENT" + fields), std::string::npos);
    // A colour byte that names no colour is corruption.
    RDB_REPORT report;
    report.get_main_folder()->set_color(RDB_COLOR_VEXA_DAISY_S2);
    const std::string name = "Default Main Folder";
    EXPECT_NE(refusal(patched(encode_report(report), std::string("\x48\x13\0\0\0", 5) + name,
                              std::string("\x4A\x13\0\0\0", 5) + name))
                  .find("colour 74"),
              std::string::npos);
}

// The tree's invariants hold in every loaded report; a file that breaks one gives no report.
TEST(RdbSerialize, BrokenOwnershipParentsAndTraitKindsAreCorruption)
{
    RDB_REPORT report;
    report.get_main_folder()->add_object_to_list(new RDB_FOLDER_OBJECT("XCHILDX"));
    const std::string image = encode_report(report);
    // Before the name: parent id (4), ownership, enable, visible, colour, name length (4).
    const std::size_t ownership = image.find("XCHILDX") - 4 - 4;
    const std::size_t parent = ownership - 4;
    ASSERT_EQ(image[ownership], 1);
    auto with = [&](std::size_t at, char value) {
        std::string bad = image;
        bad[at] = value;
        return refusal(bad);
    };
    EXPECT_NE(with(ownership, 0).find("not owned by its folder"), std::string::npos);
    EXPECT_NE(with(parent, 0).find("not owned by its folder"), std::string::npos);
    EXPECT_NE(with(parent, 1).find("where"), std::string::npos); // the model, which is no folder
    EXPECT_NE(with(parent, 3).find("its own parent"), std::string::npos);
    // A summary's gauges claiming a folder.
    RDB_REPORT with_gauges;
    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("S");
    summary->set_gauges(new RDB_GAUGES_OBJECT("XGAUGEX", 0));
    with_gauges.get_main_folder()->add_object_to_list(summary);
    std::string bad = encode_report(with_gauges);
    bad[bad.find("XGAUGEX") - 8] = 1;
    EXPECT_NE(refusal(bad).find("gauges of a summary table"), std::string::npos);

    // A trait name defined with another kind in this process, and one file giving a name two kinds.
    RDB_REPORT traits;
    traits.get_main_folder()->set_bool_trait("rdb_ser_kind_a", true);
    RDB_REPORT().get_main_folder()->set_int_trait("rdb_ser_kind_b", 1);
    EXPECT_NE(refusal(patched(encode_report(traits), "rdb_ser_kind_a", "rdb_ser_kind_b")).find("has another kind"),
              std::string::npos);
    auto* child = new RDB_FOLDER_OBJECT("c");
    child->set_int_trait("rdb_ser_kind_c", 3);
    traits.get_main_folder()->add_object_to_list(child);
    traits.get_main_folder()->set_bool_trait("rdb_ser_kind_d", true);
    const std::string both =
        patched(patched(encode_report(traits), "rdb_ser_kind_d", "rdb_ser_kind_e"), "rdb_ser_kind_c", "rdb_ser_kind_e");
    EXPECT_NE(refusal(both).find("two kinds"), std::string::npos);
}

// Every cut of a stored report and a few hundred byte flips with matching checksums: no crash and
// (under the sanitizer build) no leak; a flip either breaks the file or leaves a sound tree.
TEST(RdbSerialize, DamagedReportsGiveNullOrASoundTree)
{
    const std::string image = encode_report(*make_report());
    for (std::size_t size = PDB_HEADER_SIZE; size < image.size(); ++size)
        EXPECT_FALSE(decode_report(image.substr(0, size))) << size;
    std::mt19937 random(2024);
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::string flipped = image;
        std::size_t at = PDB_HEADER_SIZE + random() % (image.size() - PDB_HEADER_SIZE);
        flipped[at] = static_cast<char>(flipped[at] ^ static_cast<char>(1 + random() % 255));
        std::unique_ptr<RDB_REPORT> copy = decode_report(flipped);
        if (!copy) continue;
        ++loaded;
        EXPECT_FALSE(encode_report(*copy).empty()); // a consistent tree that is written again
    }
    EXPECT_LT(loaded, 400);

    // Objects of a class without a record of its own are refused when writing.
    class PLAIN_SUBFOLDER : public RDB_FOLDER_OBJECT {};
    RDB_REPORT report;
    report.get_main_folder()->add_object_to_list(new PLAIN_SUBFOLDER());
    RDB_LENT_REPORT_MODEL lent(&report, KDB_PATH());
    std::string out;
    std::string error;
    EXPECT_FALSE(PDB_ARCHIVE::encode(lent.model(), out, &error));
    EXPECT_NE(error.find("no class record"), std::string::npos) << error;
}

TEST(RdbSerialize, ModelHandlerAndLentModel)
{
    RDB_MODEL_HANDLER handler;
    EXPECT_EQ(kdb_find_model_handler("rdb")->name_of_handled_model(), "report");
    EXPECT_EQ(handler.get_type_extension(), "rdb");
    EXPECT_TRUE(handler.has_bak_support());
    cfg_set_value("rdb_support_bak", "off");
    EXPECT_FALSE(handler.has_bak_support());
    cfg_set_value("rdb_support_bak", "");
    std::unique_ptr<KDB_MODEL> created = handler.create_new_model(report_path("top", "fit"));
    ASSERT_TRUE(created);
    EXPECT_EQ(created->get_type(), "rdb");
    EXPECT_EQ(created->get_path(), report_path("top", "fit"));
    std::unique_ptr<RDB_REPORT> report = rdb_take_report_from_model(std::move(created));
    ASSERT_TRUE(report);
    EXPECT_FALSE(rdb_take_report_from_model(nullptr));
    // A lent model never deletes the report, even when storing throws (the sanitizer build would
    // see a use after free).
    try {
        RDB_LENT_REPORT_MODEL lent(report.get(), KDB_PATH());
        throw std::runtime_error("store failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(report->get_main_folder()->get_name(), "Default Main Folder");
}

TEST_F(RdbStoredReport, WritingRefusesOtherModelsAndLeavesTheFile)
{
    RDB_MODEL_HANDLER handler;
    const std::string path = gen_get_db_dir_path_string() + "/x.rdb";
    std::ofstream(path) << "previous";
    KDB_FILE file(path, "rdb", false);
    EXPECT_FALSE(handler.write_model_to_file(nullptr, file, false));
    RDB_KDB_MODEL empty(nullptr);
    EXPECT_FALSE(handler.write_model_to_file(&empty, file, false));
    RDB_KDB_MODEL other(new RDB_REPORT());
    other.get_header().type = "other";
    EXPECT_FALSE(handler.write_model_to_file(&other, file, true));
    EXPECT_EQ(read_file(path), "previous");

    std::unique_ptr<KDB_MODEL> model = handler.create_new_model(KDB_PATH());
    DEBUG_RECORDER recorder;
    EXPECT_TRUE(handler.write_model_to_file(model.get(), file, false));
    EXPECT_TRUE(handler.read_model_from_file(KDB_PATH(), file));
    EXPECT_TRUE(recorder.saw("RDB_MODEL_HANDLER: writing to " + path));
    EXPECT_TRUE(recorder.saw("RDB_MODEL_HANDLER: reading from " + path));
    EXPECT_FALSE(handler.read_model_from_file(KDB_PATH(), KDB_FILE(path + ".none", "rdb", false)));
}

TEST_F(RdbStoredReport, StoredReportsComeBackThroughTheService)
{
    KDB_SERVICE& service = kdb_get_default_service_or_die();
    const KDB_PATH path = report_path("top.rev", "placed.sta");
    std::unique_ptr<RDB_REPORT> report = make_report();
    ASSERT_TRUE(rdb_store_report_model(service, path, *report));
    const std::string binary = service.get_model_file_path(path);
    const std::string bak = service.get_model_file_path(path, true);
    EXPECT_EQ(std::filesystem::path(binary).filename(), "top.rev+_all+report.placed.sta.rdb");
    EXPECT_TRUE(std::filesystem::exists(bak));
    std::unique_ptr<RDB_REPORT> loaded = rdb_load_report_model(service, path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(encode_report(*loaded), encode_report(*report));
    EXPECT_FALSE(rdb_load_report_model(service, report_path("other", "fit")));

    // The backup stands in for a damaged binary file, and gives back the same report.
    std::ofstream(binary, std::ios::trunc) << "damaged";
    {
        DEBUG_RECORDER recorder;
        std::unique_ptr<RDB_REPORT> from_bak = rdb_load_report_model(service, path);
        ASSERT_TRUE(from_bak);
        EXPECT_EQ(encode_report(*from_bak), encode_report(*report));
        EXPECT_TRUE(recorder.saw("kdb: " + binary + " is damaged; reading the backup " + bak));
    }

    // A backup that cannot be written fails the put.
    ASSERT_TRUE(rdb_store_report_model(service, path, *report));
    ASSERT_EQ(::chmod(gen_get_db_dir_path_string().c_str(), 0500), 0);
    if (::access(gen_get_db_dir_path_string().c_str(), W_OK) != 0) { // not when running as root
        DEBUG_RECORDER recorder;
        EXPECT_FALSE(rdb_store_report_model(service, path, *report));
        EXPECT_TRUE(recorder.saw("An error occurred while writing the database."));
    }
    ::chmod(gen_get_db_dir_path_string().c_str(), 0700);
    RDB_MODEL_HANDLER handler;
    RDB_LENT_REPORT_MODEL lent(report.get(), path);
    std::filesystem::remove(bak);
    std::filesystem::create_directory(bak); // the backup's name is taken by a folder
    std::ofstream(bak + "/keep") << "x";
    EXPECT_FALSE(handler.write_model_to_file(&lent.model(), KDB_FILE(bak, handler.get_bak_extension(), true), true));
    EXPECT_FALSE(service.put_model(path, lent.model()));
}
