#include "garmin/clip_rectangle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace mirvex {
namespace {

constexpr double kRelative = 1e-9;
constexpr double kOnEdge = 1e-12;
// What rounding leaves in an area summed from products of coordinates near 10.
constexpr double kAreaRounding = 1e-12;

// A deterministic generator whose numbers are the same with every standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform(double low, double high) { return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1p-53; }
  int Between(int low, int high) { return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1)); }

 private:
  std::uint64_t state_;
};

double Length(const ClipPath& path) {
  double length = 0;
  for (std::size_t i = 1; i < path.size(); ++i) length += std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
  return length;
}

double SignedArea(const ClipPath& ring) {
  double twice = 0;
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) twice += ring[i].x * ring[i + 1].y - ring[i + 1].x * ring[i].y;
  return twice / 2;
}

// The area covered by an odd number of the rings, by horizontal scan lines: between two
// heights where a vertex or a crossing of two edges lies, the covered width along a scan
// line changes linearly, so its value halfway is the mean.
double EvenOddArea(const std::vector<ClipPath>& rings) {
  struct Segment {
    ClipPoint a, b;
  };
  std::vector<Segment> segments;
  std::vector<double> heights;
  for (const ClipPath& ring : rings) {
    for (std::size_t i = 0; i < ring.size(); ++i) {
      ClipPoint a = ring[i], b = ring[(i + 1) % ring.size()];
      heights.push_back(a.y);
      if (a.y != b.y) segments.push_back({a, b});
    }
  }
  for (std::size_t i = 0; i < segments.size(); ++i) {
    for (std::size_t j = i + 1; j < segments.size(); ++j) {
      ClipPoint p = segments[i].a, r{segments[i].b.x - p.x, segments[i].b.y - p.y};
      ClipPoint q = segments[j].a, s{segments[j].b.x - q.x, segments[j].b.y - q.y};
      double denominator = r.x * s.y - r.y * s.x;
      if (denominator == 0) continue;
      double t = ((q.x - p.x) * s.y - (q.y - p.y) * s.x) / denominator;
      double u = ((q.x - p.x) * r.y - (q.y - p.y) * r.x) / denominator;
      if (t > 0 && t < 1 && u > 0 && u < 1) heights.push_back(p.y + t * r.y);
    }
  }
  std::sort(heights.begin(), heights.end());
  heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
  double area = 0;
  std::vector<double> crossings;
  for (std::size_t k = 0; k + 1 < heights.size(); ++k) {
    double y = (heights[k] + heights[k + 1]) / 2;
    crossings.clear();
    for (const Segment& segment : segments) {
      if ((segment.a.y < y) != (segment.b.y < y))
        crossings.push_back(segment.a.x + (y - segment.a.y) / (segment.b.y - segment.a.y) * (segment.b.x - segment.a.x));
    }
    std::sort(crossings.begin(), crossings.end());
    double width = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) width += crossings[i + 1] - crossings[i];
    area += width * (heights[k + 1] - heights[k]);
  }
  return area;
}

std::vector<ClipPath> RingsOf(const ClippedPolygon& part) {
  std::vector<ClipPath> rings{part.outer};
  rings.insert(rings.end(), part.holes.begin(), part.holes.end());
  return rings;
}

bool Inside(ClipPoint point, const ClipBox& box) {
  return point.x >= box.west - kOnEdge && point.x <= box.east + kOnEdge && point.y >= box.south - kOnEdge &&
         point.y <= box.north + kOnEdge;
}

bool OnAnEdge(ClipPoint point, const ClipBox& box) {
  return point.x == box.west || point.x == box.east || point.y == box.south || point.y == box.north;
}

bool IsVertexOf(ClipPoint point, const ClipPath& path) {
  return std::any_of(path.begin(), path.end(), [&](ClipPoint v) { return v.x == point.x && v.y == point.y; });
}

// Tiles of the area between the first and last line in each direction.
std::vector<ClipBox> Grid(const std::vector<double>& xs, const std::vector<double>& ys) {
  std::vector<ClipBox> tiles;
  for (std::size_t i = 0; i + 1 < xs.size(); ++i)
    for (std::size_t j = 0; j + 1 < ys.size(); ++j) tiles.push_back({xs[i], ys[j], xs[i + 1], ys[j + 1]});
  return tiles;
}

// The length of the line's runs along the grid's inner lines: those lie in the tiles on
// both sides.
double LengthOnInnerLines(const ClipPath& line, const std::vector<double>& xs, const std::vector<double>& ys) {
  double length = 0;
  for (std::size_t i = 1; i < line.size(); ++i) {
    ClipPoint a = line[i - 1], b = line[i];
    bool vertical = a.x == b.x && std::find(xs.begin() + 1, xs.end() - 1, a.x) != xs.end() - 1;
    bool horizontal = a.y == b.y && std::find(ys.begin() + 1, ys.end() - 1, a.y) != ys.end() - 1;
    if (vertical || horizontal) length += std::hypot(b.x - a.x, b.y - a.y);
  }
  return length;
}

// Cuts the line at every tile and checks: the pieces add up to the line's length, lie
// in their tile, and every point of a piece is a vertex of the line or on the tile's edge.
void CheckPolylineOverGrid(const ClipPath& line, const std::vector<double>& xs, const std::vector<double>& ys,
                           const std::string& name) {
  double total = 0;
  for (const ClipBox& tile : Grid(xs, ys)) {
    for (const ClipPath& piece : ClipPolyline(line, tile)) {
      ASSERT_GE(piece.size(), 2u) << name;
      total += Length(piece);
      for (ClipPoint point : piece) {
        ASSERT_TRUE(Inside(point, tile)) << name << " (" << point.x << ", " << point.y << ")";
        ASSERT_TRUE(IsVertexOf(point, line) || OnAnEdge(point, tile)) << name << " (" << point.x << ", " << point.y << ")";
      }
    }
  }
  double expected = Length(line) + LengthOnInnerLines(line, xs, ys);
  EXPECT_NEAR(total, expected, kRelative * expected + kAreaRounding) << name;
}

// Cuts the region at every tile and checks: the parts' even-odd areas add up to the
// region's, the outer ring minus the holes gives the same area, every ring is closed and
// oriented (outer counter-clockwise, holes clockwise) and lies in its tile.
void CheckRegionOverGrid(const std::vector<ClipPath>& rings, const std::vector<double>& xs,
                         const std::vector<double>& ys, const std::string& name) {
  double total = 0, signed_total = 0;
  for (const ClipBox& tile : Grid(xs, ys)) {
    for (const ClippedPolygon& part : ClipRegion(rings, tile)) {
      for (const ClipPath& ring : RingsOf(part)) {
        ASSERT_GE(ring.size(), 4u) << name;
        ASSERT_TRUE(ring.front().x == ring.back().x && ring.front().y == ring.back().y) << name;
        for (ClipPoint point : ring) ASSERT_TRUE(Inside(point, tile)) << name << " (" << point.x << ", " << point.y << ")";
      }
      EXPECT_GT(SignedArea(part.outer), 0) << name;
      for (const ClipPath& hole : part.holes) EXPECT_LT(SignedArea(hole), 0) << name;
      double even_odd = EvenOddArea(RingsOf(part)), outer_minus_holes = SignedArea(part.outer);
      for (const ClipPath& hole : part.holes) outer_minus_holes += SignedArea(hole);
      EXPECT_NEAR(outer_minus_holes, even_odd, kRelative * even_odd + kAreaRounding)
          << name << ": a part in " << tile.west << " " << tile.south << " " << tile.east << " " << tile.north
          << " with " << part.holes.size() << " holes, outer of " << part.outer.size() << " points";
      total += even_odd;
      signed_total += outer_minus_holes;
    }
  }
  double expected = EvenOddArea(rings);
  EXPECT_NEAR(total, expected, kRelative * expected + kAreaRounding) << name;
  EXPECT_NEAR(signed_total, expected, kRelative * expected + kAreaRounding) << name << ": outer minus holes";
}

// A ring around a centre at increasing angles: simple whatever the radii.
ClipPath Star(Random& random, ClipPoint centre, double min_radius, double max_radius, int vertices, bool clockwise) {
  ClipPath ring;
  for (int i = 0; i < vertices; ++i) {
    double angle = 2 * std::numbers::pi * (i + random.Uniform(0, 0.9)) / vertices * (clockwise ? -1 : 1);
    double radius = random.Uniform(min_radius, max_radius);
    ring.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
  }
  ring.push_back(ring.front());
  return ring;
}

// Grid lines from the least to the greatest of the coordinates, the inner ones evenly
// spread, some of them moved onto one of the coordinates.
std::vector<double> GridLines(Random& random, int count, const std::vector<double>& coordinates) {
  double low = *std::min_element(coordinates.begin(), coordinates.end());
  double high = *std::max_element(coordinates.begin(), coordinates.end());
  std::vector<double> lines{low, high};
  for (int i = 1; i < count; ++i) {
    double line = low + (high - low) * i / count;
    if (random.Between(0, 1) == 1) {
      double candidate = coordinates[random.Between(0, static_cast<int>(coordinates.size()) - 1)];
      if (candidate > low && candidate < high) line = candidate;
    }
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

std::vector<double> Coordinates(const std::vector<ClipPath>& paths, bool x) {
  std::vector<double> values;
  for (const ClipPath& path : paths)
    for (ClipPoint point : path) values.push_back(x ? point.x : point.y);
  return values;
}

TEST(ClipRectangle, PolylinePiecesAddUpOverTilesOfRandomLines) {
  Random random(20261210);
  for (int shape = 0; shape < 120; ++shape) {
    ClipPath line;
    int kind = shape % 4;
    int vertices = random.Between(2, 80);
    ClipPoint at{random.Uniform(0, 10), random.Uniform(0, 8)};
    for (int i = 0; i < vertices; ++i) {
      if (kind == 0) {  // scattered
        at = {random.Uniform(0, 10), random.Uniform(0, 8)};
      } else if (kind == 1) {  // a walk, clamped to the area
        at = {std::clamp(at.x + random.Uniform(-1.5, 1.5), 0.0, 10.0), std::clamp(at.y + random.Uniform(-1.5, 1.5), 0.0, 8.0)};
      } else if (kind == 2) {  // a spiral
        double angle = 0.4 * i, radius = 3.9 * i / vertices;
        at = {5 + radius * std::cos(angle), 4 + radius * std::sin(angle)};
      } else {  // on a lattice of the grid's lines, so runs go along tile edges
        at = {2.5 * random.Between(0, 4), 2.0 * random.Between(0, 4)};
      }
      line.push_back(at);
      if (random.Between(0, 9) == 0) line.push_back(at);  // a repeated point
    }
    std::vector<double> xs = kind == 3 ? std::vector<double>{0, 2.5, 5, 7.5, 10}
                                       : GridLines(random, 4, Coordinates({line}, true));
    std::vector<double> ys = kind == 3 ? std::vector<double>{0, 2, 4, 6, 8}
                                       : GridLines(random, 4, Coordinates({line}, false));
    CheckPolylineOverGrid(line, xs, ys, "line " + std::to_string(shape));
  }
}

TEST(ClipRectangle, RegionPartsAddUpOverTilesOfRandomRegions) {
  Random random(7351);
  for (int shape = 0; shape < 160; ++shape) {
    std::vector<ClipPath> rings;
    int kind = shape % 5;
    ClipPoint centre{random.Uniform(3.5, 6.5), random.Uniform(3, 5)};
    if (kind == 0) {  // a star with holes around its centre
      rings.push_back(Star(random, centre, 2, 3, random.Between(3, 200), false));
      for (int hole = random.Between(0, 2); hole > 0; --hole)
        rings.push_back(Star(random, centre, 0.3 + 0.6 * hole, 0.5 + 0.6 * hole, random.Between(3, 30), true));
    } else if (kind == 1) {  // overlapping stars, each turning either way: even-odd
      for (int ring = random.Between(2, 4); ring > 0; --ring)
        rings.push_back(Star(random, {random.Uniform(2, 8), random.Uniform(2, 6)}, 0.5, 2, random.Between(3, 40),
                             random.Between(0, 1) == 1));
    } else if (kind == 2) {  // scattered vertices: a ring crossing itself
      ClipPath ring;
      for (int i = random.Between(4, 12); i > 0; --i) ring.push_back({random.Uniform(0, 10), random.Uniform(0, 8)});
      ring.push_back(ring.front());
      rings.push_back(ring);
    } else if (kind == 3) {  // a band wound as a spiral
      ClipPath ring;
      int turns = 60;
      for (int i = 0; i <= turns; ++i) {
        double angle = 0.25 * i, radius = 0.5 + 3.0 * i / turns;
        ring.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
      }
      for (int i = turns; i >= 0; --i) {
        double angle = 0.25 * i, radius = 0.8 + 3.0 * i / turns;
        ring.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
      }
      ring.push_back(ring.front());
      rings.push_back(ring);
    } else {  // a skyline on the lattice of the grid's lines, its hole crossing them
      ClipPath ring{{0, 0}, {10, 0}};
      for (int column = 7; column >= 0; --column) {
        double height = random.Between(2, 8);
        ring.push_back({1.25 * (column + 1), height});
        ring.push_back({1.25 * column, height});
      }
      ring.push_back({0, 0});
      rings.push_back(ring);
      rings.push_back({{1, 0.5}, {1, 1.5}, {9, 1.5}, {9, 0.5}, {1, 0.5}});
    }
    std::vector<double> xs = kind == 4 ? std::vector<double>{0, 2.5, 5, 7.5, 10}
                                       : GridLines(random, 4, Coordinates(rings, true));
    std::vector<double> ys = kind == 4 ? std::vector<double>{0, 2, 4, 6, 8}
                                       : GridLines(random, 4, Coordinates(rings, false));
    if (kind == 2) {
      // Even-odd across the tiles; outer minus holes does not hold where rings cross.
      double total = 0;
      for (const ClipBox& tile : Grid(xs, ys))
        for (const ClippedPolygon& part : ClipRegion(rings, tile)) total += EvenOddArea(RingsOf(part));
      EXPECT_NEAR(total, EvenOddArea(rings), kRelative * EvenOddArea(rings)) << "shape " << shape;
      continue;
    }
    CheckRegionOverGrid(rings, xs, ys, "shape " + std::to_string(shape));
  }
}

TEST(ClipRectangle, AdversarialRegionsAddUpOverTiles) {
  const std::vector<double> xs{0, 2, 4, 6, 8}, ys{0, 2, 4, 6, 8};
  struct Case {
    const char* name;
    std::vector<ClipPath> rings;
  };
  const Case cases[] = {
      {"square on grid lines", {{{2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}}}},
      {"encloses every tile", {{{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 0}}}},
      {"hole crossing an edge", {{{1, 1}, {7, 1}, {7, 7}, {1, 7}, {1, 1}}, {{3, 3}, {3, 5}, {5, 5}, {5, 3}, {3, 3}}}},
      {"hole along tile edges", {{{1, 1}, {7, 1}, {7, 7}, {1, 7}, {1, 1}}, {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}}}},
      {"vertices on edges, diamond", {{{4, 0}, {8, 4}, {4, 8}, {0, 4}, {4, 0}}}},
      {"comb with teeth on an edge", {{{1, 1}, {7, 1}, {7, 4}, {6, 4}, {6, 2}, {5, 2}, {5, 4}, {3, 4}, {3, 2}, {2, 2}, {2, 4}, {1, 4}, {1, 1}}}},
      {"nested islands", {{{0.5, 0.5}, {7.5, 0.5}, {7.5, 7.5}, {0.5, 7.5}, {0.5, 0.5}},
                          {{1.5, 1.5}, {6.5, 1.5}, {6.5, 6.5}, {1.5, 6.5}, {1.5, 1.5}},
                          {{3, 3}, {5, 3}, {5, 5}, {3, 5}, {3, 3}}}},
      {"clockwise outer", {{{1, 1}, {1, 7}, {7, 7}, {7, 1}, {1, 1}}}},
      {"repeated points", {{{1, 1}, {1, 1}, {7, 1}, {7, 7}, {7, 7}, {7, 7}, {1, 7}, {1, 1}}}},
      {"not closed", {{{1, 1}, {7, 1}, {4, 7}}}},
      {"two rings sharing an edge", {{{1, 1}, {4, 1}, {4, 5}, {1, 5}, {1, 1}}, {{4, 1}, {7, 1}, {7, 5}, {4, 5}, {4, 1}}}},
      {"thin sliver along an edge", {{{1, 4}, {7, 4}, {7, 4.000001}, {1, 4}}}},
  };
  for (const Case& c : cases) CheckRegionOverGrid(c.rings, xs, ys, c.name);
}

TEST(ClipRectangle, AdversarialLinesAddUpOverTiles) {
  const std::vector<double> xs{0, 2, 4, 6, 8}, ys{0, 2, 4, 6, 8};
  struct Case {
    const char* name;
    ClipPath line;
  };
  const Case cases[] = {
      {"along an inner edge", {{1, 2}, {7, 2}}},
      {"zigzag through tile corners", {{0, 0}, {2, 2}, {4, 0}, {6, 2}, {8, 0}}},
      {"vertices on edges", {{2, 1}, {3, 4}, {4, 3}, {6, 6}}},
      {"leaves and re-enters", {{1, 1}, {3, 1}, {3, 3}, {1, 3}, {1, 1.5}}},
      {"back and forth over an edge", {{1.5, 1}, {2.5, 1}, {1.5, 1}, {2.5, 1}}},
      {"only repeated points", {{1, 1}, {1, 1}, {1, 1}}},
  };
  for (const Case& c : cases) CheckPolylineOverGrid(c.line, xs, ys, c.name);
}

bool SamePaths(const std::vector<ClipPath>& a, const std::vector<ClipPath>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (std::size_t j = 0; j < a[i].size(); ++j)
      if (a[i][j].x != b[i][j].x || a[i][j].y != b[i][j].y) return false;
  }
  return true;
}

std::string Text(const std::vector<ClipPath>& paths) {
  std::string text;
  for (const ClipPath& path : paths) {
    text += "[";
    for (ClipPoint point : path) text += " (" + std::to_string(point.x) + ", " + std::to_string(point.y) + ")";
    text += " ]";
  }
  return text;
}

TEST(ClipRectangle, PolylineEdgeCases) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ClipBox unit{0, 0, 1, 1};
  struct Case {
    const char* name;
    ClipPath line;
    ClipBox box;
    std::vector<ClipPath> pieces;
  };
  const Case cases[] = {
      {"inside", {{0.25, 0.25}, {0.75, 0.5}}, unit, {{{0.25, 0.25}, {0.75, 0.5}}}},
      {"crosses the box", {{-1, 0.5}, {3, 0.5}}, unit, {{{0, 0.5}, {1, 0.5}}}},
      {"crossings computed on two edges", {{-0.25, 0.125}, {0.75, 2.125}}, unit, {{{0, 0.625}, {0.1875, 1}}}},
      {"leaves and re-enters",
       {{0.5, 0.5}, {2, 0.5}, {2, 0.75}, {0.5, 0.75}},
       unit,
       {{{0.5, 0.5}, {1, 0.5}}, {{1, 0.75}, {0.5, 0.75}}}},
      {"vertex on the edge, then out", {{0.5, 0.5}, {1, 0.5}, {2, 0.5}}, unit, {{{0.5, 0.5}, {1, 0.5}}}},
      {"out, to the edge and back out", {{2, 0.5}, {1, 0.5}, {2, 0.25}}, unit, {}},
      {"touches a corner", {{-1, 1}, {0, 0}, {1, -1}}, unit, {}},
      {"along the edge", {{-1, 1}, {2, 1}}, unit, {{{0, 1}, {1, 1}}}},
      {"outside", {{2, 2}, {3, 3}}, unit, {}},
      {"repeated points kept", {{0.5, 0.5}, {0.5, 0.5}, {0.75, 0.5}}, unit, {{{0.5, 0.5}, {0.5, 0.5}, {0.75, 0.5}}}},
      {"one point", {{0.5, 0.5}}, unit, {}},
      {"a vertex that is no number is skipped", {{0.25, 0.5}, {nan, 0.5}, {0.75, 0.5}}, unit, {{{0.25, 0.5}, {0.75, 0.5}}}},
      {"west of the box east of east", {{0.25, 0.5}, {0.75, 0.5}}, {1, 0, 0, 1}, {}},
      {"the largest coordinates", {{-1.7e308, 0.5}, {1.7e308, 0.5}}, unit, {{{0, 0.5}, {1, 0.5}}}},
      {"the largest slope", {{0.5, -1.7e308}, {0.5000001, 1.7e308}}, unit, {{{0.5, 0}, {0.5, 1}}}},
      {"box without width", {{-1, 0}, {1, 1}}, {0, 0, 0, 1}, {}},
  };
  for (const Case& c : cases) {
    std::vector<ClipPath> pieces = ClipPolyline(c.line, c.box);
    if (std::string(c.name) == "the largest slope") {
      // The crossings lie on the south and north edges, a hair east of 0.5.
      ASSERT_EQ(pieces.size(), 1u) << Text(pieces);
      ASSERT_EQ(pieces[0].size(), 2u);
      EXPECT_EQ(pieces[0][0].y, 0);
      EXPECT_EQ(pieces[0][1].y, 1);
      EXPECT_NEAR(pieces[0][0].x, 0.50000005, 1e-9);
      continue;
    }
    EXPECT_TRUE(SamePaths(pieces, c.pieces)) << c.name << ": " << Text(pieces);
  }
}

TEST(ClipRectangle, CrossingPointsAreTheSameSeenFromBothTiles) {
  const ClipPath line{{0.1, 0.123456789}, {1.9, 0.987654321}};
  std::vector<ClipPath> west = ClipPolyline(line, {0, 0, 1, 1}), east = ClipPolyline(line, {1, 0, 2, 1});
  ASSERT_EQ(west.size(), 1u);
  ASSERT_EQ(east.size(), 1u);
  EXPECT_EQ(west[0].back().x, 1);
  EXPECT_EQ(east[0].front().x, 1);
  EXPECT_EQ(west[0].back().y, east[0].front().y);
}

TEST(ClipRectangle, RegionEdgeCases) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ClipBox unit{0, 0, 1, 1};
  struct Case {
    const char* name;
    std::vector<ClipPath> rings;
    ClipBox box;
    std::size_t parts;
    std::size_t holes;  // in all parts
    double area;
  };
  const Case cases[] = {
      {"inside", {{{0.25, 0.25}, {0.75, 0.25}, {0.75, 0.75}, {0.25, 0.75}, {0.25, 0.25}}}, unit, 1, 0, 0.25},
      {"encloses the box", {{{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, -5}}}, unit, 1, 0, 1},
      {"hole inside", {{{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, -5}}, {{0.25, 0.25}, {0.75, 0.25}, {0.75, 0.75}, {0.25, 0.75}, {0.25, 0.25}}},
       unit, 1, 1, 0.75},
      {"hole crossing an edge", {{{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, -5}}, {{0.5, 0.25}, {1.5, 0.25}, {1.5, 0.75}, {0.5, 0.75}, {0.5, 0.25}}},
       unit, 1, 0, 0.75},
      {"hole cutting the box in two", {{{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, -5}}, {{-1, 0.25}, {2, 0.25}, {2, 0.75}, {-1, 0.75}, {-1, 0.25}}},
       unit, 2, 0, 0.5},
      {"U shape", {{{0.1, 2}, {0.1, 0.5}, {0.9, 0.5}, {0.9, 2}, {0.7, 2}, {0.7, 0.7}, {0.3, 0.7}, {0.3, 2}, {0.1, 2}}},
       unit, 1, 0, 0.8 * 0.5 - 0.4 * 0.3},
      {"touches the box along an edge only", {{{1, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 0}}}, unit, 0, 0, 0},
      {"outside", {{{2, 2}, {3, 2}, {3, 3}, {2, 2}}}, unit, 0, 0, 0},
      {"two distinct points", {{{0.2, 0.2}, {0.8, 0.8}, {0.2, 0.2}}}, unit, 0, 0, 0},
      {"on one line", {{{0.2, 0.2}, {0.5, 0.5}, {0.8, 0.8}, {0.2, 0.2}}}, unit, 0, 0, 0},
      {"a point that is no number is skipped", {{{0.25, 0.25}, {0.75, 0.25}, {nan, 3}, {0.75, 0.75}, {0.25, 0.75}}}, unit, 1, 0, 0.25},
      {"bow tie crossing itself", {{{0, 0}, {1, 1}, {1, 0}, {0, 0.5}, {0, 0}}}, unit, 1, 0, 5.0 / 12},
      {"overlapping rings fill even-odd", {{{0, 0}, {0.75, 0}, {0.75, 0.75}, {0, 0.75}, {0, 0}}, {{0.25, 0.25}, {1, 0.25}, {1, 1}, {0.25, 1}, {0.25, 0.25}}},
       unit, 2, 0, 2 * 0.5625 - 2 * 0.25},
      {"box without area", {{{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, -5}}}, {0, 0, 1, 0}, 0, 0, 0},
      {"the largest coordinates", {{{-1e300, -1e300}, {1e300, -1e300}, {1e300, 1e300}, {-1e300, 1e300}, {-1e300, -1e300}}}, unit, 1, 0, 1},
  };
  for (const Case& c : cases) {
    std::vector<ClippedPolygon> parts = ClipRegion(c.rings, c.box);
    std::size_t holes = 0;
    double area = 0;
    for (const ClippedPolygon& part : parts) {
      holes += part.holes.size();
      area += EvenOddArea(RingsOf(part));
      EXPECT_GT(SignedArea(part.outer), 0) << c.name;
      for (const ClipPath& ring : RingsOf(part)) {
        ASSERT_GE(ring.size(), 4u) << c.name;
        EXPECT_TRUE(ring.front().x == ring.back().x && ring.front().y == ring.back().y) << c.name;
        for (ClipPoint point : ring) EXPECT_TRUE(Inside(point, c.box)) << c.name;
      }
    }
    EXPECT_EQ(parts.size(), c.parts) << c.name;
    EXPECT_EQ(holes, c.holes) << c.name;
    EXPECT_NEAR(area, c.area, 1e-12) << c.name;
  }
}

TEST(ClipRectangle, RegionPointsOnTheBoxEdgesHaveTheEdgesValues) {
  // A diamond around the tile whose edges cross the box at computed points.
  const std::vector<ClipPath> rings{{{0.5, -0.35}, {1.37, 0.5}, {0.5, 1.41}, {-0.33, 0.5}, {0.5, -0.35}}};
  const ClipBox box{0.1, 0.1, 0.9, 0.9};
  std::vector<ClippedPolygon> parts = ClipRegion(rings, box);
  ASSERT_EQ(parts.size(), 1u);
  for (ClipPoint point : parts[0].outer) {
    EXPECT_TRUE(OnAnEdge(point, box)) << point.x << ", " << point.y;
  }
}

TEST(ClipRectangle, RingCutOnItsOwnKeepsItsEvenOddCover) {
  // A ring crossing itself (a pentagram) keeps its cover inside the box.
  ClipPath star;
  for (int i = 0; i <= 5; ++i) {
    double angle = std::numbers::pi / 2 + 4 * std::numbers::pi * i / 5;
    star.push_back({2 * std::cos(angle), 2 * std::sin(angle)});
  }
  const ClipBox boxes[] = {{-1, -1, 1, 1}, {0, 0, 3, 3}, {-3, -3, 3, 3}, {-0.2, -0.2, 0.2, 0.2}, {5, 5, 6, 6}};
  for (const ClipBox& box : boxes) {
    ClipPath cut = ClipRing(star, box);
    double expected = 0;
    for (const ClippedPolygon& part : ClipRegion({star}, box)) expected += EvenOddArea(RingsOf(part));
    double inside = cut.empty() ? 0 : EvenOddArea({cut});
    EXPECT_NEAR(inside, expected, 1e-12) << box.west;
    for (ClipPoint point : cut) EXPECT_TRUE(Inside(point, box));
  }
}

}  // namespace
}  // namespace mirvex
