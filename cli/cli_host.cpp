#include "cli/cli_host.h"

#include <algorithm>
#include <cstdio>

#include "base/platform.h"
#include "base/text.h"

namespace mirvex {

void PrintText(std::FILE* stream, const std::string& cp1251_text) {
  WriteText(stream, Reply(cp1251_text, '\r', ""));
}

CliHost::CliHost(bool show_progress) : show_progress_(show_progress) { AwaitStopRequests(true); }

CliHost::~CliHost() {
  AwaitStopRequests(false);
  ClearPercent();
}

bool CliHost::StopRequested() { return InterruptRequested(); }

void CliHost::ClearPercent() {
  if (!percent_shown_) return;
  WriteUtf8(stderr, "\r" + std::string(percent_width_, ' ') + "\r");
  std::fflush(stderr);
  percent_shown_ = false;
  percent_width_ = 0;
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
  std::string shown = caption;
  if (shown.size() < 4) shown.insert(0, 4 - shown.size(), ' ');
  shown += "%";
  // A shorter caption ("карта 2 из 3: 5") covers the rest of a longer one before it.
  std::size_t width = shown.size();
  if (shown.size() < percent_width_) shown.append(percent_width_ - shown.size(), ' ');
  percent_width_ = std::max(percent_width_, width);
  WriteText(stderr, "\r" + shown);
  std::fflush(stderr);
  percent_shown_ = true;
}

}  // namespace mirvex
