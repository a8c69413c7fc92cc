#include "core/mid_reader.h"

#include <cmath>

#include "core/cp1251.h"
#include "core/field_reader.h"
#include "core/text.h"

namespace mirvex {

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

void MidReader::ReedTextInput(const ControlValues& controls,
                              std::array<std::string, kMidFieldSlots>& fields) {
  double count = Value(controls.Text(Control::kText16));
  bool whole = count >= 1 && std::floor(count) == count;
  if (reader_.AtEnd()) {
    ++missing_records_;
    if (whole) {
      int last = count < kMidFieldSlots ? static_cast<int>(count) : kMidFieldSlots - 1;
      for (int i = 1; i <= last; ++i) fields[i].clear();
    }
    return;
  }
  if (!whole) {
    // No usable count: keep going one line per record so the pairing still advances.
    reader_.ReadLine(value_);
    return;
  }
  for (double i = 1; i <= count; ++i) {
    bool read = ReadField(reader_, delimiter_, value_);
    if (i < kMidFieldSlots) Store(fields[static_cast<int>(i)], value_);
    if (!read && i >= kMidFieldSlots) break;
  }
}

}  // namespace mirvex
