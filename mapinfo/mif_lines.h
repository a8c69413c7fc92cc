// The words of a MIF line: which object or style keyword starts it, its tokens, and
// the header clauses the conversion needs.
#pragma once

#include <string_view>

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

// The first two tokens of a line, as NextToken splits them, found in one pass: the
// path every coordinate line of a map takes. `plain` tells that both hold only
// number characters, so they can be copied into a map as they stand.
struct CoordinateTokens {
  std::string_view x;
  std::string_view y;
  bool plain = true;
};

inline CoordinateTokens SplitCoordinates(std::string_view line) {
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
  return tokens;
}

// The keyword that is the first word of the line, in any letter case; `rest` gets
// the text after that word.
MifKeyword ClassifyMifLine(std::string_view line, std::string_view& rest);

// True when the character can start a number: a digit, a sign or a point.
inline bool IsNumberStart(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

// True when the token can start a number.
inline bool LooksNumeric(std::string_view token) { return !token.empty() && IsNumberStart(token[0]); }

struct MifHeaderInfo {
  char delimiter = ',';  // of the MID fields
  bool utf8 = false;     // MID values and text strings are UTF-8
};

// Reads one header line: notes the Delimiter and Charset clauses; true when the line
// is the "Data" line that ends the header.
bool ScanHeaderLine(std::string_view line, MifHeaderInfo& info);

// The Delimiter and Charset of a MIF's header; the defaults when the file cannot be read.
MifHeaderInfo ReadMifHeader(std::string_view mif_path);

}  // namespace mirvex
