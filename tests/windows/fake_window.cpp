// A stand-in for mirvex-window.exe in the tests: says how it was started (its own
// command line, as UTF-8 on standard error) and ends with status 7.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  const wchar_t* command_line = GetCommandLineW();
  int n = WideCharToMultiByte(CP_UTF8, 0, command_line, -1, nullptr, 0, nullptr, nullptr);
  std::string text(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, command_line, -1, text.data(), n, nullptr, nullptr);
  std::fprintf(stderr, "window started as %s\n", text.c_str());
  return 7;
}
