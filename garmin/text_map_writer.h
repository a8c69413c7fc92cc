// Writing the sections of a Garmin text map.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mirvex {

// Object kinds: the section an object goes to, or none.
enum ObjectKindCode : std::int16_t {
  kKindNothing = 0,
  kKindRegion = 1,    // [RGN80], a polygon
  kKindPolyline = 2,  // [RGN40]
  kKindPoint = 3,     // [RGN10]
  kKindLeftOut = 5,   // the dictionary leaves the object out of the map
};

// Objects written per section.
struct SectionCounts {
  std::uint64_t points = 0;     // [RGN10]
  std::uint64_t polylines = 0;  // [RGN40]
  std::uint64_t regions = 0;    // [RGN80]
  std::uint64_t untyped = 0;    // written with an empty type
  std::uint64_t retyped = 0;    // their type was no number: written with the default type
};

// "[RGN10] 12, [RGN40] 30, [RGN80] 5": how many objects each section got.
std::string SectionSummary(const SectionCounts& counts);

// True when a map compiler can read the type as a number: "0x" and hexadecimal
// digits, or decimal digits; blanks around it are allowed.
bool IsTypeNumber(std::string_view type);

// A type never carries a NUL byte or a line break into the map: the text ends at the
// first NUL, line breaks become blanks.
std::string CleanType(std::string_view type);

// A label never carries a line break or a NUL byte: CR and LF become blanks, NUL bytes
// are dropped.
std::string CleanLabel(std::string_view label);

struct SectionText {
  ObjectKindCode kind = kKindPoint;  // region, polyline or point
  int level = 0;
  std::string_view label;
  std::string_view type;
  // A point whose own type was found carries "Label=" (also empty) after its type and
  // "DirIndicator=1"; one written with the default type has neither unless labelled.
  bool own_point_type = false;
  // The pairs of the coordinate lines, "\r\nData0=" between parts: each part becomes a
  // "Data0=" line.
  std::string_view data;
};

// The section as one text: CR LF (the empty line before it), the opening line, the
// key lines and the closing line, each introduced by CR LF. The caller writes it with
// one line end after it.
void AppendSection(std::string& out, const SectionText& section);

}  // namespace mirvex
