// A stand-in for mirvex-window.exe in the tests: says how it was started (its own
// command line, as UTF-8 on standard error) and ends with status 7; with
// MIRVEX_FAKE_WINDOW_FILE set it first writes that file and stays ten seconds, as a
// window the user keeps open.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  const wchar_t* command_line = GetCommandLineW();
  int n = WideCharToMultiByte(CP_UTF8, 0, command_line, -1, nullptr, 0, nullptr, nullptr);
  std::string text(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, command_line, -1, text.data(), n, nullptr, nullptr);
  std::fprintf(stderr, "window started as %s\n", text.c_str());
  if (const wchar_t* file = _wgetenv(L"MIRVEX_FAKE_WINDOW_FILE")) {
    // A window program has no console: it leaves the one it was given.
    FreeConsole();
    if (std::FILE* started = _wfopen(file, L"wb")) std::fclose(started);
    Sleep(10000);
  }
  return 7;
}
