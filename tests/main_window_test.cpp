// The headless main window on a real program folder: the panels and their operations,
// stopping a run, the level button, help, compiling the result, and exit.
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

TEST(MainWindowExit, ExitQuits) {
  Program program;
  program.Start().OnExitClicked();
  EXPECT_EQ(program.host.quits, 1);
}
}  // namespace
}  // namespace mirvex::ui
