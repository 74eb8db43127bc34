#pragma once
// RDB_REPORT: one report, the owner of a tree of report objects under its main folder; and the
// process-wide report registry (the static operations), through which programs obtain, load, save,
// free and delete reports by revision name and report type.
//
// The registry's table belongs to the report controller (rdb_report_controller.h); the registry owns
// the reports in it. A report is identified by its key, revision name + "." + report type key
// (rdb_make_report_key). Loading, saving and deleting a report happen under its inter-process
// mutex, named by the report's file name.

#include <memory>
#include <string>
#include <vector>

#include <boost/outcome.hpp>

#include "dcl/dcl_error.h"
#include "kdb/kdb.h"
#include "rdb_folder.h"
#include "rdb_messages.h"
#include "rdb_report_type.h"

class THR_IP_MUTEX_OBJ;
class RDB_SUMMARY_TABLE_OBJECT;

// ---- Errors --------------------------------------------------------------------------------------

// Base of the library's error objects.
class RDB_ERRC : public KORVANE_ERRC {};

namespace RDB::ERRC {

// The error id of a report that could not be loaded (ERDB_LOAD_REPORT_FAILED_ERRC, kind 1).
inline constexpr DCL_ERROR_ID LOAD_REPORT_FAILED_ERRC{ERDB_LOAD_REPORT_FAILED_ERRC, 1};
// The error id of a report that could not be saved (ERDB_REPORT_SAVE_FAILED, kind 1).
inline constexpr DCL_ERROR_ID REPORT_SAVE_FAILED_ERRC{ERDB_REPORT_SAVE_FAILED, 1};

// A report that could not be saved: carries "Failed to save reporting database '<file name>'.".
class REPORT_SAVE_FAILED : public RDB_ERRC {
public:
    explicit REPORT_SAVE_FAILED(const std::string& file_name);
    std::unique_ptr<KORVANE_ERRC> clone() const override;
    std::vector<MSG_RECORD> get_messages() const override;
    DCL_ERROR_ID get_error_id() const override { return REPORT_SAVE_FAILED_ERRC; }
    const std::string& get_file_name() const { return m_file_name; }

private:
    std::string m_file_name;
    MSG_RECORD m_message;
};

} // namespace RDB::ERRC

// A report, or the error that kept the registry from giving one. value() of an error throws.
using RDB_REPORT_OUTCOME = boost::outcome_v2::checked<RDB_REPORT*, DCL_ERROR>;

// ---- The report ----------------------------------------------------------------------------------

enum SEARCH_FROM_ENUM : int { SEARCH_FROM_MAIN_FOLDER = 0, SEARCH_FROM_CURRENT_FOLDER = 1 };

class RDB_REPORT {
public:
    // A main folder named "Default Main Folder", OWNED; no current folder.
    RDB_REPORT();
    RDB_REPORT(const RDB_REPORT&) = delete;
    RDB_REPORT& operator=(const RDB_REPORT&) = delete;
    // Deletes the main folder and so the whole tree.
    ~RDB_REPORT();

    // Never null while the report lives ("m_main_folder" otherwise).
    RDB_FOLDER_OBJECT* get_main_folder() const;
    RDB_FOLDER_OBJECT& get_main_folder_r() const;
    // Replaces (and deletes) the main folder; the report takes the new one. Internal errors: no
    // current main folder, a null folder ("folder"), the same folder ("folder != m_main_folder").
    void add_main_folder(RDB_FOLDER_OBJECT* folder);
    // The folder a producer is filling (not owned), null by default.
    RDB_FOLDER_OBJECT* get_current_folder() const { return m_current_folder; }
    void set_current_folder(RDB_FOLDER_OBJECT* folder) { m_current_folder = folder; }

    // The first component names the main folder and is not compared; the rest after the first "||"
    // is looked up in the main folder; nothing after it gives the main folder. A path without "||"
    // raises boost::numeric::positive_overflow.
    RDB_OBJECT* find_object(const std::string& path) const;
    // The first summary table below the main or current folder, or null.
    RDB_SUMMARY_TABLE_OBJECT* find_summary(SEARCH_FROM_ENUM from) const;
    RDB_SUMMARY_TABLE_OBJECT* find_flow_summary() const { return find_summary(SEARCH_FROM_MAIN_FOLDER); }

    // ---- Registry ----
    // Registers report under the key (a null report is ignored). The registry then owns it.
    static void add_report(const std::string& rev, const std::string& type, RDB_REPORT* report);
    static void add_report(const std::string& rev, RDB_REPORT_TYPE type, RDB_REPORT* report);
    // The registered report, else the stored one (loaded and registered), else null. Any error other
    // than a failed load is an internal error starting with "UNHANDLED ERROR:".
    static RDB_REPORT* get_report(const std::string& rev, const std::string& type);
    static RDB_REPORT* get_report(const std::string& rev, RDB_REPORT_TYPE type);
    // As get_report, with the error as a result.
    static RDB_REPORT_OUTCOME get_rpt(const std::string& rev, RDB_REPORT_TYPE type);
    // Deletes the registered report unless it is an exe report.
    static void free_report(const std::string& rev, const std::string& type);
    static void free_report(const std::string& rev, RDB_REPORT_TYPE type);
    // Deletes every registered report but the exe reports.
    static void free_all_reports();
    // Deletes the stored report and frees the registered one; the database service's answer.
    static bool delete_report(const std::string& rev, const std::string& type);
    static bool delete_report(const std::string& rev, RDB_REPORT_TYPE type);
    // Stores the registered report; true also when none is registered. A concurrent-access-only
    // report is not stored here (only RDB_CONCURRENT_ACCESS stores it).
    static bool write_report(const std::string& rev, const std::string& type);
    static bool write_report(const std::string& rev, RDB_REPORT_TYPE type);
    // Stores every registered report (concurrent-access-only ones excepted), each under its own mutex.
    static bool write_all_reports(std::string unused = std::string());
    // Debug listing of the registered reports when "rdb_dump_all_reports" is on.
    static void dump_all_reports();
    static void set_as_exe_report(const std::string& rev, const std::string& type);
    static void set_as_exe_report(const std::string& rev, RDB_REPORT_TYPE type);
    static void unset_exe_report();
    // The report's file name in the project database; it also names the report's mutex.
    static std::string get_file_name(const std::string& rev, const std::string& type);
    static std::string get_file_name(const std::string& rev, RDB_REPORT_TYPE type);
    // The report's inter-process mutex, or null when the database manager has none.
    static THR_IP_MUTEX_OBJ* get_interprocess_mutex(const std::string& rev, const std::string& type);
    static THR_IP_MUTEX_OBJ* get_interprocess_mutex(const std::string& rev, RDB_REPORT_TYPE type);
    // The project path of the report: the base path with revision (component 1), snapshot "_all"
    // (component 4, except for the Dervane type "acvk") and "report.<type key>" (component 6).
    static KDB_PATH get_kdb_path(const std::string& rev, RDB_REPORT_TYPE type);
    static KDB_PATH get_kdb_path(const std::string& rev, const std::string& type);
    // The base project path of every report path; empty by default.
    static void set_kdb_path(const KDB_PATH& path);
    static void reset_kdb_path();

private:
    static RDB_REPORT_OUTCOME get_rpt_impl(const std::string& rev, const std::string& type);
    static void free_report(const std::string& key);
    static RDB_REPORT* load_report(const std::string& rev, const std::string& type);
    static bool save_report(const std::string& rev, const std::string& type, RDB_REPORT* report);

    RDB_FOLDER_OBJECT* m_main_folder = nullptr;
    RDB_FOLDER_OBJECT* m_current_folder = nullptr;
};

// rev + "." + type.
std::string rdb_make_report_key(const std::string& rev, const std::string& type);
// The file name of the report of that revision and type.
std::string rdb_get_filename(const char* rev, RDB_REPORT_TYPE type);

// The registry behind an interface, for callers that do not link the classes.
class RDB_MANAGER {
public:
    virtual ~RDB_MANAGER() = default;
    virtual RDB_REPORT* get_report_and_file_name(const std::string& rev, RDB_REPORT_TYPE type,
                                                 std::string& file_name) = 0;
    virtual RDB_REPORT* get_report(const std::string& rev, RDB_REPORT_TYPE type) = 0;
    virtual void free_report(const std::string& rev, RDB_REPORT_TYPE type) = 0;
    virtual void free_all_reports() = 0;
    virtual std::string get_file_name(const std::string& rev, RDB_REPORT_TYPE type) = 0;
    virtual void set_kdb_path(const KDB_PATH& path) = 0;
    virtual KDB_PATH get_kdb_path(const std::string& rev, RDB_REPORT_TYPE type) = 0;
};

// The process's manager, made once.
RDB_MANAGER* rdb_get_manager();
