// The test map: its exact text, its layout rules and its failures.
#include "garmin/test_map.h"
#include "operations/test_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/text.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

TEST(LowerHex, WritesLowerCaseDigitsWithoutLeadingZeros) {
  struct Case {
    std::int32_t value;
    const char* text;
  };
  for (const Case& c : {Case{0, "0"}, Case{15, "f"}, Case{16, "10"}, Case{127, "7f"},
                        Case{255, "ff"}, Case{50000, "c350"}, Case{-1, "ffffffff"}}) {
    EXPECT_EQ(LowerHex(c.value), c.text) << c.value;
  }
}

// One section of the written map, split into its lines.
struct MapObject {
  std::string section;
  std::string label;
  std::string type;
  std::string data;
  std::string end;
};

std::string NextLine(const std::string& text, std::size_t& at) {
  std::size_t end = text.find("\r\n", at);
  if (end == std::string::npos) end = text.size();
  std::string line = text.substr(at, end - at);
  at = end + 2;
  return line;
}

// 64-bit FNV-1a of the bytes.
std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3u;
  }
  return hash;
}

// The map is written once; the tests read it.
class TestMapOutput : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    run_ = new Run;
    // The old content is longer than nothing and must vanish completely.
    WriteFile(run_->dir.File("test.txt"), std::string(10'000'000, 'x'));
    run_->status = WriteTestMap(run_->dir.File("test.txt"), run_->dir.File(""), run_->host);
    run_->output = ReadFile(run_->dir.File("test.txt"));

    std::size_t at = run_->output.find("[END-IMG ID]\r\n");
    ASSERT_NE(at, std::string::npos);
    run_->header = run_->output.substr(0, at + 14);
    at += 14;
    while (at < run_->output.size()) {
      ASSERT_EQ(NextLine(run_->output, at), "") << "every object begins with an empty line";
      MapObject object;
      object.section = NextLine(run_->output, at);
      object.label = NextLine(run_->output, at);
      object.type = NextLine(run_->output, at);
      object.data = NextLine(run_->output, at);
      object.end = NextLine(run_->output, at);
      run_->objects.push_back(object);
    }
    ASSERT_EQ(at, run_->output.size()) << "the map ends with CR LF";
  }
  static void TearDownTestSuite() {
    delete run_;
    run_ = nullptr;
  }

  struct Run {
    ScratchDir dir;
    RecordingHost host;
    OperationStatus status = OperationStatus::kFailed;
    std::string output;
    std::string header;
    std::vector<MapObject> objects;
  };
  static Run* run_;

  static const MapObject& Polygon(int code) { return run_->objects.at(code); }
  static const MapObject& Polyline(int code) { return run_->objects.at(128 + code); }
  static const MapObject& Point(int code) { return run_->objects.at(256 + code); }
  // The (lat, lon) of a point's only pair.
  static std::pair<std::string, std::string> PointPair(int code) {
    const std::string& data = Point(code).data;
    std::size_t comma = data.find(',');
    return {data.substr(7, comma - 7), data.substr(comma + 1, data.size() - comma - 2)};
  }
};

TestMapOutput::Run* TestMapOutput::run_ = nullptr;

TEST_F(TestMapOutput, CompletesWithBeepAndMessageWithoutProgress) {
  EXPECT_EQ(run_->status, OperationStatus::kCompleted);
  EXPECT_EQ(run_->host.beeps, 1);
  ASSERT_EQ(run_->host.messages.size(), 1u);
  EXPECT_EQ(Cp1251ToUtf8(run_->host.messages[0].text), "      Создание карты завершенно");
  EXPECT_EQ(Cp1251ToUtf8(run_->host.messages[0].title), "Создание тестовой карты");
  EXPECT_EQ(run_->host.messages[0].icon, MessageIcon::kNone);
  EXPECT_EQ(run_->host.events, 0);
  EXPECT_EQ(run_->host.percent, "");
}

TEST_F(TestMapOutput, HeaderIsTheFixedImageBlock) {
  EXPECT_EQ(run_->header,
            CrLf({Ru("; Файл конвертирован из формата MIF"), "", "[IMG ID]", "ID=10000001",
                  "Name=Kolvar", "Datum=W84", "Elevation=M", "Preprocess=F", "BlockSize=512",
                  "AlignMethod=0.0001", "TreSize=2000", "TreMargin=0.02000", "RgnLimit=500",
                  "Levels=2", "Level0=24", "Level1=22", "Zoom0=0", "Zoom1=2", "[END-IMG ID]"}));
}

TEST_F(TestMapOutput, PolygonsThenPolylinesThenPointsEachLabelledWithItsCode) {
  struct Phase {
    const char* section;
    const char* end;
    int count;
  };
  std::size_t index = 0;
  for (const Phase& phase : {Phase{"[RGN80]", "[END-RGN80]", 128}, Phase{"[RGN40]", "[END-RGN40]", 128},
                             Phase{"[RGN10]", "[END-RGN10]", 50001}}) {
    for (int code = 0; code < phase.count; ++code, ++index) {
      ASSERT_LT(index, run_->objects.size());
      const MapObject& object = run_->objects[index];
      ASSERT_EQ(object.section, phase.section) << index;
      ASSERT_EQ(object.end, phase.end) << index;
      ASSERT_EQ(object.label, "Label=0x" + LowerHex(code)) << index;
      ASSERT_EQ(object.type, "Type=0x" + LowerHex(code)) << index;
      ASSERT_EQ(object.data.rfind("Data0=(", 0), 0u) << index;
      ASSERT_EQ(object.data.back(), ')') << index;
    }
  }
  EXPECT_EQ(index, run_->objects.size());
}

TEST_F(TestMapOutput, FirstObjectsOfEachPhase) {
  struct Case {
    const MapObject& object;
    const char* label;
    const char* data;
  };
  for (const Case& c :
       {Case{Polygon(0), "Label=0x0", "Data0=(70,60),(70,60.005),(70.007,60.005),(70.007,60)"},
        Case{Polygon(1), "Label=0x1", "Data0=(70,60.0055),(70,60.0105),(70.007,60.0105),(70.007,60.0055)"},
        Case{Polygon(50), "Label=0x32", "Data0=(70.0071,60),(70.0071,60.005),(70.0141,60.005),(70.0141,60)"},
        Case{Polyline(0), "Label=0x0", "Data0=(70.1142,60),(70.1142,61)"}}) {
    EXPECT_EQ(c.object.label, c.label);
    EXPECT_EQ(c.object.data, c.data);
  }
  EXPECT_EQ(Point(1).label, "Label=0x1");
  EXPECT_EQ(PointPair(1).second, "60.0003");
  EXPECT_EQ(PointPair(1).first, PointPair(0).first);
}

// The running sums keep their rounding residues, as the maps in use were written.
TEST_F(TestMapOutput, RunningSumResiduesAreWritten) {
  EXPECT_EQ(Polygon(49).data,
            "Data0=(70,60.2695000000002),(70,60.2745000000002),(70.007,60.2745000000002),"
            "(70.007,60.2695000000002)");
}

// 128 polygons leave 28 objects in the row, so the first row of points holds 22.
TEST_F(TestMapOutput, PointRowsContinueTheLastPolygonRow) {
  auto [first_lat, first_lon] = PointPair(0);
  EXPECT_EQ(first_lon, "60");
  EXPECT_EQ(PointPair(21).first, first_lat);
  EXPECT_NE(PointPair(21).second, "60");
  auto [second_row_lat, second_row_lon] = PointPair(22);
  EXPECT_EQ(second_row_lon, "60");
  EXPECT_NEAR(Value(second_row_lat) - Value(first_lat), 0.0001, 1e-9);
  // Later rows hold 50.
  EXPECT_EQ(PointPair(71).first, second_row_lat);
  EXPECT_EQ(PointPair(72).second, "60");
  EXPECT_NEAR(Value(PointPair(72).first) - Value(second_row_lat), 0.0001, 1e-9);
  // Code 50000 is the 29th point of its row: 28 steps of 0.0003, with their residue.
  EXPECT_EQ(PointPair(50000).second, "60.0084000000001");
}

// The whole map, checked against an independent computation of the same sums.
TEST_F(TestMapOutput, WholeMapMatchesTheKnownBytes) {
  EXPECT_EQ(run_->output.size(), 4550123u);
  EXPECT_EQ(Fnv1a(run_->output), 0x9e71a6e93bb8b69du);
}

struct FailureRun {
  ScratchDir dir;
  RecordingHost host;
  OperationStatus Write(const std::string& path) { return WriteTestMap(path, dir.File(""), host); }
};

TEST(TestMap, MissingFileIsReportedAndNotCreated) {
  FailureRun run;
  for (const std::string& path : {run.dir.File("absent.txt"), run.dir.File("")}) {
    run.host.messages.clear();
    EXPECT_EQ(run.Write(path), OperationStatus::kFailed);
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_EQ(run.host.messages[0].text, Ru("Файл не найден") + "\r\n" + path);
    EXPECT_EQ(Cp1251ToUtf8(run.host.messages[0].title), "Информация");
    EXPECT_EQ(run.host.messages[0].icon, MessageIcon::kExclamation);
  }
  EXPECT_EQ(run.host.beeps, 0);
  EXPECT_FALSE(std::filesystem::exists(run.dir.path() / "absent.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(run.dir.path()));
}

// A file whose name leaves no room for the temporary file beside it: it can be read
// but not replaced, whoever runs the test.
TEST(TestMap, FileThatCannotBeReplacedIsReportedAndKept) {
  FailureRun run;
  std::string path = run.dir.File(std::string(250, 'm') + ".txt");
  WriteFile(path, "old map\r\n");
  ASSERT_EQ(ReadFile(path), "old map\r\n");
  EXPECT_EQ(run.Write(path), OperationStatus::kFailed);
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_NE(run.host.messages[0].text.find(path), std::string::npos);
  EXPECT_EQ(run.host.messages[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(run.host.beeps, 0);
  EXPECT_EQ(ReadFile(path), "old map\r\n");
  std::filesystem::directory_iterator entries(run.dir.path());
  EXPECT_EQ(std::distance(entries, std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace mirvex::test
