// Splitting a text map into tiles: the plan covers the map with tiles of similar size,
// every object lands in exactly one tile whole or in several as pieces, and a tile's
// line is told as the original's.
#include "garmin/map_tiles.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "garmin/text_map_reader.h"
#include "operations/compile_tiles.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

std::string Pairs(const std::vector<std::pair<double, double>>& points) {
  std::string text;
  for (const auto& [x, y] : points) {
    if (!text.empty()) text += ',';
    text += "(" + NumberText(y) + "," + NumberText(x) + ")";
  }
  return text;
}

std::string Object(const char* section, int n, const std::vector<std::vector<std::pair<double, double>>>& parts) {
  std::string text = std::string("[") + section + "]\r\nType=0x01\r\nLabel=Object " + std::to_string(n) +
                     "\r\nLevels=1\r\n";
  for (const auto& part : parts) text += "Data0=" + Pairs(part) + "\r\n";
  return text + "[END]\r\n\r\n";
}

const char kHeader[] = "[IMG ID]\r\nID=12345670\r\nName=Area\r\nLevels=2\r\nLevel0=24\r\nLevel1=18\r\n[END-IMG ID]\r\n\r\n";

// Each object of a tile: its label, whether it is a piece, and its first line.
struct TileObject {
  std::string label;
  bool piece = false;
  std::vector<std::string> data;
};

std::vector<TileObject> ObjectsOf(const std::string& tile) {
  std::vector<TileObject> objects;
  std::size_t at = 0;
  bool in_object = false;
  while (at < tile.size()) {
    std::size_t end = tile.find("\r\n", at);
    std::string line = tile.substr(at, end - at);
    at = end + 2;
    if (line.rfind(";@", 0) == 0) {
      objects.push_back({});
      objects.back().piece = line.find("piece") != std::string::npos;
      in_object = true;
    } else if (in_object && line.rfind("Label=", 0) == 0) {
      objects.back().label = line.substr(6);
    } else if (in_object && line.rfind("Data0=", 0) == 0) {
      objects.back().data.push_back(line.substr(6));
    }
  }
  return objects;
}

class MapTiles : public testing::Test {
 protected:
  std::string Write(const std::string& map, int tile_count, TilePlan& plan, std::vector<TileFile>& files) {
    std::string path = dir_.File("map.mp");
    test::WriteFile(path, map);
    auto keep_going = [] { return true; };
    EXPECT_EQ(PlanTiles(path, tile_count, keep_going, plan), TileReadEnd::kRead);
    std::string failed;
    EXPECT_EQ(WriteTiles(path, plan, dir_.File(""), "1251", keep_going, files, failed), TileReadEnd::kRead) << failed;
    return path;
  }
  test::ScratchDir dir_;
};

TEST_F(MapTiles, EveryObjectLandsWholeInOneTileOrAsPiecesInSeveral) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> x(36, 40), y(54, 57), step(-0.05, 0.05);
  std::string map = kHeader;
  const int kObjects = 600;
  for (int n = 0; n < kObjects; ++n) {
    double x0 = x(random), y0 = y(random);
    if (n % 3 == 0) {
      map += Object("RGN10", n, {{{x0, y0}}});
    } else if (n % 3 == 1) {
      std::vector<std::pair<double, double>> line = {{x0, y0}};
      // Some lines run across the whole map, leaving and entering tiles.
      int length = n % 10 == 1 ? 40 : 4;
      for (int i = 0; i < length; ++i) line.push_back({line.back().first + 0.1, line.back().second + step(random)});
      map += Object("RGN40", n, {line});
    } else {
      double r = n % 10 == 2 ? 1.2 : 0.02;
      map += Object("RGN80", n, {{{x0 - r, y0 - r}, {x0 + r, y0 - r}, {x0 + r, y0 + r}, {x0 - r, y0 + r}, {x0 - r, y0 - r}}});
    }
  }
  TilePlan plan;
  std::vector<TileFile> files;
  Write(map, 4, plan, files);
  ASSERT_EQ(plan.tiles.size(), 4u);
  ASSERT_EQ(files.size(), 4u);

  std::map<std::string, int> whole, pieces;
  std::vector<std::string> numbers;
  for (const TileFile& file : files) {
    std::string tile = test::ReadFile(file.path);
    numbers.push_back(file.map_number);
    // The map's header with the tile's own ID and Name, and the code page added.
    EXPECT_NE(tile.find("ID=" + file.map_number + "\r\n"), std::string::npos);
    EXPECT_NE(tile.find("Name=Area " + file.path.substr(file.path.size() - 6, 3) + "\r\n"), std::string::npos);
    EXPECT_NE(tile.find("CodePage=1251\r\n"), std::string::npos);
    for (const TileObject& object : ObjectsOf(tile)) (object.piece ? pieces : whole)[object.label]++;
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"12345671", "12345672", "12345673", "12345674"}));
  for (int n = 0; n < kObjects; ++n) {
    std::string label = "Object " + std::to_string(n);
    bool once_whole = whole[label] == 1 && pieces[label] == 0;
    bool as_pieces = whole[label] == 0 && pieces[label] >= 2;
    EXPECT_TRUE(once_whole || as_pieces) << label << ": whole " << whole[label] << ", pieces " << pieces[label];
    if (n % 3 == 0) {
      EXPECT_TRUE(once_whole) << label;  // a point is never cut
    }
  }
  // The long lines and the large squares cross tile edges.
  EXPECT_GT(pieces.size(), 20u);
}

TEST_F(MapTiles, TilesCoverTheMapAndShareItsBytes) {
  // Nine tenths of the objects in the west: the cut follows the bytes, not the area.
  std::string map = kHeader;
  std::mt19937 random(3);
  std::uniform_real_distribution<double> western(30, 31), eastern(31, 40), y(50, 51);
  for (int n = 0; n < 2000; ++n) {
    map += Object("RGN10", n, {{{n % 10 == 0 ? eastern(random) : western(random), y(random)}}});
  }
  TilePlan plan;
  std::vector<TileFile> files;
  Write(map, 4, plan, files);
  double area = 0;
  for (const ClipBox& tile : plan.tiles) {
    EXPECT_LT(tile.west, tile.east);
    EXPECT_LT(tile.south, tile.north);
    area += (tile.east - tile.west) * (tile.north - tile.south);
  }
  double west = plan.tiles[0].west, east = plan.tiles[0].east, south = plan.tiles[0].south, north = plan.tiles[0].north;
  for (const ClipBox& tile : plan.tiles) {
    west = std::min(west, tile.west);
    east = std::max(east, tile.east);
    south = std::min(south, tile.south);
    north = std::max(north, tile.north);
  }
  EXPECT_NEAR(area, (east - west) * (north - south), 1e-9 * area);  // no overlap, no gap
  for (const TileFile& file : files) {
    EXPECT_GT(file.objects, 2000u / 4 * 7 / 10) << file.path;
    EXPECT_LT(file.objects, 2000u / 4 * 13 / 10) << file.path;
  }
}

TEST_F(MapTiles, PiecesAreCutOnTheEdgeAndKeepTheKeys) {
  std::string map = kHeader + Object("RGN40", 1, {{{30, 50}, {32, 50}}}) + Object("RGN10", 2, {{{30.5, 50}}}) +
                    Object("RGN10", 3, {{{31.5, 50.5}}});
  TilePlan plan;
  std::vector<TileFile> files;
  Write(map, 2, plan, files);
  ASSERT_EQ(files.size(), 2u);
  double cut = plan.tiles[0].east;
  ASSERT_GT(cut, 30);
  ASSERT_LT(cut, 32);
  std::string tile = test::ReadFile(files[0].path);
  std::vector<TileObject> objects = ObjectsOf(tile);
  ASSERT_FALSE(objects.empty());
  EXPECT_TRUE(objects[0].piece);
  EXPECT_NE(tile.find("Type=0x01\r\nLabel=Object 1\r\nLevels=1\r\nData0=(50,30),(50," + NumberText(cut) + ")\r\n[END]"),
            std::string::npos)
      << tile;
}

TEST_F(MapTiles, TileLinesAreToldAsTheOriginals) {
  std::string map = kHeader + Object("RGN40", 1, {{{30, 50}, {32, 50}}}) + Object("RGN10", 2, {{{30.5, 50}}});
  TilePlan plan;
  std::vector<TileFile> files;
  std::string path = Write(map, 2, plan, files);
  // The original: the header's 7 lines and a blank, the line object from line 9, a
  // blank, the point from line 16 with its Data0 on line 20.
  std::string tile = test::ReadFile(files[0].path);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < tile.size();) {
    std::size_t end = tile.find("\r\n", at);
    lines.push_back(tile.substr(at, end - at));
    at = end + 2;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto tile_line = static_cast<std::int64_t>(i + 1);
    if (lines[i] == "Label=Object 1") {
      EXPECT_EQ(OriginalLine(files[0].path, tile_line), 9);  // a piece: its first line
    }
    if (lines[i] == "Data0=(50,30.5)") {
      EXPECT_EQ(OriginalLine(files[0].path, tile_line), 20);
    }
  }
  EXPECT_EQ(OriginalLine(files[0].path, 1), 0);  // the header
}

// An object with no position to place it by (no Data line, or one that does not read)
// goes to the first tile as it stands, where the compiler reports it, marked with its
// original line; it is not dropped without a word.
TEST_F(MapTiles, AnObjectWithoutAPositionGoesToTheFirstTileAsItStands) {
  const std::string no_data = "[RGN10]\r\nType=0x2f00\r\nLabel=Object 3\r\n[END]\r\n\r\n";
  const std::string broken = "[RGN40]\r\nType=0x01\r\nLabel=Object 4\r\nData0=(5O.1,30)\r\n[END]\r\n\r\n";
  std::string map = kHeader + Object("RGN40", 1, {{{30, 50}, {30.2, 50}}}) + no_data +
                    Object("RGN40", 2, {{{32, 50}, {32.2, 50}}}) + broken;
  TilePlan plan;
  std::vector<TileFile> files;
  Write(map, 2, plan, files);
  ASSERT_EQ(files.size(), 2u);
  std::string first = test::ReadFile(files[0].path);
  // Each as it stands, without the blank line after it.
  for (const std::string& object : {no_data.substr(0, no_data.size() - 2), broken.substr(0, broken.size() - 2)}) {
    std::size_t at = first.find(object);
    ASSERT_NE(at, std::string::npos) << object << first;
    std::int64_t tile_line = 1 + std::count(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    std::int64_t map_line = 1 + std::count(map.begin(), map.begin() + static_cast<std::ptrdiff_t>(map.find(object)), '\n');
    EXPECT_EQ(OriginalLine(files[0].path, tile_line), map_line) << object;
    EXPECT_EQ(test::ReadFile(files[1].path).find(object), std::string::npos) << object;
  }
}

TEST(TilingChoice, SmallMapsWholeBigOnesTiledWithinMemory) {
  const std::uint64_t mb = 1 << 20;
  struct Case {
    std::uint64_t map_bytes;
    unsigned cores;
    std::uint64_t available;
    int tiles, jobs;
  };
  const std::vector<Case> cases = {
      {10 * mb, 2, 8192 * mb, 1, 1},
      {kTilingThreshold, 2, 8192 * mb, 1, 1},
      {60 * mb, 2, 8192 * mb, 4, 2},
      {200 * mb, 2, 8192 * mb, 13, 2},
      {200 * mb, 16, 8192 * mb, 13, 7},   // as many heaps as three quarters of the memory hold
      {200 * mb, 8, 0, 13, 8},            // memory unknown: one job a core
      {200 * mb, 8, 1024 * mb, 13, 1},    // too little memory for two
      {4608 * mb, 2, 8192 * mb, 288, 2},
  };
  for (const Case& c : cases) {
    TilingChoice choice = ChooseTiling(c.map_bytes, c.cores, c.available);
    EXPECT_EQ(choice.tiles, c.tiles) << c.map_bytes / mb;
    EXPECT_EQ(choice.jobs, c.jobs) << c.map_bytes / mb << " MB, " << c.cores << " cores";
    if (c.available > 0 && choice.tiles > 1 && choice.jobs > 1) {
      EXPECT_LE(choice.heap_megabytes * mb, c.available);
    }
  }
  // Asked for small tiles, a small map is tiled.
  EXPECT_EQ(ChooseTiling(100000, 2, 0, 30000).tiles, 4);
}

TEST(TileProgress, CountsTheTilesMkgmapFinished) {
  // Five tiles, two jobs: a tile is done when two more have started after it.
  TileProgress progress(5, 2);
  const std::vector<std::pair<std::string, int>> log = {
      {"2026/12/10 09:31:29 INFO (Main): Submitting job tile-001.mp", 0},
      {"2026/12/10 09:31:29 INFO (MapMaker): tile-001.mp: Started loading tile-001.mp", 0},
      {"2026/12/10 09:31:29 INFO (MapMaker): tile-002.mp: Started loading tile-002.mp", 0},
      {"2026/12/10 09:31:33 INFO (MapMaker): tile-003.mp: Started loading tile-003.mp", 1},
      {"2026/12/10 09:31:36 INFO (MapMaker): tile-004.mp: Started loading tile-004.mp", 2},
      {"2026/12/10 09:31:39 INFO (MapMaker): tile-005.mp: Started loading tile-005.mp", 3},
      {"2026/12/10 09:31:43 INFO (Main): Combining maps", 5},
  };
  for (const auto& [line, done] : log) {
    progress.Line(line);
    EXPECT_EQ(progress.done(), done) << line;
  }
}

}  // namespace
}  // namespace mirvex
