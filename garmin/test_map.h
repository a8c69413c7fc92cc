// The test map: a Garmin text map with one object for every type code of a range,
// laid out side by side and labelled with its code, to see how a receiver draws each.
#pragma once

#include <cstdint>
#include <string>

#include "base/files.h"

namespace mirvex {

// d in lower-case hexadecimal without leading zeros or prefix ("0" for 0,
// "c350" for 50000). A negative d is written as its 32-bit two's complement.
std::string LowerHex(std::int32_t d);

// Writes the whole test map: its header, 128 polygons, 128 polylines and 50001 points.
void WriteTestMapContent(ResultFile& file);

}  // namespace mirvex
