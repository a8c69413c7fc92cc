// The places of mkgmap's problems in the user's map: through a tile's lines back to the
// map they were cut from, or looked for in the map itself, on the logs of
// tests/data/mkgmap (made by scripts/make-mkgmap-logs.py).
#include "operations/compile_places.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "base/cp1251.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

const fs::path kLogs = fs::path(MIRVEX_TEST_DATA) / "mkgmap";

std::vector<CompileProblem> ProblemsOf(const std::string& log_name) {
  MkgmapLog log;
  std::istringstream lines(ReadFile(kLogs / log_name));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    log.Line(line);
  }
  log.Finish();
  return log.problems();
}

std::vector<std::string> LinesOf(const fs::path& path) {
  std::vector<std::string> lines;
  std::istringstream text(ReadFile(path));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The first line (from 1) of each object section, with its kind.
std::vector<std::pair<std::int64_t, std::string>> SectionStarts(const std::vector<std::string>& lines) {
  std::vector<std::pair<std::int64_t, std::string>> starts;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("[RGN", 0) == 0) starts.emplace_back(i + 1, lines[i].substr(1, lines[i].size() - 2));
  }
  return starts;
}

TEST(TileLineMap, FindsTheMapsPlaceOfATileLine) {
  TileLineMap map;
  map.Add("tile_0001.mp", 20, 5, {7, "RGN40", 300});
  map.Add("tile_0001.mp", 26, 3, {9, "RGN10", 410});
  map.Add("tile_0002.mp", 20, 5, {40, "RGN80", 900});
  map.Add("tile_0002.mp", 30, 0, {41, "RGN80", 950});
  struct Case {
    const char* file;
    std::int64_t line;
    std::optional<MapPlace> place;
  };
  const Case cases[] = {
      {"tile_0001.mp", 20, MapPlace{7, "RGN40", 300}},
      {"tile_0001.mp", 24, MapPlace{7, "RGN40", 304}},
      // Between runs, before the first, after the last: no place.
      {"tile_0001.mp", 25, std::nullopt},
      {"tile_0001.mp", 19, std::nullopt},
      {"tile_0001.mp", 29, std::nullopt},
      {"tile_0001.mp", 28, MapPlace{9, "RGN10", 412}},
      // The tile as mkgmap names it: with its folder, in another letter case.
      {"/tmp/work/tile_0002.mp", 21, MapPlace{40, "RGN80", 901}},
      {"C:\\work\\TILE_0002.MP", 22, MapPlace{40, "RGN80", 902}},
      // A run of no lines holds none.
      {"tile_0002.mp", 30, std::nullopt},
      {"tile_0003.mp", 20, std::nullopt},
      {"", 20, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(map.Find(c.file, c.line), c.place) << c.file << ":" << c.line;
    EXPECT_EQ(map.Origin()(c.file, c.line), c.place) << c.file << ":" << c.line;
  }
}

// mkgmap names a line of a tile cut from point_without_data.mp: through the tile's
// map of lines the problem lies where the whole map's compile puts it.
TEST(PlaceProblems, ATilesLineIsShownAsTheOriginalMapsSectionAndLine) {
  const fs::path map = kLogs / "point_without_data.mp";
  std::vector<CompileProblem> problems = ProblemsOf("tile_0002.log");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, ProblemKind::kPointWithoutData);
  EXPECT_NE(problems[0].file.find("tile_0002.mp"), std::string::npos) << problems[0].file;

  // The tile holds the map's 24th to 26th sections, each of them whole.
  auto map_sections = SectionStarts(LinesOf(map));
  auto tile_lines = LinesOf(kLogs / "tile_0002.mp");
  auto tile_sections = SectionStarts(tile_lines);
  ASSERT_EQ(tile_sections.size(), 3u);
  TileLineMap origin;
  for (std::size_t i = 0; i < tile_sections.size(); ++i) {
    std::int64_t end = i + 1 < tile_sections.size() ? tile_sections[i + 1].first
                                                     : static_cast<std::int64_t>(tile_lines.size()) + 1;
    const auto& [map_line, kind] = map_sections[23 + i];
    origin.Add("tile_0002.mp", tile_sections[i].first, end - tile_sections[i].first,
               {static_cast<int>(24 + i), kind, map_line});
  }
  std::vector<LocatedProblem> located = PlaceProblems(PathText(map), problems, origin.Origin(), 0);
  ASSERT_EQ(located.size(), 1u);
  EXPECT_EQ(located[0].places, (std::vector<MapPlace>{{25, "RGN10", 200}}));

  // The whole map's own run puts the problem in the same place without a mapping.
  located = PlaceProblems(PathText(map), ProblemsOf("point_without_data.log"), LineOrigin(), 0);
  ASSERT_EQ(located.size(), 1u);
  EXPECT_EQ(located[0].places, (std::vector<MapPlace>{{25, "RGN10", 200}}));
  // A mapping that does not know the file leaves the line to the map.
  located = PlaceProblems(PathText(map), ProblemsOf("point_without_data.log"), TileLineMap().Origin(), 0);
  EXPECT_EQ(located[0].places, (std::vector<MapPlace>{{25, "RGN10", 200}}));
  // A mapping that knows only the map's line leaves its section to the map.
  LineOrigin line_only = [](std::string_view file, std::int64_t line) -> std::optional<MapPlace> {
    if (file.find("tile_0002.mp") == std::string_view::npos) return std::nullopt;
    return MapPlace{0, "", line + 163};
  };
  located = PlaceProblems(PathText(map), problems, line_only, 0);
  EXPECT_EQ(located[0].places, (std::vector<MapPlace>{{25, "RGN10", 200}}));
  // A line mkgmap counts in a copy with one line added at 5 is the map's line before it.
  std::vector<CompileProblem> shifted = ProblemsOf("point_without_data.log");
  shifted[0].place.line = 201;
  located = PlaceProblems(PathText(map), shifted, LineOrigin(), 5);
  EXPECT_EQ(located[0].places, (std::vector<MapPlace>{{25, "RGN10", 200}}));
}

// A map mkgmap rejected without a reason: the guess that a Type= line is to blame is
// given only when the map holds such a line.
TEST(PlaceProblems, TheTypeGuessNeedsABadTypeInTheMap) {
  std::vector<CompileProblem> problems = ProblemsOf("type_not_number.log");
  ASSERT_EQ(problems.size(), 1u);
  ASSERT_EQ(problems[0].kind, ProblemKind::kMapRejected);

  std::vector<LocatedProblem> located =
      PlaceProblems(PathText(kLogs / "type_not_number.mp"), problems, LineOrigin(), 0);
  EXPECT_EQ(located[0].problem.kind, ProblemKind::kMapRejected);
  EXPECT_EQ(located[0].places, (std::vector<MapPlace>{{2, "RGN80", 36}}));

  const fs::path sound = fs::path(MIRVEX_TEST_DATA) / "sample.expected.mp";
  located = PlaceProblems(PathText(sound), problems, LineOrigin(), 0);
  EXPECT_EQ(located[0].problem.kind, ProblemKind::kMapFailed);
  EXPECT_FALSE(located[0].problem.has_place);
  EXPECT_TRUE(located[0].places.empty());
  std::string explanation = Cp1251ToUtf8(ProblemExplanation(located[0].problem));
  EXPECT_EQ(explanation.find("Type="), std::string::npos) << explanation;

  // A map that cannot be read gives no ground to drop the guess.
  located = PlaceProblems(PathText(kLogs / "absent.mp"), problems, LineOrigin(), 0);
  EXPECT_EQ(located[0].problem.kind, ProblemKind::kMapRejected);
}

}  // namespace
}  // namespace mirvex::test
