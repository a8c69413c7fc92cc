// The headless main window on a real program folder: the editing controls' reset, the
// splitter between the lists at every window width, and the window's stored place.
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
}  // namespace
}  // namespace mirvex::ui
