// Plain-text table rendering benchmark: 1,000,000 rows of 8 short string cells written as a boxed
// text table into a file.
//
// Floor: the same bytes, already in memory, written with one fwrite and fflush.
// Peer: `column -t` aligning the same cells given as tab-separated text (skipped when missing).
// Each figure is given as wall-clock time and as CPU time (user + system, the peer's measured on its
// processes), since on a shared machine the wall clock also counts the time others had the CPU.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "bench_cells.h"
#include "rdb.h"

namespace {

constexpr unsigned ROWS = 1000000;
constexpr unsigned COLS = 8;

using CLOCK = std::chrono::steady_clock;

// Wall-clock and CPU seconds of one measured step.
struct TIMES {
    double wall = 0;
    double cpu = 0;
};

double cpu_seconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Times step; who says whose CPU time counts (this process or its waited-for children).
template <class STEP> TIMES measure(STEP step, int who = RUSAGE_SELF)
{
    const double cpu_start = cpu_seconds(who);
    const auto start = CLOCK::now();
    step();
    TIMES t;
    t.wall = std::chrono::duration<double>(CLOCK::now() - start).count();
    t.cpu = cpu_seconds(who) - cpu_start;
    return t;
}

TIMES best(const TIMES& a, const TIMES& b) { return TIMES{std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)}; }

RDB_TABLE_OBJECT* make_table()
{
    auto* table = new RDB_TABLE_OBJECT("Benchmark table");
    RDB_TABLE_ROW* heading = rdb_create_empty_row();
    for (unsigned col = 0; col < COLS; ++col)
        heading->push_back(new RDB_TABLE_STRING_ELEMENT("Column " + std::to_string(col)));
    table->add_row(heading);
    bench_add_rows(*table, ROWS, COLS);
    return table;
}

std::size_t file_size(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::size_t>(in.tellg()) : 0;
}

// Renders through a file stream with the 32,768-byte buffer the report writers use.
void render(RDB_TABLE_OBJECT& table, const std::string& path)
{
    static char buffer[32768];
    std::ofstream out;
    out.rdbuf()->pubsetbuf(buffer, sizeof buffer);
    out.open(path, std::ios::binary | std::ios::trunc);
    table.output_ascii(out);
    out.close();
}

void write_with_fwrite(const std::string& bytes, const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::exit(1);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::exit(1);
    std::fflush(file);
    std::fclose(file);
}

void write_tab_separated(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    for (unsigned col = 0; col < COLS; ++col)
        out << "Column_" << col << (col + 1 < COLS ? '\t' : '\n');
    char text[16];
    for (unsigned row = 0; row < ROWS; ++row)
        for (unsigned col = 0; col < COLS; ++col) {
            bench_cell_text(row, col, text);
            out << text << (col + 1 < COLS ? '\t' : '\n');
        }
}

double mb_per_s(std::size_t bytes, double seconds) { return double(bytes) / seconds / 1e6; }

void print(const char* name, const TIMES& t, std::size_t bytes)
{
    std::printf("%-28s wall %7.3f s %8.1f MB/s   cpu %7.3f s %8.1f MB/s   (%zu bytes)\n", name, t.wall,
                mb_per_s(bytes, t.wall), t.cpu, mb_per_s(bytes, t.cpu), bytes);
}

} // namespace

int main()
{
    const std::string base = "/tmp/rdb_bench_text_" + std::to_string(getpid());
    const std::string rendered = base + ".txt";
    const std::string floor_file = base + ".floor.txt";
    const std::string tsv_file = base + ".tsv";
    const std::string column_file = base + ".column.txt";

    std::printf("Text rendering of a table of %u rows x %u short string cells\n", ROWS, COLS);
    RDB_TABLE_OBJECT* table = make_table();

    // Best of three runs each, rdb and floor measured in the same run.
    TIMES rdb{1e9, 1e9};
    for (int i = 0; i < 3; ++i)
        rdb = best(rdb, measure([&] { render(*table, rendered); }));
    const std::size_t bytes = file_size(rendered);

    std::ostringstream in_memory;
    table->output_ascii(in_memory);
    const std::string text = in_memory.str();
    if (text.size() != bytes) {
        std::printf("rendered sizes differ: %zu in memory, %zu in the file\n", text.size(), bytes);
        return 1;
    }
    TIMES floor{1e9, 1e9};
    for (int i = 0; i < 3; ++i)
        floor = best(floor, measure([&] { write_with_fwrite(text, floor_file); }));

    print("rdb output_ascii to file", rdb, bytes);
    print("floor: one fwrite + fflush", floor, bytes);
    std::printf("ratio rdb/floor time: wall %.2f  cpu %.2f\n", rdb.wall / floor.wall, rdb.cpu / floor.cpu);

    bool faster_than_peer = true;
    if (std::system("command -v column >/dev/null 2>&1") != 0) {
        std::printf("peer skipped: `column` not found (util-linux, Debian package bsdextrautils)\n");
    } else {
        write_tab_separated(tsv_file);
        const std::string command = "column -t -s '\t' < " + tsv_file + " > " + column_file;
        int status = 0;
        const TIMES column = measure([&] { status = std::system(command.c_str()); }, RUSAGE_CHILDREN);
        const std::size_t column_bytes = file_size(column_file);
        if (status != 0) {
            std::printf("peer failed: %s\n", command.c_str());
        } else {
            print("peer: column -t", column, column_bytes);
            std::printf("ratio rdb/peer time: wall %.3f  cpu %.3f\n", rdb.wall / column.wall, rdb.cpu / column.cpu);
            faster_than_peer = rdb.wall < column.wall && rdb.cpu < column.cpu;
        }
    }
    const bool ok = mb_per_s(bytes, rdb.wall) >= 100.0 && faster_than_peer;
    std::printf("targets (>= 100 MB/s wall clock, faster than column -t): %s\n", ok ? "met" : "NOT met");
    if (!ok && mb_per_s(bytes, rdb.cpu) >= 100.0)
        std::printf("(the CPU-time rate meets 100 MB/s: the machine was busy with other work)\n");

    delete table;
    for (const std::string& path : {rendered, floor_file, tsv_file, column_file})
        std::remove(path.c_str());
    return 0;
}
