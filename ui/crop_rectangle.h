// The crop rectangle as the map window sets it: from the four crop boxes, drawn with
// the mouse, moved and resized by its edges, corners and inside. The map model only
// shows the rectangle; this keeps it in step with the boxes' degrees.minutes texts.
#pragma once

#include <cstdint>
#include <string>

#include "mapview/map_view.h"

namespace mirvex::ui {

// The crop bounds as the four boxes hold them: Koord2 west, Koord3 north, Koord4
// east, Koord5 south, degrees.minutes.
struct CropBoundTexts {
  std::string west, north, east, south;
  bool operator==(const CropBoundTexts&) const = default;
};

// The degrees.minutes text ("D.MMmm": whole minutes and hundredths) that the crop
// reads back as `degrees` rounded to a hundredth of a minute. The crop adds the
// minutes to the degrees also when these are negative, so -5.5 is "-6.3000".
std::string DegreesMinutesText(double degrees);

// The part of the crop rectangle under a point: its inside, one of its edges or corners.
enum class RectanglePart : std::uint8_t {
  kNone, kInside, kWest, kEast, kNorth, kSouth, kNorthWest, kNorthEast, kSouthWest, kSouthEast
};

// The rectangle of a map view, set through the view's projection.
class CropRectangle {
 public:
  explicit CropRectangle(mapview::MapView& view) : view_(view) {}

  // Takes the rectangle from the four box texts as the crop reads them; false (and no
  // rectangle) when one of them is empty.
  bool SetTexts(const CropBoundTexts& texts);
  // The texts of the rectangle the view shows; all empty when there is none.
  CropBoundTexts Texts() const;
  // Sets the rectangle spanned by two screen points in any order, each bound rounded
  // to a hundredth of a minute; returns the texts for the four boxes.
  CropBoundTexts SetFromScreen(double x1, double y1, double x2, double y2);
  // The part of the rectangle within `tolerance` pixels of the screen point.
  RectanglePart PartAt(double screen_x, double screen_y, double tolerance = 5) const;
  // Moves the edges that `part` names (all four for kInside) by a drag of (dx, dy)
  // pixels; an edge pulled past its opposite one swaps with it. Returns the texts.
  CropBoundTexts Drag(RectanglePart part, double dx, double dy);

 private:
  mapview::MapView& view_;
};

}  // namespace mirvex::ui
