// Compiling a text map with mkgmap: the options taken from the map's header, the
// .img files put in place, the problems reported with their section and line, and
// what is said when mkgmap or Java is missing. The runs of mkgmap are skipped, with a
// message, where it is not installed.
#include "operations/compile_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/cp1251.h"
#include "base/platform.h"
#include "garmin/img_directory.h"
#include "base/text.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

const fs::path kTestData = MIRVEX_TEST_DATA;

#ifdef _WIN32
// On Windows mkgmap is a mkgmap.jar the user names; these runs are the Linux build's.
bool MkgmapInstalled() { return false; }
#else
bool MkgmapInstalled() { return std::system("command -v mkgmap >/dev/null 2>&1") == 0; }
#endif

#define SKIP_WITHOUT_MKGMAP() \
  if (!MkgmapInstalled()) GTEST_SKIP() << "mkgmap is not installed (Debian: apt install mkgmap): not compiled"

bool WorkFolderLeft(const fs::path& folder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().filename().string().find(".mirvex-mkgmap-") != std::string::npos) return true;
  }
  return false;
}

TEST(CompileMap, IdentityFromTheHeader) {
  struct Case {
    const char* id;
    const char* name;  // UTF-8
    const char* code_page;
    const char* stem;
    MapIdentity expected;
  };
  const Case cases[] = {
      {"10000001", "Vorsk_obl", "1251", "sample", {"1251", "10000001", "38529", "Vorsk_obl"}},
      {"42", "", "", "region", {"1251", "00000042", "42", "region"}},
      {"65535", "  Моя карта ", "1252", "x", {"1252", "00065535", "65535", "Моя карта"}},
      // Its remainder by 65536 is 0: no family id.
      {"65536", "N", "cp1251", "x", {"1251", "00065536", "6324", "N"}},
      {"123456789", "N", "1251", "x", {"1251", "63240001", "6324", "N"}},
      {"abc", "", "", "", {"1251", "63240001", "6324", "Mirvex"}},
      {"-5", "N", "0", "x", {"1251", "63240001", "6324", "N"}},
  };
  for (const Case& c : cases) {
    MapIdentity identity = IdentityFromHeader(c.id, Ru(c.name), c.code_page, c.stem);
    EXPECT_EQ(identity.code_page, c.expected.code_page) << c.id;
    EXPECT_EQ(identity.map_number, c.expected.map_number) << c.id;
    EXPECT_EQ(identity.family_id, c.expected.family_id) << c.id;
    EXPECT_EQ(identity.family_name, Ru(c.expected.family_name)) << c.id;
  }
}

TEST(CompileMap, ExtraOptionsSplitAtBlanksAndKeepQuotedOnes) {
  struct Case {
    const char* text;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"", {}},
      {"  --max-jobs=1   --lower-case ", {"--max-jobs=1", "--lower-case"}},
      {"\"--description=Моя карта\" -c\tfile.args", {"--description=Моя карта", "-c", "file.args"}},
      {"--copyright-message=\"A B\"", {"--copyright-message=A B"}},
      {"\"\"", {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitOptions(c.text), c.options) << c.text;
}

// A program folder for the command line and a scratch folder for maps and images.
class CompileCommand : public testing::Test {
 protected:
  int Compile(const std::string& map, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> arguments = {"compile", map, "--home", home_.path().string(), "--quiet"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunMirvex(arguments, &out_, &err_, environment_);
  }
  void SetCompiler(const std::string& path) {
    WriteFile(home_.path() / "mirvex.ini", CrLf({"[Mkgmap]", "Path=" + path}));
  }
  // A map of tests/data (without its CodePage line when asked) copied to `name`.
  std::string PlaceMap(const fs::path& source, const std::string& name, bool without_code_page = false) {
    std::string bytes = ReadFile(kTestData / source);
    if (without_code_page) {
      auto at = bytes.find("CodePage=1251\r\n");
      if (at != std::string::npos) bytes.erase(at, 15);
    }
    fs::path path = dir_.path() / fs::path(std::u8string(name.begin(), name.end()));
    WriteFile(path, bytes);
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  }

  ScratchDir home_;
  ScratchDir dir_;
  fs::path images_ = dir_.path() / "img";
  std::string out_, err_, environment_;
};

// The converted sample under a name that is no .mp and holds Cyrillic: the images go
// to --output, replacing earlier ones, and nothing of the run is left behind.
TEST_F(CompileCommand, TheSampleCompilesIntoImagesAndAGmapsupp) {
  SKIP_WITHOUT_MKGMAP();
  std::string map = PlaceMap("sample.expected.mp", "Образец карты.txt");
  fs::create_directories(images_);
  WriteFile(images_ / "gmapsupp.img", "earlier");
  ASSERT_EQ(Compile(map, {"--output", images_.string()}), 0) << out_ << err_;
  EXPECT_NE(out_.find("Сборка IMG (mkgmap): Карта собрана: " + map), std::string::npos) << out_;
  for (const char* file : {"10000001.img", "gmapsupp.img", "mkgmap.log"}) {
    EXPECT_TRUE(fs::exists(images_ / file)) << file;
    EXPECT_NE(out_.find((images_ / file).string()), std::string::npos) << file << out_;
  }
  EXPECT_GT(fs::file_size(images_ / "gmapsupp.img"), 1000u);
  // The labels reach the image in the map's code page (in capitals, as mkgmap writes them).
  EXPECT_NE(ReadFile(images_ / "10000001.img").find(Ru("ОЗЕРО")), std::string::npos);
  EXPECT_FALSE(WorkFolderLeft(images_));
  EXPECT_EQ(err_, "");
}

// Planted faults are reported with their section and line; the earlier images stay.
TEST_F(CompileCommand, APlantedFaultIsReportedWithItsSectionAndLine) {
  SKIP_WITHOUT_MKGMAP();
  fs::create_directories(images_);
  WriteFile(images_ / "gmapsupp.img", "earlier");
  ASSERT_EQ(Compile(PlaceMap("mkgmap/type_not_number.mp", "map.mp"), {"--output", images_.string()}), 1);
  EXPECT_NE(err_.find("Ошибка, секция 2 ([RGN80]), строка 36: "), std::string::npos) << err_;
  EXPECT_NE(err_.find("Файлы IMG не записаны"), std::string::npos) << err_;
  EXPECT_EQ(ReadFile(images_ / "gmapsupp.img"), "earlier");
  EXPECT_FALSE(fs::exists(images_ / "10000001.img"));
  EXPECT_FALSE(WorkFolderLeft(images_));
}

// A map without CodePage is given to mkgmap with one added; the lines mkgmap names in
// that copy are those of the map itself. mkgmap skips the point and writes the images,
// which is still an error.
TEST_F(CompileCommand, LinesOfAMapWithoutCodePageAreTheMapsOwn) {
  SKIP_WITHOUT_MKGMAP();
  std::string map = PlaceMap("mkgmap/point_without_data.mp", "region.mp", true);
  EXPECT_EQ(Compile(map), 1);
  EXPECT_NE(err_.find("Карта собрана, но с ошибками: " + map), std::string::npos) << err_;
  EXPECT_NE(err_.find("Ошибка, секция 25 ([RGN10]), строка 199: у точки нет координат"), std::string::npos) << err_;
  // The images go to the map's own folder.
  EXPECT_TRUE(fs::exists(dir_.path() / "gmapsupp.img"));
  EXPECT_NE(ReadFile(dir_.path() / "10000001.img").find(Ru("ОЗЕРО")), std::string::npos);
  EXPECT_FALSE(WorkFolderLeft(dir_.path()));
}

// mkgmap logs a coarser overview frame of a wide map as an error, yet the map is whole:
// the compile ends as completed, the message listed as a note.
TEST_F(CompileCommand, AMapWideEnoughForACoarserOverviewCompilesWithANote) {
  SKIP_WITHOUT_MKGMAP();
  std::string map = PlaceMap("mkgmap/wide_area.mp", "wide.mp");
  ASSERT_EQ(Compile(map, {"--output", images_.string()}), 0) << out_ << err_;
  EXPECT_NE(out_.find("Карта собрана: " + map), std::string::npos) << out_;
  EXPECT_NE(out_.find("Примечание: рамка карты на обзорной карте"), std::string::npos) << out_;
  EXPECT_TRUE(fs::exists(images_ / "gmapsupp.img"));
  EXPECT_EQ(err_, "");
}

// mirvex build converts the MIF and compiles its result in one run: the text map and
// the images in the output folder.
TEST_F(CompileCommand, BuildConvertsAndCompilesInOneRun) {
  SKIP_WITHOUT_MKGMAP();
  fs::path sample = fs::path(MIRVEX_SOURCE_DATA) / "sample";
  fs::path data = MIRVEX_SOURCE_DATA;
  fs::copy_file(data / "object.txt", home_.path() / "object.txt");
  fs::copy_file(data / "config.ini", home_.path() / "config.ini");
  fs::copy_file(sample / "mirvex.ini", home_.path() / "mirvex.ini");
  std::vector<std::string> arguments = {"build",  (sample / "sample.mif").string(), (sample / "sample.mid").string(),
                                        "--output", images_.string(), "--home", home_.path().string(), "--quiet"};
  ASSERT_EQ(RunMirvex(arguments, &out_, &err_, environment_), 0) << out_ << err_;
  EXPECT_TRUE(fs::exists(images_ / "sample.mp"));
  EXPECT_TRUE(fs::exists(images_ / "gmapsupp.img"));
  EXPECT_NE(out_.find("Конвертация завершена"), std::string::npos) << out_;
  EXPECT_NE(out_.find("Карта собрана"), std::string::npos) << out_;
  // A missing MID stops the run before mkgmap.
  EXPECT_EQ(RunMirvex({"build", (sample / "sample.mif").string(), (dir_.path() / "absent.mid").string(), "--output",
                       (dir_.path() / "other").string(), "--home", home_.path().string(), "--quiet"},
                      &out_, &err_, environment_),
            1);
  EXPECT_FALSE(fs::exists(dir_.path() / "other" / "gmapsupp.img"));
}

// Without mkgmap (or its jar, or Java) the message says what to install; nothing is
// made, not even the output folder.
TEST_F(CompileCommand, MissingMkgmapOrJavaNamesWhatToInstall) {
  std::string map = PlaceMap("sample.expected.mp", "map.mp");
  struct Case {
    const char* name;
    std::string compiler;
    std::string environment;
    std::vector<const char*> says;
  };
  WriteFile(dir_.path() / "mkgmap.jar", "not run");
  // The advice fits the system (the platform's tests check what it says).
  const std::string advice = Cp1251ToUtf8(MkgmapInstallAdvice());
  std::vector<Case> cases = {
      {"no command", "mkgmap-not-installed", "", {"Не найден компилятор карт mkgmap", advice.c_str()}},
      {"no jar", (dir_.path() / "absent" / "mkgmap.jar").string(), "",
       {"Не найден файл mkgmap.jar", "mkgmap.jar", advice.c_str()}},
  };
#ifndef _WIN32
  // The jar runs with java, which is not found on this PATH.
  cases.push_back(
      {"no Java", (dir_.path() / "mkgmap.jar").string(), "env -u JAVA_HOME PATH=/nonexistent", {"Не найдена Java"}});
#endif
  for (const Case& c : cases) {
    SetCompiler(c.compiler);
    environment_ = c.environment;
    EXPECT_EQ(Compile(map, {"--output", images_.string()}), 1) << c.name;
    for (const char* part : c.says) EXPECT_NE(err_.find(part), std::string::npos) << c.name << ": " << err_;
    EXPECT_EQ(out_, "") << c.name;
    EXPECT_FALSE(fs::exists(images_)) << c.name;
  }
}

// mkgmap never finishes a map with a latitude beyond 90 degrees, nor one too large for
// a double, and misplaces NaN: none of them starts it.
TEST_F(CompileCommand, ACoordinateOutOfRangeIsReportedBeforeMkgmapRuns) {
  SetCompiler("mkgmap-not-installed");
  for (const char* latitude : {"95.", "1e400", "-1e400", "NaN", "nan", "Infinity"}) {
    std::string bytes = ReadFile(kTestData / "sample.expected.mp");
    auto at = bytes.find("Data0=(50.") + 7;
    bytes.replace(at, bytes.find(',', at) - at, latitude);
    WriteFile(dir_.path() / "map.mp", bytes);
    EXPECT_EQ(Compile((dir_.path() / "map.mp").string()), 1) << latitude;
    EXPECT_NE(err_.find("Ошибка, секция 1 ([RGN80]), строка 29: координата за пределами"), std::string::npos)
        << latitude << ": " << err_;
    EXPECT_EQ(err_.find("Не найден компилятор"), std::string::npos) << latitude << ": " << err_;
  }
}

TEST_F(CompileCommand, UsageErrors) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"compile"},
                                             {"compile", "a.mp", "b.mp"},
                                             {"compile", "a.mp", "--saved"},
                                             {"compile", "a.mp", "--set", "RusTransl=1"},
                                             {"compile", "a.mp", "--output"},
                                             {"convert", "a.mif", "a.mid", "a.mp", "--output", "x"},
                                             {"crop", "a.mp", "b.mp", "--saved"}}) {
    EXPECT_EQ(RunMirvex(arguments, &out_, &err_), 2) << testing::PrintToString(arguments);
  }
  EXPECT_EQ(Compile((dir_.path() / "absent.mp").string()), 1);
  EXPECT_NE(err_.find("Файл не найден"), std::string::npos) << err_;
}

// "Отмена" while mkgmap runs ends it: the earlier images stay, nothing is left behind.
TEST(CompileMapStop, StoppedRunLeavesTheEarlierImages) {
  SKIP_WITHOUT_MKGMAP();
  ScratchDir dir;
  WriteFile(dir.path() / "map.mp", ReadFile(kTestData / "sample.expected.mp"));
  WriteFile(dir.path() / "gmapsupp.img", "earlier");
  class StoppingHost : public RecordingHost {
   public:
    bool StopRequested() override { return events > 0; }
  } host;
  CompileResult result = CompileMap(dir.File("map.mp"), CompileOptions{}, host);
  EXPECT_EQ(result.status, OperationStatus::kStopped);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(ReadFile(dir.path() / "gmapsupp.img"), "earlier");
  EXPECT_FALSE(fs::exists(dir.path() / "10000001.img"));
  EXPECT_FALSE(WorkFolderLeft(dir.path()));
}


// A map larger than a tile is compiled as tiles side by side: each tile's image, the
// overview map and its .tdb, and one gmapsupp.img; the progress counts the tiles.
TEST(CompileMapTiles, BigMapCompilesAsTilesIntoOneGmapsupp) {
  SKIP_WITHOUT_MKGMAP();
  ScratchDir dir;
  std::string map = "[IMG ID]\r\nID=20260000\r\nName=Tiled\r\nCodePage=1251\r\nLevels=2\r\nLevel0=24\r\n"
                    "Level1=18\r\n[END-IMG ID]\r\n";
  for (int i = 0; i < 600; ++i) {
    double x = 37 + (i % 30) * 0.01, y = 55 + (i / 30) * 0.01;
    std::string a = "(" + NumberText(y) + "," + NumberText(x) + ")";
    std::string b = "(" + NumberText(y + 0.004) + "," + NumberText(x + 0.25) + ")";  // crosses tile edges
    map += "\r\n[RGN40]\r\nType=0x01\r\nLabel=Road " + std::to_string(i) + "\r\nLevels=1\r\nData0=" + a + "," + b +
           "\r\n[END-RGN40]\r\n";
  }
  WriteFile(dir.path() / "map.mp", map);
  WriteFile(dir.path() / "gmapsupp.img", "earlier");
  RecordingHost host;
  CompileOptions options;
  options.tile_bytes = map.size() / 3;
  CompileResult result = CompileMap(dir.File("map.mp"), options, host);
  ASSERT_EQ(result.status, OperationStatus::kCompleted) << Cp1251ToUtf8(host.messages.at(0).text);
  for (const char* file : {"20260001.img", "20260002.img", "20260003.img", "20260000.img", "20260000.tdb"}) {
    EXPECT_TRUE(fs::exists(dir.path() / file)) << file;
  }
  EXPECT_GT(fs::file_size(dir.path() / "gmapsupp.img"), 1000u);
  // Every tile's map is in the gmapsupp.img.
  ImgDirectory directory;
  std::string error;
  ASSERT_EQ(ReadImgDirectory(dir.File("gmapsupp.img"), directory, &error), ImgDirectoryEnd::kRead) << error;
  for (const char* tile : {"20260001", "20260002", "20260003"}) {
    for (const char* type : {"TRE", "RGN", "LBL"}) EXPECT_TRUE(HasSubfile(directory, tile, type)) << tile << type;
  }
  EXPECT_EQ(host.bar_value, 100);
  std::string report = Cp1251ToUtf8(host.messages.at(0).text);
  EXPECT_NE(report.find("Карта разделена на 3 части, mkgmap собирал по "), std::string::npos) << report;
  EXPECT_FALSE(WorkFolderLeft(dir.path()));
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename().string().rfind("tile-", 0), std::string::npos) << entry.path();
  }
}

// A point mkgmap skips in a tile is reported with the section and line of the map the
// tile was cut from.
TEST(CompileMapTiles, AProblemInATileNamesTheOriginalMapsSectionAndLine) {
  SKIP_WITHOUT_MKGMAP();
  ScratchDir dir;
  std::string map = "[IMG ID]\r\nID=20260000\r\nName=Tiled\r\nCodePage=1251\r\nLevels=2\r\nLevel0=24\r\n"
                    "Level1=18\r\n[END-IMG ID]\r\n";
  for (int i = 0; i < 300; ++i) {
    double x = 37 + (i % 20) * 0.01, y = 55 + (i / 20) * 0.01;
    std::string a = "(" + NumberText(y) + "," + NumberText(x) + ")";
    std::string b = "(" + NumberText(y + 0.004) + "," + NumberText(x + 0.005) + ")";
    map += "\r\n[RGN40]\r\nType=0x01\r\nLabel=Road " + std::to_string(i) + "\r\nLevels=1\r\nData0=" + a + "," + b +
           "\r\n[END-RGN40]\r\n";
    if (i == 200) {
      // Section 202: a point without coordinates, which mkgmap skips.
      map += "\r\n[RGN10]\r\nType=0x2f00\r\nLabel=Lost\r\n[END-RGN10]\r\n";
    }
  }
  WriteFile(dir.path() / "map.mp", map);
  // The line of the point's section.
  std::int64_t section_line = 1;
  for (std::size_t at = 0; at < map.find("[RGN10]"); ++at) section_line += map[at] == '\n';
  RecordingHost host;
  CompileOptions options;
  options.tile_bytes = map.size() / 3;
  CompileResult result = CompileMap(dir.File("map.mp"), options, host);
  ASSERT_EQ(host.messages.size(), 1u);
  std::string report = Cp1251ToUtf8(host.messages[0].text);
  bool named = false;
  for (const LocatedProblem& located : result.problems) {
    for (const MapPlace& place : located.places) {
      bool in_section = place.line >= section_line && place.line <= section_line + 4;
      named = named || (place.section == 202 && place.kind == "RGN10" && in_section);
    }
  }
  EXPECT_TRUE(named) << report;
}


// "Отмена" during a tiled compile, while the tiles are written or mkgmap runs, keeps the
// earlier images and leaves no tile behind.
TEST(CompileMapTiles, StoppedTiledRunKeepsTheEarlierImages) {
  SKIP_WITHOUT_MKGMAP();
  for (bool while_mkgmap_runs : {false, true}) {
    ScratchDir dir;
    std::string map = "[IMG ID]\r\nID=20260000\r\nName=Tiled\r\nCodePage=1251\r\n[END-IMG ID]\r\n";
    for (int i = 0; i < 300; ++i) {
      map += "\r\n[RGN10]\r\nType=0x2f00\r\nData0=(" + NumberText(55 + i * 0.001) + "," + NumberText(37 + i * 0.001) +
             ")\r\n[END-RGN10]\r\n";
    }
    WriteFile(dir.path() / "map.mp", map);
    WriteFile(dir.path() / "gmapsupp.img", "earlier");
    // Stops at once (the tiles are being planned), or a few moments after mkgmap started.
    class StoppingHost : public RecordingHost {
     public:
      explicit StoppingHost(bool late) : late_(late) {}
      void SetProgressRange(std::int64_t minimum, std::int64_t maximum) override {
        RecordingHost::SetProgressRange(minimum, maximum);
        mkgmap_started_at_ = events;
      }
      bool StopRequested() override { return !late_ || (mkgmap_started_at_ >= 0 && events > mkgmap_started_at_ + 2); }

     private:
      bool late_;
      int mkgmap_started_at_ = -1;
    } host(while_mkgmap_runs);
    CompileOptions options;
    options.tile_bytes = map.size() / 3;
    CompileResult result = CompileMap(dir.File("map.mp"), options, host);
    EXPECT_EQ(result.status, OperationStatus::kStopped) << while_mkgmap_runs;
    EXPECT_EQ(ReadFile(dir.path() / "gmapsupp.img"), "earlier");
    EXPECT_FALSE(WorkFolderLeft(dir.path()));
    EXPECT_FALSE(fs::exists(dir.path() / "20260001.img"));
  }
}

}  // namespace
}  // namespace mirvex::test
