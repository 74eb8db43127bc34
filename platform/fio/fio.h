#pragma once
// File service: file-type extensions, path pieces and the file-system operations the report writers
// need.

#include <string>
#include <string_view>

// File types that have a fixed extension.
enum class FIO_EXTENSION_TYPE_INFO : int {
    MESSAGES = 0,            // a stage's message file
    SUPPRESSED_MESSAGES = 1, // the suppressed messages written beside the report files
    TEMPORARY = 2,           // a file being written
};

// The extension of a file type, without the dot: "msg", "smsg", "tmp".
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

// A fresh temporary name beside target, for writing a file that replaces target atomically.
std::string fio_temp_file_name(const std::string& target);
// Makes the written and closed temporary file the new target atomically; removes temp on failure.
bool fio_replace_file(const std::string& temp, const std::string& target);
// Writes bytes to path atomically: readers see the old file or the new one, never a mixture.
bool fio_write_file_atomically(const std::string& path, std::string_view bytes);
