// The escapers of the writers, one per target language, and locale-independent numbers.

#include "rdb_escape.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "gen/gen_utf8.h"
#include "msg/msg.h"
#include "xml/xml_parse.h"

namespace {

const char* const REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";

// The entity of the characters both HTML escapes replace, or null.
const char* html_entity(char c)
{
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    default:
        return nullptr;
    }
}

void append_html_text_char(std::string& out, char c)
{
    const char* entity = html_entity(c);
    if (entity != nullptr) {
        out += entity;
    } else {
        out += c;
    }
}

// One line of text: leading blanks each become "&nbsp;", an inner run of k >= 2 blanks becomes
// k - 1 "&nbsp;" and one blank, a run of two or more at the end is dropped, a single blank is kept.
void append_html_line(std::string& out, std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') {
        out += "&nbsp;";
        ++i;
    }
    while (i < line.size()) {
        if (line[i] != ' ') {
            // A run of characters that need no entity goes in at once.
            std::size_t plain = i;
            while (plain < line.size() && line[plain] != ' ' && html_entity(line[plain]) == nullptr)
                ++plain;
            if (plain > i) {
                out.append(line.substr(i, plain - i));
                i = plain;
            } else {
                append_html_text_char(out, line[i++]);
            }
            continue;
        }
        std::size_t run = 0;
        while (i < line.size() && line[i] == ' ') {
            ++run;
            ++i;
        }
        if (run == 1) {
            out += ' ';
        } else if (i < line.size()) {
            for (std::size_t k = 1; k < run; ++k)
                out += "&nbsp;";
            out += ' ';
        }
    }
}

void append_unicode_escape(std::string& out, char32_t c)
{
    static const char HEX[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += HEX[(c >> shift) & 0xF];
}

// One character of a JavaScript string literal; false when c needs no escape.
bool append_js_escape(std::string& out, char32_t c)
{
    switch (c) {
    case '\\':
        out += "\\\\";
        return true;
    case '"':
        out += "\\\"";
        return true;
    case '\'':
        out += "\\'";
        return true;
    case '\n':
        out += "\\n";
        return true;
    case '\r':
        out += "\\r";
        return true;
    case '\t':
        out += "\\t";
        return true;
    case '<':
    case '>':
    case '&':
    case 0x2028: // line terminators inside a literal in older JavaScript engines
    case 0x2029:
        append_unicode_escape(out, c);
        return true;
    default:
        if (c < 0x20 || c == 0x7F) {
            append_unicode_escape(out, c);
            return true;
        }
        return false;
    }
}

} // namespace

std::string rdb_xml_escape(std::string_view text)
{
    const std::string clean = xml_to_clean_utf8(text);
    std::string out;
    out.reserve(clean.size() + clean.size() / 8);
    for (char c : clean) {
        switch (c) {
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string rdb_html_escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t consumed;
        const std::optional<char32_t> c = gen_decode_utf8(text, i, consumed);
        if (!c) {
            out += REPLACEMENT_CHARACTER;
        } else if (*c == '\'') {
            out += "&#39;";
        } else if (consumed == 1) {
            append_html_text_char(out, text[i]);
        } else {
            out.append(text.substr(i, consumed));
        }
        i += consumed;
    }
    return out;
}

std::string rdb_text_to_html(std::string_view text, bool keep_empty_lines)
{
    std::string out;
    out.reserve(text.size() + 16);
    rdb_append_text_to_html(out, text, keep_empty_lines);
    return out;
}

void rdb_append_text_to_html(std::string& out, std::string_view text, bool keep_empty_lines)
{
    if (text.empty()) {
        out += "&nbsp;";
        return;
    }
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find('\n', start);
        bool last = end == std::string_view::npos;
        std::string_view line = text.substr(start, last ? std::string_view::npos : end - start);
        if (line.empty()) {
            if (keep_empty_lines) out += "<br>\n";
        } else {
            append_html_line(out, line);
            if (!last) out += "<br>\n";
        }
        if (last) break;
        start = end + 1;
    }
}

std::string rdb_js_string_literal(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        std::size_t consumed;
        const std::optional<char32_t> c = gen_decode_utf8(text, i, consumed);
        if (!c) {
            append_unicode_escape(out, 0xFFFD);
        } else if (!append_js_escape(out, *c)) {
            out.append(text.substr(i, consumed));
        }
        i += consumed;
    }
    out += '"';
    return out;
}

std::string rdb_format_fixed(double value, int decimals)
{
    RDB_ASSERT(0 <= decimals && decimals <= 32);
    // The largest double has 309 integer digits; add the sign, the point and the decimals.
    char buffer[309 + 2 + 32];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    RDB_ASSERT(result.ec == std::errc());
    return std::string(buffer, result.ptr);
}

std::string rdb_sql_identifier(std::string_view name)
{
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void rdb_append_json_string(std::string& out, std::string_view text)
{
    out += '"';
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x80) {
            std::size_t length;
            if (gen_decode_utf8(text, pos, length))
                out.append(text.substr(pos, length));
            else
                out += "\xEF\xBF\xBD";
            pos += length;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++pos;
    }
    out += '"';
}

std::string rdb_url_encode_path(std::string_view path)
{
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        // Compared by value: the process locale must not widen the kept set.
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            out += c;
            continue;
        }
        switch (c) {
        case '-':
        case '.':
        case '_':
        case '~':
        case '/':
            out += c;
            break;
        default:
            out += '%';
            out += HEX[byte >> 4];
            out += HEX[byte & 0xF];
        }
    }
    return out;
}

void rdb_append_printable(std::string& out, std::string_view text)
{
    static const char* HEX = "0123456789abcdef";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F || c1) {
            for (std::size_t end = i + (c1 ? 2 : 1); i < end; ++i) {
                out += "\\x";
                out += HEX[static_cast<unsigned char>(text[i]) >> 4];
                out += HEX[static_cast<unsigned char>(text[i]) & 0xF];
            }
            --i;
        } else {
            out += text[i];
        }
    }
}

std::string rdb_printable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    rdb_append_printable(out, text);
    return out;
}
