// mirvex testmap RESULT: "Тестовая карта" of the main window.
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "operations/stop_report.h"
#include "operations/test_map.h"

namespace mirvex {

int RunTestMap(const CommandLine& command_line) {
  if (command_line.positional.size() != 1) return UsageError("testmap ждёт один путь: RESULT");
  if (command_line.saved || !command_line.output.empty()) {
    return UsageError("--saved и --output - параметры команд convert и compile");
  }
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  OperationStatus status = WriteTestMap(command_line.positional[0], setup.settings.prefix(), *setup.host);
  ReportStop(status, *setup.host);
  return status == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
