// PROJ as both builds link it (Debian's library on Linux, the static one of
// scripts/build-proj-windows.sh on Windows): a pipeline written out step by step, from
// Pulkovo 1942 Gauss-Kruger zone 7 to WGS 84, transforms points to the values Debian's
// cct gives, and does so with no PROJ database reachable and nothing logged.
#include <proj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace mirvex {
namespace {

constexpr const char* kZone7ToWgs84 =
    "+proj=pipeline +step +inv +proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=7500000 +y_0=0 +ellps=krass "
    "+step +proj=cart +ellps=krass "
    "+step +proj=helmert +x=23.92 +y=-141.27 +z=-80.9 +rx=0 +ry=0.35 +rz=0.82 +s=-0.12 "
    "+convention=position_vector +step +inv +proj=cart +ellps=WGS84";

// A context that finds no PROJ data (its only search path is an empty folder) and
// keeps the errors PROJ logs instead of printing them. PROJ hands its logger debug
// messages whatever the log level (creating a pipeline says "Cannot find proj.db" at
// debug level; the default logger prints it), so the logger itself drops them.
class ProjContext {
 public:
  explicit ProjContext(const std::filesystem::path& empty_folder) : ctx_(proj_context_create()) {
    const std::string folder = empty_folder.string();
    const char* paths[] = {folder.c_str()};
    proj_context_set_search_paths(ctx_, 1, paths);
    proj_log_level(ctx_, PJ_LOG_ERROR);
    proj_log_func(ctx_, &errors_, [](void* errors, int level, const char* message) {
      if (level <= PJ_LOG_ERROR) static_cast<std::vector<std::string>*>(errors)->push_back(message);
    });
  }
  ~ProjContext() { proj_context_destroy(ctx_); }
  ProjContext(const ProjContext&) = delete;
  ProjContext& operator=(const ProjContext&) = delete;

  PJ_CONTEXT* get() const { return ctx_; }
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  PJ_CONTEXT* ctx_;
  std::vector<std::string> errors_;
};

struct ProjCase {
  const char* name;
  double easting, northing, height;
  double longitude, latitude, wgs84_height;
};

TEST(Proj, PipelineTransformsZone7ToWgs84WithoutADatabase) {
  // Expected values: Debian's cct 9.1.1 (`cct -d 12` with the same pipeline).
  const ProjCase cases[] = {
      {"Moscow region", 7412345.678, 6123456.789, 0, 37.620624643167, 55.226872183983, 4.201286972500},
      {"the south, with a height", 7300000, 5000000, 150, 36.457315177393, 45.106243985623, 155.579437172972},
      {"the central meridian in the north", 7500000, 7700000, 0, 38.996891053162, 69.380737228862,
       9.107942978851},
  };
  test::ScratchDir empty;
  ProjContext ctx(empty.path());
  PJ* pipeline = proj_create(ctx.get(), kZone7ToWgs84);
  ASSERT_NE(pipeline, nullptr) << proj_context_errno_string(ctx.get(), proj_context_errno(ctx.get()));
  for (const ProjCase& c : cases) {
    const PJ_COORD out = proj_trans(pipeline, PJ_FWD, proj_coord(c.easting, c.northing, c.height, 0));
    EXPECT_EQ(proj_errno(pipeline), 0) << c.name;
    EXPECT_NEAR(proj_todeg(out.lpz.lam), c.longitude, 1e-9) << c.name;
    EXPECT_NEAR(proj_todeg(out.lpz.phi), c.latitude, 1e-9) << c.name;
    // A micrometre: the ellipsoidal height goes through Earth-centred metres.
    EXPECT_NEAR(out.lpz.z, c.wgs84_height, 1e-6) << c.name;

    const PJ_COORD back = proj_trans(pipeline, PJ_INV, out);
    // The inverse Helmert step turns the rotations back to first order only: a tenth
    // of a millimetre.
    EXPECT_NEAR(back.xyz.x, c.easting, 1e-4) << c.name;
    EXPECT_NEAR(back.xyz.y, c.northing, 1e-4) << c.name;
  }
  proj_destroy(pipeline);
  EXPECT_EQ(ctx.Errors(), std::vector<std::string>{});
}

}  // namespace
}  // namespace mirvex
