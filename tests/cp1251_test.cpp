#include "base/cp1251.h"

#include <gtest/gtest.h>

#include <string>

namespace mirvex {
namespace {

TEST(Cp1251, EveryAssignedByteSurvivesTheRoundTrip) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;
    std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(byte)), byte) << b;
  }
}

TEST(Cp1251, MapsToTheUnicodeCharacters) {
  EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF"), "Ая");
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8"), "Ёё");
  EXPECT_EQ(Cp1251ToUtf8("\x88\xB9\xB5"), "€№µ");
  EXPECT_EQ(Cp1251ToUtf8("\xA5\xB4\xB2\xB3"), "ҐґІі");
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(Ru("Лесная, 5"), "\xCB\xE5\xF1\xED\xE0\xFF, 5");
  EXPECT_EQ(Cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, CharactersOutsideCp1251BecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("日本"), "??");
  EXPECT_EQ(Utf8ToCp1251("x😀y"), "x?y");
  EXPECT_EQ(Utf8ToCp1251("\xEF\xBF\xBD"), "?");  // the replacement character has no byte
  EXPECT_EQ(Utf8ToCp1251("é"), "?");
  // What FitsCp1251 tells apart before a path is used.
  EXPECT_TRUE(FitsCp1251("/карты/Школа №1 «центр».mp"));
  EXPECT_TRUE(FitsCp1251("a?b"));  // a question mark of its own
  for (const char* text : {"café.mp", "日本", "\xEF\xBF\xBD", "\xFF.mp", "A\xD0"}) EXPECT_FALSE(FitsCp1251(text)) << text;
}

TEST(Cp1251, EveryByteOfInvalidUtf8BecomesAQuestionMark) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x80", "?"},                  // a continuation byte alone
      {"\xFF" "A", "?A"},             // never a lead byte
      {"A\xD0", "A?"},                // cut off at the end
      {"\xE2\x82" "A", "??A"},        // cut off before the next character
      {"\xC0\xAF", "??"},             // overlong form of "/"
      {"\xED\xA0\x80", "???"},        // a surrogate
      {"\xF4\x90\x80\x80", "????"},   // beyond U+10FFFF
      {"\xD0\xD0\x90", "?\xC0"},      // a bad sequence, then a good one
  };
  for (const auto& [utf8, expected] : cases) EXPECT_EQ(Utf8ToCp1251(utf8), expected);
}

}  // namespace
}  // namespace mirvex
