#pragma once
// The zip archive of a QML report (its page, its files folder and its project file), made in-process.

#include <string>
#include <vector>

// Writes the zip archive zip_path holding members, names relative to base_directory: a file is stored
// under its name, a folder with its folders and files below it as "<member>/<relative path>". An empty
// member, an absolute one or one with a ".." component is refused; symbolic links are never followed
// (they and other special files are left out). The archive is written under a temporary name beside
// zip_path and renamed over it only when complete. False when anything failed, with nothing left
// behind, the previous zip_path intact and *error (when given) saying why.
bool rdb_write_zip_archive(const std::string& zip_path, const std::string& base_directory,
                           const std::vector<std::string>& members, std::string* error = nullptr);
