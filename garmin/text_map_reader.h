// The grammar of a Garmin text map, line by line: section lines ("[RGN80]",
// "[END-RGN80]", "[IMG ID]"), keys ("Type=0x01"), the coordinate lines ("Data0=",
// "Origin0=") and their pairs. Section names and keys are read in any letter case;
// blanks before a line and around a key do not count. The crop, the map view and the
// compile's locator all read maps through it.
#pragma once

#include <cstddef>
#include <string_view>

namespace mirvex {

enum class TextMapLineKind : unsigned char {
  kEmpty,       // nothing but blanks
  kComment,     // starts with ';'
  kSection,     // "[NAME]" that opens a section
  kSectionEnd,  // "[END...]"
  kKey,         // "Key=value"
  kOther,       // none of these
};

// The keys an object section's readers ask about.
enum class TextMapKey : unsigned char { kOther, kType, kLabel, kLevels, kEndLevel, kDirIndicator, kCoordinates };

struct TextMapLine {
  TextMapLineKind kind = TextMapLineKind::kEmpty;
  // The line without its leading blanks.
  std::string_view text;
  // kSection, kSectionEnd: the name between the brackets ("RGN80", "IMG ID", "END-RGN80").
  std::string_view name;
  // kSection: 10, 20, 40 or 80 for an object section [RGN10]..[RGN80], -1 for another
  // [RGNnn], 0 for a section that holds no object (the header's [IMG ID]). The name is
  // read up to "]" or the end of the line.
  int object_section = 0;
  // kKey: the key as written, its kind, and the value after '=' as written.
  std::string_view key;
  TextMapKey key_kind = TextMapKey::kOther;
  std::string_view value;
  // kCoordinates: N of DataN or OriginN (0 when no digits follow), and whether it is Origin.
  int coordinate_index = 0;
  bool origin = false;
};

TextMapLine ReadTextMapLine(std::string_view line);

// True for the name of an object section: it begins with "RGN", in any letter case.
// Only [RGN10], [RGN20], [RGN40] and [RGN80] hold objects a reader takes (what follows
// the two digits in a damaged line does not count); another "RGN" name still opens a
// section, so a damaged one ends the header as a whole one would.
bool IsObjectSectionName(std::string_view name);

enum class PairStep : unsigned char { kPair, kEnd, kBroken };

// The next "(latitude,longitude)" pair of a coordinate line's value from `at` on:
// blanks, "(", the two number texts separated by a comma (blanks around them trimmed),
// ")", blanks, and a comma before the next pair. kEnd past the last pair; kBroken where
// the value is no such list (`at` then stays where the broken pair begins).
PairStep NextCoordinatePair(std::string_view value, std::size_t& at, std::string_view& latitude,
                            std::string_view& longitude);

}  // namespace mirvex
