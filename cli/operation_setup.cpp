#include "cli/operation_setup.h"

#include <cstdio>
#include <string_view>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/text.h"
#include "settings/system_keys.h"

namespace mirvex {

namespace {
// The keys a run may override (the paths come from the arguments instead), with what
// each means, as `mirvex --help` lists them (UTF-8).
constexpr OverridableKey kOverridable[] = {
    {"RusTransl", "1 - переводить подписи в латиницу (Дорога = Doroga)"},
    {"TypeObj", "1 - секция по объекту MIF; 0 - секцию, тип и уровень задаёт словарь object.txt"},
    {"AutoSet", "1 - число столбцов MID брать из заголовка MIF (Columns)"},
    {"KolSt", "число столбцов MID, когда оно не берётся из заголовка"},
    {"TypeSt", "номер столбца MID с описанием объекта (1 - первый)"},
    {"PodpSt", "номер столбца MID с подписью"},
    {"Podpis", "1 - не писать подписи (у текстовых объектов они остаются)"},
    {"ToWgs84", "1 - пересчитывать карту в другой системе координат (CoordSys) в долготу/широту WGS 84 (по умолчанию); 0 - копировать числа как есть"},
    {"PovObj", "1 - поднимать уровень объектов крупнее RazmObj на один"},
    {"RazmObj", "порог размера объекта: сумма расстояний вершин от первой, в единицах карты"},
    {"PrivazkaMap", "1 - привязать лист: Bounds растягивается на углы PrK1..PrK4, поворот UgolPovorot"},
    {"PrK1", "долгота левого нижнего угла"},
    {"PrK2", "широта левого нижнего угла"},
    {"PrK3", "долгота правого верхнего угла"},
    {"PrK4", "широта правого верхнего угла"},
    {"UgolPovorot", "угол поворота в градусах"},
    {"Koord2", "(crop) западная граница, градусы.минуты (50.35 - 50 градусов 35 минут)"},
    {"Koord3", "(crop) северная граница, градусы.минуты"},
    {"Koord4", "(crop) восточная граница, градусы.минуты"},
    {"Koord5", "(crop) южная граница, градусы.минуты"},
    {"CropClip", "(crop) 1 - обрезать линии и полигоны по границе прямоугольника; 0 - оставлять их вершины внутри (по умолчанию)"},
};
}  // namespace

std::span<const OverridableKey> OverridableKeys() { return kOverridable; }

int OperationSetup::Load(const CommandLine& command_line) {
  bool name_fits = true;
  std::string folder = command_line.home.empty() ? ProgramFolder(&name_fits) : command_line.home;
  if (!name_fits) {
    PrintText(stderr, ProgramFolderNameMessage(folder) + "\n");
    return kExitFailed;
  }
  while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();

  host = std::make_unique<CliHost>(!command_line.quiet && IsTerminal(stderr));
  settings = ReadProgramSettings(folder);
  for (const auto& [key, value] : command_line.settings) {
    const SystemKey* system_key = FindSystemKey(key);
    bool allowed = false;
    for (const OverridableKey& overridable : kOverridable) {
      if (system_key && EqualsIgnoreAsciiCase(overridable.key, system_key->key)) allowed = true;
    }
    if (!allowed) return UsageError("неизвестный ключ в --set: " + Cp1251ToUtf8(key));
    settings.Override(system_key->key, value);
  }
  return kExitCompleted;
}

}  // namespace mirvex
