// mirvex-window: the main window as a program of its own, so that the command line
// (`mirvex`) runs without Qt. `mirvex` without a command starts this program.
#include <cstdio>

#include "base/platform.h"
#include "base/window_start.h"
#include "ui/qt/main_window_qt.h"
#include "ui/qt/map_painter.h"

int main(int argc, char** argv) {
  using namespace mirvex;
  RemoveTempFilesOnInterrupt();
  std::vector<ProgramArgument> arguments = ProgramArguments(argc, argv);
  switch (WindowStartFor(arguments.size(), arguments.empty() ? "" : arguments[0].text, /*draws=*/true)) {
    case WindowStart::kWindow:
      return ui::qt::RunMainWindow(argc, argv);
    case WindowStart::kDraw:
      // --draw renders a map to a picture without showing a window.
      return ui::qt::RunDraw(argc - 1, argv + 1);
    case WindowStart::kHelp:
      WriteUtf8(stdout, WindowUsage(/*draws=*/true));
      return 0;
    case WindowStart::kUnknown:
      break;
  }
  WriteUtf8(stderr, UnknownWindowArgument(arguments[0].typed, /*draws=*/true));
  return kWindowUsageError;
}
