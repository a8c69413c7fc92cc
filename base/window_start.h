// What is said when the main window cannot be opened, and what the window program's
// arguments ask for. Both the window program and `mirvex` without a command (which
// looks for a display before it starts the window) say it, so the texts live here,
// below the window and the command line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mirvex {

// The exit status when no window can be opened: no display, a display that refuses,
// or a window program that is missing or cannot be started.
inline constexpr int kWindowCannotStart = 2;

// How to go on without a window; ends every message about a window that did not open.
inline constexpr char kWindowAdvice[] =
    "Команды без окна: mirvex --help. Чтобы открыть окно, задайте DISPLAY (например, DISPLAY=:0)\n"
    "или запустите программу в графическом сеансе.\n";

// Neither DISPLAY nor WAYLAND_DISPLAY (nor a window system) is named.
inline std::string NoDisplayMessage() {
  return std::string("Нет дисплея, на котором можно открыть окно Mirvex (DISPLAY и WAYLAND_DISPLAY не заданы).\n") +
         kWindowAdvice;
}

// A display is named but does not answer (Qt gave up opening it).
inline std::string DisplayRefusedMessage() {
  return std::string("Не удалось открыть окно Mirvex: дисплей недоступен или не принимает подключение.\n") +
         kWindowAdvice;
}

// What the window program's arguments ask for before any window opens.
enum class WindowStart {
  kWindow,   // no argument: the main window
  kDraw,     // --draw ...: a picture of a map, without a window
  kHelp,     // --help or -h: the usage on standard output, status 0
  kUnknown,  // anything else: the usage on standard error, status kWindowUsageError
};

// The request of the first argument (`argument_count` of them after the program's name).
// `draws`: the program can draw a map to a picture (the Qt window).
inline WindowStart WindowStartFor(std::size_t argument_count, std::string_view first, bool draws) {
  if (argument_count == 0) return WindowStart::kWindow;
  if (first == "--help" || first == "-h") return WindowStart::kHelp;
  if (draws && first == "--draw") return WindowStart::kDraw;
  return WindowStart::kUnknown;
}

// The exit status of a window program given an argument it does not know.
inline constexpr int kWindowUsageError = 2;

// The window program's usage, printed for --help and after an argument it does not
// know. `draws` as for WindowStartFor.
inline std::string WindowUsage(bool draws) {
  std::string usage =
      "Mirvex: главное окно программы (команды без окна: mirvex --help).\n\n"
      "  mirvex-window\n"
      "      открывает главное окно; настройки - в папке программы (mirvex.ini)\n"
      "  mirvex-window --help\n"
      "      эта справка\n";
  if (draws) {
    usage +=
        "  mirvex-window --draw INPUT OUT.png [--size WxH] [--crop] [--home DIR]\n"
        "      рисует карту в файл PNG, не показывая окна: INPUT - файл .mif (файл .mid\n"
        "      рядом с ним) или текстовая карта Garmin; под картой - условные обозначения\n"
        "\nПараметры --draw:\n"
        "  --size WxH   размер рисунка в точках, от 16 до 16384 (по умолчанию 1280x800)\n"
        "  --crop       нарисовать прямоугольник вырезания Koord2..Koord5 из mirvex.ini\n"
        "  --home DIR   папка программы (mirvex.ini, config.ini, object.txt);\n"
        "               по умолчанию папка, в которой работает окно\n";
  }
  usage += "\nКод завершения: 0 - готово, ";
  if (draws) usage += "1 - рисунок не сделан, ";
  usage += "2 - ошибка в командной строке\nили окно не открылось.\n";
  return usage;
}

// What a window program says of an argument it does not know (`typed` as the user typed
// it, UTF-8): the argument, then the usage.
inline std::string UnknownWindowArgument(const std::string& typed, bool draws) {
  return "mirvex-window: неизвестный параметр: " + typed + "\n\n" + WindowUsage(draws);
}

}  // namespace mirvex
