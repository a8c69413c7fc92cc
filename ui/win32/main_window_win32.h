// The main window as a native Windows program: Win32 controls bound to the headless
// model, as the Qt window binds its widgets on Linux.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/main_window.h"
#include "ui/window_place.h"
#include "ui/win32/map_window_win32.h"
#include "ui/win32/win32_binding.h"

namespace mirvex::ui::win32 {

class Win32MainWindow {
 public:
  // Creates the window (hidden); `host` shows messages and opens documents.
  Win32MainWindow(WindowHost& host, std::string program_folder);
  ~Win32MainWindow();
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  // Shows the window where it was closed (maximized if it was).
  void Show();
  HWND hwnd() const { return hwnd_; }
  MainWindow& model() { return *model_; }
  // The native control bound to a control of this window (a panel or a frame is its
  // container), of its map window or of its open object window; null when none is. A
  // control of this window also by its member, for tables.
  HWND widget(const UiControl& control) const;
  HWND widget(MainControl control) const { return widget(model_->controls().*control); }
  HWND object_window() const { return object_window_; }
  // The "…" button beside a path box (the MIF path's, the test map's).
  HWND browse_button(const UiControl& path_box) const {
    auto found = browse_buttons_.find(&path_box);
    return found == browse_buttons_.end() ? nullptr : found->second;
  }
  // The containers of the binding's own: the viewport that scrolls the left column, the
  // column, the operation buttons at its foot, and the side of the lists (the column
  // view, the lists, the editing buttons).
  HWND left_scroll() const { return left_scroll_; }
  HWND left_column() const { return left_column_; }
  HWND operations_area() const { return operations_; }
  HWND objects_area() const { return objects_; }
  // The map window once "Карта" opened it (it stays, hidden, after it is closed).
  Win32MapWindow* map_window() const { return map_window_.get(); }
  // Twips per pixel at the window's current DPI.
  double twips_per_pixel() const { return 1440.0 / dpi_; }
  // True once the window is destroyed (closed).
  bool closed() const { return hwnd_ == nullptr; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK SplitterProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  // Children: a container groups a panel's or a frame's controls, so that one
  // ShowWindow hides them all.
  // Positions are dialog units of the message font within the parent; a width or
  // height of 0 is set by Layout.
  struct Box {
    int x, y, width, height;
  };
  // A container of the binding's own, and one that shows and hides with its model
  // control (a panel, or a frame captioned with the control's text).
  HWND Container(HWND parent, Box box, bool framed = false, UiControl* control = nullptr);
  HWND Container(HWND parent, UiControl& control, Box box, bool framed) {
    return Container(parent, box, framed, &control);
  }
  HWND Child(HWND parent, const wchar_t* window_class, DWORD style, Box box, const char* name = nullptr,
             DWORD ex_style = 0);
  HWND Child(HWND parent, const wchar_t* window_class, DWORD style, Box box, const UiControl& control,
             DWORD ex_style = 0) {
    return Child(parent, window_class, style, box, control.name().c_str(), ex_style);
  }
  HWND Label(HWND parent, const char* utf8, Box box, DWORD style = SS_LEFT);
  HWND Button(HWND parent, UiControl& control, Box box, std::function<void()> on_click);
  HWND CheckBox(HWND parent, UiControl& control, Box box);
  HWND Edit(HWND parent, UiControl& control, Box box, DWORD style = ES_AUTOHSCROLL);
  HWND Combo(HWND parent, UiControl& control, Box box);
  void Browse(HWND parent, UiControl& path_box, Box box, bool save);
  void Corner(HWND parent, int y, const char* caption, UiControl& latitude, UiControl& longitude);
  MainWindowControls& controls() const { return model_->controls(); }
  void BuildWelcome();
  void BuildConversion();
  void BuildCrop();
  void BuildTestMap();
  void BuildOperations();
  void BuildObjects();
  void ShowObjectWindow(ObjectWindow& object_window);
  // kAsk: the user closes it (a refused type keeps it open), then it stores; kStore:
  // it goes with the main window, storing; kCancel: Esc, nothing stored.
  enum class ObjectWindowClose { kAsk, kStore, kCancel };
  void CloseObjectWindow(ObjectWindowClose how);
  // A window of this size beside this one, on its screen.
  ScreenRect BesideThisWindow(int width, int height) const;

  // Fonts and positions for the window's DPI.
  void ApplyDpi(UINT dpi);
  void WidenForCaptions();
  int CaptionWidth(HDC dc, HWND control, int box_height) const;
  void LayoutProgress();
  void Layout();
  void LayoutLists();
  void FitListsToTheirArea();
  // Dialog units of the message font to pixels.
  int X(int units) const;
  int Y(int units) const;
  int Pixels(int twips) const { return MulDiv(twips, static_cast<int>(dpi_), 1440); }
  void Place(HWND hwnd, Box box);
  int LeftColumnWidth() const;
  int MinimumHeight() const;
  void RestorePlace();
  void SavePlace();

  WindowHost& host_;
  std::unique_ptr<MainWindow> model_;
  Binder binder_;
  HWND hwnd_ = nullptr;
  HWND object_window_ = nullptr;
  std::unique_ptr<Binder> object_binder_;
  std::map<const UiControl*, HWND> browse_buttons_;
  // Every child at a fixed place (dialog units), laid out again when the DPI changes.
  std::vector<std::pair<HWND, Box>> boxes_;
  HWND left_scroll_ = nullptr;  // the left column's viewport
  HWND left_column_ = nullptr;
  HWND operations_ = nullptr;
  HWND objects_ = nullptr;
  HWND lists_area_ = nullptr;
  HWND progress_text_ = nullptr;
  UINT dpi_ = 96;
  int unit_x_ = 112;  // average character width of the message font, sixteenths of a pixel
  int unit_y_ = 15;  // its height
  HFONT font_ = nullptr;
  HFONT title_font_ = nullptr;
  HFONT fixed_font_ = nullptr;
  bool opens_maximized_ = false;
  // Destroyed before the model it binds.
  std::unique_ptr<Win32MapWindow> map_window_;
};

// Runs the window as the program's main loop; returns the exit status.
int RunMainWindow();

}  // namespace mirvex::ui::win32
