// Conversion between the program's cp1251 text and UTF-8 at the edges.
#pragma once

#include <string>
#include <string_view>

namespace mirvex {

// UTF-8 to cp1251. A character outside cp1251, and every byte of an invalid
// UTF-8 sequence, becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);

// cp1251 to UTF-8. Every cp1251 byte has a character (0x98, unassigned, maps to U+FFFD).
std::string Cp1251ToUtf8(std::string_view cp1251);

// True when every character of the UTF-8 text has a cp1251 byte, so that the text
// survives the conversion unchanged (a path that does not would name another file).
inline bool FitsCp1251(std::string_view utf8) { return Cp1251ToUtf8(Utf8ToCp1251(utf8)) == utf8; }

// A Russian text written in the source (UTF-8) as the cp1251 bytes the program works with.
inline std::string Ru(std::string_view utf8) { return Utf8ToCp1251(utf8); }

}  // namespace mirvex
