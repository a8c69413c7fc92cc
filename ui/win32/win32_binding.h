// The native controls of the Windows window are thin views of the model's controls,
// as the Qt widgets are on Linux: each Bind* makes a control show its model control
// and hands the user's edits back to it, whose change path runs the model's handlers.
// Text crosses here once: cp1251 in the model, UTF-16 in the controls.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "ui/ui_control.h"

namespace mirvex::ui::win32 {

// The text of a native control as the program's cp1251 text; `fits` false when it holds
// characters cp1251 cannot.
std::string ControlText(HWND hwnd, bool* fits = nullptr);
void SetControlText(HWND hwnd, const std::string& cp1251);

// The id of the native control bound to a model control: the same in every run, so
// that another program (the install test) can find a control by its name.
int ControlId(std::string_view name);

// The message shown when a typed or chosen text has characters cp1251 lacks.
std::string OutsideCp1251Message(const std::string& shown);

class Binder {
 public:
  using Refuse = std::function<void(const std::string& message)>;

  // `refuse` shows a message about a text that cannot be taken.
  explicit Binder(Refuse refuse) : refuse_(std::move(refuse)) {}

  // The control ids hand WM_COMMAND and WM_NOTIFY back to their binding.
  void BindWindow(HWND hwnd, UiControl& control);
  void BindButton(HWND hwnd, UiControl& control, std::function<void()> on_click);
  // A button of the binding's own, no model control (the file dialogs' "…").
  void BindClick(HWND hwnd, std::function<void()> on_click);
  void BindCheckBox(HWND hwnd, UiControl& control);
  void BindEdit(HWND hwnd, UiControl& control);
  void BindCombo(HWND hwnd, UiControl& control);
  void BindList(HWND hwnd, UiControl& control, std::function<void(int)> on_double_click = {});
  void BindLabel(HWND hwnd, UiControl& control);
  void BindProgress(HWND hwnd, UiControl& control);
  // `on_move` runs while the thumb is dragged; the value is set when it is let go.
  void BindTrackbar(HWND hwnd, UiControl& control, std::function<void(int)> on_move);

  // Message handlers of the window that holds the controls; true when handled.
  bool OnCommand(HWND control, int code);
  bool OnTrackbarScroll(HWND control, int code);
  // The brush and colours of an edit box (WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC); null
  // when the control is not a bound edit box.
  HBRUSH EditColours(HWND control, HDC dc);

  // The native control bound to a model control (the last one bound to it), or null.
  HWND Find(const UiControl& control) const;

 private:
  struct Binding {
    UiControl* control = nullptr;
    std::function<void(int code)> on_command;
    std::function<void(int code)> on_scroll;
    bool updating = false;  // the change comes from the model: no echo back
  };
  // `follows_enabled`: the native control is enabled and disabled with the model's.
  Binding& Add(HWND hwnd, UiControl& control, bool follows_enabled = true);
  // Takes the control's typed text into the model, or refuses it and puts the model's back.
  void TakeText(HWND hwnd, Binding& binding);

  Refuse refuse_;
  std::map<HWND, Binding> bindings_;
  std::map<const UiControl*, HWND> by_control_;
  std::map<int, HBRUSH> brushes_;
};

}  // namespace mirvex::ui::win32
