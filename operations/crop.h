// The crop operation: a Garmin text map cut to a latitude/longitude rectangle.
#pragma once

#include <string>
#include <string_view>

#include "base/host.h"
#include "garmin/text_map_writer.h"
#include "operations/options.h"

namespace mirvex {

struct CropPaths {
  std::string map;     // the map to crop
  std::string result;  // the cropped map
};

// Crops the map to the rectangle of the options into the result. The header is carried
// over; of each object only the pairs inside are kept, and the object is written when
// its last pair lies inside and enough pairs remain; with `clip_objects`, polylines and
// regions are cut at the rectangle's edges instead (Cropper). The result is replaced only when
// it was written completely; a bound left empty is reported before anything is read.
// `written`, when given, receives the objects written by section.
OperationStatus CropMap(const CropPaths& paths, const CropOptions& options, std::string_view program_prefix,
                        Host& host, SectionCounts* written = nullptr);

}  // namespace mirvex
