#include "cli/cli_host.h"

#include <cstdio>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"

namespace mirvex {

void PrintText(std::FILE* stream, const std::string& cp1251_text) {
  std::string text = Cp1251ToUtf8(Reply(cp1251_text, '\r', ""));
  std::fputs(text.c_str(), stream);
}

CliHost::CliHost(bool show_progress) : show_progress_(show_progress) { AwaitStopRequests(true); }

CliHost::~CliHost() {
  AwaitStopRequests(false);
  ClearPercent();
}

bool CliHost::StopRequested() { return InterruptRequested(); }

void CliHost::ClearPercent() {
  if (!percent_shown_) return;
  std::fputs("\r      \r", stderr);
  std::fflush(stderr);
  percent_shown_ = false;
}

void CliHost::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  ClearPercent();
  // A message without an icon is a completion message: the result of the run.
  std::FILE* stream = icon == MessageIcon::kNone ? stdout : stderr;
  std::string_view body = text;
  while (!body.empty() && body.front() == ' ') body.remove_prefix(1);
  PrintText(stream, title + ": " + std::string(body) + "\n");
  std::fflush(stream);
}

void CliHost::SetPercentCaption(const std::string& caption) {
  if (!show_progress_) return;
  std::fprintf(stderr, "\r%4s%%", caption.c_str());
  std::fflush(stderr);
  percent_shown_ = true;
}

}  // namespace mirvex
