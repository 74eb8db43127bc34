#pragma once
// Helpers shared by the transfer routines of the persistent report classes (library-internal).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pdb/pdb.h"
#include "rdb_rgb.h"

// Names the field that the segment transfers next, for the store's error texts. For the routines
// whose next transfer is not a plain one of that field (enumerations, pointers, owned objects, counts).
#define RDB_TRACE(field) segment.trace(__LINE__, #field)

// Names a field for the store's error texts and transfers that same field, so that the name in an
// error text always belongs to the field that was being transferred.
#define RDB_TRANSFER(segment, field)                                                                                   \
    do {                                                                                                               \
        (segment).trace(__LINE__, #field);                                                                             \
        (segment).transfer(field);                                                                                     \
    } while (false)

// A colour as an 8-bit field; on reading, a value that names no colour is corruption.
inline void rdb_transfer_color(PDB_SEGMENT& segment, RDB_COLOR_NAME& color)
{
    std::uint32_t value = static_cast<std::uint8_t>(color);
    segment.transfer_bits(value, 8);
    if (segment.is_writing()) return;
    if (value >= static_cast<std::uint32_t>(RDB_COLOR_COUNT)) segment.fail("colour " + std::to_string(value));
    color = static_cast<RDB_COLOR_NAME>(value);
}

// A heap text that may be absent; on reading, set receives a present text as a std::string_view
// into the segment, valid only during the call.
template <class SET> void rdb_transfer_c_string(PDB_SEGMENT& segment, const char* text, SET set)
{
    if (segment.is_writing()) {
        segment.write_optional_text(text);
        return;
    }
    if (const std::optional<std::string_view> value = segment.read_optional_text()) set(*value);
}
