// The words of a MIF line: which object or style keyword starts it, its tokens, and
// the header clauses the conversion needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirvex {

enum class MifKeyword {
  kOther,       // no keyword: a count line, a coordinate line or a text string
  kRegion,
  kPline,
  kPoint,
  kLine,
  kEllipse,
  kRect,
  kRoundrect,
  kArc,
  kText,
  kMultipoint,
  kCollection,
  kNone,        // an object without graphics
  kStyle,       // Pen, Brush, Symbol, Font and the other clauses that follow coordinates
};

// The next token separated by blanks or tabs; `text` is advanced past it. Empty at
// the end of the text. Inline: it splits every coordinate line of a map.
inline std::string_view NextToken(std::string_view& text) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p != end && (*p == ' ' || *p == '\t')) ++p;
  const char* start = p;
  while (p != end && *p != ' ' && *p != '\t') ++p;
  text = std::string_view(p, static_cast<std::size_t>(end - p));
  return std::string_view(start, static_cast<std::size_t>(p - start));
}

// The characters a number of the MIF is written with, and the blanks between tokens.
inline constexpr auto kMifCharClasses = [] {
  struct Classes {
    bool number[256] = {};
    bool blank[256] = {};
  } classes;
  for (unsigned char c : std::string_view("0123456789.-+eE")) classes.number[c] = true;
  classes.blank[static_cast<unsigned char>(' ')] = classes.blank[static_cast<unsigned char>('\t')] = true;
  return classes;
}();

// True when the token is a plain decimal of at most 300 characters: a sign only at
// its start, digits with at most one point among them, one digit at least, and no
// exponent. Such a number is finite by its form alone.
inline bool IsPlainDecimal(std::string_view token) {
  const char* p = token.data();
  const char* end = p + token.size();
  if (p != end && (*p == '-' || *p == '+')) ++p;
  const char* digits = p;
  while (p != end && static_cast<unsigned>(*p - '0') < 10) ++p;
  bool any_digit = p != digits;
  if (p != end && *p == '.') {
    const char* fraction = ++p;
    while (p != end && static_cast<unsigned>(*p - '0') < 10) ++p;
    any_digit = any_digit || p != fraction;
  }
  return p == end && any_digit && token.size() <= 300;
}

// The first two tokens of a line, as NextToken splits them, found in one pass: the
// path every coordinate line of a map takes. `plain` tells that both hold only
// number characters, so they can be copied into a map as they stand; `decimal` that
// both are plain decimals (IsPlainDecimal), so their form needs no further check.
struct CoordinateTokens {
  std::string_view x;
  std::string_view y;
  bool plain = true;
  bool decimal = false;
};

// The plain byte-by-byte split, for any line.
inline CoordinateTokens SplitCoordinatesByBytes(std::string_view line) {
  const char* p = line.data();
  const char* end = p + line.size();
  CoordinateTokens tokens;
  auto token = [&]() {
    while (p != end && kMifCharClasses.blank[static_cast<unsigned char>(*p)]) ++p;
    const char* start = p;
    while (p != end && kMifCharClasses.number[static_cast<unsigned char>(*p)]) ++p;
    if (p != end && !kMifCharClasses.blank[static_cast<unsigned char>(*p)]) {
      tokens.plain = false;
      while (p != end && !kMifCharClasses.blank[static_cast<unsigned char>(*p)]) ++p;
    }
    return std::string_view(start, static_cast<std::size_t>(p - start));
  };
  tokens.x = token();
  tokens.y = token();
  tokens.decimal = tokens.plain && IsPlainDecimal(tokens.x) && IsPlainDecimal(tokens.y);
  return tokens;
}

#if defined(__SSE2__)
// The classes of the 16 bytes at `p`, bit i for byte i.
struct SixteenClasses {
  std::uint64_t blank, digit, point, sign, exponent;
};
inline SixteenClasses ClassifySixteen(const char* p) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i blanks = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')));
  // Signed comparisons: bytes from 0x80 on are negative and never digits.
  __m128i digits = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('/')), _mm_cmplt_epi8(bytes, _mm_set1_epi8(':')));
  __m128i points = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('.'));
  __m128i signs = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('+')));
  __m128i exponents = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), _mm_set1_epi8('e'));
  auto mask = [](__m128i m) { return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(m))); };
  return {mask(blanks), mask(digits), mask(points), mask(signs), mask(exponents)};
}
#endif

// The first two tokens of a line as NextToken would split them. A coordinate line of
// 16 to 32 bytes (nearly all of them) is classified in two overlapping loads of 16
// bytes where the processor can, the tokens then found from bit masks.
inline CoordinateTokens SplitCoordinates(std::string_view line) {
#if defined(__SSE2__)
  const std::size_t size = line.size();
  if (size < 16 || size > 32) return SplitCoordinatesByBytes(line);
  const SixteenClasses head = ClassifySixteen(line.data());
  const SixteenClasses tail = ClassifySixteen(line.data() + size - 16);
  const unsigned tail_at = static_cast<unsigned>(size - 16);
  const std::uint64_t inside = (std::uint64_t{1} << size) - 1;
  const std::uint64_t blank = head.blank | (tail.blank << tail_at);
  const std::uint64_t digit = head.digit | (tail.digit << tail_at);
  const std::uint64_t point = head.point | (tail.point << tail_at);
  const std::uint64_t sign = head.sign | (tail.sign << tail_at);
  const std::uint64_t exponent = head.exponent | (tail.exponent << tail_at);
  const std::uint64_t number = digit | point | sign | exponent;
  // A token starts at a byte that is no blank and ends at a blank or past the line.
  const std::uint64_t stop = blank | ~inside;
  const std::uint64_t filled = ~blank & inside;
  const std::uint64_t x_starts = filled;
  const unsigned x_start = x_starts ? static_cast<unsigned>(__builtin_ctzll(x_starts)) : static_cast<unsigned>(size);
  const unsigned x_end = static_cast<unsigned>(__builtin_ctzll(stop & (~std::uint64_t{0} << x_start)));
  const std::uint64_t y_starts = filled & (~std::uint64_t{0} << x_end);
  const unsigned y_start = y_starts ? static_cast<unsigned>(__builtin_ctzll(y_starts)) : static_cast<unsigned>(size);
  const unsigned y_end = static_cast<unsigned>(__builtin_ctzll(stop & (~std::uint64_t{0} << y_start)));
  // The bytes of both tokens, which must all be number characters for a plain pair.
  const std::uint64_t x_bytes = (~std::uint64_t{0} << x_start) & ~(~std::uint64_t{0} << x_end);
  const std::uint64_t y_bytes = (~std::uint64_t{0} << y_start) & ~(~std::uint64_t{0} << y_end);
  const std::uint64_t tokens_bytes = x_bytes | y_bytes;
  CoordinateTokens tokens;
  tokens.x = std::string_view(line.data() + x_start, x_end - x_start);
  tokens.y = std::string_view(line.data() + y_start, y_end - y_start);
  tokens.plain = (tokens_bytes & ~number) == 0;
  // Plain decimals: a sign only at a token's first byte, at most one point and one
  // digit at least in each, no exponent.
  const std::uint64_t first_bytes = (std::uint64_t{1} << x_start) | (std::uint64_t{1} << y_start);
  tokens.decimal = tokens.plain && (tokens_bytes & exponent) == 0 && (tokens_bytes & sign & ~first_bytes) == 0 &&
                   (x_bytes & digit) != 0 && (y_bytes & digit) != 0 && __builtin_popcountll(x_bytes & point) <= 1 &&
                   __builtin_popcountll(y_bytes & point) <= 1;
  return tokens;
#else
  return SplitCoordinatesByBytes(line);
#endif
}

// The keyword that is the first word of the line, in any letter case; `rest` gets
// the text after that word.
MifKeyword ClassifyMifLine(std::string_view line, std::string_view& rest);

// True when the line holds a control byte other than a tab: binary bytes, not text.
inline bool HasControlBytes(std::string_view line) {
  for (char c : line) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && byte != '\t') return true;
  }
  return false;
}

// A plain decimal at `p` (an optional sign, digits and at most one point, 1 to 15
// digits in all) followed by a blank or the end; `p` moves past it. The digits fit in
// 53 bits, so dividing them by a power of ten is one correctly rounded division: the
// value Value() gives for the same text. False for any other form.
[[gnu::always_inline]] inline bool PlainDecimal(const char*& p, const char* end, double& value) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  std::uint64_t digits = 0;
  const char* first = p;
  while (p != end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
  std::ptrdiff_t count = p - first;
  std::ptrdiff_t decimals = 0;
  if (p != end && *p == '.') {
    const char* fraction = ++p;
    while (p != end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
    decimals = p - fraction;
  }
  if (count + decimals == 0 || count + decimals > 15) return false;
  if (p != end && *p != ' ' && *p != '\t') return false;
  value = static_cast<double>(digits) / kPowersOfTen[decimals];
  if (negative) value = -value;
  return true;
}

// A coordinate line of two plain decimals between blanks and nothing else, split and
// read in one pass: nearly every line of a map. The tokens are those SplitCoordinates
// finds, both plain decimals. False (and SplitCoordinates decides) otherwise.
[[gnu::always_inline]] inline bool ReadPlainPair(std::string_view line, CoordinateTokens& tokens, double& x,
                                                 double& y) {
  const char* p = line.data();
  const char* end = p + line.size();
  auto blanks = [&]() {
    while (p != end && (*p == ' ' || *p == '\t')) ++p;
  };
  blanks();
  const char* x_start = p;
  if (!PlainDecimal(p, end, x)) return false;
  const char* x_end = p;
  blanks();
  const char* y_start = p;
  if (!PlainDecimal(p, end, y)) return false;
  const char* y_end = p;
  blanks();
  if (p != end) return false;
  tokens.x = std::string_view(x_start, static_cast<std::size_t>(x_end - x_start));
  tokens.y = std::string_view(y_start, static_cast<std::size_t>(y_end - y_start));
  tokens.plain = true;
  tokens.decimal = true;
  return true;
}

// The value of a token that is a plain decimal (IsPlainDecimal): read directly when it
// has at most 15 digits (they fit in 53 bits, so one division by a power of ten is
// correctly rounded: the value Value() gives), else as Value() reads it. Inlined into
// the loop over a map's vertices.
[[gnu::always_inline]] inline double DecimalValue(std::string_view token) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = token.data();
  const char* end = p + token.size();
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  const char* first = p;
  const char* point = nullptr;
  std::uint64_t digits = 0;
  for (; p != end; ++p) {
    auto digit = static_cast<unsigned>(*p - '0');
    if (digit < 10) {
      digits = digits * 10 + digit;
    } else {
      point = p;
    }
  }
  std::ptrdiff_t count = (end - first) - (point ? 1 : 0);
  if (count == 0 || count > 15) return Value(token);
  double value = static_cast<double>(digits) / kPowersOfTen[point ? end - point - 1 : 0];
  return negative ? -value : value;
}

// True when the character can start a number: a digit, a sign or a point.
inline bool IsNumberStart(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

// True when the token can start a number.
inline bool LooksNumeric(std::string_view token) { return !token.empty() && IsNumberStart(token[0]); }

// True when the token holds only the characters a number of the MIF is written with.
inline bool HoldsOnlyNumberCharacters(std::string_view token) {
  for (char c : token) {
    if (!kMifCharClasses.number[static_cast<unsigned char>(c)]) return false;
  }
  return true;
}

// For a token of number characters only: true when it is a finite decimal.
inline bool NumberCharactersAreANumber(std::string_view token) {
  return IsPlainDecimal(token) || IsFiniteDecimal(token);
}

// False for a coordinate written in number characters that is no finite decimal
// ("1e", "1.2.3", "--1", "1e999"): it has no value, a map compiler refuses it, and its
// object is left out of the map (the conversion's and the view's alike). A token with
// other characters is read as the number it begins with.
bool CoordinateTextUsable(std::string_view token);

struct MifHeaderInfo {
  char delimiter = ',';  // of the MID fields
  bool utf8 = false;     // MID values and text strings are UTF-8
  // The CoordSys clause as written, with an Affine or Bounds clause on the lines after
  // it joined by a blank; empty when the header has none.
  std::string coordsys_clause;
  bool coordsys_open = false;  // the last header line read belongs to the clause
};

// Reads one header line: notes the Delimiter, Charset and CoordSys clauses; true when
// the line is the "Data" line that ends the header.
bool ScanHeaderLine(std::string_view line, MifHeaderInfo& info);

// The Delimiter and Charset of a MIF's header; the defaults when the file cannot be read.
MifHeaderInfo ReadMifHeader(std::string_view mif_path);

}  // namespace mirvex
