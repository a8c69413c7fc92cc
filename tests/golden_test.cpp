// The real mirvex on whole maps: the bundled sample and a MIF/MID pair written by
// GDAL, each compared byte for byte with its reviewed result, and compiled by mkgmap
// when it is installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/cp1251.h"
#include "base/platform.h"
#include "dictionary/object_dictionary.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

struct GoldenMap {
  const char* name;
  const char* mif;       // relative to the source tree
  const char* mid;
  const char* settings;  // mirvex.ini of the program folder, or null for the sample's
  const char* expected;  // relative to tests/data
};

const GoldenMap kMaps[] = {
    {"Sample", "data/sample/sample.mif", "data/sample/sample.mid", nullptr, "sample.expected.mp"},
    {"Gdal", "tests/data/gdal/gdal_layer.mif", "tests/data/gdal/gdal_layer.mid",
     "[System]\r\nKolSt=2\r\nTypeSt=1\r\nPodpSt=2\r\nAutoSet=1\r\n", "gdal/gdal_layer.expected.mp"},
};

const fs::path kSource = fs::path(MIRVEX_SOURCE_DATA).parent_path();

// Converts one map with the shipped program-folder files; returns the result path.
fs::path Convert(const GoldenMap& map, const ScratchDir& home) {
  fs::copy_file(kSource / "data/config.ini", home.path() / "config.ini");
  fs::copy_file(kSource / "data/object.txt", home.path() / "object.txt");
  if (map.settings) {
    WriteFile(home.path() / "mirvex.ini", map.settings);
  } else {
    fs::copy_file(kSource / "data/sample/mirvex.ini", home.path() / "mirvex.ini");
  }
  fs::path result = home.path() / "result.mp";
  std::string err;
  EXPECT_EQ(RunMirvex({"convert", (kSource / map.mif).string(), (kSource / map.mid).string(), result.string(),
                       "--home", home.path().string(), "--quiet"},
                      nullptr, &err),
            0)
      << err;
  return result;
}

TEST(Golden, MapsConvertToTheirReviewedResults) {
  for (const GoldenMap& map : kMaps) {
    ScratchDir home;
    fs::path result = Convert(map, home);
    EXPECT_EQ(ReadFile(result), ReadFile(fs::path(MIRVEX_TEST_DATA) / map.expected)) << map.name;
  }
}

// The crop of the sample's converted map and of a hand-written map with [RGN20],
// Origin and several Data lines, with the sample's rectangle.
TEST(Golden, CropsGiveTheirReviewedResults) {
  struct CropCase {
    const char* map;  // in tests/data
    const char* expected;
  };
  for (const CropCase& crop : {CropCase{"sample.expected.mp", "sample.cut.expected.mp"},
                               CropCase{"hand_written.mp", "hand_written.cut.expected.mp"}}) {
    ScratchDir home;
    fs::copy_file(kSource / "data/sample/mirvex.ini", home.path() / "mirvex.ini");
    fs::path result = home.path() / "cut.mp";
    std::string err;
    ASSERT_EQ(RunMirvex({"crop", (fs::path(MIRVEX_TEST_DATA) / crop.map).string(), result.string(), "--home",
                         home.path().string()},
                        nullptr, &err),
              0)
        << err;
    EXPECT_EQ(ReadFile(result), ReadFile(fs::path(MIRVEX_TEST_DATA) / crop.expected)) << crop.map;
  }
}

// On Windows the compiler is a mkgmap.jar the user names; the Linux build checks the maps.
#ifdef _WIN32
bool MapCompilerInstalled() { return false; }
#else
bool MapCompilerInstalled() { return std::system("command -v mkgmap >/dev/null 2>&1") == 0; }
#endif

// Compiles the map with mkgmap in its folder: no error in the log and an image made.
void ExpectCompiles(const fs::path& map, const std::string& name) {
  fs::path folder = map.parent_path();
  fs::path out = folder / "img";
  fs::create_directories(out);
  std::string command = "cd '" + folder.string() + "' && mkgmap --output-dir=img '" + map.filename().string() +
                        "' >log 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << name << ReadFile(folder / "log");
  std::string log = ReadFile(folder / "log");
  EXPECT_EQ(log.find("SEVERE"), std::string::npos) << name << log;
  EXPECT_EQ(log.find("ERROR"), std::string::npos) << name << log;
  bool image = false;
  for (const auto& entry : fs::directory_iterator(out)) image |= entry.path().extension() == ".img";
  EXPECT_TRUE(image) << name << log;
}

TEST(Golden, MapCompilerAcceptsTheResults) {
  if (!MapCompilerInstalled()) GTEST_SKIP() << "mkgmap is not installed";
  for (const GoldenMap& map : kMaps) {
    ScratchDir home;
    ExpectCompiles(Convert(map, home), map.name);
  }
}

// The sample with its shops (points) and lakes (regions) deleted from the dictionary,
// as "Удалить" stores them, in both modes of "Автоматически определять тип региона":
// they are left out, nothing else takes their "Нет", and the map compiles.
TEST(Golden, MapWithDeletedRecordsLeavesThemOutAndCompiles) {
  for (const char* section_from_mif : {"0", "1"}) {
    ScratchDir home;
    GoldenMap map = kMaps[0];
    Convert(map, home);  // seeds the program folder
    RecordingHost quiet;
    for (const char* name : {"Магазин", "Озеро"}) {
      ObjectRecord deleted;
      SetField(deleted.ObjectName, Ru(name));
      SetField(deleted.RegionCode, Ru("Нет"));
      SetField(deleted.ObjectType, Ru("Нет"));
      ASSERT_EQ(StoreObjectRecord(quiet, PathText(home.path() / "object.txt"), deleted), StoreResult::kStored);
    }
    fs::path result = home.path() / "deleted.mp";
    std::string err;
    ASSERT_EQ(RunMirvex({"convert", (kSource / map.mif).string(), (kSource / map.mid).string(), result.string(),
                         "--home", home.path().string(), "--quiet", "--set",
                         std::string("TypeObj=") + section_from_mif},
                        nullptr, &err),
              0)
        << err;
    std::string text = Cp1251ToUtf8(ReadFile(result));
    EXPECT_EQ(text.find("Type=Нет"), std::string::npos) << section_from_mif;
    for (const char* label : {"Продукты", "Аптека", "Озеро Круглое", "Пруд"}) {
      EXPECT_EQ(text.find(label), std::string::npos) << section_from_mif << label;
    }
    EXPECT_NE(text.find("Label=Ольховка"), std::string::npos) << section_from_mif;
    if (MapCompilerInstalled()) ExpectCompiles(result, std::string("TypeObj=") + section_from_mif);
  }
}

}  // namespace
}  // namespace mirvex::test
