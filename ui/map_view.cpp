#include "ui/map_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/progress.h"
#include "base/text.h"
#include "base/text_reader.h"
#include "dictionary/object_dictionary.h"
#include "dictionary/type_lookup.h"
#include "mapinfo/mid_reader.h"
#include "mapinfo/mif_header.h"
#include "mapinfo/mif_lines.h"
#include "operations/georef.h"
#include "settings/operation_options.h"

namespace mirvex::ui {

namespace {

// A line longer than this is cut (and reported): a file without line ends must not
// make the reader hold all of it.
constexpr std::size_t kLineLimit = 8u << 20;
// Attribute texts are kept up to this many bytes each.
constexpr std::size_t kTextLimit = 255;
// The coarsening stops here: a cell of 2^40 times the finest is wider than any map.
constexpr int kMaxShift = 40;
constexpr std::int32_t kPartBreak = std::numeric_limits<std::int32_t>::min();
constexpr double kGridLimit = 2147483000.0;
// The finest cell is 2^-20 of the first coordinate's magnitude (a few metres on a map
// in degrees): finer detail is no use on a screen, and starting finer only costs
// rounds of coarsening on a large map.
constexpr int kFinestBits = 20;

// A growing array in fixed chunks: it never copies itself to grow, so its memory is
// what it holds plus less than one chunk, and the summary can be rebuilt in place.
template <typename T, std::size_t kChunk = (std::size_t{64} << 10) / sizeof(T)>
class Chunked {
 public:
  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return chunks_[i / kChunk][i % kChunk]; }
  const T& operator[](std::size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  void push_back(const T& value) {
    if (size_ == chunks_.size() * kChunk) chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
    (*this)[size_++] = value;
  }
  // Keeps the first `size` elements and frees the chunks past them.
  void Truncate(std::size_t size) {
    size_ = std::min(size, size_);
    chunks_.resize((size_ + kChunk - 1) / kChunk);
    chunks_.shrink_to_fit();
  }
  void clear() { Truncate(0); }
  std::size_t bytes() const { return chunks_.size() * kChunk * sizeof(T) + chunks_.capacity() * sizeof(void*); }

 private:
  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

struct GridPoint {
  std::int32_t x = 0, y = 0;
  bool operator==(const GridPoint&) const = default;
};

// The set of grid cells that already hold a dot of a style: 64-bit fingerprints in an
// open-addressing table at most half full.
class CellSet {
 public:
  // True when the key was not there yet (and now is).
  bool Insert(std::uint64_t key) {
    if (key == 0) key = 1;
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
      if (slots_[i] == key) return false;
      if (slots_[i] == 0) {
        slots_[i] = key;
        ++count_;
        return true;
      }
    }
  }
  void clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    count_ = 0;
  }
  std::size_t bytes() const { return slots_.capacity() * sizeof(std::uint64_t); }

  static std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
  }

 private:
  void Grow() {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(64, old.size() * 2), 0);
    count_ = 0;
    for (std::uint64_t key : old) {
      if (key != 0) Insert(key);
    }
  }
  std::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
};

// One object of a zoom level: its vertices (parts split by a kPartBreak vertex), its
// box in the level's grid, and where its texts begin. A dot (no vertices) stands for
// every object of its style that lies within its one cell.
struct StoredObject {
  std::uint32_t first_vertex = 0;
  std::uint32_t vertex_count = 0;
  std::uint32_t text_offset = 0;
  GridPoint low, high;
  MapObjectKind kind = MapObjectKind::kPoint;
  Assignment assignment = Assignment::kAssigned;
  std::uint8_t level = 0;
  bool dot = false;
};

std::string_view KindSection(MapObjectKind kind) {
  switch (kind) {
    case MapObjectKind::kRegion: return "[RGN80]";
    case MapObjectKind::kPolyline: return "[RGN40]";
    default: return "[RGN10]";
  }
}

}  // namespace

// The zoom levels: level k stores every object on a grid whose cell is 4^k times the
// finest cell; all cells are `base_cell * 2^shift` wide at level 0.
struct MapView::Summary {
  struct Level {
    Chunked<StoredObject> objects;
    Chunked<GridPoint> vertices;
    Chunked<char> texts;  // per object: type, label, description, each a length byte and bytes
    CellSet dots;
    std::size_t bytes() const { return objects.bytes() + vertices.bytes() + texts.bytes() + dots.bytes(); }
  };

  bool has_origin = false;
  double origin_x = 0, origin_y = 0;
  double base_cell = 1;
  int shift = 0;
  bool full = false;  // the budget could not be kept by coarsening: later objects are dropped
  std::array<Level, kLevels> levels;

  double Cell(int level) const { return std::ldexp(base_cell, shift + 2 * level); }
  std::size_t bytes() const {
    std::size_t total = sizeof(*this);
    for (const Level& level : levels) total += level.bytes();
    return total;
  }
};

namespace {

// The object being read: its attributes and its vertices on the finest grid.
struct PendingObject {
  MapObjectKind kind = MapObjectKind::kPoint;
  Assignment assignment = Assignment::kAssigned;
  int level = 0;
  std::string type, label, description;
  std::vector<GridPoint> vertices;  // kPartBreak between parts
  bool part_open = false;
  void Clear() {
    type.clear();
    label.clear();
    description.clear();
    vertices.clear();
    part_open = false;
    level = 0;
    assignment = Assignment::kAssigned;
  }
};

void AppendText(Chunked<char>& texts, std::string_view text) {
  std::size_t size = std::min(text.size(), kTextLimit);
  texts.push_back(static_cast<char>(static_cast<unsigned char>(size)));
  for (std::size_t i = 0; i < size; ++i) texts.push_back(text[i]);
}

std::string ReadText(const Chunked<char>& texts, std::size_t& at) {
  std::size_t size = static_cast<unsigned char>(texts[at++]);
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = texts[at++];
  return text;
}

std::uint64_t DotKey(GridPoint cell, MapObjectKind kind, Assignment assignment) {
  std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cell.x)) << 32) |
                      static_cast<std::uint32_t>(cell.y);
  return CellSet::Mix(key) ^ (static_cast<std::uint64_t>(kind) * 3 + static_cast<std::uint64_t>(assignment) + 1) *
                                 0x9e3779b97f4a7c15ULL;
}

}  // namespace

// Feeds objects into the summary, keeping its memory within the budget by coarsening
// every level when it would grow past it.
class MapSummaryBuilder {
 public:
  MapSummaryBuilder(MapView& view) : view_(view), summary_(*view.summary_) {}

  PendingObject& object() { return object_; }

  // Adds a vertex to the object in progress; `new_part` starts a part of its own.
  // False when the coordinates are no finite numbers.
  bool Vertex(double x, double y, bool new_part = false) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    if (!summary_.has_origin) {
      summary_.has_origin = true;
      summary_.origin_x = x;
      summary_.origin_y = y;
      double magnitude = std::max({std::fabs(x), std::fabs(y), 1.0});
      summary_.base_cell = std::ldexp(1.0, static_cast<int>(std::floor(std::log2(magnitude))) - kFinestBits);
    }
    MapExtent& extent = view_.extent_;
    if (!view_.has_extent_) {
      extent = {x, y, x, y};
      view_.has_extent_ = true;
    } else {
      extent.min_x = std::min(extent.min_x, x);
      extent.max_x = std::max(extent.max_x, x);
      extent.min_y = std::min(extent.min_y, y);
      extent.max_y = std::max(extent.max_y, y);
    }
    double gx = 0, gy = 0;
    for (;;) {
      double cell = summary_.Cell(0);
      gx = std::floor((x - summary_.origin_x) / cell);
      gy = std::floor((y - summary_.origin_y) / cell);
      if (std::fabs(gx) < kGridLimit && std::fabs(gy) < kGridLimit) break;
      if (summary_.shift >= kMaxShift) return false;
      Coarsen();
    }
    GridPoint point{static_cast<std::int32_t>(gx), static_cast<std::int32_t>(gy)};
    std::vector<GridPoint>& vertices = object_.vertices;
    if (new_part || !object_.part_open) {
      if (!vertices.empty()) vertices.push_back({kPartBreak, kPartBreak});
      object_.part_open = true;
    } else if (vertices.back() == point) {
      return true;  // within the cell of the vertex before: nothing new to store
    }
    vertices.push_back(point);
    if ((vertices.size() & 4095) == 0 && Over()) Relieve();
    return true;
  }
  void NewPart() { object_.part_open = false; }

  // Stores the object in progress at every level and starts the next one.
  void Finish() {
    if (!object_.vertices.empty() && !summary_.full) {
      ++view_.objects_read_;
      for (int level = 0; level < MapView::kLevels; ++level) Store(level);
      if (Over()) Relieve();
    }
    object_.Clear();
  }

 private:
  bool Over() const {
    return summary_.bytes() + object_.vertices.capacity() * sizeof(GridPoint) > view_.budget_;
  }

  // Coarsens until the summary takes at most half the budget, so that the
  // next objects do not force another round at once.
  void Relieve() {
    while (summary_.bytes() + object_.vertices.size() * sizeof(GridPoint) > view_.budget_ / 2) {
      if (summary_.shift >= kMaxShift) {
        summary_.full = true;
        break;
      }
      Coarsen();
    }
    if (object_.vertices.capacity() > object_.vertices.size() * 2 + 1024) object_.vertices.shrink_to_fit();
  }

  void Store(int level_index) {
    MapView::Summary::Level& level = summary_.levels[static_cast<std::size_t>(level_index)];
    const int shift = 2 * level_index;
    StoredObject stored;
    stored.kind = object_.kind;
    stored.assignment = object_.assignment;
    stored.level = static_cast<std::uint8_t>(std::clamp(object_.level, 0, 255));
    stored.low = {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()};
    stored.high = {kPartBreak, kPartBreak};
    for (const GridPoint& vertex : object_.vertices) {
      if (vertex.x == kPartBreak) continue;
      GridPoint cell{vertex.x >> shift, vertex.y >> shift};
      stored.low = {std::min(stored.low.x, cell.x), std::min(stored.low.y, cell.y)};
      stored.high = {std::max(stored.high.x, cell.x), std::max(stored.high.y, cell.y)};
    }
    if (stored.low == stored.high || object_.kind == MapObjectKind::kPoint) {
      // Within one cell: one dot per cell and style is enough.
      if (!level.dots.Insert(DotKey(stored.low, stored.kind, stored.assignment))) return;
      stored.dot = true;
      stored.high = stored.low;
    } else {
      stored.first_vertex = static_cast<std::uint32_t>(level.vertices.size());
      bool after_break = true;
      GridPoint last{kPartBreak, kPartBreak};
      for (const GridPoint& vertex : object_.vertices) {
        if (vertex.x == kPartBreak) {
          if (!after_break) level.vertices.push_back(vertex);
          after_break = true;
          continue;
        }
        GridPoint cell{vertex.x >> shift, vertex.y >> shift};
        if (!after_break && cell == last) continue;
        level.vertices.push_back(cell);
        last = cell;
        after_break = false;
      }
      stored.vertex_count = static_cast<std::uint32_t>(level.vertices.size() - stored.first_vertex);
    }
    stored.text_offset = static_cast<std::uint32_t>(level.texts.size());
    AppendText(level.texts, object_.type);
    AppendText(level.texts, object_.label);
    AppendText(level.texts, object_.description);
    level.objects.push_back(stored);
  }

  // Doubles the cell of every level: each level is rebuilt in place (nothing it writes
  // lies past what it has read), objects that fall within one cell become dots.
  void Coarsen() {
    ++summary_.shift;
    for (GridPoint& vertex : object_.vertices) {
      if (vertex.x != kPartBreak) vertex = {vertex.x >> 1, vertex.y >> 1};
    }
    for (MapView::Summary::Level& level : summary_.levels) {
      level.dots.clear();
      std::size_t objects = 0, vertices = 0, texts = 0;
      for (std::size_t i = 0; i < level.objects.size(); ++i) {
        StoredObject stored = level.objects[i];
        stored.low = {stored.low.x >> 1, stored.low.y >> 1};
        stored.high = {stored.high.x >> 1, stored.high.y >> 1};
        std::size_t text_at = stored.text_offset;
        std::size_t text_size = 0;
        for (int t = 0; t < 3; ++t) {
          std::size_t size = static_cast<unsigned char>(level.texts[text_at + text_size]);
          text_size += size + 1;
        }
        bool keep = true;
        if (stored.dot || stored.low == stored.high) {
          keep = level.dots.Insert(DotKey(stored.low, stored.kind, stored.assignment));
          stored.dot = true;
          stored.vertex_count = 0;
          stored.first_vertex = static_cast<std::uint32_t>(vertices);
        } else {
          std::size_t first = vertices;
          bool after_break = true;
          GridPoint last{kPartBreak, kPartBreak};
          for (std::size_t v = stored.first_vertex; v < stored.first_vertex + stored.vertex_count; ++v) {
            GridPoint vertex = level.vertices[v];
            if (vertex.x == kPartBreak) {
              if (!after_break) level.vertices[vertices++] = vertex;
              after_break = true;
              continue;
            }
            GridPoint cell{vertex.x >> 1, vertex.y >> 1};
            if (!after_break && cell == last) continue;
            level.vertices[vertices++] = cell;
            last = cell;
            after_break = false;
          }
          stored.first_vertex = static_cast<std::uint32_t>(first);
          stored.vertex_count = static_cast<std::uint32_t>(vertices - first);
        }
        if (!keep) continue;
        for (std::size_t b = 0; b < text_size; ++b) level.texts[texts + b] = level.texts[text_at + b];
        stored.text_offset = static_cast<std::uint32_t>(texts);
        texts += text_size;
        level.objects[objects++] = stored;
      }
      level.objects.Truncate(objects);
      level.vertices.Truncate(vertices);
      level.texts.Truncate(texts);
    }
  }

  MapView& view_;
  MapView::Summary& summary_;
  PendingObject object_;
};

namespace {

// Notes of a read that are the same for both formats.
void NoteReaderTrouble(TextReader& reader, const std::string& path, std::uint64_t unreadable, bool stopped,
                       std::vector<std::string>& notes) {
  std::string line_break(kLineBreak);
  if (reader.ReadFailed()) {
    notes.push_back(Ru("Файл прочитан не до конца (ошибка чтения), показана прочитанная часть:") + line_break + path);
  }
  if (reader.lines_cut() > 0) {
    notes.push_back(Ru("Строк длиннее 8 МБ: ") + std::to_string(reader.lines_cut()) +
                    Ru(", показано только их начало:") + line_break + path);
  }
  if (unreadable > 0) {
    notes.push_back(Ru("Карта повреждена: ") + std::to_string(unreadable) +
                    Ru(" строк не удалось разобрать, показано то, что прочитано:") + line_break + path);
  }
  if (stopped) notes.push_back(Ru("Загрузка карты остановлена: показана прочитанная часть."));
}

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

 private:
  void Vertex(double x, double y, bool new_part = false) {
    if (georef_) georef_->Transform(x, y, x, y);
    if (!builder_.Vertex(x, y, new_part)) ++unreadable_;
  }

  void Coordinates(std::string_view line) {
    if (!kind_known_ || complete_) return;
    auto [xt, yt, plain] = SplitCoordinates(line);
    (void)plain;
    if (yt.empty()) {
      builder_.NewPart();  // a count line: the next vertex opens a part
      return;
    }
    if (!LooksNumeric(yt)) {
      ++unreadable_;
      return;
    }
    if (multipoint_) {
      // Each vertex of a multipoint is a point of its own with the object's record.
      Vertex(Value(xt), Value(yt));
      PendingObject saved = builder_.object();
      builder_.Finish();
      builder_.object() = std::move(saved);
      builder_.object().vertices.clear();
      return;
    }
    Vertex(Value(xt), Value(yt));
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
        out[i] = Value(token);
      }
      return true;
    };
    double v[4] = {};
    switch (keyword) {
      case MifKeyword::kRegion:
        kind = MapObjectKind::kRegion;
        break;
      case MifKeyword::kPline:
        kind = MapObjectKind::kPolyline;
        break;
      case MifKeyword::kPoint:
        complete_ = true;
        if (numbers(2, v)) Vertex(v[0], v[1]);
        break;
      case MifKeyword::kLine:
        kind = MapObjectKind::kPolyline;
        complete_ = true;
        if (numbers(4, v)) {
          Vertex(v[0], v[1]);
          Vertex(v[2], v[3]);
        }
        break;
      case MifKeyword::kEllipse:
      case MifKeyword::kRect:
      case MifKeyword::kRoundrect:
      case MifKeyword::kArc:
        complete_ = true;
        if (numbers(4, v)) Vertex((v[0] + v[2]) / 2, (v[1] + v[3]) / 2);
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
        object.vertices.clear();
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

std::string MapObjectInfo::TooltipText() const {
  std::string line_break(kLineBreak);
  std::string text = section;
  if (!type.empty()) text += Ru(", тип ") + type;
  if (level > 0) text += Ru(", уровень ") + std::to_string(level);
  if (!label.empty()) text += line_break + Ru("Подпись: ") + label;
  if (!description.empty()) text += line_break + Ru("Описание: ") + description;
  if (assignment == Assignment::kUnassigned) text += line_break + Ru("Описания нет в словаре object.txt");
  if (assignment == Assignment::kLeftOut) text += line_break + Ru("Словарь исключает объект из карты");
  return text;
}

std::string DegreesMinutesText(double degrees) {
  if (!std::isfinite(degrees)) return "0.0000";
  // Far beyond any map (a damaged file): kept where the arithmetic below stays exact.
  degrees = std::clamp(degrees, -1e9, 1e9);
  // In hundredths of a minute, then split so that the minutes are never negative.
  double hundredths = std::round(degrees * 6000);
  double whole = std::floor(hundredths / 6000);
  long long minutes = static_cast<long long>(hundredths - whole * 6000);
  char text[64];
  std::snprintf(text, sizeof text, "%.0f.%02lld%02lld", whole, minutes / 100, minutes % 100);
  return text;
}

MapView::MapView() : summary_(std::make_unique<Summary>()) {}
MapView::~MapView() = default;

void MapView::Clear() {
  summary_ = std::make_unique<Summary>();
  geographic_ = true;
  extent_ = {};
  has_extent_ = false;
  objects_read_ = 0;
  aspect_ = 1;
}

bool MapView::empty() const { return objects_read_ == 0; }

std::size_t MapView::summary_bytes() const { return summary_->bytes(); }

double MapView::CellSize(int level) const { return summary_->Cell(std::clamp(level, 0, kLevels - 1)); }

std::size_t MapView::StoredObjects(int level) const {
  return summary_->levels[static_cast<std::size_t>(std::clamp(level, 0, kLevels - 1))].objects.size();
}

void MapView::ResetView() {
  aspect_ = 1;
  if (geographic_ && has_extent_) {
    double middle = std::clamp((extent_.min_y + extent_.max_y) / 2, -85.0, 85.0);
    aspect_ = std::cos(middle * 3.14159265358979323846 / 180);
  }
  Fit();
}

LoadResult MapView::LoadMif(const std::string& mif_path, const std::string& mid_path,
                            const ConversionOptions& options, std::string_view program_prefix, Host& host) {
  Clear();
  LoadResult result;
  std::string line_break(kLineBreak);
  TextReader mif;
  if (!mif.Open(mif_path)) {
    result.notes.push_back(Ru("Файл не найден") + line_break + mif_path);
    return result;
  }
  MidReader mid;
  bool mid_open = mid.Open(mid_path);
  if (!mid_open) {
    result.notes.push_back(Ru("Файл MID не найден, объекты показаны без атрибутов:") + line_break + mid_path);
    mid.OpenBytes(std::string());
  }
  mif.SetLineLimit(kLineLimit);

  const DictionaryImage* dictionary = SharedDictionaryCache().Get(DictionaryPath(program_prefix));
  if (!dictionary) {
    result.notes.push_back(Ru("Словарь object.txt не найден, все объекты показаны как не назначенные:") +
                           line_break + DictionaryPath(program_prefix));
  }
  std::optional<Georef> georef;
  if (options.georeference.enabled) {
    std::optional<Bounds> bounds = FindBounds(mif_path);
    if (bounds && Georef(options.georeference, *bounds).Usable()) {
      georef = Georef(options.georeference, *bounds);
    } else {
      result.notes.push_back(Ru("Границы карты (Bounds) не прочитаны, карта показана без привязки:") + line_break +
                             mif_path);
    }
  }
  std::int64_t column_count = options.column_count;
  if (options.column_count_from_header) {
    if (std::optional<std::string> text = FindColumnCountText(mif_path)) column_count = ColumnCount(*text);
  }

  ProgressReporter progress(host, mif.Size(), mif.Size(), 0);
  MifHeaderInfo header;
  bool plane = false;
  bool data_found = false;
  std::string_view line;
  while (!data_found && mif.ReadLine(line)) {
    plane = plane || ScanPlaneSheet(WithoutLeadingBlanks(line));
    data_found = ScanHeaderLine(line, header);
  }
  geographic_ = georef.has_value() || !plane;
  if (!data_found) {
    result.notes.push_back(Ru("В файле MIF нет строки Data, за которой идут объекты карты:") + line_break +
                           mif_path);
    NoteReaderTrouble(mif, mif_path, 0, false, result.notes);
    return result;
  }
  mid.SetDelimiter(header.delimiter);
  mid.SetUtf8(header.utf8);

  MapSummaryBuilder builder(*this);
  MifViewReader reader(builder, mid, options, dictionary, georef, header.utf8, column_count);
  while (mif.ReadLine(line)) {
    reader.Line(line);
    progress.Update(mif.Offset());
    if (progress.stopped()) break;
  }
  reader.End();
  NoteReaderTrouble(mif, mif_path, reader.unreadable(), progress.stopped(), result.notes);
  if (mid_open && mid.ReadFailed()) {
    result.notes.push_back(Ru("Файл MID прочитан не до конца (ошибка чтения):") + line_break + mid_path);
  }
  if (mid_open && mid.missing_records() > 0) {
    result.notes.push_back(Ru("В файле MID меньше записей, чем объектов в файле MIF: у ") +
                           std::to_string(mid.missing_records()) + Ru(" объектов нет записи.") + line_break +
                           mid_path);
  }
  if (summary_->full) {
    result.notes.push_back(Ru("Карта не поместилась в память просмотра, показана ее часть."));
  }
  if (!progress.stopped()) progress.Finish();
  result.status = progress.stopped() ? LoadStatus::kStopped : LoadStatus::kCompleted;
  ResetView();
  return result;
}

LoadResult MapView::LoadTextMap(const std::string& path, Host& host) {
  Clear();
  LoadResult result;
  TextReader map;
  if (!map.Open(path)) {
    result.notes.push_back(Ru("Файл не найден") + std::string(kLineBreak) + path);
    return result;
  }
  map.SetLineLimit(kLineLimit);
  ProgressReporter progress(host, map.Size(), map.Size(), 0);
  MapSummaryBuilder builder(*this);
  TextMapViewReader reader(builder);
  std::string_view line;
  while (map.ReadLine(line)) {
    reader.Line(line);
    progress.Update(map.Offset());
    if (progress.stopped()) break;
  }
  reader.End();
  geographic_ = true;
  NoteReaderTrouble(map, path, reader.unreadable(), progress.stopped(), result.notes);
  if (summary_->full) {
    result.notes.push_back(Ru("Карта не поместилась в память просмотра, показана ее часть."));
  }
  if (!progress.stopped()) progress.Finish();
  result.status = progress.stopped() ? LoadStatus::kStopped : LoadStatus::kCompleted;
  ResetView();
  return result;
}

// --- Viewport ---------------------------------------------------------------------

void MapView::SetViewportSize(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
}

void MapView::SetScale(double scale) {
  if (std::isfinite(scale) && scale > 0) scale_ = std::clamp(scale, 1e-12, 1e15);
}

void MapView::Fit() {
  MapExtent box = extent_;
  bool any = has_extent_;
  if (crop_) {
    MapExtent rectangle{crop_->west, crop_->south, crop_->east, crop_->north};
    if (!any) {
      box = rectangle;
    } else {
      box = {std::min(box.min_x, rectangle.min_x), std::min(box.min_y, rectangle.min_y),
             std::max(box.max_x, rectangle.max_x), std::max(box.max_y, rectangle.max_y)};
    }
    any = true;
  }
  if (!any) {
    centre_ = {};
    scale_ = 1;
    return;
  }
  centre_ = {(box.min_x + box.max_x) / 2, (box.min_y + box.max_y) / 2};
  double width = (box.max_x - box.min_x) * aspect_;
  double height = box.max_y - box.min_y;
  // A map of one point (or one line along an axis) still gets a usable scale.
  double span = std::max({width, height, std::fabs(centre_.y) * 1e-6, 1e-9});
  double usable_width = std::max(width_ * 0.95, 1.0), usable_height = std::max(height_ * 0.95, 1.0);
  scale_ = std::min(width > 0 ? usable_width / width : usable_width / span,
                    height > 0 ? usable_height / height : usable_height / span);
  if (width <= 0 && height <= 0) scale_ = std::min(usable_width, usable_height) / span;
  SetScale(scale_);
}

MapPoint MapView::ToMap(double screen_x, double screen_y) const {
  return {centre_.x + (screen_x - width_ / 2.0) / (scale_ * aspect_), centre_.y - (screen_y - height_ / 2.0) / scale_};
}

ScreenPoint MapView::ToScreen(MapPoint point) const {
  return {static_cast<float>((point.x - centre_.x) * scale_ * aspect_ + width_ / 2.0),
          static_cast<float>(height_ / 2.0 - (point.y - centre_.y) * scale_)};
}

void MapView::ZoomAt(double screen_x, double screen_y, double factor) {
  if (!std::isfinite(factor) || factor <= 0) return;
  MapPoint anchor = ToMap(screen_x, screen_y);
  SetScale(scale_ * factor);
  // Keep the anchor under the same screen point.
  centre_.x = anchor.x - (screen_x - width_ / 2.0) / (scale_ * aspect_);
  centre_.y = anchor.y + (screen_y - height_ / 2.0) / scale_;
}

void MapView::Pan(double dx, double dy) {
  centre_.x -= dx / (scale_ * aspect_);
  centre_.y += dy / scale_;
}

int MapView::LevelForScale() const {
  int level = 0;
  // The y scale is the larger one (aspect <= 1): a cell at most a pixel along y is
  // at most a pixel along x too.
  while (level + 1 < kLevels && summary_->Cell(level + 1) * scale_ <= 1.0) ++level;
  return level;
}

// --- Objects ----------------------------------------------------------------------

namespace {

double SegmentDistance(ScreenPoint p, ScreenPoint a, ScreenPoint b) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double length = dx * dx + dy * dy;
  double t = length > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length : 0;
  t = std::clamp(t, 0.0, 1.0);
  double x = a.x + t * dx - p.x, y = a.y + t * dy - p.y;
  return std::sqrt(x * x + y * y);
}

}  // namespace

std::optional<MapObjectInfo> MapView::ObjectAt(double screen_x, double screen_y, double tolerance) const {
  if (empty()) return std::nullopt;
  const int level_index = LevelForScale();
  const Summary::Level& level = summary_->levels[static_cast<std::size_t>(level_index)];
  const double cell = summary_->Cell(level_index);
  const ScreenPoint target{static_cast<float>(screen_x), static_cast<float>(screen_y)};
  auto screen = [&](GridPoint g) {
    return ToScreen({summary_->origin_x + (g.x + 0.5) * cell, summary_->origin_y + (g.y + 0.5) * cell});
  };
  // The grid box around the point, widened by the tolerance and a cell.
  MapPoint low = ToMap(screen_x - tolerance, screen_y + tolerance);
  MapPoint high = ToMap(screen_x + tolerance, screen_y - tolerance);
  double gx0 = std::floor((low.x - summary_->origin_x) / cell) - 1, gx1 = std::floor((high.x - summary_->origin_x) / cell) + 1;
  double gy0 = std::floor((low.y - summary_->origin_y) / cell) - 1, gy1 = std::floor((high.y - summary_->origin_y) / cell) + 1;

  // The best candidate of each kind; the topmost of a kind is the last drawn.
  std::optional<std::size_t> best[3];
  for (std::size_t i = 0; i < level.objects.size(); ++i) {
    const StoredObject& object = level.objects[i];
    if (object.high.x < gx0 || object.low.x > gx1 || object.high.y < gy0 || object.low.y > gy1) continue;
    bool hit = false;
    if (object.dot) {
      ScreenPoint p = screen(object.low);
      hit = std::hypot(p.x - target.x, p.y - target.y) <= tolerance;
    } else {
      bool inside = false;
      ScreenPoint part_start{}, previous{};
      bool in_part = false;
      double nearest = std::numeric_limits<double>::max();
      auto close_ring = [&]() {
        if (object.kind != MapObjectKind::kRegion || !in_part) return;
        nearest = std::min(nearest, SegmentDistance(target, previous, part_start));
        ScreenPoint a = previous, b = part_start;
        if ((a.y > target.y) != (b.y > target.y) && target.x < (b.x - a.x) * (target.y - a.y) / (b.y - a.y) + a.x) {
          inside = !inside;
        }
      };
      for (std::size_t v = object.first_vertex; v < object.first_vertex + object.vertex_count; ++v) {
        GridPoint g = level.vertices[v];
        if (g.x == kPartBreak) {
          close_ring();
          in_part = false;
          continue;
        }
        ScreenPoint p = screen(g);
        if (!in_part) {
          part_start = p;
          in_part = true;
        } else {
          nearest = std::min(nearest, SegmentDistance(target, previous, p));
          if ((previous.y > target.y) != (p.y > target.y) &&
              target.x < (p.x - previous.x) * (target.y - previous.y) / (p.y - previous.y) + previous.x) {
            inside = !inside;
          }
        }
        previous = p;
      }
      close_ring();
      hit = nearest <= tolerance || (object.kind == MapObjectKind::kRegion && inside);
    }
    if (hit) best[static_cast<int>(object.kind)] = i;
  }
  for (MapObjectKind kind : {MapObjectKind::kPoint, MapObjectKind::kPolyline, MapObjectKind::kRegion}) {
    if (!best[static_cast<int>(kind)]) continue;
    const StoredObject& object = level.objects[*best[static_cast<int>(kind)]];
    MapObjectInfo info;
    info.kind = object.kind;
    info.assignment = object.assignment;
    info.section = std::string(KindSection(object.kind));
    info.level = object.level;
    std::size_t at = object.text_offset;
    info.type = ReadText(level.texts, at);
    info.label = ReadText(level.texts, at);
    info.description = ReadText(level.texts, at);
    return info;
  }
  return std::nullopt;
}

// --- Crop rectangle ---------------------------------------------------------------

bool MapView::SetCropTexts(const CropBoundTexts& texts) {
  // The same reading as the crop's own, so the rectangle is what the crop will cut.
  CropOptions options = CropOptionsFrom([&](std::string_view key) -> std::string {
    if (key == "Koord2") return texts.west;
    if (key == "Koord3") return texts.north;
    if (key == "Koord4") return texts.east;
    if (key == "Koord5") return texts.south;
    return {};
  });
  if (!options.west || !options.north || !options.east || !options.south) {
    crop_.reset();
    return false;
  }
  crop_ = CropBounds{*options.north, *options.south, *options.west, *options.east};
  return true;
}

CropBoundTexts MapView::CropTexts() const {
  if (!crop_) return {};
  return {DegreesMinutesText(crop_->west), DegreesMinutesText(crop_->north), DegreesMinutesText(crop_->east),
          DegreesMinutesText(crop_->south)};
}

namespace {
double ToHundredthOfMinute(double degrees) { return std::round(degrees * 6000) / 6000; }
}  // namespace

CropBoundTexts MapView::SetCropFromScreen(double x1, double y1, double x2, double y2) {
  MapPoint a = ToMap(x1, y1), b = ToMap(x2, y2);
  CropBoundTexts texts{DegreesMinutesText(std::min(a.x, b.x)), DegreesMinutesText(std::max(a.y, b.y)),
                       DegreesMinutesText(std::max(a.x, b.x)), DegreesMinutesText(std::min(a.y, b.y))};
  SetCropTexts(texts);
  return texts;
}

RectanglePart MapView::CropPartAt(double screen_x, double screen_y, double tolerance) const {
  if (!crop_) return RectanglePart::kNone;
  ScreenPoint nw = ToScreen({crop_->west, crop_->north});
  ScreenPoint se = ToScreen({crop_->east, crop_->south});
  double left = std::min(nw.x, se.x), right = std::max(nw.x, se.x);
  double top = std::min(nw.y, se.y), bottom = std::max(nw.y, se.y);
  if (screen_x < left - tolerance || screen_x > right + tolerance || screen_y < top - tolerance ||
      screen_y > bottom + tolerance) {
    return RectanglePart::kNone;
  }
  bool west = std::fabs(screen_x - left) <= tolerance, east = !west && std::fabs(screen_x - right) <= tolerance;
  bool north = std::fabs(screen_y - top) <= tolerance, south = !north && std::fabs(screen_y - bottom) <= tolerance;
  if (north && west) return RectanglePart::kNorthWest;
  if (north && east) return RectanglePart::kNorthEast;
  if (south && west) return RectanglePart::kSouthWest;
  if (south && east) return RectanglePart::kSouthEast;
  if (west) return RectanglePart::kWest;
  if (east) return RectanglePart::kEast;
  if (north) return RectanglePart::kNorth;
  if (south) return RectanglePart::kSouth;
  return RectanglePart::kInside;
}

CropBoundTexts MapView::DragCrop(RectanglePart part, double dx, double dy) {
  if (!crop_ || part == RectanglePart::kNone) return CropTexts();
  double mx = dx / (scale_ * aspect_), my = -dy / scale_;
  CropBounds b = *crop_;
  bool all = part == RectanglePart::kInside;
  if (all || part == RectanglePart::kWest || part == RectanglePart::kNorthWest || part == RectanglePart::kSouthWest)
    b.west += mx;
  if (all || part == RectanglePart::kEast || part == RectanglePart::kNorthEast || part == RectanglePart::kSouthEast)
    b.east += mx;
  if (all || part == RectanglePart::kNorth || part == RectanglePart::kNorthWest || part == RectanglePart::kNorthEast)
    b.north += my;
  if (all || part == RectanglePart::kSouth || part == RectanglePart::kSouthWest || part == RectanglePart::kSouthEast)
    b.south += my;
  if (b.west > b.east) std::swap(b.west, b.east);
  if (b.south > b.north) std::swap(b.south, b.north);
  CropBoundTexts texts{DegreesMinutesText(ToHundredthOfMinute(b.west)), DegreesMinutesText(ToHundredthOfMinute(b.north)),
                       DegreesMinutesText(ToHundredthOfMinute(b.east)), DegreesMinutesText(ToHundredthOfMinute(b.south))};
  SetCropTexts(texts);
  return texts;
}

// --- Drawing ----------------------------------------------------------------------

namespace {

constexpr Rgba kRegionStroke{70, 120, 60, 255};
constexpr Rgba kRegionFill{200, 230, 190, 255};
constexpr Rgba kPolylineStroke{40, 60, 140, 255};
constexpr Rgba kPointStroke{150, 40, 30, 255};
constexpr Rgba kUnassignedStroke{220, 0, 140, 255};
constexpr Rgba kUnassignedFill{250, 190, 225, 255};
constexpr Rgba kLeftOutStroke{165, 165, 165, 255};
constexpr Rgba kLeftOutFill{232, 232, 232, 255};
constexpr Rgba kLabelColour{20, 20, 20, 255};
constexpr Rgba kCropStroke{230, 90, 0, 255};

}  // namespace

DrawStyle MapView::StyleOf(MapObjectKind kind, Assignment assignment, int level) {
  DrawStyle style;
  float width = 1.0f + static_cast<float>(std::clamp(level, 0, 3)) * 0.75f;
  switch (kind) {
    case MapObjectKind::kRegion:
      style.fill = kRegionFill;
      style.stroke = kRegionStroke;
      style.width = 1;
      break;
    case MapObjectKind::kPolyline:
      style.stroke = kPolylineStroke;
      style.width = width;
      break;
    case MapObjectKind::kPoint:
      style.fill = kPointStroke;
      style.stroke = kPointStroke;
      style.width = 5;
      break;
  }
  if (assignment == Assignment::kUnassigned) {
    style.stroke = kUnassignedStroke;
    if (kind != MapObjectKind::kPolyline) style.fill = kind == MapObjectKind::kRegion ? kUnassignedFill : kUnassignedStroke;
    if (kind == MapObjectKind::kPolyline) style.width = std::max(width, 2.0f);
  } else if (assignment == Assignment::kLeftOut) {
    style.stroke = kLeftOutStroke;
    if (kind != MapObjectKind::kPolyline) style.fill = kind == MapObjectKind::kRegion ? kLeftOutFill : kLeftOutStroke;
  }
  return style;
}

std::vector<LegendEntry> MapView::Legend() {
  DrawStyle label;
  label.stroke = kLabelColour;
  DrawStyle crop;
  crop.stroke = kCropStroke;
  crop.width = 2;
  return {
      {DrawShape::kPolygon, StyleOf(MapObjectKind::kRegion, Assignment::kAssigned, 0), Ru("Полигон [RGN80]")},
      {DrawShape::kPolyline, StyleOf(MapObjectKind::kPolyline, Assignment::kAssigned, 0), Ru("Линия [RGN40]")},
      {DrawShape::kPointSymbol, StyleOf(MapObjectKind::kPoint, Assignment::kAssigned, 0), Ru("Точка [RGN10]")},
      {DrawShape::kPolygon, StyleOf(MapObjectKind::kRegion, Assignment::kUnassigned, 0),
       Ru("Описания нет в словаре (тип по умолчанию)")},
      {DrawShape::kPolygon, StyleOf(MapObjectKind::kRegion, Assignment::kLeftOut, 0),
       Ru("Словарь исключает объект из карты")},
      {DrawShape::kLabel, label, Ru("Подпись")},
      {DrawShape::kRectangle, crop, Ru("Область обрезки")},
  };
}

DrawList MapView::Draw(bool labels) const {
  DrawList list;
  if (!empty()) {
    const int level_index = LevelForScale();
    const Summary::Level& level = summary_->levels[static_cast<std::size_t>(level_index)];
    const double cell = summary_->Cell(level_index);
    // Grid units to pixels: x' = (g + 0.5) * cell + origin, then the view's projection.
    const double kx = cell * scale_ * aspect_, ky = cell * scale_;
    const double bx = (summary_->origin_x + 0.5 * cell - centre_.x) * scale_ * aspect_ + width_ / 2.0;
    const double by = height_ / 2.0 - (summary_->origin_y + 0.5 * cell - centre_.y) * scale_;
    auto screen = [&](GridPoint g) {
      return ScreenPoint{static_cast<float>(g.x * kx + bx), static_cast<float>(by - g.y * ky)};
    };
    // The visible grid box, a cell wider on each side.
    MapPoint low = ToMap(0, height_), high = ToMap(width_, 0);
    const double gx0 = std::floor((low.x - summary_->origin_x) / cell) - 1;
    const double gx1 = std::floor((high.x - summary_->origin_x) / cell) + 1;
    const double gy0 = std::floor((low.y - summary_->origin_y) / cell) - 1;
    const double gy1 = std::floor((high.y - summary_->origin_y) / cell) + 1;

    // Labels are placed where they overlap no other: one per 96x16 pixel block.
    CellSet label_blocks;
    std::size_t label_count = 0;
    // Labels are painted after every shape, so that no region drawn later hides one.
    std::vector<DrawCommand> label_commands;
    constexpr std::size_t kMaxLabels = 1500;
    auto add_label = [&](const StoredObject& object, ScreenPoint at, float room) {
      if (!labels || label_count >= kMaxLabels) return;
      std::size_t text_at = object.text_offset;
      text_at += static_cast<unsigned char>(level.texts[text_at]) + 1;
      std::size_t size = static_cast<unsigned char>(level.texts[text_at]);
      if (size == 0 || static_cast<float>(size) * 6.0f > room) return;
      // Also refuses a point that is no number (coordinates far beyond any map).
      if (!(at.x >= 0 && at.y >= 0 && at.x <= width_ && at.y <= height_)) return;
      std::uint64_t block = (static_cast<std::uint64_t>(at.x / 96) << 32) | static_cast<std::uint32_t>(at.y / 16);
      if (!label_blocks.Insert(block + 1)) return;
      DrawCommand command;
      command.shape = DrawShape::kLabel;
      command.style.stroke = kLabelColour;
      command.first_point = static_cast<std::uint32_t>(list.points.size());
      command.point_count = 1;
      list.points.push_back(at);
      command.text = ReadText(level.texts, text_at);
      label_commands.push_back(std::move(command));
      ++label_count;
    };

    for (MapObjectKind pass : {MapObjectKind::kRegion, MapObjectKind::kPolyline, MapObjectKind::kPoint}) {
      for (std::size_t i = 0; i < level.objects.size(); ++i) {
        const StoredObject& object = level.objects[i];
        if (object.kind != pass) continue;
        if (object.high.x < gx0 || object.low.x > gx1 || object.high.y < gy0 || object.low.y > gy1) continue;
        DrawCommand command;
        command.style = StyleOf(object.kind, object.assignment, object.level);
        command.first_point = static_cast<std::uint32_t>(list.points.size());
        if (object.dot) {
          command.shape = DrawShape::kPointSymbol;
          if (object.kind != MapObjectKind::kPoint) {
            // A shape smaller than a pixel: a dot in its outline colour.
            command.style.width = 2;
            command.style.fill = command.style.stroke;
          }
          list.points.push_back(screen(object.low));
          command.point_count = 1;
          list.commands.push_back(std::move(command));
          if (object.kind == MapObjectKind::kPoint) add_label(object, list.points.back(), 1e9f);
          continue;
        }
        std::uint32_t part_size = 0;
        auto end_part = [&]() {
          if (part_size == 0) return;
          if (pass == MapObjectKind::kRegion) {
            list.ring_sizes.push_back(part_size);
          } else {
            DrawCommand line = command;
            line.shape = DrawShape::kPolyline;
            line.first_point = static_cast<std::uint32_t>(list.points.size()) - part_size;
            line.point_count = part_size;
            list.commands.push_back(std::move(line));
          }
          part_size = 0;
        };
        command.first_ring = static_cast<std::uint32_t>(list.ring_sizes.size());
        for (std::size_t v = object.first_vertex; v < object.first_vertex + object.vertex_count; ++v) {
          GridPoint g = level.vertices[v];
          if (g.x == kPartBreak) {
            end_part();
            continue;
          }
          list.points.push_back(screen(g));
          ++part_size;
        }
        end_part();
        if (pass == MapObjectKind::kRegion) {
          command.shape = DrawShape::kPolygon;
          command.point_count = static_cast<std::uint32_t>(list.points.size()) - command.first_point;
          command.ring_count = static_cast<std::uint32_t>(list.ring_sizes.size()) - command.first_ring;
          if (command.point_count > 0) list.commands.push_back(std::move(command));
        }
        ScreenPoint a = screen(object.low), b = screen(object.high);
        add_label(object, {std::min(a.x, b.x), (a.y + b.y) / 2}, std::fabs(b.x - a.x));
      }
    }
    for (DrawCommand& label : label_commands) list.commands.push_back(std::move(label));
  }
  if (crop_) {
    DrawCommand rectangle;
    rectangle.shape = DrawShape::kRectangle;
    rectangle.style.stroke = kCropStroke;
    rectangle.style.width = 2;
    rectangle.first_point = static_cast<std::uint32_t>(list.points.size());
    rectangle.point_count = 2;
    list.points.push_back(ToScreen({crop_->west, crop_->north}));
    list.points.push_back(ToScreen({crop_->east, crop_->south}));
    list.commands.push_back(std::move(rectangle));
  }
  return list;
}

}  // namespace mirvex::ui
