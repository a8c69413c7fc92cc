#include "operations/georef.h"

#include <cmath>


namespace mirvex {

namespace {
// The rotation uses this value of pi, not the full-precision one.
constexpr double kPi = 3.141593;

// Rounds to five decimal places, halves away from zero.
double RoundFive(double value) { return std::round(value * 1e5) / 1e5; }
}  // namespace

Georef::Georef(const GeoreferenceOptions& options, const Bounds& bounds)
    : a_(options.lower_left_longitude),
      b_(options.lower_left_latitude),
      c_(options.upper_right_longitude),
      d_(options.upper_right_latitude),
      angle_(options.rotation_degrees * (kPi / 180)),
      bounds_(bounds) {}

bool Georef::Usable() const {
  return bounds_.x2 != bounds_.x1 && bounds_.y2 != bounds_.y1;
}

void Georef::Transform(double x, double y, double& longitude, double& latitude) const {
  double dx = (c_ - a_) / (bounds_.x2 - bounds_.x1) * (x - bounds_.x1);
  double dy = (d_ - b_) / (bounds_.y2 - bounds_.y1) * (y - bounds_.y1);
  double u = RoundFive(std::cos(angle_) * dx + std::sin(angle_) * dy);
  double v = RoundFive(-std::sin(angle_) * dx + std::cos(angle_) * dy);
  longitude = a_ + u;
  latitude = b_ + v;
}

}  // namespace mirvex
