// mirvex-window: the main window as a program of its own, so that the command line
// (`mirvex`) runs without Qt. `mirvex` without a command starts this program.
#include "base/platform.h"
#include <cstring>

#include "ui/qt/main_window_qt.h"
#include "ui/qt/map_painter.h"

int main(int argc, char** argv) {
  mirvex::RemoveTempFilesOnInterrupt();
  // --draw renders a map to a picture without showing a window.
  if (argc > 1 && std::strcmp(argv[1], "--draw") == 0) return mirvex::ui::qt::RunDraw(argc - 1, argv + 1);
  return mirvex::ui::qt::RunMainWindow(argc, argv);
}
