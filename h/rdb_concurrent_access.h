#pragma once
// RDB_CONCURRENT_ACCESS: the only way to change a report that several processes change at the same
// time. Such a report is marked concurrent-access-only in the process's report controller; a change
// then takes the report's inter-process mutex, loads the stored copy (or starts a new report, or
// reads an XML report file), changes it, stores it and releases the mutex.
//
// Calling order: lock; exactly one of load, load_from_xml, new_report (a failed load may be followed
// by another); any changes to report(); write_report, any number of times; unlock. One object is
// used by one thread. Broken preconditions are internal errors.

#include <memory>
#include <string>

#include <boost/optional.hpp>

#include "rdb_report_type.h"

class RDB_REPORT;
class THR_IP_MUTEX_OBJ;

class RDB_CONCURRENT_ACCESS {
public:
    // Unlocked, without a working copy.
    RDB_CONCURRENT_ACCESS() = default;
    RDB_CONCURRENT_ACCESS(const RDB_CONCURRENT_ACCESS&) = delete;
    RDB_CONCURRENT_ACCESS& operator=(const RDB_CONCURRENT_ACCESS&) = delete;
    // unlock(false): a working copy still held is stored and the lock released.
    ~RDB_CONCURRENT_ACCESS();

    // Marks the report concurrent-access-only in the process's report controller.
    static void set_report_type_to_concurrent_access_only(std::string const& name, RDB_REPORT_TYPE type);
    static bool is_report_type_concurrent_access_only(std::string const& name, RDB_REPORT_TYPE type);

    // Frees the registry's copy of the report, then blocks until this process holds the report's
    // inter-process mutex. Internal errors: already locked ("report_is_not_locked()"), a working copy
    // present ("report_does_not_exist()"), a report not marked concurrent-access-only
    // ("instance.is_report_concurrent_access_only( key )"), no mutex ("mutex"), a failed lock
    // ("mutex->lock()").
    void lock(std::string const& name, RDB_REPORT_TYPE type);
    // Reads the stored report as the working copy, straight from the project database (the registry
    // neither takes the lock again nor keeps the copy); false when none is stored. Requires the lock
    // ("report_is_locked()") and no working copy ("report_does_not_exist()"), as do the next two.
    bool load();
    // Reads the working copy from an XML report file; false when the file gives no report.
    bool load_from_xml(std::string const& file);
    // Starts an empty report as the working copy; true.
    bool new_report();
    // Stores the working copy under the locked name and type ("m_report" without one). A failed store
    // posts ERDB_REPORT_SAVE_FAILED with the report's file name and makes unlock answer false.
    void write_report();
    // Stores the working copy unless discard, drops it and releases the lock. True when not locked,
    // when nothing was stored, or when every store since lock succeeded; false after any failed store.
    bool unlock(bool discard);

    // The working copy (owned by this object), or null.
    RDB_REPORT* report() const { return m_report.get(); }
    bool report_is_locked() const { return m_mutex.has_value(); }
    bool report_is_not_locked() const { return !report_is_locked(); }
    bool report_exists() const { return m_report != nullptr; }
    bool report_does_not_exist() const { return !report_exists(); }

private:
    // Checks shared by load, load_from_xml and new_report.
    void check_can_take_working_copy() const;
    // Stores the working copy; a failure is posted and remembered.
    bool store_working_copy();

    boost::optional<THR_IP_MUTEX_OBJ*> m_mutex;
    std::unique_ptr<RDB_REPORT> m_report;
    std::string m_report_name;
    std::string m_report_type;
    bool m_store_failed = false;
};
