#include "gen_utf8.h"

std::optional<char32_t> gen_decode_utf8(std::string_view text, std::size_t i, std::size_t& consumed)
{
    consumed = 1;
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return lead;
    std::size_t extra;
    char32_t code;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - i <= extra) return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    consumed = extra + 1;
    return code;
}

std::string gen_valid_utf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t consumed;
        if (gen_decode_utf8(text, i, consumed))
            out.append(text.substr(i, consumed));
        else
            out += "\xEF\xBF\xBD";
        i += consumed;
    }
    return out;
}
