#pragma once
// Object paths: one text naming one report object of a registered report,
// "<report name>:<report type key>:<object path>" (runs of ':' count as one separator; the object
// path is names joined by "||", empty for the main folder). RDB_OBJ_PATH checks the text when it is
// made; RDB_OBJ_ACCESS resolves it through the report registry.

#include <string>
#include <vector>

#include "rdb_report_type.h"

class RDB_OBJECT;

class RDB_OBJ_PATH {
public:
    // Keeps a valid text; an invalid one is an internal error naming its field count, path object
    // count and report type legality.
    explicit RDB_OBJ_PATH(std::string const& path);

    // The whole path text.
    std::string const& get_report_path() const { return m_path; }

private:
    friend class RDB_OBJ_ACCESS;
    // The fields of the text; each requires exactly three ("path_fields.size() == 3").
    std::string get_report_name() const;
    RDB_REPORT_TYPE get_report_type() const;
    std::string get_object_path() const;
    std::vector<std::string> get_fields() const;

    std::string m_path;
};

class RDB_OBJ_ACCESS {
public:
    // One object as T (RDB_OBJECT const& or RDB_OBJECT&); owns nothing.
    template <class T> class RAW_HANDLE {
    public:
        explicit RAW_HANDLE(RDB_OBJECT* object) : m_object(object) {}
        T get() const { return *m_object; }
        T operator*() const { return *m_object; }

    private:
        RDB_OBJECT* m_object;
    };

    // The object the path names in the registry; a missing report, main folder or object is an
    // internal error.
    static RAW_HANDLE<RDB_OBJECT const&> open_read_only(RDB_OBJ_PATH const& path);
    static RAW_HANDLE<RDB_OBJECT&> open_read_write(RDB_OBJ_PATH const& path);

private:
    static RDB_OBJECT* resolve(RDB_OBJ_PATH const& path);
};
