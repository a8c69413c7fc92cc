// The Win32 main window's layout: fonts and dialog units for the window's DPI, the
// units widened until every caption fits, the left column, the lists' side and the
// progress row placed in the window, and the window's place restored and stored.
#include "ui/win32/main_window_win32.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "ui/win32/main_window_win32_parts.h"
#include "ui/win32/win32_metrics.h"
#include "ui/window_place.h"

namespace mirvex::ui::win32 {

namespace {

// The work areas of the monitors, the primary one first.
BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const RECT& work = info.rcWork;
  auto& list = *reinterpret_cast<std::vector<ScreenRect>*>(areas);
  ScreenRect area{work.left, work.top, work.right - work.left, work.bottom - work.top};
  if (info.dwFlags & MONITORINFOF_PRIMARY) list.insert(list.begin(), area);
  else list.push_back(area);
  return TRUE;
}

std::vector<ScreenRect> MonitorWorkAreas() {
  std::vector<ScreenRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

BOOL CALLBACK SetFontOf(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

int Win32MainWindow::X(int units) const { return MulDiv(units, unit_x_, 64); }
int Win32MainWindow::Y(int units) const { return MulDiv(units, unit_y_, 8); }

void Win32MainWindow::Place(HWND hwnd, Box box) {
  MoveWindow(hwnd, X(box.x), Y(box.y), X(box.width), Y(box.height), TRUE);
}

void Win32MainWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  LOGFONTW message_font = MessageFont(dpi);
  for (HFONT font : {font_, title_font_, fixed_font_}) {
    if (font) DeleteObject(font);
  }
  font_ = CreateFontIndirectW(&message_font);
  LOGFONTW title = message_font;
  title.lfHeight *= 2;
  title.lfWeight = FW_BOLD;
  title_font_ = CreateFontIndirectW(&title);
  LOGFONTW fixed = message_font;
  fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpyW(fixed.lfFaceName, L"Courier New");
  fixed_font_ = CreateFontIndirectW(&fixed);

  DialogUnits units = MeasureDialogUnits(hwnd_, font_);
  unit_x_ = units.x * 16;
  unit_y_ = units.y;

  EnumChildWindows(hwnd_, SetFontOf, reinterpret_cast<LPARAM>(font_));
  for (const auto& [child, box] : boxes_) {
    if (GetWindowLongPtrW(child, GWLP_USERDATA) == 1) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(title_font_), TRUE);
  }
  WidenForCaptions();
  for (const UiControl* text : {&controls().column_view, &controls().header_template}) {
    SendMessageW(binder_.Find(*text), WM_SETFONT, reinterpret_cast<WPARAM>(fixed_font_), TRUE);
  }
  for (const auto& [child, box] : boxes_) {
    if (box.width > 0 && box.height > 0) Place(child, box);
  }
  Layout();
}

// Dialog units come from the font's average character, which says little about the
// width of a given caption (Tahoma cut "Текстовый файл:" to "Текстовый"). Every
// one-line caption is measured in its own font; where one needs more room than its box
// gives, the horizontal unit grows until the widest fits, so the whole layout keeps
// its proportions.
void Win32MainWindow::WidenForCaptions() {
  HDC dc = GetDC(hwnd_);
  TEXTMETRICW metrics{};
  HGDIOBJ old = SelectObject(dc, font_);
  GetTextMetricsW(dc, &metrics);
  int average = std::max(1, static_cast<int>(metrics.tmAveCharWidth));
  double widest = 1.0;
  for (const auto& [child, box] : boxes_) {
    if (box.width <= 0) continue;
    int needed = CaptionWidth(dc, child, box.height);
    if (needed <= 0) continue;
    widest = std::max(widest, static_cast<double>(needed + average / 2) / X(box.width));
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  if (widest > 1.0) unit_x_ = static_cast<int>(unit_x_ * widest + 0.999);  // sixteenths: no coarse jump
}

// The width a control needs to show its caption whole, in pixels (the caption's
// extent in the control's font plus what the control draws beside it); 0 for a
// control without a one-line caption (boxes, lists, texts that wrap).
int Win32MainWindow::CaptionWidth(HDC dc, HWND control, int box_height) const {
  wchar_t class_name[16] = {};
  GetClassNameW(control, class_name, 16);
  bool is_static = lstrcmpiW(class_name, L"Static") == 0;
  bool is_button = lstrcmpiW(class_name, L"Button") == 0;
  if (!is_static && !is_button) return 0;
  LONG style = GetWindowLongW(control, GWL_STYLE);
  LONG type = style & BS_TYPEMASK;
  bool push = is_button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
  bool check = is_button && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX);
  bool frame = is_button && type == BS_GROUPBOX;
  // A label or check box two lines high wraps its caption.
  if ((is_static || check) && box_height >= 16) return 0;
  if (is_button && !push && !check && !frame) return 0;
  int length = GetWindowTextLengthW(control);
  if (length <= 0) return 0;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : static_cast<HGDIOBJ>(font_));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  int average = static_cast<int>(metrics.tmAveCharWidth);
  if (push) return extent.cx + 2 * average + 2 * GetSystemMetrics(SM_CXEDGE);
  if (check) return extent.cx + GetSystemMetrics(SM_CXMENUCHECK) + average;
  if (frame) return extent.cx + 3 * average;
  return extent.cx;
}

// The progress row: the bar, the text and "Отмена"; the text takes what it needs of
// the bar's width, so "карта 2 из 2: 100" shows whole.
void Win32MainWindow::LayoutProgress() {
  if (!progress_text_) return;
  HWND bar = binder_.Find(controls().progress_bar);
  HDC dc = GetDC(progress_text_);
  int needed = CaptionWidth(dc, progress_text_, 9);
  ReleaseDC(progress_text_, dc);
  int text_width = std::max(X(30), needed + X(2));
  int cancel_left = X(186);
  int text_left = std::max(X(40), cancel_left - X(4) - text_width);
  MoveWindow(bar, 0, Y(1), std::max(X(20), text_left - X(2)), Y(11), TRUE);
  MoveWindow(progress_text_, text_left, Y(2), cancel_left - X(4) - text_left, Y(9), TRUE);
  InvalidateRect(GetParent(bar), nullptr, TRUE);
}

int Win32MainWindow::LeftColumnWidth() const { return X(kLeftColumnUnits); }

// The sum of the two parts as each is rounded to pixels, so that the operations placed
// at the column's foot never cover the panel's last pixel row.
int Win32MainWindow::MinimumHeight() const { return Y(kTallestPanelUnits) + Y(kOperationsUnits); }

// The left column keeps its width and its panels their places; the operations stand at
// its foot. The lists' area takes the rest of the window.
void Win32MainWindow::Layout() {
  if (!hwnd_ || !objects_) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  int width = client.right;
  int height = std::max(static_cast<int>(client.bottom), 1);
  // The viewport keeps room for its scroll bar whether it shows or not, so that the
  // lists beside it never move.
  int left = LeftColumnWidth() + GetSystemMetrics(SM_CXVSCROLL);
  int column_height = std::max(height, MinimumHeight());
  MoveWindow(left_scroll_, 0, 0, left, height, TRUE);
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nMax = column_height - 1;
  info.nPage = static_cast<UINT>(height);
  SetScrollInfo(left_scroll_, SB_VERT, &info, TRUE);
  int position = std::min(GetScrollPos(left_scroll_, SB_VERT), column_height - height);
  SetScrollPos(left_scroll_, SB_VERT, position, TRUE);
  MoveWindow(left_column_, 0, -position, LeftColumnWidth(), column_height, TRUE);
  MoveWindow(operations_, 0, column_height - Y(kOperationsUnits), LeftColumnWidth(), Y(kOperationsUnits), TRUE);
  int right = std::max(width - left, X(120));
  MoveWindow(objects_, left, 0, right, height, TRUE);

  int gap = X(4);
  int inner = right - 2 * gap;
  int row = Y(15);
  int editing = 3 * row + 3 * Y(3);
  int flexible = std::max(height - 2 * Y(4) - row - Y(4) - editing - Y(6), Y(60));
  // The column view and its paging share the height with the lists (2 : 3); where the
  // view is hidden (the editing mode) the lists take it all.
  int y = Y(4);
  int lists_height = flexible + row + Y(4);
  if (model_->controls().column_view.visible()) {
    int view_height = flexible * 2 / 5;
    MoveWindow(binder_.Find(controls().column_view), gap, y, inner, view_height, TRUE);
    y += view_height + Y(2);
    int third = inner / 3;
    MoveWindow(binder_.Find(controls().previous_rows_button), gap, y, third - X(2), row, TRUE);
    MoveWindow(binder_.Find(controls().row_range), gap + third, y, third - X(2), row, TRUE);
    MoveWindow(binder_.Find(controls().next_rows_button), gap + 2 * third, y, inner - 2 * third, row, TRUE);
    y += row + Y(4);
    lists_height = flexible - view_height;
  }
  MoveWindow(lists_area_, gap, y, inner, lists_height, TRUE);
  y += lists_height + Y(4);
  int fifth = inner / 5;
  const MainWindowControls& c = controls();
  const UiControl* first_row[] = {&c.point_types_button, &c.line_types_button, &c.polygon_types_button,
                                  &c.assign_type_button, &c.delete_objects_button};
  for (int i = 0; i < 5; ++i) MoveWindow(binder_.Find(*first_row[i]), gap + i * fifth, y, fifth - X(2), row, TRUE);
  y += row + Y(3);
  MoveWindow(binder_.Find(controls().default_type), gap, y, 4 * fifth - X(2), row, TRUE);
  MoveWindow(binder_.Find(controls().assign_default_type_button), gap + 4 * fifth, y, fifth - X(2), row, TRUE);
  y += row + Y(3);
  MoveWindow(binder_.Find(controls().level_button), gap, y, fifth - X(2), row, TRUE);
  MoveWindow(binder_.Find(controls().level_slider), gap + fifth, y, 4 * fifth - X(2), row + Y(4), TRUE);
  FitListsToTheirArea();
  LayoutProgress();
  // What the layout moved is drawn again at its new place, the parts that only
  // scrolled into view included.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32MainWindow::LayoutLists() {
  if (!lists_area_) return;
  RECT area{};
  GetClientRect(lists_area_, &area);
  auto place = [&](const UiControl& control) {
    MoveWindow(binder_.Find(control), Pixels(control.left() - kObjectListLeft), 0, std::max(Pixels(control.width()), 1),
               area.bottom, TRUE);
  };
  place(controls().object_list);
  place(controls().list_splitter);
  place(controls().type_list);
}

void Win32MainWindow::FitListsToTheirArea() {
  RECT area{};
  GetClientRect(lists_area_, &area);
  // The area has its real width once the window shows.
  model_->OnListsAreaResized(static_cast<int>(area.right * twips_per_pixel() + 0.5), IsWindowVisible(hwnd_));
  LayoutLists();
}

// The window opens where it was closed, inside the work area of the monitor that holds
// the most of that place; a place on no monitor now gives the default size on the
// primary monitor. Either way a window larger than the work area shrinks to it, so its
// title bar and its buttons stay in reach.
void Win32MainWindow::RestorePlace() {
  int width = LeftColumnWidth() + GetSystemMetrics(SM_CXVSCROLL) + Pixels(kWindowWidth - kObjectListLeft);
  int height = std::max(Pixels(kWindowHeight), MinimumHeight());
  RECT frame_rect{0, 0, 100, 100};
  AdjustWindowRectEx(&frame_rect, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
  FrameMargins frame{-frame_rect.left, -frame_rect.top, frame_rect.right - 100, frame_rect.bottom - 100};
  std::optional<WindowPlace> place = model_->StoredWindowPlace();
  std::optional<ScreenRect> stored;
  if (place) {
    // The stored place is the outer rectangle, frame included, in pixels at 96 DPI.
    int dpi = static_cast<int>(dpi_);
    ScreenRect outer{MulDiv(place->left, dpi, 96), MulDiv(place->top, dpi, 96), MulDiv(place->width, dpi, 96),
                     MulDiv(place->height, dpi, 96)};
    stored = ScreenRect{outer.left + frame.left, outer.top + frame.top, outer.width - frame.left - frame.right,
                        outer.height - frame.top - frame.bottom};
  }
  std::optional<OpeningPlace> opening = PlaceToOpen(stored, width, height, frame, MonitorWorkAreas());
  if (!opening) return;
  if (opening->stored) {
    model_->PlaceSplitterAtShareOnShow(place->splitter_share);
    opens_maximized_ = place->maximized;
  }
  const ScreenRect& fitted = opening->inside;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  GetWindowPlacement(hwnd_, &placement);
  placement.rcNormalPosition = {fitted.left - frame.left, fitted.top - frame.top,
                                fitted.left + fitted.width + frame.right, fitted.top + fitted.height + frame.bottom};
  placement.showCmd = SW_HIDE;
  SetWindowPlacement(hwnd_, &placement);
}

void Win32MainWindow::Show() {
  ShowWindow(hwnd_, opens_maximized_ ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  FitListsToTheirArea();
}

// The normal place is stored in pixels of 96 DPI, so that it means the same on any screen.
void Win32MainWindow::SavePlace() {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(hwnd_, &placement)) return;
  const RECT& normal = placement.rcNormalPosition;
  int dpi = static_cast<int>(dpi_);
  model_->SaveWindowPlace({MulDiv(normal.left, 96, dpi), MulDiv(normal.top, 96, dpi),
                           MulDiv(normal.right - normal.left, 96, dpi), MulDiv(normal.bottom - normal.top, 96, dpi),
                           model_->SplitterShare(), placement.showCmd == SW_SHOWMAXIMIZED});
}

}  // namespace mirvex::ui::win32
