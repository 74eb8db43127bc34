#pragma once
// File service: file-type extensions, path pieces and the file-system operations the report writers
// need.

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

// File types that have a fixed extension.
enum class FIO_EXTENSION_TYPE_INFO : int {
    MESSAGES = 0, // a stage's message file
    SUPPRESSED_MESSAGES = 1, // the suppressed messages written beside the report files
    TEMPORARY = 2, // a file being written
    JSON = 4, // a JSON document, such as a viewer panel
    HTML = 5, // an HTML page: a report page, its panels, a converted equation file
    SQLITE = 6, // an SQLite database of report tables
};

// The extension of a file type, without the dot: "msg", "smsg", "tmp", "json", "html", "sqlite3".
const char* fio_get_extension(FIO_EXTENSION_TYPE_INFO type);
// The suppressed-message extension ("smsg").
inline const char* fio_suppressed_message_extension()
{
    return fio_get_extension(FIO_EXTENSION_TYPE_INFO::SUPPRESSED_MESSAGES);
}

// The last component of a path ("out/top.fit.rpt" gives "top.fit.rpt").
std::string fio_base_name(std::string_view path);
// The file name with its last extension replaced ("top.fit.rpt", "tmp" gives "top.fit.tmp"); a name
// without an extension gets one. extension has no dot.
std::string fio_replace_extension(std::string_view file_name, std::string_view extension);
// folder + "/" + name; name alone when folder is empty.
std::string fio_join(std::string_view folder, std::string_view name);
// Whether path is absolute.
bool fio_is_absolute(std::string_view path);

bool fio_exists(const std::string& path);
// Removes a file; true when it is gone afterwards (also when it never existed).
bool fio_remove(const std::string& path);

// ---- Writing files ----
//
// Every file a writer makes goes through fio_write_stream_atomically: the bytes go to a temporary file
// beside the target (PDB_ATOMIC_FILE, the store's own atomic write), which is synced and renamed over
// the target only when the writer succeeded and every byte reached the disk. A failure at any point
// leaves the previous file as it was and removes the temporary file; a killed writer's temporary file
// is recognised as stale by pdb_is_stale_temp_file_name.

// Fills a stream with a file's bytes; false when the bytes could not be made.
using FIO_STREAM_WRITER = std::function<bool(std::ostream& out)>;

enum class FIO_WRITE_RESULT {
    WRITTEN, // the file holds the new bytes
    DANGLING_LINK, // path is a symbolic link to nothing that can be written; nothing changed
    FOLDER, // path names a folder; nothing changed
    FAILED, // the bytes or the file could not be written; the previous file is intact
};
struct FIO_WRITE_OUTCOME {
    FIO_WRITE_RESULT result = FIO_WRITE_RESULT::FAILED;
    // The system's reason ("No space left on device"), without the file name; may be empty.
    std::string reason;
    bool written() const { return result == FIO_WRITE_RESULT::WRITTEN; }
};

// Writes the file at path with the bytes write puts into the stream. A regular file, or a name not
// yet taken, is replaced atomically. Anything else that already exists under the name (a device such
// as /dev/null, a FIFO, a terminal) is written in place: replacing it with a regular file would
// destroy it. A symbolic link is followed to what it names, which is then treated the same way, so
// the link stays a link. The outcome is WRITTEN only when write answered true and the stream and the
// file took every byte.
FIO_WRITE_OUTCOME fio_write_stream_atomically(const std::string& path, const FIO_STREAM_WRITER& write);
// Writes bytes to path the same way: readers see the old file or the new one, never a mixture.
bool fio_write_file_atomically(const std::string& path, std::string_view bytes);
// A fresh temporary name beside target, and the atomic replacement of target by a temporary file
// already written and closed (removed on failure), for callers that stage a file themselves.
std::string fio_temp_file_name(const std::string& target);
bool fio_replace_file(const std::string& temp, const std::string& target);
