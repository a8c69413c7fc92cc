// Where a window opens on the desktop: inside the available area of a screen, so that
// its title bar and its bottom row can be reached whatever size was stored or whatever
// scale the screen now has. Both window bindings place their windows through these.
#pragma once

#include <optional>
#include <vector>

namespace mirvex::ui {

// A rectangle on the desktop, in the binding's pixels.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ScreenRect&) const = default;
};

// What the window system adds around a window's inside: the borders and the title bar.
struct FrameMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The index of the area among `areas` that holds the largest part of `rect`; -1 when
// none holds enough of it to take the window by its title and move it.
int AreaHolding(const ScreenRect& rect, const std::vector<ScreenRect>& areas);

// The inside rectangle of a window fitted into `area` with its frame: a size larger than
// the area shrinks to it, and the window moves the least that puts it wholly inside.
ScreenRect FitIntoArea(const ScreenRect& inside, const FrameMargins& frame, const ScreenRect& area);

// Where a main window opens: at `stored` (its inside rectangle when it was last closed)
// when one of `areas` holds enough of it to take it by its title, in the area holding the
// most of it; else `width` x `height` in the middle of the first area (the primary screen).
// Either way fitted into that area with `frame`, so a place larger than the screen opens
// inside it. Empty when there is no area.
struct OpeningPlace {
  ScreenRect inside;
  bool stored = false;  // the stored place was taken, with what was stored beside it
};
std::optional<OpeningPlace> PlaceToOpen(const std::optional<ScreenRect>& stored, int width, int height,
                                        const FrameMargins& frame, const std::vector<ScreenRect>& areas);

// The inside rectangle of a window of `width` x `height` opened beside the window whose
// outer rectangle is `beside`: to its right where it fits, else to its left, else over
// its right part; top edges aligned; then fitted into `area`.
ScreenRect PlaceBeside(int width, int height, const ScreenRect& beside, const FrameMargins& frame,
                       const ScreenRect& area);

}  // namespace mirvex::ui
