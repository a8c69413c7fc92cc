#include "mapview/map_view.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/cp1251.h"
#include "base/text.h"
#include "mapview/draw_parts.h"
#include "mapview/map_summary.h"

namespace mirvex::mapview {

std::string MapObjectInfo::TooltipText() const {
  std::string line_break(kLineBreak);
  std::string text = section;
  if (!type.empty()) text += Ru(", тип ") + type;
  if (level > 0) text += Ru(", уровень ") + std::to_string(level);
  if (!label.empty()) text += line_break + Ru("Подпись: ") + label;
  if (!description.empty()) text += line_break + Ru("Описание: ") + description;
  if (assignment == Assignment::kUnassigned) text += line_break + Ru("Описания нет в словаре object.txt");
  if (assignment == Assignment::kLeftOut) text += line_break + Ru("Словарь исключает объект из карты");
  return text;
}

MapView::MapView() : summary_(std::make_unique<Summary>()) {}

MapView::~MapView() = default;

void MapView::Clear() {
  summary_ = std::make_unique<Summary>();
  draw_buffers_.reset();
  geographic_ = true;
  extent_ = {};
  has_extent_ = false;
  objects_read_ = 0;
  aspect_ = 1;
}

bool MapView::empty() const { return objects_read_ == 0; }

std::size_t MapView::summary_bytes() const { return summary_->bytes(); }

double MapView::CellSize(int level) const { return summary_->Cell(std::clamp(level, 0, kLevels - 1)); }

std::size_t MapView::StoredObjects(int level) const {
  return summary_->levels[static_cast<std::size_t>(std::clamp(level, 0, kLevels - 1))].objects.size();
}

void MapView::ResetView() {
  aspect_ = 1;
  if (geographic_ && has_extent_) {
    double middle = std::clamp((extent_.min_y + extent_.max_y) / 2, -85.0, 85.0);
    aspect_ = std::cos(middle * 3.14159265358979323846 / 180);
  }
  Fit();
}

}  // namespace mirvex::mapview
