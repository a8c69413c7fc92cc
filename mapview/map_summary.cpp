#include "mapview/map_summary.h"

#include <limits>

namespace mirvex::mapview {

namespace {

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

}  // namespace

bool MapSummaryBuilder::FirstOrFarVertex(double x, double y, bool new_part) {
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

void MapSummaryBuilder::StoreObject() {
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

void MapSummaryBuilder::Relieve() {
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

bool MapSummaryBuilder::Store(int level_index) {
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

void MapSummaryBuilder::MergeRepeatedShapes(MapView::Summary::Level& level) {
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

void MapSummaryBuilder::Coarsen() {
  ++summary_.shift;
  ShiftPendingObject(1);
  for (MapView::Summary::Level& level : summary_.levels) CoarsenLevel(level, level, 1, summary_.merge_shapes);
}

void MapSummaryBuilder::CoarsenByALevel() {
  summary_.shift += 2;
  ShiftPendingObject(2);
  auto& levels = summary_.levels;
  levels[0] = MapView::Summary::Level();
  std::rotate(levels.begin(), levels.begin() + 1, levels.end());
  CoarsenLevel(levels[MapView::kLevels - 2], levels[MapView::kLevels - 1], 2, summary_.merge_shapes);
}

void MapSummaryBuilder::ShiftPendingObject(int bits) {
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

void MapSummaryBuilder::CoarsenLevel(MapView::Summary::Level& source, MapView::Summary::Level& target, int bits,
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

}  // namespace mirvex::mapview
