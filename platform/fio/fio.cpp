#include "fio/fio.h"

#include <filesystem>
#include <system_error>

#include "msg/msg.h"
#include "pdb/pdb.h"

const char* fio_get_extension(FIO_EXTENSION_TYPE_INFO type)
{
    switch (type) {
    case FIO_EXTENSION_TYPE_INFO::MESSAGES:
        return "msg";
    case FIO_EXTENSION_TYPE_INFO::SUPPRESSED_MESSAGES:
        return "smsg";
    case FIO_EXTENSION_TYPE_INFO::TEMPORARY:
        return "tmp";
    }
    RDB_INTERNAL_ERROR("unknown file extension type");
}

std::string fio_base_name(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string fio_replace_extension(std::string_view file_name, std::string_view extension)
{
    const std::size_t slash = file_name.find_last_of('/');
    const std::size_t dot = file_name.find_last_of('.');
    // A dot that starts the base name ("/dir/.hidden") or lies in a folder name is no extension.
    const std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    std::string out(dot != std::string_view::npos && dot > base ? file_name.substr(0, dot) : file_name);
    out += '.';
    out += extension;
    return out;
}

std::string fio_join(std::string_view folder, std::string_view name)
{
    if (folder.empty()) return std::string(name);
    std::string out(folder);
    if (out.back() != '/') out += '/';
    out += name;
    return out;
}

bool fio_is_absolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

bool fio_exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool fio_remove(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !fio_exists(path);
}

// The segment store holds the one atomic-replace implementation (write, sync, rename, sync folder);
// the file service hands its callers the same guarantees.
std::string fio_temp_file_name(const std::string& target) { return pdb_temp_file_name(target); }

bool fio_replace_file(const std::string& temp, const std::string& target)
{
    std::string error;
    if (pdb_replace_file(temp, target, &error)) return true;
    msg_local_vdebug("RDB", 2, "cannot replace %s: %s", target.c_str(), error.c_str());
    return false;
}

bool fio_write_file_atomically(const std::string& path, std::string_view bytes)
{
    std::string error;
    if (pdb_write_file_atomically(path, bytes, &error)) return true;
    msg_local_vdebug("RDB", 2, "cannot write %s: %s", path.c_str(), error.c_str());
    return false;
}
