#include "ui/win32/gdi_map_painter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/platform.h"

namespace mirvex::ui::win32 {

using mapview::DrawCommand;
using mapview::DrawList;
using mapview::DrawShape;
using mapview::DrawStyle;
using mapview::LegendEntry;
using mapview::MapView;
using mapview::Rgba;
using mapview::ScreenPoint;

namespace {

COLORREF Colour(const Rgba& rgba) { return RGB(rgba.r, rgba.g, rgba.b); }

// GDI takes coordinates up to 2^27; a vertex far off the canvas (a deep zoom) is held
// well inside that, which changes nothing that shows.
constexpr float kFarthest = 1 << 24;

POINT At(const ScreenPoint& point) {
  auto clamp = [](float value) {
    if (!(value == value)) return 0L;  // not a number
    return static_cast<LONG>(std::lround(std::clamp(value, -kFarthest, kFarthest)));
  };
  return {clamp(point.x), clamp(point.y)};
}

int PenWidth(float width) { return std::max(1, static_cast<int>(std::lround(width))); }

// The pens and brushes of one paint, made once per colour and width.
class Tools {
 public:
  ~Tools() {
    for (auto& [key, pen] : pens_) DeleteObject(pen);
    for (auto& [key, brush] : brushes_) DeleteObject(brush);
  }
  HPEN Pen(const Rgba& colour, float width) {
    std::pair<COLORREF, int> key{Colour(colour), PenWidth(width)};
    HPEN& pen = pens_[key];
    if (!pen) {
      LOGBRUSH brush{BS_SOLID, key.first, 0};
      pen = key.second == 1 ? CreatePen(PS_SOLID, 1, key.first)
                            : ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                           static_cast<DWORD>(key.second), &brush, 0, nullptr);
    }
    return pen;
  }
  HBRUSH Brush(const Rgba& colour) {
    HBRUSH& brush = brushes_[Colour(colour)];
    if (!brush) brush = CreateSolidBrush(Colour(colour));
    return brush;
  }

 private:
  std::map<std::pair<COLORREF, int>, HPEN> pens_;
  std::map<COLORREF, HBRUSH> brushes_;
};

// Fills a shape in a translucent colour: the area under the shape is copied into a
// layer, the shape filled there opaquely, and the layer blended back with the colour's
// alpha (outside the shape the layer equals the canvas, so only the shape changes).
template <typename Fill>
void FillTranslucent(HDC dc, RECT box, const Rgba& colour, Tools& tools, int width, int height, Fill fill) {
  RECT canvas{0, 0, width, height};
  if (!IntersectRect(&box, &box, &canvas)) return;
  int w = box.right - box.left, h = box.bottom - box.top;
  HDC layer = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old_bitmap = SelectObject(layer, bitmap);
  BitBlt(layer, 0, 0, w, h, dc, box.left, box.top, SRCCOPY);
  SetViewportOrgEx(layer, -box.left, -box.top, nullptr);
  SetPolyFillMode(layer, ALTERNATE);
  HGDIOBJ old_pen = SelectObject(layer, GetStockObject(NULL_PEN));
  HGDIOBJ old_brush = SelectObject(layer, tools.Brush(colour));
  fill(layer);
  SelectObject(layer, old_brush);
  SelectObject(layer, old_pen);
  SetViewportOrgEx(layer, 0, 0, nullptr);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, colour.a, 0};
  AlphaBlend(dc, box.left, box.top, w, h, layer, 0, 0, w, h, blend);
  SelectObject(layer, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(layer);
}

// A colour with alpha below 255 as it shows over an opaque `under`.
COLORREF Over(const Rgba& colour, COLORREF under) {
  auto mix = [&](int top, int bottom) { return (top * colour.a + bottom * (255 - colour.a) + 127) / 255; };
  return RGB(mix(colour.r, GetRValue(under)), mix(colour.g, GetGValue(under)), mix(colour.b, GetBValue(under)));
}

RECT Bounds(const std::vector<POINT>& points) {
  RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
  for (const POINT& p : points) {
    box.left = std::min(box.left, p.x);
    box.top = std::min(box.top, p.y);
    box.right = std::max(box.right, p.x + 1);
    box.bottom = std::max(box.bottom, p.y + 1);
  }
  return box;
}

// The legend's band and frame, and its entries in columns of this many rows.
constexpr COLORREF kLegendBackground = RGB(248, 248, 248);
constexpr COLORREF kLegendFrame = RGB(160, 160, 160);
constexpr int kLegendRows = 4;

}  // namespace

int LegendHeight(HDC dc, HFONT font, UINT dpi) {
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  auto scaled = [dpi](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), 96); };
  return kLegendRows * (static_cast<int>(metrics.tmHeight) + scaled(4)) + scaled(12);
}

void PaintLegend(HDC dc, const RECT& band, HFONT font, UINT dpi) {
  auto scaled = [dpi](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), 96); };
  std::vector<LegendEntry> legend = MapView::Legend();
  Tools tools;
  int saved = SaveDC(dc);
  IntersectClipRect(dc, band.left, band.top, band.right, band.bottom);
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  HPEN frame = CreatePen(PS_SOLID, 1, kLegendFrame);
  HBRUSH background = CreateSolidBrush(kLegendBackground);
  SelectObject(dc, frame);
  SelectObject(dc, background);
  Rectangle(dc, band.left, band.top, band.right, band.bottom);

  std::vector<std::wstring> captions;
  int column_width = 0;
  for (const LegendEntry& entry : legend) {
    captions.push_back(WideText(entry.caption));
    SIZE size{};
    GetTextExtentPoint32W(dc, captions.back().c_str(), static_cast<int>(captions.back().size()), &size);
    column_width = std::max(column_width, static_cast<int>(size.cx) + scaled(48));
  }
  // A translucent colour is mixed with the band's grey, which is all that lies under a sample.
  auto shown = [](const Rgba& colour) {
    COLORREF mixed = Over(colour, kLegendBackground);
    return Rgba{GetRValue(mixed), GetGValue(mixed), GetBValue(mixed), 255};
  };
  auto pen = [&](const DrawStyle& style) {
    if (style.stroke.a == 0 || style.width <= 0) return GetStockObject(NULL_PEN);
    return static_cast<HGDIOBJ>(tools.Pen(shown(style.stroke), style.width));
  };
  auto brush = [&](const DrawStyle& style) {
    if (style.fill.a == 0) return GetStockObject(NULL_BRUSH);
    return static_cast<HGDIOBJ>(tools.Brush(shown(style.fill)));
  };

  int line = static_cast<int>(metrics.tmHeight) + scaled(4);
  for (std::size_t i = 0; i < legend.size(); ++i) {
    const LegendEntry& entry = legend[i];
    const DrawStyle& style = entry.style;
    int x = static_cast<int>(band.left) + scaled(8) + static_cast<int>(i / kLegendRows) * column_width;
    int y = static_cast<int>(band.top) + scaled(6) + static_cast<int>(i % kLegendRows) * line;
    RECT sample{x, y + scaled(2), x + scaled(24), y + line - scaled(4)};
    int middle = (sample.top + sample.bottom - 1) / 2;
    switch (entry.shape) {
      case DrawShape::kPolyline:
        SelectObject(dc, pen(style));
        MoveToEx(dc, sample.left, middle, nullptr);
        LineTo(dc, sample.right, middle);
        break;
      case DrawShape::kPointSymbol: {
        int side = PenWidth(style.width);
        int left = (sample.left + sample.right) / 2 - side / 2, top = middle - side / 2;
        RECT square{left, top, left + side, top + side};
        if (style.fill.a > 0) FillRect(dc, &square, static_cast<HBRUSH>(brush(style)));
        break;
      }
      case DrawShape::kLabel:
        SetTextColor(dc, Over(style.stroke, kLegendBackground));
        SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
        DrawTextW(dc, L"Aa", 2, &sample, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
        break;
      default:
        SelectObject(dc, pen(style));
        SelectObject(dc, brush(style));
        Rectangle(dc, sample.left, sample.top, sample.right, sample.bottom);
        break;
    }
    SetTextColor(dc, RGB(0, 0, 0));
    const std::wstring& caption = captions[i];
    TextOutW(dc, sample.right + scaled(8), y + static_cast<int>(metrics.tmAscent) + scaled(2), caption.c_str(),
             static_cast<int>(caption.size()));
  }
  RestoreDC(dc, saved);
  DeleteObject(frame);
  DeleteObject(background);
}

void PaintDrawList(HDC dc, const DrawList& list, HFONT label_font, int width, int height) {
  Tools tools;
  SetPolyFillMode(dc, ALTERNATE);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  HGDIOBJ old_font = SelectObject(dc, label_font);
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  std::vector<POINT> points;
  std::vector<INT> rings;
  auto take_points = [&](const DrawCommand& command) {
    points.clear();
    std::uint32_t end = std::min<std::uint64_t>(std::uint64_t{command.first_point} + command.point_count,
                                                list.points.size());
    for (std::uint32_t i = command.first_point; i < end; ++i) points.push_back(At(list.points[i]));
  };
  // Fills (opaque or blended) and outlines a shape drawn by `shape` with the selected tools.
  auto fill_and_stroke = [&](const DrawStyle& style, auto shape) {
    bool stroke = style.stroke.a > 0 && style.width > 0;
    if (style.fill.a > 0 && style.fill.a < 255) {
      FillTranslucent(dc, Bounds(points), style.fill, tools, width, height, shape);
    }
    bool opaque = style.fill.a == 255;
    if (!opaque && !stroke) return;
    SelectObject(dc, opaque ? static_cast<HGDIOBJ>(tools.Brush(style.fill)) : GetStockObject(NULL_BRUSH));
    SelectObject(dc, stroke ? static_cast<HGDIOBJ>(tools.Pen(style.stroke, style.width)) : GetStockObject(NULL_PEN));
    shape(dc);
  };

  for (const DrawCommand& command : list.commands) {
    take_points(command);
    if (points.empty()) continue;
    const DrawStyle& style = command.style;
    switch (command.shape) {
      case DrawShape::kPolygon: {
        rings.clear();
        std::size_t counted = 0;
        for (std::uint32_t r = command.first_ring;
             r < command.first_ring + command.ring_count && r < list.ring_sizes.size(); ++r) {
          std::size_t size = std::min<std::size_t>(list.ring_sizes[r], points.size() - counted);
          if (size == 0) break;
          rings.push_back(static_cast<INT>(size));
          counted += size;
        }
        if (rings.empty()) {
          rings.push_back(static_cast<INT>(points.size()));
          counted = points.size();
        }
        fill_and_stroke(style, [&](HDC target) {
          PolyPolygon(target, points.data(), rings.data(), static_cast<int>(rings.size()));
        });
        break;
      }
      case DrawShape::kPolyline:
        if (points.size() < 2 || style.stroke.a == 0) break;
        SelectObject(dc, tools.Pen(style.stroke, style.width));
        Polyline(dc, points.data(), static_cast<int>(points.size()));
        break;
      case DrawShape::kPointSymbol: {
        int side = PenWidth(style.width);
        POINT centre = points[0];
        LONG left = centre.x - side / 2, top = centre.y - side / 2;
        points = {{left, top}, {left + side, top + side}};
        DrawStyle square = style;
        square.width = 1;
        fill_and_stroke(square, [&](HDC target) { Rectangle(target, left, top, left + side, top + side); });
        break;
      }
      case DrawShape::kLabel: {
        std::wstring text = WideText(command.text);
        SetTextColor(dc, Colour(style.stroke));
        TextOutW(dc, points[0].x, points[0].y, text.c_str(), static_cast<int>(text.size()));
        break;
      }
      case DrawShape::kRectangle: {
        if (points.size() < 2) break;
        LONG left = std::min(points[0].x, points[1].x), right = std::max(points[0].x, points[1].x);
        LONG top = std::min(points[0].y, points[1].y), bottom = std::max(points[0].y, points[1].y);
        fill_and_stroke(style, [&](HDC target) { Rectangle(target, left, top, right + 1, bottom + 1); });
        break;
      }
    }
  }
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_font);
}

}  // namespace mirvex::ui::win32
