#include "mapinfo/mid_reader.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"

namespace mirvex {
namespace {

class MidReaderTest : public testing::Test {
 protected:
  void Read(const std::string& count) { reader_.ReadRecord(ColumnCount(count), fields_); }
  MidReader reader_;
  MidRecord fields_;
};

TEST_F(MidReaderTest, RecordsDoNotResynchroniseOnLineEnds) {
  reader_.OpenBytes("a,b,c\r\nd,e,f\r\n");
  Read("2");
  EXPECT_EQ(fields_[1] + fields_[2], "ab");
  Read("2");
  EXPECT_EQ(fields_[1] + fields_[2], "cd");
}

TEST_F(MidReaderTest, OnlyTheCountedSlotsAreWritten) {
  fields_.fill("old");
  reader_.OpenBytes("1,2,3\n");
  Read("2");
  EXPECT_EQ(fields_[0], "old");
  EXPECT_EQ(fields_[1], "1");
  EXPECT_EQ(fields_[3], "old");
}

TEST_F(MidReaderTest, CountAboveFiftyKeepsFiftyAndStaysInStep) {
  std::string line;
  for (int i = 1; i <= 60; ++i) line += std::to_string(i) + (i < 60 ? "," : "\n");
  reader_.OpenBytes(line + "next\n");
  Read("60");
  EXPECT_EQ(fields_[50], "50");
  Read("1");
  EXPECT_EQ(fields_[1], "next");
}

TEST_F(MidReaderTest, UnusableCountConsumesOneLine) {
  for (const char* count : {"0", "-3", "2.5", "abc"}) {
    reader_.OpenBytes("a,b\nc,d\n");
    fields_.fill("");
    Read(count);
    EXPECT_EQ(fields_[1], "") << count;
    Read("2");
    EXPECT_EQ(fields_[1], "c") << count;
  }
}

TEST_F(MidReaderTest, PastTheEndFieldsAreEmptyAndCounted) {
  reader_.OpenBytes("a,b\n");
  Read("2");
  Read("2");
  Read("2");
  EXPECT_EQ(fields_[1], "");
  EXPECT_EQ(fields_[2], "");
  EXPECT_EQ(reader_.missing_records(), 2u);
}

TEST_F(MidReaderTest, Utf8ValuesBecomeCp1251) {
  reader_.OpenBytes("\"Лес\",日本\n");
  reader_.SetUtf8(true);
  Read("2");
  EXPECT_EQ(fields_[1], Ru("Лес"));
  EXPECT_EQ(fields_[2], "??");
}

}  // namespace
}  // namespace mirvex
