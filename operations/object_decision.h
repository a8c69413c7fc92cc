// The one decision about a MIF object: from its description, the section its MIF
// object asks for and the options, which section, type, label and level it is written
// with, or that it is left out of the map. The conversion writes what it says and the
// map view draws and colours by it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dictionary/type_lookup.h"
#include "garmin/text_map_writer.h"
#include "mapinfo/mid_reader.h"
#include "operations/options.h"

namespace mirvex {

// How the dictionary treats the object's description: it has a record, it has none
// (the object then gets the default type), or its record leaves the object out.
enum class Assignment : std::uint8_t { kAssigned, kUnassigned, kLeftOut };

struct ObjectDecision {
  // The section: kKindRegion, kKindPolyline or kKindPoint; kKindLeftOut when the
  // dictionary leaves the object out of the map.
  std::int16_t kind = kKindPoint;
  int level = 0;
  // The type the object is written with (a number, or empty when none could be had).
  std::string type;
  // A point written with the type of its own record (its section then carries "Label=").
  bool own_point_type = false;
  // A MIF text object: type 0x1500, its string the label.
  bool text_object = false;
  // The label as it is written (transliterated when asked, no line breaks).
  std::string label;
  Assignment assignment = Assignment::kUnassigned;
  // The record's type was no number and the default type stands in; `retyped_type` is
  // that type, so the user can be told which record to mend.
  bool retyped = false;
  std::string retyped_type;
};

// The size measure that raises large objects a level: the first vertex counts 1, each
// later one adds its distance from the first (in the MIF's own units).
class SizeMeasure {
 public:
  void Add(double x, double y);
  double size() const { return size_; }
  void Reset() { size_ = 0; }

 private:
  double size_ = 0;
  double origin_x_ = 0, origin_y_ = 0;
};

// The level an object is written with: the decided one, one higher when the options
// raise large objects and its size measure exceeds their threshold.
inline int WrittenLevel(const ConversionOptions& options, int decided_level, double size) {
  return options.raise_large_objects && size > options.size_threshold ? decided_level + 1 : decided_level;
}

class ObjectDecider {
 public:
  // The lookup must have its dictionary read (or known to be missing) when the first
  // object is decided; without one every object is unassigned.
  ObjectDecider(const ConversionOptions& options, TypeLookup& lookup);

  // The description of a record: its field in the type column.
  const std::string& Description(const MidRecord& record) const { return Field(record, options_.type_column); }

  // Decides for an object whose MIF object asks for section `kind` (region, polyline or
  // point). `text_label` is a text object's checked string.
  const ObjectDecision& Decide(std::int16_t kind, const MidRecord& record, bool text_object,
                               std::string_view text_label);

 private:
  static const std::string& Field(const MidRecord& record, int column);

  const ConversionOptions& options_;
  TypeLookup& lookup_;
  bool dictionary_present_ = false;
  std::string default_type_;  // the default-type record's type, all six characters
  ObjectDecision decision_;   // reused, so its texts keep their memory
};

}  // namespace mirvex
