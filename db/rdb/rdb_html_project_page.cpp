// The project page: every stored report's HTML report file in one folder, and the index page listing them.

#include "rdb_html_project_page.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <sstream>
#include <system_error>
#include <utility>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_escape.h"
#include "rdb_object_html_visitor.h"
#include "rdb_report.h"
#include "rdb_report_gen.h"
#include "rdb_report_type.h"
#include "rdb_table_sys.h"
#include "rdb_utility.h"

namespace fs = std::filesystem;

namespace {

const char* const NOT_WRITTEN = "could not be written: ";

// One listed report as the index shows it.
struct INDEX_ROW {
    const RDB_HTML_PROJECT_ENTRY* entry;
    std::string file_name;
    std::string error;
    std::string summary_name;
    std::vector<std::pair<std::string, std::string>> summary_rows;
};

// Letters and digits of ASCII, '.', '_' and '-': the bytes a file name keeps as they are.
bool is_plain_byte(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '.' || byte == '_' || byte == '-';
}

// A revision's pieces are cut to this many bytes (without splitting an escape), so that a page's name and
// its "_files" folder stay well within the file systems' 255 bytes; the numbering keeps cut names apart.
constexpr std::size_t MAX_PIECE = 160;

// A text as a piece of a file name (see rdb_html_project_file_names); a trailing "." is escaped too, so
// that joining two pieces with "." never makes "..".
std::string safe_name_piece(const std::string& text)
{
    static const char* HEX = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool edge = (i == 0 && (byte == '.' || byte == '-')) || (i + 1 == text.size() && byte == '.');
        const bool double_dot = byte == '.' && i > 0 && text[i - 1] == '.';
        const std::size_t before = out.size();
        if (is_plain_byte(byte) && !edge && !double_dot) {
            out += static_cast<char>(byte);
        } else {
            out += '_';
            out += HEX[byte >> 4];
            out += HEX[byte & 0xF];
        }
        if (out.size() > MAX_PIECE) {
            out.resize(before);
            // A cut can leave a "." at the end; "_" and the hexadecimal digits are safe there.
            if (!out.empty() && out.back() == '.') out.back() = '_';
            break;
        }
    }
    return out.empty() ? "_" : out;
}

std::string lower_case(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

std::string type_user_text(const std::string& type_key)
{
    const char* text = rdb_report_type_to_user_string(rdb_string_to_report_type(type_key.c_str()));
    return text != nullptr ? text : "";
}

std::string format_local_time(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[32] = "?";
    if (::localtime_r(&time, &local) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// The report's first summary table (depth first), name and rows, as the index lists it.
void read_summary(RDB_REPORT& report, INDEX_ROW& row)
{
    RDB_FOLDER_OBJECT* main_folder = report.get_main_folder();
    const RDB_SUMMARY_TABLE_OBJECT* summary = main_folder != nullptr ? rdb_find_summary(main_folder, true) : nullptr;
    if (summary == nullptr) return;
    row.summary_name = summary->get_name();
    summary->for_each_data_row([&](const std::vector<std::string>& texts) {
        row.summary_rows.emplace_back(texts.empty() ? std::string() : texts[0],
                                      texts.size() < 2 ? std::string() : texts[1]);
    });
}

// Loads the entry's report and writes its HTML report file; the reason in row.error when either fails.
void write_report(const fs::path& directory, INDEX_ROW& row)
{
    const RDB_HTML_PROJECT_ENTRY& entry = *row.entry;
    std::unique_ptr<RDB_REPORT> report;
    std::string reason;
    try {
        if (entry.load) report = entry.load(&reason);
    } catch (const std::exception& error) {
        reason = error.what();
    }
    if (!report) {
        row.error = reason.empty() ? "the report cannot be loaded" : reason;
        return;
    }
    read_summary(*report, row);
    const std::string title = type_user_text(entry.type_key) + " report for " + entry.revision;
    const std::string page = (directory / row.file_name).string();
    RDB_REPORT_GEN gen(report.get(), title.c_str());
    if (!gen.write_html_report_file(page.c_str(), false))
        row.error = "the page or its folder " + row.file_name + "_files (RDB_DEBUG_LEVEL=2 says why)";
}

// The stylesheet folder of the htdocs folder, file by file, so that the index looks like the report pages.
std::string copy_stylesheets(const fs::path& directory)
{
    const fs::path source = fs::path(rdb_htdocs_directory()) / "css";
    const fs::path target = directory / "css";
    std::error_code error;
    fs::create_directories(target, error);
    if (error) return "cannot make " + target.string() + ": " + error.message();
    bool any = false;
    for (const fs::directory_entry& file : fs::directory_iterator(source, error)) {
        if (!file.is_regular_file(error)) continue;
        std::ifstream in(file.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) return "cannot read " + file.path().string();
        if (!fio_write_file_atomically((target / file.path().filename()).string(), bytes))
            return "cannot write " + (target / file.path().filename()).string();
        any = true;
    }
    if (error || !any) return "no stylesheet in " + source.string() + (error ? ": " + error.message() : "");
    return std::string();
}

void write_summary_cell(std::ostream& os, const INDEX_ROW& row)
{
    if (!row.error.empty()) {
        os << "<td class=\"rdb_project_error\">" << rdb_html_escape(NOT_WRITTEN + row.error) << "</td>";
        return;
    }
    if (row.summary_name.empty() && row.summary_rows.empty()) {
        os << "<td class=\"rdb_project_no_summary\">no summary table</td>";
        return;
    }
    os << "<td><table class=\"report_summary_table\"><caption>" << rdb_html_escape(row.summary_name)
       << "</caption>\n<tbody>\n";
    for (const auto& [name, value] : row.summary_rows)
        os << "<tr><td>" << rdb_html_escape(name) << "</td><td>" << rdb_html_escape(value) << "</td></tr>\n";
    os << "</tbody></table></td>";
}

void write_index(std::ostream& os, const std::string& title, const std::vector<INDEX_ROW>& rows)
{
    const std::string escaped_title = rdb_html_escape(title);
    os << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
       << "<title>" << escaped_title << "</title>\n"
       << "<link rel=\"stylesheet\" type=\"text/css\" href=\"css/rdb.css\">\n</head>\n"
       << "<body class=\"rdb_panel rdb_project\">\n<h1 class=\"rdb_panel_title\">" << escaped_title << "</h1>\n"
       << "<table class=\"rdb_project_reports\">\n<thead><tr><th>Revision</th><th>Type</th><th>Stored</th>"
          "<th>Size</th><th>Summary</th></tr></thead>\n<tbody>\n";
    for (const INDEX_ROW& row : rows) {
        const RDB_HTML_PROJECT_ENTRY& entry = *row.entry;
        os << "<tr class=\"rdb_project_report\"><td>";
        if (row.error.empty())
            os << "<a class=\"rdb_project_link\" href=\"" << rdb_html_escape(rdb_url_encode_path(row.file_name))
               << "\">" << rdb_html_escape(entry.revision) << "</a>";
        else
            os << rdb_html_escape(entry.revision);
        os << "</td><td>" << rdb_html_escape(type_user_text(entry.type_key)) << " <code>"
           << rdb_html_escape(entry.type_key) << "</code></td><td>" << format_local_time(entry.stored_time)
           << "</td><td class=\"rdb_project_size\">" << std::to_string(entry.size) << " bytes</td>";
        write_summary_cell(os, row);
        os << "</tr>\n";
    }
    os << "</tbody>\n</table>\n</body>\n</html>\n";
}

} // namespace

bool RDB_HTML_PROJECT_PAGE_OUTCOME::all_written() const
{
    return index_error.empty() &&
           std::all_of(reports.begin(), reports.end(), [](const auto& r) { return r.error.empty(); });
}

std::vector<std::string> rdb_html_project_file_names(const std::vector<RDB_HTML_PROJECT_ENTRY>& entries)
{
    std::vector<std::string> stems;
    std::set<std::string> plain;
    for (const RDB_HTML_PROJECT_ENTRY& entry : entries) {
        stems.push_back(safe_name_piece(entry.revision) + "." + safe_name_piece(entry.type_key));
        plain.insert(lower_case(stems.back()));
    }
    // A numbered name must not take the plain name of a later entry either.
    std::vector<std::string> names;
    std::set<std::string> given;
    for (const std::string& stem : stems) {
        std::string name = stem;
        for (int n = 2; given.count(lower_case(name)) != 0 || (name != stem && plain.count(lower_case(name)) != 0); ++n)
            name = stem + "-" + std::to_string(n);
        given.insert(lower_case(name));
        names.push_back(name + ".html");
    }
    return names;
}

RDB_HTML_PROJECT_PAGE_OUTCOME rdb_write_html_project_page(const std::string& directory, const std::string& title,
                                                          const std::vector<RDB_HTML_PROJECT_ENTRY>& entries)
{
    RDB_HTML_PROJECT_PAGE_OUTCOME outcome;
    const std::vector<std::string> names = rdb_html_project_file_names(entries);
    std::error_code error;
    const fs::path folder = fs::absolute(directory, error);
    if (!error) fs::create_directories(folder, error);
    if (error) {
        outcome.index_error = "cannot make the folder " + directory + ": " + error.message();
        for (const std::string& name : names)
            outcome.reports.push_back({name, outcome.index_error});
        return outcome;
    }

    std::vector<INDEX_ROW> rows;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        rows.push_back({&entries[i], names[i], {}, {}, {}});
        write_report(folder, rows.back());
        if (!rows.back().error.empty())
            msg_local_vdebug("RDB", 2, "The report %s %s could not be written: %s", entries[i].revision.c_str(),
                             entries[i].type_key.c_str(), rows.back().error.c_str());
        outcome.reports.push_back({rows.back().file_name, rows.back().error});
    }

    outcome.index_error = copy_stylesheets(folder);
    const std::string index = (folder / "index.html").string();
    const FIO_WRITE_OUTCOME written = fio_write_stream_atomically(index, [&](std::ostream& os) {
        write_index(os, title, rows);
        return static_cast<bool>(os);
    });
    if (!written.written() && outcome.index_error.empty())
        outcome.index_error = "cannot write " + index + (written.reason.empty() ? "" : ": " + written.reason);
    return outcome;
}
