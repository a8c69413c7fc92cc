#include "core/text_map_writer.h"

#include <cmath>
#include <string_view>

#include "core/text.h"
#include "core/translit.h"

namespace mirvex {

namespace {

// A type never carries a NUL byte or a line break into the map: the text ends at
// the first NUL, line breaks become blanks.
std::string CleanType(std::string_view type) {
  std::string clean(type.substr(0, type.find('\0')));
  for (char& c : clean) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return clean;
}

// A label never carries a line break or a NUL byte: CR and LF become blanks, NUL
// bytes are dropped.
std::string CleanLabel(std::string_view label) {
  std::string clean;
  clean.reserve(label.size());
  for (char c : label) {
    if (c == '\0') continue;
    clean.push_back(c == '\r' || c == '\n' ? ' ' : c);
  }
  return clean;
}

bool Found(std::string_view type) { return !type.empty() && type[0] != '\0'; }

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool IsTypeNumber(std::string_view type) {
  type = TrimBlanks(type);
  bool hex = type.size() > 2 && type[0] == '0' && (type[1] == 'x' || type[1] == 'X');
  if (hex) type.remove_prefix(2);
  if (type.empty()) return false;
  for (char c : type) {
    if (hex ? !IsHexDigit(c) : !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

namespace {

void AppendLine(std::string& out, std::string_view a, std::string_view b = {}) {
  out += kLineBreak;
  out += a;
  out += b;
}

}  // namespace

ObjectWriter::ObjectWriter(WindowState& state, const ControlValues& controls,
                           TypeLookup& lookup, ResultFile& result)
    : state_(state), controls_(controls), lookup_(lookup), result_(result) {}

// The MID field whose column number stands in the control, rounded to a whole number
// (halves to even); a column outside 0..50 gives an empty value.
const std::string& ObjectWriter::Field(Control column_control) const {
  static const std::string kEmpty;
  double column = RoundHalfEven(Value(controls_.Text(column_control)));
  if (!(column >= 0 && column < kMidFieldSlots)) return kEmpty;
  return state_.MidFields[static_cast<int>(column)];
}

void ObjectWriter::SaveString(std::int16_t& kind, std::string& coords) {
  double threshold = Value(controls_.Text(Control::kText17));
  if (kind == kKindNothing) {
    state_.TextMode = false;
    return;
  }
  // A text object whose string was rejected is not written.
  if (state_.TextMode && state_.TextLabel.empty()) return;
  // Never write a section without coordinates: map compilers fail on an empty list.
  if (coords.empty()) return;

  coords.pop_back();
  coords.insert(0, "\r\nData0=");

  TypeLookup::ObjectScope scope(lookup_);
  std::string label = Field(Control::kText15);
  // The level is the Level of the record the lookup leaves behind; without a lookup
  // (or when the lookup reads nothing) it is 0.
  state_.LookupRecord.Level = 0;
  const bool section_from_mif = controls_.IsSet(Control::kCheck2);
  if (!section_from_mif) {
    kind = static_cast<std::int16_t>(lookup_.SearchRegionObject(Field(Control::kText9), kind));
  } else if (lookup_.IsLeftOut(Field(Control::kText9))) {
    // A deleted description stays out of the map whoever decides the section.
    kind = kKindLeftOut;
  }
  int level = state_.LookupRecord.Level;
  if (controls_.IsSet(Control::kCheck5)) label.clear();
  if (controls_.IsSet(Control::kCheck4) && state_.ObjectSize > threshold) {
    ++level;
    state_.ObjectSize = 0;
  }
  if (kind == kKindLeftOut) return;
  if (kind != kKindRegion && kind != kKindPolyline && kind != kKindPoint) {
    // The dictionary vanished (kind 0): nothing can be decided for this object.
    if (kind == kKindNothing) dictionary_lost_ = true;
    state_.ObjectSize = 0;
    state_.TextMode = false;
    return;
  }

  // With the section taken from the MIF no lookup decides a region's or a polyline's
  // record: they get the default type, never what a point's lookup read last.
  std::string_view record_type =
      section_from_mif ? std::string_view(state_.DefaultType) : FieldText(state_.LookupRecord.ObjectType);
  std::string type;
  bool found = false;
  bool text_object = false;
  if (kind == kKindRegion) {
    type = CleanType(record_type);
    found = Found(type);
    if (controls_.IsSet(Control::kCheck1) && !label.empty()) label = Trans(label);
  } else if (kind == kKindPolyline) {
    type = CleanType(TrimBlanks(record_type));
    found = Found(type);
    if (controls_.IsSet(Control::kCheck1)) label = Trans(label);
  } else {
    type = CleanType(lookup_.SearchObject(Field(Control::kText9)));
    if (state_.TextMode) {
      // A MIF text object: its string is the label whatever the options say, and the
      // type line of a text is followed by an empty line.
      label = state_.TextLabel;
      type = "0x1500\r\n";
      text_object = true;
      state_.TextMode = false;
    }
    if (controls_.IsSet(Control::kCheck1)) label = Trans(label);
    found = Found(type);
  }
  // A map compiler reads a type only as a number ("Нет" of a deleted record, or any
  // other word, stops it): the default type stands in and the object is counted.
  if (found && !text_object && !IsTypeNumber(type)) {
    found = false;
    ++counts_.retyped;
  }
  if (!found) {
    type = CleanType(state_.DefaultType);
    // A default type that is no number either leaves the type empty (counted below).
    if (!IsTypeNumber(type)) type.clear();
  }
  if (type.empty()) ++counts_.untyped;
  label = CleanLabel(label);

  std::string_view number = kind == kKindRegion ? "80" : kind == kKindPolyline ? "40" : "10";
  section_.clear();
  AppendLine(section_, "[RGN", number);
  section_ += "]";
  AppendLine(section_, "Levels=", std::to_string(level));
  if (kind == kKindPoint && found) {
    AppendLine(section_, "Type=", type);
    AppendLine(section_, "Label=", label);
    AppendLine(section_, "DirIndicator=1");
  } else if (kind == kKindPoint) {
    AppendLine(section_, "Type=", type);
    if (!label.empty()) AppendLine(section_, "Label=", label);
  } else {
    if (!label.empty()) AppendLine(section_, "Label=", label);
    AppendLine(section_, "Type=", type);
  }
  section_ += coords;
  AppendLine(section_, "[END-RGN", number);
  section_ += "]";
  result_.WriteLine(section_);

  if (kind == kKindRegion) ++counts_.regions;
  else if (kind == kKindPolyline) ++counts_.polylines;
  else ++counts_.points;
  state_.ObjectSize = 0;
  state_.TextMode = false;
}

}  // namespace mirvex
