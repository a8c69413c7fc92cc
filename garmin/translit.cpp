#include "garmin/translit.h"

#include <array>

#include "base/text.h"

namespace mirvex {

namespace {

// The Latin piece of each Russian letter, indexed by its cp1251 byte; empty for
// every byte that passes unchanged.
using PieceTable = std::array<std::string_view, 256>;

constexpr PieceTable MakePieces() {
  PieceTable t{};
  // А..Я (0xC0..0xDF) and а..я (0xE0..0xFF) in alphabet order, without Ё/ё.
  constexpr std::string_view kUpper[32] = {
      "A", "B", "V", "G", "D", "E", "J", "Z", "I", "I", "K", "L", "M", "N", "O", "P",
      "R", "S", "T", "U", "F", "H", "C", "CH", "SH", "SH", "'", "Y", "'", "E", "YU", "IA"};
  constexpr std::string_view kLower[32] = {
      "a", "b", "v", "g", "d", "e", "j", "z", "i", "i", "k", "l", "m", "n", "o", "p",
      "r", "s", "t", "u", "f", "h", "c", "ch", "sh", "sh", "'", "y", "'", "e", "iu", "ia"};
  for (int i = 0; i < 32; ++i) {
    t[0xC0 + i] = kUpper[i];
    t[0xE0 + i] = kLower[i];
  }
  t[0xA8] = "E";  // Ё
  t[0xB8] = "e";  // ё
  return t;
}

constexpr PieceTable kPieces = MakePieces();

// Ч Ш Щ Ю Я before a lower-case letter: only the first Latin letter is a capital.
std::string_view CapitalisedPiece(unsigned char c) {
  switch (c) {
    case 0xD7: return "Ch";
    case 0xD8:
    case 0xD9: return "Sh";
    case 0xDE: return "Yu";
    case 0xDF: return "Ia";
    default: return {};
  }
}

}  // namespace

std::string Transliterate(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    std::string_view piece = kPieces[c];
    if (piece.empty()) {
      out += text[i];
      continue;
    }
    // The choice looks at the next input character, never at the output.
    std::string_view capitalised = CapitalisedPiece(c);
    if (!capitalised.empty() && i + 1 < text.size() &&
        IsLowerCp1251(static_cast<unsigned char>(text[i + 1]))) {
      piece = capitalised;
    }
    out += piece;
  }
  return out;
}

}  // namespace mirvex
