// Georeferencing: the sheet's bounding rectangle is stretched onto the rectangle
// between two corner points typed by the user and turned by an angle about the
// lower-left corner.
#pragma once

#include "core/host.h"
#include "core/mif_header.h"

namespace mirvex {

class Georef {
 public:
  // Reads the corners (`Text19`..`Text22`) and the angle in degrees (`Text23`).
  void Setup(const ControlValues& controls, const Bounds& bounds);
  // False when the bounds have no width or no height: nothing can be stretched.
  bool Usable() const;
  // The longitude and latitude for a MIF vertex (x, y).
  void Transform(double x, double y, double& longitude, double& latitude) const;

 private:
  double a_ = 0, b_ = 0, c_ = 0, d_ = 0;
  double angle_ = 0;
  Bounds bounds_;
};

}  // namespace mirvex
