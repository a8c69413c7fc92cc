// Finding places in a text map: the header's identity, the section of a line, the
// nearest vertex of a coordinate, and the lines a compiler cannot read.
#include "garmin/map_locator.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace mirvex::test {
namespace {

const std::string kMap = CrLf({
    "; comment",                                     // 1
    "[IMG ID]",                                      // 2
    "ID=10000001",                                   // 3
    "name = Vorsk_obl ",                             // 4
    "CodePage=1251",                                 // 5
    "[END-IMG ID]",                                  // 6
    "",                                              // 7
    "[RGN80]",                                       // 8
    "Type=0x4b00",                                   // 9
    "Data0=(50.6000,36.5050),(50.5995,36.5300),(50.6150,36.5350)",  // 10
    "[END-RGN80]",                                   // 11
    "[rgn40]",                                       // 12
    "Type=Lake",                                     // 13
    "Data0=(50.6150,36.5350), (50.6060,36.4970)",    // 14
    "Data1=",                                        // 15
    "[END-RGN40]",                                   // 16
    "[RGN10]",                                       // 17
    "Type=0x2f06",                                   // 18
    "Origin0=(95.0,36.5)",                           // 19
    "[END-RGN10]",                                   // 20
    "[RGN40]",                                       // 21
    "Type=0x40",                                     // 22
    "Data0=(5O.6150,36.4950),(50.6060",              // 23
    "[END-RGN40]",                                   // 24
});

PlaceRequest Request(PlaceQuery query) {
  PlaceRequest request;
  request.query = query;
  return request;
}

std::vector<MapPlace> Locate(PlaceRequest request) {
  std::vector<PlaceRequest> requests{std::move(request)};
  LocateInTextMapBytes(kMap, requests);
  return requests[0].found;
}

TEST(MapLocator, HeaderKeysInAnyCaseWithBlanksTrimmed) {
  ScratchDir dir;
  WriteFile(dir.path() / "map.mp", kMap);
  TextMapHeader header;
  ASSERT_TRUE(ReadTextMapHeader(dir.File("map.mp"), header));
  EXPECT_EQ(header.id, "10000001");
  EXPECT_EQ(header.name, "Vorsk_obl");
  EXPECT_EQ(header.code_page, "1251");
  EXPECT_FALSE(ReadTextMapHeader(dir.File("absent.mp"), header));
}

TEST(MapLocator, EachKindOfRequestFindsItsPlaces) {
  struct Case {
    const char* name;
    PlaceRequest request;
    std::vector<MapPlace> expected;
  };
  auto line = [](std::int64_t number) {
    PlaceRequest request = Request(PlaceQuery::kLine);
    request.line = number;
    return request;
  };
  auto coordinate = [](double latitude, double longitude) {
    PlaceRequest request = Request(PlaceQuery::kCoordinate);
    request.latitude = latitude;
    request.longitude = longitude;
    return request;
  };
  PlaceRequest token = Request(PlaceQuery::kBrokenCoordinates);
  token.token = "5O.6150";
  const Case cases[] = {
      {"a line of the header is in no section", line(3), {{0, "", 3}}},
      {"a section's own first line", line(8), {{1, "RGN80", 8}}},
      {"a section's end line", line(20), {{3, "RGN10", 20}}},
      {"a lower-case section name", line(13), {{2, "RGN40", 13}}},
      {"a line past the end", line(99), {}},
      // A vertex two polygons share is reported for both; one nearer wins over a farther.
      {"shared vertex", coordinate(50.6150, 36.5350), {{1, "RGN80", 10}, {2, "RGN40", 14}}},
      {"within the compiler's rounding", coordinate(50.600021, 36.504990), {{1, "RGN80", 10}}},
      {"too far from every vertex", coordinate(50.61, 36.52), {}},
      {"broken Data lines", Request(PlaceQuery::kBrokenCoordinates), {{2, "RGN40", 15}, {4, "RGN40", 23}}},
      {"the broken line holding the token", token, {{4, "RGN40", 23}}},
      {"types no section can hold", Request(PlaceQuery::kBadType), {{2, "RGN40", 13}, {4, "RGN40", 22}}},
      {"latitude beyond 90", Request(PlaceQuery::kCoordinateOutOfRange), {{3, "RGN10", 19}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Locate(c.request), c.expected) << c.name;
}

// Coordinates no compiler can place: beyond the globe, beyond a double, or no number
// at all (NaN), in either place of the pair. Those a double holds within range are not.
TEST(MapLocator, CoordinatesOutOfRangeIncludeInfiniteAndNaN) {
  struct Case {
    const char* data;
    bool out_of_range;
  };
  const Case cases[] = {
      {"(50.6,36.5),(1e400,36.5)", true}, {"(50.6,1e400)", true},   {"(-1e400,36.5)", true},
      {"(NaN,36.5)", true},               {"(50.6,nan)", true},     {"(inf,36.5)", true},
      {"(50.6,-Infinity)", true},         {"(90.0001,36.5)", true}, {"(50.6,-180.5)", true},
      {"(90,180)", false},                {"(-90,-180)", false},    {"(1e-400,36.5)", false},
      {"(5e1,+3.65e1)", false},           {"(1e,36.5)", false},     {"(5O.6,36.5)", false},
  };
  for (const Case& c : cases) {
    std::vector<PlaceRequest> requests{Request(PlaceQuery::kCoordinateOutOfRange)};
    LocateInTextMapBytes(CrLf({"[RGN40]", "Type=0x01", std::string("Data0=") + c.data, "[END-RGN40]"}), requests);
    std::vector<MapPlace> expected;
    if (c.out_of_range) expected.push_back({1, "RGN40", 3});
    EXPECT_EQ(requests[0].found, expected) << c.data;
  }
}

TEST(MapLocator, ManyPlacesAreCountedBeyondTheLimit) {
  std::string map;
  for (std::size_t i = 0; i < kMaxPlaces + 5; ++i) map += CrLf({"[RGN80]", "Type=x", "Data0=(1,2)", "[END-RGN80]"});
  std::vector<PlaceRequest> requests{Request(PlaceQuery::kBadType)};
  LocateInTextMapBytes(map, requests);
  EXPECT_EQ(requests[0].found.size(), kMaxPlaces);
  EXPECT_EQ(requests[0].more, 5);
  EXPECT_EQ(requests[0].found.back(), (MapPlace{static_cast<int>(kMaxPlaces), "RGN80", kMaxPlaces * 4 - 2}));
}

// The types mkgmap 4905 accepted and refused when the sample was compiled with each.
TEST(MapLocator, TypesAsTheCompilerTakesThem) {
  struct Case {
    const char* kind;
    const char* type;
    bool fits;
  };
  const Case cases[] = {
      {"RGN80", "0x7f", true},     {"RGN80", "0x80", false},   {"RGN80", "0x4a", true},
      {"RGN80", "0x4b00", true},   {"RGN80", "0x10e1f", true}, {"RGN80", "0x10e20", false},
      {"RGN80", "0x99999", false}, {"RGN80", "Lake", false},   {"RGN80", "", false},
      {"RGN80", "0x01  ", true},   {"RGN40", "0x3f", true},    {"RGN40", "0x40", false},
      {"RGN40", "0x1000", true},   {"RGN10", "0x06", true},    {"RGN10", "0x2f06", true},
      {"RGN10", "0xffff", false},  {"RGN10", "0x1ffff", false}, {"RGN10", "12", true},
      {"RGN10", "-5", false},      {"RGN10", "0x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(TypeFitsSection(c.kind, c.type), c.fits) << c.kind << " " << c.type;
}

TEST(MapLocator, CoordinatePairs) {
  struct Case {
    const char* value;
    bool valid;
    std::size_t pairs;
  };
  const Case cases[] = {
      {"(50.6,36.5)", true, 1},
      {"(50.6,36.5),(50.7,36.6)", true, 2},
      {" (50.6, 36.5) , (-50.7,+36.6) ", true, 2},
      {"(5e1,36)", true, 1},
      {"", false, 0},
      {"(50.6,36.5),(50.7", false, 0},
      {"(50.6)", false, 0},
      {"(5O.6,36.5)", false, 0},
      {"50.6,36.5", false, 0},
      {"(50.6,36.5)x", false, 0},
      {"(50.6,,36.5)", false, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<double, double>> pairs;
    EXPECT_EQ(ParseCoordinatePairs(c.value, pairs), c.valid) << c.value;
    if (c.valid) {
      EXPECT_EQ(pairs.size(), c.pairs) << c.value;
    }
  }
}

}  // namespace
}  // namespace mirvex::test
