#pragma once
// RDB_REPORT_CONTROLLER: the process's bookkeeping for the report registry and the viewers.
//
// It keeps the reports held in the process by report key (not owned: the registry owns them), small
// integer panel ids for report objects shown as pages, the keys of reports that may only be changed
// under their inter-process lock (concurrent-access-only) and the keys of the running program's own
// reports (exe reports). Reached through the process singleton RDB_SINGLETON_STATE. Not locked: one
// thread per process uses it.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

class RDB_OBJECT;
class RDB_REPORT;

// One panel: the object shown (not owned). A slot whose object is null is free.
class RDB_PANEL_INFO {
public:
    explicit RDB_PANEL_INFO(RDB_OBJECT* object) : m_object(object) {}
    RDB_OBJECT* get_object() const { return m_object; }
    void set_object(RDB_OBJECT* object) { m_object = object; }

private:
    RDB_OBJECT* m_object;
};

// FNV-1a, 64 bits.
struct RDB_STRING_HASH {
    std::size_t operator()(std::string_view text) const noexcept
    {
        std::uint64_t hash = 0xcbf29ce484222325ULL;
        for (unsigned char c : text) {
            hash ^= c;
            hash *= 0x100000001b3ULL;
        }
        return static_cast<std::size_t>(hash);
    }
};

class RDB_REPORT_CONTROLLER {
public:
    RDB_REPORT_CONTROLLER() = default;
    RDB_REPORT_CONTROLLER(const RDB_REPORT_CONTROLLER&) = delete;
    RDB_REPORT_CONTROLLER& operator=(const RDB_REPORT_CONTROLLER&) = delete;
    // Frees the panel infos; the reports are not the controller's to delete.
    ~RDB_REPORT_CONTROLLER();

    // ---- Panels ----
    // The object's new id: the lowest free slot, else a new one. Null object: "object != 0"; an
    // object already present: "Specified object already existes.".
    int add_panel_info(RDB_OBJECT* object);
    // Frees the object's id; an object not present changes nothing. Null object: "object != 0".
    void erase_panel_info(RDB_OBJECT* object);
    // The object of a slot (null for a free slot); null when id is not below the number of slots.
    RDB_OBJECT* get_panel_by_id(std::uint64_t id);
    // The object's id, -1 when absent; an id above INT_MAX raises boost::numeric::positive_overflow.
    int get_id_by_panel(RDB_OBJECT const* object) const;
    // The info holding the object, or null; index (when given) receives the slot or 0xFFFFFFFF.
    RDB_PANEL_INFO* find_panel_info(RDB_OBJECT const* object, std::uint64_t* index);
    RDB_PANEL_INFO const* find_panel_info(RDB_OBJECT const* object, std::uint64_t* index) const;
    // Number of panel slots, free ones included.
    std::size_t get_panel_slot_count() const { return m_panel_infos.size(); }

    // ---- Reports ----
    // The report under key, or null. A writable report under a concurrent-access-only key is an
    // internal error.
    RDB_REPORT* get_report(std::string const& report_key);
    // Sets the entry (null allowed); the old report is not deleted. Both the old and the new report
    // must be safe to handle under key (internal errors).
    void update_report(std::string const& report_key, RDB_REPORT* report);
    // Removes the entry of key.
    void temp_remove_all_of(std::string const& report_key);
    // Removes every entry except non-null exe reports.
    void clear_reports();
    // The table itself, in key order.
    std::map<std::string, RDB_REPORT*> const& get_reports() const { return m_reports; }

    // The revision name and report type key a report key was made from, recorded by the registry so
    // that keys need not be split again (revision names may hold dots). False when none is recorded.
    void set_report_identity(std::string const& report_key, std::string const& rev_name, std::string const& rpt_type);
    bool get_report_identity(std::string const& report_key, std::string& rev_name, std::string& rpt_type) const;

    // False for null, or when the main folder is missing or writable; otherwise true when there is no
    // current folder or it is not writable.
    static bool is_report_read_only(RDB_REPORT* report);
    // A non-null read-only report is always safe; otherwise only under a key that is not
    // concurrent-access-only.
    bool is_it_safe_for_rdb_controller_to_handle_the_report(std::string const& report_key, RDB_REPORT* report);

    // ---- Key sets ----
    void set_report_to_concurrent_access_only(std::string const& report_key);
    bool is_report_concurrent_access_only(std::string const& report_key) const;
    void hack_allow_non_concurrent_access_to_report(std::string const& report_key);
    void add_exe_report(std::string const& report_key);
    bool is_exe_report(std::string const& report_key) const;
    void clear_exe_report();
    std::set<std::string> const& get_exe_reports() const { return m_exe_reports; }

    // Empties the process's report table, panel table and concurrent-access-only set.
    static void reset_singleton_for_unit_test();

private:
    std::map<std::string, RDB_REPORT*> m_reports;
    std::vector<RDB_PANEL_INFO*> m_panel_infos;
    std::unordered_set<std::string, RDB_STRING_HASH> m_concurrent_access_only;
    std::set<std::string> m_exe_reports;
    std::map<std::string, std::pair<std::string, std::string>> m_report_identities;
};

// The process singleton holding the report controller. It lives for the whole process (it is never
// destroyed at exit, because report objects destroyed then still call it).
class RDB_SINGLETON_STATE {
public:
    // Made on first use (no lock: the first call must come before threads share the library).
    static RDB_SINGLETON_STATE& get();
    RDB_REPORT_CONTROLLER& get_rpt_controller() { return m_rpt_controller; }

private:
    friend class RDB_SINGLETON_SCOPED_UNIT_TEST_MODE;
    // Installs the object destroy hook that keeps the panel table free of destroyed objects.
    RDB_SINGLETON_STATE();
    // Replaces the instance with a fresh one and destroys the old controller.
    static void utst_reset();
    static std::unique_ptr<RDB_SINGLETON_STATE>& instance();

    RDB_REPORT_CONTROLLER m_rpt_controller;
};

// Gives a scope (a unit test) an empty registry at its start and leaves an empty one at its end.
class RDB_SINGLETON_SCOPED_UNIT_TEST_MODE {
public:
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE() { RDB_SINGLETON_STATE::utst_reset(); }
    ~RDB_SINGLETON_SCOPED_UNIT_TEST_MODE() { RDB_SINGLETON_STATE::utst_reset(); }
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE(const RDB_SINGLETON_SCOPED_UNIT_TEST_MODE&) = delete;
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE& operator=(const RDB_SINGLETON_SCOPED_UNIT_TEST_MODE&) = delete;
};
