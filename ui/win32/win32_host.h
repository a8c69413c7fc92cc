// The platform side of the main window on Windows: message boxes, the beep, event
// processing during an operation, the shell's document opener and the exit.
#pragma once

#include <windows.h>

#include "ui/main_window.h"

namespace mirvex::ui::win32 {

class Win32Host : public WindowHost {
 public:
  ~Win32Host() override;
  void set_owner(HWND owner) { owner_ = owner; }

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

 private:
  HWND owner_ = nullptr;
  HFONT column_font_ = nullptr;  // the column view's face, for TextWidth
};

// Dispatches the waiting messages of the thread, with the dialog keys (Tab, Enter,
// Esc) of the window `dialog`; false once WM_QUIT was seen (it is posted again for
// the main loop).
bool PumpMessages(HWND dialog);

}  // namespace mirvex::ui::win32
