// mirvex-window.exe: the main window as a native Windows program. `mirvex.exe` without
// a command starts it.
#include <windows.h>

#include "base/platform.h"
#include "ui/win32/main_window_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  mirvex::RemoveTempFilesOnInterrupt();
  return mirvex::ui::win32::RunMainWindow();
}
