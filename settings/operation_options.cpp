#include "settings/operation_options.h"

#include <cmath>

#include "base/text.h"
#include "garmin/map_crop.h"
#include "mapinfo/mid_reader.h"
#include "settings/system_keys.h"

namespace mirvex {

namespace {

int ColumnNumber(std::string_view text) {
  double column = RoundHalfEven(Value(text));
  if (!(column >= 0 && column < kMidFieldSlots)) return kNoColumn;
  return static_cast<int>(column);
}

std::optional<double> Bound(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return DegreesMinutes(text);
}

}  // namespace

ConversionOptions ConversionOptionsFrom(const SettingLookup& setting, std::string header_template) {
  auto ticked = [&](std::string_view key) { return CheckBoxValue(setting(key)) == 1; };
  auto number = [&](std::string_view key) { return Value(setting(key)); };
  ConversionOptions options;
  options.header_template = std::move(header_template);
  options.transliterate_labels = ticked("RusTransl");
  options.section_from_mif = ticked("TypeObj");
  options.column_count_from_header = ticked("AutoSet");
  options.column_count = ColumnCount(setting("KolSt"));
  options.type_column = ColumnNumber(setting("TypeSt"));
  options.label_column = ColumnNumber(setting("PodpSt"));
  options.no_labels = ticked("Podpis");
  options.raise_large_objects = ticked("PovObj");
  options.size_threshold = number("RazmObj");
  options.to_wgs84 = ticked("ToWgs84");
  GeoreferenceOptions& georeference = options.georeference;
  georeference.enabled = ticked("PrivazkaMap");
  georeference.lower_left_longitude = number("PrK1");
  georeference.lower_left_latitude = number("PrK2");
  georeference.upper_right_longitude = number("PrK3");
  georeference.upper_right_latitude = number("PrK4");
  georeference.rotation_degrees = number("UgolPovorot");
  return options;
}

CropOptions CropOptionsFrom(const SettingLookup& setting) {
  CropOptions options;
  options.west = Bound(setting("Koord2"));
  options.north = Bound(setting("Koord3"));
  options.east = Bound(setting("Koord4"));
  options.south = Bound(setting("Koord5"));
  options.clip_objects = CheckBoxValue(setting("CropClip")) == 1;
  return options;
}

}  // namespace mirvex
