// Drives an installed Mirvex window from outside, as a user would: starts PROGRAM
// (mirvex.exe without a command, which starts mirvex-window.exe beside it), types the
// sample's paths into the conversion panel, presses "Конвертировать карту" twice,
// answers the completion message and closes the window.
// Usage: mirvex_win32_drive PROGRAM MIF MID RESULT   (exit 0 when the map was written)
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui/win32/win32_binding.h"

namespace {

HWND found_control = nullptr;

BOOL CALLBACK FindById(HWND child, LPARAM id) {
  if (GetDlgCtrlID(child) == static_cast<int>(id)) {
    found_control = child;
    return FALSE;
  }
  return TRUE;
}

HWND Control(HWND window, const char* name) {
  found_control = nullptr;
  EnumChildWindows(window, FindById, mirvex::ui::win32::ControlId(name));
  return found_control;
}

// The first visible top-level window of that class, waited for (the only Mirvex in a
// fresh Wine prefix: the window belongs to the program PROGRAM started).
struct Search {
  const wchar_t* window_class;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM search_address) {
  auto* search = reinterpret_cast<Search*>(search_address);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (IsWindowVisible(window) && lstrcmpW(name, search->window_class) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindow(const wchar_t* window_class, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    Search search{window_class, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  }
  return nullptr;
}

void TypeIntoCombo(HWND window, const char* name, const wchar_t* text) {
  HWND combo = Control(window, name);
  SendMessageW(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

int Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return Fail("usage: mirvex_win32_drive PROGRAM MIF MID RESULT");
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return Fail("the program could not be started");
  }
  HWND window = WaitForWindow(L"MirvexMainWindow", 60);
  if (!window) return Fail("the main window did not open");
  HWND convert = Control(window, "convert_button");
  if (!convert) return Fail("no button \"Конвертировать карту\"");
  SendMessageW(convert, BM_CLICK, 0, 0);
  TypeIntoCombo(window, "mif_path", argv[2]);
  TypeIntoCombo(window, "mid_path", argv[3]);
  TypeIntoCombo(window, "result_path", argv[4]);
  // The second press runs the conversion and ends with a message box, which waits for
  // an answer: the press is posted, the box awaited and answered.
  PostMessageW(convert, BM_CLICK, 0, 0);
  HWND box = WaitForWindow(L"#32770", 120);
  if (!box) return Fail("no message at the end of the conversion");
  wchar_t text[512] = {};
  HWND static_text = GetDlgItem(box, 0xFFFF);
  if (static_text) GetWindowTextW(static_text, text, 512);
  char utf8[2048] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
  std::fprintf(stderr, "message: %s\n", utf8);
  SendMessageW(box, WM_COMMAND, IDOK, 0);
  Sleep(200);
  SendMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) return Fail("the window did not close");
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  std::fprintf(stderr, "the program ended with status %lu\n", status);
  return GetFileAttributesW(argv[4]) == INVALID_FILE_ATTRIBUTES ? Fail("no result written") : 0;
}
