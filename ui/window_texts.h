// Texts and helpers both window bindings show the same way.
#pragma once

#include <climits>
#include <cstdint>

namespace mirvex::ui {

// The welcome panel's notes under the help link (UTF-8).
inline constexpr const char* kWelcomeNotes[] = {
    "Программа появилась из желания готовить карты для своего навигатора без ручной "
    "правки тысяч объектов.",
    "Если вы нашли ошибку, сообщите о ней: пришлите карту, на которой она видна, и "
    "опишите, что вы делали.",
    "Идеи и пожелания тоже приветствуются: многое в программе появилось по просьбам "
    "пользователей.",
};

// A progress bar holds ints: a large file is shown in units of 2^shift bytes, the
// shift chosen so that the maximum fits.
inline int ProgressShift(std::int64_t maximum) {
  int shift = 0;
  while ((maximum >> shift) > INT_MAX) ++shift;
  return shift;
}

inline int ProgressUnits(std::int64_t value, int shift) {
  value >>= shift;
  return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

}  // namespace mirvex::ui
