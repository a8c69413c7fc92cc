// The MIF header scanners: the column count and the bounds, each found anywhere in
// the file, without regard to letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>


namespace mirvex {

struct Bounds {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The column count as the header writes it: the text after the first "columns" of the
// MIF (skipping the keyword and the one character after it) up to the next line end
// (CR or LF) or the end of the file; nullopt when the keyword is absent or the file
// cannot be read.
std::optional<std::string> FindColumnCountText(std::string_view mif_path);

// The two bracketed pairs after the first "bounds" of the MIF; nullopt when the file
// cannot be read, has no "bounds", or the keyword is not followed by two complete
// pairs within 1000 bytes.
std::optional<Bounds> FindBounds(std::string_view mif_path);

// Parses "(x1, y1) (x2, y2)" at the start of a window of text; nullopt when the two
// pairs are not complete.
std::optional<Bounds> ParseBoundsWindow(std::string_view window);

}  // namespace mirvex
