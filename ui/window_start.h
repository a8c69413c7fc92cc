// What is said when the main window cannot be opened. Both the window program and
// `mirvex` without a command (which looks for a display before it starts the window)
// say it, so the texts live here, outside the Qt part.
#pragma once

#include <string>

namespace mirvex::ui {

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

}  // namespace mirvex::ui
