// The Tcl package "rdb": read-only access from Tcl scripts to the reports stored in a project's
// database. "load librdbtcl.so Rdbtcl" (what "package require rdb" does) makes the commands
//
//   rdb::open PROJECT                  open the project directory (it must hold a db folder)
//   rdb::reports                       the stored reports: a list of dicts {rev R type T time S size B}
//   rdb::objects REV TYPE ?PATTERN?    the "||" paths of the report's objects, filtered by string match
//   rdb::table REV TYPE PATH           the header list, then one list per data row
//   rdb::cell REV TYPE PATH ROW COL    one cell: ROW 0 is the first data row; COL an index or a header text
//   rdb::text REV TYPE PATH            the plain-text form of the object
//
// Every failure is a Tcl error with an errorCode that starts with RDB; the library's internal errors,
// which would otherwise end the whole program, are turned into such errors at the command boundary.
// Texts reach Tcl as UTF-8, every byte that starts no well-formed sequence as U+FFFD.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include <tcl.h>

#include "gen/gen_project.h"
#include "gen/gen_utf8.h"
#include "kdb/kdb.h"
#include "msg/msg.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"

#ifndef RDB_TCL_PACKAGE_VERSION
#error "RDB_TCL_PACKAGE_VERSION must name the package version"
#endif

namespace {

// ---- Failures ------------------------------------------------------------------------------------

// A command's failure: the errorCode words after "RDB" and the message.
struct RDB_TCL_FAILURE {
    std::vector<std::string> code;
    std::string message;
};

[[noreturn]] void fail(std::vector<std::string> code, std::string message)
{
    throw RDB_TCL_FAILURE{std::move(code), std::move(message)};
}

// An internal error of the library, thrown by the handler the commands install while they run.
class RDB_TCL_INTERNAL_ERROR : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void throw_internal_error(const char* condition, const char* component, const char* file, int line)
{
    throw RDB_TCL_INTERNAL_ERROR(std::string("internal error in ") + (component ? component : "?") + ": " +
                                 (condition ? condition : "?") + " (" + (file ? file : "?") + ":" +
                                 std::to_string(line) + ")");
}

// Installs the throwing handler for one command and restores the one before it, so that a program
// that embeds Tcl and set its own handler keeps it outside our commands.
class INTERNAL_ERRORS_THROW {
public:
    INTERNAL_ERRORS_THROW() : m_previous(msg_set_internal_error_handler(throw_internal_error)) {}
    ~INTERNAL_ERRORS_THROW() { msg_set_internal_error_handler(m_previous); }
    INTERNAL_ERRORS_THROW(const INTERNAL_ERRORS_THROW&) = delete;
    INTERNAL_ERRORS_THROW& operator=(const INTERNAL_ERRORS_THROW&) = delete;

private:
    MSG_INTERNAL_ERROR_HANDLER m_previous;
};

// ---- Texts between the library (UTF-8) and Tcl (its own internal form) ---------------------------

// Tcl's utf-8 encoding, held for the life of the process (a built-in encoding is never unloaded).
Tcl_Encoding utf8_encoding()
{
    static const Tcl_Encoding encoding = Tcl_GetEncoding(nullptr, "utf-8");
    return encoding;
}

// A Tcl value of a library text. The text is made well-formed first, then converted by Tcl's own
// utf-8 encoding, which writes NUL and characters beyond the basic plane in Tcl's internal form.
Tcl_Obj* to_tcl(const std::string& text)
{
    const std::string valid = gen_valid_utf8(text);
    Tcl_DString converted;
    Tcl_ExternalToUtfDString(utf8_encoding(), valid.data(), static_cast<int>(valid.size()), &converted);
    Tcl_Obj* object = Tcl_NewStringObj(Tcl_DStringValue(&converted), Tcl_DStringLength(&converted));
    Tcl_DStringFree(&converted);
    return object;
}

// The UTF-8 text of a Tcl value.
std::string from_tcl(Tcl_Obj* object)
{
    int length = 0;
    const char* text = Tcl_GetStringFromObj(object, &length);
    Tcl_DString converted;
    Tcl_UtfToExternalDString(utf8_encoding(), text, length, &converted);
    std::string out(Tcl_DStringValue(&converted), static_cast<std::size_t>(Tcl_DStringLength(&converted)));
    Tcl_DStringFree(&converted);
    return out;
}

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

// ---- The open project and its loaded reports -----------------------------------------------------

// One per interpreter: the open project and the reports loaded from it, kept until another rdb::open
// or the interpreter's deletion.
class RDB_TCL_SESSION {
public:
    void open(const std::string& dir)
    {
        std::error_code ec;
        if (!std::filesystem::is_directory(dir, ec))
            fail({"BADPROJECT", dir}, "no such project directory " + in_quotes(dir));
        std::filesystem::path absolute = std::filesystem::absolute(dir, ec);
        const std::string project = ec ? dir : absolute.lexically_normal().string();
        const std::string db_dir = (std::filesystem::path(project) / "db").string();
        if (!std::filesystem::is_directory(db_dir, ec))
            fail({"BADPROJECT", dir},
                 "the project " + in_quotes(dir) + " has no report database (no folder " + in_quotes(db_dir) + ")");
        m_reports.clear();
        m_project_dir = project;
        m_db_dir = db_dir;
    }

    // The stored reports, ordered by revision and type.
    std::vector<KDB_MODEL_INFO> stored_reports()
    {
        std::string error;
        std::vector<KDB_MODEL_INFO> models = service().list_models(&error);
        if (!error.empty()) fail({"BADPROJECT", m_project_dir}, "cannot list the reports: " + error);
        std::vector<KDB_MODEL_INFO> reports;
        for (KDB_MODEL_INFO& info : models)
            if (info.type == RDB_KDB_MODEL::s_model_type_string) reports.push_back(std::move(info));
        std::sort(reports.begin(), reports.end(), [](const KDB_MODEL_INFO& a, const KDB_MODEL_INFO& b) {
            return std::tie(a.revision, a.type_key) < std::tie(b.revision, b.type_key);
        });
        return reports;
    }

    // The report of that revision and type key, loaded on first use.
    RDB_REPORT& report(const std::string& rev, const std::string& type)
    {
        auto found = m_reports.find({rev, type});
        if (found == m_reports.end()) found = m_reports.emplace(std::make_pair(rev, type), load(rev, type)).first;
        return *found->second;
    }

    void clear() { m_reports.clear(); }

private:
    KDB_SERVICE service()
    {
        if (m_project_dir.empty()) fail({"NOTOPEN"}, "no project is open (rdb::open PROJECT first)");
        return KDB_SERVICE(m_db_dir);
    }

    // The stored report that a revision and type key from Tcl name: the one with exactly these names, else
    // the one whose names read so in Tcl (invalid bytes as U+FFFD), so that every name rdb::reports
    // answers opens its report.
    std::optional<KDB_MODEL_INFO> find_stored_report(const std::string& rev, const std::string& type)
    {
        std::optional<KDB_MODEL_INFO> as_read;
        for (KDB_MODEL_INFO& info : stored_reports()) {
            if (info.revision == rev && info.type_key == type) return std::move(info);
            if (!as_read && gen_valid_utf8(info.revision) == rev && gen_valid_utf8(info.type_key) == type)
                as_read = std::move(info);
        }
        return as_read;
    }

    std::unique_ptr<RDB_REPORT> load(const std::string& rev, const std::string& type)
    {
        KDB_SERVICE reader = service();
        const std::optional<KDB_MODEL_INFO> info = find_stored_report(rev, type);
        if (!info)
            fail({"NOTFOUND", "REPORT", rev, type}, "no report " + in_quotes(rev) + " of type " + in_quotes(type) +
                                                        " in the project " + in_quotes(m_project_dir));
        // The report's inter-process mutex is named after its file in the process's project database.
        gen_set_project_directory(m_project_dir);
        std::unique_ptr<RDB_REPORT> loaded;
        {
            // Held as the library's own loads hold it; without it the load goes on, as a stored file is
            // only ever replaced whole.
            RDB_REPORT_MODEL_LOCK lock(reader, info->path);
            loaded = rdb_load_report_model(reader, info->path);
        }
        if (!loaded)
            fail({"LOAD", rev, type},
                 "the report " + in_quotes(rev) + " of type " + in_quotes(type) + " cannot be loaded");
        return loaded;
    }

    std::string m_project_dir;
    std::string m_db_dir;
    std::map<std::pair<std::string, std::string>, std::unique_ptr<RDB_REPORT>> m_reports;
};

const char* const SESSION_KEY = "rdb::session";

void delete_session(ClientData data, Tcl_Interp*) { delete static_cast<RDB_TCL_SESSION*>(data); }

// ---- Objects -------------------------------------------------------------------------------------

// Calls visit(path, object) for every object below the folder, depth first in list order.
void for_each_object(const RDB_FOLDER_OBJECT& folder, const std::string& prefix,
                     const std::function<void(const std::string&, RDB_OBJECT&)>& visit)
{
    for (RDB_OBJECT* object : folder) {
        if (object == nullptr) continue;
        const std::string path = prefix.empty() ? object->get_name() : prefix + "||" + object->get_name();
        visit(path, *object);
        if (const RDB_FOLDER_OBJECT* child = object->dynamic_cast_to_RDB_FOLDER_OBJECT())
            for_each_object(*child, path, visit);
    }
}

// The object at a "||" path; the empty path names the main folder.
RDB_OBJECT& find_object(RDB_REPORT& report, const std::string& path)
{
    RDB_FOLDER_OBJECT* main_folder = report.get_main_folder();
    RDB_OBJECT* object = path.empty() ? main_folder : main_folder->find_object_by_path(path);
    if (object == nullptr)
        fail({"NOTFOUND", "OBJECT", path},
             "no object " + in_quotes(path) + " in the report (paths are names joined by \"||\")");
    return *object;
}

RDB_TABLE_OBJECT& find_table(RDB_REPORT& report, const std::string& path)
{
    RDB_TABLE_OBJECT* table = find_object(report, path).dynamic_cast_to_RDB_TABLE_OBJECT();
    if (table == nullptr) fail({"NOTTABLE", path}, "the object " + in_quotes(path) + " is not a table");
    return *table;
}

// The index of a table's first data row: a summary table's rows are all data, other tables have a
// header row first.
unsigned int first_data_row(const RDB_TABLE_OBJECT& table)
{
    return table.dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT() != nullptr ? 0 : 1;
}

// The column COL names: an integer is an index, any other text the first header cell equal to it.
unsigned int find_column(const RDB_TABLE_OBJECT& table, Tcl_Obj* col)
{
    const unsigned int columns = table.get_number_of_columns();
    int index = 0;
    if (Tcl_GetIntFromObj(nullptr, col, &index) == TCL_OK) {
        if (index < 0 || static_cast<unsigned int>(index) >= columns)
            fail({"RANGE", "COLUMN", std::to_string(index)}, "column " + std::to_string(index) +
                                                                 " out of range (the table has " +
                                                                 std::to_string(columns) + " columns)");
        return static_cast<unsigned int>(index);
    }
    const std::string header = from_tcl(col);
    if (first_data_row(table) == 0)
        fail({"NOTFOUND", "COLUMN", header}, "no column " + in_quotes(header) + ": the table has no header row");
    for (unsigned int c = 0; c < columns; ++c)
        if (table.get_data_string(0, c) == header) return c;
    fail({"NOTFOUND", "COLUMN", header}, "no column " + in_quotes(header) + " in the table header");
}

// ---- Commands ------------------------------------------------------------------------------------

// One call: the session and the arguments after the command name.
struct RDB_TCL_CALL {
    RDB_TCL_SESSION& session;
    std::vector<Tcl_Obj*> args;

    std::string text(std::size_t i) const { return from_tcl(args[i]); }
    RDB_REPORT& report() const { return session.report(text(0), text(1)); }
};

Tcl_Obj* run_open(const RDB_TCL_CALL& call)
{
    call.session.open(call.text(0));
    return Tcl_NewObj();
}

Tcl_Obj* run_reports(const RDB_TCL_CALL& call)
{
    Tcl_Obj* list = Tcl_NewListObj(0, nullptr);
    for (const KDB_MODEL_INFO& info : call.session.stored_reports()) {
        Tcl_Obj* entry = Tcl_NewDictObj();
        Tcl_DictObjPut(nullptr, entry, Tcl_NewStringObj("rev", -1), to_tcl(info.revision));
        Tcl_DictObjPut(nullptr, entry, Tcl_NewStringObj("type", -1), to_tcl(info.type_key));
        Tcl_DictObjPut(nullptr, entry, Tcl_NewStringObj("time", -1), Tcl_NewWideIntObj(info.modification_time));
        Tcl_DictObjPut(nullptr, entry, Tcl_NewStringObj("size", -1),
                       Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(info.size)));
        Tcl_ListObjAppendElement(nullptr, list, entry);
    }
    return list;
}

Tcl_Obj* run_objects(const RDB_TCL_CALL& call)
{
    RDB_REPORT& report = call.report();
    const char* pattern = call.args.size() > 2 ? Tcl_GetString(call.args[2]) : nullptr;
    Tcl_Obj* list = Tcl_NewListObj(0, nullptr);
    for_each_object(*report.get_main_folder(), "", [&](const std::string& path, RDB_OBJECT&) {
        Tcl_Obj* item = to_tcl(path);
        Tcl_IncrRefCount(item);
        if (pattern == nullptr || Tcl_StringMatch(Tcl_GetString(item), pattern))
            Tcl_ListObjAppendElement(nullptr, list, item);
        Tcl_DecrRefCount(item);
    });
    return list;
}

Tcl_Obj* run_table(const RDB_TCL_CALL& call)
{
    const RDB_TABLE_OBJECT& table = find_table(call.report(), call.text(2));
    Tcl_Obj* rows = Tcl_NewListObj(0, nullptr);
    // A table without a header row (or without rows) still answers a header list first: an empty one.
    if (first_data_row(table) == 0 || table.get_number_of_rows() == 0)
        Tcl_ListObjAppendElement(nullptr, rows, Tcl_NewListObj(0, nullptr));
    table.for_each_data_row([&](const std::vector<std::string>& texts) {
        Tcl_Obj* row = Tcl_NewListObj(0, nullptr);
        for (const std::string& text : texts)
            Tcl_ListObjAppendElement(nullptr, row, to_tcl(text));
        Tcl_ListObjAppendElement(nullptr, rows, row);
    });
    return rows;
}

Tcl_Obj* run_cell(const RDB_TCL_CALL& call)
{
    const RDB_TABLE_OBJECT& table = find_table(call.report(), call.text(2));
    const unsigned int rows = table.get_number_of_rows();
    const unsigned int first = first_data_row(table);
    const unsigned int data_rows = rows > first ? rows - first : 0;
    int row = 0;
    if (Tcl_GetIntFromObj(nullptr, call.args[3], &row) != TCL_OK)
        fail({"BADINDEX", call.text(3)}, "the row " + in_quotes(call.text(3)) + " is not an integer");
    if (row < 0 || static_cast<unsigned int>(row) >= data_rows)
        fail({"RANGE", "ROW", std::to_string(row)}, "row " + std::to_string(row) + " out of range (the table has " +
                                                        std::to_string(data_rows) + " data rows)");
    const unsigned int col = find_column(table, call.args[4]);
    return to_tcl(table.get_data_string(static_cast<unsigned int>(row) + first, col));
}

Tcl_Obj* run_text(const RDB_TCL_CALL& call)
{
    RDB_OBJECT& object = find_object(call.report(), call.text(2));
    std::ostringstream out;
    object.output_ascii(out);
    return to_tcl(out.str());
}

struct RDB_TCL_COMMAND {
    const char* name;
    std::size_t min_args;
    std::size_t max_args;
    const char* usage;
    Tcl_Obj* (*run)(const RDB_TCL_CALL&);
};

const RDB_TCL_COMMAND COMMANDS[] = {
    {"open", 1, 1, "PROJECT", run_open},
    {"reports", 0, 0, "", run_reports},
    {"objects", 2, 3, "REV TYPE ?PATTERN?", run_objects},
    {"table", 3, 3, "REV TYPE PATH", run_table},
    {"cell", 5, 5, "REV TYPE PATH ROW COL", run_cell},
    {"text", 3, 3, "REV TYPE PATH", run_text},
};

void set_error(Tcl_Interp* interp, const std::vector<std::string>& code, const std::string& message)
{
    Tcl_Obj* code_list = Tcl_NewListObj(0, nullptr);
    Tcl_ListObjAppendElement(nullptr, code_list, Tcl_NewStringObj("RDB", -1));
    for (const std::string& word : code)
        Tcl_ListObjAppendElement(nullptr, code_list, to_tcl(word));
    Tcl_SetObjResult(interp, to_tcl(message));
    Tcl_SetObjErrorCode(interp, code_list);
}

// Runs one command; nothing the library throws, and none of its internal errors, gets past here.
int run_command(ClientData data, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[])
{
    const RDB_TCL_COMMAND& command = *static_cast<const RDB_TCL_COMMAND*>(data);
    const auto args = static_cast<std::size_t>(objc - 1);
    if (args < command.min_args || args > command.max_args) {
        Tcl_WrongNumArgs(interp, 1, objv, *command.usage != '\0' ? command.usage : nullptr);
        return TCL_ERROR;
    }
    auto* session = static_cast<RDB_TCL_SESSION*>(Tcl_GetAssocData(interp, SESSION_KEY, nullptr));
    try {
        INTERNAL_ERRORS_THROW internal_errors_throw;
        const RDB_TCL_CALL call{*session, std::vector<Tcl_Obj*>(objv + 1, objv + objc)};
        Tcl_SetObjResult(interp, command.run(call));
        return TCL_OK;
    } catch (const RDB_TCL_FAILURE& failure) {
        set_error(interp, failure.code, failure.message);
    } catch (const RDB_TCL_INTERNAL_ERROR& error) {
        // The report being loaded may be half built: drop every loaded report rather than keep it.
        session->clear();
        set_error(interp, {"INTERNAL"}, error.what());
    } catch (const std::exception& error) {
        session->clear();
        set_error(interp, {"INTERNAL"}, std::string("internal error: ") + error.what());
    } catch (...) {
        session->clear();
        set_error(interp, {"INTERNAL"}, "internal error");
    }
    return TCL_ERROR;
}

} // namespace

// The package's entry point, called by "load" with the interpreter that loads it.
extern "C" int Rdbtcl_Init(Tcl_Interp* interp)
{
    if (Tcl_InitStubs(interp, "8.6", 0) == nullptr) return TCL_ERROR;
    if (Tcl_GetAssocData(interp, SESSION_KEY, nullptr) == nullptr)
        Tcl_SetAssocData(interp, SESSION_KEY, delete_session, new RDB_TCL_SESSION);
    for (const RDB_TCL_COMMAND& command : COMMANDS) {
        const std::string name = std::string("::rdb::") + command.name;
        Tcl_CreateObjCommand(interp, name.c_str(), run_command, const_cast<RDB_TCL_COMMAND*>(&command), nullptr);
    }
    if (Tcl_Eval(interp, "namespace eval ::rdb {namespace export open reports objects table cell text}") != TCL_OK)
        return TCL_ERROR;
    return Tcl_PkgProvide(interp, "rdb", RDB_TCL_PACKAGE_VERSION);
}
