#include "base/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cp1251.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

// Every field of the input, read until ReadField reports the end.
std::vector<std::string> AllFields(const std::string& bytes, char delimiter = ',') {
  TextReader reader;
  reader.OpenBytes(bytes);
  std::vector<std::string> fields;
  std::string value = "stale";
  while (ReadField(reader, delimiter, value)) fields.push_back(value);
  EXPECT_EQ(value, "");
  return fields;
}

using Fields = std::vector<std::string>;

TEST(FieldReader, QuotedFieldKeepsItsCommaAndEmptyFieldIsEmpty) {
  EXPECT_EQ(AllFields(Ru("\"Лесная, 5\",12,,7\r\n")), (Fields{Ru("Лесная, 5"), "12", "", "7"}));
}

TEST(FieldReader, ReadsQuotedFields) {
  const std::pair<std::string, Fields> cases[] = {
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"\"\"\"\"", {"\""}},
      {"\"\",b", {"", "b"}},
      {"\"a\"junk,b", {"a", "b"}},  // text after the closing mark is dropped
      {"\"a\" x\r\nb", {"a", "b"}},
      {"\"one\r\ntwo\",3\r\n", {"one\r\ntwo", "3"}},
      {"\"open", {"open"}},         // unclosed at the end of the input
      {"  \"x\",y", {"x", "y"}},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(AllFields(input), expected) << input;
}

TEST(FieldReader, EachLineEndKindEndsAField) {
  EXPECT_EQ(AllFields("a\rb\nc\r\nd"), (Fields{"a", "b", "c", "d"}));
  EXPECT_EQ(AllFields("a,b,c\r\nd,e,f\r\n"), (Fields{"a", "b", "c", "d", "e", "f"}));
  EXPECT_EQ(AllFields("a\n\rb"), (Fields{"a", "", "b"}));  // LF CR is two line ends
}

TEST(FieldReader, EmptyLineGivesOneEmptyField) {
  EXPECT_EQ(AllFields("a\r\n\r\nb\r\n"), (Fields{"a", "", "b"}));
  EXPECT_EQ(AllFields("\n"), (Fields{""}));
}

TEST(FieldReader, SkipsLeadingBlanksOnly) {
  EXPECT_EQ(AllFields("  x ,\ty"), (Fields{"x ", "\ty"}));
  EXPECT_EQ(AllFields("   "), (Fields{""}));
}

TEST(FieldReader, DelimiterIsAParameter) {
  EXPECT_EQ(AllFields("a,b;c\r\nd", ';'), (Fields{"a,b", "c", "d"}));
  EXPECT_EQ(AllFields("\"a;b\";c", ';'), (Fields{"a;b", "c"}));
  EXPECT_EQ(AllFields("1\t2", '\t'), (Fields{"1", "2"}));
}

TEST(FieldReader, ReportsTheEndOnlyWhenNothingWasLeft) {
  EXPECT_EQ(AllFields(""), Fields{});
  EXPECT_EQ(AllFields("a,"), (Fields{"a"}));
  EXPECT_EQ(AllFields("a\r\n"), (Fields{"a"}));
  EXPECT_EQ(AllFields(",\r\n"), (Fields{"", ""}));

  TextReader reader;
  reader.OpenBytes("x");
  std::string value;
  EXPECT_TRUE(ReadField(reader, ',', value));
  EXPECT_FALSE(ReadField(reader, ',', value));
  EXPECT_FALSE(ReadField(reader, ',', value));
}

TEST(FieldReader, CrLfSplitAcrossFileBlocksIsOneLineEnd) {
  // The file reader fills 1 MiB at a time; CR is its last byte, LF the next block's first.
  test::ScratchDir scratch;
  std::string first(1 << 20, 'x');
  first[0] = '"';
  first[1000] = '"';
  first[1001] = ',';
  first.back() = '\r';
  test::WriteFile(scratch.File("big.mid"), first + "\n\"q\r\n\"\"r\",z");
  TextReader reader;
  ASSERT_TRUE(reader.Open(scratch.File("big.mid")));
  std::string value;
  ASSERT_TRUE(ReadField(reader, ',', value));
  EXPECT_EQ(value, std::string(999, 'x'));
  ASSERT_TRUE(ReadField(reader, ',', value));
  EXPECT_EQ(value.size(), (1u << 20) - 1003);
  ASSERT_TRUE(ReadField(reader, ',', value));
  EXPECT_EQ(value, "q\r\n\"r");
  ASSERT_TRUE(ReadField(reader, ',', value));
  EXPECT_EQ(value, "z");
  EXPECT_FALSE(ReadField(reader, ',', value));
}

}  // namespace
}  // namespace mirvex
