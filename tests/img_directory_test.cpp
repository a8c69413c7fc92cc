// The directory of an IMG container: the subfiles of a gmapsupp.img mkgmap wrote for
// two maps (tests/data/mkgmap/two_maps.gmapsupp.img, made by
// scripts/make-mkgmap-logs.py), and damaged copies of it, which are refused.
#include "garmin/img_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "tests/test_support.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

const fs::path kImage = fs::path(MIRVEX_TEST_DATA) / "mkgmap" / "two_maps.gmapsupp.img";

std::vector<std::string> Names(const ImgDirectory& directory) {
  std::vector<std::string> names;
  for (const ImgSubfile& subfile : directory.subfiles) names.push_back(subfile.FileName());
  return names;
}

void PutU16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xff);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// The offset of the directory entry that starts the subfile, found through the reader.
std::size_t EntryOf(const std::string& bytes, std::string_view file_name) {
  for (std::size_t at = 0x400; at + 0x200 <= bytes.size(); at += 0x200) {
    if (bytes.substr(at + 1, 8) + "." + bytes.substr(at + 9, 3) == file_name) return at;
  }
  ADD_FAILURE() << file_name << " has no entry";
  return 0;
}

TEST(ImgDirectory, AGmapsuppOfTwoMapsListsTheSubfilesOfEach) {
  ImgDirectory directory;
  std::string error;
  ASSERT_EQ(ReadImgDirectory(kImage.string(), directory, &error), ImgDirectoryEnd::kRead) << error;
  EXPECT_EQ(directory.block_size, 512u);
  EXPECT_GE(directory.data_start, 0x600u);
  for (const char* map : {"10000001", "10000002"}) {
    for (const char* type : {"TRE", "RGN", "LBL"}) EXPECT_TRUE(HasSubfile(directory, map, type)) << map << type;
  }
  // The list of maps a receiver reads, and no third map.
  EXPECT_TRUE(HasSubfile(directory, "MAKEGMAP", "mps"));
  EXPECT_FALSE(HasSubfile(directory, "10000003", "TRE"));
  std::uint64_t file_size = fs::file_size(kImage);
  for (const ImgSubfile& subfile : directory.subfiles) {
    EXPECT_FALSE(subfile.blocks.empty()) << subfile.FileName();
    EXPECT_GE(subfile.blocks.size() * directory.block_size, subfile.size) << subfile.FileName();
    for (std::uint32_t block : subfile.blocks) {
      EXPECT_LE((block + 1ull) * directory.block_size, file_size) << subfile.FileName();
    }
  }
  // Each subfile's blocks are its own.
  std::vector<std::uint32_t> all;
  for (const ImgSubfile& subfile : directory.subfiles) {
    all.insert(all.end(), subfile.blocks.begin(), subfile.blocks.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
}

// Every byte of a container may be XORed with its first: the directory reads the same.
TEST(ImgDirectory, AnXoredContainerReadsAsThePlainOne) {
  std::string bytes = ReadFile(kImage);
  ImgDirectory plain, xored;
  ASSERT_EQ(ReadImgDirectoryBytes(bytes, bytes.size(), plain), ImgDirectoryEnd::kRead);
  ASSERT_EQ(bytes[0], 0);
  for (char& c : bytes) c = static_cast<char>(c ^ 0x5a);
  ASSERT_EQ(ReadImgDirectoryBytes(bytes, bytes.size(), xored), ImgDirectoryEnd::kRead);
  EXPECT_EQ(Names(xored), Names(plain));
}

// Truncated or damaged copies are refused with a reason and an empty directory.
TEST(ImgDirectory, DamagedContainersAreRefused) {
  const std::string good = ReadFile(kImage);
  ImgDirectory read;
  ASSERT_EQ(ReadImgDirectoryBytes(good, good.size(), read), ImgDirectoryEnd::kRead);
  const std::size_t rgn = EntryOf(good, "10000001.RGN");
  const std::size_t tre = EntryOf(good, "10000001.TRE");
  struct Case {
    const char* name;
    std::function<void(std::string&)> damage;
    ImgDirectoryEnd end;
  };
  const Case cases[] = {
      {"empty", [](std::string& b) { b.clear(); }, ImgDirectoryEnd::kNotImg},
      {"cut inside the header", [](std::string& b) { b.resize(0x100); }, ImgDirectoryEnd::kNotImg},
      {"cut after the header", [](std::string& b) { b.resize(0x200); }, ImgDirectoryEnd::kDamaged},
      {"cut inside the directory", [&](std::string& b) { b.resize(rgn + 0x20); }, ImgDirectoryEnd::kDamaged},
      {"cut after the directory", [&](std::string& b) { b.resize(read.data_start); }, ImgDirectoryEnd::kDamaged},
      {"cut in the last block", [](std::string& b) { b.resize(b.size() - 1); }, ImgDirectoryEnd::kDamaged},
      {"no disk signature", [](std::string& b) { b[0x10] = 'X'; }, ImgDirectoryEnd::kNotImg},
      {"no maker signature", [](std::string& b) { b[0x41] = 'X'; }, ImgDirectoryEnd::kNotImg},
      {"block size 2^40", [](std::string& b) { b[0x62] = 31; }, ImgDirectoryEnd::kDamaged},
      {"block size 2^2", [](std::string& b) { b[0x61] = 2; }, ImgDirectoryEnd::kDamaged},
      {"directory in the header", [](std::string& b) { b[0x40] = 0; }, ImgDirectoryEnd::kDamaged},
      {"directory past the end", [](std::string& b) { b[0x40] = static_cast<char>(0xff); },
       ImgDirectoryEnd::kDamaged},
      {"directory size 4 GB", [](std::string& b) { PutU32(b, 0x40c, 0xffffffffu); }, ImgDirectoryEnd::kDamaged},
      {"directory size inside its first entry", [](std::string& b) { PutU32(b, 0x40c, 0x500); },
       ImgDirectoryEnd::kDamaged},
      {"no entry for the directory", [](std::string& b) { b[0x401] = 'A'; }, ImgDirectoryEnd::kDamaged},
      {"block past the end", [&](std::string& b) { PutU16(b, rgn + 0x20, 0xfffe); }, ImgDirectoryEnd::kDamaged},
      {"block in the header", [&](std::string& b) { PutU16(b, rgn + 0x20, 1); }, ImgDirectoryEnd::kDamaged},
      {"size beyond its blocks", [&](std::string& b) { PutU32(b, rgn + 0x0c, 0x7fffffff); },
       ImgDirectoryEnd::kDamaged},
      {"a second part without a first", [&](std::string& b) { PutU16(b, rgn + 0x10, 1); },
       ImgDirectoryEnd::kDamaged},
      {"a part that skips one", [&](std::string& b) { PutU16(b, tre + 0x10, 2); }, ImgDirectoryEnd::kDamaged},
      {"a control byte in a name", [&](std::string& b) { b[rgn + 3] = 0x01; }, ImgDirectoryEnd::kDamaged},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    c.damage(bytes);
    ImgDirectory directory;
    directory.block_size = 1;
    std::string error;
    EXPECT_EQ(ReadImgDirectoryBytes(bytes, bytes.size(), directory, &error), c.end) << c.name;
    EXPECT_TRUE(directory.subfiles.empty()) << c.name;
    EXPECT_EQ(directory.block_size, 0u) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;

    // The same from disk.
    ScratchDir dir;
    WriteFile(dir.path() / "damaged.img", bytes);
    EXPECT_EQ(ReadImgDirectory(dir.File("damaged.img"), directory, &error), c.end) << c.name;
  }
}

// A file that is gone, or a folder, cannot be read.
TEST(ImgDirectory, AMissingFileIsUnreadable) {
  ScratchDir dir;
  ImgDirectory directory;
  std::string error;
  EXPECT_EQ(ReadImgDirectory(dir.File("absent.img"), directory, &error), ImgDirectoryEnd::kUnreadable);
  EXPECT_FALSE(error.empty());
  EXPECT_NE(ReadImgDirectory(dir.File(""), directory), ImgDirectoryEnd::kRead);
}

}  // namespace
}  // namespace mirvex::test
