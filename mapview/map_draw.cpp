// The drawing of the map view: the commands that paint the viewport at the zoom level
// its scale asks for. Regions, polylines and points are drawn in that order, each kind's
// shapes before its dots; labels come after every shape, and the crop rectangle last.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mapview/draw_parts.h"
#include "mapview/map_storage.h"
#include "mapview/map_styles.h"
#include "mapview/map_summary.h"
#include "mapview/map_view.h"

namespace mirvex::mapview {

namespace {

// Labels are placed where they overlap no other: the box each one takes (its text's
// width in the label font, a line high) is marked on a grid of cells this many pixels
// wide, and a label that would touch a marked cell is left out.
constexpr int kLabelCell = 8;
// At most this many labels are drawn.
constexpr std::size_t kMaxLabels = 1500;

// Grid units of a level to pixels: x' = (g + 0.5) * cell + origin, then the view's
// projection.
struct GridToScreen {
  double kx, ky, bx, by;
  ScreenPoint operator()(GridPoint g) const {
    return ScreenPoint{static_cast<float>(g.x * kx + bx), static_cast<float>(by - g.y * ky)};
  }
};

// The crop rectangle over everything drawn.
void AddCropRectangle(const MapView& view, const CropBounds& crop, DrawList& list) {
  DrawCommand rectangle;
  rectangle.shape = DrawShape::kRectangle;
  rectangle.style.stroke = kCropStroke;
  rectangle.style.width = 2;
  rectangle.first_point = static_cast<std::uint32_t>(list.points.size());
  rectangle.point_count = 2;
  list.points.push_back(view.ToScreen({crop.west, crop.north}));
  list.points.push_back(view.ToScreen({crop.east, crop.south}));
  list.commands.push_back(std::move(rectangle));
}

}  // namespace

// Draws the objects of one level that lie in the viewport into a list, with the
// view's working memory.
class DrawListBuilder {
 public:
  DrawListBuilder(const MapView& view, DrawList& list, MapView::DrawBuffers& buffers, bool labels);

  // The objects in view, by kind in painting order, then their labels.
  void DrawObjects();

 private:
  // Finds the objects in view in one reading of the level.
  void FindVisible();
  // An object larger than a few pixels: its parts as rings or lines, the parts too
  // small to show their form as dots, and its label.
  void DrawShape(const StoredObject& object, MapObjectKind pass, const DrawStyle& style, float left, float top,
                 float right, float bottom);
  // The part in buffers_.part, its vertices a pixel apart: a dot, a ring or line
  // clipped to the box. `inside` tells that the whole object lies within the clip box.
  void EndPart(const DrawCommand& command, MapObjectKind pass, bool inside);
  // One open line of a shape of `command`'s style.
  void AddLine(const DrawCommand& command, MapObjectKind pass, const ScreenPoint* points, std::size_t count);
  // A dot: a point symbol, or a shape too small to show its form as a square of its
  // size (`span` pixels, at least kDotWidth) in its outline colour. False when a dot of
  // its style covers its place already.
  bool AddDot(const StoredObject& object, const DrawStyle& style, ScreenPoint at, float span);
  // The object's label with its baseline's left end at `at`, where its text fits in
  // `room` pixels and overlaps no other label.
  void AddLabel(const StoredObject& object, ScreenPoint at, float room);
  std::vector<bool>::reference LabelCell(int column, int row) {
    return buffers_.label_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(label_columns_) +
                                static_cast<std::size_t>(column)];
  }
  // Puts the shapes and the dots that show of each kind in the list, then the labels.
  void ListCommands();

  const MapView& view_;
  const MapView::Summary::Level& level_;
  DrawList& list_;
  MapView::DrawBuffers& buffers_;
  const bool labels_;
  GridToScreen screen_{};
  // The visible grid box, a cell wider on each side.
  double gx0_ = 0, gx1_ = 0, gy0_ = 0, gy1_ = 0;
  ClipBox clip_{};
  // Lines and rings reaching farther than a viewport beyond its edges are cut there, so
  // that a painter never meets coordinates far beyond the screen; the edges a cut
  // gives a ring lie off the screen. Nearer, their vertices are drawn as they are.
  ClipBox cut_{};
  DotPixels dot_pixels_;
  int label_columns_ = 0, label_rows_ = 0;
  std::size_t label_count_ = 0;
  // The styles by kind, assignment and level (the levels past 3 draw as 3).
  std::array<DrawStyle, 3 * 3 * 4> styles_;
};

DrawListBuilder::DrawListBuilder(const MapView& view, DrawList& list, MapView::DrawBuffers& buffers, bool labels)
    : view_(view),
      level_(view.summary_->levels[static_cast<std::size_t>(view.LevelForScale())]),
      list_(list),
      buffers_(buffers),
      labels_(labels),
      clip_{-kClipMargin, -kClipMargin, static_cast<float>(view.width_) + kClipMargin,
            static_cast<float>(view.height_) + kClipMargin},
      dot_pixels_(clip_, buffers.dot_pixels) {
  const MapView::Summary& summary = *view.summary_;
  const double cell = summary.Cell(view.LevelForScale());
  const double scale = view.scale_, aspect = view.aspect_;
  const int width = view.width_, height = view.height_;
  screen_ = {cell * scale * aspect, cell * scale,
             (summary.origin_x + 0.5 * cell - view.centre_.x) * scale * aspect + width / 2.0,
             height / 2.0 - (summary.origin_y + 0.5 * cell - view.centre_.y) * scale};
  MapPoint low = view.ToMap(-kClipMargin, height + kClipMargin), high = view.ToMap(width + kClipMargin, -kClipMargin);
  gx0_ = std::floor((low.x - summary.origin_x) / cell) - 1;
  gx1_ = std::floor((high.x - summary.origin_x) / cell) + 1;
  gy0_ = std::floor((low.y - summary.origin_y) / cell) - 1;
  gy1_ = std::floor((high.y - summary.origin_y) / cell) + 1;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  cut_ = {-w, -h, 2 * w, 2 * h};
  label_columns_ = width / kLabelCell + 1;
  label_rows_ = height / kLabelCell + 1;
  buffers_.label_cells.assign(static_cast<std::size_t>(label_columns_) * static_cast<std::size_t>(label_rows_), false);
  for (int kind = 0; kind < 3; ++kind) {
    for (int assignment = 0; assignment < 3; ++assignment) {
      for (int style_level = 0; style_level < 4; ++style_level) {
        styles_[static_cast<std::size_t>((kind * 3 + assignment) * 4 + style_level)] =
            MapView::StyleOf(static_cast<MapObjectKind>(kind), static_cast<Assignment>(assignment), style_level);
      }
    }
  }
}

void DrawListBuilder::FindVisible() {
  std::array<std::vector<std::uint32_t>, 3>& visible = buffers_.visible;
  for (std::size_t i = 0; i < level_.objects.size(); ++i) {
    const StoredObject& object = level_.objects[i];
    if (object.high.x < gx0_ || object.low.x > gx1_ || object.high.y < gy0_ || object.low.y > gy1_) continue;
    visible[static_cast<std::size_t>(object.kind)].push_back(static_cast<std::uint32_t>(i));
  }
}

void DrawListBuilder::DrawObjects() {
  FindVisible();
  const GridToScreen screen = screen_;
  for (MapObjectKind pass : {MapObjectKind::kRegion, MapObjectKind::kPolyline, MapObjectKind::kPoint}) {
    for (std::uint32_t i : buffers_.visible[static_cast<std::size_t>(pass)]) {
      const StoredObject& object = level_.objects[i];
      const DrawStyle& style =
          styles_[static_cast<std::size_t>((static_cast<int>(object.kind) * 3 + static_cast<int>(object.assignment)) * 4 +
                                           std::min<int>(object.level, 3))];
      ScreenPoint a = screen(object.low), b = screen(object.high);
      const float left = std::min(a.x, b.x), right = std::max(a.x, b.x);
      const float top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
      if (object.dot || (right - left < kDotSpan && bottom - top < kDotSpan)) {
        ScreenPoint at{(left + right) / 2, (top + bottom) / 2};
        float span = object.dot ? 0 : std::max(right - left, bottom - top);
        if (AddDot(object, style, at, span) && object.kind == MapObjectKind::kPoint) AddLabel(object, at, 1e9f);
        continue;
      }
      DrawShape(object, pass, style, left, top, right, bottom);
    }
  }
  ListCommands();
}

void DrawListBuilder::DrawShape(const StoredObject& object, MapObjectKind pass, const DrawStyle& style, float left,
                                float top, float right, float bottom) {
  const bool inside = clip_.Holds(left, top, right, bottom);
  DrawCommand command;
  command.style = style;
  command.first_point = static_cast<std::uint32_t>(list_.points.size());
  command.first_ring = static_cast<std::uint32_t>(list_.ring_sizes.size());
  buffers_.part_dots.clear();
  std::vector<ScreenPoint>& part = buffers_.part;
  part.clear();
  const GridToScreen screen = screen_;
  const std::size_t end = std::size_t{object.first_vertex} + object.vertex_count;
  for (std::size_t v = object.first_vertex; v < end; ++v) {
    GridPoint g = level_.vertices[v];
    if (g.x == kPartBreak) {
      EndPart(command, pass, inside);
      part.clear();
      continue;
    }
    ScreenPoint p = screen(g);
    if (!part.empty() && std::fabs(p.x - part.back().x) < kVertexSpacing &&
        std::fabs(p.y - part.back().y) < kVertexSpacing) {
      // Too close to the vertex before; a line's last vertex still ends it.
      if (pass == MapObjectKind::kPolyline && part.size() > 1 &&
          (v + 1 == end || level_.vertices[v + 1].x == kPartBreak)) {
        part.back() = p;
      }
      continue;
    }
    part.push_back(p);
  }
  EndPart(command, pass, inside);
  if (pass == MapObjectKind::kRegion) {
    command.shape = DrawShape::kPolygon;
    command.point_count = static_cast<std::uint32_t>(list_.points.size()) - command.first_point;
    command.ring_count = static_cast<std::uint32_t>(list_.ring_sizes.size()) - command.first_ring;
    if (command.point_count > 0) buffers_.shapes[static_cast<std::size_t>(pass)].push_back(std::move(command));
  }
  for (const PartDot& dot : buffers_.part_dots) AddDot(object, style, dot.at, dot.span);
  AddLabel(object, {left, (top + bottom) / 2}, right - left);
}

void DrawListBuilder::EndPart(const DrawCommand& command, MapObjectKind pass, bool inside) {
  std::vector<ScreenPoint>& part = buffers_.part;
  if (part.empty()) return;
  float x0 = part[0].x, x1 = x0, y0 = part[0].y, y1 = y0;
  for (const ScreenPoint& p : part) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  if (!inside && clip_.Misses(x0, y0, x1, y1)) return;
  if (x1 - x0 < kDotSpan && y1 - y0 < kDotSpan) {
    buffers_.part_dots.push_back({{(x0 + x1) / 2, (y0 + y1) / 2}, std::max(x1 - x0, y1 - y0)});
    return;
  }
  std::vector<ScreenPoint>& scratch = buffers_.scratch;
  if (pass == MapObjectKind::kRegion) {
    if (!cut_.Holds(x0, y0, x1, y1)) ClipRing(part, scratch, cut_);
    if (part.size() < 3) return;
    list_.points.insert(list_.points.end(), part.begin(), part.end());
    list_.ring_sizes.push_back(static_cast<std::uint32_t>(part.size()));
    return;
  }
  if (cut_.Holds(x0, y0, x1, y1)) {
    AddLine(command, pass, part.data(), part.size());
    return;
  }
  // The runs of segments that reach into the box, each a line of its own.
  scratch.clear();
  for (std::size_t v = 1; v < part.size(); ++v) {
    ScreenPoint from = part[v - 1], to = part[v];
    if (!ClipSegment(from, to, cut_)) {
      if (scratch.size() > 1) AddLine(command, pass, scratch.data(), scratch.size());
      scratch.clear();
      continue;
    }
    if (scratch.empty()) scratch.push_back(from);
    scratch.push_back(to);
    if (to.x != part[v].x || to.y != part[v].y) {
      AddLine(command, pass, scratch.data(), scratch.size());
      scratch.clear();
    }
  }
  if (scratch.size() > 1) AddLine(command, pass, scratch.data(), scratch.size());
}

void DrawListBuilder::AddLine(const DrawCommand& command, MapObjectKind pass, const ScreenPoint* points,
                              std::size_t count) {
  DrawCommand line = command;
  line.shape = DrawShape::kPolyline;
  line.first_point = static_cast<std::uint32_t>(list_.points.size());
  line.point_count = static_cast<std::uint32_t>(count);
  list_.points.insert(list_.points.end(), points, points + count);
  buffers_.shapes[static_cast<std::size_t>(pass)].push_back(std::move(line));
}

bool DrawListBuilder::AddDot(const StoredObject& object, const DrawStyle& style, ScreenPoint at, float span) {
  DrawStyle dot = style;
  if (object.kind != MapObjectKind::kPoint) {
    dot.width = std::max(kDotWidth, std::round(span));
    dot.fill = dot.stroke;
  }
  if (!dot_pixels_.Claim(static_cast<int>(object.kind) * 3 + static_cast<int>(object.assignment), at, dot.width)) {
    return false;
  }
  buffers_.pending_dots[static_cast<std::size_t>(object.kind)][kDotGroupOf[static_cast<std::size_t>(object.assignment)]]
      .push_back({at, dot, static_cast<std::uint8_t>(object.assignment)});
  return true;
}

void DrawListBuilder::AddLabel(const StoredObject& object, ScreenPoint at, float room) {
  if (!labels_ || label_count_ >= kMaxLabels) return;
  // Also refuses a point that is no number (coordinates far beyond any map).
  if (!(at.x >= 0 && at.y >= 0 && at.x <= view_.width_ && at.y <= view_.height_)) return;
  // Most candidates of a crowded view fall where a label already stands: that is
  // known before the text is read.
  if (LabelCell(static_cast<int>(at.x) / kLabelCell, static_cast<int>(at.y) / kLabelCell)) return;
  std::size_t text_at = object.text_offset;
  text_at += static_cast<unsigned char>(level_.texts[text_at]) + 1;
  std::size_t size = static_cast<unsigned char>(level_.texts[text_at]);
  if (size == 0) return;
  float text_width = static_cast<float>(size) * view_.label_char_width_;
  if (view_.label_measure_) {
    std::size_t read_at = text_at;
    text_width = view_.label_measure_(ReadText(level_.texts, read_at));
  }
  if (!(text_width <= room)) return;
  // The baseline's left end is at `at`: most of the line stands above it.
  const float line_height = view_.label_line_height_;
  int first_column = static_cast<int>(at.x) / kLabelCell;
  int last_column = std::min(static_cast<int>(at.x + text_width) / kLabelCell, label_columns_ - 1);
  int first_row = std::max(static_cast<int>(at.y - line_height * 0.8f), 0) / kLabelCell;
  int last_row = std::min(static_cast<int>(at.y + line_height * 0.2f) / kLabelCell, label_rows_ - 1);
  for (int row = first_row; row <= last_row; ++row) {
    for (int column = first_column; column <= last_column; ++column) {
      if (LabelCell(column, row)) return;
    }
  }
  for (int row = first_row; row <= last_row; ++row) {
    for (int column = first_column; column <= last_column; ++column) {
      LabelCell(column, row) = true;
    }
  }
  // Labels are painted after every shape, so no shape hides one.
  buffers_.pending_labels.push_back({at, text_at});
  ++label_count_;
}

void DrawListBuilder::ListCommands() {
  std::array<std::vector<DrawCommand>, 3>& shapes = buffers_.shapes;
  std::array<DotGroups, 3>& pending_dots = buffers_.pending_dots;
  HiddenDots& hidden = buffers_.hidden;
  MarkHiddenDots(pending_dots, clip_, hidden, buffers_.covered);
  std::size_t commands = buffers_.pending_labels.size() + 1;
  for (std::size_t kind = 0; kind < 3; ++kind) {
    commands += shapes[kind].size();
    for (const std::vector<bool>& group : hidden[kind]) {
      commands += static_cast<std::size_t>(std::count(group.begin(), group.end(), false));
    }
  }
  list_.commands.reserve(commands);
  for (MapObjectKind pass : {MapObjectKind::kRegion, MapObjectKind::kPolyline, MapObjectKind::kPoint}) {
    const std::size_t kind = static_cast<std::size_t>(pass);
    for (DrawCommand& command : shapes[kind]) list_.commands.push_back(std::move(command));
    for (std::size_t group = 0; group < 3; ++group) {
      const std::vector<PendingDot>& dots = pending_dots[kind][group];
      for (std::size_t d = 0; d < dots.size(); ++d) {
        if (hidden[kind][group][d]) continue;
        DrawCommand command;
        command.shape = DrawShape::kPointSymbol;
        command.style = dots[d].style;
        command.first_point = static_cast<std::uint32_t>(list_.points.size());
        command.point_count = 1;
        list_.points.push_back(dots[d].at);
        list_.commands.push_back(std::move(command));
      }
    }
  }
  for (const PendingLabel& label : buffers_.pending_labels) {
    DrawCommand command;
    command.shape = DrawShape::kLabel;
    command.style.stroke = kLabelColour;
    command.first_point = static_cast<std::uint32_t>(list_.points.size());
    command.point_count = 1;
    list_.points.push_back(label.at);
    std::size_t text_at = label.text_at;
    command.text = ReadText(level_.texts, text_at);
    list_.commands.push_back(std::move(command));
  }
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
  draw_buffers_->Clear();
  if (!empty()) DrawListBuilder(*this, list, *draw_buffers_, labels).DrawObjects();
  if (crop_) AddCropRectangle(*this, *crop_, list);
}

}  // namespace mirvex::mapview
