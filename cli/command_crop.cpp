// mirvex crop MAP RESULT: the crop of the main window's "Редактировать карту", with
// the rectangle of Koord2..Koord5.
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "core/crop.h"

namespace mirvex {

int RunCrop(const CommandLine& command_line) {
  if (command_line.positional.size() != 2) return UsageError("crop ждёт два пути: MAP RESULT");
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  setup.controls.SetText(Control::kText1, ArgumentText(command_line.positional[0]));
  setup.controls.SetText(Control::kText6, ArgumentText(command_line.positional[1]));

  CliHost host(!command_line.quiet && IsTerminal(stderr));
  WindowState state;
  OperationContext context{host, setup.controls, state, setup.program_prefix};
  return CropMap(context) == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
