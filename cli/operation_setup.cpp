#include "cli/operation_setup.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/text.h"
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
  bool name_fits = true;
  std::string folder = command_line.home.empty() ? ProgramFolder(&name_fits) : command_line.home;
  if (!name_fits) {
    PrintText(stderr, ProgramFolderNameMessage(folder) + "\n");
    return kExitFailed;
  }
  while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();

  host = std::make_unique<CliHost>(!command_line.quiet && IsTerminal(stderr));
  window = std::make_unique<ui::MainWindow>(*host, folder, /*read_only=*/true);
  window->Load();
  for (const auto& [key, value] : command_line.settings) {
    const SystemKey* system_key = FindSystemKey(key);
    bool allowed = false;
    for (std::string_view name : kOverridable) {
      if (system_key && EqualsIgnoreAsciiCase(name, system_key->key)) allowed = true;
    }
    if (!allowed) return UsageError("неизвестный ключ в --set: " + Cp1251ToUtf8(key));
    window->ApplySetting(system_key->key, value);
  }
  return kExitCompleted;
}

}  // namespace mirvex
