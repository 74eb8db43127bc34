#include "gen/gen_project.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "msg/msg.h"

namespace {

std::mutex g_mutex;
std::string g_project_dir;

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

std::string gen_get_db_dir_path_string()
{
    std::filesystem::path db = std::filesystem::path(gen_get_project_directory()) / "db";
    std::error_code ec;
    std::filesystem::create_directories(db, ec);
    if (ec) {
        msg_local_vdebug("RDB", 2, "cannot create the project database folder %s: %s", db.string().c_str(),
                         ec.message().c_str());
        return std::string();
    }
    return db.string();
}
