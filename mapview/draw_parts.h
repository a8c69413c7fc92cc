// The pieces the map view's drawing is made of: the clip boxes and clipping, the
// pixels that dots cover, the dots and labels waiting for their place in the list, and
// the working memory a view keeps from one drawing to the next. Internal to mapview/.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mapview/map_view.h"

namespace mirvex::mapview {

// What lies farther than this many pixels beyond the viewport's edges is not drawn:
// more than any pen is wide or a symbol reaches.
inline constexpr float kClipMargin = 16;
// A part whose screen box is less than this many pixels across both ways is drawn as
// a dot of its size: the pixels cannot show its shape.
inline constexpr float kDotSpan = 4;
// The narrowest dot: a shape smaller than a cell.
inline constexpr float kDotWidth = 2;
// Vertices closer than this many pixels (along both axes) to the vertex before are
// left out of a drawn line or ring.
inline constexpr float kVertexSpacing = 1;

struct ClipBox {
  float left, top, right, bottom;
  bool Contains(ScreenPoint p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
  bool Misses(float x0, float y0, float x1, float y1) const {
    return x1 < left || x0 > right || y1 < top || y0 > bottom;
  }
  bool Holds(float x0, float y0, float x1, float y1) const {
    return x0 >= left && x1 <= right && y0 >= top && y1 <= bottom;
  }
};

// Clips a closed ring to the box one edge at a time (Sutherland and Hodgman).
void ClipRing(std::vector<ScreenPoint>& ring, std::vector<ScreenPoint>& scratch, const ClipBox& box);

// Clips the segment a-b to the box (Liang and Barsky); false when none of it is inside.
inline bool ClipSegment(ScreenPoint& a, ScreenPoint& b, const ClipBox& box) {
  float t0 = 0, t1 = 1;
  const float dx = b.x - a.x, dy = b.y - a.y;
  auto edge = [&](float p, float q) {
    if (p == 0) return q >= 0;
    float r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  if (!edge(-dx, a.x - box.left) || !edge(dx, box.right - a.x) || !edge(-dy, a.y - box.top) ||
      !edge(dy, box.bottom - a.y)) {
    return false;
  }
  ScreenPoint start = a;
  if (t1 < 1) b = {start.x + t1 * dx, start.y + t1 * dy};
  if (t0 > 0) a = {start.x + t0 * dx, start.y + t0 * dy};
  return true;
}

// The pixels of the clip box that the dots of each style cover, one bit each: a dot
// whose centre a dot of its style covers already adds nothing to the picture.
class DotPixels {
 public:
  using Bits = std::array<std::vector<std::uint64_t>, 9>;
  // `bits` is memory kept between drawings; its contents are cleared here as needed.
  DotPixels(const ClipBox& box, Bits& bits) : box_(box), bits_(bits) {
    width_ = static_cast<int>(box.right - box.left) + 1;
    height_ = static_cast<int>(box.bottom - box.top) + 1;
  }
  // True when no dot of the style covers the pixel of `at` yet; then the middle of a
  // dot `width` pixels across (half its width, at least a pixel) counts as covered.
  bool Claim(int style, ScreenPoint at, float width) {
    if (!box_.Contains(at)) return false;
    std::vector<std::uint64_t>& bits = bits_[static_cast<std::size_t>(style)];
    if (!cleared_[static_cast<std::size_t>(style)]) {
      bits.assign((static_cast<std::size_t>(width_) * height_ + 63) / 64, 0);
      cleared_[static_cast<std::size_t>(style)] = true;
    }
    const int x = static_cast<int>(at.x - box_.left), y = static_cast<int>(at.y - box_.top);
    if (Covered(bits, x, y)) return false;
    const int side = std::max(1, static_cast<int>(std::ceil(width / 2))), from = (side - 1) / 2;
    for (int dy = -from; dy < side - from; ++dy) {
      for (int dx = -from; dx < side - from; ++dx) Cover(bits, x + dx, y + dy);
    }
    return true;
  }

 private:
  bool Covered(const std::vector<std::uint64_t>& bits, int x, int y) const {
    std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    return (bits[index >> 6] >> (index & 63)) & 1;
  }
  void Cover(std::vector<std::uint64_t>& bits, int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    bits[index >> 6] |= std::uint64_t{1} << (index & 63);
  }

  ClipBox box_;
  int width_ = 0, height_ = 0;
  Bits& bits_;
  std::array<bool, 9> cleared_{};
};

// A dot waiting for its place in the list: a point symbol, or a shape too small to
// show its form.
struct PendingDot {
  ScreenPoint at;
  DrawStyle style;
  std::uint8_t assignment;
};

// Where the dots of an assignment go among the dots of a kind: grouped by style (dots
// of one colour may be painted in any order, so a painter draws each group at once),
// the unassigned ones last, on top, to stand out.
inline constexpr std::size_t kDotGroupOf[] = {0, 2, 1};  // assigned, unassigned, left out
using DotGroups = std::array<std::vector<PendingDot>, 3>;

// Marks the dots that later dots hide: read from the last painted back, a dot whose
// whole square (a pixel wider than its width, as an outlined symbol is painted) lies
// on pixels that the squares of later dots cover adds nothing to the picture. On a map
// seen whole, the dots of several styles in one cell share a place and only the last
// of them shows. `dots` holds each kind's groups, by MapObjectKind; regions are painted
// first, then polylines, then points.
using HiddenDots = std::array<std::array<std::vector<bool>, 3>, 3>;
void MarkHiddenDots(const std::array<DotGroups, 3>& dots, const ClipBox& box, HiddenDots& hidden,
                    std::vector<std::uint64_t>& covered);

// A label waiting until every shape is known: labels are painted over all of them.
struct PendingLabel {
  ScreenPoint at;
  std::size_t text_at;
};

// A part of a shape too small to show its form, drawn as a dot of its size.
struct PartDot {
  ScreenPoint at;
  float span;
};

struct MapView::DrawBuffers {
  std::vector<bool> label_cells;
  std::vector<PendingLabel> pending_labels;
  std::array<std::vector<DrawCommand>, 3> shapes;
  std::array<DotGroups, 3> pending_dots;
  std::vector<ScreenPoint> part, scratch;
  std::vector<PartDot> part_dots;
  std::array<std::vector<std::uint32_t>, 3> visible;
  HiddenDots hidden;
  DotPixels::Bits dot_pixels;
  std::vector<std::uint64_t> covered;
  // Empties every list and keeps its memory.
  void Clear() {
    pending_labels.clear();
    for (int kind = 0; kind < 3; ++kind) {
      shapes[kind].clear();
      visible[kind].clear();
      for (std::vector<PendingDot>& group : pending_dots[kind]) group.clear();
    }
    part.clear();
    scratch.clear();
    part_dots.clear();
  }
};

}  // namespace mirvex::mapview
