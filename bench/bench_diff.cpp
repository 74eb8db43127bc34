// Comparison benchmark: two stored reports, each holding one table of 1,000,000 rows of 8 short string
// cells under a header row, that differ in 1 % of their cells (one cell outside the key column in each of
// 8 rows out of every 100). Measured as the diff command works: load both reports from the project database, compare
// them and render the text of the differences.
//
// Peer and floor, in the same run: loading both reports alone (the work no comparison can avoid).
// Target: loading plus comparing takes at most 3x the time of loading alone. Every figure is the best of
// three runs; the first argument sets the row count.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_cells.h"
#include "bench_project.h"
#include "rdb.h"
#include "rdb_diff.h"

namespace {

unsigned ROWS = 1000000;
constexpr unsigned COLS = 8;

// Stores a report with the table; changed alters 1 % of its cells, none of the key column. The number of
// cells altered.
std::uint64_t store(KDB_SERVICE& service, const KDB_PATH& path, bool changed)
{
    auto* table = new RDB_TABLE_OBJECT("big");
    table->add_row(rdb_create_row(std::vector<std::string>{"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7"}));
    bench_add_rows(*table, ROWS, COLS);
    std::uint64_t altered = 0;
    for (unsigned row = 0; changed && row < ROWS; ++row)
        if (row % 100 < COLS) {
            RDB_TABLE_ELEMENT* cell = table->get_element(row + 1, 1 + row % (COLS - 1), false);
            cell->set_string(cell->get_string() + "x");
            ++altered;
        }
    RDB_REPORT report;
    report.get_main_folder()->add_object_to_list(table);
    if (!rdb_store_report_model(service, path, report)) bench_die("cannot store the report");
    return altered;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) ROWS = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    if (ROWS == 0) {
        std::fprintf(stderr, "bench_diff: the table needs at least one row\n");
        return 2;
    }
    const std::string db_dir = bench_open_scratch_project("bench_diff");
    KDB_SERVICE service(db_dir);
    const KDB_PATH old_path = RDB_REPORT::get_kdb_path("old", "fit");
    const KDB_PATH new_path = RDB_REPORT::get_kdb_path("new", "fit");
    store(service, old_path, false);
    const std::uint64_t altered = store(service, new_path, true);

    std::printf("Two stored reports of one table of %u rows x %u short string cells, %llu cells differing "
                "(best of %d runs)\n",
                ROWS, COLS, static_cast<unsigned long long>(altered), BENCH_RUNS);
    const double load_seconds = bench_best_of([&] {
        const auto start = BENCH_CLOCK::now();
        std::unique_ptr<RDB_REPORT> old_report = rdb_load_report_model(service, old_path);
        std::unique_ptr<RDB_REPORT> new_report = rdb_load_report_model(service, new_path);
        const double seconds = bench_seconds_since(start);
        if (!old_report || !new_report) bench_die("a report did not load");
        return seconds;
    });
    double compare_seconds = 0;
    const double total_seconds = bench_best_of([&] {
        const auto start = BENCH_CLOCK::now();
        std::unique_ptr<RDB_REPORT> old_report = rdb_load_report_model(service, old_path);
        std::unique_ptr<RDB_REPORT> new_report = rdb_load_report_model(service, new_path);
        if (!old_report || !new_report) bench_die("a report did not load");
        const auto compare_start = BENCH_CLOCK::now();
        const RDB_REPORT_DIFF diff = rdb_diff_reports(*old_report->get_main_folder(), *new_report->get_main_folder());
        const std::string text = rdb_diff_to_text(diff, {});
        const double compare = bench_seconds_since(compare_start);
        const double seconds = bench_seconds_since(start);
        if (diff.objects.size() != 1 || diff.objects[0].changes.size() != altered || diff.objects[0].rows_by_position)
            bench_die("the comparison did not find exactly the altered cells by key");
        if (compare_seconds == 0 || compare < compare_seconds) compare_seconds = compare;
        return seconds;
    });

    std::printf("%-44s %8.3f s\n", "load both (rdb_load_report_model x2)", load_seconds);
    std::printf("%-44s %8.3f s\n", "compare and render the text (best)", compare_seconds);
    std::printf("%-44s %8.3f s\n", "diff: load both, compare, render", total_seconds);
    std::printf("ratio of time: diff/load both %.2f\n", total_seconds / load_seconds);
    std::printf("target (diff within 3x of loading both): %s\n", total_seconds <= 3 * load_seconds ? "met" : "NOT met");

    bench_close_scratch_project();
    return 0;
}
