// The headless main window on a real program folder: settings written as controls
// change, the saved path list, the panels and their operations, the splitter, help
// and exit.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "dictionary/object_record.h"
#include "settings/header_template.h"
#include "settings/ini_file.h"
#include "tests/test_support.h"

namespace mirvex::ui {
namespace {

namespace fs = std::filesystem;
using test::CrLf;
using test::ReadFile;
using test::RecordedMessage;
using test::ScratchDir;
using test::WriteFile;

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
  const char* control;
  const char* key;
};

constexpr Mirror kTextMirrors[] = {
    {"rotation_angle", "UgolPovorot"}, {"test_map_path", "TestMap"},      {"lower_left_longitude", "PrK1"},
    {"lower_left_latitude", "PrK2"},   {"upper_right_longitude", "PrK3"}, {"upper_right_latitude", "PrK4"},
    {"crop_west", "Koord2"},           {"crop_north", "Koord3"},          {"crop_east", "Koord4"},
    {"crop_south", "Koord5"},          {"crop_map_path", "PathEdit1"},    {"crop_result_path", "PathEdit2"},
    {"size_threshold", "RazmObj"},     {"column_count", "KolSt"},         {"type_column", "TypeSt"},
    {"label_column", "PodpSt"},
};
constexpr Mirror kCheckMirrors[] = {
    {"georeference", "PrivazkaMap"},       {"raise_large_objects", "PovObj"},       {"section_from_mif", "TypeObj"},
    {"transliterate_labels", "RusTransl"}, {"column_count_from_header", "AutoSet"}, {"no_labels", "Podpis"},
};

TEST(MainWindowSettings, FirstStartEmptiesEveryBoxAndWritesTheKeysAndTheTemplate) {
  Program program;
  MainWindow& window = program.Start();
  for (const Mirror& m : kTextMirrors) EXPECT_EQ(window.control(m.control).text(), "") << m.control;
  for (const Mirror& m : kCheckMirrors) EXPECT_EQ(window.control(m.control).check(), 0) << m.control;
  EXPECT_TRUE(window.control("column_count").enabled());
  EXPECT_EQ(window.control("column_count").background(), Background::kWhite);
  for (const char* combo : {"mif_path", "mid_path", "result_path"}) {
    EXPECT_TRUE(window.control(combo).items().empty()) << combo;
    EXPECT_EQ(window.control(combo).list_index(), -1) << combo;
  }
  std::string ini = program.Ini();
  for (const Mirror& m : kTextMirrors) EXPECT_TRUE(HasLine(ini, std::string(m.key) + "=")) << m.key;
  EXPECT_TRUE(HasLine(ini, "RusTransl=0"));
  EXPECT_TRUE(HasLine(ini, "AutoSet=0"));
  EXPECT_EQ(window.control("header_template").text(), BuiltInTemplate());
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
    EXPECT_EQ(window.control(m.control).text(), std::string("v-") + m.key) << m.control;
    window.control(m.control).SetText(std::string("w-") + m.key);
    EXPECT_EQ(program.Setting(m.key), std::string("w-") + m.key) << m.control;
  }
  for (const Mirror& m : kCheckMirrors) {
    EXPECT_EQ(window.control(m.control).check(), 1) << m.control;
    window.control(m.control).SetCheck(0);
    EXPECT_EQ(program.Setting(m.key), "0") << m.control;
  }
}

TEST(MainWindowSettings, CheckBoxSetsItsDependentBoxAtLoadAndOnChange) {
  struct Case {
    const char *check, *key, *box;
    bool box_enabled_when_ticked;
    Background ticked, clear;
  };
  const Case cases[] = {
      {"column_count_from_header", "AutoSet", "column_count", false, Background::kGrey, Background::kWhite},
      {"no_labels", "Podpis", "label_column", false, Background::kGrey, Background::kWhite},
      {"raise_large_objects", "PovObj", "size_threshold", true, Background::kToolTip, Background::kGrey},
  };
  for (const Case& c : cases) {
    for (int stored : {1, 0}) {
      SCOPED_TRACE(std::string(c.check) + "=" + std::to_string(stored));
      Program program;
      program.WriteIni(CrLf({"[System]", std::string(c.key) + "=" + std::to_string(stored)}));
      MainWindow& window = program.Start();
      UiControl& box = window.control(c.box);
      EXPECT_EQ(window.control(c.check).check(), stored);
      EXPECT_EQ(box.enabled(), stored == 1 ? c.box_enabled_when_ticked : !c.box_enabled_when_ticked);
      EXPECT_EQ(box.background(), stored == 1 ? c.ticked : c.clear);
      window.control(c.check).SetCheck(1 - stored);
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
    for (const Mirror& m : {Mirror{"section_from_mif", "TypeObj"}, Mirror{"column_count_from_header", "AutoSet"}}) {
      SCOPED_TRACE(std::string(m.key) + "=" + c.stored);
      Program program;
      program.WriteIni(CrLf({"[System]", std::string(m.key) + "=" + c.stored}));
      MainWindow& window = program.Start();
      EXPECT_EQ(window.control(m.control).check(), c.shown);
      EXPECT_EQ(program.Setting(m.key), std::to_string(c.shown));
    }
  }
}

TEST(MainWindowSettings, EveryKeystrokeIsWrittenAtOnce) {
  Program program;
  MainWindow& window = program.Start();
  std::vector<std::string> written;
  window.control("size_threshold").Subscribe([&](UiControl&, Change change) {
    if (change == Change::kText) written.push_back(program.Setting("RazmObj"));
  });
  for (const char* typed : {"2", "2.", "2.5"}) window.control("size_threshold").SetText(typed);
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
    program.Start().control("header_template").SetText(c.typed);
    EXPECT_EQ(ReadFile(program.dir.path() / "config.ini"), c.file);
    EXPECT_EQ(program.Start().control("header_template").text(), c.shown_after_restart);
  }
}

TEST(MainWindowSettings, FailedTemplateWriteIsReportedOnceAndTheTextStays) {
  Program program;
  MainWindow& window = program.Start();
  fs::path config = program.dir.path() / "config.ini";
  fs::remove(config);
  fs::create_directory(config);
  for (const char* typed : {"L", "Le", "Lev"}) window.control("header_template").SetText(typed);
  ASSERT_EQ(program.host.messages.size(), 1u);
  EXPECT_NE(program.MessageText(0).find("config.ini"), std::string::npos);
  EXPECT_EQ(window.control("header_template").text(), "Lev");
  EXPECT_EQ(std::distance(fs::directory_iterator(program.dir.path()), fs::directory_iterator()), 2)
      << "a temporary file was left beside config.ini";

  // Once a write succeeds again, a later failure is worth a new message.
  fs::remove(config);
  window.control("header_template").SetText("Levels");
  EXPECT_EQ(ReadFile(config), "Levels\r\n");
  fs::remove(config);
  fs::create_directory(config);
  window.control("header_template").SetText("Levels=");
  EXPECT_EQ(program.host.messages.size(), 2u);
}

TEST(MainWindowSettings, ReadOnlyWindowWritesNothing) {
  Program program;
  const std::string ini = CrLf({"[System]", "RusTransl=abc", "KolSt=4", "PathCount=1", "[Path1]", "p1=x.MIF"});
  program.WriteIni(ini);
  MainWindow& window = program.Start(/*read_only=*/true);
  EXPECT_EQ(window.control("column_count").text(), "4");
  window.control("column_count").SetText("5");
  window.control("no_labels").SetCheck(1);
  window.control("header_template").SetText("X");
  window.control("result_path").SetText("r.txt");
  window.OnSavePathsClicked();
  window.OnCopyResultClicked();
  window.OnDeletePathsClicked();
  EXPECT_EQ(program.Ini(), ini);
  EXPECT_FALSE(fs::exists(program.dir.path() / "config.ini"));
  EXPECT_TRUE(program.host.messages.empty());
}

TEST(MainWindowIni, NamesMatchWithoutRegardToCase) {
  Program program;
  program.WriteIni(CrLf({"[sYsTeM]", "kolst=7", "PATHCOUNT=1", "[path1]", "P1=x.MIF", "[PATH2]", "p1=x.MID",
                         "[Path3]", "P1=x.txt"}));
  MainWindow& window = program.Start();
  EXPECT_EQ(window.control("column_count").text(), "7");
  EXPECT_EQ(window.control("result_path").items(), std::vector<std::string>{"x.txt"});
  window.control("column_count").SetText("8");
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
  program.window->control("column_count").SetText("9");
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
    EXPECT_EQ(program.Start().control("crop_map_path").text(), shown);
    program.window->control("crop_result_path").SetText(shown);
    EXPECT_EQ(program.Start().control("crop_result_path").text(), shown);
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
constexpr const char* kPathControls[] = {"mif_path", "mid_path", "result_path"};

std::vector<std::string> Texts(MainWindow& window) {
  return {window.control("mif_path").text(), window.control("mid_path").text(), window.control("result_path").text()};
}

TEST(MainWindowPaths, SavedTriplesShowTheLastAndChoosingAMifShowsItsPartners) {
  Program program;
  program.WriteIni(Triples(2));
  MainWindow& window = program.Start();
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"b.MIF", "b.MID", "b.txt"}));
  window.control("mif_path").SetListIndex(0);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"a.MIF", "a.MID", "a.txt"}));
  window.control("mid_path").SetListIndex(1);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"a.MIF", "b.MID", "a.txt"}));

  // A path typed over the chosen one is replaced when that entry is chosen again.
  window.control("mif_path").SetText("typed.MIF");
  window.control("mif_path").SetListIndex(0);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"a.MIF", "a.MID", "a.txt"}));
}

TEST(MainWindowPaths, SaveAppendsTheTripleAfterTheCount) {
  Program program;
  program.WriteIni(Triples(2));
  MainWindow& window = program.Start();
  window.control("mif_path").SetText("z.MIF");
  window.control("mid_path").SetText("z.MID");
  window.control("result_path").SetText("z.txt");
  window.OnSavePathsClicked();
  EXPECT_EQ(program.Setting("PathCount"), "3");
  for (int list = 0; list < 3; ++list) {
    std::string section = "Path" + std::to_string(list + 1);
    EXPECT_EQ(program.Setting("p2", section.c_str()), Entry('b', list));
    EXPECT_EQ(program.Setting("p3", section.c_str()), Entry('z', list));
  }
  EXPECT_EQ(window.control("mid_path").items(), (std::vector<std::string>{"a.MID", "b.MID", "z.MID"}));
  EXPECT_EQ(program.Start().control("result_path").text(), "z.txt");
}

TEST(MainWindowPaths, DeleteMovesLaterEntriesDownAndEmptiesTheTexts) {
  Program program;
  program.WriteIni(Triples(3));
  MainWindow& window = program.Start();
  window.control("mif_path").SetListIndex(1);
  window.OnDeletePathsClicked();
  EXPECT_EQ(program.Setting("PathCount"), "2");
  for (int list = 0; list < 3; ++list) {
    std::string section = "Path" + std::to_string(list + 1);
    EXPECT_EQ(program.Setting("p1", section.c_str()), Entry('a', list));
    EXPECT_EQ(program.Setting("p2", section.c_str()), Entry('c', list));
    EXPECT_EQ(program.Setting("p3", section.c_str()), Entry('c', list));
    EXPECT_EQ(window.control(kPathControls[list]).items(),
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
  window.control("mif_path").SetListIndex(0);
  window.control("result_path").SetText("other.txt");
  window.OnDeletePathsClicked();
  EXPECT_EQ(program.Ini(), ini);
  EXPECT_EQ(window.control("mif_path").items().size(), 3u);
  EXPECT_EQ(Texts(window), (std::vector<std::string>{"", "", ""}));
}

TEST(MainWindowPaths, CopyResultPathIntoTheMapToCrop) {
  for (const char* result : {"", "r.txt"}) {
    Program program;
    program.WriteIni(CrLf({"[System]", "PathEdit1=old.txt"}));
    MainWindow& window = program.Start();
    window.control("result_path").SetText(result);
    window.OnCopyResultClicked();
    EXPECT_EQ(window.control("crop_map_path").text(), result);
    EXPECT_TRUE(HasLine(program.Ini(), std::string("PathEdit1=") + result));
  }
}

// Which of the four panels is visible.
std::string VisiblePanel(MainWindow& window) {
  std::string shown;
  for (const char* panel : {"welcome_panel", "conversion_panel", "crop_panel", "test_map_panel"}) {
    if (window.control(panel).visible()) shown += panel;
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
  window.control("test_map_path").SetText(program.dir.File("test.txt"));
  EXPECT_EQ(VisiblePanel(window), "welcome_panel");
  EXPECT_FALSE(window.control("georeference_frame").visible());
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
  window.control("mif_path").SetText(program.dir.File("a.mif"));
  window.control("mid_path").SetText(program.dir.File("a.mid"));
  window.control("result_path").SetText(program.dir.File("a.mp"));
  window.control("column_count_from_header").SetCheck(1);
  window.control("type_column").SetText("1");
  window.control("label_column").SetText("2");
  window.control("header_template").SetText("[IMG ID]\r\n[END-IMG ID]");
  window.OnConvertClicked();
  EXPECT_FALSE(fs::exists(program.dir.path() / "a.mp"));
  EXPECT_TRUE(program.host.messages.empty());
  window.OnConvertClicked();
  EXPECT_EQ(window.last_status(), OperationStatus::kCompleted);
  EXPECT_TRUE(ReadFile(program.dir.path() / "a.mp").starts_with("[IMG ID]\r\n[END-IMG ID]\r\n\r\n[RGN10]"));
  ASSERT_FALSE(program.host.messages.empty());
  EXPECT_EQ(program.host.messages.back().text, Ru("               Конвертация завершена"));
  EXPECT_EQ(window.control("progress_percent").text(), "100");
  // The status line under the buttons keeps where the map went and what it holds; the
  // crop says the same of its result.
  EXPECT_EQ(window.control("result_status").text(), program.dir.File("a.mp") + "\r\n[RGN10] 1, [RGN40] 0, [RGN80] 0");
  window.control("crop_map_path").SetText(program.dir.File("a.mp"));
  window.control("crop_result_path").SetText(program.dir.File("cut.mp"));
  for (auto [bound, text] : {std::pair{"crop_west", "65"}, {"crop_north", "58"}, {"crop_east", "66"}, {"crop_south", "57"}}) {
    window.control(bound).SetText(text);
  }
  window.OnCropClicked();
  window.OnCropClicked();
  ASSERT_EQ(window.last_status(), OperationStatus::kCompleted);
  EXPECT_EQ(window.control("result_status").text(), program.dir.File("cut.mp") + "\r\n[RGN10] 1, [RGN40] 0, [RGN80] 0");
}

TEST(MainWindowPanels, OperationButtonsAreDisabledWhileAnOperationRuns) {
  Program program;
  MainWindow& window = program.Start();
  const char* buttons[] = {"convert_button",    "crop_button",         "test_map_button",        "edit_objects_button",
                           "save_paths_button", "delete_paths_button", "header_template_button", "georeference_button"};
  std::vector<bool> convert_enabled;
  window.control("convert_button").Subscribe([&](UiControl& button, Change change) {
    if (change == Change::kEnabled) convert_enabled.push_back(button.enabled());
  });
  int disabled_during = 0;
  program.host.on_message = [&] {
    for (const char* button : buttons) disabled_during += window.control(button).enabled() ? 0 : 1;
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
  for (const char* button : buttons) EXPECT_TRUE(window.control(button).enabled()) << button;
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
  window.control("mif_path").SetText(program.dir.File("a.mif"));
  window.control("mid_path").SetText(program.dir.File("a.mid"));
  window.control("result_path").SetText(program.dir.File("result.mp"));
  window.control("section_from_mif").SetCheck(1);
  window.control("crop_map_path").SetText(program.dir.File("a.mp"));
  window.control("crop_result_path").SetText(program.dir.File("result.mp"));
  for (auto [bound, text] : {std::pair{"crop_west", "65"}, {"crop_north", "57"}, {"crop_east", "70"}, {"crop_south", "55"}}) {
    window.control(bound).SetText(text);
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
      cancel_shown = window.control("cancel_button").visible();
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
    EXPECT_FALSE(window.control("cancel_button").visible());
    EXPECT_FALSE(window.operation_running());
    for (const char* button : {"convert_button", "crop_button", "test_map_button", "exit_button"}) {
      EXPECT_TRUE(window.control(button).enabled()) << button;
    }
    EXPECT_FALSE(window.control("crop_running").visible());
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
  window.control("level_slider").SetValue(4);  // a click on the groove, a key, the wheel
  EXPECT_EQ(Cp1251ToUtf8(window.control("level_button").text()), "Уровень 4");
  window.OnLevelSliderMoved(6);  // dragging
  EXPECT_EQ(Cp1251ToUtf8(window.control("level_button").text()), "Уровень 6");
}

TEST(MainWindowLayout, ResetEditingControlsHidesAndDisablesThem) {
  Program program;
  MainWindow& window = program.Start();
  window.control("object_list").AddItem("object");
  window.control("type_list").AddItem("type");
  window.control("column_view").SetText("Name");
  window.control("header_template").SetVisible(true);
  window.control("georeference_frame").SetVisible(true);
  window.ResetEditingControls();
  for (const char* name :
       {"next_rows_button", "previous_rows_button", "row_range", "columns_frame", "column_view", "transliterate_labels",
        "section_from_mif", "raise_large_objects", "size_threshold", "georeference_frame", "header_template"}) {
    EXPECT_FALSE(window.control(name).visible()) << name;
  }
  for (const char* name : {"default_type", "assign_default_type_button", "assign_type_button", "delete_objects_button",
                           "level_button", "level_slider", "point_types_button", "line_types_button",
                           "polygon_types_button", "transliterate_labels", "section_from_mif", "raise_large_objects"}) {
    EXPECT_FALSE(window.control(name).enabled()) << name;
  }
  EXPECT_EQ(window.control("column_view").text(), "");
  EXPECT_TRUE(window.control("object_list").items().empty());
  EXPECT_TRUE(window.control("type_list").items().empty());
}

TEST(MainWindowLayout, TemplateAndBindingButtonsShowTheirOwnArea) {
  Program program;
  MainWindow& window = program.Start();
  window.OnGeoreferenceClicked();
  for (const char* name :
       {"georeference_frame", "transliterate_labels", "section_from_mif", "raise_large_objects", "size_threshold"}) {
    EXPECT_TRUE(window.control(name).visible()) << name;
  }
  EXPECT_FALSE(window.control("row_range").visible());
  EXPECT_FALSE(window.control("header_template").visible());
  window.OnHeaderTemplateClicked();
  EXPECT_TRUE(window.control("header_template").visible());
  for (const char* name : {"georeference_frame", "transliterate_labels", "section_from_mif", "raise_large_objects",
                           "size_threshold", "columns_frame"}) {
    EXPECT_FALSE(window.control(name).visible()) << name;
  }
}

TEST(MainWindowLayout, SplitterDragKeepsBothListsAtLeastTheirLeastWidth) {
  Program program;
  MainWindow& window = program.Start();
  UiControl& splitter = window.control("list_splitter");
  UiControl& object_list = window.control("object_list");
  UiControl& type_list = window.control("type_list");
  const int form = window.control("main_window").width();
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
  const UiControl& type_list = window.control("type_list");
  EXPECT_EQ(type_list.left(), window.control("list_splitter").left() + kTypeListGap);
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
    const UiControl& splitter = window.control("list_splitter");
    const UiControl& type_list = window.control("type_list");
    EXPECT_EQ(splitter.left(), c.expected);
    EXPECT_EQ(window.control("object_list").width(), c.expected - kObjectListLeft);
    EXPECT_EQ(type_list.left(), c.expected + kTypeListGap);
    EXPECT_EQ(type_list.left() + type_list.width(), c.window_width - kTypeListRightMargin);
    EXPECT_NEAR(window.control("object_list").width(), type_list.width(),
                c.window_width < both ? 1 : 1000000);
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
    EXPECT_NEAR(window.control("object_list").width(), std::max(room / 4, kListMinimumWidth), 1);
    EXPECT_GE(window.control("type_list").width(), kListMinimumWidth);
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
  window.control("mif_path").SetText(program.dir.File("a.mif"));
  window.control("mid_path").SetText(program.dir.File("a.mid"));
  window.control("result_path").SetText(program.dir.File("a.mp"));
  window.control("column_count").SetText("2");
  window.control("type_column").SetText("1");
  window.control("label_column").SetText("2");
  window.control("section_from_mif").SetCheck(1);
  window.control("header_template").SetText("[IMG ID]\r\nCodePage=1251\r\n[END-IMG ID]");
  window.OnConvertClicked();  // the panel
}

// "Собрать IMG" compiles the result of the last completed conversion or crop; a failed
// run keeps what it compiles, converting every saved triple leaves it nothing to compile.
TEST(MainWindowCompile, CompileButtonFollowsTheLastCompletedResult) {
  Program program;
  MainWindow& window = program.Start();
  EXPECT_FALSE(window.control("compile_button").enabled());
  EXPECT_EQ(Cp1251ToUtf8(window.control("compile_button").text()), "Собрать IMG");
  PrepareConversion(program, window);
  EXPECT_FALSE(window.control("compile_button").enabled());  // only the panel was shown
  window.OnConvertClicked();
  ASSERT_EQ(window.last_status(), OperationStatus::kCompleted);
  EXPECT_EQ(window.compile_target(), program.dir.File("a.mp"));
  EXPECT_TRUE(window.control("compile_button").enabled());

  // Disabled while the next run goes on, and given back after it; a failed run keeps
  // the target.
  bool disabled_during = false;
  program.host.on_message = [&] { disabled_during = !window.control("compile_button").enabled(); };
  window.control("mid_path").SetText(program.dir.File("absent.mid"));
  window.control("result_path").SetText(program.dir.File("b.mp"));
  window.OnConvertClicked();
  EXPECT_EQ(window.last_status(), OperationStatus::kFailed);
  EXPECT_TRUE(disabled_during);
  program.host.on_message = nullptr;
  EXPECT_EQ(window.compile_target(), program.dir.File("a.mp"));
  EXPECT_TRUE(window.control("compile_button").enabled());

  window.control("crop_map_path").SetText(program.dir.File("a.mp"));
  window.control("crop_result_path").SetText(program.dir.File("cut.mp"));
  for (auto [bound, text] : {std::pair{"crop_west", "65"}, {"crop_north", "58"}, {"crop_east", "66"}, {"crop_south", "57"}}) {
    window.control(bound).SetText(text);
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
  window.control("result_path").SetText(program.dir.File("first.mp"));
  window.OnSavePathsClicked();
  window.control("result_path").SetText(program.dir.File("second.mp"));
  window.OnSavePathsClicked();
  window.control("result_path").SetText(program.dir.File("first.mp"));
  window.OnConvertAllClicked();
  ASSERT_EQ(window.last_batch().entries.size(), 2u);
  EXPECT_EQ(window.compile_target(), program.dir.File("first.mp"));
  EXPECT_TRUE(window.control("compile_button").enabled());
  window.control("result_path").SetText(program.dir.File("elsewhere.mp"));
  window.OnConvertAllClicked();
  EXPECT_EQ(window.compile_target(), program.dir.File("second.mp"));

  // The window starts with the last saved triple, whose result is second.mp.
  for (bool exists : {true, false}) {
    SCOPED_TRACE(exists ? "the result exists" : "no result");
    if (!exists) fs::remove(program.dir.path() / "second.mp");
    MainWindow& restarted = program.Start();
    EXPECT_EQ(restarted.control("result_path").text(), program.dir.File("second.mp"));
    EXPECT_EQ(restarted.control("compile_button").enabled(), exists);
    EXPECT_EQ(restarted.compile_target(), exists ? program.dir.File("second.mp") : "");
  }
}

TEST(MainWindowCompile, CompilerSettingsHaveTheirOwnSectionWrittenOnlyWhenChanged) {
  Program program;
  MainWindow& window = program.Start();
  EXPECT_EQ(program.Ini().find("[Mkgmap]"), std::string::npos);
  window.control("mkgmap_path").SetText("/opt/mkgmap/mkgmap.jar");
  window.control("mkgmap_options").SetText("--max-jobs=1 \"--description=Моя карта\"");
  EXPECT_EQ(program.Setting("Path", "Mkgmap"), "/opt/mkgmap/mkgmap.jar");
  MainWindow& again = program.Start();
  EXPECT_EQ(again.control("mkgmap_path").text(), "/opt/mkgmap/mkgmap.jar");
  CompileOptions options = again.compile_options();
  EXPECT_EQ(options.mkgmap, "/opt/mkgmap/mkgmap.jar");
  EXPECT_EQ(SplitOptions(options.extra_options).size(), 2u);
  EXPECT_EQ(options.output_folder, "");
  std::string ini = program.Ini();
  MainWindow& read_only = program.Start(/*read_only=*/true);
  read_only.control("mkgmap_path").SetText("other");
  EXPECT_EQ(program.Ini(), ini);

  // Shown by its button like the other settings of the panel, hidden by theirs.
  MainWindow& shown = program.Start();
  EXPECT_FALSE(shown.control("compiler_frame").visible());
  shown.OnCompilerSettingsClicked();
  EXPECT_TRUE(shown.control("compiler_frame").visible());
  shown.OnGeoreferenceClicked();
  EXPECT_FALSE(shown.control("compiler_frame").visible());
}

TEST(MainWindowCompile, WithoutMkgmapTheWindowSaysWhatToInstall) {
  Program program;
  MainWindow& window = program.Start();
  PrepareConversion(program, window);
  window.OnConvertClicked();
  program.host.messages.clear();
  window.control("mkgmap_path").SetText("mkgmap-not-installed");
  window.OnCompileClicked();
  EXPECT_EQ(window.last_status(), OperationStatus::kFailed);
  ASSERT_EQ(program.host.messages.size(), 1u);
  EXPECT_NE(program.MessageText(0).find(Cp1251ToUtf8(MkgmapInstallAdvice())), std::string::npos)
      << program.MessageText(0);
  EXPECT_FALSE(window.operation_running());
  EXPECT_TRUE(window.control("compile_button").enabled());
  EXPECT_TRUE(window.control("convert_all_button").enabled());
}

TEST(MainWindowCompile, ConvertAllRunsTheSavedTriplesAndShowsTheTable) {
  Program program;
  MainWindow& window = program.Start();
  PrepareConversion(program, window);
  window.OnSavePathsClicked();
  window.control("mif_path").SetText(program.dir.File("absent.mif"));
  window.control("result_path").SetText(program.dir.File("b.mp"));
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
  EXPECT_TRUE(Cp1251ToUtf8(window.control("progress_percent").text()).starts_with("карта 1 из 2"));
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

  window.control("mif_path").SetText(maps + "town.mif");
  window.control("mid_path").SetText(dir.File("nowhere") + std::string(1, kPathSeparator) + "a.mid");
  window.control("result_path").SetText("");
  EXPECT_EQ(window.FileDialogStart("mif_path"), maps + "town.mif");  // its own folder, its name offered
  EXPECT_EQ(window.FileDialogStart("mid_path"), maps);               // a folder that is not: the MIF's
  EXPECT_EQ(window.FileDialogStart("result_path"), maps);
  window.control("mif_path").SetText("town.mif");
  EXPECT_EQ(window.FileDialogStart("result_path"), "");  // no folder anywhere: the dialog's own

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
    window.control("mid_path").SetText(c.mid_before);
    window.control("result_path").SetText(c.result_before);
    window.OnFileChosen("mif_path", maps + c.mif);
    EXPECT_EQ(window.control("mif_path").text(), maps + c.mif);
    EXPECT_EQ(window.control("mid_path").text(), c.mid_after);
    EXPECT_EQ(window.control("result_path").text(), c.result_after);
  }
  // A result named without an extension is a text map.
  window.OnFileChosen("result_path", maps + "out");
  EXPECT_EQ(window.control("result_path").text(), maps + "out.mp");
  window.OnFileChosen("result_path", maps + "out.txt");
  EXPECT_EQ(window.control("result_path").text(), maps + "out.txt");
  window.OnFileChosen("mid_path", maps + "other");
  EXPECT_EQ(window.control("mid_path").text(), maps + "other");
}

TEST(MainWindowExit, ExitQuits) {
  Program program;
  program.Start().OnExitClicked();
  EXPECT_EQ(program.host.quits, 1);
}

}  // namespace
}  // namespace mirvex::ui
