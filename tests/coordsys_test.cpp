#include "mapinfo/wgs84_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "mapinfo/coordsys.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

// A stored position in a coordinate system, where PROJ's cs2cs puts it in WGS 84 when
// given the same parameters in its own words (computed once with cs2cs, which the
// last test asks again where it is installed).
struct TransformCase {
  const char* name;
  const char* clause;
  const char* cs2cs_source;  // the system as cs2cs reads it; "… +to …" names the target too
  double x, y;
  double longitude, latitude;
};

const std::vector<TransformCase>& TransformCases() {
  static const std::vector<TransformCase> cases = {
      {"GK zone 7 with its prefix, Pulkovo 1942", "Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0",
       "+proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=7500000 +y_0=0 +ellps=krass +towgs84=24,-123,-94,0.02,-0.25,-0.13,1.1",
       7412088.83566, 6181724.275974, 37.5982341849, 55.7500215226},
      {"GK zone 7 without prefix, Pulkovo 1942", "Earth Projection 8, 1001, \"m\", 39, 0, 1, 500000, 0",
       "+proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=500000 +y_0=0 +ellps=krass +towgs84=24,-123,-94,0.02,-0.25,-0.13,1.1",
       578538.11749, 5563770.295508, 40.0984778743, 50.1999598248},
      {"UTM 37N, WGS 84", "Earth Projection 8, 104, \"m\", 39, 0, 0.9996, 500000, 0",
       "+proj=utm +zone=37 +datum=WGS84",
       412125.459188, 6179143.323618, 37.6000000000, 55.7500000000},
      {"UTM 35S, WGS 84", "Earth Projection 8, 104, \"m\", 27, 0, 0.9996, 500000, 10000000",
       "+proj=utm +zone=35 +south +datum=WGS84",
       550207.47756, 7168517.752308, 27.5000000000, -25.6000000000},
      {"Pulkovo 1942 longitude/latitude", "Earth Projection 1, 1001",
       "+proj=longlat +ellps=krass +towgs84=24,-123,-94,0.02,-0.25,-0.13,1.1",
       30.3, 59.95, 30.2978988260, 59.9499820845},
      {"SK-95 Gauss-Kruger zone 8", "Earth Projection 8, 1014, \"m\", 45, 0, 1, 8500000, 0",
       "+proj=tmerc +lon_0=45 +k=1 +x_0=8500000 +ellps=krass +towgs84=24.82,-131.21,-82.66,0,0,0.16,-0.12",
       8438091.585985, 6242525.188273, 43.9982413602, 56.3001581853},
      {"SK-42 GOST longitude/latitude", "Earth Projection 1, 1013",
       "+proj=longlat +ellps=krass +towgs84=23.92,-141.27,-80.9,0,0.35,0.82,-0.12",
       82.9, 55.0, 82.8994471330, 55.0006038482},
      {"PZ-90 longitude/latitude", "Earth Projection 1, 1012",
       "+proj=longlat +a=6378136 +rf=298.257839303 +towgs84=-1.08,-0.27,-0.9,0,0,0.16,-0.12",
       131.9, 43.1, 131.9000565337, 43.0999913344},
      {"WGS 72 longitude/latitude", "Earth Projection 1, 103",
       "+proj=longlat +a=6378135 +rf=298.26 +towgs84=0,8,10",
       71.4, 51.2, 71.4000365070, 51.2000050165},
      {"Krassovsky with explicit shifts", "Earth Projection 8, 999, 3, 28, -130, -95, \"m\", 39, 0, 1, 7500000, 0",
       "+proj=tmerc +lon_0=39 +k=1 +x_0=7500000 +ellps=krass +towgs84=28,-130,-95",
       7492422.701622, 5229578.525063, 38.8984327368, 47.1998386215},
      {"7-parameter datum spelled out", "Earth Projection 1, 9999, 3, 23.92, -141.27, -80.9, 0, -0.35, -0.82, -0.12, 0",
       "+proj=longlat +ellps=krass +towgs84=23.92,-141.27,-80.9,0,0.35,0.82,-0.12",
       60.6, 56.8, 60.5986230414, 56.8004134962},
      {"NTF Lambert II on the Paris meridian", "Earth Projection 3, 1002, \"m\", 0, 46.8, 45.898918964419, 47.696014502038, 600000, 2200000",
       "+proj=lcc +lat_1=45.898918964419 +lat_2=47.696014502038 +lat_0=46.8 +lon_0=0 +x_0=600000 +y_0=2200000 +a=6378249.2 +rf=293.4660213 +pm=2.337229166667 +towgs84=-168,-60,320",
       772542.574358, 2430533.325097, 4.6866014267, 48.8499444532},
      {"Datum with a Ferro prime meridian", "Earth Projection 1, 1020",
       "+proj=longlat +ellps=bessel +pm=-17.666666666667 +towgs84=589,76,480",
       32.1, 49.9, 14.4323143619, 49.8993160852},
      {"Lambert conformal conic", "Earth Projection 3, 104, \"m\", 37, 50, 48, 54, 0, 0",
       "+proj=lcc +lat_1=48 +lat_2=54 +lat_0=50 +lon_0=37 +datum=WGS84",
       -35352.085773, 66775.278112, 36.5000000000, 50.6000000000},
      {"Albers equal area", "Earth Projection 9, 104, \"m\", 105, 0, 52, 64, 18500000, 0",
       "+proj=aea +lat_1=52 +lat_2=64 +lat_0=0 +lon_0=105 +x_0=18500000 +datum=WGS84",
       18452270.284658, 5241544.509127, 104.3000000000, 52.3000000000},
      {"Equidistant conic", "Earth Projection 6, 104, \"m\", 100, 10, 20, 60, 0, 0",
       "+proj=eqdc +lat_1=20 +lat_2=60 +lat_0=10 +lon_0=100 +datum=WGS84",
       -729072.377675, 3952157.702827, 90.1000000000, 45.3000000000},
      {"Mercator", "Earth Projection 10, 104, \"m\", 0",
       "+proj=merc +lon_0=0 +datum=WGS84",
       4185612.853827, 7473460.434527, 37.6000000000, 55.7500000000},
      {"Regional Mercator", "Earth Projection 26, 104, \"m\", 30, 40",
       "+proj=merc +lon_0=30 +lat_ts=40 +datum=WGS84",
       290339.113659, 4241141.215077, 33.4000000000, 44.6000000000},
      {"Web Mercator", "Earth Projection 10, 157, \"m\", 0",
       "+proj=merc +R=6378137 +lon_0=0 +towgs84=0,0,0 +to +proj=longlat +R=6378137 +towgs84=0,0,0",
       4185612.853827, 7508807.851302, 37.6000000000, 55.7500000000},
      {"Transverse Mercator in feet", "Earth Projection 8, 104, \"ft\", -120, 0, 0.9999, 1640416.67, 0",
       "+proj=tmerc +lon_0=-120 +k=0.9999 +x_0=499999.001016 +datum=WGS84 +units=ft",
       1786990.716486, 13329818.577686, -119.5000000000, 36.7000000000},
      {"Transverse Mercator in survey feet", "Earth Projection 8, 104, \"survey ft\", -120, 0, 0.9999, 1640416.67, 0",
       "+proj=tmerc +lon_0=-120 +k=0.9999 +x_0=500000.001016002 +datum=WGS84 +units=us-ft",
       1786990.423338, 13329791.918049, -119.5000000000, 36.7000000000},
      {"Polar stereographic", "Earth Projection 20, 104, \"m\", 0, 90, 0.994, 2000000, 2000000",
       "+proj=stere +lat_0=90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000 +datum=WGS84",
       3293372.419534, 15970.714716, 33.1000000000, 68.9000000000},
      {"Double stereographic", "Earth Projection 31, 104, \"m\", 5.387638888889, 52.156160555556, 0.9999079, 155000, 463000",
       "+proj=sterea +lat_0=52.156160555556 +lon_0=5.387638888889 +k=0.9999079 +x_0=155000 +y_0=463000 +datum=WGS84",
       121789.857887, 486904.016895, 4.9000000000, 52.3700000000},
      {"Azimuthal equidistant", "Earth Projection 28, 104, \"m\", 37, 55",
       "+proj=aeqd +lat_0=55 +lon_0=37 +datum=WGS84",
       182296.220167, 226625.736992, 40.0000000000, 57.0000000000},
      {"Lambert azimuthal equal area", "Earth Projection 29, 104, \"m\", 10, 52",
       "+proj=laea +lat_0=52 +lon_0=10 +datum=WGS84",
       714485.568718, -173694.032638, 20.0000000000, 49.9999999969},
      {"Cassini-Soldner", "Earth Projection 30, 104, \"m\", 35, 31.7, 170251.555, 126867.909",
       "+proj=cass +lat_0=31.7 +lon_0=35 +x_0=170251.555 +y_0=126867.909 +datum=WGS84",
       189191.080332, 137973.572373, 35.2000000000, 31.8000000000},
      {"Polyconic", "Earth Projection 27, 104, \"m\", 75, 0, 0, 0",
       "+proj=poly +lat_0=0 +lon_0=75 +datum=WGS84",
       215173.552478, 3166913.882875, 77.2000000000, 28.6000000000},
      {"Cylindrical equal area", "Earth Projection 2, 104, \"m\", 0, 30",
       "+proj=cea +lon_0=0 +lat_ts=30 +datum=WGS84",
       3627884.137434, 6060383.866002, 37.6000000000, 55.7499999980},
      {"Miller", "Earth Projection 11, 104, \"m\", 0",
       "+proj=mill +lon_0=0 +datum=WGS84",
       4180933.954376, 6940692.595168, 37.6000000000, 55.7500000000},
      {"Robinson", "Earth Projection 12, 104, \"m\", 0",
       "+proj=robin +lon_0=0 +datum=WGS84",
       2947463.526593, 5913980.032005, 37.6000000000, 55.7500000000},
      {"Mollweide", "Earth Projection 13, 104, \"m\", 0",
       "+proj=moll +lon_0=0 +datum=WGS84",
       2629294.360347, 6461642.374824, 37.6000000000, 55.7500000000},
      {"Eckert IV", "Earth Projection 14, 104, \"m\", 0",
       "+proj=eck4 +lon_0=0 +datum=WGS84",
       2867280.42828, 6622216.295152, 37.6000000000, 55.7500000000},
      {"Eckert VI", "Earth Projection 15, 104, \"m\", 0",
       "+proj=eck6 +lon_0=0 +datum=WGS84",
       2523660.496347, 6721774.731242, 37.6000000000, 55.7500000000},
      {"Sinusoidal", "Earth Projection 16, 104, \"m\", 0",
       "+proj=sinu +lon_0=0 +datum=WGS84",
       2361089.468117, 6180728.124006, 37.6000000000, 55.7500000000},
      {"Gall", "Earth Projection 17, 104, \"m\", 0",
       "+proj=gall +lon_0=0 +datum=WGS84",
       2959675.232363, 5758903.140861, 37.6000000000, 55.7500000000},
      {"Hotine oblique Mercator", "Earth Projection 7, 104, \"m\", 115, 4, 53.31582047222, 0.99984, 590476.87, 442857.65",
       "+proj=omerc +no_uoff +lonc=115 +lat_0=4 +alpha=53.31582047222 +k=0.99984 +x_0=590476.87 +y_0=442857.65 +datum=WGS84",
       1171341.878243, 983343.137153, 114.9000000000, 4.9000000000},
      {"Swiss oblique Mercator, CH 1903", "Earth Projection 25, 1003, \"m\", 7.439583333333, 46.952405555556, 600000, 200000",
       "+proj=somerc +lat_0=46.952405555556 +lon_0=7.439583333333 +k_0=1 +x_0=600000 +y_0=200000 +ellps=bessel +towgs84=660.077,13.551,369.344,-0.804816,-0.577692,-0.952236,5.66",
       683858.309326, 247014.704528, 8.5488779544, 47.3686374375},
      {"Krovak, S-JTSK", "Earth Projection 32, 1024, \"m\", 24.833333333333, 49.5, 78.5, 30.288139752778, 0, 0",
       "+proj=krovak +lat_0=49.5 +lon_0=24.833333333333 +alpha=30.288139752778 +k=0.9999 +x_0=0 +y_0=0 +ellps=bessel +towgs84=570.6934,85.6936,462.8393,4.99825,1.58663,5.26114,3.5430155",
       -742949.430991, -1042796.966163, 14.4189080395, 50.0892180344},
      {"New Zealand map grid", "Earth Projection 18, 999, 4, 59.47, -5.04, 187.44, \"m\", 173, -41, 2510000, 6023150",
       "+proj=nzmg +lat_0=-41 +lon_0=173 +x_0=2510000 +y_0=6023150 +ellps=intl +towgs84=59.47,-5.04,187.44",
       2659087.572048, 5989424.678751, 174.7799953264, -41.2882710319},
  };
  return cases;
}

std::unique_ptr<Wgs84Transform> TransformFor(const std::string& clause) {
  std::string problem;
  std::optional<MapInfoCoordSys> coordsys = ParseCoordSys(clause, problem);
  EXPECT_TRUE(coordsys) << clause << ": " << Cp1251ToUtf8(problem);
  if (!coordsys) return nullptr;
  std::unique_ptr<Wgs84Transform> transform = Wgs84Transform::Create(*coordsys, problem);
  EXPECT_TRUE(transform) << ProjPipelineToWgs84(*coordsys) << ": " << Cp1251ToUtf8(problem);
  return transform;
}

TEST(Wgs84Transform, PlacesEachSystemWhereCs2csDoes) {
  for (const TransformCase& c : TransformCases()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Wgs84Transform> transform = TransformFor(c.clause);
    if (!transform) continue;
    double x = c.x, y = c.y;
    ASSERT_TRUE(transform->Transform(x, y));
    EXPECT_NEAR(x, c.longitude, 1e-7);
    EXPECT_NEAR(y, c.latitude, 1e-7);
  }
}

// Where PROJ finds no proj.db (Windows ships none; here PROJ_DATA names an empty
// folder), a transform is still made and PROJ prints nothing on the error output.
TEST(Wgs84Transform, WorksSilentlyWithoutPROJsDatabase) {
  test::ScratchDir empty;
  test::ScopedVariable proj_data("PROJ_DATA", empty.path().string());
  test::ScopedVariable proj_lib("PROJ_LIB", empty.path().string());
  testing::internal::CaptureStderr();
  std::unique_ptr<Wgs84Transform> transform =
      TransformFor("Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0");
  const std::string printed = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(transform);
  double x = 7412345.678, y = 6123456.789;
  ASSERT_TRUE(transform->Transform(x, y));
  EXPECT_NEAR(x, 37.62, 0.01);
  EXPECT_NEAR(y, 55.23, 0.01);
  EXPECT_EQ(printed, "");
}

TEST(Wgs84Transform, PositionsWithoutAPlaceInWgs84AreRefused) {
  struct Case {
    const char* clause;
    double x, y;
  };
  const std::vector<Case> cases = {
      // Far outside the zone: transverse Mercator's inverse has no answer.
      {"CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0", 9.9e12, 6178901.2},
      // Longitude/latitude past the poles or the antimeridian.
      {"CoordSys Earth Projection 1, 1001", 37.6, 95.0},
      {"CoordSys Earth Projection 1, 1001", 37.6, -1e6},
      // Beyond where a stereographic or an azimuthal projection reaches.
      {"CoordSys Earth Projection 29, 104, \"m\", 10, 52", 2e7, 2e7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clause);
    std::unique_ptr<Wgs84Transform> transform = TransformFor(c.clause);
    if (!transform) continue;
    double x = c.x, y = c.y;
    EXPECT_FALSE(transform->Transform(x, y)) << x << " " << y;
    // The transformation goes on after a refusal.
    x = 37.6;
    y = 55.75;
    if (std::string(c.clause).find("Projection 1,") != std::string::npos) {
      EXPECT_TRUE(transform->Transform(x, y));
    }
  }
}

TEST(CoordSys, ReadsTheClauseInEveryForm) {
  struct Case {
    const char* clause;
    CoordSysKind kind;
    int projection;
    int datum;
    double metres_per_unit;
    std::size_t parameters;
    bool affine;
  };
  const std::vector<Case> cases = {
      {"CoordSys Earth Projection 1, 104", CoordSysKind::kEarth, 1, 104, 1, 0, false},
      {"coordsys earth projection 1, 104 Bounds (-180, -90) (180, 90)", CoordSysKind::kEarth, 1, 104, 1, 0, false},
      // Bounds cut short say nothing about where the numbers lie.
      {"CoordSys Earth Projection 1, 104 Bounds (-180, -90) (180", CoordSysKind::kEarth, 1, 104, 1, 0, false},
      {"Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0", CoordSysKind::kEarth, 8, 1001, 1, 5, false},
      {"CoordSys Earth Projection 8,1001,\"km\",39,0,1,7500,0", CoordSysKind::kEarth, 8, 1001, 1000, 5, false},
      {"CoordSys Earth Projection 1, 9999, 3, 23.92, -141.27, -80.9, 0, -0.35, -0.82, -0.12, 0", CoordSysKind::kEarth,
       1, 9999, 1, 0, false},
      {"CoordSys Earth Projection 8, 999, 3, 28, -130, -95, \"m\", 39, 0, 1, 7500000, 0", CoordSysKind::kEarth, 8, 999,
       1, 5, false},
      {"CoordSys Earth Projection 1008, 104, \"m\", 39, 0, 0.9996, 500000, 0 Affine Units \"m\", 2, 0, 1000, 0, 2, -500",
       CoordSysKind::kEarth, 8, 104, 1, 5, true},
      {"CoordSys Earth Projection 3008, 104, \"m\", 39, 0, 0.9996, 500000, 0 Bounds (0, 0) (1e6, 1e7) Affine Units "
       "\"m\", 1, 0, 0, 0, 1, 0",
       CoordSysKind::kEarth, 8, 104, 1, 5, true},
      {"CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)", CoordSysKind::kNonEarth, 0, 0, 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clause);
    std::string problem;
    std::optional<MapInfoCoordSys> coordsys = ParseCoordSys(c.clause, problem);
    ASSERT_TRUE(coordsys) << Cp1251ToUtf8(problem);
    EXPECT_EQ(coordsys->kind, c.kind);
    if (c.kind != CoordSysKind::kEarth) continue;
    EXPECT_EQ(coordsys->projection, c.projection);
    EXPECT_EQ(coordsys->datum_number, c.datum);
    EXPECT_EQ(coordsys->metres_per_unit, c.metres_per_unit);
    EXPECT_EQ(coordsys->parameters.size(), c.parameters);
    EXPECT_EQ(coordsys->affine.has_value(), c.affine);
  }
}

TEST(CoordSys, RefusesWhatItCannotTransformAndSaysWhy) {
  struct Case {
    const char* clause;
    const char* problem;  // UTF-8, a part of the phrase
  };
  const std::vector<Case> cases = {
      {"CoordSys Earth Projection 99, 104, \"m\", 0", "неизвестный номер проекции 99"},
      {"CoordSys Earth Projection 19, 110, \"m\", 4.36, 90, 49.8, 51.2, 150000, 5400088", "номер проекции 19"},
      {"CoordSys Earth Projection 8, 4242, \"m\", 39, 0, 1, 500000, 0", "неизвестный номер датума 4242"},
      {"CoordSys Earth Projection 8, 999, 77, 0, 0, 0, \"m\", 39, 0, 1, 500000, 0", "номер эллипсоида 77"},
      {"CoordSys Earth Projection 8, 999, 3, 28, \"m\", 39, 0, 1, 500000, 0", "параметров датума 999"},
      {"CoordSys Earth Projection 1, 9999, 3, 1, 2, 3, 4, 5, 6", "параметров датума 9999"},
      {"CoordSys Earth Projection 8, 104, \"furlong\", 39, 0, 1, 500000, 0", "единица измерения \"furlong\""},
      {"CoordSys Earth Projection 8, 104, 39, 0, 1, 500000, 0", "не указаны единицы"},
      {"CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1", "нужно 5, указано 3"},
      {"CoordSys Earth Projection 3, 104, \"m\", 37, 50", "нужно 6, указано 2"},
      {"CoordSys Earth Projection 8, 104, \"m\", 39, 0, 1, 500000, 0 Affine Units \"m\", 1, 2, 3", "6 коэффициентов"},
      {"CoordSys Earth Projection 8, 104, \"m\", 39, 0, 1, 500000, 0 Affine Units \"m\", 1, 2, 0, 2, 4, 0",
       "не обратимы"},
      {"CoordSys Earth", "не прочитано"},
      {"CoordSys Earth Projection", "не прочитано"},
      {"CoordSys Earth Projection 8.5, 104", "не прочитано"},
      {"CoordSys Earth Projection 8, , \"m\"", "не прочитано"},
      {"CoordSys Earth Projection 8, 104, \"m\", 39, abc, 1, 500000, 0", "не прочитано"},
      {"CoordSys Earth Projection 8, 104, \"m\", 39, 0, 1, 500000, 0 Rotate 30", "не прочитано"},
      {"CoordSys Layout Units \"in\"", "не прочитано"},
      {"CoordSys", "не прочитано"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clause);
    std::string problem;
    EXPECT_FALSE(ParseCoordSys(c.clause, problem));
    EXPECT_NE(Cp1251ToUtf8(problem).find(c.problem), std::string::npos) << Cp1251ToUtf8(problem);
  }
}

TEST(CoordSys, WgsLongitudeLatitudeIsTakenAsItStands) {
  struct Case {
    const char* clause;
    bool as_it_stands;
  };
  const std::vector<Case> cases = {
      {"CoordSys Earth Projection 1, 104", true},
      {"CoordSys Earth Projection 1, 0", true},     // WGS 84's axes, no shift
      {"CoordSys Earth Projection 1, 74", true},    // NAD 83 on GRS 80
      {"CoordSys Earth Projection 1, 115", true},   // EUREF 89
      {"CoordSys Earth Projection 1, 157", true},   // the web maps' sphere
      {"CoordSys Earth Projection 1, 103", false},  // WGS 72 is shifted
      {"CoordSys Earth Projection 1, 1001", false},
      {"CoordSys Earth Projection 8, 104, \"m\", 39, 0, 0.9996, 500000, 0", false},
      {"CoordSys Earth Projection 1001, 104 Affine Units \"degree\", 1, 0, 0.5, 0, 1, 0", false},
  };
  for (const Case& c : cases) {
    std::string problem;
    std::optional<MapInfoCoordSys> coordsys = ParseCoordSys(c.clause, problem);
    ASSERT_TRUE(coordsys) << c.clause;
    EXPECT_EQ(IsWgs84LongitudeLatitude(*coordsys), c.as_it_stands) << c.clause;
  }
}

TEST(CoordSys, AffineClauseIsUndoneBeforeTheProjection) {
  // Stored x' = 2x + 1000, y' = 2y - 500 over UTM 37N.
  std::unique_ptr<Wgs84Transform> affine = TransformFor(
      "CoordSys Earth Projection 1008, 104, \"m\", 39, 0, 0.9996, 500000, 0 Affine Units \"m\", 2, 0, 1000, 0, 2, -500");
  std::unique_ptr<Wgs84Transform> plain = TransformFor("CoordSys Earth Projection 8, 104, \"m\", 39, 0, 0.9996, 500000, 0");
  ASSERT_TRUE(affine && plain);
  double x = 2 * 412125.459188 + 1000, y = 2 * 6179143.323618 - 500;
  double px = 412125.459188, py = 6179143.323618;
  ASSERT_TRUE(affine->Transform(x, y));
  ASSERT_TRUE(plain->Transform(px, py));
  EXPECT_NEAR(x, px, 1e-9);
  EXPECT_NEAR(y, py, 1e-9);
  EXPECT_NEAR(x, 37.6, 1e-7);
}

TEST(CoordSys, NamesTheSystemInWords) {
  struct Case {
    const char* clause;
    const char* words;  // UTF-8
  };
  const std::vector<Case> cases = {
      {"CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0", "Гаусс-Крюгер, зона 7, Пулково 1942"},
      {"CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 500000, 0", "Гаусс-Крюгер, зона 7, Пулково 1942"},
      {"CoordSys Earth Projection 8, 1014, \"m\", 45, 0, 1, 8500000, 0", "Гаусс-Крюгер, зона 8, Пулково 1995"},
      {"CoordSys Earth Projection 8, 104, \"m\", 39, 0, 0.9996, 500000, 0", "UTM, зона 37N, WGS 84"},
      {"CoordSys Earth Projection 8, 104, \"m\", 27, 0, 0.9996, 500000, 10000000", "UTM, зона 35S, WGS 84"},
      {"CoordSys Earth Projection 8, 104, \"m\", 40, 0, 0.9996, 500000, 0", "Поперечная проекция Меркатора, WGS 84"},
      {"CoordSys Earth Projection 1, 104", "Широта/долгота, WGS 84"},
      {"CoordSys Earth Projection 1, 1012", "Широта/долгота, ПЗ-90"},
      {"CoordSys Earth Projection 3, 104, \"m\", 37, 50, 48, 54, 0, 0", "Коническая равноугольная проекция Ламберта"},
      {"CoordSys Earth Projection 1, 999, 3, 28, -130, -95", "датум с параметрами на эллипсоиде Krassovsky"},
      {"CoordSys NonEarth Units \"m\"", "Неземная система координат (план)"},
  };
  for (const Case& c : cases) {
    std::string problem;
    std::optional<MapInfoCoordSys> coordsys = ParseCoordSys(c.clause, problem);
    ASSERT_TRUE(coordsys) << c.clause;
    EXPECT_NE(Cp1251ToUtf8(CoordSysInWords(*coordsys)).find(c.words), std::string::npos)
        << Cp1251ToUtf8(CoordSysInWords(*coordsys));
  }
}

// The expected places above are cs2cs's own answers: asked again where cs2cs is
// installed (Debian's proj-bin), they must not have drifted.
TEST(Wgs84Transform, ExpectedPlacesAreCs2csAnswers) {
  test::ScratchDir dir;
  int asked = 0;
  for (const TransformCase& c : TransformCases()) {
    std::string input = dir.File("point.txt");
    std::ostringstream point;
    point.precision(17);
    point << c.x << " " << c.y << "\n";
    test::WriteFile(input, point.str());
    std::vector<std::string> arguments = {"-f", "%.12f"};
    std::string source = c.cs2cs_source;
    std::istringstream words(source);
    bool target_named = source.find(" +to ") != std::string::npos;
    for (std::string word; words >> word;) arguments.push_back(word);
    if (!target_named) {
      for (const char* word : {"+to", "+proj=longlat", "+datum=WGS84"}) arguments.push_back(word);
    }
    arguments.push_back(input);
    std::string output;
    ChildResult run = RunChild(ChildProgram{"cs2cs", arguments, {}, {}},
                               [&](std::string_view line) { output += std::string(line) + " "; },
                               [] { return true; });
    if (run.end == ChildEnd::kNotStarted) GTEST_SKIP() << "cs2cs is not installed";
    ASSERT_EQ(run.status, 0) << output;
    std::istringstream answer(output);
    double longitude = 0, latitude = 0;
    answer >> longitude >> latitude;
    EXPECT_NEAR(longitude, c.longitude, 1e-9) << c.name;
    EXPECT_NEAR(latitude, c.latitude, 1e-9) << c.name;
    ++asked;
  }
  EXPECT_EQ(asked, static_cast<int>(TransformCases().size()));
}

}  // namespace
}  // namespace mirvex
