#include "mapview/map_readers.h"

#include <string>
#include <string_view>

#include "base/cp1251.h"
#include "base/text.h"
#include "dictionary/type_lookup.h"
#include "garmin/text_map_reader.h"
#include "mapinfo/mif_object_reader.h"
#include "mapview/map_summary.h"
#include "operations/object_decision.h"

namespace mirvex::mapview {

namespace {

std::string_view WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

MapObjectKind KindOf(MifShape shape) {
  switch (shape) {
    case MifShape::kRegion: return MapObjectKind::kRegion;
    case MifShape::kPolyline: return MapObjectKind::kPolyline;
    case MifShape::kPoint: break;
  }
  return MapObjectKind::kPoint;
}

std::int16_t KindCodeOf(MifShape shape) {
  switch (shape) {
    case MifShape::kRegion: return kKindRegion;
    case MifShape::kPolyline: return kKindPolyline;
    case MifShape::kPoint: break;
  }
  return kKindPoint;
}

// The view's consumer of the MIF object reader: each object with the section, type,
// label, level and assignment the conversion's decision gives it, its vertices
// georeferenced as the conversion's are, handed to the summary.
class MifViewObjects {
 public:
  static constexpr bool kTakesValues = true;

  MifViewObjects(MapSummaryBuilder& builder, const ConversionOptions& options, TypeLookup& lookup,
                 const std::optional<Georef>& georef, Wgs84Transform* to_wgs84, const ObjectWatcher& watcher)
      : builder_(builder),
        options_(options),
        decider_(options, lookup),
        georef_(georef),
        to_wgs84_(to_wgs84),
        watcher_(watcher) {}

  void ObjectStarted(const MifObjectStart& start) {
    number_ = start.number;
    untransformable_ = false;
    shape_ = start.shape;
    record_ = start.record;
    text_ = start.text;
    text_label_.clear();
    size_.Reset();
    has_vertices_ = false;
    // A text object is decided once its string (its label) is known; the reader gives
    // the string before the position.
    decided_ = false;
    if (!text_) Decide();
  }
  void PartStarted() { builder_.NewPart(); }
  void Vertex(const MifVertex& vertex) {
    if (!decided_) Decide();
    if (untransformable_) return;
    double x = 0, y = 0;
    vertex.Values(x, y);
    // As the conversion writes it: in WGS 84 degrees, measured on them, and the whole
    // object left out when one position has no place there.
    if (to_wgs84_ != nullptr && !to_wgs84_->Transform(x, y)) {
      untransformable_ = true;
      return;
    }
    if (options_.raise_large_objects && !vertex.computed) size_.Add(x, y);
    if (georef_) georef_->Transform(x, y, x, y);
    // The conversion writes the object once it has a vertex, even one the view cannot
    // place (a latitude of 1e30): the view counts it read all the same.
    has_vertices_ = true;
    if (!builder_.Vertex(x, y)) ++unreadable_;
  }
  void TextString(std::string_view text) {
    text_label_ = text;
    Decide();
  }
  void ObjectFinished(bool numbers_usable) {
    if (!decided_) Decide();
    if (numbers_usable && untransformable_) {
      untransformed_.Add(number_);
      numbers_usable = false;
    }
    PendingObject& object = builder_.object();
    if (!numbers_usable) object.ClearVertices();
    object.level = WrittenLevel(options_, object.level, size_.size());
    if (watcher_ && numbers_usable && has_vertices_ && written_) {
      watcher_(MapObjectInfo{object.kind, object.assignment, std::string(KindSection(object.kind)), object.type,
                             object.label, object.description, object.level});
    }
    builder_.Finish();
  }
  void LineUnreadable() { ++unreadable_; }

  std::uint64_t unreadable() const { return unreadable_; }
  const UntransformedObjects& untransformed() const { return untransformed_; }

 private:
  void Decide() {
    decided_ = true;
    const ObjectDecision& decision = decider_.Decide(KindCodeOf(shape_), *record_, text_, text_label_);
    PendingObject& object = builder_.object();
    object.description.assign(decider_.Description(*record_), 0, kTextLimit);
    object.label.assign(decision.label, 0, kTextLimit);
    object.type.assign(decision.type, 0, kTextLimit);
    object.level = decision.level;
    object.assignment = decision.assignment;
    // A left-out object is drawn (greyed) as what its MIF object is.
    object.kind = decision.kind == kKindRegion     ? MapObjectKind::kRegion
                  : decision.kind == kKindPolyline ? MapObjectKind::kPolyline
                  : decision.kind == kKindPoint    ? MapObjectKind::kPoint
                                                   : KindOf(shape_);
    // What the conversion writes: not a left-out object, nor a text whose string was refused.
    written_ = decision.kind != kKindLeftOut && !(text_ && text_label_.empty());
  }

  MapSummaryBuilder& builder_;
  const ConversionOptions& options_;
  ObjectDecider decider_;
  const std::optional<Georef>& georef_;
  Wgs84Transform* to_wgs84_;  // null: the numbers are drawn as they stand
  const ObjectWatcher& watcher_;
  std::uint64_t number_ = 0;
  bool untransformable_ = false;
  UntransformedObjects untransformed_;
  MifShape shape_ = MifShape::kPoint;
  const MidRecord* record_ = nullptr;
  bool text_ = false;
  std::string text_label_;
  SizeMeasure size_;
  bool decided_ = false;
  bool has_vertices_ = false;
  bool written_ = false;
  std::uint64_t unreadable_ = 0;
};

// The text-map reader of the view: sections, their Type, Label, Levels and the pairs
// of the most detailed Data (or Origin) lines.
class TextMapViewReader {
 public:
  TextMapViewReader(MapSummaryBuilder& builder, const ObjectWatcher& watcher) : builder_(builder), watcher_(watcher) {}

  void Line(std::string_view raw) {
    TextMapLine line = ReadTextMapLine(raw);
    if (line.kind == TextMapLineKind::kEmpty || line.kind == TextMapLineKind::kComment) return;
    if (HasControlBytes(line.text)) {
      ++unreadable_;
      return;
    }
    switch (line.kind) {
      case TextMapLineKind::kSection:
        if (line.object_section == 80) return Start(MapObjectKind::kRegion);
        if (line.object_section == 40) return Start(MapObjectKind::kPolyline);
        if (line.object_section == 10 || line.object_section == 20) return Start(MapObjectKind::kPoint);
        // Another section (the header's [IMG ID], for one): its keys are no object's.
        Finish();
        return;
      case TextMapLineKind::kSectionEnd:
        Finish();
        return;
      case TextMapLineKind::kKey:
        break;
      default:
        ++unreadable_;
        return;
    }
    if (!in_object_) return;  // a header key
    std::string_view value = WithoutTrailingBlanks(line.value);
    PendingObject& object = builder_.object();
    switch (line.key_kind) {
      case TextMapKey::kType:
        object.type.assign(value.substr(0, kTextLimit));
        break;
      case TextMapKey::kLabel:
        object.label.assign(value.substr(0, kTextLimit));
        break;
      case TextMapKey::kLevels:
      case TextMapKey::kEndLevel: {
        double level = Value(value);
        object.level = level > 0 && level < 256 ? static_cast<int>(level) : 0;
        break;
      }
      case TextMapKey::kCoordinates:
        if (line.coordinate_index > data_index_) return;  // a coarser copy of geometry already read
        if (line.coordinate_index < data_index_) {
          object.ClearVertices();
          data_index_ = line.coordinate_index;
        }
        Pairs(value);
        break;
      default:
        break;
    }
  }
  void End() { Finish(); }
  std::uint64_t unreadable() const { return unreadable_; }

 private:
  void Start(MapObjectKind kind) {
    Finish();
    in_object_ = true;
    builder_.object().kind = kind;
    data_index_ = 1000;
  }

  void Finish() {
    if (!in_object_) return;
    in_object_ = false;
    if (watcher_) {
      const PendingObject& object = builder_.object();
      if (!object.vertices.empty()) {
        watcher_(MapObjectInfo{object.kind, object.assignment, std::string(KindSection(object.kind)), object.type,
                               object.label, object.description, object.level});
      }
    }
    builder_.Finish();
  }

  // "(lat,lon),(lat,lon),...": each pair a vertex of one part.
  void Pairs(std::string_view text) {
    builder_.NewPart();
    std::size_t at = 0;
    std::string_view latitude, longitude;
    bool any = false;
    while (true) {
      PairStep step = NextCoordinatePair(text, at, latitude, longitude);
      if (step == PairStep::kEnd) break;
      if (step == PairStep::kBroken) {
        ++unreadable_;
        return;
      }
      if (!LooksNumeric(latitude) || !LooksNumeric(longitude) ||
          !builder_.Vertex(Value(longitude), Value(latitude))) {
        ++unreadable_;
      } else {
        any = true;
      }
    }
    if (!any && text.empty()) ++unreadable_;
  }

  MapSummaryBuilder& builder_;
  const ObjectWatcher& watcher_;
  bool in_object_ = false;
  int data_index_ = 1000;
  std::uint64_t unreadable_ = 0;
};

}  // namespace

bool ReadMifHeader(TextReader& mif, MifHeaderInfo& header) {
  bool data_found = false;
  std::string_view line;
  while (!data_found && mif.ReadLine(line)) data_found = ScanHeaderLine(line, header);
  return data_found;
}

ReadTrouble ReadMifObjects(TextReader& mif, MidReader& mid, MapSummaryBuilder& builder,
                           const ConversionOptions& options, const DictionaryImage* dictionary,
                           const std::optional<Georef>& georef, Wgs84Transform* to_wgs84, bool utf8,
                           std::int64_t column_count, ProgressReporter& progress, const ObjectWatcher& watcher) {
  TypeLookup lookup(dictionary);
  MifViewObjects objects(builder, options, lookup, georef, to_wgs84, watcher);
  MifObjectReader reader(objects, mid, column_count, utf8, 0);
  std::string_view line;
  while (mif.ReadLine(line)) {
    reader.Line(line);
    progress.Update(mif.Offset());
    if (progress.stopped()) break;
  }
  reader.End();
  return {objects.unreadable(), reader.objects_without_numbers(), objects.untransformed()};
}

ReadTrouble ReadTextMapObjects(TextReader& map, MapSummaryBuilder& builder, ProgressReporter& progress,
                               const ObjectWatcher& watcher) {
  TextMapViewReader reader(builder, watcher);
  std::string_view line;
  while (map.ReadLine(line)) {
    reader.Line(line);
    progress.Update(map.Offset());
    if (progress.stopped()) break;
  }
  reader.End();
  return {reader.unreadable(), 0, {}};
}

}  // namespace mirvex::mapview
