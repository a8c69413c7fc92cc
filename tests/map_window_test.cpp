// The map window's model on a real program folder: which map each panel shows, the
// crop rectangle drawn, moved and resized with the mouse into the four boxes (and back),
// and loads that wait for the window and give way to newer requests.
#include "ui/map_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "base/cp1251.h"
#include "base/platform.h"
#include "dictionary/object_record.h"
#include "garmin/map_crop.h"
#include "settings/ini_file.h"
#include "tests/test_support.h"
#include "ui/main_window.h"

namespace mirvex::ui {
namespace {

using test::ScratchDir;
using test::WriteFile;

// Keeps the tasks run "soon" until the test lets them run, as an event loop would.
class QueueingHost : public WindowHost {
 public:
  void ShowMessage(const std::string&, const std::string&, MessageIcon) override { ++messages; }
  void Beep() override {}
  void SetProgressRange(std::int64_t, std::int64_t) override {
    if (on_run_started) on_run_started();
  }
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string&) override {}
  void ProcessEvents() override {}
  bool OpenDocument(const std::string&) override { return true; }
  void Quit() override {}
  void RunSoon(std::function<void()> task) override { tasks.push_back(std::move(task)); }
  // Runs what was queued, and what that queued in turn.
  int RunQueued() {
    int ran = 0;
    while (!tasks.empty()) {
      auto task = std::move(tasks.front());
      tasks.pop_front();
      task();
      ++ran;
    }
    return ran;
  }

  std::deque<std::function<void()>> tasks;
  std::function<void()> on_run_started;  // an operation of the main window has begun
  int messages = 0;
};

// A text map of `count` points along a line, and one region.
std::string TextMap(int count) {
  std::string map = "[IMG ID]\r\nID=1\r\n[END-IMG ID]\r\n";
  for (int i = 0; i < count; ++i) {
    map += "[RGN10]\r\nType=0x01\r\nData0=(" + std::to_string(55 + i * 0.001) + "," +
           std::to_string(37 + i * 0.001) + ")\r\n[END]\r\n";
  }
  return map + "[RGN80]\r\nType=0x4e\r\nData0=(55,37),(56,37),(56,38),(55,38)\r\n[END]\r\n";
}

struct Program {
  Program() {
    WriteFile(dir.path() / "map.mp", TextMap(10));
    WriteFile(dir.path() / "result.mp", TextMap(3));
    WriteFile(dir.path() / "a.mif", "Version 300\r\nColumns 1\r\n  Name Char(10)\r\nData\r\n\r\nPoint 37.5 55.5\r\n");
    WriteFile(dir.path() / "a.mid", "\"x\"\r\n");
    window = std::make_unique<MainWindow>(host, PathText(dir.path()));
    window->Load();
    window->controls().mif_path.SetText(dir.File("a.mif"));
    window->controls().mid_path.SetText(dir.File("a.mid"));
    window->controls().result_path.SetText(dir.File("result.mp"));
    window->controls().crop_map_path.SetText(dir.File("map.mp"));
    window->controls().crop_result_path.SetText(dir.File("cut.mp"));
    window->controls().test_map_path.SetText(dir.File("test.mp"));
  }
  MapWindow& map() { return window->map_window(); }
  // Opens the map window on a panel and lets it load; the canvas is 800x600.
  MapWindow& OpenOn(void (MainWindow::*show_panel)()) {
    if (show_panel) (window.get()->*show_panel)();
    window->OnMapClicked();
    map().OnCanvasResized(800, 600);
    host.RunQueued();
    return map();
  }
  void SetBoxes(const char* west, const char* north, const char* east, const char* south) {
    window->controls().crop_west.SetText(west);
    window->controls().crop_north.SetText(north);
    window->controls().crop_east.SetText(east);
    window->controls().crop_south.SetText(south);
  }
  // The bounds the crop would read from the boxes now.
  CropBounds Boxes() const {
    CropOptions options = window->crop_options();
    return CropBounds{options.north.value_or(NAN), options.south.value_or(NAN), options.west.value_or(NAN),
                      options.east.value_or(NAN)};
  }

  ScratchDir dir;
  QueueingHost host;
  std::unique_ptr<MainWindow> window;
};

void Drag(MapWindow& map, double x1, double y1, double x2, double y2, MouseButton button = MouseButton::kLeft) {
  map.OnMousePressed(x1, y1, button);
  map.OnMouseMoved((x1 + x2) / 2, (y1 + y2) / 2);
  map.OnMouseMoved(x2, y2);
  map.OnMouseReleased(x2, y2);
}

void ExpectSameBounds(const CropBounds& a, const CropBounds& b) {
  EXPECT_DOUBLE_EQ(a.west, b.west);
  EXPECT_DOUBLE_EQ(a.north, b.north);
  EXPECT_DOUBLE_EQ(a.east, b.east);
  EXPECT_DOUBLE_EQ(a.south, b.south);
}

TEST(MapWindowSource, EachPanelShowsItsMapAndTheSwitchItsResult) {
  Program program;
  struct Case {
    const char* what;
    void (MainWindow::*panel)();
    bool switch_to_result;
    MapSource::Kind kind;
    const char* file;
  };
  const Case cases[] = {
      {"welcome", nullptr, false, MapSource::Kind::kNone, ""},
      {"conversion", &MainWindow::OnConvertClicked, false, MapSource::Kind::kMif, "a.mif"},
      {"conversion result", nullptr, true, MapSource::Kind::kTextMap, "result.mp"},
      {"crop", &MainWindow::OnCropClicked, false, MapSource::Kind::kTextMap, "map.mp"},
      {"crop result", nullptr, true, MapSource::Kind::kTextMap, "cut.mp"},
      {"test map", &MainWindow::OnTestMapClicked, false, MapSource::Kind::kTextMap, "test.mp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MapWindow& map = program.OpenOn(c.panel);
    if (c.switch_to_result) {
      map.OnSwitchClicked();
      program.host.RunQueued();
    }
    EXPECT_EQ(map.shown_source().kind, c.kind);
    EXPECT_EQ(map.shown_source().path, *c.file ? program.dir.File(c.file) : "");
    if (c.kind == MapSource::Kind::kMif) {
      EXPECT_EQ(map.shown_source().mid_path, program.dir.File("a.mid"));
    }
  }
  // The crop result does not exist: the window says so and shows nothing.
  program.window->OnCropClicked();
  program.map().OnSwitchClicked();
  program.host.RunQueued();
  EXPECT_TRUE(program.map().view().empty());
  EXPECT_NE(Cp1251ToUtf8(program.map().controls().map_status.text()).find("Файл не найден"), std::string::npos);
}

TEST(MapWindowSource, ARunShowsItsResultAndAChangedFileIsReadAgain) {
  Program program;
  MapWindow& map = program.OpenOn(&MainWindow::OnCropClicked);
  EXPECT_EQ(map.view().objects_read(), 11u);
  program.SetBoxes("55.00", "56.00", "38.00", "55.00");
  program.window->OnCropClicked();  // runs the crop
  ASSERT_EQ(program.window->last_status(), OperationStatus::kCompleted);
  program.host.RunQueued();
  EXPECT_EQ(map.shown_source().path, program.dir.File("cut.mp"));
  EXPECT_EQ(Cp1251ToUtf8(map.controls().map_switch_button.text()), "Показать исходную карту");

  // The same map rewritten is read again; unchanged, it is not.
  map.OnSwitchClicked();
  program.host.RunQueued();
  EXPECT_EQ(map.view().objects_read(), 11u);
  WriteFile(program.dir.path() / "map.mp", TextMap(20));
  map.Refresh();
  program.host.RunQueued();
  EXPECT_EQ(map.view().objects_read(), 21u);
  // Requests made in one event load once.
  int loads = 0;
  map.controls().map_stop_button.Subscribe([&](UiControl& stop, Change) { loads += stop.visible(); });
  map.Refresh();
  map.OnReloadClicked();
  map.Refresh();
  program.host.RunQueued();
  EXPECT_EQ(loads, 1);
}

TEST(MapWindowLoad, NothingIsReadWhileARunWritesAndItsResultIsShownAfterwards) {
  Program program;
  WriteFile(program.dir.path() / "object.txt", RecordBytes(Ru("Неопределенный тип объекта"), "0x10", "0x2f00", 0));
  MapWindow& map = program.OpenOn(&MainWindow::OnConvertClicked);
  ASSERT_EQ(map.shown_source().kind, MapSource::Kind::kMif);
  int loads = 0;
  map.controls().map_stop_button.Subscribe([&](UiControl& stop, Change) { loads += stop.visible(); });
  int loads_during_run = -1;
  program.host.on_run_started = [&] {
    map.OnReloadClicked();
    program.host.RunQueued();
    loads_during_run = loads;
  };
  program.window->OnConvertClicked();
  ASSERT_EQ(program.window->last_status(), OperationStatus::kCompleted);
  program.host.on_run_started = nullptr;
  EXPECT_EQ(loads_during_run, 0);
  program.host.RunQueued();
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(map.shown_source().path, program.dir.File("result.mp"));
}

TEST(MapWindowLoad, ANewerRequestStopsTheRunningLoadAndClosingStopsIt) {
  Program program;
  WriteFile(program.dir.path() / "big.mp", TextMap(5000));
  program.window->controls().crop_map_path.SetText(program.dir.File("big.mp"));
  MapWindow& map = program.OpenOn(&MainWindow::OnCropClicked);
  EXPECT_EQ(map.view().objects_read(), 5001u);

  // Whatever happens while a map is read happens as its read starts here: a load
  // looks for a stop request every few hundred lines.
  std::function<void()> while_loading;
  map.controls().map_stop_button.Subscribe([&](UiControl& stop, Change) {
    if (stop.visible() && while_loading) while_loading();
  });

  // While the big map is read again, the path changes: the read stops and the new map
  // is shown, with no word of a stop.
  bool asked = false;
  while_loading = [&] {
    if (asked) return;
    asked = true;
    program.window->controls().crop_map_path.SetText(program.dir.File("map.mp"));
  };
  map.OnReloadClicked();
  program.host.RunQueued();
  ASSERT_TRUE(asked);
  EXPECT_EQ(map.shown_source().path, program.dir.File("map.mp"));
  EXPECT_EQ(map.view().objects_read(), 11u);
  EXPECT_FALSE(map.controls().map_stop_button.visible());
  EXPECT_EQ(Cp1251ToUtf8(map.controls().map_status.text()).find("остановлено"), std::string::npos);

  // "Остановить" keeps what was read and says so; the same map is read whole next time.
  while_loading = [&] { map.OnStopClicked(); };
  program.window->controls().crop_map_path.SetText(program.dir.File("big.mp"));
  program.host.RunQueued();
  EXPECT_LT(map.view().objects_read(), 5001u);
  EXPECT_NE(Cp1251ToUtf8(map.controls().map_status.text()).find("чтение остановлено"), std::string::npos);
  while_loading = nullptr;
  map.Refresh();
  program.host.RunQueued();
  EXPECT_EQ(map.view().objects_read(), 5001u);

  // Closing the window during a read stops it and frees the map; nothing loads while closed.
  while_loading = [&] { map.OnClosed(); };
  map.OnReloadClicked();
  program.host.RunQueued();
  EXPECT_FALSE(map.open());
  EXPECT_TRUE(map.view().empty());
  program.window->controls().crop_map_path.SetText(program.dir.File("map.mp"));
  EXPECT_EQ(program.host.RunQueued(), 0);
  EXPECT_EQ(program.host.messages, 0);
}

// Paths typed a letter at a time while a big map is read: whatever the requests made
// during one read or the next, the window ends with the whole map of the last paths and
// no word of a stop, and a request for the map being read lets its read go on.
TEST(MapWindowLoad, RequestsThatReplaceEachOtherEndWithTheWholeLastMap) {
  struct Case {
    const char* what;
    std::vector<std::vector<const char*>> typed;  // the paths typed during each read
    const char* last;
    int reads;  // reads started after the first
  };
  const Case cases[] = {
      {"away and back in one read", {{"big.m", "big.mp"}}, "big.mp", 2},
      {"the same path again", {{"big.mp"}}, "big.mp", 1},
      {"to another map", {{"b", "bi", "big2.mp"}}, "big2.mp", 2},
      {"another map, then back during its read", {{"big2.mp"}, {"big2.m", "big.mp"}}, "big.mp", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Program program;
    WriteFile(program.dir.path() / "big.mp", TextMap(5000));
    WriteFile(program.dir.path() / "big2.mp", TextMap(4000));
    program.window->controls().crop_map_path.SetText(program.dir.File("big.mp"));
    MapWindow& map = program.OpenOn(&MainWindow::OnCropClicked);
    ASSERT_EQ(map.view().objects_read(), 5001u);
    std::size_t read = 0;
    int reads = 0;
    map.controls().map_stop_button.Subscribe([&](UiControl& stop, Change) {
      if (!stop.visible()) return;
      ++reads;
      if (read >= c.typed.size()) return;
      for (const char* path : c.typed[read]) program.window->controls().crop_map_path.SetText(program.dir.File(path));
      ++read;
    });
    map.OnReloadClicked();
    program.host.RunQueued();
    EXPECT_EQ(reads, c.reads);
    EXPECT_EQ(map.shown_source().path, program.dir.File(c.last));
    EXPECT_EQ(map.view().objects_read(), std::string(c.last) == "big.mp" ? 5001u : 4001u);
    std::string status = Cp1251ToUtf8(map.controls().map_status.text());
    EXPECT_EQ(status.find("остановлен"), std::string::npos) << status;
    EXPECT_NE(status.find("объект"), std::string::npos) << status;
  }
}

TEST(MapWindowCrop, ADrawnRectangleFillsTheBoxesThatTheCropReadsToTheSameRectangle) {
  struct Case {
    const char* what;
    double x1, y1, x2, y2;
  };
  const Case cases[] = {
      {"left to right, downwards", 120, 90, 610, 420},
      {"right to left, upwards", 610, 420, 120, 90},
      {"right to left, downwards", 600, 50, 33.3, 577.7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Program program;
    MapWindow& map = program.OpenOn(&MainWindow::OnCropClicked);
    EXPECT_FALSE(map.view().crop_rectangle());  // the boxes are empty
    Drag(map, c.x1, c.y1, c.x2, c.y2);
    ASSERT_TRUE(map.view().crop_rectangle());
    ExpectSameBounds(program.Boxes(), *map.view().crop_rectangle());
    // Drawn where the mouse went, to a hundredth of a minute.
    mapview::MapPoint corner1 = map.view().ToMap(std::min(c.x1, c.x2), std::min(c.y1, c.y2));
    mapview::MapPoint corner2 = map.view().ToMap(std::max(c.x1, c.x2), std::max(c.y1, c.y2));
    EXPECT_NEAR(program.Boxes().west, corner1.x, 0.01 / 60);
    EXPECT_NEAR(program.Boxes().north, corner1.y, 0.01 / 60);
    EXPECT_NEAR(program.Boxes().east, corner2.x, 0.01 / 60);
    EXPECT_NEAR(program.Boxes().south, corner2.y, 0.01 / 60);
    // The boxes were stored as typed ones are.
    EXPECT_EQ(ReadSetting(PathText(program.dir.path()), "System", "Koord2"),
              program.window->controls().crop_west.text());
  }
}

TEST(MapWindowCrop, TheRectangleMovesResizesAndFollowsTheBoxes) {
  Program program;
  MapWindow& map = program.OpenOn(&MainWindow::OnCropClicked);
  program.SetBoxes("55.15", "55.45", "57.30", "55.15");  // 55°15'..57°30' E, 55°15'..55°45' N
  CropBounds typed = program.Boxes();
  ExpectSameBounds(*map.view().crop_rectangle(), typed);
  mapview::ScreenPoint north_west = map.view().ToScreen({typed.west, typed.north});
  mapview::ScreenPoint south_east = map.view().ToScreen({typed.east, typed.south});
  double middle_x = (north_west.x + south_east.x) / 2, middle_y = (north_west.y + south_east.y) / 2;
  EXPECT_EQ(map.CursorAt(middle_x, middle_y), MapCursor::kMove);
  EXPECT_EQ(map.CursorAt(north_west.x, middle_y), MapCursor::kSizeWestEast);
  EXPECT_EQ(map.CursorAt(south_east.x, south_east.y), MapCursor::kSizeNwSe);
  EXPECT_EQ(map.CursorAt(2, 2), MapCursor::kCross);

  // A click is no rectangle.
  map.OnMousePressed(5, 5, MouseButton::kLeft);
  map.OnMouseReleased(6, 6);
  ExpectSameBounds(program.Boxes(), typed);

  // Moved by its inside: same size, shifted by the drag.
  Drag(map, middle_x, middle_y, middle_x + 40, middle_y - 30);
  CropBounds moved = program.Boxes();
  EXPECT_NEAR(moved.east - moved.west, typed.east - typed.west, 0.02 / 60);
  EXPECT_NEAR(moved.north - moved.south, typed.north - typed.south, 0.02 / 60);
  EXPECT_GT(moved.west, typed.west);
  EXPECT_GT(moved.north, typed.north);

  // The west edge pulled past the east one becomes the east edge.
  north_west = map.view().ToScreen({moved.west, moved.north});
  south_east = map.view().ToScreen({moved.east, moved.south});
  Drag(map, north_west.x, (north_west.y + south_east.y) / 2, south_east.x + 50, (north_west.y + south_east.y) / 2);
  CropBounds pulled = program.Boxes();
  EXPECT_NEAR(pulled.west, moved.east, 0.01 / 60);
  EXPECT_GT(pulled.east, moved.east);
  EXPECT_DOUBLE_EQ(pulled.north, moved.north);

  // The right button pans whatever lies under it; the boxes stay.
  mapview::MapPoint centre = map.view().centre();
  Drag(map, middle_x, middle_y, middle_x + 100, middle_y, MouseButton::kRight);
  EXPECT_LT(map.view().centre().x, centre.x);
  ExpectSameBounds(program.Boxes(), pulled);

  // A box emptied takes the rectangle away; the conversion panel never shows one.
  program.window->controls().crop_south.SetText("");
  EXPECT_FALSE(map.view().crop_rectangle());
  program.window->controls().crop_south.SetText("55.15");
  EXPECT_TRUE(map.view().crop_rectangle());
  program.window->OnConvertClicked();
  program.host.RunQueued();
  EXPECT_FALSE(map.view().crop_rectangle());
  EXPECT_EQ(map.CursorAt(middle_x, middle_y), MapCursor::kOpenHand);
}

TEST(MapWindowView, WheelZoomsAtTheCursorAndFitShowsTheWholeMap) {
  Program program;
  MapWindow& map = program.OpenOn(&MainWindow::OnCropClicked);
  double fitted = map.view().scale();
  mapview::MapPoint under = map.view().ToMap(200, 150);
  map.OnWheel(200, 150, MapWindow::kStepsPerDoubling);
  EXPECT_NEAR(map.view().scale(), fitted * 2, fitted * 1e-9);
  mapview::MapPoint after = map.view().ToMap(200, 150);
  EXPECT_NEAR(after.x, under.x, 1e-9);
  EXPECT_NEAR(after.y, under.y, 1e-9);
  map.OnWheel(200, 150, NAN);  // ignored
  EXPECT_NEAR(map.view().scale(), fitted * 2, fitted * 1e-9);
  map.OnFitClicked();
  EXPECT_DOUBLE_EQ(map.view().scale(), fitted);

  // The place under the mouse in degrees.minutes; a tooltip over the region.
  map.OnMouseMoved(400, 300);
  EXPECT_EQ(Cp1251ToUtf8(map.controls().map_position.text()).rfind("Широта ", 0), 0u);
  mapview::ScreenPoint inside = map.view().ToScreen({37.9, 55.1});
  EXPECT_NE(map.TooltipAt(inside.x, inside.y).find("0x4e"), std::string::npos);
  EXPECT_EQ(map.TooltipAt(-500, -500), "");
}

}  // namespace
}  // namespace mirvex::ui
