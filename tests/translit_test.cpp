#include "garmin/translit.h"

#include <gtest/gtest.h>

#include <string>

#include "base/cp1251.h"

namespace mirvex {
namespace {

struct TransCase {
  const char* input;  // UTF-8 here, cp1251 when handed over
  const char* expected;
};

TEST(Trans, TransliteratesLabels) {
  const TransCase cases[] = {
      {"Дорога", "Doroga"},      {"Шалаш", "Shalash"},   {"ШОССЕ", "SHOSSE"},
      {"Ш", "SH"},               {"Ш-1", "SH-1"},        {"Щука", "Shuka"},
      {"Чита", "Chita"},         {"ЧИТА", "CHITA"},      {"Юг", "Yug"},
      {"юг", "iug"},             {"Яр", "Iar"},          {"ЯР", "IAR"},
      {"Подъезд", "Pod'ezd"},    {"Ёлка", "Elka"},       {"Хвойная", "Hvoinaia"},
      {"Шz", "Shz"},             {"ул. Мира 5", "ul. Mira 5"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Transliterate(Ru(c.input)), c.expected) << c.input;
}

TEST(Trans, WritesEveryLetterOfBothCases) {
  EXPECT_EQ(Transliterate(Ru("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")),
            "abvgdeejziiklmnoprstufhcchshsh'y'eiuia");
  // Each capital of the five stands before a capital here, or last.
  EXPECT_EQ(Transliterate(Ru("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ")),
            "ABVGDEEJZIIKLMNOPRSTUFHCCHSHSH'Y'EYUIA");
}

TEST(Trans, CapitalFormFollowsTheNextInputCharacter) {
  const TransCase cases[] = {
      // The next input letter is lower case although its piece is no letter.
      {"Шь", "Sh'"},
      {"ШЬ", "SH'"},
      {"Шё", "She"},
      // Lower-case letters of other Cyrillic alphabets count too.
      {"Чі", "Chі"},
      {"ЯЯя", "IAIaia"},
      {"Ю Я", "YU IA"},
      {"Ш5", "SH5"},
  };
  for (const auto& c : cases) EXPECT_EQ(Transliterate(Ru(c.input)), Ru(c.expected)) << c.input;
}

TEST(Trans, PassesEveryOtherByteUnchanged) {
  const std::string russian = Ru("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
  ASSERT_EQ(russian.size(), 66u);
  std::string others;
  for (int c = 0; c < 256; ++c) {
    if (russian.find(static_cast<char>(c)) == std::string::npos) others += static_cast<char>(c);
  }
  ASSERT_EQ(others.size(), 190u);
  EXPECT_EQ(Transliterate(others), others);
}

}  // namespace
}  // namespace mirvex
