// The program folder and the control values an operation starts from on the command
// line: the main window's own start-up (section System of mirvex.ini, the saved
// paths, the config.ini template) in read-only mode, then the --set overrides.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "cli/cli_host.h"
#include "cli/commands.h"
#include "ui/main_window.h"

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
  std::unique_ptr<ui::MainWindow> window;
};

}  // namespace mirvex
