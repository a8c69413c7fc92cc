#include "dictionary/type_lookup.h"

#include "base/files.h"
#include "base/text.h"

namespace mirvex {

TypeLookup::TypeLookup(Host& host, std::string dictionary_path)
    : host_(host), path_(std::move(dictionary_path)) {}

const DictionaryImage* TypeLookup::Image() {
  if (loaded_) return image_;
  loaded_ = true;
  image_ = SharedDictionaryCache().Get(path_);
  if (!image_) ShowMissingFile(host_, path_);
  return image_;
}

bool TypeLookup::DictionaryPresent() { return Image() != nullptr; }

ObjectRecord TypeLookup::RecordNamed(std::string_view description) {
  const DictionaryImage* image = Image();
  const ObjectRecord* match = image ? image->LastMatch(description) : nullptr;
  return match ? *match : ObjectRecord{};
}

const ObjectRecord* TypeLookup::Match(const DictionaryImage& image, std::string_view description) {
  if (last_valid_ && last_description_ == description) return last_match_;
  last_valid_ = true;
  last_description_.assign(description);
  last_match_ = image.FirstMatch(description);
  return last_match_;
}

std::string_view TypeLookup::PointType(std::string_view description) {
  if (description.empty()) return {};
  const DictionaryImage* image = Image();
  if (!image || image->NoRecordRead()) return {};
  if (const ObjectRecord* match = Match(*image, description)) {
    lookup_record_ = match;
    return TrimBlanks(FieldText(match->ObjectType));
  }
  lookup_record_ = &image->LastRead();
  return {};
}

int TypeLookup::SectionKind(std::string_view description, int kind, bool* scanned) {
  if (scanned) *scanned = false;
  if (description.empty()) return kind;
  const DictionaryImage* image = Image();
  if (!image) return 0;
  if (image->NoRecordRead()) return kind;
  if (scanned) *scanned = true;
  const ObjectRecord* match = Match(*image, description);
  if (!match) {
    lookup_record_ = &image->LastRead();
    return kind;
  }
  lookup_record_ = match;
  std::string_view region = TrimBlanks(FieldText(match->RegionCode));
  if (region == KindCode(0)) return 3;
  if (region == KindCode(1)) return 2;
  if (region == KindCode(3)) return 1;
  if (region == KindCode(5)) return 5;
  return kind;
}

bool TypeLookup::IsLeftOut(std::string_view description) {
  if (description.empty()) return false;
  const DictionaryImage* image = Image();
  if (!image || image->NoRecordRead()) return false;
  const ObjectRecord* match = Match(*image, description);
  return match && TrimBlanks(FieldText(match->RegionCode)) == KindCode(5);
}

}  // namespace mirvex
