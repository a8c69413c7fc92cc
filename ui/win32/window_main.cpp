// mirvex-window.exe: the main window as a native Windows program. `mirvex.exe` without
// a command starts it.
#include <windows.h>

#include <string>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/window_start.h"
#include "ui/win32/main_window_win32.h"

namespace {

// A GUI program has no console of its own: the usage goes to the standard stream it
// was given (a pipe, a file), else to the console of the program that started it (a
// command prompt), else into a message box (started from Explorer).
void ShowUsage(const std::string& utf8_text, bool error) {
  std::wstring wide = mirvex::WideText(mirvex::Utf8ToCp1251(utf8_text));
  DWORD mode = 0, written = 0;
  HANDLE given = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (given != nullptr && given != INVALID_HANDLE_VALUE) {
    if (GetConsoleMode(given, &mode)) {
      WriteConsoleW(given, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
      WriteFile(given, utf8_text.data(), static_cast<DWORD>(utf8_text.size()), &written, nullptr);
    }
    return;
  }
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
      WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      CloseHandle(console);
      return;
    }
  }
  MessageBoxW(nullptr, wide.c_str(), L"Mirvex", MB_OK | (error ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace mirvex;
  RemoveTempFilesOnInterrupt();
  std::vector<ProgramArgument> arguments = ProgramArguments(0, nullptr);
  // The Windows window draws no pictures: --draw is the Qt window's.
  switch (WindowStartFor(arguments.size(), arguments.empty() ? "" : arguments[0].text, /*draws=*/false)) {
    case WindowStart::kWindow:
      return ui::win32::RunMainWindow();
    case WindowStart::kHelp:
      ShowUsage(WindowUsage(/*draws=*/false), /*error=*/false);
      return 0;
    case WindowStart::kDraw:
    case WindowStart::kUnknown:
      break;
  }
  ShowUsage(UnknownWindowArgument(arguments[0].typed, /*draws=*/false), /*error=*/true);
  return kWindowUsageError;
}
