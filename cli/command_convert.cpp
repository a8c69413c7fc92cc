// mirvex convert MIF MID RESULT: the second press of "Конвертировать карту" in the
// main window, with the options of the program folder. mirvex convert --saved:
// "Конвертировать все", every saved path triple.
#include <string>

#include "base/platform.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"

namespace mirvex {

int RunConvert(const CommandLine& command_line) {
  if (!command_line.output.empty()) return UsageError("--output - параметр команды compile");
  if (command_line.saved) {
    if (!command_line.positional.empty()) return UsageError("convert --saved не ждёт путей: они берутся из mirvex.ini");
  } else if (command_line.positional.size() != 3) {
    return UsageError("convert ждёт три пути: MIF MID RESULT (или --saved)");
  }
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  ui::MainWindow& window = *setup.window;
  if (command_line.saved) {
    // The table of the run is printed as its completion message.
    window.controls().conversion_panel.SetVisible(true);
    window.OnConvertAllClicked();
    return window.last_status() == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
  }
  window.controls().mif_path.SetText(command_line.positional[0]);
  window.controls().mid_path.SetText(command_line.positional[1]);
  window.controls().result_path.SetText(command_line.positional[2]);
  window.controls().conversion_panel.SetVisible(true);
  window.OnConvertClicked();
  if (window.last_status() != OperationStatus::kCompleted) return kExitFailed;
  const SectionCounts& counts = window.last_counts();
  PrintText(stdout, "  " + window.controls().result_path.text() + "\n  " + SectionSummary(counts) + "\n");
  return kExitCompleted;
}

}  // namespace mirvex
