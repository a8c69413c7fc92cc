// The storage of the map view's summary: arrays that grow in fixed chunks, grid
// points, the open-addressing tables of the cells that hold a dot and of the shapes
// kept once, the stored object and the packing of its texts. Internal to mapview/.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mapview/map_view.h"

namespace mirvex::mapview {

// Attribute texts are kept up to this many bytes each.
constexpr std::size_t kTextLimit = 255;
// The vertex between two parts of an object.
constexpr std::int32_t kPartBreak = std::numeric_limits<std::int32_t>::min();

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

inline std::string_view KindSection(MapObjectKind kind) {
  switch (kind) {
    case MapObjectKind::kRegion: return "[RGN80]";
    case MapObjectKind::kPolyline: return "[RGN40]";
    default: return "[RGN10]";
  }
}

inline void AppendText(Chunked<char>& texts, std::string_view text) {
  std::size_t size = std::min(text.size(), kTextLimit);
  texts.push_back(static_cast<char>(static_cast<unsigned char>(size)));
  texts.Append(text.data(), size);
}

inline std::string ReadText(const Chunked<char>& texts, std::size_t& at) {
  std::size_t size = static_cast<unsigned char>(texts[at++]);
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = texts[at++];
  return text;
}

// True for a box smaller than a cell: it spans at most two cells each way, that is
// less than two cells' width. Such an object is a dot of the cell of its lower left
// corner, drawn at the middle of its box.
inline bool WithinACell(GridPoint low, GridPoint high) {
  return static_cast<std::int64_t>(high.x) - low.x <= 1 && static_cast<std::int64_t>(high.y) - low.y <= 1;
}

inline std::uint64_t DotKey(GridPoint cell, MapObjectKind kind, Assignment assignment) {
  std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cell.x)) << 32) |
                      static_cast<std::uint32_t>(cell.y);
  return CellSet::Mix(key) ^ (static_cast<std::uint64_t>(kind) * 3 + static_cast<std::uint64_t>(assignment) + 1) *
                                 0x9e3779b97f4a7c15ULL;
}

// The fingerprint of a shape: its style and its first and last vertex on the level's
// grid. Equal shapes have equal fingerprints; StoredShapeEqual decides. (A shape whose
// first part a coarsening turns into a dropped dot may be fingerprinted by that part's
// vertex instead; it is then only kept twice.)
inline std::uint32_t ShapeFingerprint(const StoredObject& object, GridPoint first, GridPoint last) {
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
inline bool StoredShapeEqual(const Chunked<GridPoint>& vertices, std::size_t first, std::size_t end,
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

}  // namespace mirvex::mapview
