#include "dictionary/object_dictionary.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/text.h"

namespace mirvex {

namespace {

namespace fs = std::filesystem;

std::uint64_t store_generation = 0;

std::string_view NameKey(std::string_view text) { return TrimBlanks(text); }

// Writes one encoded record at a record number. A write that fails part way puts
// back the bytes it replaced and cuts an extended file back to its former length, so
// no partial record is left behind.
bool WriteRecordAt(std::string_view path, std::uint64_t number, const char* bytes) {
  fs::path native = NativePath(path);
  std::error_code error;
  std::uint64_t old_size = fs::file_size(native, error);
  bool size_known = !error;
  std::uint64_t offset = (number - 1) * kRecordLength;

  std::fstream file(native, std::ios::in | std::ios::out | std::ios::binary);
  if (!file.is_open()) return false;
  std::string replaced;
  if (size_known && offset < old_size) {
    replaced.resize(std::min<std::uint64_t>(kRecordLength, old_size - offset));
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(replaced.data(), static_cast<std::streamsize>(replaced.size()));
    // Bytes that cannot be read back could not be restored either.
    if (!file) return false;
  }
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes, static_cast<std::streamsize>(kRecordLength));
  file.flush();
  bool written = file.good();
  file.close();
  written = written && !file.fail();
  if (written) return true;

  // Whatever part of the record reached the file can be written again: the old bytes
  // go back over it.
  if (!replaced.empty()) {
    std::fstream restore(native, std::ios::in | std::ios::out | std::ios::binary);
    restore.seekp(static_cast<std::streamoff>(offset));
    restore.write(replaced.data(), static_cast<std::streamsize>(replaced.size()));
  }
  if (size_known && offset + kRecordLength > old_size) fs::resize_file(native, old_size, error);
  return false;
}

}  // namespace

std::string DictionaryPath(std::string_view program_prefix) {
  return std::string(program_prefix) + "object.txt";
}

const std::string& DefaultTypeName() {
  static const std::string name = Ru("Неопределенный тип объекта");
  return name;
}

namespace {

// FNV-1a: short names, no allocation.
std::uint64_t NameHash(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

std::string_view DictionaryImage::TextOf(const Name& name) const {
  return std::string_view(names_).substr(name.name_offset, name.name_length);
}

RecordSummary RecordSummary::Of(const ObjectRecord& record) {
  RecordSummary summary;
  summary.type = record.ObjectType;
  summary.level = record.Level;
  std::string_view region = TrimBlanks(FieldText(record.RegionCode));
  for (int i = 0; i <= 5; ++i) {
    if (i != 4 && region == KindCode(i)) summary.region = static_cast<std::int8_t>(i);
  }
  return summary;
}

const DictionaryImage::Name* DictionaryImage::Find(std::string_view description) const {
  if (buckets_.empty()) return nullptr;
  std::string_view text = NameKey(description);
  std::uint64_t hash = NameHash(text);
  auto tag = static_cast<std::uint32_t>(hash >> 32);
  std::size_t mask = buckets_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Bucket& bucket = buckets_[i];
    if (bucket.name == 0) return nullptr;
    if (bucket.tag != tag) continue;
    const Name& name = index_[bucket.name - 1];
    if (TextOf(name) == text) return &name;
  }
}

bool DictionaryImage::Load(std::string_view path) {
  records_.clear();
  index_.clear();
  buckets_.clear();
  names_.clear();
  last_read_summary_ = RecordSummary{};

  // Only a regular file has an end; a device could be read for ever.
  std::error_code error;
  if (!fs::is_regular_file(NativePath(path), error)) return false;
  std::FILE* file = OpenForReading(path);
  if (!file) return false;
  // Records are decoded as they are read, so the file's bytes are never held whole:
  // records 1..N, then the read that reaches past the end (the trailing partial
  // record padded with zeros, or an all-zero record after a file of whole records).
  constexpr std::size_t kRecordsPerChunk = 120;
  std::vector<char> chunk(kRecordsPerChunk * kRecordLength);
  std::size_t size = fs::file_size(NativePath(path), error);
  if (!error) records_.reserve(size / kRecordLength + 1);
  std::size_t total = 0;
  std::size_t count;
  std::size_t held = 0;  // bytes of a record not yet complete at the end of the chunk
  while ((count = std::fread(chunk.data() + held, 1, chunk.size() - held, file)) > 0) {
    total += count;
    std::size_t available = held + count;
    std::size_t whole = available / kRecordLength;
    for (std::size_t i = 0; i < whole; ++i) {
      records_.push_back(DecodeRecord(chunk.data() + i * kRecordLength, kRecordLength));
    }
    held = available - whole * kRecordLength;
    std::copy(chunk.data() + whole * kRecordLength, chunk.data() + available, chunk.data());
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    records_.clear();
    return false;
  }
  if (total == 0) return true;
  records_.push_back(DecodeRecord(chunk.data(), held));
  records_.shrink_to_fit();
  last_read_summary_ = RecordSummary::Of(records_.back());

  std::size_t capacity = 16;
  while (capacity < 2 * records_.size()) capacity *= 2;
  buckets_.resize(capacity);
  for (std::size_t r = 0; r < records_.size(); ++r) {
    std::string_view text = NameKey(FieldText(records_[r].ObjectName));
    std::uint64_t hash = NameHash(text);
    auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & (capacity - 1);; i = (i + 1) & (capacity - 1)) {
      Bucket& bucket = buckets_[i];
      if (bucket.name == 0) {
        Name name;
        name.name_offset = static_cast<std::uint32_t>(names_.size());
        name.name_length = static_cast<std::uint8_t>(text.size());
        name.first = static_cast<std::uint32_t>(r);
        name.first_summary = RecordSummary::Of(records_[r]);
        names_ += text;
        index_.push_back(name);
        bucket = Bucket{tag, static_cast<std::uint32_t>(index_.size())};
      } else if (bucket.tag != tag || TextOf(index_[bucket.name - 1]) != text) {
        continue;
      }
      if (!IsEmptySlot(records_[r])) index_[bucket.name - 1].last_named = static_cast<std::int32_t>(r);
      break;
    }
  }
  index_.shrink_to_fit();
  return true;
}

const ObjectRecord* DictionaryImage::FirstMatch(std::string_view description) const {
  const Name* name = Find(description);
  return name ? &records_[name->first] : nullptr;
}

const RecordSummary* DictionaryImage::FirstMatchSummary(std::string_view description) const {
  const Name* name = Find(description);
  return name ? &name->first_summary : nullptr;
}

const ObjectRecord* DictionaryImage::LastMatch(std::string_view description) const {
  const Name* name = Find(description);
  if (!name || name->last_named < 0) return nullptr;
  return &records_[static_cast<std::size_t>(name->last_named)];
}

// One image for the whole program, so repeated lookups do not read the file again.
DictionaryCache& SharedDictionaryCache() {
  static DictionaryCache cache;
  return cache;
}

namespace {
constexpr auto kRecentRecheck = std::chrono::milliseconds(50);
}

const DictionaryImage* DictionaryCache::Get(std::string_view path) {
  // The stamp is taken before reading: a change made while the file is read shows
  // up as a different stamp on the next call and reloads it.
  if (path != path_) {
    loaded_ = false;
    path_ = std::string(path);
    native_path_ = NativePath(path);
  }
  std::optional<FileStamp> stamp = StampOf(native_path_);
  std::uint64_t generation = StoreGeneration();
  if (!stamp) {
    loaded_ = false;
    return nullptr;
  }
  auto now = std::chrono::steady_clock::now();
  if (loaded_ && stamp_ == stamp && generation_ == generation &&
      (!recent_ || now - verified_at_ < kRecentRecheck)) {
    return &image_;
  }
  if (!FileExists(path)) {
    loaded_ = false;
    return nullptr;
  }
  stamp_ = stamp;
  generation_ = generation;
  loaded_ = image_.Load(path);
  ++loads_;
  // Coarse file-system clocks tick every 2 s (FAT) or every few milliseconds.
  recent_ = FileClockNowNs() - std::max(stamp->modified_ns, stamp->changed_ns) < 2'000'000'000;
  // The recheck interval counts from the end of the load, so a load that takes longer
  // than the interval does not make the next lookup load again at once.
  verified_at_ = std::chrono::steady_clock::now();
  return loaded_ ? &image_ : nullptr;
}

std::uint64_t StoreGeneration() { return store_generation; }

ObjectRecord FindObjectRecord(Host& host, std::string_view dictionary_path,
                              std::string_view description) {
  if (!FileExists(dictionary_path)) {
    ShowMissingFile(host, dictionary_path);
    return ObjectRecord{};
  }
  const DictionaryImage* image = SharedDictionaryCache().Get(dictionary_path);
  if (!image) return ObjectRecord{};
  const ObjectRecord* match = image->LastMatch(description);
  return match ? *match : ObjectRecord{};
}

StoreResult StoreObjectRecord(Host& host, std::string_view dictionary_path, ObjectRecord& record) {
  if (!FileExists(dictionary_path)) {
    ShowMissingFile(host, dictionary_path);
    return StoreResult::kMissing;
  }
  // The name is kept without leading blanks, blank-filled to its width again.
  std::string name(TrimBlanks(FieldText(record.ObjectName)));
  SetField(record.ObjectName, name);

  const DictionaryImage* image = SharedDictionaryCache().Get(dictionary_path);
  if (!image) {
    ShowWriteFailure(host, dictionary_path);
    return StoreResult::kWriteFailed;
  }

  // The first record of the same name is overwritten, empty slots in the middle
  // counting as ordinary names. A new name goes after the last record read, or in
  // its place when that read is an empty slot (the all-zero read past the end).
  std::uint64_t number = 1;
  if (!image->NoRecordRead()) {
    if (const ObjectRecord* same = image->FirstMatch(FieldText(record.ObjectName))) {
      number = image->NumberOf(*same);
    } else {
      number = image->size();
      if (!IsEmptySlot(image->LastRead())) ++number;
    }
  }

  if (number > kMaxRecords) {
    ShowInformation(host, Ru("Словарь заполнен: в нём уже ") + std::to_string(kMaxRecords) +
                              Ru(" записей, новую запись добавить нельзя.") + std::string(kLineBreak) +
                              std::string(dictionary_path));
    return StoreResult::kFull;
  }
  // A dictionary marked read-only keeps its records, even where the system would let
  // a privileged user write through the mark.
  if (ObstacleToReplacing(dictionary_path) == ReplaceObstacle::kReadOnly) {
    ShowWriteFailure(host, dictionary_path);
    return StoreResult::kWriteFailed;
  }
  char bytes[kRecordLength];
  EncodeRecord(record, bytes);
  bool written = WriteRecordAt(dictionary_path, number, bytes);
  // Even a failed write may have touched the file, so every cache reloads it.
  ++store_generation;
  if (!written) {
    ShowWriteFailure(host, dictionary_path);
    return StoreResult::kWriteFailed;
  }
  return StoreResult::kStored;
}

}  // namespace mirvex
