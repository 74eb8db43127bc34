// The Qt Quick form of a report: the table-of-contents entries, one component file per object, the
// waveform images, and the message list elements.

#include "rdb_object_qml_visitor.h"

#include <cctype>
#include <ostream>
#include <vector>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_chart.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_escape.h"
#include "rdb_gauges.h"
#include "rdb_grid_table.h"
#include "rdb_histogram.h"
#include "rdb_path.h"
#include "rdb_qml_write.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_text.h"
#include "rdb_waveform_display.h"
#include "rdb_waveform_display_formatter.h"
#include "ver/ver.h"

namespace {

// The size the waveform formatter is given for the QML report (only the width is used).
constexpr int WAVEFORM_IMAGE_WIDTH = 1400;
constexpr int WAVEFORM_IMAGE_HEIGHT = 1200;

// The table-of-contents icon of an object, in the files folder.
const char* icon(RDB_OBJECT* object)
{
    switch (object->get_type()) {
    case RDB_FOLDER_TYPE:
        return "img/mirel_closed_folder.png";
    case RDB_TABLE_TYPE:
    case RDB_LINK_TABLE_TYPE:
        return "img/mirel_table.png";
    case RDB_CHART_TYPE:
        return "img/mirel_bar_chart.png";
    case RDB_SUMMARY_TABLE_TYPE:
        return "img/mirel_summary_table.png";
    case RDB_TCL_TABLE_TYPE:
        return "img/mirel_timing_table.png";
    case RDB_GRID_TABLE_TYPE:
        return "img/mirel_grid_table.png";
    case RDB_HISTOGRAM_TYPE:
        return "img/mirel_histogram.png";
    case RDB_PATH_TYPE:
        return "img/mirel_report_path.png";
    case RDB_WAVEFORM_DISPLAY_TYPE:
        return "img/mirel_waveform.png";
    case RDB_TEXT_TYPE:
        return "img/mirel_generic_file.png";
    case RDB_EMBEDDED_TYPE: {
        const RDB_EMBEDDED_OBJECT* embedded = object->dynamic_cast_to_RDB_EMBEDDED_OBJECT();
        RDB_ASSERT_MSG(embedded != nullptr, "embedded_object != NULL");
        switch (embedded->get_embedded_type()) {
        case EMBEDDED_OBJECT_PINOUT_TYPE:
            return "img/mirel_input_small.png";
        case EMBEDDED_OBJECT_MESSAGES_TYPE:
            return "img/mirel_msg_info.png";
        default:
            return "img/mirel_generic_file.png";
        }
    }
    default:
        return "img/mirel_question_mark.png";
    }
}

// Letters, digits, '_' and '-' only: a name that is safe as a file name and in a URL as it is.
bool is_plain_name(const std::string& name)
{
    if (name.empty() || name.size() > 100) return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '_' && c != '-') return false;
    return true;
}

std::string lower_case(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

// ---- Messages ------------------------------------------------------------------------------------

void RDB_QML_OUPUT_MESSAGES_FUNCTOR::operator()(const MSG_FILE_MESSAGE* post)
{
    RDB_ASSERT_MSG(post != nullptr, "msg != NULL");
    if (post->is_suppressed() != m_suppressed) return;
    switch (post->type) {
    case MSG_FILE_MESSAGE_TYPE::INFO:
        ++m_infos;
        break;
    case MSG_FILE_MESSAGE_TYPE::WARNING:
        ++m_warnings;
        break;
    case MSG_FILE_MESSAGE_TYPE::ERROR:
        ++m_errors;
        break;
    }
    output(*post, 0);
}

unsigned int RDB_QML_OUPUT_MESSAGES_FUNCTOR::get_count(MSG_FILE_MESSAGE_TYPE type) const
{
    switch (type) {
    case MSG_FILE_MESSAGE_TYPE::INFO:
        return m_infos;
    case MSG_FILE_MESSAGE_TYPE::WARNING:
        return m_warnings;
    case MSG_FILE_MESSAGE_TYPE::ERROR:
        return m_errors;
    }
    return 0;
}

void RDB_QML_OUPUT_MESSAGES_FUNCTOR::output(const MSG_FILE_MESSAGE& message, int level)
{
    const char* type = "info_message";
    if (message.type == MSG_FILE_MESSAGE_TYPE::WARNING)
        type = "warning_message";
    else if (message.type == MSG_FILE_MESSAGE_TYPE::ERROR)
        type = "error_message";
    else if (level > 0)
        type = "extra_info_message";
    std::vector<const MSG_FILE_MESSAGE*> subs;
    for (const MSG_FILE_MESSAGE& sub : message.sub_messages)
        if (sub.is_suppressed() == m_suppressed) subs.push_back(&sub);
    m_os << "        ListElement {\n            type: \"" << type
         << "\"\n            messageText: " << rdb_js_string_literal(message.get_formatted_text())
         << "\n            tabLevel: " << level << "\n            visibility: " << (level == 0 ? "true" : "false")
         << "\n            subMessageVisibility: false\n            textColor: ''\n            containsSubMessages: "
         << (subs.empty() ? "false" : "true") << "\n        }\n";
    for (const MSG_FILE_MESSAGE* sub : subs)
        output(*sub, level + 1);
}

// ---- The visitor ---------------------------------------------------------------------------------

RDB_OBJECT_QML_VISITOR::RDB_OBJECT_QML_VISITOR(std::ostream* toc, const std::string& files_directory,
                                               bool deferred_messages, const std::string& title)
    : m_toc(toc), m_files_directory(files_directory), m_deferred_messages(deferred_messages), m_title(title)
{
    RDB_ASSERT_MSG(toc != nullptr, "toc != NULL");
    if (m_files_directory.empty() || m_files_directory.back() != '/') m_files_directory += '/';
}

RDB_OBJECT_QML_VISITOR::~RDB_OBJECT_QML_VISITOR() = default;

std::string RDB_OBJECT_QML_VISITOR::next_component(const char* base)
{
    return base + std::to_string(m_panel_counter++) + ".qml";
}

std::string RDB_OBJECT_QML_VISITOR::begin_entry(RDB_OBJECT* object, const char* base)
{
    const std::string component = next_component(base);
    const bool folder = object->get_type() == RDB_FOLDER_TYPE;
    *m_toc << "        ListElement {\n            name: " << rdb_js_string_literal(object->get_name())
           << "\n            componentFile: \"components/" << component
           << "\"\n            visibility: " << (m_depth == 0 ? "true" : "false")
           << "\n            folderVisible: false\n            tabNum: " << m_depth << "\n            imgSource: \""
           << icon(object) << "\"\n            carrotSource: \"" << (folder ? "img/right_carrot.png" : "")
           << "\"\n            highlightColor: \"transparent\"\n        }\n";
    return component;
}

void RDB_OBJECT_QML_VISITOR::write_component(const std::string& name, const std::string& text)
{
    const std::string path = m_files_directory + "components/" + name;
    if (!fio_write_file_atomically(path, text)) {
        ++m_failures;
        msg_local_vdebug("RDB", 2, "Cannot write the component file %s", path.c_str());
    }
}

void RDB_OBJECT_QML_VISITOR::output_child_list(RDB_OBJECT_LIST::const_iterator begin,
                                               RDB_OBJECT_LIST::const_iterator end)
{
    for (auto it = begin; it != end; ++it) {
        RDB_OBJECT* child = *it;
        RDB_ASSERT_MSG(child != nullptr, "object != NULL");
        if (child->is_visible()) child->accept_visitor(this);
    }
}

void RDB_OBJECT_QML_VISITOR::output_notice(RDB_OBJECT* object, const std::string& notice)
{
    write_component(begin_entry(object, "notice"), RDB::QML::notice_component(object->get_name(), notice));
}

void RDB_OBJECT_QML_VISITOR::output_table(RDB_TABLE_OBJECT* table)
{
    write_component(begin_entry(table, "table"), RDB::QML::table_component(*table));
}

void RDB_OBJECT_QML_VISITOR::output_folder(RDB_FOLDER_OBJECT* folder, bool path_folder)
{
    write_component(begin_entry(folder, "folder"), RDB::QML::folder_component(folder->get_name(), path_folder));
    const void* list = folder->get_object_list();
    if (list != nullptr && !m_walking.insert(list).second) {
        // A link back into a folder being listed would repeat it without end.
        msg_local_vdebug("RDB", 2, "Folder %s leads back into a folder being written: its objects are left out",
                         folder->get_path().c_str());
        return;
    }
    ++m_depth;
    output_child_list(folder->begin_object_const_iter(), folder->end_object_const_iter());
    --m_depth;
    if (list != nullptr) m_walking.erase(list);
}

void RDB_OBJECT_QML_VISITOR::visit_object(RDB_OBJECT* object) { output_notice(object, RDB::QML::UNSUPPORTED_NOTICE); }

void RDB_OBJECT_QML_VISITOR::visit_folder(RDB_FOLDER_OBJECT* folder) { output_folder(folder, false); }

void RDB_OBJECT_QML_VISITOR::visit_link_rpt(RDB_LINK_RPT_OBJECT* link) { output_folder(link, false); }

void RDB_OBJECT_QML_VISITOR::visit_path_folder(RDB_PATH_FOLDER_OBJECT* folder) { output_folder(folder, true); }

void RDB_OBJECT_QML_VISITOR::visit_text(RDB_TEXT_OBJECT* text)
{
    const std::string* content = text->get_text();
    const std::string shown =
        text->is_qml() ? std::string(RDB::QML::UNSUPPORTED_NOTICE) : (content != nullptr ? *content : std::string());
    const bool rich = !text->is_qml() && (text->is_html() || text->is_webkit_html());
    write_component(begin_entry(text, "text"), RDB::QML::text_component(text->get_name(), shown, rich));
}

void RDB_OBJECT_QML_VISITOR::visit_legal(RDB_LEGAL_OBJECT* legal) { visit_text(legal); }

void RDB_OBJECT_QML_VISITOR::visit_interactive_report(RDB_INTERACTIVE_REPORT_DATA_OBJECT* data)
{
    output_notice(data, RDB::QML::UNSUPPORTED_NOTICE);
}

void RDB_OBJECT_QML_VISITOR::visit_table(RDB_TABLE_OBJECT* table) { output_table(table); }
void RDB_OBJECT_QML_VISITOR::visit_new_table(RDB_NEW_TABLE_OBJECT* table) { output_table(table); }
void RDB_OBJECT_QML_VISITOR::visit_summary_table(RDB_SUMMARY_TABLE_OBJECT* table) { output_table(table); }
void RDB_OBJECT_QML_VISITOR::visit_tcl_table(RDB_TCL_TABLE_OBJECT* table) { output_table(table); }
void RDB_OBJECT_QML_VISITOR::visit_link_table(RDB_LINK_TABLE_OBJECT* table) { output_table(table); }
void RDB_OBJECT_QML_VISITOR::visit_chart(RDB_CHART_TABLE_OBJECT* chart) { output_table(chart); }

void RDB_OBJECT_QML_VISITOR::visit_grid_table(RDB_GRID_TABLE_OBJECT* grid)
{
    output_notice(grid, std::string("' You are trying to view a grid table \n") + RDB::QML::UNSUPPORTED_NOTICE);
}

void RDB_OBJECT_QML_VISITOR::visit_gauges(RDB_GAUGES_OBJECT* gauges)
{
    output_notice(gauges, std::string("You are trying to visit a gauges object. \n") + RDB::QML::UNSUPPORTED_NOTICE);
}

void RDB_OBJECT_QML_VISITOR::visit_memory(RDB_MEMORY_OBJECT* memory)
{
    output_notice(memory, std::string("Memory report data cannot be output to QML. \n Please use ") +
                              ver_get_pellam_product_name() + " to view the memory report data.");
}

void RDB_OBJECT_QML_VISITOR::visit_histogram(RDB_HISTOGRAM_TABLE_OBJECT* histogram)
{
    write_component(begin_entry(histogram, "histogram"), RDB::QML::histogram_component(*histogram));
}

void RDB_OBJECT_QML_VISITOR::visit_embedded(RDB_EMBEDDED_OBJECT* embedded)
{
    if (embedded->get_embedded_type() == EMBEDDED_OBJECT_MESSAGES_TYPE) {
        write_component(begin_entry(embedded, "messages"), RDB::QML::messages_component(*embedded));
        return;
    }
    const bool suppressed = embedded->get_embedded_type() == EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE;
    output_notice(embedded, std::string(suppressed ? "You are trying to view an embedded object suppressed messages "
                                                     "type. \n"
                                                   : "You are trying to view an embedded object. \n") +
                                RDB::QML::UNSUPPORTED_NOTICE +
                                "\nInformation on the embedded object you are trying to open:\n" +
                                embedded->get_info_str());
}

std::string RDB_OBJECT_QML_VISITOR::waveform_image_name(const std::string& name)
{
    std::string image = "waveform_" + name + ".gif";
    // Names are compared without case: on a file system that ignores it, two would be one file.
    if (!is_plain_name(name) || !m_image_names.insert(lower_case(image)).second) {
        std::string sanitised = name.substr(0, 64);
        for (char& c : sanitised)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
        image = "waveform_" + sanitised + "_" + std::to_string(m_panel_counter) + ".gif";
        m_image_names.insert(lower_case(image));
    }
    return image;
}

std::string RDB_OBJECT_QML_VISITOR::waveform_component(RDB_WAVEFORM_DISPLAY_OBJECT* waveform)
{
    const std::string image = waveform_image_name(waveform->get_name());
    RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
    formatter.set_size(WAVEFORM_IMAGE_WIDTH, WAVEFORM_IMAGE_HEIGHT);
    if (formatter.load_rdb_waveform(waveform) && formatter.write_gif(m_files_directory + image))
        return RDB::QML::waveform_component(waveform->get_name(), "../" + image);
    ++m_failures;
    msg_local_vdebug("RDB", 2, "Cannot write the waveform image %s%s", m_files_directory.c_str(), image.c_str());
    return RDB::QML::notice_component(waveform->get_name(), "The waveform image could not be drawn or written.");
}

void RDB_OBJECT_QML_VISITOR::visit_waveform_display(RDB_WAVEFORM_DISPLAY_OBJECT* waveform)
{
    const std::string component = begin_entry(waveform, "waveform");
    write_component(component, waveform_component(waveform));
}

void RDB_OBJECT_QML_VISITOR::visit_path(RDB_PATH_OBJECT* path)
{
    const std::string component = begin_entry(path, "path");
    RDB_OBJECT* const parts[] = {path->get_summary_table(),
                                 path->get_optimizations_analyzed_table(),
                                 path->get_recommendations_table(),
                                 path->get_critical_chain_table(),
                                 path->get_path_stats_table(),
                                 path->get_extra_info_table(),
                                 path->get_internal_negative_cycle_table(),
                                 path->get_data_arrival_table(),
                                 path->get_data_required_table(),
                                 path->get_idb_text()};
    std::vector<RDB::QML::TAB> tabs;
    for (RDB_OBJECT* part : parts) {
        if (part == nullptr) continue;
        if (RDB_TABLE_OBJECT* table = part->dynamic_cast_to_RDB_TABLE_OBJECT()) {
            tabs.push_back({part->get_name(), next_component("table")});
            write_component(tabs.back().component, RDB::QML::table_component(*table));
        } else if (RDB_TEXT_OBJECT* text = part->dynamic_cast_to_RDB_TEXT_OBJECT()) {
            tabs.push_back({part->get_name(), next_component("text")});
            const std::string* content = text->get_text();
            write_component(tabs.back().component,
                            RDB::QML::text_component(part->get_name(), content ? *content : std::string(), false));
        }
    }
    if (RDB_WAVEFORM_DISPLAY_OBJECT* waveform = path->get_waveform()) {
        tabs.push_back({"Waveform", next_component("waveform")});
        write_component(tabs.back().component, waveform_component(waveform));
    }
    write_component(component, RDB::QML::path_component(path->get_name(), tabs));
}
