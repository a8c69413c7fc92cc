// The program folder and the control values an operation starts from on the
// command line: section System of mirvex.ini, the --set overrides, the template.
#pragma once

#include <string>

#include "cli/commands.h"
#include "core/control_table.h"
#include "core/platform.h"

namespace mirvex {

struct OperationSetup {
  // Returns kExitCompleted, or kExitUsage after reporting a bad --set.
  int Load(const CommandLine& command_line);

  std::string program_folder;  // cp1251, no trailing separator
  std::string program_prefix;  // the folder followed by the separator
  ControlTable controls;
};

}  // namespace mirvex
