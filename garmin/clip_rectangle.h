// Cutting polylines and regions at the edges of a longitude/latitude rectangle: the parts
// of a map object that fall in one tile, or inside the crop's rectangle.
#pragma once

#include <string>
#include <vector>

namespace mirvex {

struct ClipPoint {
  double x = 0, y = 0;  // longitude, latitude in degrees
};
struct ClipBox {
  double west = 0, south = 0, east = 0, north = 0;
};
using ClipPath = std::vector<ClipPoint>;

// The pieces of a polyline inside the box, in the line's direction; the box's edges
// belong to it, so a run along an edge shared by two boxes lies in both. A crossing point
// lies on the edge: its coordinate on that edge is exactly the edge's value; the other
// vertices are the line's own, repeated ones included. A piece without length (the line
// only touches the box, or is one point repeated) is left out. Vertices that are not
// finite numbers are skipped. Empty when no part is inside, and for a box whose west
// lies east of its east or whose south lies north of its north.
std::vector<ClipPath> ClipPolyline(const ClipPath& line, const ClipBox& box);

// A region written as several rings (the Data lines of one [RGN80]) fills what an odd
// number of its rings cover (even-odd), as the map view draws it. ClipRegion returns its
// parts inside the box, each an outer ring and its holes; every ring is closed (first
// point = last), outer rings run counter-clockwise and holes clockwise (x east, y north),
// parts neither overlap nor share area, and points on the box's edges have exactly the
// edge's value.
//
// Rings with fewer than three distinct points or whose points all lie on one line cover
// nothing and are left out, as are points that are not finite numbers and repeated
// consecutive points. When a ring crosses or touches itself, or the regions cannot be
// combined (coordinates beyond a billion degrees), the region is not resolved into
// parts: each ring is cut to the box on its own and the result is one part whose outer
// ring is the largest of them and whose holes are the others. Drawn even-odd, those
// rings cover exactly what the region covers inside the box, though a ring may then
// cross itself or run out and back along the box's edge. A box without area gives none.
struct ClippedPolygon {
  ClipPath outer;
  std::vector<ClipPath> holes;
};
std::vector<ClippedPolygon> ClipRegion(const std::vector<ClipPath>& rings, const ClipBox& box);

// One ring cut to the box on its own (closed; the box's edges belong to it): where the
// ring goes out of the box its cut runs along the box's edge. Drawn even-odd it covers
// what the ring covers inside the box. Empty when it covers nothing there.
ClipPath ClipRing(const ClipPath& ring, const ClipBox& box);

// Appends a path as a text map's pair list, "(lat,lon),(lat,lon)", each number with 15
// significant digits: how the crop and the tiles write a cut piece.
void AppendPairList(std::string& out, const ClipPath& path);

}  // namespace mirvex
