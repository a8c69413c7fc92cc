// Clipping throughput: polylines and regions of 10 to 1000 vertices cut at the tiles of a
// 4 x 4 grid, in input vertices per second (each object against all 16 tiles), beside
// Boost.Geometry's own cut of a line by a box and the single-ring cut (Sutherland-Hodgman)
// that leaves a region's rings unresolved.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

#include <boost/geometry/algorithms/intersection.hpp>
#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/linestring.hpp>
#include <boost/geometry/geometries/multi_linestring.hpp>
#include <boost/geometry/geometries/point_xy.hpp>

#include "garmin/clip_rectangle.h"

namespace {

using mirvex::ClipBox;
using mirvex::ClipPath;
using mirvex::ClipPoint;
namespace bg = boost::geometry;
using BoostPoint = bg::model::d2::point_xy<double>;
using BoostLine = bg::model::linestring<BoostPoint>;

std::uint64_t state = 20261210;
double Uniform(double low, double high) {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return low + (high - low) * static_cast<double>(state >> 11) * 0x1p-53;
}

// A walk over the whole 4 x 4 degree area, so each line crosses many tile edges.
ClipPath Walk(int vertices) {
  ClipPath line{{Uniform(0, 4), Uniform(0, 4)}};
  double step = 8.0 / vertices;
  for (int i = 1; i < vertices; ++i) {
    ClipPoint last = line.back();
    line.push_back({std::fabs(std::fmod(last.x + Uniform(-step, 2 * step) + 4, 8) - 4),
                    std::fabs(std::fmod(last.y + Uniform(-step, 2 * step) + 4, 8) - 4)});
  }
  return line;
}

// A star over most of the area with a hole of a tenth of its vertices.
std::vector<ClipPath> Region(int vertices) {
  std::vector<ClipPath> rings;
  for (double scale : {1.0, -0.3}) {
    int count = scale > 0 ? vertices : std::max(3, vertices / 10);
    ClipPath ring;
    for (int i = 0; i < count; ++i) {
      double angle = 2 * std::numbers::pi * i / count * (scale > 0 ? 1 : -1);
      double radius = std::fabs(scale) * Uniform(1.4, 1.9);
      ring.push_back({2 + radius * std::cos(angle), 2 + radius * std::sin(angle)});
    }
    ring.push_back(ring.front());
    rings.push_back(ring);
  }
  return rings;
}

std::vector<ClipBox> Tiles() {
  std::vector<ClipBox> tiles;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) tiles.push_back({i * 1.0, j * 1.0, i + 1.0, j + 1.0});
  return tiles;
}

// Vertices per second: the run repeated until it has taken a second.
double Rate(std::size_t vertices_per_run, const std::function<std::size_t()>& run) {
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  std::size_t runs = 0, sink = 0;
  while (Clock::now() - start < std::chrono::seconds(1)) sink += run(), ++runs;
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (sink == 42) std::puts("");
  return static_cast<double>(runs * vertices_per_run) / seconds;
}

}  // namespace

int main() {
  const std::vector<ClipBox> tiles = Tiles();
  std::printf("%-8s %14s %14s %14s %14s\n", "vertices", "line", "line Boost", "region", "ring by ring");
  for (int vertices : {10, 100, 1000}) {
    std::vector<ClipPath> lines;
    std::vector<std::vector<ClipPath>> regions;
    for (int i = 0; i < 20; ++i) lines.push_back(Walk(vertices)), regions.push_back(Region(vertices));
    std::size_t line_vertices = 0, region_vertices = 0;
    for (const ClipPath& line : lines) line_vertices += line.size();
    for (const auto& region : regions)
      for (const ClipPath& ring : region) region_vertices += ring.size();

    double line_rate = Rate(line_vertices, [&] {
      std::size_t pieces = 0;
      for (const ClipPath& line : lines)
        for (const ClipBox& tile : tiles) pieces += mirvex::ClipPolyline(line, tile).size();
      return pieces;
    });
    std::vector<BoostLine> boost_lines;
    for (const ClipPath& line : lines) {
      BoostLine boost_line;
      for (ClipPoint point : line) boost_line.push_back(BoostPoint(point.x, point.y));
      boost_lines.push_back(boost_line);
    }
    double boost_line_rate = Rate(line_vertices, [&] {
      std::size_t pieces = 0;
      for (const BoostLine& line : boost_lines) {
        for (const ClipBox& tile : tiles) {
          bg::model::multi_linestring<BoostLine> cut;
          bg::intersection(bg::model::box<BoostPoint>({tile.west, tile.south}, {tile.east, tile.north}), line, cut);
          pieces += cut.size();
        }
      }
      return pieces;
    });
    double region_rate = Rate(region_vertices, [&] {
      std::size_t parts = 0;
      for (const auto& region : regions)
        for (const ClipBox& tile : tiles) parts += mirvex::ClipRegion(region, tile).size();
      return parts;
    });
    double ring_rate = Rate(region_vertices, [&] {
      std::size_t rings = 0;
      for (const auto& region : regions)
        for (const ClipBox& tile : tiles)
          for (const ClipPath& ring : region) rings += mirvex::ClipRing(ring, tile).empty() ? 0 : 1;
      return rings;
    });
    std::printf("%-8d %14.3g %14.3g %14.3g %14.3g\n", vertices, line_rate, boost_line_rate, region_rate, ring_rate);
  }
  std::puts("(input vertices per second, each object cut at all 16 tiles)");
}
