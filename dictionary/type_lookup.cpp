#include "dictionary/type_lookup.h"

#include "base/files.h"
#include "base/text.h"

namespace mirvex {

TypeLookup::TypeLookup(Host& host, std::string dictionary_path)
    : host_(&host), path_(std::move(dictionary_path)) {}

const DictionaryImage* TypeLookup::Image() {
  if (loaded_) return image_;
  loaded_ = true;
  image_ = SharedDictionaryCache().Get(path_);
  if (!image_ && host_) ShowMissingFile(*host_, path_);
  return image_;
}

bool TypeLookup::DictionaryPresent() { return Image() != nullptr; }

ObjectRecord TypeLookup::RecordNamed(std::string_view description) {
  const DictionaryImage* image = Image();
  const ObjectRecord* match = image ? image->LastMatch(description) : nullptr;
  return match ? *match : ObjectRecord{};
}

const RecordSummary* TypeLookup::Match(const DictionaryImage& image, std::string_view description) {
  if (last_valid_ && last_description_ == description) return last_match_;
  last_valid_ = true;
  last_description_.assign(description);
  last_match_ = image.FirstMatchSummary(description);
  return last_match_;
}

std::string_view TypeLookup::PointType(std::string_view description) {
  if (description.empty()) return {};
  const DictionaryImage* image = Image();
  if (!image || image->NoRecordRead()) return {};
  if (const RecordSummary* match = Match(*image, description)) {
    lookup_record_ = match;
    return TrimBlanks(FieldText(match->type));
  }
  lookup_record_ = &image->LastReadSummary();
  return {};
}

int TypeLookup::SectionKind(std::string_view description, int kind, bool* scanned) {
  if (scanned) *scanned = false;
  if (description.empty()) return kind;
  const DictionaryImage* image = Image();
  if (!image) return 0;
  if (image->NoRecordRead()) return kind;
  if (scanned) *scanned = true;
  const RecordSummary* match = Match(*image, description);
  if (!match) {
    lookup_record_ = &image->LastReadSummary();
    return kind;
  }
  lookup_record_ = match;
  switch (match->region) {
    case 0: return 3;  // "0x10": a point
    case 1: return 2;  // "0x20": a polyline
    case 3: return 1;  // "0x80": a region
    case 5: return 5;  // "Нет": left out
    default: return kind;
  }
}

const RecordSummary* TypeLookup::FirstRecord(std::string_view description) {
  if (description.empty()) return nullptr;
  const DictionaryImage* image = Image();
  if (!image || image->NoRecordRead()) return nullptr;
  return Match(*image, description);
}

}  // namespace mirvex
