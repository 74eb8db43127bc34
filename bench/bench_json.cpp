// Whole-report JSON benchmark: a report holding one table of 1,000,000 rows x 8 short string cells
// (RDB_BENCH_JSON_ROWS sets another row count) written as one JSON document into a file.
//
// Peer: python3's json.dump of the same document (the same objects, keys sorted, indented by four as
// the file is), the rows built by Python before its clock starts. Both write to a file and sync it.
// Target: the rdb document takes no longer than the peer.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench_cells.h"
#include "rdb.h"

namespace {

constexpr unsigned COLS = 8;

unsigned row_count()
{
    const char* rows = std::getenv("RDB_BENCH_JSON_ROWS");
    return rows != nullptr && std::atoi(rows) > 0 ? static_cast<unsigned>(std::atoi(rows)) : 1000000u;
}

const std::string BASE = "/tmp/rdb_bench_json_" + std::to_string(getpid());
const std::string RDB_FILE = BASE + ".json";
const std::string PEER_FILE = BASE + ".peer.json";
const std::string SCRIPT_FILE = BASE + ".py";

RDB_REPORT* g_report = nullptr;
double g_rdb_seconds = 0;
double g_peer_seconds = 0;

std::size_t file_size(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::size_t>(in.tellg()) : 0;
}

void make_report(unsigned rows)
{
    g_report = new RDB_REPORT();
    auto* table = new RDB_TABLE_OBJECT("Benchmark table");
    RDB_TABLE_ROW* heading = rdb_create_empty_row();
    for (unsigned col = 0; col < COLS; ++col)
        heading->push_back(new RDB_TABLE_STRING_ELEMENT("Column " + std::to_string(col)));
    table->add_row(heading);
    bench_add_rows(*table, rows, COLS);
    g_report->get_main_folder()->add_object_to_list(table);
}

// The peer's script: builds the document the visitor builds, then times json.dump into argv[1] and
// prints the seconds.
void write_peer_script()
{
    std::ofstream(SCRIPT_FILE)
        << "import json, os, sys, time\n"
           "rows, cols = int(sys.argv[2]), "
        << COLS
        << "\n"
           "def cell(text):\n"
           "    return {'class_name': 'RDB_TABLE_STRING_ELEMENT', 'foreground': 'RDB_COLOR_DEFAULT',\n"
           "            'background': 'RDB_COLOR_DEFAULT', 'tooltip': '', 'string': text}\n"
           "def obj(cls, name, typ):\n"
           "    return {'class_name': cls, 'name': name, 'type': typ, 'enable': True, 'visible': True,\n"
           "            'header': '', 'footer': ''}\n"
           "table = obj('RDB_TABLE_OBJECT', 'Benchmark table', 'RDB_TABLE_TYPE')\n"
           "table['rows'] = [[cell('Column %d' % c) for c in range(cols)]] + \\\n"
           "    [[cell('c%d_r%d' % (c, r)) for c in range(cols)] for r in range(rows)]\n"
           "folder = obj('RDB_FOLDER_OBJECT', sys.argv[3], 'RDB_FOLDER_TYPE')\n"
           "folder['object_list'] = [table]\n"
           "doc = {'main_folder': folder}\n"
           "start = time.perf_counter()\n"
           "with open(sys.argv[1], 'w', encoding='utf-8') as f:\n"
           "    json.dump(doc, f, indent=4, sort_keys=True, ensure_ascii=False)\n"
           "    f.write('\\n')\n"
           "    f.flush()\n"
           "    os.fsync(f.fileno())\n"
           "print(time.perf_counter() - start)\n";
}

void BM_RdbWholeReportJson(benchmark::State& state)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        RDB_OBJECT_JSON_VISITOR(g_report).write_file(RDB_FILE);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (g_rdb_seconds == 0 || seconds < g_rdb_seconds) g_rdb_seconds = seconds; // the best run
    }
    state.counters["MB/s"] = double(file_size(RDB_FILE)) / g_rdb_seconds / 1e6;
}

void BM_PythonJsonDump(benchmark::State& state)
{
    const std::string command = "python3 " + SCRIPT_FILE + " " + PEER_FILE + " " + std::to_string(row_count()) + " '" +
                                g_report->get_main_folder()->get_name() + "'";
    for (auto _ : state) {
        std::FILE* pipe = ::popen(command.c_str(), "r");
        double seconds = 0;
        const bool read = pipe != nullptr && std::fscanf(pipe, "%lf", &seconds) == 1;
        if (pipe == nullptr || ::pclose(pipe) != 0 || !read) {
            state.SkipWithError("python3 failed");
            return;
        }
        state.SetIterationTime(seconds);
        g_peer_seconds = seconds;
    }
    state.counters["MB/s"] = double(file_size(PEER_FILE)) / g_peer_seconds / 1e6;
}

BENCHMARK(BM_RdbWholeReportJson)->Iterations(1)->Repetitions(3)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_PythonJsonDump)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const unsigned rows = row_count();
    std::printf("Whole-report JSON of a table of %u rows x %u short string cells\n", rows, COLS);
    make_report(rows);
    write_peer_script();
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) {
        std::printf("peer skipped: python3 not found\n");
        benchmark::RunSpecifiedBenchmarks();
    } else {
        benchmark::RunSpecifiedBenchmarks();
        const std::size_t rdb_bytes = file_size(RDB_FILE), peer_bytes = file_size(PEER_FILE);
        std::printf("rdb %zu bytes, python3 %zu bytes (%s)\n", rdb_bytes, peer_bytes,
                    rdb_bytes == peer_bytes ? "same size" : "sizes differ");
        if (g_rdb_seconds > 0 && g_peer_seconds > 0) {
            std::printf("ratio rdb/python3 json.dump time: %.3f\n", g_rdb_seconds / g_peer_seconds);
            std::printf("target (no slower than python3 json.dump): %s\n",
                        g_rdb_seconds <= g_peer_seconds ? "met" : "NOT met");
        }
    }
    benchmark::Shutdown();
    delete g_report;
    for (const std::string& path : {RDB_FILE, PEER_FILE, SCRIPT_FILE})
        std::remove(path.c_str());
    return 0;
}
