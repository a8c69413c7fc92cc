// The object dictionary file `object.txt` and the routines that read and store it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "base/platform.h"
#include "dictionary/object_record.h"

namespace mirvex {

// The dictionary's path: the program-folder prefix (ending in the separator) + "object.txt".
std::string DictionaryPath(std::string_view program_prefix);

// "Неопределенный тип объекта": the name of the default-type record (cp1251).
const std::string& DefaultTypeName();

// What a conversion needs of a record: its type as stored (all six characters), its
// level, and which of the region codes its trimmed region is.
struct RecordSummary {
  std::array<char, 6> type{};
  std::uint8_t level = 0;
  std::int8_t region = -1;  // the index of its region among KindCode(0..5), -1 for another text

  static RecordSummary Of(const ObjectRecord& record);
  bool operator==(const RecordSummary&) const = default;
};

// The dictionary as a scan reads it: records 1..N of the file and then the one read
// that reaches past its end (the bytes missing from it count as zero; for a file of
// whole records that is an all-zero record). An empty file yields no record at all.
// Lookups are answered from an index instead of a scan per call, with identical results.
class DictionaryImage {
 public:
  // Reads the file; false when it cannot be read.
  bool Load(std::string_view path);

  bool NoRecordRead() const { return records_.empty(); }
  // The first record (empty slots included) whose trimmed name equals the trimmed
  // description, as the conversion lookups take it.
  const ObjectRecord* FirstMatch(std::string_view description) const;
  // The last record, empty slots skipped, whose trimmed name equals the trimmed
  // description, as FindObjectRecord takes it.
  const ObjectRecord* LastMatch(std::string_view description) const;
  // The summary of FirstMatch, kept beside the index so a conversion's lookup touches
  // no record; nullptr when no record matches.
  const RecordSummary* FirstMatchSummary(std::string_view description) const;
  // The last record a scan reads: the one past the end of the file.
  const ObjectRecord& LastRead() const { return records_.back(); }
  const RecordSummary& LastReadSummary() const { return last_read_summary_; }
  // The 1-based record number of a record this image returned.
  std::size_t NumberOf(const ObjectRecord& record) const {
    return static_cast<std::size_t>(&record - records_.data()) + 1;
  }
  std::size_t size() const { return records_.size(); }

 private:
  // One distinct trimmed name, its text kept in `names_`: the first record holding it
  // with that record's summary, and the last record holding it that is not an empty
  // slot.
  struct Name {
    std::uint32_t name_offset = 0;
    std::uint32_t first = 0;
    std::int32_t last_named = -1;
    RecordSummary first_summary;
    std::uint8_t name_length = 0;
  };
  // An open-addressing table of the names: part of the name's hash and the name's
  // number plus one (0: a free bucket). It is small enough to stay in the processor's
  // cache, so a lookup costs one or two misses and no allocation.
  struct Bucket {
    std::uint32_t tag = 0;
    std::uint32_t name = 0;
  };
  const Name* Find(std::string_view description) const;
  std::string_view TextOf(const Name& name) const;

  std::vector<ObjectRecord> records_;
  std::vector<Name> index_;
  std::vector<Bucket> buckets_;  // a power of two, at most half full
  std::string names_;            // the trimmed names, one after another
  RecordSummary last_read_summary_;
};

// Keeps a loaded image of one dictionary file and reloads it when the file changed
// (its stamp differs) or when the program stored a record since.
class DictionaryCache {
 public:
  // The current image, or nullptr when the file does not exist or cannot be read.
  const DictionaryImage* Get(std::string_view path);
  // How many times the file was read (for tests).
  std::uint64_t loads() const { return loads_; }

 private:
  std::string path_;
  std::filesystem::path native_path_;
  std::optional<FileStamp> stamp_;
  std::uint64_t generation_ = 0;
  bool loaded_ = false;
  // Loaded so soon after the file's last change that a second change within the same
  // tick of the file system's clock would leave the stamp as it is: such an image is
  // read again (at most every 50 ms) until the change is old enough.
  bool recent_ = false;
  std::chrono::steady_clock::time_point verified_at_;
  std::uint64_t loads_ = 0;
  DictionaryImage image_;
};

// The one cache all lookups of the program share.
DictionaryCache& SharedDictionaryCache();

// Counts the records stored by this program; a cache loaded before a store reloads.
std::uint64_t StoreGeneration();

// FindObjectRecord: the last record (empty slots skipped) whose trimmed name equals
// the trimmed description, or a cleared record. A missing file shows the
// missing-file message and gives a cleared record.
ObjectRecord FindObjectRecord(Host& host, std::string_view dictionary_path,
                              std::string_view description);

enum class StoreResult { kStored, kMissing, kFull, kWriteFailed };

// Record numbers of the file are 16-bit: a scan reads one past the last record, so
// the file holds at most this many records.
inline constexpr std::uint64_t kMaxRecords = 32766;

// StoreObjectRecord: overwrites the first record with the same trimmed name, or adds
// the record after the last one (reusing a trailing empty slot read past the end).
// The record's name is rewritten without its leading blanks. A missing file shows the
// missing-file message and writes nothing; so does a new record past kMaxRecords; a
// failed write is reported too.
StoreResult StoreObjectRecord(Host& host, std::string_view dictionary_path, ObjectRecord& record);

}  // namespace mirvex
