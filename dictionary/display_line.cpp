#include "dictionary/display_line.h"

#include <optional>
#include <utility>

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

namespace {

// Where the "[region]" of a display line starts: 0, or after the level prefix.
std::optional<std::size_t> BodyStart(std::string_view line) {
  if (line.starts_with('[')) return 0;
  if (!line.starts_with('L')) return std::nullopt;
  std::size_t digits_end = 1;
  while (digits_end < line.size() && line[digits_end] >= '0' && line[digits_end] <= '9') ++digits_end;
  if (digits_end == 1 || line.substr(digits_end, 3) != "--[") return std::nullopt;
  return digits_end + 2;
}

// The name of a display line as [first, last) byte positions, when the line is one.
std::optional<std::pair<std::size_t, std::size_t>> NameSpan(std::string_view line) {
  std::optional<std::size_t> body = BodyStart(line);
  if (!body || !line.ends_with(')')) return std::nullopt;
  std::size_t region_end = line.find("] ", *body);
  std::size_t type_start = line.rfind(" (");
  if (region_end == std::string_view::npos || type_start == std::string_view::npos || type_start <= region_end) {
    return std::nullopt;
  }
  return std::pair{region_end + 2, type_start + 1};
}

}  // namespace

bool IsDisplayLine(std::string_view line) { return NameSpan(line).has_value(); }

std::string DescriptionOfLine(std::string_view line) {
  auto span = NameSpan(line);
  if (!span) return std::string(line);
  return std::string(line.substr(span->first, span->second - span->first));
}

}  // namespace mirvex
