#include "mapinfo/mif_header.h"

#include <cstddef>

#include "base/files.h"
#include "base/text.h"
#include "base/text_reader.h"

namespace mirvex {

namespace {

constexpr std::string_view kColumnsKeyword = "columns";
constexpr std::string_view kBoundsKeyword = "bounds";
// The longest column-count text taken, and the size of the window the bounds pairs
// must lie in (it starts at the keyword's second letter).
constexpr std::size_t kCountTextLimit = 1000;
constexpr std::size_t kBoundsWindow = 1000;

constexpr bool HasNoRepeatedLetter(std::string_view word) {
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word.find(word[i], i + 1) != std::string_view::npos) return false;
  }
  return true;
}
// SkipPastKeyword restarts a failed match at the current byte, which finds every
// occurrence only for a keyword without a repeated letter.
static_assert(HasNoRepeatedLetter(kColumnsKeyword) && HasNoRepeatedLetter(kBoundsKeyword));

int LowerAscii(int c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; }

// Reads up to and including the first occurrence of `keyword` (lower case) in any
// letter case; `found` receives the keyword's bytes as the file has them. False
// when the input ends first. The match runs over the byte stream, so it does not
// care where the reader's blocks end.
bool SkipPastKeyword(TextReader& reader, std::string_view keyword, std::string& found) {
  found.clear();
  for (;;) {
    int c = reader.Get();
    if (c < 0) return false;
    int lower = LowerAscii(c);
    if (lower != static_cast<unsigned char>(keyword[found.size()])) {
      found.clear();
      if (lower != static_cast<unsigned char>(keyword[0])) continue;
    }
    found += static_cast<char>(c);
    if (found.size() == keyword.size()) return true;
  }
}

bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

}  // namespace

std::optional<std::string> FindColumnCountText(std::string_view mif_path) {
  TextReader reader;
  if (!reader.Open(mif_path)) return std::nullopt;
  std::string keyword;
  if (!SkipPastKeyword(reader, kColumnsKeyword, keyword)) return std::nullopt;
  std::string text;
  // The one character after the keyword (normally a blank) is not part of the text;
  // when it already ends the line, the text is empty.
  int skipped = reader.Get();
  if (skipped < 0 || IsLineEnd(skipped)) return text;
  while (text.size() < kCountTextLimit) {
    int c = reader.Get();
    if (c < 0 || IsLineEnd(c)) break;
    text += static_cast<char>(c);
  }
  return text;
}

std::optional<Bounds> ParseBoundsWindow(std::string_view window) {
  constexpr auto npos = std::string_view::npos;
  // The text strictly between two positions.
  auto between = [window](std::size_t after, std::size_t before) {
    return window.substr(after + 1, before - after - 1);
  };
  std::size_t p1 = window.find('(');
  if (p1 == npos) return std::nullopt;
  std::size_t k1 = window.find(',', p1 + 1);
  if (k1 == npos) return std::nullopt;
  std::size_t q1 = window.find(')', k1);
  if (q1 == npos) return std::nullopt;
  std::size_t p2 = window.find('(', q1 + 1);
  if (p2 == npos) return std::nullopt;
  std::size_t k2 = window.find(',', p2 + 1);
  if (k2 == npos) return std::nullopt;
  std::size_t q2 = window.find(')', k2);
  if (q2 == npos) return std::nullopt;
  Bounds bounds;
  bounds.x1 = Value(between(p1, k1));
  bounds.y1 = Value(between(k1, q1));
  bounds.x2 = Value(between(p2, k2));
  bounds.y2 = Value(between(k2, q2));
  return bounds;
}

std::optional<Bounds> FindBounds(std::string_view mif_path) {
  TextReader reader;
  if (!reader.Open(mif_path)) return std::nullopt;
  std::string keyword;
  if (!SkipPastKeyword(reader, kBoundsKeyword, keyword)) return std::nullopt;
  std::string window = keyword.substr(1);
  window.reserve(kBoundsWindow);
  while (window.size() < kBoundsWindow) {
    int c = reader.Get();
    if (c < 0) break;
    window += static_cast<char>(c);
  }
  return ParseBoundsWindow(window);
}

}  // namespace mirvex
