#include "dictionary/object_dictionary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

using test::ReadFile;
using test::RecordingHost;
using test::ScratchDir;
using test::WriteFile;

ObjectRecord MakeRecord(std::string_view name, std::string_view type, std::uint8_t level = 0) {
  ObjectRecord record;
  SetField(record.ObjectName, name);
  SetField(record.RegionCode, "0x20");
  SetField(record.ObjectType, type);
  record.Level = level;
  return record;
}

std::string Bytes(const ObjectRecord& record) {
  std::string bytes(kRecordLength, '\x7f');
  EncodeRecord(record, bytes.data());
  return bytes;
}

std::string Type(const ObjectRecord& record) { return std::string(TrimBlanks(FieldText(record.ObjectType))); }

const std::string kEmptySlot(kRecordLength, '\0');

TEST(ObjectRecord, FieldsSitAtTheirOffsetsAndTheFillerIsZero) {
  ObjectRecord record = MakeRecord("Road", "0x01", 7);
  record.Reserved1.fill('r');
  record.Reserved2.fill('s');
  std::string bytes = Bytes(record);
  EXPECT_EQ(bytes.substr(0, 5), "Road ");
  EXPECT_EQ(bytes.substr(200, 6), "0x20  ");
  EXPECT_EQ(bytes.substr(206, 6), "0x01  ");
  EXPECT_EQ(bytes[212], 7);
  EXPECT_EQ(bytes.substr(213, 100), std::string(100, 'r'));
  EXPECT_EQ(bytes.substr(313, 10), std::string(10, 's'));
  EXPECT_EQ(bytes.substr(323), std::string(224, '\0'));
  EXPECT_EQ(DecodeRecord(bytes.data(), bytes.size()), record);
}

TEST(DictionaryImage, ReadsOneRecordPastTheEnd) {
  std::string first = Bytes(MakeRecord("A", "0x01"));
  std::string second = Bytes(MakeRecord("B", "0x02"));
  struct Case {
    const char* what;
    std::string file;
    std::size_t records;
    ObjectRecord last_read;
  };
  const Case cases[] = {
      {"whole records", first + second, 3, ObjectRecord{}},
      {"partial record", first + second.substr(0, 210), 2, DecodeRecord(second.data(), 210)},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    WriteFile(dir.File("object.txt"), c.file);
    DictionaryImage image;
    ASSERT_TRUE(image.Load(dir.File("object.txt"))) << c.what;
    EXPECT_EQ(image.size(), c.records) << c.what;
    EXPECT_EQ(image.LastRead(), c.last_read) << c.what;
  }
  ScratchDir dir;
  WriteFile(dir.File("object.txt"), "");
  DictionaryImage image;
  ASSERT_TRUE(image.Load(dir.File("object.txt")));
  EXPECT_TRUE(image.NoRecordRead());
  EXPECT_FALSE(image.Load(dir.File("absent.txt")));
  EXPECT_FALSE(image.Load(PathText(dir.path())));
}

TEST(DictionaryImage, FirstMatchTakesEmptySlotsAsNamesLastMatchSkipsThem) {
  ScratchDir dir;
  WriteFile(dir.File("object.txt"),
            Bytes(MakeRecord("A", "0x01")) + kEmptySlot + Bytes(MakeRecord(" A ", "0x02")));
  DictionaryImage image;
  ASSERT_TRUE(image.Load(dir.File("object.txt")));
  EXPECT_EQ(Type(*image.FirstMatch("A")), "0x01");
  EXPECT_EQ(Type(*image.LastMatch("A")), "0x02");
  const std::string nul_name(200, '\0');
  ASSERT_NE(image.FirstMatch(nul_name), nullptr);
  EXPECT_EQ(image.NumberOf(*image.FirstMatch(nul_name)), 2u);
  EXPECT_EQ(image.LastMatch(nul_name), nullptr);
}

TEST(FindObjectRecord, ComparesTrimmedNamesExactlyAndTakesTheLast) {
  ScratchDir dir;
  std::string path = dir.File("object.txt");
  std::string long_name(250, 'x');
  WriteFile(path, Bytes(MakeRecord("Road", "0x01")) + Bytes(MakeRecord("", "0x02")) + kEmptySlot +
                      Bytes(MakeRecord("  Road", "0x03")) + Bytes(MakeRecord(long_name, "0x04")));
  struct Case {
    std::string description;
    std::string type;  // empty: a cleared record
  };
  const Case cases[] = {
      {"Road", "0x03"},  {"  Road  ", "0x03"}, {"road", ""},
      {"", "0x02"},      {"Lake", ""},         {long_name, ""},
      {long_name.substr(0, 200), "0x04"},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    ObjectRecord found = FindObjectRecord(host, path, c.description);
    if (c.type.empty()) {
      EXPECT_EQ(found, ObjectRecord{}) << c.description;
    } else {
      EXPECT_EQ(Type(found), c.type) << c.description;
    }
    EXPECT_TRUE(host.messages.empty());
  }
}

TEST(StoreObjectRecord, PlacesTheRecordWhereTheScanLeavesOff) {
  std::string road = Bytes(MakeRecord("Road", "0x01"));
  std::string lake = Bytes(MakeRecord("Lake", "0x02"));
  struct Case {
    const char* what;
    std::string file;
    std::string name;
    std::uint64_t offset;
    std::uint64_t length;
  };
  const Case cases[] = {
      {"empty file", "", "Road", 0, 547},
      {"new name after whole records", road + lake, "River", 1094, 1641},
      {"first of two equal names", road + lake + road, "  Road", 0, 1641},
      {"empty slot in the middle is not reused", road + kEmptySlot + lake, "River", 1641, 2188},
      {"after a named partial record", road + lake.substr(0, 300), "River", 1094, 1641},
      {"over a partial empty slot", road + std::string(300, '\0'), "River", 547, 1094},
      {"over an equal partial record", road + lake.substr(0, 300), "Lake", 547, 1094},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    std::string path = dir.File("object.txt");
    WriteFile(path, c.file);
    ObjectRecord record = MakeRecord(c.name, "0x09", 4);
    record.Reserved1.fill('r');
    record.Reserved2[9] = 's';
    ObjectRecord stored = record;
    SetField(stored.ObjectName, TrimBlanks(c.name));
    RecordingHost host;
    ASSERT_EQ(StoreObjectRecord(host, path, record), StoreResult::kStored) << c.what;
    EXPECT_EQ(record, stored) << c.what;
    // Everything else stays; a gap after a partial record reads as zero bytes.
    std::string expected = c.file;
    if (expected.size() < c.offset + kRecordLength) expected.resize(c.offset + kRecordLength, '\0');
    expected.replace(c.offset, kRecordLength, Bytes(stored));
    std::string after = ReadFile(path);
    EXPECT_EQ(after.size(), c.length) << c.what;
    EXPECT_EQ(after, expected) << c.what;
    EXPECT_TRUE(host.messages.empty()) << c.what;
  }
}

TEST(ObjectDictionary, MissingFileShowsOneMessagePerCallAndWritesNothing) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "folder");
  for (std::string path : {dir.File("object.txt"), dir.File("folder")}) {
    RecordingHost host;
    EXPECT_EQ(FindObjectRecord(host, path, "Road"), ObjectRecord{});
    ObjectRecord record = MakeRecord("Road", "0x01");
    EXPECT_EQ(StoreObjectRecord(host, path, record), StoreResult::kMissing);
    ASSERT_EQ(host.messages.size(), 2u);
    for (const auto& message : host.messages) {
      EXPECT_EQ(message.text, Ru("Файл не найден") + "\r\n" + path);
      EXPECT_EQ(message.title, Ru("Информация"));
      EXPECT_EQ(message.icon, MessageIcon::kExclamation);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "object.txt"));
}

TEST(DictionaryCache, ReloadsAfterAnExternalChange) {
  ScratchDir dir;
  std::string path = dir.File("object.txt");
  WriteFile(path, Bytes(MakeRecord("Road", "0x01")));
  RecordingHost host;
  EXPECT_EQ(Type(FindObjectRecord(host, path, "Road")), "0x01");
  WriteFile(path, Bytes(MakeRecord("Lake", "0x02")) + Bytes(MakeRecord("Road", "0x03")));
  EXPECT_EQ(Type(FindObjectRecord(host, path, "Road")), "0x03");
  std::filesystem::remove(path);
  EXPECT_EQ(FindObjectRecord(host, path, "Road"), ObjectRecord{});
  EXPECT_EQ(host.messages.size(), 1u);
}

TEST(DictionaryCache, SeesEveryChangeOfTheFileAndEveryStoreOfTheProgram) {
  ScratchDir dir;
  std::string watched = dir.File("object.txt");
  std::string other = dir.File("other.txt");
  WriteFile(watched, Bytes(MakeRecord("Road", "0x01")));
  WriteFile(other, "");
  DictionaryCache cache;
  ASSERT_EQ(Type(*cache.Get(watched)->FirstMatch("Road")), "0x01");

  // Same size and the modification time put back, as a copy that keeps times does.
  auto modified = std::filesystem::last_write_time(watched);
  WriteFile(watched, Bytes(MakeRecord("Road", "0x07")));
  std::filesystem::last_write_time(watched, modified);
  EXPECT_EQ(Type(*cache.Get(watched)->FirstMatch("Road")), "0x07");

  // Replaced by another file of the same size and time.
  WriteFile(dir.File("new.txt"), Bytes(MakeRecord("Road", "0x09")));
  std::filesystem::last_write_time(dir.path() / "new.txt", modified);
  std::filesystem::rename(dir.path() / "new.txt", watched);
  EXPECT_EQ(Type(*cache.Get(watched)->FirstMatch("Road")), "0x09");

  // A store by the program, into any file, is seen at once.
  const std::uint64_t loads = cache.loads();
  RecordingHost host;
  ObjectRecord record = MakeRecord("Lake", "0x02");
  ASSERT_EQ(StoreObjectRecord(host, other, record), StoreResult::kStored);
  cache.Get(watched);
  EXPECT_EQ(cache.loads(), loads + 1);
}

TEST(DictionaryCache, FileChangedJustBeforeItWasReadIsReadAgainAfterAWhile) {
  // A second change within the same tick of the file system's clock would keep the
  // stamp: the image of a file that changed moments ago is checked again.
  ScratchDir dir;
  std::string path = dir.File("object.txt");
  WriteFile(path, Bytes(MakeRecord("Road", "0x01")));
  DictionaryCache cache;
  cache.Get(path);
  cache.Get(path);
  EXPECT_EQ(cache.loads(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  cache.Get(path);
  EXPECT_EQ(cache.loads(), 2u);
}

TEST(StoreObjectRecord, FailedWriteIsReportedAndLeavesTheFileAsItWas) {
  ScratchDir dir;
  std::string path = dir.File("object.txt");
  std::string original = Bytes(MakeRecord("Road", "0x01"));
  WriteFile(path, original);

#ifdef _WIN32
  // A dictionary marked read-only cannot be replaced.
  ASSERT_TRUE(SetFileAttributesW(NativePath(path).c_str(), FILE_ATTRIBUTE_READONLY));
  RecordingHost host;
  ObjectRecord record = MakeRecord("Lake", "0x02");
  StoreResult result = StoreObjectRecord(host, path, record);
  SetFileAttributesW(NativePath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
#else
  // A file-size limit lets the new record be written only in part.
  auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = kRecordLength + 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  RecordingHost host;
  ObjectRecord record = MakeRecord("Lake", "0x02");
  StoreResult result = StoreObjectRecord(host, path, record);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous_handler);
#endif

  EXPECT_EQ(result, StoreResult::kWriteFailed);
  EXPECT_EQ(ReadFile(path), original);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].text.find(path), std::string::npos);
  EXPECT_EQ(FindObjectRecord(host, path, "Lake"), ObjectRecord{});
}

}  // namespace
}  // namespace mirvex
