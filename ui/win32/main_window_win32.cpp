// The Win32 main window: its window classes, its construction around the headless
// model, the window procedure that passes the controls' messages to their bindings, the
// splitter's mouse, and the program's message loop.
#include "ui/win32/main_window_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "base/files.h"
#include "base/program_folder.h"
#include "ui/win32/main_window_win32_parts.h"
#include "ui/win32/win32_host.h"
#include "ui/win32/win32_metrics.h"

namespace mirvex::ui::win32 {

namespace {

// Containers pass their children's notifications to the top-level window, which holds
// the bindings.
// A box with a vertical scroll bar of its own (the left column's viewport) moves its
// one child, the column, up and down.
void ScrollBox(HWND hwnd, int code) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  GetScrollInfo(hwnd, SB_VERT, &info);
  int line = 20;
  int position = info.nPos;
  switch (code) {
    case SB_LINEUP: position -= line; break;
    case SB_LINEDOWN: position += line; break;
    case SB_PAGEUP: position -= static_cast<int>(info.nPage); break;
    case SB_PAGEDOWN: position += static_cast<int>(info.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = info.nMin; break;
    case SB_BOTTOM: position = info.nMax; break;
    default: break;
  }
  position = std::clamp(position, 0, std::max(0, info.nMax - static_cast<int>(info.nPage) + 1));
  SetScrollPos(hwnd, SB_VERT, position, TRUE);
  HWND column = GetWindow(hwnd, GW_CHILD);
  SetWindowPos(column, nullptr, 0, -position, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK BoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_VSCROLL:
      if (lparam == 0) {
        ScrollBox(hwnd, LOWORD(wparam));
        return 0;
      }
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wparam, lparam);
    case WM_MOUSEWHEEL:
      if (GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL) {
        ScrollBox(hwnd, GET_WHEEL_DELTA_WPARAM(wparam) > 0 ? SB_LINEUP : SB_LINEDOWN);
        return 0;
      }
      return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wparam, lparam);
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

void RegisterContainerClass() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  INITCOMMONCONTROLSEX common{sizeof(common), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                                  ICC_LINK_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window{};
  window.cbSize = sizeof(window);
  window.hInstance = instance;
  window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);

  window.lpfnWndProc = BoxProc;
  window.lpszClassName = kBoxClass;
  RegisterClassExW(&window);

}

}  // namespace

Win32MainWindow::Win32MainWindow(WindowHost& host, std::string program_folder)
    : host_(host),
      model_(std::make_unique<MainWindow>(host, std::move(program_folder))),
      binder_([this](const std::string& message) { ShowInformation(host_, message); }) {
  RegisterContainerClass();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  static bool own_classes_registered = false;
  if (!own_classes_registered) {
    own_classes_registered = true;
    WNDCLASSEXW window{};
    window.cbSize = sizeof(window);
    window.hInstance = instance;
    window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window.hIcon = LoadIconW(instance, L"MIRVEX");
    window.hIconSm = window.hIcon;
    window.lpfnWndProc = WindowProc;
    window.lpszClassName = kMainClass;
    RegisterClassExW(&window);
    window.lpfnWndProc = ObjectWindowProc;
    window.lpszClassName = kObjectClass;
    RegisterClassExW(&window);
    window.hIcon = window.hIconSm = nullptr;
    window.hCursor = LoadCursorW(nullptr, IDC_SIZEWE);
    window.lpfnWndProc = SplitterProc;
    window.lpszClassName = kSplitterClass;
    RegisterClassExW(&window);
  }
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, WideText(model_->controls().main_window.text()).c_str(),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr,
                          nullptr, instance, this);
  dpi_ = WindowDpi(hwnd_);
  // The left column scrolls in its viewport when the window is too short for it.
  left_scroll_ = Child(hwnd_, kBoxClass, WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL, {0, 0, 0, 0}, nullptr,
                       WS_EX_CONTROLPARENT);
  left_column_ = Container(left_scroll_, {0, 0, kLeftColumnUnits, 0});
  BuildWelcome();
  BuildConversion();
  BuildCrop();
  BuildTestMap();
  BuildOperations();
  BuildObjects();
  ApplyDpi(dpi_);
  model_->Load();
  RestorePlace();
}

Win32MainWindow::~Win32MainWindow() {
  // An open object window stores its record as it closes, while the model still exists.
  CloseObjectWindow(ObjectWindowClose::kStore);
  map_window_.reset();
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (HFONT font : {font_, title_font_, fixed_font_}) {
    if (font) DeleteObject(font);
  }
}

HWND Win32MainWindow::widget(const UiControl& control) const {
  if (HWND found = binder_.Find(control)) return found;
  if (HWND found = object_binder_ ? object_binder_->Find(control) : nullptr) return found;
  return map_window_ ? map_window_->widget(control) : nullptr;
}

// The thin bar between the two lists captures the mouse while dragged and reports
// positions in its own coordinates, as the model expects.
LRESULT CALLBACK Win32MainWindow::SplitterProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      if (self) self->model_->OnSplitterPressed(GET_X_LPARAM(lparam) * self->twips_per_pixel());
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd && self) self->model_->OnSplitterMoved(GET_X_LPARAM(lparam) * self->twips_per_pixel());
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) {
        ReleaseCapture();
        if (self) self->model_->OnSplitterReleased();
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      RECT area;
      GetClientRect(hwnd, &area);
      DrawEdge(dc, &area, EDGE_RAISED, BF_LEFT | BF_RIGHT);
      EndPaint(hwnd, &paint);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (lparam && binder_.OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam))) return 0;
      // Esc, through the dialog keys, asks a running operation to stop.
      if (LOWORD(wparam) == IDCANCEL) {
        model_->OnCancelClicked();
        return 0;
      }
      // Enter presses the focused button (this window has no default button).
      if (LOWORD(wparam) == IDOK) {
        HWND focus = GetFocus();
        wchar_t class_name[16] = {};
        if (focus) GetClassNameW(focus, class_name, 16);
        LONG type = focus ? GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK : -1;
        if (lstrcmpiW(class_name, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
          SendMessageW(focus, BM_CLICK, 0, 0);
        }
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->hwndFrom == binder_.Find(controls().help_link) &&
          (header->code == NM_CLICK || header->code == NM_RETURN)) {
        model_->OnHelpClicked();
        return 0;
      }
      break;
    }
    case WM_HSCROLL:
      if (lparam && binder_.OnTrackbarScroll(reinterpret_cast<HWND>(lparam), LOWORD(wparam))) return 0;
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = binder_.EditColours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      // Never narrower than the left column and a usable strip of the lists; a window
      // shorter than the column scrolls it.
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      RECT frame{0, 0, LeftColumnWidth() + GetSystemMetrics(SM_CXVSCROLL) + Pixels(MinimumListsAreaWidth()) + X(12),
                 Y(160)};
      AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
      limits->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
      return 0;
    }
    case WM_DPICHANGED: {
      ApplyDpi(HIWORD(wparam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // The operation in progress owns the files it writes: closing asks whether to
      // stop it, and the program ends once it has stopped cleanly.
      if (model_->operation_running()) {
        model_->OnExitClicked();
        return 0;
      }
      CloseObjectWindow(ObjectWindowClose::kStore);
      if (map_window_) map_window_->Close();
      SavePlace();
      DestroyWindow(hwnd_);
      return 0;
    case kEscapeMessage:
      // Esc stops a run wherever the focus is; otherwise the key goes on to the control.
      if (!model_->operation_running()) return 0;
      model_->OnCancelClicked();
      return 1;
    case kRunSoonMessage:
      if (auto* win32_host = dynamic_cast<Win32Host*>(&host_)) win32_host->RunQueued();
      return 0;
    case WM_DESTROY:
      // The tasks still waiting belonged to this window.
      if (auto* win32_host = dynamic_cast<Win32Host*>(&host_)) win32_host->set_owner(nullptr);
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

int RunMainWindow() {
  Win32Host host;
  bool name_fits = true;
  std::string folder = ProgramFolder(&name_fits);
  Win32MainWindow window(host, folder);
  host.set_owner(window.hwnd());
  window.Show();
  if (!name_fits) ShowInformation(host, ProgramFolderNameMessage(folder));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (EscapeTakenBy(window.hwnd(), message)) continue;
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace mirvex::ui::win32
