// The redraw a user waits for: the map view's Draw() and the Qt painting of its
// commands into a 1280x800 picture, after the same zooms and pans as
// mirvex_bench_map_view. Runs on Qt's offscreen platform (no display needed). Prints
// key=value lines: the Draw() alone and Draw() with the painting, each the median and
// worst of the redraws.
//
// Usage: mirvex_bench_map_paint (--mif MIF MID HOME | --map TEXT_MAP) [--redraws N]
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/map_view_steps.h"
#include "ui/qt/map_painter.h"

int main(int argc, char** argv) {
  using namespace mirvex;
  bench::ViewBenchOptions options;
  if (!bench::ParseViewBenchOptions(argc, argv, options) || options.load_only) {
    std::fprintf(stderr, "usage: mirvex_bench_map_paint (--mif MIF MID HOME | --map TEXT_MAP) [--redraws N]\n");
    return 2;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qt_argc = 1;
  QGuiApplication app(qt_argc, argv);
  mapview::MapView view;
  view.SetViewportSize(1280, 800);
  if (!bench::LoadForBench(view, options)) return 1;

  // The window's own painting target: a picture of the widget's size, white first.
  QImage picture(1280, 800, QImage::Format_ARGB32_Premultiplied);
  auto paint = [&](const mapview::DrawList& list) {
    picture.fill(Qt::white);
    QPainter painter(&picture);
    ui::qt::PaintMap(painter, list);
  };
  bench::ExploringUser user;
  std::vector<double> draw_times, paint_times;
  std::size_t commands = 0;
  // One list drawn again and again, as the window does.
  mapview::DrawList list;
  view.Fit();
  view.Draw(list);
  paint(list);
  for (int i = 0; i < options.redraws; ++i) {
    user.Step(view, i);
    // One redraw: the commands for the new view, then their painting.
    auto start = std::chrono::steady_clock::now();
    view.Draw(list);
    draw_times.push_back(bench::Seconds(start) * 1000);
    paint(list);
    paint_times.push_back(bench::Seconds(start) * 1000);
    commands = std::max(commands, list.commands.size());
  }
  bench::PrintTimes("redraw", draw_times);
  bench::PrintTimes("redraw_paint", paint_times);
  std::printf("redraw_max_commands=%zu\n", commands);
  bench::PrintPeakRss();
  return 0;
}
