// Renders each panel of the native Windows window to BMP files (scripts/bmp-to-png.py
// turns them into PNG): mirvex_win32_screenshots OUTPUT_DIR [SCALE_PERCENT]. The
// window works on a copy of the shipped program folder with the sample map.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/cp1251.h"
#include "base/platform.h"
#include "tests/screenshot_tour.h"
#include "ui/win32/main_window_win32.h"
#include "ui/win32/win32_host.h"

namespace fs = std::filesystem;

namespace {

// A message goes to the error output instead of a modal box.
class ScreenHost : public mirvex::ui::win32::Win32Host {
 public:
  void ShowMessage(const std::string& text, const std::string&, mirvex::MessageIcon) override {
    std::fprintf(stderr, "%s\n", mirvex::Cp1251ToUtf8(text).c_str());
  }
  void Beep() override {}
};

// The window as it is drawn on the screen, into a 24-bit BMP file.
void Shoot(HWND window, const fs::path& file) {
  mirvex::ui::win32::PumpMessages(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  mirvex::ui::win32::PumpMessages(window);
  Sleep(100);
  mirvex::ui::win32::PumpMessages(window);
  RECT area{};
  GetWindowRect(window, &area);
  int width = area.right - area.left, height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + static_cast<DWORD>(stride * height);
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&header), sizeof(header));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  fs::path out = argv[1];
  fs::create_directories(out);
  fs::path data = MIRVEX_SOURCE_DATA;
  fs::path home = mirvex::test::ScreenshotProgramFolder(data);

  ScreenHost host;
  mirvex::ui::win32::Win32MainWindow window(host, mirvex::PathText(home));
  host.set_owner(window.hwnd());
  mirvex::ui::MainWindow& model = window.model();
  std::string sample = mirvex::PathText(data / "sample" / "sample");
  model.controls().mif_path.SetText(sample + ".mif");
  model.controls().mid_path.SetText(sample + ".mid");
  model.controls().result_path.SetText(mirvex::PathText(home / "sample.mp"));
  model.OnSavePathsClicked();
  window.Show();
  SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
  mirvex::test::ScreenshotTour(model, [&](const char* name) { Shoot(window.hwnd(), out / (std::string(name) + ".bmp")); });
  model.OnObjectListDoubleClicked(1);
  if (window.object_window()) Shoot(window.object_window(), out / "object-window.bmp");
  // A narrow, short window: the left column keeps its width, the lists what is left.
  SetWindowPos(window.hwnd(), nullptr, 0, 0, 900, 600, SWP_NOMOVE | SWP_NOZORDER);
  Shoot(window.hwnd(), out / "small-window.bmp");

  // The map window on the conversion panel: the sample MIF coloured by the dictionary,
  // with the tooltip of an object under the mouse.
  model.OnConvertClicked();
  model.OnMapClicked();
  mirvex::ui::win32::Win32MapWindow* map = window.map_window();
  if (!map) return 1;
  mirvex::ui::win32::PumpMessages(window.hwnd());
  HWND canvas = map->canvas();
  RECT area{};
  GetClientRect(canvas, &area);
  mirvex::ui::MapWindow& map_model = model.map_window();
  for (int y = area.bottom / 3; y < area.bottom; y += 4) {
    int x = area.right / 3;
    for (; x < area.right && map_model.TooltipAt(x, y).empty(); x += 4) {
    }
    if (x < area.right) {
      SendMessageW(canvas, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
      break;
    }
  }
  Shoot(map->hwnd(), out / "map-conversion.bmp");

  // The converted sample on the crop panel, a rectangle drawn on it with the mouse.
  model.OnConvertClicked();
  model.OnCropClicked();
  model.OnCopyResultClicked();
  mirvex::ui::MainWindowControls& controls = model.controls();
  for (mirvex::ui::UiControl* box :
       {&controls.crop_west, &controls.crop_north, &controls.crop_east, &controls.crop_south}) {
    box->SetText("");
  }
  mirvex::ui::win32::PumpMessages(window.hwnd());
  GetClientRect(canvas, &area);
  auto mouse = [&](UINT message, WPARAM keys, int x, int y) {
    SendMessageW(canvas, message, keys, MAKELPARAM(x, y));
    mirvex::ui::win32::PumpMessages(window.hwnd());
  };
  mouse(WM_LBUTTONDOWN, MK_LBUTTON, area.right * 30 / 100, area.bottom * 28 / 100);
  mouse(WM_MOUSEMOVE, MK_LBUTTON, area.right * 50 / 100, area.bottom * 50 / 100);
  mouse(WM_LBUTTONUP, 0, area.right * 68 / 100, area.bottom * 70 / 100);
  Shoot(map->hwnd(), out / "map-crop.bmp");
  return 0;
}
