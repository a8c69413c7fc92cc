// Cropping a Garmin text map to a latitude/longitude rectangle, line by line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/text.h"
#include "garmin/clip_rectangle.h"
#include "garmin/text_map_writer.h"

namespace mirvex {

struct TextMapLine;

struct CropBounds {
  double north = 0, south = 0, west = 0, east = 0;
};

// A bound typed as degrees, a point and minutes: 60.30 is 60.5 degrees, 60.5 is 60
// degrees 50 minutes. The minutes are added to the degrees also when these are
// negative (-5.30 gives -4.5).
double DegreesMinutes(std::string_view text);

// True when the latitude lies strictly between south and north and the
// longitude strictly between west and east; a point on an edge is outside.
bool InsideRectangle(const CropBounds& bounds, double latitude, double longitude);

// The map is read line by line. Only coordinate lines ("Data", "Origin") are taken
// apart at their commas; header lines and the other keys are carried whole, so a
// comma in a label or a header line changes nothing.
//
// With `clip_objects`, a polyline or region that does not lie wholly inside is cut at
// the rectangle's edges instead: each polyline line gives its pieces inside, each a
// coordinate line with the same key; the rings of one key of a region are cut together
// (even-odd, holes kept) and give the outer and hole rings of the parts inside. The
// edges then belong to the rectangle, and a crossing point lies exactly on the edge. An
// object wholly inside is written as without clipping, points are kept as without it,
// and an object of which nothing lies inside is left out.
class Cropper {
 public:
  Cropper(const CropBounds& bounds, ResultFile& result, bool clip_objects = false)
      : bounds_(bounds), result_(result), clip_objects_(clip_objects) {}

  void Line(std::string_view line);
  // The end of the map: the header when no object followed it, or the last object.
  void End();
  // The objects written so far, by section.
  const SectionCounts& counts() const { return counts_; }

 private:
  void StartObject(int kind);
  void CoordinateLine(std::string_view key, std::string_view pairs);
  void Piece(std::string_view piece);
  void ClosePart();
  void SaveObject();  // writes the object when it is kept
  // Clipping: keeps the parsed pairs of a polyline's or region's coordinate line, and
  // replaces data_ by the object's parts inside.
  bool Cutting() const { return clip_objects_ && (kind_ == 4 || kind_ == 8); }
  void KeepPath(const TextMapLine& line);
  void CutObject();

  const CropBounds& bounds_;
  ResultFile& result_;
  const bool clip_objects_;
  bool in_header_ = true;
  std::string header_ = std::string(kLineBreak);

  int kind_ = 0;  // 1, 2, 4 or 8 from [RGN10], [RGN20], [RGN40], [RGN80]
  std::string type_;
  std::string label_;
  int level_ = 0;
  bool dir_indicator_ = false;
  std::string data_;             // "\r\nData0=" lines with their kept pairs
  std::size_t part_pairs_ = 0;   // where the pairs of the current line begin in data_
  std::size_t kept_pairs_ = 0;   // pairs kept in data_ (a key may hold brackets too)
  bool in_part_ = false;
  bool keep_ = false;            // the result of the object's last pair
  bool expecting_second_ = false;
  // The first half of the pair in progress: a view into the line while it is read,
  // kept in `first_kept_` when the line ends before the pair does.
  std::string_view first_;
  std::string first_kept_;
  std::string object_;
  SectionCounts counts_;

  // The coordinate lines of the object being read when clipping: the key as written, N
  // of DataN or OriginN, and the pairs.
  struct PathLine {
    std::string key;
    int index = 0;
    bool origin = false;
    ClipPath path;
  };
  std::vector<PathLine> paths_;  // reused from object to object
  std::size_t path_count_ = 0;
  std::size_t path_pairs_ = 0;
  bool wholly_inside_ = true;  // every pair read, and strictly inside
};

}  // namespace mirvex
