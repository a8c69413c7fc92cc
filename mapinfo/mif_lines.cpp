#include "mapinfo/mif_lines.h"

#include <array>
#include <utility>

#include "base/text.h"
#include "base/text_reader.h"

namespace mirvex {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr std::array<std::pair<std::string_view, MifKeyword>, 22> kKeywords = {{
    {"Region", MifKeyword::kRegion},
    {"Pline", MifKeyword::kPline},
    {"Point", MifKeyword::kPoint},
    {"Line", MifKeyword::kLine},
    {"Ellipse", MifKeyword::kEllipse},
    {"Rect", MifKeyword::kRect},
    {"Roundrect", MifKeyword::kRoundrect},
    {"Arc", MifKeyword::kArc},
    {"Text", MifKeyword::kText},
    {"Multipoint", MifKeyword::kMultipoint},
    {"Collection", MifKeyword::kCollection},
    {"none", MifKeyword::kNone},
    {"Pen", MifKeyword::kStyle},
    {"Brush", MifKeyword::kStyle},
    {"Symbol", MifKeyword::kStyle},
    {"Font", MifKeyword::kStyle},
    {"Angle", MifKeyword::kStyle},
    {"Justify", MifKeyword::kStyle},
    {"Center", MifKeyword::kStyle},
    {"Smooth", MifKeyword::kStyle},
    {"Spacing", MifKeyword::kStyle},
    {"Label", MifKeyword::kStyle},
}};

// The text between the first pair of double quotation marks.
std::string_view Quoted(std::string_view text) {
  auto open = text.find('"');
  if (open == std::string_view::npos) return {};
  auto close = text.find('"', open + 1);
  if (close == std::string_view::npos) return {};
  return text.substr(open + 1, close - open - 1);
}

}  // namespace

MifKeyword ClassifyMifLine(std::string_view line, std::string_view& rest) {
  rest = line;
  // Most lines are coordinates: a line that does not start with a letter has no keyword.
  std::size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start == line.size()) return MifKeyword::kOther;
  char first = static_cast<char>(line[start] | 0x20);
  if (first < 'a' || first > 'z') return MifKeyword::kOther;
  std::string_view word = NextToken(rest);
  if (word.size() < 3 || word.size() > 10) return MifKeyword::kOther;
  for (const auto& [name, keyword] : kKeywords) {
    if ((name[0] | 0x20) == first && EqualsIgnoreAsciiCase(word, name)) return keyword;
  }
  return MifKeyword::kOther;
}

bool CoordinateTextUsable(std::string_view token) {
  return !HoldsOnlyNumberCharacters(token) || NumberCharactersAreANumber(token);
}

bool ScanHeaderLine(std::string_view line, MifHeaderInfo& info) {
  std::string_view rest = line;
  std::string_view word = NextToken(rest);
  if (EqualsIgnoreAsciiCase(word, "Data")) return true;
  bool continues_clause = info.coordsys_open && (EqualsIgnoreAsciiCase(word, "Affine") ||
                                                  EqualsIgnoreAsciiCase(word, "Bounds"));
  info.coordsys_open = false;
  if (EqualsIgnoreAsciiCase(word, "CoordSys")) {
    info.coordsys_clause = TrimBlanks(line);
    info.coordsys_open = true;
  } else if (continues_clause) {
    info.coordsys_clause += ' ';
    info.coordsys_clause += TrimBlanks(line);
    info.coordsys_open = true;
  } else if (EqualsIgnoreAsciiCase(word, "Delimiter")) {
    std::string_view delimiter = Quoted(rest);
    if (delimiter == "\\t") info.delimiter = '\t';
    else if (!delimiter.empty()) info.delimiter = delimiter[0];
  } else if (EqualsIgnoreAsciiCase(word, "Charset")) {
    std::string_view charset = Quoted(rest);
    info.utf8 = EqualsIgnoreAsciiCase(charset, "UTF-8") || EqualsIgnoreAsciiCase(charset, "UTF8");
  }
  return false;
}

MifHeaderInfo ReadMifHeader(std::string_view mif_path) {
  MifHeaderInfo info;
  TextReader reader;
  if (!reader.Open(mif_path)) return info;
  std::string line;
  while (reader.ReadLine(line) && !ScanHeaderLine(line, info)) {
  }
  return info;
}

}  // namespace mirvex
