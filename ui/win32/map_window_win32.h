// The "Карта" window as a native Windows window: a toolbar of the model's buttons and
// its progress bar, a canvas that paints the map with GDI and forwards the mouse, the
// legend of the map's colours under it and the status below, bound to the headless MapWindow as the main window binds its model.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/map_window.h"
#include "ui/win32/win32_binding.h"
#include "ui/win32/win32_metrics.h"

namespace mirvex::ui::win32 {

class Win32MapWindow {
 public:
  // Creates the window (hidden), owned by `owner`: it stays above it and goes with it.
  Win32MapWindow(MapWindow& model, WindowHost& host, HWND owner);
  ~Win32MapWindow();
  Win32MapWindow(const Win32MapWindow&) = delete;
  Win32MapWindow& operator=(const Win32MapWindow&) = delete;

  // Shows the window (beside its owner the first time) or brings it to the front.
  void Show();
  // Hides the window as its close box does; the model frees the map.
  void Close();

  HWND hwnd() const { return hwnd_; }
  HWND canvas() const { return canvas_; }
  HWND tooltip() const { return tooltip_; }
  // The band under the canvas that holds the legend of the colours.
  HWND legend() const { return legend_; }
  // The native control bound to a control of the model (its fit button, its status).
  HWND widget(const UiControl& control) const { return binder_.Find(control); }
  // The colour of a canvas pixel as the last paint left it (black outside the canvas).
  COLORREF PaintedPixel(int x, int y) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK CanvasProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK LegendProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleCanvas(UINT message, WPARAM wparam, LPARAM lparam);

  HWND Child(const wchar_t* window_class, DWORD style, const char* name, DWORD ex_style = 0);
  void ApplyDpi(UINT dpi);
  void Layout();
  int TextWidth(const std::string& cp1251) const;
  void Paint();
  // Paints the legend into `dc` (the band's own, or the one WM_PRINTCLIENT hands over).
  void PaintLegendBand(HDC dc);
  // The mouse: a press captures it until its button is let go.
  void Press(LPARAM lparam, MouseButton button);
  void Release(LPARAM lparam, MouseButton button);
  void UpdateCursor(int x, int y);
  void UpdateTooltip(int x, int y);
  void HideTooltip();

  MapWindow& model_;
  WindowHost& host_;
  HWND owner_;
  Binder binder_;
  HWND hwnd_ = nullptr;
  HWND canvas_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND legend_ = nullptr;
  int legend_height_ = 0;  // for the font and DPI of the window
  UINT dpi_ = 96;
  DialogUnits units_;
  HFONT font_ = nullptr;
  int position_width_ = 0;  // of the place under the mouse, pixels
  bool placed_ = false;  // shown once: later opens keep the place the user left
  bool pressed_ = false;
  MouseButton pressed_button_ = MouseButton::kLeft;
  bool tracking_leave_ = false;
  std::wstring tooltip_text_;
  // The back buffer: a top-down 32-bit DIB the canvas is painted into, then copied.
  HDC buffer_dc_ = nullptr;
  HBITMAP buffer_ = nullptr;
  HGDIOBJ buffer_old_ = nullptr;
  std::uint32_t* buffer_bits_ = nullptr;
  int buffer_width_ = 0, buffer_height_ = 0;
};

}  // namespace mirvex::ui::win32
