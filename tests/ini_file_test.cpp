#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

using test::CrLf;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

struct ReadCase {
  std::string section;
  std::string key;
  std::string expected;
};

// Mixed line ends on purpose: CR LF, then LF only, then CR only.
std::string HandWrittenIni() {
  return "; settings kept by hand\r\n"
         "orphan=before any section\r\n"
         "[system]\r\n"
         "  rusTRANSL = 1 \r\n"
         "TypeSt\t=\t3\r\n"
         "Quoted=\"  a b  \"\r\n"
         "Single='x'\r\n"
         "Mismatch=\"y'\r\n"
         "OnlyQuote=\"\r\n"
         ";PrK1=commented out\r\n"
         "Empty=\r\n"
         "Equals=a=b\r\n"
         "\r\n"
         "[ Path1 ]\n"
         "p1=C:\\maps\\a.mif\n"
         "\n" +
         Ru("[Пути]\rКлюч=значение\r") +
         "[Path2]\r\n"
         "P1=first\r\n"
         "p1=second\r\n";
}

TEST(IniFile, ReadsHandWrittenFile) {
  ScratchDir dir;
  std::string path = dir.File("a.ini");
  WriteFile(path, HandWrittenIni());
  const std::vector<ReadCase> cases = {
      {"System", "RusTransl", "1"},
      {"SYSTEM", "typest", "3"},
      {"System", "Quoted", "  a b  "},
      {"System", "Single", "x"},
      {"System", "Mismatch", "\"y'"},
      {"System", "OnlyQuote", "\""},
      {"System", "PrK1", ""},
      {"System", "Empty", ""},
      {"System", "Equals", "a=b"},
      {"System", "Missing", ""},
      {"path1", "P1", "C:\\maps\\a.mif"},
      {Ru("пУТИ"), Ru("КЛЮЧ"), Ru("значение")},
      {"Path2", "p1", "first"},
      {"Nowhere", "p1", ""},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(ReadPrivateProfile(path, c.section, c.key), c.expected)
        << "[" << c.section << "] " << c.key;
  }
}

TEST(IniFile, MissingFileReadsEmpty) {
  ScratchDir dir;
  EXPECT_EQ(ReadPrivateProfile(dir.File("none.ini"), "System", "RusTransl"), "");
  EXPECT_EQ(ReadPrivateProfile(dir.path().string(), "System", "RusTransl"), "");
}

TEST(IniFile, ValueReadBackIsCutTo254Characters) {
  const std::string a254(254, 'a');
  ScratchDir dir;
  std::string path = dir.File("a.ini");
  // The quotes go first, then the cut.
  for (const std::string& stored : {a254, a254 + "b", "\"" + a254 + "bb\""}) {
    WriteFile(path, CrLf({"[S]", "k=" + stored}));
    EXPECT_EQ(ReadPrivateProfile(path, "S", "k"), a254) << stored.size();
  }
}

struct WriteCase {
  const char* name;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
};

TEST(IniFile, WriteCreatesOrReplacesOnlyWhatIsNeeded) {
  const std::vector<WriteCase> cases = {
      {"empty file", "", "System", "PathCount", "1", CrLf({"[System]", "PathCount=1"})},
      {"existing key, matched without case, caller's spelling written",
       CrLf({"[system]", "  rusTRANSL = 1 ", "AutoSet=1"}), "System", "RusTransl", "0",
       CrLf({"[system]", "RusTransl=0", "AutoSet=1"})},
      {"only the first of two equal keys",
       CrLf({"[S]", "k=1", "k=2"}), "S", "K", "3", CrLf({"[S]", "K=3", "k=2"})},
      {"missing key after the section's last non-empty line",
       CrLf({"[A]", "x=1", "; note", "", "", "[B]", "y=2"}), "a", "k", "v",
       CrLf({"[A]", "x=1", "; note", "k=v", "", "", "[B]", "y=2"})},
      {"missing key in a section without entries", CrLf({"[A]", "", "[B]"}), "A", "k", "v",
       CrLf({"[A]", "k=v", "", "[B]"})},
      {"missing section after one empty line", CrLf({"[A]", "x=1"}), "B", "k", "v",
       CrLf({"[A]", "x=1", "", "[B]", "k=v"})},
      {"missing section when the file already ends with an empty line",
       CrLf({"[A]", "x=1", ""}), "B", "k", "v", CrLf({"[A]", "x=1", "", "[B]", "k=v"})},
      {"missing section, last line without a line end", "[A]\r\nx=1", "B", "k", "v",
       CrLf({"[A]", "x=1", "", "[B]", "k=v"})},
      {"a commented key is not the key", CrLf({"[S]", ";k=old"}), "S", "k", "new",
       CrLf({"[S]", ";k=old", "k=new"})},
      {"the value is written as given", CrLf({"[S]", "k=1"}), "S", "k", " a b ",
       CrLf({"[S]", "k= a b "})},
      {"Cyrillic names", CrLf({Ru("[Пути]"), Ru("ключ=1")}), Ru("ПУТИ"), Ru("КЛЮЧ"), "2",
       CrLf({Ru("[Пути]"), Ru("КЛЮЧ=2")})},
  };
  ScratchDir dir;
  std::string path = dir.File("a.ini");
  for (const WriteCase& c : cases) {
    WriteFile(path, c.before);
    EXPECT_TRUE(WritePrivateProfile(path, c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(ReadFile(path), c.after) << c.name;
  }
}

TEST(IniFile, WriteKeepsEveryOtherLineAndEndsLinesWithCrLf) {
  ScratchDir dir;
  std::string path = dir.File("a.ini");
  WriteFile(path, "; top\n[System]\n  Koord2 = 1 ; odd\nPodpis=0\r[Path1]\rp1=\"q\"\r\n\t\r\n");
  ASSERT_TRUE(WritePrivateProfile(path, "System", "Podpis", "1"));
  EXPECT_EQ(ReadFile(path),
            CrLf({"; top", "[System]", "  Koord2 = 1 ; odd", "Podpis=1", "[Path1]", "p1=\"q\"",
                  "\t"}));
  EXPECT_EQ(ReadPrivateProfile(path, "Path1", "p1"), "q");
}

TEST(IniFile, WriteIntoMissingFolderFailsAndCreatesNothing) {
  ScratchDir dir;
  std::string folder = dir.File("no such folder");
  std::string path = folder + kPathSeparator + "a.ini";
  EXPECT_FALSE(WritePrivateProfile(path, "System", "Podpis", "1"));
  EXPECT_FALSE(std::filesystem::exists(NativePath(folder)));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(IniFile, WriteRefusesTextsThatWouldReadBackAsOtherLines) {
  struct Case {
    std::string section;
    std::string key;
    std::string value;
  };
  const std::vector<Case> cases = {
      {"S", "k", "a\r\n[System]\r\nRusTransl=1"},
      {"S", "k", "a\rb"},
      {"S", "k=x", "v"},
      {"S", ";k", "v"},
      {"", "k", "v"},
      {"S\r\n[T]", "k", "v"},
  };
  ScratchDir dir;
  std::string path = dir.File("a.ini");
  const std::string before = CrLf({"[S]", "k=old"});
  for (const Case& c : cases) {
    WriteFile(path, before);
    EXPECT_FALSE(WritePrivateProfile(path, c.section, c.key, c.value)) << c.key << c.value;
    EXPECT_EQ(ReadFile(path), before) << c.key << c.value;
  }
}

TEST(IniFile, SettingsLiveInTheProgramFolder) {
  ScratchDir dir;
  std::string folder = dir.path().string();
  EXPECT_EQ(SettingsPath(folder), folder + kPathSeparator + "mirvex.ini");
  ASSERT_TRUE(WriteSetting(folder, "System", "KolSt", "7"));
  EXPECT_EQ(ReadFile(dir.File("mirvex.ini")), CrLf({"[System]", "KolSt=7"}));
  EXPECT_EQ(ReadSetting(folder, "system", "kolst"), "7");
}

}  // namespace
}  // namespace mirvex
