#pragma once
// The once-per-process debug block that announces a provisional code path (library-internal).

#include <mutex>

// One provisional code path: where it is, who owns it, the case that tracks it and what it is about.
// The line is the one the block has always named, kept fixed so that the block reads the same.
struct RDB_HACK_WARNING {
    const char* file;
    int line;
    const char* author;
    unsigned long long case_number;
    const char* description;
    std::once_flag shown;
};

// Writes the four-line "HACK WARNING" debug block of hack the first time it is called for it in the
// process; later calls (from any thread) write nothing.
void rdb_show_hack_warning_once(RDB_HACK_WARNING& hack);
