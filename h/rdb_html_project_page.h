#pragma once
// The project page: one folder holding the HTML report file of every stored report of a project and an
// "index.html" that lists them (revision, report type, time stored, size and the rows of the report's
// first summary table), each linking to its report's page. Every file is written atomically; the pages
// open from disk, with no network and no script of their own.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class RDB_REPORT;

// One stored report to list. load answers the report, or null with the reason in *error (a text for the
// reader, such as "the binary file is damaged").
struct RDB_HTML_PROJECT_ENTRY {
    std::string revision;
    std::string type_key; // as stored: "fit", "placed.sta"
    std::int64_t stored_time = 0; // seconds since the epoch
    std::uint64_t size = 0; // bytes stored
    std::function<std::unique_ptr<RDB_REPORT>(std::string* error)> load;
};

// What became of one entry: the name its page got in the folder, and why it could not be written
// (empty when it was).
struct RDB_HTML_PROJECT_REPORT_OUTCOME {
    std::string file_name;
    std::string error;
};

struct RDB_HTML_PROJECT_PAGE_OUTCOME {
    std::vector<RDB_HTML_PROJECT_REPORT_OUTCOME> reports; // in the order of the entries
    // Why the folder, its stylesheet or index.html could not be written; empty when they were.
    std::string index_error;
    // True when index.html and every report's page were written.
    bool all_written() const;
};

// The file names of the entries' pages, in their order: revision + "." + type key + ".html", each piece
// with every byte outside [A-Za-z0-9._-], a leading "." or "-", a trailing "." and a "." after a "."
// written "_XX" (upper-case hexadecimal), so that a name holds no "/" and no "..", names no hidden file
// and reads as no option; a long revision is cut. A name already given (compared without case, for
// case-blind file systems) gets "-2", "-3", ... before ".html".
std::vector<std::string> rdb_html_project_file_names(const std::vector<RDB_HTML_PROJECT_ENTRY>& entries);

// Writes the folder directory (made when missing): each entry's HTML report file (its page and the
// page's "_files" folder) under the name rdb_html_project_file_names gives it, the stylesheet folder
// "css" of the htdocs folder, and "index.html" titled title. An entry that cannot be loaded or written
// is listed with the note "could not be written: " and the reason, and the others are still written.
RDB_HTML_PROJECT_PAGE_OUTCOME rdb_write_html_project_page(const std::string& directory, const std::string& title,
                                                          const std::vector<RDB_HTML_PROJECT_ENTRY>& entries);
