// The Win32 main window's object window: a tool window beside the main one, bound to
// the model's object window, that stores its record as it closes (Esc: nothing stored).
#include "ui/win32/main_window_win32.h"

#include <string>

#include "base/files.h"
#include "base/platform.h"
#include "ui/win32/main_window_win32_parts.h"
#include "ui/window_place.h"
#include "ui/window_texts.h"

namespace mirvex::ui::win32 {

// The object window: a tool window of its own that does not block this one. Closing it
// stores the record (unless its type is refused: then it stays open); Esc closes it
// without storing.
void Win32MainWindow::ShowObjectWindow(ObjectWindow& object_window) {
  CloseObjectWindow(ObjectWindowClose::kStore);
  object_binder_ = std::make_unique<Binder>([this](const std::string& message) { ShowInformation(host_, message); });
  RECT frame{0, 0, X(230), Y(62)};
  AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW);
  ScreenRect place = BesideThisWindow(frame.right - frame.left, frame.bottom - frame.top);
  object_window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, kObjectClass,
                                   WideText(object_window.controls().object_window.text()).c_str(),
                                   WS_CAPTION | WS_SYSMENU | WS_POPUP, place.left, place.top, place.width, place.height,
                                   hwnd_, nullptr, GetModuleHandleW(nullptr), this);
  auto add = [&](const wchar_t* window_class, DWORD style, Box box, const UiControl* control, DWORD ex_style) {
    int id = control ? ControlId(control->name()) : 0;
    HWND child = CreateWindowExW(ex_style, window_class, L"", WS_CHILD | WS_VISIBLE | style, X(box.x), Y(box.y),
                                 X(box.width), Y(box.height), object_window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // A box takes no more than its record field holds, so nothing is cut when stored.
    if (int length = control ? object_window.MaxLength(*control) : 0) SendMessageW(child, EM_LIMITTEXT, length, 0);
    return child;
  };
  for (int row = 0; row < 3; ++row) {
    HWND label = add(L"STATIC", SS_LEFT, {6, 8 + row * 18, 56, 9}, nullptr, 0);
    SetWindowTextW(label, Wide(kObjectWindowCaptions[row]).c_str());
  }
  object_binder_->BindEdit(add(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, {64, 6, 160, 12},
                               &object_window.controls().object_name, WS_EX_CLIENTEDGE),
                           object_window.controls().object_name);
  object_binder_->BindCombo(add(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, {64, 24, 160, 80},
                                &object_window.controls().object_region, 0),
                            object_window.controls().object_region);
  object_binder_->BindEdit(add(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, {64, 42, 160, 12},
                               &object_window.controls().object_type, WS_EX_CLIENTEDGE),
                           object_window.controls().object_type);
  ShowWindow(object_window_, SW_SHOWNORMAL);
}

ScreenRect Win32MainWindow::BesideThisWindow(int width, int height) const {
  RECT owner{};
  GetWindowRect(hwnd_, &owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  // Outer rectangles throughout: the frames are part of the sizes given.
  return PlaceBeside(width, height, {owner.left, owner.top, owner.right - owner.left, owner.bottom - owner.top},
                     FrameMargins{}, {work.left, work.top, work.right - work.left, work.bottom - work.top});
}

void Win32MainWindow::CloseObjectWindow(ObjectWindowClose how) {
  if (!object_window_) return;
  if (how == ObjectWindowClose::kAsk && !model_->OnObjectWindowClosing()) return;
  // The window and its bindings go before the model's window, so no message of the
  // store reaches controls that no longer exist.
  HWND closing = object_window_;
  object_window_ = nullptr;
  DestroyWindow(closing);
  object_binder_.reset();
  if (how == ObjectWindowClose::kCancel) {
    model_->OnObjectWindowCancelled();
  } else {
    model_->OnObjectWindowClosed();
  }
}

LRESULT CALLBACK Win32MainWindow::ObjectWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && hwnd == self->object_window_ && self->object_binder_) {
    if (message == WM_COMMAND && lparam &&
        self->object_binder_->OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam))) {
      return 0;
    }
    // Esc, through the dialog keys: the window goes without storing.
    if (message == WM_COMMAND && !lparam && LOWORD(wparam) == IDCANCEL) {
      self->CloseObjectWindow(ObjectWindowClose::kCancel);
      return 0;
    }
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
      if (HBRUSH brush = self->object_binder_->EditColours(reinterpret_cast<HWND>(lparam),
                                                           reinterpret_cast<HDC>(wparam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
    }
    if (message == WM_CLOSE) {
      self->CloseObjectWindow(ObjectWindowClose::kAsk);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace mirvex::ui::win32
