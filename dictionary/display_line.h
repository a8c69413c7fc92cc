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

// A display line begins with "[" or has "[" as its fifth character (after a one-digit
// level prefix); any other line is a raw object description.
bool IsDisplayLine(std::string_view line);

// FindLastPosition: the 1-based position of the last occurrence of `needle` in
// `text` that starts no later than len(text) − needle_length + 1; 0 when there is none.
int FindLastPosition(int needle_length, std::string_view text, std::string_view needle);

// The description of a display line: the text between its first blank and its last
// "(" (the blank before "(" included; the lookups trim it). A display line without a
// blank or without "(" after it gives the whole line.
std::string NameFromDisplayLine(std::string_view line);

// The description an editing action works on: read back from a display line, or the
// whole line when it is a raw description.
std::string DescriptionOfLine(std::string_view line);

}  // namespace mirvex
