#include "ui/win32/gdi_map_painter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/platform.h"

namespace mirvex::ui::win32 {

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

}  // namespace

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
