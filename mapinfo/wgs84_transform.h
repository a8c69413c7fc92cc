// The transformation of a MapInfo coordinate system into WGS 84 longitude/latitude in
// degrees, the coordinates a receiver and a map compiler take: one PROJ pipeline
// written from the clause's own parameters, so no database of coordinate systems is
// needed when it runs.
#pragma once

#include <memory>
#include <string>

#include "mapinfo/coordsys.h"

namespace mirvex {

// The PROJ pipeline from the stored coordinates of `coordsys` (an Earth system as
// ParseCoordSys gives it) to WGS 84 longitude and latitude in radians.
std::string ProjPipelineToWgs84(const MapInfoCoordSys& coordsys);

class Wgs84Transform {
 public:
  // nullptr, with `problem` set to a Russian phrase, when PROJ refuses the pipeline.
  static std::unique_ptr<Wgs84Transform> Create(const MapInfoCoordSys& coordsys, std::string& problem);
  ~Wgs84Transform();
  Wgs84Transform(const Wgs84Transform&) = delete;
  Wgs84Transform& operator=(const Wgs84Transform&) = delete;

  // Turns a stored position into longitude `x` and latitude `y` in degrees. False when
  // the position is outside the projection's domain or lands beyond ±180° or ±90°.
  bool Transform(double& x, double& y);

 private:
  struct Proj;
  explicit Wgs84Transform(std::unique_ptr<Proj> proj);
  std::unique_ptr<Proj> proj_;
};

// The coordinate system in words for a status line or a summary, cp1251: "Гаусс-Крюгер,
// зона 7, Пулково 1942", "UTM, зона 37N, WGS 84", "Широта/долгота, WGS 84",
// "Неземная система координат (план)".
std::string CoordSysInWords(const MapInfoCoordSys& coordsys);

}  // namespace mirvex
