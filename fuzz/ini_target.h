// The settings file as a fuzz target: one key written into any file bytes and read
// back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fuzz/invariants.h"
#include "settings/ini_file.h"

namespace mirvex::fuzz {

namespace ini_target {

inline std::string_view TrimBlanksAndTabs(std::string_view text) {
  std::size_t start = std::min(text.find_first_not_of(" \t"), text.size());
  std::size_t stop = text.find_last_not_of(" \t");
  return stop == std::string_view::npos ? std::string_view() : text.substr(start, stop + 1 - start);
}

// What the reader gives back for a value written: blanks and tabs trimmed, one pair
// of matching enclosing quotes (" or ') removed, cut to 254 bytes.
inline std::string ValueReadBack(std::string_view value) {
  value = TrimBlanksAndTabs(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, 254));
}

// The write changed only the key's own line, or added the key (with the section
// header and a separating empty line when the section was new): outside one place,
// the lines before and after are the lines that were there.
inline void CheckOtherLinesKept(std::string_view before, std::string_view after, std::string_view entry,
                                std::string_view header) {
  std::vector<std::string_view> old_lines = Lines(before), new_lines = Lines(after);
  std::size_t prefix = 0;
  while (prefix < old_lines.size() && prefix < new_lines.size() && old_lines[prefix] == new_lines[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < old_lines.size() - prefix && suffix < new_lines.size() - prefix &&
         old_lines[old_lines.size() - 1 - suffix] == new_lines[new_lines.size() - 1 - suffix]) {
    ++suffix;
  }
  std::size_t removed = old_lines.size() - prefix - suffix;
  std::size_t added = new_lines.size() - prefix - suffix;
  bool added_ours = added <= 3;
  for (std::size_t i = prefix; i < prefix + added && added_ours; ++i) {
    added_ours = new_lines[i] == entry || new_lines[i] == header || new_lines[i].empty();
  }
  Require(removed <= 1 && added_ours && (removed == 0 || added == 1),
          "a write changes one line or adds the key, and keeps every other line");
}

}  // namespace ini_target

// The input: the section, the key and the value, each ended by a byte 0x01, then the
// file's bytes; a first byte with bit 0 set leaves the file missing instead.
inline void FuzzIni(std::string_view input) {
  using namespace ini_target;
  static ScratchFolder folder("ini");
  const std::string path = folder.File("mirvex.ini");
  bool missing = !input.empty() && (input[0] & 1);
  if (!input.empty()) input.remove_prefix(1);
  std::string section(SplitAt(input, "\x01"));
  std::string key(SplitAt(input, "\x01"));
  std::string value(SplitAt(input, "\x01"));
  const std::string bytes(input);

  std::error_code error;
  std::filesystem::remove(path, error);
  if (!missing) WriteBytes(path, bytes);
  std::string before = missing ? std::string() : bytes;

  bool written = WritePrivateProfile(path, section, key, value);
  Require(folder.Names() == (written || !missing ? std::vector<std::string>{"mirvex.ini"} : std::vector<std::string>{}),
          "a write leaves the file and no temporary file");
  std::string after = ReadBytes(path);
  if (!written) {
    Require(after == before, "a refused write leaves the file as it was");
    return;
  }
  Require(value.find_first_of("\r\n") == std::string::npos, "a value with a line break is refused");
  Require(ReadPrivateProfile(path, section, key) == ValueReadBack(value), "the value written is read back");
  std::string entry = std::string(TrimBlanksAndTabs(key)) + "=" + value;
  std::string header = "[" + std::string(TrimBlanksAndTabs(section)) + "]";
  CheckOtherLinesKept(before, after, entry, header);
  Require(WritePrivateProfile(path, section, key, value) && ReadBytes(path) == after,
          "writing the same value again changes nothing");
}

}  // namespace mirvex::fuzz
