#pragma once
// Named colours of report cells, rules and diagrams, and their RGB values and texts.

#include <cstdint>
#include <string>

// 74 named colours. RDB_COLOR_DEFAULT means no colour was chosen; RDB_COLOR_UNKNOWN is the answer
// for an RGB value that matches no colour. Stored in one byte.
enum RDB_COLOR_NAME : std::int8_t {
    RDB_COLOR_DEFAULT = 0,
    RDB_COLOR_RED = 1,
    RDB_COLOR_LIGHT_RED = 2,
    RDB_COLOR_LIME = 3,
    RDB_COLOR_BLUE = 4,
    RDB_COLOR_LIGHT_PURPLE = 5,
    RDB_COLOR_BLACK = 6,
    RDB_COLOR_WHITE = 7,
    RDB_COLOR_BROWN = 8,
    RDB_COLOR_ORANGE = 9,
    RDB_COLOR_LIGHT_YELLOW = 10,
    RDB_COLOR_DARK_ORCHID = 11,
    RDB_COLOR_TEAL = 12,
    RDB_COLOR_MEDIUM_BLUE = 13,
    RDB_COLOR_DARK_ORANGE = 14,
    RDB_COLOR_FIRE_BRICK = 15,
    RDB_COLOR_GREEN = 16,
    RDB_COLOR_LIGHT_GREEN = 17,
    RDB_COLOR_GRAY60 = 18,
    RDB_COLOR_GRAY67 = 19,
    RDB_COLOR_GRAY75 = 20,
    RDB_COLOR_GRAY83 = 21,
    RDB_COLOR_GRAY87 = 22,
    RDB_COLOR_GRAY93 = 23,
    RDB_COLOR_VEXA_RED = 24,
    RDB_COLOR_VEXA_ORANGE = 25,
    RDB_COLOR_VEXA_YELLOW = 26,
    RDB_COLOR_VEXA_GREEN = 27,
    RDB_COLOR_VEXA_LIGHT_BLUE = 28,
    RDB_COLOR_VEXA_BLUE = 29,
    RDB_COLOR_VEXA_DARK_BLUE = 30,
    RDB_COLOR_VEXA_LIGHT_GRAY = 31,
    RDB_COLOR_VEXA_GRAY = 32,
    RDB_COLOR_VEXA_DARK_GRAY = 33,
    RDB_COLOR_VEXA_CHARCOAL = 34,
    RDB_COLOR_VEXA_CARBON_T2 = 35,
    RDB_COLOR_VEXA_CARBON_T1 = 36,
    RDB_COLOR_VEXA_CARBON = 37,
    RDB_COLOR_VEXA_CARBON_S1 = 38,
    RDB_COLOR_VEXA_CARBON_S2 = 39,
    RDB_COLOR_VEXA_BLUE_STEEL_T2 = 40,
    RDB_COLOR_VEXA_BLUE_STEEL_T1 = 41,
    RDB_COLOR_VEXA_BLUE_STEEL = 42,
    RDB_COLOR_VEXA_BLUE_STEEL_S1 = 43,
    RDB_COLOR_VEXA_BLUE_STEEL_S2 = 44,
    RDB_COLOR_VEXA_GEODE_T2 = 45,
    RDB_COLOR_VEXA_GEODE_T1 = 46,
    RDB_COLOR_VEXA_GEODE = 47,
    RDB_COLOR_VEXA_GEODE_S1 = 48,
    RDB_COLOR_VEXA_RUST_T2 = 49,
    RDB_COLOR_VEXA_RUST_T1 = 50,
    RDB_COLOR_VEXA_RUST = 51,
    RDB_COLOR_VEXA_RUST_S1 = 52,
    RDB_COLOR_VEXA_MOSS_T2 = 53,
    RDB_COLOR_VEXA_MOSS_T1 = 54,
    RDB_COLOR_VEXA_MOSS = 55,
    RDB_COLOR_VEXA_MOSS_S1 = 56,
    RDB_COLOR_VEXA_MOSS_S2 = 57,
    RDB_COLOR_VEXA_COBALT_T2 = 58,
    RDB_COLOR_VEXA_COBALT_T1 = 59,
    RDB_COLOR_VEXA_COBALT = 60,
    RDB_COLOR_VEXA_COBALT_S1 = 61,
    RDB_COLOR_VEXA_COBALT_S2 = 62,
    RDB_COLOR_VEXA_CORAL_T2 = 63,
    RDB_COLOR_VEXA_CORAL_T1 = 64,
    RDB_COLOR_VEXA_CORAL = 65,
    RDB_COLOR_VEXA_CORAL_S1 = 66,
    RDB_COLOR_VEXA_CORAL_S2 = 67,
    RDB_COLOR_VEXA_CORAL_S3 = 68,
    RDB_COLOR_VEXA_DAISY_T1 = 69,
    RDB_COLOR_VEXA_DAISY = 70,
    RDB_COLOR_VEXA_DAISY_S1 = 71,
    RDB_COLOR_VEXA_DAISY_S2 = 72,
    RDB_COLOR_UNKNOWN = 73,
};

constexpr int RDB_COLOR_COUNT = 74;
// RGB value standing for "no colour".
constexpr unsigned int RDB_RGB_DEFAULT_COLOR = 0xFFFFFFFFu;

// The colour's 0xRRGGBB value; RDB_RGB_DEFAULT_COLOR for the default, unknown (with a warning debug
// line) and out-of-range values.
unsigned int rdb_get_rgb_value_by_name(RDB_COLOR_NAME color);
// The colour of an RGB value, older shades included; RDB_COLOR_DEFAULT for RDB_RGB_DEFAULT_COLOR;
// RDB_COLOR_UNKNOWN (with a warning debug line) for anything else.
RDB_COLOR_NAME rdb_get_color_name_by_rgb_value(unsigned int rgb);
// The lower-case colour word; "black" for the default, unknown and out-of-range values.
std::string rdb_get_rgb_string_by_name(RDB_COLOR_NAME color);
// Six upper-case hexadecimal digits; a value above 0xFFFFFF is an internal error.
std::string rdb_get_string_color(unsigned int rgb);
// Reads at most the first six characters as hexadecimal; 0 when they do not start with a hex digit.
unsigned int rdb_get_rgb_color(const std::string& text);
