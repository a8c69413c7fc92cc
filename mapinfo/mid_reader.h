// Reading the MID attribute records, one per MIF object.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text_reader.h"

namespace mirvex {

// One MID record: slots 0..50, the reader fills 1..n; slot 0 stays empty.
inline constexpr int kMidFieldSlots = 51;
using MidRecord = std::array<std::string, kMidFieldSlots>;

// A pass over a MID file starts from an empty record: a column the file does not have
// then reads as empty instead of as a value left behind by an earlier file or page.
inline void ClearRecord(MidRecord& record) { record.fill(std::string()); }

// The column count a text stands for: a whole number of at least 1, else 0 (no usable
// count: the reader then takes one line per record).
std::int64_t ColumnCount(std::string_view text);

// The note after a read that found fewer MID records than MIF objects: how many objects
// had none (their attributes are empty) and which file it was.
std::string MissingRecordsMessage(std::uint64_t count, std::string_view mid_path);

class MidReader {
 public:
  // False when the file cannot be opened.
  bool Open(std::string_view path);
  void OpenBytes(std::string bytes);

  // The field delimiter (from the MIF header's Delimiter clause; comma by default)
  // and whether values are UTF-8 to be turned into cp1251.
  void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
  void SetUtf8(bool utf8) { utf8_ = utf8; }

  // Reads the next record. With a column count n from 1 to 50, fields 1..n are
  // filled; a larger count reads n fields and keeps the first 50; a count of 0 consumes
  // one line and fills nothing. Slot 0 and the slots above n keep their texts (each
  // pass starts them empty, see ClearRecord). Past the end of the file the fields are
  // emptied and the record counts as missing.
  void ReadRecord(std::int64_t column_count, MidRecord& fields);

  std::uint64_t missing_records() const { return missing_records_; }
  bool AtEnd() { return reader_.AtEnd(); }
  bool ReadFailed() const { return reader_.ReadFailed(); }

 private:
  void Store(std::string& slot, std::string& value);

  TextReader reader_;
  char delimiter_ = ',';
  bool utf8_ = false;
  std::uint64_t missing_records_ = 0;
  std::string value_;
};

}  // namespace mirvex
