// The conversion of maps in other coordinate systems: where their objects land in WGS
// 84, what is left as it stands, and how a map that cannot be transformed is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "base/text.h"
#include "mapinfo/coordsys.h"
#include "mapinfo/wgs84_transform.h"
#include "operations/convert.h"
#include "tests/conversion_fixture.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

using Place = std::pair<double, double>;  // longitude, latitude

// Every pair of a text map's Data lines, in the order written.
std::vector<Place> MapPlaces(const std::string& map) {
  std::vector<Place> places;
  for (std::size_t at = map.find("Data"); at != std::string::npos; at = map.find("Data", at + 1)) {
    std::size_t end = map.find('\n', at);
    std::string line = map.substr(at, end - at);
    for (std::size_t open = line.find('('); open != std::string::npos; open = line.find('(', open + 1)) {
      std::size_t comma = line.find(',', open);
      double latitude = Value(line.substr(open + 1, comma - open - 1));
      double longitude = Value(line.substr(comma + 1));
      places.emplace_back(longitude, latitude);
    }
  }
  return places;
}

// Every pair of the WKT column (the first, quoted) of a CSV, in order.
std::vector<Place> CsvPlaces(const std::string& csv) {
  std::vector<Place> places;
  std::size_t line_start = csv.find('\n') + 1;  // past the column names
  while (line_start < csv.size()) {
    std::size_t line_end = csv.find('\n', line_start);
    std::string line = csv.substr(line_start, line_end - line_start);
    line_start = line_end == std::string::npos ? csv.size() : line_end + 1;
    if (line.empty() || line[0] != '"') continue;
    std::string wkt = line.substr(1, line.find('"', 1) - 1);
    std::vector<double> numbers;
    for (std::size_t i = 0; i < wkt.size();) {
      char c = wkt[i];
      if (c == '-' || (c >= '0' && c <= '9')) {
        std::size_t j = i;
        while (j < wkt.size() && (wkt[j] == '-' || wkt[j] == '.' || wkt[j] == 'e' || (wkt[j] >= '0' && wkt[j] <= '9'))) ++j;
        numbers.push_back(Value(wkt.substr(i, j - i)));
        i = j;
      } else {
        ++i;
      }
    }
    for (std::size_t k = 0; k + 1 < numbers.size(); k += 2) places.emplace_back(numbers[k], numbers[k + 1]);
  }
  return places;
}

class CoordSysConversion : public ::testing::Test {
 protected:
  // Converts a MIF of the test data with the section read from the MIF, so no
  // dictionary is needed; the written map, or empty when the run failed.
  std::string ConvertFile(const std::string& base, const ConversionOptions& options) {
    ConversionPaths paths{base + ".mif", base + ".mid", dir_.File("result.mp")};
    ConversionResult result = Convert(paths, options, dir_.File(""), host_);
    if (result.status != OperationStatus::kCompleted) return {};
    return test::ReadFile(paths.result);
  }
  static ConversionOptions Options() {
    ConversionOptions options;
    options.section_from_mif = true;
    options.column_count_from_header = true;
    return options;
  }

  test::ScratchDir dir_;
  test::RecordingHost host_;
};

// Maps written by ogr2ogr from WGS 84 maps into other systems come back where GDAL
// puts them through the datum their CoordSys names, and, where that datum is WGS 84's
// own, where they were made from.
TEST_F(CoordSysConversion, GdalReprojectedMapsComeBack) {
  const std::string data = std::string(MIRVEX_TEST_DATA) + "/reprojected/";
  struct Case {
    const char* name;
    const char* source;  // the WGS 84 map it was made from; empty: another datum
  };
  const std::vector<Case> cases = {
      {"utm37n", MIRVEX_SOURCE_DATA "/sample/sample"},
      {"utm35s", MIRVEX_TEST_DATA "/reprojected/south"},
      {"gk7_zone_prefix", ""},
      {"gk7_cm39", ""},
      {"lcc_custom", MIRVEX_SOURCE_DATA "/sample/sample"},
      {"lcc_europe", MIRVEX_SOURCE_DATA "/sample/sample"},
      {"mercator_world", MIRVEX_SOURCE_DATA "/sample/sample"},
      {"mercator_web", MIRVEX_SOURCE_DATA "/sample/sample"},
      {"pulkovo1942_lonlat", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Place> converted = MapPlaces(ConvertFile(data + c.name, Options()));
    std::vector<Place> expected = CsvPlaces(test::ReadFile(data + c.name + ".mif-datum-wgs84.csv"));
    ASSERT_EQ(converted.size(), expected.size());
    ASSERT_GT(converted.size(), 5u);
    for (std::size_t i = 0; i < converted.size(); ++i) {
      EXPECT_NEAR(converted[i].first, expected[i].first, 1e-7) << "vertex " << i;
      EXPECT_NEAR(converted[i].second, expected[i].second, 1e-7) << "vertex " << i;
    }
    if (*c.source == '\0') continue;
    std::vector<Place> source = MapPlaces(ConvertFile(c.source, Options()));
    ASSERT_EQ(converted.size(), source.size());
    for (std::size_t i = 0; i < converted.size(); ++i) {
      EXPECT_NEAR(converted[i].first, source[i].first, 1e-6) << "vertex " << i;
      EXPECT_NEAR(converted[i].second, source[i].second, 1e-6) << "vertex " << i;
    }
  }
}

const char* const kGaussKrugerHeader = "CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0";

std::string GaussKrugerMif(const std::string& objects, const char* coordsys = kGaussKrugerHeader) {
  return test::CrLf({"Version 300", coordsys, "Columns 1", "  Name Char(20)", "Data", ""}) + objects;
}

TEST(CoordSysConversionRuns, WritesSevenDecimalsAndCopiesWhenTheBoxIsClear) {
  const std::string mif = GaussKrugerMif(test::CrLf({"Pline 2", "7412088.83566 6181724.275974", "7413088 6182724",
                                                     "Point 7412088.83566 6181724.275974", "Text \"Москва\"",
                                                     "7412088.83566 6181724.275974 7412188 6181824"}));
  const std::string mid = test::CrLf({"\"Дорога\"", "\"Школа\"", "\"Надпись\""});
  test::ConversionFixture run;
  run.options.section_from_mif = true;
  run.options.column_count = 1;
  ASSERT_EQ(run.Run(mif, mid), OperationStatus::kCompleted);
  std::string sections = run.Sections();
  EXPECT_NE(sections.find("Data0=(55.7500215,37.5982342),(55.7591786,37.6138227)"), std::string::npos) << sections;
  EXPECT_NE(sections.find("Data0=(55.7500215,37.5982342)\r\n[END-RGN10]"), std::string::npos) << sections;
  EXPECT_TRUE(run.result.coordinates_transformed);
  EXPECT_EQ(Cp1251ToUtf8(run.result.coordinates_in_words), "Гаусс-Крюгер, зона 7, Пулково 1942 -> WGS 84");

  run.options.to_wgs84 = false;
  ASSERT_EQ(run.Run(mif, mid), OperationStatus::kCompleted);
  EXPECT_NE(run.Sections().find("Data0=(6181724.275974,7412088.83566),(6182724,7413088)"), std::string::npos);
  EXPECT_FALSE(run.result.coordinates_transformed);

  // A georeferenced sheet is stretched onto its corners, never transformed.
  run.options.to_wgs84 = true;
  run.options.georeference = {true, 30, 50, 31, 51, 0};
  ASSERT_EQ(run.Run(GaussKrugerMif(test::CrLf({"Point 7412088 6181724"}),
                                   "CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0 Bounds "
                                   "(7412000, 6181000) (7413000, 6182000)"),
                    test::CrLf({"\"Школа\""})),
            OperationStatus::kCompleted);
  EXPECT_NE(run.Sections().find("Data0=(50.724,30.088)"), std::string::npos) << run.Sections();
  EXPECT_FALSE(run.result.coordinates_transformed);
}

TEST(CoordSysConversionRuns, UnreadableClauseStopsBeforeWritingAndKeepsTheEarlierResult) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"CoordSys Earth Projection 99, 104, \"m\", 0", "неизвестный номер проекции 99"},
      {"CoordSys Earth Projection 8, 4242, \"m\", 39, 0, 1, 500000, 0", "неизвестный номер датума 4242"},
      {"CoordSys Earth Projection 8, 1001, \"m\", 39", "не хватает параметров проекции"},
      {"CoordSys Earth Projection 8 1001", "не прочитано"},
  };
  for (const auto& [clause, problem] : cases) {
    SCOPED_TRACE(clause);
    test::ConversionFixture run;
    run.options.section_from_mif = true;
    run.options.column_count = 1;
    test::WriteFile(run.paths.result, "earlier result");
    EXPECT_EQ(run.Run(GaussKrugerMif(test::CrLf({"Point 7412088 6181724"}), clause), test::CrLf({"\"Школа\""})),
              OperationStatus::kFailed);
    EXPECT_EQ(run.Output(), "earlier result");
    ASSERT_EQ(run.host.messages.size(), 1u);
    std::string message = Cp1251ToUtf8(run.host.messages[0].text);
    EXPECT_NE(message.find(problem), std::string::npos) << message;
    EXPECT_NE(message.find(clause), std::string::npos) << message;
    EXPECT_NE(message.find("Снимите флажок \"Пересчитывать координаты в WGS 84\""), std::string::npos);

    // With the box clear the numbers are copied whatever the clause says.
    run.host.messages.clear();
    run.options.to_wgs84 = false;
    EXPECT_EQ(run.Run(GaussKrugerMif(test::CrLf({"Point 7412088 6181724"}), clause), test::CrLf({"\"Школа\""})),
              OperationStatus::kCompleted);
    EXPECT_NE(run.Sections().find("Data0=(6181724,7412088)"), std::string::npos);
  }
}

TEST(CoordSysConversionRuns, PositionWithoutAPlaceLeavesOnlyItsObjectOut) {
  std::string objects;
  for (int i = 1; i <= 14; ++i) {
    // Objects 2, 4, …, 14 have a vertex a hundred million kilometres north of the zone.
    objects += test::CrLf({"Pline 2", "7412088 6181724", i % 2 == 0 ? "7412088 1e13" : "7413088 6182724"});
  }
  std::string mid;
  for (int i = 1; i <= 14; ++i) mid += test::CrLf({"\"Дорога\""});
  test::ConversionFixture run;
  run.options.section_from_mif = true;
  run.options.column_count = 1;
  ASSERT_EQ(run.Run(GaussKrugerMif(objects), mid), OperationStatus::kCompleted);
  EXPECT_EQ(run.result.counts.polylines, 7u);
  EXPECT_EQ(run.result.objects_untransformed, 7u);
  ASSERT_FALSE(run.host.messages.empty());
  std::string message = Cp1251ToUtf8(run.host.messages[0].text);
  EXPECT_NE(message.find("7 объектов не записаны"), std::string::npos) << message;
  EXPECT_NE(message.find("Номера объектов в файле MIF: 2, 4, 6, 8, 10, 12, 14"), std::string::npos) << message;
}

TEST(CoordSysConversionRuns, LargeObjectsAreMeasuredInDegrees) {
  // 0.03 degrees of size is over the threshold, 0.0016 is not: thousands of metres
  // and a hundred would both be.
  const std::string mif =
      GaussKrugerMif(test::CrLf({"Pline 2", "7412088 6181724", "7414088 6181724", "Pline 2", "7412088 6181724",
                                 "7412188 6181724"}));
  test::ConversionFixture run;
  run.options.section_from_mif = true;
  run.options.column_count = 1;
  run.options.raise_large_objects = true;
  run.options.size_threshold = 1.02;  // the measure starts at 1
  ASSERT_EQ(run.Run(mif, test::CrLf({"\"Дорога\"", "\"Дорога\""})), OperationStatus::kCompleted);
  std::string sections = run.Sections();
  std::size_t first = sections.find("[RGN40]"), second = sections.find("[RGN40]", first + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(sections.substr(first, second - first).find("Levels=1"), std::string::npos) << sections;
  EXPECT_NE(sections.substr(second).find("Levels=0"), std::string::npos) << sections;
}

}  // namespace
}  // namespace mirvex

namespace mirvex {
namespace {

// A map of many batches: every object comes out in the MIF's order with each vertex
// transformed as one transformation alone gives it, multi-part objects keep their
// parts, and the objects left out are named by their numbers across batches.
TEST(CoordSysConversionRuns, BatchesKeepTheOrderAndEveryVertex) {
  std::string problem;
  std::optional<MapInfoCoordSys> coordsys = ParseCoordSys(kGaussKrugerHeader, problem);
  ASSERT_TRUE(coordsys);
  std::unique_ptr<Wgs84Transform> transform = Wgs84Transform::Create(*coordsys, problem);
  ASSERT_TRUE(transform);
  auto data_of = [&](double x, double y) {
    transform->Transform(x, y);
    char text[2 * kDegreesTextLimit];
    std::string pair = "(" + std::string(text, WriteDegreesText(y, text)) + ",";
    return pair + std::string(text, WriteDegreesText(x, text)) + ")";
  };
  std::string objects, mid, expected;
  std::vector<int> left_out;
  for (int i = 1; i <= 9000; ++i) {
    double x = 7400000 + (i % 97) * 731.5, y = 6100000 + (i % 89) * 913.25;
    mid += "\"Дорога\"\r\n";
    if (i % 1000 == 500) {
      left_out.push_back(i);
      objects += test::CrLf({"Pline 2", NumberText(x) + " " + NumberText(y), NumberText(x) + " 1e12"});
    } else if (i % 3 == 0) {
      // Two parts of 3 and 2 vertices.
      objects += test::CrLf({"Pline Multiple 2", "  3", NumberText(x) + " " + NumberText(y),
                             NumberText(x + 10) + " " + NumberText(y), NumberText(x + 20) + " " + NumberText(y + 5),
                             "  2", NumberText(x) + " " + NumberText(y + 100), NumberText(x + 5) + " " + NumberText(y + 90)});
      expected += "Data0=" + data_of(x, y) + "," + data_of(x + 10, y) + "," + data_of(x + 20, y + 5) + "\r\nData0=" +
                  data_of(x, y + 100) + "," + data_of(x + 5, y + 90) + "\r\n";
    } else {
      objects += test::CrLf({"Point " + NumberText(x) + " " + NumberText(y)});
      expected += "Data0=" + data_of(x, y) + "\r\n";
    }
  }
  test::ConversionFixture run;
  run.options.section_from_mif = true;
  run.options.column_count = 1;
  ASSERT_EQ(run.Run(GaussKrugerMif(objects), mid), OperationStatus::kCompleted);
  std::string written;
  std::string output = run.Output();
  for (std::size_t at = output.find("Data0="); at != std::string::npos; at = output.find("Data0=", at + 1)) {
    written += output.substr(at, output.find("\r\n", at) + 2 - at);
  }
  EXPECT_TRUE(written == expected) << "the written Data lines differ from one transformation's";
  EXPECT_EQ(run.result.objects_untransformed, left_out.size());
  std::string message = Cp1251ToUtf8(run.host.messages.at(0).text);
  EXPECT_NE(message.find("500, 1500, 2500, 3500, 4500, 5500, 6500, 7500, 8500"), std::string::npos) << message;
}

}  // namespace
}  // namespace mirvex
