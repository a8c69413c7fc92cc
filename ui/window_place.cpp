#include "ui/window_place.h"

#include <algorithm>

namespace mirvex::ui {

ScreenRect PlaceBeside(const ScreenRect& owner, int width, int height, const ScreenRect& work) {
  int left = 0;
  if (owner.right + width <= work.right) {
    left = owner.right;
  } else if (owner.left - width >= work.left) {
    left = owner.left - width;
  } else {
    left = std::min(owner.right, work.right) - width;
  }
  int top = owner.top;
  // Within the free area; where the window is larger, its title bar stays reachable.
  left = std::max(std::min(left, work.right - width), work.left);
  top = std::max(std::min(top, work.bottom - height), work.top);
  return {left, top, left + width, top + height};
}

}  // namespace mirvex::ui
