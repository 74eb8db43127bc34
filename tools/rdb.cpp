// rdb: lists, exports, imports, checks and prints the reports stored in a project's database, and
// builds a demo report.
//
// Every input is checked before it reaches the library, so that bad input gives a one-line message
// and a non-zero exit status; an internal error that still happens becomes a one-line message and
// exit status 3.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "dbm/dbm.h"
#include "fio/fio.h"
#include "gen/gen_project.h"
#include "ini/cfg.h"
#include "kdb/kdb.h"
#include "msg/msg.h"
#include "pdb/pdb.h"
#include "rdb_demo.h"
#include "rdb_diff_command.h"
#include "rdb_dms_model_handler.h"
#include "rdb_escape.h"
#include "rdb_folder.h"
#include "rdb_html_project_page.h"
#include "rdb_object_json_visitor.h"
#include "rdb_report.h"
#include "rdb_report_gen.h"
#include "rdb_report_gen_json.h"
#include "rdb_report_type.h"
#include "rdb_path.h"
#include "rdb_table_to_sqlite.h"
#include "rdb_tcl_table.h"
#include "rdb_visitor.h"
#include "rdb_waveform_display.h"
#include "rdb_waveform_display_formatter.h"
#include "rdb_xml.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1; // the command could not do its work (missing report, bad file, ...)
constexpr int EXIT_USAGE = 2; // bad command line
constexpr int EXIT_INTERNAL = 3; // an internal error of the library

// Ends a command with a one-line message ("rdb: " + text) and an exit status.
struct TOOL_ERROR {
    int status;
    std::string text;
};

[[noreturn]] void fail(const std::string& text) { throw TOOL_ERROR{EXIT_FAILED, text}; }
[[noreturn]] void usage_error(const std::string& text) { throw TOOL_ERROR{EXIT_USAGE, text}; }

void on_internal_error(const char* condition, const char* component, const char* file, int line)
{
    std::fprintf(stderr, "rdb: internal error in %s: %s (%s:%d)\n", component ? component : "?",
                 condition ? condition : "?", file ? file : "?", line);
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(EXIT_INTERNAL);
}

// The file name that stands for standard output (export) or standard input (import).
const std::string STANDARD_STREAM = "-";

// A name as the terminal may show it (control characters escaped).
std::string printable(const std::string& text) { return rdb_printable(text); }

std::string in_quotes(const std::string& text) { return "'" + printable(text) + "'"; }

// ---- The project ---------------------------------------------------------------------------------

class PROJECT {
public:
    // The project directory in effect (--project, else RDB_PROJECT_DIR, else the current directory);
    // with create set it is made when missing.
    explicit PROJECT(bool create)
    {
        m_dir = gen_get_project_directory();
        std::error_code ec;
        if (create && !std::filesystem::exists(m_dir, ec)) std::filesystem::create_directories(m_dir, ec);
        if (!std::filesystem::is_directory(m_dir, ec)) fail("no such project directory " + in_quotes(m_dir));
        // Absolute, so that the paths the commands print and the report texts hold work from anywhere.
        const std::filesystem::path absolute = std::filesystem::absolute(m_dir, ec);
        if (!ec) {
            m_dir = absolute.lexically_normal().string();
            gen_set_project_directory(m_dir);
        }
        m_db_dir = (std::filesystem::path(m_dir) / "db").string();
    }

    // Reads never create the database folder; a project without one simply holds no report.
    KDB_SERVICE reader() const { return KDB_SERVICE(m_db_dir); }
    KDB_SERVICE writer() const
    {
        std::string db = gen_get_db_dir_path_string();
        if (db.empty()) fail("cannot create the database folder " + in_quotes(m_db_dir));
        return KDB_SERVICE(db);
    }

    const std::string& dir() const { return m_dir; }

private:
    std::string m_dir;
    std::string m_db_dir;
};

// The report's inter-process mutex, held as the library's own loads and stores hold it. Reads go on
// without it when it cannot be taken (a stored file is always replaced whole, so a reader never sees
// half of one); a command that stores a report refuses to do so unlocked.
class REPORT_LOCK {
public:
    REPORT_LOCK(const KDB_SERVICE& service, const KDB_PATH& path) : m_lock(service, path) {}
    void require(const std::string& what)
    {
        if (!m_lock.is_held()) fail("cannot lock " + what + ": " + printable(m_lock.get_error()));
    }

private:
    RDB_REPORT_MODEL_LOCK m_lock;
};

// ---- Arguments -----------------------------------------------------------------------------------

// Keys with more than one dot that name a report type: a stage key before a dotted label key
// ("placed.fit.da"). The parser stops on any other key with more than one dot, so only these reach it.
const std::set<std::string>& dotted_type_keys()
{
    static const std::set<std::string> keys = [] {
        std::set<std::string> found;
        for (int stage = KHD_SNAPSHOT_BASE::SYNTHESIZED; stage <= KHD_SNAPSHOT_BASE::TRELLANE; ++stage)
            for (int label = RDB_COMPILER_REPORT; label < RDB_REPORT_TYPE_MAX; ++label) {
                std::string key = rdb_report_type_to_string(
                    RDB_REPORT_TYPE(static_cast<RDB_REPORT_TYPE_LABELS>(label), RDB_BOUND_STAGE(stage)));
                if (std::count(key.begin(), key.end(), '.') > 1) found.insert(key);
            }
        return found;
    }();
    return keys;
}

// The canonical key of the report type a key names.
std::string checked_type_key(const std::string& key)
{
    const std::string problem = "unknown report type key " + in_quotes(key) + " (examples: fit, map, placed.sta)";
    if (std::count(key.begin(), key.end(), '.') > 1 && dotted_type_keys().count(key) == 0) usage_error(problem);
    RDB_REPORT_TYPE type = rdb_string_to_report_type(key.c_str());
    if (type.get_label() == RDB_REPORT_TYPE_MIN || type.get_label() == RDB_REPORT_TYPE_MAX) usage_error(problem);
    return rdb_report_type_to_string(type);
}

std::string checked_revision(const std::string& rev)
{
    if (rev.empty()) usage_error("the revision name is empty");
    return rev;
}

// A readable regular file.
void check_input_file(const std::string& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) fail("no such file " + in_quotes(file));
    if (!S_ISREG(st.st_mode)) fail(in_quotes(file) + " is not a regular file");
    if (!std::ifstream(file, std::ios::binary)) fail("cannot read " + in_quotes(file));
}

// ---- Commands ------------------------------------------------------------------------------------

using ARGS = std::vector<std::string>;

// Options that only some commands take.
struct OPTIONS {
    std::optional<std::string> output; // -o FILE
    bool strict = false; // --strict: warnings fail the command
    bool all = false; // --all: every stored report
    RDB_DIFF_OPTIONS diff; // --against-project, --fail-if, --thresholds, --json
};

std::string format_time(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[32] = "?";
    if (::localtime_r(&time, &local) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// The stored reports, by revision and type key. A database folder that cannot be listed ends the
// command: "0 reports" would be a lie.
std::vector<KDB_MODEL_INFO> stored_reports(const PROJECT& project)
{
    std::vector<KDB_MODEL_INFO> reports;
    std::string error;
    std::vector<KDB_MODEL_INFO> models = project.reader().list_models(&error);
    if (!error.empty()) fail(printable(error));
    for (KDB_MODEL_INFO& info : models)
        if (info.type == RDB_KDB_MODEL::s_model_type_string) reports.push_back(std::move(info));
    std::sort(reports.begin(), reports.end(), [](const KDB_MODEL_INFO& a, const KDB_MODEL_INFO& b) {
        return std::tie(a.revision, a.type_key, a.file_path) < std::tie(b.revision, b.type_key, b.file_path);
    });
    return reports;
}

int run_ls(const PROJECT& project, const ARGS&, const OPTIONS&)
{
    const std::vector<KDB_MODEL_INFO> reports = stored_reports(project);
    std::size_t rev_width = 0;
    std::size_t type_width = 0;
    std::size_t size_width = 0;
    for (const KDB_MODEL_INFO& info : reports) {
        rev_width = std::max(rev_width, printable(info.revision).size());
        type_width = std::max(type_width, printable(info.type_key).size());
        size_width = std::max(size_width, std::to_string(info.size).size());
    }
    for (const KDB_MODEL_INFO& info : reports) {
        std::cout << std::left << std::setw(static_cast<int>(rev_width)) << printable(info.revision) << "  "
                  << std::setw(static_cast<int>(type_width)) << printable(info.type_key) << "  " << std::right
                  << std::setw(static_cast<int>(size_width)) << info.size << "  " << format_time(info.modification_time)
                  << "\n";
    }
    return EXIT_OK;
}

// What is wrong with one stored form: "missing", "unreadable (Permission denied)", "damaged".
std::string form_problem(const KDB_FORM_STATE& form)
{
    switch (form.state) {
    case KDB_FORM_STATE::STATE::MISSING:
        return "missing";
    case KDB_FORM_STATE::STATE::UNREADABLE:
        return "unreadable (" + printable(form.reason) + ")";
    case KDB_FORM_STATE::STATE::DAMAGED:
        return "damaged";
    case KDB_FORM_STATE::STATE::READABLE:
        return "readable";
    case KDB_FORM_STATE::STATE::NOT_READ:
        break;
    }
    return "not read";
}

std::string report_name(const std::string& rev, const std::string& type)
{
    return "the report " + in_quotes(rev) + " of type " + in_quotes(type);
}

// The stored report of that revision and type; a missing or unreadable one ends the command. A report
// read from its backup is said so on stderr, with whether that backup is the one stored with the
// binary file: the output is then what the backup holds.
std::unique_ptr<RDB_REPORT> load_stored_report(const PROJECT& project, const std::string& rev, const std::string& type)
{
    const KDB_PATH path = RDB_REPORT::get_kdb_path(rev, type);
    KDB_SERVICE service = project.reader();
    if (!service.model_exists(path)) fail("no report " + in_quotes(rev) + " of type " + in_quotes(type));
    std::unique_ptr<RDB_REPORT> report;
    KDB_LOAD_INFO info;
    {
        REPORT_LOCK lock(service, path);
        report = rdb_load_report_model(service, path, &info);
    }
    if (!report) fail(report_name(rev, type) + " cannot be loaded");
    if (info.from_backup) {
        const char* match = info.backup_match() == KDB_BACKUP_MATCH::MATCHES ? ""
                            : info.backup_match() == KDB_BACKUP_MATCH::STALE
                                ? " (warning: the backup was not stored with the binary file: it may be older or newer)"
                                : " (warning: the backup cannot be checked against the binary file)";
        std::cerr << "rdb: " << report_name(rev, type) << " was read from its backup: its binary file is "
                  << form_problem(info.binary) << match << std::endl;
    }
    return report;
}

// Writes a command's output file through the file service: a regular file, or a name not yet taken,
// is replaced atomically, so that a failure leaves no partial file; a device, a FIFO or a terminal is
// written in place; a symbolic link is followed, and one that leads nowhere is refused.
void write_output_file(const std::string& file, const FIO_STREAM_WRITER& write)
{
    const FIO_WRITE_OUTCOME outcome = fio_write_stream_atomically(file, write);
    switch (outcome.result) {
    case FIO_WRITE_RESULT::WRITTEN:
        return;
    case FIO_WRITE_RESULT::DANGLING_LINK:
        fail(in_quotes(file) + " is a symbolic link to nothing that can be written: " + outcome.reason);
    case FIO_WRITE_RESULT::FOLDER:
        fail(in_quotes(file) + " is a folder");
    case FIO_WRITE_RESULT::FAILED:
        break;
    }
    fail("cannot write " + in_quotes(file) + (outcome.reason.empty() ? "" : ": " + outcome.reason));
}

int run_export_xml(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& file = args[2];
    if (file.empty()) usage_error("the output file name is empty");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);

    if (file == STANDARD_STREAM) {
        if (!rdb_xml_write(std::cout, report.get())) fail("cannot write the output");
        return EXIT_OK;
    }
    write_output_file(file, [&](std::ostream& out) { return rdb_xml_write(out, report.get()); });
    return EXIT_OK;
}

int run_export_json(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& file = args[2];
    if (file.empty()) usage_error("the output file name is empty");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    const RDB_OBJECT_JSON_VISITOR json(report.get());
    if (file == STANDARD_STREAM) {
        if (!json.write_json(std::cout)) fail("cannot write the output");
        return EXIT_OK;
    }
    write_output_file(file, [&](std::ostream& out) { return json.write_json(out); });
    return EXIT_OK;
}

// Stores the report under its lock; a failure ends the command with the system's reason.
void store_report(const PROJECT& project, const std::string& rev, const std::string& type, RDB_REPORT& report)
{
    KDB_SERVICE service = project.writer();
    const KDB_PATH path = RDB_REPORT::get_kdb_path(rev, type);
    std::string error;
    REPORT_LOCK lock(service, path);
    lock.require(report_name(rev, type));
    if (!rdb_store_report_model(service, path, report, &error))
        fail("cannot store " + report_name(rev, type) + ": " + printable(error));
}

int run_import_xml(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string& file = args[0];
    const std::string rev = checked_revision(args[1]);
    const std::string type = checked_type_key(args[2]);
    if (file.empty()) usage_error("the input file name is empty");
    std::unique_ptr<RDB_REPORT> report;
    if (file == STANDARD_STREAM) {
        const std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        if (std::cin.bad()) fail("cannot read the standard input");
        report = rdb_read_xml_report(gsl::span<const char>(text.data(), text.size()));
        if (!report) fail("the standard input is not a valid XML report");
    } else {
        check_input_file(file);
        report = rdb_read_xml_report(file.c_str());
        if (!report) fail(in_quotes(file) + " is not a valid XML report");
    }
    store_report(project, rev, type, *report);
    return EXIT_OK;
}

// What check says of one stored report beyond loaded or not: each stored form that is missing,
// unreadable or damaged, a load that had to use the backup, and a backup that does not belong to the
// binary file beside it (a store that died between its two renames, or a backup from elsewhere).
std::vector<std::string> report_warnings(const KDB_LOAD_INFO& info, bool with_backup)
{
    std::vector<std::string> warnings;
    if (info.binary.state != KDB_FORM_STATE::STATE::READABLE)
        warnings.push_back("binary file " + form_problem(info.binary));
    if (info.from_backup) warnings.push_back("loaded from the backup");
    if (!with_backup) return warnings;
    if (info.backup.state == KDB_FORM_STATE::STATE::MISSING) {
        warnings.push_back("no backup file");
    } else if (info.backup.state != KDB_FORM_STATE::STATE::READABLE) {
        warnings.push_back("backup file " + form_problem(info.backup));
    } else if (info.backup_match() == KDB_BACKUP_MATCH::STALE) {
        warnings.push_back("backup file stale (not stored with the binary file)");
    } else if (info.backup_match() == KDB_BACKUP_MATCH::UNVERIFIED) {
        warnings.push_back("backup file unverified (no stamp to check it against the binary file)");
    }
    return warnings;
}

int run_check(const PROJECT& project, const ARGS&, const OPTIONS& options)
{
    KDB_SERVICE service = project.reader();
    const std::vector<KDB_MODEL_INFO> reports = stored_reports(project);
    // Listed before any lock is taken: taking a report's lock removes what its killed writers left.
    const std::vector<std::string> stale = service.list_stale_temp_files();
    std::size_t rev_width = 0;
    for (const KDB_MODEL_INFO& info : reports)
        rev_width = std::max(rev_width, printable(info.revision).size());

    std::size_t failed = 0;
    std::size_t warnings = 0;
    for (const KDB_MODEL_INFO& info : reports) {
        const KDB_MODEL_HANDLER* handler = kdb_find_model_handler_for_path(info.path);
        KDB_LOAD_INFO load;
        bool loaded = false;
        {
            REPORT_LOCK lock(service, info.path);
            loaded = rdb_take_report_from_model(service.check_model(info.path, load)) != nullptr;
        }
        const std::vector<std::string> notes = report_warnings(load, handler != nullptr && handler->has_bak_support());
        std::string text;
        for (const std::string& note : notes)
            text += (text.empty() ? "" : ", ") + note;
        if (!loaded)
            ++failed;
        else
            warnings += notes.size();
        std::cout << (loaded ? (notes.empty() ? "ok      " : "warning ") : "FAILED  ") << std::left
                  << std::setw(static_cast<int>(rev_width)) << printable(info.revision) << "  "
                  << printable(info.type_key) << (text.empty() ? "" : " (" + text + ")") << "\n";
    }
    for (const std::string& file : stale)
        std::cout << "warning " << in_quotes(file) << " (a temporary file left by a writer that was killed)\n";
    warnings += stale.size();
    std::cout << reports.size() << (reports.size() == 1 ? " report" : " reports") << " checked, " << failed
              << " failed, " << warnings << (warnings == 1 ? " warning" : " warnings") << "\n";
    if (failed > 0)
        fail(std::to_string(failed) + " of " + std::to_string(reports.size()) + " stored reports cannot be loaded");
    if (options.strict && warnings > 0)
        fail(std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings") + " (--strict)");
    return EXIT_OK;
}

// ---- Text reports --------------------------------------------------------------------------------

// The title of a report's text file: "Compilation report for top".
std::string report_title(const std::string& rev, const std::string& type)
{
    return std::string(rdb_report_type_to_user_string(rdb_string_to_report_type(type.c_str()))) + " report for " + rev;
}

bool copy_file_to(const std::string& file, std::ostream& out)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    out << in.rdbuf();
    return static_cast<bool>(out);
}

int run_demo(const PROJECT& project, const ARGS&, const OPTIONS&)
{
    const std::string rev = RDB_DEMO_REVISION;
    const std::string type = RDB_DEMO_TYPE_KEY;
    // The library's informational messages would only interleave with the report on the terminal.
    msg_get_default_report()->set_echo(false);

    KDB_SERVICE service = project.writer();
    const std::string db_dir = gen_get_db_dir_path_string();
    std::string error;
    const std::vector<std::string> message_files = rdb_demo_write_message_files(db_dir, error);
    if (message_files.empty()) fail(error);

    // One date for the whole run: the flow summary and the banner agree.
    const std::string date_and_time = gen_get_current_date_and_time();
    gen_pin_current_date_and_time(date_and_time);
    std::unique_ptr<RDB_REPORT> report = rdb_demo_build_report(date_and_time);
    store_report(project, rev, type, *report);

    const std::string output_dir = gen_get_project_output_directory();
    if (output_dir.empty()) fail("cannot create the output folder in " + in_quotes(project.dir()));
    const std::string file = output_dir + "/" + rev + "." + type + ".rpt";
    const std::string title = report_title(rev, type);
    RDB_REPORT_GEN gen(report.get(), title.c_str());
    // Beside the text report: the HTML report, the JSON panels and the tables in SQLite.
    cfg_set_user_ini_value(CFG_USER_INI_HTML_REPORT, true);
    cfg_set_value("write_one_json_per_report", "on");
    cfg_set_value("write_report_tables_to_sqlite", "on");
    if (!gen.write_report_files(file.c_str(), true))
        fail("cannot write the report files of " + in_quotes(file) + " (RDB_DEBUG_LEVEL=2 says why)");

    std::error_code ec;
    const bool file_written = std::filesystem::is_regular_file(file, ec);
    if (file_written) {
        if (!copy_file_to(file, std::cout)) fail("cannot read back the text report " + in_quotes(file));
    } else if (!gen.write_ascii_report(std::cout)) {
        fail("cannot write the output");
    }
    std::cout.flush();

    std::cerr << "\nrdb demo: the compilation report of the made-up design " << rev << "\n"
              << "  stored as report " << rev << " of type " << type << " in " << db_dir << "\n";
    if (file_written) {
        const std::string base = file.substr(0, file.size() - 4);
        std::cerr << "  text report:   " << file << "\n"
                  << "  HTML report:   " << base << ".html (open it in a browser)\n";
    } else {
        std::cerr << "  text report:   not written (report files are off: rpl_no_reports)\n";
    }
    std::cerr << "  JSON panels:   " << file.substr(0, file.size() - 4) << ".json_files/\n"
              << "  SQLite tables: " << file << ".sqlite3\n";
    std::cerr << "  message files: " << message_files.size() << " in " << db_dir << "\n"
              << "  next:          rdb --project " << project.dir() << " report " << rev << " " << type << "\n"
              << "                 rdb --project " << project.dir() << " show " << rev << " " << type
              << " 'Fitter||Fitter Summary'\n";
    return EXIT_OK;
}

int run_report(const PROJECT& project, const ARGS& args, const OPTIONS& options)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    if (options.output && options.output->empty()) usage_error("the output file name is empty");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    const std::string title = report_title(rev, type);
    RDB_REPORT_GEN gen(report.get(), title.c_str());
    if (!options.output || *options.output == STANDARD_STREAM) {
        if (!gen.write_ascii_report(std::cout)) fail("cannot write the output");
        return EXIT_OK;
    }
    write_output_file(*options.output, [&](std::ostream& out) { return gen.write_ascii_report(out); });
    return EXIT_OK;
}

// The names of a "||" path; an empty path names the main folder.
std::vector<std::string> checked_object_path(const std::string& path)
{
    std::vector<std::string> names;
    if (path.empty()) return names;
    std::size_t start = 0;
    while (true) {
        const std::size_t bars = path.find("||", start);
        names.push_back(path.substr(start, bars == std::string::npos ? std::string::npos : bars - start));
        if (names.back().empty()) usage_error("the object path " + in_quotes(path) + " has an empty name");
        if (bars == std::string::npos) break;
        start = bars + 2;
    }
    return names;
}

int run_show(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& object_path = args[2];
    checked_object_path(object_path);
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    RDB_FOLDER_OBJECT* main_folder = report->get_main_folder();
    RDB_OBJECT* object = object_path.empty() ? main_folder : main_folder->find_object_by_path(object_path);
    if (object == nullptr)
        fail("no object " + in_quotes(object_path) + " in the report " + in_quotes(rev) + " of type " +
             in_quotes(type) + " (paths are names joined by '||', as in 'Fitter||Fitter Summary')");
    object->output_ascii(std::cout);
    return EXIT_OK;
}

// The waveform display at an object path: a stored display, the display of the timing path the path
// names, or that display named after its path ("...||Path 1||Waveform").
RDB_WAVEFORM_DISPLAY_OBJECT* find_waveform_display(const RDB_FOLDER_OBJECT& main_folder, const std::string& path)
{
    RDB_OBJECT* object = main_folder.find_object_by_path(path);
    const std::size_t bars = path.rfind("||");
    if (object == nullptr && bars != std::string::npos) {
        auto* timing_path = dynamic_cast<RDB_PATH_OBJECT*>(main_folder.find_object_by_path(path.substr(0, bars)));
        RDB_WAVEFORM_DISPLAY_OBJECT* display = timing_path != nullptr ? timing_path->get_waveform() : nullptr;
        return display != nullptr && display->get_name() == path.substr(bars + 2) ? display : nullptr;
    }
    if (auto* timing_path = dynamic_cast<RDB_PATH_OBJECT*>(object)) return timing_path->get_waveform();
    return dynamic_cast<RDB_WAVEFORM_DISPLAY_OBJECT*>(object);
}

// Draws a stored waveform display as a GIF image 1400 pixels wide (its height follows from its rows).
int run_waveform_gif(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& object_path = args[2];
    const std::string& file = args[3];
    if (checked_object_path(object_path).empty()) usage_error("the object path is empty");
    if (file.empty()) usage_error("the output file name is empty");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    RDB_WAVEFORM_DISPLAY_OBJECT* display = find_waveform_display(*report->get_main_folder(), object_path);
    if (display == nullptr)
        fail("no waveform display " + in_quotes(object_path) + " in the report " + in_quotes(rev) + " of type " +
             in_quotes(type) + " (a waveform display, or a timing path that has one)");
    RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
    formatter.set_size(1400, 1200);
    if (!formatter.load_rdb_waveform(display)) fail("the waveform image is too big to draw as a GIF image");
    const std::string gif = formatter.get_gif();
    if (file == STANDARD_STREAM) {
        if (!std::cout.write(gif.data(), static_cast<std::streamsize>(gif.size())).flush())
            fail("cannot write the output");
        return EXIT_OK;
    }
    write_output_file(file, [&](std::ostream& out) {
        return static_cast<bool>(out.write(gif.data(), static_cast<std::streamsize>(gif.size())));
    });
    return EXIT_OK;
}

// Writes the viewer panels of a stored report into a directory (made when missing): every panel, the
// table of contents last.
int run_export_panels(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& directory = args[2];
    if (directory.empty()) usage_error("the output directory name is empty");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    RDB_REPORT_GEN_JSON generator(report->get_main_folder(), directory.c_str());
    if (!generator.write_json_report_files(RDB_PANEL_FILTER()))
        fail("cannot write the panels into " + in_quotes(directory) + " (RDB_DEBUG_LEVEL=2 says why)");
    return EXIT_OK;
}

int run_export_sqlite(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& file = args[2];
    if (file.empty()) usage_error("the output file name is empty");
    if (file == STANDARD_STREAM) usage_error("an SQLite file cannot be written to the standard output");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    if (!rdb_write_report_tables_to_sqlite(file, report->get_main_folder()))
        fail("cannot write the tables to " + in_quotes(file) + " (RDB_DEBUG_LEVEL=2 says why)");
    return EXIT_OK;
}

// Writes the HTML report file of every stored report into the folder DIR and DIR/index.html listing
// them. A report that cannot be loaded or written is listed so and named here, and fails the command once
// all the others are written.
int run_export_html_all(const PROJECT& project, const std::string& directory)
{
    if (directory.empty()) usage_error("the output directory name is empty");
    if (directory == STANDARD_STREAM) usage_error("HTML reports cannot be written to the standard output");
    std::vector<RDB_HTML_PROJECT_ENTRY> entries;
    for (const KDB_MODEL_INFO& info : stored_reports(project)) {
        auto load = [&project, rev = info.revision, type = info.type_key](std::string* error) {
            try {
                return load_stored_report(project, rev, checked_type_key(type));
            } catch (const TOOL_ERROR& problem) {
                *error = problem.text;
                return std::unique_ptr<RDB_REPORT>();
            }
        };
        entries.push_back({info.revision, info.type_key, info.modification_time, info.size, load});
    }
    const RDB_HTML_PROJECT_PAGE_OUTCOME outcome =
        rdb_write_html_project_page(directory, "Reports of the project " + project.dir(), entries);
    // A folder that cannot be made fails every report for the one reason said last.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!outcome.reports[i].error.empty() && outcome.reports[i].error != outcome.index_error)
            std::cerr << "rdb: " << report_name(entries[i].revision, entries[i].type_key)
                      << " could not be written: " << printable(outcome.reports[i].error) << std::endl;
    }
    if (!outcome.index_error.empty()) fail(printable(outcome.index_error));
    return outcome.all_written() ? EXIT_OK : EXIT_FAILED;
}

// Writes the HTML report of a stored report: the page FILE and beside it FILE_files/ with its panels.
int run_export_html(const PROJECT& project, const ARGS& args, const OPTIONS& options)
{
    if (options.all) return run_export_html_all(project, args[0]);
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& file = args[2];
    if (file.empty()) usage_error("the output file name is empty");
    if (file == STANDARD_STREAM) usage_error("an HTML report cannot be written to the standard output");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    const std::string title = report_title(rev, type);
    RDB_REPORT_GEN gen(report.get(), title.c_str());
    if (!gen.write_html_report_file(file.c_str(), false))
        fail("cannot write the HTML report " + in_quotes(file) + " (RDB_DEBUG_LEVEL=2 says why)");
    return EXIT_OK;
}

// Writes the QML report of a stored report: FILE, FILE_files/, FILEproject and FILE.zip.
int run_export_qml(const PROJECT& project, const ARGS& args, const OPTIONS&)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string& file = args[2];
    if (file.empty()) usage_error("the output file name is empty");
    if (file == STANDARD_STREAM) usage_error("a QML report cannot be written to the standard output");
    const std::unique_ptr<RDB_REPORT> report = load_stored_report(project, rev, type);
    const std::string title = report_title(rev, type);
    RDB_REPORT_GEN gen(report.get(), title.c_str());
    if (!gen.write_qml_report_file(file, false))
        fail("cannot write the QML report " + in_quotes(file) + " (RDB_DEBUG_LEVEL=2 says why)");
    return EXIT_OK;
}

// Compares a stored report (the old one) with another (the new one): REV2 TYPE2 default to REV TYPE, the
// other project to this one. Exit status 1 when a threshold is crossed.
int run_diff(const PROJECT& project, const ARGS& args, const OPTIONS& options)
{
    const std::string rev = checked_revision(args[0]);
    const std::string type = checked_type_key(args[1]);
    const std::string rev2 = args.size() > 2 ? checked_revision(args[2]) : rev;
    const std::string type2 = args.size() > 2 ? checked_type_key(args[3]) : type;
    std::vector<RDB_DIFF_THRESHOLD> thresholds;
    std::string problem;
    if (!rdb_diff_read_thresholds(options.diff, thresholds, &problem)) usage_error(printable(problem));
    const std::unique_ptr<RDB_REPORT> old_report = load_stored_report(project, rev, type);
    std::unique_ptr<RDB_REPORT> new_report;
    if (options.diff.against_project) {
        gen_set_project_directory(*options.diff.against_project);
        new_report = load_stored_report(PROJECT(false), rev2, type2);
    } else {
        new_report = load_stored_report(project, rev2, type2);
    }
    return rdb_diff_run(*old_report->get_main_folder(), *new_report->get_main_folder(), thresholds, options.diff.json,
                        std::cout);
}

// ---- Command line --------------------------------------------------------------------------------

struct COMMAND {
    const char* name;
    const char* arguments;
    const char* summary;
    std::size_t argument_count;
    int (*run)(const PROJECT&, const ARGS&, const OPTIONS&);
    bool takes_output = false; // -o FILE
    bool creates_project = false; // makes a missing project directory
    bool takes_strict = false; // --strict
    const char* all_arguments = nullptr; // the arguments of the --all form, when there is one
    const char* all_summary = nullptr;
    bool takes_diff_options = false; // --against-project, --fail-if, --thresholds, --json
    std::size_t optional_argument_count = 0; // arguments that may follow the required ones
};

const COMMAND COMMANDS[] = {
    {"ls", "", "list the stored reports: revision, type key, size, modification time", 0, run_ls},
    {"export-xml", "REV TYPE FILE", "write the stored report REV of type TYPE to FILE as an XML report", 3,
     run_export_xml},
    {"export-json", "REV TYPE FILE", "write the stored report REV of type TYPE to FILE as one JSON document", 3,
     run_export_json},
    {"import-xml", "FILE REV TYPE", "store the XML report in FILE as report REV of type TYPE (replacing it)", 3,
     run_import_xml},
    {"check", "[--strict]",
     "load every stored report and both its files; name those that fail and warn of damaged, missing or "
     "stale files (--strict: warnings fail too)",
     0, run_check, false, false, true},
    {"demo", "", "build and store a demo compilation report, write its text report and print it", 0, run_demo, false,
     true},
    {"report", "REV TYPE [-o FILE]", "print the text report of the stored report REV of type TYPE", 2, run_report,
     true},
    {"export-sqlite", "REV TYPE FILE",
     "write every visible table of the stored report REV of type TYPE to the SQLite file FILE", 3, run_export_sqlite},
    {"show", "REV TYPE PATH", "print one object of a stored report; PATH is its names joined by '||'", 3, run_show},
    {"export-html", "REV TYPE FILE",
     "write the HTML report of the stored report REV of type TYPE: the page FILE and its folder FILE_files", 3,
     run_export_html, false, false, false, "--all DIR",
     "write the HTML report of every stored report into DIR, and DIR/index.html listing them"},
    {"export-qml", "REV TYPE FILE",
     "write the QML report of the stored report REV of type TYPE: FILE, FILE_files, FILEproject and FILE.zip", 3,
     run_export_qml},
    {"export-panels", "REV TYPE DIR", "write the report viewer's JSON panels of the stored report into DIR", 3,
     run_export_panels},
    {"waveform-gif", "REV TYPE PATH FILE",
     "draw the waveform display at PATH (or the timing path's there) of a stored report as the GIF image FILE", 4,
     run_waveform_gif},
    {"diff", "REV TYPE [REV2 TYPE2]",
     "what changed from the stored report REV TYPE to REV2 TYPE2 (default: the same) of this project or of "
     "--against-project DIR; --fail-if 'PATH:ROW[:COLUMN]<LIMIT' (<, <=, >, >=) and --thresholds FILE exit 1 "
     "when crossed; --json prints one JSON document",
     2, run_diff, false, false, false, nullptr, nullptr, true, 2},
};

void print_help(std::ostream& out)
{
    out << "usage: rdb [--project DIR] COMMAND [ARGUMENTS]\n"
           "Works on the reports stored in the database of the project in DIR (default: $RDB_PROJECT_DIR,\n"
           "else the current directory). TYPE is a report type key such as fit or placed.sta; FILE '-' is\n"
           "the standard output or input. demo makes the project directory when it is missing.\n\n"
           "commands:\n";
    for (const COMMAND& command : COMMANDS) {
        const std::string usage = std::string(command.name) + " " + command.arguments;
        out << "  " << std::left << std::setw(26) << usage << (usage.size() < 26 ? "" : " ") << command.summary << "\n";
        if (command.all_arguments == nullptr) continue;
        const std::string all_usage = std::string(command.name) + " " + command.all_arguments;
        out << "  " << std::left << std::setw(26) << all_usage << (all_usage.size() < 26 ? "" : " ")
            << command.all_summary << "\n";
    }
    out << "  " << std::left << std::setw(26) << "--help, -h"
        << "show this help\n\n"
        << "exit status: 0 done, 1 failed (or a diff threshold crossed), 2 bad command line, 3 internal error\n";
}

struct COMMAND_LINE {
    bool help = false;
    std::optional<std::string> project;
    OPTIONS options;
    std::vector<std::string> words; // the command, then its arguments
};

COMMAND_LINE parse_command_line(int argc, char** argv)
{
    COMMAND_LINE line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--project") {
            if (i + 1 >= argc) usage_error("--project needs a directory");
            line.project = argv[++i];
        } else if (arg.starts_with("--project=")) {
            line.project = arg.substr(std::string("--project=").size());
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc) usage_error(arg + " needs a file name");
            line.options.output = argv[++i];
        } else if (arg.starts_with("--output=")) {
            line.options.output = arg.substr(std::string("--output=").size());
        } else if (arg == "--strict") {
            line.options.strict = true;
        } else if (arg == "--all") {
            line.options.all = true;
        } else if (std::string problem; rdb_diff_take_option(argc, argv, i, line.options.diff, &problem)) {
            if (!problem.empty()) usage_error(problem);
        } else if (arg.size() > 1 && arg[0] == '-') {
            usage_error("unknown option " + in_quotes(arg) + " (try rdb --help)");
        } else {
            line.words.push_back(arg);
        }
    }
    if (line.project && line.project->empty()) usage_error("--project needs a directory");
    if (argc == 1) line.help = true;
    return line;
}

const COMMAND& find_command(const std::string& name)
{
    for (const COMMAND& command : COMMANDS)
        if (name == command.name) return command;
    usage_error("unknown command " + in_quotes(name) + " (try rdb --help)");
}

int run(int argc, char** argv)
{
    const COMMAND_LINE line = parse_command_line(argc, argv);
    if (line.help) {
        print_help(std::cout);
        return EXIT_OK;
    }
    if (line.words.empty()) usage_error("no command given (try rdb --help)");
    const COMMAND& command = find_command(line.words[0]);
    const ARGS args(line.words.begin() + 1, line.words.end());
    if (line.options.all && command.all_arguments == nullptr)
        usage_error(std::string(command.name) + " does not take --all (try rdb --help)");
    if (line.options.all && args.size() != 1)
        usage_error(std::string(command.name) + " takes the arguments " + command.all_arguments);
    const bool optional_arguments_given =
        command.optional_argument_count != 0 && args.size() == command.argument_count + command.optional_argument_count;
    if (!line.options.all && args.size() != command.argument_count && !optional_arguments_given) {
        usage_error(std::string(command.name) + " takes " +
                    (command.argument_count == 0 ? std::string("no arguments")
                                                 : std::string("the arguments ") + command.arguments));
    }
    if (line.options.output && !command.takes_output)
        usage_error(std::string(command.name) + " does not take -o (try rdb --help)");
    if (line.options.strict && !command.takes_strict)
        usage_error(std::string(command.name) + " does not take --strict (try rdb --help)");
    if (line.options.diff.given() && !command.takes_diff_options)
        usage_error(std::string(command.name) + " does not take the options of diff (try rdb --help)");
    if (line.project) gen_set_project_directory(*line.project);
    const PROJECT project(command.creates_project);
    const int status = command.run(project, args, line.options);
    std::cout.flush();
    if (!std::cout) fail("cannot write the output");
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    msg_set_internal_error_handler(on_internal_error);
    // Past a file-size limit (ulimit -f) the system would kill us with SIGXFSZ, leaving a temporary
    // file of the limit's size and no word of why. Ignored, the write fails with EFBIG instead, and
    // the store's own error path removes the temporary file and says so.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return run(argc, argv);
    } catch (const TOOL_ERROR& error) {
        std::cout.flush();
        std::cerr << "rdb: " << error.text << std::endl;
        return error.status;
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "rdb: internal error: " << error.what() << std::endl;
        return EXIT_INTERNAL;
    }
}
