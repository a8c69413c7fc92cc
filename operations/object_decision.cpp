#include "operations/object_decision.h"

#include <cmath>

#include "base/text.h"
#include "garmin/translit.h"

namespace mirvex {

namespace {
bool Found(std::string_view type) { return !type.empty() && type[0] != '\0'; }
}  // namespace

void SizeMeasure::Add(double x, double y) {
  if (size_ > 0) size_ += std::sqrt((y - origin_y_) * (y - origin_y_) + (x - origin_x_) * (x - origin_x_));
  if (size_ == 0) {
    size_ = 1;
    origin_x_ = x;
    origin_y_ = y;
  }
}

ObjectDecider::ObjectDecider(const ConversionOptions& options, TypeLookup& lookup)
    : options_(options), lookup_(lookup), dictionary_present_(lookup.DictionaryPresent()) {
  ObjectRecord default_record;
  if (dictionary_present_) default_record = lookup_.RecordNamed(DefaultTypeName());
  default_type_ = FieldText(default_record.ObjectType);
  lookup_.SetLookupRecord(default_record);
}

const std::string& ObjectDecider::Field(const MidRecord& record, int column) {
  static const std::string kEmpty;
  if (column < 0 || column >= kMidFieldSlots) return kEmpty;
  return record[static_cast<std::size_t>(column)];
}

const ObjectDecision& ObjectDecider::Decide(std::int16_t kind, const MidRecord& record, bool text_object,
                                            std::string_view text_label) {
  ObjectDecision& d = decision_;
  const std::string& description = Field(record, options_.type_column);
  d.label = Field(record, options_.label_column);
  d.level = 0;
  d.retyped = false;
  d.retyped_type.clear();
  d.own_point_type = false;
  d.text_object = false;

  // Which record the description names decides how the object is shown; the section
  // and level follow the record the section lookup leaves behind, as the conversion has
  // always taken them: without a lookup (or when the lookup reads nothing) the level is 0.
  const RecordSummary* match = dictionary_present_ ? lookup_.FirstRecord(description) : nullptr;
  d.assignment = !match ? Assignment::kUnassigned
                 : match->region == 5 ? Assignment::kLeftOut
                                      : Assignment::kAssigned;
  bool scanned = false;
  if (!options_.section_from_mif && dictionary_present_) {
    kind = static_cast<std::int16_t>(lookup_.SectionKind(description, kind, &scanned));
    if (scanned) d.level = lookup_.lookup_record().level;
  } else if (d.assignment == Assignment::kLeftOut) {
    // A deleted description stays out of the map whoever decides the section.
    kind = kKindLeftOut;
  }
  d.kind = kind;
  if (options_.no_labels) d.label.clear();
  if (kind == kKindLeftOut) return d;

  // A region or a polyline takes the type of the record its own lookup found; without
  // a lookup of its own (the section from the MIF, or no description) it gets the
  // default type, never what the lookup of an earlier object read.
  std::string_view record_type =
      scanned ? FieldText(lookup_.lookup_record().type) : std::string_view(default_type_);
  bool found = false;
  if (kind == kKindRegion) {
    d.type = CleanType(record_type);
    found = Found(d.type);
    if (options_.transliterate_labels && !d.label.empty()) d.label = Transliterate(d.label);
  } else if (kind == kKindPolyline) {
    d.type = CleanType(TrimBlanks(record_type));
    found = Found(d.type);
    if (options_.transliterate_labels) d.label = Transliterate(d.label);
  } else {
    d.type = CleanType(dictionary_present_ ? lookup_.PointType(description) : std::string_view());
    if (text_object) {
      // A MIF text object: its string is the label whatever the options say.
      d.label = text_label;
      d.type = "0x1500";
      d.text_object = true;
    }
    if (options_.transliterate_labels) d.label = Transliterate(d.label);
    found = Found(d.type);
  }
  // A map compiler reads a type only as a number ("Нет" of a deleted record, or any
  // other word, stops it): the default type stands in.
  if (found && !d.text_object && !IsTypeNumber(d.type)) {
    found = false;
    d.retyped = true;
    d.retyped_type = TrimBlanks(d.type);
  }
  if (!found) {
    d.type = CleanType(default_type_);
    // A default type that is no number either leaves the type empty.
    if (!IsTypeNumber(d.type)) d.type.clear();
  }
  d.own_point_type = kind == kKindPoint && found;
  d.label = CleanLabel(d.label);
  return d;
}

}  // namespace mirvex
