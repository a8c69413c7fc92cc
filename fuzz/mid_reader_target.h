// The MID field and record readers as a fuzz target: any bytes, any delimiter, any
// column count.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "base/field_reader.h"
#include "base/text.h"
#include "base/text_reader.h"
#include "fuzz/invariants.h"
#include "mapinfo/mid_reader.h"

namespace mirvex::fuzz {

namespace mid_reader_target {

// Column counts that are not a plain small number; the input's first byte picks one
// of these from 240 on, and below that stands for itself.
inline constexpr const char* kOddCounts[16] = {
    "1.5", "-3", "0", "", "abc", " 7", "50", "51", "1e3", "2.0", "1e300", "50.5", "+4", "0.999", "9999", "4 2",
};

inline std::string CountText(std::uint8_t byte) {
  return byte >= 240 ? kOddCounts[byte - 240] : std::to_string(byte);
}

// Every call that finds input consumes at least one byte and never reads past the
// end; a field without an opening quotation mark is exactly the bytes consumed less
// the leading blanks and the delimiter or line end that closed it.
inline void CheckFields(const std::string& bytes, char delimiter) {
  TextReader reader;
  reader.OpenBytes(bytes);
  std::string value;
  std::uint64_t before = 0;
  while (ReadField(reader, delimiter, value)) {
    std::uint64_t after = reader.Offset();
    if (after <= before || after > bytes.size()) {
      Require(false, "a field read consumes at least one byte and stays inside the input");
      return;
    }
    std::string_view consumed = std::string_view(bytes).substr(before, after - before);
    std::size_t blanks = std::min(consumed.find_first_not_of(' '), consumed.size());
    if (blanks < consumed.size() && consumed[blanks] == '"') {
      Require(value.size() < consumed.size() - blanks, "a quoted value is shorter than the bytes it came from");
    } else {
      std::string_view rest = consumed.substr(blanks);
      Require(StartsWith(rest, value), "an unquoted value is the bytes after the leading blanks");
      std::string_view mark = rest.substr(std::min(value.size(), rest.size()));
      Require(mark == std::string_view(&delimiter, 1) || mark == "\r\n" || mark == "\r" || mark == "\n" ||
                  (mark.empty() && after == bytes.size()),
              "an unquoted value ends at the delimiter, a line end or the end of the input");
      Require(value.find(delimiter) == std::string::npos && value.find_first_of("\r\n") == std::string::npos,
              "an unquoted value holds neither the delimiter nor a line end");
    }
    before = after;
  }
  Require(value.empty() && before == bytes.size(), "the end is reported with an empty value after the last byte");
}

// Records are read until the input ends, each consuming input; slot 0 and the slots
// above the column count keep their texts; one record more is missing and empties
// the slots of the count.
inline void CheckRecords(const std::string& bytes, char delimiter, bool utf8, const std::string& count_text) {
  static const std::string kUntouched = "untouched";
  MidReader mid;
  mid.OpenBytes(bytes);
  mid.SetDelimiter(delimiter);
  mid.SetUtf8(utf8);
  std::int64_t column_count = ColumnCount(count_text);
  double count = Value(count_text);
  bool whole = count >= 1 && std::floor(count) == count;
  int filled = whole ? static_cast<int>(std::min<double>(count, kMidFieldSlots - 1)) : 0;

  std::array<std::string, kMidFieldSlots> fields;
  fields.fill(kUntouched);
  std::size_t records = 0;
  while (!mid.AtEnd()) {
    if (records++ > bytes.size()) {
      Require(false, "every record consumes at least one byte");
      return;
    }
    mid.ReadRecord(column_count, fields);
    Require(fields[0] == kUntouched, "slot 0 keeps its text");
    for (int i = filled + 1; i < kMidFieldSlots; ++i) {
      Require(fields[i] == kUntouched, "the slots above the column count keep their texts");
    }
  }
  Require(mid.missing_records() == 0, "no record is missing while input remains");
  mid.ReadRecord(column_count, fields);
  Require(mid.missing_records() == 1, "a record past the end counts as missing");
  for (int i = 1; i <= filled; ++i) Require(fields[i].empty(), "a missing record empties the fields it would fill");
}

}  // namespace mid_reader_target

// The input: the column count (see CountText), the delimiter, a byte whose bit 0 marks
// UTF-8 values, then the MID bytes.
inline void FuzzMidReader(std::string_view input) {
  using namespace mid_reader_target;
  auto byte = [input](std::size_t i, char otherwise) { return i < input.size() ? input[i] : otherwise; };
  std::string count_text = CountText(static_cast<std::uint8_t>(byte(0, 2)));
  char delimiter = byte(1, ',');
  bool utf8 = (byte(2, 0) & 1) != 0;
  std::string bytes(input.substr(std::min<std::size_t>(3, input.size())));
  CheckFields(bytes, delimiter);
  CheckRecords(bytes, delimiter, utf8, count_text);
}

}  // namespace mirvex::fuzz
