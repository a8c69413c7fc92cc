#include "mapinfo/mid_reader.h"

#include <algorithm>
#include <cmath>

#include "base/cp1251.h"
#include "base/field_reader.h"
#include "base/text.h"

namespace mirvex {

std::string MissingRecordsMessage(std::uint64_t count, std::string_view mid_path) {
  auto n = static_cast<long long>(count);
  return Ru("В файле MID меньше записей, чем объектов в файле MIF: ") + ObjectCount(n) +
         std::string(PluralForm(n, Ru(" без записи, его атрибуты пусты."), Ru(" без записи, их атрибуты пусты."),
                                Ru(" без записи, их атрибуты пусты."))) +
         std::string(kLineBreak) + std::string(mid_path);
}

bool MidReader::Open(std::string_view path) {
  missing_records_ = 0;
  return reader_.Open(path);
}

void MidReader::OpenBytes(std::string bytes) {
  missing_records_ = 0;
  reader_.OpenBytes(std::move(bytes));
}

void MidReader::Store(std::string& slot, std::string& value) {
  if (utf8_) {
    slot = Utf8ToCp1251(value);
  } else {
    slot.swap(value);
  }
}

std::int64_t ColumnCount(std::string_view text) {
  double count = Value(text);
  if (!(count >= 1) || std::floor(count) != count) return 0;
  // Far more fields than any record holds: the reader stops at the end of the file.
  constexpr double kLimit = 1e15;
  return static_cast<std::int64_t>(std::min(count, kLimit));
}

void MidReader::ReadRecord(std::int64_t column_count, MidRecord& fields) {
  if (reader_.AtEnd()) {
    ++missing_records_;
    std::int64_t last = std::min<std::int64_t>(column_count, kMidFieldSlots - 1);
    for (std::int64_t i = 1; i <= last; ++i) fields[i].clear();
    return;
  }
  if (column_count < 1) {
    // No usable count: keep going one line per record so the pairing still advances.
    reader_.ReadLine(value_);
    return;
  }
  for (std::int64_t i = 1; i <= column_count; ++i) {
    bool read = ReadField(reader_, delimiter_, value_);
    if (i < kMidFieldSlots) Store(fields[i], value_);
    if (!read && i >= kMidFieldSlots) break;
  }
}

}  // namespace mirvex
