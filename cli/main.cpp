// mirvex COMMAND ...: runs one operation of the main window from the command line.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/window_start.h"
#include "cli/commands.h"
#include "cli/operation_setup.h"

namespace {

using mirvex::WriteUtf8;

void PrintHelp() {
  std::string help = "Mirvex: MapInfo MIF/MID -> текстовая карта Garmin.\n\nКоманды:\n";
  for (const auto& command : mirvex::Commands()) {
    help += std::string("  mirvex ") + command.synopsis + "\n      " + command.description + "\n";
  }
  help +=
      "\nБез команды mirvex открывает главное окно (программу mirvex-window рядом с mirvex).\n"
      "\nПараметры:\n"
      "  --home DIR       папка программы (mirvex.ini, config.ini, object.txt);\n"
      "                   по умолчанию: " +
      mirvex::Cp1251ToUtf8(mirvex::ProgramFolder()) +
      "\n" +
      mirvex::Cp1251ToUtf8(mirvex::ProgramFolderUsage()) +
      "  --set KEY=VALUE  заменяет значение ключа раздела System файла mirvex.ini\n"
      "                   на время этого запуска (файл не изменяется); ключи ниже\n"
      "  --quiet          не показывать процент выполнения\n"
      "  --saved          (convert) все сохранённые тройки путей MIF, MID, результат\n"
      "  --output DIR     (compile, build) папка для файлов IMG; по умолчанию папка карты\n"
      "\nКлючи --set (числа пишутся с точкой: 0.5):\n";
  for (const mirvex::OverridableKey& key : mirvex::OverridableKeys()) {
    std::string name = key.key;
    help += "  " + name + std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') + key.meaning + "\n";
  }
  help +=
      "\nКод завершения: 0 - операция завершена, 1 - остановлена из-за ошибки,\n"
      "2 - ошибка в командной строке.\n";
  WriteUtf8(stdout, help);
}

// Without a command the program is the window, which is a program of its own beside
// this one (it needs a window system, the commands do not). Where no window can open,
// the reason is given here, without starting it.
int StartWindow(char** argv) {
  using namespace mirvex;
  if (!DisplayNamed()) {
    WriteUtf8(stderr, NoDisplayMessage());
    return kWindowCannotStart;
  }
  std::filesystem::path window = ExecutableFolder() / (std::string("mirvex-window") + kExecutableSuffix);
  if (auto status = HandOverTo(window, argv)) return *status;
  std::error_code error;
  bool exists = std::filesystem::exists(window, error);
  std::string where = Cp1251ToUtf8(PathText(window));
  if (!exists) {
    WriteUtf8(stderr, "Не найдена программа окна Mirvex: " + where +
                          "\n"
                          "Окно - отдельная программа mirvex-window, она должна лежать рядом с mirvex: установите\n"
                          "пакет mirvex целиком (или распакуйте переносную версию со всеми файлами).\n"
                          "Команды без окна: mirvex --help.\n");
  } else {
    WriteUtf8(stderr, "Не удалось запустить программу окна Mirvex: " + where +
                          "\n"
                          "Проверьте, что этот файл можно запускать, или переустановите пакет mirvex.\n"
                          "Команды без окна: mirvex --help.\n");
  }
  return kWindowCannotStart;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mirvex;
  RemoveTempFilesOnInterrupt();
  // The arguments as cp1251 texts, read from the system's own command line (on Windows
  // the UTF-16 one, so a name outside the ANSI code page is seen and refused below).
  std::vector<ProgramArgument> arguments = ProgramArguments(argc, argv);
  if (arguments.empty()) return StartWindow(argv);
  const std::string& name = arguments[0].text;
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp();
    return kExitCompleted;
  }
  const Command* command = nullptr;
  for (const auto& candidate : Commands()) {
    if (name == candidate.name) command = &candidate;
  }
  if (!command) return UsageError("неизвестная команда: " + arguments[0].typed);

  // A path with a character the program's texts cannot hold would name another file.
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (!arguments[i].fits) {
      return UsageError("в аргументе есть символы вне кодировки cp1251 (переименуйте файл или папку): " +
                        arguments[i].typed);
    }
  }
  CommandLine command_line;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i].text;
    if (argument == "--help" || argument == "-h") {
      command_line.help = true;
    } else if (argument == "--quiet" || argument == "-q") {
      command_line.quiet = true;
    } else if (argument == "--saved") {
      command_line.saved = true;
    } else if (argument == "--home" || argument == "--set" || argument == "--output") {
      if (i + 1 >= arguments.size()) return UsageError("после " + argument + " нужно значение");
      std::string value = arguments[++i].text;
      if (argument == "--home") {
        command_line.home = value;
      } else if (argument == "--output") {
        command_line.output = value;
      } else {
        auto equals = value.find('=');
        if (equals == std::string::npos || equals == 0) {
          return UsageError("--set ждёт KEY=VALUE, получено: " + arguments[i].typed);
        }
        command_line.settings.emplace_back(value.substr(0, equals), value.substr(equals + 1));
      }
    } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
      return UsageError("неизвестный параметр: " + arguments[i].typed);
    } else {
      command_line.positional.push_back(argument);
    }
  }
  if (command_line.help) {
    WriteUtf8(stdout, std::string("mirvex ") + command->synopsis + "\n    " + command->description + "\n");
    return kExitCompleted;
  }
  return command->run(command_line);
}
