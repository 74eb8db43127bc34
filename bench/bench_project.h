#pragma once
// What the storage benchmarks share: a scratch project whose folder goes away at exit (also after a
// failure), the best-of-three timing, and the process's memory counters.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "rdb.h"

using BENCH_CLOCK = std::chrono::steady_clock;

inline double bench_seconds_since(BENCH_CLOCK::time_point start)
{
    return std::chrono::duration<double>(BENCH_CLOCK::now() - start).count();
}

// The shortest of three timings: the machine is shared, and other work only ever adds time.
constexpr int BENCH_RUNS = 3;
template <class RUN> double bench_best_of(RUN run)
{
    double best = run();
    for (int i = 1; i < BENCH_RUNS; ++i)
        best = std::min(best, run());
    return best;
}

// The scratch project's folder and the program's name, for bench_die.
struct BENCH_SCRATCH {
    std::string program;
    std::string dir;
    pid_t owner = 0; // only the process that made the folder removes it
};

inline BENCH_SCRATCH& bench_scratch()
{
    static BENCH_SCRATCH scratch;
    return scratch;
}

inline void bench_remove_scratch()
{
    BENCH_SCRATCH& scratch = bench_scratch();
    if (scratch.dir.empty() || scratch.owner != ::getpid()) return;
    std::error_code error;
    std::filesystem::remove_all(scratch.dir, error);
    scratch.dir.clear();
}

[[noreturn]] inline void bench_die(const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", bench_scratch().program.c_str(), what.c_str());
    bench_remove_scratch();
    std::exit(2);
}

// Makes a temporary project for program (the project database with the XML backup off, as the
// benchmarks measure the binary store alone) and answers its database folder.
inline std::string bench_open_scratch_project(const char* program)
{
    BENCH_SCRATCH& scratch = bench_scratch();
    scratch.program = program;
    std::string pattern = "/tmp/" + scratch.program + "_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) bench_die("cannot make a temporary folder");
    scratch.dir = pattern;
    scratch.owner = ::getpid();
    gen_set_project_directory(scratch.dir);
    cfg_set_value("rdb_support_bak", "off");
    const std::string db_dir = gen_get_db_dir_path_string();
    if (db_dir.empty()) bench_die("no project database folder");
    return db_dir;
}

inline void bench_close_scratch_project()
{
    RDB_REPORT::free_all_reports();
    gen_set_project_directory(std::string());
    bench_remove_scratch();
}

// A figure of /proc/self/status ("VmRSS:", "VmHWM:") in bytes.
inline double bench_status_bytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + std::strlen(key), nullptr) * 1024.0;
    return 0;
}

// Starts a new peak: VmHWM becomes the current resident size.
inline void bench_reset_peak_rss()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}
