// A buffered byte reader over one input file, with its position and size, so that
// readers built on it never allocate per byte and progress is exact.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace mirvex {

class TextReader {
 public:
  TextReader() = default;
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Opens a file (cp1251 path); false when it cannot be opened.
  bool Open(std::string_view path);
  // Reads from memory instead of a file (tests, small inputs).
  void OpenBytes(std::string bytes);
  void Close();

  // The next byte, or -1 at the end.
  int Get() {
    if (pos_ == end_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_++]);
  }
  int Peek() {
    if (pos_ == end_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_]);
  }
  bool AtEnd() { return Peek() < 0; }

  // The next line without its line end (CR LF, LF or CR); false at the end of the
  // input. A last line without a line end still counts.
  bool ReadLine(std::string& line);
  // The same as a view into the reader's buffer, valid until the next read; no copy
  // unless the line crosses the end of the buffer.
  bool ReadLine(std::string_view& line);

  // Bytes consumed so far, and the total size (0 when unknown).
  std::uint64_t Offset() const { return consumed_before_ + pos_; }
  std::uint64_t Size() const { return size_; }
  // True when the file stopped because it could not be read (a device error, a
  // removed medium), not because it ended: what was read is then incomplete.
  bool ReadFailed() const { return read_failed_; }

  // Lines longer than `limit` bytes are cut to their first `limit` bytes (the rest of
  // the line is skipped), so a file without line ends cannot make a reader hold all
  // of it. No limit by default. `lines_cut` counts the lines cut so far.
  void SetLineLimit(std::size_t limit) { line_limit_ = limit; }
  std::uint64_t lines_cut() const { return lines_cut_; }

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumed_before_ = 0;
  std::uint64_t size_ = 0;
  std::string spill_;
  bool read_failed_ = false;
  std::size_t line_limit_ = static_cast<std::size_t>(-1);
  std::uint64_t lines_cut_ = 0;
};

}  // namespace mirvex
