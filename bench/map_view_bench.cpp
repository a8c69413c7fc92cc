// Loads one map into the map view and times it, then times redraws at 1280x800 after
// zooms and pans. Prints key=value lines for bench/run_benchmark.py.
//
// Usage: mirvex_bench_map_view (--mif MIF MID HOME | --map TEXT_MAP) [--load-only] [--redraws N]
//   HOME is a program folder: its mirvex.ini gives the conversion's options and its
//   object.txt the dictionary, as for `mirvex convert --home HOME`.
#include <cstdio>
#include <vector>

#include "bench/map_view_steps.h"

int main(int argc, char** argv) {
  using namespace mirvex;
  bench::ViewBenchOptions options;
  if (!bench::ParseViewBenchOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: mirvex_bench_map_view (--mif MIF MID HOME | --map TEXT_MAP) [--load-only] [--redraws N]\n");
    return 2;
  }
  mapview::MapView view;
  view.SetViewportSize(1280, 800);
  if (!bench::LoadForBench(view, options)) return 1;

  if (!options.load_only) {
    bench::ExploringUser user;
    std::vector<double> times;
    std::size_t commands = 0;
    // One list drawn again and again, as a window does.
    mapview::DrawList list;
    view.Fit();
    view.Draw(list);
    for (int i = 0; i < options.redraws; ++i) {
      user.Step(view, i);
      auto draw_start = std::chrono::steady_clock::now();
      view.Draw(list);
      times.push_back(bench::Seconds(draw_start) * 1000);
      commands = std::max(commands, list.commands.size());
    }
    bench::PrintTimes("redraw", times);
    std::printf("redraw_max_commands=%zu\n", commands);
  }
  bench::PrintPeakRss();
  return 0;
}
