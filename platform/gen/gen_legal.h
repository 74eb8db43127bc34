#pragma once
// General utilities: the legal notice that reports carry.

#include <string>

// The legal notice, several lines joined by "\n". product names the program the notice covers; null
// or empty names none.
std::string gen_get_legal_text(const char* product);
