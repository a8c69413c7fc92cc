// Where a window of the program opens next to another: both bindings place the object
// window and the map window by this rule, in screen pixels.
#pragma once

namespace mirvex::ui {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// The place of a `width` × `height` window beside `owner` on the screen whose free
// area is `work`: right of the owner when it fits there, else left of it, else over
// the owner's right edge; its top level with the owner's. The result lies within
// `work` as far as its size allows (a larger window keeps its top left corner there).
ScreenRect PlaceBeside(const ScreenRect& owner, int width, int height, const ScreenRect& work);

}  // namespace mirvex::ui
