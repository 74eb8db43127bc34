// The read side of converted tables: RDB_SQLITE_TABLE_READER, the row walk over any table, and the
// SQLite forms of the table's counting and reading operations.

#include <charconv>
#include <map>
#include <memory>
#include <vector>

#include "rdb_sqlite_cells.h"
#include "rdb_cell_pool.h"
#include "rdb_escape.h"
#include "rdb_sqlite_db.h"
#include "rdb_table_to_sqlite.h"

using RDB::SQLITE::DATABASE;
using RDB::SQLITE::STATEMENT;

namespace {

unsigned int to_count(std::string_view text)
{
    unsigned int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

} // namespace

struct RDB_SQLITE_TABLE_READER::IMPL {
    IMPL(const std::string& path, const std::string& name)
        : db(path, DATABASE::READ_ONLY), table(rdb_sql_identifier(name)),
          properties(rdb_sql_identifier(name + "_properties"))
    {
    }

    // The properties, read once.
    const std::map<std::string, std::string>& property_map()
    {
        if (properties_read) return property_values;
        properties_read = true;
        STATEMENT query(db, "SELECT key, value FROM " + properties);
        while (query.step_row())
            property_values[query.column_text(0)] = query.column_text(1);
        return property_values;
    }
    std::string property(const std::string& key)
    {
        const auto& values = property_map();
        const auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    }
    RDB_TABLE_ROW_PTR header_row(unsigned int columns)
    {
        RDB_TABLE_ROW_PTR row(new RDB_TABLE_ROW);
        for (unsigned int c = 0; c < columns; ++c) {
            RDB::SQLITE::CELL_FIELDS fields;
            fields.is_cell = true;
            fields.display = property("column_name_" + std::to_string(c));
            fields.tooltip = property("column_tooltip_" + std::to_string(c));
            row->push_back(RDB::SQLITE::make_cell(fields));
        }
        return row;
    }
    std::string column_list(unsigned int columns) const
    {
        std::string list;
        for (unsigned int c = 0; c < columns; ++c)
            list += ", column_" + std::to_string(c);
        return list;
    }
    unsigned int columns()
    {
        if (column_count < 0) column_count = to_count(property("column_count"));
        return static_cast<unsigned int>(column_count);
    }
    // Brings the display texts of row into the cache. A cursor walks the rows in order, so reading a
    // table row after row (as renderers do) steps through the file once instead of seeking per cell.
    bool load_row(std::int64_t row)
    {
        if (cached_row == row) return true;
        if (!cursor)
            cursor = std::make_unique<STATEMENT>(db, "SELECT row" + column_list(columns()) + " FROM " + table +
                                                         " WHERE row >= ? ORDER BY row");
        if (!cursor->is_prepared()) return false;
        if (!cursor_live || cursor_row > row) {
            cursor->reset();
            cursor->bind_int64(1, row);
            cursor_live = true;
            cursor_row = -1;
        }
        while (cursor_row < row)
            if (!step_cursor()) return false;
        if (cursor_row != row) return false;
        cached_display.clear();
        for (unsigned int c = 0; c < columns(); ++c)
            cached_display.push_back(RDB::SQLITE::parse_cell_json(cursor->column_view(int(c) + 1)).display);
        cached_row = row;
        return true;
    }
    bool step_cursor()
    {
        if (!cursor->step_row()) {
            cursor_live = false;
            return false;
        }
        cursor_row = cursor->column_int64(0);
        return true;
    }

    DATABASE db;
    std::string table;
    std::string properties;
    bool properties_read = false;
    std::map<std::string, std::string> property_values;
    int column_count = -1;
    std::unique_ptr<STATEMENT> cursor;
    bool cursor_live = false;
    std::int64_t cursor_row = -1;
    std::int64_t cached_row = -1;
    std::vector<std::string> cached_display;
};

RDB_SQLITE_TABLE_READER::RDB_SQLITE_TABLE_READER(const std::string& file_path, const std::string& table_name)
    : m_impl(std::make_unique<IMPL>(file_path, table_name))
{
}

RDB_SQLITE_TABLE_READER::RDB_SQLITE_TABLE_READER(const RDB_TABLE_OBJECT& table)
    : RDB_SQLITE_TABLE_READER(table.get_sqlite_filepath(), table.get_sqlite_tablename())
{
}

RDB_SQLITE_TABLE_READER::~RDB_SQLITE_TABLE_READER() = default;

bool RDB_SQLITE_TABLE_READER::is_open() const { return m_impl->db.is_open(); }

unsigned int RDB_SQLITE_TABLE_READER::get_number_of_rows()
{
    // Counted from the largest row number: a summary table stores its first row as row 0, so
    // COUNT(*) plus one for the header would invent a row.
    STATEMENT query(m_impl->db, "SELECT MAX(row) FROM " + m_impl->table);
    if (!query.step_row()) return 0;
    return query.column_is_null(0) ? 1 : static_cast<unsigned int>(query.column_int64(0) + 1);
}

unsigned int RDB_SQLITE_TABLE_READER::get_number_of_columns() { return m_impl->columns(); }

std::string RDB_SQLITE_TABLE_READER::get_data_string(unsigned int row, unsigned int col)
{
    if (!is_open()) return {};
    if (row == 0) return m_impl->property("column_name_" + std::to_string(col));
    if (!m_impl->load_row(row) || col >= m_impl->cached_display.size()) return {};
    return m_impl->cached_display[col];
}

RDB_TABLE_ROW_PTR RDB_SQLITE_TABLE_READER::get_row(unsigned int row)
{
    RDB_TABLE_ROW_PTR found;
    if (!is_open()) return found;
    const unsigned int columns = get_number_of_columns();
    STATEMENT query(m_impl->db,
                    "SELECT row" + m_impl->column_list(columns) + " FROM " + m_impl->table + " WHERE row = ?");
    query.bind_int64(1, row);
    if (query.step_row()) {
        found.reset(new RDB_TABLE_ROW);
        for (unsigned int c = 0; c < columns; ++c)
            found->push_back(RDB::SQLITE::make_cell(RDB::SQLITE::parse_cell_json(query.column_view(int(c) + 1))));
    } else if (row == 0 && !query.failed()) {
        found = m_impl->header_row(columns);
    }
    return found;
}

bool RDB_SQLITE_TABLE_READER::for_each_row(const std::function<void(unsigned int, const RDB_TABLE_ROW*)>& visit)
{
    if (!is_open()) return false;
    const unsigned int columns = get_number_of_columns();
    STATEMENT query(m_impl->db,
                    "SELECT row" + m_impl->column_list(columns) + " FROM " + m_impl->table + " ORDER BY row");
    if (!query.is_prepared()) return false;
    bool header_seen = false;
    RDB_TABLE_ROW_PTR row;
    while (query.step_row()) {
        const std::int64_t index = query.column_int64(0);
        if (index < 0) continue;
        // A summary table stores its first row as row 0; other tables keep their header as properties.
        if (!header_seen && index != 0) visit(0, m_impl->header_row(columns).get());
        header_seen = true;
        row.reset(new RDB_TABLE_ROW);
        row->reserve(columns);
        for (unsigned int c = 0; c < columns; ++c)
            row->push_back(RDB::SQLITE::make_cell(RDB::SQLITE::parse_cell_json(query.column_view(int(c) + 1))));
        visit(static_cast<unsigned int>(index), row.get());
    }
    if (query.failed()) return false;
    if (!header_seen) visit(0, m_impl->header_row(columns).get());
    return true;
}

bool rdb_for_each_table_row(const RDB_TABLE_OBJECT& table,
                            const std::function<void(unsigned int, const RDB_TABLE_ROW*)>& visit)
{
    if (table.is_sqlite()) return RDB_SQLITE_TABLE_READER(table).for_each_row(visit);
    unsigned int index = 0;
    for (const RDB_TABLE_ROW* row : table)
        visit(index++, row);
    return true;
}

// ---- The SQLite forms of the table's readers: each opens the file read-only for one answer.

unsigned int RDB_TABLE_OBJECT::sqlite_number_of_rows() const
{
    return RDB_SQLITE_TABLE_READER(*this).get_number_of_rows();
}

unsigned int RDB_TABLE_OBJECT::sqlite_number_of_columns() const
{
    return RDB_SQLITE_TABLE_READER(*this).get_number_of_columns();
}

std::string RDB_TABLE_OBJECT::sqlite_data_string(unsigned int row, unsigned int col) const
{
    return RDB_SQLITE_TABLE_READER(*this).get_data_string(row, col);
}

// ---- Rows rebuilt in memory for a renderer

RDB_TABLE_OBJECT::SQLITE_ROWS_LOADED::SQLITE_ROWS_LOADED(RDB_TABLE_OBJECT& table) : m_table(table)
{
    if (!table.is_sqlite()) return;
    ROW_LIST loaded;
    // The rebuilt cells share chunks of their own, which go back when the rows are dropped.
    const RDB_CELL_POOL_SCOPE cells_of_these_rows;
    RDB_SQLITE_TABLE_READER reader(table);
    const bool read = reader.for_each_row([&](unsigned int index, const RDB_TABLE_ROW* row) {
        // Rows missing from the file (none are, when we wrote it) are drawn empty.
        while (loaded.size() < index)
            loaded.push_back(new RDB_TABLE_ROW);
        // The reader drops each rebuilt row after the call; its cells move here instead of being copied.
        RDB_TABLE_ROW* taken = new RDB_TABLE_ROW;
        taken->swap(*const_cast<RDB_TABLE_ROW*>(row));
        loaded.push_back(taken);
    });
    if (!read) {
        for (RDB_TABLE_ROW* row : loaded)
            RDB_TABLE_ROW_DELETER()(row);
        return;
    }
    m_marker.swap(table.m_rows);
    table.m_rows.swap(loaded);
    m_loaded = true;
}

RDB_TABLE_OBJECT::SQLITE_ROWS_LOADED::~SQLITE_ROWS_LOADED()
{
    if (!m_loaded) return;
    m_table.clear_rows();
    m_table.m_rows.swap(m_marker);
}
