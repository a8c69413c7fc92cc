// The program folder and the settings an operation starts from on the command line:
// those the window starts with (section System of mirvex.ini, the saved paths, section
// Mkgmap, the config.ini template), then the --set overrides. Nothing is written.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "cli/cli_host.h"
#include "cli/commands.h"
#include "settings/program_settings.h"

namespace mirvex {

// A key of section System that --set may change for one run, and what it means.
struct OverridableKey {
  const char* key;
  const char* meaning;  // Russian, UTF-8
};

// Every key --set takes, in the order `mirvex --help` lists them.
std::span<const OverridableKey> OverridableKeys();

struct OperationSetup {
  // Returns kExitCompleted, or kExitUsage after reporting a bad --set.
  int Load(const CommandLine& command_line);

  std::unique_ptr<CliHost> host;
  ProgramSettings settings;
};

}  // namespace mirvex
