#include "base/field_reader.h"

namespace mirvex {

namespace {

constexpr int kQuote = '"';

// Consumes the rest of a line end whose first byte `c` was just read: CR LF counts
// as one line end.
void FinishLineEnd(TextReader& reader, int c) {
  if (c == '\r' && reader.Peek() == '\n') reader.Get();
}

bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

}  // namespace

bool ReadField(TextReader& reader, char delimiter, std::string& value) {
  value.clear();
  if (reader.AtEnd()) return false;
  const int end_mark = static_cast<unsigned char>(delimiter);
  while (reader.Peek() == ' ') reader.Get();

  if (reader.Peek() == kQuote) {
    reader.Get();
    for (;;) {
      int c = reader.Get();
      if (c < 0) return true;  // unclosed at the end of the input: keep what was read
      if (c == kQuote) {
        if (reader.Peek() != kQuote) break;
        reader.Get();  // a doubled mark stands for one mark
      }
      value += static_cast<char>(c);
    }
    // Whatever stands between the closing mark and the delimiter is dropped.
    for (;;) {
      int c = reader.Get();
      if (c < 0 || c == end_mark) return true;
      if (IsLineEnd(c)) {
        FinishLineEnd(reader, c);
        return true;
      }
    }
  }

  for (;;) {
    int c = reader.Get();
    if (c < 0 || c == end_mark) return true;
    if (IsLineEnd(c)) {
      FinishLineEnd(reader, c);
      return true;
    }
    value += static_cast<char>(c);
  }
}

}  // namespace mirvex
