#include "mapview/map_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/conversion_fixture.h"
#include "tests/map_view_fixture.h"
#include "tests/test_support.h"

// The map view's memory: a map of any size is held within the summary's budget, and
// what coarsening keeps still draws every shape larger than a cell.
namespace mirvex::mapview {
namespace {

using test::kTextMapHeader;
using test::LoadedMif;
using test::LoadedTextMap;
using test::RecordingHost;
using test::ScratchDir;
using test::TextObject;
using test::WriteFile;

// --- Memory and decimation ------------------------------------------------------

TEST(MapViewMemory, MillionObjectsStayWithinTheBudget) {
  ScratchDir dir;
  std::string body;
  body.reserve(64u << 20);
  body += kTextMapHeader;
  char object[160];
  unsigned seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xffff;
  };
  constexpr int kObjects = 1000000;
  for (int i = 0; i < kObjects; ++i) {
    double lat = 40 + next() / 4096.0, lon = 20 + next() / 2048.0;
    if (i % 4 == 0) {
      std::snprintf(object, sizeof object, "[RGN40]\r\nType=0x01\r\nLabel=L%d\r\nData0=(%.6f,%.6f),(%.6f,%.6f)\r\n[END]\r\n",
                    i, lat, lon, lat + 0.01, lon + 0.02);
    } else {
      std::snprintf(object, sizeof object, "[RGN10]\r\nType=0x2f\r\nLabel=P%d\r\nData0=(%.6f,%.6f)\r\n[END]\r\n", i,
                    lat, lon);
    }
    body += object;
  }
  WriteFile(dir.File("big.mp"), body);
  body = std::string();
  MapView view;
  RecordingHost host;
  view.SetViewportSize(1280, 800);
  LoadResult result = view.LoadTextMap(dir.File("big.mp"), host);
  EXPECT_EQ(result.status, LoadStatus::kCompleted);
  EXPECT_EQ(view.objects_read(), static_cast<std::uint64_t>(kObjects));
  EXPECT_LE(view.summary_bytes(), MapView::kDefaultBudget);
  EXPECT_GT(view.CellSize(0), 0);
  EXPECT_FALSE(view.Draw().commands.empty());
  // The bar reached its end.
  EXPECT_EQ(host.percent, "100");
}

// A map of `count` objects, all the shape `pairs` ((lat, lon) each) of a section:
// identical objects drawn over one another, as a generator or a careless export makes.
std::string RepeatedShapeMap(int count, const char* section, const std::vector<std::pair<double, double>>& pairs) {
  std::string object = TextObject(section, "", pairs), body;
  body.reserve(object.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) body += object;
  return body;
}

// The box of what the list draws, in pixels.
struct DrawnBox {
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
  explicit DrawnBox(const DrawList& list, DrawShape shape) {
    for (const DrawCommand& command : list.commands) {
      if (command.shape != shape) continue;
      for (std::uint32_t i = command.first_point; i < command.first_point + command.point_count; ++i) {
        left = std::min(left, list.points[i].x);
        right = std::max(right, list.points[i].x);
        top = std::min(top, list.points[i].y);
        bottom = std::max(bottom, list.points[i].y);
      }
    }
  }
};

// Many objects over one another outgrow the summary's memory: the view still draws
// their shapes, a little coarser at most, never a dot or nothing in their place. The
// budget is a tenth of the default here, so a tenth of the objects does what 200,000
// triangles and 460,000 polylines did with the default one.
TEST(MapViewMemory, ManyObjectsOverOneAnotherStillDrawTheirShapes) {
  constexpr std::size_t kBudget = MapView::kDefaultBudget / 10;
  const std::vector<std::pair<double, double>> triangle = {{50.0, 30.0}, {50.1, 30.2}, {50.2, 30.0}};
  struct Case {
    const char* name;
    std::string body;
    DrawShape shape;
  };
  const Case cases[] = {
      {"identical triangles", RepeatedShapeMap(20000, "80", triangle), DrawShape::kPolygon},
      {"identical polylines", RepeatedShapeMap(46000, "40", triangle), DrawShape::kPolyline},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedTextMap map("");
    WriteFile(map.dir.File("map.mp"), kTextMapHeader + c.body);
    map.view.SetMemoryBudget(kBudget);
    map.result = map.view.LoadTextMap(map.dir.File("map.mp"), map.host);
    ASSERT_EQ(map.result.status, LoadStatus::kCompleted);
    EXPECT_LE(map.view.summary_bytes(), kBudget);
    // The triangle fills the fitted view: its drawn box is the box of its corners.
    const DrawList list = map.view.Draw();
    const DrawnBox box(list, c.shape);
    const ScreenPoint west = map.view.ToScreen({30.0, 50.1}), east = map.view.ToScreen({30.2, 50.1});
    const ScreenPoint north = map.view.ToScreen({30.0, 50.2}), south = map.view.ToScreen({30.0, 50.0});
    EXPECT_NEAR(box.left, west.x, 3);
    EXPECT_NEAR(box.right, east.x, 3);
    EXPECT_NEAR(box.top, north.y, 3);
    EXPECT_NEAR(box.bottom, south.y, 3);
    ScreenPoint inside = map.view.ToScreen({30.05, 50.1});
    std::optional<MapObjectInfo> info = map.view.ObjectAt(inside.x, inside.y, 1);
    EXPECT_EQ(info.has_value(), c.shape == DrawShape::kPolygon);
  }

  // The same triangles in a MIF take the same way.
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), test::DictionaryBytes({}));
  std::string mif = "Version 300\r\nColumns 1\r\n  Name Char(10)\r\nData\r\n\r\n", mid;
  for (int i = 0; i < 20000; ++i) {
    mif += "Region 1\r\n  3\r\n30 50\r\n30.2 50.1\r\n30 50.2\r\n    Brush (2,16777215,0)\r\n";
    mid += "\"a\"\r\n";
  }
  WriteFile(dir.File("map.mif"), mif);
  WriteFile(dir.File("map.mid"), mid);
  LoadedMif loaded(dir, 1, 1, 0, kBudget);
  ASSERT_EQ(loaded.result.status, LoadStatus::kCompleted);
  const DrawnBox box(loaded.view.Draw(), DrawShape::kPolygon);
  EXPECT_NEAR(box.right - box.left, loaded.view.ToScreen({30.2, 50}).x - loaded.view.ToScreen({30, 50}).x, 3);
  EXPECT_NEAR(box.bottom - box.top, loaded.view.ToScreen({30, 50}).y - loaded.view.ToScreen({30, 50.2}).y, 3);
}

// A fan of distinct lines from one centre, too many for the budget: every line drawn
// still runs from the centre to the arc, and together they cover the half disc, where
// the coarsening used to leave a few lines, or one.
TEST(MapViewMemory, AFanOfManyLinesStaysAFan) {
  constexpr std::size_t kBudget = MapView::kDefaultBudget / 10;
  constexpr int kLines = 25000;
  std::string body;
  for (int i = 0; i < kLines; ++i) {
    double angle = 3.141592653589793 * i / (kLines - 1);
    body += TextObject("40", "", {{50.0, 30.0}, {50.0 + 0.2 * std::sin(angle), 30.0 + 0.2 * std::cos(angle)}});
  }
  LoadedTextMap map("");
  WriteFile(map.dir.File("map.mp"), kTextMapHeader + body);
  map.view.SetMemoryBudget(kBudget);
  map.result = map.view.LoadTextMap(map.dir.File("map.mp"), map.host);
  ASSERT_EQ(map.result.status, LoadStatus::kCompleted);
  EXPECT_LE(map.view.summary_bytes(), kBudget);
  const DrawList list = map.view.Draw();
  const double cell = map.view.CellSize(map.view.LevelForScale());
  std::set<int> directions;  // in whole degrees
  for (const DrawCommand& command : list.commands) {
    if (command.shape != DrawShape::kPolyline) continue;
    MapPoint first = map.view.ToMap(list.points[command.first_point].x, list.points[command.first_point].y);
    const ScreenPoint& end = list.points[command.first_point + command.point_count - 1];
    MapPoint last = map.view.ToMap(end.x, end.y);
    EXPECT_NEAR(first.x, 30.0, 2 * cell);
    EXPECT_NEAR(first.y, 50.0, 2 * cell);
    EXPECT_NEAR(std::hypot(last.x - 30.0, last.y - 50.0), 0.2, 3 * cell);
    directions.insert(static_cast<int>(std::lround(std::atan2(last.y - 50.0, last.x - 30.0) * 180 / 3.141592653589793)));
  }
  // Every whole degree of the half circle has a line.
  for (int degree = 0; degree <= 180; ++degree) EXPECT_TRUE(directions.contains(degree)) << degree;
}

TEST(MapViewMemory, EveryObjectLargerThanACellIsKeptAndSmallOnesOncePerCell) {
  // Fifty long lines, three degrees apart, and many points crowded far east of them; a
  // small budget forces the summary to coarsen several times.
  std::string body;
  for (int i = 0; i < 50; ++i) body += TextObject("40", "Big" + std::to_string(i), {{3 * i, 30}, {3 * i, 70}});
  std::vector<std::pair<double, double>> points;
  for (int k = 0; k < 120000; ++k) {
    // Distinct on the finest grid the summary starts with, within a few cells of its coarsest.
    double lon = 100 + std::ldexp(k % 1000, -16), lat = std::ldexp(k / 1000, -14);
    points.push_back({lon, lat});
    body += TextObject("10", "", {{lat, lon}});
  }
  LoadedTextMap map(body, 1280, 800);
  MapView& view = map.view;
  view.SetMemoryBudget(8u << 20);
  RecordingHost host;
  map.result = view.LoadTextMap(map.dir.File("map.mp"), host);
  ASSERT_EQ(map.result.status, LoadStatus::kCompleted);
  EXPECT_LE(view.summary_bytes(), 8u << 20);
  const int coarsest = MapView::kLevels - 1;
  const double cell = view.CellSize(coarsest);
  ASSERT_LT(cell, 1.5) << "the lines must be larger than a cell of the coarsest level, and two cells apart";
  EXPECT_GT(view.CellSize(0), std::ldexp(1.0, 4 - 20)) << "the budget should have made the summary coarsen";

  // Drawn at the coarsest level, each line is found where it lies.
  view.SetScale(1 / cell);
  ASSERT_EQ(view.LevelForScale(), coarsest);
  for (int i = 0; i < 50; ++i) {
    view.SetCentre({50, 3.0 * i});
    ScreenPoint at = view.ToScreen({50, 3.0 * i});
    std::optional<MapObjectInfo> info = view.ObjectAt(at.x, at.y, 1);
    ASSERT_TRUE(info) << i;
    EXPECT_EQ(info->label, "Big" + std::to_string(i));
  }
  // At every level the points are kept once per cell: the grid's origin is the first
  // vertex read.
  for (int level = 0; level < MapView::kLevels; ++level) {
    std::set<std::pair<long long, long long>> cells;
    double size = view.CellSize(level);
    for (auto [lon, lat] : points) {
      cells.insert({static_cast<long long>(std::floor((lon - 30) / size)), static_cast<long long>(std::floor(lat / size))});
    }
    EXPECT_EQ(view.StoredObjects(level), 50 + cells.size()) << level;
  }
  EXPECT_LT(view.StoredObjects(coarsest), points.size() / 100);
}

// Lines that zigzag through their boxes keep nearly all their vertices until the cells
// are as large as the boxes, so a small budget makes the summary coarsen by whole levels
// at once. Every level fine enough to show a line's shape still holds every line, with
// its own label.
TEST(MapViewMemory, CoarseningByWholeLevelsKeepsEveryLineWithItsLabel) {
  unsigned seed = 4242;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 8) & 0xffff) / 65536.0;
  };
  constexpr int kLines = 2000;
  std::string body;
  body.reserve(10u << 20);
  std::vector<std::pair<double, double>> first_vertices;
  for (int i = 0; i < kLines; ++i) {
    // Boxes of half a degree, a degree apart.
    double lat = 40 + i / 50, lon = 20 + i % 50;
    std::vector<std::pair<double, double>> pairs;
    for (int v = 0; v < 100; ++v) pairs.push_back({lat + 0.5 * next(), lon + 0.5 * next()});
    first_vertices.push_back({pairs[0].second, pairs[0].first});
    body += TextObject("40", "L" + std::to_string(i), pairs);
  }
  LoadedTextMap map(TextObject("10", "", {{40, 20}}), 1280, 800);
  WriteFile(map.dir.File("zigzag.mp"), kTextMapHeader + body);
  MapView& view = map.view;
  view.SetMemoryBudget(4u << 20);
  ASSERT_EQ(view.LoadTextMap(map.dir.File("zigzag.mp"), map.host).status, LoadStatus::kCompleted);
  EXPECT_EQ(view.objects_read(), static_cast<std::uint64_t>(kLines));
  EXPECT_LE(view.summary_bytes(), 4u << 20);
  int levels_checked = 0;
  for (int level = 0; level < MapView::kLevels; ++level) {
    // A box of half a degree spans more than two cells of at most a fifth of a degree.
    if (view.CellSize(level) > 0.2) continue;
    ++levels_checked;
    EXPECT_EQ(view.StoredObjects(level), static_cast<std::size_t>(kLines)) << level;
    view.SetScale(1 / view.CellSize(level));
    ASSERT_EQ(view.LevelForScale(), level);
    for (int i = 0; i < kLines; i += 53) {
      auto [lon, lat] = first_vertices[static_cast<std::size_t>(i)];
      view.SetCentre({lon, lat});
      ScreenPoint at = view.ToScreen({lon, lat});
      std::optional<MapObjectInfo> info = view.ObjectAt(at.x, at.y, 1);
      ASSERT_TRUE(info) << level << " " << i;
      EXPECT_EQ(info->label, "L" + std::to_string(i)) << level;
    }
  }
  EXPECT_GE(levels_checked, 2) << "cell of level 0: " << view.CellSize(0);
  EXPECT_GT(view.CellSize(0), std::ldexp(1.0, 6 - 20)) << "the budget should have made the summary coarsen";
}

// A single line too long for the budget makes the summary coarsen while it is being
// read: its vertices read so far move onto the coarser grid with it, so the line ends
// up stored where it lies and the map is read whole.
TEST(MapViewMemory, LineLargerThanTheBudgetIsCoarsenedWhileReadAndKept) {
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), test::DictionaryBytes({}));
  constexpr int kVertices = 400000;
  std::string mif = "Version 300\r\nColumns 1\r\n  Name Char(10)\r\nData\r\nPline " + std::to_string(kVertices) + "\r\n";
  mif.reserve(static_cast<std::size_t>(kVertices) * 24);
  char line[64];
  for (long long v = 0; v < kVertices; ++v) {
    // A zigzag through a box of a hundredth of a degree near 37, 55.
    std::snprintf(line, sizeof line, "%.6f %.6f\r\n", 37 + 0.01 * static_cast<double>((v * 7919) % 1000) / 1000,
                  55 + 0.01 * static_cast<double>((v * 104729) % 997) / 997);
    mif += line;
  }
  mif += "    Pen (1,2,0)\r\nPoint 38 56\r\n";
  WriteFile(dir.File("map.mif"), mif);
  WriteFile(dir.File("map.mid"), "\"Long\"\r\n\"Far\"\r\n");
  // The line's vertices alone take more than the budget.
  LoadedMif map(dir, 1, 0, 1, 3u << 20);
  MapView& view = map.view;
  ASSERT_EQ(map.result.status, LoadStatus::kCompleted);
  EXPECT_EQ(map.result.notes, std::vector<std::string>{});
  EXPECT_EQ(view.objects_read(), 2u);
  EXPECT_LE(view.summary_bytes(), 3u << 20);
  EXPECT_GT(view.CellSize(0), std::ldexp(1.0, 5 - 20)) << "the line should have made the summary coarsen";
  for (auto [x, y, label] : {std::tuple{37.005, 55.005, "Long"}, {38.0, 56.0, "Far"}}) {
    ScreenPoint at = view.ToScreen({x, y});
    std::optional<MapObjectInfo> info = view.ObjectAt(at.x, at.y, 4);
    ASSERT_TRUE(info) << label;
    EXPECT_EQ(info->label, label);
  }
}

// Objects whose parts lie far apart (a road of pieces, an archipelago) span the whole
// map, but each part is smaller than a cell of the coarser levels: those parts are dots,
// once per cell, so a small budget still holds every object and nothing is dropped.
TEST(MapViewMemory, PartsStrewnAcrossTheMapAreKeptAsDotsAndEveryObjectIsRead) {
  std::string body;
  body.reserve(8u << 20);
  unsigned seed = 777;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 8) & 0xffff) / 65536.0;
  };
  constexpr int kObjects = 30000;
  char line[128];
  for (int i = 0; i < kObjects; ++i) {
    body += "[RGN40]\r\nType=0x01\r\n";
    for (int part = 0; part < 3; ++part) {
      double lat = 50 + 6 * next(), lon = 30 + 10 * next();
      std::snprintf(line, sizeof line, "Data0=(%.6f,%.6f),(%.6f,%.6f)\r\n", lat, lon, lat + 0.001, lon + 0.002);
      body += line;
    }
    body += "[END]\r\n";
  }
  LoadedTextMap map(TextObject("10", "", {{53, 35}}), 1280, 800);
  WriteFile(map.dir.File("strewn.mp"), kTextMapHeader + body);
  MapView& view = map.view;
  view.SetMemoryBudget(2u << 20);
  LoadResult result = view.LoadTextMap(map.dir.File("strewn.mp"), map.host);
  ASSERT_EQ(result.status, LoadStatus::kCompleted);
  EXPECT_TRUE(result.notes.empty()) << result.notes.front();
  EXPECT_EQ(view.objects_read(), static_cast<std::uint64_t>(kObjects));
  EXPECT_LE(view.summary_bytes(), 2u << 20);
  // The coarsest level keeps about a dot per cell, not every object.
  EXPECT_LT(view.StoredObjects(MapView::kLevels - 1), static_cast<std::size_t>(kObjects / 10));
  EXPECT_FALSE(view.Draw().commands.empty());
}
}  // namespace
}  // namespace mirvex::mapview
