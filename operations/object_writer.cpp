#include "operations/object_writer.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"

namespace mirvex {

ObjectWriter::ObjectWriter(const ConversionOptions& options, ObjectInProgress& object, TypeLookup& lookup,
                           ResultFile& result)
    : options_(options), object_(object), decider_(options, lookup), result_(result) {}

void ObjectWriter::Write(std::int16_t kind, std::string_view pairs) {
  // A text object whose string was rejected is not written.
  if (object_.text_object && object_.text_label.empty()) return;
  // Never write a section without coordinates: map compilers fail on an empty list.
  if (pairs.empty() || !object_.record) return;
  pairs.remove_suffix(1);  // the "," after the last pair

  const ObjectDecision& decision = decider_.Decide(kind, *object_.record, object_.text_object, object_.text_label);
  if (decision.kind == kKindLeftOut) return;
  int level = WrittenLevel(options_, decision.level, object_.size.size());
  if (decision.retyped) {
    ++counts_.retyped;
    NoteRetyped(decider_.Description(*object_.record), decision.retyped_type);
  }
  if (decision.type.empty()) ++counts_.untyped;

  section_.clear();
  // The type line of a text is followed by an empty line.
  std::string text_type;
  if (decision.text_object) text_type = decision.type + "\r\n";
  AppendSection(section_, SectionText{static_cast<ObjectKindCode>(decision.kind), level, decision.label,
                                      decision.text_object ? std::string_view(text_type) : decision.type,
                                      decision.own_point_type, pairs});
  result_.WriteLine(section_);

  if (decision.kind == kKindRegion) {
    ++counts_.regions;
  } else if (decision.kind == kKindPolyline) {
    ++counts_.polylines;
  } else {
    ++counts_.points;
  }
}

// The message after the run names the descriptions, so the user knows which records of
// the dictionary to mend.
void ObjectWriter::NoteRetyped(std::string_view description, std::string_view type) {
  std::string named = std::string(TrimBlanks(description)) + " (" + std::string(type) + ")";
  if (std::find(retyped_descriptions_.begin(), retyped_descriptions_.end(), named) != retyped_descriptions_.end()) {
    return;
  }
  if (retyped_descriptions_.size() < kListedRetyped) {
    retyped_descriptions_.push_back(std::move(named));
  } else {
    more_retyped_ = true;
  }
}

}  // namespace mirvex
