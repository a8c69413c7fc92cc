#include "ui/win32/win32_host.h"

#include <shellapi.h>

#include "base/platform.h"

namespace mirvex::ui::win32 {

Win32Host::~Win32Host() {
  if (column_font_) DeleteObject(column_font_);
}

void Win32Host::set_owner(HWND owner) {
  if (owner != owner_) {
    soon_.clear();
    soon_posted_ = false;
  }
  owner_ = owner;
}

void Win32Host::RunSoon(std::function<void()> task) {
  if (!owner_ || !IsWindow(owner_)) return;
  soon_.push_back(std::move(task));
  if (soon_posted_) return;
  soon_posted_ = PostMessageW(owner_, kRunSoonMessage, 0, 0) != 0;
}

// A task may pump messages (a map load lets the window repaint), so the queue is taken
// before the tasks run: a task queued meanwhile waits for its own message.
void Win32Host::RunQueued() {
  soon_posted_ = false;
  std::deque<std::function<void()>> tasks;
  tasks.swap(soon_);
  HWND owner = owner_;
  for (auto& task : tasks) {
    // The window closed by an earlier task takes the rest with it.
    if (owner_ != owner || !IsWindow(owner)) return;
    task();
  }
}

void Win32Host::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  UINT style = icon == MessageIcon::kExclamation   ? MB_ICONWARNING
               : icon == MessageIcon::kCritical    ? MB_ICONERROR
               : icon == MessageIcon::kInformation ? MB_ICONINFORMATION
                                                   : 0;
  MessageBoxW(owner_, WideText(text).c_str(), WideText(title).c_str(), MB_OK | style);
}

void Win32Host::Beep() { MessageBeep(MB_OK); }

void Win32Host::ProcessEvents() { PumpMessages(owner_); }

bool Win32Host::OpenDocument(const std::string& path) {
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner_, L"open", NativePath(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

// Closing the window asks the same questions as a close by its title bar.
void Win32Host::Quit() {
  if (owner_) PostMessageW(owner_, WM_CLOSE, 0, 0);
  else PostQuitMessage(0);
}

bool Win32Host::Confirm(const std::string& text, const std::string& title) {
  return MessageBoxW(owner_, WideText(text).c_str(), WideText(title).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// The column view pads its cells with blanks of 45 twips each, so widths are given in
// that unit of the view's fixed-width font: then the padded columns line up.
int Win32Host::TextWidth(const std::string& text) {
  // The view's fixed-width face; the ratio to its blank does not depend on the size.
  if (!column_font_) {
    column_font_ = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
  }
  HDC dc = GetDC(owner_);
  HGDIOBJ old = SelectObject(dc, column_font_);
  std::wstring wide = WideText(text);
  SIZE size{}, blank{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  GetTextExtentPoint32W(dc, L" ", 1, &blank);
  SelectObject(dc, old);
  ReleaseDC(owner_, dc);
  return blank.cx > 0 ? static_cast<int>(size.cx * 45.0 / blank.cx + 0.5) : static_cast<int>(text.size()) * 45;
}

bool EscapeTakenBy(HWND owner, const MSG& message) {
  if ((message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) || message.wParam != VK_ESCAPE) {
    return false;
  }
  if (!owner || !IsWindow(owner)) return false;
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && root != owner) return false;
  return SendMessageW(owner, kEscapeMessage, 0, 0) != 0;
}

bool PumpMessages(HWND dialog) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    if (EscapeTakenBy(dialog, message)) continue;
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &message)) continue;
    if (dialog && !root && IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

}  // namespace mirvex::ui::win32
