#include "core/type_lookup.h"

#include "core/files.h"
#include "core/text.h"

namespace mirvex {

TypeLookup::TypeLookup(Host& host, std::string dictionary_path, ObjectRecord& lookup_record)
    : host_(host), path_(std::move(dictionary_path)), lookup_record_(lookup_record) {}

const DictionaryImage* TypeLookup::Image() {
  const DictionaryImage* image = SharedDictionaryCache().Get(path_);
  if (!image && !missing_reported_) {
    missing_reported_ = true;
    ShowMissingFile(host_, path_);
  }
  return image;
}

bool TypeLookup::DictionaryPresent() { return Image() != nullptr; }

std::string TypeLookup::SearchObject(std::string_view description) {
  if (description.empty()) return {};
  const DictionaryImage* image = Image();
  if (!image || image->NoRecordRead()) return {};
  if (const ObjectRecord* match = image->FirstMatch(description)) {
    lookup_record_ = *match;
    return std::string(TrimBlanks(FieldText(match->ObjectType)));
  }
  lookup_record_ = image->LastRead();
  return {};
}

int TypeLookup::SearchRegionObject(std::string_view description, int kind) {
  if (description.empty()) return kind;
  const DictionaryImage* image = Image();
  if (!image) return 0;
  if (image->NoRecordRead()) return kind;
  const ObjectRecord* match = image->FirstMatch(description);
  if (!match) {
    lookup_record_ = image->LastRead();
    return kind;
  }
  lookup_record_ = *match;
  std::string_view region = TrimBlanks(FieldText(match->RegionCode));
  if (region == KindCode(0)) return 3;
  if (region == KindCode(1)) return 2;
  if (region == KindCode(3)) return 1;
  if (region == KindCode(5)) return 5;
  return kind;
}

}  // namespace mirvex
