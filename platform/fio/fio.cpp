#include "fio/fio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
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
    case FIO_EXTENSION_TYPE_INFO::JSON:
        return "json";
    case FIO_EXTENSION_TYPE_INFO::HTML:
        return "html";
    case FIO_EXTENSION_TYPE_INFO::SQLITE:
        return "sqlite3";
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

namespace {

FIO_WRITE_OUTCOME outcome(bool written, std::string reason)
{
    return {written ? FIO_WRITE_RESULT::WRITTEN : FIO_WRITE_RESULT::FAILED, std::move(reason)};
}

// Writes into an existing file that is not a regular file (a device, a FIFO) through its own name.
FIO_WRITE_OUTCOME write_in_place(const std::string& target, const FIO_STREAM_WRITER& write)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return outcome(false, std::strerror(errno));
    int failure = 0;
    PDB_OUTPUT_BUF buffer([&](std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                failure = written < 0 ? errno : EIO;
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    });
    std::ostream stream(&buffer);
    const bool written = write(stream);
    const bool flushed = buffer.flush_all();
    if (::close(fd) != 0 && failure == 0) failure = errno;
    return outcome(written && flushed && stream && failure == 0, failure != 0 ? std::strerror(failure) : "");
}

FIO_WRITE_OUTCOME replace_atomically(const std::string& target, const FIO_STREAM_WRITER& write)
{
    PDB_ATOMIC_FILE out(target);
    if (!out.is_open()) return outcome(false, out.reason());
    PDB_OUTPUT_BUF buffer(out);
    std::ostream stream(&buffer);
    const bool written = write(stream);
    // Nothing is renamed into place unless every byte was handed to the temporary file.
    if (!buffer.flush_all() || !written || !stream || !out.commit()) return outcome(false, out.reason());
    return outcome(true, "");
}

} // namespace

FIO_WRITE_OUTCOME fio_write_stream_atomically(const std::string& path, const FIO_STREAM_WRITER& write)
{
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::error_code ec;
        const std::filesystem::path resolved = std::filesystem::canonical(path, ec);
        if (ec) return {FIO_WRITE_RESULT::DANGLING_LINK, ec.message()};
        target = resolved.string();
    }
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {FIO_WRITE_RESULT::FOLDER, ""};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return write_in_place(target, write);
    return replace_atomically(target, write);
}

bool fio_write_file_atomically(const std::string& path, std::string_view bytes)
{
    const FIO_WRITE_OUTCOME written = fio_write_stream_atomically(path, [bytes](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    });
    if (written.written()) return true;
    msg_local_vdebug("RDB", 2, "cannot write %s: %s", path.c_str(), written.reason.c_str());
    return false;
}
