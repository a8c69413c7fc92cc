// mirvex crop MAP RESULT: the second press of "Редактировать карту" in the main
// window, with the rectangle of Koord2..Koord5.
#include "base/platform.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"

namespace mirvex {

int RunCrop(const CommandLine& command_line) {
  if (command_line.positional.size() != 2) return UsageError("crop ждёт два пути: MAP RESULT");
  if (command_line.saved || !command_line.output.empty()) {
    return UsageError("--saved и --output - параметры команд convert и compile");
  }
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  ui::MainWindow& window = *setup.window;
  window.controls().crop_map_path.SetText(command_line.positional[0]);
  window.controls().crop_result_path.SetText(command_line.positional[1]);
  window.controls().crop_panel.SetVisible(true);
  window.OnCropClicked();
  return window.last_status() == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
