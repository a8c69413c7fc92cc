#include "mapinfo/coordsys_tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mirvex {
namespace {

// Every number a CoordSys clause may carry lies below this.
constexpr int kNumberLimit = 10000;

TEST(CoordSysTables, DatumsThatMatterCarryTheirParameters) {
  struct DatumCase {
    int number;
    int ellipsoid;
    double dx, dy, dz, rx, ry, rz, scale_ppm, prime_meridian;
  };
  const DatumCase cases[] = {
      // WGS 84, NAD 83 and EUREF 89 need no shift; WGS 72 does.
      {104, 28, 0, 0, 0, 0, 0, 0, 0, 0},
      {74, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {115, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {103, 1, 0, 8, 10, 0, 0, 0, 0, 0},
      {28, 4, -87, -98, -121, 0, 0, 0, 0, 0},
      // Rotations in the coordinate-frame sign.
      {1000, 10, 582, 105, 414, -1.04, -0.35, 3.08, 8.3, 0},
      {1001, 3, 24, -123, -94, -0.02, 0.25, 0.13, 1.1, 0},
      {1012, 52, -1.08, -0.27, -0.9, 0, 0, -0.16, -0.12, 0},
      // SK-42 and SK-95 coordinates lie on Krassovsky's ellipsoid, whatever ellipsoid
      // the shift's published form was fitted to.
      {1013, 3, 23.92, -141.27, -80.9, 0, -0.35, -0.82, -0.12, 0},
      {1014, 3, 24.82, -131.21, -82.66, 0, 0, -0.16, -0.12, 0},
      // The two whose prime meridian is not Greenwich: Paris and Ferro.
      {1002, 30, -168, -60, 320, 0, 0, 0, 0, 2.337229166667},
      {1020, 10, 589, 76, 480, 0, 0, 0, 0, -17.666666666667},
      // PRS92 on Clarke 1866, rotated as its published transformation is.
      {1031, 7, -127.62, -67.24, -47.04, 3.068, -4.903, -1.578, -1.06, 0},
  };
  for (const auto& c : cases) {
    const MapInfoDatum* datum = FindMapInfoDatum(c.number);
    ASSERT_NE(datum, nullptr) << c.number;
    EXPECT_EQ(datum->number, c.number);
    EXPECT_EQ(datum->ellipsoid, c.ellipsoid) << c.number;
    EXPECT_DOUBLE_EQ(datum->dx, c.dx) << c.number;
    EXPECT_DOUBLE_EQ(datum->dy, c.dy) << c.number;
    EXPECT_DOUBLE_EQ(datum->dz, c.dz) << c.number;
    EXPECT_DOUBLE_EQ(datum->rx, c.rx) << c.number;
    EXPECT_DOUBLE_EQ(datum->ry, c.ry) << c.number;
    EXPECT_DOUBLE_EQ(datum->rz, c.rz) << c.number;
    EXPECT_DOUBLE_EQ(datum->scale_ppm, c.scale_ppm) << c.number;
    EXPECT_DOUBLE_EQ(datum->prime_meridian, c.prime_meridian) << c.number;
  }
}

TEST(CoordSysTables, EllipsoidsThatMatterCarryTheirAxes) {
  struct EllipsoidCase {
    int number;
    double semi_major, inverse_flattening;
  };
  const EllipsoidCase cases[] = {
      {0, 6378137, 298.257222101},   // GRS 80
      {1, 6378135, 298.26},          // WGS 72
      {3, 6378245, 298.3},           // Krassovsky
      {4, 6378388, 297},             // International 1924
      {12, 6370997, 0},              // the sphere
      {28, 6378137, 298.257223563},  // WGS 84
      {29, 6378137.01, 298.257223563},
      {52, 6378136, 298.257839303},  // PZ-90
  };
  for (const auto& c : cases) {
    const MapInfoEllipsoid* ellipsoid = FindMapInfoEllipsoid(c.number);
    ASSERT_NE(ellipsoid, nullptr) << c.number;
    EXPECT_EQ(ellipsoid->number, c.number);
    EXPECT_DOUBLE_EQ(ellipsoid->semi_major, c.semi_major) << c.number;
    EXPECT_DOUBLE_EQ(ellipsoid->inverse_flattening, c.inverse_flattening) << c.number;
  }
}

TEST(CoordSysTables, NumbersNotInTheTablesFindNothing) {
  // 999 and 9999 are the spelled-out forms, not datums; 160 and 1026 are gaps; 161
  // and 1017 lie on the ellipsoids 55 and 53, whose axes are not known here.
  for (int number : {-1, 160, 161, 999, 1017, 1026, 9999, kNumberLimit}) {
    EXPECT_EQ(FindMapInfoDatum(number), nullptr) << number;
  }
  for (int number : {-1, 53, 55, 58, 104}) EXPECT_EQ(FindMapInfoEllipsoid(number), nullptr) << number;
}

// A binary search over a table that is out of order loses rows; the count is the
// table's row count, so a lost or doubled row shows here.
TEST(CoordSysTables, EveryRowIsFoundByItsNumber) {
  int datums = 0;
  int ellipsoids = 0;
  for (int number = 0; number < kNumberLimit; ++number) {
    if (const MapInfoDatum* datum = FindMapInfoDatum(number)) {
      ++datums;
      EXPECT_EQ(datum->number, number);
    }
    if (const MapInfoEllipsoid* ellipsoid = FindMapInfoEllipsoid(number)) {
      ++ellipsoids;
      EXPECT_EQ(ellipsoid->number, number);
    }
  }
  EXPECT_EQ(datums, 187);
  EXPECT_EQ(ellipsoids, 56);
}

// Plausible ranges catch a value typed into the wrong column or with a lost sign of
// magnitude, and a datum on an ellipsoid the table does not hold.
TEST(CoordSysTables, EveryRowIsPlausible) {
  for (int number = 0; number < kNumberLimit; ++number) {
    if (const MapInfoEllipsoid* e = FindMapInfoEllipsoid(number)) {
      EXPECT_FALSE(e->name.empty()) << number;
      EXPECT_GT(e->semi_major, 6370000) << number;  // the sphere is the smallest
      EXPECT_LT(e->semi_major, 6378500) << number;
      EXPECT_TRUE(e->inverse_flattening == 0 || (e->inverse_flattening > 290 && e->inverse_flattening < 310)) << number;
    }
    const MapInfoDatum* d = FindMapInfoDatum(number);
    if (!d) continue;
    EXPECT_FALSE(d->name.empty()) << number;
    EXPECT_NE(FindMapInfoEllipsoid(d->ellipsoid), nullptr) << number << " lies on " << d->ellipsoid;
    for (double shift : {d->dx, d->dy, d->dz}) EXPECT_LT(std::fabs(shift), 2000) << number;
    for (double rotation : {d->rx, d->ry, d->rz}) EXPECT_LT(std::fabs(rotation), 15) << number;
    EXPECT_LT(std::fabs(d->scale_ppm), 10) << number;
    EXPECT_TRUE(d->prime_meridian >= -18 && d->prime_meridian <= 3) << number;
    // Only the 1000 range rotates or scales.
    if (number < 1000) {
      EXPECT_EQ(d->rx, 0) << number;
      EXPECT_EQ(d->ry, 0) << number;
      EXPECT_EQ(d->rz, 0) << number;
      EXPECT_EQ(d->scale_ppm, 0) << number;
      EXPECT_EQ(d->prime_meridian, 0) << number;
    }
  }
}

}  // namespace
}  // namespace mirvex
