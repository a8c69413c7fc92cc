// The words of a MIF line: the split of coordinate lines that every vertex goes
// through, checked against the plain byte-by-byte split.
#include "mapinfo/mif_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace mirvex {
namespace {

void ExpectSameSplit(const std::string& line) {
  CoordinateTokens fast = SplitCoordinates(line);
  CoordinateTokens bytes = SplitCoordinatesByBytes(line);
  std::string_view rest = line;
  std::string_view x = NextToken(rest);
  std::string_view y = NextToken(rest);
  EXPECT_EQ(fast.x, x) << '"' << line << '"';
  EXPECT_EQ(fast.y, y) << '"' << line << '"';
  EXPECT_EQ(fast.x.data(), x.data()) << '"' << line << '"';
  EXPECT_EQ(bytes.x, x) << '"' << line << '"';
  EXPECT_EQ(bytes.y, y) << '"' << line << '"';
  EXPECT_EQ(fast.plain, bytes.plain) << '"' << line << '"';
  EXPECT_EQ(fast.decimal, bytes.decimal) << '"' << line << '"';
  // A pair of plain decimals is a pair of finite numbers.
  if (fast.decimal) {
    EXPECT_TRUE(IsFiniteDecimal(fast.x) && IsFiniteDecimal(fast.y)) << '"' << line << '"';
  }
}

TEST(SplitCoordinates, TakesTheFirstTwoTokensAndTellsWhetherTheyArePlainNumbers) {
  struct Case {
    const char* line;
    const char* x;
    const char* y;
    bool plain;
    bool decimal;
  };
  const Case cases[] = {
      {"37.215119 54.199747", "37.215119", "54.199747", true, true},
      {"\t -37.215119e+01\t54.199747   ", "-37.215119e+01", "54.199747", true, false},
      {"37.215119,5 54.199747", "37.215119,5", "54.199747", false, false},
      {"37.215119 54.19974)7 ignored", "37.215119", "54.19974)7", false, false},
      {"37.215119 54.199747 (a)", "37.215119", "54.199747", true, true},
      {"   4", "4", "", true, false},
      {"", "", "", true, false},
      {"12345678901234567 12345678901234", "12345678901234567", "12345678901234", true, true},
      {"   +37.2151195 -.5         ", "+37.2151195", "-.5", true, true},
      {"   37.215119 54.1.99747", "37.215119", "54.1.99747", true, false},
      {"   37.215119 54.19-9747", "37.215119", "54.19-9747", true, false},
      {"   37.215119        --1", "37.215119", "--1", true, false},
      {"   37.215119         1e", "37.215119", "1e", true, false},
      {"   37.215119          .", "37.215119", ".", true, false},
  };
  for (const Case& c : cases) {
    CoordinateTokens tokens = SplitCoordinates(c.line);
    EXPECT_EQ(tokens.x, c.x) << c.line;
    EXPECT_EQ(tokens.y, c.y) << c.line;
    EXPECT_EQ(tokens.plain, c.plain) << c.line;
    EXPECT_EQ(tokens.decimal, c.decimal) << c.line;
    ExpectSameSplit(c.line);
  }
}

// Lines of every length around the 16- and 32-byte blocks, of bytes that matter to
// the split (number characters, blanks, others, bytes above 0x7f and NUL).
TEST(SplitCoordinates, AgreesWithTheByteByByteSplitOnAnyLine) {
  const std::string alphabet = std::string("0123456789.-+eE \t,()a\x80\xff") + '\0';
  std::mt19937 random(20261208);
  for (int round = 0; round < 20000; ++round) {
    std::string line(random() % 40, ' ');
    for (char& c : line) c = alphabet[random() % alphabet.size()];
    ExpectSameSplit(line);
  }
}

}  // namespace
}  // namespace mirvex
