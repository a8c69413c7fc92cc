// MapInfo's numbered ellipsoids and datums: the numbers a CoordSys clause names them
// by, and the parameters each number stands for, as MapInfo's reference lists them.
#pragma once

#include <string_view>

namespace mirvex {

struct MapInfoEllipsoid {
  int number;
  std::string_view name;      // English, as MapInfo's reference names it
  double semi_major;          // metres
  double inverse_flattening;  // 0 for a sphere
};

// A datum as a CoordSys clause of the 7-parameter form would spell it out: the
// ellipsoid's number, the shift to WGS 84 in metres, the rotations in arc seconds
// with MapInfo's sign, the scale in parts per million and the prime meridian in
// degrees east of Greenwich. A 3-parameter datum has zero rotations and scale.
struct MapInfoDatum {
  int number;
  std::string_view name;  // English, as MapInfo's reference names it
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
