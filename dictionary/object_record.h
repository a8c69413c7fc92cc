// One record of the object dictionary `object.txt`: 547 bytes on disk, the six data
// fields packed at its start, then filler.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mirvex {

inline constexpr std::size_t kRecordLength = 547;
inline constexpr std::size_t kRecordDataLength = 323;

struct ObjectRecord {
  std::array<char, 200> ObjectName{};  // the object description, the key
  std::array<char, 6> RegionCode{};    // "0x10", "0x20", "0x40", "0x80" or "Нет"
  std::array<char, 6> ObjectType{};    // Garmin type code, or "Нет"
  std::uint8_t Level = 0;
  std::array<char, 100> Reserved1{};   // carried along unchanged
  std::array<char, 10> Reserved2{};    // carried along unchanged

  bool operator==(const ObjectRecord&) const = default;
};

// A field's bytes as stored (blank padding and NUL bytes included).
template <std::size_t N>
std::string_view FieldText(const std::array<char, N>& field) {
  return std::string_view(field.data(), N);
}

// Writes a text into a fixed-length field: cut to the width, padded with blanks.
template <std::size_t N>
void SetField(std::array<char, N>& field, std::string_view text) {
  std::size_t n = text.size() < N ? text.size() : N;
  for (std::size_t i = 0; i < n; ++i) field[i] = text[i];
  for (std::size_t i = n; i < N; ++i) field[i] = ' ';
}

// A record whose name begins with a NUL byte is an empty slot; it never matches.
inline bool IsEmptySlot(const ObjectRecord& record) { return record.ObjectName[0] == '\0'; }

// Decodes the first `available` bytes of a record (at most 547); the missing bytes
// count as zero.
ObjectRecord DecodeRecord(const char* bytes, std::size_t available);
// Encodes a record into 547 bytes; the filler is zero.
void EncodeRecord(const ObjectRecord& record, char* out);
// The 547 bytes of a record with these fields (cp1251), as a dictionary file holds it.
std::string RecordBytes(std::string_view name, std::string_view region, std::string_view type,
                        std::uint8_t level);

// The region codes by index: 0 "0x10", 1 "0x20", 2 "0x40", 3 "0x80",
// 4 empty, 5 "Нет" (cp1251).
const std::string& KindCode(int index);

// "Нет" in cp1251: the region and type of an object left out of the map.
const std::string& NoneCode();

}  // namespace mirvex
