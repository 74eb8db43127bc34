#include "gen/gen_project.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "msg/msg.h"

namespace {

std::mutex g_mutex;
std::string g_project_dir;
std::string g_pinned_time;

std::string folder_in_project(const char* name, const char* what)
{
    std::filesystem::path folder = std::filesystem::path(gen_get_project_directory()) / name;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        msg_local_vdebug("RDB", 2, "cannot create the project %s folder %s: %s", what, folder.string().c_str(),
                         ec.message().c_str());
        return std::string();
    }
    return folder.string();
}

} // namespace

void gen_set_project_directory(const std::string& dir)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_project_dir = dir;
}

std::string gen_get_project_directory()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_project_dir.empty()) return g_project_dir;
    }
    const char* env = std::getenv("RDB_PROJECT_DIR");
    if (env != nullptr && env[0] != '\0') return env;
    std::error_code ec;
    std::filesystem::path current = std::filesystem::current_path(ec);
    return ec ? std::string(".") : current.string();
}

std::string gen_get_db_dir_path_string() { return folder_in_project("db", "database"); }

std::string gen_get_project_output_directory() { return folder_in_project("output_files", "output"); }

std::string gen_get_common_data_fullpath()
{
    std::error_code ec;
    const char* from_environment = std::getenv("RDB_DATA_DIR");
    for (const char* candidate : {from_environment, RDB_INSTALL_DATA_DIR, RDB_DATA_DIR})
        if (candidate != nullptr && candidate[0] != '\0' && std::filesystem::is_directory(candidate, ec))
            return candidate;
    return std::string();
}

std::string gen_get_current_date_and_time()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_pinned_time.empty()) return g_pinned_time;
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &local);
    return text;
}

void gen_pin_current_date_and_time(const std::string& text)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_pinned_time = text;
}
