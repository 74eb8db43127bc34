#include "rdb_concurrent_access.h"

#include "dbm/dbm.h"
#include "kdb/kdb.h"
#include "msg/msg.h"
#include "rdb_dms_model_handler.h"
#include "rdb_hack_warning.h"
#include "rdb_messages.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_xml.h"

namespace {

constexpr const char* THIS_FILE = "db/rdb/rdb_concurrent_access.cpp";
constexpr const char* MAINTAINER = "tollver";

// The provisional code paths of locking and unlocking.
RDB_HACK_WARNING g_hack_lock{THIS_FILE, 74, MAINTAINER, 467298, "concurrent access lock corner cases", {}};
RDB_HACK_WARNING g_hack_unlock{THIS_FILE, 142, MAINTAINER, 467301, "Semantics of THR_IP_MUTEX_OBJ", {}};

RDB_REPORT_CONTROLLER& controller() { return RDB_SINGLETON_STATE::get().get_rpt_controller(); }

std::string key_of(std::string const& name, RDB_REPORT_TYPE type)
{
    return rdb_make_report_key(name, rdb_report_type_to_string(type));
}

} // namespace

RDB_CONCURRENT_ACCESS::~RDB_CONCURRENT_ACCESS() { unlock(false); }

void RDB_CONCURRENT_ACCESS::set_report_type_to_concurrent_access_only(std::string const& name, RDB_REPORT_TYPE type)
{
    controller().set_report_to_concurrent_access_only(key_of(name, type));
}

bool RDB_CONCURRENT_ACCESS::is_report_type_concurrent_access_only(std::string const& name, RDB_REPORT_TYPE type)
{
    return controller().is_report_concurrent_access_only(key_of(name, type));
}

void RDB_CONCURRENT_ACCESS::lock(std::string const& name, RDB_REPORT_TYPE type)
{
    const std::string type_text = rdb_report_type_to_string(type);
    const std::string key = rdb_make_report_key(name, type_text);
    // A copy the registry loaded earlier is older than what the lock holder will store.
    RDB_REPORT::free_report(name, type_text);

    RDB_REPORT_CONTROLLER& instance = controller();
    RDB_ASSERT(report_is_not_locked());
    RDB_ASSERT(report_does_not_exist());
    // The condition's text is the one callers and logs have always seen, spacing included.
    RDB_ASSERT_MSG(instance.is_report_concurrent_access_only(key), "instance.is_report_concurrent_access_only( key )");

    THR_IP_MUTEX_OBJ* mutex = RDB_REPORT::get_interprocess_mutex(name, type_text);
    RDB_ASSERT(mutex);
    rdb_show_hack_warning_once(g_hack_lock);
    RDB_ASSERT_MSG(thr_ip_mutex_lock(mutex) != 0, "mutex->lock()");
    // Nobody else writes the report while we hold its mutex: what a killed writer left goes now.
    kdb_get_default_service_or_die().remove_stale_temp_files(RDB_REPORT::get_kdb_path(name, type_text));

    m_mutex = mutex;
    m_report_name = name;
    m_report_type = type_text;
    m_store_failed = false;
}

void RDB_CONCURRENT_ACCESS::check_can_take_working_copy() const
{
    RDB_ASSERT(report_is_locked());
    RDB_ASSERT(report_does_not_exist());
}

bool RDB_CONCURRENT_ACCESS::load()
{
    check_can_take_working_copy();
    // Read straight from the project database: the registry's loading path would lock the mutex a
    // second time and keep the copy registered.
    KDB_SERVICE* kdb_service = kdb_get_default_service();
    RDB_ASSERT(kdb_service);
    m_report = rdb_load_report_model(*kdb_service, RDB_REPORT::get_kdb_path(m_report_name, m_report_type));
    return report_exists();
}

bool RDB_CONCURRENT_ACCESS::load_from_xml(std::string const& file)
{
    check_can_take_working_copy();
    m_report = rdb_read_xml_report(file.c_str());
    return report_exists();
}

bool RDB_CONCURRENT_ACCESS::new_report()
{
    check_can_take_working_copy();
    m_report = std::make_unique<RDB_REPORT>();
    return true;
}

bool RDB_CONCURRENT_ACCESS::store_working_copy()
{
    KDB_SERVICE* kdb_service = kdb_get_default_service();
    RDB_ASSERT(kdb_service);
    const bool stored =
        rdb_store_report_model(*kdb_service, RDB_REPORT::get_kdb_path(m_report_name, m_report_type), *m_report);
    if (!stored) {
        m_store_failed = true;
        rdb_post_message(ERDB_REPORT_SAVE_FAILED, {RDB_REPORT::get_file_name(m_report_name, m_report_type)});
    }
    return stored;
}

void RDB_CONCURRENT_ACCESS::write_report()
{
    RDB_ASSERT(m_report);
    store_working_copy();
}

bool RDB_CONCURRENT_ACCESS::unlock(bool discard)
{
    if (report_is_not_locked()) return true;
    if (report_exists()) {
        if (!discard) store_working_copy();
        m_report.reset();
    }
    rdb_show_hack_warning_once(g_hack_unlock);
    thr_ip_mutex_unlock(*m_mutex);
    m_mutex = boost::none;
    return !m_store_failed;
}
