// The platform side of the main window under Qt: message boxes, the beep, event
// processing during an operation, the desktop's document opener and the exit.
#pragma once

#include "ui/main_window.h"

class QWidget;

namespace mirvex::ui::qt {

class QtHost : public WindowHost {
 public:
  void set_parent(QWidget* parent) { parent_ = parent; }

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
  // Runs the task from the event loop, unless the window has gone by then.
  void RunSoon(std::function<void()> task) override;

 private:
  QWidget* parent_ = nullptr;
};

}  // namespace mirvex::ui::qt
