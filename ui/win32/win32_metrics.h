// The system's measures both windows lay themselves out by: the DPI of a window and the
// message font at a DPI.
#pragma once

#include <windows.h>

namespace mirvex::ui::win32 {

// The message font of the system at a DPI (the per-monitor call where the system has it).
LOGFONTW MessageFont(UINT dpi);
// The DPI of the monitor a window is on (the system's DPI where the per-window call is
// missing, or for a null window).
UINT WindowDpi(HWND hwnd);

// Dialog units of a font: a quarter of its average character width and an eighth of its
// height, in pixels.
struct DialogUnits {
  int x = 7;   // average character width, pixels
  int y = 15;  // character height, pixels
  int X(int units) const { return MulDiv(units, x, 4); }
  int Y(int units) const { return MulDiv(units, y, 8); }
};
DialogUnits MeasureDialogUnits(HWND hwnd, HFONT font);

}  // namespace mirvex::ui::win32
