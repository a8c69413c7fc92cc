// The object writer: turns one finished MIF object, with its MID record, into one
// section of the Garmin text map.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/files.h"
#include "core/host.h"
#include "core/type_lookup.h"
#include "core/window_state.h"

namespace mirvex {

// Object kinds shared by the driver, the writer and the lookups.
enum ObjectKindCode : std::int16_t {
  kKindNothing = 0,
  kKindRegion = 1,
  kKindPolyline = 2,
  kKindPoint = 3,
  kKindLeftOut = 5,
};

struct SectionCounts {
  std::uint64_t points = 0;     // [RGN10]
  std::uint64_t polylines = 0;  // [RGN40]
  std::uint64_t regions = 0;    // [RGN80]
  std::uint64_t untyped = 0;    // written with an empty type
  std::uint64_t retyped = 0;    // their type was no number: written with the default type
};

// True when a map compiler can read the type as a number: "0x" and hexadecimal
// digits, or decimal digits; blanks around it are allowed.
bool IsTypeNumber(std::string_view type);

class ObjectWriter {
 public:
  ObjectWriter(WindowState& state, const ControlValues& controls, TypeLookup& lookup,
               ResultFile& result);

  // SaveString: writes the object of kind `kind` whose coordinate text is `coords`
  // ("(y,x)," per vertex, CR LF "Data0=" between parts) from the MID record already
  // in MidFields. The options are read from the controls at every call. `kind` may be
  // changed by the dictionary (5: left out); `coords` is rewritten.
  void SaveString(std::int16_t& kind, std::string& coords);

  const SectionCounts& counts() const { return counts_; }
  // Set when the dictionary vanished while it decides the sections: the conversion
  // cannot go on.
  bool dictionary_lost() const { return dictionary_lost_; }

 private:
  const std::string& Field(Control column_control) const;

  WindowState& state_;
  const ControlValues& controls_;
  TypeLookup& lookup_;
  ResultFile& result_;
  SectionCounts counts_;
  bool dictionary_lost_ = false;
  std::string section_;
};

}  // namespace mirvex
