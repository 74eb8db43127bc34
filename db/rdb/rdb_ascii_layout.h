#pragma once
// The plain-text layout engine shared by the text forms of the report objects (library-internal):
// buffered writing of a table's boxed rows, with line breaks and UTF-8 display widths measured per
// cell, and the measured grid of a grid table. The table's own measurement members
// (RDB_TABLE_OBJECT::update_table_info and the layout state it fills) are defined beside these.

#include <cstddef>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "rdb_table_element.h"
#include "rdb_table_sys.h"

namespace RDB::ASCII {

// Gathers layout bytes and hands them to the stream in large writes; a table of a million rows would
// otherwise spend more time in the stream's per-call overhead than in laying out its cells.
class TEXT_BUFFER {
public:
    explicit TEXT_BUFFER(std::ostream& os) : m_os(os), m_data(new char[CAPACITY]), m_capacity(CAPACITY) {}
    TEXT_BUFFER(const TEXT_BUFFER&) = delete;
    TEXT_BUFFER& operator=(const TEXT_BUFFER&) = delete;

    // Where the next n bytes go; commit(end) keeps what was written up to end.
    char* room(std::size_t n)
    {
        if (m_used + n > m_capacity) make_room(n);
        return m_data.get() + m_used;
    }
    void commit(const char* end) { m_used = static_cast<std::size_t>(end - m_data.get()); }
    void append(std::string_view text)
    {
        char* out = room(text.size());
        std::memcpy(out, text.data(), text.size());
        commit(out + text.size());
    }
    void flush()
    {
        m_os.write(m_data.get(), static_cast<std::streamsize>(m_used));
        m_used = 0;
    }

private:
    static constexpr std::size_t CAPACITY = 1 << 20;

    void make_room(std::size_t n)
    {
        flush();
        if (n <= m_capacity) return;
        m_data.reset(new char[n]);
        m_capacity = n;
    }

    std::ostream& m_os;
    std::unique_ptr<char[]> m_data;
    std::size_t m_capacity;
    std::size_t m_used = 0;
};

// The display texts of a table's cells, as its get_data_string gives them. In a table of the
// library's own classes, a text cell of the library's own classes is read in place, as a view of its
// stored text (which its get_string copies), since a big table would otherwise copy every text once
// per pass. Any other cell, a null row or cell, every cell of a table whose rows are kept in an
// SQLite file (in_memory false) and every cell of a table class from outside the library go through
// get_data_string, so that a class from outside keeps its own get_data_string and get_string.
class CELL_TEXTS {
public:
    CELL_TEXTS(const RDB_TABLE_OBJECT& table, bool in_memory);
    // The text of a cell of row, whose cells are what in_memory(row) answered (fetched once per row); a
    // copied text lives in scratch, so the view lasts until scratch changes.
    [[gnu::always_inline]] std::string_view get(const RDB_TABLE_ROW* cells, unsigned int row, unsigned int col,
                                                std::string& scratch) const
    {
        // Inline: it runs twice for every cell of a big table.
        if (cells != nullptr && col < cells->size())
            if (const char* text = own_text((*cells)[col])) return text;
        return copied(row, col, scratch);
    }
    // The row's cells when they may be read in place; null when they are read through the table.
    const RDB_TABLE_ROW* in_memory(unsigned int row) const
    {
        return row < m_row_count ? m_table.get_row(static_cast<int>(row)) : nullptr;
    }

private:
    // The stored text of a text cell of the library's own classes (the exact classes: a subclass from
    // elsewhere may answer another text from get_string); null for any other cell.
    static const char* own_text(const RDB_TABLE_ELEMENT* cell)
    {
        if (cell == nullptr) return nullptr;
        const std::type_info& type = typeid(*cell);
        // The library's own cells carry the very record typeid names here; comparing addresses first
        // spares the name comparison for them.
        if (&type == &typeid(RDB_TABLE_STRING_ELEMENT) || type == typeid(RDB_TABLE_STRING_ELEMENT) ||
            type == typeid(RDB_TABLE_LOCATION_SCHEMA_ELEMENT) || type == typeid(RDB_TABLE_TCL_CMD_ELEMENT))
            return static_cast<const RDB_TABLE_STRING_ELEMENT*>(cell)->get_c_string();
        return nullptr;
    }
    // The text as get_data_string gives it, kept in scratch.
    std::string_view copied(unsigned int row, unsigned int col, std::string& scratch) const;

    const RDB_TABLE_OBJECT& m_table;
    std::size_t m_row_count; // rows held in memory; 0 when the cells are read through the table
};

// Cell texts of the row being written, the copies some of them need, and where in each the text
// still to be written starts.
struct ROW_TEXTS {
    std::vector<std::string_view> texts;
    std::vector<std::string> copies;
    std::vector<std::size_t> written;
};

// Writes one row of a table over its line_count text lines, each cell padded to its column's width;
// columns of width 0 are hidden. scratch is reused from row to row.
void write_wrapped_row(TEXT_BUFFER& out, const CELL_TEXTS& cells, unsigned int row, unsigned int line_count,
                       const std::vector<unsigned int>& widths, ROW_TEXTS& scratch);

// The text with every line break removed.
std::string without_line_breaks(std::string text);

// The lines of a text, split at its line breaks (a text without any is one line).
std::vector<std::string> lines_of(const std::string& text);

// The byte length of the longest line.
std::size_t widest(const std::vector<std::string>& lines);

// The measured grid: the lines of every header and cell and the width of every column (0: the row
// headers, j + 1: column j).
struct GRID_LAYOUT {
    std::vector<std::vector<std::string>> row_headers;
    std::vector<std::vector<std::string>> column_headers;
    std::vector<std::vector<std::vector<std::string>>> cells; // [row][column]
    std::string corner_top;
    std::string corner_bottom;
    std::vector<std::size_t> widths;
    std::size_t heading_height = 3;

    // "+", then per column its width plus 2 in "-" and "+", then a line break.
    void write_separator(std::ostream& os) const;
    // The corner labels and the column headers over heading_height lines.
    void write_heading(std::ostream& os) const;
    // Every row over the lines of its tallest header or cell.
    void write_rows(std::ostream& os) const;
};

// The INI switches that change the text form. They are read once per rendering: a RENDERING opened
// where a rendering begins (a report file, a folder) holds them for everything drawn inside it, so a
// report never mixes two settings and a big report does not ask the INI service once per table. An
// object drawn on its own reads them when it asks.
struct SWITCHES {
    bool compact_tables = false; // tables of three or more columns drawn without boxes
    bool messages_in_report = true; // message listings filled in ("rdb_no_msgs_in_report" off)
    bool webkit_html_as_plain_text = false; // HTML text objects printed as their text

    static SWITCHES from_ini();
};

class RENDERING {
public:
    // Reads the switches unless a rendering is already under way on this thread.
    RENDERING();
    ~RENDERING();
    RENDERING(const RENDERING&) = delete;
    RENDERING& operator=(const RENDERING&) = delete;

private:
    SWITCHES m_switches;
    bool m_outermost;
};

// The switches of the rendering under way on this thread, else read now.
SWITCHES switches();

} // namespace RDB::ASCII
