// Progress of a long operation: the bar, the percentage and the processing of window
// events (where a stop request comes in), throttled so that neither slows a large map.
#pragma once

#include <chrono>
#include <cstdint>

#include "base/host.h"

namespace mirvex {

class ProgressReporter {
 public:
  // `size` is the input's length in bytes; the bar runs from 1 to `bar_maximum`; the
  // percentage is offset × 100 / size + `percent_base`, at most 100.
  ProgressReporter(Host& host, std::uint64_t size, std::uint64_t bar_maximum, int percent_base);

  // Called after every line: cheap; repaints at most about 20 times a second.
  void Update(std::uint64_t offset) {
    if ((++calls_ & 255) == 0) Repaint(offset);
  }
  void Finish();
  // True once the host asked the operation to stop (asked every 256 updates).
  bool stopped() const { return stopped_; }

 private:
  void Repaint(std::uint64_t offset);

  Host& host_;
  std::uint64_t size_;
  std::uint64_t bar_maximum_;
  int percent_base_;
  std::uint64_t calls_ = 0;
  int percent_ = -1;
  bool stopped_ = false;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace mirvex
