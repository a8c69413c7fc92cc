#include "base/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "base/cp1251.h"

namespace mirvex {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The characters of a number collected for std::from_chars: on the stack for every
// ordinary number, spilled to the heap only for an extraordinarily long one.
class NumberBuffer {
 public:
  void Push(char c) {
    if (size_ < kStackSize) {
      stack_[size_] = c;
    } else {
      if (size_ == kStackSize) spill_.assign(stack_, kStackSize);
      spill_.push_back(c);
    }
    ++size_;
  }
  std::size_t size() const { return size_; }
  const char* data() const { return size_ <= kStackSize ? stack_ : spill_.data(); }

 private:
  static constexpr std::size_t kStackSize = 96;
  char stack_[kStackSize];
  std::string spill_;
  std::size_t size_ = 0;
};

struct CaseTables {
  unsigned char upper[256];
  unsigned char lower[256];
  bool is_lower[256];
};

constexpr CaseTables MakeCaseTables() {
  CaseTables t{};
  for (int i = 0; i < 256; ++i) {
    t.upper[i] = static_cast<unsigned char>(i);
    t.lower[i] = static_cast<unsigned char>(i);
    t.is_lower[i] = false;
  }
  auto pair = [&t](int upper, int lower) {
    t.upper[lower] = static_cast<unsigned char>(upper);
    t.lower[upper] = static_cast<unsigned char>(lower);
    t.is_lower[lower] = true;
  };
  for (int c = 'a'; c <= 'z'; ++c) pair(c - 0x20, c);
  for (int c = 0xE0; c <= 0xFF; ++c) pair(c - 0x20, c);  // а..я
  constexpr int kOtherCyrillic[][2] = {
      {0x80, 0x90},  // Ђ ђ
      {0x81, 0x83},  // Ѓ ѓ
      {0x8A, 0x9A},  // Љ љ
      {0x8C, 0x9C},  // Њ њ
      {0x8D, 0x9D},  // Ќ ќ
      {0x8E, 0x9E},  // Ћ ћ
      {0x8F, 0x9F},  // Џ џ
      {0xA1, 0xA2},  // Ў ў
      {0xA3, 0xBC},  // Ј ј
      {0xA5, 0xB4},  // Ґ ґ
      {0xA8, 0xB8},  // Ё ё
      {0xAA, 0xBA},  // Є є
      {0xAF, 0xBF},  // Ї ї
      {0xB2, 0xB3},  // І і
      {0xBD, 0xBE},  // Ѕ ѕ
  };
  for (const auto& p : kOtherCyrillic) pair(p[0], p[1]);
  // The micro sign is a lower-case letter whose capital (Greek Mu) cp1251 lacks.
  t.is_lower[0xB5] = true;
  return t;
}

constexpr CaseTables kCase = MakeCaseTables();

}  // namespace

namespace {

// Appends the decimal digits from `p` on to `digits` (which wraps around past 19
// digits; callers refuse such numbers) and moves `p` past them.
void AppendDigits(const char*& p, const char* end, std::uint64_t& digits) {
  while (p != end && static_cast<unsigned>(*p - '0') < 10) {
    digits = digits * 10 + static_cast<std::uint64_t>(*p++ - '0');
  }
}

// Plain decimals ("57.250000", "-3", ".5", "65.2)") are by far the most common numbers
// in a map. When they have at most 15 digits (so the digits fit in 53 bits) the digits
// divided by 10^decimals is one correctly rounded division of two exact doubles: the
// same double the general parse gives. The number may be followed by any character
// that cannot continue it; blanks (which the parse skips), exponents and a second
// point take the general path.
bool FastDecimal(std::string_view text, double& result) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = text.data();
  const char* end = p + text.size();
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  std::uint64_t digits = 0;
  const char* integer = p;
  AppendDigits(p, end, digits);
  std::size_t count = static_cast<std::size_t>(p - integer);
  std::size_t decimals = 0;
  if (p != end && *p == '.') {
    const char* fraction = ++p;
    AppendDigits(p, end, digits);
    decimals = static_cast<std::size_t>(p - fraction);
  }
  if (count + decimals == 0 || count + decimals > 15) return false;
  if (p != end && (*p == '.' || *p == 'e' || *p == 'E' || *p == ' ' || *p == '\t' || *p == '\n')) return false;
  result = static_cast<double>(digits) / kPowersOfTen[decimals];
  if (negative) result = -result;
  return true;
}

}  // namespace

namespace {

// What ScanDecimal learnt of a number's text.
struct DecimalShape {
  bool exponent = false;
  std::size_t digits = 0;  // of the mantissa
};

// True when the whole text has the form ParseDecimal reads.
bool ScanDecimal(std::string_view text, DecimalShape& shape) {
  const char* p = text.data();
  const char* end = p + text.size();
  if (p != end && (*p == '+' || *p == '-')) ++p;
  const char* integer = p;
  while (p != end && IsDigit(*p)) ++p;
  std::size_t digits = static_cast<std::size_t>(p - integer);
  if (p != end && *p == '.') {
    const char* fraction = ++p;
    while (p != end && IsDigit(*p)) ++p;
    digits += static_cast<std::size_t>(p - fraction);
  }
  if (digits == 0) return false;
  shape.digits = digits;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p != end && (*p == '+' || *p == '-')) ++p;
    const char* exponent = p;
    while (p != end && IsDigit(*p)) ++p;
    if (p == exponent) return false;
    shape.exponent = true;
  }
  return p == end;
}

// For a number text ScanDecimal accepted and a double cannot hold: true when it is too
// large, false when too small. The power of ten of its first significant digit, its
// exponent added, tells them apart.
bool BeyondTheLargestDouble(std::string_view text) {
  const char* p = text.data();
  const char* end = p + text.size();
  if (p != end && (*p == '+' || *p == '-')) ++p;
  while (p != end && *p == '0') ++p;
  std::int64_t magnitude = -1;
  const char* integer = p;
  while (p != end && IsDigit(*p)) ++p;
  if (p != integer) {
    magnitude = p - integer - 1;
  } else if (p != end && *p == '.') {
    ++p;
    while (p != end && *p == '0') ++p;
    if (p == end || !IsDigit(*p)) return false;  // all zeros: no number is smaller
    magnitude = -(p - integer);                  // the point counted as one zero's place
  }
  while (p != end && *p != 'e' && *p != 'E') ++p;
  if (p != end) {
    ++p;
    bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;
    std::int64_t exponent = 0;
    for (; p != end; ++p) exponent = std::min<std::int64_t>(exponent * 10 + (*p - '0'), 1000000000);
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude > 0;
}

}  // namespace

bool ParseDecimal(std::string_view text, double& value) {
  DecimalShape shape;
  if (!ScanDecimal(text, shape)) return false;
  bool negative = text.front() == '-';
  if (text.front() == '+') text.remove_prefix(1);  // from_chars takes no "+"
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    double size = BeyondTheLargestDouble(text) ? std::numeric_limits<double>::infinity() : 0.0;
    value = negative ? -size : size;
    return true;
  }
  return error == std::errc() && end == text.data() + text.size();
}

bool IsFiniteDecimal(std::string_view text) {
  DecimalShape shape;
  if (!ScanDecimal(text, shape)) return false;
  // Without an exponent only a number of over 300 digits can go beyond a double.
  if (!shape.exponent && shape.digits <= 300) return true;
  double value = 0;
  return ParseDecimal(text, value) && std::isfinite(value);
}

std::string_view PluralForm(long long count, std::string_view one, std::string_view few, std::string_view many) {
  unsigned long long size = count < 0 ? 0ULL - static_cast<unsigned long long>(count)
                                      : static_cast<unsigned long long>(count);
  unsigned last_two = static_cast<unsigned>(size % 100), last = static_cast<unsigned>(size % 10);
  if (last_two >= 11 && last_two <= 14) return many;
  if (last == 1) return one;
  if (last >= 2 && last <= 4) return few;
  return many;
}

std::string ObjectCount(long long count) {
  static const std::string one = Ru("объект"), few = Ru("объекта"), many = Ru("объектов");
  return std::to_string(count) + " " + std::string(PluralForm(count, one, few, many));
}

double Value(std::string_view text) {
  double fast = 0;
  if (FastDecimal(text, fast)) return fast;
  enum class State { kStart, kAfterSign, kLeadingPoint, kInteger, kFraction, kExponentMark,
                     kExponentSign, kExponent };
  NumberBuffer number;
  // Length of the longest prefix collected so far that is a complete number; an
  // exponent mark without digits ("1e") is left out again this way.
  std::size_t complete = 0;
  State state = State::kStart;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    bool more = true;
    switch (state) {
      case State::kStart:
        if (c == '+' || c == '-') {
          if (c == '-') number.Push(c);  // from_chars takes no "+"
          state = State::kAfterSign;
          break;
        }
        [[fallthrough]];
      case State::kAfterSign:
        if (IsDigit(c)) {
          number.Push(c);
          state = State::kInteger;
          complete = number.size();
        } else if (c == '.') {
          number.Push(c);
          state = State::kLeadingPoint;
        } else {
          more = false;
        }
        break;
      case State::kLeadingPoint:
        if (IsDigit(c)) {
          number.Push(c);
          state = State::kFraction;
          complete = number.size();
        } else {
          more = false;
        }
        break;
      case State::kInteger:
      case State::kFraction:
        if (IsDigit(c)) {
          number.Push(c);
          complete = number.size();
        } else if (c == '.' && state == State::kInteger) {
          number.Push(c);
          state = State::kFraction;
        } else if (c == 'e' || c == 'E') {
          number.Push('e');
          state = State::kExponentMark;
        } else {
          more = false;
        }
        break;
      case State::kExponentMark:
        if (c == '+' || c == '-') {
          number.Push(c);
          state = State::kExponentSign;
          break;
        }
        [[fallthrough]];
      case State::kExponentSign:
      case State::kExponent:
        if (IsDigit(c)) {
          number.Push(c);
          state = State::kExponent;
          complete = number.size();
        } else {
          more = false;
        }
        break;
    }
    if (!more) break;
  }
  if (complete == 0) return 0;
  double value = 0;
  const char* first = number.data();
  auto [end, error] = std::from_chars(first, first + complete, value, std::chars_format::general);
  if (error != std::errc() || end != first + complete) return 0;
  return value;
}

void AppendNumberText(std::string& out, double value) {
  // A computed value that is not a number has no text a map can hold.
  if (!std::isfinite(value)) {
    out += '0';
    return;
  }
  // d.dddddddddddddde±x: 15 significant digits, correctly rounded.
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 14);
  const char* p = text;
  bool negative = *p == '-';
  if (negative) ++p;
  char digits[15];
  int count = 0;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  ++p;  // 'e'
  if (*p == '+') ++p;
  int exponent = 0;
  std::from_chars(p, result.ptr, exponent);
  while (count > 0 && digits[count - 1] == '0') --count;
  if (count == 0) {  // zero, negative zero included
    out += '0';
    return;
  }
  if (negative) out += '-';
  // The number of digits before the point.
  int whole = exponent + 1;
  if (whole <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-whole), '0');
    out.append(digits, static_cast<std::size_t>(count));
  } else if (whole >= count) {
    out.append(digits, static_cast<std::size_t>(count));
    out.append(static_cast<std::size_t>(whole - count), '0');
  } else {
    out.append(digits, static_cast<std::size_t>(whole));
    out += '.';
    out.append(digits + whole, static_cast<std::size_t>(count - whole));
  }
}

std::string NumberText(double value) {
  std::string text;
  AppendNumberText(text, value);
  return text;
}

std::size_t WriteDegreesText(double value, char* out) {
  // Whole units of 1e-7 degree, written as digits with the point put in: the text of
  // every transformed vertex, so no general formatting.
  constexpr long long kUnitsPerDegree = 10'000'000;
  long long units = std::llround(std::fabs(value) * kUnitsPerDegree);
  char* p = out;
  if (units != 0 && value < 0) *p++ = '-';
  long long whole = units / kUnitsPerDegree;
  long long fraction = units % kUnitsPerDegree;
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole > 0);
  while (count > 0) *p++ = digits[--count];
  if (fraction != 0) {
    *p++ = '.';
    int places = 7;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --places;
    }
    for (int i = places - 1; i >= 0; --i) {
      p[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    p += places;
  }
  return static_cast<std::size_t>(p - out);
}

double RoundHalfEven(double value) {
  double nearest = std::round(value);  // halves away from zero
  // nearest - value is exact, so a half is recognised without error.
  if (std::fabs(nearest - value) == 0.5) return 2.0 * std::round(value / 2.0);
  return nearest;
}

std::string_view TrimBlanks(std::string_view text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin != end && *begin == ' ') ++begin;
  // A dictionary name is a 200-byte field mostly of padding: eight blanks at a time.
  constexpr std::uint64_t kEightBlanks = 0x2020202020202020;
  while (end - begin >= 8) {
    std::uint64_t eight;
    std::memcpy(&eight, end - 8, 8);
    if (eight != kEightBlanks) break;
    end -= 8;
  }
  while (end != begin && end[-1] == ' ') --end;
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

std::string Reply(std::string_view text, char from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == from) out += to;
    else out += c;
  }
  return out;
}

unsigned char UpperCp1251(unsigned char c) { return kCase.upper[c]; }
unsigned char LowerCp1251(unsigned char c) { return kCase.lower[c]; }
bool IsLowerCp1251(unsigned char c) { return kCase.is_lower[c]; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperCp1251(static_cast<unsigned char>(a[i])) != UpperCp1251(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 0x20);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 0x20);
    if (x != y) return false;
  }
  return true;
}

std::string CheckText(std::string_view text) {
  if (text.empty()) return {};
  if (IsLowerCp1251(static_cast<unsigned char>(text[0]))) return {};
  for (char c : text) {
    if (IsDigit(c)) return {};
  }
  return std::string(text);
}

}  // namespace mirvex
