// The settings of a program folder as the operations start from them: what each key
// of mirvex.ini and config.ini becomes, the saved triples, and the overrides of a run.
#include "settings/program_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/platform.h"
#include "settings/header_template.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

using test::CrLf;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

TEST(ProgramSettings, KeysAreShownAsTheWindowShowsThemAndNothingIsWritten) {
  ScratchDir dir;
  const std::string ini = CrLf({"[sYsTeM]", "rustransl=1.4", "TypeObj=2", "AutoSet=abc", "Podpis= 1 ", "KolSt=07",
                                "Koord2=50.30", "[mkgmap]", "path=/opt/mkgmap.jar", "OPTIONS=--max-jobs=1"});
  WriteFile(dir.path() / "mirvex.ini", ini);
  ProgramSettings settings = ReadProgramSettings(PathText(dir.path()));
  struct Case {
    const char* key;
    const char* shown;
  };
  // A check box shows its rounded leading number when that is 0 or 1, else 0; a text
  // box the stored text unchanged; a missing key is an empty box or a clear one.
  const Case cases[] = {{"RusTransl", "1"}, {"TypeObj", "0"}, {"AutoSet", "0"}, {"Podpis", "1"},
                        {"PovObj", "0"},    {"KolSt", "07"}, {"Koord2", "50.30"}, {"Koord3", ""},
                        {"kolst", "07"},   {"PathCount", ""}, {"NoSuchKey", ""}};
  for (const Case& c : cases) EXPECT_EQ(settings.Value(c.key), c.shown) << c.key;
  ConversionOptions options = settings.conversion_options();
  EXPECT_TRUE(options.transliterate_labels && options.no_labels);
  EXPECT_FALSE(options.section_from_mif || options.column_count_from_header);
  EXPECT_EQ(options.column_count, 7);
  EXPECT_DOUBLE_EQ(*settings.crop_options().west, 50.5);
  CompileOptions compile = settings.compile_options();
  EXPECT_EQ(compile.mkgmap, "/opt/mkgmap.jar");
  EXPECT_EQ(compile.extra_options, "--max-jobs=1");
  EXPECT_EQ(compile.output_folder, "");
  EXPECT_EQ(settings.prefix(), PathText(dir.path()) + kPathSeparator);
  EXPECT_EQ(ReadFile(dir.path() / "mirvex.ini"), ini);
}

// An override replaces the stored text for the run only, read as the stored one is.
TEST(ProgramSettings, OverridesReplaceAStoredTextForTheRun) {
  ScratchDir dir;
  const std::string ini = CrLf({"[System]", "RusTransl=0", "TypeSt=1"});
  WriteFile(dir.path() / "mirvex.ini", ini);
  ProgramSettings settings = ReadProgramSettings(PathText(dir.path()));
  EXPECT_TRUE(settings.Override("rustransl", "1"));
  EXPECT_TRUE(settings.Override("TYPEST", "2.5"));
  EXPECT_TRUE(settings.Override("PrivazkaMap", "7"));
  EXPECT_FALSE(settings.Override("PathCount", "3"));
  EXPECT_FALSE(settings.Override("mif_path", "x"));
  ConversionOptions options = settings.conversion_options();
  EXPECT_TRUE(options.transliterate_labels);
  EXPECT_EQ(options.type_column, 2);  // halves round to even
  EXPECT_FALSE(options.georeference.enabled);
  EXPECT_EQ(ReadFile(dir.path() / "mirvex.ini"), ini);
}

TEST(ProgramSettings, SavedTriplesFollowTheCountKeptWithinItsLimits) {
  struct Case {
    const char* count;
    std::size_t triples;
  };
  const Case cases[] = {{"", 0}, {"0", 0}, {"-3", 0}, {"abc", 0}, {"2", 2}, {"2.7", 2}, {"3", 3}, {"1e300", 10000}};
  for (const Case& c : cases) {
    ScratchDir dir;
    WriteFile(dir.path() / "mirvex.ini",
              CrLf({"[System]", std::string("PathCount=") + c.count, "[path1]", "P1=a.mif", "p2=b.mif", "[Path2]",
                    "p1=a.mid", "[PATH3]", "p1=a.mp", "p2=b.mp"}));
    ProgramSettings settings = ReadProgramSettings(PathText(dir.path()));
    ASSERT_EQ(settings.saved_triples.size(), c.triples) << c.count;
    if (c.triples < 2) continue;
    EXPECT_EQ(settings.saved_triples[0].mif, "a.mif");
    EXPECT_EQ(settings.saved_triples[0].mid, "a.mid");
    EXPECT_EQ(settings.saved_triples[0].result, "a.mp");
    // A path missing from its section is an empty one, in its place.
    EXPECT_EQ(settings.saved_triples[1].mif, "b.mif");
    EXPECT_EQ(settings.saved_triples[1].mid, "");
    EXPECT_EQ(settings.saved_triples[1].result, "b.mp");
  }
}

TEST(ProgramSettings, TemplateFromConfigIniOrTheBuiltInOneWhenMissing) {
  ScratchDir dir;
  ProgramSettings first = ReadProgramSettings(PathText(dir.path()));
  EXPECT_TRUE(first.template_missing);
  EXPECT_EQ(first.header_template, BuiltInTemplate());
  EXPECT_EQ(first.conversion_options().header_template, BuiltInTemplate());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "config.ini"));

  WriteFile(dir.path() / "config.ini", "[IMG ID]\nID=1");
  ProgramSettings later = ReadProgramSettings(PathText(dir.path()));
  EXPECT_FALSE(later.template_missing);
  EXPECT_EQ(later.conversion_options().header_template, "[IMG ID]\r\nID=1\r\n");
}

}  // namespace
}  // namespace mirvex
