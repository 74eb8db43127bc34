// The write side of the SQLite family: the conversion of a table into a file, the exporter, and the
// JSON dumps of a converted table.

#include "rdb_table_to_sqlite.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "msg/msg.h"
#include "rdb_sqlite_cells.h"
#include "rdb_escape.h"
#include "rdb_sqlite_db.h"

using RDB::SQLITE::DATABASE;
using RDB::SQLITE::STATEMENT;
using RDB::SQLITE::TRANSACTION;

namespace {

const char* const MARKER_TEXT = "SQLITE";

// Both writers trade durability for speed: the file is scratch data rebuilt from the report, and the
// transaction (rolled back on any failure) keeps it consistent.
bool set_fast_writes(DATABASE& db)
{
    return db.exec("PRAGMA synchronous = OFF") && db.exec("PRAGMA journal_mode = MEMORY");
}

std::string json_array_of(const std::vector<unsigned>& values)
{
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i == 0 ? "" : ",") + std::to_string(values[i]);
    return text + "]";
}

// ---- Conversion

// The name of the next converted table: "t_" + (tables whose name is LIKE 't_%') + 1. "_" is a
// wildcard there, so the count takes in the "_properties" companions and any other "t?..." table.
std::string next_table_name(DATABASE& db)
{
    STATEMENT query(db, "SELECT count(name) FROM sqlite_master WHERE type = 'table' AND name LIKE 't_%'");
    if (!query.step_row()) return {};
    return "t_" + std::to_string(query.column_int64(0) + 1);
}

bool write_properties(DATABASE& db, const std::string& name, const RDB_TABLE_OBJECT& table, unsigned int columns)
{
    const std::string properties = rdb_sql_identifier(name + "_properties");
    if (!db.exec("CREATE TABLE " + properties + " (key, value) ")) return false;
    STATEMENT insert(db, "INSERT INTO " + properties + " (key, value) VALUES ( :key, :value )");
    const auto add = [&](const std::string& key, const std::string& value) {
        insert.bind_text(1, key);
        insert.bind_text(2, RDB::SQLITE::valid_utf8(value));
        return insert.run();
    };
    bool ok =
        insert.is_prepared() && add("table_name", table.get_name()) && add("column_count", std::to_string(columns));
    const RDB_TABLE_ROW* header = table.get_number_of_rows() > 0 ? table.get_row(0) : nullptr;
    for (unsigned int c = 0; ok && c < columns; ++c) {
        const RDB_TABLE_ELEMENT* cell = header != nullptr && c < header->size() ? (*header)[c] : nullptr;
        ok = add("column_name_" + std::to_string(c), cell != nullptr ? cell->get_string() : std::string());
        const std::string tooltip = cell != nullptr ? cell->get_tooltip() : std::string();
        if (ok && !tooltip.empty()) ok = add("column_tooltip_" + std::to_string(c), tooltip);
    }
    if (ok) ok = add("display_row_numbers", table.should_display_row_numbers() ? "1" : "0");
    const std::vector<unsigned> no_iname = table.get_disable_iname_lookup();
    if (ok && !no_iname.empty()) ok = add("disable_iname_lookup_for_columns", json_array_of(no_iname));
    const std::vector<unsigned> hidden = table.hidden_columns();
    if (ok && !hidden.empty()) ok = add("hidden_columns", json_array_of(hidden));
    return ok;
}

bool write_converted_rows(DATABASE& db, const std::string& name, const RDB_TABLE_OBJECT& table, unsigned int columns)
{
    std::string create = "CREATE TABLE " + rdb_sql_identifier(name) + " (";
    std::string insert_sql = "INSERT INTO " + rdb_sql_identifier(name) + " (";
    std::string values = " VALUES (";
    for (unsigned int c = 0; c < columns; ++c) {
        create += "column_" + std::to_string(c) + " TEXT, ";
        insert_sql += "column_" + std::to_string(c) + ", ";
        values += ":column_" + std::to_string(c) + ", ";
    }
    create += " row INTEGER PRIMARY KEY ASC NOT NULL) ";
    insert_sql += " row) " + values + ":row)";
    if (!db.exec(create)) return false;
    STATEMENT insert(db, insert_sql);
    if (!insert.is_prepared()) return false;
    const bool summary = table.dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT() != nullptr;
    const unsigned int rows = table.get_number_of_rows();
    std::string text;
    for (unsigned int r = summary ? 0 : 1; r < rows; ++r) {
        const RDB_TABLE_ROW* row = table.get_row(static_cast<int>(r));
        for (unsigned int c = 0; c < columns; ++c) {
            text.clear();
            const RDB_TABLE_ELEMENT* cell = row != nullptr && c < row->size() ? (*row)[c] : nullptr;
            RDB::SQLITE::append_cell_json(text, RDB::SQLITE::fields_of(cell));
            insert.bind_text(static_cast<int>(c) + 1, text);
        }
        insert.bind_int64(static_cast<int>(columns) + 1, r);
        if (!insert.run()) return false;
    }
    return true;
}

// ---- Exporter

// Column names of the exported table: the header texts (or "column_<i>" for a summary table, whose rows
// are all data), made unique among themselves and against "row" as SQLite compares names (ASCII case
// ignored). An empty, repeated or "row" name becomes "column_<i>", then "column_<i>_2", and so on.
std::vector<std::string> export_column_names(const RDB_TABLE_OBJECT& table, bool summary, unsigned int columns)
{
    const auto folded = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    std::set<std::string> used = {"row"};
    std::vector<std::string> names;
    for (unsigned int c = 0; c < columns; ++c) {
        std::string name =
            RDB::SQLITE::valid_utf8(summary ? "column_" + std::to_string(c) : table.get_data_string(0, c));
        if (name.empty() || used.count(folded(name)) != 0) {
            const std::string base = "column_" + std::to_string(c);
            name = base;
            for (int n = 2; used.count(folded(name)) != 0; ++n)
                name = base + "_" + std::to_string(n);
        }
        used.insert(folded(name));
        names.push_back(name);
    }
    return names;
}

bool export_table(DATABASE& db, RDB_TABLE_OBJECT& table)
{
    const std::string path = RDB::SQLITE::valid_utf8(table.get_path(true));
    const std::string data = rdb_sql_identifier(path);
    const std::string metadata = rdb_sql_identifier(path + " metadata");
    if (!set_fast_writes(db)) return false;
    TRANSACTION transaction(db);
    if (!transaction.is_begun()) return false;
    if (!db.exec("DROP TABLE IF EXISTS " + data) || !db.exec("DROP TABLE IF EXISTS " + metadata)) return false;

    const bool summary = table.dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT() != nullptr;
    const unsigned int columns = table.get_number_of_columns();
    const std::vector<std::string> names = export_column_names(table, summary, columns);
    std::string create = "CREATE TABLE " + data + " (\"row\" INTEGER PRIMARY KEY ASC NOT NULL ";
    std::string insert_sql = "INSERT INTO " + data + " (\"row\"";
    std::string values = ") VALUES (?";
    for (const std::string& name : names) {
        create += ", " + rdb_sql_identifier(name);
        insert_sql += ", " + rdb_sql_identifier(name);
        values += ", ?";
    }
    if (!db.exec(create + ")")) return false;
    if (!db.exec("CREATE TABLE " + metadata +
                 " (\"row\" INTEGER NOT NULL, \"col\" INTEGER NOT NULL, \"key\" TEXT NOT NULL, \"value\" TEXT NOT "
                 "NULL, PRIMARY KEY (\"row\", \"col\", \"key\"))"))
        return false;
    STATEMENT insert(db, insert_sql + values + ")");
    STATEMENT insert_metadata(db, "INSERT INTO " + metadata + " (\"row\", \"col\", \"key\", \"value\") " +
                                      "VALUES ( ?, ?, ?, ? )");
    if (!insert.is_prepared() || !insert_metadata.is_prepared()) return false;

    const auto add_metadata = [&](unsigned int r, unsigned int c, const char* key, const std::string& value) {
        insert_metadata.bind_int64(1, r);
        insert_metadata.bind_int64(2, c);
        insert_metadata.bind_text(3, key);
        insert_metadata.bind_text(4, RDB::SQLITE::valid_utf8(value));
        return insert_metadata.run();
    };
    bool ok = true;
    std::string text;
    const bool read = rdb_for_each_table_row(table, [&](unsigned int r, const RDB_TABLE_ROW* row) {
        if (!ok || (r == 0 && !summary)) return;
        // Every value is bound afresh, a missing cell as JSON null, so no row inherits another's values.
        insert.bind_int64(1, r);
        for (unsigned int c = 0; c < columns; ++c) {
            const RDB_TABLE_ELEMENT* cell = row != nullptr && c < row->size() ? (*row)[c] : nullptr;
            const RDB::SQLITE::CELL_FIELDS fields = RDB::SQLITE::fields_of(cell);
            text.clear();
            RDB::SQLITE::append_cell_json(text, fields);
            insert.bind_text(static_cast<int>(c) + 2, text);
            if (!fields.is_cell) continue;
            if (ok && !fields.tooltip.empty()) ok = add_metadata(r, c, "tooltip", fields.tooltip);
            if (ok && fields.foreground != 0xFFFFFFFFu)
                ok = add_metadata(r, c, "foreground", std::to_string(fields.foreground));
            if (ok && fields.background != 0xFFFFFFFFu)
                ok = add_metadata(r, c, "background", std::to_string(fields.background));
            if (ok && !fields.location_schema_tcl_string.empty())
                ok = add_metadata(r, c, "location_schema_tcl_string", fields.location_schema_tcl_string);
            if (ok && !fields.hierarchy_path.empty()) ok = add_metadata(r, c, "hierarchy_path", fields.hierarchy_path);
        }
        if (ok) ok = insert.run();
    });
    if (!read) {
        db.record_failure("read rows of " + table.get_sqlite_filepath());
        return false;
    }
    return ok && transaction.commit();
}

// ---- Dumps

// A JSON text that every JSON reader accepts: invalid UTF-8 bytes become U+FFFD.
std::string dumped(const nlohmann::json& value)
{
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

bool rdb_convert_table_to_sqlite(const std::string& base_path, RDB_TABLE_OBJECT* rdb_table)
{
    RDB_ASSERT(rdb_table);
    if (rdb_table->get_number_of_rows() == 0 || rdb_table->is_sqlite()) return true;
    // Checked before the file is touched: a refused conversion must leave no trace behind.
    RDB_ASSERT(rdb_table->is_writable());
    const std::string file_path = base_path + ".sqlite3";
    const unsigned int columns = rdb_table->get_number_of_columns();
    std::string name;
    {
        // The database is closed, and a failed transaction rolled back, before the table changes.
        DATABASE db(file_path, DATABASE::READ_WRITE_CREATE);
        if (!db.is_open()) {
            db.post_failure();
            return false;
        }
        name = next_table_name(db);
        bool ok = !name.empty() && set_fast_writes(db);
        TRANSACTION transaction(db);
        ok = ok && transaction.is_begun() && write_properties(db, name, *rdb_table, columns) &&
             write_converted_rows(db, name, *rdb_table, columns) && transaction.commit();
        if (!ok) {
            db.post_failure();
            return false;
        }
    }
    rdb_table->clear_rows();
    RDB_ASSERT(rdb_table->get_number_of_rows() == 0);
    RDB_TABLE_ROW* marker = new RDB_TABLE_ROW;
    marker->push_back(new RDB_TABLE_STRING_ELEMENT(MARKER_TEXT));
    marker->push_back(new RDB_TABLE_STRING_ELEMENT(file_path));
    marker->push_back(new RDB_TABLE_STRING_ELEMENT(name));
    rdb_table->add_row(marker);
    return true;
}

bool rdb_write_table_to_sqlite(const std::string& db_path, RDB_TABLE_OBJECT* rdb_table)
{
    if (rdb_table == nullptr) return true;
    DATABASE db(db_path, DATABASE::READ_WRITE_CREATE);
    if (db.is_open() && export_table(db, *rdb_table)) return true;
    db.post_failure();
    return false;
}

std::string rdb_dump_sqlite_to_json(const std::string& db_path, const std::string& table_name)
{
    nlohmann::json records = nlohmann::json::array();
    DATABASE db(db_path, DATABASE::READ_ONLY);
    if (!db.has_table(table_name)) return dumped(records);
    STATEMENT query(db, "select * from " + rdb_sql_identifier(table_name));
    while (query.step_row()) {
        nlohmann::json record = nlohmann::json::array();
        for (int c = 0; c < query.column_count(); ++c)
            record.push_back(query.column_text(c));
        records.push_back(std::move(record));
    }
    return dumped(records);
}

std::string rdb_dump_sqlite_properties_to_json(const std::string& db_path, const std::string& table_name)
{
    nlohmann::json properties = nlohmann::json::object();
    DATABASE db(db_path, DATABASE::READ_ONLY);
    if (!db.has_table(table_name)) return dumped(properties);
    STATEMENT query(db, "select key, value from " + rdb_sql_identifier(table_name));
    while (query.step_row())
        properties[query.column_text(0)] = query.column_text(1);
    return dumped(properties);
}
