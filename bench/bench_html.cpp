// HTML panel benchmark: the table of 1,000,000 rows of 8 short string cells written as its HTML panel
// (the report writer's visitor, with the installed panel template) and, side by side in the same run,
// as its boxed text rendering. The figure that matters is the ratio of the two speeds, in rows per
// second, since both are measured on the same machine at the same time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "bench_cells.h"
#include "rdb.h"

namespace {

constexpr unsigned ROWS = 1000000;
constexpr unsigned COLS = 8;

template <class STEP> double best_of_three(STEP step)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

std::uintmax_t size_of(const std::filesystem::path& path)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

} // namespace

int main()
{
    const std::filesystem::path directory = "/tmp/rdb_bench_html_" + std::to_string(getpid());
    std::filesystem::create_directories(directory);
    RDB_TABLE_OBJECT table("Benchmark table");
    RDB_TABLE_ROW* heading = rdb_create_empty_row();
    for (unsigned col = 0; col < COLS; ++col)
        heading->push_back(new RDB_TABLE_STRING_ELEMENT("Column " + std::to_string(col)));
    table.add_row(heading);
    bench_add_rows(table, ROWS, COLS);

    const std::filesystem::path text_file = directory / "table.txt";
    const double text = best_of_three([&] {
        static char buffer[32768];
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer, sizeof buffer);
        out.open(text_file, std::ios::binary | std::ios::trunc);
        table.output_ascii(out);
    });
    const double html = best_of_three([&] {
        std::ostringstream toc;
        RDB_OBJECT_HTML_VISITOR visitor(&toc, directory.string(), false);
        table.accept_visitor(&visitor);
        if (visitor.get_failed_panel_count() != 0) std::exit(1);
    });
    const std::filesystem::path panel = directory / "1.html";
    std::printf("Table of %u rows x %u short string cells\n", ROWS, COLS);
    std::printf("text rendering  %7.3f s  %12zu bytes\n", text, static_cast<std::size_t>(size_of(text_file)));
    std::printf("HTML panel      %7.3f s  %12zu bytes\n", html, static_cast<std::size_t>(size_of(panel)));
    std::printf("HTML panel speed / text rendering speed: %.2f (at least 0.5 wanted)\n", text / html);
    std::filesystem::remove_all(directory);
    return 0;
}
