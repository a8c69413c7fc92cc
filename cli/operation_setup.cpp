#include "cli/operation_setup.h"

#include <array>
#include <string_view>

#include "core/text.h"
#include "settings/header_template.h"
#include "settings/ini_file.h"
#include "settings/system_keys.h"

namespace mirvex {

namespace {
// The keys a run may override; the paths come from the arguments instead.
constexpr std::array<std::string_view, 19> kOverridable = {
    "RusTransl", "TypeObj", "AutoSet", "PovObj",  "Podpis", "PrivazkaMap", "KolSt",
    "PodpSt",    "TypeSt",  "RazmObj", "PrK1",    "PrK2",   "PrK3",        "PrK4",
    "UgolPovorot", "Koord2", "Koord3", "Koord4", "Koord5",
};
}  // namespace

int OperationSetup::Load(const CommandLine& command_line) {
  program_folder = command_line.home.empty() ? ExecutableFolder() : ArgumentText(command_line.home);
  while (program_folder.size() > 1 && program_folder.back() == kPathSeparator) program_folder.pop_back();
  program_prefix = program_folder + kPathSeparator;

  LoadSystemControls(SettingsPath(program_folder), controls);
  for (const auto& [key, value] : command_line.settings) {
    const SystemKey* system_key = FindSystemKey(key);
    bool allowed = false;
    for (std::string_view name : kOverridable) {
      if (system_key && EqualsIgnoreAsciiCase(name, system_key->key)) allowed = true;
    }
    if (!allowed) {
      return UsageError("неизвестный ключ в --set: " + key);
    }
    ApplySetting(controls, *system_key, ArgumentText(value));
  }
  controls.SetText(Control::kText24, LoadTemplate(TemplatePath(program_folder)));
  return kExitCompleted;
}

}  // namespace mirvex
