// Table build/read/destroy benchmark: 1,000,000 rows of 8 short string cells.
//
// Peer: the same cells as std::vector<std::vector<std::string>>, the obvious hand-written layout.
// Floor: the cell texts alone, copied into one preallocated character buffer (no per-cell objects).
// Each measurement runs in a child process of its own so that its peak resident size is its own.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_cells.h"
#include "rdb.h"

namespace {

constexpr unsigned ROWS = 1000000;
constexpr unsigned COLS = 8;
constexpr double CELLS = double(ROWS) * COLS;

struct RESULT {
    double build_ns = 0; // per cell
    double read_ns = 0;
    double destroy_ns = 0;
    double bytes = 0; // peak resident growth per cell
    std::size_t checksum = 0;
};

using CLOCK = std::chrono::steady_clock;
double ns_since(CLOCK::time_point start)
{
    return std::chrono::duration<double, std::nano>(CLOCK::now() - start).count();
}

// Peak resident set size of this process, in bytes.
double peak_rss_bytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) * 1024.0;
    return 0;
}

RESULT run_rdb()
{
    RESULT r;
    const double base = peak_rss_bytes();
    auto start = CLOCK::now();
    auto* table = new RDB_TABLE_OBJECT("big");
    bench_add_rows(*table, ROWS, COLS);
    r.build_ns = ns_since(start) / CELLS;
    r.bytes = (peak_rss_bytes() - base) / CELLS;

    start = CLOCK::now();
    for (unsigned row = 0; row < ROWS; ++row)
        for (unsigned col = 0; col < COLS; ++col) {
            r.checksum += table->get_element(row, col, false)->get_string().size();
        }
    r.read_ns = ns_since(start) / CELLS;

    start = CLOCK::now();
    delete table;
    r.destroy_ns = ns_since(start) / CELLS;
    return r;
}

RESULT run_peer()
{
    RESULT r;
    const double base = peak_rss_bytes();
    auto start = CLOCK::now();
    auto* table = new std::vector<std::vector<std::string>>;
    char text[16];
    for (unsigned row = 0; row < ROWS; ++row) {
        std::vector<std::string> cells;
        cells.reserve(COLS);
        for (unsigned col = 0; col < COLS; ++col) {
            bench_cell_text(row, col, text);
            cells.emplace_back(text);
        }
        table->push_back(std::move(cells));
    }
    r.build_ns = ns_since(start) / CELLS;
    r.bytes = (peak_rss_bytes() - base) / CELLS;
    start = CLOCK::now();
    for (const auto& cells : *table)
        for (const std::string& cell : cells)
            r.checksum += std::string(cell).size();
    r.read_ns = ns_since(start) / CELLS;
    start = CLOCK::now();
    delete table;
    r.destroy_ns = ns_since(start) / CELLS;
    return r;
}

RESULT run_floor()
{
    RESULT r;
    const double base = peak_rss_bytes();
    auto start = CLOCK::now();
    char* buffer = static_cast<char*>(std::malloc(std::size_t(ROWS) * COLS * 16));
    char text[16];
    for (unsigned row = 0; row < ROWS; ++row)
        for (unsigned col = 0; col < COLS; ++col) {
            bench_cell_text(row, col, text);
            std::memcpy(buffer + (std::size_t(row) * COLS + col) * 16, text, 16);
        }
    r.build_ns = ns_since(start) / CELLS;
    r.bytes = (peak_rss_bytes() - base) / CELLS;
    start = CLOCK::now();
    for (std::size_t i = 0; i < std::size_t(ROWS) * COLS; ++i)
        r.checksum += std::strlen(buffer + i * 16);
    r.read_ns = ns_since(start) / CELLS;
    start = CLOCK::now();
    std::free(buffer);
    r.destroy_ns = ns_since(start) / CELLS;
    return r;
}

// Runs a measurement in a child process and reads its result back through a pipe.
RESULT in_child(const std::function<RESULT()>& measure)
{
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        RESULT r = measure();
        if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    RESULT r;
    if (read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) std::exit(1);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return r;
}

void print(const char* name, const RESULT& r)
{
    std::printf("%-28s build %7.1f ns/cell   read %6.1f ns/cell   destroy %6.1f ns/cell   peak %6.1f bytes/cell\n",
                name, r.build_ns, r.read_ns, r.destroy_ns, r.bytes);
}

} // namespace

int main()
{
    std::printf("Table of %u rows x %u short string cells\n", ROWS, COLS);
    const RESULT rdb = in_child(run_rdb);
    const RESULT peer = in_child(run_peer);
    const RESULT floor = in_child(run_floor);
    print("rdb table", rdb);
    print("peer: vector<vector<string>>", peer);
    print("floor: flat char buffer", floor);
    std::printf("ratios rdb/peer: build %.2f  read %.2f  destroy %.2f  memory %.2f\n", rdb.build_ns / peer.build_ns,
                rdb.read_ns / peer.read_ns, rdb.destroy_ns / peer.destroy_ns, rdb.bytes / peer.bytes);
    std::printf("ratios rdb/floor: build %.2f  memory %.2f\n", rdb.build_ns / floor.build_ns, rdb.bytes / floor.bytes);
    const bool ok = rdb.build_ns <= 100.0 && rdb.bytes <= 120.0;
    std::printf("targets (build <= 100 ns/cell, memory <= 120 bytes/cell): %s\n", ok ? "met" : "NOT met");
    return rdb.checksum == peer.checksum ? 0 : 1;
}
