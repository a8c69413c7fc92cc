// The dictionary lookups of a conversion, and what they leave in LookupRecord.
#include "core/type_lookup.h"

#include <gtest/gtest.h>

#include "core/cp1251.h"
#include "core/text.h"
#include "tests/conversion_fixture.h"

namespace mirvex::test {
namespace {

class TypeLookupTest : public testing::Test {
 protected:
  void SetUp() override {
    Write({{"Дорога", "0x20", "0x01", 2},
           {"Площадь", "0x40", "0x05", 0},
           {"Мусор", "Нет", "Нет", 0},
           {"Дорога", "0x80", "0x02", 5}});
    sentinel_.Level = 77;
    record_ = sentinel_;
  }
  void Write(const std::vector<DictionaryEntry>& entries) { WriteFile(path_, DictionaryBytes(entries)); }

  ScratchDir dir_;
  std::string path_ = dir_.File("object.txt");
  RecordingHost host_;
  ObjectRecord sentinel_;
  ObjectRecord record_;
  TypeLookup lookup_{host_, path_, record_};
};

TEST_F(TypeLookupTest, RegionCodesGiveTheirKinds) {
  struct Case {
    const char* description;
    int kind_in;
    int kind_out;
  };
  for (const Case& c : {Case{"Дорога", 3, 2}, Case{"  Дорога ", 1, 2}, Case{"Площадь", 3, 3}, Case{"Мусор", 1, 5},
                        Case{"Неизвестно", 2, 2}, Case{"", 1, 1}}) {
    EXPECT_EQ(lookup_.SearchRegionObject(Ru(c.description), c.kind_in), c.kind_out) << c.description;
  }
}

TEST_F(TypeLookupTest, FirstRecordOfANameWinsAndStaysInLookupRecord) {
  EXPECT_EQ(lookup_.SearchObject(Ru("Дорога")), "0x01");
  EXPECT_EQ(record_.Level, 2);
  EXPECT_EQ(TrimBlanks(FieldText(record_.RegionCode)), "0x20");
}

TEST_F(TypeLookupTest, NoMatchLeavesTheRecordReadPastTheEnd) {
  EXPECT_EQ(lookup_.SearchObject(Ru("Неизвестно")), "");
  EXPECT_EQ(record_, ObjectRecord{});
  record_ = sentinel_;
  EXPECT_EQ(lookup_.SearchRegionObject(Ru("Неизвестно"), 3), 3);
  EXPECT_EQ(record_, ObjectRecord{});
}

TEST_F(TypeLookupTest, PartialLastRecordIsTheLastRead) {
  std::string bytes = DictionaryBytes({{"Дорога", "0x20", "0x01", 0}, {"Хвост", "0x10", "0x2f", 0}});
  WriteFile(path_, bytes.substr(0, bytes.size() - 300));
  EXPECT_EQ(lookup_.SearchObject(Ru("Неизвестно")), "");
  EXPECT_EQ(TrimBlanks(FieldText(record_.ObjectName)), Ru("Хвост"));
}

TEST_F(TypeLookupTest, EmptyDescriptionOrEmptyFileLeavesLookupRecord) {
  EXPECT_EQ(lookup_.SearchObject(""), "");
  EXPECT_EQ(record_, sentinel_);
  WriteFile(path_, "");
  EXPECT_EQ(lookup_.SearchObject(Ru("Дорога")), "");
  EXPECT_EQ(lookup_.SearchRegionObject(Ru("Дорога"), 2), 2);
  EXPECT_EQ(record_, sentinel_);
}

TEST_F(TypeLookupTest, MissingFileIsReportedOnceAndGivesKindZero) {
  std::filesystem::remove(path_);
  EXPECT_EQ(lookup_.SearchRegionObject(Ru("Дорога"), 2), 0);
  EXPECT_EQ(lookup_.SearchObject(Ru("Дорога")), "");
  EXPECT_EQ(lookup_.SearchRegionObject(Ru("Дорога"), 2), 0);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(Cp1251ToUtf8(host_.messages[0].text), "Файл не найден\r\n" + path_);
  EXPECT_EQ(record_, sentinel_);
}

TEST_F(TypeLookupTest, ChangedFileIsReadAgain) {
  EXPECT_EQ(lookup_.SearchObject(Ru("Река")), "");
  Write({{"Река", "0x20", "0x1f", 0}});
  EXPECT_EQ(lookup_.SearchObject(Ru("Река")), "0x1f");
}

}  // namespace
}  // namespace mirvex::test
