#include "mapinfo/wgs84_transform.h"

#include <proj.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <type_traits>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"

namespace mirvex {

namespace {

void AddParameter(std::string& out, std::string_view name, double value) {
  out += " +";
  out += name;
  out += '=';
  AppendNumberText(out, value);
}

void AddEllipsoid(std::string& out, const MapInfoEllipsoid& ellipsoid) {
  if (ellipsoid.inverse_flattening == 0) {
    AddParameter(out, "R", ellipsoid.semi_major);
  } else {
    AddParameter(out, "a", ellipsoid.semi_major);
    AddParameter(out, "rf", ellipsoid.inverse_flattening);
  }
}

// The PROJ projection with the clause's parameters in PROJ's names.
std::string ProjectionStep(const MapInfoCoordSys& coordsys) {
  const std::vector<double>& p = coordsys.parameters;
  std::string step;
  auto projection = [&](std::string_view name, std::initializer_list<std::string_view> names) {
    step = "+proj=";
    step += name;
    std::size_t i = 0;
    for (std::string_view parameter : names) {
      // PROJ takes the false easting and northing in metres, a clause in its units.
      bool offset = parameter == "x_0" || parameter == "y_0";
      AddParameter(step, parameter, offset ? p[i] * coordsys.metres_per_unit : p[i]);
      ++i;
    }
  };
  switch (coordsys.projection) {
    case 2: projection("cea", {"lon_0", "lat_ts"}); break;
    case 3: projection("lcc", {"lon_0", "lat_0", "lat_1", "lat_2", "x_0", "y_0"}); break;
    case 4: case 29: projection("laea", {"lon_0", "lat_0"}); break;
    case 5: case 28: projection("aeqd", {"lon_0", "lat_0"}); break;
    case 6: projection("eqdc", {"lon_0", "lat_0", "lat_1", "lat_2", "x_0", "y_0"}); break;
    // Hotine oblique Mercator with the grid rectified at the centre line's azimuth.
    case 7: projection("omerc +no_uoff", {"lonc", "lat_0", "alpha", "k", "x_0", "y_0"}); break;
    // Transverse Mercator; 21 to 24 are its forms for Danish and Finnish grids, whose
    // modification lies in the grids' own definitions.
    case 8: case 21: case 22: case 23: case 24:
      projection("tmerc", {"lon_0", "lat_0", "k", "x_0", "y_0"});
      break;
    case 9: projection("aea", {"lon_0", "lat_0", "lat_1", "lat_2", "x_0", "y_0"}); break;
    case 10: projection("merc", {"lon_0"}); break;
    case 26: projection("merc", {"lon_0", "lat_ts"}); break;
    // Miller's is a projection of the sphere: the ellipsoid's authalic one.
    case 11: projection("mill +R_A", {"lon_0"}); break;
    case 12: projection("robin", {"lon_0"}); break;
    case 13: projection("moll", {"lon_0"}); break;
    case 14: projection("eck4", {"lon_0"}); break;
    case 15: projection("eck6", {"lon_0"}); break;
    case 16: projection("sinu", {"lon_0"}); break;
    case 17: projection("gall", {"lon_0"}); break;
    case 18: projection("nzmg", {"lon_0", "lat_0", "x_0", "y_0"}); break;
    case 20: projection("stere", {"lon_0", "lat_0", "k", "x_0", "y_0"}); break;
    case 31: projection("sterea", {"lon_0", "lat_0", "k", "x_0", "y_0"}); break;
    case 25: projection("somerc", {"lon_0", "lat_0", "x_0", "y_0"}); break;
    case 27: projection("poly", {"lon_0", "lat_0", "x_0", "y_0"}); break;
    case 30: projection("cass", {"lon_0", "lat_0", "x_0", "y_0"}); break;
    // Krovak: the pseudo standard parallel, the cone's azimuth, and the scale on that
    // parallel the projection is defined with.
    case 32:
      projection("krovak", {"lon_0", "lat_0", "lat_ts", "alpha", "x_0", "y_0"});
      AddParameter(step, "k", 0.9999);
      break;
    default: break;
  }
  return step;
}

}  // namespace

std::string ProjPipelineToWgs84(const MapInfoCoordSys& coordsys) {
  std::string pipeline = "+proj=pipeline";
  if (coordsys.affine) {
    const MapInfoAffine& k = *coordsys.affine;
    pipeline += " +step +inv +proj=affine";
    AddParameter(pipeline, "xoff", k.c);
    AddParameter(pipeline, "yoff", k.f);
    AddParameter(pipeline, "s11", k.a);
    AddParameter(pipeline, "s12", k.b);
    AddParameter(pipeline, "s21", k.d);
    AddParameter(pipeline, "s22", k.e);
  }
  if (coordsys.projection == 1) {
    pipeline += " +step +proj=unitconvert +xy_in=deg +xy_out=rad";
  } else {
    pipeline += " +step +inv ";
    pipeline += ProjectionStep(coordsys);
    AddEllipsoid(pipeline, coordsys.ellipsoid);
    AddParameter(pipeline, "to_meter", coordsys.metres_per_unit);
  }
  const MapInfoDatum& datum = coordsys.datum;
  if (datum.prime_meridian != 0) {
    // Longitudes counted from the datum's prime meridian become Greenwich's.
    pipeline += " +step +proj=affine";
    AddParameter(pipeline, "xoff", datum.prime_meridian * std::numbers::pi / 180);
  }
  if (!DatumCoincidesWithWgs84(datum, coordsys.ellipsoid)) {
    pipeline += " +step +proj=cart";
    AddEllipsoid(pipeline, coordsys.ellipsoid);
    pipeline += " +step +proj=helmert";
    AddParameter(pipeline, "x", datum.dx);
    AddParameter(pipeline, "y", datum.dy);
    AddParameter(pipeline, "z", datum.dz);
    if (datum.rx != 0 || datum.ry != 0 || datum.rz != 0 || datum.scale_ppm != 0) {
      AddParameter(pipeline, "rx", datum.rx);
      AddParameter(pipeline, "ry", datum.ry);
      AddParameter(pipeline, "rz", datum.rz);
      AddParameter(pipeline, "s", datum.scale_ppm);
      // MapInfo writes the rotations with the sign of the coordinate frame rotation.
      pipeline += " +convention=coordinate_frame";
    }
    pipeline += " +step +inv +proj=cart +ellps=WGS84";
  }
  // The pipeline ends in radians: Transform turns them into degrees, a step less for
  // PROJ on every position.
  return pipeline;
}

// PROJ's functions the transformation calls. A build against PROJ's shared library
// loads it only when a map is first transformed, so a run that copies its numbers never
// maps PROJ and the forty libraries it brings; a build with PROJ linked in (the Windows
// one) takes the functions directly.
struct ProjFunctions {
  decltype(&proj_context_create) context_create;
  decltype(&proj_context_destroy) context_destroy;
  decltype(&proj_log_level) log_level;
  decltype(&proj_log_func) log_func;
  decltype(&proj_context_set_enable_network) set_enable_network;
  decltype(&proj_create) create;
  decltype(&proj_destroy) destroy;
  decltype(&proj_trans) trans;
  decltype(&proj_errno_reset) errno_reset;
};

const ProjFunctions* LoadProj() {
#ifdef MIRVEX_PROJ_LIBRARY
  static const ProjFunctions* loaded = []() -> const ProjFunctions* {
    void* library = OpenSharedLibrary(MIRVEX_PROJ_LIBRARY);
    static ProjFunctions functions;
    auto find = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(SharedLibraryFunction(library, name));
      return function != nullptr;
    };
    bool all = find(functions.context_create, "proj_context_create") &&
               find(functions.context_destroy, "proj_context_destroy") &&
               find(functions.log_level, "proj_log_level") && find(functions.log_func, "proj_log_func") &&
               find(functions.set_enable_network, "proj_context_set_enable_network") &&
               find(functions.create, "proj_create") && find(functions.destroy, "proj_destroy") &&
               find(functions.trans, "proj_trans") && find(functions.errno_reset, "proj_errno_reset");
    return all ? &functions : nullptr;
  }();
  return loaded;
#else
  static const ProjFunctions functions = {&proj_context_create, &proj_context_destroy, &proj_log_level,
                                          &proj_log_func, &proj_context_set_enable_network, &proj_create,
                                          &proj_destroy, &proj_trans, &proj_errno_reset};
  return &functions;
#endif
}

struct Wgs84Transform::Proj {
  const ProjFunctions* proj = nullptr;
  PJ_CONTEXT* context = nullptr;
  PJ* pipeline = nullptr;
  // The largest stored coordinate a projection can mean: 100,000 km in its units. An
  // inverse projection answers even for 1e13 metres, with a place that means nothing.
  double coordinate_limit = 0;
  ~Proj() {
    if (pipeline != nullptr) proj->destroy(pipeline);
    if (context != nullptr) proj->context_destroy(context);
  }
};

Wgs84Transform::Wgs84Transform(std::unique_ptr<Proj> proj) : proj_(std::move(proj)) {}
Wgs84Transform::~Wgs84Transform() = default;

std::unique_ptr<Wgs84Transform> Wgs84Transform::Create(const MapInfoCoordSys& coordsys, std::string& problem) {
  auto proj = std::make_unique<Proj>();
  proj->proj = LoadProj();
  if (proj->proj == nullptr) {
    problem = Ru("не найдена библиотека PROJ (пакет libproj25)");
    return nullptr;
  }
  const ProjFunctions& f = *proj->proj;
  proj->context = f.context_create();
  if (proj->context == nullptr) {
    problem = Ru("библиотека PROJ не запустилась");
    return nullptr;
  }
  // The pipeline names every parameter itself: PROJ needs no database, no network,
  // and has nothing to say on the program's error output. The log level alone does
  // not keep PROJ quiet: creating a pipeline where no proj.db can be found (as on
  // Windows, which ships none) logs "Cannot find proj.db" at debug level whatever the
  // level is, so the context's logger drops every message.
  f.log_level(proj->context, PJ_LOG_NONE);
  f.log_func(proj->context, nullptr, [](void*, int, const char*) {});
  f.set_enable_network(proj->context, 0);
  std::string pipeline = ProjPipelineToWgs84(coordsys);
  proj->pipeline = f.create(proj->context, pipeline.c_str());
  proj->coordinate_limit = coordsys.projection == 1 ? 1e300 : 1e8 / coordsys.metres_per_unit;
  if (proj->pipeline == nullptr) {
    problem = Ru("библиотека PROJ не принимает параметры проекции");
    return nullptr;
  }
  return std::unique_ptr<Wgs84Transform>(new Wgs84Transform(std::move(proj)));
}

bool Wgs84Transform::Transform(double& x, double& y) {
  if (!(std::fabs(x) <= proj_->coordinate_limit && std::fabs(y) <= proj_->coordinate_limit)) return false;
  PJ_COORD in;
  in.v[0] = x;
  in.v[1] = y;
  in.v[2] = 0;
  in.v[3] = 0;
  PJ_COORD out = proj_->proj->trans(proj_->pipeline, PJ_FWD, in);
  constexpr double kDegreesPerRadian = 180 / std::numbers::pi;
  double lon = out.xy.x * kDegreesPerRadian, lat = out.xy.y * kDegreesPerRadian;
  if (!std::isfinite(lon) || !std::isfinite(lat) || std::fabs(lon) > 180 || std::fabs(lat) > 90) {
    proj_->proj->errno_reset(proj_->pipeline);
    return false;
  }
  x = lon;
  y = lat;
  return true;
}

}  // namespace mirvex

namespace mirvex {

namespace {

std::string_view ProjectionInWords(int projection) {
  switch (projection) {
    case 1: return "Широта/долгота";
    case 2: return "Цилиндрическая равновеликая проекция";
    case 3: return "Коническая равноугольная проекция Ламберта";
    case 4: case 29: return "Азимутальная равновеликая проекция Ламберта";
    case 5: case 28: return "Азимутальная равнопромежуточная проекция";
    case 6: return "Коническая равнопромежуточная проекция";
    case 7: return "Косая проекция Меркатора (Хотина)";
    case 8: return "Поперечная проекция Меркатора";
    case 21: case 22: case 23: case 24: return "Видоизмененная поперечная проекция Меркатора";
    case 9: return "Коническая равновеликая проекция Альберса";
    case 10: return "Проекция Меркатора";
    case 26: return "Региональная проекция Меркатора";
    case 11: return "Цилиндрическая проекция Миллера";
    case 12: return "Проекция Робинсона";
    case 13: return "Проекция Мольвейде";
    case 14: return "Проекция Эккерта IV";
    case 15: return "Проекция Эккерта VI";
    case 16: return "Синусоидальная проекция";
    case 17: return "Стереографическая проекция Галла";
    case 18: return "Новозеландская картографическая сетка";
    case 20: return "Стереографическая проекция";
    case 31: return "Двойная стереографическая проекция";
    case 25: return "Швейцарская косая проекция Меркатора";
    case 27: return "Поликоническая проекция";
    case 30: return "Проекция Кассини-Зольднера";
    case 32: return "Проекция Кровака";
    default: return "Проекция";
  }
}

bool Near(double a, double b) { return std::fabs(a - b) < 1e-9 * std::max(1.0, std::fabs(b)); }

// The zone of a Gauss-Krüger or UTM grid the transverse Mercator parameters name, as
// "Гаусс-Крюгер, зона 7" or "UTM, зона 37N"; empty for any other.
std::string GridZone(const MapInfoCoordSys& coordsys) {
  if (coordsys.projection != 8 || coordsys.parameters.size() < 5 || coordsys.metres_per_unit != 1) return {};
  const std::vector<double>& p = coordsys.parameters;
  double lon0 = p[0], lat0 = p[1], k = p[2], fe = p[3], fn = p[4];
  if (lat0 != 0) return {};
  bool krassovsky = Near(coordsys.ellipsoid.semi_major, 6378245.0);
  for (int zone = 1; zone <= 60; ++zone) {
    if (krassovsky && k == 1 && fn == 0 && Near(lon0, 6.0 * zone - 3) &&
        (fe == 500000 || Near(fe, zone * 1e6 + 500000))) {
      return Ru("Гаусс-Крюгер, зона ") + std::to_string(zone);
    }
    if (Near(k, 0.9996) && fe == 500000 && (fn == 0 || fn == 10000000) && Near(lon0, 6.0 * zone - 183)) {
      return Ru("UTM, зона ") + std::to_string(zone) + (fn == 0 ? "N" : "S");
    }
  }
  return {};
}

std::string DatumInWords(const MapInfoCoordSys& coordsys) {
  const MapInfoDatum& datum = coordsys.datum;
  if (coordsys.datum_number == 999 || coordsys.datum_number == 9999) {
    return Ru("датум с параметрами на эллипсоиде ") + std::string(coordsys.ellipsoid.name);
  }
  struct Known {
    std::string_view english;
    std::string_view russian;
  };
  static constexpr Known kKnown[] = {
      {"Pulkovo 1942", "Пулково 1942"}, {"Pulkovo 1995", "Пулково 1995"}, {"PZ-90", "ПЗ-90"},
      {"PZ 90", "ПЗ-90"},               {"Pulkovo", "Пулково"},
  };
  for (const Known& known : kKnown) {
    if (datum.name.find(known.english) != std::string_view::npos) return Ru(known.russian);
  }
  return std::string(datum.name);
}

}  // namespace

std::string CoordSysInWords(const MapInfoCoordSys& coordsys) {
  switch (coordsys.kind) {
    case CoordSysKind::kAbsent:
      return Ru("Система координат не указана");
    case CoordSysKind::kNonEarth:
      return Ru("Неземная система координат (план)");
    case CoordSysKind::kEarth:
      break;
  }
  std::string words = GridZone(coordsys);
  if (words.empty()) words = Ru(ProjectionInWords(coordsys.projection));
  words += ", ";
  words += DatumInWords(coordsys);
  return words;
}

}  // namespace mirvex
