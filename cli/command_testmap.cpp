// mirvex testmap RESULT: the test map of the main window's "Тестовая карта".
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "core/test_map.h"

namespace mirvex {

int RunTestMap(const CommandLine& command_line) {
  if (command_line.positional.size() != 1) return UsageError("testmap ждёт один путь: RESULT");
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  setup.controls.SetText(Control::kCombo4, ArgumentText(command_line.positional[0]));

  CliHost host(false);
  WindowState state;
  OperationContext context{host, setup.controls, state, setup.program_prefix};
  return WriteTestMap(context) == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
