// The real native Windows window, driven through its controls by the messages a
// user's actions send (run under Wine, with a display for the controls to draw on).
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "settings/ini_file.h"
#include "tests/qt/fake_host.h"
#include "tests/win32/program_folder.h"
#include "ui/win32/main_window_win32.h"
#include "ui/win32/win32_binding.h"
#include "ui/win32/win32_host.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;
using ui::win32::Win32MainWindow;

const fs::path kData = MIRVEX_SOURCE_DATA;
const fs::path kTestData = MIRVEX_TEST_DATA;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The window, shown, with the test's host; its messages are processed after each action.
struct Window {
  explicit Window(const ProgramFolder& folder) : window(host, folder.text()) { window.Show(); }
  ~Window() { Pump(); }
  ui::MainWindowControls& controls() { return window.model().controls(); }
  HWND operator[](const ui::UiControl& control) const {
    HWND hwnd = window.widget(control);
    EXPECT_NE(hwnd, nullptr) << control.name();
    return hwnd;
  }
  void Pump() { ui::win32::PumpMessages(window.hwnd()); }
  // A control is seen when it and every container above it are shown.
  bool Visible(const ui::UiControl& control) const { return IsWindowVisible((*this)[control]) != 0; }
  std::string Text(const ui::UiControl& control) const { return ui::win32::ControlText((*this)[control]); }

  // What a click on a button does: BM_CLICK sends BN_CLICKED to the parent.
  void Click(const ui::UiControl& control) {
    SendMessageW((*this)[control], BM_CLICK, 0, 0);
    Pump();
  }
  // Typing into an edit box: WM_SETTEXT, which sends EN_CHANGE itself.
  void TypeInto(const ui::UiControl& control, const std::string& cp1251) {
    SetWindowTextW((*this)[control], WideText(cp1251).c_str());
    Pump();
  }
  // Typing into a combo box's edit part: the text, then CBN_EDITCHANGE as typing sends.
  void TypeIntoCombo(const ui::UiControl& control, const std::string& cp1251) {
    HWND combo = (*this)[control];
    SetWindowTextW(combo, WideText(cp1251).c_str());
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    Pump();
  }
  void ChooseInCombo(const ui::UiControl& control, int index) {
    HWND combo = (*this)[control];
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    Pump();
  }
  // A click on a list line (alone, as a click without Ctrl selects it), or a double click.
  void ChooseInList(const ui::UiControl& control, int index, bool twice = false) {
    HWND list = (*this)[control];
    if (GetWindowLongW(list, GWL_STYLE) & LBS_EXTENDEDSEL) {
      SendMessageW(list, LB_SETSEL, FALSE, -1);
      SendMessageW(list, LB_SETSEL, TRUE, index);
      SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    } else {
      SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    if (twice) {
      SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(list));
    }
    Pump();
  }
  std::string ListLine(const ui::UiControl& control, int index) const {
    HWND list = (*this)[control];
    std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, index, 0)) + 1, L'\0');
    line.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line.data()))));
    return Cp1251ToUtf8(TextFromWide(line));
  }
  int ListCount(const ui::UiControl& control) const {
    return static_cast<int>(SendMessageW((*this)[control], LB_GETCOUNT, 0, 0));
  }
  // A move of the trackbar by the keyboard: the position, then the scroll messages.
  void MoveTrackbar(const ui::UiControl& control, int position) {
    HWND slider = (*this)[control];
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(GetParent(slider), WM_HSCROLL, MAKEWPARAM(TB_LINEDOWN, 0), reinterpret_cast<LPARAM>(slider));
    SendMessageW(GetParent(slider), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    Pump();
  }
  // Where a control or a container stands in its parent.
  RECT Place(const ui::UiControl& control) const { return Place((*this)[control]); }
  static RECT Place(HWND hwnd) {
    RECT place{};
    GetWindowRect(hwnd, &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&place), 2);
    return place;
  }

  FakeWindowHost host;
  Win32MainWindow window;
};

std::string Utf8(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }

class Win32Window : public testing::Test {
 protected:
  void SetUp() override {
    // Without a display Wine makes windows that draw nowhere; the controls still work,
    // but the test is meant for a real screen (xvfb-run in the test script).
    if (!GetSystemMetrics(SM_CXSCREEN)) GTEST_SKIP() << "no screen";
  }
  ProgramFolder folder;
};

// The operation buttons show their panel at the first press and run it at the second:
// the converted and cropped sample equal the reviewed maps (the command line's).
TEST_F(Win32Window, PanelsTakeTurnsAndSecondPressesRunTheOperations) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  EXPECT_TRUE(window.Visible(c.welcome_panel));
  EXPECT_FALSE(window.Visible(c.conversion_panel));

  window.Click(c.convert_button);
  EXPECT_TRUE(window.Visible(c.conversion_panel));
  EXPECT_FALSE(window.Visible(c.welcome_panel));
  EXPECT_TRUE(window.host.messages.empty());

  window.TypeIntoCombo(c.mif_path, PathText(kData / "sample/sample.mif"));
  window.TypeIntoCombo(c.mid_path, PathText(kData / "sample/sample.mid"));
  window.TypeIntoCombo(c.result_path, PathText(folder.path / "window.mp"));
  window.Click(c.convert_button);
  EXPECT_EQ(Bytes(folder.path / "window.mp"), Bytes(kTestData / "sample.expected.mp"));
  ASSERT_FALSE(window.host.messages.empty());
  EXPECT_NE(Utf8(window.host.messages.back().text).find("Конвертация завершена"), std::string::npos);

  window.Click(c.crop_button);
  EXPECT_TRUE(window.Visible(c.crop_panel));
  EXPECT_FALSE(window.Visible(c.conversion_panel));
  window.Click(c.copy_result_button);
  EXPECT_EQ(window.Text(c.crop_map_path), PathText(folder.path / "window.mp"));
  window.TypeInto(c.crop_result_path, PathText(folder.path / "cut.mp"));
  EXPECT_EQ(folder.Setting("System", "PathEdit2"), PathText(folder.path / "cut.mp"));
  window.Click(c.crop_button);
  EXPECT_EQ(Bytes(folder.path / "cut.mp"), Bytes(kTestData / "sample.cut.expected.mp"));

  window.Click(c.test_map_button);
  EXPECT_TRUE(window.Visible(c.test_map_panel));
  EXPECT_FALSE(window.Visible(c.crop_panel));
  std::ofstream(folder.path / "test.mp").put('x');
  window.TypeIntoCombo(c.test_map_path, PathText(folder.path / "test.mp"));
  window.Click(c.test_map_button);
  EXPECT_EQ(fs::file_size(folder.path / "test.mp"), std::uintmax_t{4550123});
}

// A check box click stores its key; the box it governs turns grey and read-only, its
// value still drawn dark on the light grey.
TEST_F(Win32Window, CheckBoxClickStoresItsKeyAndGreysItsBox) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  HWND automatic = window[c.column_count_from_header];
  HWND count = window[c.column_count];
  EXPECT_EQ(SendMessageW(automatic, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(GetWindowLongW(count, GWL_STYLE) & ES_READONLY);
  window.Click(c.column_count_from_header);
  EXPECT_EQ(folder.Setting("System", "AutoSet"), "0");
  EXPECT_FALSE(GetWindowLongW(count, GWL_STYLE) & ES_READONLY);
  window.Click(c.column_count_from_header);
  EXPECT_EQ(folder.Setting("System", "AutoSet"), "1");

  HDC dc = GetDC(count);
  SendMessageW(GetParent(count), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(count));
  EXPECT_EQ(GetBkColor(dc), RGB(192, 192, 192));
  EXPECT_EQ(GetTextColor(dc), RGB(64, 64, 64));
  ReleaseDC(count, dc);
}

// "Обрезать объекты по границе" stands in the rectangle's frame clear of the bounds and
// their captions, at the system's scale and a larger one; ticked, the crop cuts a line
// crossing the rectangle at its edge.
TEST_F(Win32Window, CropClipBoxCutsObjectsAtTheRectangle) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.crop_button);
  ASSERT_TRUE(window.Visible(c.crop_clip));
  EXPECT_EQ(Utf8(window.Text(c.crop_clip)), "Обрезать объекты по границе");
  EXPECT_EQ(SendMessageW(window[c.crop_clip], BM_GETCHECK, 0, 0), BST_UNCHECKED);
  HWND clip = window[c.crop_clip];
  HWND frame = window[c.crop_bounds_frame];
  ASSERT_EQ(GetParent(clip), frame);
  auto check_place = [&](const char* when) {
    RECT inside{}, place = Window::Place(clip), both{};
    GetClientRect(frame, &inside);
    EXPECT_TRUE(place.left >= inside.left && place.right <= inside.right && place.top >= inside.top &&
                place.bottom <= inside.bottom)
        << when;
    for (HWND other = GetWindow(frame, GW_CHILD); other; other = GetWindow(other, GW_HWNDNEXT)) {
      wchar_t class_name[16] = {};
      GetClassNameW(other, class_name, 16);
      bool group_box = lstrcmpiW(class_name, L"Button") == 0 &&
                       (GetWindowLongW(other, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
      if (other == clip || group_box || !IsWindowVisible(other)) continue;
      RECT other_place = Window::Place(other);
      EXPECT_FALSE(IntersectRect(&both, &place, &other_place)) << when << ": " << ui::win32::ControlText(other);
    }
  };
  check_place("at the system's scale");
  RECT outer{};
  GetWindowRect(window.window.hwnd(), &outer);
  RECT larger{outer.left, outer.top, outer.left + (outer.right - outer.left) * 3 / 2,
              outer.top + (outer.bottom - outer.top) * 3 / 2};
  SendMessageW(window.window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&larger));
  window.Pump();
  check_place("at 144 dpi");

  std::ofstream(folder.path / "crossing.mp", std::ios::binary)
      << "[IMG ID]\r\nID=1\r\n[END-IMG ID]\r\n[RGN40]\r\nType=0x01\r\nData0=(56,68),(57,72)\r\n[END-RGN40]\r\n";
  window.TypeInto(c.crop_map_path, PathText(folder.path / "crossing.mp"));
  window.TypeInto(c.crop_result_path, PathText(folder.path / "cut.mp"));
  for (auto [bound, text] :
       {std::pair{&c.crop_west, "65"}, {&c.crop_north, "57"}, {&c.crop_east, "70"}, {&c.crop_south, "55"}}) {
    window.TypeInto(*bound, text);
  }
  window.Click(c.crop_clip);
  EXPECT_EQ(SendMessageW(clip, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(folder.Setting("System", "CropClip"), "1");
  window.Click(c.crop_button);
  EXPECT_NE(Bytes(folder.path / "cut.mp").find("\r\nData0=(56,68),(56.5,70)\r\n"), std::string::npos)
      << Bytes(folder.path / "cut.mp");

  // Cleared, the line's last pair lies outside and the line is left out, as always.
  window.Click(c.crop_clip);
  EXPECT_EQ(folder.Setting("System", "CropClip"), "0");
  window.Click(c.crop_button);
  EXPECT_EQ(Bytes(folder.path / "cut.mp").find("RGN40"), std::string::npos);
}

// Each option box of the conversion shows its stored key and stores it again at every
// click; a key missing from mirvex.ini (ToWgs84 of the sample's) shows its default, and
// what was stored is what the next window shows.
TEST_F(Win32Window, ConversionOptionBoxesStoreTheirKeys) {
  struct Box {
    ui::MainControl control;
    const char* key;
    bool ticked_at_start;
  };
  const Box boxes[] = {
      {&ui::MainWindowControls::transliterate_labels, "RusTransl", false},
      {&ui::MainWindowControls::section_from_mif, "TypeObj", false},
      {&ui::MainWindowControls::to_wgs84, "ToWgs84", true},
      {&ui::MainWindowControls::raise_large_objects, "PovObj", false},
  };
  ASSERT_EQ(folder.Setting("System", "ToWgs84"), "");
  auto checked = [](HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  {
    Window window(folder);
    ui::MainWindowControls& c = window.controls();
    window.Click(c.convert_button);
    for (const Box& box : boxes) {
      const ui::UiControl& control = c.*box.control;
      SCOPED_TRACE(box.key);
      ASSERT_TRUE(window.Visible(control));
      EXPECT_EQ(checked(window[control]), box.ticked_at_start);
      window.Click(control);
      EXPECT_EQ(checked(window[control]), !box.ticked_at_start);
      EXPECT_EQ(folder.Setting("System", box.key), box.ticked_at_start ? "0" : "1");
      window.Click(control);
      EXPECT_EQ(folder.Setting("System", box.key), box.ticked_at_start ? "1" : "0");
      window.Click(control);
    }
  }
  Window reopened(folder);
  reopened.Click(reopened.controls().convert_button);
  for (const Box& box : boxes) {
    SCOPED_TRACE(box.key);
    EXPECT_EQ(checked(reopened[reopened.controls().*box.control]), !box.ticked_at_start);
  }
}

// Save and delete of a path triple through the buttons and the combo lists.
TEST_F(Win32Window, SavedPathsThroughButtonsAndLists) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  for (const char* triple : {"a", "b"}) {
    window.TypeIntoCombo(c.mif_path, std::string(triple) + ".MIF");
    window.TypeIntoCombo(c.mid_path, std::string(triple) + ".MID");
    window.TypeIntoCombo(c.result_path, std::string(triple) + ".txt");
    window.Click(c.save_paths_button);
  }
  EXPECT_EQ(folder.Setting("System", "PathCount"), "2");
  EXPECT_EQ(SendMessageW(window[c.mif_path], CB_GETCOUNT, 0, 0), 2);

  window.ChooseInCombo(c.mif_path, 0);
  EXPECT_EQ(window.Text(c.mid_path), "a.MID");
  EXPECT_EQ(window.Text(c.result_path), "a.txt");

  window.Click(c.delete_paths_button);
  EXPECT_EQ(folder.Setting("System", "PathCount"), "1");
  EXPECT_EQ(folder.Setting("Path1", "p1"), "b.MIF");
  EXPECT_EQ(SendMessageW(window[c.mif_path], CB_GETCOUNT, 0, 0), 1);
  for (ui::MainControl combo : ui::kPathCombos) EXPECT_EQ(window.Text(c.*combo), "") << (c.*combo).name();
}

// A path typed with a character cp1251 cannot hold is refused with a message and the
// box shows the stored text again: it never names another file.
TEST_F(Win32Window, TypedCharacterOutsideCp1251IsRefused) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.crop_button);
  std::string before = window.Text(c.crop_result_path);
  SetWindowTextW(window[c.crop_result_path], L"C:\\map\\\u0109.mp");
  window.Pump();
  EXPECT_EQ(window.Text(c.crop_result_path), before);
  EXPECT_EQ(window.window.model().controls().crop_result_path.text(), before);
  ASSERT_EQ(window.host.messages.size(), 1u);
  EXPECT_NE(Utf8(window.host.messages[0].text).find("cp1251"), std::string::npos);
  EXPECT_EQ(folder.Setting("System", "PathEdit2"), before);
}

// Dragging the splitter with the mouse: it stops where the object list keeps its least
// width, and the type list follows it at its gap.
TEST_F(Win32Window, SplitterDragStopsAtTheListsLeastWidth) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  SetWindowPos(window.window.hwnd(), nullptr, 0, 0, 1200, 700, SWP_NOMOVE | SWP_NOZORDER);
  window.Pump();
  HWND splitter = window[c.list_splitter];
  int start = window.Place(c.object_list).right - window.Place(c.object_list).left;
  EXPECT_GT(start, 0);
  auto mouse = [&](UINT message, int x) {
    SendMessageW(splitter, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 5));
    window.Pump();
  };
  mouse(WM_LBUTTONDOWN, 2);
  mouse(WM_MOUSEMOVE, -5000);
  // The object list keeps its least width, 120 pixels at 96 DPI.
  const int least = static_cast<int>(ui::kListMinimumWidth / window.window.twips_per_pixel() + 0.5);
  EXPECT_NEAR(window.Place(c.object_list).right - window.Place(c.object_list).left, least, 1);
  EXPECT_EQ(window.window.model().controls().list_splitter.left(), ui::kObjectListLeft + ui::kListMinimumWidth);
  mouse(WM_MOUSEMOVE, 2 + 100);
  mouse(WM_LBUTTONUP, 2 + 100);
  int width = window.Place(c.object_list).right - window.Place(c.object_list).left;
  EXPECT_GE(width, least + 99);
  EXPECT_LE(width, least + 101);
  EXPECT_EQ(window.Place(c.type_list).left,
            window.Place(c.list_splitter).left +
                static_cast<int>(ui::kTypeListGap / window.window.twips_per_pixel() + 0.5));
}

// The rows a list box shows selected, and those its model holds.
std::vector<int> ShownRows(HWND list) {
  std::vector<int> rows;
  int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) rows.push_back(i);
  }
  return rows;
}

std::vector<int> ModelRows(const ui::UiControl& control) {
  std::vector<int> rows;
  for (int i = 0; i < static_cast<int>(control.items().size()); ++i) {
    if (control.selected(i)) rows.push_back(i);
  }
  return rows;
}

// Clicks, Ctrl and Shift clicks and keys go to the list boxes as the mouse and the
// keyboard send them; after each, the list and the model agree, and "Назначить" stores
// exactly the selected descriptions.
TEST_F(Win32Window, ListSelectionFollowsEveryGestureAndAssignStoresExactlyIt) {
  const char* names[] = {"Болото", "Лес", "Парк", "Поляна", "Озеро", "Железная дорога", "Тропа"};
  std::string mid;
  for (const char* name : names) mid += Ru(std::string("\"") + name + "\",\"x\"\r\n");
  std::ofstream(folder.path / "map.mif", std::ios::binary)
      << "Version 300\r\nColumns 2\r\n  Type Char(50)\r\n  Name Char(50)\r\nData\r\n";
  std::ofstream(folder.path / "map.mid", std::ios::binary) << mid;
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  window.TypeIntoCombo(c.mif_path, PathText(folder.path / "map.mif"));
  window.TypeIntoCombo(c.mid_path, PathText(folder.path / "map.mid"));
  window.Click(c.edit_objects_button);
  HWND objects = window[c.object_list];
  ASSERT_EQ(window.ListCount(c.object_list), 7);
  ui::UiControl& model = window.window.model().controls().object_list;

  auto click = [&](HWND list, int row, WPARAM keys = 0) {
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageW(list, WM_LBUTTONUP, keys, at);
    window.Pump();
  };
  // A key as the keyboard sends it, with Shift or Ctrl held where asked.
  auto key = [&](WORD code, BYTE held = 0) {
    SetFocus(objects);
    BYTE state[256] = {};
    GetKeyboardState(state);
    if (held) state[held] = 0x80;
    SetKeyboardState(state);
    SendMessageW(objects, WM_KEYDOWN, code, 1);
    SendMessageW(objects, WM_KEYUP, code, 0xC0000001);
    if (held) state[held] = 0;
    SetKeyboardState(state);
    window.Pump();
  };
  struct Gesture {
    const char* what;
    std::function<void()> act;
    std::vector<int> selected;
  };
  const std::vector<Gesture> gestures = {
      {"click Болото", [&] { click(objects, 0); }, {0}},
      {"click Лес", [&] { click(objects, 1); }, {1}},
      {"click Парк", [&] { click(objects, 2); }, {2}},
      {"Ctrl+click Озеро", [&] { click(objects, 4, MK_CONTROL); }, {2, 4}},
      {"Ctrl+click Парк", [&] { click(objects, 2, MK_CONTROL); }, {4}},
      {"click Поляна", [&] { click(objects, 3); }, {3}},
      {"Shift+click Болото", [&] { click(objects, 0, MK_SHIFT); }, {0, 1, 2, 3}},
      {"Down", [&] { key(VK_DOWN); }, {1}},
      {"Shift+Down", [&] { key(VK_DOWN, VK_SHIFT); }, {1, 2}},
      {"the model selects Тропа", [&] { model.SetSelection({false, false, false, false, false, false, true}); }, {6}},
      {"click Парк", [&] { click(objects, 2); }, {2}},
  };
  for (const Gesture& gesture : gestures) {
    SCOPED_TRACE(gesture.what);
    gesture.act();
    EXPECT_EQ(ShownRows(objects), gesture.selected);
    EXPECT_EQ(ModelRows(model), gesture.selected);
  }

  // The type list keeps the entry clicked, below or above the one before.
  window.Click(c.polygon_types_button);
  HWND types = window[c.type_list];
  int park_type = -1;
  for (int i = 0; i < window.ListCount(c.type_list) && park_type < 0; ++i) {
    if (window.ListLine(c.type_list, i).starts_with("0x17")) park_type = i;
  }
  ASSERT_GT(park_type, 3);
  for (int row : {1, 3, 0, park_type}) {
    SendMessageW(types, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);
    click(types, row);
    EXPECT_EQ(SendMessageW(types, LB_GETCURSEL, 0, 0), row);
    EXPECT_EQ(window.window.model().controls().type_list.list_index(), row);
  }
  window.Click(c.assign_type_button);
  EXPECT_EQ(window.ListLine(c.object_list, 2), "[0x80] Парк (0x17)");
  for (int i : {0, 1, 3, 4, 5, 6}) EXPECT_EQ(window.ListLine(c.object_list, i).find("0x17"), std::string::npos) << i;
}

// The whole road of a dictionary edit: column view, editing mode, a type from the line
// catalogue, a level from the trackbar, the type changed in the object window, and the
// conversion that writes them.
TEST_F(Win32Window, EditedDictionaryReachesTheConvertedMap) {
  std::ofstream(folder.path / "map.mif", std::ios::binary)
      << "Version 300\r\nCharset \"WindowsCyrillic\"\r\nDelimiter \",\"\r\nColumns 2\r\n  Type Char(50)\r\n"
         "  Name Char(50)\r\nData\r\n\r\nPline 2\r\n36.50 50.60\r\n36.51 50.61\r\n    Pen (1,2,0)\r\n"
         "Pline 2\r\n36.52 50.62\r\n36.53 50.63\r\n    Pen (1,2,0)\r\n";
  std::ofstream(folder.path / "map.mid", std::ios::binary)
      << Ru("\"Тропинка\",\"Лесная тропа\"\r\n\"Просека\",\"Северная\"\r\n");
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  window.TypeIntoCombo(c.mif_path, PathText(folder.path / "map.mif"));
  window.TypeIntoCombo(c.mid_path, PathText(folder.path / "map.mid"));
  window.TypeIntoCombo(c.result_path, PathText(folder.path / "map.mp"));

  window.Click(c.column_view_button);
  EXPECT_TRUE(window.Visible(c.column_view));
  std::string page = Utf8(window.Text(c.column_view));
  EXPECT_NE(page.find("\r\nТропинка"), std::string::npos) << page;
  EXPECT_NE(page.find("\r\nПросека"), std::string::npos) << page;

  window.Click(c.edit_objects_button);
  ASSERT_EQ(window.ListCount(c.object_list), 2);
  EXPECT_EQ(window.ListLine(c.object_list, 0), "Тропинка");
  EXPECT_FALSE(window.Visible(c.column_view));

  window.Click(c.line_types_button);
  ASSERT_GT(window.ListCount(c.type_list), 10);
  EXPECT_EQ(window.ListLine(c.type_list, 9).substr(0, 8), "0x0a    ");
  window.ChooseInList(c.object_list, 0);
  window.ChooseInList(c.type_list, 9);
  window.Click(c.assign_type_button);
  EXPECT_EQ(window.ListLine(c.object_list, 0), "[0x20] Тропинка (0x0a)");
  EXPECT_GT(SendMessageW(window[c.object_list], LB_GETSEL, 0, 0), 0);

  window.MoveTrackbar(c.level_slider, 2);
  EXPECT_EQ(window.ListLine(c.object_list, 0), "L2--[0x20] Тропинка (0x0a)");
  EXPECT_EQ(Utf8(window.Text(c.level_button)), "Уровень 2");

  window.ChooseInList(c.object_list, 0, /*twice=*/true);
  HWND object_window = window.window.object_window();
  ASSERT_NE(object_window, nullptr);
  ASSERT_NE(window.window.model().object_window(), nullptr);
  ui::ObjectWindowControls& o = window.window.model().object_window()->controls();
  EXPECT_TRUE(IsWindowVisible(object_window));
  EXPECT_EQ(GetWindowLongW(object_window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  EXPECT_EQ(Utf8(ui::win32::ControlText(object_window)), "Информация об объекте");
  EXPECT_EQ(Utf8(window.Text(o.object_name)), "Тропинка");
  EXPECT_EQ(window.Text(o.object_region), "0x20");
  EXPECT_EQ(window.Text(o.object_type), "0x0a");
  // The main window stays usable while it is open.
  EXPECT_TRUE(IsWindowEnabled(window.window.hwnd()));
  window.TypeInto(o.object_type, "0x16");
  SendMessageW(object_window, WM_CLOSE, 0, 0);
  window.Pump();
  EXPECT_EQ(window.window.object_window(), nullptr);
  EXPECT_EQ(window.window.model().object_window(), nullptr);
  EXPECT_EQ(window.ListLine(c.object_list, 0), "L2--[0x20] Тропинка (0x16)");
  EXPECT_EQ(window.ListLine(c.object_list, 1), "Просека");

  window.Click(c.convert_button);
  window.Click(c.convert_button);
  std::string map = Utf8(Bytes(folder.path / "map.mp"));
  EXPECT_NE(map.find("[RGN40]\r\nLevels=2\r\nLabel=Лесная тропа\r\nType=0x16"), std::string::npos) << map;
}

// A map long enough for a run to let the window work many times before its end.
void WriteLongMap(const fs::path& folder) {
  std::string mif = "Columns 2\r\nData\r\n\r\n", mid;
  for (int i = 0; i < 200000; ++i) {
    mif += "Point 37.215119 54.199747\r\n";
    mid += "\"a\",\"b\"\r\n";
  }
  std::ofstream(folder / "big.mif", std::ios::binary) << mif;
  std::ofstream(folder / "big.mid", std::ios::binary) << mid;
}

// A host that presses "Отмена" once the run has begun (the window pumps its messages
// while it works, so the button's click reaches the model then).
class CancellingHost : public FakeWindowHost {
 public:
  void ProcessEvents() override {
    if (cancel && !cancel_shown && IsWindowVisible(cancel)) {
      cancel_shown = true;
      SendMessageW(cancel, BM_CLICK, 0, 0);
    }
  }
  HWND cancel = nullptr;
  bool cancel_shown = false;
};

// Stopping a run with "Отмена": the earlier result stays, no temporary file is left,
// and the buttons come back.
TEST_F(Win32Window, CancelStopsTheRunAndKeepsTheEarlierResult) {
  WriteLongMap(folder.path);
  std::ofstream(folder.path / "map.mp", std::ios::binary) << "earlier result\r\n";
  CancellingHost host;
  Win32MainWindow window(host, folder.text());
  window.Show();
  ui::MainWindow& model = window.model();
  window.model().OnConvertClicked();
  model.controls().mif_path.SetText(PathText(folder.path / "big.mif"));
  model.controls().mid_path.SetText(PathText(folder.path / "big.mid"));
  model.controls().result_path.SetText(PathText(folder.path / "map.mp"));
  host.cancel = window.widget(model.controls().cancel_button);
  SendMessageW(window.widget(model.controls().convert_button), BM_CLICK, 0, 0);
  EXPECT_TRUE(host.cancel_shown);
  EXPECT_EQ(model.last_status(), OperationStatus::kStopped);
  EXPECT_TRUE(Bytes(folder.path / "map.mp") == "earlier result\r\n");
  for (const auto& entry : fs::directory_iterator(folder.path)) {
    EXPECT_EQ(entry.path().filename().string().find(".mirvex-"), std::string::npos) << entry.path();
  }
  EXPECT_TRUE(IsWindowEnabled(window.widget(model.controls().convert_button)));
  EXPECT_FALSE(IsWindowVisible(window.widget(model.controls().cancel_button)));
}

// A key as the system delivers it: through its input queue to the window with the
// focus (or, with none, to the active window).
void PressKey(WORD virtual_key) {
  INPUT keys[2]{};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = virtual_key;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

// A click as the button receives it: the press takes the focus, the release clicks.
void ClickAt(HWND control) {
  RECT place{};
  GetClientRect(control, &place);
  LPARAM centre = MAKELPARAM(place.right / 2, place.bottom / 2);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageW(control, WM_LBUTTONUP, 0, centre);
}

// A host that processes the window's messages while the run works, as the program's
// own does, and presses Esc once the run has begun.
class EscapingHost : public FakeWindowHost {
 public:
  void ProcessEvents() override {
    if (!owner) return;
    if (++calls == 1) {
      focus_at_escape = GetFocus();
      PressKey(VK_ESCAPE);
    }
    ui::win32::PumpMessages(owner);
  }
  HWND owner = nullptr;
  HWND focus_at_escape = reinterpret_cast<HWND>(-1);
  int calls = 0;
};

// Esc stops a run started by a click or by Enter, although the button that had the
// focus is disabled while the run goes on (the focus is then nowhere).
TEST_F(Win32Window, EscapeStopsARunWhereverTheFocusIs) {
  WriteLongMap(folder.path);
  for (bool by_enter : {false, true}) {
    SCOPED_TRACE(by_enter ? "Enter" : "click");
    std::ofstream(folder.path / "map.mp", std::ios::binary) << "earlier result\r\n";
    EscapingHost host;
    Win32MainWindow window(host, folder.text());
    window.Show();
    ui::MainWindow& model = window.model();
    model.OnConvertClicked();
    model.controls().mif_path.SetText(PathText(folder.path / "big.mif"));
    model.controls().mid_path.SetText(PathText(folder.path / "big.mid"));
    model.controls().result_path.SetText(PathText(folder.path / "map.mp"));
    SetForegroundWindow(window.hwnd());
    HWND convert = window.widget(model.controls().convert_button);
    SetFocus(convert);
    ui::win32::PumpMessages(window.hwnd());
    host.owner = window.hwnd();
    if (by_enter) {
      PressKey(VK_RETURN);
    } else {
      ClickAt(convert);
    }
    for (int i = 0; i < 50 && host.calls == 0; ++i) {
      ui::win32::PumpMessages(window.hwnd());
      Sleep(10);
    }
    ASSERT_GT(host.calls, 0) << "the run did not start";
    EXPECT_NE(host.focus_at_escape, convert);
    EXPECT_EQ(model.last_status(), OperationStatus::kStopped);
    EXPECT_TRUE(Bytes(folder.path / "map.mp") == "earlier result\r\n") << "the run went on to its end";
    host.owner = nullptr;
  }
}

// The object window opens beside the main window; its type box holds no more than the
// record's field; a type that is no number keeps it open with a message; Esc, pressed
// in it, closes it without storing.
TEST_F(Win32Window, ObjectWindowRefusesABadTypeAndEscapeStoresNothing) {
  std::ofstream(folder.path / "map.mif", std::ios::binary)
      << "Columns 2\r\nData\r\n\r\nPline 2\r\n36.50 50.60\r\n36.51 50.61\r\n    Pen (1,2,0)\r\n";
  std::ofstream(folder.path / "map.mid", std::ios::binary) << Ru("\"Тропинка\",\"Лесная тропа\"\r\n");
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  SetWindowPos(window.window.hwnd(), nullptr, 0, 0, 1000, 700, SWP_NOZORDER);
  window.Click(c.convert_button);
  window.TypeIntoCombo(c.mif_path, PathText(folder.path / "map.mif"));
  window.TypeIntoCombo(c.mid_path, PathText(folder.path / "map.mid"));
  window.Click(c.edit_objects_button);
  ASSERT_EQ(window.ListCount(c.object_list), 1);
  std::string before = Bytes(folder.path / "object.txt");

  window.ChooseInList(c.object_list, 0, /*twice=*/true);
  HWND object_window = window.window.object_window();
  ASSERT_NE(object_window, nullptr);
  ASSERT_NE(window.window.model().object_window(), nullptr);
  ui::ObjectWindowControls& o = window.window.model().object_window()->controls();
  RECT main_place{}, object_place{}, overlap{};
  GetWindowRect(window.window.hwnd(), &main_place);
  GetWindowRect(object_window, &object_place);
  EXPECT_FALSE(IntersectRect(&overlap, &main_place, &object_place)) << object_place.left << "," << object_place.top;
  EXPECT_EQ(object_place.top, main_place.top);
  EXPECT_EQ(SendMessageW(window[o.object_type], EM_GETLIMITTEXT, 0, 0), 6);
  EXPECT_EQ(SendMessageW(window[o.object_name], EM_GETLIMITTEXT, 0, 0), 200);

  window.TypeInto(o.object_type, "0x1f0x");
  SendMessageW(object_window, WM_CLOSE, 0, 0);
  window.Pump();
  EXPECT_EQ(window.window.object_window(), object_window);
  ASSERT_EQ(window.host.messages.size(), 1u);
  EXPECT_NE(Utf8(window.host.messages[0].text).find("\"0x1f0x\""), std::string::npos);
  EXPECT_EQ(Bytes(folder.path / "object.txt"), before);

  SetForegroundWindow(object_window);
  SetFocus(window[o.object_type]);
  window.Pump();
  PressKey(VK_ESCAPE);
  for (int i = 0; i < 50 && window.window.object_window(); ++i) {
    window.Pump();
    Sleep(10);
  }
  EXPECT_EQ(window.window.object_window(), nullptr);
  EXPECT_EQ(window.window.model().object_window(), nullptr);
  EXPECT_FALSE(IsWindow(object_window));
  EXPECT_EQ(Bytes(folder.path / "object.txt"), before);
  EXPECT_EQ(window.ListLine(c.object_list, 0), "Тропинка");
}

// A caption that is cut: the control is narrower than its text in its own font (plus
// the check box's square or the button's edges). Captions that wrap (two lines high)
// are left out.
std::vector<std::string> CutCaptions(HWND window) {
  std::vector<std::string> cut;
  auto check = [&cut](HWND control) {
    if (!IsWindowVisible(control)) return;
    wchar_t class_name[16] = {};
    GetClassNameW(control, class_name, 16);
    bool is_static = lstrcmpiW(class_name, L"Static") == 0;
    LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    bool push = !is_static && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
    bool box = !is_static && type == BS_AUTOCHECKBOX;
    if (!is_static && lstrcmpiW(class_name, L"Button") != 0) return;
    if (!is_static && !push && !box) return;
    int length = GetWindowTextLengthW(control);
    if (length <= 0) return;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client{};
    GetClientRect(control, &client);
    if (!push && client.bottom >= 2 * metrics.tmHeight) return;  // wraps
    int needed = extent.cx + (push ? 2 * GetSystemMetrics(SM_CXEDGE) + 2 : box ? GetSystemMetrics(SM_CXMENUCHECK) + 2 : 0);
    if (client.right < needed) {
      cut.push_back(Cp1251ToUtf8(TextFromWide(text)) + " (" + std::to_string(client.right) + " < " +
                    std::to_string(needed) + ")");
    }
  };
  EnumChildWindows(
      window,
      [](HWND control, LPARAM check_one) {
        (*reinterpret_cast<decltype(check)*>(check_one))(control);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&check));
  return cut;
}

// The system's message font changed for a test, then put back.
class MessageFontChange {
 public:
  explicit MessageFontChange(const std::function<void(LOGFONTW&)>& change) {
    saved_.cbSize = sizeof(saved_);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0);
    NONCLIENTMETRICSW changed = saved_;
    change(changed.lfMessageFont);
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(changed), &changed, 0);
  }
  ~MessageFontChange() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0); }

 private:
  NONCLIENTMETRICSW saved_{};
};

// Every caption shows whole in the system's font (and in a wider one: bold and
// larger), in every panel, and so does the longest progress text of "Конвертировать все".
TEST_F(Win32Window, EveryCaptionShowsWhole) {
  struct Font {
    const char* what;
    std::function<void(LOGFONTW&)> change;
  };
  const Font fonts[] = {
      {"the system's font", [](LOGFONTW&) {}},
      {"bold and larger",
       [](LOGFONTW& font) {
         font.lfWeight = FW_BOLD;
         font.lfHeight = font.lfHeight * 5 / 4;
       }},
  };
  for (const Font& font : fonts) {
    SCOPED_TRACE(font.what);
    MessageFontChange change(font.change);
    Window window(folder);
    ui::MainWindowControls& c = window.controls();
    const ui::MainControl steps[] = {nullptr,
                                     &ui::MainWindowControls::convert_button,
                                     &ui::MainWindowControls::georeference_button,
                                     &ui::MainWindowControls::compiler_settings_button,
                                     &ui::MainWindowControls::crop_button,
                                     &ui::MainWindowControls::test_map_button};
    for (ui::MainControl step : steps) {
      if (step) window.Click(c.*step);
      SCOPED_TRACE(step ? (c.*step).name() : "welcome");
      std::vector<std::string> cut = CutCaptions(window.window.hwnd());
      EXPECT_TRUE(cut.empty()) << testing::PrintToString(cut);
    }
    window.window.model().controls().progress_percent.SetText(Ru("карта 2 из 2: 100"));
    window.Pump();
    EXPECT_TRUE(CutCaptions(window[c.progress_frame]).empty())
        << testing::PrintToString(CutCaptions(window[c.progress_frame]));
  }
}

// The visible controls under `parent` that stand outside their parent or on a visible
// sibling, with their places. A frame's group box fills its container and is left out
// of the siblings.
std::vector<std::string> CrowdedControls(HWND parent) {
  std::vector<std::string> crowded;
  auto describe = [](HWND control) {
    wchar_t class_name[16] = {};
    GetClassNameW(control, class_name, 16);
    RECT place = Window::Place(control);
    std::string text = ui::win32::ControlText(control);
    return Cp1251ToUtf8(TextFromWide(class_name)) + " \"" + Cp1251ToUtf8(text.substr(0, 24)) + "\" (" +
           std::to_string(place.left) + "," + std::to_string(place.top) + "," + std::to_string(place.right) + "," +
           std::to_string(place.bottom) + ")";
  };
  auto is_frame = [](HWND control) {
    wchar_t class_name[16] = {};
    GetClassNameW(control, class_name, 16);
    return lstrcmpiW(class_name, L"Button") == 0 && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
  };
  RECT inside{};
  GetClientRect(parent, &inside);
  std::vector<HWND> shown;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT place = Window::Place(child);
    if (place.left < inside.left || place.top < inside.top || place.right > inside.right ||
        place.bottom > inside.bottom) {
      crowded.push_back(describe(child) + " outside its parent");
    }
    if (!is_frame(child)) shown.push_back(child);
    std::vector<std::string> below = CrowdedControls(child);
    crowded.insert(crowded.end(), below.begin(), below.end());
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      RECT a = Window::Place(shown[i]), b = Window::Place(shown[j]), common{};
      if (IntersectRect(&common, &a, &b)) crowded.push_back(describe(shown[i]) + " on " + describe(shown[j]));
    }
  }
  return crowded;
}

// The conversion panel with each of the frames that take turns below its option boxes
// keeps every control inside its parent and apart from the others, at 96, 144 and 192
// DPI and in a larger bold system font.
TEST_F(Win32Window, ConversionPanelKeepsItsControlsInsideAndApart) {
  struct Font {
    const char* what;
    std::function<void(LOGFONTW&)> change;
  };
  const Font fonts[] = {
      {"the system's font", [](LOGFONTW&) {}},
      {"bold and larger",
       [](LOGFONTW& font) {
         font.lfWeight = FW_BOLD;
         font.lfHeight = font.lfHeight * 5 / 4;
       }},
  };
  // The panel as it opens, then with each frame; the option boxes show with the
  // georeferencing and give their place to the other frames.
  const std::pair<ui::MainControl, bool> steps[] = {{nullptr, true},
                                                    {&ui::MainWindowControls::georeference_button, true},
                                                    {&ui::MainWindowControls::compiler_settings_button, false},
                                                    {&ui::MainWindowControls::header_template_button, false}};
  for (const Font& font : fonts) {
    MessageFontChange change(font.change);
    for (UINT dpi : {96u, 144u, 192u}) {
      SCOPED_TRACE(std::string(font.what) + " at " + std::to_string(dpi) + " DPI");
      Window window(folder);
      ui::MainWindowControls& c = window.controls();
      HWND hwnd = window.window.hwnd();
      if (dpi != 96) {
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        RECT suggested{frame.left, frame.top, frame.left + MulDiv(frame.right - frame.left, static_cast<int>(dpi), 96),
                       frame.top + MulDiv(frame.bottom - frame.top, static_cast<int>(dpi), 96)};
        SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        window.Pump();
      }
      window.Click(c.convert_button);
      for (const auto& [frame, option_boxes] : steps) {
        if (frame) window.Click(c.*frame);
        SCOPED_TRACE(frame ? (c.*frame).name() : "as it opens");
        EXPECT_EQ(window.Visible(c.to_wgs84), option_boxes);
        std::vector<std::string> crowded = CrowdedControls(window[c.conversion_panel]);
        EXPECT_TRUE(crowded.empty()) << testing::PrintToString(crowded);
        // The panel itself ends above the operation buttons.
        EXPECT_LE(window.Place(c.conversion_panel).bottom, window.Place(window.window.operations_area()).top);
      }
    }
  }
}

// The keyboard: Tab goes down the controls in their order, Enter presses the focused
// button, Esc asks a run to stop, Alt+F4 closes the window as "ВЫХОД" does.
TEST_F(Win32Window, KeyboardMovesThroughTheControlsAndPressesButtons) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  auto key = [&](UINT virtual_key) {
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, virtual_key, 0);
    PostMessageW(focus, WM_KEYUP, virtual_key, 0xC0000000);
    window.Pump();
  };
  SetForegroundWindow(window.window.hwnd());
  SetFocus(window[c.convert_button]);
  key(VK_TAB);
  EXPECT_EQ(GetFocus(), window[c.crop_button]);
  key(VK_TAB);
  EXPECT_EQ(GetFocus(), window[c.test_map_button]);
  SetFocus(window[c.convert_button]);
  key(VK_RETURN);
  EXPECT_TRUE(window.Visible(c.conversion_panel));
  SetFocus(window[c.crop_button]);
  key(VK_RETURN);
  EXPECT_TRUE(window.Visible(c.crop_panel));
  key(VK_ESCAPE);  // nothing runs: nothing to stop, the window stays
  EXPECT_FALSE(window.window.closed());
  SendMessageW(window.window.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(window.window.closed());
  EXPECT_EQ(folder.Setting("Window", "Maximized"), "0");
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// Tab passes over a greyed box (the column count while it is taken from the header)
// and stops at it again once it can be typed into.
TEST_F(Win32Window, TabPassesOverGreyedBoxes) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  SetForegroundWindow(window.window.hwnd());
  auto tab_from = [&](const ui::UiControl& control) {
    SetFocus(window[control]);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(GetFocus(), WM_KEYUP, VK_TAB, 0xC0000000);
    window.Pump();
    return GetFocus();
  };
  window.window.model().controls().column_count_from_header.SetCheck(1);
  window.Pump();
  ASSERT_FALSE(window.window.model().controls().column_count.enabled());
  EXPECT_EQ(tab_from(c.convert_all_button), window[c.column_count_from_header]);
  window.window.model().controls().column_count_from_header.SetCheck(0);
  window.Pump();
  ASSERT_TRUE(window.window.model().controls().column_count.enabled());
  EXPECT_EQ(tab_from(c.convert_all_button), window[c.column_count]);
}

// The test map's path has its "…" too; the open dialog offers no "read-only" box.
TEST_F(Win32Window, OpenDialogOfTheTestMapHasNoReadOnlyBox) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.test_map_button);
  HWND browse = window.window.browse_button(c.test_map_path);
  ASSERT_NE(browse, nullptr);
  EXPECT_TRUE(IsWindowVisible(browse));
  // The dialog is modal inside the click: another thread looks at it and closes it.
  DWORD ui_thread = GetCurrentThreadId();
  std::atomic<int> read_only_box{-1};  // -1 no dialog seen, 0 hidden or none, 1 shown
  std::thread watcher([&] {
    for (int i = 0; i < 200 && read_only_box < 0; ++i) {
      Sleep(50);
      EnumThreadWindows(
          ui_thread,
          [](HWND candidate, LPARAM seen) {
            wchar_t class_name[16] = {};
            GetClassNameW(candidate, class_name, 16);
            if (lstrcmpW(class_name, L"#32770") != 0 || !IsWindowVisible(candidate)) return TRUE;
            HWND box = GetDlgItem(candidate, chx1);
            reinterpret_cast<std::atomic<int>*>(seen)->store(box && IsWindowVisible(box) ? 1 : 0);
            PostMessageW(candidate, WM_COMMAND, IDCANCEL, 0);
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&read_only_box));
    }
  });
  SendMessageW(browse, BM_CLICK, 0, 0);
  watcher.join();
  EXPECT_EQ(read_only_box.load(), 0);
}

// Moved to a screen of another DPI, the window takes the size the system suggests and
// lays itself out again in the larger font: the left column grows with it, the lists
// still fill the rest.
TEST_F(Win32Window, DpiChangeScalesTheLayout) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  HWND hwnd = window.window.hwnd();
  int column_before = window.Place(c.convert_button).right;
  RECT frame{};
  GetWindowRect(hwnd, &frame);
  RECT suggested{frame.left, frame.top, frame.left + (frame.right - frame.left) * 3 / 2,
                 frame.top + (frame.bottom - frame.top) * 3 / 2};
  SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  window.Pump();
  RECT now{};
  GetWindowRect(hwnd, &now);
  EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
  int column_after = window.Place(c.convert_button).right;
  EXPECT_NEAR(column_after, column_before * 3 / 2, column_before / 10);
  EXPECT_NEAR(window.window.twips_per_pixel(), 10.0, 0.01);
  RECT area{}, type_list{};
  GetClientRect(GetParent(window[c.type_list]), &area);
  type_list = window.Place(c.type_list);
  EXPECT_EQ(type_list.right, area.right);
  EXPECT_EQ(type_list.bottom, area.bottom);
}

// A window shorter than the left column scrolls the column; the lists beside it stay.
TEST_F(Win32Window, ShortWindowScrollsTheLeftColumn) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  int lists_left = window.Place(window.window.objects_area()).left;
  SetWindowPos(window.window.hwnd(), nullptr, 0, 0, 1100, 420, SWP_NOMOVE | SWP_NOZORDER);
  window.Pump();
  RECT client{};
  GetClientRect(window.window.hwnd(), &client);
  EXPECT_LE(client.bottom, 420);
  HWND viewport = window.window.left_scroll();
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(viewport, SB_VERT, &info));
  EXPECT_GT(info.nMax + 1, static_cast<int>(info.nPage));  // something to scroll
  EXPECT_EQ(window.Place(window.window.objects_area()).left, lists_left);
  RECT exit_before = window.Place(c.exit_button);
  SendMessageW(viewport, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  window.Pump();
  RECT column{};
  GetWindowRect(window.window.left_column(), &column);
  RECT shown{};
  GetWindowRect(viewport, &shown);
  EXPECT_LT(column.top, shown.top);  // moved up
  RECT exit_button{};
  GetWindowRect(window[c.exit_button], &exit_button);
  EXPECT_LE(exit_button.bottom, shown.bottom);  // the operation buttons come into view
  EXPECT_EQ(window.Place(c.exit_button).top, exit_before.top);  // within their column
}

// What the screen shows of a control: the number of its pixels that differ from its
// face colour (a blank button shows none: no caption, no edge).
int InkOnScreen(HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  HDC screen = GetDC(nullptr);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  int ink = 0;
  for (int y = place.top + 2; y < place.bottom - 2; ++y) {
    for (int x = place.left + 2; x < place.right - 2; ++x) {
      if (GetPixel(screen, x, y) != face) ++ink;
    }
  }
  ReleaseDC(nullptr, screen);
  return ink;
}

// After a maximize of a short window whose left column was scrolled, the parts the
// layout moved are drawn at once: the operation buttons show their captions.
TEST_F(Win32Window, PartsMovedByALayoutAreDrawnAtOnce) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  HWND hwnd = window.window.hwnd();
  window.Click(c.convert_button);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 1100, 420, SWP_NOZORDER);
  window.Pump();
  SendMessageW(window.window.left_scroll(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  window.Pump();
  ShowWindow(hwnd, SW_MAXIMIZE);
  window.Pump();
  UpdateWindow(hwnd);
  window.Pump();
  for (const ui::UiControl* button : {&c.convert_button, &c.exit_button, &c.map_button}) {
    EXPECT_GT(InkOnScreen(window[*button]), 20) << button->name();
  }
  ShowWindow(hwnd, SW_RESTORE);
  window.Pump();
}

// Closing the window stores its place; the next window opens there.
TEST_F(Win32Window, WindowOpensWhereItWasClosed) {
  {
    Window window(folder);
    SetWindowPos(window.window.hwnd(), nullptr, 40, 30, 1150, 900, SWP_NOZORDER);
    window.Pump();
    SendMessageW(window.window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.window.closed());
    // The quit message of the closed window is not the next test's.
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  EXPECT_NE(folder.Setting("Window", "Maximized"), "");
  Window reopened(folder);
  RECT place{};
  GetWindowRect(reopened.window.hwnd(), &place);
  EXPECT_EQ(place.right - place.left, 1150);
  EXPECT_EQ(place.bottom - place.top, 900);
  EXPECT_EQ(place.left, 40);
  EXPECT_EQ(place.top, 30);
}

// A stored place larger than the screen's work area (stored on a larger screen or at a
// smaller scale) opens inside it, title bar and bottom row in reach.
TEST_F(Win32Window, PlaceLargerThanTheScreenOpensInsideIt) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const std::pair<const char*, long> place[] = {{"Left", work.left + 150},
                                               {"Top", work.top - 40},
                                               {"Width", work.right - work.left + 700},
                                               {"Height", work.bottom - work.top + 400},
                                               {"Maximized", 0}};
  for (const auto& [key, value] : place) WriteSetting(folder.text(), "Window", key, std::to_string(value));
  Window window(folder);
  RECT outer{};
  GetWindowRect(window.window.hwnd(), &outer);
  EXPECT_GE(outer.left, work.left);
  EXPECT_GE(outer.top, work.top);
  EXPECT_LE(outer.right, work.right);
  EXPECT_LE(outer.bottom, work.bottom);
}

}  // namespace
}  // namespace mirvex::test
