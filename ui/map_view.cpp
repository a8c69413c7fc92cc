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
    if (size_ == chunks_.size() * kChunk) AddChunk();
    (*this)[size_++] = value;
  }
  // Writes element `index`, which is at most size(): at size() it is appended.
  [[gnu::always_inline]] void Set(std::size_t index, const T& value) {
    if (index == chunks_.size() * kChunk) AddChunk();
    (*this)[index] = value;
    if (index == size_) ++size_;
  }
  // Keeps the first `size` elements and the chunks past them, for writing again.
  void Shorten(std::size_t size) { size_ = std::min(size, size_); }
  void Append(const T* values, std::size_t count) {
    while (count > 0) {
      if (size_ == chunks_.size() * kChunk) AddChunk();
      std::size_t room = kChunk - size_ % kChunk, n = std::min(room, count);
      std::copy(values, values + n, &chunks_[size_ / kChunk][size_ % kChunk]);
      size_ += n;
      values += n;
      count -= n;
    }
  }
  // Appends `count` elements of `other` from `from` on, a chunk's stretch at a time.
  void AppendFrom(const Chunked& other, std::size_t from, std::size_t count) {
    while (count > 0) {
      std::size_t n = std::min(count, kChunk - from % kChunk);
      Append(&other[from], n);
      from += n;
      count -= n;
    }
  }
  // Copies `count` elements from `from` on to `to` < `from`, a chunk's stretch at a time.
  void MoveDown(std::size_t to, std::size_t from, std::size_t count) {
    while (count > 0) {
      std::size_t n = std::min({count, kChunk - to % kChunk, kChunk - from % kChunk});
      const T* source = &(*this)[from];
      std::copy(source, source + n, &(*this)[to]);
      to += n;
      from += n;
      count -= n;
    }
  }
  // Keeps the first `size` elements and frees the chunks past them.
  void Truncate(std::size_t size) {
    size_ = std::min(size, size_);
    chunks_.resize((size_ + kChunk - 1) / kChunk);
    chunks_.shrink_to_fit();
  }
  std::size_t bytes() const { return chunks_.size() * kChunk * sizeof(T) + chunks_.capacity() * sizeof(void*); }

 private:
  // Taken once a chunk, and kept out of line so that writing an element stays small
  // enough to be inlined where vertices are written one by one.
  [[gnu::noinline]] void AddChunk() { chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk)); }

  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

struct GridPoint {
  std::int32_t x = 0, y = 0;
  bool operator==(const GridPoint&) const = default;
};

// The set of grid cells that already hold a dot of a style: 64-bit fingerprints in an
// open-addressing table at most three quarters full. Eight slots share a cache line, so
// the longer runs of a full table cost little, while a smaller table is missed less in
// the cache and leaves more of the budget to the map.
class CellSet {
 public:
  // True when the key was not there yet (and now is).
  bool Insert(std::uint64_t key) {
    if (key == 0) key = 1;
    // Objects that follow one another in a file tend to lie in the same cell: the key
    // met last is answered without a look into the table.
    if (key == last_) return false;
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
    last_ = key;
    return Place(key);
  }
  // Starts loading the table's slot for the key, for an Insert that is to follow.
  void Prefetch(std::uint64_t key) const {
#if defined(__GNUC__)
    if (slots_.empty()) return;
    if (key == 0) key = 1;
    __builtin_prefetch(&slots_[Mix(key) & (slots_.size() - 1)]);
#else
    (void)key;
#endif
  }
  // Empties the set but keeps its table, for refilling it with fewer keys than it held.
  void Empty() {
    std::fill(slots_.begin(), slots_.end(), 0);
    count_ = 0;
    last_ = 0;
  }
  // Gives the table the size that inserting its keys into an empty set would: the
  // smallest that is at most three quarters full.
  void Fit() {
    std::size_t size = 64;
    while ((count_ + 1) * 4 > size * 3) size *= 2;
    if (slots_.size() <= size) return;
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(size, 0);
    count_ = 0;
    for (std::uint64_t key : old) {
      if (key != 0) Place(key);
    }
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
  // Inserts a key other than 0 into a table with room for it.
  bool Place(std::uint64_t key) {
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
  void Grow() {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(64, old.size() * 2), 0);
    count_ = 0;
    for (std::uint64_t key : old) {
      if (key != 0) Place(key);
    }
  }
  std::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
  std::uint64_t last_ = 0;  // a key in the set, or 0
};

// One object of a zoom level: its vertices (parts split by a kPartBreak vertex), its
// box in the level's grid, and where its texts begin. A dot (no vertices) stands for
// every object of its style smaller than a cell whose box begins in its cell.
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

// The shapes a level holds, for keeping each once: a short fingerprint (well mixed
// already, so it places the slot as it is) leads to the objects that may hold the same
// shape, and their vertices decide. A slot holds a fingerprint and an object's index:
// a shape costs 8 bytes (and the table's slack) whatever its number of vertices.
class ShapeIndex {
 public:
  // When `same(i)` is true for a stored object i of the fingerprint `key`, returns
  // true; otherwise records `index` under `key` and returns false.
  template <typename Same>
  bool Contains(std::uint32_t key, std::uint32_t index, Same same) {
    if (key == 0) key = 1;
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow(slots_.size() * 2);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = key & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.key == 0) {
        slot = {key, index};
        ++count_;
        return false;
      }
      if (slot.key == key && same(slot.index)) return true;
    }
  }
  // Starts loading the table's slot for the fingerprint, for a Contains to follow.
  void Prefetch(std::uint32_t key) const {
#if defined(__GNUC__)
    if (slots_.empty()) return;
    if (key == 0) key = 1;
    __builtin_prefetch(&slots_[key & (slots_.size() - 1)]);
#else
    (void)key;
#endif
  }
  // Empties the index but keeps its table.
  void Empty() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    count_ = 0;
  }
  // Gives the table the size inserting its entries into an empty index would.
  void Fit() {
    std::size_t size = 64;
    while ((count_ + 1) * 4 > size * 3) size *= 2;
    if (slots_.size() > size) Grow(size);
  }
  std::size_t bytes() const { return slots_.capacity() * sizeof(Slot); }

 private:
  struct Slot {
    std::uint32_t key = 0;  // 0: empty
    std::uint32_t index = 0;
  };
  void Grow(std::size_t size) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(64, size), Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.key == 0) continue;
      std::size_t i = slot.key & mask;
      while (slots_[i].key != 0) i = (i + 1) & mask;
      slots_[i] = slot;
    }
  }
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
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
    ShapeIndex shapes;  // the shapes kept, once shapes are merged
    std::size_t bytes() const {
      return objects.bytes() + vertices.bytes() + texts.bytes() + dots.bytes() + shapes.bytes();
    }
  };

  bool has_origin = false;
  double origin_x = 0, origin_y = 0;
  double base_cell = 1;
  int shift = 0;
  bool full = false;  // the budget could not be kept by coarsening: later objects are dropped
  // Set when the map first outgrows the budget: from then on a level keeps a shape
  // (its style and its vertices on the level's grid) once, as it keeps a dot once per
  // cell. Drawing it again changes no pixel, so only what memory holds changes.
  bool merge_shapes = false;
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
  // The box of the vertices, and whether they make more than one part.
  GridPoint low, high;
  bool several_parts = false;
  bool part_open = false;
  void ClearVertices() {
    vertices.clear();
    several_parts = false;
    part_open = false;
  }
  void Clear() {
    type.clear();
    label.clear();
    description.clear();
    ClearVertices();
    level = 0;
    assignment = Assignment::kAssigned;
  }
};

void AppendText(Chunked<char>& texts, std::string_view text) {
  std::size_t size = std::min(text.size(), kTextLimit);
  texts.push_back(static_cast<char>(static_cast<unsigned char>(size)));
  texts.Append(text.data(), size);
}

std::string ReadText(const Chunked<char>& texts, std::size_t& at) {
  std::size_t size = static_cast<unsigned char>(texts[at++]);
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = texts[at++];
  return text;
}

// True for a box smaller than a cell: it spans at most two cells each way, that is
// less than two cells' width. Such an object is a dot of the cell of its lower left
// corner, drawn at the middle of its box.
bool WithinACell(GridPoint low, GridPoint high) {
  return static_cast<std::int64_t>(high.x) - low.x <= 1 && static_cast<std::int64_t>(high.y) - low.y <= 1;
}

std::uint64_t DotKey(GridPoint cell, MapObjectKind kind, Assignment assignment) {
  std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cell.x)) << 32) |
                      static_cast<std::uint32_t>(cell.y);
  return CellSet::Mix(key) ^ (static_cast<std::uint64_t>(kind) * 3 + static_cast<std::uint64_t>(assignment) + 1) *
                                 0x9e3779b97f4a7c15ULL;
}

// The fingerprint of a shape: its style and its first and last vertex on the level's
// grid. Equal shapes have equal fingerprints; StoredShapeEqual decides. (A shape whose
// first part a coarsening turns into a dropped dot may be fingerprinted by that part's
// vertex instead; it is then only kept twice.)
std::uint32_t ShapeFingerprint(const StoredObject& object, GridPoint first, GridPoint last) {
  // Independent products, added: a few cycles for every object stored or rewritten.
  auto word = [](std::int32_t value) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value)); };
  const std::uint64_t style = (static_cast<std::uint64_t>(object.kind) << 16) |
                              (static_cast<std::uint64_t>(object.assignment) << 8) | object.level;
  const std::uint64_t key = word(first.x) * 0x9e3779b97f4a7c15ULL + word(first.y) * 0xc2b2ae3d27d4eb4fULL +
                            word(last.x) * 0x165667b19e3779f9ULL + word(last.y) * 0xd6e8feb86659fd93ULL +
                            (style + 1) * 0xff51afd7ed558ccdULL;
  return static_cast<std::uint32_t>(key >> 32);
}

// True when the stored object has the style of `object` and the vertices
// [first, end) of the level.
bool StoredShapeEqual(const Chunked<GridPoint>& vertices, std::size_t first, std::size_t end,
                      const StoredObject& object, const StoredObject& stored) {
  if (stored.dot || stored.kind != object.kind || stored.assignment != object.assignment ||
      stored.level != object.level || stored.vertex_count != end - first) {
    return false;
  }
  for (std::size_t i = 0; i < end - first; ++i) {
    if (!(vertices[stored.first_vertex + i] == vertices[first + i])) return false;
  }
  return true;
}

// Writes the parts of an object larger than a cell to `out` from `at` on and returns
// where the writing ended. `source(i)` gives the object's i-th vertex on the level's
// grid, or a kPartBreak vertex between parts; consecutive vertices in one cell are
// written once. A part smaller than a cell is a dot, as a whole object smaller than a
// cell is: it is kept as the single vertex of its cell when it is the first of its
// style there and dropped otherwise, so parts strewn across a map cost no more than
// their cells.
// `low` and `high` become the box of what was kept (unchanged when nothing was).
// Nothing is written past what was read: a level is rewritten in place this way.
template <typename Source>
std::size_t WriteParts(Chunked<GridPoint>& out, std::size_t at, std::size_t count, Source source, CellSet& dots,
                       MapObjectKind kind, Assignment assignment, GridPoint& low, GridPoint& high) {
  const std::size_t start = at;
  std::size_t part_mark = at;  // where the part began, its break included
  GridPoint part_low{}, part_high{}, last{};
  bool in_part = false;
  GridPoint kept_low{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()};
  GridPoint kept_high{kPartBreak, kPartBreak};
  auto end_part = [&]() {
    if (!in_part) return;
    in_part = false;
    if (WithinACell(part_low, part_high)) {
      // A dot: kept as the one vertex of its cell, or dropped when the cell has a dot
      // of this style already.
      at = part_mark;
      if (!dots.Insert(DotKey(part_low, kind, assignment))) return;
      if (at != start) out.Set(at++, {kPartBreak, kPartBreak});
      out.Set(at++, part_low);
      part_high = part_low;
    }
    kept_low = {std::min(kept_low.x, part_low.x), std::min(kept_low.y, part_low.y)};
    kept_high = {std::max(kept_high.x, part_high.x), std::max(kept_high.y, part_high.y)};
  };
  for (std::size_t i = 0; i < count; ++i) {
    GridPoint cell = source(i);
    if (cell.x == kPartBreak) {
      end_part();
      continue;
    }
    if (!in_part) {
      part_mark = at;
      if (at != start) out.Set(at++, {kPartBreak, kPartBreak});
      out.Set(at++, cell);
      part_low = part_high = last = cell;
      in_part = true;
      continue;
    }
    if (cell == last) continue;
    out.Set(at++, cell);
    last = cell;
    part_low = {std::min(part_low.x, cell.x), std::min(part_low.y, cell.y)};
    part_high = {std::max(part_high.x, cell.x), std::max(part_high.y, cell.y)};
  }
  end_part();
  if (at != start) {
    low = kept_low;
    high = kept_high;
  }
  return at;
}

// The grid cell of a position given in cells from the origin: floor(position), when
// that lies within kGridLimit of the origin. Truncating and stepping down for a
// negative fraction is floor without a library call on every vertex.
inline bool GridCell(double position, std::int32_t& cell) {
  if (!(std::fabs(position) < 2 * kGridLimit)) return false;
  auto whole = static_cast<std::int64_t>(position);
  if (static_cast<double>(whole) > position) --whole;
  constexpr auto kLimit = static_cast<std::int64_t>(kGridLimit);
  if (whole <= -kLimit || whole >= kLimit) return false;
  cell = static_cast<std::int32_t>(whole);
  return true;
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
    // Nearly every vertex continues a part of an object on a grid already set up: that
    // case is kept small enough to be inlined into the reader's loop.
    if (!new_part && object_.part_open && view_.has_extent_ && inverse_cell_shift_ == summary_.shift &&
        std::isfinite(x) && std::isfinite(y)) {
      GridPoint point;
      if (GridCell((x - summary_.origin_x) * inverse_cell_, point.x) &&
          GridCell((y - summary_.origin_y) * inverse_cell_, point.y)) {
        GrowExtent(x, y);
        // Within the cell of the vertex before: nothing new to store.
        if (object_.vertices.back() != point) Keep(point);
        return true;
      }
    }
    return FirstOrFarVertex(x, y, new_part);
  }
  void NewPart() { object_.part_open = false; }

 private:
  // Vertex() for the first vertex of a part or of the map, and for one off the grid.
  [[gnu::noinline]] bool FirstOrFarVertex(double x, double y, bool new_part) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    if (!summary_.has_origin) {
      summary_.has_origin = true;
      summary_.origin_x = x;
      summary_.origin_y = y;
      double magnitude = std::max({std::fabs(x), std::fabs(y), 1.0});
      summary_.base_cell = std::ldexp(1.0, static_cast<int>(std::floor(std::log2(magnitude))) - kFinestBits);
    }
    if (!view_.has_extent_) {
      view_.extent_ = {x, y, x, y};
      view_.has_extent_ = true;
    }
    GrowExtent(x, y);
    GridPoint point;
    for (;;) {
      // The cells are powers of two wide: multiplying by the inverse is exact.
      if (inverse_cell_shift_ != summary_.shift) {
        inverse_cell_ = 1 / summary_.Cell(0);
        inverse_cell_shift_ = summary_.shift;
      }
      if (GridCell((x - summary_.origin_x) * inverse_cell_, point.x) &&
          GridCell((y - summary_.origin_y) * inverse_cell_, point.y)) {
        break;
      }
      if (summary_.shift >= kMaxShift) return false;
      Coarsen();
    }
    std::vector<GridPoint>& vertices = object_.vertices;
    if (new_part || !object_.part_open) {
      // A small object or part ends up as the dot of a cell at or next to its first
      // vertex's: the finest level's table is large, and its slots for those cells are
      // fetched while the rest of the object is read.
      const CellSet& dots = summary_.levels[0].dots;
      for (GridPoint cell : {point, GridPoint{point.x - 1, point.y}, GridPoint{point.x, point.y - 1},
                             GridPoint{point.x - 1, point.y - 1}}) {
        dots.Prefetch(DotKey(cell, object_.kind, object_.assignment));
      }
      if (vertices.empty()) {
        object_.low = object_.high = point;
      } else {
        vertices.push_back({kPartBreak, kPartBreak});
        object_.several_parts = true;
      }
      object_.part_open = true;
    } else if (vertices.back() == point) {
      return true;  // within the cell of the vertex before: nothing new to store
    }
    Keep(point);
    return true;
  }

  void GrowExtent(double x, double y) {
    MapExtent& extent = view_.extent_;
    extent.min_x = std::min(extent.min_x, x);
    extent.max_x = std::max(extent.max_x, x);
    extent.min_y = std::min(extent.min_y, y);
    extent.max_y = std::max(extent.max_y, y);
  }

  // Appends a vertex to the part being read.
  void Keep(GridPoint point) {
    object_.low = {std::min(object_.low.x, point.x), std::min(object_.low.y, point.y)};
    object_.high = {std::max(object_.high.x, point.x), std::max(object_.high.y, point.y)};
    object_.vertices.push_back(point);
    if ((object_.vertices.size() & 4095) == 0 && Over()) Relieve();
  }

 public:
  // Stores the object in progress at every level and starts the next one.
  void Finish() {
    StoreObject();
    object_.Clear();
  }
  // The same, and the next object has the same attributes: the points of a Multipoint
  // share their record.
  void FinishKeepingAttributes() {
    StoreObject();
    object_.ClearVertices();
  }

 private:
  void StoreObject() {
    if (object_.vertices.empty() || summary_.full) return;
    ++view_.objects_read_;
    if (summary_.merge_shapes) {
      // The slots of the object's shape at every level, loaded while it is written.
      const GridPoint first = object_.vertices.front(), last = object_.vertices.back();
      StoredObject style;
      style.kind = object_.kind;
      style.assignment = object_.assignment;
      style.level = static_cast<std::uint8_t>(std::clamp(object_.level, 0, 255));
      for (int level = 0; level < MapView::kLevels; ++level) {
        const int shift = 2 * level;
        summary_.levels[static_cast<std::size_t>(level)].shapes.Prefetch(ShapeFingerprint(
            style, {first.x >> shift, first.y >> shift}, {last.x >> shift, last.y >> shift}));
      }
    }
    // An object that is a dot already there at one level is one at the coarser levels
    // too, whose cells hold its cell.
    for (int level = 0; level < MapView::kLevels; ++level) {
      if (!Store(level)) break;
    }
    if (Over()) Relieve();
  }

  bool Over() const {
    return summary_.bytes() + object_.vertices.capacity() * sizeof(GridPoint) > view_.budget_;
  }

  // Coarsens until the summary takes at most half the budget, so that the
  // next objects do not force another round at once.
  void Relieve() {
    const std::size_t goal = view_.budget_ / 2;
    if (!summary_.merge_shapes) {
      // Shapes repeated on one grid (a map of many identical objects) go first, before
      // any detail is given up.
      summary_.merge_shapes = true;
      for (MapView::Summary::Level& level : summary_.levels) MergeRepeatedShapes(level);
    }
    // The object being read takes part: its vertices merge as the cells grow.
    for (;;) {
      const std::size_t pending = object_.vertices.size() * sizeof(GridPoint);
      if (summary_.bytes() + pending <= goal) break;
      if (summary_.shift >= kMaxShift) {
        summary_.full = true;
        break;
      }
      // Even without its finest level the summary would be too large: doubling the cells
      // once cannot be enough, and doubling them twice is the levels moving down by one.
      if (summary_.shift + 2 <= kMaxShift && summary_.bytes() - summary_.levels[0].bytes() > goal) {
        CoarsenByALevel();
      } else {
        Coarsen();
      }
    }
    if (object_.vertices.capacity() > object_.vertices.size() * 2 + 1024) object_.vertices.shrink_to_fit();
  }

  // False when the object is a dot of a cell that has one of its style already.
  bool Store(int level_index) {
    MapView::Summary::Level& level = summary_.levels[static_cast<std::size_t>(level_index)];
    const int shift = 2 * level_index;
    StoredObject stored;
    stored.kind = object_.kind;
    stored.assignment = object_.assignment;
    stored.level = static_cast<std::uint8_t>(std::clamp(object_.level, 0, 255));
    stored.low = {object_.low.x >> shift, object_.low.y >> shift};
    stored.high = {object_.high.x >> shift, object_.high.y >> shift};
    if (WithinACell(stored.low, stored.high) || object_.kind == MapObjectKind::kPoint) {
      // Within one cell: one dot per cell and style is enough.
      if (!level.dots.Insert(DotKey(stored.low, stored.kind, stored.assignment))) return false;
      stored.dot = true;
    } else {
      const std::size_t first = level.vertices.size();
      std::size_t end = 0;
      if (level_index == 0 && !object_.several_parts) {
        // One part larger than a cell, its vertices in different cells already.
        level.vertices.Append(object_.vertices.data(), object_.vertices.size());
        end = level.vertices.size();
      } else if (level_index == 0) {
        const std::vector<GridPoint>& vertices = object_.vertices;
        end = WriteParts(
            level.vertices, first, vertices.size(), [&](std::size_t i) { return vertices[i]; }, level.dots,
            stored.kind, stored.assignment, stored.low, stored.high);
      } else {
        // The finer level has kept the object larger than its cells too (an object within
        // a cell is within every coarser one). What it wrote, on a grid four times as
        // fine, gives the same parts as the object's own vertices: consecutive vertices
        // in one cell stay in one, and a part it made a dot is one vertex here, or was
        // dropped because its cell holds a dot of the style, whose coarser cell does too.
        // A part strewn over the map costs a vertex per part here instead of all of them.
        const Chunked<GridPoint>& finer = summary_.levels[static_cast<std::size_t>(level_index - 1)].vertices;
        const std::size_t from = finer_first_;
        end = WriteParts(
            level.vertices, first, finer_count_,
            [&](std::size_t i) {
              GridPoint vertex = finer[from + i];
              return vertex.x == kPartBreak ? vertex : GridPoint{vertex.x >> 2, vertex.y >> 2};
            },
            level.dots, stored.kind, stored.assignment, stored.low, stored.high);
      }
      finer_first_ = first;
      finer_count_ = end - first;
      // What a part given back as a dot had written past the end is no vertex.
      level.vertices.Shorten(end);
      if (end == first) return true;  // every part is a dot already there
      // A shape the level holds already is so at every coarser level too.
      if (summary_.merge_shapes &&
          level.shapes.Contains(ShapeFingerprint(stored, level.vertices[first], level.vertices[end - 1]),
                                static_cast<std::uint32_t>(level.objects.size()), [&](std::uint32_t i) {
                                  return StoredShapeEqual(level.vertices, first, end, stored, level.objects[i]);
                                })) {
        level.vertices.Shorten(first);
        return false;
      }
      stored.first_vertex = static_cast<std::uint32_t>(first);
      stored.vertex_count = static_cast<std::uint32_t>(end - first);
    }
    stored.text_offset = static_cast<std::uint32_t>(level.texts.size());
    AppendText(level.texts, object_.type);
    AppendText(level.texts, object_.label);
    AppendText(level.texts, object_.description);
    level.objects.push_back(stored);
    return true;
  }

  // Keeps each shape of a level once, the first, on the level's own grid: its dots
  // stay as they are, the other objects move down over the repeats left out.
  static void MergeRepeatedShapes(MapView::Summary::Level& level) {
    level.shapes.Empty();
    std::size_t objects = 0, vertices = 0, texts = 0;
    for (std::size_t i = 0; i < level.objects.size(); ++i) {
      StoredObject stored = level.objects[i];
      const std::size_t text_at = stored.text_offset;
      std::size_t text_size = 0;
      for (int t = 0; t < 3; ++t) text_size += static_cast<unsigned char>(level.texts[text_at + text_size]) + 1u;
      const std::size_t from = stored.first_vertex, count = stored.vertex_count;
      if (!stored.dot) {
        // The objects kept so far lie below `vertices`, this one's vertices at `from` or above.
        if (level.shapes.Contains(ShapeFingerprint(stored, level.vertices[from], level.vertices[from + count - 1]),
                                  static_cast<std::uint32_t>(objects), [&](std::uint32_t j) {
                                    return StoredShapeEqual(level.vertices, from, from + count, stored,
                                                            level.objects[j]);
                                  })) {
          continue;
        }
        if (vertices != from) level.vertices.MoveDown(vertices, from, count);
      }
      stored.first_vertex = static_cast<std::uint32_t>(vertices);
      vertices += count;
      if (texts != text_at) level.texts.MoveDown(texts, text_at, text_size);
      stored.text_offset = static_cast<std::uint32_t>(texts);
      texts += text_size;
      level.objects.Set(objects++, stored);
    }
    level.objects.Truncate(objects);
    level.vertices.Truncate(vertices);
    level.texts.Truncate(texts);
    level.shapes.Fit();
  }

  // Doubles the cell of every level, each rebuilt in place.
  void Coarsen() {
    ++summary_.shift;
    ShiftPendingObject(1);
    for (MapView::Summary::Level& level : summary_.levels) CoarsenLevel(level, level, 1, summary_.merge_shapes);
  }

  // Makes every cell four times as wide. Each level then has the cells of the next
  // coarser one, which holds what rebuilding it would give: the finest level is
  // dropped, the others move down, and only the new coarsest level is built.
  void CoarsenByALevel() {
    summary_.shift += 2;
    ShiftPendingObject(2);
    auto& levels = summary_.levels;
    levels[0] = MapView::Summary::Level();
    std::rotate(levels.begin(), levels.begin() + 1, levels.end());
    CoarsenLevel(levels[MapView::kLevels - 2], levels[MapView::kLevels - 1], 2, summary_.merge_shapes);
  }

  // Moves the object being read onto a grid 2^bits times as coarse.
  void ShiftPendingObject(int bits) {
    std::vector<GridPoint>& vertices = object_.vertices;
    std::size_t kept = 0;
    for (GridPoint vertex : vertices) {
      if (vertex.x != kPartBreak) {
        vertex = {vertex.x >> bits, vertex.y >> bits};
        // Consecutive vertices now in one cell are one, as if read on this grid.
        if (kept > 0 && vertices[kept - 1] == vertex) continue;
      }
      vertices[kept++] = vertex;
    }
    vertices.resize(kept);
    object_.low = {object_.low.x >> bits, object_.low.y >> bits};
    object_.high = {object_.high.x >> bits, object_.high.y >> bits};
  }

  // Writes the objects of `source` on a grid 2^bits times as coarse to `target`: an
  // empty level, or `source` itself, rewritten in place (nothing is written past what
  // has been read). Objects that fall within one cell become dots; with `merge_shapes`
  // a shape the level holds already is dropped.
  static void CoarsenLevel(MapView::Summary::Level& source, MapView::Summary::Level& target, int bits,
                           bool merge_shapes) {
    const bool in_place = &source == &target;
    // The level keeps at most the dots it has: their table need not grow while refilled.
    target.dots.Empty();
    target.shapes.Empty();
    std::size_t objects = 0, vertices = 0, texts = 0;
    // The dot and shape tables are large and read at random: the slot of an object a
    // few places on is fetched while this one is rewritten.
    constexpr std::size_t kLookAhead = 8;
    for (std::size_t i = 0; i < source.objects.size(); ++i) {
      if (i + kLookAhead < source.objects.size()) {
        const StoredObject& ahead = source.objects[i + kLookAhead];
        GridPoint low{ahead.low.x >> bits, ahead.low.y >> bits}, high{ahead.high.x >> bits, ahead.high.y >> bits};
        if (ahead.dot || WithinACell(low, high)) {
          target.dots.Prefetch(DotKey(low, ahead.kind, ahead.assignment));
        } else if (merge_shapes) {
          // Its vertices lie past the ones being written, even when rewritten in place.
          GridPoint first = source.vertices[ahead.first_vertex];
          GridPoint last = source.vertices[ahead.first_vertex + ahead.vertex_count - 1];
          target.shapes.Prefetch(ShapeFingerprint(ahead, {first.x >> bits, first.y >> bits},
                                                  {last.x >> bits, last.y >> bits}));
        }
      }
      StoredObject stored = source.objects[i];
      stored.low = {stored.low.x >> bits, stored.low.y >> bits};
      stored.high = {stored.high.x >> bits, stored.high.y >> bits};
      std::size_t text_at = stored.text_offset;
      std::size_t text_size = 0;
      for (int t = 0; t < 3; ++t) {
        std::size_t size = static_cast<unsigned char>(source.texts[text_at + text_size]);
        text_size += size + 1;
      }
      bool keep = true;
      if (stored.dot || WithinACell(stored.low, stored.high)) {
        keep = target.dots.Insert(DotKey(stored.low, stored.kind, stored.assignment));
        stored.dot = true;
        stored.vertex_count = 0;
        stored.first_vertex = static_cast<std::uint32_t>(vertices);
      } else {
        const std::size_t first = vertices;
        const std::size_t from = stored.first_vertex;
        vertices = WriteParts(
            target.vertices, first, stored.vertex_count,
            [&](std::size_t v) {
              GridPoint vertex = source.vertices[from + v];
              return vertex.x == kPartBreak ? vertex : GridPoint{vertex.x >> bits, vertex.y >> bits};
            },
            target.dots, stored.kind, stored.assignment, stored.low, stored.high);
        keep = vertices != first;
        if (keep && merge_shapes &&
            target.shapes.Contains(ShapeFingerprint(stored, target.vertices[first], target.vertices[vertices - 1]),
                                   static_cast<std::uint32_t>(objects), [&](std::uint32_t j) {
                                     return StoredShapeEqual(target.vertices, first, vertices, stored,
                                                             target.objects[j]);
                                   })) {
          keep = false;
          vertices = first;
        }
        stored.first_vertex = static_cast<std::uint32_t>(first);
        stored.vertex_count = static_cast<std::uint32_t>(vertices - first);
      }
      if (!keep) continue;
      if (!in_place) {
        target.texts.AppendFrom(source.texts, text_at, text_size);
      } else if (texts != text_at) {
        target.texts.MoveDown(texts, text_at, text_size);
      }
      stored.text_offset = static_cast<std::uint32_t>(texts);
      texts += text_size;
      target.objects.Set(objects++, stored);
    }
    target.objects.Truncate(objects);
    target.vertices.Truncate(vertices);
    target.texts.Truncate(texts);
    target.dots.Fit();
    target.shapes.Fit();
  }

  MapView& view_;
  MapView::Summary& summary_;
  PendingObject object_;
  double inverse_cell_ = 0;
  int inverse_cell_shift_ = -1;
  // Where the level before the one being stored wrote the object's vertices.
  std::size_t finer_first_ = 0, finer_count_ = 0;
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

void MapView::Clear() {
  summary_ = std::make_unique<Summary>();
  draw_buffers_.reset();
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
  if (std::uint64_t left_out = reader.objects_without_numbers(); left_out > 0) {
    auto count = static_cast<long long>(left_out);
    result.notes.push_back(ObjectCount(count) +
                           std::string(PluralForm(count, Ru(" не показан"), Ru(" не показаны"), Ru(" не показаны"))) +
                           Ru(": в координатах есть текст, который не является числом (конвертация такие объекты "
                              "не записывает):") +
                           line_break + mif_path);
  }
  if (mid_open && mid.ReadFailed()) {
    result.notes.push_back(Ru("Файл MID прочитан не до конца (ошибка чтения):") + line_break + mid_path);
  }
  if (mid_open && mid.missing_records() > 0) {
    result.notes.push_back(Ru("В файле MID меньше записей, чем объектов в файле MIF: ") +
                           ObjectCount(static_cast<long long>(mid.missing_records())) + Ru(" без записи.") +
                           line_break + mid_path);
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
      ScreenPoint a = screen(object.low), b = screen(object.high);
      ScreenPoint p{(a.x + b.x) / 2, (a.y + b.y) / 2};
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
          // A part of one vertex is a dot: found by its distance.
          nearest = std::min(nearest, SegmentDistance(target, p, p));
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

namespace {

// What lies farther than this many pixels beyond the viewport's edges is not drawn:
// more than any pen is wide or a symbol reaches.
constexpr float kClipMargin = 16;
// A part whose screen box is less than this many pixels across both ways is drawn as
// a dot of its size: the pixels cannot show its shape.
constexpr float kDotSpan = 4;
// The narrowest dot: a shape smaller than a cell.
constexpr float kDotWidth = 2;
// Vertices closer than this many pixels (along both axes) to the vertex before are
// left out of a drawn line or ring.
constexpr float kVertexSpacing = 1;

struct ClipBox {
  float left, top, right, bottom;
  bool Contains(ScreenPoint p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
  bool Misses(float x0, float y0, float x1, float y1) const {
    return x1 < left || x0 > right || y1 < top || y0 > bottom;
  }
  bool Holds(float x0, float y0, float x1, float y1) const {
    return x0 >= left && x1 <= right && y0 >= top && y1 <= bottom;
  }
};

// Clips a closed ring to the box one edge at a time (Sutherland and Hodgman).
void ClipRing(std::vector<ScreenPoint>& ring, std::vector<ScreenPoint>& scratch, const ClipBox& box) {
  auto clip = [&](auto inside, auto cross) {
    scratch.clear();
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
      ScreenPoint a = ring[i == 0 ? n - 1 : i - 1], b = ring[i];
      bool a_in = inside(a), b_in = inside(b);
      if (a_in != b_in) scratch.push_back(cross(a, b));
      if (b_in) scratch.push_back(b);
    }
    ring.swap(scratch);
  };
  auto at_x = [](ScreenPoint a, ScreenPoint b, float x) {
    return ScreenPoint{x, a.y + (b.y - a.y) * ((x - a.x) / (b.x - a.x))};
  };
  auto at_y = [](ScreenPoint a, ScreenPoint b, float y) {
    return ScreenPoint{a.x + (b.x - a.x) * ((y - a.y) / (b.y - a.y)), y};
  };
  clip([&](ScreenPoint p) { return p.x >= box.left; }, [&](ScreenPoint a, ScreenPoint b) { return at_x(a, b, box.left); });
  clip([&](ScreenPoint p) { return p.x <= box.right; }, [&](ScreenPoint a, ScreenPoint b) { return at_x(a, b, box.right); });
  clip([&](ScreenPoint p) { return p.y >= box.top; }, [&](ScreenPoint a, ScreenPoint b) { return at_y(a, b, box.top); });
  clip([&](ScreenPoint p) { return p.y <= box.bottom; }, [&](ScreenPoint a, ScreenPoint b) { return at_y(a, b, box.bottom); });
}

// Clips the segment a-b to the box (Liang and Barsky); false when none of it is inside.
bool ClipSegment(ScreenPoint& a, ScreenPoint& b, const ClipBox& box) {
  float t0 = 0, t1 = 1;
  const float dx = b.x - a.x, dy = b.y - a.y;
  auto edge = [&](float p, float q) {
    if (p == 0) return q >= 0;
    float r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  if (!edge(-dx, a.x - box.left) || !edge(dx, box.right - a.x) || !edge(-dy, a.y - box.top) ||
      !edge(dy, box.bottom - a.y)) {
    return false;
  }
  ScreenPoint start = a;
  if (t1 < 1) b = {start.x + t1 * dx, start.y + t1 * dy};
  if (t0 > 0) a = {start.x + t0 * dx, start.y + t0 * dy};
  return true;
}

// The pixels of the clip box that the dots of each style cover, one bit each: a dot
// whose centre a dot of its style covers already adds nothing to the picture.
class DotPixels {
 public:
  using Bits = std::array<std::vector<std::uint64_t>, 9>;
  // `bits` is memory kept between drawings; its contents are cleared here as needed.
  DotPixels(const ClipBox& box, Bits& bits) : box_(box), bits_(bits) {
    width_ = static_cast<int>(box.right - box.left) + 1;
    height_ = static_cast<int>(box.bottom - box.top) + 1;
  }
  // True when no dot of the style covers the pixel of `at` yet; then the middle of a
  // dot `width` pixels across (half its width, at least a pixel) counts as covered.
  bool Claim(int style, ScreenPoint at, float width) {
    if (!box_.Contains(at)) return false;
    std::vector<std::uint64_t>& bits = bits_[static_cast<std::size_t>(style)];
    if (!cleared_[static_cast<std::size_t>(style)]) {
      bits.assign((static_cast<std::size_t>(width_) * height_ + 63) / 64, 0);
      cleared_[static_cast<std::size_t>(style)] = true;
    }
    const int x = static_cast<int>(at.x - box_.left), y = static_cast<int>(at.y - box_.top);
    if (Covered(bits, x, y)) return false;
    const int side = std::max(1, static_cast<int>(std::ceil(width / 2))), from = (side - 1) / 2;
    for (int dy = -from; dy < side - from; ++dy) {
      for (int dx = -from; dx < side - from; ++dx) Cover(bits, x + dx, y + dy);
    }
    return true;
  }

 private:
  bool Covered(const std::vector<std::uint64_t>& bits, int x, int y) const {
    std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    return (bits[index >> 6] >> (index & 63)) & 1;
  }
  void Cover(std::vector<std::uint64_t>& bits, int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    bits[index >> 6] |= std::uint64_t{1} << (index & 63);
  }

  ClipBox box_;
  int width_ = 0, height_ = 0;
  Bits& bits_;
  std::array<bool, 9> cleared_{};
};

// A dot waiting for its place in the list: a point symbol, or a shape too small to
// show its form.
struct PendingDot {
  ScreenPoint at;
  DrawStyle style;
  std::uint8_t assignment;
};

// Where the dots of an assignment go among the dots of a kind: grouped by style (dots
// of one colour may be painted in any order, so a painter draws each group at once),
// the unassigned ones last, on top, to stand out.
constexpr std::size_t kDotGroupOf[] = {0, 2, 1};  // assigned, unassigned, left out
using DotGroups = std::array<std::vector<PendingDot>, 3>;

// Marks the dots that later dots hide: read from the last painted back, a dot whose
// whole square (a pixel wider than its width, as an outlined symbol is painted) lies
// on pixels that the squares of later dots cover adds nothing to the picture. On a map
// seen whole, the dots of several styles in one cell share a place and only the last
// of them shows. `dots` holds each kind's groups, by MapObjectKind; regions are painted
// first, then polylines, then points.
using HiddenDots = std::array<std::array<std::vector<bool>, 3>, 3>;
void MarkHiddenDots(const std::array<DotGroups, 3>& dots, const ClipBox& box, HiddenDots& hidden,
                    std::vector<std::uint64_t>& covered) {
  const int width = static_cast<int>(box.right - box.left) + 1, height = static_cast<int>(box.bottom - box.top) + 1;
  covered.assign((static_cast<std::size_t>(width) * height + 63) / 64, 0);
  for (MapObjectKind last_first : {MapObjectKind::kPoint, MapObjectKind::kPolyline, MapObjectKind::kRegion}) {
    const std::size_t kind = static_cast<std::size_t>(last_first);
    for (std::size_t group = 3; group-- > 0;) {
    const std::vector<PendingDot>& group_dots = dots[kind][group];
    std::vector<bool>& group_hidden = hidden[kind][group];
    group_hidden.assign(group_dots.size(), false);
    for (std::size_t d = group_dots.size(); d-- > 0;) {
      const PendingDot& dot = group_dots[d];
      if (!box.Contains(dot.at)) continue;
      // Within the box the coordinates are not negative: adding a half and cutting rounds.
      const int side = std::max(1, static_cast<int>(dot.style.width + 1.5f));
      const int x0 = static_cast<int>(dot.at.x - box.left - side / 2.0f + 0.5f);
      const int y0 = static_cast<int>(dot.at.y - box.top - side / 2.0f + 0.5f);
      bool all_covered = true;
      for (int y = std::max(y0, 0); y < std::min(y0 + side, height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x0 + side, width); ++x) {
          std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
          std::uint64_t bit = std::uint64_t{1} << (i & 63);
          if (!(covered[i >> 6] & bit)) {
            all_covered = false;
            covered[i >> 6] |= bit;
          }
        }
      }
      group_hidden[d] = all_covered;
    }
    }
  }
}

// A label waiting until every shape is known: labels are painted over all of them.
struct PendingLabel {
  ScreenPoint at;
  std::size_t text_at;
};

// A part of a shape too small to show its form, drawn as a dot of its size.
struct PartDot {
  ScreenPoint at;
  float span;
};

}  // namespace

struct MapView::DrawBuffers {
  std::vector<bool> label_cells;
  std::vector<PendingLabel> pending_labels;
  std::array<std::vector<DrawCommand>, 3> shapes;
  std::array<DotGroups, 3> pending_dots;
  std::vector<ScreenPoint> part, scratch;
  std::vector<PartDot> part_dots;
  std::array<std::vector<std::uint32_t>, 3> visible;
  HiddenDots hidden;
  DotPixels::Bits dot_pixels;
  std::vector<std::uint64_t> covered;
  // Empties every list and keeps its memory.
  void Clear() {
    pending_labels.clear();
    for (int kind = 0; kind < 3; ++kind) {
      shapes[kind].clear();
      visible[kind].clear();
      for (std::vector<PendingDot>& group : pending_dots[kind]) group.clear();
    }
    part.clear();
    scratch.clear();
    part_dots.clear();
  }
};

MapView::~MapView() = default;

void MapView::SetLabelFont(float average_char_width, float line_height) {
  if (std::isfinite(average_char_width) && average_char_width > 0) label_char_width_ = average_char_width;
  if (std::isfinite(line_height) && line_height > 0) label_line_height_ = line_height;
}

const std::string& MapView::TypicalLabel() {
  static const std::string text = Ru("Ольховка ул. Речная Школа 2");
  return text;
}

DrawList MapView::Draw(bool labels) const {
  DrawList list;
  Draw(list, labels);
  return list;
}

void MapView::Draw(DrawList& list, bool labels) const {
  list.commands.clear();
  list.points.clear();
  list.ring_sizes.clear();
  if (!draw_buffers_) draw_buffers_ = std::make_unique<DrawBuffers>();
  DrawBuffers& buffers = *draw_buffers_;
  buffers.Clear();
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
    MapPoint low = ToMap(-kClipMargin, height_ + kClipMargin), high = ToMap(width_ + kClipMargin, -kClipMargin);
    const double gx0 = std::floor((low.x - summary_->origin_x) / cell) - 1;
    const double gx1 = std::floor((high.x - summary_->origin_x) / cell) + 1;
    const double gy0 = std::floor((low.y - summary_->origin_y) / cell) - 1;
    const double gy1 = std::floor((high.y - summary_->origin_y) / cell) + 1;
    const ClipBox clip{-kClipMargin, -kClipMargin, static_cast<float>(width_) + kClipMargin,
                       static_cast<float>(height_) + kClipMargin};
    // Lines and rings reaching farther than a viewport beyond its edges are cut there, so
    // that a painter never meets coordinates far beyond the screen; the edges a cut
    // gives a ring lie off the screen. Nearer, their vertices are drawn as they are.
    const float w = static_cast<float>(width_), h = static_cast<float>(height_);
    const ClipBox cut{-w, -h, 2 * w, 2 * h};
    DotPixels dot_pixels(clip, buffers.dot_pixels);

    // Labels are placed where they overlap no other: the box each one takes (its
    // text's width in the label font, a line high) is marked on a grid of 8-pixel
    // cells, and a label that would touch a marked cell is left out.
    constexpr int kLabelCell = 8;
    const int label_columns = width_ / kLabelCell + 1, label_rows = height_ / kLabelCell + 1;
    std::vector<bool>& label_cells = buffers.label_cells;
    label_cells.assign(static_cast<std::size_t>(label_columns) * static_cast<std::size_t>(label_rows), false);
    auto label_cell = [&](int column, int row) {
      return label_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(label_columns) +
                         static_cast<std::size_t>(column)];
    };
    std::size_t label_count = 0;
    // Labels are painted after every shape, so no shape hides one.
    std::vector<PendingLabel>& pending_labels = buffers.pending_labels;
    constexpr std::size_t kMaxLabels = 1500;
    auto add_label = [&](const StoredObject& object, ScreenPoint at, float room) {
      if (!labels || label_count >= kMaxLabels) return;
      // Also refuses a point that is no number (coordinates far beyond any map).
      if (!(at.x >= 0 && at.y >= 0 && at.x <= width_ && at.y <= height_)) return;
      // Most candidates of a crowded view fall where a label already stands: that is
      // known before the text is read.
      if (label_cell(static_cast<int>(at.x) / kLabelCell, static_cast<int>(at.y) / kLabelCell)) return;
      std::size_t text_at = object.text_offset;
      text_at += static_cast<unsigned char>(level.texts[text_at]) + 1;
      std::size_t size = static_cast<unsigned char>(level.texts[text_at]);
      if (size == 0) return;
      float text_width = static_cast<float>(size) * label_char_width_;
      if (label_measure_) {
        std::size_t read_at = text_at;
        text_width = label_measure_(ReadText(level.texts, read_at));
      }
      if (!(text_width <= room)) return;
      // The baseline's left end is at `at`: most of the line stands above it.
      int first_column = static_cast<int>(at.x) / kLabelCell;
      int last_column = std::min(static_cast<int>(at.x + text_width) / kLabelCell, label_columns - 1);
      int first_row = std::max(static_cast<int>(at.y - label_line_height_ * 0.8f), 0) / kLabelCell;
      int last_row = std::min(static_cast<int>(at.y + label_line_height_ * 0.2f) / kLabelCell, label_rows - 1);
      for (int row = first_row; row <= last_row; ++row) {
        for (int column = first_column; column <= last_column; ++column) {
          if (label_cell(column, row)) return;
        }
      }
      for (int row = first_row; row <= last_row; ++row) {
        for (int column = first_column; column <= last_column; ++column) {
          label_cell(column, row) = true;
        }
      }
      pending_labels.push_back({at, text_at});
      ++label_count;
    };
    // The shapes and the dots of each kind, put in the list when all are known.
    std::array<std::vector<DrawCommand>, 3>& shapes = buffers.shapes;
    std::array<DotGroups, 3>& pending_dots = buffers.pending_dots;
    // A dot: a point symbol, or a shape too small to show its form as a square of its
    // size (`span` pixels, at least kDotWidth) in its outline colour.
    auto add_dot = [&](const StoredObject& object, const DrawStyle& style, ScreenPoint at, float span) {
      DrawStyle dot = style;
      if (object.kind != MapObjectKind::kPoint) {
        dot.width = std::max(kDotWidth, std::round(span));
        dot.fill = dot.stroke;
      }
      if (!dot_pixels.Claim(static_cast<int>(object.kind) * 3 + static_cast<int>(object.assignment), at, dot.width)) {
        return false;
      }
      pending_dots[static_cast<std::size_t>(object.kind)][kDotGroupOf[static_cast<std::size_t>(object.assignment)]].push_back(
          {at, dot, static_cast<std::uint8_t>(object.assignment)});
      return true;
    };

    std::vector<ScreenPoint>& part = buffers.part;
    std::vector<ScreenPoint>& scratch = buffers.scratch;
    std::vector<PartDot>& part_dots = buffers.part_dots;
    // The objects in view, by kind in painting order, found in one reading of the level.
    std::array<std::vector<std::uint32_t>, 3>& visible = buffers.visible;
    for (std::size_t i = 0; i < level.objects.size(); ++i) {
      const StoredObject& object = level.objects[i];
      if (object.high.x < gx0 || object.low.x > gx1 || object.high.y < gy0 || object.low.y > gy1) continue;
      visible[static_cast<std::size_t>(object.kind)].push_back(static_cast<std::uint32_t>(i));
    }
    // The styles by kind, assignment and level (the levels past 3 draw as 3).
    std::array<DrawStyle, 3 * 3 * 4> styles;
    for (int kind = 0; kind < 3; ++kind) {
      for (int assignment = 0; assignment < 3; ++assignment) {
        for (int style_level = 0; style_level < 4; ++style_level) {
          styles[static_cast<std::size_t>((kind * 3 + assignment) * 4 + style_level)] =
              StyleOf(static_cast<MapObjectKind>(kind), static_cast<Assignment>(assignment), style_level);
        }
      }
    }
    for (MapObjectKind pass : {MapObjectKind::kRegion, MapObjectKind::kPolyline, MapObjectKind::kPoint}) {
      for (std::uint32_t i : visible[static_cast<std::size_t>(pass)]) {
        const StoredObject& object = level.objects[i];
        const DrawStyle& style = styles[static_cast<std::size_t>(
            (static_cast<int>(object.kind) * 3 + static_cast<int>(object.assignment)) * 4 + std::min<int>(object.level, 3))];
        ScreenPoint a = screen(object.low), b = screen(object.high);
        const float left = std::min(a.x, b.x), right = std::max(a.x, b.x);
        const float top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
        if (object.dot || (right - left < kDotSpan && bottom - top < kDotSpan)) {
          ScreenPoint at{(left + right) / 2, (top + bottom) / 2};
          float span = object.dot ? 0 : std::max(right - left, bottom - top);
          if (add_dot(object, style, at, span) && object.kind == MapObjectKind::kPoint) add_label(object, at, 1e9f);
          continue;
        }
        const bool inside = clip.Holds(left, top, right, bottom);
        DrawCommand command;
        command.style = style;
        command.first_point = static_cast<std::uint32_t>(list.points.size());
        command.first_ring = static_cast<std::uint32_t>(list.ring_sizes.size());
        part_dots.clear();
        auto add_line = [&](const ScreenPoint* points, std::size_t count) {
          DrawCommand line = command;
          line.shape = DrawShape::kPolyline;
          line.first_point = static_cast<std::uint32_t>(list.points.size());
          line.point_count = static_cast<std::uint32_t>(count);
          list.points.insert(list.points.end(), points, points + count);
          shapes[static_cast<std::size_t>(pass)].push_back(std::move(line));
        };
        // The part in `part`, its vertices a pixel apart: a dot, a ring or line clipped to the box.
        auto end_part = [&]() {
          if (part.empty()) return;
          float x0 = part[0].x, x1 = x0, y0 = part[0].y, y1 = y0;
          for (const ScreenPoint& p : part) {
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
          }
          if (!inside && clip.Misses(x0, y0, x1, y1)) return;
          if (x1 - x0 < kDotSpan && y1 - y0 < kDotSpan) {
            part_dots.push_back({{(x0 + x1) / 2, (y0 + y1) / 2}, std::max(x1 - x0, y1 - y0)});
            return;
          }
          if (pass == MapObjectKind::kRegion) {
            if (!cut.Holds(x0, y0, x1, y1)) ClipRing(part, scratch, cut);
            if (part.size() < 3) return;
            list.points.insert(list.points.end(), part.begin(), part.end());
            list.ring_sizes.push_back(static_cast<std::uint32_t>(part.size()));
            return;
          }
          if (cut.Holds(x0, y0, x1, y1)) {
            add_line(part.data(), part.size());
            return;
          }
          // The runs of segments that reach into the box, each a line of its own.
          scratch.clear();
          for (std::size_t v = 1; v < part.size(); ++v) {
            ScreenPoint from = part[v - 1], to = part[v];
            if (!ClipSegment(from, to, cut)) {
              if (scratch.size() > 1) add_line(scratch.data(), scratch.size());
              scratch.clear();
              continue;
            }
            if (scratch.empty()) scratch.push_back(from);
            scratch.push_back(to);
            if (to.x != part[v].x || to.y != part[v].y) {
              add_line(scratch.data(), scratch.size());
              scratch.clear();
            }
          }
          if (scratch.size() > 1) add_line(scratch.data(), scratch.size());
        };
        part.clear();
        const std::size_t end = std::size_t{object.first_vertex} + object.vertex_count;
        for (std::size_t v = object.first_vertex; v < end; ++v) {
          GridPoint g = level.vertices[v];
          if (g.x == kPartBreak) {
            end_part();
            part.clear();
            continue;
          }
          ScreenPoint p = screen(g);
          if (!part.empty() && std::fabs(p.x - part.back().x) < kVertexSpacing &&
              std::fabs(p.y - part.back().y) < kVertexSpacing) {
            // Too close to the vertex before; a line's last vertex still ends it.
            if (pass == MapObjectKind::kPolyline && part.size() > 1 &&
                (v + 1 == end || level.vertices[v + 1].x == kPartBreak)) {
              part.back() = p;
            }
            continue;
          }
          part.push_back(p);
        }
        end_part();
        if (pass == MapObjectKind::kRegion) {
          command.shape = DrawShape::kPolygon;
          command.point_count = static_cast<std::uint32_t>(list.points.size()) - command.first_point;
          command.ring_count = static_cast<std::uint32_t>(list.ring_sizes.size()) - command.first_ring;
          if (command.point_count > 0) shapes[static_cast<std::size_t>(pass)].push_back(std::move(command));
        }
        for (const PartDot& dot : part_dots) add_dot(object, style, dot.at, dot.span);
        add_label(object, {left, (top + bottom) / 2}, right - left);
      }
    }
    // Regions, polylines, points: each kind's shapes, then its dots.
    HiddenDots& hidden = buffers.hidden;
    MarkHiddenDots(pending_dots, clip, hidden, buffers.covered);
    std::size_t commands = pending_labels.size() + 1;
    for (std::size_t kind = 0; kind < 3; ++kind) {
      commands += shapes[kind].size();
      for (const std::vector<bool>& group : hidden[kind]) {
        commands += static_cast<std::size_t>(std::count(group.begin(), group.end(), false));
      }
    }
    list.commands.reserve(commands);
    for (MapObjectKind pass : {MapObjectKind::kRegion, MapObjectKind::kPolyline, MapObjectKind::kPoint}) {
      const std::size_t kind = static_cast<std::size_t>(pass);
      for (DrawCommand& command : shapes[kind]) list.commands.push_back(std::move(command));
      for (std::size_t group = 0; group < 3; ++group) {
        const std::vector<PendingDot>& dots = pending_dots[kind][group];
        for (std::size_t d = 0; d < dots.size(); ++d) {
          if (hidden[kind][group][d]) continue;
          DrawCommand command;
          command.shape = DrawShape::kPointSymbol;
          command.style = dots[d].style;
          command.first_point = static_cast<std::uint32_t>(list.points.size());
          command.point_count = 1;
          list.points.push_back(dots[d].at);
          list.commands.push_back(std::move(command));
        }
      }
    }
    for (const PendingLabel& label : pending_labels) {
      DrawCommand command;
      command.shape = DrawShape::kLabel;
      command.style.stroke = kLabelColour;
      command.first_point = static_cast<std::uint32_t>(list.points.size());
      command.point_count = 1;
      list.points.push_back(label.at);
      std::size_t text_at = label.text_at;
      command.text = ReadText(level.texts, text_at);
      list.commands.push_back(std::move(command));
    }
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
}

}  // namespace mirvex::ui
