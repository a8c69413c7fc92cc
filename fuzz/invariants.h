// What the fuzz targets check on every input, shared by the libFuzzer harnesses and
// the regression test that replays their findings: how a broken rule is reported,
// a scratch folder per process, and the shape every written map must have.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/null_host.h"
#include "base/text.h"

namespace mirvex::fuzz {

// Receives the description of a broken rule. Unset, the process aborts so that the
// fuzzer keeps the input; the regression test installs a collector instead.
inline std::function<void(const std::string&)>& FailureSink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

inline void Require(bool holds, std::string_view rule) {
  if (holds) return;
  if (FailureSink()) {
    FailureSink()(std::string(rule));
    return;
  }
  std::fprintf(stderr, "broken rule: %.*s\n", static_cast<int>(rule.size()), rule.data());
  std::abort();
}

// Splits an input at the first occurrence of `separator`: the part before it goes to
// `head`, the rest is returned; without a separator everything is the head.
inline std::string_view SplitAt(std::string_view& input, std::string_view separator) {
  std::size_t at = input.find(separator);
  if (at == std::string_view::npos) {
    std::string_view head = input;
    input = {};
    return head;
  }
  std::string_view head = input.substr(0, at);
  input.remove_prefix(at + separator.size());
  return head;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own for one target in this process, /tmp/mirvex-fuzz-<target>-<pid>,
// emptied when created and removed at exit. The fuzzer runs millions of inputs, so
// the files are rewritten in place instead of a fresh folder per input.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view target)
      : path_("/tmp/mirvex-fuzz-" + std::string(target) + "-" + std::to_string(getpid())) {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The path of a file in the folder, as the program's text.
  std::string File(std::string_view name) const { return (path_ / name).string(); }
  // The names in the folder, sorted: a failed or finished operation leaves no
  // temporary file behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

// A host that keeps what the user would have seen.
class RecordingHost : public NullHost {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
    bool operator==(const Message&) const = default;
  };
  void ShowMessage(const std::string& text, const std::string&, MessageIcon icon) override {
    messages.push_back({text, icon});
  }

  std::vector<Message> messages;
};

// An operation that completed says so once, as its last message and without an
// icon; one that failed told the user why, with an icon, and never said it completed.
inline void CheckOutcomeMessages(bool completed, const std::vector<RecordingHost::Message>& messages) {
  std::size_t plain = 0, with_icon = 0;
  for (const auto& message : messages) {
    if (message.icon == MessageIcon::kNone) ++plain;
    else ++with_icon;
  }
  if (completed) {
    Require(plain == 1 && messages.back().icon == MessageIcon::kNone,
            "a completed operation ends with exactly one completion message");
  } else {
    Require(plain == 0 && with_icon >= 1, "a failed operation reports why and never reports completion");
  }
}

// The lines of a text; CR LF, LF and CR each end a line, and a last line without an
// end still counts.
inline std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t stop = text.find_first_of("\r\n", start);
    if (stop == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, stop - start));
    start = stop + 1;
    if (text[stop] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

// Every line break of a written file is CR LF: no CR or LF stands alone.
inline bool OnlyCrLfBreaks(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The same in any letter case, as readers of text maps take section names and keys.
inline bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

// "(a,b)" pairs joined by commas, where no part holds a bracket or a comma:
// ^\(([^(),]*),([^(),]*)\)(,\(([^(),]*),([^(),]*)\))*$
inline bool IsPairList(std::string_view text) {
  auto plain = [](char c) { return c != '(' && c != ')' && c != ','; };
  std::size_t i = 0;
  for (;;) {
    if (i == text.size() || text[i] != '(') return false;
    ++i;
    while (i < text.size() && plain(text[i])) ++i;
    if (i == text.size() || text[i] != ',') return false;
    ++i;
    while (i < text.size() && plain(text[i])) ++i;
    if (i == text.size() || text[i] != ')') return false;
    ++i;
    if (i == text.size()) return true;
    if (text[i] != ',') return false;
    ++i;
  }
}

// The pairs of a well-formed pair list, each as its two texts.
inline std::vector<std::pair<std::string_view, std::string_view>> Pairs(std::string_view text) {
  std::vector<std::pair<std::string_view, std::string_view>> pairs;
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    std::size_t close = text.find(')', comma);
    pairs.emplace_back(text.substr(1, comma - 1), text.substr(comma + 1, close - comma - 1));
    text.remove_prefix(std::min(close + 2, text.size()));
  }
  return pairs;
}

// A coordinate line of a text map: its key (before the first "=") begins with "Data"
// or "Origin".
inline bool IsCoordinateLine(std::string_view line, std::string_view* key = nullptr,
                             std::string_view* pairs = nullptr) {
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  std::string_view name = line.substr(0, equals);
  if (!StartsWithIgnoringCase(name, "Data") && !StartsWithIgnoringCase(name, "Origin")) return false;
  if (key) *key = name;
  if (pairs) *pairs = line.substr(equals + 1);
  return true;
}

// One object section of a written map, as found by CheckSections.
struct Section {
  std::string_view number;  // "10", "20", "40" or "80"
  std::vector<std::string_view> lines;  // between the opening and the closing line
};

// The object part of a map: every line beginning "[RGN" opens a section
// "[RGNnn]" that "[END-RGNnn]" closes before the next one opens; every line of a
// section is "Key=value" (or empty: a text's type line is followed by one); nothing but empty lines stands between sections.
inline std::vector<Section> CheckSections(std::string_view body) {
  std::vector<Section> sections;
  bool open = false;
  for (std::string_view line : Lines(body)) {
    if (StartsWith(line, "[RGN")) {
      Require(!open, "a section opens before the previous one is closed");
      std::string_view number = line.substr(4, 2);
      Require(line.size() == 7 && line[6] == ']' &&
                  (number == "10" || number == "20" || number == "40" || number == "80"),
              "a section opens with [RGN10], [RGN20], [RGN40] or [RGN80]");
      sections.push_back({number, {}});
      open = true;
    } else if (StartsWith(line, "[END-RGN")) {
      Require(open && line.size() == 11 && line.substr(8, 2) == sections.back().number && line[10] == ']',
              "[END-RGNnn] closes the section [RGNnn] that is open");
      open = false;
    } else if (open) {
      Require(line.empty() || line.find('=') != std::string_view::npos,
              "a line inside a section is Key=value or empty");
      sections.back().lines.push_back(line);
    } else {
      Require(line.empty(), "only empty lines stand between sections");
    }
  }
  Require(!open, "the last section is closed");
  return sections;
}

// How many lines of the section begin with the key followed by "=".
inline std::size_t CountKey(const Section& section, std::string_view key) {
  std::size_t count = 0;
  for (std::string_view line : section.lines) {
    if (StartsWith(line, key) && line.size() > key.size() && line[key.size()] == '=') ++count;
  }
  return count;
}

}  // namespace mirvex::fuzz
