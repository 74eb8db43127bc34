// The HTML fragments of the report objects other than tables, and the HTML forms of the table cells (and
// the SVG form of the data-valid window). Every name and text is escaped on its way into the page.

#include <cstdint>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>

#include <fmt/format.h>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_ascii_layout.h"
#include "rdb_embedded.h"
#include "rdb_escape.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_html_write.h"
#include "rdb_message_gen.h"
#include "rdb_object.h"
#include "rdb_path.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_vocabulary.h"
#include "rdb_waveform_display.h"
#include "ver/ver.h"

// ---- Report objects ------------------------------------------------------------------------------

void RDB_OBJECT::output_html(std::ostream&) {}

void RDB_FOLDER_OBJECT::output_html(std::ostream& os)
{
    for (RDB_OBJECT* child : *this) {
        RDB_ASSERT_MSG(child != nullptr, "object != NULL");
        os << "<P>\n<B><U>" << rdb_html_escape(child->get_name()) << "</U></B><BR>\n";
        child->output_html(os);
        os << "</P>\n";
    }
}

// A text is preformatted whatever its flags; a plain text is escaped, so that it never becomes markup,
// while a text its producer wrote as HTML is kept.
void RDB_TEXT_OBJECT::output_html(std::ostream& os)
{
    if (m_text == nullptr) return;
    os << "<PRE>" << (m_is_html || m_is_webkit_html ? *m_text : rdb_html_escape(*m_text)) << "</PRE>\n\n";
}

void RDB_INTERACTIVE_REPORT_DATA_OBJECT::output_html(std::ostream& os)
{
    os << "<PRE>"
       << "This report is unavailable in html report export."
       << "</PRE>\n\n";
}

void RDB_GAUGES_OBJECT::output_html(std::ostream& os)
{
    std::ostringstream text;
    output_ascii(text);
    os << "<PRE>\n" << rdb_html_escape(text.str()) << "</PRE>\n";
}

void RDB_PATH_OBJECT::output_html(std::ostream& os)
{
    RDB_OBJECT* const parts[] = {m_summary,
                                 m_optimizations_analyzed_table,
                                 m_recommendations_table,
                                 m_critical_chain_table,
                                 m_path_stats,
                                 m_extra_info,
                                 m_data_arrival_path,
                                 m_data_required_path,
                                 m_idb_text};
    for (RDB_OBJECT* part : parts) {
        if (part == nullptr) continue;
        os << "\n<br><br><b><u>" << rdb_html_escape(part->get_name()) << "</u></b><br>";
        part->output_html(os);
    }
}

void RDB_EMBEDDED_OBJECT::output_html(std::ostream& os)
{
    // A link to a file beside the report: the path is percent-encoded, so that it stays one URL.
    auto link = [&](const std::string& path) {
        os << "<a href=\"file:///" << rdb_url_encode_path(path) << "\">" << rdb_html_escape(get_name()) << "</a><BR>\n";
    };
    switch (m_embedded_type) {
    case EMBEDDED_OBJECT_WAVEFORM_TYPE:
        RDB::HTML::write_unavailable_notice(os, RDB::HTML::UNAVAILABLE_KIND::WAVEFORM);
        break;
    case EMBEDDED_OBJECT_MEMORY_TYPE:
        RDB::HTML::write_unavailable_notice(os, RDB::HTML::UNAVAILABLE_KIND::MEMORY);
        break;
    case EMBEDDED_OBJECT_HIERARCHY_TYPE: {
        std::ostringstream tree;
        output_hierarchy(tree);
        if (!tree.str().empty()) os << "<PRE>\n" << rdb_html_escape(tree.str()) << "</PRE>\n";
        break;
    }
    case EMBEDDED_OBJECT_MESSAGES_TYPE: {
        // Listed in place, escaped: no message session resolves reference blocks inside a page.
        if (!RDB::ASCII::switches().messages_in_report) {
            os << "Messages disabled by INI rdb_no_msgs_in_report=on\n";
            break;
        }
        std::ostringstream listing;
        if (m_info_str != RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES)
            output_message_file(listing, get_message_file_path(m_info_str), false);
        for (const std::string& file : m_message_files)
            output_message_file(listing, get_message_file_path(file), false);
        os << "<PRE>\n" << rdb_html_escape(listing.str()) << "</PRE>\n";
        break;
    }
    case EMBEDDED_OBJECT_EQUATION_TYPE:
        link(m_info_str + "." + fio_get_extension(FIO_EXTENSION_TYPE_INFO::HTML));
        break;
    case EMBEDDED_OBJECT_PINOUT_TYPE:
    case EMBEDDED_OBJECT_TEXT_EDITOR_TYPE:
        link(m_info_str);
        break;
    case EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE:
        if (m_info_str != RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES &&
            rdb_generate_suppressed_message_file(m_info_str.c_str(), false))
            link(rdb_get_suppressed_message_file_path(m_info_str));
        break;
    case EMBEDDED_OBJECT_NO_EMBEDDED_TYPE:
    case EMBEDDED_OBJECT_TIMING_ANALYSIS_TYPE:
        break;
    }
}

void RDB_WAVEFORM_DISPLAY_OBJECT::output_html(std::ostream&)
{
    msg_local_vdebug("RDB", 2,
                     "WARNING: RDB_WAVEFORM_DISPLAY_OBJECT does not yet grok output_html() [My eyes! The goggles do "
                     "nothing for them!]");
}

namespace RDB::HTML {

void write_unavailable_notice(std::ostream& os, UNAVAILABLE_KIND kind)
{
    const bool waveform = kind == UNAVAILABLE_KIND::WAVEFORM;
    os << (waveform ? "Waveform" : "Memory") << " report data cannot be output to HTML.<BR>\n"
       << "Please use " << rdb_html_escape(ver_get_pellam_product_name()) << " to view the "
       << (waveform ? "waveform" : "memory") << " report data.\n";
}

} // namespace RDB::HTML

// ---- Table cells ---------------------------------------------------------------------------------

namespace {

const char* const SVG_OPENING = "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" ";
const char* const COLOR_DISABLED = "#c0c0c0";
const char* const COLOR_INVALID = "#dd180f";
const char* const COLOR_VALID = "#24dd0f";

void append_html_cell(std::string& out, std::int64_t width_percent, const char* color)
{
    fmt::format_to(std::back_inserter(out), "<td style=\"width:{}%;background-color:{}\">&nbsp;</td>", width_percent,
                   color);
}

void append_svg_view_box(std::string& out, std::int64_t x, int y, std::int64_t width, int height)
{
    fmt::format_to(std::back_inserter(out), "viewBox=\"{} {} {} {}\">", x, y, width, height);
}

void append_svg_rect(std::string& out, std::int64_t x, std::int64_t width, const char* color)
{
    fmt::format_to(std::back_inserter(out), "<rect x=\"{}\" y=\"0\" width=\"{}\" height=\"10\" style=\"fill:{}\"/>", x,
                   width, color);
}

void append_svg_line(std::string& out, std::int64_t x1, std::int64_t x2, int y2, int stroke_width)
{
    fmt::format_to(std::back_inserter(out),
                   "<line x1=\"{}\" y1=\"0\" x2=\"{}\" y2=\"{}\" style=\"stroke:black;stroke-width:{}\" "
                   "vector-effect=\"non-scaling-stroke\"/>",
                   x1, x2, y2, stroke_width);
}

// A scale label: transform stretches the text back by the horizontal scale of the viewBox; anchor is
// empty or a text-anchor attribute with its leading blank.
void append_svg_label(std::string& out, const std::string& transform, const char* anchor, int value)
{
    fmt::format_to(std::back_inserter(out),
                   "<text transform=\"{}\" x=\"0\" y=\"-2\"{} style=\"font-family:Arial\">{}</text>", transform, anchor,
                   value);
}

} // namespace

std::string RDB_TABLE_ELEMENT::get_html() const { return rdb_text_to_html(get_string(), false); }

void RDB_TABLE_ELEMENT::append_html(std::string& out) const { out += get_html(); }

void RDB_TABLE_STRING_ELEMENT::append_html(std::string& out) const
{
    rdb_append_text_to_html(out, get_c_string(), false);
}

std::string RDB_TABLE_ELEMENT::get_svg() const { return std::string(); }

std::string RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::get_html() const
{
    // Widths are computed in 64 bits: the differences of two 32-bit bounds, times 100, do not fit 32.
    const std::int64_t window_min = m_window_min;
    const std::int64_t valid_min = m_valid_min;
    const std::int64_t valid_max = m_valid_max;
    const std::int64_t window_max = m_window_max;
    const std::int64_t span = window_max - window_min;

    std::string out = "<table style=\"width:300px;border-spacing:0px\"><tr>";
    if (m_disabled || span <= 0) {
        append_html_cell(out, 100, COLOR_DISABLED);
    } else {
        append_html_cell(out, (valid_min - window_min) * 100 / span, COLOR_INVALID);
        append_html_cell(out, (-valid_min) * 100 / span, COLOR_VALID);
        out += "<td style=\"width:2px;background-color:black\">&nbsp;</td>";
        append_html_cell(out, valid_max * 100 / span, COLOR_VALID);
        append_html_cell(out, (window_max - valid_max) * 100 / span, COLOR_INVALID);
    }
    out += "</tr></table>";
    return out;
}

std::string RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::get_svg() const
{
    std::string out = SVG_OPENING;
    auto append_disabled = [&out] {
        append_svg_view_box(out, -150, 0, 300, 10);
        append_svg_rect(out, -150, 300, COLOR_DISABLED);
        out += "</svg>";
    };
    if (m_disabled) {
        append_disabled();
        return out;
    }
    RDB_ASSERT(m_window_min <= m_valid_min);
    RDB_ASSERT(m_valid_min <= 0);
    RDB_ASSERT(0 <= m_valid_max);
    RDB_ASSERT(m_valid_max <= m_window_max);

    const std::int64_t window_min = m_window_min;
    const std::int64_t valid_min = m_valid_min;
    const std::int64_t valid_max = m_valid_max;
    const std::int64_t window_max = m_window_max;
    const std::int64_t span = window_max - window_min;
    // A window of no width would give a viewBox of no width, which viewers refuse to draw.
    if (span == 0) {
        append_disabled();
        return out;
    }

    if (!m_is_scale) {
        append_svg_view_box(out, window_min, 0, span, 10);
        append_svg_rect(out, window_min, valid_min - window_min, COLOR_INVALID);
        append_svg_rect(out, valid_min, -valid_min, COLOR_VALID);
        append_svg_rect(out, 0, valid_max, COLOR_VALID);
        append_svg_rect(out, valid_max, window_max - valid_max, COLOR_INVALID);
        append_svg_line(out, 0, 0, 10, 2);
    } else {
        // The labels are stretched back by the horizontal scale of the viewBox, written with six decimals.
        const std::string scale = "scale(" + rdb_format_fixed(static_cast<double>(span) / 300.0, 6) + ",1)";
        auto translated = [&scale](int x) { return fmt::format("translate({},0) {}", x, scale); };
        append_svg_view_box(out, window_min, -10, span, 13);
        append_svg_line(out, window_min, window_max, 0, 1);
        for (std::int64_t x : {window_min, window_max, valid_min, valid_max})
            append_svg_line(out, x, x, 3, 1);
        append_svg_line(out, 0, 0, 3, 1);
        append_svg_label(out, translated(m_window_min), "", m_window_min);
        append_svg_label(out, translated(m_window_max), " text-anchor=\"end\"", m_window_max);
        for (int x : {m_valid_min, m_valid_max})
            append_svg_label(out, translated(x), " text-anchor=\"middle\"", x);
        append_svg_label(out, scale, " text-anchor=\"middle\"", 0);
    }
    out += "</svg>";
    return out;
}
