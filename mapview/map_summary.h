// The summary of a map: its zoom levels, and the builder that feeds the objects a
// reader finds into them, coarsening every level when the summary would outgrow its
// memory budget. Internal to mapview/.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mapview/map_storage.h"
#include "mapview/map_view.h"

namespace mirvex::mapview {

// The coarsening stops here: a cell of 2^40 times the finest is wider than any map.
constexpr int kMaxShift = 40;
constexpr double kGridLimit = 2147483000.0;
// The finest cell is 2^-20 of the first coordinate's magnitude (a few metres on a map
// in degrees): finer detail is no use on a screen, and starting finer only costs
// rounds of coarsening on a large map.
constexpr int kFinestBits = 20;

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
  [[gnu::noinline]] bool FirstOrFarVertex(double x, double y, bool new_part);

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
  void StoreObject();

  bool Over() const {
    return summary_.bytes() + object_.vertices.capacity() * sizeof(GridPoint) > view_.budget_;
  }

  // Coarsens until the summary takes at most half the budget, so that the
  // next objects do not force another round at once.
  void Relieve();

  // False when the object is a dot of a cell that has one of its style already.
  bool Store(int level_index);

  // Keeps each shape of a level once, the first, on the level's own grid: its dots
  // stay as they are, the other objects move down over the repeats left out.
  static void MergeRepeatedShapes(MapView::Summary::Level& level);

  // Doubles the cell of every level, each rebuilt in place.
  void Coarsen();

  // Makes every cell four times as wide. Each level then has the cells of the next
  // coarser one, which holds what rebuilding it would give: the finest level is
  // dropped, the others move down, and only the new coarsest level is built.
  void CoarsenByALevel();

  // Moves the object being read onto a grid 2^bits times as coarse.
  void ShiftPendingObject(int bits);

  // Writes the objects of `source` on a grid 2^bits times as coarse to `target`: an
  // empty level, or `source` itself, rewritten in place (nothing is written past what
  // has been read). Objects that fall within one cell become dots; with `merge_shapes`
  // a shape the level holds already is dropped.
  static void CoarsenLevel(MapView::Summary::Level& source, MapView::Summary::Level& target, int bits,
                           bool merge_shapes);

  MapView& view_;
  MapView::Summary& summary_;
  PendingObject object_;
  double inverse_cell_ = 0;
  int inverse_cell_shift_ = -1;
  // Where the level before the one being stored wrote the object's vertices.
  std::size_t finer_first_ = 0, finer_count_ = 0;
};

}  // namespace mirvex::mapview
