#include "ui/crop_rectangle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "garmin/map_crop.h"
#include "settings/operation_options.h"

namespace mirvex::ui {

std::string DegreesMinutesText(double degrees) {
  if (!std::isfinite(degrees)) return "0.0000";
  // Far beyond any map (a damaged file): kept where the arithmetic below stays exact.
  degrees = std::clamp(degrees, -1e9, 1e9);
  // In hundredths of a minute, then split so that the minutes are never negative.
  double hundredths = std::round(degrees * 6000);
  double whole = std::floor(hundredths / 6000);
  long long minutes = static_cast<long long>(hundredths - whole * 6000);
  char text[64];
  std::snprintf(text, sizeof text, "%.0f.%02lld%02lld", whole, minutes / 100, minutes % 100);
  return text;
}

bool CropRectangle::SetTexts(const CropBoundTexts& texts) {
  // The same reading as the crop's own, so the rectangle is what the crop will cut.
  CropOptions options = CropOptionsFrom([&](std::string_view key) -> std::string {
    if (key == "Koord2") return texts.west;
    if (key == "Koord3") return texts.north;
    if (key == "Koord4") return texts.east;
    if (key == "Koord5") return texts.south;
    return {};
  });
  if (!options.west || !options.north || !options.east || !options.south) {
    view_.ClearCrop();
    return false;
  }
  view_.SetCropRectangle(CropBounds{*options.north, *options.south, *options.west, *options.east});
  return true;
}

CropBoundTexts CropRectangle::Texts() const {
  const std::optional<CropBounds>& crop = view_.crop_rectangle();
  if (!crop) return {};
  return {DegreesMinutesText(crop->west), DegreesMinutesText(crop->north), DegreesMinutesText(crop->east),
          DegreesMinutesText(crop->south)};
}

namespace {
double ToHundredthOfMinute(double degrees) { return std::round(degrees * 6000) / 6000; }
}  // namespace

CropBoundTexts CropRectangle::SetFromScreen(double x1, double y1, double x2, double y2) {
  mapview::MapPoint a = view_.ToMap(x1, y1), b = view_.ToMap(x2, y2);
  CropBoundTexts texts{DegreesMinutesText(std::min(a.x, b.x)), DegreesMinutesText(std::max(a.y, b.y)),
                       DegreesMinutesText(std::max(a.x, b.x)), DegreesMinutesText(std::min(a.y, b.y))};
  SetTexts(texts);
  return texts;
}

RectanglePart CropRectangle::PartAt(double screen_x, double screen_y, double tolerance) const {
  const std::optional<CropBounds>& crop = view_.crop_rectangle();
  if (!crop) return RectanglePart::kNone;
  mapview::ScreenPoint nw = view_.ToScreen({crop->west, crop->north});
  mapview::ScreenPoint se = view_.ToScreen({crop->east, crop->south});
  double left = std::min(nw.x, se.x), right = std::max(nw.x, se.x);
  double top = std::min(nw.y, se.y), bottom = std::max(nw.y, se.y);
  if (screen_x < left - tolerance || screen_x > right + tolerance || screen_y < top - tolerance ||
      screen_y > bottom + tolerance) {
    return RectanglePart::kNone;
  }
  bool west = std::fabs(screen_x - left) <= tolerance, east = !west && std::fabs(screen_x - right) <= tolerance;
  bool north = std::fabs(screen_y - top) <= tolerance, south = !north && std::fabs(screen_y - bottom) <= tolerance;
  if (north && west) return RectanglePart::kNorthWest;
  if (north && east) return RectanglePart::kNorthEast;
  if (south && west) return RectanglePart::kSouthWest;
  if (south && east) return RectanglePart::kSouthEast;
  if (west) return RectanglePart::kWest;
  if (east) return RectanglePart::kEast;
  if (north) return RectanglePart::kNorth;
  if (south) return RectanglePart::kSouth;
  return RectanglePart::kInside;
}

CropBoundTexts CropRectangle::Drag(RectanglePart part, double dx, double dy) {
  const std::optional<CropBounds>& crop = view_.crop_rectangle();
  if (!crop || part == RectanglePart::kNone) return Texts();
  double mx = dx / (view_.scale() * view_.aspect()), my = -dy / view_.scale();
  CropBounds b = *crop;
  bool all = part == RectanglePart::kInside;
  if (all || part == RectanglePart::kWest || part == RectanglePart::kNorthWest || part == RectanglePart::kSouthWest)
    b.west += mx;
  if (all || part == RectanglePart::kEast || part == RectanglePart::kNorthEast || part == RectanglePart::kSouthEast)
    b.east += mx;
  if (all || part == RectanglePart::kNorth || part == RectanglePart::kNorthWest || part == RectanglePart::kNorthEast)
    b.north += my;
  if (all || part == RectanglePart::kSouth || part == RectanglePart::kSouthWest || part == RectanglePart::kSouthEast)
    b.south += my;
  if (b.west > b.east) std::swap(b.west, b.east);
  if (b.south > b.north) std::swap(b.south, b.north);
  CropBoundTexts texts{DegreesMinutesText(ToHundredthOfMinute(b.west)), DegreesMinutesText(ToHundredthOfMinute(b.north)),
                       DegreesMinutesText(ToHundredthOfMinute(b.east)), DegreesMinutesText(ToHundredthOfMinute(b.south))};
  SetTexts(texts);
  return texts;
}

}  // namespace mirvex::ui
