// Cropping a Garmin text map to a latitude/longitude rectangle.
#pragma once

#include <string_view>

#include "core/convert.h"

namespace mirvex {

struct CropBounds {
  double north = 0, south = 0, west = 0, east = 0;
};

// A bound typed as degrees, a point and minutes: 60.30 is 60.5 degrees, 60.5 is 60
// degrees 50 minutes. The minutes are added to the degrees also when these are
// negative (-5.30 gives -4.5).
double DegreesMinutes(std::string_view text);

// CompareFun: true when the latitude lies strictly between south and north and the
// longitude strictly between west and east; a point on an edge is outside.
bool CompareFun(const CropBounds& bounds, double latitude, double longitude);

// Crops the map named in `Text1` to the rectangle of `Text2`..`Text5` into `Text6`.
// The header is carried over; of each object only the pairs inside are kept, and the
// object is written when its last pair lies inside and enough pairs remain. The result
// replaces `Text6` only when it was written completely.
OperationStatus CropMap(OperationContext& context);

}  // namespace mirvex
