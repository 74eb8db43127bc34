#pragma once
// The browsable HTML form of a report: RDB_OBJECT_HTML_VISITOR writes one panel file per object
// (1.html, 2.html, ... in visiting order, each from the template "panel.html") and the nested
// table-of-contents list whose entries "toc_<n>" name those files; RDB_HTML_OUTPUT_MESSAGES_FUNCTOR
// lists stored messages as HTML; rdb_expand_html_template fills a page template's directives.
//
// Every name and text of the report is escaped on its way into a page; only texts flagged as HTML and
// the cells' own HTML forms are written as they are.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <set>
#include <string>
#include <string_view>

#include "msg/msg_file.h"
#include "rdb_folder.h"
#include "rdb_visitor.h"

// Writes each message whose suppressed flag (bit 0 of its flags) equals the selector as an HTML list
// entry, "<li class=...>" with its escaped text, its sub-messages (same selector) in a nested "<ul>".
// The class tells the message's type: "error_message", "warning_message" or "info_message". A null
// message is the internal error "msg != NULL".
class RDB_HTML_OUTPUT_MESSAGES_FUNCTOR : public MSG_POST_FUNCTOR {
public:
    RDB_HTML_OUTPUT_MESSAGES_FUNCTOR(std::ostream& os, bool suppressed) : m_os(os), m_suppressed(suppressed) {}
    void operator()(const MSG_FILE_MESSAGE* post) override;

private:
    void output(const MSG_FILE_MESSAGE& message);

    std::ostream& m_os;
    bool m_suppressed;
};

// Writes template_text to os with its directives "<% ... %>" replaced: one holding "include" by the
// contents of the file its argument (the text between the first "(" and the last ")") names in the
// htdocs folder; one holding "block" by write_block(argument word) for an argument holding "title",
// "content" or "dir". Any other directive is kept as it is; inserted text is not expanded again. An
// unterminated directive is the internal error "close_pos != STL_STRING::npos". False when an included
// file cannot be read (its directive then writes nothing).
bool rdb_expand_html_template(std::ostream& os, std::string_view template_text,
                              const std::function<void(std::ostream& os, std::string_view block)>& write_block);
// The text of the template file name in the htdocs folder; empty when it cannot be read.
std::string rdb_read_html_template(const std::string& name);
// The htdocs folder of the common data folder.
std::string rdb_htdocs_directory();

class RDB_OBJECT_HTML_VISITOR : public RDB_OBJECT_VISITOR {
public:
    // toc (not owned) receives the table-of-contents markup; the panel files go to output_directory
    // ("/" is appended when missing). deferred_messages asks for message panels to be filled by the open
    // message session; as sessions resolve text files only, messages are always listed in place.
    RDB_OBJECT_HTML_VISITOR(std::ostream* toc, const std::string& output_directory, bool deferred_messages);
    RDB_OBJECT_HTML_VISITOR(const RDB_OBJECT_HTML_VISITOR&) = delete;
    RDB_OBJECT_HTML_VISITOR& operator=(const RDB_OBJECT_HTML_VISITOR&) = delete;
    ~RDB_OBJECT_HTML_VISITOR() override;

    // The list entries of the visible objects of [begin, end), each followed by its panel (and its
    // children's), in "<ul>" ... "</ul>".
    void output_child_list(RDB_OBJECT_LIST::const_iterator begin, RDB_OBJECT_LIST::const_iterator end);
    // The number the next panel file gets.
    std::uint64_t get_panel_counter() const { return m_panel_counter; }
    // How many panel files could not be written (each with a debug line).
    unsigned int get_failed_panel_count() const { return m_failed_panels; }

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
    using CONTENT_WRITER = std::function<void(std::ostream& os)>;

    // Writes the next panel file from the panel template: title is the object's name (escaped here),
    // content writes the panel's HTML. The counter advances whether or not the file could be written.
    void output_panel(const std::string& title, const CONTENT_WRITER& content);
    void output_text_panel(const std::string& title, const std::string& text);
    // A folder's panel, then its children's list (hidden in a folded division unless shown).
    void output_folder(RDB_FOLDER_OBJECT* folder, bool shown);
    void output_table_panel(RDB_TABLE_OBJECT* table);
    void output_unsupported_panel(RDB_OBJECT* object);
    // Writes the diagram as the GIF image <n>.gif beside panel n (the one being written) and its <img>
    // markup, or the unavailable notice when it cannot be drawn or written.
    void output_waveform_image(std::ostream& os, RDB_WAVEFORM_DISPLAY_OBJECT* waveform);

    std::ostream* m_toc;
    std::uint64_t m_panel_counter = 1;
    std::string m_output_directory;
    unsigned int m_failed_panels = 0;
    std::string m_panel_template;
    // The object lists being listed, so that a link back into one of them is not followed again.
    std::set<const void*> m_walking;
};
