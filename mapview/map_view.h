// The map view as a headless model: reads a MIF/MID pair or a Garmin text map in one
// streaming pass into a drawable summary of bounded memory, projects it onto a
// viewport that can be zoomed and panned, finds the object under a point, shows the
// crop rectangle, and produces screen-space drawing commands that a binding paints.
// The window model (ui/) sets the rectangle with the mouse and keeps the crop boxes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "garmin/map_crop.h"
#include "operations/object_decision.h"
#include "operations/options.h"

namespace mirvex::mapview {

// The section an object is drawn as: [RGN10]/[RGN20] points, [RGN40] polylines,
// [RGN80] regions.
enum class MapObjectKind : std::uint8_t { kPoint, kPolyline, kRegion };

// How the dictionary treats an object (Assignment) comes from the object decision;
// every object of a text map is kAssigned.
using mirvex::Assignment;

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

// A fill (alpha 0: none), a stroke and its width in pixels.
struct DrawStyle {
  Rgba fill{0, 0, 0, 0};
  Rgba stroke;
  float width = 1;
  bool operator==(const DrawStyle&) const = default;
};

enum class DrawShape : std::uint8_t { kPolygon, kPolyline, kPointSymbol, kLabel, kRectangle };

struct ScreenPoint {
  float x = 0, y = 0;
};

// One thing to paint, in the order of the list. Its points are
// DrawList::points[first_point, first_point + point_count):
//   kPolygon: the rings of one region, their sizes in DrawList::ring_sizes from
//             first_ring on (filled even-odd, so a ring inside another is a hole);
//   kPolyline: one open line;
//   kPointSymbol: one point, a square symbol `style.width` pixels across in the fill;
//   kLabel: one point, the left end of the text's baseline;
//   kRectangle: two points, the upper-left and lower-right corners.
struct DrawCommand {
  DrawShape shape = DrawShape::kPolyline;
  DrawStyle style;
  std::uint32_t first_point = 0;
  std::uint32_t point_count = 0;
  std::uint32_t first_ring = 0;
  std::uint32_t ring_count = 0;
  std::string text;  // kLabel: the label (cp1251)
};

struct DrawList {
  std::vector<DrawCommand> commands;
  std::vector<ScreenPoint> points;
  std::vector<std::uint32_t> ring_sizes;
};

// One line of the legend: a sample of the style and what it stands for (cp1251).
struct LegendEntry {
  DrawShape shape;
  DrawStyle style;
  std::string caption;
};

// What a tooltip shows of an object.
struct MapObjectInfo {
  MapObjectKind kind = MapObjectKind::kPoint;
  Assignment assignment = Assignment::kAssigned;
  std::string section;      // "[RGN80]", "[RGN40]", "[RGN20]" or "[RGN10]"
  std::string type;         // "0x4e"; empty when none was read or given
  std::string label;
  std::string description;  // the MID description (MIF maps)
  int level = 0;
  // The tooltip's lines in Russian (cp1251), CR LF between them.
  std::string TooltipText() const;
};

// Called for every object a load reads that a conversion writes (of a text map: every
// object with vertices), with what its tooltip would say: for checks that the view and
// the conversion agree.
using ObjectWatcher = std::function<void(const MapObjectInfo&)>;

enum class LoadStatus { kCompleted, kStopped, kFailed };

struct LoadResult {
  LoadStatus status = LoadStatus::kFailed;
  // Russian (cp1251), one per problem: what could not be read, what the view shows
  // instead. Empty for a map read whole.
  std::vector<std::string> notes;
  // A MIF's coordinate system in words, with " -> WGS 84" when it was transformed;
  // empty for a text map.
  std::string coordinates_in_words;
};

// A place of the map: x the longitude (or the sheet's x), y the latitude (or y).
struct MapPoint {
  double x = 0, y = 0;
};

struct MapExtent {
  double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
};

class MapView {
 public:
  // The summary's memory never exceeds this many bytes, whatever the map.
  static constexpr std::size_t kDefaultBudget = 24u << 20;
  // The summary keeps this many zoom levels, each with a grid cell four times as wide
  // as the one before.
  static constexpr int kLevels = 5;

  MapView();
  ~MapView();
  MapView(const MapView&) = delete;
  MapView& operator=(const MapView&) = delete;

  // Reads a MIF and its MID as a conversion with `options` would, colouring each
  // object by the section the dictionary (object.txt in `program_prefix`) gives its
  // description. Reports progress to `host` and stops when it asks to; a stopped or
  // damaged read keeps what was read (and the result's notes say so). Missing files
  // fail with a note. The previous map is dropped first.
  LoadResult LoadMif(const std::string& mif_path, const std::string& mid_path, const ConversionOptions& options,
                     std::string_view program_prefix, Host& host);
  // Reads a Garmin text map (converted or cropped) the same way.
  LoadResult LoadTextMap(const std::string& path, Host& host);
  void Clear();
  // Watches the objects of the loads that follow (empty: none).
  void SetObjectWatcher(ObjectWatcher watcher) { watcher_ = std::move(watcher); }

  bool empty() const;
  // True for latitude/longitude (drawn with the cos(latitude) aspect); false for the
  // plane units of an unreferenced sheet (drawn as they are).
  bool geographic() const { return geographic_; }
  // The extent of everything read; all zero for an empty view.
  MapExtent extent() const { return extent_; }
  std::uint64_t objects_read() const { return objects_read_; }

  // The memory of the summary in bytes, and the budget it keeps to.
  std::size_t summary_bytes() const;
  void SetMemoryBudget(std::size_t bytes) { budget_ = bytes; }
  // The width of a grid cell of a zoom level in map units (0: the finest).
  double CellSize(int level) const;
  // Objects stored at a level (dots standing for objects within one cell included).
  std::size_t StoredObjects(int level) const;

  // --- Viewport -----------------------------------------------------------------
  void SetViewportSize(int width, int height);
  int viewport_width() const { return width_; }
  int viewport_height() const { return height_; }
  // Shows the whole map (and the crop rectangle) with a small margin.
  void Fit();
  // Zooms by `factor` (> 1 closer) keeping the map point under the screen point in place.
  void ZoomAt(double screen_x, double screen_y, double factor);
  // Moves the map by a drag of (dx, dy) pixels.
  void Pan(double dx, double dy);
  // Pixels per map unit along y; along x it is this times aspect().
  double scale() const { return scale_; }
  // cos of the map's middle latitude for a geographic map, else 1.
  double aspect() const { return aspect_; }
  MapPoint centre() const { return centre_; }
  void SetCentre(MapPoint centre) { centre_ = centre; }
  void SetScale(double scale);
  MapPoint ToMap(double screen_x, double screen_y) const;
  ScreenPoint ToScreen(MapPoint point) const;
  // The zoom level drawn at the current scale: the coarsest whose cell is at most a pixel.
  int LevelForScale() const;

  // --- Objects ------------------------------------------------------------------
  // The topmost object within `tolerance` pixels of the screen point (points before
  // polylines before regions, which count inside their rings), or nullopt.
  std::optional<MapObjectInfo> ObjectAt(double screen_x, double screen_y, double tolerance = 4) const;

  // --- Crop rectangle -----------------------------------------------------------
  // The crop rectangle in map units, drawn over the map and kept in view by Fit();
  // nullopt for none.
  void SetCropRectangle(const std::optional<CropBounds>& bounds) { crop_ = bounds; }
  const std::optional<CropBounds>& crop_rectangle() const { return crop_; }
  void ClearCrop() { crop_.reset(); }

  // --- Drawing ------------------------------------------------------------------
  // The commands that paint the current viewport: regions, polylines, points, labels
  // (where `labels`), then the crop rectangle over everything.
  DrawList Draw(bool labels = true) const;
  // The same into `list`, emptied first. The list's memory and the view's working
  // memory for drawing are kept from one call to the next, so that a window painting
  // again and again does not ask the system for fresh memory each time (one thread
  // draws a view at a time).
  void Draw(DrawList& list, bool labels = true) const;
  // The size of the label font in pixels: the average width of a letter and the height
  // of a line. Labels are drawn only where their text has room and overlaps no other.
  void SetLabelFont(float average_char_width, float line_height);
  // Measures a label's text (cp1251) in pixels as the window's painter draws it, so
  // that a label is placed by its real width; without it a label is taken as its
  // letter count times the average letter width.
  void SetLabelMeasure(std::function<float(std::string_view)> measure) { label_measure_ = std::move(measure); }
  // A text like the labels of a map (cp1251): the bindings measure the average letter
  // width on it.
  static const std::string& TypicalLabel();
  // The colours the view uses and what they mean.
  static std::vector<LegendEntry> Legend();
  // The style of an object of a kind and assignment at a level (wider lines for
  // higher levels).
  static DrawStyle StyleOf(MapObjectKind kind, Assignment assignment, int level);

  struct Summary;      // the zoom levels; defined in mapview/map_summary.h
  struct DrawBuffers;  // the working memory of Draw(); defined in mapview/draw_parts.h

 private:
  friend class MapSummaryBuilder;
  friend class DrawListBuilder;
  void ResetView();

  std::unique_ptr<Summary> summary_;
  mutable std::unique_ptr<DrawBuffers> draw_buffers_;
  std::size_t budget_ = kDefaultBudget;
  bool geographic_ = true;
  MapExtent extent_;
  bool has_extent_ = false;
  std::uint64_t objects_read_ = 0;
  int width_ = 640, height_ = 480;
  double scale_ = 1;
  double aspect_ = 1;
  MapPoint centre_;
  std::optional<CropBounds> crop_;
  float label_char_width_ = 7;
  float label_line_height_ = 14;
  std::function<float(std::string_view)> label_measure_;
  ObjectWatcher watcher_;
};

}  // namespace mirvex::mapview
