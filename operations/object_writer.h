// The object writer: decides the section, type, label and level of one finished MIF
// object from its MID record and the dictionary, and writes the section.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "dictionary/type_lookup.h"
#include "garmin/text_map_writer.h"
#include "mapinfo/mid_reader.h"
#include "operations/options.h"

namespace mirvex {

// What the MIF reader knows of the object in progress beyond its coordinates.
struct ObjectInProgress {
  const MidRecord* record = nullptr;  // the object's MID record
  bool text_object = false;  // a MIF text object
  std::string text_label;    // its accepted string (empty: rejected)
  double size = 0;           // the size measure: 1, plus each vertex's distance from the first
};

class ObjectWriter {
 public:
  // `default_record` is the dictionary's default-type record (cleared when it has none).
  ObjectWriter(const ConversionOptions& options, ObjectInProgress& object, TypeLookup& lookup,
               const ObjectRecord& default_record, ResultFile& result);

  // Writes the object of kind `kind` whose coordinate text is `pairs` ("(y,x)," per
  // vertex, "\r\nData0=" between parts). `kind` may be changed by the dictionary (5:
  // left out).
  void Write(std::int16_t& kind, std::string_view pairs);

  const SectionCounts& counts() const { return counts_; }
  // The first kListedRetyped distinct descriptions whose dictionary type was no number,
  // each with that type ("Лес (0x1f0x)"), in the order met; `more` when there were others.
  static constexpr std::size_t kListedRetyped = 5;
  const std::vector<std::string>& retyped_descriptions() const { return retyped_descriptions_; }
  bool more_retyped() const { return more_retyped_; }
  // Set when the dictionary vanished while it decides the sections: the conversion
  // cannot go on.
  bool dictionary_lost() const { return dictionary_lost_; }

 private:
  const std::string& Field(int column) const;

  const ConversionOptions& options_;
  ObjectInProgress& object_;
  TypeLookup& lookup_;
  // The record the last section lookup left behind: the type of regions and polylines
  // and every object's level when the dictionary decides the sections.
  ObjectRecord lookup_record_;
  std::string default_type_;  // the default-type record's type, all six characters
  ResultFile& result_;
  SectionCounts counts_;
  std::vector<std::string> retyped_descriptions_;
  bool more_retyped_ = false;
  bool dictionary_lost_ = false;
  std::string section_;
};

}  // namespace mirvex
