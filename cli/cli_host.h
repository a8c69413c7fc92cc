// The host of an operation run from the command line: message boxes become lines
// on standard error (the completion message on standard output), the percentage is
// shown on a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "base/host.h"

namespace mirvex {

class CliHost : public Host {
 public:
  explicit CliHost(bool show_progress);
  ~CliHost() override;

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  void Beep() override {}
  void SetProgressRange(std::int64_t, std::int64_t) override {}
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string& caption) override;
  void ProcessEvents() override {}
  // Ctrl+C asks the run to stop, as "Отмена" does in the window.
  bool StopRequested() override;

 private:
  void ClearPercent();

  bool show_progress_;
  bool percent_shown_ = false;
  std::size_t percent_width_ = 0;  // characters of the widest caption shown
};

// Writes a cp1251 text to standard output or error (see WriteText), CR LF printed as a newline.
void PrintText(std::FILE* stream, const std::string& cp1251_text);

}  // namespace mirvex
