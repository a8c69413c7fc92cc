// The MIF header scanners: the column count and the bounds, each found anywhere in
// the file, without regard to letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/host.h"

namespace mirvex {

struct Bounds {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// ReedTextCount: the text after the first "columns" of the MIF (skipping the keyword
// and the one character after it) up to the next line end (CR or LF) or the end of
// the file; nullopt when the keyword is absent. The MIF path comes from `Combo1`;
// a missing MIF shows the missing-file message. On success `Text16` is set to the text.
void ReedTextCount(ControlValues& controls, Host& host);
std::optional<std::string> FindColumnCountText(std::string_view mif_path);

// ReedTextCoord: the two bracketed pairs after the first "bounds" of the MIF.
// `bounds` is left as it was when the MIF is missing (message shown), has no
// "bounds", or the keyword is not followed by two complete pairs within 1000 bytes.
void ReedTextCoord(ControlValues& controls, Host& host, Bounds& bounds);
std::optional<Bounds> FindBounds(std::string_view mif_path);

// Parses "(x1, y1) (x2, y2)" at the start of a window of text; nullopt when the two
// pairs are not complete.
std::optional<Bounds> ParseBoundsWindow(std::string_view window);

}  // namespace mirvex
