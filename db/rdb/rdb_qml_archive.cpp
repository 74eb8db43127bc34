// Stand-in for the zip archive writer until the in-process writer lands: it makes no archive.

#include "rdb_qml_archive.h"

bool rdb_write_zip_archive(const std::string&, const std::string&, const std::vector<std::string>&, std::string* error)
{
    if (error != nullptr) *error = "no zip archive writer is built in";
    return false;
}
