// The MIF header scanners as a fuzz target: any file bytes. The streaming scanners
// are held against a plain search over the whole input.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/invariants.h"
#include "mapinfo/mif_header.h"
#include "mapinfo/mif_lines.h"

namespace mirvex::fuzz {

namespace mif_header_target {

// The first occurrence of a lower-case ASCII word in any letter case.
inline std::size_t FindWord(std::string_view text, std::string_view word) {
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < word.size()) {
      char c = text[at + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
      if (c != word[i]) break;
      ++i;
    }
    if (i == word.size()) return at;
  }
  return std::string_view::npos;
}

// The column-count text: after "columns" and the one character that follows it, up
// to the line end, at most 1000 bytes.
inline std::optional<std::string> ExpectedColumnText(std::string_view input) {
  std::size_t at = FindWord(input, "columns");
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t skipped = at + 7;
  if (skipped >= input.size() || input[skipped] == '\r' || input[skipped] == '\n') return std::string();
  std::string_view text = input.substr(skipped + 1);
  text = text.substr(0, std::min(text.find_first_of("\r\n"), text.size()));
  return std::string(text.substr(0, 1000));
}

inline bool Finite(const Bounds& b) {
  return std::isfinite(b.x1) && std::isfinite(b.y1) && std::isfinite(b.x2) && std::isfinite(b.y2);
}

inline bool Same(const std::optional<Bounds>& a, const std::optional<Bounds>& b) {
  if (!a || !b) return !a && !b;
  return a->x1 == b->x1 && a->y1 == b->y1 && a->x2 == b->x2 && a->y2 == b->y2;
}

}  // namespace mif_header_target

inline void FuzzMifHeader(std::string_view input) {
  using namespace mif_header_target;
  static ScratchFolder folder("mif_header");
  const std::string path = folder.File("map.mif");
  WriteBytes(path, input);

  std::optional<std::string> text = FindColumnCountText(path);
  if (text) {
    Require(text->size() <= 1000 && text->find_first_of("\r\n") == std::string::npos,
            "the column-count text is one line of at most 1000 bytes");
  }
  Require(text == ExpectedColumnText(input), "the column-count text follows the first \"columns\"");

  std::optional<Bounds> bounds = FindBounds(path);
  std::size_t keyword = FindWord(input, "bounds");
  std::optional<Bounds> expected;
  if (keyword != std::string_view::npos) expected = ParseBoundsWindow(input.substr(keyword + 1, 1000));
  Require(!bounds || Finite(*bounds), "bounds read are finite numbers");
  Require(Same(bounds, expected), "the bounds are the two pairs within 1000 bytes of the first \"bounds\"");
  if (std::optional<Bounds> direct = ParseBoundsWindow(input)) {
    Require(Finite(*direct), "bounds parsed are finite numbers");
  }

  MifHeaderInfo streamed = ReadMifHeader(path);
  MifHeaderInfo scanned;
  for (std::string_view line : Lines(input)) {
    if (ScanHeaderLine(line, scanned)) break;
  }
  Require(streamed.delimiter == scanned.delimiter && streamed.utf8 == scanned.utf8,
          "the header read from the file is the header of its lines");
}

}  // namespace mirvex::fuzz
