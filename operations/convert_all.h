// Converting every saved path triple in one run, with the same options for all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "operations/convert.h"

namespace mirvex {

struct BatchEntry {
  ConversionPaths paths;
  // kCompleted, kFailed, or kStopped for the triple the stop came in and those after it.
  OperationStatus status = OperationStatus::kStopped;
  bool started = false;
  SectionCounts counts;
  // What the conversion reported (the reason of a failure, notes of a completed one),
  // each on one line.
  std::vector<std::string> messages;
};

struct BatchResult {
  // kCompleted when every triple was converted, kStopped when the user stopped the run,
  // else kFailed.
  OperationStatus status = OperationStatus::kFailed;
  std::vector<BatchEntry> entries;
};

// Converts the triples in their order. A triple that fails does not stop the others;
// a stop request ends the run after the triple in progress has removed its temporary
// result (finished results stay). The percentage is shown as "карта k из n: p". The
// conversions' own messages are collected into the table, which the run shows at its
// end (no icon: it is the run's result, as a completion message is). Without triples
// it says how to save them.
BatchResult ConvertAll(const std::vector<ConversionPaths>& triples, const ConversionOptions& options,
                       std::string_view program_prefix, Host& host);

// The table: per triple its result path, the objects per section and "готово", or the
// reason it failed.
std::string BatchTable(const BatchResult& result);

}  // namespace mirvex
