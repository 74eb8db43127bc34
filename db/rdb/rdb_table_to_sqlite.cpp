// The write side of the SQLite family: the conversion of a table into a file, the exporter, and the
// JSON dumps of a converted table.

#include "rdb_table_to_sqlite.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_folder.h"
#include "rdb_path.h"
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

// A name as SQLite compares names: ASCII letters without case.
std::string folded(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Column names of the exported table: the header texts (or "column_<i>" for a summary table, whose rows
// are all data), made unique among themselves and against "row" as SQLite compares names (ASCII case
// ignored). An empty, repeated or "row" name becomes "column_<i>", then "column_<i>_2", and so on.
std::vector<std::string> export_column_names(const RDB_TABLE_OBJECT& table, bool summary, unsigned int columns)
{
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

bool export_table(DATABASE& db, RDB_TABLE_OBJECT& table, const std::string& table_name)
{
    const std::string path = RDB::SQLITE::valid_utf8(table_name);
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
    if (db.is_open() && export_table(db, *rdb_table, rdb_table->get_path(true))) return true;
    db.post_failure();
    return false;
}

namespace {

// The tables of a report in file order, each with the name it is stored under.
class REPORT_TABLES {
public:
    std::vector<std::pair<RDB_TABLE_OBJECT*, std::string>> tables;

    void add_children(RDB_OBJECT* object)
    {
        RDB_FOLDER_OBJECT* folder = object->dynamic_cast_to_RDB_FOLDER_OBJECT();
        RDB_ASSERT_MSG(folder != nullptr, "folder");
        // A link back into a folder being walked would repeat it without end.
        const void* list = folder->get_object_list();
        if (list != nullptr && !m_walking.insert(list).second) return;
        for (RDB_OBJECT* child : *folder)
            if (child != nullptr && child->is_visible()) add(child);
        if (list != nullptr) m_walking.erase(list);
    }

    void add(RDB_OBJECT* object)
    {
        switch (object->get_type()) {
        case RDB_TABLE_TYPE:
        case RDB_SUMMARY_TABLE_TYPE:
        case RDB_TCL_TABLE_TYPE:
            take(object->dynamic_cast_to_RDB_TABLE_OBJECT(), object->get_path(true));
            break;
        case RDB_PATH_TYPE:
            if (RDB_PATH_OBJECT* path = object->dynamic_cast_to_RDB_PATH_OBJECT()) {
                for (RDB_TABLE_OBJECT* table :
                     {path->get_summary_table(), path->get_data_arrival_table(), path->get_data_required_table(),
                      path->get_path_stats_table(), path->get_extra_info_table(), path->get_critical_chain_table(),
                      path->get_recommendations_table(), path->get_optimizations_analyzed_table()})
                    take_part(path, table);
            }
            break;
        case RDB_FOLDER_TYPE:
            if (RDB_PATH_FOLDER_OBJECT* paths = object->dynamic_cast_to_RDB_PATH_FOLDER_OBJECT())
                take_part(paths, paths->get_path_summary_table());
            add_children(object);
            break;
        default:
            break;
        }
    }

private:
    // A sub-table has no folder of its own: it is named under its owner's path.
    void take_part(RDB_OBJECT* owner, RDB_TABLE_OBJECT* table)
    {
        if (table != nullptr && table->is_visible()) take(table, owner->get_path(true) + "||" + table->get_name());
    }

    // SQLite compares names without case: a name taken already (or whose metadata table would clash)
    // gets " (2)", " (3)", ... so that no table replaces another.
    void take(RDB_TABLE_OBJECT* table, const std::string& wanted)
    {
        if (table == nullptr) return;
        const std::string base = RDB::SQLITE::valid_utf8(wanted);
        std::string name = base;
        for (int n = 2; m_used.count(folded(name)) != 0 || m_used.count(folded(name + " metadata")) != 0; ++n)
            name = base + " (" + std::to_string(n) + ")";
        m_used.insert(folded(name));
        m_used.insert(folded(name + " metadata"));
        tables.emplace_back(table, name);
    }

    std::set<std::string> m_used;
    std::set<const void*> m_walking;
};

} // namespace

bool rdb_write_report_tables_to_sqlite(const std::string& db_path, RDB_OBJECT* root)
{
    RDB_ASSERT_MSG(root != nullptr, "util");
    REPORT_TABLES found;
    if (root->get_type() == RDB_FOLDER_TYPE)
        found.add_children(root);
    else if (root->is_visible())
        found.add(root);
    // Built under a temporary name and renamed when whole: no table of an earlier file remains, and a
    // failure leaves the earlier file as it was.
    const std::string temporary = fio_temp_file_name(db_path);
    bool written = false;
    {
        DATABASE db(temporary, DATABASE::READ_WRITE_CREATE);
        written = db.is_open();
        for (const auto& [table, name] : found.tables) {
            if (!written) break;
            written = export_table(db, *table, name);
        }
        if (!written) db.post_failure();
    }
    if (written && fio_replace_file(temporary, db_path)) return true;
    if (written) msg_local_vdebug("RDB", 2, "Cannot write the SQLite file %s", db_path.c_str());
    fio_remove(temporary);
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
