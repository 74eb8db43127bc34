#pragma once
// The cell JSON text of the SQLite family, both ways: written for every cell the writers store, and
// read back into display texts and rebuilt cells.

#include <cstdint>
#include <string>
#include <string_view>

class RDB_TABLE_ELEMENT;

namespace RDB::SQLITE {

// The attributes a cell JSON text holds; the colours as RGB values (RDB_RGB_DEFAULT_COLOR when unset).
struct CELL_FIELDS {
    bool is_cell = false; // false for the JSON null of a missing cell, or a text that is no cell object
    std::string display;
    std::string tooltip;
    std::string location_schema_tcl_string;
    std::string hierarchy_path;
    std::uint32_t foreground = 0xFFFFFFFFu;
    std::uint32_t background = 0xFFFFFFFFu;
};

// The attributes of cell; a null cell gives is_cell false. The default colour, and colour names
// without an RGB value (the unknown colour), are left unset.
CELL_FIELDS fields_of(const RDB_TABLE_ELEMENT* cell);
// Appends the compact JSON text of the fields, keys in sorted order; "null" when not is_cell.
void append_cell_json(std::string& out, const CELL_FIELDS& fields);
// The fields of a cell JSON text; is_cell false for "null" and for texts that are not a JSON object.
CELL_FIELDS parse_cell_json(std::string_view text);
// A new cell (owned by the caller) with the fields; null when not is_cell. A location schema or
// hierarchy path makes a location cell, anything else a text cell.
RDB_TABLE_ELEMENT* make_cell(const CELL_FIELDS& fields);

} // namespace RDB::SQLITE
