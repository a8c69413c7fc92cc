// The colours the map view shares between its legend and its drawing. Internal to
// mapview/.
#pragma once

#include "mapview/map_view.h"

namespace mirvex::mapview {

inline constexpr Rgba kLabelColour{20, 20, 20, 255};
inline constexpr Rgba kCropStroke{230, 90, 0, 255};

}  // namespace mirvex::mapview
