#include "mapinfo/mif_header.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/cp1251.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

constexpr std::size_t kMiB = 1 << 20;

// A MIF header with its usual items around the given lines.
std::string Header(const std::string& middle) {
  return "Version 300\r\nCharset \"WindowsCyrillic\"\r\nDelimiter \",\"\r\n" + middle +
         "Data\r\n\r\nPoint 37.6 55.7\r\n";
}

struct ColumnsCase {
  const char* name;
  std::string mif;
  std::optional<std::string> text;
};

TEST(FindColumnCountText, TakesTheTextAfterTheKeywordToTheLineEnd) {
  const ColumnsCase cases[] = {
      {"upper case", Header("COLUMNS 3\r\n  Name Char(20)\r\n"), "3"},
      {"lower case", Header("columns 3\r\n"), "3"},
      {"mixed case", Header("CoLuMnS 3\r\n"), "3"},
      {"CR LF", Header("Columns 12\r\n  Name Char(20)\r\n"), "12"},
      {"two blanks", Header("Columns  4\r\n"), " 4"},
      {"LF only", "Version 300\nColumns 5\nName Char(10)\nData\n", "5"},
      {"CR only", "Version 300\rColumns 6\rName Char(10)\r", "6"},
      {"end of file", "Columns 7", "7"},
      {"blanks after", "Columns 8  \r\n", "8  "},
      {"keyword ends its line", "Columns\r\n9\r\n", ""},
      {"keyword ends the file", "Columns", ""},
      {"first one counts", Header("Columns 2\r\n") + "Text \"Columns 9\"\r\n", "2"},
      {"restart after a partial match", "xcolcolumns 4\r\n", "4"},
      {"straddles 1000 bytes", std::string(997, ' ') + "Columns 6\r\n", "6"},
      {"straddles 1 MiB", std::string(kMiB - 3, ' ') + "columns 11\r\n", "11"},
      {"line end beyond 1 MiB", std::string(kMiB - 10, ' ') + "Columns 12345678901\r\n",
       "12345678901"},
      {"long line is cut", "Columns " + std::string(1500, '7') + "\r\n", std::string(1000, '7')},
      {"absent", Header("Colums 3\r\n"), std::nullopt},
      {"empty file", "", std::nullopt},
  };
  test::ScratchDir scratch;
  for (const auto& c : cases) {
    std::string path = scratch.File("map.mif");
    test::WriteFile(path, c.mif);
    EXPECT_EQ(FindColumnCountText(path), c.text) << c.name;
  }
}

struct BoundsCase {
  const char* name;
  std::string mif;
  std::optional<Bounds> bounds;
};

void ExpectBounds(const std::optional<Bounds>& actual, const std::optional<Bounds>& expected,
                  const char* name) {
  ASSERT_EQ(actual.has_value(), expected.has_value()) << name;
  if (!expected) return;
  EXPECT_EQ(actual->x1, expected->x1) << name;
  EXPECT_EQ(actual->y1, expected->y1) << name;
  EXPECT_EQ(actual->x2, expected->x2) << name;
  EXPECT_EQ(actual->y2, expected->y2) << name;
}

TEST(FindBounds, ReadsTheTwoPairsAfterTheKeyword) {
  const std::string coord_sys = "CoordSys NonEarth Units \"m\" ";
  const BoundsCase cases[] = {
      {"whole", Header(coord_sys + "Bounds (0, 0) (100000, 50000)\r\n"), Bounds{0, 0, 100000, 50000}},
      {"fractional", Header(coord_sys + "Bounds (-180.5, -90.25) (180.5, 90.25)\r\n"),
       Bounds{-180.5, -90.25, 180.5, 90.25}},
      {"blanks in brackets", "Bounds ( -180 , -90 ) ( 180 , 90 )\r\n", Bounds{-180, -90, 180, 90}},
      {"exponents", "bounds (-1.5e3,2E2)(3,4)", Bounds{-1500, 200, 3, 4}},
      {"upper case", "BOUNDS (1, 2) (3, 4)", Bounds{1, 2, 3, 4}},
      {"pairs on later lines", "Bounds\r\n(1, 2)\r\n(3, 4)\r\n", Bounds{1, 2, 3, 4}},
      {"first one counts", "Bounds (1, 2) (3, 4)\r\nBounds (5, 6) (7, 8)", Bounds{1, 2, 3, 4}},
      {"beyond 32000 bytes", std::string(40000, 'x') + "\r\nBounds (1, 2) (3, 4)", Bounds{1, 2, 3, 4}},
      {"straddles 1000 bytes", std::string(998, ' ') + "Bounds (1, 2) (3, 4)", Bounds{1, 2, 3, 4}},
      {"straddles 1 MiB", std::string(kMiB - 2, ' ') + "Bounds (1, 2) (3, 4)", Bounds{1, 2, 3, 4}},
      {"last byte of the window", "Bounds" + std::string(981, ' ') + " (1, 2) (3, 4)",
       Bounds{1, 2, 3, 4}},
      {"one byte beyond the window", "Bounds" + std::string(982, ' ') + " (1, 2) (3, 4)",
       std::nullopt},
      {"second pair incomplete", "Bounds (1, 2) (3", std::nullopt},
      {"second pair without comma", "Bounds (1, 2) (3 4)", std::nullopt},
      {"no pairs", "Bounds\r\n", std::nullopt},
      {"absent", Header(coord_sys + "\r\n"), std::nullopt},
  };
  test::ScratchDir scratch;
  for (const auto& c : cases) {
    std::string path = scratch.File("map.mif");
    test::WriteFile(path, c.mif);
    ExpectBounds(FindBounds(path), c.bounds, c.name);
  }
}

TEST(ParseBoundsWindow, TakesTheTextBetweenTheMarks) {
  ExpectBounds(ParseBoundsWindow("ounds (1,2) (3,4)"), Bounds{1, 2, 3, 4}, "plain");
  // A number that is no number reads as 0; text after it is ignored.
  ExpectBounds(ParseBoundsWindow("ounds (a,2 m) (3,4)"), Bounds{0, 2, 3, 4}, "not a number");
  ExpectBounds(ParseBoundsWindow("ounds (1,2)"), std::nullopt, "one pair");
  ExpectBounds(ParseBoundsWindow(""), std::nullopt, "empty");
}

class MifHeaderScanners : public testing::Test {
 protected:
  std::string UseMif(const std::string& bytes) {
    test::WriteFile(scratch.File("map.mif"), bytes);
    return scratch.File("map.mif");
  }

  test::ScratchDir scratch;
};

TEST_F(MifHeaderScanners, FindTheColumnCountAndTheBounds) {
  std::string mif = UseMif(Header("Columns 5\r\nCoordSys Earth Projection 1, 104 Bounds (-180, -90) (180, 90)\r\n"));
  EXPECT_EQ(FindColumnCountText(mif), "5");
  ExpectBounds(FindBounds(mif), Bounds{-180, -90, 180, 90}, "bounds");
}

TEST_F(MifHeaderScanners, AbsentIncompleteOrUnreadableItemsAreNotFound) {
  std::string mif = UseMif(Header("CoordSys Earth Projection 1, 104 Bounds (-180, -90) (180\r\n"));
  EXPECT_EQ(FindColumnCountText(mif), std::nullopt);
  ExpectBounds(FindBounds(mif), std::nullopt, "bounds");
  const std::string absent = scratch.File("absent.mif");
  EXPECT_EQ(FindColumnCountText(absent), std::nullopt);
  ExpectBounds(FindBounds(absent), std::nullopt, "missing file");
}

TEST_F(MifHeaderScanners, ReadsAMifWithARussianName) {
  test::WriteFile(scratch.path() / u8"карта.mif", "Columns 3\r\nBounds (0, 0) (10, 10)\r\n");
  EXPECT_EQ(FindColumnCountText(scratch.File("карта.mif")), "3");
}

}  // namespace
}  // namespace mirvex
