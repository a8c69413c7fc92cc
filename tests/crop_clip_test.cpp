// Cropping with the objects cut at the rectangle's edges.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/text.h"
#include "garmin/text_map_reader.h"
#include "operations/crop.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

struct Vertex {
  double latitude = 0, longitude = 0;
  bool operator==(const Vertex&) const = default;
};

// A coordinate line of the result: its key and its pairs.
struct ResultLine {
  std::string key;
  std::vector<Vertex> pairs;
};

// Twice the signed area of a ring (longitude east, latitude north): positive when it
// runs counter-clockwise.
double SignedArea(const std::vector<Vertex>& ring) {
  double sum = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Vertex& a = ring[i];
    const Vertex& b = ring[(i + 1) % ring.size()];
    sum += a.longitude * b.latitude - b.longitude * a.latitude;
  }
  return sum / 2;
}

bool HasVertex(const std::vector<Vertex>& ring, Vertex vertex) {
  for (const Vertex& v : ring) {
    if (v == vertex) return true;
  }
  return false;
}

class CropClipTest : public testing::Test {
 protected:
  CropClipTest() : paths_{dir_.File("map.mp"), dir_.File("cut.mp")} {
    // North 57, south 55, west 65, east 70.
    options_.north = 57;
    options_.south = 55;
    options_.west = 65;
    options_.east = 70;
    options_.clip_objects = true;
  }
  // The objects written for the object lines given, after the header.
  std::string Crop(const std::vector<std::string>& object) {
    std::string map = kHeader;
    for (const std::string& line : object) map += line + "\r\n";
    WriteFile(paths_.map, map);
    written_ = SectionCounts();
    EXPECT_EQ(CropMap(paths_, options_, dir_.File(""), host_, &written_), OperationStatus::kCompleted);
    std::string result = ReadFile(paths_.result);
    return result.substr(0, kCroppedHeader.size()) == kCroppedHeader ? result.substr(kCroppedHeader.size())
                                                                     : "header differs: " + result;
  }
  // The coordinate lines of a result.
  static std::vector<ResultLine> Lines(const std::string& text) {
    std::vector<ResultLine> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
      std::size_t end = text.find("\r\n", begin);
      if (end == std::string::npos) end = text.size();
      TextMapLine line = ReadTextMapLine(std::string_view(text).substr(begin, end - begin));
      if (line.kind == TextMapLineKind::kKey && line.key_kind == TextMapKey::kCoordinates) {
        ResultLine& result = lines.emplace_back();
        result.key = std::string(line.key);
        std::size_t at = 0;
        std::string_view latitude, longitude;
        while (NextCoordinatePair(line.value, at, latitude, longitude) == PairStep::kPair) {
          result.pairs.push_back({Value(latitude), Value(longitude)});
        }
      }
      begin = end + 2;
    }
    return lines;
  }

  const std::string kHeader = CrLf({"[IMG ID]", "ID=1", "[END-IMG ID]", ""});
  const std::string kCroppedHeader = CrLf({"", "[IMG ID]", "ID=1", "[END-IMG ID]", "", ""});

  ScratchDir dir_;
  CropPaths paths_;
  CropOptions options_;
  RecordingHost host_;
  SectionCounts written_;
};

TEST_F(CropClipTest, PolylinesAreCutAtTheEdges) {
  struct Case {
    const char* name;
    std::vector<std::string> data;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"leaving through the east edge", {"Data0=(56,68),(57,72)"}, {"Data0=(56,68),(56.5,70)"}},
      {"entering through the north edge", {"Data0=(58,66),(56,68)"}, {"Data0=(57,67),(56,68)"}},
      {"crossing from west to east", {"Data0=(55.5,64),(56.5,72)"}, {"Data0=(55.625,65),(56.25,70)"}},
      {"leaving and coming back", {"Data0=(56,66),(56,72),(56.5,72),(56.5,66)"},
       {"Data0=(56,66),(56,70)", "Data0=(56.5,70),(56.5,66)"}},
      {"each line of each level", {"Data0=(56,66),(56,72)", "Data1=(54,66),(56,66)", "Data1=(50,50),(51,51)"},
       {"Data0=(56,66),(56,70)", "Data1=(55,66),(56,66)"}},
      {"along an edge", {"Data0=(57,66),(57,68)"}, {"Data0=(57,66),(57,68)"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> object = {"[RGN40]", "Type=0x01", "Label=Road", "Levels=1", "DirIndicator=1"};
    object.insert(object.end(), c.data.begin(), c.data.end());
    object.push_back("[END-RGN40]");
    std::vector<std::string> expected = {"[RGN40]", "Levels=1", "Type=0x01", "Label=Road", "DirIndicator=1"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    expected.push_back("[END-RGN40]");
    std::string joined;
    for (const std::string& line : expected) joined += line + "\r\n";
    joined += "\r\n";  // the empty line after each object
    EXPECT_EQ(Crop(object), joined) << c.name;
  }
}

// The crossing point's coordinate on the edge is the bound itself, not a value a
// rounding step away from it.
TEST_F(CropClipTest, CrossingPointsLieExactlyOnTheEdge) {
  options_.west = 65.1;
  options_.north = 57.3;
  std::vector<ResultLine> lines = Lines(Crop({"[RGN40]", "Type=0x01", "Data0=(55.3,64.3),(56.9,65.9),(58.3,66.7)"}));
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].pairs.size(), 3u);
  EXPECT_EQ(lines[0].pairs.front().longitude, 65.1);
  EXPECT_EQ(lines[0].pairs.back().latitude, 57.3);
  EXPECT_EQ(lines[0].pairs[1], (Vertex{56.9, 65.9}));
}

TEST_F(CropClipTest, RegionAcrossACornerKeepsThePartInsideWithTheCorner) {
  std::string written = Crop({"[RGN80]", "Type=0x3c", "Label=Lake", "Levels=2",
                              "Data0=(56,69),(56,71),(58,71),(58,69)", "[END-RGN80]"});
  EXPECT_EQ(written.rfind(CrLf({"[RGN80]", "Levels=2", "Type=0x3c", "Label=Lake"}) + "Data0=(", 0), 0u) << written;
  EXPECT_EQ(written_.regions, 1);
  std::vector<ResultLine> lines = Lines(written);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].key, "Data0");
  const std::vector<Vertex>& ring = lines[0].pairs;
  EXPECT_EQ(ring.front(), ring.back()) << "the ring is closed";
  for (Vertex corner : {Vertex{56, 69}, Vertex{56, 70}, Vertex{57, 70}, Vertex{57, 69}}) {
    EXPECT_TRUE(HasVertex(ring, corner)) << corner.latitude << "," << corner.longitude;
  }
  EXPECT_EQ(ring.size(), 5u);
  EXPECT_DOUBLE_EQ(SignedArea(ring), 1.0);
}

TEST_F(CropClipTest, RegionAroundTheRectangleCoversIt) {
  std::vector<ResultLine> lines = Lines(Crop({"[RGN80]", "Type=0x3c", "Data0=(50,60),(50,80),(60,80),(60,60)"}));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].pairs.size(), 5u);
  EXPECT_DOUBLE_EQ(SignedArea(lines[0].pairs), 2 * 5);
}

TEST_F(CropClipTest, RegionHolesAreKeptInsideTheRectangle) {
  struct Case {
    const char* name;
    std::vector<std::string> data;
    std::size_t rings;
    double area;  // what the rings cover inside the rectangle
    Vertex covered, uncovered;
  };
  const Case cases[] = {
      // The outer ring crosses the east edge, the hole lies inside: the hole stays a hole.
      {"hole inside",
       {"Data0=(55.5,68),(55.5,72),(56.5,72),(56.5,68)", "Data0=(55.8,68.5),(56.2,68.5),(56.2,69),(55.8,69)"},
       2, 2 * 1 - 0.4 * 0.5, {56, 69.5}, {56, 68.75}},
      // The hole crosses the east edge too: its part inside stays uncovered.
      {"hole across the edge",
       {"Data0=(55.5,68),(55.5,72),(56.5,72),(56.5,68)", "Data0=(55.8,69),(56.2,69),(56.2,71),(55.8,71)"},
       1, 2 * 1 - 0.4 * 1, {56, 68.5}, {56, 69.5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> object = {"[RGN80]", "Type=0x3c"};
    object.insert(object.end(), c.data.begin(), c.data.end());
    std::vector<ResultLine> lines = Lines(Crop(object));
    ASSERT_EQ(lines.size(), c.rings);
    double area = 0;
    int crossings_of_covered = 0, crossings_of_uncovered = 0;
    for (const ResultLine& line : lines) {
      EXPECT_EQ(line.key, "Data0");
      area += SignedArea(line.pairs);
      for (const Vertex& v : line.pairs) {
        EXPECT_LE(v.longitude, 70);
        EXPECT_GE(v.longitude, 65);
      }
      // Even-odd: a ray to the east crosses the rings an odd number of times from a
      // covered point.
      for (std::size_t i = 0; i + 1 < line.pairs.size(); ++i) {
        const Vertex& a = line.pairs[i];
        const Vertex& b = line.pairs[i + 1];
        for (auto [point, count] : {std::pair{c.covered, &crossings_of_covered}, {c.uncovered, &crossings_of_uncovered}}) {
          if ((a.latitude > point.latitude) == (b.latitude > point.latitude)) continue;
          double x = a.longitude + (point.latitude - a.latitude) / (b.latitude - a.latitude) * (b.longitude - a.longitude);
          if (x > point.longitude) ++*count;
        }
      }
    }
    EXPECT_NEAR(area, c.area, 1e-9);
    EXPECT_EQ(crossings_of_covered % 2, 1);
    EXPECT_EQ(crossings_of_uncovered % 2, 0);
  }
}

TEST_F(CropClipTest, WhatLiesWhollyInsideOrNowhereInsideIsAsWithoutClipping) {
  const std::vector<std::vector<std::string>> objects = {
      {"[RGN40]", "Type=0x01", "Label=Road, north", "Data0=( 56.50,66.0),(56.5,67)"},
      {"[RGN80]", "Type=0x3c", "Data0=(56,66),(56,67),(56,68)", "Data0=(56.1,66.1),(56.2,66.2),(56.3,66.3)"},
      {"[RGN10]", "Type=0x2f", "Data0=(56,66)"},
      {"[RGN20]", "Type=0x2f", "Data0=(57,66)"},
      {"[RGN40]", "Type=0x01", "Data0=(50,50),(51,51)"},
      {"[RGN80]", "Type=0x3c", "Data0=(50,50),(50,51),(51,51)"},
  };
  for (const auto& object : objects) {
    SCOPED_TRACE(object.back());
    options_.clip_objects = false;
    std::string unclipped = Crop(object);
    options_.clip_objects = true;
    EXPECT_EQ(Crop(object), unclipped);
  }
}

TEST_F(CropClipTest, ObjectsWithNothingInsideAreLeftOutAndTheRestCounted) {
  std::string written = Crop({"[RGN40]", "Type=0x01", "Data0=(50,60),(58,60)", "[END-RGN40]",
                              "[RGN80]", "Type=0x3c", "Data0=(58,66),(58,67),(59,67)", "[END-RGN80]",
                              // Only touching the rectangle at a corner.
                              "[RGN40]", "Type=0x02", "Data0=(58,71),(57,70),(58,69)", "[END-RGN40]",
                              "[RGN40]", "Type=0x03", "Data0=(54,66),(58,66)", "[END-RGN40]",
                              "[RGN10]", "Type=0x2f", "Data0=(56,66)", "[END-RGN10]"});
  EXPECT_EQ(written, CrLf({"[RGN40]", "Levels=0", "Type=0x03", "Data0=(55,66),(57,66)", "[END-RGN40]", "",
                           "[RGN10]", "Levels=0", "Type=0x2f", "Data0=(56,66)", "[END-RGN10]", ""}));
  EXPECT_EQ(written_.polylines, 1);
  EXPECT_EQ(written_.regions, 0);
  EXPECT_EQ(written_.points, 1);
}

// A line whose pairs break off is cut from the pairs before the break.
TEST_F(CropClipTest, BrokenPairsEndTheLine) {
  EXPECT_EQ(Crop({"[RGN40]", "Type=0x01", "Data0=(56,66),(56,72),(56.5 66"}),
            CrLf({"[RGN40]", "Levels=0", "Type=0x01", "Data0=(56,66),(56,70)", "[END-RGN40]", ""}));
}

}  // namespace
}  // namespace mirvex::test
