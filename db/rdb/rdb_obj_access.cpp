#include <cstdio>

#include "msg/msg.h"
#include "rdb_folder.h"
#include "rdb_obj_path.h"
#include "rdb_report.h"

namespace {

[[noreturn]] void fail(const char* format, const std::string& argument)
{
    const int size = std::snprintf(nullptr, 0, format, argument.c_str());
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, argument.c_str());
    RDB_INTERNAL_ERROR(text.c_str());
}

} // namespace

RDB_OBJECT* RDB_OBJ_ACCESS::resolve(RDB_OBJ_PATH const& path)
{
    const std::string report_path = path.get_report_name();
    const RDB_REPORT_TYPE report_type = path.get_report_type();
    const std::string object_path = path.get_object_path();

    RDB_REPORT* report = RDB_REPORT::get_report(report_path, report_type);
    if (report == nullptr) fail("could not get pointer to report %s", report_path);
    RDB_FOLDER_OBJECT* main_folder = report->get_main_folder();
    if (main_folder == nullptr) fail("could not get the main folder of %s report", report_path);
    if (object_path.empty()) {
        msg_local_vdebug("RDB", 2, "Returning pointer to the root");
        return main_folder;
    }
    RDB_OBJECT* object = main_folder->find_object_by_path(object_path);
    if (object == nullptr) fail("could not find the object specified by %s", object_path);
    return object;
}

RDB_OBJ_ACCESS::RAW_HANDLE<RDB_OBJECT const&> RDB_OBJ_ACCESS::open_read_only(RDB_OBJ_PATH const& path)
{
    return RAW_HANDLE<RDB_OBJECT const&>(resolve(path));
}

RDB_OBJ_ACCESS::RAW_HANDLE<RDB_OBJECT&> RDB_OBJ_ACCESS::open_read_write(RDB_OBJ_PATH const& path)
{
    return RAW_HANDLE<RDB_OBJECT&>(resolve(path));
}
