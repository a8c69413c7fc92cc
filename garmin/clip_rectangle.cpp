#include "garmin/clip_rectangle.h"

#include "base/text.h"

// Boost.Geometry would otherwise round the points where edges cross to a grid of about
// 10^7 steps across the input, moving cut edges by up to a ten-millionth of a map's
// extent; the rings are valid beforehand, so exact doubles serve.
#define BOOST_GEOMETRY_NO_ROBUSTNESS

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

// GCC's flow analysis sees Boost's envelope boxes as possibly unset; they are set.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/geometry/algorithms/correct.hpp>
#include <boost/geometry/algorithms/intersection.hpp>
#include <boost/geometry/algorithms/is_valid.hpp>
#include <boost/geometry/algorithms/sym_difference.hpp>
#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/multi_polygon.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#pragma GCC diagnostic pop

namespace mirvex {
namespace {

namespace bg = boost::geometry;
using BoostPoint = bg::model::d2::point_xy<double>;
using BoostPolygon = bg::model::polygon<BoostPoint, false, true>;  // counter-clockwise, closed
using BoostRegion = bg::model::multi_polygon<BoostPolygon>;
using BoostBox = bg::model::box<BoostPoint>;

// Beyond this the products of coordinates that combining rings computes lose their meaning.
constexpr double kLargestCombined = 1e9;

bool Finite(ClipPoint point) { return std::isfinite(point.x) && std::isfinite(point.y); }
bool Same(ClipPoint a, ClipPoint b) { return a.x == b.x && a.y == b.y; }

bool Usable(const ClipBox& box) {
  return std::isfinite(box.west) && std::isfinite(box.east) && std::isfinite(box.south) &&
         std::isfinite(box.north) && box.west <= box.east && box.south <= box.north;
}

// a + t (b - a) for t in [0, 1], also where b - a is beyond the largest double.
double Between(double a, double b, double t) {
  double difference = b - a;
  if (std::isfinite(difference)) return a + t * difference;
  return a * (1 - t) + b * t;
}

enum class Edge { kNone, kWest, kEast, kSouth, kNorth };

// The point where segment a-b meets the edge's line, its coordinate on the edge set to
// the edge's value and the other interpolated along the segment from a.
ClipPoint OnEdge(ClipPoint a, ClipPoint b, Edge edge, const ClipBox& box) {
  ClipPoint point;
  if (edge == Edge::kWest || edge == Edge::kEast) {
    point.x = edge == Edge::kWest ? box.west : box.east;
    point.y = Between(a.y, b.y, (point.x / 2 - a.x / 2) / (b.x / 2 - a.x / 2));
  } else {
    point.y = edge == Edge::kSouth ? box.south : box.north;
    point.x = Between(a.x, b.x, (point.y / 2 - a.y / 2) / (b.y / 2 - a.y / 2));
  }
  return point;
}

// A computed point that rounding put a hair outside the box is put back on its edge.
ClipPoint WithinBox(ClipPoint point, const ClipBox& box) {
  return {std::clamp(point.x, box.west, box.east), std::clamp(point.y, box.south, box.north)};
}

// The part of segment a-b inside the box (Liang-Barsky) as parameters t0 <= t1 along it,
// with the edges it enters and leaves by (none where the part begins at a or ends at b).
// Halves are compared, so differences of the largest coordinates stay finite.
struct SegmentPart {
  bool inside = false;
  double t0 = 0, t1 = 1;
  Edge enters = Edge::kNone, leaves = Edge::kNone;
};

SegmentPart ClipSegment(ClipPoint a, ClipPoint b, const ClipBox& box) {
  SegmentPart part;
  auto limit = [&part](double step, double room, Edge edge) {
    if (step == 0) return room >= 0;  // parallel to the edge: inside or outside throughout
    double t = room / step;
    if (step < 0) {
      if (t > part.t0) part.t0 = t, part.enters = edge;
    } else if (t < part.t1) {
      part.t1 = t, part.leaves = edge;
    }
    return true;
  };
  double half_dx = b.x / 2 - a.x / 2, half_dy = b.y / 2 - a.y / 2;
  part.inside = limit(-half_dx, a.x / 2 - box.west / 2, Edge::kWest) &&
                limit(half_dx, box.east / 2 - a.x / 2, Edge::kEast) &&
                limit(-half_dy, a.y / 2 - box.south / 2, Edge::kSouth) &&
                limit(half_dy, box.north / 2 - a.y / 2, Edge::kNorth) && part.t0 <= part.t1;
  return part;
}

bool HasLength(const ClipPath& path) {
  return std::any_of(path.begin(), path.end(), [&path](ClipPoint point) { return !Same(point, path.front()); });
}

// False when every point lies on the line through the first two distinct ones.
bool HasArea(const ClipPath& ring) {
  auto other = std::find_if(ring.begin(), ring.end(), [&ring](ClipPoint point) { return !Same(point, ring.front()); });
  if (other == ring.end()) return false;
  ClipPoint origin = ring.front(), direction{other->x - origin.x, other->y - origin.y};
  return std::any_of(other, ring.end(), [&](ClipPoint point) {
    return direction.x * (point.y - origin.y) != direction.y * (point.x - origin.x);
  });
}

double SignedArea(const ClipPath& ring) {
  double twice = 0;
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) twice += ring[i].x * ring[i + 1].y - ring[i + 1].x * ring[i].y;
  return twice / 2;
}

// A point Boost computed on an edge of the box is set on it exactly.
double OntoEdge(double value, double low, double high) {
  double tolerance = 1e-12 * std::max({1.0, std::fabs(low), std::fabs(high)});
  if (std::fabs(value - low) <= tolerance) return low;
  if (std::fabs(value - high) <= tolerance) return high;
  return std::clamp(value, low, high);
}

template <typename BoostRing>
ClipPath FromBoost(const BoostRing& ring, const ClipBox& box) {
  ClipPath path;
  path.reserve(ring.size());
  for (const BoostPoint& point : ring)
    path.push_back({OntoEdge(point.x(), box.west, box.east), OntoEdge(point.y(), box.south, box.north)});
  return path;
}

// Each ring cut to the box on its own, as one part: the largest ring outside, the others
// as holes, oriented as the parts Boost gives are.
std::vector<ClippedPolygon> ClipEachRing(const std::vector<ClipPath>& rings, const ClipBox& box) {
  std::vector<ClipPath> clipped;
  for (const ClipPath& ring : rings) {
    ClipPath part = ClipRing(ring, box);
    if (!part.empty()) clipped.push_back(std::move(part));
  }
  if (clipped.empty()) return {};
  auto largest = std::max_element(clipped.begin(), clipped.end(), [](const ClipPath& a, const ClipPath& b) {
    return std::fabs(SignedArea(a)) < std::fabs(SignedArea(b));
  });
  std::iter_swap(clipped.begin(), largest);
  ClippedPolygon polygon;
  for (ClipPath& ring : clipped) {
    bool counter_clockwise = SignedArea(ring) > 0;
    if (counter_clockwise != polygon.outer.empty()) std::reverse(ring.begin(), ring.end());
    if (polygon.outer.empty()) {
      polygon.outer = std::move(ring);
    } else {
      polygon.holes.push_back(std::move(ring));
    }
  }
  return {std::move(polygon)};
}

// The even-odd cover of the rings inside the box: each ring in turn taken out where the
// cover so far has it and added where not, then cut to the box, or with each ring cut to
// the box first (the other order sometimes gets past a case Boost gets wrong). False when
// Boost gives up or its result is not a valid region.
bool Combine(const std::vector<BoostPolygon>& polygons, const BoostBox& box, bool cut_first, BoostRegion& result) {
  try {
    BoostRegion region;
    for (const BoostPolygon& polygon : polygons) {
      BoostRegion ring, combined;
      if (cut_first) {
        bg::intersection(polygon, box, ring);
      } else {
        ring.push_back(polygon);
      }
      if (region.empty()) {
        region = std::move(ring);
        continue;
      }
      bg::sym_difference(region, ring, combined);
      region = std::move(combined);
    }
    result.clear();
    if (cut_first) {
      result = std::move(region);
    } else {
      bg::intersection(region, box, result);
    }
    return bg::is_valid(result);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::vector<ClipPath> ClipPolyline(const ClipPath& line, const ClipBox& box) {
  std::vector<ClipPath> pieces;
  if (!Usable(box)) return pieces;
  ClipPath piece;
  auto finish_piece = [&] {
    if (HasLength(piece)) pieces.push_back(std::move(piece));
    piece.clear();
  };
  const ClipPoint* previous = nullptr;
  for (const ClipPoint& point : line) {
    if (!Finite(point)) continue;
    if (previous == nullptr) {
      previous = &point;
      continue;
    }
    ClipPoint a = *previous, b = point;
    previous = &point;
    // Both ends beyond one edge: most segments of a line lie in other tiles.
    bool beyond = (a.x < box.west && b.x < box.west) || (a.x > box.east && b.x > box.east) ||
                  (a.y < box.south && b.y < box.south) || (a.y > box.north && b.y > box.north);
    SegmentPart part = beyond ? SegmentPart{} : ClipSegment(a, b, box);
    if (!part.inside) {
      finish_piece();
      continue;
    }
    ClipPoint entry = part.enters == Edge::kNone ? a : WithinBox(OnEdge(a, b, part.enters, box), box);
    ClipPoint exit = part.leaves == Edge::kNone ? b : WithinBox(OnEdge(a, b, part.leaves, box), box);
    // A part of one point touches the box without entering it.
    if (Same(entry, exit) && !Same(a, b)) {
      finish_piece();
      continue;
    }
    if (piece.empty()) piece.push_back(entry);
    piece.push_back(exit);
    if (part.leaves != Edge::kNone) finish_piece();
  }
  finish_piece();
  return pieces;
}

// Sutherland-Hodgman: the ring cut by each edge's half-plane in turn. For a convex
// window this keeps, for every point inside the box, how many times the ring winds
// around it, so the even-odd cover is kept too.
ClipPath ClipRing(const ClipPath& ring, const ClipBox& box) {
  if (!Usable(box)) return {};
  ClipPath current;
  for (const ClipPoint& point : ring)
    if (Finite(point) && (current.empty() || !Same(point, current.back()))) current.push_back(point);
  if (current.size() > 1 && Same(current.front(), current.back())) current.pop_back();
  if (current.size() < 3) return {};
  const Edge edges[] = {Edge::kWest, Edge::kEast, Edge::kSouth, Edge::kNorth};
  ClipPath next;
  for (Edge edge : edges) {
    auto inside = [&](ClipPoint p) {
      switch (edge) {
        case Edge::kWest: return p.x >= box.west;
        case Edge::kEast: return p.x <= box.east;
        case Edge::kSouth: return p.y >= box.south;
        default: return p.y <= box.north;
      }
    };
    next.clear();
    for (std::size_t i = 0; i < current.size(); ++i) {
      ClipPoint a = current[i == 0 ? current.size() - 1 : i - 1], b = current[i];
      bool a_inside = inside(a), b_inside = inside(b);
      if (a_inside != b_inside) {
        // Computed from the inside end, so both directions give the same point.
        ClipPoint crossing = a_inside ? OnEdge(a, b, edge, box) : OnEdge(b, a, edge, box);
        if (next.empty() || !Same(crossing, next.back())) next.push_back(crossing);
      }
      if (b_inside && (next.empty() || !Same(b, next.back()))) next.push_back(b);
    }
    if (next.size() > 1 && Same(next.front(), next.back())) next.pop_back();
    if (next.size() < 3) return {};
    std::swap(current, next);
  }
  for (ClipPoint& point : current) point = WithinBox(point, box);
  if (!HasArea(current)) return {};
  current.push_back(current.front());
  return current;
}

std::vector<ClippedPolygon> ClipRegion(const std::vector<ClipPath>& rings, const ClipBox& box) {
  if (!Usable(box) || box.west == box.east || box.south == box.north) return {};
  std::vector<BoostPolygon> polygons;
  BoostRegion clipped;
  bool combinable = true, single_ring_inside = false;
  for (const ClipPath& ring : rings) {
    BoostPolygon polygon;
    double west = 0, east = 0, south = 0, north = 0;
    ClipPath kept;
    for (const ClipPoint& point : ring) {
      if (!Finite(point) || (!kept.empty() && Same(point, kept.back()))) continue;
      if (kept.empty()) west = east = point.x, south = north = point.y;
      west = std::min(west, point.x), east = std::max(east, point.x);
      south = std::min(south, point.y), north = std::max(north, point.y);
      kept.push_back(point);
    }
    if (!HasArea(kept)) continue;
    // A ring whose extent meets the box at most along an edge covers nothing inside it.
    if (west >= box.east || east <= box.west || south >= box.north || north <= box.south) continue;
    if (std::max({std::fabs(west), std::fabs(east), std::fabs(south), std::fabs(north)}) > kLargestCombined)
      combinable = false;
    for (ClipPoint point : kept) polygon.outer().push_back(BoostPoint(point.x, point.y));
    bg::correct(polygon);
    if (combinable && !bg::is_valid(polygon)) combinable = false;
    single_ring_inside = west >= box.west && east <= box.east && south >= box.south && north <= box.north;
    polygons.push_back(std::move(polygon));
  }
  if (polygons.empty()) return {};
  if (!combinable) return ClipEachRing(rings, box);

  // One ring inside the box is its own part.
  if (polygons.size() == 1 && single_ring_inside) {
    clipped.push_back(std::move(polygons.front()));
  }
  const BoostBox boost_box(BoostPoint(box.west, box.south), BoostPoint(box.east, box.north));
  if (clipped.empty() &&
      !Combine(polygons, boost_box, false, clipped) && !Combine(polygons, boost_box, true, clipped))
    return ClipEachRing(rings, box);

  std::vector<ClippedPolygon> parts;
  for (const BoostPolygon& polygon : clipped) {
    ClippedPolygon part{FromBoost(polygon.outer(), box), {}};
    if (part.outer.size() < 4) continue;
    for (const auto& inner : polygon.inners()) {
      ClipPath hole = FromBoost(inner, box);
      if (hole.size() >= 4) part.holes.push_back(std::move(hole));
    }
    parts.push_back(std::move(part));
  }
  return parts;
}

void AppendPairList(std::string& out, const ClipPath& path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (i > 0) out += ',';
    out += '(';
    AppendNumberText(out, path[i].y);
    out += ',';
    AppendNumberText(out, path[i].x);
    out += ')';
  }
}

}  // namespace mirvex
