// Reading the MID attribute records, one per MIF object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/host.h"
#include "core/text_reader.h"
#include "core/window_state.h"

namespace mirvex {

class MidReader {
 public:
  // False when the file cannot be opened.
  bool Open(std::string_view path);
  void OpenBytes(std::string bytes);

  // The field delimiter (from the MIF header's Delimiter clause; comma by default)
  // and whether values are UTF-8 to be turned into cp1251.
  void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
  void SetUtf8(bool utf8) { utf8_ = utf8; }

  // ReedTextInput: reads the next record. With the column count n of `Text16` a whole
  // number from 1 to 50, fields 1..n are filled; a larger whole count reads n fields
  // and keeps the first 50; any other count consumes one line and fills nothing.
  // Slot 0 and the slots above n keep their texts (each pass starts them empty, see
  // ClearMidFields). Past the end of the file the fields are emptied and the record
  // counts as missing.
  void ReedTextInput(const ControlValues& controls,
                     std::array<std::string, kMidFieldSlots>& fields);

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
