#include "operations/object_writer.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"
#include "garmin/translit.h"

namespace mirvex {

namespace {
bool Found(std::string_view type) { return !type.empty() && type[0] != '\0'; }
}  // namespace

ObjectWriter::ObjectWriter(const ConversionOptions& options, ObjectInProgress& object, TypeLookup& lookup,
                           const ObjectRecord& default_record, ResultFile& result)
    : options_(options),
      object_(object),
      lookup_(lookup),
      default_type_(FieldText(default_record.ObjectType)),
      result_(result) {
  lookup_.SetLookupRecord(default_record);
}

const std::string& ObjectWriter::Field(int column) const {
  static const std::string kEmpty;
  if (column < 0 || column >= kMidFieldSlots || !object_.record) return kEmpty;
  return (*object_.record)[column];
}

void ObjectWriter::Write(std::int16_t& kind, std::string_view pairs) {
  if (kind == kKindNothing) {
    object_.text_object = false;
    return;
  }
  // A text object whose string was rejected is not written.
  if (object_.text_object && object_.text_label.empty()) return;
  // Never write a section without coordinates: map compilers fail on an empty list.
  if (pairs.empty()) return;
  pairs.remove_suffix(1);  // the "," after the last pair

  const std::string& description = Field(options_.type_column);
  std::string label = Field(options_.label_column);
  // The level is the Level of the record the section lookup leaves behind; without a
  // lookup (or when the lookup reads nothing) it is 0.
  int level = 0;
  bool scanned = false;
  if (!options_.section_from_mif) {
    kind = static_cast<std::int16_t>(lookup_.SectionKind(description, kind, &scanned));
    if (scanned) level = lookup_.lookup_record().level;
  } else if (lookup_.IsLeftOut(description)) {
    // A deleted description stays out of the map whoever decides the section.
    kind = kKindLeftOut;
  }
  if (options_.no_labels) label.clear();
  if (options_.raise_large_objects && object_.size > options_.size_threshold) {
    ++level;
    object_.size = 0;
  }
  if (kind == kKindLeftOut) return;
  if (kind != kKindRegion && kind != kKindPolyline && kind != kKindPoint) {
    // The dictionary vanished (kind 0): nothing can be decided for this object.
    if (kind == kKindNothing) dictionary_lost_ = true;
    object_.size = 0;
    object_.text_object = false;
    return;
  }

  // A region or a polyline takes the type of the record its own lookup found; without
  // a lookup of its own (the section from the MIF, or no description) it gets the
  // default type, never what the lookup of an earlier object read.
  std::string_view record_type =
      scanned ? FieldText(lookup_.lookup_record().type) : std::string_view(default_type_);
  std::string type;
  bool found = false;
  bool text_object = false;
  if (kind == kKindRegion) {
    type = CleanType(record_type);
    found = Found(type);
    if (options_.transliterate_labels && !label.empty()) label = Transliterate(label);
  } else if (kind == kKindPolyline) {
    type = CleanType(TrimBlanks(record_type));
    found = Found(type);
    if (options_.transliterate_labels) label = Transliterate(label);
  } else {
    type = CleanType(lookup_.PointType(description));
    if (object_.text_object) {
      // A MIF text object: its string is the label whatever the options say, and the
      // type line of a text is followed by an empty line.
      label = object_.text_label;
      type = "0x1500\r\n";
      text_object = true;
      object_.text_object = false;
    }
    if (options_.transliterate_labels) label = Transliterate(label);
    found = Found(type);
  }
  // A map compiler reads a type only as a number ("Нет" of a deleted record, or any
  // other word, stops it): the default type stands in and the object is counted.
  if (found && !text_object && !IsTypeNumber(type)) {
    found = false;
    ++counts_.retyped;
    // The message after the run names the descriptions, so the user knows which
    // records of the dictionary to mend.
    std::string named = std::string(TrimBlanks(description)) + " (" + std::string(TrimBlanks(type)) + ")";
    if (std::find(retyped_descriptions_.begin(), retyped_descriptions_.end(), named) == retyped_descriptions_.end()) {
      if (retyped_descriptions_.size() < kListedRetyped) {
        retyped_descriptions_.push_back(std::move(named));
      } else {
        more_retyped_ = true;
      }
    }
  }
  if (!found) {
    type = CleanType(default_type_);
    // A default type that is no number either leaves the type empty (counted below).
    if (!IsTypeNumber(type)) type.clear();
  }
  if (type.empty()) ++counts_.untyped;
  label = CleanLabel(label);

  section_.clear();
  AppendSection(section_, SectionText{static_cast<ObjectKindCode>(kind), level, label, type,
                                      kind == kKindPoint && found, pairs});
  result_.WriteLine(section_);

  if (kind == kKindRegion) {
    ++counts_.regions;
  } else if (kind == kKindPolyline) {
    ++counts_.polylines;
  } else {
    ++counts_.points;
  }
  object_.size = 0;
  object_.text_object = false;
}

}  // namespace mirvex
