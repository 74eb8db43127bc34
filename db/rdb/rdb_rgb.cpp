#include "rdb_rgb.h"

#include <cstdio>
#include <unordered_map>

#include "msg/msg.h"

namespace {

struct COLOR_ROW {
    const char* name;
    unsigned int rgb;
};

// Indexed by RDB_COLOR_NAME.
constexpr COLOR_ROW COLOR_TABLE[RDB_COLOR_COUNT] = {
    {"black", RDB_RGB_DEFAULT_COLOR}, // RDB_COLOR_DEFAULT
    {"red", 0xFF0000u},
    {"light red", 0xFFE7E7u},
    {"lime", 0x00FF00u},
    {"blue", 0x0000FFu},
    {"light purple", 0xEEDDFFu},
    {"black", 0x000000u},
    {"white", 0xFFFFFFu},
    {"brown", 0xA52A2Au},
    {"orange", 0xFFA500u},
    {"light yellow", 0xFFFFE7u},
    {"dark_orchid", 0x9932CCu},
    {"teal", 0x008080u},
    {"medium_blue", 0x0000CDu},
    {"dark_orange", 0xFF8C00u},
    {"fire_brick", 0xB22222u},
    {"green", 0x008000u},
    {"light green", 0xE7FFE7u},
    {"gray60", 0x999999u},
    {"gray67", 0xABABABu},
    {"gray75", 0xBFBFBFu},
    {"gray83", 0xD3D3D3u},
    {"gray87", 0xDDDDDDu},
    {"gray93", 0xEDEDEDu},
    {"vexa_red", 0xFC4C02u},
    {"vexa_orange", 0xFFA300u},
    {"vexa_yellow", 0xF3D54Eu},
    {"vexa_green", 0xC4D600u},
    {"vexa_light_blue", 0x00AEEFu},
    {"vexa_blue", 0x0071C5u},
    {"vexa_dark_blue", 0x003C71u},
    {"vexa_light_gray", 0xF3F3F3u},
    {"vexa_gray", 0x888888u},
    {"vexa_dark_gray", 0x555555u},
    {"vexa_charcoal", 0x252525u},
    {"vexa_carbon_t2", 0xE9E9E9u},
    {"vexa_carbon_t1", 0xAEAEAEu},
    {"vexa_carbon", 0x808080u},
    {"vexa_carbon_s1", 0x525252u},
    {"vexa_carbon_s2", 0x262626u},
    {"vexa_blue_steel_t2", 0xB9D6E5u},
    {"vexa_blue_steel_t1", 0x86B3CAu},
    {"vexa_blue_steel", 0x548FADu},
    {"vexa_blue_steel_s1", 0x41728Au},
    {"vexa_blue_steel_s2", 0x183544u},
    {"vexa_geode_t2", 0xEEC3F7u},
    {"vexa_geode_t1", 0xCC94DAu},
    {"vexa_geode", 0x8F5DA2u},
    {"vexa_geode_s1", 0x653171u},
    {"vexa_rust_t2", 0xFFC599u},
    {"vexa_rust_t1", 0xFF8F51u},
    {"vexa_rust", 0xE96115u},
    {"vexa_rust_s1", 0xB24501u},
    {"vexa_moss_t2", 0xD7F3A2u},
    {"vexa_moss_t1", 0xB1D272u},
    {"vexa_moss", 0x8BAE46u},
    {"vexa_moss_s1", 0x708541u},
    {"vexa_moss_s2", 0x515A3Du},
    {"vexa_cobalt_t2", 0x98A1FFu},
    {"vexa_cobalt_t1", 0x5B69FFu},
    {"vexa_cobalt", 0x1E2EB8u},
    {"vexa_cobalt_s1", 0x000F8Au},
    {"vexa_cobalt_s2", 0x000864u},
    {"vexa_coral_t2", 0xFFB6B9u},
    {"vexa_coral_t1", 0xFF848Au},
    {"vexa_coral", 0xFF5662u},
    {"vexa_coral_s1", 0xC81326u},
    {"vexa_coral_s2", 0x6C0B14u},
    {"vexa_coral_s3", 0x38050Cu},
    {"vexa_daisy_t1", 0xFFE17Au},
    {"vexa_daisy", 0xFEC91Bu},
    {"vexa_daisy_s1", 0xEDB200u},
    {"vexa_daisy_s2", 0xC98F00u},
    {"black", RDB_RGB_DEFAULT_COLOR}, // RDB_COLOR_UNKNOWN
};

// Older shades still found in stored reports, read as their nearest colour.
constexpr struct {
    unsigned int rgb;
    RDB_COLOR_NAME color;
} OLDER_SHADES[] = {
    {0xEE0000u, RDB_COLOR_RED},         {0xA020F0u, RDB_COLOR_DARK_ORCHID}, {0x0000AAu, RDB_COLOR_MEDIUM_BLUE},
    {0xEE8800u, RDB_COLOR_DARK_ORANGE}, {0xAA0000u, RDB_COLOR_FIRE_BRICK},  {0x007700u, RDB_COLOR_GREEN},
    {0xAAAAAAu, RDB_COLOR_GRAY67},      {0xBEBEBEu, RDB_COLOR_GRAY75},      {0xE0E0E0u, RDB_COLOR_GRAY87},
    {0xEEEEEEu, RDB_COLOR_GRAY93},
};

bool is_table_color(RDB_COLOR_NAME color) { return color > RDB_COLOR_DEFAULT && color < RDB_COLOR_UNKNOWN; }

const std::unordered_map<unsigned int, RDB_COLOR_NAME>& color_by_rgb()
{
    static const std::unordered_map<unsigned int, RDB_COLOR_NAME> table = [] {
        std::unordered_map<unsigned int, RDB_COLOR_NAME> built;
        for (int value = RDB_COLOR_RED; value < RDB_COLOR_UNKNOWN; ++value)
            built.emplace(COLOR_TABLE[value].rgb, static_cast<RDB_COLOR_NAME>(value));
        for (const auto& shade : OLDER_SHADES)
            built.emplace(shade.rgb, shade.color);
        return built;
    }();
    return table;
}

int hex_digit_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

unsigned int rdb_get_rgb_value_by_name(RDB_COLOR_NAME color)
{
    if (is_table_color(color)) return COLOR_TABLE[color].rgb;
    if (color != RDB_COLOR_DEFAULT)
        msg_local_vdebug("RDB", 2, "WARNING: Converting an unknown color - returning RDB_RGB_DEFAULT_COLOR");
    return RDB_RGB_DEFAULT_COLOR;
}

RDB_COLOR_NAME rdb_get_color_name_by_rgb_value(unsigned int rgb)
{
    if (rgb == RDB_RGB_DEFAULT_COLOR) return RDB_COLOR_DEFAULT;
    const auto& table = color_by_rgb();
    const auto found = table.find(rgb);
    if (found != table.end()) return found->second;
    msg_local_vdebug("RDB", 2, "WARNING: Color %x is unknown!", rgb);
    return RDB_COLOR_UNKNOWN;
}

std::string rdb_get_rgb_string_by_name(RDB_COLOR_NAME color)
{
    return is_table_color(color) ? COLOR_TABLE[color].name : "black";
}

std::string rdb_get_string_color(unsigned int rgb)
{
    if (rgb > 0xFFFFFFu) RDB_INTERNAL_ERROR("Color cannot be expressed in string format");
    char text[8];
    std::snprintf(text, sizeof text, "%06X", rgb);
    return text;
}

unsigned int rdb_get_rgb_color(const std::string& text)
{
    // Hexadecimal digits from the start of the first six characters, with an optional "0x" in front
    // as "%lX" reads it; no blanks or sign, so "#FF0000" and " FF" give 0.
    const std::string head = text.substr(0, 6);
    std::size_t pos = 0;
    if (head.size() > 2 && head[0] == '0' && (head[1] == 'x' || head[1] == 'X') && hex_digit_value(head[2]) >= 0)
        pos = 2;
    unsigned int value = 0;
    for (; pos < head.size(); ++pos) {
        const int digit = hex_digit_value(head[pos]);
        if (digit < 0) break;
        value = value * 16 + static_cast<unsigned int>(digit);
    }
    return value;
}
