#pragma once
// Tables in SQLite files: the conversion of a table into a file (the table keeps one marker row naming
// the file and the SQLite table), the exporter that copies any table into a header-named layout with a
// metadata table, the JSON dumps of a converted table, and the read-only reader through which the
// counting and reading operations of a converted table answer.
//
// Every cell travels as compact JSON text with sorted keys: "background", "display", "foreground",
// "hierarchy_path", "location_schema_tcl_string", "tooltip" (only "display" always present).

#include <functional>
#include <memory>
#include <string>

#include "rdb_table_sys.h"

// Converts table in place into the file base_path + ".sqlite3", as table "t_<n>" with its
// "t_<n>_properties". True when converted, or when there was nothing to do (no rows, already
// converted). On failure nothing changes: the file is rolled back and unlocked, the table keeps its
// rows. A null table is the internal error "rdb_table"; a read-only table is the internal error
// "rdb_table->is_writable()", raised before the file is touched.
bool rdb_convert_table_to_sqlite(const std::string& base_path, RDB_TABLE_OBJECT* rdb_table);

// Writes table (its real rows, also when it is converted) into db_path as the tables "<path>" and
// "<path> metadata", replacing earlier copies. True on success or for a null table; false with a debug
// line "SQLite error. ..." otherwise, the file left as it was.
bool rdb_write_table_to_sqlite(const std::string& db_path, RDB_TABLE_OBJECT* rdb_table);

// Writes the visible tables, summary tables and Tcl tables below root (descending into folders in list
// order), the sub-tables of timing paths and the summary tables of path folders into a new SQLite file
// at db_path, as rdb_write_table_to_sqlite writes one table. A table is named by its path, a sub-table
// by its owner's path and its name; a name met again gets " (2)", " (3)", ... The file is replaced only
// when whole. A null root is the internal error "util". False, with a debug line, on failure.
bool rdb_write_report_tables_to_sqlite(const std::string& db_path, RDB_OBJECT* root);

// Every record of the table as a JSON array of arrays of column texts, indented by 2; "[]" when the file
// cannot be read or holds no table of that name.
std::string rdb_dump_sqlite_to_json(const std::string& db_path, const std::string& table_name);
// The key and value records of a properties table as a JSON object, indented by 2; "{}" when the file
// cannot be read or holds no table of that name.
std::string rdb_dump_sqlite_properties_to_json(const std::string& db_path, const std::string& table_name);

// Calls visit(index, row) for every real row of table in order, the header row (index 0) first: the
// rows in memory, or for a table in SQLite form the rows rebuilt from its file (never its marker row).
// A null row in memory is passed as null; a rebuilt row lives only for the call. False when a
// converted table's file cannot be read.
bool rdb_for_each_table_row(const RDB_TABLE_OBJECT& table,
                            const std::function<void(unsigned int, const RDB_TABLE_ROW*)>& visit);

// A converted table opened read-only (the file is never created) for as long as the reader lives, so
// that a renderer or exporter reads many cells without reopening the file. A file that cannot be opened
// reads as an empty table.
class RDB_SQLITE_TABLE_READER {
public:
    RDB_SQLITE_TABLE_READER(const std::string& file_path, const std::string& table_name);
    // The file and table named by table's marker row (an empty table when it has none).
    explicit RDB_SQLITE_TABLE_READER(const RDB_TABLE_OBJECT& table);
    ~RDB_SQLITE_TABLE_READER();
    RDB_SQLITE_TABLE_READER(const RDB_SQLITE_TABLE_READER&) = delete;
    RDB_SQLITE_TABLE_READER& operator=(const RDB_SQLITE_TABLE_READER&) = delete;

    bool is_open() const;
    // Rows including the header: the largest stored row number plus one (1 for a header alone).
    unsigned int get_number_of_rows();
    unsigned int get_number_of_columns();
    // Row 0: the header text; other rows: the cell's "display" text. Empty when there is none.
    std::string get_data_string(unsigned int row, unsigned int col);
    // The cells of one row rebuilt from the file (text or location cells with their colours and
    // tooltips; a JSON null is a null cell); empty when the row is not stored.
    RDB_TABLE_ROW_PTR get_row(unsigned int row);
    // Streams every row as rdb_for_each_table_row does; false when the file cannot be read.
    bool for_each_row(const std::function<void(unsigned int, const RDB_TABLE_ROW*)>& visit);

private:
    struct IMPL;
    std::unique_ptr<IMPL> m_impl;
};
