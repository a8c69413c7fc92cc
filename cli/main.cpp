// mirvex COMMAND ...: runs one operation of the main window from the command line.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "cli/commands.h"
#include "ui/window_start.h"

namespace {

void PrintHelp() {
  std::printf("Mirvex: MapInfo MIF/MID -> текстовая карта Garmin.\n\nКоманды:\n");
  for (const auto& command : mirvex::Commands()) {
    std::printf("  mirvex %s\n      %s\n", command.synopsis, command.description);
  }
  std::printf(
      "\nБез команды mirvex открывает главное окно (программу mirvex-window рядом с mirvex).\n"
      "\nПараметры:\n"
      "  --home DIR       папка программы (mirvex.ini, config.ini, object.txt);\n"
      "                   по умолчанию: %s\n"
      "                   (рядом с программой, если туда можно писать; у установленной\n"
      "                   программы - папка данных пользователя ~/.local/share/mirvex)\n"
      "  --set KEY=VALUE  заменяет значение ключа раздела System файла mirvex.ini\n"
      "                   на время этого запуска (файл не изменяется)\n"
      "  --quiet          не показывать процент выполнения\n\n"
      "Код завершения: 0 - операция завершена, 1 - остановлена из-за ошибки,\n"
      "2 - ошибка в командной строке.\n",
      mirvex::Cp1251ToUtf8(mirvex::ProgramFolder()).c_str());
}

// Without a command the program is the window, which is a program of its own beside
// this one (it needs Qt, the commands do not). Where no window can open, the reason is
// given here, without starting it.
int StartWindow(char** argv) {
  using namespace mirvex;
  if (!DisplayNamed()) {
    std::fputs(ui::NoDisplayMessage().c_str(), stderr);
    return ui::kWindowCannotStart;
  }
  std::filesystem::path window = ExecutableFolder() / (std::string("mirvex-window") + kExecutableSuffix);
  if (auto status = HandOverTo(window, argv)) return *status;
  std::error_code error;
  bool exists = std::filesystem::exists(window, error);
  std::string where = reinterpret_cast<const char*>(window.u8string().c_str());
  if (!exists) {
    std::fprintf(stderr,
                 "Не найдена программа окна Mirvex: %s\n"
                 "Окно - отдельная программа mirvex-window, она должна лежать рядом с mirvex: установите\n"
                 "пакет mirvex целиком (или распакуйте переносную версию со всеми файлами).\n"
                 "Команды без окна: mirvex --help.\n",
                 where.c_str());
  } else {
    std::fprintf(stderr,
                 "Не удалось запустить программу окна Mirvex: %s\n"
                 "Проверьте, что этот файл можно запускать, или переустановите пакет mirvex.\n"
                 "Команды без окна: mirvex --help.\n",
                 where.c_str());
  }
  return ui::kWindowCannotStart;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mirvex;
  RemoveTempFilesOnInterrupt();
  if (argc < 2) return StartWindow(argv);
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp();
    return kExitCompleted;
  }
  const Command* command = nullptr;
  for (const auto& candidate : Commands()) {
    if (name == candidate.name) command = &candidate;
  }
  if (!command) return UsageError("неизвестная команда: " + name);

  CommandLine command_line;
  for (int i = 2; i < argc; ++i) {
    std::string argument = argv[i];
    // A path with a character the program's texts cannot hold would name another file.
    if (!ArgumentFitsText(argument)) {
      return UsageError("в аргументе есть символы вне кодировки cp1251 (переименуйте файл или папку): " +
                        argument);
    }
    if (argument == "--help" || argument == "-h") {
      command_line.help = true;
    } else if (argument == "--quiet" || argument == "-q") {
      command_line.quiet = true;
    } else if (argument == "--home" || argument == "--set") {
      if (i + 1 >= argc) return UsageError("после " + argument + " нужно значение");
      std::string value = argv[++i];
      if (argument == "--home") {
        command_line.home = value;
      } else {
        auto equals = value.find('=');
        if (equals == std::string::npos || equals == 0) {
          return UsageError("--set ждёт KEY=VALUE, получено: " + value);
        }
        command_line.settings.emplace_back(value.substr(0, equals), value.substr(equals + 1));
      }
    } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
      return UsageError("неизвестный параметр: " + argument);
    } else {
      command_line.positional.push_back(argument);
    }
  }
  if (command_line.help) {
    std::printf("mirvex %s\n    %s\n", command->synopsis, command->description);
    return kExitCompleted;
  }
  return command->run(command_line);
}
