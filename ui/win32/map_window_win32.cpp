#include "ui/win32/map_window_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/cp1251.h"
#include "base/platform.h"
#include "ui/main_window.h"
#include "ui/win32/gdi_map_painter.h"
#include "ui/window_place.h"

namespace mirvex::ui::win32 {

namespace {

constexpr wchar_t kMapClass[] = L"MirvexMapWindow";
constexpr wchar_t kCanvasClass[] = L"MirvexMapCanvas";
constexpr wchar_t kLegendClass[] = L"MirvexMapLegend";

// The window opens this size at 96 DPI, scaled with the DPI.
constexpr int kOpenWidth = 900;
constexpr int kOpenHeight = 650;

// The toolbar's buttons, left to right, and what each does.
constexpr std::pair<UiControl MapWindowControls::*, void (MapWindow::*)()> kToolbar[] = {
    {&MapWindowControls::map_fit_button, &MapWindow::OnFitClicked},
    {&MapWindowControls::map_switch_button, &MapWindow::OnSwitchClicked},
    {&MapWindowControls::map_reload_button, &MapWindow::OnReloadClicked},
    {&MapWindowControls::map_stop_button, &MapWindow::OnStopClicked},
};

const wchar_t* CursorFor(MapCursor cursor) {
  switch (cursor) {
    case MapCursor::kArrow: return IDC_ARROW;
    case MapCursor::kCross: return IDC_CROSS;
    case MapCursor::kMove: return IDC_SIZEALL;
    case MapCursor::kSizeWestEast: return IDC_SIZEWE;
    case MapCursor::kSizeNorthSouth: return IDC_SIZENS;
    case MapCursor::kSizeNwSe: return IDC_SIZENWSE;
    case MapCursor::kSizeNeSw: return IDC_SIZENESW;
    // Windows has no hand that grips: the pointing hand stands for both.
    case MapCursor::kOpenHand:
    case MapCursor::kClosedHand: return IDC_HAND;
  }
  return IDC_ARROW;
}

}  // namespace

Win32MapWindow::Win32MapWindow(MapWindow& model, WindowHost& host, HWND owner)
    : model_(model), host_(host), owner_(owner), binder_([this](const std::string& message) {
        ShowInformation(host_, message);
      }) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  static bool registered = false;
  if (!registered) {
    registered = true;
    WNDCLASSEXW window{};
    window.cbSize = sizeof(window);
    window.hInstance = instance;
    window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window.hIcon = LoadIconW(instance, L"MIRVEX");
    window.hIconSm = window.hIcon;
    window.lpfnWndProc = WindowProc;
    window.lpszClassName = kMapClass;
    RegisterClassExW(&window);
    // The canvas paints every pixel itself (no background brush) and sets its cursor.
    window.hIcon = window.hIconSm = nullptr;
    window.hCursor = nullptr;
    window.hbrBackground = nullptr;
    window.lpfnWndProc = CanvasProc;
    window.lpszClassName = kCanvasClass;
    RegisterClassExW(&window);
    // The legend paints all of itself too, and all of it again when its size changes
    // (its frame follows the edges).
    window.style = CS_HREDRAW | CS_VREDRAW;
    window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window.lpfnWndProc = LegendProc;
    window.lpszClassName = kLegendClass;
    RegisterClassExW(&window);
  }
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMapClass, WideText(model_.controls().map_window.text()).c_str(),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, kOpenWidth, kOpenHeight,
                          owner, nullptr, instance, this);
  model_.controls().map_window.Subscribe([this](UiControl& c, Change change) {
    if (change == Change::kText && hwnd_) SetWindowTextW(hwnd_, WideText(c.text()).c_str());
  });

  for (const auto& [member, handler] : kToolbar) {
    UiControl& control = model_.controls().*member;
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, control.name().c_str());
    binder_.BindButton(button, control, [this, handler = handler] { (model_.*handler)(); });
    // A button that appears or changes its caption moves the ones after it.
    control.Subscribe([this](UiControl&, Change change) {
      if (change == Change::kVisible || change == Change::kText) Layout();
    });
  }
  binder_.BindProgress(Child(PROGRESS_CLASSW, 0, model_.controls().map_progress.name().c_str()),
                       model_.controls().map_progress);
  canvas_ =
      Child(kCanvasClass, WS_CLIPSIBLINGS | WS_TABSTOP, model_.controls().map_canvas.name().c_str(), WS_EX_CLIENTEDGE);
  SetWindowLongPtrW(canvas_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  model_.controls().map_canvas.Subscribe([this](UiControl&, Change change) {
    if (change == Change::kValue && canvas_) InvalidateRect(canvas_, nullptr, FALSE);
  });
  legend_ = Child(kLegendClass, WS_CLIPSIBLINGS, "map_legend");
  SetWindowLongPtrW(legend_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // While a map loads the canvas shows the status.
  model_.controls().map_status.Subscribe([this](UiControl&, Change change) {
    if (change == Change::kText && canvas_ && (model_.loading() || model_.view().empty())) {
      InvalidateRect(canvas_, nullptr, FALSE);
    }
  });
  binder_.BindLabel(Child(L"STATIC", SS_LEFT | SS_NOPREFIX, model_.controls().map_status.name().c_str()),
                    model_.controls().map_status);
  binder_.BindLabel(Child(L"STATIC", SS_RIGHT | SS_NOPREFIX, model_.controls().map_position.name().c_str()),
                    model_.controls().map_position);
  model_.controls().map_position.Subscribe([this](UiControl& c, Change change) {
    if (change == Change::kText && TextWidth(c.text()) + units_.X(6) > position_width_) Layout();
  });

  // The tooltip follows the mouse over the canvas and shows the object under it.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance,
                             nullptr);
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(canvas_);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));

  ApplyDpi(WindowDpi(hwnd_));
}

Win32MapWindow::~Win32MapWindow() {
  if (hwnd_) {
    Close();
    HWND closing = hwnd_;
    hwnd_ = nullptr;
    canvas_ = nullptr;
    legend_ = nullptr;
    DestroyWindow(closing);
  }
  if (buffer_dc_) {
    SelectObject(buffer_dc_, buffer_old_);
    DeleteDC(buffer_dc_);
  }
  if (buffer_) DeleteObject(buffer_);
  if (font_) DeleteObject(font_);
}

HWND Win32MapWindow::Child(const wchar_t* window_class, DWORD style, const char* name, DWORD ex_style) {
  return CreateWindowExW(ex_style, window_class, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(name))), GetModuleHandleW(nullptr),
                         nullptr);
}

void Win32MapWindow::Show() {
  if (!hwnd_) return;
  if (!placed_) {
    placed_ = true;
    // Beside the main window, within the screen's work area; later openings keep the
    // place the window was closed at.
    RECT owner{};
    GetWindowRect(owner_, &owner);
    int width = MulDiv(kOpenWidth, static_cast<int>(dpi_), 96);
    int height = MulDiv(kOpenHeight, static_cast<int>(dpi_), 96);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    // Outer rectangles throughout: the frame is part of the size given.
    ScreenRect place = PlaceBeside(width, height, {owner.left, owner.top, owner.right - owner.left, owner.bottom - owner.top},
                                   FrameMargins{}, {work.left, work.top, work.right - work.left, work.bottom - work.top});
    SetWindowPos(hwnd_, nullptr, place.left, place.top, place.width, place.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOWNORMAL);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(hwnd_);
  SetFocus(canvas_);
  Layout();
}

void Win32MapWindow::Close() {
  HideTooltip();
  if (pressed_) {
    pressed_ = false;
    ReleaseCapture();
  }
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  if (model_.open()) model_.OnClosed();
}

COLORREF Win32MapWindow::PaintedPixel(int x, int y) const {
  if (!buffer_bits_ || x < 0 || y < 0 || x >= buffer_width_ || y >= buffer_height_) return RGB(0, 0, 0);
  std::uint32_t pixel = buffer_bits_[static_cast<std::size_t>(y) * buffer_width_ + x];
  return RGB((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff);
}

void Win32MapWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  LOGFONTW message_font = MessageFont(dpi);
  if (font_) DeleteObject(font_);
  font_ = CreateFontIndirectW(&message_font);
  units_ = MeasureDialogUnits(hwnd_, font_);
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, units_.X(240));
  HDC dc = GetDC(hwnd_);
  legend_height_ = LegendHeight(dc, font_, dpi_);
  HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  // Labels are placed where their text has room in this font.
  const std::string& sample = mapview::MapView::TypicalLabel();
  model_.view().SetLabelFont(static_cast<float>(TextWidth(sample)) / static_cast<float>(sample.size()),
                             static_cast<float>(metrics.tmHeight));
  // Each label measured in the font the canvas draws it with (an average letter
  // underrates wide words, and their labels overlapped).
  model_.view().SetLabelMeasure([this](std::string_view text) { return static_cast<float>(TextWidth(std::string(text))); });
  Layout();
  if (canvas_) InvalidateRect(canvas_, nullptr, FALSE);
  if (legend_) InvalidateRect(legend_, nullptr, FALSE);
}

int Win32MapWindow::TextWidth(const std::string& cp1251) const {
  std::wstring text = WideText(cp1251);
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, font_);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  return size.cx;
}

// The toolbar's shown buttons stand side by side, each as wide as its caption, the
// progress bar after them; the canvas fills the middle, the legend as wide as the
// canvas stands under it, the status takes three lines under that with the place under
// the mouse at its right. A short window takes its height from the canvas alone.
void Win32MapWindow::Layout() {
  if (!hwnd_ || !canvas_) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  int margin = units_.X(4);
  int row = units_.Y(14);
  int x = margin, y = units_.Y(4);
  for (const auto& [member, handler] : kToolbar) {
    const UiControl& control = model_.controls().*member;
    if (!control.visible()) continue;
    int width = std::max(TextWidth(control.text()) + units_.X(14), units_.X(50));
    MoveWindow(binder_.Find(control), x, y, width, row, TRUE);
    x += width + units_.X(3);
  }
  int bar_left = x + units_.X(4);
  int bar_width = std::clamp(static_cast<int>(client.right) - margin - bar_left, 0, units_.X(160));
  MoveWindow(binder_.Find(model_.controls().map_progress), bar_left, y + units_.Y(2), bar_width, row - units_.Y(4),
             TRUE);

  int status_height = units_.Y(24);
  int canvas_top = y + row + units_.Y(4);
  int legend_gap = units_.Y(2);
  int canvas_bottom = std::max(canvas_top + 1, static_cast<int>(client.bottom) - status_height - units_.Y(6) -
                                                   legend_height_ - legend_gap);
  int canvas_width = std::max(1, static_cast<int>(client.right) - 2 * margin);
  MoveWindow(canvas_, margin, canvas_top, canvas_width, canvas_bottom - canvas_top, TRUE);
  int legend_top = canvas_bottom + legend_gap;
  if (legend_) MoveWindow(legend_, margin, legend_top, canvas_width, legend_height_, TRUE);
  // The place under the mouse takes the width its longest text needs, so no digit
  // is cut.
  int position_width = std::max({units_.X(150), TextWidth(Ru("Широта -00.0000   Долгота -000.0000")) + units_.X(6),
                                 TextWidth(model_.controls().map_position.text()) + units_.X(6)});
  position_width_ = position_width;
  int status_top = legend_top + legend_height_ + units_.Y(3);
  int status_width = std::max(1, static_cast<int>(client.right) - 2 * margin - position_width - units_.X(6));
  MoveWindow(binder_.Find(model_.controls().map_status), margin, status_top, status_width, status_height, TRUE);
  MoveWindow(binder_.Find(model_.controls().map_position), static_cast<int>(client.right) - margin - position_width,
             status_top, position_width, units_.Y(10), TRUE);
}

// The map is drawn into the back buffer and copied to the screen in one piece: no
// flicker, and nothing erased first.
void Win32MapWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(canvas_, &paint);
  RECT client{};
  GetClientRect(canvas_, &client);
  int width = std::max(1, static_cast<int>(client.right)), height = std::max(1, static_cast<int>(client.bottom));
  if (!buffer_dc_ || width != buffer_width_ || height != buffer_height_) {
    if (!buffer_dc_) {
      buffer_dc_ = CreateCompatibleDC(dc);
    } else {
      SelectObject(buffer_dc_, buffer_old_);
      DeleteObject(buffer_);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    buffer_ = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    buffer_bits_ = static_cast<std::uint32_t*>(bits);
    buffer_old_ = SelectObject(buffer_dc_, buffer_);
    buffer_width_ = width;
    buffer_height_ = height;
  }
  RECT all{0, 0, width, height};
  FillRect(buffer_dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const mapview::DrawList& list = model_.Draw();
  if (!list.commands.empty()) {
    PaintDrawList(buffer_dc_, list, font_, width, height);
  } else if (model_.loading() || model_.view().empty()) {
    // Nothing to draw yet: what the window is doing, in the middle.
    std::wstring status = WideText(model_.controls().map_status.text());
    RECT text = all;
    InflateRect(&text, -units_.X(8), 0);
    HGDIOBJ old = SelectObject(buffer_dc_, font_);
    SetBkMode(buffer_dc_, TRANSPARENT);
    SetTextColor(buffer_dc_, GetSysColor(COLOR_GRAYTEXT));
    RECT measured = text;
    DrawTextW(buffer_dc_, status.c_str(), static_cast<int>(status.size()), &measured,
              DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    OffsetRect(&text, 0, std::max(0L, (height - (measured.bottom - measured.top)) / 2));
    DrawTextW(buffer_dc_, status.c_str(), static_cast<int>(status.size()), &text,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(buffer_dc_, old);
  }
  GdiFlush();
  BitBlt(dc, 0, 0, width, height, buffer_dc_, 0, 0, SRCCOPY);
  EndPaint(canvas_, &paint);
}

void Win32MapWindow::PaintLegendBand(HDC dc) {
  RECT band{};
  GetClientRect(legend_, &band);
  PaintLegend(dc, band, font_, dpi_);
}

void Win32MapWindow::Press(LPARAM lparam, MouseButton button) {
  SetFocus(canvas_);
  HideTooltip();
  if (pressed_) return;  // a second button during a drag changes nothing
  pressed_ = true;
  pressed_button_ = button;
  SetFocus(canvas_);  // the keys then move and zoom the map
  SetCapture(canvas_);
  int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
  model_.OnMousePressed(x, y, button);
  UpdateCursor(x, y);
}

void Win32MapWindow::Release(LPARAM lparam, MouseButton button) {
  if (!pressed_ || button != pressed_button_) return;
  pressed_ = false;
  ReleaseCapture();
  int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
  model_.OnMouseReleased(x, y);
  UpdateCursor(x, y);
}

void Win32MapWindow::UpdateCursor(int x, int y) { SetCursor(LoadCursorW(nullptr, CursorFor(model_.CursorAt(x, y)))); }

void Win32MapWindow::UpdateTooltip(int x, int y) {
  std::wstring text = WideText(model_.TooltipAt(x, y));
  if (text.empty()) {
    HideTooltip();
    return;
  }
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(canvas_);
  if (text != tooltip_text_) {
    tooltip_text_ = text;
    tool.lpszText = tooltip_text_.data();
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  POINT at{x, y};
  ClientToScreen(canvas_, &at);
  SendMessageW(tooltip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x + units_.X(4), at.y + units_.Y(12)));
  SendMessageW(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void Win32MapWindow::HideTooltip() {
  if (!tooltip_ || tooltip_text_.empty()) return;
  tooltip_text_.clear();
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(canvas_);
  SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK Win32MapWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MapWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT CALLBACK Win32MapWindow::CanvasProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Win32MapWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->canvas_ != hwnd) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->HandleCanvas(message, wparam, lparam);
}

// The legend is painted into a bitmap and copied to the screen in one piece, as the
// canvas is.
LRESULT CALLBACK Win32MapWindow::LegendProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Win32MapWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->legend_ != hwnd) return DefWindowProcW(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      RECT band{};
      GetClientRect(hwnd, &band);
      HDC buffer = CreateCompatibleDC(dc);
      HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max(1L, band.right), std::max(1L, band.bottom));
      HGDIOBJ old = SelectObject(buffer, bitmap);
      self->PaintLegendBand(buffer);
      BitBlt(dc, 0, 0, band.right, band.bottom, buffer, 0, 0, SRCCOPY);
      SelectObject(buffer, old);
      DeleteObject(bitmap);
      DeleteDC(buffer);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      self->PaintLegendBand(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

LRESULT Win32MapWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (lparam && binder_.OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam))) return 0;
      // Esc, through the dialog keys, stops a load.
      if (LOWORD(wparam) == IDCANCEL) {
        model_.OnStopClicked();
        return 0;
      }
      break;
    case WM_MOUSEWHEEL: {
      // The wheel turned over the canvas zooms it, whichever control has the focus.
      POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      RECT canvas{};
      GetWindowRect(canvas_, &canvas);
      if (PtInRect(&canvas, at)) return SendMessageW(canvas_, message, wparam, lparam);
      return 0;
    }
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      // The canvas keeps room for a usable map beside the toolbar, the legend and the status.
      RECT frame{0, 0, units_.X(300), units_.Y(180) + legend_height_};
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
      // The window is hidden, not destroyed: its controls stay bound for the next open.
      Close();
      return 0;
    case WM_DESTROY:
      // Destroyed with its owner: the model lets the map go.
      if (model_.open()) model_.OnClosed();
      hwnd_ = nullptr;
      canvas_ = nullptr;
      tooltip_ = nullptr;
      legend_ = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT Win32MapWindow::HandleCanvas(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_GETDLGCODE:
      // The arrows and "+"/"-" move and zoom the map; Tab still leaves the canvas.
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: {
      using Key = MapWindow::MapKey;
      std::optional<Key> key;
      switch (wparam) {
        case VK_ADD: case VK_OEM_PLUS: key = Key::kZoomIn; break;
        case VK_SUBTRACT: case VK_OEM_MINUS: key = Key::kZoomOut; break;
        case VK_LEFT: key = Key::kLeft; break;
        case VK_RIGHT: key = Key::kRight; break;
        case VK_UP: key = Key::kUp; break;
        case VK_DOWN: key = Key::kDown; break;
        default: break;
      }
      if (key && model_.OnKey(*key)) return 0;
      break;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      model_.OnCanvasResized(LOWORD(lparam), HIWORD(lparam));
      InvalidateRect(canvas_, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
      Press(lparam, MouseButton::kLeft);
      return 0;
    case WM_RBUTTONDOWN:
      Press(lparam, MouseButton::kRight);
      return 0;
    case WM_MBUTTONDOWN:
      Press(lparam, MouseButton::kMiddle);
      return 0;
    case WM_LBUTTONUP:
      Release(lparam, MouseButton::kLeft);
      return 0;
    case WM_RBUTTONUP:
      Release(lparam, MouseButton::kRight);
      return 0;
    case WM_MBUTTONUP:
      Release(lparam, MouseButton::kMiddle);
      return 0;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-drag (another window, a message box): the drag ends
      // where the mouse was last seen.
      if (pressed_ && reinterpret_cast<HWND>(lparam) != canvas_) {
        pressed_ = false;
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(canvas_, &at);
        model_.OnMouseReleased(at.x, at.y);
      }
      return 0;
    case WM_MOUSEMOVE: {
      int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
      if (!tracking_leave_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, canvas_, 0};
        tracking_leave_ = TrackMouseEvent(&track) != 0;
      }
      model_.OnMouseMoved(x, y);
      if (pressed_) UpdateCursor(x, y);
      else UpdateTooltip(x, y);
      return 0;
    }
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      HideTooltip();
      return 0;
    case WM_MOUSEWHEEL: {
      POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ScreenToClient(canvas_, &at);
      HideTooltip();
      model_.OnWheel(at.x, at.y, GET_WHEEL_DELTA_WPARAM(wparam) / static_cast<double>(WHEEL_DELTA));
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT) {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(canvas_, &at);
        UpdateCursor(at.x, at.y);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(canvas_, message, wparam, lparam);
}

}  // namespace mirvex::ui::win32
