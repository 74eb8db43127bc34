// The HTML forms of the tables: plain tables of every kind (also when converted to SQLite), summary
// tables, grid tables and histograms, as fragments and as the visitor's table panels.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "msg/msg.h"
#include "rdb_escape.h"
#include "rdb_grid_table.h"
#include "rdb_histogram.h"
#include "rdb_html_write.h"
#include "rdb_table_sys.h"
#include "rdb_table_to_sqlite.h"
#include "rdb_text.h"
#include "rdb_utility.h"

namespace RDB::HTML {

std::string color_text(RDB_COLOR_NAME color)
{
    if (color == RDB_COLOR_DEFAULT || color == RDB_COLOR_UNKNOWN) return {};
    const unsigned int rgb = rdb_get_rgb_value_by_name(color);
    if (rgb == RDB_RGB_DEFAULT_COLOR) return {};
    return "#" + rdb_get_string_color(rgb);
}

void write_table(std::ostream& os, const RDB_TABLE_OBJECT& table, TABLE_FORM form)
{
    const bool panel = form == TABLE_FORM::PANEL;
    const unsigned int col_count = table.get_number_of_columns();
    std::vector<unsigned int> shown;
    for (unsigned int c = 0; c < col_count; ++c)
        if (!table.is_column_hidden(static_cast<int>(c))) shown.push_back(c);
    // The fragment's header row keeps its classic grey; panels use the palette's gray 75.
    const std::string header_color = panel ? color_text(RDB_COLOR_GRAY75) : "#C0C0C0";
    const std::string odd_color = color_text(RDB_COLOR_WHITE);
    const std::string even_color = color_text(RDB_COLOR_GRAY93);
    const bool alternating = panel && table.use_alternating_row_colors();

    // Rows are built in one buffer and written in large pieces: a panel can hold millions of cells.
    std::string out = "<TABLE>\n";
    std::string text;
    rdb_for_each_table_row(table, [&](unsigned int r, const RDB_TABLE_ROW* row) {
        const bool header = r == 0;
        if (panel) out += header ? "<thead>" : "<tbody>";
        out += "<TR ";
        const std::string* row_color = nullptr;
        if (header)
            row_color = &header_color;
        else if (alternating)
            row_color = r % 2 == 1 ? &odd_color : &even_color;
        if (row_color != nullptr) out += " bgcolor=\"" + *row_color + "\"";
        out += ">\n";
        for (unsigned int c : shown) {
            const RDB_TABLE_ELEMENT* element = row != nullptr && c < row->size() ? (*row)[c] : nullptr;
            out += header ? "<TH" : "<TD ";
            if (element != nullptr) {
                const std::string background = color_text(element->get_background());
                if (!background.empty()) out += " bgcolor=\"" + background + "\"";
                const std::string foreground = color_text(element->get_foreground());
                if (!foreground.empty()) out += " style=\"color: " + foreground + "\"";
            }
            out += '>';
            if (panel && element != nullptr) {
                element->append_html(out);
            } else {
                if (element != nullptr)
                    text = element->get_string();
                else
                    table.get_data_string(r, c, text);
                rdb_append_text_to_html(out, text, false);
            }
            out += header ? "</TH>\n" : "</TD>\n";
        }
        out += "</TR>\n";
        if (panel) out += header ? "</thead>" : "</tbody>";
        if (out.size() >= 1 << 16) {
            os.write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
        }
    });
    out += "</TABLE>\n";
    os.write(out.data(), static_cast<std::streamsize>(out.size()));
}

std::unique_ptr<RDB_OBJECT> histogram_object(const RDB_HISTOGRAM_TABLE_OBJECT& histogram)
{
    const unsigned int row_count = histogram.get_number_of_rows();
    if (row_count == 0) {
        auto nothing = std::make_unique<RDB_TEXT_OBJECT>("Nothing to report.");
        nothing->set_text(std::string());
        return nothing;
    }
    // A scale of 0 cannot divide: it counts as 1, as in the text form.
    const unsigned int scale = histogram.get_x_scale() == 0 ? 1 : histogram.get_x_scale();
    const int decimals = static_cast<int>(std::to_string(scale).size()) - 1;
    auto bound = [&](int value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value) / scale);
        return std::string(text);
    };
    auto table = std::make_unique<RDB_TABLE_OBJECT>(histogram.get_name());
    std::string bounds_heading = histogram.get_x_axis_label().empty() ? "Bin Boundary" : histogram.get_x_axis_label();
    if (!histogram.get_x_unit().empty()) bounds_heading += " (" + histogram.get_x_unit() + ")";
    const std::string& value_heading = histogram.get_y_axis_label();
    table->add_row(rdb_create_row({bounds_heading, value_heading.empty() ? "Value" : value_heading, "Histogram"}));
    static const std::string FULL_BLOCK = "\xE2\x96\x88"; // U+2588
    for (unsigned int r = 1; r < row_count; ++r) {
        const int value = histogram.get_value(r);
        // A negative count draws no bar.
        const std::int64_t bar = std::max<std::int64_t>(0, value / static_cast<std::int64_t>(scale));
        std::string bar_text;
        bar_text.reserve(static_cast<std::size_t>(bar) * FULL_BLOCK.size());
        for (std::int64_t i = 0; i < bar; ++i)
            bar_text += FULL_BLOCK;
        RDB_TABLE_ROW* row =
            rdb_create_row({"[ " + bound(histogram.get_from(r)) + " , " + bound(histogram.get_to(r)) + " ]",
                            std::to_string(value), bar_text});
        (*row)[2]->set_foreground(histogram.get_color(r));
        table->add_row(row);
    }
    return table;
}

} // namespace RDB::HTML

using RDB::HTML::color_text;

void RDB_TABLE_OBJECT::output_html(std::ostream& os)
{
    RDB::HTML::write_table(os, *this, RDB::HTML::TABLE_FORM::FRAGMENT);
}

void RDB_SUMMARY_TABLE_OBJECT::output_html(std::ostream& os)
{
    os << "<TABLE class=\"report_summary_table\">";
    for_each_data_row([&](const std::vector<std::string>& texts) {
        os << "<tr>";
        for (const std::string& text : texts)
            os << "<td>" << rdb_html_escape(text) << "</td>";
        os << "</tr>";
    });
    os << "</TABLE>";
}

void RDB_HISTOGRAM_TABLE_OBJECT::output_html(std::ostream& os)
{
    std::unique_ptr<RDB_OBJECT> shown = RDB::HTML::histogram_object(*this);
    RDB_ASSERT_MSG(shown != nullptr, "report_obj != NULL");
    shown->output_html(os);
}

void RDB_GRID_TABLE_OBJECT::output_html(std::ostream& os)
{
    if (!get_header().empty()) os << rdb_text_to_html(get_header(), true) << "<BR>\n";
    os << "<TABLE>\n<STYLE>\nTH, TD { white-space: nowrap; padding: 5px }\nTD { border-color: grey";
    if (using_monospace_font()) os << "; font-family: monospace";
    os << " } \nTH { background-color: #C0C0C0; font-weight: bold }\nTBODY TH, TD { vertical-align: middle }\n"
          "TBODY TH { text-align: left }\n</STYLE>\n<THEAD>\n";
    os << "<TR>\n<TH>\n<DIV style=\"text-align: right\">" << rdb_html_escape(m_column_label) << "&#x25ba;</DIV>\n"
       << "<DIV style=\"text-align: left\">&#x25bc;" << rdb_html_escape(m_row_label) << "</DIV>\n</TH>\n";
    for (const RDB_TABLE_ELEMENT* header : m_column_headers)
        os << "<TH>" << rdb_text_to_html(header != nullptr ? header->get_string() : std::string(), true) << "</TH>\n";
    os << "</TR>\n</THEAD>\n<TBODY>\n";
    for (std::size_t r = 0; r < m_row_headers.size(); ++r) {
        const RDB_TABLE_ELEMENT* header = m_row_headers[r];
        os << "<TR>\n<TH>" << rdb_text_to_html(header != nullptr ? header->get_string() : std::string(), false)
           << "</TH>\n";
        for (std::size_t c = 0; c < m_column_headers.size(); ++c) {
            const RDB_GRID_TABLE_MERGEABLE_ELEMENT* entry = get_grid_entry(r, c);
            std::string style;
            std::string text;
            if (entry != nullptr) {
                const std::uint32_t legend = m_ruleset.get_legend_id(*entry);
                const std::string background = color_text(m_ruleset.get_legend_background(legend));
                const std::string foreground = color_text(m_ruleset.get_legend_foreground(legend));
                if (!background.empty()) style += "background-color: " + background;
                if (!foreground.empty()) style += (style.empty() ? "" : "; ") + ("color: " + foreground);
                text = m_ruleset.get_full_string(*entry);
            }
            os << "<TD";
            if (!style.empty()) os << " style=\"" << style << "\"";
            os << ">" << rdb_text_to_html(text, false) << "</TD>\n";
        }
        os << "</TR>\n";
    }
    os << "</TBODY>\n</TABLE>\n";
    if (!get_footer().empty()) os << rdb_text_to_html(get_footer(), true) << "<BR>\n";
}
