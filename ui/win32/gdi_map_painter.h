// Paints the map view's drawing commands with GDI, as the Qt window paints them with
// QPainter.
#pragma once

#include <windows.h>

#include "ui/map_view.h"

namespace mirvex::ui::win32 {

// Paints `list` onto `dc` (a canvas of `width` x `height` pixels, already cleared):
// regions with PolyPolygon in ALTERNATE fill mode (a ring inside another is a hole),
// polylines with pens of the style's width, point symbols as squares, labels in
// `label_font` on a transparent background, the crop rectangle on top. A colour with
// alpha below 255 is blended onto what lies under it (AlphaBlend of a fill layer).
void PaintDrawList(HDC dc, const DrawList& list, HFONT label_font, int width, int height);

}  // namespace mirvex::ui::win32
