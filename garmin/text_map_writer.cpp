#include "garmin/text_map_writer.h"

#include "base/text.h"

namespace mirvex {

std::string SectionSummary(const SectionCounts& counts) {
  return "[RGN10] " + std::to_string(counts.points) + ", [RGN40] " + std::to_string(counts.polylines) +
         ", [RGN80] " + std::to_string(counts.regions);
}

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void AppendLine(std::string& out, std::string_view a, std::string_view b = {}) {
  out += kLineBreak;
  out += a;
  out += b;
}

}  // namespace

bool IsTypeNumber(std::string_view type) {
  type = TrimBlanks(type);
  bool hex = type.size() > 2 && type[0] == '0' && (type[1] == 'x' || type[1] == 'X');
  if (hex) type.remove_prefix(2);
  if (type.empty()) return false;
  for (char c : type) {
    if (hex ? !IsHexDigit(c) : !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

std::string CleanType(std::string_view type) {
  std::string clean(type.substr(0, type.find('\0')));
  for (char& c : clean) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return clean;
}

std::string CleanLabel(std::string_view label) {
  std::string clean;
  clean.reserve(label.size());
  for (char c : label) {
    if (c == '\0') continue;
    clean.push_back(c == '\r' || c == '\n' ? ' ' : c);
  }
  return clean;
}

void AppendSection(std::string& out, const SectionText& section) {
  std::string_view number = section.kind == kKindRegion     ? "80"
                            : section.kind == kKindPolyline ? "40"
                                                            : "10";
  AppendLine(out, "[RGN", number);
  out += "]";
  AppendLine(out, "Levels=", std::to_string(section.level));
  if (section.kind == kKindPoint && section.own_point_type) {
    AppendLine(out, "Type=", section.type);
    AppendLine(out, "Label=", section.label);
    AppendLine(out, "DirIndicator=1");
  } else if (section.kind == kKindPoint) {
    AppendLine(out, "Type=", section.type);
    if (!section.label.empty()) AppendLine(out, "Label=", section.label);
  } else {
    if (!section.label.empty()) AppendLine(out, "Label=", section.label);
    AppendLine(out, "Type=", section.type);
  }
  AppendLine(out, "Data0=", section.data);
  AppendLine(out, "[END-RGN", number);
  out += "]";
}

}  // namespace mirvex
