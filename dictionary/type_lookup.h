// The dictionary questions a conversion asks about each object: which section it goes
// to, and which type a point gets.
#pragma once

#include <string>
#include <string_view>

#include "base/host.h"
#include "dictionary/object_dictionary.h"

namespace mirvex {

class TypeLookup {
 public:
  TypeLookup(Host& host, std::string dictionary_path);
  // A lookup in a dictionary already read (nullptr: none), which reports nothing.
  explicit TypeLookup(const DictionaryImage* image) : loaded_(true), image_(image) {}

  // Reads the dictionary for the run, once: changes made to the file while the run goes
  // on count from the next run. False when it cannot be read; a missing file is
  // reported once for the whole run.
  bool DictionaryPresent();

  // The last record (empty slots skipped) named like the description, as the
  // dictionary editing finds it; a cleared record when there is none or the file is
  // missing.
  ObjectRecord RecordNamed(std::string_view description);

  // The trimmed type of the first record named like the description;
  // empty when there is none, the description is empty or the file is missing.
  std::string_view PointType(std::string_view description);

  // The object kind its record names (3 for "0x10", 2 for
  // "0x20", 1 for "0x80", 5 for "Нет"), else `kind`; 0 when the file is missing.
  // `scanned` tells whether it read the dictionary (and so replaced the lookup record).
  int SectionKind(std::string_view description, int kind, bool* scanned = nullptr);

  // The first record named like the description; nullptr when there is none, the
  // description is empty or the file is missing. The lookup record is left as it was.
  const RecordSummary* FirstRecord(std::string_view description);

  // The record the lookups left behind: the first record that matched, or, when none
  // did, the last record a scan of the file reads (all zero after whole records). An
  // empty description, or an empty file, leaves it as it was.
  const RecordSummary& lookup_record() const { return *lookup_record_; }
  void SetLookupRecord(const ObjectRecord& record) {
    start_record_ = RecordSummary::Of(record);
    lookup_record_ = &start_record_;
  }

 private:
  const DictionaryImage* Image();
  // The first record named like the description; the same description asked twice in
  // a row (the section, then the point's type) is looked up once.
  const RecordSummary* Match(const DictionaryImage& image, std::string_view description);

  Host* host_ = nullptr;
  std::string path_;
  bool loaded_ = false;
  const DictionaryImage* image_ = nullptr;
  RecordSummary start_record_;
  const RecordSummary* lookup_record_ = &start_record_;
  std::string last_description_;
  const RecordSummary* last_match_ = nullptr;
  bool last_valid_ = false;
};

}  // namespace mirvex
