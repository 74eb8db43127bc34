#include "rdb_report.h"

#include <mutex>

#include <boost/numeric/conversion/cast.hpp>

#include "dbm/dbm.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_cell_pool.h"
#include "rdb_dms_model_handler.h"
#include "rdb_enum.h"
#include "rdb_hack_warning.h"
#include "rdb_report_controller.h"
#include "rdb_table_sys.h"
#include "tcl/atcl.h"

namespace {

constexpr const char* THIS_FILE = "db/rdb/rdb_report.cpp";

// The provisional code paths of the registry, each announced once per process.
RDB_HACK_WARNING g_hack_delete{THIS_FILE, 110, "zorvik", 208705, "KHD should call put/get model for RDB", {}};
RDB_HACK_WARNING g_hack_load{THIS_FILE, 326, "zorvik", 208705, "KHD should call put/get model for RDB", {}};
RDB_HACK_WARNING g_hack_snapshot{
    THIS_FILE, 141, "quandel", 313671, "Fix reporting snapshots so they're not an epic hack", {}};
RDB_HACK_WARNING g_hack_save_model{THIS_FILE, 372, "zorvik", 208705, "KHD should call put/get model for RDB", {}};
RDB_HACK_WARNING g_hack_save_io{THIS_FILE, 421, "brevald", 466605, "Fix Korvane File IO", {}};

void dump_if(const char* switch_name)
{
    if (cfg_is_on(switch_name, false)) RDB_REPORT::dump_all_reports();
}

RDB_REPORT_CONTROLLER& controller() { return RDB_SINGLETON_STATE::get().get_rpt_controller(); }

// The base of every report's project path (set_kdb_path).
KDB_PATH& base_kdb_path()
{
    static KDB_PATH path;
    return path;
}

constexpr const char* DERVANE_TYPE_KEY = "acvk";

// Holds a report's inter-process mutex for a scope (counted as held only when the lock succeeded) and
// clears what killed writers of the report left behind.
class REPORT_LOCK : public RDB_REPORT_MODEL_LOCK {
public:
    REPORT_LOCK(const std::string& rev, const std::string& type)
        : RDB_REPORT_MODEL_LOCK(kdb_get_default_service_or_die(), RDB_REPORT::get_kdb_path(rev, type))
    {
    }
};

// The first summary table among the folder's children, depth-first into child folders.
RDB_SUMMARY_TABLE_OBJECT* find_summary_in(RDB_FOLDER_OBJECT& folder)
{
    for (RDB_OBJECT* child : folder) {
        RDB_ASSERT_MSG(child != nullptr, "object != NULL");
        if (child->get_type() == RDB_SUMMARY_TABLE_TYPE) {
            if (RDB_SUMMARY_TABLE_OBJECT* summary = child->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT()) return summary;
        }
        if (RDB_FOLDER_OBJECT* sub_folder = child->dynamic_cast_to_RDB_FOLDER_OBJECT()) {
            if (RDB_SUMMARY_TABLE_OBJECT* summary = find_summary_in(*sub_folder)) return summary;
        }
    }
    return nullptr;
}

// The revision name and type key of a registered report. Reports registered through the registry
// have them recorded; for an entry put into the controller directly the key is split at its first ".".
void identity_of(const std::string& key, std::string& rev, std::string& type)
{
    if (controller().get_report_identity(key, rev, type)) return;
    std::size_t dot = key.find('.');
    rev = key.substr(0, dot);
    type = dot == std::string::npos ? std::string() : key.substr(dot + 1);
}

// A concurrent-access-only report is only ever stored by its RDB_CONCURRENT_ACCESS owner: the copy
// the registry holds is a read-only snapshot that may be older than what other processes stored.
bool skip_concurrent_access_only(const std::string& key)
{
    if (!controller().is_report_concurrent_access_only(key)) return false;
    msg_local_vdebug("RDB", 2, "Not writing report %s: it is for concurrent access only", key.c_str());
    return true;
}

} // namespace

// ---- Errors --------------------------------------------------------------------------------------

RDB::ERRC::REPORT_SAVE_FAILED::REPORT_SAVE_FAILED(const std::string& file_name) : m_file_name(file_name)
{
    std::unique_ptr<MSG_BASE> message = rdb_make_message(ERDB_REPORT_SAVE_FAILED, {file_name});
    m_message = MSG_RECORD{message->get_id(), message->get_type(), message->get_text()};
}

std::unique_ptr<KORVANE_ERRC> RDB::ERRC::REPORT_SAVE_FAILED::clone() const
{
    return std::make_unique<REPORT_SAVE_FAILED>(*this);
}

std::vector<MSG_RECORD> RDB::ERRC::REPORT_SAVE_FAILED::get_messages() const { return {m_message}; }

// ---- The report ----------------------------------------------------------------------------------

RDB_REPORT::RDB_REPORT() : m_main_folder(new RDB_FOLDER_OBJECT("Default Main Folder"))
{
    m_main_folder->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), OWNED);
}

RDB_REPORT::~RDB_REPORT()
{
    RDB_ASSERT(m_main_folder);
    m_main_folder->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), NOT_OWNED);
    delete m_main_folder;
}

RDB_FOLDER_OBJECT* RDB_REPORT::get_main_folder() const
{
    RDB_ASSERT(m_main_folder);
    return m_main_folder;
}

RDB_FOLDER_OBJECT& RDB_REPORT::get_main_folder_r() const
{
    RDB_ASSERT(m_main_folder);
    return *m_main_folder;
}

void RDB_REPORT::add_main_folder(RDB_FOLDER_OBJECT* folder)
{
    RDB_ASSERT(m_main_folder);
    RDB_ASSERT(folder);
    RDB_ASSERT(folder != m_main_folder);
    // A folder some other folder owns would be deleted twice.
    RDB_ASSERT(folder->get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED);
    // The current folder goes with the old tree; keeping it would leave a dangling pointer.
    for (const RDB_FOLDER_OBJECT* f = m_current_folder; f != nullptr; f = f->get_parent())
        if (f == m_main_folder) m_current_folder = nullptr;
    m_main_folder->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), NOT_OWNED);
    delete m_main_folder;
    m_main_folder = folder;
    m_main_folder->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), OWNED);
}

RDB_OBJECT* RDB_REPORT::find_object(const std::string& path) const
{
    // The position of the first "||" as a 32-bit index: a path without one does not fit and raises
    // boost::numeric::positive_overflow, which callers may catch.
    const unsigned int separator = boost::numeric_cast<unsigned int>(path.find("||"));
    const std::string rest = path.substr(separator + 2);
    RDB_FOLDER_OBJECT* main_folder = get_main_folder();
    if (rest.empty()) return main_folder;
    return main_folder->find_object(rest);
}

RDB_SUMMARY_TABLE_OBJECT* RDB_REPORT::find_summary(SEARCH_FROM_ENUM from) const
{
    RDB_FOLDER_OBJECT* start = get_main_folder();
    if (from == SEARCH_FROM_CURRENT_FOLDER) {
        RDB_ASSERT(m_current_folder);
        start = m_current_folder;
    }
    msg_local_vdebug("RDB", 2, "Looking for Summary in %s folder.", start->get_name().c_str());
    RDB_SUMMARY_TABLE_OBJECT* summary = find_summary_in(*start);
    if (summary == nullptr) {
        msg_local_vdebug("RDB", 2, "Couldn't find an object of RDB_SUMMARY_TABLE_OBJECT type.");
    } else {
        msg_local_vdebug("RDB", 2, "Found a summary panel named: %s in %s folder.", summary->get_name().c_str(),
                         start->get_name().c_str());
    }
    return summary;
}

// ---- Registry ------------------------------------------------------------------------------------

std::string rdb_make_report_key(const std::string& rev, const std::string& type) { return rev + "." + type; }

void RDB_REPORT::add_report(const std::string& rev, const std::string& type, RDB_REPORT* report)
{
    if (report == nullptr) return;
    const std::string key = rdb_make_report_key(rev, type);
    controller().update_report(key, report);
    controller().set_report_identity(key, rev, type);
}

void RDB_REPORT::add_report(const std::string& rev, RDB_REPORT_TYPE type, RDB_REPORT* report)
{
    add_report(rev, std::string(rdb_report_type_to_string(type)), report);
}

RDB_REPORT_OUTCOME RDB_REPORT::get_rpt_impl(const std::string& rev, const std::string& type)
{
    dump_if("rdb_dump_all_reports_when_get_report");
    const std::string key = rdb_make_report_key(rev, type);
    if (RDB_REPORT* report = controller().get_report(key)) return report;

    REPORT_LOCK lock(rev, type);
    RDB_REPORT* report = load_report(rev, type);
    if (report == nullptr) {
        std::unique_ptr<MSG_BASE> message = rdb_make_message(ERDB_LOAD_REPORT_FAILED_ERRC, {rev});
        return DCL_ERROR(RDB::ERRC::LOAD_REPORT_FAILED_ERRC, message->get_text());
    }
    // Another process may change a concurrent-access-only report at any time: what we loaded is a
    // snapshot, so it must not be changed here.
    if (controller().is_report_concurrent_access_only(key)) report->get_main_folder()->_chmod(RDB_OBJECT::READ_ONLY);
    controller().update_report(key, report);
    controller().set_report_identity(key, rev, type);
    return report;
}

RDB_REPORT_OUTCOME RDB_REPORT::get_rpt(const std::string& rev, RDB_REPORT_TYPE type)
{
    return get_rpt_impl(rev, std::string(rdb_report_type_to_string(type)));
}

RDB_REPORT* RDB_REPORT::get_report(const std::string& rev, const std::string& type)
{
    RDB_REPORT_OUTCOME result = get_rpt_impl(rev, type);
    if (result.has_value()) return result.value();
    if (result.error().get_id() == RDB::ERRC::LOAD_REPORT_FAILED_ERRC) return nullptr;
    const std::string text = "UNHANDLED ERROR: " + result.error().get_text();
    RDB_INTERNAL_ERROR(text.c_str());
}

RDB_REPORT* RDB_REPORT::get_report(const std::string& rev, RDB_REPORT_TYPE type)
{
    return get_report(rev, std::string(rdb_report_type_to_string(type)));
}

void RDB_REPORT::free_report(const std::string& key)
{
    dump_if("rdb_dump_all_reports_when_free_report");
    if (controller().is_exe_report(key)) return;
    RDB_REPORT* report = controller().get_report(key);
    controller().update_report(key, nullptr);
    delete report;
}

void RDB_REPORT::free_report(const std::string& rev, const std::string& type)
{
    free_report(rdb_make_report_key(rev, type));
}

void RDB_REPORT::free_report(const std::string& rev, RDB_REPORT_TYPE type)
{
    free_report(rev, std::string(rdb_report_type_to_string(type)));
}

void RDB_REPORT::free_all_reports()
{
    dump_if("rdb_dump_all_reports_when_free_report");
    msg_local_vdebug("RDB", 2, "Freeing *all* reports");
    const std::map<std::string, RDB_REPORT*> reports = controller().get_reports();
    for (const auto& [key, report] : reports)
        if (report != nullptr) free_report(key);
    controller().clear_reports();
    // With every report gone, the memory their tables' cells kept ready goes back to the system.
    RDB_CELL_POOL::trim();
    if (atcl_is_interpreter_initialized()) atcl_add_to_global_korvane_variable("load_report_is_needed", "1");
}

bool RDB_REPORT::delete_report(const std::string& rev, const std::string& type)
{
    REPORT_LOCK lock(rev, type);
    const KDB_PATH path = get_kdb_path(rev, type);
    rdb_show_hack_warning_once(g_hack_delete);
    const bool deleted = kdb_get_default_service_or_die().delete_model(path);
    free_report(rev, type);
    return deleted;
}

bool RDB_REPORT::delete_report(const std::string& rev, RDB_REPORT_TYPE type)
{
    return delete_report(rev, std::string(rdb_report_type_to_string(type)));
}

bool RDB_REPORT::write_report(const std::string& rev, const std::string& type)
{
    dump_if("rdb_dump_all_reports_when_write_report");
    const std::string key = rdb_make_report_key(rev, type);
    if (skip_concurrent_access_only(key)) return true;
    REPORT_LOCK lock(rev, type);
    if (RDB_REPORT* report = controller().get_report(key)) {
        const bool success = save_report(rev, type, report);
        RDB_ASSERT(success);
    }
    return true;
}

bool RDB_REPORT::write_report(const std::string& rev, RDB_REPORT_TYPE type)
{
    return write_report(rev, std::string(rdb_report_type_to_string(type)));
}

bool RDB_REPORT::write_all_reports(std::string)
{
    dump_if("rdb_dump_all_reports_when_write_report");
    bool success = true;
    const std::map<std::string, RDB_REPORT*> reports = controller().get_reports();
    for (const auto& [key, report] : reports) {
        if (report == nullptr || skip_concurrent_access_only(key)) continue;
        std::string rev;
        std::string type;
        identity_of(key, rev, type);
        REPORT_LOCK lock(rev, type);
        if (!save_report(rev, type, report)) success = false;
    }
    RDB_ASSERT(success);
    return true;
}

void RDB_REPORT::dump_all_reports()
{
    static const bool dump = cfg_is_on("rdb_dump_all_reports", false);
    if (!dump) return;
    for (const auto& entry : controller().get_reports())
        msg_local_vdebug("RDB", 2, "Using report %s.rdb", entry.first.c_str());
}

void RDB_REPORT::set_as_exe_report(const std::string& rev, const std::string& type)
{
    controller().add_exe_report(rdb_make_report_key(rev, type));
}

void RDB_REPORT::set_as_exe_report(const std::string& rev, RDB_REPORT_TYPE type)
{
    set_as_exe_report(rev, std::string(rdb_report_type_to_string(type)));
}

void RDB_REPORT::unset_exe_report() { controller().clear_exe_report(); }

std::string RDB_REPORT::get_file_name(const std::string& rev, const std::string& type)
{
    return kdb_model_file_name(get_kdb_path(rev, type));
}

std::string RDB_REPORT::get_file_name(const std::string& rev, RDB_REPORT_TYPE type)
{
    return get_file_name(rev, std::string(rdb_report_type_to_string(type)));
}

THR_IP_MUTEX_OBJ* RDB_REPORT::get_interprocess_mutex(const std::string& rev, const std::string& type)
{
    return DBM_INFO::get_interprocess_mutex(get_file_name(rev, type));
}

THR_IP_MUTEX_OBJ* RDB_REPORT::get_interprocess_mutex(const std::string& rev, RDB_REPORT_TYPE type)
{
    return get_interprocess_mutex(rev, std::string(rdb_report_type_to_string(type)));
}

KDB_PATH RDB_REPORT::get_kdb_path(const std::string& rev, const std::string& type)
{
    KDB_PATH path = base_kdb_path();
    if (type != DERVANE_TYPE_KEY) {
        rdb_show_hack_warning_once(g_hack_snapshot);
        path.set_component(KDB_PATH::SNAPSHOT_COMPONENT, "_all");
    }
    path.set_component(KDB_PATH::MODEL_COMPONENT, "report." + type);
    path.set_component(KDB_PATH::REVISION_COMPONENT, rev);
    return path;
}

KDB_PATH RDB_REPORT::get_kdb_path(const std::string& rev, RDB_REPORT_TYPE type)
{
    return get_kdb_path(rev, std::string(rdb_report_type_to_string(type)));
}

void RDB_REPORT::set_kdb_path(const KDB_PATH& path)
{
    msg_local_vdebug("RDB", 2, "set_kdb_path: %s", path.to_string().c_str());
    base_kdb_path() = path;
}

void RDB_REPORT::reset_kdb_path()
{
    msg_local_vdebug("RDB", 2, "reset_kdb_path");
    base_kdb_path() = KDB_PATH();
}

RDB_REPORT* RDB_REPORT::load_report(const std::string& rev, const std::string& type)
{
    const KDB_PATH path = get_kdb_path(rev, type);
    rdb_show_hack_warning_once(g_hack_load);
    KDB_SERVICE* kdb_service = kdb_get_default_service();
    RDB_ASSERT(kdb_service);
    if (!kdb_service->model_exists(path)) return nullptr;
    std::unique_ptr<KDB_MODEL> model = kdb_service->get_model(path);
    if (!model || model->get_type() != RDB_KDB_MODEL::s_model_type_string) return nullptr;
    return rdb_take_report_from_model(std::move(model)).release();
}

bool RDB_REPORT::save_report(const std::string& rev, const std::string& type, RDB_REPORT* report)
{
    rdb_show_hack_warning_once(g_hack_save_model);
    const KDB_PATH path = get_kdb_path(rev, type);
    KDB_SERVICE* kdb_service = kdb_get_default_service();
    RDB_ASSERT(kdb_service);
    // The model only borrows the report: it stays registered and intact whatever happens.
    RDB_LENT_REPORT_MODEL lent(report, path);
    rdb_show_hack_warning_once(g_hack_save_io);
    std::string error;
    if (kdb_service->put_model(path, lent.model(), &error)) return true;
    msg_local_vdebug("RDB", 2, "cannot store the report %s: %s", rdb_make_report_key(rev, type).c_str(), error.c_str());
    return false;
}

std::string rdb_get_filename(const char* rev, RDB_REPORT_TYPE type)
{
    return RDB_REPORT::get_file_name(rev == nullptr ? std::string() : std::string(rev), type);
}

// ---- RDB_MANAGER ---------------------------------------------------------------------------------

namespace {

class RDB_MANAGER_IMPL : public RDB_MANAGER {
public:
    RDB_REPORT* get_report_and_file_name(const std::string& rev, RDB_REPORT_TYPE type, std::string& file_name) override
    {
        RDB_REPORT* report = RDB_REPORT::get_report(rev, type);
        file_name = get_file_name(rev, type);
        return report;
    }
    RDB_REPORT* get_report(const std::string& rev, RDB_REPORT_TYPE type) override
    {
        return RDB_REPORT::get_report(rev, type);
    }
    void free_report(const std::string& rev, RDB_REPORT_TYPE type) override { RDB_REPORT::free_report(rev, type); }
    void free_all_reports() override { RDB_REPORT::free_all_reports(); }
    std::string get_file_name(const std::string& rev, RDB_REPORT_TYPE type) override
    {
        return rdb_get_filename(rev.c_str(), type);
    }
    void set_kdb_path(const KDB_PATH& path) override { RDB_REPORT::set_kdb_path(path); }
    KDB_PATH get_kdb_path(const std::string& rev, RDB_REPORT_TYPE type) override
    {
        return RDB_REPORT::get_kdb_path(rev, type);
    }
};

} // namespace

RDB_MANAGER* rdb_get_manager()
{
    static RDB_MANAGER_IMPL manager;
    return &manager;
}
