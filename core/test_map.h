// The test map: a Garmin text map with one object for every type code of a range,
// laid out side by side and labelled with its code, to see how a receiver draws each.
#pragma once

#include <cstdint>
#include <string>

#include "core/convert.h"

namespace mirvex {

// BinToHex: d in lower-case hexadecimal without leading zeros or prefix ("0" for 0,
// "c350" for 50000). A negative d is written as its 32-bit two's complement.
std::string BinToHex(std::int32_t d);

// Writes the test map into the file named in `Combo4`, which must already exist: 128
// polygons, 128 polylines and 50001 points. A missing file is reported and nothing
// is created; a file that cannot be written is reported and left as it was. Returns
// kCompleted after the completion message.
OperationStatus WriteTestMap(OperationContext& context);

}  // namespace mirvex
