#pragma once
// Pieces shared by the HTML fragments of the report objects and by the HTML visitor's panels.

#include <iosfwd>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "rdb_rgb.h"

class RDB_OBJECT;
class RDB_TABLE_OBJECT;
class RDB_HISTOGRAM_TABLE_OBJECT;
class RDB_EMBEDDED_OBJECT;

namespace RDB::HTML {

// "#RRGGBB" of a colour; empty for the default colour and for a colour that names no RGB value (the
// unknown colour), so that no colour attribute is written for them.
std::string color_text(RDB_COLOR_NAME color);

enum class TABLE_FORM {
    FRAGMENT, // output_html: the header row grey, cell texts converted to HTML
    PANEL, // the visitor's panel: each row in its own thead/tbody, alternating row colours, cells' own HTML
};
// Writes table (its real rows, also when it is converted to SQLite) as an HTML table; hidden columns
// are left out.
void write_table(std::ostream& os, const RDB_TABLE_OBJECT& table, TABLE_FORM form);

// The object a histogram is shown as: a text "Nothing to report." without rows, else a table of its
// bins with a bar of U+2588 characters per bin in the bin's colour.
std::unique_ptr<RDB_OBJECT> histogram_object(const RDB_HISTOGRAM_TABLE_OBJECT& histogram);

// The notice of an embedded kind that has no HTML form ("Waveform report data cannot be output to
// HTML." for waveforms, the memory notice for memories), with the product to use instead.
enum class UNAVAILABLE_KIND { WAVEFORM, MEMORY };
void write_unavailable_notice(std::ostream& os, UNAVAILABLE_KIND kind);

// The message files (as stored, before get_message_file_path) a messages object lists: its own file
// unless it stands for the flow messages, then every stage folder's message files; then its additional files.
std::vector<std::string> message_files(const RDB_EMBEDDED_OBJECT& embedded);
// The message files of a messages object (its own file unless it stands for the flow messages, then its
// additional files), each as "<ul>" ... "</ul>" of RDB_HTML_OUTPUT_MESSAGES_FUNCTOR entries; a file that
// cannot be read as an entry with the notice the text form writes.
void write_message_lists(std::ostream& os, const RDB_EMBEDDED_OBJECT& embedded);

} // namespace RDB::HTML

namespace RDB::HTML {

// The objects a report file's table of contents lists: the given entries; for none, root's visible
// children (root itself when it is no folder); for one folder alone, its visible children.
std::list<RDB_OBJECT*> prepared_toc_entries(RDB_OBJECT* root, std::list<RDB_OBJECT*> entries);

// Writes report_template, its blocks filled with title, content and directory (each already escaped for
// the file's language), atomically to path. False, with a debug line naming the kind of report file, when
// the file cannot be written or an included file cannot be read.
bool write_expanded_template(const std::string& path, std::string_view report_template, const std::string& title,
                             const std::string& content, const std::string& directory, const char* kind);

// Writes the HTML report page at page_path (a path ending in ".html") with its folder page_path +
// "_files/": the assets of the htdocs folder and one panel file per object listed from entries (prepared
// as the table of contents asks: an empty list stands for root's visible children, or root itself; one
// folder alone for its visible children). title is the report's name. False, with a debug line for each
// failure, when the folder, an asset, a panel or the page could not be written; what could be written
// is written.
bool write_report_page(const std::string& page_path, const std::string& title, RDB_OBJECT* root,
                       std::list<RDB_OBJECT*> entries, bool deferred_messages);

} // namespace RDB::HTML
