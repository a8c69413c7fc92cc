// The object dictionary as a fuzz target: any object.txt bytes, looked up and stored
// into. The indexed lookups are held against a plain scan of the records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "dictionary/object_dictionary.h"
#include "dictionary/object_record.h"
#include "fuzz/invariants.h"

namespace mirvex::fuzz {

namespace dictionary_target {

// The records a scan reads: the whole ones, then the read that reaches past the end
// (missing bytes zero); none for an empty file.
inline std::vector<ObjectRecord> Scan(std::string_view bytes) {
  std::vector<ObjectRecord> records;
  if (bytes.empty()) return records;
  std::size_t whole = bytes.size() / kRecordLength;
  for (std::size_t i = 0; i <= whole; ++i) {
    std::size_t start = i * kRecordLength;
    records.push_back(DecodeRecord(bytes.data() + start, std::min(kRecordLength, bytes.size() - start)));
  }
  return records;
}

inline std::string_view Key(const ObjectRecord& record) { return TrimBlanks(FieldText(record.ObjectName)); }

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The first record of the name, empty slots included.
inline std::size_t FirstIndex(const std::vector<ObjectRecord>& records, std::string_view name) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (Key(records[i]) == TrimBlanks(name)) return i;
  }
  return kNone;
}

// The last record of the name that is not an empty slot.
inline std::size_t LastNamedIndex(const std::vector<ObjectRecord>& records, std::string_view name) {
  for (std::size_t i = records.size(); i-- > 0;) {
    if (!IsEmptySlot(records[i]) && Key(records[i]) == TrimBlanks(name)) return i;
  }
  return kNone;
}

inline void CheckLookups(const std::string& path, const std::vector<ObjectRecord>& records, std::string_view name) {
  DictionaryImage image;
  Require(image.Load(path), "a dictionary file loads");
  Require(image.size() == records.size() && image.NoRecordRead() == records.empty(),
          "the image holds the records a scan reads");
  if (!records.empty()) Require(image.LastRead() == records.back(), "the last record read is the one past the end");

  auto check = [&](std::string_view description) {
    const ObjectRecord* first = image.FirstMatch(description);
    std::size_t first_index = FirstIndex(records, description);
    Require(first_index == kNone ? first == nullptr : first && image.NumberOf(*first) == first_index + 1,
            "FirstMatch finds the first record of the name");
    const ObjectRecord* last = image.LastMatch(description);
    std::size_t last_index = LastNamedIndex(records, description);
    Require(last_index == kNone ? last == nullptr : last && image.NumberOf(*last) == last_index + 1,
            "LastMatch finds the last named record of the name");
  };
  for (const ObjectRecord& record : records) check(FieldText(record.ObjectName));
  check(name);

  RecordingHost host;
  ObjectRecord found = FindObjectRecord(host, path, name);
  std::size_t last_index = LastNamedIndex(records, name);
  Require(found == (last_index == kNone ? ObjectRecord{} : records[last_index]),
          "FindObjectRecord gives the last named record of the name, or a cleared one");
  Require(host.messages.empty(), "a lookup in an existing dictionary reports nothing");
}

// A stored record replaces the first record of its name, or follows the last record
// read (in its place when that is an empty slot); no other byte of the file changes.
inline void CheckStore(const std::string& path, const std::string& before, ObjectRecord record) {
  std::vector<ObjectRecord> old_records = Scan(before);
  RecordingHost host;
  StoreResult result = StoreObjectRecord(host, path, record);
  std::string after = ReadBytes(path);
  if (result != StoreResult::kStored) {
    Require(result == StoreResult::kFull, "a store into an existing dictionary succeeds unless it is full");
    Require(after == before, "a refused store leaves the dictionary as it was");
    return;
  }
  Require(host.messages.empty(), "a successful store reports nothing");
  std::string_view name = Key(record);
  Require(FieldText(record.ObjectName).substr(0, name.size()) == name, "the name is stored without leading blanks");

  std::size_t number = FirstIndex(old_records, name);
  if (number != kNone) {
    ++number;
  } else if (old_records.empty()) {
    number = 1;
  } else {
    number = old_records.size() + (IsEmptySlot(old_records.back()) ? 0 : 1);
  }
  std::size_t start = (number - 1) * kRecordLength;
  Require(after.size() == std::max(before.size(), start + kRecordLength), "the file grows only by the record added");
  if (after.size() < start + kRecordLength) return;
  Require(DecodeRecord(after.data() + start, kRecordLength) == record, "the record is stored at its place");
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i >= start && i < start + kRecordLength) continue;
    if (after[i] != (i < before.size() ? before[i] : '\0')) {
      Require(false, "a store changes no byte outside its record");
      break;
    }
  }

  std::vector<ObjectRecord> new_records = Scan(after);
  Require(FirstIndex(new_records, name) == number - 1, "the stored record is the first of its name");
  ObjectRecord found = FindObjectRecord(host, path, name);
  std::size_t last_index = LastNamedIndex(new_records, name);
  Require(found == (last_index == kNone ? ObjectRecord{} : new_records[last_index]),
          "after a store FindObjectRecord reads the file as it now is");
  if (!IsEmptySlot(record) && last_index == number - 1) {
    Require(found == record, "FindObjectRecord returns the record stored under its name");
  }
}

}  // namespace dictionary_target

// The input: an option byte (bit 0: the name is that of the file's record picked by
// the next byte), the picking byte, the level, then the name, the region code and
// the type each ended by a byte 0x01, then the bytes of object.txt.
inline void FuzzDictionary(std::string_view input) {
  using namespace dictionary_target;
  static ScratchFolder folder("dictionary");
  // The lookups keep a loaded image while the file's size and time stay the same;
  // two names used in turn make every input load afresh, however fast they come.
  static unsigned turn = 0;
  const std::string path = folder.File(++turn % 2 ? "object.txt" : "object2.txt");

  auto byte = [&input](std::size_t i) { return i < input.size() ? static_cast<std::uint8_t>(input[i]) : 0; };
  bool name_from_file = byte(0) & 1;
  std::uint8_t pick = byte(1);
  std::uint8_t level = byte(2);
  input.remove_prefix(std::min<std::size_t>(3, input.size()));
  std::string name(SplitAt(input, "\x01"));
  std::string region(SplitAt(input, "\x01"));
  std::string type(SplitAt(input, "\x01"));
  const std::string bytes(input);
  WriteBytes(path, bytes);

  std::vector<ObjectRecord> records = Scan(bytes);
  if (name_from_file && !records.empty()) name = std::string(FieldText(records[pick % records.size()].ObjectName));
  CheckLookups(path, records, name);

  ObjectRecord record;
  SetField(record.ObjectName, name);
  SetField(record.RegionCode, region);
  SetField(record.ObjectType, type);
  record.Level = level;
  CheckStore(path, bytes, record);
}

}  // namespace mirvex::fuzz
