// The CoordSys clause of a MIF header, read whole: the kind of coordinate system, the
// projection and its parameters in the clause's order, the datum (by number or spelled
// out), the units, an affine transformation and the bounds.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mapinfo/coordsys_tables.h"

namespace mirvex {

enum class CoordSysKind {
  kAbsent,    // the header has no CoordSys clause
  kNonEarth,  // plane units of a drawing or a sheet
  kEarth,     // a place on the Earth: longitude/latitude or a projection of them
};

// The datum number of WGS 84 longitude/latitude on a sphere, the web maps' Mercator.
inline constexpr int kWebMercatorDatum = 157;

struct MapInfoAffine {
  // Maps projection coordinates (x, y) to the stored ones: x' = a x + b y + c,
  // y' = d x + e y + f.
  double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
};

struct MapInfoCoordSys {
  CoordSysKind kind = CoordSysKind::kAbsent;
  std::string clause;  // as the header writes it, for messages
  // Earth: the projection's number without the thousands MapInfo adds for an affine
  // clause or bounds; 1 is longitude/latitude.
  int projection = 0;
  int datum_number = 0;    // 999 and 9999 are the spelled-out forms
  MapInfoDatum datum{};    // the datum's parameters, from the table or the clause
  MapInfoEllipsoid ellipsoid{};
  std::string units;       // the unit name as written ("m"); empty for longitude/latitude
  double metres_per_unit = 1;
  // The projection's parameters after the units, in the clause's order (origin
  // longitude first).
  std::vector<double> parameters;
  std::optional<MapInfoAffine> affine;
};

// Reads a CoordSys clause ("CoordSys Earth Projection 8, 1001, "m", 39, 0, 1,
// 7500000, 0", with or without the leading word). Returns nullopt and sets `problem`
// to a Russian phrase naming what is wrong when the clause is malformed, names a
// projection, datum, ellipsoid or unit this reader does not know, or lacks the
// projection's parameters.
std::optional<MapInfoCoordSys> ParseCoordSys(std::string_view clause, std::string& problem);

// The number of parameters a projection takes after its units; nullopt for a number
// that is no supported projection.
std::optional<int> ProjectionParameterCount(int projection);

// True when the datum's longitude/latitude are WGS 84's: no shift, and an ellipsoid of
// WGS 84's equatorial radius (GRS 80's, or the sphere of web maps).
bool DatumCoincidesWithWgs84(const MapInfoDatum& datum, const MapInfoEllipsoid& ellipsoid);

// True for longitude/latitude on a datum that coincides with WGS 84, counted from
// Greenwich, without an affine clause: its numbers are already what a receiver takes.
bool IsWgs84LongitudeLatitude(const MapInfoCoordSys& coordsys);

}  // namespace mirvex
