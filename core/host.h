// The two narrow interfaces through which an operation reaches the window (or the
// command line, or a test): what the user sees, and the control values it reads.
#pragma once

#include <cstdint>
#include <string>

namespace mirvex {

enum class MessageIcon { kNone, kExclamation, kCritical, kInformation };

// What the user sees while an operation runs.
class Host {
 public:
  virtual ~Host() = default;
  // A modal message box with one OK button. Texts are cp1251; CR LF may stand inside.
  virtual void ShowMessage(const std::string& text, const std::string& title,
                           MessageIcon icon) = 0;
  virtual void Beep() = 0;
  // The progress bar `Bar`.
  virtual void SetProgressRange(std::int64_t minimum, std::int64_t maximum) = 0;
  virtual void SetProgressValue(std::int64_t value) = 0;
  // The percentage label `Label11`.
  virtual void SetPercentCaption(const std::string& caption) = 0;
  // Lets the window repaint and handle input; callers throttle it.
  virtual void ProcessEvents() = 0;
  // The crop's status labels: `Label1` ("Идет редактирование карты. Ждите...") shown
  // and `Label10` hidden while it runs, the other way round afterwards.
  virtual void SetCropRunning(bool running) { (void)running; }
};

// The controls of the main window whose values the operations read. Each keeps the
// name of its control.
enum class Control {
  kCombo1, kCombo2, kCombo3, kCombo4,
  kText1, kText2, kText3, kText4, kText5, kText6,
  kText9, kText15, kText16, kText17,
  kText19, kText20, kText21, kText22, kText23, kText24,
  kCheck1, kCheck2, kCheck3, kCheck4, kCheck5, kCheck6,
};

inline constexpr int kControlCount = static_cast<int>(Control::kCheck6) + 1;

// The name of a control as the window knows it ("Combo1", "Check2").
const char* ControlName(Control control);

class ControlValues {
 public:
  virtual ~ControlValues() = default;
  // The text of a text box or combo box (cp1251).
  virtual std::string Text(Control control) const = 0;
  virtual void SetText(Control control, const std::string& text) = 0;
  // The value of a check box: 0 clear, 1 ticked (2 greyed is never "set").
  virtual int Check(Control control) const = 0;
  virtual void SetCheck(Control control, int value) = 0;
  bool IsSet(Control control) const { return Check(control) == 1; }
};

}  // namespace mirvex
