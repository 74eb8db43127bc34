#pragma once
// Whole-report files: the text report file (banner, table of contents, every object's text form)
// written from a report's main folder or from any object.

#include <iosfwd>
#include <memory>
#include <string>

class RDB_OBJECT;
class RDB_REPORT;

class RDB_REPORT_GEN {
public:
    // No root and no name; the writers then have nothing to list.
    RDB_REPORT_GEN();
    // root is not owned; a null or empty name gives an empty report name.
    RDB_REPORT_GEN(RDB_OBJECT* root, const char* name);
    // The root is the report's main folder.
    RDB_REPORT_GEN(RDB_REPORT* report, const char* name);
    RDB_REPORT_GEN(const RDB_REPORT_GEN&) = delete;
    RDB_REPORT_GEN& operator=(const RDB_REPORT_GEN&) = delete;
    ~RDB_REPORT_GEN();

    // Appends a non-null object (not owned) to the table-of-contents entries; without entries the
    // root folder's children are listed.
    void add_toc_entry(RDB_OBJECT* object);

    // Writes every report file the settings ask for: unless "rpl_no_reports" is on, the text report file
    // and, with the HTML user switch, the HTML report (write_html_report_file); with
    // "write_one_json_per_report" (or the JSON user switch in a project), the JSON panels in the folder
    // "<file_name with extension json>_files/"; with "write_report_tables_to_sqlite", the report's tables
    // in "<file_name>.sqlite3". False when a file that was asked for could not be written (the others
    // are still written).
    bool write_report_files(const char* file_name, bool use_message_session);
    // Writes the HTML report: the page (file_name with the extension "html") and beside it the folder
    // "<page>_files/" with the stylesheet, the icons and one panel file per listed object. False when
    // the folder, an asset, a panel or the page could not be written.
    bool write_html_report_file(const char* file_name, bool use_message_session);
    // Writes the QML report at file, the report's path: the expanded template "report.qml", beside it the
    // folder "<file>_files/" (styles, components, javascript, img, one component file per listed object,
    // the waveform images), the project file "<file>project" and the archive "<file>.zip" of the three.
    // False when the template is missing or anything could not be written. write_report_files does not
    // call it.
    bool write_qml_report_file(const std::string& file, bool use_message_session);
    // Writes the text report file. False when the file cannot be opened, written or closed.
    bool write_ascii_report_file(const char* file_name, bool use_message_session);
    // Writes the text report to os (no message session). False when os fails.
    bool write_ascii_report(std::ostream& os);

    void output_full_ascii_report() {}
    void output_full_html_report() {}

    // Process-wide flag read when messages are added to a report during a flow compilation.
    static bool get_ff_flow_compile();
    static void set_ff_flow_compile(bool on);

private:
    class IMPL;
    std::unique_ptr<IMPL> m_impl;
};
