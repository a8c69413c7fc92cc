// mirvex-window: the main window as a program of its own, so that the command line
// (`mirvex`) runs without Qt. `mirvex` without a command starts this program.
#include "base/platform.h"
#include "ui/qt/main_window_qt.h"

int main(int argc, char** argv) {
  mirvex::RemoveTempFilesOnInterrupt();
  return mirvex::ui::qt::RunMainWindow(argc, argv);
}
