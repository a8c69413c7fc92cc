#include "base/text_reader.h"

#include "base/platform.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirvex {

namespace {
constexpr std::size_t kReadBuffer = 1 << 20;
constexpr std::size_t kSmallReadBuffer = 1 << 16;
}

TextReader::~TextReader() { Close(); }

bool TextReader::Open(std::string_view path) {
  Close();
  file_ = OpenForReading(path);
  if (!file_) return false;
  // A small file (a header, a short MID) is read through a small buffer instead of a
  // whole megabyte that would be cleared for nothing.
  std::size_t capacity = kReadBuffer;
  if (auto stamp = StampOf(path)) {
    size_ = stamp->size;
    capacity = static_cast<std::size_t>(std::clamp<std::uint64_t>(size_ + 1, kSmallReadBuffer, kReadBuffer));
  }
  buffer_.resize(capacity);
  return true;
}

void TextReader::OpenBytes(std::string bytes) {
  Close();
  buffer_.assign(bytes.begin(), bytes.end());
  end_ = buffer_.size();
  size_ = buffer_.size();
}

void TextReader::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  buffer_.clear();
  pos_ = end_ = 0;
  consumed_before_ = size_ = 0;
  read_failed_ = false;
}

bool TextReader::Fill() {
  if (!file_) return false;
  consumed_before_ += end_;
  pos_ = 0;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (end_ == 0 && std::ferror(file_)) read_failed_ = true;
  return end_ > 0;
}

// The first CR or LF of [start, stop), or stop. Sixteen bytes are compared at a time
// where the processor can; otherwise two memchr passes beat a byte loop.
static const char* FindLineEnd(const char* start, const char* stop) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const char* p = start;
  for (; stop - p >= 16; p += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int ends = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)));
    if (ends != 0) return p + __builtin_ctz(static_cast<unsigned>(ends));
  }
  while (p != stop && *p != '\n' && *p != '\r') ++p;
  return p;
#else
  auto size = static_cast<std::size_t>(stop - start);
  const char* lf = static_cast<const char*>(std::memchr(start, '\n', size));
  const char* limit = lf ? lf : stop;
  const char* cr = static_cast<const char*>(std::memchr(start, '\r', static_cast<std::size_t>(limit - start)));
  return cr ? cr : limit;
#endif
}

bool TextReader::ReadLine(std::string_view& line) {
  if (pos_ == end_ && !Fill()) return false;
  const char* start = buffer_.data() + pos_;
  const char* stop = buffer_.data() + end_;
  const char* p = FindLineEnd(start, stop);
  if (p == stop || (*p == '\r' && p + 1 == stop)) {
    // The line (or its CR LF) reaches past the buffer: collect it in a string.
    if (!ReadLine(spill_)) return false;
    line = spill_;
    return true;
  }
  line = std::string_view(start, static_cast<std::size_t>(p - start));
  pos_ += line.size() + 1;
  if (*p == '\r' && p[1] == '\n') ++pos_;
  if (line.size() > line_limit_) {
    line = line.substr(0, line_limit_);
    ++lines_cut_;
  }
  return true;
}

bool TextReader::ReadLine(std::string& line) {
  line.clear();
  if (pos_ == end_ && !Fill()) return false;
  bool cut = false;
  for (;;) {
    const char* start = buffer_.data() + pos_;
    const char* stop = buffer_.data() + end_;
    const char* p = FindLineEnd(start, stop);
    std::size_t room = line_limit_ - std::min(line_limit_, line.size());
    std::size_t piece = static_cast<std::size_t>(p - start);
    if (piece > room) {
      cut = true;
      piece = room;
    }
    line.append(start, piece);
    pos_ += static_cast<std::size_t>(p - start);
    if (p != stop) {
      char first = *p;
      ++pos_;
      if (first == '\r' && Peek() == '\n') ++pos_;
      lines_cut_ += cut;
      return true;
    }
    if (!Fill()) {
      lines_cut_ += cut;
      return true;  // the last line without a line end
    }
  }
}

}  // namespace mirvex
