#pragma once
// General utilities: text comparison used for sorting report rows.

#include <optional>
#include <string>
#include <string_view>

// Three-way natural comparison: runs of decimal digits compare by numeric value (leading zeros
// ignored, then shorter run first on a tie), a leading '-' before digits makes the number
// negative, everything else compares by character. Negative, zero or positive like strcmp. The
// order is a strict weak order on all texts.
int gen_signed_lexcmp(const char* a, const char* b);
inline int gen_signed_lexcmp(const std::string& a, const std::string& b)
{
    return gen_signed_lexcmp(a.c_str(), b.c_str());
}

// Decodes "%XX" escapes (hexadecimal digits of either case); nullopt when an escape is cut short or
// not hexadecimal.
std::optional<std::string> gen_percent_decode(std::string_view text);
