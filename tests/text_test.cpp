#include "base/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include <string>

#include "base/cp1251.h"

namespace mirvex {
namespace {

struct ValueCase {
  std::string text;
  double expected;
};

TEST(Value, ReadsTheLeadingNumber) {
  const ValueCase cases[] = {
      {"65.5", 65.5},     {" 1 2.5", 12.5},  {"-3", -3},       {"+4", 4},
      {"1e3", 1000},      {"1E-2", 0.01},    {"2.5e+2", 250},  {"1e", 1},
      {"1e+", 1},         {"1ex", 1},        {".5", 0.5},      {"-.5", -0.5},
      {"5.", 5},          {"abc", 0},        {"", 0},          {"12abc", 12},
      {"1,5", 1},         {"inf", 0},        {"-inf", 0},      {"nan", 0},
      {"0x1A", 0},        {".", 0},          {"-", 0},         {"+-3", 0},
      {"--3", 0},         {"1.2.3", 1.2},    {"\t7\n8", 78},   {"- 3", -3},
      {"1 e 2", 100},     {"1e999", 0},      {"-1e999", 0},    {"0.1", 0.1},
      {"60.2695000000002", 60.2695000000002},
      {"-180.5", -180.5}, {"3\r4", 3},       {"7 ,8", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c.text), c.expected) << '"' << c.text << '"';
}

TEST(Value, StopsAtTheTextAfterTheNumberEvenWithoutADelimiter) {
  std::string_view text = "42.5)(rest";
  EXPECT_EQ(Value(text.substr(0, 4)), 42.5);
  EXPECT_EQ(Value(text), 42.5);
}

TEST(Value, ReadsNumbersLongerThanAnyUsualText) {
  // Longer than the reader's stack buffer: must still be read exactly.
  std::string tiny = "0." + std::string(200, '0') + "1";
  EXPECT_DOUBLE_EQ(Value(tiny), 1e-201);
  std::string huge = "1" + std::string(300, '0') + ".5xyz";
  EXPECT_DOUBLE_EQ(Value(huge), 1e300);
  EXPECT_EQ(Value("1" + std::string(400, '0')), 0);  // beyond the range of a double
}

TEST(NumberText, WritesPlainDecimalWithFifteenSignificantDigits) {
  const std::pair<double, std::string> cases[] = {
      {65.5, "65.5"},
      {0.25, "0.25"},
      {-3, "-3"},
      {0, "0"},
      {-0.0, "0"},
      {60.2695000000002, "60.2695000000002"},
      {0.1 + 0.2, "0.3"},
      {1e-7, "0.0000001"},
      {-1.5e-5, "-0.000015"},
      {1e20, "100000000000000000000"},
      {123456789012345678.0, "123456789012346000"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {9.9999999999999999, "10"},
      {99999.99999999999, "100000"},
      {-180.5, "-180.5"},
      {100000, "100000"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(NumberText(value), expected) << value;
}

TEST(DegreesText, SevenDecimalsWithoutTrailingZeros) {
  const std::vector<std::pair<double, std::string>> cases = {
      {37.6173, "37.6173"},          {55.75002152, "55.7500215"}, {-0.5, "-0.5"},
      {55, "55"},                    {0, "0"},                    {-0.0, "0"},
      {-0.00000004, "0"},            {-0.00000006, "-0.0000001"}, {179.99999999, "180"},
      {-179.9999999, "-179.9999999"}, {0.0000001, "0.0000001"},   {12.30000004, "12.3"},
      {-90, "-90"},                  {1.00000005, "1.0000001"},
  };
  for (const auto& [value, text] : cases) {
    char out[kDegreesTextLimit];
    EXPECT_EQ(std::string(out, WriteDegreesText(value, out)), text) << value;
  }
}

TEST(NumberText, AppendKeepsWhatTheTextHeld) {
  std::string text = "Data0=(";
  AppendNumberText(text, 55.75);
  text += ',';
  AppendNumberText(text, -37.5);
  EXPECT_EQ(text, "Data0=(55.75,-37.5");
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, double> cases[] = {
      {0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},   {-0.5, 0},
      {-1.5, -2}, {-2.5, -2}, {2.4, 2},   {2.6, 3},   {-2.6, -3},
      {0.49999999999999994, 0}, {3, 3},  {1e300, 1e300}, {4503599627370497.0, 4503599627370497.0},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

TEST(TrimBlanks, RemovesOnlyOuterBlanks) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("\tx\t"), "\tx\t");
  EXPECT_EQ(TrimBlanks(std::string_view(" x\0 ", 4)), std::string_view("x\0", 2));
}

TEST(Reply, ReplacesEveryOccurrence) {
  EXPECT_EQ(Reply("1,5,7", ',', "."), "1.5.7");
  EXPECT_EQ(Reply("a;b", ';', "\r\n"), "a\r\nb");
  EXPECT_EQ(Reply("abc", ',', "."), "abc");
  EXPECT_EQ(Reply("a,b", ',', ""), "ab");
}

TEST(Case, MapsEveryAlphabetCp1251Holds) {
  const std::pair<std::string, std::string> pairs[] = {
      {"a", "A"}, {"z", "Z"}, {Ru("а"), Ru("А")}, {Ru("я"), Ru("Я")}, {Ru("ё"), Ru("Ё")},
      {Ru("і"), Ru("І")}, {Ru("ї"), Ru("Ї")}, {Ru("є"), Ru("Є")}, {Ru("ґ"), Ru("Ґ")},
      {Ru("ў"), Ru("Ў")}, {Ru("ђ"), Ru("Ђ")}, {Ru("ѓ"), Ru("Ѓ")}, {Ru("ѕ"), Ru("Ѕ")},
      {Ru("ј"), Ru("Ј")}, {Ru("љ"), Ru("Љ")}, {Ru("њ"), Ru("Њ")}, {Ru("ќ"), Ru("Ќ")},
      {Ru("ћ"), Ru("Ћ")}, {Ru("џ"), Ru("Џ")},
  };
  for (const auto& [lower, upper] : pairs) {
    auto l = static_cast<unsigned char>(lower[0]);
    auto u = static_cast<unsigned char>(upper[0]);
    EXPECT_EQ(UpperCp1251(l), u) << lower;
    EXPECT_EQ(LowerCp1251(u), l) << upper;
    EXPECT_TRUE(IsLowerCp1251(l)) << lower;
    EXPECT_FALSE(IsLowerCp1251(u)) << upper;
  }
}

TEST(Case, LeavesNonLettersAloneAndCountsTheMicroSignAsLower) {
  // Digits, punctuation, the trade mark sign and the numero sign.
  for (int c : {0x30, 0x20, 0x2D, 0x99, 0xB9}) {
    EXPECT_EQ(UpperCp1251(static_cast<unsigned char>(c)), c) << c;
    EXPECT_EQ(LowerCp1251(static_cast<unsigned char>(c)), c) << c;
  }
  EXPECT_FALSE(IsLowerCp1251('5'));
  EXPECT_TRUE(IsLowerCp1251(0xB5));
  EXPECT_EQ(UpperCp1251(0xB5), 0xB5);
  int lower_count = 0;
  for (int c = 0; c < 256; ++c) lower_count += IsLowerCp1251(static_cast<unsigned char>(c));
  EXPECT_EQ(lower_count, 26 + 33 + 14 + 1);
}

TEST(EqualsIgnoreAsciiCase, FoldsOnlyLatinLetters) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("Columns", "COLUMNS"));
  EXPECT_TRUE(EqualsIgnoreAsciiCase("", ""));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("Columns", "Column"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("[", "{"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(Ru("Д"), Ru("д")));
}

TEST(CheckText, RejectsDigitsAndLowerCaseStarts) {
  const std::pair<std::string, std::string> cases[] = {
      {Ru("Москва"), Ru("Москва")},
      {Ru("москва"), ""},
      {Ru("Дом 5"), ""},
      {Ru("Д"), Ru("Д")},
      {"", ""},
      {"moscow", ""},
      {"Moscow", "Moscow"},
      {Ru("ёлка"), ""},
      {Ru("іван"), ""},
      {Ru("\"Бор\""), Ru("\"Бор\"")},
      {Ru(" лес"), Ru(" лес")},
      {"0", ""},
      {Ru("Лес9"), ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(CheckText(text), expected) << Cp1251ToUtf8(text);
}

}  // namespace
}  // namespace mirvex

namespace mirvex {
namespace {

// The quick path for plain decimals must give exactly the double the general parse
// gives, digit strings of every length included.
TEST(Value, PlainDecimalsMatchTheGeneralParse) {
  std::mt19937_64 random(7);
  for (int n = 0; n < 20000; ++n) {
    std::string text = random() % 2 ? "-" : "";
    int integer_digits = static_cast<int>(random() % 8);
    int decimals = static_cast<int>(random() % 18);
    for (int i = 0; i < integer_digits; ++i) text += static_cast<char>('0' + random() % 10);
    text += '.';
    for (int i = 0; i < decimals; ++i) text += static_cast<char>('0' + random() % 10);
    std::string general = text + " ";  // a trailing blank takes the general path
    EXPECT_EQ(Value(text), Value(general)) << text;
    EXPECT_EQ(Value(text + ")"), Value(general + ")")) << text;
  }
}

}  // namespace
}  // namespace mirvex

namespace mirvex {
namespace {

// Which texts are a whole decimal number, and the value of each: a number beyond a
// double is infinite (a map compiler must never get it as a coordinate), one too small
// for it is zero.
TEST(ParseDecimal, TakesOnlyAWholeNumberAndMarksOverflowAsInfinite) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  std::string four_hundred_digits(401, '0');
  four_hundred_digits[0] = '1';
  struct Case {
    std::string text;
    bool number;
    double value;
  };
  const Case cases[] = {
      {"36.51", true, 36.51},      {"-36.5", true, -36.5},     {"+1e5", true, 1e5},
      {".5", true, 0.5},           {"7.", true, 7},            {"5E-1", true, 0.5},
      {"1e400", true, kInfinity},  {"-1e400", true, -kInfinity}, {"1e999", true, kInfinity},
      {"1e-400", true, 0},         {"0.0000e999", true, 0},    {"123.4e307", true, kInfinity},
      {"0.001e-330", true, 0},     {four_hundred_digits, true, kInfinity},
      {"1e", false, 0},            {"1e+", false, 0},          {"1.2.3", false, 0},
      {"--1", false, 0},           {"+-1", false, 0},          {".", false, 0},
      {"", false, 0},              {"-", false, 0},            {"nan", false, 0},
      {"NaN", false, 0},           {"inf", false, 0},          {"1 2", false, 0},
      {" 1", false, 0},            {"1,5", false, 0},          {"0x1A", false, 0},
  };
  for (const Case& c : cases) {
    double value = -12345;
    EXPECT_EQ(ParseDecimal(c.text, value), c.number) << '"' << c.text << '"';
    if (c.number) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(IsFiniteDecimal(c.text), c.number && std::isfinite(c.value)) << '"' << c.text << '"';
  }
  // Near the largest double: its own digits are a number, ten times it is none.
  EXPECT_TRUE(IsFiniteDecimal("1.7976931348623157e308"));
  EXPECT_FALSE(IsFiniteDecimal("1.8e308"));
  std::string largest(309, '0'), beyond(309, '0');
  largest.replace(0, 17, "17976931348623157");
  beyond.replace(0, 2, "18");
  EXPECT_TRUE(IsFiniteDecimal(largest));
  EXPECT_FALSE(IsFiniteDecimal(beyond));
}

TEST(PluralForm, FollowsTheNumbersLastDigits) {
  struct Case {
    long long count;
    const char* text;
  };
  const Case cases[] = {
      {0, "0 объектов"},     {1, "1 объект"},       {2, "2 объекта"},      {4, "4 объекта"},
      {5, "5 объектов"},     {11, "11 объектов"},   {12, "12 объектов"},   {14, "14 объектов"},
      {20, "20 объектов"},   {21, "21 объект"},     {22, "22 объекта"},    {24, "24 объекта"},
      {25, "25 объектов"},   {30, "30 объектов"},   {101, "101 объект"},   {111, "111 объектов"},
      {112, "112 объектов"}, {1002, "1002 объекта"}, {-1, "-1 объект"},   {-13, "-13 объектов"},
  };
  for (const Case& c : cases) EXPECT_EQ(Cp1251ToUtf8(ObjectCount(c.count)), c.text) << c.count;
  EXPECT_EQ(PluralForm(3, "a", "b", "c"), "b");
}

}  // namespace
}  // namespace mirvex
