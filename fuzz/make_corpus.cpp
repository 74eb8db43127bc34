// Writes the starting corpus of the fuzz targets: a few small reports, each as an XML report file
// (into the first folder) and as a binary store image of its report model (into the second).
//
// usage: make_corpus XML_DIR BINARY_DIR

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "every_kind_report.h"
#include "kdb/kdb.h"
#include "pdb/pdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_utility.h"
#include "rdb_xml.h"

namespace {

std::unique_ptr<RDB_REPORT> empty_report() { return std::make_unique<RDB_REPORT>(); }

std::unique_ptr<RDB_REPORT> table_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    main->set_name("Fitter");
    auto* stage = new RDB_FOLDER_OBJECT("Resource Section");
    stage->set_is_stage_folder(true);
    main->add_object_to_list(stage);

    auto* table = new RDB_TABLE_OBJECT("Resource Usage");
    table->add_row(rdb_create_row(std::vector<std::string>{"Resource", "Usage", "Delay"}));
    auto* cell = new RDB_TABLE_STRING_ELEMENT("Logic cells");
    cell->set_tooltip("combinational & registered");
    cell->set_foreground(RDB_COLOR_RED);
    table->add_row(new RDB_TABLE_ROW(
        {cell, new RDB_TABLE_INT_ELEMENT(1204), new RDB_TABLE_DELAY_ELEMENT(4250, TABLE_DELAY_ELEMENT_NORMAL_DELAY)}));
    table->add_row(new RDB_TABLE_ROW(
        {new RDB_TABLE_TCL_CMD_ELEMENT("Pins", "locate pins"), new RDB_TABLE_STRING_ELEMENT("<12>"), nullptr}));
    table->hide_columns({2});
    stage->add_object_to_list(table);

    auto* summary = new RDB_SUMMARY_TABLE_OBJECT("Fitter Summary");
    summary->add_row(rdb_create_row("Status", "Successful"));
    auto* gauges = new RDB_GAUGES_OBJECT("Gauges", 1);
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic", true, 0, 100, 1, false));
    summary->set_gauges(gauges);
    main->add_object_to_list(summary);
    report->set_current_folder(stage);
    return report;
}

std::unique_ptr<RDB_REPORT> text_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    main->set_name("Timing");
    main->set_int_trait("corpus_int", 7);
    main->set_string_trait("corpus_text", "two\nlines");
    auto* text = new RDB_TEXT_OBJECT("Notes");
    text->set_text("Clock \"clk\" meets timing.\n");
    main->add_object_to_list(text);
    main->add_object_to_list(new RDB_LEGAL_OBJECT("Legal Notice"));
    auto* link = new RDB_LINK_TABLE_OBJECT("Linked Table");
    link->set_link_info("top.fit");
    main->add_object_to_list(link);
    auto* corners = new RDB_MULTI_CORNER_FOLDER_OBJECT("Corners");
    corners->add_object_to_list(new RDB_FOLDER_OBJECT("Slow"));
    main->add_object_to_list(corners);
    return report;
}

bool write_binary(RDB_REPORT& report, const std::string& file)
{
    RDB_LENT_REPORT_MODEL lent(&report, RDB_REPORT::get_kdb_path("top", "fit"));
    std::string image;
    std::string error;
    if (!PDB_ARCHIVE::encode(lent.model(), image, &error)) {
        std::cerr << "make_corpus: " << error << "\n";
        return false;
    }
    std::ofstream out(file, std::ios::binary);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: make_corpus XML_DIR BINARY_DIR\n";
        return 2;
    }
    const std::filesystem::path xml_dir = argv[1];
    const std::filesystem::path binary_dir = argv[2];
    std::filesystem::create_directories(xml_dir);
    std::filesystem::create_directories(binary_dir);

    const std::vector<std::pair<std::string, std::function<std::unique_ptr<RDB_REPORT>()>>> reports = {
        {"empty", empty_report},
        {"tables", table_report},
        {"texts", text_report},
        {"every_kind", rdb_every_kind_report}};
    bool ok = true;
    for (const auto& [name, make] : reports) {
        std::unique_ptr<RDB_REPORT> report = make();
        ok &= rdb_write_xml_report(report.get(), (xml_dir / (name + ".xml")).c_str(), false);
        ok &= write_binary(*report, (binary_dir / (name + ".rdb")).string());
    }
    // A panel document: one table on its own.
    std::unique_ptr<RDB_REPORT> report = table_report();
    const RDB_OBJECT* table = report->find_object("Fitter||Resource Section||Resource Usage");
    ok &= table != nullptr && rdb_write_xml_report(table, (xml_dir / "panel.xml").c_str(), false);
    if (!ok) std::cerr << "make_corpus: some files could not be written\n";
    return ok ? 0 : 1;
}
