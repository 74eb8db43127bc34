#pragma once
// UTF-8 decoding shared by every writer that must emit well-formed text (XML, HTML, JSON, SQLite).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The character of the well-formed UTF-8 sequence at text[i], and its length in consumed; nothing
// (with consumed 1) for a byte that starts no well-formed sequence: a stray continuation byte, a
// truncated or overlong sequence, a surrogate or a value above U+10FFFF.
std::optional<char32_t> gen_decode_utf8(std::string_view text, std::size_t i, std::size_t& consumed);

// text with every byte that starts no well-formed sequence replaced by U+FFFD.
std::string gen_valid_utf8(std::string_view text);
