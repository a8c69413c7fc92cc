#include "core/type_lookup.h"

#include "core/files.h"
#include "core/text.h"

namespace mirvex {

TypeLookup::TypeLookup(Host& host, std::string dictionary_path, ObjectRecord& lookup_record)
    : host_(host), path_(std::move(dictionary_path)), lookup_record_(lookup_record) {}

const DictionaryImage* TypeLookup::Image() {
  if (in_object_ && object_image_) return object_image_;
  auto now = std::chrono::steady_clock::now();
  if (in_object_ && recent_image_ && recent_generation_ == StoreGeneration() &&
      now - recent_check_ < std::chrono::milliseconds(50)) {
    object_image_ = recent_image_;
    return object_image_;
  }
  const DictionaryImage* image = SharedDictionaryCache().Get(path_);
  recent_image_ = image;
  recent_generation_ = StoreGeneration();
  recent_check_ = now;
  if (in_object_) object_image_ = image;
  if (!image && !missing_reported_) {
    missing_reported_ = true;
    ShowMissingFile(host_, path_);
  }
  return image;
}

bool TypeLookup::DictionaryPresent() { return Image() != nullptr; }

void TypeLookup::Keep(const ObjectRecord& record) {
  if (in_object_ && object_copied_ == &record) return;
  lookup_record_ = record;
  if (in_object_) object_copied_ = &record;
}

const ObjectRecord* TypeLookup::Match(const DictionaryImage& image, std::string_view description) {
  if (in_object_ && object_matched_ && object_description_ == description) return object_match_;
  const ObjectRecord* match = image.FirstMatch(description);
  if (in_object_) {
    object_matched_ = true;
    object_description_.assign(description);
    object_match_ = match;
  }
  return match;
}

std::string TypeLookup::SearchObject(std::string_view description) {
  if (description.empty()) return {};
  const DictionaryImage* image = Image();
  if (!image || image->NoRecordRead()) return {};
  if (const ObjectRecord* match = Match(*image, description)) {
    Keep(*match);
    return std::string(TrimBlanks(FieldText(match->ObjectType)));
  }
  Keep(image->LastRead());
  return {};
}

int TypeLookup::SearchRegionObject(std::string_view description, int kind) {
  if (description.empty()) return kind;
  const DictionaryImage* image = Image();
  if (!image) return 0;
  if (image->NoRecordRead()) return kind;
  const ObjectRecord* match = Match(*image, description);
  if (!match) {
    Keep(image->LastRead());
    return kind;
  }
  Keep(*match);
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
