#include "settings/header_template.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(HeaderTemplate, BuiltInTemplateIsTheDefaultHeaderWithCrLfLines) {
  const std::string& text = BuiltInTemplate();
  EXPECT_TRUE(text.starts_with(Ru("; Файл конвертирован из формата MIF") + "\r\n\r\n[IMG ID]\r\n"));
  EXPECT_TRUE(text.ends_with("Zoom2=2\r\n[END-IMG ID]\r\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 21);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 21);
}

TEST(HeaderTemplate, LoadGivesEveryLineWithCrLf) {
  struct Case {
    const char* name;
    std::string file;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"final CR LF", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"no final line end", "a\r\nb", "a\r\nb\r\n"},
      {"LF only", "a\nb\n", "a\r\nb\r\n"},
      {"CR only", "a\rb", "a\r\nb\r\n"},
      {"empty lines kept", "\r\na\r\n\r\n", "\r\na\r\n\r\n"},
      {"comma and leading blanks", "  Name=a,b\r\n\tx , y\r\n", "  Name=a,b\r\n\tx , y\r\n"},
      {"empty file", "", ""},
      {"one line end", "\r\n", "\r\n"},
  };
  ScratchDir dir;
  std::string path = dir.File("config.ini");
  for (const Case& c : cases) {
    WriteFile(path, c.file);
    EXPECT_EQ(LoadTemplate(path), c.expected) << c.name;
  }
}

TEST(HeaderTemplate, UnreadableFileGivesBuiltInTemplate) {
  ScratchDir dir;
  EXPECT_EQ(LoadTemplate(dir.File("config.ini")), BuiltInTemplate());
  EXPECT_EQ(LoadTemplate(dir.path().string()), BuiltInTemplate());
}

TEST(HeaderTemplate, WriteThenLoadAddsOneLineEnd) {
  ScratchDir dir;
  std::string path = TemplatePath(dir.path().string());
  EXPECT_EQ(path, dir.path().string() + kPathSeparator + "config.ini");

  ASSERT_TRUE(WriteTemplate(path, " a,b\r\n[IMG ID]"));
  EXPECT_EQ(ReadFile(path), " a,b\r\n[IMG ID]\r\n");
  EXPECT_EQ(LoadTemplate(path), " a,b\r\n[IMG ID]\r\n");

  // A text that already ends with a line end comes back with one more empty line.
  ASSERT_TRUE(WriteTemplate(path, BuiltInTemplate()));
  EXPECT_EQ(ReadFile(path), BuiltInTemplate() + "\r\n");
  EXPECT_EQ(LoadTemplate(path), BuiltInTemplate() + "\r\n");
}

TEST(HeaderTemplate, WriteIntoMissingFolderFailsAndCreatesNothing) {
  ScratchDir dir;
  std::string folder = dir.File("missing");
  EXPECT_FALSE(WriteTemplate(TemplatePath(folder), "x"));
  EXPECT_FALSE(std::filesystem::exists(NativePath(folder)));
}

}  // namespace
}  // namespace mirvex
