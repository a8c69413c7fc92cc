// MapInfo's numbered ellipsoids and datums: the numbers a CoordSys clause names them
// by, and the parameters each number stands for, as MapInfo's reference lists them.
#pragma once

#include <string_view>

namespace mirvex {

struct MapInfoEllipsoid {
  int number;
  std::string_view name;      // English
  double semi_major;          // metres
  double inverse_flattening;  // 0 for a sphere
};

// A datum as a CoordSys clause of the 7-parameter form would spell it out: the
// ellipsoid's number, the shift to WGS 84 in metres, the rotations in arc seconds,
// the scale in parts per million and the prime meridian in degrees east of
// Greenwich. A 3-parameter datum has zero rotations and scale.
//
// The rotations, here and in a clause's explicit form `9999, ellipsoid, dx, dy, dz,
// rx, ry, rz, scale, meridian`, follow the coordinate-frame convention: PROJ's
// `+proj=helmert +convention=coordinate_frame` takes rx, ry, rz as written, while the
// position-vector convention (`+convention=position_vector`, and `+towgs84` and WKT's
// TOWGS84, which are position vector) needs all three negated. The shifts and the
// scale keep their sign in both. Example: datum 1001 (Pulkovo 1942) is rotated by
// -0.02, 0.25, 0.13 here and is `+towgs84=24,-123,-94,0.02,-0.25,-0.13,1.1`.
//
// The names are English descriptions, not keys: a clause names a datum by number.
struct MapInfoDatum {
  int number;
  std::string_view name;  // English
  int ellipsoid;
  double dx, dy, dz;
  double rx, ry, rz;
  double scale_ppm;
  double prime_meridian;
};

// nullptr for a number MapInfo does not define.
const MapInfoEllipsoid* FindMapInfoEllipsoid(int number);
const MapInfoDatum* FindMapInfoDatum(int number);

}  // namespace mirvex
