// SQLite tables benchmark: a table of 1,000,000 rows of 8 short string cells.
//
// Writing: rdb_convert_table_to_sqlite and rdb_write_table_to_sqlite against the sqlite3 program's
// ".import" of the same stored texts (each cell's JSON text) as CSV into a fresh file.
// Reading: every cell of the converted table through RDB_SQLITE_TABLE_READER (get_data_string, one
// primary-key lookup per cell) and through the row walk (rdb_for_each_table_row, one pass), against
// "SELECT *" of the same table in the sqlite3 program, its output thrown away.
// Floor: none below the peer; the ratios are what the README records.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench_cells.h"
#include "rdb.h"

namespace {

constexpr unsigned ROWS = 1000000;
constexpr unsigned COLS = 8;

using CLOCK = std::chrono::steady_clock;

double seconds_of(const std::function<void()>& work)
{
    const auto start = CLOCK::now();
    work();
    return std::chrono::duration<double>(CLOCK::now() - start).count();
}

[[noreturn]] void die(const std::string& text)
{
    std::fprintf(stderr, "bench_sqlite: %s\n", text.c_str());
    std::exit(1);
}

void run_shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0) die("failed: " + command);
}

RDB_TABLE_OBJECT* big_table()
{
    auto* table = new RDB_TABLE_OBJECT("big");
    RDB_TABLE_ROW* header = rdb_create_empty_row();
    for (unsigned col = 0; col < COLS; ++col)
        header->push_back(new RDB_TABLE_STRING_ELEMENT("column " + std::to_string(col)));
    table->add_row(header);
    bench_add_rows(*table, ROWS, COLS);
    return table;
}

// The rows as CSV, each cell the JSON text the writers store, so that the peer stores the same bytes.
void write_csv(const std::string& path)
{
    std::ofstream out(path);
    char text[16];
    for (unsigned col = 0; col < COLS; ++col)
        out << (col ? "," : "") << "column_" << col;
    out << "\n";
    for (unsigned row = 0; row < ROWS; ++row) {
        for (unsigned col = 0; col < COLS; ++col) {
            bench_cell_text(row, col, text);
            out << (col ? "," : "") << "\"{\"\"display\"\":\"\"" << text << "\"\"}\"";
        }
        out << "\n";
    }
}

} // namespace

int main()
{
    char pattern[] = "/tmp/rdb_bench_sqlite_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) die("no temporary folder");
    const std::string dir = pattern;

    RDB_TABLE_OBJECT* table = big_table();
    const double convert = seconds_of([&] {
        if (!rdb_convert_table_to_sqlite(dir + "/converted", table)) die("conversion failed");
    });
    RDB_TABLE_OBJECT* exported = big_table();
    const double exporter = seconds_of([&] {
        if (!rdb_write_table_to_sqlite(dir + "/exported.sqlite3", exported)) die("export failed");
    });
    delete exported;

    write_csv(dir + "/cells.csv");
    const double import = seconds_of(
        [&] { run_shell("sqlite3 '" + dir + "/imported.sqlite3' '.import --csv " + dir + "/cells.csv cells'"); });

    std::size_t bytes = 0;
    const double read_cells = seconds_of([&] {
        RDB_SQLITE_TABLE_READER reader(*table);
        const unsigned rows = reader.get_number_of_rows(), cols = reader.get_number_of_columns();
        for (unsigned r = 0; r < rows; ++r)
            for (unsigned c = 0; c < cols; ++c)
                bytes += reader.get_data_string(r, c).size();
    });
    std::size_t walked = 0;
    const double read_rows = seconds_of([&] {
        rdb_for_each_table_row(*table, [&](unsigned, const RDB_TABLE_ROW* row) {
            for (const RDB_TABLE_ELEMENT* cell : *row)
                walked += cell->get_string().size();
        });
    });
    if (walked != bytes) die("the two readers read different texts");
    const double select =
        seconds_of([&] { run_shell("sqlite3 '" + dir + "/converted.sqlite3' 'SELECT * FROM t_1' > /dev/null"); });
    delete table;
    std::filesystem::remove_all(dir);

    std::printf("%u rows x %u cells\n", ROWS, COLS);
    std::printf("peer: sqlite3 .import of the CSV      %7.2f s\n", import);
    std::printf("rdb_convert_table_to_sqlite           %7.2f s   ratio to peer %.2f\n", convert, convert / import);
    std::printf("rdb_write_table_to_sqlite             %7.2f s   ratio to peer %.2f\n", exporter, exporter / import);
    std::printf("peer: sqlite3 SELECT *                %7.2f s\n", select);
    std::printf("reader get_data_string, every cell    %7.2f s   ratio to peer %.2f\n", read_cells,
                read_cells / select);
    std::printf("row walk, every cell                  %7.2f s   ratio to peer %.2f\n", read_rows, read_rows / select);
    return 0;
}
