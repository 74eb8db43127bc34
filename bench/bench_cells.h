#pragma once
// The cells every benchmark uses: short string cells "c<col>_r<row>", the same in every run.

#include <charconv>
#include <cstddef>
#include <cstring>

#include "rdb.h"

// Writes the text of the cell at (row, col) into out (16 bytes) and answers its length; the row number
// has at least digits digits (zeros in front; at most 11), so that tables of different sizes can have
// texts of one length. Made with to_chars so that the texts cost little next to what is measured.
inline std::size_t bench_cell_text(unsigned row, unsigned col, char* out, unsigned digits = 0)
{
    out[0] = 'c';
    out[1] = static_cast<char>('0' + col);
    out[2] = '_';
    out[3] = 'r';
    char number[10];
    const std::size_t size = static_cast<std::size_t>(std::to_chars(number, number + 10, row).ptr - number);
    const std::size_t zeros = digits > size ? digits - size : 0;
    std::memset(out + 4, '0', zeros);
    std::memcpy(out + 4 + zeros, number, size);
    out[4 + zeros + size] = '\0';
    return 4 + zeros + size;
}

// Appends rows data rows of cols string cells to table (row numbers of at least digits digits).
inline void bench_add_rows(RDB_TABLE_OBJECT& table, unsigned rows, unsigned cols, unsigned digits = 0)
{
    char text[16];
    for (unsigned row = 0; row < rows; ++row) {
        RDB_TABLE_ROW* cells = rdb_create_empty_row();
        cells->reserve(cols);
        for (unsigned col = 0; col < cols; ++col) {
            bench_cell_text(row, col, text, digits);
            cells->push_back(new RDB_TABLE_STRING_ELEMENT(text));
        }
        table.add_row(cells);
    }
}
