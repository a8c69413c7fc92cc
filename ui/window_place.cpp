#include "ui/window_place.h"

#include <algorithm>

namespace mirvex::ui {

namespace {

// Of a window, this much on a screen is enough to take it by its title and move it.
constexpr int kGraspWidth = 100;
constexpr int kGraspHeight = 50;

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
  int left = std::max(a.left, b.left);
  int top = std::max(a.top, b.top);
  int right = std::min(a.left + a.width, b.left + b.width);
  int bottom = std::min(a.top + a.height, b.top + b.height);
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

// The start of a span of `length` moved the least to lie within [low, high); a span
// longer than the room starts at `low`.
int Within(int start, int length, int low, int high) { return std::max(low, std::min(start, high - length)); }

}  // namespace

int AreaHolding(const ScreenRect& rect, const std::vector<ScreenRect>& areas) {
  int best = -1;
  long long best_seen = 0;
  for (std::size_t i = 0; i < areas.size(); ++i) {
    ScreenRect seen = Intersection(rect, areas[i]);
    if (seen.width < kGraspWidth || seen.height < kGraspHeight) continue;
    long long size = static_cast<long long>(seen.width) * seen.height;
    if (size > best_seen) {
      best_seen = size;
      best = static_cast<int>(i);
    }
  }
  return best;
}

ScreenRect FitIntoArea(const ScreenRect& inside, const FrameMargins& frame, const ScreenRect& area) {
  int room_width = std::max(1, area.width - frame.left - frame.right);
  int room_height = std::max(1, area.height - frame.top - frame.bottom);
  ScreenRect fitted;
  fitted.width = std::clamp(inside.width, 1, room_width);
  fitted.height = std::clamp(inside.height, 1, room_height);
  fitted.left = Within(inside.left, fitted.width, area.left + frame.left, area.left + area.width - frame.right);
  fitted.top = Within(inside.top, fitted.height, area.top + frame.top, area.top + area.height - frame.bottom);
  return fitted;
}

std::optional<OpeningPlace> PlaceToOpen(const std::optional<ScreenRect>& stored, int width, int height,
                                        const FrameMargins& frame, const std::vector<ScreenRect>& areas) {
  if (areas.empty()) return std::nullopt;
  if (stored) {
    if (int index = AreaHolding(*stored, areas); index >= 0) {
      return OpeningPlace{FitIntoArea(*stored, frame, areas[static_cast<std::size_t>(index)]), true};
    }
  }
  const ScreenRect& primary = areas.front();
  ScreenRect centred{primary.left + (primary.width - width) / 2, primary.top + (primary.height - height) / 2, width,
                     height};
  return OpeningPlace{FitIntoArea(centred, frame, primary), false};
}

ScreenRect PlaceBeside(int width, int height, const ScreenRect& beside, const FrameMargins& frame,
                       const ScreenRect& area) {
  int outer_width = width + frame.left + frame.right;
  int right_of = beside.left + beside.width;
  int left = right_of + frame.left;
  if (right_of + outer_width > area.left + area.width) {
    bool fits_left = beside.left - outer_width >= area.left;
    left = fits_left ? beside.left - outer_width + frame.left : area.left + area.width - outer_width + frame.left;
  }
  return FitIntoArea({left, beside.top + frame.top, width, height}, frame, area);
}

}  // namespace mirvex::ui
