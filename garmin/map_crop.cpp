#include "garmin/map_crop.h"

#include <algorithm>

#include "base/text.h"

namespace mirvex {

namespace {

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

void Cropper::Line(std::string_view raw) {
  std::string_view line = WithoutLeadingBlanks(raw);
  if (in_header_) {
    if (!StartsWith(line, "[RGN")) {
      header_ += line;
      header_ += kLineBreak;
      return;
    }
    result_.WriteLine(header_);
    in_header_ = false;
  }
  if (StartsWith(line, "[RGN80")) return StartObject(8);
  if (StartsWith(line, "[RGN40")) return StartObject(4);
  if (StartsWith(line, "[RGN20")) return StartObject(2);
  if (StartsWith(line, "[RGN10")) return StartObject(1);
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;  // an end line, an empty line
  std::string_view key = line.substr(0, equals);
  std::string_view value = line.substr(equals + 1);
  if (key == "Type") {
    type_ = value;
  } else if (key == "Label") {
    label_ = value;
  } else if (key == "Levels") {
    level_ = static_cast<int>(std::clamp(RoundHalfEven(Value(value)), -32768.0, 32767.0));
  } else if (key == "DirIndicator") {
    dir_indicator_ = value == "1";
  } else if (StartsWith(key, "Data") || StartsWith(key, "Origin")) {
    if (StartsWith(key, "Origin")) expecting_second_ = false;
    CoordinateLine(key, value);
  }
  // Other keys are not carried into the cropped map.
}

void Cropper::StartObject(int kind) {
  SaveObject();
  kind_ = kind;
  type_.clear();
  label_.clear();
  data_.clear();
  kept_pairs_ = 0;
  in_part_ = false;
  // Nothing of the previous object decides this one.
  keep_ = false;
  expecting_second_ = false;
  level_ = 0;
  dir_indicator_ = false;
}

void Cropper::CoordinateLine(std::string_view key, std::string_view pairs) {
  ClosePart();
  data_ += kLineBreak;
  data_ += key;
  data_ += '=';
  part_pairs_ = data_.size();
  in_part_ = true;
  keep_ = true;
  // The pieces are short: a plain loop finds each comma sooner than a library search.
  const char* p = pairs.data();
  const char* end = p + pairs.size();
  while (true) {
    const char* comma = p;
    while (comma != end && *comma != ',') ++comma;
    Piece(WithoutLeadingBlanks(std::string_view(p, static_cast<std::size_t>(comma - p))));
    if (comma == end) break;
    p = comma + 1;
  }
  // A pair may continue on the next coordinate line: its first half outlives this one.
  if (expecting_second_) {
    first_kept_.assign(first_);
    first_ = first_kept_;
  }
}

namespace {
// The position of `c` in `text` from `from` on, or npos; for the few bytes of a piece.
std::size_t FindIn(std::string_view text, char c, std::size_t from = 0) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
}
}  // namespace

// One comma-separated piece of a coordinate line: "(lat" or "lon)".
void Cropper::Piece(std::string_view piece) {
  if (!expecting_second_) {
    std::size_t open = FindIn(piece, '(');
    std::size_t start = open == std::string_view::npos ? 0 : open + 1;
    std::size_t close = FindIn(piece, ')', start);
    std::size_t stop = close == std::string_view::npos ? std::min<std::size_t>(piece.size(), 100) : close + 1;
    first_ = stop > start ? piece.substr(start, stop - start) : std::string_view();
    expecting_second_ = true;
    return;
  }
  expecting_second_ = false;
  keep_ = InsideRectangle(bounds_, Value(first_), Value(piece));
  if (keep_) {
    ++kept_pairs_;
    data_.append(1, '(').append(first_).append(1, ',').append(piece).append(1, ',');
  }
}

// Ends the coordinate line being built: its last "," goes, and a line that kept no
// pair is left out altogether (map compilers fail on an empty one).
void Cropper::ClosePart() {
  if (!in_part_) return;
  in_part_ = false;
  if (data_.size() == part_pairs_) {
    data_.erase(data_.rfind(kLineBreak));
  } else if (data_.back() == ',') {
    data_.pop_back();
  }
}

void Cropper::SaveObject() {
  ClosePart();
  if (!keep_) {
    expecting_second_ = false;
    return;
  }
  if ((kind_ == 4 && kept_pairs_ < 2) || (kind_ == 8 && kept_pairs_ < 3) || data_.empty() || kind_ == 0) {
    level_ = 0;
    return;
  }
  std::string number = std::to_string(kind_);
  object_.clear();
  object_ += "[RGN" + number + "0]";
  object_ += kLineBreak;
  object_ += "Levels=" + std::to_string(level_);
  object_ += kLineBreak;
  object_ += "Type=" + type_;
  if (!label_.empty()) {
    object_ += kLineBreak;
    object_ += "Label=" + label_;
  }
  if (dir_indicator_) {
    object_ += kLineBreak;
    object_ += "DirIndicator=1";
  }
  object_ += data_;
  object_ += kLineBreak;
  object_ += "[END-RGN" + number + "0]";
  object_ += kLineBreak;
  result_.WriteLine(object_);
  if (kind_ == 1 || kind_ == 2) ++counts_.points;
  if (kind_ == 4) ++counts_.polylines;
  if (kind_ == 8) ++counts_.regions;
  level_ = 0;
  expecting_second_ = false;
}

void Cropper::End() {
  if (in_header_) {
    result_.WriteLine(header_);
    return;
  }
  SaveObject();
}


double DegreesMinutes(std::string_view text) {
  std::size_t point = text.find('.');
  if (point == std::string_view::npos) return Value(text);
  return Value(text.substr(0, point)) + Value(text.substr(point, 50)) * 100 / 60;
}

bool InsideRectangle(const CropBounds& bounds, double latitude, double longitude) {
  return latitude > bounds.south && latitude < bounds.north && longitude > bounds.west &&
         longitude < bounds.east;
}

}  // namespace mirvex
