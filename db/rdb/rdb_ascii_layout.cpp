#include "rdb_ascii_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include <boost/numeric/conversion/cast.hpp>

#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_chart.h"
#include "rdb_enum.h"
#include "rdb_histogram.h"
#include "rdb_object.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_text.h"

namespace RDB::ASCII {

namespace {

// The first line of a text: its byte length and its display width, which is the byte length minus
// the UTF-8 continuation bytes its lead bytes announce. A sequence cut short by the end of the line
// counts only the bytes present, so a width never goes negative.
struct LINE_EXTENT {
    std::size_t size = 0;
    std::size_t width = 0;
};

// True when none of the 8 bytes of word is a line break or has its top bit set (pure ASCII text).
bool plain_ascii_word(std::uint64_t word)
{
    constexpr std::uint64_t ONES = 0x0101010101010101ull;
    constexpr std::uint64_t HIGHS = 0x8080808080808080ull;
    const std::uint64_t breaks = word ^ (ONES * '\n');
    return (((breaks - ONES) & ~breaks) | word) & HIGHS ? false : true;
}

// True when no byte of the text is a line break or has its top bit set. Reads whole words, the last
// one overlapping the one before, so that a short cell text costs two or three tests and no loop over
// its bytes.
[[gnu::always_inline]] inline bool plain_ascii(const char* text, std::size_t size)
{
    if (size >= 8) {
        std::uint64_t word;
        for (std::size_t i = 0; i + 8 < size; i += 8) {
            std::memcpy(&word, text + i, 8);
            if (!plain_ascii_word(word)) return false;
        }
        std::memcpy(&word, text + size - 8, 8);
        return plain_ascii_word(word);
    }
    if (size >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, text, 4);
        std::memcpy(&tail, text + size - 4, 4);
        return plain_ascii_word(std::uint64_t{head} << 32 | tail);
    }
    for (std::size_t i = 0; i < size; ++i)
        if (text[i] == '\n' || static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}

// Cells are short, so plain loops (eight bytes at a time while the text is plain ASCII) beat library calls.
LINE_EXTENT first_line_of_any_text(const char* text, std::size_t size)
{
    std::size_t i = 0;
    std::size_t extra = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text + i, 8);
        if (!plain_ascii_word(word)) break;
    }
    for (; i < size; ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') break;
        if (byte < 0xC0) continue;
        std::size_t announced = (byte & 0xE0) == 0xC0 ? 1 : (byte & 0xF0) == 0xE0 ? 2 : (byte & 0xF8) == 0xF0 ? 3 : 0;
        // Continuation bytes are never line breaks; stop at one all the same, as the line ends there.
        std::size_t skipped = 0;
        while (skipped < announced && i + 1 < size && text[i + 1] != '\n') {
            ++i;
            ++skipped;
        }
        extra += skipped;
    }
    return LINE_EXTENT{i, i - extra};
}

[[gnu::always_inline]] inline LINE_EXTENT first_line(const char* text, std::size_t size)
{
    if (plain_ascii(text, size)) return LINE_EXTENT{size, size};
    return first_line_of_any_text(text, size);
}

// Line count and widest line (in display columns) of a cell text.
struct CELL_EXTENT {
    unsigned int lines = 1;
    unsigned int width = 0;
};

CELL_EXTENT measure_cell(std::string_view text)
{
    CELL_EXTENT extent;
    const char* line = text.data();
    std::size_t rest = text.size();
    for (;;) {
        const LINE_EXTENT first = first_line(line, rest);
        const int width = boost::numeric_cast<int>(first.width);
        extent.width = std::max(extent.width, static_cast<unsigned int>(width));
        if (first.size == rest) break;
        ++extent.lines;
        line += first.size + 1;
        rest -= first.size + 1;
    }
    return extent;
}

// memcpy for the short pieces of cell texts, with fixed-size moves (two overlapping ones) instead of a
// library call.
void copy_short(char* out, const char* in, std::size_t size)
{
    if (size >= 8 && size <= 16) {
        std::uint64_t head, tail;
        std::memcpy(&head, in, 8);
        std::memcpy(&tail, in + size - 8, 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + size - 8, &tail, 8);
    } else if (size >= 4 && size < 8) {
        std::uint32_t head, tail;
        std::memcpy(&head, in, 4);
        std::memcpy(&tail, in + size - 4, 4);
        std::memcpy(out, &head, 4);
        std::memcpy(out + size - 4, &tail, 4);
    } else {
        std::memcpy(out, in, size);
    }
}

// Writes one cell line: ';', a space, the piece and padding, so that it fills width display columns
// after the ';'; a piece of no bytes is ';' and width spaces.
[[gnu::always_inline]] inline void write_cell_line(TEXT_BUFFER& out, const char* piece, const LINE_EXTENT& extent,
                                                   std::size_t width)
{
    if (extent.size == 0) {
        char* p = out.room(width + 1);
        *p++ = ';';
        std::memset(p, ' ', width);
        out.commit(p + width);
        return;
    }
    const std::size_t used = extent.width + 1;
    const std::size_t padding = width > used ? width - used : 0;
    // Room for SPARE bytes more than written, so that short padding can be stored as one fixed block.
    constexpr std::size_t SPARE = 32;
    char* p = out.room(extent.size + padding + 2 + SPARE);
    *p++ = ';';
    *p++ = ' ';
    copy_short(p, piece, extent.size);
    p += extent.size;
    if (padding <= SPARE)
        std::memset(p, ' ', SPARE);
    else
        std::memset(p, ' ', padding);
    out.commit(p + padding);
}

// Line l of a text (empty past its end) filled with spaces to width.
std::string line_filled(const std::vector<std::string>& lines, std::size_t l, std::size_t width)
{
    std::string line = l < lines.size() ? lines[l] : std::string();
    if (line.size() < width) line.append(width - line.size(), ' ');
    return line;
}

} // namespace

namespace {

// The library's table classes read their cells as RDB_TABLE_OBJECT::get_data_string does; a class
// from elsewhere may override it.
bool is_library_table(const RDB_TABLE_OBJECT& table)
{
    const std::type_info& type = typeid(table);
    for (const std::type_info* known :
         {&typeid(RDB_TABLE_OBJECT), &typeid(RDB_NEW_TABLE_OBJECT), &typeid(RDB_SUMMARY_TABLE_OBJECT),
          &typeid(RDB_LINK_TABLE_OBJECT), &typeid(RDB_TCL_TABLE_OBJECT), &typeid(RDB_HISTOGRAM_TABLE_OBJECT),
          &typeid(RDB_CHART_TABLE_OBJECT), &typeid(RDB_HEATMAP_TABLE_OBJECT)})
        if (type == *known) return true;
    return false;
}

} // namespace

CELL_TEXTS::CELL_TEXTS(const RDB_TABLE_OBJECT& table, bool in_memory)
    : m_table(table),
      m_row_count(in_memory && is_library_table(table) ? static_cast<std::size_t>(table.end() - table.begin()) : 0)
{
}

std::string_view CELL_TEXTS::copied(unsigned int row, unsigned int col, std::string& scratch) const
{
    scratch = m_table.get_data_string(row, col);
    return scratch;
}

// Writes one row over its text lines. Visible columns are those with a non-zero width: the measurement
// gives every visible column at least 2 (the spaces around its text) and hidden ones 0.
void write_wrapped_row(TEXT_BUFFER& out, const CELL_TEXTS& cells, unsigned int row, unsigned int line_count,
                       const std::vector<unsigned int>& widths, ROW_TEXTS& scratch)
{
    const std::size_t cols = widths.size();
    if (scratch.copies.size() < cols) scratch.copies.resize(cols);
    const RDB_TABLE_ROW* in_memory = cells.in_memory(row);
    if (line_count == 1) {
        // No cell of the row holds a line break: each text is written as it comes.
        for (std::size_t c = 0; c < cols; ++c) {
            if (widths[c] == 0) continue;
            const std::string_view text = cells.get(in_memory, row, static_cast<unsigned int>(c), scratch.copies[c]);
            write_cell_line(out, text.data(), first_line(text.data(), text.size()), widths[c]);
        }
        out.append(";\n");
        return;
    }
    scratch.texts.assign(cols, std::string_view());
    scratch.written.assign(cols, 0);
    for (std::size_t c = 0; c < cols; ++c)
        if (widths[c] != 0)
            scratch.texts[c] = cells.get(in_memory, row, static_cast<unsigned int>(c), scratch.copies[c]);
    for (unsigned int line = 0; line < line_count; ++line) {
        for (std::size_t c = 0; c < cols; ++c) {
            if (widths[c] == 0) continue;
            const std::string_view text = scratch.texts[c];
            std::size_t& written = scratch.written[c];
            const std::size_t rest = text.size() - written;
            const LINE_EXTENT extent = first_line(text.data() + written, rest);
            write_cell_line(out, text.data() + written, extent, widths[c]);
            written += std::min(extent.size + 1, rest);
        }
        out.append(";\n");
    }
}

std::string without_line_breaks(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::size_t widest(const std::vector<std::string>& lines)
{
    std::size_t width = 0;
    for (const std::string& line : lines)
        width = std::max(width, line.size());
    return width;
}

void GRID_LAYOUT::write_separator(std::ostream& os) const
{
    os << '+';
    for (std::size_t width : widths)
        os << std::string(width + 2, '-') << '+';
    os << '\n';
}

void GRID_LAYOUT::write_heading(std::ostream& os) const
{
    const std::size_t w0 = widths[0];
    for (std::size_t l = 0; l < heading_height; ++l) {
        os << ';';
        if (l == 0)
            os << ' ' << line_filled({corner_top}, 0, w0) << " ;";
        else if (l == heading_height - 2)
            os << " | " << std::string(w0 - 2, ' ') << " ;";
        else if (l == heading_height - 1)
            os << ' ' << line_filled({corner_bottom}, 0, w0) << " ;";
        else
            os << std::string(w0 + 2, ' ') << ';';
        for (std::size_t j = 0; j < column_headers.size(); ++j)
            os << ' ' << line_filled(column_headers[j], l, widths[j + 1]) << " ;";
        os << '\n';
    }
}

void GRID_LAYOUT::write_rows(std::ostream& os) const
{
    for (std::size_t r = 0; r < row_headers.size(); ++r) {
        std::size_t height = row_headers[r].size();
        for (const std::vector<std::string>& cell : cells[r])
            height = std::max(height, cell.size());
        for (std::size_t l = 0; l < height; ++l) {
            os << "; " << line_filled(row_headers[r], l, widths[0]) << " ;";
            for (std::size_t j = 0; j < cells[r].size(); ++j)
                os << ' ' << line_filled(cells[r][j], l, widths[j + 1]) << " ;";
            os << '\n';
        }
    }
}

namespace {
thread_local const SWITCHES* t_rendering = nullptr;
}

SWITCHES SWITCHES::from_ini()
{
    SWITCHES read;
    read.compact_tables = cfg_user_ini_is_on(CFG_USER_INI_COMPACT_TABLES, false);
    read.messages_in_report = !cfg_is_on("rdb_no_msgs_in_report", false);
    read.webkit_html_as_plain_text = cfg_is_on("rdb_dump_webkit_html_as_plain_text", false);
    return read;
}

RENDERING::RENDERING() : m_outermost(t_rendering == nullptr)
{
    if (!m_outermost) return;
    m_switches = SWITCHES::from_ini();
    t_rendering = &m_switches;
}

RENDERING::~RENDERING()
{
    if (m_outermost) t_rendering = nullptr;
}

SWITCHES switches() { return t_rendering != nullptr ? *t_rendering : SWITCHES::from_ini(); }

} // namespace RDB::ASCII

// ---- Title boxes ---------------------------------------------------------------------------------

void rdb_output_dashed_title_box(std::ostream& os, const std::string& name)
{
    const std::string dashes(name.size() + 4, '-');
    os << dashes << "\n"
       << "; " << name << " ;\n"
       << dashes << "\n";
}

void RDB_OBJECT::output_table_top_line(std::ostream& os, int width)
{
    os << '+' << std::string(width > 0 ? static_cast<std::size_t>(width) : 0, '-') << "+\n";
}

void RDB_OBJECT::output_ascii_table_header(std::ostream& os, int width)
{
    output_table_top_line(os, width);
    // printf's "%-*s": a negative field width is a left-justified field of its magnitude.
    int field = width - 2;
    std::size_t field_width = static_cast<std::size_t>(field < 0 ? -field : field);
    std::string title = m_name;
    if (title.size() < field_width) title.append(field_width - title.size(), ' ');
    os << "; " << title << " ;\n";
    if (get_type() == RDB_EMBEDDED_TYPE) output_table_top_line(os, width);
}

// ---- Table measurement ---------------------------------------------------------------------------

using RDB::ASCII::CELL_EXTENT;
using RDB::ASCII::measure_cell;
using RDB::ASCII::ROW_TEXTS;
using RDB::ASCII::TEXT_BUFFER;
using RDB::ASCII::write_wrapped_row;

thread_local std::uint64_t RDB_TABLE_OBJECT::m_col_cnt = 0;
thread_local std::vector<unsigned int> RDB_TABLE_OBJECT::m_col_widths;
thread_local std::vector<unsigned int> RDB_TABLE_OBJECT::m_wrapped_line_cnt;
thread_local std::uint64_t RDB_TABLE_OBJECT::m_table_width = 0;

void RDB_TABLE_OBJECT::update_table_info()
{
    const int name_size = boost::numeric_cast<int>(get_name().size());
    const unsigned int row_count = RDB_TABLE_OBJECT::get_number_of_rows();
    if (row_count == 0) {
        m_col_cnt = 0;
        m_col_widths.clear();
        m_wrapped_line_cnt.clear();
        m_table_width = static_cast<std::uint64_t>(name_size) + 2;
        return;
    }
    // Measured in locals and handed to the thread's layout at the end: every access to a thread-local
    // object from a shared library is a call, too dear once per cell.
    std::vector<unsigned int> widths = std::move(m_col_widths);
    std::vector<unsigned int> line_counts = std::move(m_wrapped_line_cnt);
    std::uint64_t table_width = 0;
    line_counts.assign(row_count, 0);
    const unsigned int col_count = RDB_TABLE_OBJECT::get_number_of_columns();
    m_col_cnt = col_count;
    widths.assign(col_count, 0);

    // The hidden list may repeat a column or name columns the table does not have.
    std::vector<unsigned char> visible(col_count, 1);
    for (unsigned int hidden : m_hidden_columns)
        if (hidden < col_count) visible[hidden] = 0;

    const RDB::ASCII::CELL_TEXTS cells(*this, !has_sqlite_marker());
    std::string scratch;
    for (unsigned int r = 0; r < row_count; ++r) {
        const RDB_TABLE_ROW* in_memory = cells.in_memory(r);
        for (unsigned int c = 0; c < col_count; ++c) {
            if (!visible[c]) continue;
            const CELL_EXTENT extent = measure_cell(cells.get(in_memory, r, c, scratch));
            widths[c] = std::max(widths[c], extent.width);
            line_counts[r] = std::max(line_counts[r], extent.lines);
        }
    }

    std::uint64_t visible_count = 0;
    unsigned int last_visible = 0;
    for (unsigned int c = 0; c < col_count; ++c) {
        if (!visible[c]) continue;
        widths[c] += 2;
        table_width += widths[c];
        ++visible_count;
        last_visible = c;
    }
    if (visible_count > 0) table_width += visible_count - 1; // one separator between neighbours

    // Widen the last visible column so that the title fits; without one only the box widens.
    const std::int64_t excess = static_cast<std::int64_t>(name_size) + 2 - static_cast<std::int64_t>(table_width);
    if (excess > 0) {
        table_width += static_cast<std::uint64_t>(excess);
        if (visible_count > 0) widths[last_visible] += static_cast<unsigned int>(excess);
    }
    m_col_widths = std::move(widths);
    m_wrapped_line_cnt = std::move(line_counts);
    m_table_width = table_width;
}

void RDB_TABLE_OBJECT::output_table_row_line(std::ostream& os)
{
    const std::vector<unsigned int>& widths = m_col_widths;
    std::string line = "+";
    for (std::uint64_t c = 0; c < m_col_cnt && c < widths.size(); ++c) {
        line.append(widths[c], '-');
        line += '+';
    }
    line += '\n';
    os << line;
}

void RDB_TABLE_OBJECT::output_wrapped_row(std::ostream& os, std::uint64_t row)
{
    const std::vector<unsigned int>& line_counts = m_wrapped_line_cnt;
    RDB_ASSERT_MSG(line_counts.size() > row, "m_wrapped_line_cnt.size() > i");
    TEXT_BUFFER out(os);
    ROW_TEXTS scratch;
    const RDB::ASCII::CELL_TEXTS cells(*this, !has_sqlite_marker());
    write_wrapped_row(out, cells, static_cast<unsigned int>(row), line_counts[row], m_col_widths, scratch);
    out.flush();
}
