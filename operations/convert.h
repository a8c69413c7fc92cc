// The conversion of a MIF/MID map into a Garmin text map.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/host.h"
#include "garmin/text_map_writer.h"
#include "operations/options.h"

namespace mirvex {

struct ConversionPaths {
  std::string mif;
  std::string mid;
  std::string result;  // the Garmin text map to write
};

struct ConversionResult {
  OperationStatus status = OperationStatus::kFailed;
  SectionCounts counts;
  // Objects left out because a coordinate text of theirs is no number.
  std::uint64_t objects_without_numbers = 0;
  // The column count text the MIF header gave, when the options asked for it (the
  // window shows it and stores it as the count).
  std::optional<std::string> header_column_count;
  // The map's coordinate system in words, with " -> WGS 84" when it was transformed.
  std::string coordinates_in_words;
  bool coordinates_transformed = false;
  // Objects left out because a position of theirs has no place in WGS 84.
  std::uint64_t objects_untransformed = 0;
};

// Converts the MIF with its MID into the result map with the options. Every problem
// is reported through the host; the completion message ends a successful run. The
// result is replaced only when the whole map was written. `program_prefix` is the
// program folder followed by the separator: object.txt is found there, and its files
// are never taken as a result.
ConversionResult Convert(const ConversionPaths& paths, const ConversionOptions& options,
                         std::string_view program_prefix, Host& host);

}  // namespace mirvex
