// mirvex convert MIF MID RESULT: "Конвертировать карту" of the main window, with the
// options of the program folder. mirvex convert --saved: "Конвертировать все", every
// saved path triple.
#include <string>

#include "base/cp1251.h"
#include "base/platform.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "operations/convert_all.h"
#include "operations/stop_report.h"

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
  const ProgramSettings& settings = setup.settings;
  if (command_line.saved) {
    // The table of the run is printed as its completion message.
    BatchResult batch =
        ConvertAll(settings.saved_triples, settings.conversion_options(), settings.prefix(), *setup.host);
    ReportStop(batch.status, *setup.host);
    return batch.status == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
  }
  ConversionPaths paths{command_line.positional[0], command_line.positional[1], command_line.positional[2]};
  ConversionResult result = Convert(paths, settings.conversion_options(), settings.prefix(), *setup.host);
  ReportStop(result.status, *setup.host);
  if (result.status != OperationStatus::kCompleted) return kExitFailed;
  PrintText(stdout, "  " + paths.result + "\n  " + SectionSummary(result.counts) + "\n  " +
                        Ru("Координаты: ") + result.coordinates_in_words +
                        (result.coordinates_transformed ? Ru(" (пересчитаны)") : Ru(" (скопированы как есть)")) +
                        "\n");
  return kExitCompleted;
}

}  // namespace mirvex
