// The headless main window on a real program folder: settings written as controls
// change, mirvex.ini kept byte for byte, the saved path list, and the paths the file
// dialogs choose.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "dictionary/object_record.h"
#include "settings/header_template.h"
#include "settings/ini_file.h"
#include "settings/program_settings.h"
#include "tests/main_window_fixture.h"
#include "tests/test_support.h"

namespace mirvex::ui {
namespace {

namespace fs = std::filesystem;
using test::CrLf;
using test::HasLine;
using test::Name;
using test::Program;
using test::ReadFile;
using test::RecordedMessage;
using test::ScratchDir;
using test::WriteFile;
using C = MainWindowControls;

struct Mirror {
  MainControl control;
  const char* key;
};

constexpr Mirror kTextMirrors[] = {
    {&C::rotation_angle, "UgolPovorot"}, {&C::test_map_path, "TestMap"},      {&C::lower_left_longitude, "PrK1"},
    {&C::lower_left_latitude, "PrK2"},   {&C::upper_right_longitude, "PrK3"}, {&C::upper_right_latitude, "PrK4"},
    {&C::crop_west, "Koord2"},           {&C::crop_north, "Koord3"},          {&C::crop_east, "Koord4"},
    {&C::crop_south, "Koord5"},          {&C::crop_map_path, "PathEdit1"},    {&C::crop_result_path, "PathEdit2"},
    {&C::size_threshold, "RazmObj"},     {&C::column_count, "KolSt"},         {&C::type_column, "TypeSt"},
    {&C::label_column, "PodpSt"},
};
constexpr Mirror kCheckMirrors[] = {
    {&C::georeference, "PrivazkaMap"},         {&C::raise_large_objects, "PovObj"},
    {&C::section_from_mif, "TypeObj"},         {&C::transliterate_labels, "RusTransl"},
    {&C::column_count_from_header, "AutoSet"}, {&C::no_labels, "Podpis"},
    {&C::crop_clip, "CropClip"},
};

TEST(MainWindowSettings, FirstStartEmptiesEveryBoxAndWritesTheKeysAndTheTemplate) {
  Program program;
  MainWindow& window = program.Start();
  for (const Mirror& m : kTextMirrors) EXPECT_EQ((window.controls().*m.control).text(), "") << Name(m.control);
  for (const Mirror& m : kCheckMirrors) EXPECT_EQ((window.controls().*m.control).check(), 0) << Name(m.control);
  EXPECT_TRUE(window.controls().column_count.enabled());
  EXPECT_EQ(window.controls().column_count.background(), Background::kWhite);
  for (MainControl combo : {&C::mif_path, &C::mid_path, &C::result_path}) {
    EXPECT_TRUE((window.controls().*combo).items().empty()) << Name(combo);
    EXPECT_EQ((window.controls().*combo).list_index(), -1) << Name(combo);
  }
  std::string ini = program.Ini();
  for (const Mirror& m : kTextMirrors) EXPECT_TRUE(HasLine(ini, std::string(m.key) + "=")) << m.key;
  EXPECT_TRUE(HasLine(ini, "RusTransl=0"));
  EXPECT_TRUE(HasLine(ini, "AutoSet=0"));
  EXPECT_EQ(window.controls().header_template.text(), BuiltInTemplate());
  EXPECT_EQ(ReadFile(program.dir.path() / "config.ini"), BuiltInTemplate() + "\r\n");
  EXPECT_TRUE(program.host.messages.empty());
}

TEST(MainWindowSettings, EveryMirroredControlLoadsItsKeyAndWritesItBack) {
  Program program;
  std::string ini = "[System]\r\n";
  for (const Mirror& m : kTextMirrors) ini += std::string(m.key) + "=v-" + m.key + "\r\n";
  for (const Mirror& m : kCheckMirrors) ini += std::string(m.key) + "=1\r\n";
  program.WriteIni(ini);
  MainWindow& window = program.Start();
  for (const Mirror& m : kTextMirrors) {
    EXPECT_EQ((window.controls().*m.control).text(), std::string("v-") + m.key) << Name(m.control);
    (window.controls().*m.control).SetText(std::string("w-") + m.key);
    EXPECT_EQ(program.Setting(m.key), std::string("w-") + m.key) << Name(m.control);
  }
  for (const Mirror& m : kCheckMirrors) {
    EXPECT_EQ((window.controls().*m.control).check(), 1) << Name(m.control);
    (window.controls().*m.control).SetCheck(0);
    EXPECT_EQ(program.Setting(m.key), "0") << Name(m.control);
  }
}

TEST(MainWindowSettings, CheckBoxSetsItsDependentBoxAtLoadAndOnChange) {
  struct Case {
    MainControl check;
    const char* key;
    MainControl box;
    bool box_enabled_when_ticked;
    Background ticked, clear;
  };
  const Case cases[] = {
      {&C::column_count_from_header, "AutoSet", &C::column_count, false, Background::kGrey, Background::kWhite},
      {&C::no_labels, "Podpis", &C::label_column, false, Background::kGrey, Background::kWhite},
      {&C::raise_large_objects, "PovObj", &C::size_threshold, true, Background::kToolTip, Background::kGrey},
  };
  for (const Case& c : cases) {
    for (int stored : {1, 0}) {
      SCOPED_TRACE(Name(c.check) + "=" + std::to_string(stored));
      Program program;
      program.WriteIni(CrLf({"[System]", std::string(c.key) + "=" + std::to_string(stored)}));
      MainWindow& window = program.Start();
      UiControl& box = (window.controls().*c.box);
      EXPECT_EQ((window.controls().*c.check).check(), stored);
      EXPECT_EQ(box.enabled(), stored == 1 ? c.box_enabled_when_ticked : !c.box_enabled_when_ticked);
      EXPECT_EQ(box.background(), stored == 1 ? c.ticked : c.clear);
      (window.controls().*c.check).SetCheck(1 - stored);
      EXPECT_EQ(box.enabled(), stored == 0 ? c.box_enabled_when_ticked : !c.box_enabled_when_ticked);
      EXPECT_EQ(box.background(), stored == 0 ? c.ticked : c.clear);
      EXPECT_EQ(program.Setting(c.key), std::to_string(1 - stored));
    }
  }
}

TEST(MainWindowSettings, HandEditedCheckValueShowsWhatItRoundsToAndIsStoredSo) {
  struct Case {
    const char* stored;
    int shown;
  };
  const Case cases[] = {{"1", 1}, {"1.4", 1}, {"0.5", 0}, {"1.5", 0}, {"2", 0},
                        {"2.5", 0}, {"abc", 0}, {"-1", 0}, {"0x1", 0}};
  for (const Case& c : cases) {
    for (const Mirror& m : {Mirror{&C::section_from_mif, "TypeObj"}, Mirror{&C::column_count_from_header, "AutoSet"}}) {
      SCOPED_TRACE(std::string(m.key) + "=" + c.stored);
      Program program;
      program.WriteIni(CrLf({"[System]", std::string(m.key) + "=" + c.stored}));
      MainWindow& window = program.Start();
      EXPECT_EQ((window.controls().*m.control).check(), c.shown);
      EXPECT_EQ(program.Setting(m.key), std::to_string(c.shown));
    }
  }
}

TEST(MainWindowSettings, EveryKeystrokeIsWrittenAtOnce) {
  Program program;
  MainWindow& window = program.Start();
  std::vector<std::string> written;
  window.controls().size_threshold.Subscribe([&](UiControl&, Change change) {
    if (change == Change::kText) written.push_back(program.Setting("RazmObj"));
  });
  for (const char* typed : {"2", "2.", "2.5"}) window.controls().size_threshold.SetText(typed);
  EXPECT_EQ(written, (std::vector<std::string>{"2", "2.", "2.5"}));
}

TEST(MainWindowSettings, TemplateIsStoredWithOneMoreLineEndAndComesBackAfterRestart) {
  struct Case {
    std::string typed, file, shown_after_restart;
  };
  const Case cases[] = {
      {"A\r\nB\r\n", "A\r\nB\r\n\r\n", "A\r\nB\r\n\r\n"},
      {"  Levels=3\r\nName=a, b", "  Levels=3\r\nName=a, b\r\n", "  Levels=3\r\nName=a, b\r\n"},
      {"", "\r\n", "\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Program program;
    program.Start().controls().header_template.SetText(c.typed);
    EXPECT_EQ(ReadFile(program.dir.path() / "config.ini"), c.file);
    EXPECT_EQ(program.Start().controls().header_template.text(), c.shown_after_restart);
  }
}

TEST(MainWindowSettings, FailedTemplateWriteIsReportedOnceAndTheTextStays) {
  Program program;
  MainWindow& window = program.Start();
  fs::path config = program.dir.path() / "config.ini";
  fs::remove(config);
  fs::create_directory(config);
  for (const char* typed : {"L", "Le", "Lev"}) window.controls().header_template.SetText(typed);
  ASSERT_EQ(program.host.messages.size(), 1u);
  EXPECT_NE(program.MessageText(0).find("config.ini"), std::string::npos);
  EXPECT_EQ(window.controls().header_template.text(), "Lev");
  EXPECT_EQ(std::distance(fs::directory_iterator(program.dir.path()), fs::directory_iterator()), 2)
      << "a temporary file was left beside config.ini";

  // Once a write succeeds again, a later failure is worth a new message.
  fs::remove(config);
  window.controls().header_template.SetText("Levels");
  EXPECT_EQ(ReadFile(config), "Levels\r\n");
  fs::remove(config);
  fs::create_directory(config);
  window.controls().header_template.SetText("Levels=");
  EXPECT_EQ(program.host.messages.size(), 2u);
}

TEST(MainWindowSettings, ReadOnlyWindowWritesNothing) {
  Program program;
  const std::string ini = CrLf({"[System]", "RusTransl=abc", "KolSt=4", "PathCount=1", "[Path1]", "p1=x.MIF"});
  program.WriteIni(ini);
  MainWindow& window = program.Start(/*read_only=*/true);
  EXPECT_EQ(window.controls().column_count.text(), "4");
  window.controls().column_count.SetText("5");
  window.controls().no_labels.SetCheck(1);
  window.controls().header_template.SetText("X");
  window.controls().result_path.SetText("r.txt");
  window.OnSavePathsClicked();
  window.OnCopyResultClicked();
  window.OnDeletePathsClicked();
  EXPECT_EQ(program.Ini(), ini);
  EXPECT_FALSE(fs::exists(program.dir.path() / "config.ini"));
  EXPECT_TRUE(program.host.messages.empty());
}

// Every field of the options, to compare what two readings give.
std::string Describe(const ConversionOptions& o) {
  const GeoreferenceOptions& g = o.georeference;
  std::ostringstream text;
  text << o.header_template << '|' << o.transliterate_labels << o.section_from_mif << o.column_count_from_header
       << '|' << o.column_count << '|' << o.type_column << '|' << o.label_column << '|' << o.no_labels
       << o.raise_large_objects << '|' << o.size_threshold << '|' << g.enabled << '|' << g.lower_left_longitude << '|'
       << g.lower_left_latitude << '|' << g.upper_right_longitude << '|' << g.upper_right_latitude << '|'
       << g.rotation_degrees;
  return text.str();
}

std::string Describe(const CropOptions& o) {
  std::ostringstream text;
  for (const std::optional<double>& bound : {o.west, o.north, o.east, o.south}) {
    if (bound) text << *bound;
    text << '|';
  }
  return text.str();
}

// The window takes its options from its boxes, the command line and the map picture
// from the file through the settings: for one file, odd values included, both run
// with the same options and the same saved triples.
TEST(MainWindowSettings, OptionsFromTheBoxesAreThoseReadFromTheFile) {
  const std::vector<std::vector<std::string>> files = {
      {},
      {"[System]", "RusTransl=2", "TypeObj=1.4", "AutoSet=abc", "KolSt=1e300", "TypeSt=2.5", "PodpSt=-1",
       "Podpis= 1 ", "PovObj=1", "RazmObj=1,5", "PrivazkaMap=0.5", "PrK1=60.5", "PrK2=x", "PrK4=54",
       "UgolPovorot=-0.8", "Koord2=50.30", "Koord3=", "Koord4=abc", "Koord5=-5.30", "PathCount=2", "[Path1]",
       "p1=a.mif", "[Path3]", "p1=a.mp", "p2=b.mp", "[Mkgmap]", "Path=mkgmap.jar", "Options=--a \"b c\""},
      {"[system]", "rustransl=1", "autoset=0", "kolst=3", "typest=1", "podpst=2", "PathCount=-1", "[mkgmap]",
       "OPTIONS=--x"},
  };
  for (const std::vector<std::string>& lines : files) {
    SCOPED_TRACE(testing::PrintToString(lines));
    Program program;
    std::string ini;
    for (const std::string& line : lines) ini += line + "\r\n";
    program.WriteIni(ini);
    if (lines.size() > 3) WriteFile(program.dir.path() / "config.ini", "[IMG ID]\nName=x");
    MainWindow& window = program.Start(/*read_only=*/true);
    ProgramSettings settings = ReadProgramSettings(program.folder);
    EXPECT_EQ(Describe(window.conversion_options()), Describe(settings.conversion_options()));
    EXPECT_EQ(Describe(window.crop_options()), Describe(settings.crop_options()));
    EXPECT_EQ(window.compile_options().mkgmap, settings.compile_options().mkgmap);
    EXPECT_EQ(window.compile_options().extra_options, settings.compile_options().extra_options);
    std::vector<ConversionPaths> shown = window.saved_triples();
    ASSERT_EQ(shown.size(), settings.saved_triples.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].mif, settings.saved_triples[i].mif);
      EXPECT_EQ(shown[i].mid, settings.saved_triples[i].mid);
      EXPECT_EQ(shown[i].result, settings.saved_triples[i].result);
    }
  }
}

TEST(MainWindowIni, NamesMatchWithoutRegardToCase) {
  Program program;
  program.WriteIni(CrLf({"[sYsTeM]", "kolst=7", "PATHCOUNT=1", "[path1]", "P1=x.MIF", "[PATH2]", "p1=x.MID",
                         "[Path3]", "P1=x.txt"}));
  MainWindow& window = program.Start();
  EXPECT_EQ(window.controls().column_count.text(), "7");
  EXPECT_EQ(window.controls().result_path.items(), std::vector<std::string>{"x.txt"});
  window.controls().column_count.SetText("8");
  std::string ini = Cp1251ToUtf8(program.Ini());
  for (char& c : ini) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(ini.find("[system]"), ini.rfind("[system]"));
  EXPECT_EQ(ini.find("\nkolst="), ini.rfind("\nkolst="));
  EXPECT_TRUE(HasLine(ini, "kolst=8"));
}

TEST(MainWindowIni, WritingAKeyKeepsEveryOtherLineByteForByte) {
  Program program;
  program.Start();
  std::string system = program.Ini();
  const std::string before = "; kept by hand\r\n[Before]\r\nx = 1 ; not a comment\r\n\r\n";
  const std::string after = "\r\n[After]\r\n;c\r\n  y=\"q\"\r\n";
  program.WriteIni(before + system + after);
  program.window->controls().column_count.SetText("9");
  std::size_t at = system.find("KolSt=\r\n");
  ASSERT_NE(at, std::string::npos);
  system.replace(at, 8, "KolSt=9\r\n");
  EXPECT_EQ(program.Ini(), before + system + after);
}

TEST(MainWindowIni, ValuesAreReadWholeUpTo254Characters) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\a=b;c.txt", "C:\\a=b;c.txt"}, {"1 ; 2", "1 ; 2"}, {std::string(300, 'x'), std::string(254, 'x')}};
  for (const auto& [stored, shown] : cases) {
    Program program;
    program.WriteIni(CrLf({"[System]", "PathEdit1=" + stored}));
    EXPECT_EQ(program.Start().controls().crop_map_path.text(), shown);
    program.window->controls().crop_result_path.SetText(shown);
    EXPECT_EQ(program.Start().controls().crop_result_path.text(), shown);
  }
}

// The path of saved entry `letter` ('a' for p1) in list 0 (MIF), 1 (MID) or 2 (map).
std::string Entry(char letter, int list) {
  const char* extensions[] = {".MIF", ".MID", ".txt"};
  return letter + std::string(extensions[list]);
}

// A mirvex.ini holding `count` saved triples a, b, c...
std::string Triples(int count) {
  std::string ini = "[System]\r\nPathCount=" + std::to_string(count) + "\r\n";
  for (int list = 0; list < 3; ++list) {
    ini += "[Path" + std::to_string(list + 1) + "]\r\n";
    for (int i = 1; i <= count; ++i) {
      ini += "p" + std::to_string(i) + "=" + Entry(static_cast<char>('a' + i - 1), list) + "\r\n";
    }
  }
  return ini;
}

// The MIF, MID and result path boxes, in the order of their sections Path1..Path3.
MainControl kPathControls[] = {&C::mif_path, &C::mid_path, &C::result_path};

std::vector<std::string> Texts(MainWindow& window) {
  return {window.controls().mif_path.text(), window.controls().mid_path.text(), window.controls().result_path.text()};
}

TEST(MainWindowPaths, SavedTriplesShowTheLastAndChoosingAMifShowsItsPartners) {
  Program program;
  program.WriteIni(Triples(2));
  MainWindow& window = program.Start();
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"b.MIF", "b.MID", "b.txt"}));
  window.controls().mif_path.SetListIndex(0);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"a.MIF", "a.MID", "a.txt"}));
  window.controls().mid_path.SetListIndex(1);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"a.MIF", "b.MID", "a.txt"}));

  // A path typed over the chosen one is replaced when that entry is chosen again.
  window.controls().mif_path.SetText("typed.MIF");
  window.controls().mif_path.SetListIndex(0);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"a.MIF", "a.MID", "a.txt"}));
}

TEST(MainWindowPaths, SaveAppendsTheTripleAfterTheCount) {
  Program program;
  program.WriteIni(Triples(2));
  MainWindow& window = program.Start();
  window.controls().mif_path.SetText("z.MIF");
  window.controls().mid_path.SetText("z.MID");
  window.controls().result_path.SetText("z.txt");
  window.OnSavePathsClicked();
  EXPECT_EQ(program.Setting("PathCount"), "3");
  for (int list = 0; list < 3; ++list) {
    std::string section = "Path" + std::to_string(list + 1);
    EXPECT_EQ(program.Setting("p2", section.c_str()), Entry('b', list));
    EXPECT_EQ(program.Setting("p3", section.c_str()), Entry('z', list));
  }
  EXPECT_EQ(window.controls().mid_path.items(), (std::vector<std::string>{"a.MID", "b.MID", "z.MID"}));
  EXPECT_EQ(program.Start().controls().result_path.text(), "z.txt");
}

TEST(MainWindowPaths, DeleteMovesLaterEntriesDownAndEmptiesTheTexts) {
  Program program;
  program.WriteIni(Triples(3));
  MainWindow& window = program.Start();
  window.controls().mif_path.SetListIndex(1);
  window.OnDeletePathsClicked();
  EXPECT_EQ(program.Setting("PathCount"), "2");
  for (int list = 0; list < 3; ++list) {
    std::string section = "Path" + std::to_string(list + 1);
    EXPECT_EQ(program.Setting("p1", section.c_str()), Entry('a', list));
    EXPECT_EQ(program.Setting("p2", section.c_str()), Entry('c', list));
    EXPECT_EQ(program.Setting("p3", section.c_str()), Entry('c', list));
    EXPECT_EQ((window.controls().*kPathControls[list]).items(),
              (std::vector<std::string>{Entry('a', list), Entry('c', list)}));
  }
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(Texts(program.Start()), (std::vector<std::string>{"c.MIF", "c.MID", "c.txt"}));
}

TEST(MainWindowPaths, DeleteWithoutAMatchChangesNoFileButEmptiesTheTexts) {
  Program program;
  program.WriteIni(Triples(3));
  MainWindow& window = program.Start();
  const std::string ini = program.Ini();
  window.controls().mif_path.SetListIndex(0);
  window.controls().result_path.SetText("other.txt");
  window.OnDeletePathsClicked();
  EXPECT_EQ(program.Ini(), ini);
  EXPECT_EQ(window.controls().mif_path.items().size(), 3u);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"", "", ""}));
}

TEST(MainWindowPaths, CopyResultPathIntoTheMapToCrop) {
  for (const char* result : {"", "r.txt"}) {
    Program program;
    program.WriteIni(CrLf({"[System]", "PathEdit1=old.txt"}));
    MainWindow& window = program.Start();
    window.controls().result_path.SetText(result);
    window.OnCopyResultClicked();
    EXPECT_EQ(window.controls().crop_map_path.text(), result);
    EXPECT_TRUE(HasLine(program.Ini(), std::string("PathEdit1=") + result));
  }
}

// File dialogs start where the user works, and a chosen MIF fills the boxes it implies.
TEST(MainWindowFiles, DialogsStartInTheBoxFolderOrTheMifFolderAndAChosenMifFillsEmptyBoxes) {
  Program program;
  MainWindow& window = program.Start();
  const ScratchDir& dir = program.dir;
  fs::create_directories(dir.path() / "maps");
  WriteFile(dir.path() / "maps" / "town.mif", "Version 300\r\n");
  WriteFile(dir.path() / "maps" / "town.MID", "");
  WriteFile(dir.path() / "maps" / "river.mif", "Version 300\r\n");
  const std::string maps = dir.File("maps") + std::string(1, kPathSeparator);

  window.controls().mif_path.SetText(maps + "town.mif");
  window.controls().mid_path.SetText(dir.File("nowhere") + std::string(1, kPathSeparator) + "a.mid");
  window.controls().result_path.SetText("");
  EXPECT_EQ(window.FileDialogStart(window.controls().mif_path), maps + "town.mif");  // its own folder, its name offered
  EXPECT_EQ(window.FileDialogStart(window.controls().mid_path), maps);               // a folder that is not: the MIF's
  EXPECT_EQ(window.FileDialogStart(window.controls().result_path), maps);
  window.controls().mif_path.SetText("town.mif");
  EXPECT_EQ(window.FileDialogStart(window.controls().result_path), "");  // no folder anywhere: the dialog's own

  struct Case {
    const char* what;
    const char* mif;
    const char* mid_before;
    const char* result_before;
    std::string mid_after;
    std::string result_after;
  };
  const Case cases[] = {
#ifdef _WIN32
      {"both empty, the MID in capitals", "town.mif", "", "", maps + "town.mid", maps + "town.mp"},  // any case
#else
      {"both empty, the MID in capitals", "town.mif", "", "", maps + "town.MID", maps + "town.mp"},
#endif
      {"no MID beside it", "river.mif", "", "", "", maps + "river.mp"},
      {"boxes already filled stay", "town.mif", "keep.mid", "keep.mp", "keep.mid", "keep.mp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window.controls().mid_path.SetText(c.mid_before);
    window.controls().result_path.SetText(c.result_before);
    window.OnFileChosen(window.controls().mif_path, maps + c.mif, true);
    EXPECT_EQ(window.controls().mif_path.text(), maps + c.mif);
    EXPECT_EQ(window.controls().mid_path.text(), c.mid_after);
    EXPECT_EQ(window.controls().result_path.text(), c.result_after);
  }
  // A result named without an extension is a text map.
  window.OnFileChosen(window.controls().result_path, maps + "out", true);
  EXPECT_EQ(window.controls().result_path.text(), maps + "out.mp");
  window.OnFileChosen(window.controls().result_path, maps + "out.txt", true);
  EXPECT_EQ(window.controls().result_path.text(), maps + "out.txt");
  window.OnFileChosen(window.controls().mid_path, maps + "other", true);
  EXPECT_EQ(window.controls().mid_path.text(), maps + "other");
  EXPECT_TRUE(program.host.messages.empty());
}

// A chosen name that cp1251 cannot hold would name another file once converted: every
// path box refuses it with the same message, and nothing changes.
TEST(MainWindowPaths, AChosenPathOutsideCp1251IsRefused) {
  Program program;
  MainWindow& window = program.Start();
  MainWindowControls& c = window.controls();
  for (UiControl* box : {&c.mif_path, &c.mid_path, &c.result_path, &c.test_map_path, &c.mkgmap_path}) {
    SCOPED_TRACE(box->name());
    program.host.messages.clear();
    box->SetText("before");
    c.mid_path.SetText(box == &c.mid_path ? "before" : "");
    c.result_path.SetText(box == &c.result_path ? "before" : "");
    window.OnFileChosen(*box, "C:\\maps\\?.mif", false);
    EXPECT_EQ(box->text(), "before");
    if (box == &c.mif_path) {
      EXPECT_EQ(c.mid_path.text(), "");
      EXPECT_EQ(c.result_path.text(), "");
    }
    ASSERT_EQ(program.host.messages.size(), 1u);
    EXPECT_EQ(program.MessageText(0),
              "В пути есть символы, которых нет в кодировке cp1251; выберите файл с другим именем или в "
              "другой папке:\r\nC:\\maps\\?.mif");
  }
  // The same path that fits is taken.
  window.OnFileChosen(c.mkgmap_path, "C:\\mkgmap\\mkgmap.jar", true);
  EXPECT_EQ(c.mkgmap_path.text(), "C:\\mkgmap\\mkgmap.jar");
}
}  // namespace
}  // namespace mirvex::ui
