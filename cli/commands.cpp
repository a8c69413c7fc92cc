#include "cli/commands.h"

#include <cstdio>

#include "base/platform.h"

namespace mirvex {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"convert", "convert MIF MID RESULT | --saved [--home DIR] [--set KEY=VALUE]... [--quiet]",
       "Конвертирует карту MIF/MID в текстовую карту Garmin; с --saved - все тройки путей, сохранённые в "
       "mirvex.ini (Path1..Path3), с одними параметрами.",
       RunConvert},
      {"crop", "crop MAP RESULT [--home DIR] [--set Koord2=..]... [--quiet]",
       "Вырезает из текстовой карты прямоугольник Koord2..Koord5 (градусы.минуты).", RunCrop},
      {"testmap", "testmap RESULT [--home DIR]",
       "Записывает тестовую карту со всеми кодами типов; файл RESULT должен существовать.", RunTestMap},
      {"compile", "compile MAP [--output DIR] [--home DIR] [--quiet]",
       "Собирает из текстовой карты файлы IMG компилятором mkgmap, с gmapsupp.img для приёмника; "
       "по умолчанию в папку карты. mkgmap и его параметры: раздел [Mkgmap] файла mirvex.ini.",
       RunCompile},
      {"build", "build MIF MID [--output DIR] [--home DIR] [--set KEY=VALUE]... [--quiet]",
       "Конвертирует карту MIF/MID и сразу собирает из неё файлы IMG (большую карту - по частям, на всех "
       "ядрах процессора); карта .mp и файлы IMG - в папке DIR, по умолчанию в папке MIF.",
       RunBuild},
  };
  return commands;
}

int UsageError(const std::string& message) {
  WriteUtf8(stderr, "mirvex: " + message + "\nСправка: mirvex --help\n");
  return kExitUsage;
}

}  // namespace mirvex
