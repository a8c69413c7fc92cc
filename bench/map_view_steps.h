// What the two map view benchmarks share: reading their command line, loading the map
// and the zooms and pans between redraws, so that both time the same redraws.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/null_host.h"
#include "mapview/map_view.h"
#include "settings/ini_file.h"
#include "settings/operation_options.h"

namespace mirvex::bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct ViewBenchOptions {
  std::string mif, mid, home, map;
  bool load_only = false;
  int redraws = 100;
};

// Reads --mif MIF MID HOME | --map TEXT_MAP, --load-only and --redraws N; false on
// anything else (the caller prints its usage).
inline bool ParseViewBenchOptions(int argc, char** argv, ViewBenchOptions& options) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--mif" && i + 3 < args.size()) {
      options.mif = args[++i];
      options.mid = args[++i];
      options.home = args[++i];
    } else if (args[i] == "--map" && i + 1 < args.size()) {
      options.map = args[++i];
    } else if (args[i] == "--load-only") {
      options.load_only = true;
    } else if (args[i] == "--redraws" && i + 1 < args.size()) {
      options.redraws = std::max(1, std::atoi(args[++i].c_str()));
    } else {
      return false;
    }
  }
  return options.mif.empty() != options.map.empty();
}

// Loads the map into `view` and prints the load's figures; false when it was not read whole.
inline bool LoadForBench(mapview::MapView& view, const ViewBenchOptions& options) {
  NullHost host;
  auto start = std::chrono::steady_clock::now();
  mapview::LoadResult result;
  if (!options.mif.empty()) {
    std::string ini = SettingsPath(options.home);
    ConversionOptions conversion = ConversionOptionsFrom(
        [&](std::string_view key) { return ReadPrivateProfile(ini, "System", key); }, std::string());
    result = view.LoadMif(options.mif, options.mid, conversion, options.home + "/", host);
  } else {
    result = view.LoadTextMap(options.map, host);
  }
  double load = Seconds(start);
  std::printf("load_seconds=%.4f\nobjects=%llu\nsummary_mb=%.2f\nnotes=%zu\n", load,
              static_cast<unsigned long long>(view.objects_read()), view.summary_bytes() / 1048576.0,
              result.notes.size());
  // The notes (cp1251) go to the error output, where a run shows why a map was not read whole.
  for (const std::string& note : result.notes) std::fprintf(stderr, "%s\n", note.c_str());
  return result.status == mapview::LoadStatus::kCompleted;
}

// Zooms in and out at random places and pans, as a user exploring the map does; each
// call is the step before redraw `i`. The same seed gives both benchmarks the same steps.
class ExploringUser {
 public:
  void Step(mapview::MapView& view, int i) {
    switch (i % 4) {
      case 0: view.ZoomAt(x_(random_), y_(random_), 2); break;
      case 1: view.Pan(shift_(random_), shift_(random_)); break;
      case 2: view.ZoomAt(x_(random_), y_(random_), 0.5); break;
      default:
        if (i % 16 == 3) {
          view.Fit();
        } else {
          view.Pan(shift_(random_), shift_(random_));
        }
        break;
    }
  }

 private:
  std::mt19937 random_{20261208};
  std::uniform_real_distribution<double> x_{0, 1280}, y_{0, 800}, shift_{-300, 300};
};

// The median and the worst of redraw times in milliseconds, as key=value lines.
inline void PrintTimes(const char* name, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%s_median_ms=%.3f\n%s_worst_ms=%.3f\n", name, times[times.size() / 2], name, times.back());
}

inline void PrintPeakRss() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak_rss_mb=%.1f\n", usage.ru_maxrss / 1024.0);
}

}  // namespace mirvex::bench
