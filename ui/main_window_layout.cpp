// The main window model's lists' area: the splitter between the object list and the
// type list with its stops, the area fitted to the window, and the window's place stored
// in mirvex.ini.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/text.h"
#include "settings/ini_file.h"
#include "ui/main_window.h"

namespace mirvex::ui {

void MainWindow::OnSplitterPressed(double x) {
  dragging_ = true;
  drag_x_ = static_cast<int>(RoundHalfEven(x));
}

void MainWindow::OnSplitterMoved(double x) {
  if (!dragging_) return;
  PlaceSplitter(controls_.list_splitter.left() + static_cast<int>(RoundHalfEven(x)) - drag_x_);
}

int MinimumListsAreaWidth() { return 2 * kListMinimumWidth + kTypeListGap; }

void MainWindow::PlaceSplitter(int left) {
  UiControl& splitter = controls_.list_splitter;
  const int form_width = controls_.main_window.width();
  // The type list ends at the window's right margin; the object list starts at
  // kObjectListLeft. Each keeps its least width, so neither can vanish behind the other
  // or past the window's edge; a window too narrow for both splits the room in two.
  int lowest = kObjectListLeft + kListMinimumWidth;
  int highest = form_width - kTypeListRightMargin - kTypeListGap - kListMinimumWidth;
  if (highest < lowest) {
    left = std::max(kObjectListLeft, (kObjectListLeft + form_width - kTypeListRightMargin - kTypeListGap) / 2);
  } else {
    left = std::clamp(left, lowest, highest);
  }
  splitter.SetGeometry(left, splitter.width());
  UiControl& object_list = controls_.object_list;
  object_list.SetGeometry(object_list.left(), splitter.left() - object_list.left());
  int type_list_left = splitter.left() + kTypeListGap;
  controls_.type_list.SetGeometry(type_list_left, std::max(0, form_width - type_list_left - kTypeListRightMargin));
}

namespace {

// The room the two lists share: from the object list's left edge to the type list's
// right margin.
int ListsRoom(int form_width) { return std::max(1, form_width - kObjectListLeft - kTypeListRightMargin); }

}  // namespace

int MainWindow::SplitterShare() const {
  int offset = controls_.list_splitter.left() - kObjectListLeft;
  return static_cast<int>(std::lround(1000.0 * offset / ListsRoom(controls_.main_window.width())));
}

void MainWindow::PlaceSplitterAtShare(int share) {
  share = std::clamp(share, 0, 1000);
  PlaceSplitter(kObjectListLeft +
                static_cast<int>(std::lround(ListsRoom(controls_.main_window.width()) * share / 1000.0)));
}

void MainWindow::OnSplitterReleased() { dragging_ = false; }

void MainWindow::OnWindowResized(int width) {
  UiControl& form = controls_.main_window;
  form.SetGeometry(form.left(), width);
}

// The model measures the window from the left edge of its lists' area at kObjectListLeft
// twips, however wide the panels beside it are on the screen; the type list ends at the
// area's right edge.
void MainWindow::OnListsAreaResized(int width, bool shown) {
  OnWindowResized(kObjectListLeft + width + kTypeListRightMargin);
  if (shown && pending_splitter_share_ >= 0) {
    PlaceSplitterAtShare(pending_splitter_share_);
    pending_splitter_share_ = -1;
  } else {
    PlaceSplitter(controls_.list_splitter.left());
  }
}

namespace {

constexpr const char* kPlaceKeys[] = {"Left", "Top", "Width", "Height"};
// The splitter's share of the lists' area, in thousandths.
constexpr const char* kSplitterShareKey = "SplitterShare";

std::optional<int> StoredNumber(std::string_view folder, const char* key) {
  std::string text = ReadSetting(folder, kWindowSection, key);
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < -1000000 || value > 1000000) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

std::optional<WindowPlace> MainWindow::StoredWindowPlace() const {
  int values[4];
  for (int i = 0; i < 4; ++i) {
    std::optional<int> value = StoredNumber(program_folder_, kPlaceKeys[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  WindowPlace place{values[0], values[1], values[2], values[3]};
  if (place.width <= 0 || place.height <= 0) return std::nullopt;
  // A place stored before the share was kept has none: the lists keep their default.
  std::optional<int> share = StoredNumber(program_folder_, kSplitterShareKey);
  if (share && *share >= 0 && *share <= 1000) place.splitter_share = *share;
  place.maximized = ReadSetting(program_folder_, kWindowSection, "Maximized") == "1";
  return place;
}

void MainWindow::SaveWindowPlace(const WindowPlace& place) {
  const int values[] = {place.left, place.top, place.width, place.height};
  for (int i = 0; i < 4; ++i) Store(kWindowSection, kPlaceKeys[i], std::to_string(values[i]));
  if (place.splitter_share >= 0) Store(kWindowSection, kSplitterShareKey, std::to_string(place.splitter_share));
  Store(kWindowSection, "Maximized", place.maximized ? "1" : "0");
}

}  // namespace mirvex::ui
