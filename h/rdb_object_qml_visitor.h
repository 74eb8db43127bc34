#pragma once
// The Qt Quick form of a report: RDB_OBJECT_QML_VISITOR writes one component file per object
// ("components/<kind><n>.qml" in the report's files folder, n the panel counter) and the table-of-contents
// ListElements that the report template shows as a tree; RDB_QML_OUPUT_MESSAGES_FUNCTOR writes stored
// messages as the ListElements of a message list.
//
// Every name and text of the report reaches a component as a string literal made by
// rdb_js_string_literal, so that no text can end a literal or run script; file names carry no user text
// except a waveform image name that is plain.

#include <cstdint>
#include <iosfwd>
#include <set>
#include <string>

#include "msg/msg_file.h"
#include "rdb_folder.h"
#include "rdb_visitor.h"

// Writes each message whose suppressed flag equals the selector, and each of its sub-messages, as
// "ListElement { type: ...; messageText: ...; tabLevel: ...; visibility: ...; subMessageVisibility: false;
// textColor: ''; containsSubMessages: ... }", one field per line. A sub-message is hidden at first. A
// null message is the internal error "msg != NULL".
class RDB_QML_OUPUT_MESSAGES_FUNCTOR : public MSG_POST_FUNCTOR {
public:
    RDB_QML_OUPUT_MESSAGES_FUNCTOR(std::ostream& os, bool suppressed) : m_os(os), m_suppressed(suppressed) {}
    void operator()(const MSG_FILE_MESSAGE* post) override;

    // How many messages (not sub-messages) of that type were written.
    unsigned int get_count(MSG_FILE_MESSAGE_TYPE type) const;
    // Counts an unreadable file's notice, which the caller writes as an error element.
    void count_error() { ++m_errors; }

private:
    void output(const MSG_FILE_MESSAGE& message, int level);

    std::ostream& m_os;
    bool m_suppressed;
    unsigned int m_infos = 0;
    unsigned int m_warnings = 0;
    unsigned int m_errors = 0;
};

class RDB_OBJECT_QML_VISITOR : public RDB_OBJECT_VISITOR {
public:
    // toc (not owned) receives the ListElements; the component files go to files_directory +
    // "components/" and the waveform images to files_directory ("/" is appended when missing).
    // deferred_messages is kept for the message session; messages are always listed in place, escaped,
    // because a session resolves text files only. title is the report's name.
    RDB_OBJECT_QML_VISITOR(std::ostream* toc, const std::string& files_directory, bool deferred_messages,
                           const std::string& title);
    RDB_OBJECT_QML_VISITOR(const RDB_OBJECT_QML_VISITOR&) = delete;
    RDB_OBJECT_QML_VISITOR& operator=(const RDB_OBJECT_QML_VISITOR&) = delete;
    ~RDB_OBJECT_QML_VISITOR() override;

    // The entries of the visible objects of [begin, end), each with its component, a folder's children
    // after it one level deeper.
    void output_child_list(RDB_OBJECT_LIST::const_iterator begin, RDB_OBJECT_LIST::const_iterator end);
    // The number the next component file gets.
    std::uint64_t get_panel_counter() const { return m_panel_counter; }
    // How many component files or waveform images could not be written (each with a debug line).
    unsigned int get_failure_count() const { return m_failures; }
    const std::string& get_title() const { return m_title; }
    bool has_deferred_messages() const { return m_deferred_messages; }

    void visit_object(RDB_OBJECT* object) override;
    void visit_folder(RDB_FOLDER_OBJECT* folder) override;
    void visit_link_rpt(RDB_LINK_RPT_OBJECT* link) override;
    void visit_text(RDB_TEXT_OBJECT* text) override;
    void visit_legal(RDB_LEGAL_OBJECT* legal) override;
    void visit_interactive_report(RDB_INTERACTIVE_REPORT_DATA_OBJECT* data) override;
    void visit_table(RDB_TABLE_OBJECT* table) override;
    void visit_grid_table(RDB_GRID_TABLE_OBJECT* grid) override;
    void visit_new_table(RDB_NEW_TABLE_OBJECT* table) override;
    void visit_summary_table(RDB_SUMMARY_TABLE_OBJECT* table) override;
    void visit_tcl_table(RDB_TCL_TABLE_OBJECT* table) override;
    void visit_link_table(RDB_LINK_TABLE_OBJECT* table) override;
    void visit_chart(RDB_CHART_TABLE_OBJECT* chart) override;
    void visit_histogram(RDB_HISTOGRAM_TABLE_OBJECT* histogram) override;
    void visit_embedded(RDB_EMBEDDED_OBJECT* embedded) override;
    void visit_memory(RDB_MEMORY_OBJECT* memory) override;
    void visit_gauges(RDB_GAUGES_OBJECT* gauges) override;
    void visit_path(RDB_PATH_OBJECT* path) override;
    void visit_path_folder(RDB_PATH_FOLDER_OBJECT* folder) override;
    void visit_waveform_display(RDB_WAVEFORM_DISPLAY_OBJECT* waveform) override;

private:
    // Writes object's table-of-contents entry and answers the component file ("<base><n>.qml") it names,
    // advancing the counter.
    std::string begin_entry(RDB_OBJECT* object, const char* base);
    // The next component file name without an entry (a timing path's tabs).
    std::string next_component(const char* base);
    // Writes the component file name (in the components folder) with the text write gives.
    void write_component(const std::string& name, const std::string& text);
    void output_notice(RDB_OBJECT* object, const std::string& notice);
    void output_table(RDB_TABLE_OBJECT* table);
    void output_folder(RDB_FOLDER_OBJECT* folder, bool path_folder);
    // The component of a waveform diagram, or its notice when the image could not be made (a failure).
    std::string waveform_component(RDB_WAVEFORM_DISPLAY_OBJECT* waveform);
    // The name of a waveform's image file in the files folder: "waveform_" + the name when it is plain and
    // unused in this report, else the name with every other character as '_' and the panel counter.
    std::string waveform_image_name(const std::string& name);

    std::ostream* m_toc;
    std::string m_files_directory;
    bool m_deferred_messages;
    std::string m_title;
    std::uint64_t m_panel_counter = 1;
    int m_depth = 0;
    unsigned int m_failures = 0;
    std::set<std::string> m_image_names;
    // The object lists being listed, so that a link back into one of them is not followed again.
    std::set<const void*> m_walking;
};
