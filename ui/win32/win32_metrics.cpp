#include "ui/win32/win32_metrics.h"

#include <algorithm>

namespace mirvex::ui::win32 {

LOGFONTW MessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  auto for_dpi = reinterpret_cast<ForDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  if (for_dpi && for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) return metrics.lfMessageFont;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  HDC screen = GetDC(nullptr);
  int system_dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), system_dpi);
  return metrics.lfMessageFont;
}

UINT WindowDpi(HWND hwnd) {
  using ForWindow = UINT(WINAPI*)(HWND);
  auto for_window = reinterpret_cast<ForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (for_window && hwnd) {
    UINT dpi = for_window(hwnd);
    if (dpi > 0) return dpi;
  }
  HDC screen = GetDC(nullptr);
  UINT dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  return dpi;
}

DialogUnits MeasureDialogUnits(HWND hwnd, HFONT font) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE alphabet{};
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &alphabet);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  DialogUnits units;
  units.x = std::max(1, static_cast<int>((alphabet.cx / 26 + 1) / 2));
  units.y = std::max(1, static_cast<int>(metrics.tmHeight));
  return units;
}

}  // namespace mirvex::ui::win32
