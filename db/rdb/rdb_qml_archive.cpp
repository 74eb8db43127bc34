#include "rdb_qml_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <system_error>

#include <zip.h>

#include "fio/fio.h"
#include "msg/msg.h"

namespace {

struct ARCHIVE_FAILURE {
    std::string reason;
};

struct DESCRIPTOR {
    int fd;
    ~DESCRIPTOR()
    {
        if (fd >= 0) ::close(fd);
    }
};

[[noreturn]] void fail(const std::string& reason) { throw ARCHIVE_FAILURE{reason}; }

// The member's entry name: its components joined by "/", without empty and "." components.
std::string checked_entry_name(const std::string& member)
{
    if (member.empty()) fail("an empty member name");
    if (member.front() == '/' || fio_is_absolute(member)) fail("the member " + member + " is absolute");
    std::string name;
    std::size_t start = 0;
    while (start <= member.size()) {
        const std::size_t end = std::min(member.find('/', start), member.size());
        const std::string component = member.substr(start, end - start);
        if (component == "..") fail("the member " + member + " leaves the base folder");
        if (!component.empty() && component != ".") name += (name.empty() ? "" : "/") + component;
        start = end + 1;
    }
    if (name.empty()) fail("the member " + member + " names the base folder itself");
    return name;
}

// Adds the files and folders below a base folder to an open archive. libzip reads the sources only when
// the archive is closed, so each file's bytes are read now, through a descriptor opened without following
// links, and kept here until then: a file swapped for a link after it was listed is never read.
class ARCHIVE_BUILDER {
public:
    ARCHIVE_BUILDER(zip_t* archive, std::string base) : m_archive(archive), m_base(std::move(base)) {}

    void add(const std::string& entry)
    {
        const std::string path = fio_join(m_base, entry);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) fail("cannot read " + path + ": " + std::strerror(errno));
        if (S_ISDIR(st.st_mode)) {
            add_folder(entry, path);
        } else if (S_ISREG(st.st_mode)) {
            add_file(entry, path);
        }
    }

    std::size_t entries() const { return m_entries; }

private:
    void add_folder(const std::string& entry, const std::string& path)
    {
        if (zip_dir_add(m_archive, entry.c_str(), ZIP_FL_ENC_GUESS) < 0) fail(zip_strerror(m_archive));
        ++m_entries;
        std::vector<std::string> children;
        std::error_code failure;
        for (std::filesystem::directory_iterator it(path, failure), end; !failure && it != end; it.increment(failure))
            children.push_back(it->path().filename().string());
        if (failure) fail("cannot list " + path + ": " + failure.message());
        std::sort(children.begin(), children.end());
        for (const std::string& child : children)
            add(entry + "/" + child);
    }

    void add_file(const std::string& entry, const std::string& path)
    {
        std::string& bytes = m_contents.emplace_back(read_file(path));
        zip_source_t* source = zip_source_buffer(m_archive, bytes.data(), bytes.size(), 0);
        if (source == nullptr) fail(zip_strerror(m_archive));
        if (zip_file_add(m_archive, entry.c_str(), source, ZIP_FL_ENC_GUESS) < 0) {
            zip_source_free(source);
            fail(zip_strerror(m_archive));
        }
        ++m_entries;
    }

    static std::string read_file(const std::string& path)
    {
        const DESCRIPTOR file{::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK)};
        const int fd = file.fd;
        if (fd < 0) fail("cannot open " + path + ": " + std::strerror(errno));
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) fail(path + " is no longer a regular file");
        std::string bytes;
        char buffer[32768];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) fail("cannot read " + path + ": " + std::strerror(errno));
            if (got == 0) return bytes;
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
    }

    zip_t* m_archive;
    std::string m_base;
    std::deque<std::string> m_contents; // stable addresses for the buffer sources
    std::size_t m_entries = 0;
};

// Writes the archive of members to the fresh file temp.
void write_archive(const std::string& temp, const std::string& base_directory, const std::vector<std::string>& members)
{
    std::vector<std::string> entries;
    for (const std::string& member : members)
        entries.push_back(checked_entry_name(member));
    if (entries.empty()) fail("no members to archive");

    int code = 0;
    zip_t* archive = zip_open(temp.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    if (archive == nullptr) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        const std::string text = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        fail("cannot create " + temp + ": " + text);
    }
    try {
        ARCHIVE_BUILDER builder(archive, base_directory);
        for (const std::string& entry : entries)
            builder.add(entry);
        // libzip writes no file at all for an archive without entries.
        if (builder.entries() == 0) fail("every member is a link or a special file");
        if (zip_close(archive) != 0) fail(zip_strerror(archive));
    } catch (const ARCHIVE_FAILURE&) {
        zip_discard(archive);
        throw;
    }
}

} // namespace

bool rdb_write_zip_archive(const std::string& zip_path, const std::string& base_directory,
                           const std::vector<std::string>& members, std::string* error)
{
    const std::string temp = fio_temp_file_name(zip_path);
    try {
        write_archive(temp, base_directory, members);
        if (!fio_replace_file(temp, zip_path)) fail("cannot rename the finished archive over " + zip_path);
        return true;
    } catch (const ARCHIVE_FAILURE& failure) {
        fio_remove(temp);
        msg_local_vdebug("RDB", 2, "cannot write the archive %s: %s", zip_path.c_str(), failure.reason.c_str());
        if (error != nullptr) *error = failure.reason;
        return false;
    }
}
