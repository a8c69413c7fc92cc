// The map view's reader as a fuzz target: any bytes read as a MIF with its MID and as
// a Garmin text map, then drawn, hit-tested and zoomed. Nothing may crash, the summary
// keeps to its budget, and every drawing command stays within its point list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/convert_target.h"
#include "fuzz/invariants.h"
#include "fuzz/view_conversion_check.h"
#include "mapview/map_view.h"
#include "ui/crop_rectangle.h"

namespace mirvex::fuzz {

namespace map_view_target {

// A small budget, so that inputs of a few kilobytes already make the summary coarsen.
inline constexpr std::size_t kBudget = 2u << 20;
// Separates the text map from the MIF/MID part of an input.
inline constexpr std::string_view kTextMapSeparator = "\n#MP#\n";

inline void CheckView(const mapview::MapView& view, const mapview::LoadResult& result) {
  Require(view.summary_bytes() <= kBudget, "the view's summary keeps to its memory budget");
  Require(result.status != mapview::LoadStatus::kStopped, "a load nobody stopped is not reported as stopped");
  mapview::DrawList list = view.Draw();
  for (const mapview::DrawCommand& command : list.commands) {
    Require(command.first_point + command.point_count <= list.points.size(), "a command's points exist");
    Require(command.first_ring + command.ring_count <= list.ring_sizes.size(), "a polygon's rings exist");
  }
  for (double x : {0.0, 100.0, 320.0, 639.0}) (void)view.ObjectAt(x, x * 0.75);
}

}  // namespace map_view_target

inline void FuzzMapView(std::string_view input) {
  using namespace map_view_target;
  static ScratchFolder folder("map_view");
  static const bool dictionary_written =
      (WriteBytes(folder.File("object.txt"), convert_target::DictionaryBytes()), true);
  (void)dictionary_written;

  std::uint8_t options_byte = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]);
  if (!input.empty()) input.remove_prefix(1);
  std::string_view mif = SplitAt(input, kMidSeparator);
  std::string_view mid = SplitAt(input, kTextMapSeparator);
  std::string_view text_map = input.empty() ? mif : input;
  WriteBytes(folder.File("map.mif"), mif);
  WriteBytes(folder.File("map.mid"), mid);
  WriteBytes(folder.File("map.mp"), text_map);

  ConversionOptions options;
  options.section_from_mif = options_byte & 1;
  options.column_count_from_header = options_byte & 2;
  options.column_count = (options_byte >> 2) & 7;
  options.type_column = 1;
  options.label_column = 2;
  options.georeference.enabled = options_byte & 0x80;
  options.georeference.upper_right_longitude = 10;
  options.georeference.upper_right_latitude = 10;

  RecordingHost host;
  mapview::MapView view;
  view.SetMemoryBudget(kBudget);
  view.SetViewportSize(640, 480);
  mapview::LoadResult result = view.LoadMif(folder.File("map.mif"), folder.File("map.mid"), options, folder.File(""), host);
  CheckView(view, result);
  CheckViewMatchesConversion(folder.File("map.mif"), folder.File("map.mid"), folder.File("converted.mp"), options,
                             folder.File(""));
  view.ZoomAt(10, 10, 64);
  ui::CropRectangle(view).SetFromScreen(5, 5, 300, 200);
  CheckView(view, result);

  result = view.LoadTextMap(folder.File("map.mp"), host);
  CheckView(view, result);
  view.Pan(-200, 120);
  view.ZoomAt(320, 240, 1.0 / 32);
  CheckView(view, result);
  Require(host.messages.empty(), "the view reports its problems in its notes, not in message boxes");
}

}  // namespace mirvex::fuzz
