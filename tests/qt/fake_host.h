// A window host for tests of the Qt window: it records what the window shows instead
// of opening modal message boxes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/main_window.h"

namespace mirvex::test {

class FakeWindowHost : public ui::WindowHost {
 public:
  struct Message {
    std::string text, title;
    MessageIcon icon;
  };

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
    messages.push_back({text, title, icon});
    if (on_message) on_message();
  }
  void Beep() override { ++beeps; }
  void SetProgressRange(std::int64_t, std::int64_t) override {}
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string&) override {}
  void ProcessEvents() override {}
  bool OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  void Quit() override { ++quits; }

  std::vector<Message> messages;
  std::vector<std::string> opened;
  std::function<void()> on_message;  // runs inside a message, while the operation is still on
  int beeps = 0;
  int quits = 0;
};

}  // namespace mirvex::test
