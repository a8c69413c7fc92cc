// Cropping text maps to a rectangle.
#include "operations/crop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/cp1251.h"
#include "garmin/map_crop.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

class CropTest : public testing::Test {
 protected:
  CropTest() : paths_{dir_.File("map.mp"), dir_.File("cut.mp")} {
    // North 57, south 55, west 65, east 70.
    options_.north = 57;
    options_.south = 55;
    options_.west = 65;
    options_.east = 70;
  }
  OperationStatus Crop(const std::string& map) {
    WriteFile(paths_.map, map);
    return CropMap(paths_, options_, dir_.File(""), host_);
  }
  std::string Result() const { return ReadFile(paths_.result); }
  // The result after the header of kHeader.
  std::string Objects() const {
    std::string result = Result();
    return result.substr(0, kCroppedHeader.size()) == kCroppedHeader ? result.substr(kCroppedHeader.size())
                                                                     : "header differs: " + result;
  }

  const std::string kHeader = CrLf({"[IMG ID]", "ID=1", "[END-IMG ID]", ""});
  // An empty line, each header line, and the empty line of the header write.
  const std::string kCroppedHeader = CrLf({"", "[IMG ID]", "ID=1", "[END-IMG ID]", "", ""});

  ScratchDir dir_;
  CropPaths paths_;
  CropOptions options_;
  RecordingHost host_;
};

TEST_F(CropTest, WorkedExample) {
  ASSERT_EQ(Crop(kHeader + CrLf({"[RGN40]", "Type=0x01", "Label=Road", "Levels=1",
                                 "Data0=(54.5,65.1),(55.5,66.0),(56.5,67.5)", "[END-RGN40]"})),
            OperationStatus::kCompleted);
  EXPECT_EQ(Result(), kCroppedHeader + CrLf({"[RGN40]", "Levels=1", "Type=0x01", "Label=Road",
                                             "Data0=(55.5,66.0),(56.5,67.5)", "[END-RGN40]", ""}));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(Cp1251ToUtf8(host_.messages[0].text), "               Конвертация завершена");
  EXPECT_EQ(host_.beeps, 1);
}

TEST_F(CropTest, ObjectsKeptOrDropped) {
  struct Case {
    const char* name;
    std::vector<std::string> object;
    std::string expected;
  };
  const Case cases[] = {
      {"last pair outside drops the object", {"[RGN40]", "Type=0x01", "Data0=(56,66),(56.5,67),(57.2,67.5)"}, ""},
      {"polyline with one pair left", {"[RGN40]", "Type=0x01", "Data0=(54,66),(56,67)"}, ""},
      {"polygon with two pairs left", {"[RGN80]", "Type=0x3c", "Data0=(54,66),(56,67),(56,68)"}, ""},
      {"polygon with three pairs",
       {"[RGN80]", "Type=0x3c", "Data0=(56,66),(56,67),(56,68)"},
       CrLf({"[RGN80]", "Levels=0", "Type=0x3c", "Data0=(56,66),(56,67),(56,68)", "[END-RGN80]", ""})},
      {"point of the second class",
       {"[RGN20]", "Type=0x2f", "Label=A", "Data0=(56,66)"},
       CrLf({"[RGN20]", "Levels=0", "Type=0x2f", "Label=A", "Data0=(56,66)", "[END-RGN20]", ""})},
      {"old point position",
       {"[RGN10]", "Type=0x2f", "Origin0=(56,66)"},
       CrLf({"[RGN10]", "Levels=0", "Type=0x2f", "Origin0=(56,66)", "[END-RGN10]", ""})},
      {"point on an edge", {"[RGN10]", "Type=0x2f", "Data0=(57,66)"}, ""},
  };
  for (const Case& c : cases) {
    std::string map = kHeader;
    for (const auto& line : c.object) map += line + "\r\n";
    Crop(map);
    EXPECT_EQ(Objects(), c.expected) << c.name;
  }
}

TEST(InsideRectangle, EdgesAreOutside) {
  CropBounds bounds{57, 55, 65, 70};
  struct Case {
    double latitude, longitude;
    bool inside;
  };
  for (const Case& c : {Case{56, 66, true}, Case{57, 66, false}, Case{55, 66, false}, Case{56, 65, false},
                        Case{56, 70, false}, Case{56.999999, 69.999999, true}}) {
    EXPECT_EQ(InsideRectangle(bounds, c.latitude, c.longitude), c.inside) << c.latitude << " " << c.longitude;
  }
}

TEST(DegreesMinutes, ReadsDegreesAndMinutes) {
  struct Case {
    const char* text;
    double degrees;
  };
  for (const Case& c : {Case{"60.30", 60.5}, Case{"60.5", 60 + 50.0 / 60}, Case{"60.00", 60}, Case{"60", 60},
                        Case{"-5.30", -4.5}, Case{"36.3", 36.5}, Case{"abc", 0}}) {
    EXPECT_DOUBLE_EQ(DegreesMinutes(c.text), c.degrees) << c.text;
  }
}

TEST_F(CropTest, CommasInLabelsAndHeaderLinesAreCarriedWhole) {
  Crop(CrLf({"; made by a, b", "[IMG ID]", "Name=Town, north", "[END-IMG ID]", "", "[RGN40]", "Type=0x01",
             "Label=Road, north", "DirIndicator=1", "Data0=(56,66),(56.5,67)", "[END-RGN40]"}));
  EXPECT_EQ(Result(), CrLf({"", "; made by a, b", "[IMG ID]", "Name=Town, north", "[END-IMG ID]", "", "",
                            "[RGN40]", "Levels=0", "Type=0x01", "Label=Road, north", "DirIndicator=1",
                            "Data0=(56,66),(56.5,67)", "[END-RGN40]", ""}));
}

TEST_F(CropTest, SeveralDataLinesAndEmptyOnesLeftOut) {
  Crop(kHeader + CrLf({"[RGN80]", "Type=0x3c", "Data0=(56,66),(56,67),(56,68)", "Data0=(50,50),(51,51)",
                       "Data0=(56.1,66.1),(56.2,66.2),(56.3,66.3)"}));
  EXPECT_EQ(Objects(), CrLf({"[RGN80]", "Levels=0", "Type=0x3c", "Data0=(56,66),(56,67),(56,68)",
                             "Data0=(56.1,66.1),(56.2,66.2),(56.3,66.3)", "[END-RGN80]", ""}));
}

TEST_F(CropTest, ObjectWithoutCoordinatesIsNotWritten) {
  Crop(kHeader + CrLf({"[RGN10]", "Type=0x2f", "Data0=(56,66)", "[RGN10]", "Type=0x30", "Levels=3", "[RGN40]",
                       "Type=0x01", "Data0=(56,66),(56,67)"}));
  EXPECT_EQ(Objects(), CrLf({"[RGN10]", "Levels=0", "Type=0x2f", "Data0=(56,66)", "[END-RGN10]", "", "[RGN40]",
                             "Levels=0", "Type=0x01", "Data0=(56,66),(56,67)", "[END-RGN40]", ""}));
}

TEST_F(CropTest, MapsWithoutObjectsKeepWhatWasRead) {
  Crop("");
  EXPECT_EQ(Result(), "\r\n\r\n");
  Crop(kHeader);
  EXPECT_EQ(Result(), kCroppedHeader);
}

TEST_F(CropTest, InputProblemsAreReportedAndNothingIsWritten) {
  options_.east.reset();
  EXPECT_EQ(Crop(kHeader), OperationStatus::kFailed);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(Cp1251ToUtf8(host_.messages[0].text), "Не введено одно из значений координат\r\n" + dir_.File("map.mp"));
  options_.east = 70;

  paths_.result = dir_.File("./map.mp");
  EXPECT_EQ(Crop(kHeader), OperationStatus::kFailed);
  EXPECT_EQ(ReadFile(dir_.File("map.mp")), kHeader);

  paths_ = {dir_.File("absent.mp"), dir_.File("cut.mp")};
  EXPECT_EQ(CropMap(paths_, options_, dir_.File(""), host_), OperationStatus::kFailed);
  EXPECT_EQ(Cp1251ToUtf8(host_.messages.back().text), "Файл не найден\r\n" + dir_.File("absent.mp"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "cut.mp"));
  EXPECT_EQ(host_.beeps, 0);
}

TEST_F(CropTest, UnwritableResultKeepsTheEarlierOne) {
  paths_.result = dir_.File("no-such-folder/cut.mp");
  EXPECT_EQ(Crop(kHeader), OperationStatus::kFailed);
  EXPECT_EQ(host_.messages.back().icon, MessageIcon::kExclamation);
  EXPECT_EQ(host_.beeps, 0);
}

}  // namespace
}  // namespace mirvex::test
