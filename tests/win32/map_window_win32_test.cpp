// The native "Карта" window, driven by the messages the mouse and the keys send (under
// Wine, with a display): the rectangle drawn on the canvas crops as the command line
// does, the canvas paints the map, the legend of its colours stands under it, the wheel
// zooms, Esc stops a load, and the window opens, closes and goes with the main window. Also the host's "run soon" queue the
// map's loads go through.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "mapview/map_view.h"
#include "tests/test_support.h"
#include "tests/win32/program_folder.h"
#include "ui/crop_rectangle.h"
#include "ui/win32/main_window_win32.h"
#include "ui/win32/map_window_win32.h"
#include "ui/win32/win32_binding.h"
#include "ui/win32/win32_host.h"
#include "ui/win32/win32_metrics.h"
#include "ui/window_place.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;
using ui::win32::Win32MainWindow;
using ui::win32::Win32MapWindow;

const fs::path kData = MIRVEX_SOURCE_DATA;
const fs::path kTestData = MIRVEX_TEST_DATA;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The window's own host, whose RunSoon posts to the main window as in the program;
// messages are recorded instead of shown in modal boxes.
class TestHost : public ui::win32::Win32Host {
 public:
  void ShowMessage(const std::string& text, const std::string&, MessageIcon) override { messages.push_back(text); }
  void Beep() override {}
  bool Confirm(const std::string&, const std::string&) override { return true; }
  void ProcessEvents() override {
    if (during_load) during_load();
    Win32Host::ProcessEvents();
  }
  std::vector<std::string> messages;
  std::function<void()> during_load;
};

struct Window {
  explicit Window(const ProgramFolder& folder) : window(host, PathText(folder.path)) {
    host.set_owner(window.hwnd());
    window.Show();
  }
  ~Window() {
    Pump();
    // The quit message of a closed window is not the next test's.
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  void Pump() { ui::win32::PumpMessages(window.hwnd()); }
  ui::MainWindowControls& controls() { return window.model().controls(); }
  ui::MapWindowControls& map_controls() { return window.model().map_window().controls(); }
  // A control of the main window or of the map window.
  HWND operator[](const ui::UiControl& control) const {
    HWND hwnd = window.widget(control);
    EXPECT_NE(hwnd, nullptr) << control.name();
    return hwnd;
  }
  void Click(const ui::UiControl& control) {
    SendMessageW((*this)[control], BM_CLICK, 0, 0);
    Pump();
  }
  void TypeInto(const ui::UiControl& box, const std::string& cp1251) {
    HWND control = (*this)[box];
    SetWindowTextW(control, WideText(cp1251).c_str());
    wchar_t class_name[16] = {};
    GetClassNameW(control, class_name, 16);
    if (lstrcmpiW(class_name, L"ComboBox") == 0) {
      SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_EDITCHANGE),
                   reinterpret_cast<LPARAM>(control));
    }
    Pump();
  }
  std::string Text(const ui::UiControl& control) const { return ui::win32::ControlText((*this)[control]); }
  // Opens the map window with "Карта" and lets its load run (it starts after the click).
  Win32MapWindow& OpenMap() {
    Click(controls().map_button);
    Pump();
    Win32MapWindow* map = window.map_window();
    EXPECT_NE(map, nullptr);
    return *map;
  }
  ui::MapWindow& map_model() { return window.model().map_window(); }
  SIZE Canvas() {
    RECT client{};
    GetClientRect(window.map_window()->canvas(), &client);
    return {client.right, client.bottom};
  }
  // A mouse message to the canvas at a point of its client area.
  void Mouse(UINT message, WPARAM keys, int x, int y) {
    SendMessageW(window.map_window()->canvas(), message, keys, MAKELPARAM(x, y));
    Pump();
  }
  // Makes the canvas paint now, into its back buffer and onto the screen.
  void PaintCanvas() {
    RedrawWindow(window.map_window()->canvas(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
  }

  TestHost host;
  Win32MainWindow window;
};

// What a window paints of its client area when asked with WM_PRINTCLIENT, read back from
// a 32-bit bitmap first filled with a colour no painting uses.
struct Printed {
  static constexpr COLORREF kUnpainted = RGB(1, 2, 3);
  explicit Printed(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    width = client.right;
    height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH unpainted = CreateSolidBrush(kUnpainted);
    FillRect(dc, &client, unpainted);
    DeleteObject(unpainted);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
      std::uint32_t pixel = pixels[i];
      colours.push_back(RGB((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
  COLORREF At(int x, int y) const { return colours[static_cast<std::size_t>(y) * width + x]; }
  int Count(COLORREF colour) const { return static_cast<int>(std::count(colours.begin(), colours.end(), colour)); }
  // Pixels darker than the samples' light tints in every channel: text.
  int Dark() const {
    return static_cast<int>(std::count_if(colours.begin(), colours.end(), [](COLORREF c) {
      return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100 && c != kUnpainted;
    }));
  }
  int width = 0, height = 0;
  std::vector<COLORREF> colours;
};

COLORREF Colour(const mapview::Rgba& rgba) { return RGB(rgba.r, rgba.g, rgba.b); }

class Win32MapWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!GetSystemMetrics(SM_CXSCREEN)) GTEST_SKIP() << "no screen";
  }
  ProgramFolder folder;
};

// A rectangle drawn with the left button on the crop panel's map fills the four boxes
// with the corners under the mouse; "Редактировать карту" then crops to them exactly
// as `mirvex crop` does with the same four bounds.
TEST_F(Win32MapWindowTest, RectangleDrawnWithTheMouseCropsAsTheCommandLineDoes) {
  fs::copy_file(kTestData / "sample.expected.mp", folder.path / "map.mp");
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.crop_button);
  window.TypeInto(c.crop_map_path, folder.File("map.mp"));
  window.TypeInto(c.crop_result_path, folder.File("cut.mp"));
  // No rectangle yet: the press starts a new one wherever it is.
  for (ui::UiControl* box : {&c.crop_west, &c.crop_north, &c.crop_east, &c.crop_south}) window.TypeInto(*box, "");
  Win32MapWindow& map = window.OpenMap();
  ui::MapWindow& model = window.map_model();
  ASSERT_FALSE(model.loading());
  ASSERT_FALSE(model.view().empty());
  EXPECT_TRUE(model.crop_mode());

  SIZE canvas = window.Canvas();
  ASSERT_GT(canvas.cx, 200);
  ASSERT_GT(canvas.cy, 200);
  int x1 = canvas.cx * 3 / 10, y1 = canvas.cy / 4, x2 = canvas.cx * 7 / 10, y2 = canvas.cy * 65 / 100;
  mapview::MapPoint upper_left = model.view().ToMap(x1, y1), lower_right = model.view().ToMap(x2, y2);
  window.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, x1, y1);
  EXPECT_EQ(GetCapture(), map.canvas());
  window.Mouse(WM_MOUSEMOVE, MK_LBUTTON, (x1 + x2) / 2, (y1 + y2) / 2);
  window.Mouse(WM_MOUSEMOVE, MK_LBUTTON, x2, y2);
  window.Mouse(WM_LBUTTONUP, 0, x2, y2);
  EXPECT_EQ(GetCapture(), nullptr);

  std::string west = window.Text(c.crop_west), north = window.Text(c.crop_north);
  std::string east = window.Text(c.crop_east), south = window.Text(c.crop_south);
  EXPECT_EQ(west, ui::DegreesMinutesText(upper_left.x));
  EXPECT_EQ(north, ui::DegreesMinutesText(upper_left.y));
  EXPECT_EQ(east, ui::DegreesMinutesText(lower_right.x));
  EXPECT_EQ(south, ui::DegreesMinutesText(lower_right.y));

  window.Click(c.crop_button);
  ASSERT_TRUE(fs::exists(folder.path / "cut.mp")) << (window.host.messages.empty() ? "" : window.host.messages.back());
  ScratchDir home;
  fs::copy_file(kData / "sample/mirvex.ini", home.path() / "mirvex.ini");
  fs::path expected = home.path() / "cut.mp";
  std::string err;
  ASSERT_EQ(RunMirvex({"crop", (folder.path / "map.mp").string(), expected.string(), "--home", home.path().string(),
                       "--set", "Koord2=" + west, "--set", "Koord3=" + north, "--set", "Koord4=" + east, "--set",
                       "Koord5=" + south, "--quiet"},
                      nullptr, &err),
            0)
      << err;
  std::string cut = Bytes(folder.path / "cut.mp");
  EXPECT_EQ(cut, Bytes(expected));
  // Something inside and something left out.
  EXPECT_NE(cut.find("[RGN"), std::string::npos);
  EXPECT_LT(cut.size(), Bytes(folder.path / "map.mp").size());
}

// The sample MIF on the conversion panel paints in several colours; a wheel notch over
// the canvas zooms in by the model's step at the point under the mouse, and back out.
TEST_F(Win32MapWindowTest, CanvasPaintsTheMapAndTheWheelZoomsAtTheMouse) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  std::string sample = PathText(kData / "sample" / "sample");
  window.TypeInto(c.mif_path, sample + ".mif");
  window.TypeInto(c.mid_path, sample + ".mid");
  Win32MapWindow& map = window.OpenMap();
  ui::MapWindow& model = window.map_model();
  ASSERT_FALSE(model.view().empty());
  window.PaintCanvas();

  SIZE canvas = window.Canvas();
  int painted = 0, seen = 0;
  std::set<COLORREF> colours;
  for (int y = 0; y < canvas.cy; y += 3) {
    for (int x = 0; x < canvas.cx; x += 3) {
      COLORREF pixel = map.PaintedPixel(x, y);
      ++seen;
      if (pixel != RGB(255, 255, 255)) ++painted;
      colours.insert(pixel);
    }
  }
  EXPECT_GT(painted, seen / 100) << "painted " << painted << " of " << seen;
  EXPECT_GE(colours.size(), 3u);

  // Sent to the window itself: the wheel goes to the focus, which passes it on.
  int x = canvas.cx / 2 + 40, y = canvas.cy / 2 - 30;
  POINT screen{x, y};
  ClientToScreen(map.canvas(), &screen);
  double scale = model.view().scale();
  mapview::MapPoint under = model.view().ToMap(x, y);
  SendMessageW(map.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
  window.Pump();
  EXPECT_NEAR(model.view().scale() / scale, std::exp2(1 / ui::MapWindow::kStepsPerDoubling), 1e-9);
  mapview::MapPoint still = model.view().ToMap(x, y);
  EXPECT_NEAR(still.x, under.x, 1e-9);
  EXPECT_NEAR(still.y, under.y, 1e-9);
  SendMessageW(map.canvas(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)),
               MAKELPARAM(screen.x, screen.y));
  window.Pump();
  EXPECT_NEAR(model.view().scale() / scale, 1 / std::exp2(1 / ui::MapWindow::kStepsPerDoubling), 1e-9);
  // A turn outside the canvas does not zoom.
  double now = model.view().scale();
  RECT frame{};
  GetWindowRect(map.hwnd(), &frame);
  SendMessageW(map.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(frame.left + 2, frame.bottom - 2));
  window.Pump();
  EXPECT_EQ(model.view().scale(), now);
}

// The labels as GDI draws them in the canvas's font stand apart; the place under the
// mouse shows its longest text whole; the window opens beside the main window.
TEST_F(Win32MapWindowTest, LabelsStandApartAndTheStatusShowsWhole) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  ui::MapWindowControls& m = window.map_controls();
  SetWindowPos(window.window.hwnd(), nullptr, 0, 0, 900, 700, SWP_NOZORDER);
  // A row of points whose labels are of wide letters: by an average letter they seem
  // to fit between their neighbours, in the font they do not.
  std::string mif = "Columns 3\r\nData\r\n\r\n", mid;
  for (int i = 0; i < 80; ++i) {
    mif += "Point " + std::to_string(36.0 + i * 0.0125) + " 50.0\r\n";
    mid += Ru("\"Школа\",\"ШЖЩШЖЩШЖ\",\"\"\r\n");
  }
  mif += "Point 36.0 49.9\r\nPoint 37.0 50.1\r\n";
  mid += "\"\",\"\",\"\"\r\n\"\",\"\",\"\"\r\n";
  std::ofstream(folder.path / "wide.mif", std::ios::binary) << mif;
  std::ofstream(folder.path / "wide.mid", std::ios::binary) << mid;
  window.Click(c.convert_button);
  window.TypeInto(c.mif_path, PathText(folder.path / "wide.mif"));
  window.TypeInto(c.mid_path, PathText(folder.path / "wide.mid"));
  Win32MapWindow& map = window.OpenMap();
  ui::MapWindow& model = window.map_model();
  ASSERT_FALSE(model.view().empty());

  // Beside the main window by the rule both windows follow (not over it).
  RECT main_place{}, map_place{};
  GetWindowRect(window.window.hwnd(), &main_place);
  GetWindowRect(map.hwnd(), &map_place);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window.window.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  ui::ScreenRect beside = ui::PlaceBeside(
      map_place.right - map_place.left, map_place.bottom - map_place.top,
      {main_place.left, main_place.top, main_place.right - main_place.left, main_place.bottom - main_place.top},
      ui::FrameMargins{}, {work.left, work.top, work.right - work.left, work.bottom - work.top});
  EXPECT_EQ(map_place.left, beside.left);
  EXPECT_EQ(map_place.top, beside.top);

  HWND status = window[m.map_position];
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(status, WM_GETFONT, 0, 0));
  HDC dc = GetDC(status);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  auto extent = [&](const std::string& cp1251) {
    std::wstring text = WideText(cp1251);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  };
  mapview::DrawList list = model.view().Draw();
  std::vector<RECT> labels;
  for (const mapview::DrawCommand& command : list.commands) {
    if (command.shape != mapview::DrawShape::kLabel) continue;
    const mapview::ScreenPoint& at = list.points[command.first_point];
    int x = static_cast<int>(std::lround(at.x)), y = static_cast<int>(std::lround(at.y));
    labels.push_back({x, y - metrics.tmAscent, x + extent(command.text), y + metrics.tmDescent});
  }
  EXPECT_GE(labels.size(), 3u);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    for (std::size_t j = i + 1; j < labels.size(); ++j) {
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &labels[i], &labels[j])) << i << " and " << j;
    }
  }

  const std::string longest = Ru("Широта -89.5959   Долгота -179.5959");
  model.controls().map_position.SetText(longest);
  window.Pump();
  RECT client{};
  GetClientRect(status, &client);
  EXPECT_GE(client.right, extent(longest));
  SelectObject(dc, old);
  ReleaseDC(status, dc);
}

// "+" and "-" zoom at the canvas's centre, the arrows move the map: keys pressed on the
// focused canvas, through the window's dialog keys.
TEST_F(Win32MapWindowTest, KeysZoomAndMoveTheMap) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  window.Click(c.convert_button);
  std::string sample = PathText(kData / "sample" / "sample");
  window.TypeInto(c.mif_path, sample + ".mif");
  window.TypeInto(c.mid_path, sample + ".mid");
  Win32MapWindow& map = window.OpenMap();
  ui::MapWindow& model = window.map_model();
  ASSERT_FALSE(model.view().empty());
  SIZE canvas = window.Canvas();
  auto key = [&](UINT virtual_key) {
    SetFocus(map.canvas());
    PostMessageW(map.canvas(), WM_KEYDOWN, virtual_key, 0);
    PostMessageW(map.canvas(), WM_KEYUP, virtual_key, 0xC0000000);
    window.Pump();
  };
  double scale = model.view().scale();
  mapview::MapPoint centre = model.view().ToMap(canvas.cx / 2.0, canvas.cy / 2.0);
  key(VK_ADD);
  EXPECT_NEAR(model.view().scale() / scale, std::exp2(1 / ui::MapWindow::kStepsPerDoubling), 1e-9);
  mapview::MapPoint still = model.view().ToMap(canvas.cx / 2.0, canvas.cy / 2.0);
  EXPECT_NEAR(still.x, centre.x, 1e-9);
  EXPECT_NEAR(still.y, centre.y, 1e-9);
  key(VK_OEM_MINUS);
  EXPECT_NEAR(model.view().scale(), scale, scale * 1e-9);

  // What lay an eighth of the canvas beyond the arrow's edge comes to the centre.
  struct Move {
    UINT key;
    double dx, dy;
  };
  for (const Move& move : {Move{VK_RIGHT, 1, 0}, Move{VK_LEFT, -1, 0}, Move{VK_DOWN, 0, 1}, Move{VK_UP, 0, -1}}) {
    mapview::MapPoint coming = model.view().ToMap(canvas.cx / 2.0 + move.dx * canvas.cx / 8.0,
                                             canvas.cy / 2.0 + move.dy * canvas.cy / 8.0);
    key(move.key);
    mapview::MapPoint now = model.view().ToMap(canvas.cx / 2.0, canvas.cy / 2.0);
    EXPECT_NEAR(now.x, coming.x, 1e-9) << move.key;
    EXPECT_NEAR(now.y, coming.y, 1e-9) << move.key;
  }
}

// The tooltip follows the mouse: over an object it shows the model's text for that
// point, over empty map it hides.
TEST_F(Win32MapWindowTest, TooltipShowsTheObjectUnderTheMouse) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  ui::MapWindowControls& m = window.map_controls();
  window.Click(c.convert_button);
  std::string sample = PathText(kData / "sample" / "sample");
  window.TypeInto(c.mif_path, sample + ".mif");
  window.TypeInto(c.mid_path, sample + ".mid");
  Win32MapWindow& map = window.OpenMap();
  ui::MapWindow& model = window.map_model();
  SIZE canvas = window.Canvas();
  POINT over{-1, -1}, empty{-1, -1};
  for (int y = 2; y < canvas.cy && (over.x < 0 || empty.x < 0); y += 5) {
    for (int x = 2; x < canvas.cx; x += 5) {
      bool has = !model.TooltipAt(x, y).empty();
      if (has && over.x < 0) over = {x, y};
      if (!has && empty.x < 0) empty = {x, y};
    }
  }
  ASSERT_GE(over.x, 0);
  ASSERT_GE(empty.x, 0);
  window.Mouse(WM_MOUSEMOVE, 0, over.x, over.y);
  std::wstring shown(1024, L'\0');
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = map.hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(map.canvas());
  tool.lpszText = shown.data();
  SendMessageW(map.tooltip(), TTM_GETTEXTW, shown.size(), reinterpret_cast<LPARAM>(&tool));
  shown.resize(wcslen(shown.c_str()));
  EXPECT_EQ(shown, WideText(model.TooltipAt(over.x, over.y)));
  EXPECT_TRUE(IsWindowVisible(map.tooltip()));
  // The place under the mouse shows below the map.
  EXPECT_FALSE(window.Text(m.map_position).empty());
  window.Mouse(WM_MOUSEMOVE, 0, empty.x, empty.y);
  EXPECT_FALSE(IsWindowVisible(map.tooltip()));
}

// The legend of the colours stands between the canvas and the status, as wide as the
// canvas and overlapping neither, tall enough for four rows of the message font; every
// pixel of it is painted: the grey frame, the light band, each entry's sample in the
// colour the map uses for it, the captions in black. A resize and a DPI change lay it
// out again (at 150 % it is taller and its samples larger).
TEST_F(Win32MapWindowTest, LegendStandsBetweenTheCanvasAndTheStatusAndShowsTheColours) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  ui::MapWindowControls& m = window.map_controls();
  window.Click(c.convert_button);
  std::string sample = PathText(kData / "sample" / "sample");
  window.TypeInto(c.mif_path, sample + ".mif");
  window.TypeInto(c.mid_path, sample + ".mid");
  Win32MapWindow& map = window.OpenMap();
  ui::MapWindow& model = window.map_model();
  ASSERT_NE(map.legend(), nullptr);
  EXPECT_TRUE(IsWindowVisible(map.legend()));
  std::vector<mapview::LegendEntry> legend = mapview::MapView::Legend();
  ASSERT_FALSE(legend.empty());
  ASSERT_EQ(legend[0].shape, mapview::DrawShape::kPolygon);
  const COLORREF tint = Colour(legend[0].style.fill);

  // Checks the places and the painting; returns the band's height and the number of
  // pixels in the first entry's tint.
  auto check = [&](const char* when, UINT dpi) -> std::pair<int, int> {
    RECT canvas{}, band{}, status{}, overlap{};
    GetWindowRect(map.canvas(), &canvas);
    GetWindowRect(map.legend(), &band);
    GetWindowRect(window[m.map_status], &status);
    EXPECT_FALSE(IntersectRect(&overlap, &canvas, &band)) << when;
    EXPECT_LE(canvas.bottom, band.top) << when;
    EXPECT_LE(band.bottom, status.top) << when;
    EXPECT_EQ(band.left, canvas.left) << when;
    EXPECT_EQ(band.right, canvas.right) << when;
    EXPECT_GE(band.bottom - band.top, 4 * std::abs(ui::win32::MessageFont(dpi).lfHeight)) << when;
    // The map's viewport is the canvas alone.
    SIZE inside = window.Canvas();
    EXPECT_EQ(model.view().viewport_width(), inside.cx) << when;
    EXPECT_EQ(model.view().viewport_height(), inside.cy) << when;

    Printed printed(map.legend());
    EXPECT_EQ(printed.Count(Printed::kUnpainted), 0) << when;
    EXPECT_EQ(printed.At(0, 0), RGB(160, 160, 160)) << when;
    EXPECT_EQ(printed.At(printed.width - 1, printed.height - 1), RGB(160, 160, 160)) << when;
    EXPECT_EQ(printed.At(2, 2), RGB(248, 248, 248)) << when;
    for (const mapview::LegendEntry& entry : legend) {
      if (entry.shape == mapview::DrawShape::kLabel) continue;  // "Aa" is text, drawn like a caption
      bool filled = entry.shape == mapview::DrawShape::kPolygon || entry.shape == mapview::DrawShape::kPointSymbol;
      COLORREF colour = Colour(filled ? entry.style.fill : entry.style.stroke);
      EXPECT_GE(printed.Count(colour), entry.shape == mapview::DrawShape::kPolygon ? 100 : 20)
          << when << ": " << Cp1251ToUtf8(entry.caption);
    }
    EXPECT_GE(printed.Dark(), 200) << when << ": the captions";
    return {band.bottom - band.top, printed.Count(tint)};
  };

  UINT dpi = static_cast<UINT>(1440 / window.window.twips_per_pixel());
  auto [height, tinted] = check("opened", dpi);

  RECT frame{};
  GetWindowRect(map.hwnd(), &frame);
  SetWindowPos(map.hwnd(), nullptr, 0, 0, (frame.right - frame.left) * 4 / 5, (frame.bottom - frame.top) * 4 / 5,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  window.Pump();
  EXPECT_EQ(check("made smaller", dpi).first, height);

  GetWindowRect(map.hwnd(), &frame);
  RECT suggested{frame.left, frame.top, frame.left + (frame.right - frame.left) * 3 / 2,
                 frame.top + (frame.bottom - frame.top) * 3 / 2};
  SendMessageW(map.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi * 3 / 2, dpi * 3 / 2), reinterpret_cast<LPARAM>(&suggested));
  window.Pump();
  auto [larger_height, larger_tinted] = check("at 150 %", dpi * 3 / 2);
  EXPECT_NEAR(larger_height, height * 3 / 2, height / 5 + 1);
  EXPECT_GT(larger_tinted, tinted * 3 / 2);
}

// Esc in the map window stops a long load: the map keeps what was read and says so.
TEST_F(Win32MapWindowTest, EscapeStopsALoad) {
  std::ofstream big(folder.path / "big.mp", std::ios::binary);
  big << "[IMG ID]\r\nID=1\r\n[END-IMG ID]\r\n";
  for (int i = 0; i < 300000; ++i) {
    big << "[RGN10]\r\nType=0x01\r\nData0=(" << 55 + (i % 1000) * 0.001 << "," << 37 + (i / 1000) * 0.001
        << ")\r\n[END]\r\n";
  }
  big.close();
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  ui::MapWindowControls& m = window.map_controls();
  window.Click(c.crop_button);
  window.TypeInto(c.crop_map_path, folder.File("big.mp"));
  bool pressed = false;
  window.host.during_load = [&] {
    Win32MapWindow* map = window.window.map_window();
    if (pressed || !map || !window.map_model().loading()) return;
    pressed = true;
    EXPECT_TRUE(IsWindowVisible(window[m.map_stop_button]));
    EXPECT_TRUE(IsWindowVisible(window[m.map_progress]));
    PostMessageW(map->canvas(), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(map->canvas(), WM_KEYUP, VK_ESCAPE, 0xC0000000);
  };
  window.OpenMap();
  window.host.during_load = nullptr;
  ASSERT_TRUE(pressed);
  ui::MapWindow& model = window.map_model();
  EXPECT_FALSE(model.loading());
  EXPECT_LT(model.view().objects_read(), 300000u);
  EXPECT_NE(Cp1251ToUtf8(window.Text(m.map_status)).find("чтение остановлено"), std::string::npos)
      << Cp1251ToUtf8(window.Text(m.map_status));
  EXPECT_FALSE(IsWindowVisible(window[m.map_stop_button]));
  EXPECT_FALSE(IsWindowVisible(window[m.map_progress]));
}

// The map window is owned by the main window: a second "Карта" brings the same window
// back, closing it hides it and frees the map (also with nothing shown), and closing
// the main window closes it too.
TEST_F(Win32MapWindowTest, OpensOwnedClosesAndGoesWithTheMainWindow) {
  Window window(folder);
  ui::MainWindowControls& c = window.controls();
  Win32MapWindow& map = window.OpenMap();  // the welcome panel: no map to show
  ui::MapWindow& model = window.map_model();
  EXPECT_TRUE(IsWindowVisible(map.hwnd()));
  EXPECT_EQ(GetWindow(map.hwnd(), GW_OWNER), window.window.hwnd());
  EXPECT_EQ(Cp1251ToUtf8(ui::win32::ControlText(map.hwnd())), "Карта");
  EXPECT_TRUE(model.open());
  RECT frame{};
  GetWindowRect(map.hwnd(), &frame);
  EXPECT_NEAR(frame.right - frame.left, MulDiv(900, static_cast<int>(1440 / window.window.twips_per_pixel()), 96), 2);

  SendMessageW(map.hwnd(), WM_CLOSE, 0, 0);
  window.Pump();
  EXPECT_FALSE(IsWindowVisible(map.hwnd()));
  EXPECT_FALSE(model.open());

  window.Click(c.convert_button);
  std::string sample = PathText(kData / "sample" / "sample");
  window.TypeInto(c.mif_path, sample + ".mif");
  window.TypeInto(c.mid_path, sample + ".mid");
  EXPECT_EQ(&window.OpenMap(), &map);
  EXPECT_TRUE(IsWindowVisible(map.hwnd()));
  EXPECT_FALSE(model.view().empty());
  EXPECT_EQ(Cp1251ToUtf8(ui::win32::ControlText(map.hwnd())), "Карта — sample.mif");
  // Closed in the middle of a drag: the capture goes, the map with it.
  RECT canvas{};
  GetClientRect(map.canvas(), &canvas);
  window.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, canvas.right / 2, canvas.bottom / 2);
  SendMessageW(map.hwnd(), WM_CLOSE, 0, 0);
  window.Pump();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(model.view().empty());

  window.OpenMap();
  EXPECT_TRUE(model.open());
  SendMessageW(window.window.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(window.window.closed());
  EXPECT_FALSE(model.open());
  EXPECT_TRUE(model.view().empty());
}

// Moved to a screen of another DPI, the map window takes the suggested size and lays
// out its toolbar and canvas in the larger font.
TEST_F(Win32MapWindowTest, DpiChangeScalesTheMapWindow) {
  Window window(folder);
  ui::MapWindowControls& m = window.map_controls();
  Win32MapWindow& map = window.OpenMap();
  RECT button{};
  GetWindowRect(window[m.map_fit_button], &button);
  int height_before = button.bottom - button.top;
  RECT frame{};
  GetWindowRect(map.hwnd(), &frame);
  RECT suggested{frame.left, frame.top, frame.left + (frame.right - frame.left) * 3 / 2,
                 frame.top + (frame.bottom - frame.top) * 3 / 2};
  SendMessageW(map.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  window.Pump();
  GetWindowRect(map.hwnd(), &frame);
  EXPECT_EQ(frame.right - frame.left, suggested.right - suggested.left);
  GetWindowRect(window[m.map_fit_button], &button);
  EXPECT_NEAR(button.bottom - button.top, height_before * 3 / 2, height_before / 5 + 1);
  SIZE canvas = window.Canvas();
  EXPECT_EQ(window.map_model().view().viewport_width(), canvas.cx);
  EXPECT_EQ(window.map_model().view().viewport_height(), canvas.cy);
}

// Tasks run "soon" wait for the main window's next messages, run in order, and are
// dropped with the window.
TEST_F(Win32MapWindowTest, TasksRunSoonWaitForTheNextMessageAndGoWithTheWindow) {
  Window window(folder);
  std::vector<int> ran;
  window.host.RunSoon([&] {
    ran.push_back(1);
    window.host.RunSoon([&] { ran.push_back(3); });
  });
  window.host.RunSoon([&] { ran.push_back(2); });
  EXPECT_TRUE(ran.empty());
  window.Pump();
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));

  window.host.RunSoon([&] { ran.push_back(4); });
  SendMessageW(window.window.hwnd(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(window.window.closed());
  window.host.RunSoon([&] { ran.push_back(5); });
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace mirvex::test
