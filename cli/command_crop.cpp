// mirvex crop MAP RESULT: "Редактировать карту" of the main window, with the rectangle
// of Koord2..Koord5.
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "operations/crop.h"
#include "operations/stop_report.h"

namespace mirvex {

int RunCrop(const CommandLine& command_line) {
  if (command_line.positional.size() != 2) return UsageError("crop ждёт два пути: MAP RESULT");
  if (command_line.saved || !command_line.output.empty()) {
    return UsageError("--saved и --output - параметры команд convert и compile");
  }
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  OperationStatus status = CropMap(CropPaths{command_line.positional[0], command_line.positional[1]},
                                   setup.settings.crop_options(), setup.settings.prefix(), *setup.host);
  ReportStop(status, *setup.host);
  return status == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
