// Paints the map view's drawing commands and the legend of their colours with GDI, as
// the Qt window paints them with QPainter.
#pragma once

#include <windows.h>

#include "mapview/map_view.h"

namespace mirvex::ui::win32 {

// Paints `list` onto `dc` (a canvas of `width` x `height` pixels, already cleared):
// regions with PolyPolygon in ALTERNATE fill mode (a ring inside another is a hole),
// polylines with pens of the style's width, point symbols as squares, labels in
// `label_font` on a transparent background, the crop rectangle on top. A colour with
// alpha below 255 is blended onto what lies under it (AlphaBlend of a fill layer).
void PaintDrawList(HDC dc, const mapview::DrawList& list, HFONT label_font, int width, int height);

// The height in pixels of the legend band for `font` at `dpi`: four rows of text with
// their spacing and the margins.
int LegendHeight(HDC dc, HFONT font, UINT dpi);

// Paints the legend of MapView::Legend() into `band` on `dc`: a light grey band in a grey
// frame, the entries in columns of four rows, each a sample of its style (a line for a
// polyline, a square for a point symbol, "Aa" for a label, a filled rectangle otherwise)
// and its caption in `font`. Margins and samples scale with `dpi`; line widths and the
// point symbol keep the pixel sizes the canvas draws them with.
void PaintLegend(HDC dc, const RECT& band, HFONT font, UINT dpi);

}  // namespace mirvex::ui::win32
