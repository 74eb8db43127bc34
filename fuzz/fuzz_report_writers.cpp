// Fuzz target: arbitrary bytes as the names and texts of a report, written as the whole-report JSON,
// the JSON panels, an SQLite export and an SQLite conversion. An output that does not read back whole,
// or reads back with a text changed (other than an invalid UTF-8 byte turned into U+FFFD), is a
// finding, as is a crash, a sanitizer report or a leak.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

#include "writers_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The files go to a scratch folder of this process, emptied before each input.
    static const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("rdb_fuzz_writers." + std::to_string(::getpid()));
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    const std::string failure =
        rdb_check_report_writers(std::string_view(reinterpret_cast<const char*>(data), size), scratch.string());
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_report_writers: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
