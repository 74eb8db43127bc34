#pragma once
// Pieces shared by the QML component files and the QML report file: the text of each kind of component,
// and the writing of the whole report.

#include <list>
#include <string>
#include <string_view>
#include <vector>

class RDB_OBJECT;
class RDB_TABLE_OBJECT;
class RDB_HISTOGRAM_TABLE_OBJECT;
class RDB_EMBEDDED_OBJECT;

namespace RDB::QML {

// The notice of panels without a QML form.
inline constexpr const char* UNSUPPORTED_NOTICE = "QML output is not currently supported for this panel.";

// Each component is an Item with id "root": a header (id "header") showing title, and a body anchored below
// it. Every text is written as a literal made by rdb_js_string_literal.

// A read-only TextArea; plain text unless rich (a text its producer wrote as HTML).
std::string text_component(const std::string& title, const std::string& text, bool rich);
// A wrapped plain text.
std::string notice_component(const std::string& title, const std::string& notice);
// "Click on an entry below this folder."; a path folder adds the draggable divider above its selected path.
std::string folder_component(const std::string& title, bool path_folder);
// A table view over the ListModel "listModel": one element per data row with its cell texts (roles
// "c<column>"), and the lists foregroundColors, backgroundColors and textFormat per shown column; the
// header row gives the column titles. Hidden columns are left out. A cell holding the degree sign is rich
// text (its whole text, HTML-escaped).
std::string table_component(const RDB_TABLE_OBJECT& table);
// A bar chart of the bins, or "Nothing to report, the histogram is empty." without bins.
std::string histogram_component(const RDB_HISTOGRAM_TABLE_OBJECT& histogram);
// A tab bar with one tab per (title, component file) and a stack of loaders of those files.
struct TAB {
    std::string title;
    std::string component;
};
std::string path_component(const std::string& title, const std::vector<TAB>& tabs);
// The messages of a messages object in the ListModel "messagesModel", shown by the ListView
// "messagesView" through "messageDelegateComponent" and filtered by "filterBar" with its counters. A file
// that cannot be read is an error element with the text form's notice.
std::string messages_component(const RDB_EMBEDDED_OBJECT& embedded);
// An image (image: its path relative to the component) in a scroll view.
std::string waveform_component(const std::string& title, const std::string& image);

// Writes the QML report at report_path (the expanded template "report.qml" of the htdocs folder) with its
// folder report_path + "_files/" (the asset folders styles, components, javascript and img, the
// component files and waveform images), the project file report_path + "project" and the archive
// report_path + ".zip" of the three. entries are prepared as for the HTML report. False, with a debug
// line for each failure, when anything could not be written; what could be written is written.
bool write_report_file(const std::string& report_path, const std::string& title, RDB_OBJECT* root,
                       std::list<RDB_OBJECT*> entries, bool deferred_messages);

} // namespace RDB::QML
