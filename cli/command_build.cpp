// mirvex build MIF MID --output DIR: from MapInfo to the receiver in one run, the
// conversion with the options of the window and then "Собрать IMG" on its result,
// tiled when the map is big.
#include <filesystem>

#include "base/platform.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"
#include "operations/compile_map.h"
#include "operations/convert.h"
#include "operations/stop_report.h"

namespace mirvex {

int RunBuild(const CommandLine& command_line) {
  if (command_line.positional.size() != 2) return UsageError("build ждёт два пути: MIF MID");
  if (command_line.saved) return UsageError("build не принимает --saved");
  OperationSetup setup;
  if (int status = setup.Load(command_line); status != kExitCompleted) return status;
  const ProgramSettings& settings = setup.settings;
  const std::string& mif = command_line.positional[0];
  // The text map lands in the output folder beside the images, under the MIF's name.
  std::filesystem::path mif_path = NativePath(mif);
  std::string folder = command_line.output.empty() ? PathText(mif_path.parent_path()) : command_line.output;
  std::error_code error;
  std::filesystem::create_directories(NativePath(folder), error);
  std::string map = PathText(NativePath(folder) / mif_path.filename().replace_extension(".mp"));

  ConversionPaths paths{mif, command_line.positional[1], map};
  ConversionResult converted = Convert(paths, settings.conversion_options(), settings.prefix(), *setup.host);
  ReportStop(converted.status, *setup.host);
  if (converted.status != OperationStatus::kCompleted) return kExitFailed;

  CompileOptions options = settings.compile_options();
  options.output_folder = folder;
  CompileResult compiled = CompileMap(map, options, *setup.host);
  ReportStop(compiled.status, *setup.host);
  return compiled.status == OperationStatus::kCompleted ? kExitCompleted : kExitFailed;
}

}  // namespace mirvex
