// The MIF object reader: the one grammar of a MIF's object section. It takes the lines
// after "Data" one by one, pairs each object with its MID record and hands the object
// to a consumer as it is read: its start, its parts and vertices, the string of a text
// object, and its end. The conversion and the map view are both such consumers.
//
// The consumer is a template parameter, so every call inlines into the loop over the
// lines; it provides
//   static constexpr bool kTakesValues;      // true: vertices come with their values read
//                                            // (a map view), false: texts only (a conversion)
//   void ObjectStarted(const MifObjectStart& object);
//   void PartStarted();                      // a region's ring or a polyline's part begins
//   void Vertex(const MifVertex& vertex);
//   void TextString(std::string_view text);  // a text object's string, cp1251, checked
//   void ObjectFinished(bool numbers_usable); // false: a coordinate was no number
//   void LineUnreadable();                   // a line inside an object that means nothing
#pragma once

#include <cstdint>
#include <string_view>

#include "base/cp1251.h"
#include "base/text.h"
#include "mapinfo/mid_reader.h"
#include "mapinfo/mif_lines.h"

namespace mirvex {

// What a MIF object is drawn as: a region (rings), a polyline (parts) or a point. A
// Line is a polyline of two vertices; Ellipse, Rect, Roundrect, Arc, Text and every
// vertex of a Multipoint are points.
enum class MifShape : std::uint8_t { kRegion, kPolyline, kPoint };

struct MifObjectStart {
  MifShape shape = MifShape::kPoint;
  bool text = false;         // a Text object: its string and then its position follow
  const MidRecord* record;   // the object's MID record (a collection's parts share one)
  std::uint64_t number = 0;  // the object's place in the MIF, from 1 (a collection's parts share one)
};

// One vertex. A vertex written in the MIF carries its two number texts as they stand;
// a position the reader computes (a Point's, the centre of an Ellipse's box) carries
// only its values.
struct MifVertex {
  std::string_view x_text;
  std::string_view y_text;
  bool computed = false;  // no texts: x and y hold the position
  bool plain = true;      // both texts hold number characters only, so they can be copied
  bool decimal = false;   // both texts are plain decimals (IsPlainDecimal)
  double x = 0, y = 0;
  bool valued = false;    // x and y hold the values of the texts

  // The values of a written vertex (a token with other characters is the number it
  // begins with), or the computed position.
  void Values(double& vx, double& vy) const {
    if (computed || valued) {
      vx = x;
      vy = y;
    } else if (decimal) {
      vx = DecimalValue(x_text);
      vy = DecimalValue(y_text);
    } else {
      vx = Value(x_text);
      vy = Value(y_text);
    }
  }
};

template <typename Consumer>
class MifObjectReader {
 public:
  // `mid` is positioned at the first record; `column_count` as MidReader::ReadRecord
  // takes it; `utf8`: text strings are UTF-8 (the header's Charset). `line_number` is
  // the number of the "Data" line, so the report of a coordinate that is no number can
  // name the line.
  MifObjectReader(Consumer& consumer, MidReader& mid, std::int64_t column_count, bool utf8,
                  std::int64_t line_number)
      : consumer_(consumer), mid_(mid), column_count_(column_count), utf8_(utf8), line_number_(line_number) {}

  void Line(std::string_view line) {
    ++line_number_;
    if (stage_ == Stage::kAwaitString) {
      // The string line of a text object is never read as a keyword; blank lines before it are skipped.
      std::string_view probe = line;
      if (NextToken(probe).empty()) return;
      TakeTextString(line);
      return;
    }
    // Most lines are coordinates: a line that starts like a number is no keyword line.
    std::size_t first = 0;
    while (first < line.size() && kMifCharClasses.blank[static_cast<unsigned char>(line[first])]) ++first;
    if (first < line.size() && IsNumberStart(line[first])) {
      CoordinateLine(line);
      return;
    }
    std::string_view rest;
    MifKeyword keyword = ClassifyMifLine(line, rest);
    if (keyword == MifKeyword::kStyle) {
      Finish();
    } else if (keyword != MifKeyword::kOther) {
      Start(keyword, rest);
    } else if (first < line.size() && (in_object_ || HasControlBytes(line))) {
      consumer_.LineUnreadable();
    }
  }

  // Ends the object still in progress at the end of the file.
  void End() { Finish(); }

  // Objects left out because a coordinate of theirs was no number, and the first line
  // (numbered from 1) that held such a coordinate.
  std::uint64_t objects_without_numbers() const { return objects_without_numbers_; }
  std::int64_t first_line_without_numbers() const { return first_line_without_numbers_; }

 private:
  enum class Stage : std::uint8_t { kVertices, kAwaitString, kAwaitPosition, kComplete };

  void CoordinateLine(std::string_view line) {
    if (!in_object_ || stage_ == Stage::kComplete) return;
    CoordinateTokens tokens;
    MifVertex vertex;
    if (!(Consumer::kTakesValues && ReadPlainPair(line, tokens, vertex.x, vertex.y))) {
      tokens = SplitCoordinates(line);
    } else {
      vertex.valued = true;
    }
    auto [xt, yt, plain, decimal] = tokens;
    vertex.x_text = xt;
    vertex.y_text = yt;
    vertex.plain = plain;
    vertex.decimal = decimal;
    if (!LooksNumeric(xt)) return;  // an empty line or a clause this reader does not know
    if (yt.empty()) {
      // A count line: the number of vertices of the next part.
      if (shape_ == MifShape::kRegion || shape_ == MifShape::kPolyline) consumer_.PartStarted();
      return;
    }
    if (!LooksNumeric(yt)) {
      // "36.5 abc" holds no position: the line is not read as a vertex.
      consumer_.LineUnreadable();
      return;
    }
    if (multipoint_) {
      // Each vertex is a point of its own with the object's record: only that point
      // is left out when its numbers are unusable.
      consumer_.ObjectStarted(MifObjectStart{MifShape::kPoint, false, &record_, object_number_});
      bool usable = NumbersUsable(xt, yt, plain);
      if (usable) consumer_.Vertex(vertex);
      EndObject(usable);
      return;
    }
    if (!decimal && !NumbersUsable(xt, yt, plain)) {
      numbers_usable_ = false;
      return;
    }
    consumer_.Vertex(vertex);
    // The position line of a text object: the text stands at the first corner of its box.
    if (stage_ == Stage::kAwaitPosition) stage_ = Stage::kComplete;
  }

  void Start(MifKeyword keyword, std::string_view rest) {
    bool part = collection_parts_left_ > 0 && (keyword == MifKeyword::kRegion || keyword == MifKeyword::kPline ||
                                               keyword == MifKeyword::kMultipoint);
    Finish();
    if (part) {
      --collection_parts_left_;  // the parts of a collection share its record
    } else {
      collection_parts_left_ = 0;
      mid_.ReadRecord(column_count_, record_);  // every object takes exactly one MID record
      ++object_number_;
    }
    switch (keyword) {
      case MifKeyword::kRegion:
        Begin(MifShape::kRegion, Stage::kVertices);
        break;
      case MifKeyword::kPline:
        Begin(MifShape::kPolyline, Stage::kVertices);
        break;
      case MifKeyword::kPoint: {
        Begin(MifShape::kPoint, Stage::kComplete);
        std::string_view xt = NextToken(rest), yt = NextToken(rest);
        // A keyword line without its numbers draws nothing; the record is still taken.
        if (!LooksNumeric(xt) || !LooksNumeric(yt)) break;
        if (!NumbersUsable(xt, yt, false)) {
          numbers_usable_ = false;
          break;
        }
        consumer_.Vertex(Computed(Value(xt), Value(yt)));
        break;
      }
      case MifKeyword::kLine: {
        Begin(MifShape::kPolyline, Stage::kComplete);
        std::string_view c[4];
        if (!TwoCorners(rest, c)) break;
        consumer_.Vertex(Written(c[0], c[1]));
        consumer_.Vertex(Written(c[2], c[3]));
        break;
      }
      case MifKeyword::kEllipse:
      case MifKeyword::kRect:
      case MifKeyword::kRoundrect:
      case MifKeyword::kArc: {
        // Drawn as a point at the centre of the box.
        Begin(MifShape::kPoint, Stage::kComplete);
        std::string_view c[4];
        if (!TwoCorners(rest, c)) break;
        consumer_.Vertex(Computed((Value(c[0]) + Value(c[2])) / 2, (Value(c[1]) + Value(c[3])) / 2));
        break;
      }
      case MifKeyword::kText:
        text_ = true;
        Begin(MifShape::kPoint, Stage::kAwaitString);
        if (rest.find('"') != std::string_view::npos) TakeTextString(rest);
        break;
      case MifKeyword::kMultipoint:
        // Not an object of its own: each vertex is one (see CoordinateLine).
        in_object_ = true;
        multipoint_ = true;
        shape_ = MifShape::kPoint;
        stage_ = Stage::kVertices;
        break;
      case MifKeyword::kCollection: {
        double parts = Value(NextToken(rest));
        collection_parts_left_ = parts > 0 && parts < 1000 ? static_cast<int>(parts) : 0;
        break;
      }
      default:  // "none": the record is taken, nothing is drawn
        break;
    }
  }

  // The two corners on a keyword line (Line, Rect and the like), x1 y1 x2 y2: false when
  // they are missing, or (the object then left out) when one is no usable number.
  bool TwoCorners(std::string_view rest, std::string_view (&corner)[4]) {
    for (std::string_view& token : corner) token = NextToken(rest);
    for (std::string_view token : corner) {
      if (!LooksNumeric(token)) return false;
    }
    if (!NumbersUsable(corner[0], corner[1], false) || !NumbersUsable(corner[2], corner[3], false)) {
      numbers_usable_ = false;
      return false;
    }
    return true;
  }

  void Begin(MifShape shape, Stage stage) {
    in_object_ = true;
    started_ = true;
    shape_ = shape;
    stage_ = stage;
    consumer_.ObjectStarted(MifObjectStart{shape, text_, &record_, object_number_});
  }

  void TakeTextString(std::string_view text) {
    // The string runs from the first quotation mark to the closing one at the end.
    std::size_t open = text.find('"');
    std::string_view body = open == std::string_view::npos ? text : text.substr(open + 1);
    while (!body.empty() && (body.back() == ' ' || body.back() == '\t')) body.remove_suffix(1);
    if (!body.empty() && body.back() == '"') body.remove_suffix(1);
    consumer_.TextString(CheckText(utf8_ ? std::string_view(Utf8ToCp1251(body)) : body));
    stage_ = Stage::kAwaitPosition;
  }

  void Finish() {
    if (started_) EndObject(numbers_usable_);
    started_ = false;
    in_object_ = false;
    multipoint_ = false;
    text_ = false;
    numbers_usable_ = true;
    stage_ = Stage::kVertices;
  }

  void EndObject(bool usable) {
    if (!usable && objects_without_numbers_++ == 0) first_line_without_numbers_ = unusable_line_;
    consumer_.ObjectFinished(usable);
  }

  // False for a coordinate written in number characters that is no finite decimal
  // ("1e", "1.2.3", "1e999"): it has no value and a map compiler refuses it. `plain`:
  // both texts are known to hold number characters only.
  bool NumbersUsable(std::string_view xt, std::string_view yt, bool plain) {
    for (std::string_view token : {xt, yt}) {
      if (!(plain ? NumberCharactersAreANumber(token) : CoordinateTextUsable(token))) {
        if (numbers_usable_) unusable_line_ = line_number_;
        return false;
      }
    }
    return true;
  }

  static MifVertex Written(std::string_view xt, std::string_view yt) {
    return MifVertex{xt, yt, false, HoldsOnlyNumberCharacters(xt) && HoldsOnlyNumberCharacters(yt), false};
  }
  static MifVertex Computed(double x, double y) { return MifVertex{{}, {}, true, true, false, x, y}; }

  Consumer& consumer_;
  MidReader& mid_;
  std::int64_t column_count_;
  bool utf8_;
  std::int64_t line_number_;
  MidRecord record_;
  MifShape shape_ = MifShape::kPoint;
  Stage stage_ = Stage::kVertices;
  bool in_object_ = false;       // an object (or a multipoint) is being read
  bool started_ = false;         // ObjectStarted was given for it
  bool multipoint_ = false;
  bool text_ = false;
  bool numbers_usable_ = true;   // no coordinate of the object was unusable
  int collection_parts_left_ = 0;
  std::uint64_t object_number_ = 0;
  std::uint64_t objects_without_numbers_ = 0;
  std::int64_t first_line_without_numbers_ = 0;
  std::int64_t unusable_line_ = 0;
};

}  // namespace mirvex
