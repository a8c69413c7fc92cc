#include "garmin/text_map_reader.h"

#include "base/text.h"

namespace mirvex {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void ClassifyKey(TextMapLine& line) {
  std::string_view key = line.key;
  if (EqualsIgnoreAsciiCase(key, "Type")) {
    line.key_kind = TextMapKey::kType;
  } else if (EqualsIgnoreAsciiCase(key, "Label")) {
    line.key_kind = TextMapKey::kLabel;
  } else if (EqualsIgnoreAsciiCase(key, "Levels")) {
    line.key_kind = TextMapKey::kLevels;
  } else if (EqualsIgnoreAsciiCase(key, "EndLevel")) {
    line.key_kind = TextMapKey::kEndLevel;
  } else if (EqualsIgnoreAsciiCase(key, "DirIndicator")) {
    line.key_kind = TextMapKey::kDirIndicator;
  } else {
    for (std::string_view prefix : {std::string_view("Data"), std::string_view("Origin")}) {
      if (!StartsWithIgnoreCase(key, prefix)) continue;
      std::string_view digits = key.substr(prefix.size());
      if (!AllDigits(digits) || digits.size() > 2) return;
      line.key_kind = TextMapKey::kCoordinates;
      line.origin = prefix == "Origin";
      for (char c : digits) line.coordinate_index = line.coordinate_index * 10 + (c - '0');
      return;
    }
  }
}

}  // namespace

bool IsObjectSectionName(std::string_view name) {
  return StartsWithIgnoreCase(name, "RGN");
}

TextMapLine ReadTextMapLine(std::string_view raw) {
  TextMapLine line;
  std::string_view text = raw;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  line.text = text;
  std::string_view trimmed = TrimSpace(text);
  if (trimmed.empty()) return line;
  if (trimmed.front() == ';') {
    line.kind = TextMapLineKind::kComment;
    return line;
  }
  if (trimmed.front() == '[') {
    std::size_t close = trimmed.find(']');
    // The name as written up to "]": "[ RGN10]" names no object section.
    line.name = trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    while (!line.name.empty() && IsBlank(line.name.back())) line.name.remove_suffix(1);
    if (StartsWithIgnoreCase(line.name, "END")) {
      line.kind = TextMapLineKind::kSectionEnd;
      return line;
    }
    line.kind = TextMapLineKind::kSection;
    if (IsObjectSectionName(line.name)) {
      int number = line.name.size() >= 5 && AllDigits(line.name.substr(3, 2))
                       ? (line.name[3] - '0') * 10 + (line.name[4] - '0')
                       : -1;
      line.object_section = number == 10 || number == 20 || number == 40 || number == 80 ? number : -1;
    }
    return line;
  }
  std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    line.kind = TextMapLineKind::kOther;
    return line;
  }
  line.kind = TextMapLineKind::kKey;
  line.key = TrimSpace(text.substr(0, equals));
  line.value = text.substr(equals + 1);
  ClassifyKey(line);
  return line;
}

PairStep NextCoordinatePair(std::string_view value, std::size_t& at, std::string_view& latitude,
                            std::string_view& longitude) {
  std::size_t pos = at;
  while (pos < value.size() && IsBlank(value[pos])) ++pos;
  if (pos == value.size()) {
    at = pos;
    return PairStep::kEnd;
  }
  if (value[pos] != '(') return PairStep::kBroken;
  std::size_t close = value.find(')', pos);
  if (close == std::string_view::npos) return PairStep::kBroken;
  std::string_view inside = value.substr(pos + 1, close - pos - 1);
  std::size_t comma = inside.find(',');
  if (comma == std::string_view::npos) return PairStep::kBroken;
  latitude = TrimSpace(inside.substr(0, comma));
  longitude = TrimSpace(inside.substr(comma + 1));
  pos = close + 1;
  while (pos < value.size() && IsBlank(value[pos])) ++pos;
  if (pos < value.size()) {
    if (value[pos] != ',') return PairStep::kBroken;
    ++pos;
  }
  at = pos;
  return PairStep::kPair;
}

}  // namespace mirvex
