#include "operations/georef.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace mirvex {
namespace {

struct GeorefCase {
  const char* name;
  const char *a, *b, *c, *d, *angle;
  Bounds bounds;
  double x, y;
  const char* longitude;
  const char* latitude;
};

TEST(Georef, TransformsVertices) {
  const GeorefCase cases[] = {
      {"worked example", "60", "54", "84", "60", "0", {0, 0, 1000, 500}, 500, 250, "72", "57"},
      {"lower-left corner", "60", "54", "84", "60", "0", {0, 0, 1000, 500}, 0, 0, "60", "54"},
      {"upper-right corner", "60", "54", "84", "60", "0", {0, 0, 1000, 500}, 1000, 500, "84", "60"},
      // The inexact pi leaves less than 0.000002 before the rounding removes it.
      {"quarter turn", "60", "50", "70", "60", "90", {0, 0, 10, 10}, 10, 0, "60", "40"},
      {"corner decimals kept", "60.1234567", "54", "84.1234567", "60", "0", {0, 0, 1000, 500}, 500, 250,
       "72.1234567", "57"},
      {"north and south mirrored", "60.00", "60.00", "84.00", "54.00", "0", {0, 0, 100, 100}, 0, 100, "60", "54"},
      {"offsets rounded to five places", "0", "0", "1", "1", "0", {0, 0, 3, 3}, 1, 2, "0.33333", "0.66667"},
  };
  for (const GeorefCase& c : cases) {
    GeoreferenceOptions options{true, Value(c.a), Value(c.b), Value(c.c), Value(c.d), Value(c.angle)};
    Georef georef(options, c.bounds);
    ASSERT_TRUE(georef.Usable()) << c.name;
    double longitude = 0, latitude = 0;
    georef.Transform(c.x, c.y, longitude, latitude);
    EXPECT_EQ(NumberText(longitude), c.longitude) << c.name;
    EXPECT_EQ(NumberText(latitude), c.latitude) << c.name;
  }
}

TEST(Georef, FlatBoundsAreNotUsable) {
  for (Bounds bounds : {Bounds{}, Bounds{0, 0, 10, 0}, Bounds{5, 0, 5, 10}}) {
    EXPECT_FALSE(Georef(GeoreferenceOptions{}, bounds).Usable());
  }
}

}  // namespace
}  // namespace mirvex
