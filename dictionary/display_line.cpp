#include "dictionary/display_line.h"

#include <algorithm>

#include "base/text.h"

namespace mirvex {

namespace {

// A field as shown: up to its first NUL byte, without surrounding blanks.
std::string_view Shown(std::string_view field) { return TrimBlanks(field.substr(0, field.find('\0'))); }

}  // namespace

std::string DisplayLineWithoutLevel(const ObjectRecord& record) {
  std::string line = "[";
  line += Shown(FieldText(record.RegionCode));
  line += "] ";
  line += Shown(FieldText(record.ObjectName));
  line += " (";
  line += Shown(FieldText(record.ObjectType));
  line += ")";
  return line;
}

std::string DisplayLine(const ObjectRecord& record) {
  if (record.Level == 0) return DisplayLineWithoutLevel(record);
  return "L" + std::to_string(record.Level) + "--" + DisplayLineWithoutLevel(record);
}

bool IsDisplayLine(std::string_view line) {
  return (!line.empty() && line[0] == '[') || (line.size() >= 5 && line[4] == '[');
}

int FindLastPosition(int needle_length, std::string_view text, std::string_view needle) {
  // A position past the end of the text holds nothing to compare.
  int start = std::min(static_cast<int>(text.size()) - needle_length + 1, static_cast<int>(text.size()));
  for (int p = start; p >= 1; --p) {
    if (text.substr(static_cast<std::size_t>(p - 1), needle.size()) == needle) return p;
  }
  return 0;
}

std::string NameFromDisplayLine(std::string_view line) {
  std::size_t blank = line.find(' ');
  int open = FindLastPosition(1, line, "(");
  if (blank == std::string_view::npos || open == 0 || static_cast<std::size_t>(open - 1) <= blank) {
    return std::string(line);
  }
  return std::string(line.substr(blank + 1, static_cast<std::size_t>(open - 1) - blank - 1));
}

std::string DescriptionOfLine(std::string_view line) {
  return IsDisplayLine(line) ? NameFromDisplayLine(line) : std::string(line);
}

}  // namespace mirvex
