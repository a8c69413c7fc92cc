// Georeferencing: the sheet's bounding rectangle is stretched onto the rectangle
// between two corner points typed by the user and turned by an angle about the
// lower-left corner.
#pragma once

#include "mapinfo/mif_header.h"
#include "operations/options.h"

namespace mirvex {

class Georef {
 public:
  Georef() = default;
  // The sheet's bounds stretched onto the corners of the options, turned by their angle.
  Georef(const GeoreferenceOptions& options, const Bounds& bounds);
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
