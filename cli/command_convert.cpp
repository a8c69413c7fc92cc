// mirvex convert MIF MID RESULT: the conversion of the main window's second press
// of "Конвертировать карту", with the options of the program folder.
#include <cstdio>
#include <string>

#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "core/convert.h"

namespace mirvex {

int RunConvert(const CommandLine& command_line) {
  if (command_line.positional.size() != 3) {
    return UsageError("convert ждёт три пути: MIF MID RESULT");
  }
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  setup.controls.SetText(Control::kCombo1, ArgumentText(command_line.positional[0]));
  setup.controls.SetText(Control::kCombo2, ArgumentText(command_line.positional[1]));
  setup.controls.SetText(Control::kCombo3, ArgumentText(command_line.positional[2]));

  CliHost host(!command_line.quiet && IsTerminal(stderr));
  WindowState state;
  OperationContext context{host, setup.controls, state, setup.program_prefix};
  ConversionResult result = Convert(context);
  if (result.status != OperationStatus::kCompleted) return kExitFailed;
  PrintText(stdout, "  " + setup.controls.Text(Control::kCombo3) + "\n  [RGN10] " +
                        std::to_string(result.counts.points) + ", [RGN40] " +
                        std::to_string(result.counts.polylines) + ", [RGN80] " +
                        std::to_string(result.counts.regions) + "\n");
  return kExitCompleted;
}

}  // namespace mirvex
