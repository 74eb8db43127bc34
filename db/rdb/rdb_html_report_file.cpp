// The HTML report file: the page with its table of contents, and beside it the folder of assets and
// panels the page opens.

#include <filesystem>
#include <regex>
#include <sstream>
#include <system_error>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_escape.h"
#include "rdb_folder.h"
#include "rdb_html_write.h"
#include "rdb_object_html_visitor.h"

namespace fs = std::filesystem;

namespace {

// The asset folders of the htdocs folder copied beside every page. The stylesheet and icons must be
// there; the script libraries are optional (the page script is part of the page).
struct ASSET_FOLDER {
    const char* name;
    bool required;
};
constexpr ASSET_FOLDER ASSET_FOLDERS[] = {
    {"css", true}, {"img", true}, {"jquery", false}, {"jquery-ui", false}, {"jquery-layout", false}};

bool copy_assets(const fs::path& files_directory)
{
    bool copied = true;
    const fs::path htdocs = rdb_htdocs_directory();
    for (const ASSET_FOLDER& folder : ASSET_FOLDERS) {
        std::error_code error;
        const fs::path source = htdocs / folder.name;
        const fs::path target = files_directory / folder.name;
        std::error_code missing;
        const bool present = fs::is_directory(source, missing);
        fs::create_directories(target, error);
        if (!error && present)
            fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
        else if (!error && folder.required)
            error = std::make_error_code(std::errc::no_such_file_or_directory);
        if (error) {
            msg_local_vdebug("RDB", 2, "Cannot copy %s to %s: %s", source.c_str(), target.c_str(),
                             error.message().c_str());
            copied = false;
        }
    }
    return copied;
}

// Panel files (and the waveform images beside them) of an earlier, longer run would be opened by nothing
// but could be taken for this run's.
void remove_stale_panels(const fs::path& files_directory)
{
    static const std::regex PANEL_NAME("[0-9]+\\.(html|gif)");
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(files_directory, error)) {
        if (entry.is_regular_file(error) && std::regex_match(entry.path().filename().string(), PANEL_NAME))
            fs::remove(entry.path(), error);
    }
}

} // namespace

namespace RDB::HTML {

// The table-of-contents entries: the given ones, root's visible children for none (root itself when it
// is no folder), and a single folder's visible children in its place.
std::list<RDB_OBJECT*> prepared_toc_entries(RDB_OBJECT* root, std::list<RDB_OBJECT*> entries)
{
    msg_local_vdebug("RDB", 2, "prepare_html_toc %s", root != nullptr ? root->get_name().c_str() : "");
    auto visible_children = [](RDB_FOLDER_OBJECT* folder) {
        std::list<RDB_OBJECT*> children;
        for (RDB_OBJECT* child : *folder)
            if (child != nullptr && child->is_visible()) children.push_back(child);
        return children;
    };
    if (entries.empty()) {
        msg_local_vdebug("RDB", 2, "toc_entries was empty");
        if (root == nullptr) return entries;
        if (RDB_FOLDER_OBJECT* folder = root->dynamic_cast_to_RDB_FOLDER_OBJECT()) {
            msg_local_vdebug("RDB", 2, "adding all the children of the main folder %s", root->get_name().c_str());
            return visible_children(folder);
        }
        msg_local_vdebug("RDB", 2, "adding the object %s", root->get_name().c_str());
        return {root};
    }
    if (entries.size() == 1) {
        msg_local_vdebug("RDB", 2, "toc_entries size is 1");
        RDB_OBJECT* only = entries.front();
        if (only->get_type() == RDB_FOLDER_TYPE) {
            RDB_FOLDER_OBJECT* folder = only->dynamic_cast_to_RDB_FOLDER_OBJECT();
            RDB_ASSERT_MSG(folder != nullptr, "folder != NULL");
            msg_local_vdebug("RDB", 2, "adding all the children of the folder %s", only->get_name().c_str());
            return visible_children(folder);
        }
        msg_local_vdebug("RDB", 2, "object is not a folder %s", only->get_name().c_str());
        return entries;
    }
    msg_local_vdebug("RDB", 2, "toc_entries size is %d", static_cast<int>(entries.size()));
    return entries;
}

bool write_report_page(const std::string& page_path, const std::string& title, RDB_OBJECT* root,
                       std::list<RDB_OBJECT*> entries, bool deferred_messages)
{
    const fs::path files_directory = page_path + "_files";
    std::error_code error;
    fs::create_directories(files_directory, error);
    if (error) {
        msg_local_vdebug("RDB", 2, "Cannot create the folder %s: %s", files_directory.c_str(), error.message().c_str());
        return false;
    }
    bool written = copy_assets(files_directory);
    remove_stale_panels(files_directory);

    const std::string page_template = rdb_read_html_template("report.html");
    if (page_template.empty()) {
        msg_local_vdebug("RDB", 2, "Cannot read the page template %s/report.html", rdb_htdocs_directory().c_str());
        written = false;
    }
    std::ostringstream toc;
    RDB_OBJECT_HTML_VISITOR visitor(&toc, files_directory.string(), deferred_messages);
    const std::list<RDB_OBJECT*> listed = prepared_toc_entries(root, std::move(entries));
    visitor.output_child_list(listed.begin(), listed.end());
    written = written && visitor.get_failed_panel_count() == 0;

    // The page opens its panels by a link relative to itself.
    const std::string directory = rdb_html_escape(rdb_url_encode_path(files_directory.filename().string() + "/"));
    const std::string escaped_title = rdb_html_escape(title);
    return write_expanded_template(page_path, page_template, escaped_title, toc.str(), directory, "HTML") && written;
}

bool write_expanded_template(const std::string& path, std::string_view report_template, const std::string& title,
                             const std::string& content, const std::string& directory, const char* kind)
{
    bool expanded = true;
    const FIO_WRITE_OUTCOME outcome = fio_write_stream_atomically(path, [&](std::ostream& os) {
        expanded = rdb_expand_html_template(os, report_template, [&](std::ostream& out, std::string_view block) {
            if (block == "title")
                out << title;
            else if (block == "content")
                out << content;
            else
                out << directory;
        });
        return static_cast<bool>(os);
    });
    if (!outcome.written())
        msg_local_vdebug("RDB", 2, "Cannot write the %s report file %s: %s", kind, path.c_str(),
                         outcome.reason.c_str());
    return expanded && outcome.written();
}

} // namespace RDB::HTML
