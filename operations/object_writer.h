// The object writer: writes one finished MIF object as a section of the text map, with
// the section, type, label and level the object decision gives it, and counts what it
// wrote.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "dictionary/type_lookup.h"
#include "garmin/text_map_writer.h"
#include "mapinfo/mid_reader.h"
#include "operations/object_decision.h"
#include "operations/options.h"

namespace mirvex {

// What the MIF reader knows of the object in progress beyond its coordinates.
struct ObjectInProgress {
  const MidRecord* record = nullptr;  // the object's MID record
  bool text_object = false;  // a MIF text object
  std::string text_label;    // its accepted string (empty: rejected)
  SizeMeasure size;          // measured when the options raise large objects
};

class ObjectWriter {
 public:
  // `lookup` has read the dictionary for the run (or found it missing).
  ObjectWriter(const ConversionOptions& options, ObjectInProgress& object, TypeLookup& lookup, ResultFile& result);

  // Writes the object whose MIF object asks for section `kind` and whose coordinate
  // text is `pairs` ("(y,x)," per vertex, "\r\nData0=" between parts).
  void Write(std::int16_t kind, std::string_view pairs);

  const SectionCounts& counts() const { return counts_; }
  // The first kListedRetyped distinct descriptions whose dictionary type was no number,
  // each with that type ("Лес (0x1f0x)"), in the order met; `more` when there were others.
  static constexpr std::size_t kListedRetyped = 5;
  const std::vector<std::string>& retyped_descriptions() const { return retyped_descriptions_; }
  bool more_retyped() const { return more_retyped_; }

 private:
  void NoteRetyped(std::string_view description, std::string_view type);

  const ConversionOptions& options_;
  ObjectInProgress& object_;
  ObjectDecider decider_;
  ResultFile& result_;
  SectionCounts counts_;
  std::vector<std::string> retyped_descriptions_;
  bool more_retyped_ = false;
  std::string section_;
};

}  // namespace mirvex
