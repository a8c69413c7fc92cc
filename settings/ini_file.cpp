#include "settings/ini_file.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"

namespace mirvex {

namespace {

// A value read back is cut to what a 255-byte buffer with its terminating NUL holds.
constexpr std::size_t kMaxValueLength = 254;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanksAndTabs(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// The lines without their ends; CR LF, LF and CR all end a line, and a last line
// without an end still counts.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t stop = bytes.find_first_of("\r\n", start);
    if (stop == std::string_view::npos) {
      lines.push_back(bytes.substr(start));
      break;
    }
    lines.push_back(bytes.substr(start, stop - start));
    start = stop + 1;
    if (bytes[stop] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return lines;
}

enum class LineKind { kOther, kSection, kEntry };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;
  std::string_view value;
};

// "[name]" opens a section, "key=value" (or a bare "key") is an entry; empty lines and
// lines beginning with ";" are neither.
ParsedLine ParseLine(std::string_view line) {
  std::string_view text = TrimBlanksAndTabs(line);
  if (text.empty() || text.front() == ';') return {};
  if (text.front() == '[') {
    std::size_t close = text.rfind(']');
    if (close != std::string_view::npos) {
      return {LineKind::kSection, TrimBlanksAndTabs(text.substr(1, close - 1)), {}};
    }
  }
  std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return {LineKind::kEntry, text, {}};
  return {LineKind::kEntry, TrimBlanksAndTabs(text.substr(0, equals)),
          TrimBlanksAndTabs(text.substr(equals + 1))};
}

// The lines of the first section of that name: its header line and the index one past
// its last line.
struct SectionSpan {
  std::size_t header;
  std::size_t end;
};

std::optional<SectionSpan> FindSection(const std::vector<std::string_view>& lines,
                                       std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind != LineKind::kSection || !EqualsIgnoreCase(parsed.name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && ParseLine(lines[end]).kind != LineKind::kSection) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

// The index of the first entry of that key inside the section, or the section's end.
std::size_t FindKey(const std::vector<std::string_view>& lines, SectionSpan span,
                    std::string_view key) {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind == LineKind::kEntry && EqualsIgnoreCase(parsed.name, key)) return i;
  }
  return span.end;
}

std::string_view WithoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// A name or value that would read back as something else, or break into several
// lines and so plant sections or keys of its own, is refused.
bool CanWrite(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty()) return false;
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  if (key.find('=') != std::string_view::npos) return false;
  return key.front() != ';' && key.front() != '[';
}

}  // namespace

std::string ReadPrivateProfile(std::string_view ini_path, std::string_view section,
                               std::string_view key) {
  section = TrimBlanksAndTabs(section);
  key = TrimBlanksAndTabs(key);
  std::string bytes;
  if (ReadWholeFile(ini_path, bytes) != ReadState::kRead) return {};
  std::vector<std::string_view> lines = SplitLines(bytes);
  std::optional<SectionSpan> span = FindSection(lines, section);
  if (!span) return {};
  std::size_t index = FindKey(lines, *span, key);
  if (index == span->end) return {};
  std::string_view value = WithoutQuotes(ParseLine(lines[index]).value);
  return std::string(value.substr(0, kMaxValueLength));
}

bool WritePrivateProfile(std::string_view ini_path, std::string_view section,
                         std::string_view key, std::string_view value) {
  section = TrimBlanksAndTabs(section);
  key = TrimBlanksAndTabs(key);
  if (!CanWrite(section, key, value)) return false;
  std::string bytes;
  // A file that is there but cannot be read must not be replaced by one holding only
  // the new key.
  if (ReadWholeFile(ini_path, bytes) == ReadState::kUnreadable) return false;

  std::vector<std::string_view> lines = SplitLines(bytes);
  std::string entry = std::string(key) + "=" + std::string(value);
  std::string header(1, '[');
  header += section;
  header += ']';
  if (std::optional<SectionSpan> span = FindSection(lines, section)) {
    std::size_t index = FindKey(lines, *span, key);
    if (index != span->end) {
      lines[index] = entry;
    } else {
      // After the section's last non-empty line, so the blank lines that set it off
      // from the next section stay where they are.
      std::size_t last = span->header;
      for (std::size_t i = span->header + 1; i < span->end; ++i) {
        if (!TrimBlanksAndTabs(lines[i]).empty()) last = i;
      }
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1), entry);
    }
  } else {
    if (!lines.empty() && !TrimBlanksAndTabs(lines.back()).empty()) lines.push_back({});
    lines.push_back(header);
    lines.push_back(entry);
  }

  std::string text;
  text.reserve(bytes.size() + entry.size() + header.size() + 8);
  for (std::string_view line : lines) {
    text.append(line);
    text.append(kLineBreak);
  }
  // Controls write their key on every change; an unchanged file is left alone.
  if (text == bytes) return true;

  ResultFile result;
  if (!result.Open(ini_path)) return false;
  result.Write(text);
  return result.Commit();
}

std::string SettingsPath(std::string_view program_folder) {
  std::string path(program_folder);
  path += kPathSeparator;
  path += "mirvex.ini";
  return path;
}

std::string ReadSetting(std::string_view program_folder, std::string_view section,
                        std::string_view key) {
  return ReadPrivateProfile(SettingsPath(program_folder), section, key);
}

bool WriteSetting(std::string_view program_folder, std::string_view section,
                  std::string_view key, std::string_view value) {
  return WritePrivateProfile(SettingsPath(program_folder), section, key, value);
}

}  // namespace mirvex
