#include "garmin/map_crop.h"

#include <algorithm>

#include "base/text.h"
#include "garmin/text_map_reader.h"

namespace mirvex {

namespace {

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

}  // namespace

void Cropper::Line(std::string_view raw) {
  TextMapLine line = ReadTextMapLine(raw);
  bool object_section = line.kind == TextMapLineKind::kSection && line.object_section != 0;
  if (in_header_) {
    if (!object_section) {
      // Header lines are carried as they stand, without the spaces before them.
      header_ += WithoutLeadingBlanks(raw);
      header_ += kLineBreak;
      return;
    }
    result_.WriteLine(header_);
    in_header_ = false;
  }
  if (object_section) {
    // Sections of other numbers are not carried into the cropped map.
    if (line.object_section > 0) StartObject(line.object_section / 10);
    return;
  }
  if (line.kind != TextMapLineKind::kKey) return;  // an end line, an empty line
  switch (line.key_kind) {
    case TextMapKey::kType:
      type_ = line.value;
      break;
    case TextMapKey::kLabel:
      label_ = line.value;
      break;
    case TextMapKey::kLevels:
      level_ = static_cast<int>(std::clamp(RoundHalfEven(Value(line.value)), -32768.0, 32767.0));
      break;
    case TextMapKey::kDirIndicator:
      dir_indicator_ = line.value == "1";
      break;
    case TextMapKey::kCoordinates:
      if (Cutting()) KeepPath(line);
      if (line.origin) expecting_second_ = false;
      CoordinateLine(line.key, line.value);
      break;
    default:
      break;  // other keys are not carried into the cropped map
  }
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
  path_count_ = 0;
  path_pairs_ = 0;
  wholly_inside_ = true;
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

void Cropper::KeepPath(const TextMapLine& line) {
  if (paths_.size() <= path_count_) paths_.resize(path_count_ + 1);
  PathLine& kept = paths_[path_count_++];
  kept.key.assign(line.key);
  kept.index = line.coordinate_index;
  kept.origin = line.origin;
  kept.path.clear();
  std::size_t at = 0;
  std::string_view latitude, longitude;
  PairStep step;
  while ((step = NextCoordinatePair(line.value, at, latitude, longitude)) == PairStep::kPair) {
    double y = Value(latitude), x = Value(longitude);
    kept.path.push_back({x, y});
    wholly_inside_ = wholly_inside_ && InsideRectangle(bounds_, y, x);
  }
  // The pairs after a broken one are not read: the object is cut from those before it.
  if (step == PairStep::kBroken) wholly_inside_ = false;
  path_pairs_ += kept.path.size();
}

namespace {

void AppendPath(std::string& out, std::string_view key, const ClipPath& path) {
  out += kLineBreak;
  out += key;
  out += '=';
  AppendPairList(out, path);
}

}  // namespace

// Replaces the object's kept pairs by its parts inside the rectangle.
void Cropper::CutObject() {
  ClipBox box{bounds_.west, bounds_.south, bounds_.east, bounds_.north};
  data_.clear();
  kept_pairs_ = 0;
  auto append = [&](const PathLine& line, const ClipPath& path) {
    AppendPath(data_, line.key, path);
    kept_pairs_ += path.size();
  };
  if (kind_ == 4) {
    for (std::size_t i = 0; i < path_count_; ++i) {
      for (const ClipPath& piece : ClipPolyline(paths_[i].path, box)) append(paths_[i], piece);
    }
  } else {
    // A region: the rings of each key together, in the order the keys first appear.
    std::vector<bool> done(path_count_);
    std::vector<ClipPath> rings;
    for (std::size_t i = 0; i < path_count_; ++i) {
      if (done[i]) continue;
      rings.clear();
      for (std::size_t j = i; j < path_count_; ++j) {
        if (done[j] || paths_[j].index != paths_[i].index || paths_[j].origin != paths_[i].origin) continue;
        done[j] = true;
        rings.push_back(paths_[j].path);
      }
      for (const ClippedPolygon& part : ClipRegion(rings, box)) {
        append(paths_[i], part.outer);
        for (const ClipPath& hole : part.holes) append(paths_[i], hole);
      }
    }
  }
  keep_ = !data_.empty();
}

void Cropper::SaveObject() {
  ClosePart();
  // An object wholly inside keeps its pairs as they were written; the others are cut.
  if (Cutting() && !(wholly_inside_ && kept_pairs_ == path_pairs_)) CutObject();
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
