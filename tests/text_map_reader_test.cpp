// The grammar of a Garmin text map's lines and coordinate pairs.
#include "garmin/text_map_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace mirvex {
namespace {

TEST(TextMapReader, ReadsSectionsAndKeysInAnyLetterCaseAndBlanks) {
  struct Case {
    const char* line;
    TextMapLineKind kind;
    int object_section;
    TextMapKey key;
    const char* value;
  };
  using K = TextMapLineKind;
  using Key = TextMapKey;
  const Case cases[] = {
      {"[RGN80]", K::kSection, 80, Key::kOther, ""},
      {"  [rgn10]  ", K::kSection, 10, Key::kOther, ""},
      {"[RGN20", K::kSection, 20, Key::kOther, ""},
      {"[RGN30]", K::kSection, -1, Key::kOther, ""},
      {"[IMG ID]", K::kSection, 0, Key::kOther, ""},
      {"[END-RGN40]", K::kSectionEnd, 0, Key::kOther, ""},
      {"[end]", K::kSectionEnd, 0, Key::kOther, ""},
      {"; a comment=1", K::kComment, 0, Key::kOther, ""},
      {" \t ", K::kEmpty, 0, Key::kOther, ""},
      {"Type=0x01", K::kKey, 0, Key::kType, "0x01"},
      {"\ttype = 0x02", K::kKey, 0, Key::kType, " 0x02"},
      {"LABEL=Река, мост", K::kKey, 0, Key::kLabel, "Река, мост"},
      {"Levels=2", K::kKey, 0, Key::kLevels, "2"},
      {"EndLevel=3", K::kKey, 0, Key::kEndLevel, "3"},
      {"DirIndicator=1", K::kKey, 0, Key::kDirIndicator, "1"},
      {"Data0=(1,2)", K::kKey, 0, Key::kCoordinates, "(1,2)"},
      {"data12=(1,2)", K::kKey, 0, Key::kCoordinates, "(1,2)"},
      {"Origin0=(1,2)", K::kKey, 0, Key::kCoordinates, "(1,2)"},
      {"DataX=(1,2)", K::kKey, 0, Key::kOther, "(1,2)"},
      {"Data0 junk", K::kOther, 0, Key::kOther, ""},
  };
  for (const Case& c : cases) {
    TextMapLine line = ReadTextMapLine(c.line);
    EXPECT_EQ(line.kind, c.kind) << c.line;
    EXPECT_EQ(line.object_section, c.object_section) << c.line;
    EXPECT_EQ(line.key_kind, c.key) << c.line;
    EXPECT_EQ(line.value, c.value) << c.line;
  }
  TextMapLine data = ReadTextMapLine("Data12=(1,2)");
  EXPECT_EQ(data.coordinate_index, 12);
  EXPECT_FALSE(data.origin);
  EXPECT_TRUE(ReadTextMapLine("origin0=(1,2)").origin);
}

// The pairs of a value as "lat;lon " texts, then "end" or "broken".
std::string Pairs(std::string_view value) {
  std::string out;
  std::size_t at = 0;
  std::string_view latitude, longitude;
  while (true) {
    PairStep step = NextCoordinatePair(value, at, latitude, longitude);
    if (step == PairStep::kEnd) return out + "end";
    if (step == PairStep::kBroken) return out + "broken";
    out += std::string(latitude) + ";" + std::string(longitude) + " ";
  }
}

TEST(TextMapReader, WalksCoordinatePairsUntilTheyEndOrBreak) {
  struct Case {
    const char* value;
    const char* pairs;
  };
  const Case cases[] = {
      {"(1,2),(3,4)", "1;2 3;4 end"},
      {" ( 1 , 2 ) , (3,4) ", "1;2 3;4 end"},
      {"(1,2),", "1;2 end"},
      {"", "end"},
      {"(1,2)(3,4)", "broken"},
      {"(1,2),(3", "1;2 broken"},
      {"(1;2)", "broken"},
      {"1,2", "broken"},
  };
  for (const Case& c : cases) EXPECT_EQ(Pairs(c.value), c.pairs) << c.value;
}

}  // namespace
}  // namespace mirvex
