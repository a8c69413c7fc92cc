// The conversion of a MIF/MID map into a Garmin text map.
#pragma once

#include <string>

#include "core/host.h"
#include "core/text_map_writer.h"
#include "core/window_state.h"

namespace mirvex {

// What an operation needs from its surroundings.
struct OperationContext {
  Host& host;
  ControlValues& controls;
  WindowState& state;
  // The program folder followed by the separator; object.txt is found there.
  std::string program_prefix;
};

enum class OperationStatus { kCompleted, kFailed };

struct ConversionResult {
  OperationStatus status = OperationStatus::kFailed;
  SectionCounts counts;
};

// Converts the MIF of `Combo1` with the MID of `Combo2` into the map `Combo3`, the
// header taken from `Text24`, the options from the other controls. Every problem is
// reported through the host; the completion message ends a successful run. The
// result replaces `Combo3` only when the whole map was written.
ConversionResult Convert(OperationContext& context);

}  // namespace mirvex
