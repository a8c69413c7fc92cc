// mirvex compile MAP: "Собрать IMG" of the main window on any text map, with mkgmap and
// its options from section Mkgmap of mirvex.ini.
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "operations/compile_map.h"
#include "operations/stop_report.h"

namespace mirvex {

int RunCompile(const CommandLine& command_line) {
  if (command_line.positional.size() != 1) return UsageError("compile ждёт один путь: MAP");
  if (command_line.saved || !command_line.settings.empty()) {
    return UsageError("compile принимает только --output, --home и --quiet");
  }
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  CompileOptions options = setup.settings.compile_options();
  options.output_folder = command_line.output;
  CompileResult result = CompileMap(command_line.positional[0], options, *setup.host);
  ReportStop(result.status, *setup.host);
  return result.status == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
