// mkgmap's messages read back to the sections and lines of the map they concern, on
// the logs mkgmap wrote for maps with planted faults (tests/data/mkgmap, made by
// scripts/make-mkgmap-logs.py), so that this runs without Java.
#include "operations/mkgmap_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/cp1251.h"
#include "operations/compile_map.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

const fs::path kLogs = fs::path(MIRVEX_TEST_DATA) / "mkgmap";

MkgmapLog ReadLog(const std::string& bytes) {
  MkgmapLog log;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    log.Line(line);
    start = end + 1;
  }
  log.Finish();
  return log;
}

MkgmapLog ReadLogFile(const std::string& name) { return ReadLog(ReadFile(kLogs / name)); }

// Each planted fault: the one problem of its log, and where it is in its map.
TEST(MkgmapLog, SavedLogsPointToTheFaultsSectionAndLine) {
  struct Case {
    const char* log;
    const char* map;
    ProblemKind kind;
    PlaceQuery query;
    MapPlace place;
  };
  const Case cases[] = {
      {"empty_data.log", "empty_data.mp", ProblemKind::kBrokenCoordinates, PlaceQuery::kBrokenCoordinates,
       {1, "RGN80", 29}},
      {"empty_data.plain.log", "empty_data.mp", ProblemKind::kBrokenCoordinates, PlaceQuery::kBrokenCoordinates,
       {1, "RGN80", 29}},
      {"letter_in_coordinate.log", "letter_in_coordinate.mp", ProblemKind::kBrokenCoordinates,
       PlaceQuery::kBrokenCoordinates, {11, "RGN40", 98}},
      {"type_not_number.log", "type_not_number.mp", ProblemKind::kMapRejected, PlaceQuery::kBadType,
       {2, "RGN80", 36}},
      {"type_out_of_range.log", "type_out_of_range.mp", ProblemKind::kMapRejected, PlaceQuery::kBadType,
       {1, "RGN80", 28}},
      {"point_without_data.log", "point_without_data.mp", ProblemKind::kPointWithoutData, PlaceQuery::kLine,
       {25, "RGN10", 200}},
  };
  for (const Case& c : cases) {
    MkgmapLog log = ReadLogFile(c.log);
    ASSERT_EQ(log.problems().size(), 1u) << c.log;
    const CompileProblem& problem = log.problems()[0];
    EXPECT_EQ(problem.level, ProblemLevel::kError) << c.log;
    EXPECT_EQ(problem.kind, c.kind) << c.log;
    ASSERT_TRUE(problem.has_place) << c.log;
    EXPECT_EQ(problem.place.query, c.query) << c.log;
    EXPECT_FALSE(ProblemExplanation(problem).empty()) << c.log;
    std::vector<PlaceRequest> requests{problem.place};
    ASSERT_EQ(LocateInTextMap(PathText(kLogs / c.map), requests), LocateEnd::kRead) << c.map;
    EXPECT_EQ(requests[0].found, std::vector<MapPlace>{c.place}) << c.log;
  }
}

TEST(MkgmapLog, TheExceptionAndTheTextJavaCouldNotReadStayWithTheirRecord) {
  MkgmapLog log = ReadLogFile("letter_in_coordinate.log");
  ASSERT_EQ(log.problems().size(), 1u);
  EXPECT_EQ(log.problems()[0].place.token, "5O.6150");
  EXPECT_NE(log.problems()[0].text.find("Unexpected error; java.lang.NumberFormatException"), std::string::npos)
      << log.problems()[0].text;
  // The stack trace is read, not reported.
  EXPECT_EQ(log.problems()[0].text.find("PolishMapDataSource"), std::string::npos);
}

// mkgmap ended by an exception no record holds (a code page Java does not know): the
// report names the exception, not the last frame of its stack trace.
TEST(MkgmapLog, AnExceptionThatEndsMkgmapIsReportedByItsOwnLine) {
  MkgmapLog log = ReadLogFile("unknown_code_page.log");
  ASSERT_EQ(log.problems().size(), 1u);
  const CompileProblem& problem = log.problems()[0];
  EXPECT_EQ(problem.level, ProblemLevel::kError);
  EXPECT_EQ(problem.kind, ProblemKind::kUnknownCodePage);
  EXPECT_EQ(problem.text, "java.nio.charset.UnsupportedCharsetException: cp1");
  EXPECT_FALSE(problem.has_place);

  CompileResult result;
  result.problems.push_back({problem, {}, 0});
  std::string report = Cp1251ToUtf8(CompileReport("map.mp", result));
  EXPECT_NE(report.find("CodePage= в заголовке [IMG ID] (для русских подписей CodePage=1251) "
                        "(mkgmap: java.nio.charset.UnsupportedCharsetException: cp1)"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("Main.java"), std::string::npos) << report;

  // Any other exception is reported with its own words.
  MkgmapLog other = ReadLog("Exception in thread \"main\" java.lang.IllegalStateException: broken\r\n"
                            "\tat uk.me.parabola.mkgmap.main.Main.main(Main.java:118)\r\n");
  ASSERT_EQ(other.problems().size(), 1u);
  EXPECT_EQ(other.problems()[0].kind, ProblemKind::kOther);
  EXPECT_EQ(other.problems()[0].text, "java.lang.IllegalStateException: broken");
}

TEST(MkgmapLog, ACleanRunHasNoProblemsAndItsStagesGiveTheProgress) {
  MkgmapLog log = ReadLogFile("sample.log");
  EXPECT_TRUE(log.problems().empty());
  EXPECT_FALSE(log.java_missing());
  EXPECT_GE(log.percent(), 80);

  MkgmapLog stages;
  EXPECT_EQ(stages.percent(), -1);
  int last = -1;
  for (const char* line : {"2026/12/09 03:19:52 INFO (MapMaker): a.mp: Started loading a.mp",
                           "2026/12/09 03:19:52 INFO (MapMaker): a.mp: Finished loading a.mp",
                           "2026/12/09 03:19:52 INFO (MapMaker): a.mp: Started making 10000001 (Vorsk_obl)",
                           "2026/12/09 03:19:53 INFO (MapMaker): a.mp: finished making map ./10000001.img closing",
                           "2026/12/09 03:19:53 INFO (Main): Combining maps"}) {
    stages.Line(line);
    EXPECT_GT(stages.percent(), last) << line;
    last = stages.percent();
  }
}

// Messages as mkgmap words them in other situations than the saved runs.
TEST(MkgmapLog, MessagesOfOtherRuns) {
  struct Case {
    const char* name;
    std::vector<const char*> lines;
    std::size_t problems;
    ProblemLevel level;
    ProblemKind kind;
    bool has_place;
    PlaceQuery query;
  };
  const Case cases[] = {
      // A later mkgmap names the line of a type it cannot read.
      {"type with its line",
       {"2026/12/09 03:19:53 SEVERE (PolishMapDataSource): a.mp: type not numeric Lake for POLYGON, line 36"},
       1, ProblemLevel::kError, ProblemKind::kTypeNotNumber, true, PlaceQuery::kLine},
      {"a warning with a coordinate link",
       {"WARNING (ShapeMergeFilter): a.mp: shape is not closed near "
        "http://www.openstreetmap.org/?mlat=50.621500&mlon=36.499614&zoom=17"},
       1, ProblemLevel::kWarning, ProblemKind::kOther, true, PlaceQuery::kCoordinate},
      {"a warning with a bracketed coordinate",
       {"2026/12/09 03:19:53 WARNING (MapLine): a.mp: Line has consecutive equal points at (50.6215,36.5180)"},
       1, ProblemLevel::kWarning, ProblemKind::kOther, true, PlaceQuery::kCoordinate},
      // INFO lines name coordinates too; they are no problems.
      {"information with a coordinate",
       {"2026/12/09 03:19:53 INFO (ShapeMergeFilter): a.mp: merge of shapes near "
        "http://www.openstreetmap.org/?mlat=50.621500&mlon=36.499614&zoom=17 reduces number of points"},
       0, ProblemLevel::kError, ProblemKind::kOther, false, PlaceQuery::kLine},
      {"an option mkgmap does not know", {"SEVERE (global): Invalid option: 'bogus-option'"}, 1,
       ProblemLevel::kError, ProblemKind::kOther, false, PlaceQuery::kLine},
      // With --keep-going a rejected map is only counted at the end.
      {"a rejected map counted", {"Number of MapFailedExceptions: 1", "Number of ExitExceptions: 0"}, 1,
       ProblemLevel::kError, ProblemKind::kMapRejected, true, PlaceQuery::kBadType},
      {"nothing rejected", {"Number of MapFailedExceptions: 0", "Number of ExitExceptions: 0"}, 0,
       ProblemLevel::kError, ProblemKind::kOther, false, PlaceQuery::kLine},
      {"out of memory", {"Out of memory.", "Try using the mkgmap --max-jobs option"}, 1, ProblemLevel::kError,
       ProblemKind::kOutOfMemory, false, PlaceQuery::kLine},
      // "Started loading" holds "line" in no word of its own; a class name is no line.
      {"the word line inside others", {"WARNING (LineSplitterFilter): a.mp: Way has too many points, splitting"},
       1, ProblemLevel::kWarning, ProblemKind::kOther, false, PlaceQuery::kLine},
  };
  for (const Case& c : cases) {
    MkgmapLog log;
    for (const char* line : c.lines) log.Line(line);
    log.Finish();
    ASSERT_EQ(log.problems().size(), c.problems) << c.name;
    if (c.problems == 0) continue;
    const CompileProblem& problem = log.problems()[0];
    EXPECT_EQ(problem.level, c.level) << c.name;
    EXPECT_EQ(problem.kind, c.kind) << c.name;
    EXPECT_EQ(problem.has_place, c.has_place) << c.name;
    if (c.has_place) {
      EXPECT_EQ(problem.place.query, c.query) << c.name;
    }
  }
}

// Each message by its effect on the map: an object or the map lost is an error, a
// message after which the map is whole a note (whatever level mkgmap gives it), and
// information is not reported.
TEST(MkgmapLog, MessagesAreSortedByTheirEffect) {
  struct Case {
    const char* line;
    std::size_t problems;
    ProblemLevel level;
    ProblemKind kind;
    bool has_place;
    PlaceQuery query;
  };
  const Case cases[] = {
      {"2026/12/10 08:21:31 SEVERE (OverviewBuilder): Tile selection (0x4a) polygon for tile 10000001 cannot be "
       "written in level 0 resolution 20, using 18 instead",
       1, ProblemLevel::kNote, ProblemKind::kOverviewResolution, false, PlaceQuery::kLine},
      {"2026/12/10 08:21:31 SEVERE (MapArea): tile_0003.mp: Point with type 0x2f00 at "
       "http://www.openstreetmap.org/?mlat=50.621500&mlon=36.499614&zoom=17 is outside of the map area centred on "
       "http://www.openstreetmap.org/?mlat=50.600000&mlon=36.500000&zoom=17 width = 4000 height = 3000 "
       "resolution = 22",
       1, ProblemLevel::kError, ProblemKind::kObjectOutsideMap, true, PlaceQuery::kCoordinate},
      {"2026/12/10 08:21:31 SEVERE (MapBuilder): map.mp: Too many POIs near location "
       "http://www.openstreetmap.org/?mlat=50.621500&mlon=36.499614&zoom=17 - 12 will be ignored",
       1, ProblemLevel::kError, ProblemKind::kObjectsDropped, true, PlaceQuery::kCoordinate},
      {"2026/12/10 08:21:31 SEVERE (MapMaker): map.mp: The DEM section of the map or tile is too big.", 1,
       ProblemLevel::kError, ProblemKind::kMapTooBig, false, PlaceQuery::kLine},
      {"SEVERE (OverviewBuilder): The overview map is too big. Try reducing the highest overview resolution", 1,
       ProblemLevel::kError, ProblemKind::kMapTooBig, false, PlaceQuery::kLine},
      // A SEVERE record no rule names stays an error, a WARNING a warning.
      {"2026/12/10 08:21:31 SEVERE (PolishMapDataSource): map.mp: error decoding label", 1, ProblemLevel::kError,
       ProblemKind::kOther, false, PlaceQuery::kLine},
      {"2026/12/10 08:24:05 WARNING (Subdivision): map.mp: Subdivision width is 52430 at "
       "http://www.openstreetmap.org/?mlat=70.000763&mlon=108.001099&zoom=17",
       1, ProblemLevel::kWarning, ProblemKind::kOther, true, PlaceQuery::kCoordinate},
      {"2026/12/10 08:21:31 INFO (OverviewBuilder): Tile selection (0x4a) polygon for tile 1 cannot be written "
       "in level 0 resolution 20, using 18 instead",
       0, ProblemLevel::kError, ProblemKind::kOther, false, PlaceQuery::kLine},
  };
  for (const Case& c : cases) {
    MkgmapLog log;
    log.Line(c.line);
    log.Finish();
    ASSERT_EQ(log.problems().size(), c.problems) << c.line;
    if (c.problems == 0) continue;
    const CompileProblem& problem = log.problems()[0];
    EXPECT_EQ(problem.level, c.level) << c.line;
    EXPECT_EQ(problem.kind, c.kind) << c.line;
    EXPECT_EQ(problem.has_place, c.has_place) << c.line;
    if (c.has_place) {
      EXPECT_EQ(problem.place.query, c.query) << c.line;
    }
  }
}

// A map too big for the format: mkgmap's reason is the one error, with no guess about
// a Type= line, also when --keep-going only counts the failure.
TEST(MkgmapLog, AMapTooBigIsOneErrorWithoutATypeGuess) {
  MkgmapLog log = ReadLogFile("map_too_big.log");
  ASSERT_EQ(log.problems().size(), 1u);
  const CompileProblem& problem = log.problems()[0];
  EXPECT_EQ(problem.level, ProblemLevel::kError);
  EXPECT_EQ(problem.kind, ProblemKind::kMapTooBig);
  EXPECT_EQ(problem.file, "map.mp");
  EXPECT_FALSE(problem.has_place);
  EXPECT_EQ(Cp1251ToUtf8(ProblemExplanation(problem)).find("Type="), std::string::npos);

  MkgmapLog kept_going;
  kept_going.Line("SEVERE (MapMaker): a.mp: The RGN section of the map or tile (a.mp) is too big. The maximum "
                  "size is 16777215 bytes.");
  kept_going.Line("Number of MapFailedExceptions: 1");
  kept_going.Finish();
  ASSERT_EQ(kept_going.problems().size(), 1u);
  EXPECT_EQ(kept_going.problems()[0].kind, ProblemKind::kMapTooBig);
}

// The run of a map wide enough for mkgmap to coarsen the overview's frame of it: one
// note, and the report of a completed compile lists it.
TEST(MkgmapLog, ANoteLeavesTheCompileCompleted) {
  MkgmapLog log = ReadLogFile("wide_area.log");
  ASSERT_EQ(log.problems().size(), 1u);
  EXPECT_EQ(log.problems()[0].level, ProblemLevel::kNote);
  EXPECT_EQ(log.problems()[0].kind, ProblemKind::kOverviewResolution);

  CompileResult result;
  result.status = OperationStatus::kCompleted;
  result.written = {"/maps/10000001.img", "/maps/gmapsupp.img"};
  result.problems.push_back({log.problems()[0], {}, 0});
  std::string report = Cp1251ToUtf8(CompileReport("map.mp", result));
  EXPECT_EQ(report.rfind("Карта собрана: map.mp", 0), 0u) << report;
  EXPECT_NE(report.find("  Примечание: рамка карты на обзорной карте записана с более грубым разрешением; карта "
                        "собрана полностью (mkgmap: Tile selection (0x4a) polygon for tile 10000001"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("Ошибка"), std::string::npos) << report;
}

TEST(MkgmapLog, PlacesReadFromTheMessages) {
  MkgmapLog log;
  log.Line("SEVERE (PolishMapDataSource): /maps/a b.mp: skipping POI without coordinates near line 200");
  log.Line("2026/12/09 03:19:53 WARNING (MapLine): a.mp: Line has consecutive equal points at (50.6215,36.5180)");
  log.Finish();
  ASSERT_EQ(log.problems().size(), 2u);
  EXPECT_EQ(log.problems()[0].place.line, 200);
  // The file name before the message is not part of it.
  EXPECT_EQ(log.problems()[0].text, "skipping POI without coordinates near line 200");
  EXPECT_DOUBLE_EQ(log.problems()[1].place.latitude, 50.6215);
  EXPECT_DOUBLE_EQ(log.problems()[1].place.longitude, 36.518);
}

TEST(MkgmapLog, MkgmapsLauncherWithoutJava) {
  MkgmapLog log;
  log.Line("No valid JVM found to run mkgmap.");
  log.Finish();
  EXPECT_TRUE(log.java_missing());
}

}  // namespace
}  // namespace mirvex::test
