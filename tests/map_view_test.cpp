#include "mapview/map_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "garmin/map_crop.h"
#include "tests/conversion_fixture.h"
#include "tests/map_view_fixture.h"
#include "tests/test_support.h"

namespace mirvex::mapview {
namespace {

using test::CrLf;
using test::LoadedMif;
using test::LoadedTextMap;
using test::RecordingHost;
using test::ScratchDir;
using test::TextObject;
using test::WriteFile;

// --- Projection -----------------------------------------------------------------

TEST(MapView, GeographicMapIsDrawnWithTheCosineOfItsMiddleLatitude) {
  // A square of one degree at 60 degrees north: half as wide as high on the screen.
  LoadedTextMap map(TextObject("80", "", {{59.5, 10}, {60.5, 10}, {60.5, 11}, {59.5, 11}}));
  ASSERT_TRUE(map.view.geographic());
  EXPECT_NEAR(map.view.aspect(), 0.5, 1e-3);
  ScreenPoint south_west = map.view.ToScreen({10, 59.5});
  ScreenPoint north_east = map.view.ToScreen({11, 60.5});
  double width = north_east.x - south_west.x, height = south_west.y - north_east.y;
  EXPECT_NEAR(width / height, 0.5, 1e-3);
  // Fit: the map is centred and fills the viewport's height within its margin.
  EXPECT_NEAR((south_west.x + north_east.x) / 2, 400, 0.5);
  EXPECT_NEAR((south_west.y + north_east.y) / 2, 300, 0.5);
  EXPECT_NEAR(height, 600 * 0.95, 1);
}

// A map in a projection is drawn where the conversion writes it, in WGS 84 degrees;
// with the transformation off its metres are drawn as a plane's units.
TEST(MapView, ProjectedMapIsDrawnInWgs84Degrees) {
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), test::DictionaryBytes({}));
  WriteFile(dir.File("gk.mif"), CrLf({"CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0", "Columns 1",
                                      "  Name Char(10)", "Data", "", "Pline 2", "7412088.83566 6181724.275974",
                                      "7413088 6182724"}));
  WriteFile(dir.File("gk.mid"), "\"a\"\r\n");
  MapView view;
  RecordingHost host;
  view.SetViewportSize(800, 400);
  LoadResult result = view.LoadMif(dir.File("gk.mif"), dir.File("gk.mid"), ConversionOptions{}, dir.File(""), host);
  EXPECT_TRUE(view.geographic());
  EXPECT_NEAR(view.extent().min_x, 37.5982342, 1e-7);
  EXPECT_NEAR(view.extent().min_y, 55.7500215, 1e-7);
  EXPECT_EQ(Cp1251ToUtf8(result.coordinates_in_words), "Гаусс-Крюгер, зона 7, Пулково 1942 -> WGS 84");

  ConversionOptions copied;
  copied.to_wgs84 = false;
  result = view.LoadMif(dir.File("gk.mif"), dir.File("gk.mid"), copied, dir.File(""), host);
  EXPECT_FALSE(view.geographic());
  EXPECT_NEAR(view.extent().min_x, 7412088.83566, 1e-3);
  EXPECT_EQ(Cp1251ToUtf8(result.coordinates_in_words), "Гаусс-Крюгер, зона 7, Пулково 1942");
}

TEST(MapView, PlaneSheetKeepsItsUnits) {
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), test::DictionaryBytes({}));
  WriteFile(dir.File("plane.mif"), CrLf({"Version 300", "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)",
                                         "Columns 1", "  Name Char(10)", "Data", "", "Pline 2", "100 100", "900 500",
                                         "    Pen (1,2,0)"}));
  WriteFile(dir.File("plane.mid"), "\"a\"\r\n");
  MapView view;
  RecordingHost host;
  view.SetViewportSize(800, 400);
  view.LoadMif(dir.File("plane.mif"), dir.File("plane.mid"), ConversionOptions{}, dir.File(""), host);
  EXPECT_FALSE(view.geographic());
  EXPECT_EQ(view.aspect(), 1);
  ScreenPoint a = view.ToScreen({100, 100}), b = view.ToScreen({900, 500});
  EXPECT_NEAR((b.x - a.x) / (a.y - b.y), 2.0, 1e-6);
}

TEST(MapView, ZoomKeepsThePointUnderTheCursorAndPanMovesByPixels) {
  LoadedTextMap map(TextObject("40", "", {{50, 30}, {52, 34}}));
  MapView& view = map.view;
  struct Case {
    double x, y, factor;
  };
  for (Case c : {Case{100, 100, 2}, Case{700, 50, 0.5}, Case{400, 300, 8}, Case{0, 599, 1.25}}) {
    MapPoint before = view.ToMap(c.x, c.y);
    view.ZoomAt(c.x, c.y, c.factor);
    MapPoint after = view.ToMap(c.x, c.y);
    EXPECT_NEAR(after.x, before.x, 1e-9) << c.x << "," << c.y;
    EXPECT_NEAR(after.y, before.y, 1e-9) << c.x << "," << c.y;
  }
  MapPoint place{31, 51};
  ScreenPoint before = view.ToScreen(place);
  view.Pan(25, -40);
  ScreenPoint after = view.ToScreen(place);
  EXPECT_NEAR(after.x - before.x, 25, 1e-3);
  EXPECT_NEAR(after.y - before.y, -40, 1e-3);
  for (double x : {0.0, 123.5, 799.0}) {
    ScreenPoint back = view.ToScreen(view.ToMap(x, 77));
    EXPECT_NEAR(back.x, x, 1e-3);
    EXPECT_NEAR(back.y, 77, 1e-3);
  }
}


// --- Objects and styles ---------------------------------------------------------

TEST(MapView, ObjectUnderThePointGivesItsSectionTypeAndLabel) {
  std::string body = TextObject("80", "Lake", {{50, 30}, {50, 32}, {52, 32}, {52, 30}}) +
                     TextObject("40", "Road", {{49, 29}, {53, 33}}) + TextObject("10", "Well", {{50.5, 31.5}});
  LoadedTextMap map(body);
  MapView& view = map.view;
  struct Case {
    double lon, lat;
    const char* label;  // nullptr: nothing there
    const char* section;
  };
  const Case cases[] = {{31.5, 50.5, "Well", "[RGN10]"}, {31, 51, "Road", "[RGN40]"},
                        {30.5, 51.5, "Lake", "[RGN80]"}, {31.8, 50.2, "Lake", "[RGN80]"},
                        {33.5, 50, nullptr, ""},         {29.2, 52.8, nullptr, ""}};
  for (const Case& c : cases) {
    ScreenPoint at = view.ToScreen({c.lon, c.lat});
    std::optional<MapObjectInfo> info = view.ObjectAt(at.x, at.y);
    if (!c.label) {
      EXPECT_FALSE(info) << c.lon << "," << c.lat;
      continue;
    }
    ASSERT_TRUE(info) << c.lon << "," << c.lat;
    EXPECT_EQ(info->label, c.label);
    EXPECT_EQ(info->section, c.section);
    EXPECT_EQ(info->type, "0x01");
  }
}

TEST(MapView, CoordinateLinesInEveryNumberFormGiveTheValuesTheConversionReads) {
  struct Case {
    const char* line;
    double x, y;
  };
  // Plain decimals with and without sign, point or integer part; blanks and tabs
  // around them; and forms only the general parse reads: exponents, 16 digits and
  // more, a third token, a token that goes on past its number.
  const Case cases[] = {
      {"37.206455 54.197629", 37.206455, 54.197629},
      {"-0.5 -1.25", -0.5, -1.25},
      {"+3 4.", 3, 4},
      {".5 -.5", 0.5, -0.5},
      {"\t 7\t 8 \t", 7, 8},
      {"1e1 2E-1", 10, 0.2},
      {"1234567890.1234567 -0.0000000000000001", 1234567890.1234567, -1e-16},
      {"123456789012345 1", 123456789012345, 1},
      {"1.5 2.5 3.5", 1.5, 2.5},
      {"1.5x 2", 1.5, 2},
      {"-0 5", 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ScratchDir dir;
    WriteFile(dir.File("object.txt"), test::DictionaryBytes({}));
    WriteFile(dir.File("map.mif"), CrLf({"Version 300", "Columns 1", "  Name Char(10)", "Data", "Pline 2", c.line,
                                         c.line, "    Pen (1,2,0)"}));
    WriteFile(dir.File("map.mid"), "\"a\"\r\n");
    MapView view;
    RecordingHost host;
    LoadResult result = view.LoadMif(dir.File("map.mif"), dir.File("map.mid"), ConversionOptions{}, dir.File(""), host);
    EXPECT_EQ(result.notes, std::vector<std::string>{});
    ASSERT_EQ(view.objects_read(), 1u);
    EXPECT_EQ(view.extent().min_x, c.x);
    EXPECT_EQ(view.extent().max_x, c.x);
    EXPECT_EQ(view.extent().min_y, c.y);
    EXPECT_EQ(view.extent().max_y, c.y);
  }
}

TEST(MapView, MifObjectsTakeTheDictionarysSectionAndUnassignedOnesStandOut) {
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), test::DictionaryBytes({{"Неопределенный тип объекта", "0x10", "0x2f00", 0},
                                                           {"Дорога", "0x20", "0x01", 2},
                                                           {"Снесено", "Нет", "0x01", 0}}));
  // A region the dictionary turns into a polyline, one whose description it lacks,
  // and one it leaves out.
  WriteFile(dir.File("map.mif"), CrLf({"Version 300", "Columns 2", "  Type Char(20)", "  Name Char(20)", "Data",
                                       "Region 1", "4", "30 50", "32 50", "32 52", "30 50", "    Pen (1,2,0)",
                                       "Region 1", "4", "40 50", "42 50", "42 52", "40 50", "    Pen (1,2,0)",
                                       "Point 35 55", "    Symbol (35,0,12)"}));
  WriteFile(dir.File("map.mid"), Ru("\"Дорога\",\"Тракт\"\r\n\"Болото\",\"Мшара\"\r\n\"Снесено\",\"\"\r\n"));
  LoadedMif map(dir, 2, 1, 2);
  MapView& view = map.view;
  EXPECT_EQ(map.result.status, LoadStatus::kCompleted);
  EXPECT_EQ(map.result.notes, std::vector<std::string>{});

  ScreenPoint road = view.ToScreen({31, 50});
  std::optional<MapObjectInfo> info = view.ObjectAt(road.x, road.y);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->section, "[RGN40]");
  EXPECT_EQ(info->kind, MapObjectKind::kPolyline);
  EXPECT_EQ(info->assignment, Assignment::kAssigned);
  EXPECT_EQ(info->level, 2);
  EXPECT_EQ(info->label, Ru("Тракт"));
  EXPECT_EQ(info->description, Ru("Дорога"));

  ScreenPoint swamp = view.ToScreen({41.5, 50.5});
  info = view.ObjectAt(swamp.x, swamp.y);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->section, "[RGN80]");
  EXPECT_EQ(info->assignment, Assignment::kUnassigned);
  EXPECT_EQ(info->type, "0x2f00");
  EXPECT_NE(info->TooltipText().find(Ru("нет в словаре")), std::string::npos);

  ScreenPoint removed = view.ToScreen({35, 55});
  info = view.ObjectAt(removed.x, removed.y);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->assignment, Assignment::kLeftOut);

  // Each object is painted in the style of its assignment, and the legend names them.
  DrawList list = view.Draw();
  std::set<std::pair<int, std::uint8_t>> seen;  // (shape, stroke red)
  for (const DrawCommand& command : list.commands) {
    seen.insert({static_cast<int>(command.shape), command.style.stroke.r});
  }
  DrawStyle unassigned = MapView::StyleOf(MapObjectKind::kRegion, Assignment::kUnassigned, 0);
  DrawStyle assigned_line = MapView::StyleOf(MapObjectKind::kPolyline, Assignment::kAssigned, 2);
  EXPECT_TRUE(seen.count({static_cast<int>(DrawShape::kPolygon), unassigned.stroke.r}));
  EXPECT_TRUE(seen.count({static_cast<int>(DrawShape::kPolyline), assigned_line.stroke.r}));
  EXPECT_NE(unassigned.stroke, MapView::StyleOf(MapObjectKind::kRegion, Assignment::kAssigned, 0).stroke);
  EXPECT_GT(assigned_line.width, MapView::StyleOf(MapObjectKind::kPolyline, Assignment::kAssigned, 0).width);
  std::set<std::string> captions;
  for (const LegendEntry& entry : MapView::Legend()) captions.insert(entry.caption);
  EXPECT_EQ(captions.size(), MapView::Legend().size());
}

TEST(MapView, DrawingGivesScreenCommandsInPaintingOrderWithTheRectangleLast) {
  std::string body = TextObject("10", "Well", {{50.5, 31.5}}) + TextObject("40", "Road", {{49, 29}, {53, 33}}) +
                     TextObject("80", "Lake", {{50, 30}, {50, 32}, {52, 32}, {52, 30}});
  LoadedTextMap map(body);
  map.view.SetCropRectangle(CropBounds{52, 50, 30, 32});
  DrawList list = map.view.Draw();
  std::vector<DrawShape> shapes;
  for (const DrawCommand& command : list.commands) {
    if (command.shape != DrawShape::kLabel) shapes.push_back(command.shape);
    ASSERT_LE(command.first_point + command.point_count, list.points.size());
  }
  EXPECT_EQ(shapes, (std::vector<DrawShape>{DrawShape::kPolygon, DrawShape::kPolyline, DrawShape::kPointSymbol,
                                            DrawShape::kRectangle}));
  const DrawCommand& polygon = list.commands.front();
  EXPECT_EQ(polygon.ring_count, 1u);
  EXPECT_EQ(list.ring_sizes[polygon.first_ring], 4u);
  // The rectangle's corners are the crop bounds on the screen.
  const DrawCommand& rectangle = list.commands.back();
  ScreenPoint corner = map.view.ToScreen({30, 52});
  EXPECT_NEAR(list.points[rectangle.first_point].x, corner.x, 0.01);
  EXPECT_NEAR(list.points[rectangle.first_point].y, corner.y, 0.01);
  // Zoomed away from the map, nothing but the rectangle is left to paint.
  map.view.Pan(5000, 0);
  list = map.view.Draw();
  ASSERT_EQ(list.commands.size(), 1u);
  EXPECT_EQ(list.commands[0].shape, DrawShape::kRectangle);
}

// A region's label is painted after every shape: a region read later that overlaps it,
// a line or a point symbol does not cover it.
TEST(MapView, LabelsArePaintedOverEveryShape) {
  std::string body = TextObject("80", "First", {{50, 30}, {50, 32}, {52, 32}, {52, 30}}) +
                     TextObject("80", "", {{50.5, 30.5}, {50.5, 33}, {51.5, 33}, {51.5, 30.5}}) +
                     TextObject("40", "", {{49, 29}, {53, 33}}) + TextObject("10", "", {{51, 31}});
  LoadedTextMap map(body);
  DrawList list = map.view.Draw();
  std::size_t first_label = list.commands.size();
  for (std::size_t i = 0; i < list.commands.size(); ++i) {
    if (list.commands[i].shape == DrawShape::kLabel) {
      first_label = std::min(first_label, i);
    } else {
      EXPECT_LT(i, first_label) << "a shape painted after a label, command " << i;
    }
  }
  ASSERT_LT(first_label, list.commands.size());
  EXPECT_EQ(list.commands[first_label].text, "First");
}

// A window draws into the same list again and again, and the view keeps its working
// memory between drawings: nothing of one drawing may show in the next.
TEST(MapView, DrawingAgainIntoOneListGivesWhatAFreshViewDraws) {
  std::string body;
  for (int i = 0; i < 40; ++i) {
    double lat = 50 + (i % 8) * 0.3, lon = 30 + (i / 8) * 0.4;
    body += TextObject("80", "R" + std::to_string(i), {{lat, lon}, {lat, lon + 0.2}, {lat + 0.2, lon + 0.2}});
    body += TextObject("40", "L" + std::to_string(i), {{lat, lon}, {lat + 0.25, lon + 0.3}});
    body += TextObject("10", "P" + std::to_string(i), {{lat + 0.1, lon + 0.1}});
  }
  LoadedTextMap map(body);
  map.view.SetCropRectangle(CropBounds{52, 51, 30.5, 31});
  auto same = [](const DrawList& a, const DrawList& b) {
    if (a.commands.size() != b.commands.size() || a.ring_sizes != b.ring_sizes) return false;
    for (std::size_t i = 0; i < a.commands.size(); ++i) {
      const DrawCommand &x = a.commands[i], &y = b.commands[i];
      if (x.shape != y.shape || !(x.style == y.style) || x.first_point != y.first_point ||
          x.point_count != y.point_count || x.first_ring != y.first_ring || x.ring_count != y.ring_count ||
          x.text != y.text) {
        return false;
      }
    }
    for (std::size_t i = 0; i < a.points.size(); ++i) {
      if (a.points.size() != b.points.size() || a.points[i].x != b.points[i].x || a.points[i].y != b.points[i].y) {
        return false;
      }
    }
    return a.points.size() == b.points.size();
  };
  // The whole map, closer in, moved aside, far off (nothing in view), the whole map again.
  const struct {
    double zoom, dx, dy;
  } steps[] = {{1, 0, 0}, {6, 0, 0}, {1, 300, -200}, {1, 100000, 0}, {0, 0, 0}};
  DrawList list;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.zoom);
    if (step.zoom == 0) {
      map.view.Fit();
    } else {
      map.view.ZoomAt(400, 300, step.zoom);
      map.view.Pan(step.dx, step.dy);
    }
    map.view.Draw(list);
    LoadedTextMap fresh(body);
    fresh.view.SetCropRectangle(CropBounds{52, 51, 30.5, 31});
    fresh.view.SetCentre(map.view.centre());
    fresh.view.SetScale(map.view.scale());
    EXPECT_TRUE(same(list, fresh.view.Draw()));
  }
  EXPECT_FALSE(list.commands.empty());
}

// A label is drawn only where its text, measured in the label font, overlaps no other
// label; a wider font leaves out labels a narrower one had room for.
TEST(MapView, LabelsAreDrawnWhereTheyFitInTheirFont) {
  // Three points in a row, 0.01 degrees apart, and one far below them.
  LoadedTextMap map(TextObject("10", "Alpha", {{50, 30}}) + TextObject("10", "Bravo", {{50, 30.01}}) +
                    TextObject("10", "Charlie", {{50, 30.02}}) + TextObject("10", "Delta", {{49.9, 30}}));
  auto labels = [&] {
    std::set<std::string> drawn;
    DrawList list = map.view.Draw();
    for (const DrawCommand& command : list.commands) {
      if (command.shape == DrawShape::kLabel) drawn.insert(command.text);
    }
    return drawn;
  };
  map.view.Fit();
  double gap = map.view.ToScreen({30.01, 50}).x - map.view.ToScreen({30, 50}).x;
  ASSERT_GT(gap, 30);
  struct Case {
    float char_width;  // relative to the gap between the points
    std::set<std::string> expected;
  };
  const Case cases[] = {
      {0.15f, {"Alpha", "Bravo", "Charlie", "Delta"}},  // every label shorter than the gap
      {0.3f, {"Alpha", "Charlie", "Delta"}},            // "Alpha" reaches over "Bravo"
      {0.6f, {"Alpha", "Delta"}},                       // and over "Charlie"
  };
  for (const Case& c : cases) {
    map.view.SetLabelFont(c.char_width * static_cast<float>(gap), 14);
    EXPECT_EQ(labels(), c.expected) << "letter width " << c.char_width << " of the gap";
  }
}

// Every drawn vertex stands where the projection puts its map point (within the grid's
// pixel), whatever the view: fitted, zoomed at a corner, panned. Objects away from the
// first point read (the grid's origin) show whether the grid is placed right.
TEST(MapView, DrawnVerticesStandWhereTheProjectionPutsThem) {
  const std::vector<std::pair<double, double>> road = {{50.60, 36.50}, {50.64, 36.55}, {50.58, 36.48}};
  LoadedTextMap map(TextObject("40", "", {{50.61, 36.52}, {50.611, 36.521}}) + TextObject("40", "Road", road));
  auto check = [&](const char* where) {
    DrawList list = map.view.Draw(false);
    const DrawCommand* found = nullptr;
    for (const DrawCommand& command : list.commands) {
      if (command.point_count == road.size()) found = &command;
    }
    ASSERT_NE(found, nullptr) << where;
    const DrawCommand& line = *found;
    for (std::size_t i = 0; i < road.size(); ++i) {
      ScreenPoint expected = map.view.ToScreen({road[i].second, road[i].first});
      EXPECT_NEAR(list.points[line.first_point + i].x, expected.x, 1.0) << where << " vertex " << i;
      EXPECT_NEAR(list.points[line.first_point + i].y, expected.y, 1.0) << where << " vertex " << i;
    }
  };
  map.view.Fit();
  check("fitted");
  map.view.ZoomAt(300, 200, 2);
  check("zoomed");
  map.view.Pan(-40, 25);
  check("panned");
}


// --- Drawing what the pixels can show -------------------------------------------

// The screen squares of the point symbols drawn, looked up by pixel.
struct DrawnSquares {
  std::set<std::pair<int, int>> pixels;
  explicit DrawnSquares(const DrawList& list) {
    for (const DrawCommand& command : list.commands) {
      if (command.shape != DrawShape::kPointSymbol) continue;
      ScreenPoint at = list.points[command.first_point];
      int half = static_cast<int>(std::ceil(command.style.width / 2)) + 1;
      for (int dy = -half; dy <= half; ++dy) {
        for (int dx = -half; dx <= half; ++dx) {
          pixels.insert({static_cast<int>(std::floor(at.x)) + dx, static_cast<int>(std::floor(at.y)) + dy});
        }
      }
    }
  }
  bool Covers(ScreenPoint p) const {
    return pixels.count({static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))}) > 0;
  }
};

TEST(MapViewDrawing, CrowdedMapDrawsNoMoreSymbolsThanThePixelsShowAndHidesNoPoint) {
  // 100,000 points on a map seen whole at 400x300: far more than its pixels.
  std::string body;
  body.reserve(8u << 20);
  unsigned seed = 99;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 8) & 0xffff) / 65536.0;
  };
  std::vector<std::pair<double, double>> points;
  char object[128];
  for (int i = 0; i < 100000; ++i) {
    double lat = 50 + next(), lon = 30 + 1.6 * next();
    points.push_back({lat, lon});
    std::snprintf(object, sizeof object, "[RGN10]\r\nType=0x2f\r\nData0=(%.6f,%.6f)\r\n[END]\r\n", lat, lon);
    body += object;
  }
  LoadedTextMap map(body, 400, 300);
  ASSERT_EQ(map.result.status, LoadStatus::kCompleted);
  DrawList list = map.view.Draw(false);
  std::set<std::pair<int, int>> centres;
  std::size_t symbols = 0;
  for (const DrawCommand& command : list.commands) {
    ASSERT_EQ(command.shape, DrawShape::kPointSymbol);
    ScreenPoint at = list.points[command.first_point];
    EXPECT_TRUE(centres.insert({static_cast<int>(std::floor(at.x)), static_cast<int>(std::floor(at.y))}).second)
        << "two symbols on one pixel";
    ++symbols;
  }
  EXPECT_LT(symbols, 400u * 300u / 4) << "no more symbols than the pixels can show apart";
  // Yet every point of the map lies under a drawn symbol.
  DrawnSquares drawn(list);
  for (std::size_t i = 0; i < points.size(); i += 97) {
    ScreenPoint p = map.view.ToScreen({points[i].second, points[i].first});
    EXPECT_TRUE(drawn.Covers(p)) << "point " << i << " at " << p.x << "," << p.y;
  }
}

TEST(MapViewDrawing, ShapesReachingFarBeyondTheScreenAreCutAndStillCrossIt) {
  // A square region ten degrees wide and a road across it, seen from very close.
  std::string body = TextObject("80", "", {{45, 25}, {55, 25}, {55, 35}, {45, 35}}) +
                     TextObject("40", "", {{46, 26}, {54, 34}});
  LoadedTextMap map(body, 800, 600);
  MapView& view = map.view;
  view.SetCentre({30, 50});
  view.SetScale(view.scale() * 5000);
  DrawList list = view.Draw(false);
  const float w = 800, h = 600;
  const DrawCommand* polygon = nullptr;
  const DrawCommand* road = nullptr;
  for (const DrawCommand& command : list.commands) {
    if (command.shape == DrawShape::kPolygon) polygon = &command;
    if (command.shape == DrawShape::kPolyline) road = &command;
    for (std::uint32_t i = 0; i < command.point_count; ++i) {
      ScreenPoint p = list.points[command.first_point + i];
      EXPECT_TRUE(p.x >= -w && p.x <= 2 * w && p.y >= -h && p.y <= 2 * h) << p.x << "," << p.y;
    }
  }
  ASSERT_NE(polygon, nullptr);
  ASSERT_NE(road, nullptr);
  // The cut region still covers the screen: its middle is inside the drawn ring.
  bool inside = false;
  ScreenPoint centre{w / 2, h / 2};
  for (std::uint32_t i = 0, j = polygon->point_count - 1; i < polygon->point_count; j = i++) {
    ScreenPoint a = list.points[polygon->first_point + i], b = list.points[polygon->first_point + j];
    if ((a.y > centre.y) != (b.y > centre.y) && centre.x < (b.x - a.x) * (centre.y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  EXPECT_TRUE(inside);
  // The cut road crosses the screen where the projection puts it.
  ScreenPoint a = view.ToScreen({26, 46}), b = view.ToScreen({34, 54});
  ScreenPoint first = list.points[road->first_point], last = list.points[road->first_point + road->point_count - 1];
  EXPECT_LT(std::min(first.x, last.x), 0);
  EXPECT_GT(std::max(first.x, last.x), w);
  for (ScreenPoint p : {first, last}) {
    double cross = (static_cast<double>(b.x) - a.x) * (p.y - a.y) - (static_cast<double>(b.y) - a.y) * (p.x - a.x);
    double length = std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
    EXPECT_LT(std::fabs(cross / length), 1.0);
  }
}

TEST(MapViewDrawing, TinyPartIsADotAndLabelsComeAfterEveryShape) {
  // A road of two parts: a long one and one a few metres long, far from it.
  std::string body = "[RGN40]\r\nType=0x01\r\nLabel=Road\r\nData0=(50,30),(52,34)\r\nData0=(53,35),(53.00001,35.00001)\r\n"
                     "[END]\r\n" +
                     TextObject("80", "Lake", {{50, 30}, {50, 32}, {52, 32}, {52, 30}}) +
                     TextObject("10", "Well", {{51, 31}});
  LoadedTextMap map(body, 800, 600);
  DrawList list = map.view.Draw();
  std::vector<DrawShape> shapes;
  std::size_t last_shape = 0, first_label = list.commands.size();
  for (std::size_t i = 0; i < list.commands.size(); ++i) {
    const DrawCommand& command = list.commands[i];
    if (command.shape == DrawShape::kLabel) {
      first_label = std::min(first_label, i);
    } else {
      shapes.push_back(command.shape);
      last_shape = i;
    }
  }
  EXPECT_EQ(shapes, (std::vector<DrawShape>{DrawShape::kPolygon, DrawShape::kPolyline, DrawShape::kPointSymbol,
                                            DrawShape::kPointSymbol}));
  EXPECT_LT(last_shape, first_label);
  // The road's tiny part: a dot in the road's colour where the part lies.
  const DrawCommand& dot = list.commands[2];
  EXPECT_EQ(dot.style.stroke, MapView::StyleOf(MapObjectKind::kPolyline, Assignment::kAssigned, 0).stroke);
  ScreenPoint expected = map.view.ToScreen({35, 53});
  EXPECT_NEAR(list.points[dot.first_point].x, expected.x, 1.5);
  EXPECT_NEAR(list.points[dot.first_point].y, expected.y, 1.5);
  std::optional<MapObjectInfo> info = map.view.ObjectAt(expected.x, expected.y, 2);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->label, "Road");
  // And so it is at the coarsest level, where the part is a dot of the summary.
  map.view.SetScale(0.5 / map.view.CellSize(MapView::kLevels - 1));
  map.view.SetCentre({35, 53});
  ASSERT_EQ(map.view.LevelForScale(), MapView::kLevels - 1);
  expected = map.view.ToScreen({35, 53});
  info = map.view.ObjectAt(expected.x, expected.y, 2);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->label, "Road");
}

// --- Bad input and stopping -----------------------------------------------------

TEST(MapViewBadInput, DamagedTextMapDrawsWhatCanBeReadAndSaysSo) {
  std::string body = TextObject("40", "Before", {{50, 30}, {51, 31}}) + "Data0=(50.5,3" + std::string("\0\x01\xff", 3) +
                     "\r\n[RGN40]\r\nData0=(abc,def),(51,32\r\n[END]\r\n" + std::string(3000, '\x02') + "\r\n" +
                     TextObject("40", "After", {{52, 32}, {53, 33}});
  LoadedTextMap map(body);
  EXPECT_EQ(map.result.status, LoadStatus::kCompleted);
  ASSERT_FALSE(map.result.notes.empty());
  EXPECT_NE(map.result.notes[0].find(Ru("повреждена")), std::string::npos);
  EXPECT_EQ(map.view.objects_read(), 2u);
  for (auto [lon, lat, label] : {std::tuple{30.5, 50.5, "Before"}, std::tuple{32.5, 52.5, "After"}}) {
    ScreenPoint at = map.view.ToScreen({lon, lat});
    std::optional<MapObjectInfo> info = map.view.ObjectAt(at.x, at.y);
    ASSERT_TRUE(info) << label;
    EXPECT_EQ(info->label, label);
  }
}

// Each vertex of a Multipoint is a point of its own that carries the object's record;
// the points after the first were once compared with a vertex before the list's start.
TEST(MapView, MultipointGivesAPointPerVertexWithTheObjectsRecord) {
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), test::DictionaryBytes({{"Родник", "0x10", "0x6511", 0}}));
  WriteFile(dir.File("map.mif"), CrLf({"Version 300", "Columns 2", "  Type Char(20)", "  Name Char(20)", "Data",
                                       "Multipoint 4", "30 50", "30 50", "35 52", "40 54", "    Symbol (35,0,12)",
                                       "Point 45 56"}));
  WriteFile(dir.File("map.mid"), Ru("\"Родник\",\"Ключ\"\r\n\"Родник\",\"Исток\"\r\n"));
  LoadedMif map(dir, 2, 1, 2);
  MapView& view = map.view;
  EXPECT_EQ(map.result.notes, std::vector<std::string>{});
  EXPECT_EQ(view.objects_read(), 5u);
  EXPECT_EQ(view.extent().min_x, 30);
  EXPECT_EQ(view.extent().max_y, 56);
  for (auto [x, y, label] : {std::tuple{30.0, 50.0, "Ключ"}, {35.0, 52.0, "Ключ"}, {40.0, 54.0, "Ключ"},
                             {45.0, 56.0, "Исток"}}) {
    ScreenPoint at = view.ToScreen({x, y});
    std::optional<MapObjectInfo> info = view.ObjectAt(at.x, at.y, 1);
    ASSERT_TRUE(info) << x;
    EXPECT_EQ(info->section, "[RGN10]");
    EXPECT_EQ(info->type, "0x6511");
    EXPECT_EQ(info->label, Ru(label));
  }
}

TEST(MapViewBadInput, MifFaultsAreReportedAndWhatWasReadIsKept) {
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), test::DictionaryBytes({}));
  struct Case {
    const char* name;
    std::string mif;
    bool with_mid;
    std::uint64_t objects;
    const char* note;  // a word of the first note
  };
  const Case cases[] = {
      {"no data line", CrLf({"Version 300", "Columns 1"}), true, 0, "Data"},
      {"garbage inside", CrLf({"Data", "Pline 2", "1 1", "2 2", "Pen (1,2,0)", "Pline 2", "zz\x01\x02 qq", "3 3", "4 4",
                               "Pen (1,2,0)", "Point 5 5"}),
       true, 3, "повреждена"},
      {"missing MID", CrLf({"Data", "Point 5 5", "Point 6 6"}), false, 2, "MID"},
      {"cut off in a region", CrLf({"Data", "Region 1", "5", "1 1", "2 1", "2"}), true, 1, ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.path() / "map.mid");
    WriteFile(dir.File("map.mif"), c.mif);
    if (c.with_mid) WriteFile(dir.File("map.mid"), "a\r\nb\r\nc\r\nd\r\n");
    MapView view;
    RecordingHost host;
    LoadResult result = view.LoadMif(dir.File("map.mif"), dir.File("map.mid"), ConversionOptions{}, dir.File(""), host);
    EXPECT_EQ(view.objects_read(), c.objects) << c.name;
    if (*c.note) {
      ASSERT_FALSE(result.notes.empty()) << c.name;
      EXPECT_NE(result.notes[0].find(Ru(c.note)), std::string::npos) << c.name;
    }
    // Nothing pops up: the notes are for the binding to show.
    EXPECT_TRUE(host.messages.empty()) << c.name;
  }
}

// The view draws the objects the conversion writes: those with a coordinate that is
// no number ("1e", "1.2.3", "1e999") are left out of both, and the view says so.
TEST(MapViewBadInput, ObjectsTheConversionLeavesOutAreNotDrawn) {
  test::ConversionFixture run;
  run.options.section_from_mif = true;
  ASSERT_EQ(run.Run(CrLf({"Data", "", "Pline 2", "36.5 50.1", "36.51 1e", "    Pen (1,2,0)", "Pline 2", "1 1",
                          "2 2", "    Pen (1,2,0)", "Point 1.2.3 --1", "    Symbol (1,2,3)", "Multipoint 3", "5 6",
                          "7 1e999", "8 9", "    Symbol (1,2,3)", "Rect 1 2 3 4e", "    Pen (1,2,0)", "Line 1 2 3 4",
                          "    Pen (1,2,0)"}),
                    CrLf({"a,A", "b,B", "c,C", "d,D", "e,E", "f,F"})),
            OperationStatus::kCompleted);
  const SectionCounts& written = run.result.counts;
  ASSERT_EQ(written.points + written.polylines + written.regions, 4u);

  MapView view;
  RecordingHost host;
  LoadResult result = view.LoadMif(run.paths.mif, run.paths.mid, run.options, run.dir.File(""), host);
  EXPECT_EQ(view.objects_read(), 4u);
  ASSERT_EQ(result.notes.size(), 1u);
  EXPECT_TRUE(Cp1251ToUtf8(result.notes[0]).starts_with("4 объекта не показаны: в координатах есть текст"))
      << Cp1251ToUtf8(result.notes[0]);
  // Nothing of the left-out polyline near (36.5, 50.1) is drawn.
  EXPECT_LE(view.extent().max_y, 50.1);
  EXPECT_FALSE(view.ObjectAt(view.ToScreen({36.5, 50.1}).x, view.ToScreen({36.5, 50.1}).y, 2).has_value());
}

TEST(MapViewBadInput, LineWithoutLineEndsIsCutAndReported) {
  std::string body = TextObject("40", "Road", {{50, 30}, {51, 31}}) + "Label=" + std::string(9u << 20, 'x');
  LoadedTextMap map(body);
  EXPECT_EQ(map.view.objects_read(), 1u);
  bool reported = false;
  for (const std::string& note : map.result.notes) reported = reported || note.find(Ru("8 МБ")) != std::string::npos;
  EXPECT_TRUE(reported);
  EXPECT_LE(map.view.summary_bytes(), MapView::kDefaultBudget);
}

class StoppingHost : public RecordingHost {
 public:
  bool StopRequested() override { return true; }
};

TEST(MapViewStop, StopRequestEndsTheLoadKeepingWhatWasRead) {
  std::string body;
  for (int i = 0; i < 2000; ++i) body += TextObject("10", "", {{50 + i / 1000.0, 30}});
  ScratchDir dir;
  WriteFile(dir.File("map.mp"), body);
  MapView view;
  StoppingHost host;
  LoadResult result = view.LoadTextMap(dir.File("map.mp"), host);
  EXPECT_EQ(result.status, LoadStatus::kStopped);
  EXPECT_GT(view.objects_read(), 0u);
  EXPECT_LT(view.objects_read(), 2000u);
  ASSERT_FALSE(result.notes.empty());
  EXPECT_NE(result.notes.back().find(Ru("остановлена")), std::string::npos);
}

TEST(MapView, MissingFileFailsWithANote) {
  MapView view;
  RecordingHost host;
  LoadResult result = view.LoadTextMap("/nonexistent/map.mp", host);
  EXPECT_EQ(result.status, LoadStatus::kFailed);
  ASSERT_EQ(result.notes.size(), 1u);
  EXPECT_TRUE(view.empty());
  EXPECT_TRUE(view.Draw().commands.empty());
}
}  // namespace
}  // namespace mirvex::mapview
