// The styles of the map view: the colour and width of each kind of object, the
// legend that explains them, and the label font the drawing places labels by.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "mapview/map_styles.h"
#include "mapview/map_view.h"

namespace mirvex::mapview {

namespace {

constexpr Rgba kRegionStroke{70, 120, 60, 255};
constexpr Rgba kRegionFill{200, 230, 190, 255};
constexpr Rgba kPolylineStroke{40, 60, 140, 255};
constexpr Rgba kPointStroke{150, 40, 30, 255};
constexpr Rgba kUnassignedStroke{220, 0, 140, 255};
constexpr Rgba kUnassignedFill{250, 190, 225, 255};
constexpr Rgba kLeftOutStroke{165, 165, 165, 255};
constexpr Rgba kLeftOutFill{232, 232, 232, 255};

}  // namespace

DrawStyle MapView::StyleOf(MapObjectKind kind, Assignment assignment, int level) {
  DrawStyle style;
  float width = 1.0f + static_cast<float>(std::clamp(level, 0, 3)) * 0.75f;
  switch (kind) {
    case MapObjectKind::kRegion:
      style.fill = kRegionFill;
      style.stroke = kRegionStroke;
      style.width = 1;
      break;
    case MapObjectKind::kPolyline:
      style.stroke = kPolylineStroke;
      style.width = width;
      break;
    case MapObjectKind::kPoint:
      style.fill = kPointStroke;
      style.stroke = kPointStroke;
      style.width = 5;
      break;
  }
  if (assignment == Assignment::kUnassigned) {
    style.stroke = kUnassignedStroke;
    if (kind != MapObjectKind::kPolyline) style.fill = kind == MapObjectKind::kRegion ? kUnassignedFill : kUnassignedStroke;
    if (kind == MapObjectKind::kPolyline) style.width = std::max(width, 2.0f);
  } else if (assignment == Assignment::kLeftOut) {
    style.stroke = kLeftOutStroke;
    if (kind != MapObjectKind::kPolyline) style.fill = kind == MapObjectKind::kRegion ? kLeftOutFill : kLeftOutStroke;
  }
  return style;
}

std::vector<LegendEntry> MapView::Legend() {
  DrawStyle label;
  label.stroke = kLabelColour;
  DrawStyle crop;
  crop.stroke = kCropStroke;
  crop.width = 2;
  return {
      {DrawShape::kPolygon, StyleOf(MapObjectKind::kRegion, Assignment::kAssigned, 0), Ru("Полигон [RGN80]")},
      {DrawShape::kPolyline, StyleOf(MapObjectKind::kPolyline, Assignment::kAssigned, 0), Ru("Линия [RGN40]")},
      {DrawShape::kPointSymbol, StyleOf(MapObjectKind::kPoint, Assignment::kAssigned, 0), Ru("Точка [RGN10]")},
      {DrawShape::kPolygon, StyleOf(MapObjectKind::kRegion, Assignment::kUnassigned, 0),
       Ru("Описания нет в словаре (тип по умолчанию)")},
      {DrawShape::kPolygon, StyleOf(MapObjectKind::kRegion, Assignment::kLeftOut, 0),
       Ru("Словарь исключает объект из карты")},
      {DrawShape::kLabel, label, Ru("Подпись")},
      {DrawShape::kRectangle, crop, Ru("Область обрезки")},
  };
}

void MapView::SetLabelFont(float average_char_width, float line_height) {
  if (std::isfinite(average_char_width) && average_char_width > 0) label_char_width_ = average_char_width;
  if (std::isfinite(line_height) && line_height > 0) label_line_height_ = line_height;
}

const std::string& MapView::TypicalLabel() {
  static const std::string text = Ru("Ольховка ул. Речная Школа 2");
  return text;
}

}  // namespace mirvex::mapview
