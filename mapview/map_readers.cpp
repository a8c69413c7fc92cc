#include "mapview/map_readers.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "base/cp1251.h"
#include "base/text.h"
#include "dictionary/type_lookup.h"
#include "mapview/map_summary.h"

namespace mirvex::mapview {

namespace {

bool HasControlBytes(std::string_view line) {
  for (char c : line) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && byte != '\t') return true;
  }
  return false;
}

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A plain decimal at `p` (an optional sign, digits and at most one point, 1 to 15
// digits in all) followed by a blank or the end; `p` moves past it. The digits fit in
// 53 bits, so dividing them by a power of ten is one correctly rounded division: the
// value Value() gives for the same text. False for any other form.
inline bool PlainDecimal(const char*& p, const char* end, double& value) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  std::uint64_t digits = 0;
  const char* first = p;
  while (p != end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
  std::ptrdiff_t count = p - first;
  std::ptrdiff_t decimals = 0;
  if (p != end && *p == '.') {
    const char* fraction = ++p;
    while (p != end && static_cast<unsigned>(*p - '0') < 10) digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
    decimals = p - fraction;
  }
  if (count + decimals == 0 || count + decimals > 15) return false;
  if (p != end && *p != ' ' && *p != '\t') return false;
  value = static_cast<double>(digits) / kPowersOfTen[decimals];
  if (negative) value = -value;
  return true;
}

// A coordinate line of two plain decimals between blanks, read in one pass: nearly
// every line of a map. False (and the general split and parse decide) otherwise.
inline bool PlainPair(std::string_view line, double& x, double& y) {
  const char* p = line.data();
  const char* end = p + line.size();
  auto blanks = [&]() {
    while (p != end && (*p == ' ' || *p == '\t')) ++p;
  };
  blanks();
  if (!PlainDecimal(p, end, x)) return false;
  blanks();
  if (!PlainDecimal(p, end, y)) return false;
  blanks();
  return p == end;
}

// The MIF object loop of the view: the same objects, records and coordinates a
// conversion reads, handed to the summary instead of a writer.
class MifViewReader {
 public:
  MifViewReader(MapSummaryBuilder& builder, MidReader& mid, const ConversionOptions& options,
                const DictionaryImage* dictionary, const std::optional<Georef>& georef, bool utf8,
                std::int64_t column_count)
      : builder_(builder),
        mid_(mid),
        options_(options),
        dictionary_(dictionary),
        georef_(georef),
        utf8_(utf8),
        column_count_(column_count) {
    if (dictionary_) {
      if (const RecordSummary* fallback = dictionary_->FirstMatchSummary(DefaultTypeName())) {
        default_type_ = std::string(TrimBlanks(FieldText(fallback->type)));
      }
    }
  }

  void Line(std::string_view line) {
    if (awaiting_text_) {
      std::string_view probe = line;
      if (NextToken(probe).empty()) return;
      TakeText(line);
      return;
    }
    std::string_view start = WithoutLeadingBlanks(line);
    if (!start.empty() && IsNumberStart(start.front())) {
      Coordinates(line);
      return;
    }
    std::string_view rest;
    MifKeyword keyword = ClassifyMifLine(line, rest);
    if (keyword == MifKeyword::kStyle) {
      Finish();
    } else if (keyword != MifKeyword::kOther) {
      Start(keyword, rest);
    } else if (!start.empty() && (HasControlBytes(line) || kind_known_)) {
      ++unreadable_;
    }
  }
  void End() { Finish(); }
  std::uint64_t unreadable() const { return unreadable_; }
  // Objects not drawn because a coordinate of theirs is no number (CoordinateTextUsable).
  std::uint64_t objects_without_numbers() const { return objects_without_numbers_; }

 private:
  void Vertex(double x, double y, bool new_part = false) {
    if (georef_) georef_->Transform(x, y, x, y);
    if (!builder_.Vertex(x, y, new_part)) ++unreadable_;
  }

  void Coordinates(std::string_view line) {
    if (!kind_known_ || complete_) return;
    double x = 0, y = 0;
    if (!PlainPair(line, x, y)) {
      auto [xt, yt, plain, decimal] = SplitCoordinates(line);
      (void)plain;
      if (yt.empty()) {
        builder_.NewPart();  // a count line: the next vertex opens a part
        return;
      }
      if (!LooksNumeric(yt)) {
        ++unreadable_;
        return;
      }
      if (!decimal && (!CoordinateTextUsable(xt) || !CoordinateTextUsable(yt))) {
        // Left out as the conversion leaves it out: a point of a multipoint alone.
        if (multipoint_) {
          ++objects_without_numbers_;
        } else {
          without_numbers_ = true;
        }
        return;
      }
      x = Value(xt);
      y = Value(yt);
    }
    if (multipoint_) {
      // Each vertex of a multipoint is a point of its own with the object's record.
      Vertex(x, y);
      builder_.FinishKeepingAttributes();
      return;
    }
    Vertex(x, y);
    if (awaiting_position_) {
      awaiting_position_ = false;
      complete_ = true;
    }
  }

  void Start(MifKeyword keyword, std::string_view rest) {
    bool part = collection_left_ > 0 && (keyword == MifKeyword::kRegion || keyword == MifKeyword::kPline ||
                                         keyword == MifKeyword::kMultipoint);
    Finish();
    if (part) {
      --collection_left_;
    } else {
      collection_left_ = 0;
      mid_.ReadRecord(column_count_, record_);
    }
    kind_known_ = true;
    MapObjectKind kind = MapObjectKind::kPoint;
    auto numbers = [&](int count, double* out) {
      for (int i = 0; i < count; ++i) {
        std::string_view token = NextToken(rest);
        if (!LooksNumeric(token)) return false;
        if (!CoordinateTextUsable(token)) {
          without_numbers_ = true;
          return false;
        }
        out[i] = Value(token);
      }
      return true;
    };
    double v[4] = {};
    // The vertices on the keyword's line, added once the object's section and
    // assignment are known: the summary fetches the dot slots of that style early.
    MapPoint given[2];
    int given_count = 0;
    switch (keyword) {
      case MifKeyword::kRegion:
        kind = MapObjectKind::kRegion;
        break;
      case MifKeyword::kPline:
        kind = MapObjectKind::kPolyline;
        break;
      case MifKeyword::kPoint:
        complete_ = true;
        if (numbers(2, v)) given[given_count++] = {v[0], v[1]};
        break;
      case MifKeyword::kLine:
        kind = MapObjectKind::kPolyline;
        complete_ = true;
        if (numbers(4, v)) {
          given[given_count++] = {v[0], v[1]};
          given[given_count++] = {v[2], v[3]};
        }
        break;
      case MifKeyword::kEllipse:
      case MifKeyword::kRect:
      case MifKeyword::kRoundrect:
      case MifKeyword::kArc:
        complete_ = true;
        if (numbers(4, v)) given[given_count++] = {(v[0] + v[2]) / 2, (v[1] + v[3]) / 2};
        break;
      case MifKeyword::kText:
        text_object_ = true;
        if (rest.find('"') != std::string_view::npos) {
          TakeText(rest);
        } else {
          awaiting_text_ = true;
        }
        break;
      case MifKeyword::kMultipoint:
        multipoint_ = true;
        break;
      case MifKeyword::kCollection: {
        double parts = Value(NextToken(rest));
        collection_left_ = parts > 0 && parts < 1000 ? static_cast<int>(parts) : 0;
        kind_known_ = false;
        break;
      }
      default:
        kind_known_ = false;
        break;
    }
    Attributes(kind);
    for (int i = 0; i < given_count; ++i) Vertex(given[i].x, given[i].y);
  }

  void TakeText(std::string_view text) {
    std::size_t open = text.find('"');
    std::string_view body = open == std::string_view::npos ? text : text.substr(open + 1);
    while (!body.empty() && (body.back() == ' ' || body.back() == '\t')) body.remove_suffix(1);
    if (!body.empty() && body.back() == '"') body.remove_suffix(1);
    builder_.object().label = CheckText(utf8_ ? std::string_view(Utf8ToCp1251(body)) : body);
    awaiting_text_ = false;
    awaiting_position_ = true;
  }

  // The section, type, level and label the conversion would give the object.
  void Attributes(MapObjectKind kind) {
    PendingObject& object = builder_.object();
    auto field = [&](int column) -> const std::string& {
      static const std::string kEmpty;
      return column > 0 && column < kMidFieldSlots ? record_[static_cast<std::size_t>(column)] : kEmpty;
    };
    object.description.assign(field(options_.type_column), 0, kTextLimit);
    if (!options_.no_labels && !text_object_) object.label.assign(field(options_.label_column), 0, kTextLimit);
    object.kind = kind;
    const RecordSummary* match = nullptr;
    std::string_view description = TrimBlanks(object.description);
    if (dictionary_ && !description.empty()) match = dictionary_->FirstMatchSummary(description);
    if (!match) {
      object.assignment = Assignment::kUnassigned;
      object.type = text_object_ ? "0x1500" : default_type_;
      return;
    }
    object.assignment = Assignment::kAssigned;
    object.level = match->level;
    object.type = std::string(TrimBlanks(FieldText(match->type)));
    if (match->region == 5) {
      object.assignment = Assignment::kLeftOut;
      return;
    }
    if (!options_.section_from_mif) {
      switch (match->region) {
        case 0: object.kind = MapObjectKind::kPoint; break;
        case 1: object.kind = MapObjectKind::kPolyline; break;
        case 3: object.kind = MapObjectKind::kRegion; break;
        default: break;
      }
    }
    if (text_object_) object.type = "0x1500";
  }

  void Finish() {
    if (without_numbers_) {
      builder_.object().ClearVertices();
      ++objects_without_numbers_;
      without_numbers_ = false;
    }
    builder_.Finish();
    kind_known_ = false;
    complete_ = false;
    multipoint_ = false;
    awaiting_text_ = false;
    awaiting_position_ = false;
    text_object_ = false;
  }

  MapSummaryBuilder& builder_;
  MidReader& mid_;
  const ConversionOptions& options_;
  const DictionaryImage* dictionary_;
  const std::optional<Georef>& georef_;
  bool utf8_;
  std::int64_t column_count_;
  MidRecord record_;
  std::string default_type_;
  bool kind_known_ = false;
  bool complete_ = false;
  bool multipoint_ = false;
  bool awaiting_text_ = false;
  bool awaiting_position_ = false;
  bool text_object_ = false;
  int collection_left_ = 0;
  std::uint64_t unreadable_ = 0;
  bool without_numbers_ = false;  // the object in progress is not drawn
  std::uint64_t objects_without_numbers_ = 0;
};

// The text-map reader of the view: sections, their Type, Label, Levels and the pairs
// of the most detailed Data (or Origin) lines.
class TextMapViewReader {
 public:
  explicit TextMapViewReader(MapSummaryBuilder& builder) : builder_(builder) {}

  void Line(std::string_view raw) {
    std::string_view line = WithoutLeadingBlanks(raw);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.empty() || line.front() == ';') return;
    if (HasControlBytes(line)) {
      ++unreadable_;
      return;
    }
    if (StartsWith(line, "[RGN80")) return Start(MapObjectKind::kRegion, "[RGN80]");
    if (StartsWith(line, "[RGN40")) return Start(MapObjectKind::kPolyline, "[RGN40]");
    if (StartsWith(line, "[RGN20")) return Start(MapObjectKind::kPoint, "[RGN20]");
    if (StartsWith(line, "[RGN10")) return Start(MapObjectKind::kPoint, "[RGN10]");
    if (StartsWith(line, "[END")) {
      Finish();
      return;
    }
    if (line.front() == '[') {
      // Another section (the header's [IMG ID], for one): its keys are no object's.
      Finish();
      return;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      ++unreadable_;
      return;
    }
    if (!in_object_) return;  // a header key
    std::string_view key = line.substr(0, equals);
    std::string_view value = line.substr(equals + 1);
    PendingObject& object = builder_.object();
    if (key == "Type") {
      object.type.assign(value.substr(0, kTextLimit));
    } else if (key == "Label") {
      object.label.assign(value.substr(0, kTextLimit));
    } else if (key == "Levels" || key == "EndLevel") {
      double level = Value(value);
      object.level = level > 0 && level < 256 ? static_cast<int>(level) : 0;
    } else if (StartsWith(key, "Data") || StartsWith(key, "Origin")) {
      std::string_view digits = key.substr(StartsWith(key, "Data") ? 4 : 6);
      int index = digits.empty() ? 0 : static_cast<int>(std::clamp(Value(digits), 0.0, 99.0));
      if (index > data_index_) return;  // a coarser copy of geometry already read
      if (index < data_index_) {
        object.ClearVertices();
        data_index_ = index;
      }
      Pairs(value);
    }
  }
  void End() { Finish(); }
  std::uint64_t unreadable() const { return unreadable_; }

 private:
  void Start(MapObjectKind kind, std::string_view section) {
    Finish();
    in_object_ = true;
    builder_.object().kind = kind;
    section_ = section;
    data_index_ = 1000;
  }

  void Finish() {
    if (in_object_) builder_.Finish();
    in_object_ = false;
  }

  // "(lat,lon),(lat,lon),...": each pair a vertex of one part.
  void Pairs(std::string_view text) {
    builder_.NewPart();
    std::size_t at = 0;
    bool any = false;
    while (at < text.size()) {
      std::size_t open = text.find('(', at);
      if (open == std::string_view::npos) {
        if (TrimBlanks(text.substr(at)).find_first_not_of(',') != std::string_view::npos) ++unreadable_;
        break;
      }
      std::size_t comma = text.find(',', open);
      std::size_t close = text.find(')', open);
      if (comma == std::string_view::npos || close == std::string_view::npos || comma > close) {
        ++unreadable_;
        break;
      }
      std::string_view latitude = TrimBlanks(text.substr(open + 1, comma - open - 1));
      std::string_view longitude = TrimBlanks(text.substr(comma + 1, close - comma - 1));
      if (!LooksNumeric(latitude) || !LooksNumeric(longitude) ||
          !builder_.Vertex(Value(longitude), Value(latitude))) {
        ++unreadable_;
      } else {
        any = true;
      }
      at = close + 1;
    }
    if (!any && text.empty()) ++unreadable_;
  }

  MapSummaryBuilder& builder_;
  bool in_object_ = false;
  int data_index_ = 1000;
  std::string_view section_;
  std::uint64_t unreadable_ = 0;
};

// True when the MIF's header names a plane (non-earth) coordinate system.
bool ScanPlaneSheet(std::string_view line) {
  std::string_view rest = line;
  std::string_view word = NextToken(rest);
  if (!EqualsIgnoreAsciiCase(word, "CoordSys")) return false;
  return EqualsIgnoreAsciiCase(NextToken(rest), "NonEarth");
}

}  // namespace

bool ReadMifHeader(TextReader& mif, MifHeaderInfo& header, bool& plane) {
  plane = false;
  bool data_found = false;
  std::string_view line;
  while (!data_found && mif.ReadLine(line)) {
    plane = plane || ScanPlaneSheet(WithoutLeadingBlanks(line));
    data_found = ScanHeaderLine(line, header);
  }
  return data_found;
}

ReadTrouble ReadMifObjects(TextReader& mif, MidReader& mid, MapSummaryBuilder& builder,
                           const ConversionOptions& options, const DictionaryImage* dictionary,
                           const std::optional<Georef>& georef, bool utf8, std::int64_t column_count,
                           ProgressReporter& progress) {
  MifViewReader reader(builder, mid, options, dictionary, georef, utf8, column_count);
  std::string_view line;
  while (mif.ReadLine(line)) {
    reader.Line(line);
    progress.Update(mif.Offset());
    if (progress.stopped()) break;
  }
  reader.End();
  return {reader.unreadable(), reader.objects_without_numbers()};
}

ReadTrouble ReadTextMapObjects(TextReader& map, MapSummaryBuilder& builder, ProgressReporter& progress) {
  TextMapViewReader reader(builder);
  std::string_view line;
  while (map.ReadLine(line)) {
    reader.Line(line);
    progress.Update(map.Offset());
    if (progress.stopped()) break;
  }
  reader.End();
  return {reader.unreadable(), 0};
}

}  // namespace mirvex::mapview
