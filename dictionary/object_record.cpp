#include "dictionary/object_record.h"

#include <algorithm>
#include <cstring>

#include "base/cp1251.h"

namespace mirvex {

namespace {

constexpr std::size_t kNameOffset = 0;
constexpr std::size_t kRegionOffset = 200;
constexpr std::size_t kTypeOffset = 206;
constexpr std::size_t kLevelOffset = 212;
constexpr std::size_t kReserved1Offset = 213;
constexpr std::size_t kReserved2Offset = 313;

static_assert(kReserved2Offset + 10 == kRecordDataLength);

template <std::size_t N>
void ReadField(const char* record, std::size_t offset, std::array<char, N>& field) {
  std::memcpy(field.data(), record + offset, N);
}

template <std::size_t N>
void WriteField(const std::array<char, N>& field, std::size_t offset, char* record) {
  std::memcpy(record + offset, field.data(), N);
}

}  // namespace

ObjectRecord DecodeRecord(const char* bytes, std::size_t available) {
  // A short read is decoded as if the missing bytes were zero.
  char whole[kRecordLength] = {};
  std::memcpy(whole, bytes, std::min(available, kRecordLength));

  ObjectRecord record;
  ReadField(whole, kNameOffset, record.ObjectName);
  ReadField(whole, kRegionOffset, record.RegionCode);
  ReadField(whole, kTypeOffset, record.ObjectType);
  record.Level = static_cast<std::uint8_t>(whole[kLevelOffset]);
  ReadField(whole, kReserved1Offset, record.Reserved1);
  ReadField(whole, kReserved2Offset, record.Reserved2);
  return record;
}

void EncodeRecord(const ObjectRecord& record, char* out) {
  std::memset(out, 0, kRecordLength);
  WriteField(record.ObjectName, kNameOffset, out);
  WriteField(record.RegionCode, kRegionOffset, out);
  WriteField(record.ObjectType, kTypeOffset, out);
  out[kLevelOffset] = static_cast<char>(record.Level);
  WriteField(record.Reserved1, kReserved1Offset, out);
  WriteField(record.Reserved2, kReserved2Offset, out);
}

std::string RecordBytes(std::string_view name, std::string_view region, std::string_view type,
                        std::uint8_t level) {
  ObjectRecord record;
  SetField(record.ObjectName, name);
  SetField(record.RegionCode, region);
  SetField(record.ObjectType, type);
  record.Level = level;
  std::string bytes(kRecordLength, '\0');
  EncodeRecord(record, bytes.data());
  return bytes;
}

const std::string& KindCode(int index) {
  static const std::string codes[6] = {"0x10", "0x20", "0x40", "0x80", "", Ru("Нет")};
  // Any index outside the table reads as the empty entry, which no region code equals.
  if (index < 0 || index > 5) return codes[4];
  return codes[index];
}

const std::string& NoneCode() { return KindCode(5); }

}  // namespace mirvex
