// Binary storage of reports: whole-tree round trips through the segment store, the field layout of
// flags and colours, defences against damaged files, and the report model handler.

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "ini/cfg.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "test_support.h"

namespace {

// ---- A canonical description of a tree, field by field, to compare trees -------------------------

std::string describe_value(const DTRAIT::VALUE& value)
{
    std::ostringstream out;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, DTRAIT::BYTES>) {
                for (std::byte b : v) out << std::to_integer<int>(b) << ',';
            } else {
                out << v;
            }
        },
        value);
    return std::to_string(value.index()) + ":" + out.str();
}

std::string describe_traits(const RDB_OBJECT& object)
{
    std::string text;
    DTRAIT::TRAIT_TABLE& table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    for (DTRAIT::DEFINITION_HANDLE definition : table.all_definitions_impl(typeid(RDB_OBJECT)))
        if (const DTRAIT::VALUE* value = table.get_value_impl(definition, object.get_dtrait_key()))
            text += " trait[" + definition->name().get_full_name_str() + "]=" + describe_value(*value);
    return text;
}

std::string describe_cell(const RDB_TABLE_ELEMENT* cell)
{
    if (cell == nullptr) return "null";
    std::ostringstream out;
    out << typeid(*cell).name() << " fg=" << int(cell->get_foreground()) << " bg=" << int(cell->get_background())
        << " tip=" << (cell->has_tooltip() ? "[" + cell->get_tooltip() + "]" : "none");
    if (auto* s = dynamic_cast<const RDB_TABLE_STRING_ELEMENT*>(cell)) out << " s=[" << s->get_c_string() << "]";
    if (auto* l = dynamic_cast<const RDB_TABLE_LOCATION_SCHEMA_ELEMENT*>(cell))
        out << " schema=[" << l->get_location_schema_tcl_string() << "] hier=[" << l->get_hierarchy_path() << "]";
    if (auto* t = dynamic_cast<const RDB_TABLE_TCL_CMD_ELEMENT*>(cell)) out << " cmd=[" << t->get_tcl_cmd() << "]";
    if (auto* i = dynamic_cast<const RDB_TABLE_INT_ELEMENT*>(cell)) out << " i=" << i->get_data();
    if (auto* d = dynamic_cast<const RDB_TABLE_DELAY_ELEMENT*>(cell))
        out << " delay=" << d->get_delay() << "/" << d->get_display_option();
    if (auto* w = dynamic_cast<const RDB_TABLE_DATA_VALID_WINDOW_ELEMENT*>(cell))
        out << " window=" << w->get_window_min() << "," << w->get_valid_min() << "," << w->get_valid_max() << ","
            << w->get_window_max() << "," << w->is_disabled() << "," << w->is_scale();
    return out.str();
}

void describe(const RDB_OBJECT* object, std::ostream& out, const std::string& indent)
{
    if (object == nullptr) {
        out << indent << "null\n";
        return;
    }
    out << indent << typeid(*object).name() << " name=[" << object->get_name() << "] parent=["
        << (object->get_parent() ? object->get_parent()->get_name() : "-") << "] owned=" << object->get_ownership_status()
        << " en=" << object->is_enable() << " vis=" << object->is_visible() << " color=" << int(object->get_color())
        << " header=[" << object->get_header() << "]/" << object->get_to_output_ascii_header() << " footer=["
        << object->get_footer() << "]/" << object->get_to_output_ascii_footer() << " checked=" << object->is_checked()
        << "/" << object->is_expanded() << " tcl=[" << object->get_tcl_command() << "] help=["
        << object->get_help_id() << "] corner=[" << object->get_timing_corner() << "]" << describe_traits(*object)
        << "\n";
    const std::string inner = indent + "  ";
    if (auto* table = dynamic_cast<const RDB_TABLE_OBJECT*>(object)) {
        out << inner << "flags=" << table->get_no_compact_format() << table->use_alternating_row_colors()
            << table->should_display_row_numbers() << table->uniform_row_heights() << table->get_sort_enabled()
            << " expand=" << table->get_expand_level() << " hidden=";
        for (unsigned c : table->hidden_columns()) out << c << ",";
        out << " noiname=";
        for (unsigned c : table->get_disable_iname_lookup()) out << c << ",";
        out << "\n";
        for (const RDB_TABLE_ROW* row : *table) {
            out << inner << "row:";
            for (const RDB_TABLE_ELEMENT* cell : *row) out << " {" << describe_cell(cell) << "}";
            out << "\n";
        }
    }
    if (auto* summary = dynamic_cast<const RDB_SUMMARY_TABLE_OBJECT*>(object)) {
        out << inner << "gauges:\n";
        describe(summary->get_gauges(), out, inner + "  ");
    }
    if (auto* link = dynamic_cast<const RDB_LINK_TABLE_OBJECT*>(object)) out << inner << "link=" << link->get_link_info() << "\n";
    if (auto* gauges = dynamic_cast<const RDB_GAUGES_OBJECT*>(object)) {
        for (unsigned i = 0; i < gauges->get_size(); ++i) {
            const RDB_GAUGES_DATA_ELEMENT* data = gauges->get_data_at(i);
            out << inner << "gauge:";
            if (data == nullptr) out << " empty\n";
            else
                out << data->name << "," << data->m_percent << "," << data->m_min_range << "," << data->m_max_range << ","
                    << data->m_status << "," << data->m_disable << "\n";
        }
    }
    if (auto* text = dynamic_cast<const RDB_TEXT_OBJECT*>(object))
        out << inner << "text=" << (text->get_text() ? "[" + *text->get_text() + "]" : "none") << " " << text->is_html()
            << text->is_webkit_html() << text->is_qml() << text->is_json() << "\n";
    if (auto* data = dynamic_cast<const RDB_INTERACTIVE_REPORT_DATA_OBJECT*>(object))
        out << inner << "data=[" << data->get_data() << "][" << data->get_data_type() << "]["
            << data->get_report_implementation() << "]\n";
    if (auto* link = dynamic_cast<const RDB_LINK_RPT_OBJECT*>(object))
        out << inner << "link=" << link->get_rev_name() << "." << link->get_rpt_type() << "\n";
    if (auto* master = dynamic_cast<const RDB_MASTER_DETAIL_OBJECT*>(object)) {
        out << inner << "master=" << (master->get_master_table() ? master->get_master_table()->get_path() : "-") << " details=";
        for (unsigned i = 0; i < master->get_detail_count(); ++i)
            out << (master->get_detail_object(i) ? master->get_detail_object(i)->get_path() : "-") << ",";
        out << "\n";
    }
    if (auto* folder = dynamic_cast<const RDB_FOLDER_OBJECT*>(object)) {
        out << inner << "stage=" << folder->get_is_stage_folder() << "\n";
        for (auto it = folder->RDB_FOLDER_OBJECT::begin_object_const_iter();
             it != folder->RDB_FOLDER_OBJECT::end_object_const_iter(); ++it)
            describe(*it, out, inner);
    }
}

std::string describe(const RDB_REPORT& report)
{
    std::ostringstream out;
    describe(report.get_main_folder(), out, "");
    out << "current=" << (report.get_current_folder() ? report.get_current_folder()->get_path() : "-") << "\n";
    return out.str();
}

// ---- A report with every persistent kind ----------------------------------------------------------

RDB_TABLE_ROW* row_of(std::initializer_list<RDB_TABLE_ELEMENT*> cells) { return new RDB_TABLE_ROW(cells); }

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
    stage->set_tcl_command("puts hi");
    stage->set_help_id("help-1");
    stage->set_timing_corner("slow");
    stage->set_color(RDB_COLOR_VEXA_DAISY_S2);
    stage->set_enable(false);
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
    window->set_window_min(-10);
    window->set_valid_min(-5);
    window->set_valid_max(6);
    window->set_window_max(11);
    window->set_is_scale(true);
    table->add_row(row_of({new RDB_TABLE_STRING_ELEMENT("Name"), new RDB_TABLE_STRING_ELEMENT("Value"),
                           new RDB_TABLE_STRING_ELEMENT("More")}));
    table->add_row(row_of({tooltip_cell, empty_tip, nullptr}));
    table->add_row(row_of({location, new RDB_TABLE_TCL_CMD_ELEMENT("text", "cmd arg"),
                           new RDB_TABLE_DELAY_ELEMENT(1234, TABLE_DELAY_ELEMENT_NORMAL_FREQUENCY)}));
    table->add_row(row_of({window, new RDB_TABLE_STRING_ELEMENT(), new RDB_TABLE_ELEMENT()}));
    table->add_row(row_of({}));
    table->set_no_compact_format(true);
    table->set_alternating_row_colors(false);
    table->set_sort_enabled(false);
    table->hide_columns({2, 0});
    table->disable_iname_lookup_for_cols({1});
    table->expand_to_level(3);
    table->set_alternate_hierarchical_row_colors(true);
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
    auto* new_table = new RDB_NEW_TABLE_OBJECT("New Table");
    new_table->add_row(rdb_create_row("h1", "h2"));
    main->add_object_to_list(new_table);

    auto* master = new RDB_MASTER_DETAIL_OBJECT("Master");
    auto* master_table = new RDB_TABLE_OBJECT("Master Table");
    master->add_master_table(master_table);
    auto* detail = new RDB_TEXT_OBJECT("Detail Text");
    detail->set_text("detail text");
    detail->set_is_html(true);
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

std::string encode_report(RDB_REPORT& report)
{
    RDB_LENT_REPORT_MODEL lent(&report, KDB_PATH());
    std::string image;
    std::string error;
    EXPECT_TRUE(PDB_ARCHIVE::encode(lent.model(), image, &error)) << error;
    return image;
}

std::unique_ptr<RDB_REPORT> decode_report(std::string_view image, std::string* error = nullptr)
{
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE::decode(image, error);
    auto* model = dynamic_cast<RDB_KDB_MODEL*>(root.get());
    return model ? model->release_report() : nullptr;
}

// Replaces the first occurrence of a text in an image (same length) and reseals it.
std::string patched(std::string image, const std::string& from, const std::string& to)
{
    std::size_t at = image.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) image.replace(at, from.size(), to);
    PDB_ARCHIVE::reseal(image);
    return image;
}

class TEMP_PROJECT {
public:
    TEMP_PROJECT()
    {
        char pattern[] = "/tmp/rdb_ser_test_XXXXXX";
        m_path = ::mkdtemp(pattern);
        gen_set_project_directory(m_path);
    }
    ~TEMP_PROJECT()
    {
        gen_set_project_directory("");
        std::filesystem::remove_all(m_path);
    }

private:
    std::string m_path;
};

KDB_PATH report_path(const std::string& rev, const std::string& type)
{
    KDB_PATH path;
    path.set_component(KDB_PATH::REVISION_COMPONENT, rev);
    path.set_component(KDB_PATH::SNAPSHOT_COMPONENT, "_all");
    path.set_component(KDB_PATH::MODEL_COMPONENT, "report." + type);
    return path;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(RdbSerialize, CellsKeepTheirSize)
{
    EXPECT_EQ(sizeof(RDB_TABLE_ELEMENT), 24u);
    EXPECT_EQ(sizeof(RDB_TABLE_STRING_ELEMENT), 32u);
}

TEST(RdbSerialize, RoundTripKeepsTheWholeTree)
{
    std::unique_ptr<RDB_REPORT> report = make_report();
    const std::string image = encode_report(*report);
    std::unique_ptr<RDB_REPORT> copy = decode_report(image);
    ASSERT_TRUE(copy);
    EXPECT_EQ(describe(*copy), describe(*report));
    EXPECT_NE(describe(*report).find("trait[1:rdb_object_property:rdb_ser_bytes]=6:0,255,7,"), std::string::npos);

    // Pointers name the loaded objects themselves.
    RDB_FOLDER_OBJECT* main = copy->get_main_folder();
    EXPECT_EQ(main->get_ownership_status(), OWNED);
    EXPECT_EQ(copy->get_current_folder(), main->find_object("Stage"));
    auto* master = dynamic_cast<RDB_MASTER_DETAIL_OBJECT*>(main->find_object("Master"));
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(master->get_master_table(), master->find_object("Master Table"));
    EXPECT_EQ(master->get_detail_object(0), master->find_object("Detail Text"));
    EXPECT_EQ(master->get_detail_object(1), master->get_master_table());

    // Writing the loaded report again gives the same bytes.
    EXPECT_EQ(encode_report(*copy), image);
}

TEST(RdbSerialize, TableFlagsAreSingleBitsOfOneByte)
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
        int differing = 0;
        for (std::size_t i = PDB_HEADER_SIZE; i < image.size(); ++i)
            if (image[i] != none[i]) {
                ++differing;
                EXPECT_EQ(static_cast<unsigned char>(image[i]), 1u << flag);
            }
        EXPECT_EQ(differing, 1) << flag;
        std::unique_ptr<RDB_REPORT> copy = decode_report(image);
        ASSERT_TRUE(copy);
        auto* table = dynamic_cast<RDB_TABLE_OBJECT*>(copy->get_main_folder()->find_object("T"));
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->get_no_compact_format(), flag == 0);
        EXPECT_EQ(table->use_alternating_row_colors(), flag == 1);
        EXPECT_EQ(table->should_display_row_numbers(), flag == 2);
        EXPECT_EQ(table->uniform_row_heights(), flag == 3);
        EXPECT_EQ(table->get_sort_enabled(), flag == 4);
    }
}

TEST(RdbSerialize, CellColoursAreEightBitFields)
{
    for (int color = 0; color < RDB_COLOR_COUNT; ++color) {
        RDB_REPORT report;
        auto* table = new RDB_TABLE_OBJECT("T");
        auto* cell = new RDB_TABLE_ELEMENT();
        cell->set_foreground(static_cast<RDB_COLOR_NAME>(color));
        cell->set_background(static_cast<RDB_COLOR_NAME>(RDB_COLOR_COUNT - 1 - color));
        table->add_row(row_of({cell}));
        report.get_main_folder()->add_object_to_list(table);
        const std::string image = encode_report(report);
        // The cell's record: its two colour bytes, then the tooltip's absent flag.
        const std::string colours = {static_cast<char>(color), static_cast<char>(RDB_COLOR_COUNT - 1 - color), '\0'};
        EXPECT_NE(image.find("RDB_TABLE_ELEMENT" + colours), std::string::npos) << color;
        std::unique_ptr<RDB_REPORT> copy = decode_report(image);
        ASSERT_TRUE(copy);
        const RDB_TABLE_ELEMENT* loaded =
            dynamic_cast<RDB_TABLE_OBJECT*>(copy->get_main_folder()->find_object("T"))->get_element(0, 0, false);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->get_foreground(), color);
        EXPECT_EQ(loaded->get_background(), RDB_COLOR_COUNT - 1 - color);
    }
    // A colour byte that names no colour is corruption.
    RDB_REPORT report;
    report.get_main_folder()->set_color(RDB_COLOR_VEXA_DAISY_S2);
    std::string image = encode_report(report);
    std::string error;
    const std::string name = "Default Main Folder";
    EXPECT_FALSE(decode_report(patched(image, std::string("\x48\x13\0\0\0", 5) + name, std::string("\x4A\x13\0\0\0", 5) + name),
                               &error));
    EXPECT_NE(error.find("colour 74"), std::string::npos) << error;
}

// The tree's invariants hold in every loaded report; a file that breaks one gives no report.
TEST(RdbSerialize, BrokenOwnershipAndParentsAreCorruption)
{
    RDB_REPORT report;
    auto* child = new RDB_FOLDER_OBJECT("XCHILDX");
    report.get_main_folder()->add_object_to_list(child);
    const std::string image = encode_report(report);
    const std::size_t name = image.find("XCHILDX");
    ASSERT_NE(name, std::string::npos);
    // Before the name: parent id (4), ownership, enable, visible, colour, name length (4).
    const std::size_t ownership = name - 4 - 1 - 1 - 1 - 1;
    const std::size_t parent = ownership - 4;
    ASSERT_EQ(image[ownership], 1);
    std::string error;

    std::string bad = image;
    bad[ownership] = 0;
    PDB_ARCHIVE::reseal(bad);
    EXPECT_FALSE(decode_report(bad, &error));
    EXPECT_NE(error.find("not owned by its folder"), std::string::npos) << error;

    bad = image;
    bad[parent] = 0; // no parent
    PDB_ARCHIVE::reseal(bad);
    EXPECT_FALSE(decode_report(bad, &error));
    EXPECT_NE(error.find("not owned by its folder"), std::string::npos) << error;

    bad = image;
    bad[parent] = 1; // the model, which is no folder
    PDB_ARCHIVE::reseal(bad);
    EXPECT_FALSE(decode_report(bad, &error));
    EXPECT_NE(error.find("where"), std::string::npos) << error;

    bad = image;
    bad[parent] = 3; // itself
    PDB_ARCHIVE::reseal(bad);
    EXPECT_FALSE(decode_report(bad, &error));
    EXPECT_NE(error.find("its own parent"), std::string::npos) << error;

    // A summary's gauges claiming a folder.
    RDB_REPORT with_gauges;
    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("S");
    summary->set_gauges(new RDB_GAUGES_OBJECT("XGAUGEX", 0));
    with_gauges.get_main_folder()->add_object_to_list(summary);
    bad = encode_report(with_gauges);
    bad[bad.find("XGAUGEX") - 8] = 1;
    PDB_ARCHIVE::reseal(bad);
    EXPECT_FALSE(decode_report(bad, &error));
    EXPECT_NE(error.find("gauges of a summary table"), std::string::npos) << error;
}

TEST(RdbSerialize, TraitOfAnotherKindIsCorruptionNotACrash)
{
    RDB_REPORT report;
    report.get_main_folder()->set_bool_trait("rdb_ser_kind_a", true);
    // The same name defined with another kind in this process.
    RDB_REPORT other;
    other.get_main_folder()->set_int_trait("rdb_ser_kind_b", 1);
    std::string error;
    EXPECT_FALSE(decode_report(patched(encode_report(report), "rdb_ser_kind_a", "rdb_ser_kind_b"), &error));
    EXPECT_NE(error.find("has another kind"), std::string::npos) << error;

    // One file giving a name two kinds.
    auto* child = new RDB_FOLDER_OBJECT("c");
    child->set_int_trait("rdb_ser_kind_c", 3);
    report.get_main_folder()->add_object_to_list(child);
    report.get_main_folder()->set_bool_trait("rdb_ser_kind_d", true);
    const std::string both = patched(patched(encode_report(report), "rdb_ser_kind_d", "rdb_ser_kind_e"), "rdb_ser_kind_c",
                                     "rdb_ser_kind_e");
    EXPECT_FALSE(decode_report(both, &error));
    EXPECT_NE(error.find("two kinds"), std::string::npos) << error;
}

// Every cut of a stored report and a few hundred byte flips with matching checksums: no crash and
// (under the sanitizer build) no leak; a flip either breaks the file or leaves a sound tree.
TEST(RdbSerialize, DamagedReportsGiveNullOrASoundTree)
{
    std::unique_ptr<RDB_REPORT> report = make_report();
    const std::string image = encode_report(*report);
    for (std::size_t size = PDB_HEADER_SIZE; size < image.size(); ++size) {
        std::string cut = image.substr(0, size);
        PDB_ARCHIVE::reseal(cut);
        EXPECT_FALSE(decode_report(cut)) << size;
    }
    std::mt19937 random(2024);
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::string flipped = image;
        std::size_t at = PDB_HEADER_SIZE + random() % (image.size() - PDB_HEADER_SIZE);
        flipped[at] = static_cast<char>(flipped[at] ^ static_cast<char>(1 + random() % 255));
        PDB_ARCHIVE::reseal(flipped);
        std::unique_ptr<RDB_REPORT> copy = decode_report(flipped);
        if (!copy) continue;
        ++loaded;
        // Whatever loaded is a consistent tree that is written again.
        EXPECT_FALSE(encode_report(*copy).empty());
    }
    EXPECT_LT(loaded, 400);
}

TEST(RdbSerialize, ObjectsOfClassesWithoutARecordAreNotWritten)
{
    class PLAIN_SUBFOLDER : public RDB_FOLDER_OBJECT {
    public:
        PLAIN_SUBFOLDER() : RDB_FOLDER_OBJECT("plain") {}
    };
    RDB_REPORT report;
    report.get_main_folder()->add_object_to_list(new PLAIN_SUBFOLDER());
    RDB_LENT_REPORT_MODEL lent(&report, KDB_PATH());
    std::string image;
    std::string error;
    EXPECT_FALSE(PDB_ARCHIVE::encode(lent.model(), image, &error));
    EXPECT_NE(error.find("no class record"), std::string::npos) << error;
}

TEST(RdbSerialize, ModelHandlerBasics)
{
    RDB_MODEL_HANDLER handler;
    EXPECT_EQ(handler.name_of_handled_type(), "rdb");
    EXPECT_EQ(handler.get_type_extension(), "rdb");
    EXPECT_STREQ(RDB_KDB_MODEL::s_model_type_string, "rdb");
    EXPECT_STREQ(RDB_KDB_MODEL::s_model_name_string, "report");
    EXPECT_EQ(kdb_find_model_handler("rdb")->name_of_handled_model(), "report");

    EXPECT_TRUE(handler.has_bak_support());
    cfg_set_value("rdb_support_bak", "off");
    EXPECT_FALSE(handler.has_bak_support());
    cfg_set_value("rdb_support_bak", "");
    EXPECT_TRUE(handler.has_bak_support());

    std::unique_ptr<KDB_MODEL> created = handler.create_new_model(report_path("top", "fit"));
    ASSERT_TRUE(created);
    EXPECT_EQ(created->get_type(), "rdb");
    EXPECT_EQ(created->get_path(), report_path("top", "fit"));
    std::unique_ptr<RDB_REPORT> report = rdb_take_report_from_model(std::move(created));
    ASSERT_TRUE(report);
    EXPECT_EQ(report->get_main_folder()->get_name(), "Default Main Folder");
    EXPECT_FALSE(rdb_take_report_from_model(nullptr));
}

TEST(RdbSerialize, WritingRefusesOtherModelsAndLeavesTheFile)
{
    TEMP_PROJECT project;
    RDB_MODEL_HANDLER handler;
    const std::string path = gen_get_db_dir_path_string() + "/x.rdb";
    std::ofstream(path) << "previous";
    KDB_FILE file(path, "rdb", false);

    EXPECT_FALSE(handler.write_model_to_file(nullptr, file, false));
    RDB_KDB_MODEL empty(nullptr);
    EXPECT_FALSE(handler.write_model_to_file(&empty, file, false));
    RDB_KDB_MODEL other(new RDB_REPORT());
    other.get_header().type = "other";
    EXPECT_FALSE(handler.write_model_to_file(&other, file, false));
    EXPECT_FALSE(handler.write_model_to_file(&other, file, true));
    EXPECT_EQ(read_file(path), "previous");

    std::unique_ptr<KDB_MODEL> model = handler.create_new_model(KDB_PATH());
    {
        DEBUG_RECORDER recorder;
        EXPECT_TRUE(handler.write_model_to_file(model.get(), file, false));
        EXPECT_TRUE(recorder.saw("RDB_MODEL_HANDLER: writing to " + path));
    }
    {
        DEBUG_RECORDER recorder;
        EXPECT_TRUE(handler.read_model_from_file(KDB_PATH(), file));
        EXPECT_TRUE(recorder.saw("RDB_MODEL_HANDLER: reading from " + path));
    }
    EXPECT_FALSE(handler.read_model_from_file(KDB_PATH(), KDB_FILE(path + ".none", "rdb", false)));
}

TEST(RdbSerialize, StoredReportsComeBackThroughTheService)
{
    TEMP_PROJECT project;
    KDB_SERVICE& service = kdb_get_default_service_or_die();
    const KDB_PATH path = report_path("top.rev", "placed.sta");
    std::unique_ptr<RDB_REPORT> report = make_report();
    ASSERT_TRUE(rdb_store_report_model(service, path, *report));
    // The caller still owns an intact report.
    EXPECT_EQ(report->get_main_folder()->get_name(), "Main");
    const std::string binary = service.get_model_file_path(path);
    const std::string bak = service.get_model_file_path(path, true);
    EXPECT_EQ(binary, kdb_model_file_name(path));
    EXPECT_EQ(std::filesystem::path(binary).filename(), "top.rev+_all+report.placed.sta.rdb");
    EXPECT_TRUE(std::filesystem::exists(bak));

    std::unique_ptr<RDB_REPORT> loaded = rdb_load_report_model(service, path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(describe(*loaded), describe(*report));
    EXPECT_FALSE(rdb_load_report_model(service, report_path("other", "fit")));

    // The backup stands in for a damaged binary file.
    std::ofstream(binary, std::ios::trunc) << "damaged";
    {
        DEBUG_RECORDER recorder;
        std::unique_ptr<RDB_REPORT> from_bak = rdb_load_report_model(service, path);
        ASSERT_TRUE(from_bak);
        EXPECT_EQ(from_bak->get_main_folder()->get_name(), "Main");
        EXPECT_NE(from_bak->get_main_folder()->find_object("Stage||Table"), nullptr);
        EXPECT_TRUE(recorder.saw("kdb: " + binary + " is unreadable; reading the backup " + bak));
    }

    // A backup that cannot be written fails the put, and the previous backup stays.
    ASSERT_TRUE(rdb_store_report_model(service, path, *report));
    const std::string old_bak = read_file(bak);
    report->get_main_folder()->set_name("Renamed");
    ASSERT_EQ(::chmod(gen_get_db_dir_path_string().c_str(), 0500), 0);
    const bool writable_anyway = ::access(gen_get_db_dir_path_string().c_str(), W_OK) == 0; // running as root
    if (!writable_anyway) {
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
    EXPECT_FALSE(old_bak.empty());
}

TEST(RdbSerialize, LentModelNeverDeletesTheReportEvenWhenStoringThrows)
{
    auto report = std::make_unique<RDB_REPORT>();
    try {
        RDB_LENT_REPORT_MODEL lent(report.get(), KDB_PATH());
        throw std::runtime_error("store failed");
    } catch (const std::runtime_error&) {
    }
    // Still alive and whole (the sanitizer build would see a use after free).
    EXPECT_EQ(report->get_main_folder()->get_name(), "Default Main Folder");
}
