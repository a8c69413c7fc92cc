// The platform side of the main window on Windows: message boxes, the beep, event
// processing during an operation, the shell's document opener and the exit.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>

#include "ui/main_window.h"

namespace mirvex::ui::win32 {

// Posted to the owner window to run the tasks of Win32Host::RunSoon.
inline constexpr UINT kRunSoonMessage = WM_APP + 1;
// Sent to the owner window when Esc is pressed in it: nonzero when the key stopped a
// running operation (and is used up).
inline constexpr UINT kEscapeMessage = WM_APP + 2;

class Win32Host : public WindowHost {
 public:
  ~Win32Host() override;
  // The window that receives kRunSoonMessage and owns the message boxes. A new owner
  // (or none, once the window is destroyed) drops the tasks still waiting.
  void set_owner(HWND owner);

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  void Beep() override;
  // The bar and the percentage are bound to their controls; nothing to do here.
  void SetProgressRange(std::int64_t, std::int64_t) override {}
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string&) override {}
  void ProcessEvents() override;
  bool OpenDocument(const std::string& path) override;
  void Quit() override;
  bool Confirm(const std::string& text, const std::string& title) override;
  int TextWidth(const std::string& text) override;
  // Queues the task and posts kRunSoonMessage to the owner; without an owner window
  // the task is dropped.
  void RunSoon(std::function<void()> task) override;
  // The owner's handler of kRunSoonMessage: runs the queued tasks in order, and those
  // they queue in turn at the next message.
  void RunQueued();

 private:
  HWND owner_ = nullptr;
  HFONT column_font_ = nullptr;  // the column view's face, for TextWidth
  std::deque<std::function<void()>> soon_;
  bool soon_posted_ = false;
};

// Dispatches the waiting messages of the thread, with the dialog keys (Tab, Enter,
// Esc) of the window `dialog`; false once WM_QUIT was seen (it is posted again for
// the main loop).
bool PumpMessages(HWND dialog);

// Offers Esc, pressed anywhere in `owner` (or where no window has the focus), to
// `owner` before any control or the dialog keys see it; true when the owner used it.
// While a run disables the button that had the focus, the key reaches no control.
bool EscapeTakenBy(HWND owner, const MSG& message);

}  // namespace mirvex::ui::win32
