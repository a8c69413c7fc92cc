// How a dictionary record is shown as a line of the object list, and how the object
// description is read back from such a line.
#pragma once

#include <string>
#include <string_view>

#include "dictionary/object_record.h"

namespace mirvex {

// The record's line in the object list: "[region] name (type)", preceded by "L" and
// the level and "--" when the level is not 0 ("L2--[0x20] Дорога (0x01)"). Fields are
// shown trimmed; a field never written shows as empty.
std::string DisplayLine(const ObjectRecord& record);

// The same without the level prefix, as the default-type box shows it.
std::string DisplayLineWithoutLevel(const ObjectRecord& record);

// A display line is "[region] name (type)", after an optional level prefix "L", the
// level's digits and "--"; any other line is a raw object description.
bool IsDisplayLine(std::string_view line);

// The description an editing action works on: a display line's name (the text after
// "] " up to the last "(", its blank included; the lookups trim it), or the whole line
// when it is a raw description. Every form the object list shows reads back here, so
// no record is ever named after a display line.
std::string DescriptionOfLine(std::string_view line);

}  // namespace mirvex
