// Converting every saved path triple: one failure does not stop the others, the table
// says what became of each, and a stop ends the run between two maps.
#include "operations/convert_all.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/cp1251.h"
#include "settings/ini_file.h"
#include "tests/conversion_fixture.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

bool TemporaryFilesIn(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().find(".mirvex-") != std::string::npos) return true;
  }
  return false;
}

// Three triples in a program folder; the second's MIF is missing.
class ConvertAllTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "c"}) {
      WriteFile(conversion_.dir.path() / (std::string(name) + ".mif"),
                CrLf({"Columns 2", "Data", "", "Point 65.5 57.25", "    Symbol (35,0,12)"}));
    }
    for (const char* name : {"a", "b", "c"}) {
      WriteFile(conversion_.dir.path() / (std::string(name) + ".mid"), Ru("\"Школа\",\"Школа 1\"\r\n"));
      triples_.push_back({File(name, ".mif"), File(name, ".mid"), File(name, ".mp")});
    }
  }
  std::string File(const char* name, const char* suffix) { return conversion_.dir.File(std::string(name) + suffix); }
  BatchResult Run(Host& host) { return ConvertAll(triples_, conversion_.options, conversion_.dir.File(""), host); }

  ConversionFixture conversion_;
  std::vector<ConversionPaths> triples_;
};

TEST_F(ConvertAllTest, AFailedTripleDoesNotStopTheOthersAndTheTableSaysWhy) {
  RecordingHost host;
  BatchResult result = Run(host);
  EXPECT_EQ(result.status, OperationStatus::kFailed);
  ASSERT_EQ(result.entries.size(), 3u);
  EXPECT_EQ(result.entries[0].status, OperationStatus::kCompleted);
  EXPECT_EQ(result.entries[1].status, OperationStatus::kFailed);
  EXPECT_EQ(result.entries[2].status, OperationStatus::kCompleted);
  EXPECT_EQ(result.entries[2].counts.points, 1);
  EXPECT_TRUE(fs::exists(conversion_.dir.path() / "a.mp"));
  EXPECT_FALSE(fs::exists(conversion_.dir.path() / "b.mp"));
  EXPECT_TRUE(fs::exists(conversion_.dir.path() / "c.mp"));
  EXPECT_FALSE(TemporaryFilesIn(conversion_.dir.path()));
  // One message, the table: the maps' own messages are in it, not in boxes of their own.
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kNone);
  EXPECT_EQ(host.beeps, 0);
  std::string table = Cp1251ToUtf8(host.messages[0].text);
  EXPECT_NE(table.find("Конвертировано карт: 2 из 3"), std::string::npos) << table;
  EXPECT_NE(table.find("1. " + Cp1251ToUtf8(File("a", ".mp")) + "\r\n   [RGN10] 1, [RGN40] 0, [RGN80] 0 - готово"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("2. " + Cp1251ToUtf8(File("b", ".mp")) + "\r\n   не конвертирована: Файл не найден " +
                       Cp1251ToUtf8(File("b", ".mif"))),
            std::string::npos)
      << table;
}

TEST_F(ConvertAllTest, EveryTripleConvertedIsACompletedRunWithOneBeep) {
  WriteFile(conversion_.dir.path() / "b.mif", ReadFile(conversion_.dir.path() / "a.mif"));
  RecordingHost host;
  EXPECT_EQ(Run(host).status, OperationStatus::kCompleted);
  EXPECT_EQ(host.beeps, 1);
  EXPECT_NE(Cp1251ToUtf8(host.messages.at(0).text).find("Конвертировано карт: 3 из 3"), std::string::npos);
  // The percentage names the map.
  EXPECT_EQ(Cp1251ToUtf8(host.percent), "карта 3 из 3: 100");
}

// A stop asked for during the first map ends the run before the second: the first
// result stays, the others are not started.
TEST_F(ConvertAllTest, AStopEndsTheRunBeforeTheNextMap) {
  WriteFile(conversion_.dir.path() / "b.mif", ReadFile(conversion_.dir.path() / "a.mif"));
  class StoppingHost : public RecordingHost {
   public:
    void SetPercentCaption(const std::string& caption) override {
      RecordingHost::SetPercentCaption(caption);
      if (Cp1251ToUtf8(caption) == "карта 1 из 3: 100") stop = true;
    }
    bool StopRequested() override { return stop; }
    bool stop = false;
  } host;
  BatchResult result = Run(host);
  EXPECT_EQ(result.status, OperationStatus::kStopped);
  EXPECT_EQ(result.entries[0].status, OperationStatus::kCompleted);
  for (int i : {1, 2}) {
    EXPECT_EQ(result.entries[i].status, OperationStatus::kStopped);
    EXPECT_FALSE(result.entries[i].started);
  }
  EXPECT_TRUE(fs::exists(conversion_.dir.path() / "a.mp"));
  EXPECT_FALSE(fs::exists(conversion_.dir.path() / "b.mp"));
  EXPECT_FALSE(TemporaryFilesIn(conversion_.dir.path()));
  std::string table = Cp1251ToUtf8(host.messages.at(0).text);
  EXPECT_NE(table.find("Конвертировано карт: 1 из 3"), std::string::npos) << table;
  EXPECT_NE(table.find("не конвертировалась: операция прервана"), std::string::npos) << table;
}

TEST_F(ConvertAllTest, WithoutSavedTriplesItSaysHowToSaveThem) {
  triples_.clear();
  RecordingHost host;
  EXPECT_EQ(Run(host).status, OperationStatus::kFailed);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(Cp1251ToUtf8(host.messages[0].text).find("«Сохранить путь»"), std::string::npos);
}

// mirvex convert --saved: the triples of mirvex.ini, the table on standard output.
TEST_F(ConvertAllTest, CommandLineConvertsTheSavedTriplesOfTheProgramFolder) {
  const fs::path& home = conversion_.dir.path();
  std::string folder = PathText(home);
  WriteFile(home / "mirvex.ini", CrLf({"[System]", "KolSt=2", "TypeSt=1", "PodpSt=2", "TypeObj=0"}));
  WriteFile(home / "config.ini", CrLf({"[IMG ID]", "ID=1", "[END-IMG ID]"}));
  WriteSetting(folder, "System", "PathCount", "3");
  for (int i = 0; i < 3; ++i) {
    std::string key = "p" + std::to_string(i + 1);
    WriteSetting(folder, "Path1", key, triples_[i].mif);
    WriteSetting(folder, "Path2", key, triples_[i].mid);
    WriteSetting(folder, "Path3", key, triples_[i].result);
  }
  std::string settings = ReadFile(home / "mirvex.ini");
  std::string out, err;
  EXPECT_EQ(RunMirvex({"convert", "--saved", "--home", home.string(), "--quiet"}, &out, &err), 1) << err;
  EXPECT_NE(out.find("Конвертация сохранённых карт: Конвертировано карт: 2 из 3"), std::string::npos) << out;
  EXPECT_NE(out.find("не конвертирована: Файл не найден"), std::string::npos) << out;
  EXPECT_TRUE(fs::exists(home / "c.mp"));
  EXPECT_FALSE(TemporaryFilesIn(home));
  EXPECT_EQ(ReadFile(home / "mirvex.ini"), settings);

  WriteFile(home / "b.mif", ReadFile(home / "a.mif"));
  EXPECT_EQ(RunMirvex({"convert", "--saved", "--home", home.string(), "--quiet"}, &out, &err), 0) << err;
  EXPECT_NE(out.find("Конвертировано карт: 3 из 3"), std::string::npos) << out;

  // Paths come from the settings only.
  EXPECT_EQ(RunMirvex({"convert", "--saved", File("a", ".mif"), "--home", home.string()}, &out, &err), 2);
}

}  // namespace
}  // namespace mirvex::test
