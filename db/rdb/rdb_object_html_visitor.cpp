// The browsable HTML form of a report: one panel file per object and the table of contents that opens
// them, the template expansion of the page and panel templates, and the HTML message lists.

#include "rdb_object_html_visitor.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "msg/msg.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_chart.h"
#include "rdb_escape.h"
#include "rdb_gauges.h"
#include "rdb_grid_table.h"
#include "rdb_histogram.h"
#include "rdb_html_write.h"
#include "rdb_message_gen.h"
#include "rdb_path.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_text.h"
#include "rdb_vocabulary.h"
#include "rdb_waveform_display.h"
#include "rdb_waveform_display_formatter.h"
#include "ver/ver.h"

namespace fs = std::filesystem;

namespace {

const char* const UNSUPPORTED_NOTICE = "HTML output is not currently supported for this panel.";
// The width of the waveform images of the HTML report (their height follows from their rows).
constexpr int WAVEFORM_IMAGE_WIDTH = 1400;

// The table-of-contents class of an object: its kind, and for a path whether it is violated.
std::string toc_class(RDB_OBJECT* object)
{
    switch (object->get_type()) {
    case RDB_FOLDER_TYPE:
        return object->dynamic_cast_to_RDB_PATH_FOLDER_OBJECT() != nullptr ? "rdb_path_type" : "rdb_closed_folder";
    case RDB_TEXT_TYPE:
        return "rdb_text_type";
    case RDB_TABLE_TYPE:
        return "rdb_table_type";
    case RDB_CHART_TYPE:
        return "rdb_chart_type";
    case RDB_EMBEDDED_TYPE: {
        const RDB_EMBEDDED_OBJECT* embedded = object->dynamic_cast_to_RDB_EMBEDDED_OBJECT();
        RDB_ASSERT_MSG(embedded != nullptr, "embedded_object != NULL");
        switch (embedded->get_embedded_type()) {
        case EMBEDDED_OBJECT_MESSAGES_TYPE:
        case EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE:
            return "rdb_messages_type";
        case EMBEDDED_OBJECT_PINOUT_TYPE:
            return "rdb_pin_type";
        case EMBEDDED_OBJECT_TEXT_EDITOR_TYPE:
            return "rdb_text_type";
        default:
            return "rdb_unknown_type";
        }
    }
    case RDB_SUMMARY_TABLE_TYPE:
        return "rdb_summary_table_type";
    case RDB_TCL_TABLE_TYPE:
        return "rdb_timing_table_type";
    case RDB_GRID_TABLE_TYPE:
        return "rdb_grid_table_type";
    case RDB_HISTOGRAM_TYPE:
        return "rdb_histogram_type";
    case RDB_PATH_TYPE: {
        const RDB_PATH_OBJECT* path = object->dynamic_cast_to_RDB_PATH_OBJECT();
        RDB_ASSERT_MSG(path != nullptr, "path_object != NULL");
        return path->path_is_violated() ? "rdb_path_type rdb_timing_violated" : "rdb_path_type";
    }
    case RDB_WAVEFORM_DISPLAY_TYPE:
        return "rdb_waveform_display_type";
    default:
        return "rdb_unknown_type";
    }
}

// A link target for a file named by a report (absolute, or relative to the project folder): relative to
// the panel folder, percent-encoded.
std::string relative_link(const std::string& file, const std::string& from_directory)
{
    std::error_code error;
    const fs::path named = fs::path(file).is_absolute() ? fs::path(file) : fs::path(gen_get_project_directory()) / file;
    const fs::path absolute = fs::absolute(named, error).lexically_normal();
    const fs::path relative = absolute.lexically_relative(fs::absolute(from_directory, error).lexically_normal());
    return rdb_url_encode_path(relative.empty() ? absolute.generic_string() : relative.generic_string());
}

} // namespace

// ---- Messages ------------------------------------------------------------------------------------

void RDB_HTML_OUTPUT_MESSAGES_FUNCTOR::operator()(const MSG_FILE_MESSAGE* post)
{
    RDB_ASSERT_MSG(post != nullptr, "msg != NULL");
    output(*post);
}

void RDB_HTML_OUTPUT_MESSAGES_FUNCTOR::output(const MSG_FILE_MESSAGE& message)
{
    if (message.is_suppressed() != m_suppressed) return;
    const char* type_class = "info_message";
    switch (message.type) {
    case MSG_FILE_MESSAGE_TYPE::ERROR:
        type_class = "error_message";
        break;
    case MSG_FILE_MESSAGE_TYPE::WARNING:
        type_class = "warning_message";
        break;
    case MSG_FILE_MESSAGE_TYPE::INFO:
        break;
    }
    m_os << "<li class=\"" << type_class << "\">" << rdb_html_escape(message.get_formatted_text());
    if (!message.sub_messages.empty()) {
        m_os << "<ul>";
        for (const MSG_FILE_MESSAGE& sub : message.sub_messages)
            output(sub);
        m_os << "</ul>";
    }
    m_os << "</li>";
}

namespace RDB::HTML {

std::vector<std::string> message_files(const RDB_EMBEDDED_OBJECT& embedded)
{
    std::vector<std::string> files;
    if (embedded.get_info_str() != RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES) {
        files.push_back(embedded.get_info_str());
    } else if (const RDB_FOLDER_OBJECT* main_folder = embedded.get_parent();
               main_folder != nullptr && main_folder->get_parent() == nullptr) {
        // The flow messages have no file of their own: they list every stage folder's message files.
        for (const RDB_OBJECT* child : *main_folder) {
            const RDB_FOLDER_OBJECT* stage = child != nullptr ? child->dynamic_cast_to_RDB_FOLDER_OBJECT() : nullptr;
            if (stage == nullptr) continue;
            for (const RDB_OBJECT* candidate : *stage) {
                const RDB_EMBEDDED_OBJECT* messages =
                    candidate != nullptr ? candidate->dynamic_cast_to_RDB_EMBEDDED_OBJECT() : nullptr;
                if (messages == nullptr || messages->get_embedded_type() != EMBEDDED_OBJECT_MESSAGES_TYPE) continue;
                files.push_back(messages->get_info_str());
                for (const std::string& file : messages->get_message_files())
                    files.push_back(file);
            }
        }
    }
    for (const std::string& file : embedded.get_message_files())
        files.push_back(file);
    return files;
}

void write_message_lists(std::ostream& os, const RDB_EMBEDDED_OBJECT& embedded)
{
    for (const std::string& file : message_files(embedded)) {
        const std::string path = RDB_EMBEDDED_OBJECT::get_message_file_path(file);
        msg_local_vdebug("RDB", 2, "Trying to read: %s", path.c_str());
        os << "<ul>";
        MSG_REPORT_FILE messages(path);
        RDB_HTML_OUTPUT_MESSAGES_FUNCTOR functor(os, false);
        if (!messages.read_messages(functor))
            os << "<li class=\"error_message\">" << rdb_html_escape(RDB_MESSAGE_GEN::unreadable_file_text(path))
               << "</li>";
        os << "</ul>";
    }
}

} // namespace RDB::HTML

// ---- Templates -----------------------------------------------------------------------------------

std::string rdb_htdocs_directory() { return fio_join(gen_get_common_data_fullpath(), "htdocs"); }

std::string rdb_read_html_template(const std::string& name)
{
    std::ifstream in(fio_join(rdb_htdocs_directory(), name), std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool rdb_expand_html_template(std::ostream& os, std::string_view template_text,
                              const std::function<void(std::ostream& os, std::string_view block)>& write_block)
{
    bool complete = true;
    std::size_t pos = 0;
    while (pos < template_text.size()) {
        const std::size_t open_pos = template_text.find("<%", pos);
        if (open_pos == std::string_view::npos) {
            os << template_text.substr(pos);
            break;
        }
        os << template_text.substr(pos, open_pos - pos);
        const std::size_t close_pos = template_text.find("%>", open_pos + 2);
        RDB_ASSERT_MSG(close_pos != std::string_view::npos, "close_pos != STL_STRING::npos");
        const std::string_view directive = template_text.substr(open_pos, close_pos + 2 - open_pos);
        pos = close_pos + 2;
        const std::size_t left = directive.find('(');
        const std::size_t right = directive.rfind(')');
        const std::string_view argument =
            left != std::string_view::npos && right != std::string_view::npos && right > left
                ? directive.substr(left + 1, right - left - 1)
                : std::string_view();
        if (directive.find("include") != std::string_view::npos) {
            // Only a file of the htdocs folder itself: an argument cannot reach outside it.
            std::string name(argument);
            name.erase(0, name.find_first_not_of(" \t"));
            name.erase(name.find_last_not_of(" \t") + 1);
            const bool plain_name = !name.empty() && name.find('/') == std::string::npos && name != "..";
            std::ifstream in(fio_join(rdb_htdocs_directory(), name), std::ios::binary);
            if (plain_name && in) {
                os << in.rdbuf();
            } else {
                msg_local_vdebug("RDB", 2, "Cannot read the template file %s", name.c_str());
                complete = false;
            }
        } else if (directive.find("block") != std::string_view::npos) {
            if (argument.find("title") != std::string_view::npos)
                write_block(os, "title");
            else if (argument.find("content") != std::string_view::npos)
                write_block(os, "content");
            else if (argument.find("dir") != std::string_view::npos)
                write_block(os, "dir");
            else
                os << directive;
        } else {
            os << directive;
        }
    }
    return complete;
}

// ---- The visitor ---------------------------------------------------------------------------------

RDB_OBJECT_HTML_VISITOR::RDB_OBJECT_HTML_VISITOR(std::ostream* toc, const std::string& output_directory,
                                                 bool /*deferred_messages*/)
    : m_toc(toc), m_output_directory(output_directory), m_panel_template(rdb_read_html_template("panel.html"))
{
    if (m_output_directory.empty() || m_output_directory.back() != '/') m_output_directory += '/';
}

RDB_OBJECT_HTML_VISITOR::~RDB_OBJECT_HTML_VISITOR() = default;

void RDB_OBJECT_HTML_VISITOR::output_panel(const std::string& title, const CONTENT_WRITER& content)
{
    const std::string file =
        m_output_directory + std::to_string(m_panel_counter) + "." + fio_get_extension(FIO_EXTENSION_TYPE_INFO::HTML);
    const std::string escaped_title = rdb_html_escape(title);
    const std::string escaped_directory = rdb_html_escape(m_output_directory);
    const FIO_WRITE_OUTCOME outcome = fio_write_stream_atomically(file, [&](std::ostream& os) {
        rdb_expand_html_template(os, m_panel_template, [&](std::ostream& out, std::string_view block) {
            if (block == "title")
                out << escaped_title;
            else if (block == "content")
                content(out);
            else
                out << escaped_directory;
        });
        return static_cast<bool>(os);
    });
    if (!outcome.written()) {
        ++m_failed_panels;
        msg_local_vdebug("RDB", 2, "Cannot write the panel file %s: %s", file.c_str(), outcome.reason.c_str());
    }
    ++m_panel_counter;
}

void RDB_OBJECT_HTML_VISITOR::output_text_panel(const std::string& title, const std::string& text)
{
    output_panel(title, [&](std::ostream& os) { os << text; });
}

void RDB_OBJECT_HTML_VISITOR::output_unsupported_panel(RDB_OBJECT* object)
{
    output_text_panel(object->get_name(),
                      std::string("<div class=\"rdb_unsupported\">") + UNSUPPORTED_NOTICE + "</div>");
}

void RDB_OBJECT_HTML_VISITOR::output_child_list(RDB_OBJECT_LIST::const_iterator begin,
                                                RDB_OBJECT_LIST::const_iterator end)
{
    *m_toc << "<ul>";
    for (auto it = begin; it != end; ++it) {
        RDB_OBJECT* child = *it;
        RDB_ASSERT_MSG(child != nullptr, "object != NULL");
        if (!child->is_visible()) continue;
        *m_toc << "<li class=\"" << toc_class(child) << "\"><span class=\"toc_entry\" id=\"toc_" << m_panel_counter
               << "\">" << rdb_html_escape(child->get_name()) << "</span>";
        child->accept_visitor(this);
        *m_toc << "</li>";
    }
    *m_toc << "</ul>";
}

void RDB_OBJECT_HTML_VISITOR::output_folder(RDB_FOLDER_OBJECT* folder, bool shown)
{
    output_text_panel(folder->get_name(), "Click on an entry below this folder.");
    const void* list = folder->get_object_list();
    if (list != nullptr && !m_walking.insert(list).second) {
        // A link back into a folder being listed would repeat it without end.
        msg_local_vdebug("RDB", 2, "Folder %s leads back into a folder being written: its objects are left out",
                         folder->get_path().c_str());
        return;
    }
    if (!shown) *m_toc << "<div style=\"display:none\">";
    output_child_list(folder->begin_object_const_iter(), folder->end_object_const_iter());
    if (!shown) *m_toc << "</div>";
    if (list != nullptr) m_walking.erase(list);
}

void RDB_OBJECT_HTML_VISITOR::output_table_panel(RDB_TABLE_OBJECT* table)
{
    output_panel(table->get_name(),
                 [&](std::ostream& os) { RDB::HTML::write_table(os, *table, RDB::HTML::TABLE_FORM::PANEL); });
}

// Every visit writes exactly one panel, so that entry "toc_<n>" always opens the panel of its object.
void RDB_OBJECT_HTML_VISITOR::visit_object(RDB_OBJECT* object) { output_unsupported_panel(object); }

void RDB_OBJECT_HTML_VISITOR::visit_folder(RDB_FOLDER_OBJECT* folder) { output_folder(folder, false); }

void RDB_OBJECT_HTML_VISITOR::visit_link_rpt(RDB_LINK_RPT_OBJECT* link) { output_folder(link, false); }

void RDB_OBJECT_HTML_VISITOR::visit_path_folder(RDB_PATH_FOLDER_OBJECT* folder) { output_folder(folder, true); }

void RDB_OBJECT_HTML_VISITOR::visit_text(RDB_TEXT_OBJECT* text)
{
    const std::string* content = text->get_text();
    if (content == nullptr)
        output_text_panel(text->get_name(), std::string());
    else if (text->is_html() || text->is_webkit_html())
        output_text_panel(text->get_name(), *content); // a text written as HTML by its producer
    else
        output_text_panel(text->get_name(), "<div class=\"rdb_text\">" + rdb_html_escape(*content) + "</div>");
}

void RDB_OBJECT_HTML_VISITOR::visit_legal(RDB_LEGAL_OBJECT* legal) { visit_text(legal); }

void RDB_OBJECT_HTML_VISITOR::visit_interactive_report(RDB_INTERACTIVE_REPORT_DATA_OBJECT* data)
{
    output_text_panel(data->get_name(),
                      "<div class=\"rdb_interactive_report\">This report is unavailable in html report export.</div>");
}

void RDB_OBJECT_HTML_VISITOR::visit_table(RDB_TABLE_OBJECT* table) { output_table_panel(table); }
void RDB_OBJECT_HTML_VISITOR::visit_new_table(RDB_NEW_TABLE_OBJECT* table) { output_table_panel(table); }
void RDB_OBJECT_HTML_VISITOR::visit_tcl_table(RDB_TCL_TABLE_OBJECT* table) { output_table_panel(table); }
void RDB_OBJECT_HTML_VISITOR::visit_link_table(RDB_LINK_TABLE_OBJECT* table) { output_table_panel(table); }
void RDB_OBJECT_HTML_VISITOR::visit_chart(RDB_CHART_TABLE_OBJECT* chart) { output_table_panel(chart); }

void RDB_OBJECT_HTML_VISITOR::visit_grid_table(RDB_GRID_TABLE_OBJECT* grid)
{
    output_panel(grid->get_name(), [&](std::ostream& os) { grid->output_html(os); });
}

void RDB_OBJECT_HTML_VISITOR::visit_summary_table(RDB_SUMMARY_TABLE_OBJECT* table)
{
    output_panel(table->get_name(), [&](std::ostream& os) { table->output_html(os); });
}

void RDB_OBJECT_HTML_VISITOR::visit_histogram(RDB_HISTOGRAM_TABLE_OBJECT* histogram)
{
    output_panel(histogram->get_name(), [&](std::ostream& os) { histogram->output_html(os); });
}

void RDB_OBJECT_HTML_VISITOR::visit_embedded(RDB_EMBEDDED_OBJECT* embedded)
{
    const std::string& name = embedded->get_name();
    const std::string info = embedded->get_info_str();
    auto link_panel = [&](const std::string& file) {
        output_text_panel(name, "<a href=\"" + relative_link(file, m_output_directory) + "\">" + rdb_html_escape(name) +
                                    "</a><BR>\n");
    };
    switch (embedded->get_embedded_type()) {
    case EMBEDDED_OBJECT_MESSAGES_TYPE:
        output_panel(name, [&](std::ostream& os) {
            os << "<div class=\"messages\">\n";
            RDB::HTML::write_message_lists(os, *embedded);
            os << "</div>\n";
        });
        break;
    case EMBEDDED_OBJECT_EQUATION_TYPE:
        link_panel(info + "." + fio_get_extension(FIO_EXTENSION_TYPE_INFO::HTML));
        break;
    case EMBEDDED_OBJECT_PINOUT_TYPE:
    case EMBEDDED_OBJECT_TEXT_EDITOR_TYPE:
        link_panel(info);
        break;
    case EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE:
        if (info == RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES)
            output_text_panel(name, "Please use " + rdb_html_escape(ver_get_pellam_product_name()) +
                                        " to view the suppressed messages.");
        else
            link_panel(rdb_get_suppressed_message_file_path(info));
        break;
    default:
        output_unsupported_panel(embedded);
        break;
    }
}

void RDB_OBJECT_HTML_VISITOR::visit_memory(RDB_MEMORY_OBJECT* memory)
{
    output_panel(memory->get_name(), [](std::ostream& os) {
        RDB::HTML::write_unavailable_notice(os, RDB::HTML::UNAVAILABLE_KIND::MEMORY);
    });
}

void RDB_OBJECT_HTML_VISITOR::visit_gauges(RDB_GAUGES_OBJECT* gauges) { output_unsupported_panel(gauges); }

// The diagram goes beside the panel being written, under its number (<n>.gif next to <n>.html), so that
// a panel keeps one number however many files it needs.
void RDB_OBJECT_HTML_VISITOR::output_waveform_image(std::ostream& os, RDB_WAVEFORM_DISPLAY_OBJECT* waveform)
{
    const std::string image = std::to_string(m_panel_counter) + ".gif";
    RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
    formatter.set_size(WAVEFORM_IMAGE_WIDTH, 0);
    if (formatter.load_rdb_waveform(waveform) && formatter.write_gif(m_output_directory + image)) {
        os << "<img src=\"" << image << "\" alt=\"" << rdb_html_escape(waveform->get_name()) << "\">";
        return;
    }
    msg_local_vdebug("RDB", 2, "Cannot write the waveform image %s%s", m_output_directory.c_str(), image.c_str());
    RDB::HTML::write_unavailable_notice(os, RDB::HTML::UNAVAILABLE_KIND::WAVEFORM);
}

void RDB_OBJECT_HTML_VISITOR::visit_waveform_display(RDB_WAVEFORM_DISPLAY_OBJECT* waveform)
{
    output_panel(waveform->get_name(), [&](std::ostream& os) { output_waveform_image(os, waveform); });
}

void RDB_OBJECT_HTML_VISITOR::visit_path(RDB_PATH_OBJECT* path)
{
    output_panel(path->get_name(), [&](std::ostream& os) {
        RDB_OBJECT* const parts[] = {path->get_summary_table(),       path->get_path_stats_table(),
                                     path->get_extra_info_table(),    path->get_data_arrival_table(),
                                     path->get_data_required_table(), path->get_idb_text()};
        for (RDB_OBJECT* part : parts) {
            if (part == nullptr) continue;
            os << "\n<br><br><b><u>" << rdb_html_escape(part->get_name()) << "</u></b><br>";
            part->output_html(os);
        }
        if (path->get_waveform() != nullptr) {
            os << "\n<br><br>";
            output_waveform_image(os, path->get_waveform());
        }
    });
}
