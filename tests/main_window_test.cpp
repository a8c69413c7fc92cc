// The headless main window on a real program folder: settings written as controls
// change, the saved path list, the panels and their operations, the splitter, help
// and exit.
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
#include "tests/test_support.h"

namespace mirvex::ui {
namespace {

namespace fs = std::filesystem;
using test::CrLf;
using test::ReadFile;
using test::RecordedMessage;
using test::ScratchDir;
using test::WriteFile;
using C = MainWindowControls;

// The name of a control, for the messages of a failed check.
std::string Name(MainControl control) {
  static const MainWindowControls names;
  return (names.*control).name();
}

// Records messages, opened documents and exits; progress goes nowhere.
class FakeWindowHost : public WindowHost {
 public:
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
    messages.push_back({text, title, icon});
    if (on_message) on_message();
  }
  void Beep() override { ++beeps; }
  void SetProgressRange(std::int64_t, std::int64_t) override {
    if (on_run_started) on_run_started();
  }
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string&) override {}
  void ProcessEvents() override {}
  bool OpenDocument(const std::string& path) override { return opened.push_back(path), open_succeeds; }
  void Quit() override { ++quits; }
  bool Confirm(const std::string&, const std::string&) override {
    ++questions;
    return confirm;
  }

  std::vector<RecordedMessage> messages;
  std::vector<std::string> opened;
  bool open_succeeds = true;
  int quits = 0;
  int beeps = 0;
  int questions = 0;
  bool confirm = true;
  std::function<void()> on_message;
  std::function<void()> on_run_started;  // once the operation has opened its files
};

// A program folder with its window; `Start` creates the window and runs its load.
struct Program {
  MainWindow& Start(bool read_only = false) {
    window = std::make_unique<MainWindow>(host, folder, read_only);
    window->Load();
    return *window;
  }
  void WriteIni(const std::string& bytes) const { WriteFile(dir.path() / "mirvex.ini", bytes); }
  std::string Ini() const { return ReadFile(dir.path() / "mirvex.ini"); }
  std::string Setting(const char* key, const char* section = "System") const {
    return ReadSetting(folder, section, key);
  }
  std::string MessageText(std::size_t i) const { return Cp1251ToUtf8(host.messages.at(i).text); }

  ScratchDir dir;
  std::string folder = PathText(dir.path());
  FakeWindowHost host;
  std::unique_ptr<MainWindow> window;
};

// True when the file holds this line exactly, as a whole line.
bool HasLine(const std::string& bytes, const std::string& line) {
  return ("\r\n" + bytes).find("\r\n" + line + "\r\n") != std::string::npos;
}

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

// Which of the four panels is visible.
std::string VisiblePanel(MainWindow& window) {
  std::string shown;
  for (MainControl panel : {&C::welcome_panel, &C::conversion_panel, &C::crop_panel, &C::test_map_panel}) {
    if ((window.controls().*panel).visible()) shown += Name(panel);
  }
  return shown;
}

TEST(MainWindowPanels, FirstPressOpensThePanelAndTheSecondRunsTheOperation) {
  struct Press {
    void (MainWindow::*button)();
    const char* panel;
    std::size_t messages;  // each run reports the missing input file
  };
  const Press presses[] = {
      {&MainWindow::OnConvertClicked, "conversion_panel", 0}, {&MainWindow::OnConvertClicked, "conversion_panel", 1},
      {&MainWindow::OnCropClicked, "crop_panel", 1},          {&MainWindow::OnTestMapClicked, "test_map_panel", 1},
      {&MainWindow::OnTestMapClicked, "test_map_panel", 2},   {&MainWindow::OnCropClicked, "crop_panel", 2},
      {&MainWindow::OnCropClicked, "crop_panel", 3},          {&MainWindow::OnConvertClicked, "conversion_panel", 3},
  };
  Program program;
  MainWindow& window = program.Start();
  window.controls().test_map_path.SetText(program.dir.File("test.txt"));
  EXPECT_EQ(VisiblePanel(window), "welcome_panel");
  EXPECT_FALSE(window.controls().georeference_frame.visible());
  int step = 0;
  for (const Press& press : presses) {
    SCOPED_TRACE(step++);
    (window.*press.button)();
    EXPECT_EQ(VisiblePanel(window), press.panel);
    EXPECT_EQ(program.host.messages.size(), press.messages);
  }
  EXPECT_TRUE(program.MessageText(0).starts_with("Файл не найден"));
  EXPECT_EQ(program.host.messages[1].text, Ru("Файл не найден") + "\r\n" + program.dir.File("test.txt"));
  EXPECT_FALSE(fs::exists(program.dir.path() / "test.txt"));
}

TEST(MainWindowPanels, SecondPressOfConvertWritesTheMap) {
  Program program;
  fs::copy_file(MIRVEX_SOURCE_DATA "/object.txt", program.dir.path() / "object.txt");
  WriteFile(program.dir.path() / "a.mif",
            CrLf({"Version 300", "Columns 2", "  Type Char(20)", "  Name Char(20)", "Data", "",
                  "Point 65.5 57.25", "    Symbol (35,0,12)"}));
  WriteFile(program.dir.path() / "a.mid", CrLf({"\"x\",\"Shkola\""}));
  MainWindow& window = program.Start();
  window.controls().mif_path.SetText(program.dir.File("a.mif"));
  window.controls().mid_path.SetText(program.dir.File("a.mid"));
  window.controls().result_path.SetText(program.dir.File("a.mp"));
  window.controls().column_count_from_header.SetCheck(1);
  window.controls().type_column.SetText("1");
  window.controls().label_column.SetText("2");
  window.controls().header_template.SetText("[IMG ID]\r\n[END-IMG ID]");
  window.OnConvertClicked();
  EXPECT_FALSE(fs::exists(program.dir.path() / "a.mp"));
  EXPECT_TRUE(program.host.messages.empty());
  window.OnConvertClicked();
  EXPECT_EQ(window.last_status(), OperationStatus::kCompleted);
  EXPECT_TRUE(ReadFile(program.dir.path() / "a.mp").starts_with("[IMG ID]\r\n[END-IMG ID]\r\n\r\n[RGN10]"));
  ASSERT_FALSE(program.host.messages.empty());
  EXPECT_EQ(program.host.messages.back().text, Ru("               Конвертация завершена"));
  EXPECT_EQ(window.controls().progress_percent.text(), "100");
  // The status line under the buttons keeps where the map went and what it holds; the
  // crop says the same of its result.
  EXPECT_EQ(window.controls().result_status.text(), program.dir.File("a.mp") + "\r\n[RGN10] 1, [RGN40] 0, [RGN80] 0");
  window.controls().crop_map_path.SetText(program.dir.File("a.mp"));
  window.controls().crop_result_path.SetText(program.dir.File("cut.mp"));
  for (auto [bound, text] :
       {std::pair{&C::crop_west, "65"}, {&C::crop_north, "58"}, {&C::crop_east, "66"}, {&C::crop_south, "57"}}) {
    (window.controls().*bound).SetText(text);
  }
  window.OnCropClicked();
  window.OnCropClicked();
  ASSERT_EQ(window.last_status(), OperationStatus::kCompleted);
  EXPECT_EQ(window.controls().result_status.text(), program.dir.File("cut.mp") + "\r\n[RGN10] 1, [RGN40] 0, [RGN80] 0");
}

TEST(MainWindowPanels, OperationButtonsAreDisabledWhileAnOperationRuns) {
  Program program;
  MainWindow& window = program.Start();
  MainControl buttons[] = {&C::convert_button,         &C::crop_button,        &C::test_map_button,
                           &C::edit_objects_button,    &C::save_paths_button,  &C::delete_paths_button,
                           &C::header_template_button, &C::georeference_button};
  std::vector<bool> convert_enabled;
  window.controls().convert_button.Subscribe([&](UiControl& button, Change change) {
    if (change == Change::kEnabled) convert_enabled.push_back(button.enabled());
  });
  int disabled_during = 0;
  program.host.on_message = [&] {
    for (MainControl button : buttons) disabled_during += (window.controls().*button).enabled() ? 0 : 1;
    EXPECT_TRUE(window.operation_running());
    // A click handled while the operation waits starts nothing and switches no panel.
    window.OnCropClicked();
    window.OnConvertClicked();
  };
  window.OnConvertClicked();
  window.OnConvertClicked();
  EXPECT_EQ(disabled_during, 8);
  EXPECT_EQ(program.host.messages.size(), 1u);
  EXPECT_EQ(VisiblePanel(window), "conversion_panel");
  EXPECT_EQ(convert_enabled, (std::vector<bool>{false, true}));
  for (MainControl button : buttons) EXPECT_TRUE((window.controls().*button).enabled()) << Name(button);
  EXPECT_FALSE(window.operation_running());
  EXPECT_EQ(window.last_status(), OperationStatus::kFailed);
}

// A conversion or a crop of a few thousand objects, whose result file holds an earlier
// result, ready to run from its panel.
void PrepareLongRun(Program& program, MainWindow& window, bool crop) {
  std::string mif = "Data\r\n\r\n", mid, map = "[IMG ID]\r\n[END-IMG ID]\r\n";
  for (int i = 0; i < 5000; ++i) {
    mif += "Point 65.5 57.25\r\n";
    mid += "\"x\",\"y\"\r\n";
    map += "[RGN10]\r\nType=0x01\r\nData0=(56,66)\r\n[END-RGN10]\r\n";
  }
  WriteFile(program.dir.path() / "a.mif", mif);
  WriteFile(program.dir.path() / "a.mid", mid);
  WriteFile(program.dir.path() / "a.mp", map);
  WriteFile(program.dir.path() / "result.mp", "earlier result\r\n");
  WriteFile(program.dir.path() / "object.txt", RecordBytes(Ru("Неопределенный тип объекта"), "0x10", "0x2f00", 0));
  window.controls().mif_path.SetText(program.dir.File("a.mif"));
  window.controls().mid_path.SetText(program.dir.File("a.mid"));
  window.controls().result_path.SetText(program.dir.File("result.mp"));
  window.controls().section_from_mif.SetCheck(1);
  window.controls().crop_map_path.SetText(program.dir.File("a.mp"));
  window.controls().crop_result_path.SetText(program.dir.File("result.mp"));
  for (auto [bound, text] :
       {std::pair{&C::crop_west, "65"}, {&C::crop_north, "57"}, {&C::crop_east, "70"}, {&C::crop_south, "55"}}) {
    (window.controls().*bound).SetText(text);
  }
  crop ? window.OnCropClicked() : window.OnConvertClicked();  // the panel
}

TEST(MainWindowStop, CancelStopsTheRunKeepsTheEarlierResultAndGivesTheWindowBack) {
  for (bool crop : {false, true}) {
    SCOPED_TRACE(crop ? "crop" : "conversion");
    Program program;
    MainWindow& window = program.Start();
    PrepareLongRun(program, window, crop);
    const auto before = std::distance(fs::directory_iterator(program.dir.path()), fs::directory_iterator());
    bool cancel_shown = false;
    program.host.on_run_started = [&] {
      cancel_shown = window.controls().cancel_button.visible();
      window.OnCancelClicked();
    };
    crop ? window.OnCropClicked() : window.OnConvertClicked();
    EXPECT_TRUE(cancel_shown);
    EXPECT_EQ(window.last_status(), OperationStatus::kStopped);
    EXPECT_EQ(ReadFile(program.dir.path() / "result.mp"), "earlier result\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(program.dir.path()), fs::directory_iterator()), before);
    ASSERT_EQ(program.host.messages.size(), 1u);
    EXPECT_EQ(program.MessageText(0), "Операция прервана");
    EXPECT_EQ(program.host.beeps, 0);
    EXPECT_FALSE(window.controls().cancel_button.visible());
    EXPECT_FALSE(window.operation_running());
    for (MainControl button : {&C::convert_button, &C::crop_button, &C::test_map_button, &C::exit_button}) {
      EXPECT_TRUE((window.controls().*button).enabled()) << Name(button);
    }
    EXPECT_FALSE(window.controls().crop_running.visible());
    // The next run is not stopped by the request of the last one.
    program.host.on_run_started = nullptr;
    crop ? window.OnCropClicked() : window.OnConvertClicked();
    EXPECT_EQ(window.last_status(), OperationStatus::kCompleted);
  }
}

TEST(MainWindowStop, ExitDuringARunAsksAndEndsTheProgramOnceTheRunHasStopped) {
  for (bool stop : {true, false}) {
    SCOPED_TRACE(stop ? "stop and exit" : "go on");
    Program program;
    MainWindow& window = program.Start();
    PrepareLongRun(program, window, false);
    program.host.confirm = stop;
    int quits_during_run = -1;
    program.host.on_run_started = [&] {
      window.OnExitClicked();
      quits_during_run = program.host.quits;
    };
    window.OnConvertClicked();
    EXPECT_EQ(program.host.questions, 1);
    EXPECT_EQ(quits_during_run, 0);  // never while the run still owns its files
    EXPECT_EQ(program.host.quits, stop ? 1 : 0);
    EXPECT_EQ(window.last_status(), stop ? OperationStatus::kStopped : OperationStatus::kCompleted);
    // After "Да" the program ends without a further box about the stop.
    if (stop) {
      EXPECT_TRUE(program.host.messages.empty()) << program.MessageText(0);
    }
  }
  // Without a run, "ВЫХОД" ends the program at once.
  Program idle;
  idle.Start().OnExitClicked();
  EXPECT_EQ(idle.host.questions, 0);
  EXPECT_EQ(idle.host.quits, 1);
}

TEST(MainWindowEditing, LevelButtonSaysTheLevelHoweverTheSliderMoved) {
  Program program;
  MainWindow& window = program.Start();
  window.controls().level_slider.SetValue(4);  // a click on the groove, a key, the wheel
  EXPECT_EQ(Cp1251ToUtf8(window.controls().level_button.text()), "Уровень 4");
  window.OnLevelSliderMoved(6);  // dragging
  EXPECT_EQ(Cp1251ToUtf8(window.controls().level_button.text()), "Уровень 6");
}

TEST(MainWindowLayout, ResetEditingControlsHidesAndDisablesThem) {
  Program program;
  MainWindow& window = program.Start();
  window.controls().object_list.AddItem("object");
  window.controls().type_list.AddItem("type");
  window.controls().column_view.SetText("Name");
  window.controls().header_template.SetVisible(true);
  window.controls().georeference_frame.SetVisible(true);
  window.ResetEditingControls();
  for (MainControl name : {&C::next_rows_button, &C::previous_rows_button, &C::row_range, &C::columns_frame,
                           &C::column_view, &C::transliterate_labels, &C::section_from_mif, &C::raise_large_objects,
                           &C::size_threshold, &C::georeference_frame, &C::header_template}) {
    EXPECT_FALSE((window.controls().*name).visible()) << Name(name);
  }
  for (MainControl name :
       {&C::default_type, &C::assign_default_type_button, &C::assign_type_button, &C::delete_objects_button,
        &C::level_button, &C::level_slider, &C::point_types_button, &C::line_types_button, &C::polygon_types_button,
        &C::transliterate_labels, &C::section_from_mif, &C::raise_large_objects}) {
    EXPECT_FALSE((window.controls().*name).enabled()) << Name(name);
  }
  EXPECT_EQ(window.controls().column_view.text(), "");
  EXPECT_TRUE(window.controls().object_list.items().empty());
  EXPECT_TRUE(window.controls().type_list.items().empty());
}

TEST(MainWindowLayout, TemplateAndBindingButtonsShowTheirOwnArea) {
  Program program;
  MainWindow& window = program.Start();
  window.OnGeoreferenceClicked();
  for (MainControl name : {&C::georeference_frame, &C::transliterate_labels, &C::section_from_mif,
                           &C::raise_large_objects, &C::size_threshold}) {
    EXPECT_TRUE((window.controls().*name).visible()) << Name(name);
  }
  EXPECT_FALSE(window.controls().row_range.visible());
  EXPECT_FALSE(window.controls().header_template.visible());
  window.OnHeaderTemplateClicked();
  EXPECT_TRUE(window.controls().header_template.visible());
  for (MainControl name : {&C::georeference_frame, &C::transliterate_labels, &C::section_from_mif,
                           &C::raise_large_objects, &C::size_threshold, &C::columns_frame}) {
    EXPECT_FALSE((window.controls().*name).visible()) << Name(name);
  }
}

TEST(MainWindowLayout, SplitterDragKeepsBothListsAtLeastTheirLeastWidth) {
  Program program;
  MainWindow& window = program.Start();
  UiControl& splitter = window.controls().list_splitter;
  UiControl& object_list = window.controls().object_list;
  UiControl& type_list = window.controls().type_list;
  const int form = window.controls().main_window.width();
  auto check_lists = [&] {
    EXPECT_EQ(object_list.width(), splitter.left() - kObjectListLeft);
    EXPECT_EQ(type_list.left(), splitter.left() + kTypeListGap);
    EXPECT_EQ(type_list.width(), form - type_list.left() - kTypeListRightMargin);
    EXPECT_GE(object_list.width(), kListMinimumWidth);
    EXPECT_GE(type_list.width(), kListMinimumWidth);
  };
  window.OnSplitterMoved(-500);  // no button held: nothing moves
  const int start = splitter.left();
  EXPECT_EQ(object_list.width(), start - kObjectListLeft);

  window.OnSplitterPressed(20.5);  // rounds to 20
  window.OnSplitterMoved(-9000);
  EXPECT_EQ(splitter.left(), kObjectListLeft + kListMinimumWidth);
  check_lists();
  window.OnSplitterMoved(start - kObjectListLeft - kListMinimumWidth + 20 + 400);  // back right in the same drag
  EXPECT_EQ(splitter.left(), start + 400);
  check_lists();
  window.OnSplitterReleased();
  window.OnSplitterMoved(5000);
  EXPECT_EQ(splitter.left(), start + 400);

  window.OnSplitterPressed(0);  // a later drag, past the window's right edge
  window.OnSplitterMoved(50000);
  EXPECT_EQ(type_list.width(), kListMinimumWidth);
  check_lists();
}

TEST(MainWindowLayout, WiderWindowIsFilledByTheTypeListAfterASplitterNudge) {
  Program program;
  MainWindow& window = program.Start();
  window.OnWindowResized(20000);
  window.OnSplitterPressed(10);
  window.OnSplitterMoved(11);
  window.OnSplitterReleased();
  const UiControl& type_list = window.controls().type_list;
  EXPECT_EQ(type_list.left(), window.controls().list_splitter.left() + kTypeListGap);
  EXPECT_EQ(type_list.width(), 20000 - type_list.left() - kTypeListRightMargin);
}

// A window made smaller or a larger scale never takes a list below its least width; a
// window too narrow for both shares the room between them.
TEST(MainWindowLayout, PlacedSplitterKeepsBothListsAndTheTypeListFillsTheWindow) {
  const int both = kObjectListLeft + MinimumListsAreaWidth() + kTypeListRightMargin;
  struct Case {
    int window_width;
    int requested;
    int expected;
  };
  const Case cases[] = {
      {20000, 9000, 9000},                                                               // inside: as asked
      {20000, 100, kObjectListLeft + kListMinimumWidth},                                 // left of the stop
      {20000, 30000, 20000 - kTypeListRightMargin - kTypeListGap - kListMinimumWidth},  // past the right edge
      {both, 9000, kObjectListLeft + kListMinimumWidth},                                 // just room for both
      {both - 1000, 9000, kObjectListLeft + (MinimumListsAreaWidth() - 1000 - kTypeListGap) / 2},  // too narrow
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.window_width) + " " + std::to_string(c.requested));
    Program program;
    MainWindow& window = program.Start();
    window.OnWindowResized(c.window_width);
    window.PlaceSplitter(c.requested);
    const UiControl& splitter = window.controls().list_splitter;
    const UiControl& type_list = window.controls().type_list;
    EXPECT_EQ(splitter.left(), c.expected);
    EXPECT_EQ(window.controls().object_list.width(), c.expected - kObjectListLeft);
    EXPECT_EQ(type_list.left(), c.expected + kTypeListGap);
    EXPECT_EQ(type_list.left() + type_list.width(), c.window_width - kTypeListRightMargin);
    EXPECT_NEAR(window.controls().object_list.width(), type_list.width(), c.window_width < both ? 1 : 1000000);
  }
}

// The splitter is stored as its share of the lists' area, so a window opened smaller or
// at a larger scale gives each list the share it had.
TEST(MainWindowLayout, SplitterShareIsKeptAtAnyWidth) {
  Program program;
  MainWindow& window = program.Start();
  window.OnWindowResized(30000);
  window.PlaceSplitter(kObjectListLeft + (30000 - kObjectListLeft - kTypeListRightMargin) / 4);
  const int share = window.SplitterShare();
  EXPECT_EQ(share, 250);
  for (int width : {30000, 20000, 12000}) {
    SCOPED_TRACE(width);
    window.OnWindowResized(width);
    window.PlaceSplitterAtShare(share);
    int room = width - kObjectListLeft - kTypeListRightMargin;
    EXPECT_NEAR(window.controls().object_list.width(), std::max(room / 4, kListMinimumWidth), 1);
    EXPECT_GE(window.controls().type_list.width(), kListMinimumWidth);
  }
}

// The bindings tell the model how wide the lists' area is; a stored share waits until the
// area has its real width (the window shows), is put in place once, and after that a
// resize keeps the splitter where it is, within its stops.
TEST(MainWindowLayout, ListsAreaFitsTheWindowAndTakesTheStoredShareOnceShown) {
  Program program;
  MainWindow& window = program.Start();
  const UiControl& splitter = window.controls().list_splitter;
  const UiControl& type_list = window.controls().type_list;
  window.PlaceSplitterAtShareOnShow(500);
  struct Step {
    const char* what;
    int area;
    bool shown;
    int splitter_left;
  };
  const int half = kObjectListLeft + 10000 / 2;
  const Step steps[] = {
      {"placeholder width before the window shows: no share yet", 4000, false,
       kObjectListLeft + 4000 - kTypeListGap - kListMinimumWidth},
      {"shown: the stored share", 10000, true, half},
      {"wider: the splitter stays", 14000, true, half},
      {"narrower than the splitter: kept within the stops", 5000, true,
       kObjectListLeft + 5000 - kTypeListGap - kListMinimumWidth},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    window.OnListsAreaResized(step.area, step.shown);
    EXPECT_EQ(window.controls().main_window.width(), kObjectListLeft + step.area + kTypeListRightMargin);
    EXPECT_EQ(splitter.left(), step.splitter_left);
    EXPECT_EQ(type_list.left() + type_list.width(), kObjectListLeft + step.area);
  }
}

TEST(MainWindowPlace, StoredInItsOwnSectionAndReadBack) {
  Program program;
  MainWindow& window = program.Start();
  EXPECT_FALSE(window.StoredWindowPlace().has_value());  // nothing stored yet
  window.SaveWindowPlace({-40, 25, 1100, 720, 420});
  EXPECT_EQ(program.Setting("Left", "Window"), "-40");
  EXPECT_EQ(program.Setting("SplitterShare", "Window"), "420");
  std::optional<WindowPlace> place = window.StoredWindowPlace();
  ASSERT_TRUE(place.has_value());
  EXPECT_EQ(place->left, -40);
  EXPECT_EQ(place->top, 25);
  EXPECT_EQ(place->width, 1100);
  EXPECT_EQ(place->height, 720);
  EXPECT_EQ(place->splitter_share, 420);
  EXPECT_FALSE(place->maximized);
  window.SaveWindowPlace({-40, 25, 1100, 720, 420, true});
  EXPECT_EQ(program.Setting("Maximized", "Window"), "1");
  EXPECT_TRUE(window.StoredWindowPlace()->maximized);

  // A share out of range, or none (a place stored by an earlier version, which kept the
  // splitter in twips), leaves the lists at their default; the place itself holds.
  for (const char* share : {"1001", "-1", "abc", ""}) {
    SCOPED_TRACE(share);
    WriteSetting(program.folder, "Window", "SplitterShare", share);
    ASSERT_TRUE(window.StoredWindowPlace().has_value());
    EXPECT_EQ(window.StoredWindowPlace()->splitter_share, -1);
  }
  // Unusable stored values read as no place at all.
  for (const char* bad : {"0", "-5", "abc", "", "12x"}) {
    SCOPED_TRACE(bad);
    WriteSetting(program.folder, "Window", "Width", bad);
    EXPECT_FALSE(window.StoredWindowPlace().has_value());
  }
}

TEST(MainWindowPlace, ReadOnlyWindowDoesNotStoreIt) {
  Program program;
  program.WriteIni("[System]\r\nPathCount=0\r\n");
  const std::string before = program.Ini();
  MainWindow& window = program.Start(/*read_only=*/true);
  window.SaveWindowPlace({10, 10, 800, 600, 500});
  EXPECT_EQ(program.Ini(), before);
  EXPECT_FALSE(window.StoredWindowPlace().has_value());
}

TEST(MainWindowHelp, OpensTheHelpPageOrSaysWhyNot) {
  struct Case {
    bool page_exists;
    bool launch_succeeds;
    bool opened;
    const char* message;  // UTF-8 start, empty for none
  };
  const Case cases[] = {
      {true, true, true, ""},
      {false, true, false, "Файл не найден"},
      {true, false, true, "Не удалось открыть справку:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Program program;
    const std::string page = program.folder + kPathSeparator + "help" + kPathSeparator + "index.html";
    if (c.page_exists) {
      fs::create_directory(program.dir.path() / "help");
      WriteFile(page, "<html></html>");
    }
    program.host.open_succeeds = c.launch_succeeds;
    MainWindow& window = program.Start();
    window.OnHelpClicked();
    EXPECT_EQ(program.host.opened, c.opened ? std::vector<std::string>{page} : std::vector<std::string>{});
    if (*c.message == '\0') {
      EXPECT_TRUE(program.host.messages.empty());
    } else {
      ASSERT_EQ(program.host.messages.size(), 1u);
      EXPECT_EQ(program.host.messages[0].text, Ru(c.message) + "\r\n" + page);
      EXPECT_EQ(Cp1251ToUtf8(program.host.messages[0].title), "Информация");
    }
  }
}

// A program folder with the shipped dictionary, a MIF/MID pair and the window's options
// for it, the conversion panel shown.
void PrepareConversion(Program& program, MainWindow& window) {
  fs::copy_file(MIRVEX_SOURCE_DATA "/object.txt", program.dir.path() / "object.txt");
  WriteFile(program.dir.path() / "a.mif", CrLf({"Columns 2", "Data", "", "Point 65.5 57.25", "    Symbol (35,0,12)"}));
  WriteFile(program.dir.path() / "a.mid", CrLf({"\"x\",\"Shkola\""}));
  window.controls().mif_path.SetText(program.dir.File("a.mif"));
  window.controls().mid_path.SetText(program.dir.File("a.mid"));
  window.controls().result_path.SetText(program.dir.File("a.mp"));
  window.controls().column_count.SetText("2");
  window.controls().type_column.SetText("1");
  window.controls().label_column.SetText("2");
  window.controls().section_from_mif.SetCheck(1);
  window.controls().header_template.SetText("[IMG ID]\r\nCodePage=1251\r\n[END-IMG ID]");
  window.OnConvertClicked();  // the panel
}

// "Собрать IMG" compiles the result of the last completed conversion or crop; a failed
// run keeps what it compiles, converting every saved triple leaves it nothing to compile.
TEST(MainWindowCompile, CompileButtonFollowsTheLastCompletedResult) {
  Program program;
  MainWindow& window = program.Start();
  EXPECT_FALSE(window.controls().compile_button.enabled());
  EXPECT_EQ(Cp1251ToUtf8(window.controls().compile_button.text()), "Собрать IMG");
  PrepareConversion(program, window);
  EXPECT_FALSE(window.controls().compile_button.enabled());  // only the panel was shown
  window.OnConvertClicked();
  ASSERT_EQ(window.last_status(), OperationStatus::kCompleted);
  EXPECT_EQ(window.compile_target(), program.dir.File("a.mp"));
  EXPECT_TRUE(window.controls().compile_button.enabled());

  // Disabled while the next run goes on, and given back after it; a failed run keeps
  // the target.
  bool disabled_during = false;
  program.host.on_message = [&] { disabled_during = !window.controls().compile_button.enabled(); };
  window.controls().mid_path.SetText(program.dir.File("absent.mid"));
  window.controls().result_path.SetText(program.dir.File("b.mp"));
  window.OnConvertClicked();
  EXPECT_EQ(window.last_status(), OperationStatus::kFailed);
  EXPECT_TRUE(disabled_during);
  program.host.on_message = nullptr;
  EXPECT_EQ(window.compile_target(), program.dir.File("a.mp"));
  EXPECT_TRUE(window.controls().compile_button.enabled());

  window.controls().crop_map_path.SetText(program.dir.File("a.mp"));
  window.controls().crop_result_path.SetText(program.dir.File("cut.mp"));
  for (auto [bound, text] :
       {std::pair{&C::crop_west, "65"}, {&C::crop_north, "58"}, {&C::crop_east, "66"}, {&C::crop_south, "57"}}) {
    (window.controls().*bound).SetText(text);
  }
  window.OnCropClicked();
  window.OnCropClicked();
  ASSERT_EQ(window.last_status(), OperationStatus::kCompleted);
  EXPECT_EQ(window.compile_target(), program.dir.File("cut.mp"));

  window.OnConvertClicked();  // the conversion panel again
  window.OnConvertAllClicked();
  // No saved triple: nothing converted, the target stays.
  EXPECT_EQ(window.last_batch().entries.size(), 0u);
  EXPECT_EQ(window.compile_target(), program.dir.File("cut.mp"));
}

// After "Конвертировать все" the button compiles the map of the triple the window
// shows, else the last one converted; after a restart, the result in the window when
// it exists.
TEST(MainWindowCompile, CompileButtonAfterConvertAllAndAfterARestart) {
  Program program;
  MainWindow& window = program.Start();
  PrepareConversion(program, window);
  window.controls().result_path.SetText(program.dir.File("first.mp"));
  window.OnSavePathsClicked();
  window.controls().result_path.SetText(program.dir.File("second.mp"));
  window.OnSavePathsClicked();
  window.controls().result_path.SetText(program.dir.File("first.mp"));
  window.OnConvertAllClicked();
  ASSERT_EQ(window.last_batch().entries.size(), 2u);
  EXPECT_EQ(window.compile_target(), program.dir.File("first.mp"));
  EXPECT_TRUE(window.controls().compile_button.enabled());
  window.controls().result_path.SetText(program.dir.File("elsewhere.mp"));
  window.OnConvertAllClicked();
  EXPECT_EQ(window.compile_target(), program.dir.File("second.mp"));

  // The window starts with the last saved triple, whose result is second.mp.
  for (bool exists : {true, false}) {
    SCOPED_TRACE(exists ? "the result exists" : "no result");
    if (!exists) fs::remove(program.dir.path() / "second.mp");
    MainWindow& restarted = program.Start();
    EXPECT_EQ(restarted.controls().result_path.text(), program.dir.File("second.mp"));
    EXPECT_EQ(restarted.controls().compile_button.enabled(), exists);
    EXPECT_EQ(restarted.compile_target(), exists ? program.dir.File("second.mp") : "");
  }
}

TEST(MainWindowCompile, CompilerSettingsHaveTheirOwnSectionWrittenOnlyWhenChanged) {
  Program program;
  MainWindow& window = program.Start();
  EXPECT_EQ(program.Ini().find("[Mkgmap]"), std::string::npos);
  window.controls().mkgmap_path.SetText("/opt/mkgmap/mkgmap.jar");
  window.controls().mkgmap_options.SetText("--max-jobs=1 \"--description=Моя карта\"");
  EXPECT_EQ(program.Setting("Path", "Mkgmap"), "/opt/mkgmap/mkgmap.jar");
  MainWindow& again = program.Start();
  EXPECT_EQ(again.controls().mkgmap_path.text(), "/opt/mkgmap/mkgmap.jar");
  CompileOptions options = again.compile_options();
  EXPECT_EQ(options.mkgmap, "/opt/mkgmap/mkgmap.jar");
  EXPECT_EQ(SplitOptions(options.extra_options).size(), 2u);
  EXPECT_EQ(options.output_folder, "");
  std::string ini = program.Ini();
  MainWindow& read_only = program.Start(/*read_only=*/true);
  read_only.controls().mkgmap_path.SetText("other");
  EXPECT_EQ(program.Ini(), ini);

  // Shown by its button like the other settings of the panel, hidden by theirs.
  MainWindow& shown = program.Start();
  EXPECT_FALSE(shown.controls().compiler_frame.visible());
  shown.OnCompilerSettingsClicked();
  EXPECT_TRUE(shown.controls().compiler_frame.visible());
  shown.OnGeoreferenceClicked();
  EXPECT_FALSE(shown.controls().compiler_frame.visible());
}

TEST(MainWindowCompile, WithoutMkgmapTheWindowSaysWhatToInstall) {
  Program program;
  MainWindow& window = program.Start();
  PrepareConversion(program, window);
  window.OnConvertClicked();
  program.host.messages.clear();
  window.controls().mkgmap_path.SetText("mkgmap-not-installed");
  window.OnCompileClicked();
  EXPECT_EQ(window.last_status(), OperationStatus::kFailed);
  ASSERT_EQ(program.host.messages.size(), 1u);
  EXPECT_NE(program.MessageText(0).find(Cp1251ToUtf8(MkgmapInstallAdvice())), std::string::npos)
      << program.MessageText(0);
  EXPECT_FALSE(window.operation_running());
  EXPECT_TRUE(window.controls().compile_button.enabled());
  EXPECT_TRUE(window.controls().convert_all_button.enabled());
}

TEST(MainWindowCompile, ConvertAllRunsTheSavedTriplesAndShowsTheTable) {
  Program program;
  MainWindow& window = program.Start();
  PrepareConversion(program, window);
  window.OnSavePathsClicked();
  window.controls().mif_path.SetText(program.dir.File("absent.mif"));
  window.controls().result_path.SetText(program.dir.File("b.mp"));
  window.OnSavePathsClicked();
  EXPECT_EQ(window.saved_triples().size(), 2u);
  bool running = false;
  program.host.on_message = [&] { running = window.operation_running(); };
  window.OnConvertAllClicked();
  EXPECT_EQ(window.last_status(), OperationStatus::kFailed);
  ASSERT_EQ(program.host.messages.size(), 1u);
  EXPECT_TRUE(running);
  EXPECT_NE(program.MessageText(0).find("Конвертировано карт: 1 из 2"), std::string::npos) << program.MessageText(0);
  EXPECT_EQ(window.last_batch().entries.size(), 2u);
  EXPECT_TRUE(fs::exists(program.dir.path() / "a.mp"));
  EXPECT_TRUE(Cp1251ToUtf8(window.controls().progress_percent.text()).starts_with("карта 1 из 2"));
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

TEST(MainWindowExit, ExitQuits) {
  Program program;
  program.Start().OnExitClicked();
  EXPECT_EQ(program.host.quits, 1);
}

}  // namespace
}  // namespace mirvex::ui
