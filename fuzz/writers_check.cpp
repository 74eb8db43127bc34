#include "writers_check.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "gen/gen_utf8.h"
#include "rdb_folder.h"
#include "rdb_object_json_visitor.h"
#include "rdb_report.h"
#include "rdb_report_gen_json.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_table_to_sqlite.h"
#include "rdb_text.h"

namespace {

using JSON = nlohmann::json;
using GRID = std::vector<std::vector<std::string>>;

constexpr std::size_t MAX_TEXTS = 64;
constexpr std::size_t MAX_TEXT_BYTES = 256;
constexpr std::size_t COLUMNS = 3;

std::vector<std::string> split(std::string_view input)
{
    std::vector<std::string> texts;
    while (texts.size() < MAX_TEXTS) {
        const std::size_t end = std::min(input.find('\0'), input.size());
        texts.emplace_back(input.substr(0, std::min(end, MAX_TEXT_BYTES)));
        if (end == input.size()) break;
        input.remove_prefix(end + 1);
    }
    return texts;
}

// The texts of the table's rows read back from the whole-report JSON (the table is the main folder's
// first object).
GRID json_rows(RDB_REPORT& report)
{
    // nlohmann's parser is strict: invalid UTF-8 or a cut document throws.
    const JSON document = JSON::parse(RDB_OBJECT_JSON_VISITOR(&report).to_json());
    GRID rows;
    for (const JSON& row : document.at("main_folder").at("object_list").at(0).at("rows")) {
        rows.emplace_back();
        for (const JSON& cell : row)
            rows.back().push_back(cell.at("string").get<std::string>());
    }
    return rows;
}

std::string check(std::string_view input, const std::string& scratch)
{
    const std::vector<std::string> texts = split(input);
    auto text_at = [&](std::size_t i) -> const std::string& { return texts[i % texts.size()]; };

    // The table holds every text, COLUMNS to a row (the first row is the header), each cell's tooltip
    // the next text; text objects named and filled with the texts follow in a folder named by one.
    RDB_REPORT report;
    auto* table = new RDB_TABLE_OBJECT(text_at(0));
    report.get_main_folder()->add_object_to_list(table);
    GRID expected;
    for (std::size_t first = 0; first < texts.size(); first += COLUMNS) {
        std::vector<RDB_TABLE_ELEMENT*> cells;
        expected.emplace_back();
        for (std::size_t c = 0; c < COLUMNS; ++c) {
            auto* cell = new RDB_TABLE_STRING_ELEMENT(text_at(first + c));
            cell->set_tooltip(text_at(first + c + 1));
            cells.push_back(cell);
            expected.back().push_back(gen_valid_utf8(text_at(first + c)));
        }
        table->add_row(new RDB_TABLE_ROW(cells));
    }
    auto* folder = new RDB_FOLDER_OBJECT(text_at(1));
    report.get_main_folder()->add_object_to_list(folder);
    for (std::size_t i = 0; i < std::min<std::size_t>(texts.size(), 8); ++i) {
        auto* object = new RDB_TEXT_OBJECT(texts[i]);
        object->set_text(text_at(i + 2));
        folder->add_object_to_list(object);
    }

    if (json_rows(report) != expected) return "the whole-report JSON changed a cell text";

    const std::string panels = scratch + "/panels";
    RDB_REPORT_GEN_JSON generator(report.get_main_folder(), panels.c_str());
    if (!generator.write_json_report_files(RDB_PANEL_FILTER())) return "the panels were not written";
    for (unsigned int k = 1; k <= generator.get_file_count(); ++k) {
        std::ifstream file(panels + "/" + std::to_string(k) + ".json");
        const JSON panel = JSON::parse(file);
        if (!panel.contains("title") || !panel.contains("data")) return "panel " + std::to_string(k) + " is partial";
    }

    // The exporter: one column per header cell after "row", each cell as JSON with its "display" text.
    const std::string exported = scratch + "/export.sqlite3";
    if (!rdb_write_table_to_sqlite(exported, table)) return "the exporter failed";
    const JSON records = JSON::parse(rdb_dump_sqlite_to_json(exported, gen_valid_utf8(table->get_path(true))));
    if (records.size() + 1 != expected.size()) return "the exporter lost rows";
    for (std::size_t r = 0; r < records.size(); ++r) {
        for (std::size_t c = 0; c < COLUMNS; ++c) {
            const JSON cell = JSON::parse(records[r].at(c + 1).get<std::string>());
            if (cell.at("display") != expected[r + 1][c]) return "the exporter changed a cell text";
        }
    }

    // The conversion: the table answers from its file as it did from memory, in every reader.
    if (!rdb_convert_table_to_sqlite(scratch + "/converted", table)) return "the conversion failed";
    if (table->get_number_of_rows() != expected.size()) return "the converted table lost rows";
    for (unsigned int r = 0; r < expected.size(); ++r)
        for (unsigned int c = 0; c < COLUMNS; ++c)
            if (table->get_data_string(r, c) != expected[r][c]) return "the converted table changed a cell text";
    if (json_rows(report) != expected) return "the whole-report JSON of the converted table changed a cell text";
    return {};
}

} // namespace

std::string rdb_check_report_writers(std::string_view input, const std::string& scratch)
{
    try {
        return check(input, scratch);
    } catch (const std::exception& error) {
        return std::string("an output did not read back: ") + error.what();
    }
}
