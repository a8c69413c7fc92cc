// Malformed, truncated and unusual input files, one table per kind of file: what the
// program makes of each. docs/reliability.md lists these together with the cases the
// other test files cover.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "operations/crop.h"
#include "tests/conversion_fixture.h"
#include "tests/qt/fake_host.h"
#include "ui/main_window.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

// Every byte value four times over, NUL and the line ends included.
std::string AllBytes() {
  std::string bytes;
  for (int round = 0; round < 4; ++round) {
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  }
  return bytes;
}

const std::string kPointS = Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=S", "DirIndicator=1",
                                     "Data0=(2,1)", "[END-RGN10]"});

struct ConversionCase {
  const char* name;
  std::string mif;  // bytes as stored (cp1251)
  std::string mid;
  OperationStatus status;
  std::string sections;  // UTF-8; checked when the run completes
  const char* message;   // UTF-8 part of the first message, or "" for the completion only
};

void PrintTo(const ConversionCase& c, std::ostream* out) { *out << c.name; }

class BadConversionInput : public testing::TestWithParam<ConversionCase> {};

TEST_P(BadConversionInput, IsHandledAsDescribed) {
  const ConversionCase& c = GetParam();
  ConversionFixture run;
  ASSERT_EQ(run.Run(c.mif, c.mid, /*raw=*/true), c.status);
  ASSERT_FALSE(run.host.messages.empty());
  if (c.status == OperationStatus::kCompleted) {
    EXPECT_EQ(run.Sections(), c.sections);
    EXPECT_EQ(run.host.beeps, 1);
  } else {
    EXPECT_FALSE(run.OutputExists());
    EXPECT_EQ(run.host.beeps, 0);
  }
  if (*c.message == '\0') {
    EXPECT_EQ(run.host.messages.size(), 1u) << Cp1251ToUtf8(run.host.messages[0].text);
  } else {
    EXPECT_NE(Cp1251ToUtf8(run.host.messages[0].text).find(c.message), std::string::npos)
        << Cp1251ToUtf8(run.host.messages[0].text);
  }
}

const std::string kSchool = Ru("\"Школа\",\"S\"\r\n");

INSTANTIATE_TEST_SUITE_P(
    Files, BadConversionInput,
    testing::Values(
        ConversionCase{"EmptyMif", "", "", OperationStatus::kFailed, "", "нет строки Data"},
        ConversionCase{"MifWithDataAndNoObjects", "Data\r\n", "", OperationStatus::kCompleted, "", ""},
        ConversionCase{"MifLineOfThreeMegabytes", "Data\r\n\r\n" + std::string(3 << 20, 'x') + "\r\nPoint 1 2\r\n",
                       kSchool, OperationStatus::kCompleted, kPointS, ""},
        ConversionCase{"MifOfEveryByteValue", "Data\r\n\r\n" + AllBytes() + "\r\nPoint 1 2\r\n", kSchool,
                       OperationStatus::kCompleted, kPointS, ""},
        // An object whose keyword line holds no numbers writes nothing but keeps its
        // record, so the next object still gets its own.
        ConversionCase{"ObjectsWithoutNumbers",
                       "Data\r\n\r\nPoint abc def\r\nLine a b c d\r\nRect a b c d\r\nPoint 1 2\r\n",
                       Ru("\"Школа\",\"1\"\r\n\"Школа\",\"2\"\r\n\"Школа\",\"3\"\r\n") + kSchool,
                       OperationStatus::kCompleted, kPointS, ""},
        ConversionCase{"VertexCountAboveTheVertices", "Data\r\n\r\nPline 1000000\r\n1 1\r\n2 2\r\n",
                       Ru("\"Дорога\",\"A\"\r\n"), OperationStatus::kCompleted,
                       Section({"[RGN40]", "Levels=0", "Label=A", "Type=0x01", "Data0=(1,1),(2,2)", "[END-RGN40]"}),
                       ""},
        ConversionCase{"EmptyDelimiterClauseKeepsTheComma", "Delimiter \"\"\r\nData\r\n\r\nPoint 1 2\r\n", kSchool,
                       OperationStatus::kCompleted, kPointS, ""},
        ConversionCase{"MidWithMoreRecordsThanObjects", "Data\r\n\r\nPoint 1 2\r\n", kSchool + kSchool + kSchool,
                       OperationStatus::kCompleted, kPointS, ""},
        ConversionCase{"EmptyMid", "Data\r\n\r\nPoint 1 2\r\n", "", OperationStatus::kCompleted,
                       Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Data0=(2,1)", "[END-RGN10]"}),
                       "меньше записей"},
        ConversionCase{"InvalidUtf8InAUtf8Mid", "Charset \"UTF-8\"\r\nData\r\n\r\nPoint 1 2\r\n",
                       Cp1251ToUtf8(Ru("Школа")) + ",\xff\xfe\r\n", OperationStatus::kCompleted,
                       Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=??", "DirIndicator=1", "Data0=(2,1)",
                                "[END-RGN10]"}),
                       ""}),
    [](const testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

bool OnlyCrLfLineEnds(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
  }
  return true;
}

TEST(BadConversionInput, MidOfEveryByteValueStillConverts) {
  ConversionFixture run;
  run.options.section_from_mif = true;
  ASSERT_EQ(run.Run("Data\r\n\r\nPoint 1 2\r\n", AllBytes(), /*raw=*/true), OperationStatus::kCompleted);
  EXPECT_EQ(run.result.counts.points, 1u);
  // Line ends inside a value never break the section apart.
  EXPECT_TRUE(OnlyCrLfLineEnds(run.Output()));
}

TEST(BadConversionInput, InputThatIsNoFileIsReportedAsMissing) {
  struct Case {
    const char* name;
    std::string ConversionPaths::*input;
    bool folder;
  };
  for (const Case& c : {Case{"missing MIF", &ConversionPaths::mif, false},
                        Case{"MIF is a folder", &ConversionPaths::mif, true},
                        Case{"MID is a folder", &ConversionPaths::mid, true}}) {
    ConversionFixture run;
    WriteFile(run.paths.mif, "Data\r\n\r\nPoint 1 2\r\n");
    WriteFile(run.paths.mid, kSchool);
    std::string path = run.dir.File("other");
    if (c.folder) fs::create_directory(run.dir.path() / "other");
    run.paths.*c.input = path;
    EXPECT_EQ(Convert(run.paths, run.options, run.dir.File(""), run.host).status, OperationStatus::kFailed) << c.name;
    ASSERT_EQ(run.host.messages.size(), 1u) << c.name;
    EXPECT_EQ(run.host.messages[0].text, Ru("Файл не найден") + "\r\n" + path) << c.name;
    EXPECT_FALSE(run.OutputExists()) << c.name;
  }
}

// The dictionary without the default-type record: objects it does not name are
// written without a type, and the user is told how many.
TEST(BadDictionary, WithoutDefaultRecordObjectsAreWrittenUntypedAndCounted) {
  const std::string dictionaries[] = {DictionaryBytes({{"Школа", "0x10", "0x2f06", 0}}), "plain text\r\n"};
  for (const std::string& dictionary : dictionaries) {
    ConversionFixture run;
    WriteFile(run.dir.path() / "object.txt", dictionary);
    ASSERT_EQ(run.Run("Data\r\n\r\nPoint 1 2\r\nPoint 3 4\r\n", "\"Lake\",\"A\"\r\n\"Lake\",\"B\"\r\n", true),
              OperationStatus::kCompleted);
    EXPECT_EQ(run.result.counts.untyped, 2u);
    EXPECT_NE(run.Sections().find("Type=\r\n"), std::string::npos);
    ASSERT_EQ(run.host.messages.size(), 2u);
    EXPECT_TRUE(Cp1251ToUtf8(run.host.messages[0].text).starts_with("2 объекта записаны без типа"));
  }
}

struct CropCase {
  const char* name;
  std::string map;       // after the header
  std::string expected;  // the objects written
};

void PrintTo(const CropCase& c, std::ostream* out) { *out << c.name; }

class BadMapToCrop : public testing::TestWithParam<CropCase> {};

const std::string kCropHeader = CrLf({"[IMG ID]", "[END-IMG ID]"});

// Crops to north 57, south 55, west 65, east 70; the result after its header.
std::string Crop(const std::string& map, OperationStatus* status = nullptr) {
  ScratchDir dir;
  RecordingHost host;
  WriteFile(dir.File("map.mp"), map);
  OperationStatus result =
      CropMap(CropPaths{dir.File("map.mp"), dir.File("cut.mp")}, CropOptions{65, 57, 70, 55}, dir.File(""), host);
  if (status) *status = result;
  return ReadFile(dir.File("cut.mp"));
}

TEST_P(BadMapToCrop, KeepsOnlyWholeObjectsInside) {
  const CropCase& c = GetParam();
  OperationStatus status = OperationStatus::kFailed;
  std::string result = Crop(kCropHeader + c.map, &status);
  EXPECT_EQ(status, OperationStatus::kCompleted);
  const std::string header = "\r\n" + kCropHeader + "\r\n";
  ASSERT_TRUE(result.starts_with(header)) << result.substr(0, 200);
  EXPECT_EQ(result.substr(header.size()), c.expected);
}

std::string ManyPairs(int count) {
  std::string data = "Data0=";
  for (int i = 0; i < count; ++i) data += (i ? ",(56." : "(56.") + std::to_string(i % 1000) + ",66)";
  return data;
}

const std::string kKeptPoint = CrLf({"[RGN10]", "Levels=0", "Type=0x2f", "Data0=(56,66)", "[END-RGN10]", ""});

INSTANTIATE_TEST_SUITE_P(
    Files, BadMapToCrop,
    testing::Values(
        // A half pair at the end of a dropped object does not pair with the next one.
        CropCase{"HalfPairBeforeTheNextObject",
                 CrLf({"[RGN40]", "Type=0x01", "Data0=(56,66),(56.5", "[RGN10]", "Type=0x2f", "Data0=(56,66)"}),
                 kKeptPoint},
        CropCase{"LettersInsteadOfNumbers", CrLf({"[RGN10]", "Type=0x2f", "Data0=(abc,def)"}) + CrLf({"[RGN10]",
                 "Type=0x2f", "Data0=(56,66)"}), kKeptPoint},
        CropCase{"LevelsThatAreNoNumberOrTooLarge",
                 CrLf({"[RGN10]", "Type=0x2f", "Levels=abc", "Data0=(56,66)", "[RGN10]", "Type=0x2f",
                       "Levels=99999999", "Data0=(56,66)"}),
                 kKeptPoint + CrLf({"[RGN10]", "Levels=32767", "Type=0x2f", "Data0=(56,66)", "[END-RGN10]", ""})},
        CropCase{"DataLineOfThreeMegabytes", CrLf({"[RGN40]", "Type=0x01", ManyPairs(300000)}),
                 CrLf({"[RGN40]", "Levels=0", "Type=0x01", ManyPairs(300000), "[END-RGN40]", ""})}),
    [](const testing::TestParamInfo<CropCase>& info) { return std::string(info.param.name); });

TEST(BadMapToCrop, MapOfEveryByteValueIsCarriedAsItsHeader) {
  OperationStatus status = OperationStatus::kFailed;
  std::string result = Crop(AllBytes(), &status);
  EXPECT_EQ(status, OperationStatus::kCompleted);
  EXPECT_EQ(result.find("[RGN"), std::string::npos);
  EXPECT_NE(result.find(std::string("\0\1\2", 3)), std::string::npos);
}

// A program folder with its window, the catalogues copied from the shipped ones.
struct Program {
  Program() {
    for (const char* file : {"point.dat", "line.dat", "poligon.dat"}) {
      fs::copy_file(fs::path(MIRVEX_SOURCE_DATA) / file, dir.path() / file);
    }
  }
  ui::MainWindow& Start() {
    window = std::make_unique<ui::MainWindow>(host, PathText(dir.path()));
    window->Load();
    return *window;
  }
  ScratchDir dir;
  FakeWindowHost host;
  std::unique_ptr<ui::MainWindow> window;
};

TEST(BadSettings, SavedPathCountThatDoesNotMatchTheEntries) {
  struct Case {
    const char* count;
    std::vector<std::string> items;
  };
  for (const Case& c : {Case{"abc", {}}, Case{"-2", {}}, Case{"1.9", {"a.MIF"}}, Case{"3", {"a.MIF", "", ""}}}) {
    Program program;
    WriteFile(program.dir.path() / "mirvex.ini",
              CrLf({"[System]", std::string("PathCount=") + c.count, "[Path1]", "p1=a.MIF"}));
    ui::MainWindow& window = program.Start();
    EXPECT_EQ(window.controls().mif_path.items(), c.items) << c.count;
    EXPECT_EQ(window.controls().mif_path.text(), c.items.empty() ? "" : c.items.back()) << c.count;
    EXPECT_TRUE(program.host.messages.empty());
  }
}

TEST(BadSettings, SectionWrittenTwiceIsReadAndWrittenInItsFirstPlace) {
  Program program;
  WriteFile(program.dir.path() / "mirvex.ini", CrLf({"[System]", "KolSt=3", "[System]", "KolSt=9", "TypeSt=4"}));
  ui::MainWindow& window = program.Start();
  EXPECT_EQ(window.controls().column_count.text(), "3");
  EXPECT_EQ(window.controls().type_column.text(), "");
  window.controls().column_count.SetText("5");
  std::string ini = ReadFile(program.dir.path() / "mirvex.ini");
  EXPECT_TRUE(ini.starts_with(CrLf({"[System]", "KolSt=5"}))) << ini;
  EXPECT_NE(ini.find(CrLf({"[System]", "KolSt=9", "TypeSt=4"})), std::string::npos) << ini;
}

TEST(BadCatalogue, MissingOrFolderCatalogueIsReportedAndListsNothing) {
  for (bool folder : {false, true}) {
    Program program;
    fs::remove(program.dir.path() / "poligon.dat");
    if (folder) fs::create_directory(program.dir.path() / "poligon.dat");
    ui::MainWindow& window = program.Start();
    window.controls().type_list.SetItems({"stale"});
    window.OnTypeCatalogueClicked(ui::TypeCatalogue::kPoints);  // even the points need all three files
    EXPECT_TRUE(window.controls().type_list.items().empty());
    ASSERT_EQ(program.host.messages.size(), 1u);
    EXPECT_EQ(program.host.messages[0].text,
              Ru("Не найден один из файлов описания объектов") + "\r\n" + window.program_prefix());
  }
}

TEST(BadCatalogue, EntriesAreWhatTheFieldsOfTheFileAre) {
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"empty file", "", {}},
      {"unquoted comma splits an entry", "0x05    Path, forest\r\n", {"0x05    Path", "forest"}},
      {"CR-only and LF-only line ends", "0x05    A\r0x06    B\n0x07    C", {"0x05    A", "0x06    B", "0x07    C"}},
      {"empty lines are empty entries", "0x05    A\r\n\r\n", {"0x05    A", ""}},
  };
  for (const Case& c : cases) {
    Program program;
    WriteFile(program.dir.path() / "line.dat", c.file);
    ui::MainWindow& window = program.Start();
    window.OnTypeCatalogueClicked(ui::TypeCatalogue::kLines);
    EXPECT_EQ(window.controls().type_list.items(), c.entries) << c.name;
    EXPECT_TRUE(program.host.messages.empty()) << c.name;
  }
}

}  // namespace
}  // namespace mirvex::test
