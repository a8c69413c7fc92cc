// Text and number helpers shared by every operation. Texts are cp1251 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mirvex {

// CR LF: ends every line the program writes and separates lines inside messages.
inline constexpr std::string_view kLineBreak = "\r\n";

// The leading-number parse value(text): the number at the start of the text. "." is
// always the decimal separator; blanks, tabs and LF anywhere are ignored; an optional
// sign, digits, decimals and an exponent are read up to the first character that
// cannot continue the number. An empty or non-numeric text, or one out of the range
// of a double, gives 0.
double Value(std::string_view text);

// The whole text as one decimal number: an optional sign, digits with at most one
// point (one digit at least), an optional exponent with its digits ("-36.5", "+1e5",
// ".5", "7."). False for anything else ("1e", "1.2.3", "--1", "nan", blanks). A
// number beyond the range of a double gives ±infinity, one too small for it 0.
bool ParseDecimal(std::string_view text, double& value);

// True when the whole text is a decimal number (as ParseDecimal reads it) that a
// double holds: "1e999" is none. Cheap enough for every vertex of a map: only a
// number with an exponent or of hundreds of digits is converted.
bool IsFiniteDecimal(std::string_view text);

// The computed-number text: the value rounded to 15 significant digits, written in
// plain decimal notation without trailing zeros, without a point when whole, with
// "." as separator (65.5, 0.25, -3). Negative zero is written 0.
std::string NumberText(double value);
void AppendNumberText(std::string& out, double value);

// A transformed coordinate in degrees, rounded to seven decimals (about 1 cm on the
// ground) without trailing zeros or a trailing point ("37.6173", "-0.5", "55"); -0
// is written 0. Writes at most kDegreesTextLimit bytes at `out` and returns their
// count. `value` is finite and within ±180.
inline constexpr std::size_t kDegreesTextLimit = 16;
std::size_t WriteDegreesText(double value, char* out);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2).
double RoundHalfEven(double value);

// The form of a noun Russian puts after the number `count`: `one` after 1, 21, 101
// ("объект"), `few` after 2 to 4, 22 to 24 ("объекта"), `many` after 0, 5 to 20 and
// 11 to 14 in every hundred ("объектов"). Negative counts take the form of their size.
std::string_view PluralForm(long long count, std::string_view one, std::string_view few, std::string_view many);

// The count and the word "объект" in its form for that count (cp1251): "1 объект",
// "3 объекта", "12 объектов".
std::string ObjectCount(long long count);

// Removes leading and trailing blanks (0x20) only; NUL bytes and tabs stay.
std::string_view TrimBlanks(std::string_view text);

// reply: every occurrence of the character `from` replaced by the text `to`.
std::string Reply(std::string_view text, char from, std::string_view to);

// Case of single cp1251 characters, as Unicode defines it for the character each
// byte stands for (Latin and Cyrillic letters of every alphabet cp1251 holds). A
// character whose other case is not in cp1251 (the micro sign) is returned unchanged.
unsigned char UpperCp1251(unsigned char c);
unsigned char LowerCp1251(unsigned char c);
// True exactly for the lower-case letters, the micro sign included.
bool IsLowerCp1251(unsigned char c);

// Case-insensitive comparison of cp1251 texts, Latin and Cyrillic letters alike
// (names of INI sections and keys).
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// ASCII-only case-insensitive comparison (keywords of the MIF format).
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// CheckText: the string of a MIF text object is usable as a label unless it holds a
// digit or begins with a lower-case letter; a rejected text gives an empty text.
std::string CheckText(std::string_view text);

}  // namespace mirvex
