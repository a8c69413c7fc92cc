// The dictionary lookups of a conversion, and the record they leave behind.
#include "dictionary/type_lookup.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/text.h"
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
    lookup_.SetLookupRecord(sentinel_);
  }
  const RecordSummary& record() const { return lookup_.lookup_record(); }
  void Write(const std::vector<DictionaryEntry>& entries) { WriteFile(path_, DictionaryBytes(entries)); }

  ScratchDir dir_;
  std::string path_ = dir_.File("object.txt");
  RecordingHost host_;
  ObjectRecord sentinel_;
  TypeLookup lookup_{host_, path_};
};

TEST_F(TypeLookupTest, RegionCodesGiveTheirKinds) {
  struct Case {
    const char* description;
    int kind_in;
    int kind_out;
  };
  for (const Case& c : {Case{"Дорога", 3, 2}, Case{"  Дорога ", 1, 2}, Case{"Площадь", 3, 3}, Case{"Мусор", 1, 5},
                        Case{"Неизвестно", 2, 2}, Case{"", 1, 1}}) {
    EXPECT_EQ(lookup_.SectionKind(Ru(c.description), c.kind_in), c.kind_out) << c.description;
  }
}

TEST_F(TypeLookupTest, FirstRecordOfANameWinsAndStaysAsTheLookupRecord) {
  EXPECT_EQ(lookup_.PointType(Ru("Дорога")), "0x01");
  EXPECT_EQ(record().level, 2);
  EXPECT_EQ(record().region, 1);  // "0x20"
}

TEST_F(TypeLookupTest, NoMatchLeavesTheRecordReadPastTheEnd) {
  EXPECT_EQ(lookup_.PointType(Ru("Неизвестно")), "");
  EXPECT_EQ(record(), RecordSummary::Of(ObjectRecord{}));
  lookup_.SetLookupRecord(sentinel_);
  EXPECT_EQ(lookup_.SectionKind(Ru("Неизвестно"), 3), 3);
  EXPECT_EQ(record(), RecordSummary::Of(ObjectRecord{}));
}

TEST_F(TypeLookupTest, PartialLastRecordIsTheLastRead) {
  std::string bytes = DictionaryBytes({{"Дорога", "0x20", "0x01", 0}, {"Хвост", "0x10", "0x2f", 0}});
  WriteFile(path_, bytes.substr(0, bytes.size() - 300));
  EXPECT_EQ(lookup_.PointType(Ru("Неизвестно")), "");
  EXPECT_EQ(TrimBlanks(FieldText(record().type)), "0x2f");  // the record of Хвост, cut short
}

TEST_F(TypeLookupTest, EmptyDescriptionOrEmptyFileLeavesTheLookupRecord) {
  EXPECT_EQ(lookup_.PointType(""), "");
  EXPECT_EQ(record(), RecordSummary::Of(sentinel_));
  WriteFile(path_, "");
  EXPECT_EQ(lookup_.PointType(Ru("Дорога")), "");
  EXPECT_EQ(lookup_.SectionKind(Ru("Дорога"), 2), 2);
  EXPECT_EQ(record(), RecordSummary::Of(sentinel_));
}

TEST_F(TypeLookupTest, MissingFileIsReportedOnceAndGivesKindZero) {
  std::filesystem::remove(path_);
  EXPECT_EQ(lookup_.SectionKind(Ru("Дорога"), 2), 0);
  EXPECT_EQ(lookup_.PointType(Ru("Дорога")), "");
  EXPECT_EQ(lookup_.SectionKind(Ru("Дорога"), 2), 0);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(Cp1251ToUtf8(host_.messages[0].text), "Файл не найден\r\n" + path_);
  EXPECT_EQ(record(), RecordSummary::Of(sentinel_));
}

// A run reads the dictionary once, also one written moments before: a change made
// while it runs counts from the next run.
TEST_F(TypeLookupTest, ARunReadsTheFileOnceAndTheNextRunSeesItsChanges) {
  std::uint64_t loads = SharedDictionaryCache().loads();
  EXPECT_EQ(lookup_.PointType(Ru("Река")), "");
  Write({{"Река", "0x20", "0x1f", 0}});
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(lookup_.PointType(Ru(i % 2 ? "Река" : "Дорога")).empty(), i % 2 == 1);
  EXPECT_EQ(SharedDictionaryCache().loads(), loads + 1);
  TypeLookup next_run(host_, path_);
  EXPECT_EQ(next_run.PointType(Ru("Река")), "0x1f");
}

}  // namespace
}  // namespace mirvex::test
