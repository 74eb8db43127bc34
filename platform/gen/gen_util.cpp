#include "gen/gen_util.h"

#include <cstring>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alnum(char c) { return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// One token of a text: a single character, or a number (digit run with an optional sign).
struct TOKEN {
    bool is_number = false;
    bool negative = false;
    const char* digits = nullptr; // numbers: the digit run
    size_t length = 0; // numbers: digit run length
    unsigned char c = 0; // characters
};

// A '-' is a sign when digits follow and it does not continue a word or a number ("3-5" is a range).
TOKEN next_token(const char* text, size_t& pos)
{
    TOKEN token;
    const char* p = text + pos;
    bool sign = p[0] == '-' && is_digit(p[1]) && (pos == 0 || !is_alnum(text[pos - 1]));
    if (sign || is_digit(p[0])) {
        token.is_number = true;
        token.negative = sign;
        const char* start = sign ? p + 1 : p;
        const char* end = start;
        while (is_digit(*end))
            ++end;
        token.digits = start;
        token.length = static_cast<size_t>(end - start);
        pos = static_cast<size_t>(end - text);
    } else {
        token.c = static_cast<unsigned char>(p[0]);
        ++pos;
    }
    return token;
}

int sign_of(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Compares two digit runs by magnitude, then the shorter run (fewer leading zeros) first.
int compare_magnitude(const TOKEN& a, const TOKEN& b)
{
    const char* da = a.digits;
    size_t la = a.length;
    const char* db = b.digits;
    size_t lb = b.length;
    while (la > 1 && *da == '0')
        ++da, --la;
    while (lb > 1 && *db == '0')
        ++db, --lb;
    if (la != lb) return la < lb ? -1 : 1;
    int c = std::memcmp(da, db, la);
    if (c != 0) return sign_of(c);
    if (a.length != b.length) return a.length < b.length ? -1 : 1;
    return 0;
}

// The position a token takes among single characters: numbers sit just after '-' (negative) or in
// the digit range (others), so each token kind compares the same way against every character.
int compare_tokens(const TOKEN& a, const TOKEN& b)
{
    if (!a.is_number && !b.is_number) return a.c == b.c ? 0 : (a.c < b.c ? -1 : 1);
    if (a.is_number && b.is_number) {
        if (a.negative != b.negative) return a.negative ? -1 : 1;
        int c = compare_magnitude(a, b);
        return a.negative ? -c : c;
    }
    const TOKEN& number = a.is_number ? a : b;
    const TOKEN& character = a.is_number ? b : a;
    unsigned char lead = number.negative ? '-' : '0';
    // A character token is never a digit, so only a lone '-' can tie with the lead: the number follows it.
    int number_vs_char = lead == character.c ? 1 : (lead < character.c ? -1 : 1);
    return a.is_number ? number_vs_char : -number_vs_char;
}

} // namespace

int gen_signed_lexcmp(const char* a, const char* b)
{
    if (a == nullptr) a = "";
    if (b == nullptr) b = "";
    size_t pa = 0;
    size_t pb = 0;
    while (a[pa] != '\0' && b[pb] != '\0') {
        TOKEN ta = next_token(a, pa);
        TOKEN tb = next_token(b, pb);
        int c = compare_tokens(ta, tb);
        if (c != 0) return c;
    }
    if (a[pa] == '\0' && b[pb] == '\0') return 0;
    return a[pa] == '\0' ? -1 : 1;
}

std::optional<std::string> gen_percent_decode(std::string_view text)
{
    auto hex_value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hex_value(text[i + 1]);
        const int low = hex_value(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}
