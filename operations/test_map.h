// The test map operation: writes the map of every type code into a file the user has.
#pragma once

#include <string_view>

#include "base/host.h"
#include "operations/options.h"

namespace mirvex {

// Writes the test map into `path`, which must already exist. A missing file is
// reported and nothing is created; a file that cannot be written is reported and left
// as it was. Returns kCompleted after the completion message.
OperationStatus WriteTestMap(std::string_view path, std::string_view program_prefix, Host& host);

}  // namespace mirvex
