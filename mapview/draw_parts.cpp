#include "mapview/draw_parts.h"

namespace mirvex::mapview {

void ClipRing(std::vector<ScreenPoint>& ring, std::vector<ScreenPoint>& scratch, const ClipBox& box) {
  auto clip = [&](auto inside, auto cross) {
    scratch.clear();
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
      ScreenPoint a = ring[i == 0 ? n - 1 : i - 1], b = ring[i];
      bool a_in = inside(a), b_in = inside(b);
      if (a_in != b_in) scratch.push_back(cross(a, b));
      if (b_in) scratch.push_back(b);
    }
    ring.swap(scratch);
  };
  auto at_x = [](ScreenPoint a, ScreenPoint b, float x) {
    return ScreenPoint{x, a.y + (b.y - a.y) * ((x - a.x) / (b.x - a.x))};
  };
  auto at_y = [](ScreenPoint a, ScreenPoint b, float y) {
    return ScreenPoint{a.x + (b.x - a.x) * ((y - a.y) / (b.y - a.y)), y};
  };
  clip([&](ScreenPoint p) { return p.x >= box.left; }, [&](ScreenPoint a, ScreenPoint b) { return at_x(a, b, box.left); });
  clip([&](ScreenPoint p) { return p.x <= box.right; }, [&](ScreenPoint a, ScreenPoint b) { return at_x(a, b, box.right); });
  clip([&](ScreenPoint p) { return p.y >= box.top; }, [&](ScreenPoint a, ScreenPoint b) { return at_y(a, b, box.top); });
  clip([&](ScreenPoint p) { return p.y <= box.bottom; }, [&](ScreenPoint a, ScreenPoint b) { return at_y(a, b, box.bottom); });
}

void MarkHiddenDots(const std::array<DotGroups, 3>& dots, const ClipBox& box, HiddenDots& hidden,
                    std::vector<std::uint64_t>& covered) {
  const int width = static_cast<int>(box.right - box.left) + 1, height = static_cast<int>(box.bottom - box.top) + 1;
  covered.assign((static_cast<std::size_t>(width) * height + 63) / 64, 0);
  for (MapObjectKind last_first : {MapObjectKind::kPoint, MapObjectKind::kPolyline, MapObjectKind::kRegion}) {
    const std::size_t kind = static_cast<std::size_t>(last_first);
    for (std::size_t group = 3; group-- > 0;) {
    const std::vector<PendingDot>& group_dots = dots[kind][group];
    std::vector<bool>& group_hidden = hidden[kind][group];
    group_hidden.assign(group_dots.size(), false);
    for (std::size_t d = group_dots.size(); d-- > 0;) {
      const PendingDot& dot = group_dots[d];
      if (!box.Contains(dot.at)) continue;
      // Within the box the coordinates are not negative: adding a half and cutting rounds.
      const int side = std::max(1, static_cast<int>(dot.style.width + 1.5f));
      const int x0 = static_cast<int>(dot.at.x - box.left - side / 2.0f + 0.5f);
      const int y0 = static_cast<int>(dot.at.y - box.top - side / 2.0f + 0.5f);
      bool all_covered = true;
      for (int y = std::max(y0, 0); y < std::min(y0 + side, height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x0 + side, width); ++x) {
          std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
          std::uint64_t bit = std::uint64_t{1} << (i & 63);
          if (!(covered[i >> 6] & bit)) {
            all_covered = false;
            covered[i >> 6] |= bit;
          }
        }
      }
      group_hidden[d] = all_covered;
    }
    }
  }
}

}  // namespace mirvex::mapview
