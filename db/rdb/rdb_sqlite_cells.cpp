#include "rdb_sqlite_cells.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "rdb_rgb.h"
#include "rdb_escape.h"
#include "rdb_sqlite_db.h"
#include "rdb_table_element.h"

namespace RDB::SQLITE {

namespace {

std::uint32_t rgb_of(RDB_COLOR_NAME color)
{
    // The default and the unknown colour have no RGB value; asking for one only logs a warning.
    if (color == RDB_COLOR_DEFAULT || color == RDB_COLOR_UNKNOWN) return RDB_RGB_DEFAULT_COLOR;
    return rdb_get_rgb_value_by_name(color);
}

void append_key(std::string& out, bool& first, const char* key)
{
    out += first ? "{\"" : ",\"";
    out += key;
    out += "\":";
    first = false;
}

void append_text_key(std::string& out, bool& first, const char* key, const std::string& value)
{
    if (value.empty()) return;
    append_key(out, first, key);
    rdb_append_json_string(out, value);
}

void append_rgb_key(std::string& out, bool& first, const char* key, std::uint32_t rgb)
{
    if (rgb == RDB_RGB_DEFAULT_COLOR) return;
    append_key(out, first, key);
    out += std::to_string(rgb);
}

// The fields of any JSON text through the general parser: the slow road for texts the quick reader
// below does not take (other writers' spacing or key order is fine for it, nesting is not).
CELL_FIELDS parse_with_library(std::string_view text)
{
    CELL_FIELDS fields;
    const nlohmann::json value = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (!value.is_object()) return fields;
    fields.is_cell = true;
    const auto text_of = [&](const char* key, std::string& out) {
        const auto found = value.find(key);
        if (found != value.end() && found->is_string()) out = found->get<std::string>();
    };
    const auto rgb_of_key = [&](const char* key, std::uint32_t& out) {
        const auto found = value.find(key);
        if (found != value.end() && found->is_number_unsigned() && found->get<std::uint64_t>() <= 0xFFFFFFFFu)
            out = static_cast<std::uint32_t>(found->get<std::uint64_t>());
    };
    text_of("display", fields.display);
    text_of("tooltip", fields.tooltip);
    text_of("location_schema_tcl_string", fields.location_schema_tcl_string);
    text_of("hierarchy_path", fields.hierarchy_path);
    rgb_of_key("foreground", fields.foreground);
    rgb_of_key("background", fields.background);
    return fields;
}

// A reader for the flat objects the writers make: string and unsigned number values only.
class QUICK_READER {
public:
    explicit QUICK_READER(std::string_view text) : m_text(text) {}

    bool read(CELL_FIELDS& fields)
    {
        skip_blanks();
        if (!take('{')) return false;
        skip_blanks();
        if (take('}')) return at_end();
        do {
            std::string key;
            skip_blanks();
            if (!read_string(key)) return false;
            skip_blanks();
            if (!take(':')) return false;
            skip_blanks();
            if (!read_value(key, fields)) return false;
            skip_blanks();
        } while (take(','));
        return take('}') && at_end();
    }

private:
    bool read_value(const std::string& key, CELL_FIELDS& fields)
    {
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            std::string value;
            if (!read_string(value)) return false;
            if (key == "display")
                fields.display = std::move(value);
            else if (key == "tooltip")
                fields.tooltip = std::move(value);
            else if (key == "location_schema_tcl_string")
                fields.location_schema_tcl_string = std::move(value);
            else if (key == "hierarchy_path")
                fields.hierarchy_path = std::move(value);
            return true;
        }
        std::uint64_t number = 0;
        const auto [end, error] = std::from_chars(m_text.data() + m_pos, m_text.data() + m_text.size(), number);
        if (error != std::errc() || number > 0xFFFFFFFFu) return false;
        m_pos = static_cast<std::size_t>(end - m_text.data());
        if (m_pos < m_text.size() && (m_text[m_pos] == '.' || m_text[m_pos] == 'e' || m_text[m_pos] == 'E'))
            return false;
        if (key == "foreground")
            fields.foreground = static_cast<std::uint32_t>(number);
        else if (key == "background")
            fields.background = static_cast<std::uint32_t>(number);
        return true;
    }

    bool read_string(std::string& out)
    {
        if (!take('"')) return false;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) return false;
            switch (m_text[m_pos++]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            // \u escapes (other writers' ASCII-only output) go the slow road.
            default:
                return false;
            }
        }
        return false;
    }

    void skip_blanks()
    {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }
    bool take(char c)
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != c) return false;
        ++m_pos;
        return true;
    }
    bool at_end()
    {
        skip_blanks();
        return m_pos == m_text.size();
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

CELL_FIELDS fields_of(const RDB_TABLE_ELEMENT* cell)
{
    CELL_FIELDS fields;
    if (cell == nullptr) return fields;
    fields.is_cell = true;
    fields.display = cell->get_string();
    fields.tooltip = cell->get_tooltip();
    fields.foreground = rgb_of(cell->get_foreground());
    fields.background = rgb_of(cell->get_background());
    const RDB_TABLE_STRING_ELEMENT* text_cell = cell->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT();
    const RDB_TABLE_LOCATION_SCHEMA_ELEMENT* location =
        text_cell != nullptr ? text_cell->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT() : nullptr;
    if (location != nullptr) {
        fields.location_schema_tcl_string = location->get_location_schema_tcl_string();
        fields.hierarchy_path = location->get_hierarchy_path();
    }
    return fields;
}

void append_cell_json(std::string& out, const CELL_FIELDS& fields)
{
    if (!fields.is_cell) {
        out += "null";
        return;
    }
    bool first = true;
    append_rgb_key(out, first, "background", fields.background);
    append_key(out, first, "display");
    rdb_append_json_string(out, fields.display);
    append_rgb_key(out, first, "foreground", fields.foreground);
    append_text_key(out, first, "hierarchy_path", fields.hierarchy_path);
    append_text_key(out, first, "location_schema_tcl_string", fields.location_schema_tcl_string);
    append_text_key(out, first, "tooltip", fields.tooltip);
    out += '}';
}

CELL_FIELDS parse_cell_json(std::string_view text)
{
    CELL_FIELDS fields;
    if (QUICK_READER(text).read(fields)) {
        fields.is_cell = true;
        return fields;
    }
    return parse_with_library(text);
}

RDB_TABLE_ELEMENT* make_cell(const CELL_FIELDS& fields)
{
    if (!fields.is_cell) return nullptr;
    RDB_TABLE_STRING_ELEMENT* cell = nullptr;
    if (!fields.location_schema_tcl_string.empty() || !fields.hierarchy_path.empty()) {
        auto* location = new RDB_TABLE_LOCATION_SCHEMA_ELEMENT(fields.display, nullptr, fields.hierarchy_path);
        location->set_location_schema_tcl_string(fields.location_schema_tcl_string);
        cell = location;
    } else {
        cell = new RDB_TABLE_STRING_ELEMENT(fields.display);
    }
    if (!fields.tooltip.empty()) cell->set_tooltip(fields.tooltip);
    if (fields.foreground != RDB_RGB_DEFAULT_COLOR)
        cell->set_foreground(rdb_get_color_name_by_rgb_value(fields.foreground));
    if (fields.background != RDB_RGB_DEFAULT_COLOR)
        cell->set_background(rdb_get_color_name_by_rgb_value(fields.background));
    return cell;
}

} // namespace RDB::SQLITE
