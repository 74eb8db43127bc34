#pragma once
// The cells every benchmark uses: short string cells "c<col>_r<row>", the same in every run.

#include <charconv>
#include <cstddef>

#include "rdb.h"

// Writes the text of the cell at (row, col) into out (16 bytes) and answers its length. Made with
// to_chars so that the texts cost little next to what is measured.
inline std::size_t bench_cell_text(unsigned row, unsigned col, char* out)
{
    out[0] = 'c';
    out[1] = static_cast<char>('0' + col);
    out[2] = '_';
    out[3] = 'r';
    char* end = std::to_chars(out + 4, out + 15, row).ptr;
    *end = '\0';
    return static_cast<std::size_t>(end - out);
}

// Appends rows data rows of cols string cells to table.
inline void bench_add_rows(RDB_TABLE_OBJECT& table, unsigned rows, unsigned cols)
{
    char text[16];
    for (unsigned row = 0; row < rows; ++row) {
        RDB_TABLE_ROW* cells = rdb_create_empty_row();
        cells->reserve(cols);
        for (unsigned col = 0; col < cols; ++col) {
            bench_cell_text(row, col, text);
            cells->push_back(new RDB_TABLE_STRING_ELEMENT(text));
        }
        table.add_row(cells);
    }
}
