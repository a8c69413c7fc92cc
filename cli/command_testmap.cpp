// mirvex testmap RESULT: the second press of "Тестовая карта" in the main window.
#include "base/platform.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"

namespace mirvex {

int RunTestMap(const CommandLine& command_line) {
  if (command_line.positional.size() != 1) return UsageError("testmap ждёт один путь: RESULT");
  if (command_line.saved || !command_line.output.empty()) {
    return UsageError("--saved и --output - параметры команд convert и compile");
  }
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  ui::MainWindow& window = *setup.window;
  window.controls().test_map_path.SetText(command_line.positional[0]);
  window.controls().test_map_panel.SetVisible(true);
  window.OnTestMapClicked();
  return window.last_status() == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
