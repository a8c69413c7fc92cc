#include "base/progress.h"

#include <algorithm>
#include <string>

namespace mirvex {

namespace {
constexpr auto kRepaintInterval = std::chrono::milliseconds(50);
}

ProgressReporter::ProgressReporter(Host& host, std::uint64_t size, std::uint64_t bar_maximum,
                                   int percent_base)
    : host_(host), size_(size), bar_maximum_(std::max<std::uint64_t>(bar_maximum, 1)),
      percent_base_(percent_base), last_(std::chrono::steady_clock::now()) {
  host_.SetProgressRange(1, static_cast<std::int64_t>(bar_maximum_));
  host_.SetProgressValue(1);
}

void ProgressReporter::Repaint(std::uint64_t offset) {
  stopped_ = stopped_ || host_.StopRequested();
  auto now = std::chrono::steady_clock::now();
  if (now - last_ < kRepaintInterval) return;
  last_ = now;
  std::uint64_t percent = size_ > 0 ? offset * 100 / size_ + percent_base_ : 100;
  if (static_cast<int>(std::min<std::uint64_t>(percent, 100)) != percent_) {
    percent_ = static_cast<int>(std::min<std::uint64_t>(percent, 100));
    host_.SetProgressValue(static_cast<std::int64_t>(std::clamp<std::uint64_t>(offset, 1, bar_maximum_)));
    host_.SetPercentCaption(std::to_string(percent_));
  }
  host_.ProcessEvents();
  stopped_ = stopped_ || host_.StopRequested();
}

void ProgressReporter::Finish() {
  host_.SetProgressValue(static_cast<std::int64_t>(bar_maximum_));
  host_.SetPercentCaption("100");
}

}  // namespace mirvex
