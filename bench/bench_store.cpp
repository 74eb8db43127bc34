// Big-table benchmark: a report holding one table of N rows of 8 short string cells, for each N given
// (by default 100,000, 1,000,000 and 4,000,000), built in memory, saved and loaded through the binary
// store (the project database, XML backup off), rendered as text, and written to and read from a plain
// XML file. Every figure is a cost per cell, so that the sizes compare directly.
//
// Floors and peers, in the same run and at the same size:
// - floor of the store: the binary file's byte count written with one fwrite, then fflush and fsync (the
//   store syncs its files too); floor of the text: the rendered bytes, already in memory, written with
//   one fwrite and fflush;
// - building the same texts as a vector<vector<string>>;
// - SQLite inserting the same cells in one transaction through one prepared statement and selecting them
//   back (SELECT *);
// - libxml2's streaming parser (xmllint --stream --noout, a child process) reading our XML file.
// Each step runs in a process of its own, so that its memory is its own and nothing left over from
// another step is recycled. Times are the best of three runs, and of every round with --rounds N, which
// repeats all sizes so that a machine whose speed drifts over minutes is caught at its best. The first
// run of a process touches fresh memory, which costs a page fault per 4 KiB, so the first load and XML
// read are shown too. Memory: peak resident growth while building, and the peak while loading relative
// to the loaded table's size.

#include <sqlite3.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench_cells.h"
#include "bench_project.h"
#include "rdb.h"

extern char** environ;

namespace {

constexpr unsigned COLS = 8;
// Row numbers of 7 digits at every size ("c0_r0000042"), so that a cell costs the same bytes in a table
// of 100,000 rows as in one of 4,000,000 and the per-cell figures compare like with like.
constexpr unsigned DIGITS = 7;
constexpr const char* REV = "bench";
constexpr const char* TYPE = "fit";
constexpr const char* TABLE = "big";

// The figures of one size. Times are seconds for the whole table; the children fill them in shared memory.
struct FIGURES {
    double build = 0, build_peer = 0; // build in memory, rdb and vector<vector<string>>
    double bytes = 0, bytes_peer = 0; // peak resident growth while building
    double save = 0, floor = 0; // binary save and its fwrite floor
    double load = 0, load_first = 0; // binary load, best of three and first in its process
    double load_peak = 0, load_kept = 0; // resident growth at the peak of the first load and after it
    double insert = 0, select = 0; // SQLite peers
    double text = 0, text_floor = 0; // output_ascii into a file and its fwrite floor
    double xml_write = 0, xml_read = 0, xml_read_first = 0, xmllint = 0;
    double file_bytes = 0, text_bytes = 0, xml_bytes = 0;
};

unsigned g_rows = 0;
FIGURES* g_figures = nullptr;

double cells() { return double(g_rows) * COLS; }

// The text of the last cell of the table.
std::string last_cell_text()
{
    char text[16];
    return std::string(text, bench_cell_text(g_rows - 1, COLS - 1, text, DIGITS));
}

// Order-sensitive digest of every cell text, to prove that what came back is what went out.
std::uint64_t digest(std::uint64_t sum, const char* text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        sum = (sum ^ static_cast<unsigned char>(text[i])) * 1099511628211ull;
    return (sum ^ 0xFF) * 1099511628211ull;
}

constexpr std::uint64_t DIGEST_START = 14695981039346656037ull;

std::uint64_t expected_digest()
{
    std::uint64_t sum = DIGEST_START;
    char text[16];
    for (unsigned row = 0; row < g_rows; ++row)
        for (unsigned col = 0; col < COLS; ++col)
            sum = digest(sum, text, bench_cell_text(row, col, text, DIGITS));
    return sum;
}

RDB_TABLE_OBJECT* find_table(const RDB_REPORT* report)
{
    if (report == nullptr) bench_die("no report came back");
    RDB_OBJECT* object = report->get_main_folder()->find_object(TABLE);
    RDB_TABLE_OBJECT* table = object == nullptr ? nullptr : object->dynamic_cast_to_RDB_TABLE_OBJECT();
    if (table == nullptr || table->get_number_of_rows() != g_rows) bench_die("the table did not come back whole");
    return table;
}

void check_cells(const RDB_REPORT* report, const char* what)
{
    const RDB_TABLE_OBJECT* table = find_table(report);
    std::uint64_t sum = DIGEST_START;
    for (unsigned row = 0; row < g_rows; ++row)
        for (unsigned col = 0; col < COLS; ++col) {
            const RDB_TABLE_ELEMENT* cell = table->get_element(row, col, false);
            if (cell == nullptr) bench_die(std::string(what) + " lost a cell");
            const std::string text = cell->get_string();
            sum = digest(sum, text.data(), text.size());
        }
    if (sum != expected_digest()) bench_die(std::string(what) + " gave other cells");
}

double file_size(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) bench_die("cannot stat " + path);
    return double(info.st_size);
}

void write_bytes(const std::string& path, const std::string& bytes, bool sync)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) bench_die("cannot create " + path);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fflush(file) != 0 ||
        (sync && ::fsync(::fileno(file)) != 0) || std::fclose(file) != 0)
        bench_die("cannot write " + path);
}

// Runs step in a child process and waits for it: the child's memory is its own, and a failed step
// ends the benchmark.
void in_child(const char* name, const std::function<void()>& step)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) bench_die("cannot fork");
    if (pid == 0) {
        step();
        std::fflush(nullptr);
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        bench_die(std::string("the step \"") + name + "\" failed");
}

// ---- The steps -------------------------------------------------------------------------------------

// Builds the table, saves it (the file the other steps read), renders it as text and writes the XML file.
void build_save_render(const std::string& dir)
{
    FIGURES& f = *g_figures;
    bench_reset_peak_rss();
    const double base = bench_status_bytes("VmRSS:");
    const auto build_start = BENCH_CLOCK::now();
    auto* table = new RDB_TABLE_OBJECT(TABLE);
    bench_add_rows(*table, g_rows, COLS, DIGITS);
    auto* report = new RDB_REPORT();
    report->get_main_folder()->add_object_to_list(table);
    f.build = bench_seconds_since(build_start);
    f.bytes = bench_status_bytes("VmHWM:") - base;
    check_cells(report, "building");
    RDB_REPORT::add_report(REV, TYPE, report);

    KDB_SERVICE& service = kdb_get_default_service_or_die();
    const KDB_PATH path = RDB_REPORT::get_kdb_path(REV, TYPE);
    f.save = bench_best_of([] {
        const auto start = BENCH_CLOCK::now();
        if (!RDB_REPORT::write_report(REV, TYPE)) bench_die("the binary save failed");
        return bench_seconds_since(start);
    });
    f.file_bytes = file_size(service.get_model_file_path(path));
    const std::string file_image(static_cast<std::size_t>(f.file_bytes), 'x');
    int raw_files = 0;
    f.floor = bench_best_of([&] {
        // A new file every time, as the store writes one (rewriting a file in place can be cheaper).
        const std::string raw_file = dir + "/raw" + std::to_string(++raw_files) + ".bin";
        const auto start = BENCH_CLOCK::now();
        write_bytes(raw_file, file_image, true);
        const double seconds = bench_seconds_since(start);
        std::filesystem::remove(raw_file);
        return seconds;
    });

    const std::string text_file = dir + "/table.txt";
    f.text = bench_best_of([&] {
        const auto start = BENCH_CLOCK::now();
        {
            std::ofstream out(text_file, std::ios::binary);
            table->output_ascii(out);
            if (!out.flush()) bench_die("cannot write " + text_file);
        }
        return bench_seconds_since(start);
    });
    std::string text;
    {
        std::ifstream in(text_file, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    f.text_bytes = double(text.size());
    if (text.find(last_cell_text()) == std::string::npos) bench_die("the text lacks the last row");
    f.text_floor = bench_best_of([&] {
        const auto start = BENCH_CLOCK::now();
        write_bytes(dir + "/floor.txt", text, false);
        return bench_seconds_since(start);
    });

    const std::string xml_file = dir + "/report.xml";
    const auto xml_start = BENCH_CLOCK::now();
    if (!rdb_write_xml_report(report, xml_file.c_str(), false)) bench_die("the XML write failed");
    f.xml_write = bench_seconds_since(xml_start);
    f.xml_bytes = file_size(xml_file);
}

void build_peer()
{
    FIGURES& f = *g_figures;
    bench_reset_peak_rss();
    const double base = bench_status_bytes("VmRSS:");
    const auto start = BENCH_CLOCK::now();
    std::vector<std::vector<std::string>> table;
    char text[16];
    for (unsigned row = 0; row < g_rows; ++row) {
        std::vector<std::string>& cells = table.emplace_back();
        cells.reserve(COLS);
        for (unsigned col = 0; col < COLS; ++col)
            cells.emplace_back(text, bench_cell_text(row, col, text, DIGITS));
    }
    f.build_peer = bench_seconds_since(start);
    f.bytes_peer = bench_status_bytes("VmHWM:") - base;
    if (table.back().back() != last_cell_text()) bench_die("the peer's table is not whole");
}

void load()
{
    FIGURES& f = *g_figures;
    KDB_SERVICE& service = kdb_get_default_service_or_die();
    const KDB_PATH path = RDB_REPORT::get_kdb_path(REV, TYPE);
    bench_reset_peak_rss();
    const double base = bench_status_bytes("VmRSS:");
    const auto first_start = BENCH_CLOCK::now();
    std::unique_ptr<RDB_REPORT> loaded = rdb_load_report_model(service, path);
    f.load_first = bench_seconds_since(first_start);
    f.load_peak = bench_status_bytes("VmHWM:") - base;
    f.load_kept = bench_status_bytes("VmRSS:") - base;
    check_cells(loaded.get(), "the binary load");
    loaded.reset();
    f.load = std::min(f.load_first, bench_best_of([&] {
                          const auto start = BENCH_CLOCK::now();
                          std::unique_ptr<RDB_REPORT> again = rdb_load_report_model(service, path);
                          const double seconds = bench_seconds_since(start);
                          find_table(again.get());
                          return seconds;
                      }));
}

double run_xmllint(const std::string& path)
{
    char program[] = "xmllint";
    char stream[] = "--stream";
    char noout[] = "--noout";
    std::string file = path;
    char* argv[] = {program, stream, noout, file.data(), nullptr};
    const auto start = BENCH_CLOCK::now();
    pid_t pid = 0;
    if (::posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) bench_die("cannot run xmllint");
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        bench_die("xmllint failed on " + path);
    return bench_seconds_since(start);
}

void read_xml(const std::string& dir)
{
    FIGURES& f = *g_figures;
    const std::string xml_file = dir + "/report.xml";
    const auto first_start = BENCH_CLOCK::now();
    std::unique_ptr<RDB_REPORT> loaded = rdb_read_xml_report(xml_file.c_str());
    f.xml_read_first = bench_seconds_since(first_start);
    check_cells(loaded.get(), "the XML read");
    loaded.reset();
    f.xml_read = std::min(f.xml_read_first, bench_best_of([&] {
                              const auto start = BENCH_CLOCK::now();
                              std::unique_ptr<RDB_REPORT> again = rdb_read_xml_report(xml_file.c_str());
                              const double seconds = bench_seconds_since(start);
                              find_table(again.get());
                              return seconds;
                          }));
    f.xmllint = bench_best_of([&] { return run_xmllint(xml_file); });
}

void sql(sqlite3* db, const char* statement)
{
    char* error = nullptr;
    if (sqlite3_exec(db, statement, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error != nullptr ? error : "?";
        sqlite3_free(error);
        bench_die(std::string(statement) + ": " + text);
    }
}

double sqlite_insert(const std::string& path)
{
    std::filesystem::remove(path);
    const auto start = BENCH_CLOCK::now();
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) bench_die("cannot open " + path);
    sql(db, "CREATE TABLE big(c0 TEXT, c1 TEXT, c2 TEXT, c3 TEXT, c4 TEXT, c5 TEXT, c6 TEXT, c7 TEXT)");
    sql(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO big VALUES(?,?,?,?,?,?,?,?)", -1, &insert, nullptr) != SQLITE_OK)
        bench_die("cannot prepare the insert");
    char texts[COLS][16];
    for (unsigned row = 0; row < g_rows; ++row) {
        for (unsigned col = 0; col < COLS; ++col) {
            const std::size_t size = bench_cell_text(row, col, texts[col], DIGITS);
            sqlite3_bind_text(insert, static_cast<int>(col + 1), texts[col], static_cast<int>(size), SQLITE_STATIC);
        }
        if (sqlite3_step(insert) != SQLITE_DONE) bench_die("insert failed");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sql(db, "COMMIT");
    sqlite3_close(db);
    return bench_seconds_since(start);
}

double sqlite_select(const std::string& path)
{
    const auto start = BENCH_CLOCK::now();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        bench_die("cannot open " + path);
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT * FROM big ORDER BY rowid", -1, &select, nullptr) != SQLITE_OK)
        bench_die("cannot prepare the select");
    std::uint64_t sum = DIGEST_START;
    while (sqlite3_step(select) == SQLITE_ROW)
        for (int col = 0; col < static_cast<int>(COLS); ++col) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(select, col));
            sum = digest(sum, text, static_cast<std::size_t>(sqlite3_column_bytes(select, col)));
        }
    const double seconds = bench_seconds_since(start);
    sqlite3_finalize(select);
    sqlite3_close(db);
    if (sum != expected_digest()) bench_die("SQLite gave other cells");
    return seconds;
}

void sqlite_peers(const std::string& dir)
{
    const std::string file = dir + "/cells.sqlite";
    g_figures->insert = bench_best_of([&] { return sqlite_insert(file); });
    g_figures->select = bench_best_of([&] { return sqlite_select(file); });
}

FIGURES measure(unsigned rows)
{
    g_rows = rows;
    const std::string db_dir = bench_open_scratch_project("bench_store");
    const std::string dir = bench_scratch().dir;
    in_child("build, save, render", [&] { build_save_render(dir); });
    in_child("build the peer", build_peer);
    in_child("load", load);
    in_child("read the XML file", [&] { read_xml(dir); });
    in_child("SQLite", [&] { sqlite_peers(dir); });
    bench_close_scratch_project();
    return *g_figures;
}

// ---- Printing --------------------------------------------------------------------------------------

struct LINE {
    const char* name;
    std::function<double(const FIGURES&)> value;
    const char* format;
};

void print_lines(const std::vector<unsigned>& sizes, const std::vector<FIGURES>& all, const std::vector<LINE>& lines)
{
    for (const LINE& line : lines) {
        std::printf("%-46s", line.name);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            g_rows = sizes[i];
            std::printf(line.format, line.value(all[i]));
        }
        std::printf("\n");
    }
}

double ns(double seconds) { return seconds * 1e9 / cells(); }
double per_cell(double bytes) { return bytes / cells(); }

// A target: whether value(figures) <= limit holds at every size it applies to.
struct TARGET {
    const char* name;
    std::function<double(const FIGURES&)> value;
    double limit;
    unsigned min_rows; // applies from this size on
};

// Keeps in best the faster of each time; byte counts are those of the first round.
void keep_faster(FIGURES& best, const FIGURES& round)
{
    for (double FIGURES::*time :
         {&FIGURES::build, &FIGURES::build_peer, &FIGURES::save, &FIGURES::floor, &FIGURES::load, &FIGURES::load_first,
          &FIGURES::insert, &FIGURES::select, &FIGURES::text, &FIGURES::text_floor, &FIGURES::xml_write,
          &FIGURES::xml_read, &FIGURES::xml_read_first, &FIGURES::xmllint})
        best.*time = std::min(best.*time, round.*time);
}

int usage()
{
    std::fprintf(stderr, "usage: bench_store [--rounds N] [ROWS...]  (N 1 to 20, default 1; each ROWS 1 to "
                         "100000000, default 100000 1000000 4000000)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Rounds repeat every size, one size after the other, and keep each figure's best: on a machine
    // whose speed drifts over minutes, a figure and its floor measured in different minutes mislead.
    int rounds = 1;
    std::vector<unsigned> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
            if (rounds < 1 || rounds > 20) return usage();
            continue;
        }
        const unsigned long rows = std::strtoul(argv[i], nullptr, 10);
        if (rows == 0 || rows > 100000000) return usage();
        sizes.push_back(static_cast<unsigned>(rows));
    }
    if (sizes.empty()) sizes = {100000, 1000000, 4000000};
    void* shared = ::mmap(nullptr, sizeof(FIGURES), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) bench_die("cannot map the shared figures");
    g_figures = static_cast<FIGURES*>(shared);

    std::vector<FIGURES> all(sizes.size());
    for (int round = 1; round <= rounds; ++round)
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            *g_figures = FIGURES{};
            std::printf("round %d of %d: measuring %u rows x %u cells ...\n", round, rounds, sizes[i], COLS);
            const FIGURES figures = measure(sizes[i]);
            if (round == 1)
                all[i] = figures;
            else
                keep_faster(all[i], figures);
        }

    std::printf("\nOne table of N rows x %u short string cells; ns per cell, best of %d runs in each of %d "
                "round(s) unless said\n",
                COLS, BENCH_RUNS, rounds);
    std::printf("%-46s", "rows");
    for (unsigned rows : sizes)
        std::printf("%12u", rows);
    std::printf("\n");
    const char* NS = "%12.1f";
    print_lines(sizes, all,
                {
                    {"build in memory", [](const FIGURES& f) { return ns(f.build); }, NS},
                    {"  peer: vector<vector<string>>", [](const FIGURES& f) { return ns(f.build_peer); }, NS},
                    {"binary save (write_report)", [](const FIGURES& f) { return ns(f.save); }, NS},
                    {"binary load (rdb_load_report_model)", [](const FIGURES& f) { return ns(f.load); }, NS},
                    {"  first load in its process", [](const FIGURES& f) { return ns(f.load_first); }, NS},
                    {"  floor: fwrite+fflush+fsync of the file", [](const FIGURES& f) { return ns(f.floor); }, NS},
                    {"  peer: SQLite insert, one transaction", [](const FIGURES& f) { return ns(f.insert); }, NS},
                    {"  peer: SQLite SELECT *", [](const FIGURES& f) { return ns(f.select); }, NS},
                    {"text rendering (output_ascii)", [](const FIGURES& f) { return ns(f.text); }, NS},
                    {"  floor: fwrite+fflush of the text", [](const FIGURES& f) { return ns(f.text_floor); }, NS},
                    {"XML write (once)", [](const FIGURES& f) { return ns(f.xml_write); }, NS},
                    {"XML read", [](const FIGURES& f) { return ns(f.xml_read); }, NS},
                    {"  first read in its process", [](const FIGURES& f) { return ns(f.xml_read_first); }, NS},
                    {"  peer: xmllint --stream --noout", [](const FIGURES& f) { return ns(f.xmllint); }, NS},
                });
    std::printf("\nbytes per cell\n");
    print_lines(sizes, all,
                {
                    {"built table (peak resident growth)", [](const FIGURES& f) { return per_cell(f.bytes); }, NS},
                    {"  peer: vector<vector<string>>", [](const FIGURES& f) { return per_cell(f.bytes_peer); }, NS},
                    {"loaded table (resident growth)", [](const FIGURES& f) { return per_cell(f.load_kept); }, NS},
                    {"  peak while loading", [](const FIGURES& f) { return per_cell(f.load_peak); }, NS},
                    {"binary file", [](const FIGURES& f) { return per_cell(f.file_bytes); }, NS},
                    {"text file", [](const FIGURES& f) { return per_cell(f.text_bytes); }, NS},
                    {"XML file", [](const FIGURES& f) { return per_cell(f.xml_bytes); }, NS},
                });

    const std::vector<TARGET> targets = {
        {"binary save / floor <= 3", [](const FIGURES& f) { return f.save / f.floor; }, 3, 1000000},
        {"binary load / floor <= 4", [](const FIGURES& f) { return f.load / f.floor; }, 4, 1000000},
        {"binary load / SQLite SELECT * <= 1", [](const FIGURES& f) { return f.load / f.select; }, 1, 1000000},
        {"build / vector<vector<string>> <= 1.5", [](const FIGURES& f) { return f.build / f.build_peer; }, 1.5,
         1000000},
        {"bytes per built cell <= 60", [](const FIGURES& f) { return per_cell(f.bytes); }, 60, 1000000},
        {"peak while loading / loaded table <= 1.3", [](const FIGURES& f) { return f.load_peak / f.load_kept; }, 1.3,
         0},
        {"XML read / xmllint <= 2", [](const FIGURES& f) { return f.xml_read / f.xmllint; }, 2, 0},
        {"text rendering / floor <= 8", [](const FIGURES& f) { return f.text / f.text_floor; }, 8, 0},
    };
    std::printf("\nratios (a target applies from 1,000,000 rows on where its line says so)\n");
    bool all_met = true;
    for (const TARGET& target : targets) {
        std::printf("%-46s", target.name);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            g_rows = sizes[i];
            const double value = target.value(all[i]);
            const bool applies = sizes[i] >= target.min_rows;
            const bool met = !applies || value <= target.limit;
            all_met = all_met && met;
            std::printf("%11.2f%s", value, !applies ? " " : met ? " " : "!");
        }
        std::printf("\n");
    }

    if (sizes.size() > 1) {
        // Per-cell time of the largest size against the smallest: a linear cost gives 1.
        std::size_t small = 0, large = 0;
        for (std::size_t i = 1; i < sizes.size(); ++i) {
            if (sizes[i] < sizes[small]) small = i;
            if (sizes[i] > sizes[large]) large = i;
        }
        std::printf("\nper-cell time at %u rows / at %u rows (target <= 1.25)\n", sizes[large], sizes[small]);
        const std::vector<std::pair<const char*, double FIGURES::*>> steps = {
            {"build", &FIGURES::build},         {"save", &FIGURES::save},         {"load", &FIGURES::load},
            {"text rendering", &FIGURES::text}, {"XML read", &FIGURES::xml_read},
        };
        for (const auto& [name, field] : steps) {
            const double ratio = (all[large].*field / (double(sizes[large]) * COLS)) /
                                 (all[small].*field / (double(sizes[small]) * COLS));
            all_met = all_met && ratio <= 1.25;
            std::printf("%-46s%12.2f%s\n", name, ratio, ratio <= 1.25 ? "" : " !");
        }
    }
    std::printf("\ntargets: %s\n", all_met ? "all met" : "NOT all met (marked !)");
    return 0;
}
