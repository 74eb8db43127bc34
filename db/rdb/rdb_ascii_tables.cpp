// The text forms of the table kinds: plain, summary and link tables (boxed or, when the INI asks for
// it, as compact records), grid tables and histograms.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <boost/numeric/conversion/cast.hpp>

#include "msg/msg.h"
#include "rdb_ascii_layout.h"
#include "rdb_enum.h"
#include "rdb_grid_table.h"
#include "rdb_histogram.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_utility.h"

namespace {

// The longest bar of the text form.
constexpr std::int64_t BAR_LENGTH = 50;

std::string bound_text(int bound, unsigned int scale, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%*.*f", 8, decimals, static_cast<double>(bound) / scale);
    return text;
}

} // namespace

using RDB::ASCII::GRID_LAYOUT;
using RDB::ASCII::lines_of;
using RDB::ASCII::ROW_TEXTS;
using RDB::ASCII::TEXT_BUFFER;
using RDB::ASCII::widest;
using RDB::ASCII::without_line_breaks;
using RDB::ASCII::write_wrapped_row;

// ---- RDB_TABLE_OBJECT ----------------------------------------------------------------------------

void RDB_TABLE_OBJECT::output_ascii(std::ostream& os)
{
    // A converted table is drawn from its real rows, read from the file once.
    const SQLITE_ROWS_LOADED rows_loaded(*this);
    const std::string header = get_header();
    if (get_to_output_ascii_header() && !header.empty()) os << header << "\n";
    if (!get_no_compact_format() && RDB::ASCII::switches().compact_tables &&
        RDB_TABLE_OBJECT::get_number_of_columns() >= 3)
        output_ascii_compact(os);
    else
        output_ascii_boxed(os);
    const std::string footer = get_footer();
    if (get_to_output_ascii_footer() && !footer.empty()) os << footer << "\n";
}

void RDB_TABLE_OBJECT::output_ascii_boxed(std::ostream& os)
{
    update_table_info();
    const int width = boost::numeric_cast<int>(m_table_width);
    output_ascii_table_header(os, width);
    const std::vector<unsigned int>& widths = m_col_widths;
    const std::vector<unsigned int>& line_counts = m_wrapped_line_cnt;
    const bool any_visible = std::any_of(widths.begin(), widths.end(), [](unsigned int w) { return w != 0; });
    // Without rows, or with every column hidden, there is nothing to draw below the title.
    if (line_counts.empty() || !any_visible) {
        output_table_top_line(os, width);
        return;
    }

    std::string row_line = "+";
    for (unsigned int w : widths) {
        if (w == 0) continue;
        row_line.append(w, '-');
        row_line += '+';
    }
    row_line += '\n';

    const bool line_under_heading = get_type() != RDB_SUMMARY_TABLE_TYPE;
    TEXT_BUFFER out(os);
    out.append(row_line);
    const RDB::ASCII::CELL_TEXTS cells(*this, !has_sqlite_marker());
    ROW_TEXTS scratch;
    const std::size_t row_count = line_counts.size();
    for (std::size_t r = 0; r < row_count; ++r) {
        if (r == 1 && line_under_heading) out.append(row_line);
        write_wrapped_row(out, cells, static_cast<unsigned int>(r), line_counts[r], widths, scratch);
    }
    out.append(row_line);
    out.flush();
}

void RDB_TABLE_OBJECT::output_ascii_compact(std::ostream& os)
{
    update_table_info();
    output_ascii_table_header(os, 80);
    const std::vector<unsigned int>& widths = m_col_widths;
    std::vector<unsigned int> columns;
    std::vector<std::string> headings;
    std::size_t maxw = 0;
    for (unsigned int c = 0; c < widths.size(); ++c) {
        if (widths[c] == 0) continue;
        const std::string heading = get_data_string(0, c);
        maxw = std::max(maxw, heading.size());
        columns.push_back(c);
        headings.push_back(without_line_breaks(heading));
    }
    output_table_top_line(os, 80);
    const unsigned int row_count = RDB_TABLE_OBJECT::get_number_of_rows();
    TEXT_BUFFER out(os);
    for (unsigned int r = 1; r < row_count; ++r) {
        if (r > 1) out.append("\n");
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const int numchars = boost::numeric_cast<int>(maxw) - boost::numeric_cast<int>(headings[k].size());
            RDB_ASSERT(numchars >= 0);
            out.append(headings[k]);
            out.append(std::string(static_cast<std::size_t>(numchars), ' '));
            out.append(" : ");
            out.append(without_line_breaks(get_data_string(r, columns[k])));
            out.append("\n");
        }
    }
    out.flush();
    output_table_top_line(os, 80);
    os << "\n";
}

// ---- RDB_GRID_TABLE_OBJECT -----------------------------------------------------------------------

void RDB_GRID_TABLE_OBJECT::output_ascii(std::ostream& os)
{
    if (!get_header().empty()) os << get_header() << "\n";
    if (m_row_headers.empty() || m_column_headers.empty()) {
        os << get_name() << ": nothing to report\n";
    } else {
        // Widths are byte counts of lines.
        GRID_LAYOUT layout;
        layout.corner_top = m_column_label + "->";
        layout.corner_bottom = "v " + m_row_label;
        layout.widths.assign(m_column_headers.size() + 1, 0);
        layout.widths[0] = std::max(layout.corner_top.size(), layout.corner_bottom.size());
        for (const RDB_TABLE_ELEMENT* header : m_column_headers) {
            layout.column_headers.push_back(lines_of(header->get_string()));
            layout.widths[layout.column_headers.size()] = widest(layout.column_headers.back());
            layout.heading_height = std::max(layout.heading_height, layout.column_headers.back().size());
        }
        for (std::size_t r = 0; r < m_row_headers.size(); ++r) {
            layout.row_headers.push_back(lines_of(m_row_headers[r]->get_string()));
            layout.widths[0] = std::max(layout.widths[0], widest(layout.row_headers.back()));
            layout.cells.emplace_back();
            for (std::size_t c = 0; c < m_column_headers.size(); ++c) {
                layout.cells[r].push_back(lines_of(m_ruleset.get_full_string(*get_grid_entry(r, c))));
                layout.widths[c + 1] = std::max(layout.widths[c + 1], widest(layout.cells[r].back()));
            }
        }
        std::size_t inner = layout.widths[0] + 3 + layout.widths.size() - 2;
        for (std::size_t j = 1; j < layout.widths.size(); ++j)
            inner += layout.widths[j] + 2;
        // A title wider than the grid widens the last column.
        if (get_name().size() + 2 > inner) {
            layout.widths.back() += get_name().size() + 2 - inner;
            inner = get_name().size() + 2;
        }
        output_ascii_table_header(os, boost::numeric_cast<int>(inner));
        layout.write_separator(os);
        layout.write_heading(os);
        layout.write_separator(os);
        layout.write_rows(os);
        layout.write_separator(os);
    }
    if (!get_footer().empty()) os << get_footer() << "\n";
}

// ---- RDB_HISTOGRAM_TABLE_OBJECT ------------------------------------------------------------------

void RDB_HISTOGRAM_TABLE_OBJECT::output_ascii(std::ostream& os)
{
    const unsigned int row_count = get_number_of_rows();
    if (row_count == 0) {
        RDB_TEXT_OBJECT nothing("Nothing to report.");
        nothing.set_text(std::string());
        nothing.output_ascii(os);
        os << "\n";
        return;
    }
    // Bars are value * 50 / max in whole numbers, so the largest bin always gets the full 50.
    std::int64_t max_value = 1;
    for (unsigned int r = 1; r < row_count; ++r)
        max_value = std::max<std::int64_t>(max_value, get_value(r));
    // A scale of 0 cannot divide the bounds: it prints as 1.
    const unsigned int scale = m_x_scale == 0 ? 1 : m_x_scale;
    const int decimals = static_cast<int>(std::to_string(scale).size()) - 1;

    RDB_TABLE_OBJECT table(get_name());
    std::string bounds_heading = m_x_axis_label.empty() ? "Bin Boundary" : m_x_axis_label;
    if (!m_x_unit.empty()) bounds_heading += " (" + m_x_unit + ")";
    table.add_row(rdb_create_row({bounds_heading, m_y_axis_label.empty() ? "Value" : m_y_axis_label, "Histogram"}));
    for (unsigned int r = 1; r < row_count; ++r) {
        const int value = get_value(r);
        // A negative count draws no bar.
        const std::int64_t bar = std::max<std::int64_t>(0, value * BAR_LENGTH / max_value);
        table.add_row(rdb_create_row(
            {"[ " + bound_text(get_from(r), scale, decimals) + " , " + bound_text(get_to(r), scale, decimals) + " ]",
             std::to_string(value), std::string(static_cast<std::size_t>(bar), 'X')}));
    }
    table.RDB_TABLE_OBJECT::output_ascii(os);
    os << "\n";
}
