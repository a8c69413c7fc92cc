// A host that shows nothing and never stops an operation, for programs that report to
// no one: benchmarks, fuzzing, drawing a map into a file. A program that wants some of
// the reports overrides just those.
#pragma once

#include <cstdint>
#include <string>

#include "base/host.h"

namespace mirvex {

// `Interface` is Host or a host interface derived from it (whose own functions the
// deriving class gives).
template <typename Interface = Host>
class NullHostOf : public Interface {
 public:
  void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
  void Beep() override {}
  void SetProgressRange(std::int64_t, std::int64_t) override {}
  void SetProgressValue(std::int64_t) override {}
  void SetPercentCaption(const std::string&) override {}
  void ProcessEvents() override {}
};

using NullHost = NullHostOf<>;

}  // namespace mirvex
