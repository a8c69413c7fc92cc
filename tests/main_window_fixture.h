// The headless main window's tests share a program folder with its window, a host that
// records what the window shows, and a few checks of what it writes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "settings/ini_file.h"
#include "tests/test_support.h"
#include "ui/main_window.h"

namespace mirvex::test {

// The name of a control, for the messages of a failed check.
inline std::string Name(ui::MainControl control) {
  static const ui::MainWindowControls names;
  return (names.*control).name();
}

// Records messages, opened documents and exits; progress goes nowhere.
class MainWindowTestHost : public ui::WindowHost {
 public:
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
    messages.push_back({text, title, icon});
    if (on_message) on_message();
  }
  void Beep() override { ++beeps; }
  void SetProgressRange(std::int64_t, std::int64_t) override {
    if (on_run_started) on_run_started();
  }
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string&) override {}
  void ProcessEvents() override {}
  bool OpenDocument(const std::string& path) override { return opened.push_back(path), open_succeeds; }
  void Quit() override { ++quits; }
  bool Confirm(const std::string&, const std::string&) override {
    ++questions;
    return confirm;
  }

  std::vector<RecordedMessage> messages;
  std::vector<std::string> opened;
  bool open_succeeds = true;
  int quits = 0;
  int beeps = 0;
  int questions = 0;
  bool confirm = true;
  std::function<void()> on_message;
  std::function<void()> on_run_started;  // once the operation has opened its files
};

// A program folder with its window; `Start` creates the window and runs its load.
struct Program {
  ui::MainWindow& Start(bool read_only = false) {
    window = std::make_unique<ui::MainWindow>(host, folder, read_only);
    window->Load();
    return *window;
  }
  void WriteIni(const std::string& bytes) const { WriteFile(dir.path() / "mirvex.ini", bytes); }
  std::string Ini() const { return ReadFile(dir.path() / "mirvex.ini"); }
  std::string Setting(const char* key, const char* section = "System") const {
    return ReadSetting(folder, section, key);
  }
  std::string MessageText(std::size_t i) const { return Cp1251ToUtf8(host.messages.at(i).text); }

  ScratchDir dir;
  std::string folder = PathText(dir.path());
  MainWindowTestHost host;
  std::unique_ptr<ui::MainWindow> window;
};

// True when the file holds this line exactly, as a whole line.
inline bool HasLine(const std::string& bytes, const std::string& line) {
  return ("\r\n" + bytes).find("\r\n" + line + "\r\n") != std::string::npos;
}

}  // namespace mirvex::test
