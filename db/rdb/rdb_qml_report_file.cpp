// The QML report file: the expanded template with its table of contents, beside it the folder of assets,
// components and waveform images, the project file, and the zip archive of the three.

#include <filesystem>
#include <regex>
#include <sstream>
#include <system_error>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_escape.h"
#include "rdb_html_write.h"
#include "rdb_object_html_visitor.h"
#include "rdb_object_qml_visitor.h"
#include "rdb_qml_archive.h"
#include "rdb_qml_write.h"

namespace fs = std::filesystem;

namespace {

// The asset folders of the htdocs folder copied into every report's files folder.
constexpr const char* ASSET_FOLDERS[] = {"styles", "components", "javascript", "img"};

bool copy_assets(const fs::path& files_directory)
{
    bool copied = true;
    const fs::path htdocs = rdb_htdocs_directory();
    for (const char* folder : ASSET_FOLDERS) {
        std::error_code error;
        const fs::path source = htdocs / folder;
        const fs::path target = files_directory / folder;
        fs::create_directories(target, error);
        if (!error && !fs::is_directory(source, error) && !error)
            error = std::make_error_code(std::errc::no_such_file_or_directory);
        if (!error) fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
        if (error) {
            msg_local_vdebug("RDB", 2, "Cannot copy %s to %s: %s", source.c_str(), target.c_str(),
                             error.message().c_str());
            copied = false;
        }
    }
    return copied;
}

// The component files and images of an earlier, longer run would be packed into the archive with this
// run's. Our generated names are lower case and numbered; the copied templates start with a capital.
void remove_stale_files(const fs::path& files_directory)
{
    static const std::regex COMPONENT_NAME("[a-z]+[0-9]+\\.qml");
    static const std::regex IMAGE_NAME("waveform_.*\\.gif");
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(files_directory / "components", error))
        if (entry.is_regular_file(error) && std::regex_match(entry.path().filename().string(), COMPONENT_NAME))
            fs::remove(entry.path(), error);
    for (const fs::directory_entry& entry : fs::directory_iterator(files_directory, error))
        if (entry.is_regular_file(error) && std::regex_match(entry.path().filename().string(), IMAGE_NAME))
            fs::remove(entry.path(), error);
}

// "import QmlProject 1.1", "Project {", the main file's name as a literal, "}".
bool write_project_file(const fs::path& report)
{
    const std::string path = report.string() + "project";
    const std::string text =
        "import QmlProject 1.1\nProject {\nmainFile: " + rdb_js_string_literal(report.filename().string()) + "\n}";
    if (fio_write_file_atomically(path, text)) return true;
    msg_local_vdebug("RDB", 2, "Cannot write the QML project file %s", path.c_str());
    return false;
}

bool write_archive(const fs::path& report)
{
    const std::string name = report.filename().string();
    std::string error;
    if (rdb_write_zip_archive(report.string() + ".zip", report.parent_path().string(),
                              {name, name + "_files", name + "project"}, &error))
        return true;
    msg_local_vdebug("RDB", 2, "Cannot write the archive %s.zip: %s", report.c_str(), error.c_str());
    return false;
}

} // namespace

namespace RDB::QML {

bool write_report_file(const std::string& report_path, const std::string& title, RDB_OBJECT* root,
                       std::list<RDB_OBJECT*> entries, bool deferred_messages)
{
    const fs::path report = report_path;
    const fs::path files_directory = report_path + "_files";
    std::error_code error;
    fs::create_directories(files_directory / "components", error);
    if (error) {
        msg_local_vdebug("RDB", 2, "Cannot create the folder %s: %s", files_directory.c_str(), error.message().c_str());
        return false;
    }
    remove_stale_files(files_directory);
    bool written = copy_assets(files_directory);

    const std::string report_template = rdb_read_html_template("report.qml");
    if (report_template.empty()) {
        msg_local_vdebug("RDB", 2, "Cannot read the report template %s/report.qml", rdb_htdocs_directory().c_str());
        return false;
    }
    std::ostringstream toc;
    RDB_OBJECT_QML_VISITOR visitor(&toc, files_directory.string(), deferred_messages, title);
    const std::list<RDB_OBJECT*> listed = RDB::HTML::prepared_toc_entries(root, std::move(entries));
    visitor.output_child_list(listed.begin(), listed.end());
    written = visitor.get_failure_count() == 0 && written;

    // The report finds its files relative to itself; the folder name is percent-encoded so that '#', '?'
    // and '%' in it stay part of the path.
    const std::string directory = rdb_js_string_literal(rdb_url_encode_path(files_directory.filename().string() + "/"));
    const std::string title_literal = rdb_js_string_literal(title);
    written =
        RDB::HTML::write_expanded_template(report_path, report_template, title_literal, toc.str(), directory, "QML") &&
        written;
    written = write_project_file(report) && written;
    return write_archive(report) && written;
}

} // namespace RDB::QML
