// Loads one map into the map view and times it, then times redraws at 1280x800 after
// zooms and pans. Prints key=value lines for bench/run_benchmark.py.
//
// Usage: mirvex_bench_map_view (--mif MIF MID HOME | --map TEXT_MAP) [--load-only] [--redraws N]
//   HOME is a program folder: its mirvex.ini gives the conversion's options and its
//   object.txt the dictionary, as for `mirvex convert --home HOME`.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/host.h"
#include "settings/ini_file.h"
#include "settings/operation_options.h"
#include "ui/map_view.h"

namespace {

class QuietHost : public mirvex::Host {
 public:
  void ShowMessage(const std::string&, const std::string&, mirvex::MessageIcon) override {}
  void Beep() override {}
  void SetProgressRange(std::int64_t, std::int64_t) override {}
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string&) override {}
  void ProcessEvents() override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Usage() {
  std::fprintf(stderr, "usage: mirvex_bench_map_view (--mif MIF MID HOME | --map TEXT_MAP) [--load-only] [--redraws N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string mif, mid, home, map;
  bool load_only = false;
  int redraws = 100;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--mif" && i + 3 < args.size()) {
      mif = args[++i];
      mid = args[++i];
      home = args[++i];
    } else if (args[i] == "--map" && i + 1 < args.size()) {
      map = args[++i];
    } else if (args[i] == "--load-only") {
      load_only = true;
    } else if (args[i] == "--redraws" && i + 1 < args.size()) {
      redraws = std::max(1, std::atoi(args[++i].c_str()));
    } else {
      return Usage();
    }
  }
  if (mif.empty() == map.empty()) return Usage();

  QuietHost host;
  mirvex::ui::MapView view;
  view.SetViewportSize(1280, 800);
  auto start = std::chrono::steady_clock::now();
  mirvex::ui::LoadResult result;
  if (!mif.empty()) {
    std::string ini = mirvex::SettingsPath(home);
    mirvex::ConversionOptions options = mirvex::ConversionOptionsFrom(
        [&](std::string_view key) { return mirvex::ReadPrivateProfile(ini, "System", key); }, std::string());
    result = view.LoadMif(mif, mid, options, home + "/", host);
  } else {
    result = view.LoadTextMap(map, host);
  }
  double load = Seconds(start);
  std::printf("load_seconds=%.4f\nobjects=%llu\nsummary_mb=%.2f\nnotes=%zu\n", load,
              static_cast<unsigned long long>(view.objects_read()), view.summary_bytes() / 1048576.0,
              result.notes.size());
  if (result.status != mirvex::ui::LoadStatus::kCompleted) return 1;

  if (!load_only) {
    // Zoom in and out at random places and pan, as a user exploring the map does; each
    // redraw is the Draw() that follows one such step.
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> x(0, 1280), y(0, 800), shift(-300, 300);
    std::vector<double> times;
    std::size_t commands = 0;
    view.Fit();
    view.Draw();
    for (int i = 0; i < redraws; ++i) {
      switch (i % 4) {
        case 0: view.ZoomAt(x(random), y(random), 2); break;
        case 1: view.Pan(shift(random), shift(random)); break;
        case 2: view.ZoomAt(x(random), y(random), 0.5); break;
        default: if (i % 16 == 3) view.Fit(); else view.Pan(shift(random), shift(random)); break;
      }
      auto draw_start = std::chrono::steady_clock::now();
      mirvex::ui::DrawList list = view.Draw();
      times.push_back(Seconds(draw_start) * 1000);
      commands = std::max(commands, list.commands.size());
    }
    std::sort(times.begin(), times.end());
    std::printf("redraw_median_ms=%.3f\nredraw_worst_ms=%.3f\nredraw_max_commands=%zu\n", times[times.size() / 2],
                times.back(), commands);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak_rss_mb=%.1f\n", usage.ru_maxrss / 1024.0);
  return 0;
}
