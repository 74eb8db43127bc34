#include "rdb_table_to_sqlite.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "rdb_folder.h"
#include "rdb_rgb.h"
#include "test_support.h"

namespace {

using STRINGS = std::vector<std::string>;
using nlohmann::json;

const char* const HOSTILE = "a\"b'; DROP TABLE t_1; -- <script>x||y</script>\nline\xff";
// HOSTILE as it reads back: the invalid byte as U+FFFD.
const char* const HOSTILE_READ = "a\"b'; DROP TABLE t_1; -- <script>x||y</script>\nline\xEF\xBF\xBD";

RDB_TABLE_ELEMENT* text_cell(const std::string& text) { return new RDB_TABLE_STRING_ELEMENT(text); }

RDB_TABLE_ROW* make_row(const STRINGS& texts)
{
    auto* row = new RDB_TABLE_ROW;
    for (const std::string& text : texts)
        row->push_back(text_cell(text));
    return row;
}

// A table "Name", "Value" with the given data rows.
void fill(RDB_TABLE_OBJECT& table, const std::vector<STRINGS>& rows)
{
    table.add_row(make_row({"Name", "Value"}));
    for (const STRINGS& row : rows)
        table.add_row(make_row(row));
}

// name in quote characters, each quote inside doubled, as SQL writes identifiers (") and texts (').
std::string sql_quoted(const std::string& name, char quote)
{
    std::string quoted(1, quote);
    for (char c : name)
        quoted += c == quote ? std::string(2, c) : std::string(1, c);
    return quoted + quote;
}

STRINGS texts_of(RDB_TABLE_OBJECT& table)
{
    STRINGS texts;
    for (unsigned r = 0; r < table.get_number_of_rows(); ++r)
        for (unsigned c = 0; c < table.get_number_of_columns(); ++c)
            texts.push_back(table.get_data_string(r, c));
    return texts;
}

// A folder of its own under /tmp, removed afterwards.
class SQLITE_FILES : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/rdb_sqlite_test_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    // The rows the sqlite3 program prints for sql on file, in its JSON mode (an empty array for none).
    json cli(const std::string& file, const std::string& sql) const
    {
        const std::string script = path("script.sql"), output = path("script.out");
        std::ofstream(script) << sql << "\n";
        const std::string command = "sqlite3 -json -bail '" + file + "' < '" + script + "' > '" + output + "' 2>&1";
        const int status = std::system(command.c_str());
        const std::string out = read_file(output);
        EXPECT_EQ(status, 0) << sql << "\n" << out;
        if (out.empty()) return json::array();
        json rows = json::parse(out, nullptr, false);
        EXPECT_FALSE(rows.is_discarded()) << out;
        return rows;
    }
    // The one value the query yields.
    json cli_value(const std::string& file, const std::string& sql) const
    {
        const json rows = cli(file, sql);
        if (rows.size() != 1 || rows[0].size() != 1) {
            ADD_FAILURE() << sql << " gave " << rows.dump();
            return json();
        }
        return rows[0].begin().value();
    }
    // Integrity, and every cell column of every converted table is valid JSON.
    void expect_sound_file(const std::string& file) const
    {
        EXPECT_EQ(cli_value(file, "PRAGMA integrity_check;"), "ok");
        for (const json& table : cli(file, "SELECT name FROM sqlite_master WHERE type = 'table' AND name "
                                           "NOT LIKE '%properties';")) {
            const std::string name = table["name"];
            for (const json& column :
                 cli(file, "SELECT name FROM pragma_table_info(" + sql_quoted(name, '\'') + ");")) {
                const std::string col = column["name"];
                if (col.rfind("column_", 0) != 0) continue;
                EXPECT_EQ(cli_value(file, "SELECT count(*) FROM " + sql_quoted(name, '"') + " WHERE NOT json_valid(" +
                                              col + ");"),
                          0)
                    << name << "." << col;
            }
        }
    }

    std::filesystem::path m_dir;
};

using RdbTableToSqlite = SQLITE_FILES;

TEST_F(RdbTableToSqlite, ConvertedTablesAnswerAsBefore)
{
    struct CASE {
        const char* label;
        std::function<RDB_TABLE_OBJECT*()> make;
    };
    const std::vector<CASE> cases = {
        {"plain", [] { return new RDB_TABLE_OBJECT("plain"); }},
        // A summary table stores its first row as row 0; the count is not one too many.
        {"summary", [] { return new RDB_SUMMARY_TABLE_OBJECT("summary"); }},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.label);
        std::unique_ptr<RDB_TABLE_OBJECT> table(c.make());
        fill(*table, {{"°C", HOSTILE}, {"", "3"}});
        const STRINGS before = texts_of(*table);
        std::ostringstream ascii_before;
        table->output_ascii(ascii_before);
        // The file name keeps its characters.
        const std::string base = path(std::string("out_") + c.label + " °C ü");
        ASSERT_TRUE(rdb_convert_table_to_sqlite(base, table.get()));
        ASSERT_TRUE(table->is_sqlite());
        EXPECT_TRUE(std::filesystem::exists(base + ".sqlite3"));
        EXPECT_EQ(table->get_sqlite_filepath(), base + ".sqlite3");
        EXPECT_EQ(table->get_sqlite_tablename(), "t_1");
        EXPECT_EQ(table->get_number_of_rows(), 3u);
        EXPECT_EQ(table->get_number_of_columns(), 2u);
        STRINGS expected = before;
        expected[3] = HOSTILE_READ;
        EXPECT_EQ(texts_of(*table), expected);
        // The text form draws the real rows; only the invalid byte differs.
        std::ostringstream ascii_after;
        table->output_ascii(ascii_after);
        EXPECT_EQ(ascii_after.str(), patched(ascii_before.str(), "line\xff", "line\xEF\xBF\xBD"));
        EXPECT_EQ(table->find_col_index("Val*"), 1u);
        EXPECT_EQ(table->find_row_index("°C"), 1u);
        EXPECT_TRUE(table->is_sqlite());
        // Converting again does nothing; a second table in the file is t_3 (t_1_properties counts).
        EXPECT_TRUE(rdb_convert_table_to_sqlite(base, table.get()));
        RDB_TABLE_OBJECT second("second");
        fill(second, {{"x", "y"}});
        ASSERT_TRUE(rdb_convert_table_to_sqlite(base, &second));
        EXPECT_EQ(second.get_sqlite_tablename(), "t_3");
        expect_sound_file(base + ".sqlite3");
    }
}

TEST_F(RdbTableToSqlite, CellsAreStoredAsCompactJsonWithSortedKeys)
{
    struct CASE {
        std::function<RDB_TABLE_ELEMENT*()> make;
        const char* stored;
    };
    const std::vector<CASE> cases = {
        {[] { return text_cell("plain"); }, R"({"display":"plain"})"},
        {[] {
             RDB_TABLE_ELEMENT* cell = text_cell("c");
             cell->set_foreground(RDB_COLOR_NAME(1));
             cell->set_background(RDB_COLOR_NAME(2));
             cell->set_tooltip("tip \"q\"");
             return cell;
         },
         nullptr},
        // The unknown colour has no RGB value: no key, and the rendering goes on.
        {[] {
             RDB_TABLE_ELEMENT* cell = text_cell("u");
             cell->set_foreground(RDB_COLOR_UNKNOWN);
             return cell;
         },
         R"({"display":"u"})"},
        {[] { return new RDB_TABLE_LOCATION_SCHEMA_ELEMENT("loc", nullptr, "top|inst"); },
         R"({"display":"loc","hierarchy_path":"top|inst"})"},
        {[] { return text_cell("bad\xc3(\x01"); }, "{\"display\":\"bad\xEF\xBF\xBD(\\u0001\"}"},
        {[] { return nullptr; }, "null"},
    };
    RDB_TABLE_OBJECT table("cells");
    table.add_row(make_row({"only"}));
    for (const CASE& c : cases) {
        auto* row = new RDB_TABLE_ROW;
        row->push_back(c.make());
        table.add_row(row);
    }
    const std::string fg = std::to_string(rdb_get_rgb_value_by_name(RDB_COLOR_NAME(1)));
    const std::string bg = std::to_string(rdb_get_rgb_value_by_name(RDB_COLOR_NAME(2)));
    const std::string coloured =
        R"({"background":)" + bg + R"(,"display":"c","foreground":)" + fg + R"(,"tooltip":"tip \"q\""})";
    ASSERT_TRUE(rdb_convert_table_to_sqlite(path("cells"), &table));
    const json dump = json::parse(rdb_dump_sqlite_to_json(path("cells.sqlite3"), "t_1"));
    ASSERT_EQ(dump.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(dump[i], json::array({cases[i].stored ? cases[i].stored : coloured, std::to_string(i + 1)}));
    // The rebuilt rows carry the attributes back.
    RDB_SQLITE_TABLE_READER reader(table);
    RDB_TABLE_ROW_PTR row = reader.get_row(2);
    ASSERT_TRUE(row && row->size() == 1 && (*row)[0]);
    EXPECT_EQ((*row)[0]->get_foreground(), RDB_COLOR_NAME(1));
    EXPECT_EQ((*row)[0]->get_tooltip(), "tip \"q\"");
    row = reader.get_row(4);
    ASSERT_TRUE(row && (*row)[0] && (*row)[0]->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT());
    const auto* location =
        (*row)[0]->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT()->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT();
    ASSERT_TRUE(location);
    EXPECT_EQ(location->get_hierarchy_path(), "top|inst");
    EXPECT_EQ(reader.get_row(6)->at(0), nullptr);
    EXPECT_FALSE(reader.get_row(7));
    // Rows read out of order, past the end and from a null cell.
    const std::vector<std::pair<unsigned, std::string>> reads = {{3, "u"},    {1, "plain"}, {99, ""}, {3, "u"},
                                                                 {0, "only"}, {6, ""},      {2, "c"}};
    for (const auto& [r, text] : reads)
        EXPECT_EQ(reader.get_data_string(r, 0), text) << r;
    EXPECT_EQ(reader.get_data_string(1, 1), "");
}

TEST_F(RdbTableToSqlite, PropertiesDescribeTheTable)
{
    RDB_TABLE_OBJECT table(HOSTILE);
    fill(table, {{"a", "b"}});
    (*table.get_row(0))[1]->set_tooltip("value tip");
    table.hide_column(1);
    table.disable_iname_lookup_for_col(0);
    table.set_display_of_row_numbers(false);
    ASSERT_TRUE(rdb_convert_table_to_sqlite(path("p"), &table));
    EXPECT_EQ(json::parse(rdb_dump_sqlite_properties_to_json(path("p.sqlite3"), "t_1_properties")),
              (json{{"table_name", HOSTILE_READ},
                    {"column_count", "2"},
                    {"column_name_0", "Name"},
                    {"column_name_1", "Value"},
                    {"column_tooltip_1", "value tip"},
                    {"display_row_numbers", "0"},
                    {"disable_iname_lookup_for_columns", "[0]"},
                    {"hidden_columns", "[1]"}}));
    // Only names the file holds are dumped: a name carrying SQL is no name.
    for (const char* name : {"t_1; DROP TABLE t_1", "missing", ""}) {
        EXPECT_EQ(rdb_dump_sqlite_to_json(path("p.sqlite3"), name), "[]");
        EXPECT_EQ(rdb_dump_sqlite_properties_to_json(path("p.sqlite3"), name), "{}");
    }
    EXPECT_EQ(table.get_number_of_rows(), 2u);
}

TEST_F(RdbTableToSqlite, FailedConversionLeavesFileAndTableAsTheyWere)
{
    RDB_TABLE_OBJECT first("first");
    fill(first, {{"1", "one"}});
    ASSERT_TRUE(rdb_convert_table_to_sqlite(path("f"), &first));
    // A table named as the next conversion will name its own makes that conversion fail part-way,
    // after its properties table is written.
    cli(path("f.sqlite3"), "CREATE TABLE t_4 (x);");
    RDB_TABLE_OBJECT second("second");
    fill(second, {{"2", "two"}});
    DEBUG_RECORDER debug;
    EXPECT_FALSE(rdb_convert_table_to_sqlite(path("f"), &second));
    EXPECT_FALSE(second.is_sqlite());
    EXPECT_EQ(texts_of(second), (STRINGS{"Name", "Value", "2", "two"}));
    ASSERT_FALSE(debug.lines().empty());
    EXPECT_NE(debug.lines().back().text.find("SQLite error. code: {1} extended code: {1} SQL: {CREATE TABLE \"t_4\""),
              std::string::npos)
        << debug.lines().back().text;
    // Nothing of the failed run stays; the earlier table is whole; no lock or journal is left.
    EXPECT_EQ(cli(path("f.sqlite3"), "SELECT name FROM sqlite_master WHERE name LIKE 't_4%' ORDER BY name;"),
              json::parse(R"([{"name":"t_4"}])"));
    EXPECT_EQ(texts_of(first), (STRINGS{"Name", "Value", "1", "one"}));
    expect_sound_file(path("f.sqlite3"));
    cli(path("f.sqlite3"), "BEGIN IMMEDIATE; COMMIT;");
    EXPECT_FALSE(std::filesystem::exists(path("f.sqlite3-journal")));
    // A file that cannot be made: false, and the table keeps its rows.
    EXPECT_FALSE(rdb_convert_table_to_sqlite(path("no/such/folder/x"), &second));
    EXPECT_EQ(second.get_number_of_rows(), 2u);
}

TEST_F(RdbTableToSqlite, ReadOnlyTableIsRefusedBeforeTheFileIsTouched)
{
    RDB_TABLE_OBJECT table("ro");
    fill(table, {{"1", "2"}});
    table._chmod(RDB_OBJECT::READ_ONLY);
    EXPECT_INTERNAL_ERROR(rdb_convert_table_to_sqlite(path("ro"), &table), "rdb_table->is_writable()");
    EXPECT_FALSE(std::filesystem::exists(path("ro.sqlite3")));
    EXPECT_EQ(table.get_number_of_rows(), 2u);
    EXPECT_INTERNAL_ERROR(rdb_convert_table_to_sqlite(path("ro"), nullptr), "rdb_table");
    RDB_TABLE_OBJECT empty("empty");
    EXPECT_TRUE(rdb_convert_table_to_sqlite(path("empty"), &empty));
    EXPECT_FALSE(std::filesystem::exists(path("empty.sqlite3")));
}

TEST_F(RdbTableToSqlite, ReadersNeverCreateAFile)
{
    struct CASE {
        std::string file;
        const char* table;
    };
    RDB_TABLE_OBJECT stored("stored");
    fill(stored, {{"1", "2"}});
    ASSERT_TRUE(rdb_convert_table_to_sqlite(path("r"), &stored));
    for (const CASE& c : {CASE{path("missing.sqlite3"), "t_1"}, CASE{path("r.sqlite3"), "t_9"},
                          CASE{path("r.sqlite3"), "t_1\"; DROP TABLE t_1; --"}}) {
        RDB_TABLE_OBJECT table("marker");
        table.add_row(make_row({"SQLITE", c.file, c.table}));
        EXPECT_EQ(table.get_number_of_rows(), 0u);
        EXPECT_EQ(table.get_number_of_columns(), 0u);
        EXPECT_EQ(table.get_data_string(1, 0), "");
        EXPECT_EQ(table.get_data_string(0, 0), "");
    }
    EXPECT_FALSE(std::filesystem::exists(path("missing.sqlite3")));
    EXPECT_EQ(texts_of(stored), (STRINGS{"Name", "Value", "1", "2"}));
}

TEST_F(RdbTableToSqlite, ExporterWritesEveryRowUnderUniqueColumnNames)
{
    RDB_FOLDER_OBJECT folder("Fitter \"x\"");
    auto* table = new RDB_TABLE_OBJECT(HOSTILE);
    folder.add_object_to_list(table);
    table->add_row(make_row({"Name", "", "name", "ROW", HOSTILE, "column_1"}));
    table->add_row(make_row({"1", "2", "3", "4", "5", "6"}));
    table->add_row(make_row({"short"}));
    (*table->get_row(1))[4]->set_tooltip(HOSTILE);
    (*table->get_row(1))[0]->set_foreground(RDB_COLOR_NAME(1));
    const std::string file = path("export.sqlite3");
    ASSERT_TRUE(rdb_write_table_to_sqlite(file, table));
    const std::string name = table->get_path(true);
    json tables = cli(file, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name;");
    ASSERT_EQ(tables.size(), 2u);
    const std::string data = tables[0]["name"];
    EXPECT_EQ(tables[1]["name"], data + " metadata");
    EXPECT_EQ(data, patched(name, "\xff", "\xEF\xBF\xBD"));
    const std::string sql_name = sql_quoted(data, '"');
    // A duplicate, empty, "row" or taken name gets "column_<i>", then a number.
    json columns = cli(file, "SELECT name FROM pragma_table_info(" + sql_quoted(data, '\'') + ");");
    STRINGS names;
    for (const json& c : columns)
        names.push_back(c["name"]);
    EXPECT_EQ(names, (STRINGS{"row", "Name", "column_1", "column_2", "column_3", HOSTILE_READ, "column_5"}));
    // The short row does not take the row above's values: a missing cell is JSON null.
    EXPECT_EQ(cli(file, "SELECT row, json_extract(\"Name\", '$.display') AS n, column_1 AS c FROM " + sql_name +
                            " ORDER BY row;"),
              json::parse(R"([{"row":1,"n":"1","c":"{\"display\":\"2\"}"},{"row":2,"n":"short","c":"null"}])"));
    EXPECT_EQ(cli(file, "SELECT row, col, key, value FROM " + sql_quoted(data + " metadata", '"') + " ORDER BY col;"),
              (json{{{"row", 1},
                     {"col", 0},
                     {"key", "foreground"},
                     {"value", std::to_string(rdb_get_rgb_value_by_name(RDB_COLOR_NAME(1)))}},
                    {{"row", 1}, {"col", 4}, {"key", "tooltip"}, {"value", HOSTILE_READ}}}));
    // A converted table exports its stored rows; the export replaces the earlier one.
    ASSERT_TRUE(rdb_convert_table_to_sqlite(path("conv"), table));
    ASSERT_TRUE(rdb_write_table_to_sqlite(file, table));
    EXPECT_EQ(cli_value(file, "SELECT count(*) FROM " + sql_name + ";"), 2);
    expect_sound_file(file);
    EXPECT_EQ(cli_value(file, "SELECT count(*) FROM " + sql_name + " WHERE NOT json_valid(\"Name\");"), 0);
    // A file that cannot be opened: false with the debug line.
    DEBUG_RECORDER debug;
    EXPECT_FALSE(rdb_write_table_to_sqlite(path("no/such/x.sqlite3"), table));
    ASSERT_FALSE(debug.lines().empty());
    EXPECT_EQ(debug.lines().back().text.rfind("SQLite error. code: {14}", 0), 0u);
    EXPECT_TRUE(rdb_write_table_to_sqlite(file, nullptr));
}

TEST_F(RdbTableToSqlite, MergeTakesTheRealRowsOfAConvertedSource)
{
    RDB_TABLE_OBJECT source("source");
    fill(source, {{"1", "one"}, {"2", "two"}});
    ASSERT_TRUE(rdb_convert_table_to_sqlite(path("m"), &source));
    RDB_TABLE_OBJECT empty("empty");
    EXPECT_TRUE(empty.merge_table_from(&source));
    EXPECT_EQ(texts_of(empty), (STRINGS{"Name", "Value", "1", "one", "2", "two"}));
    RDB_TABLE_OBJECT filled("filled");
    fill(filled, {{"0", "zero"}});
    EXPECT_TRUE(filled.merge_table_from(&source));
    EXPECT_EQ(texts_of(filled), (STRINGS{"Name", "Value", "0", "zero", "1", "one", "2", "two"}));
    // The source keeps its file; a converted table takes no rows.
    EXPECT_TRUE(source.is_sqlite());
    EXPECT_EQ(source.get_number_of_rows(), 3u);
    EXPECT_FALSE(source.merge_table_from(&filled));
    std::vector<RDB_TABLE_ROW*> found;
    source.find_matched_rows(found, "*", RDB_MATCH_GLOB, false, 10);
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(source.find_row("SQLITE"), nullptr);
}

} // namespace
