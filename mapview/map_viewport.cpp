// The viewport of the map view: its size, scale and centre, the projection between
// map and screen, zooming and panning, and the object under a point.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "mapview/map_storage.h"
#include "mapview/map_summary.h"
#include "mapview/map_view.h"

namespace mirvex::mapview {

void MapView::SetViewportSize(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
}

void MapView::SetScale(double scale) {
  if (std::isfinite(scale) && scale > 0) scale_ = std::clamp(scale, 1e-12, 1e15);
}

void MapView::Fit() {
  MapExtent box = extent_;
  bool any = has_extent_;
  if (crop_) {
    MapExtent rectangle{crop_->west, crop_->south, crop_->east, crop_->north};
    if (!any) {
      box = rectangle;
    } else {
      box = {std::min(box.min_x, rectangle.min_x), std::min(box.min_y, rectangle.min_y),
             std::max(box.max_x, rectangle.max_x), std::max(box.max_y, rectangle.max_y)};
    }
    any = true;
  }
  if (!any) {
    centre_ = {};
    scale_ = 1;
    return;
  }
  centre_ = {(box.min_x + box.max_x) / 2, (box.min_y + box.max_y) / 2};
  double width = (box.max_x - box.min_x) * aspect_;
  double height = box.max_y - box.min_y;
  // A map of one point (or one line along an axis) still gets a usable scale.
  double span = std::max({width, height, std::fabs(centre_.y) * 1e-6, 1e-9});
  double usable_width = std::max(width_ * 0.95, 1.0), usable_height = std::max(height_ * 0.95, 1.0);
  scale_ = std::min(width > 0 ? usable_width / width : usable_width / span,
                    height > 0 ? usable_height / height : usable_height / span);
  if (width <= 0 && height <= 0) scale_ = std::min(usable_width, usable_height) / span;
  SetScale(scale_);
}

MapPoint MapView::ToMap(double screen_x, double screen_y) const {
  return {centre_.x + (screen_x - width_ / 2.0) / (scale_ * aspect_), centre_.y - (screen_y - height_ / 2.0) / scale_};
}

ScreenPoint MapView::ToScreen(MapPoint point) const {
  return {static_cast<float>((point.x - centre_.x) * scale_ * aspect_ + width_ / 2.0),
          static_cast<float>(height_ / 2.0 - (point.y - centre_.y) * scale_)};
}

void MapView::ZoomAt(double screen_x, double screen_y, double factor) {
  if (!std::isfinite(factor) || factor <= 0) return;
  MapPoint anchor = ToMap(screen_x, screen_y);
  SetScale(scale_ * factor);
  // Keep the anchor under the same screen point.
  centre_.x = anchor.x - (screen_x - width_ / 2.0) / (scale_ * aspect_);
  centre_.y = anchor.y + (screen_y - height_ / 2.0) / scale_;
}

void MapView::Pan(double dx, double dy) {
  centre_.x -= dx / (scale_ * aspect_);
  centre_.y += dy / scale_;
}

int MapView::LevelForScale() const {
  int level = 0;
  // The y scale is the larger one (aspect <= 1): a cell at most a pixel along y is
  // at most a pixel along x too.
  while (level + 1 < kLevels && summary_->Cell(level + 1) * scale_ <= 1.0) ++level;
  return level;
}

// --- Objects ----------------------------------------------------------------------

namespace {

double SegmentDistance(ScreenPoint p, ScreenPoint a, ScreenPoint b) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double length = dx * dx + dy * dy;
  double t = length > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length : 0;
  t = std::clamp(t, 0.0, 1.0);
  double x = a.x + t * dx - p.x, y = a.y + t * dy - p.y;
  return std::sqrt(x * x + y * y);
}

}  // namespace

std::optional<MapObjectInfo> MapView::ObjectAt(double screen_x, double screen_y, double tolerance) const {
  if (empty()) return std::nullopt;
  const int level_index = LevelForScale();
  const Summary::Level& level = summary_->levels[static_cast<std::size_t>(level_index)];
  const double cell = summary_->Cell(level_index);
  const ScreenPoint target{static_cast<float>(screen_x), static_cast<float>(screen_y)};
  auto screen = [&](GridPoint g) {
    return ToScreen({summary_->origin_x + (g.x + 0.5) * cell, summary_->origin_y + (g.y + 0.5) * cell});
  };
  // The grid box around the point, widened by the tolerance and a cell.
  MapPoint low = ToMap(screen_x - tolerance, screen_y + tolerance);
  MapPoint high = ToMap(screen_x + tolerance, screen_y - tolerance);
  double gx0 = std::floor((low.x - summary_->origin_x) / cell) - 1, gx1 = std::floor((high.x - summary_->origin_x) / cell) + 1;
  double gy0 = std::floor((low.y - summary_->origin_y) / cell) - 1, gy1 = std::floor((high.y - summary_->origin_y) / cell) + 1;

  // The best candidate of each kind; the topmost of a kind is the last drawn.
  std::optional<std::size_t> best[3];
  for (std::size_t i = 0; i < level.objects.size(); ++i) {
    const StoredObject& object = level.objects[i];
    if (object.high.x < gx0 || object.low.x > gx1 || object.high.y < gy0 || object.low.y > gy1) continue;
    bool hit = false;
    if (object.dot) {
      ScreenPoint a = screen(object.low), b = screen(object.high);
      ScreenPoint p{(a.x + b.x) / 2, (a.y + b.y) / 2};
      hit = std::hypot(p.x - target.x, p.y - target.y) <= tolerance;
    } else {
      bool inside = false;
      ScreenPoint part_start{}, previous{};
      bool in_part = false;
      double nearest = std::numeric_limits<double>::max();
      auto close_ring = [&]() {
        if (object.kind != MapObjectKind::kRegion || !in_part) return;
        nearest = std::min(nearest, SegmentDistance(target, previous, part_start));
        ScreenPoint a = previous, b = part_start;
        if ((a.y > target.y) != (b.y > target.y) && target.x < (b.x - a.x) * (target.y - a.y) / (b.y - a.y) + a.x) {
          inside = !inside;
        }
      };
      for (std::size_t v = object.first_vertex; v < object.first_vertex + object.vertex_count; ++v) {
        GridPoint g = level.vertices[v];
        if (g.x == kPartBreak) {
          close_ring();
          in_part = false;
          continue;
        }
        ScreenPoint p = screen(g);
        if (!in_part) {
          part_start = p;
          in_part = true;
          // A part of one vertex is a dot: found by its distance.
          nearest = std::min(nearest, SegmentDistance(target, p, p));
        } else {
          nearest = std::min(nearest, SegmentDistance(target, previous, p));
          if ((previous.y > target.y) != (p.y > target.y) &&
              target.x < (p.x - previous.x) * (target.y - previous.y) / (p.y - previous.y) + previous.x) {
            inside = !inside;
          }
        }
        previous = p;
      }
      close_ring();
      hit = nearest <= tolerance || (object.kind == MapObjectKind::kRegion && inside);
    }
    if (hit) best[static_cast<int>(object.kind)] = i;
  }
  for (MapObjectKind kind : {MapObjectKind::kPoint, MapObjectKind::kPolyline, MapObjectKind::kRegion}) {
    if (!best[static_cast<int>(kind)]) continue;
    const StoredObject& object = level.objects[*best[static_cast<int>(kind)]];
    MapObjectInfo info;
    info.kind = object.kind;
    info.assignment = object.assignment;
    info.section = std::string(KindSection(object.kind));
    info.level = object.level;
    std::size_t at = object.text_offset;
    info.type = ReadText(level.texts, at);
    info.label = ReadText(level.texts, at);
    info.description = ReadText(level.texts, at);
    return info;
  }
  return std::nullopt;
}

}  // namespace mirvex::mapview
