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

// The keyword that is the first word of the line, in any letter case; `rest` gets
// the text after that word.
MifKeyword ClassifyMifLine(std::string_view line, std::string_view& rest);

// True when the token can start a number (a digit, a sign or a point).
bool LooksNumeric(std::string_view token);

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
