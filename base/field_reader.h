// The comma-separated field reader of MID files (and of the crop's text maps).
#pragma once

#include <string>

#include "base/text_reader.h"

namespace mirvex {

// Reads the next field into `value`. Blanks before the field are skipped. A field
// that begins with a double quotation mark runs to the closing mark, a doubled mark
// inside standing for one mark; whatever follows the closing mark up to the
// delimiter is dropped. Any other field ends at the delimiter or a line end (CR LF,
// LF or CR). The delimiter or line end is consumed. An empty line gives an empty
// field. Returns false, with an empty value, when the input was already at its end.
bool ReadField(TextReader& reader, char delimiter, std::string& value);

}  // namespace mirvex
