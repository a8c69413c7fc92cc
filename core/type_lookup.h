// The dictionary questions the object writer asks during a conversion: which
// section an object goes to, and which type a point gets.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/host.h"
#include "dictionary/object_dictionary.h"

namespace mirvex {

class TypeLookup {
 public:
  // `lookup_record` is the window's LookupRecord: each lookup that consults the
  // dictionary leaves there the first record that matched, or the last record read.
  TypeLookup(Host& host, std::string dictionary_path, ObjectRecord& lookup_record);

  // SearchObject: the trimmed type of the first record named like the description;
  // empty when there is none, the description is empty or the file is missing.
  std::string SearchObject(std::string_view description);

  // SearchRegionObject: the object kind its record names (3 for "0x10", 2 for
  // "0x20", 1 for "0x80", 5 for "Нет"), else `kind`; 0 when the file is missing.
  int SearchRegionObject(std::string_view description, int kind);

  // True when the first record named like the description says "Нет" in its region:
  // the description was deleted and its objects stay out of the map. LookupRecord is
  // left as it was.
  bool IsLeftOut(std::string_view description);

  // Looks for the file; a missing file is reported once for the whole operation.
  bool DictionaryPresent();

  // While a scope lives, the lookups of one object share one look at the file. During
  // a conversion the file's size and time are looked at again at most every 50 ms (a
  // record the program stores is seen at once), so the file system is not asked per
  // object.
  class ObjectScope {
   public:
    explicit ObjectScope(TypeLookup& lookup) : lookup_(lookup) { lookup_.in_object_ = true; }
    ~ObjectScope() {
      lookup_.in_object_ = false;
      lookup_.object_image_ = nullptr;
      lookup_.object_matched_ = false;
      lookup_.object_copied_ = nullptr;
    }

   private:
    TypeLookup& lookup_;
  };
  bool missing_reported() const { return missing_reported_; }

 private:
  const DictionaryImage* Image();
  // The first record named like the description; within an object the second question
  // about the same description reuses the first answer.
  const ObjectRecord* Match(const DictionaryImage& image, std::string_view description);
  // LookupRecord := the record (once per object for the same record).
  void Keep(const ObjectRecord& record);

  Host& host_;
  std::string path_;
  ObjectRecord& lookup_record_;
  bool missing_reported_ = false;
  bool in_object_ = false;
  const DictionaryImage* object_image_ = nullptr;
  bool object_matched_ = false;
  std::string object_description_;
  const ObjectRecord* object_match_ = nullptr;
  const ObjectRecord* object_copied_ = nullptr;  // already in LookupRecord for this object
  const DictionaryImage* recent_image_ = nullptr;
  std::uint64_t recent_generation_ = 0;
  std::chrono::steady_clock::time_point recent_check_;
};

}  // namespace mirvex
