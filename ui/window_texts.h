// Texts and helpers both window bindings show the same way.
#pragma once

#include <climits>
#include <cstdint>

namespace mirvex::ui {

// Captions both window bindings write beside the model's controls (UTF-8).
inline constexpr const char* kWelcomeTitle = "Mirvex";
inline constexpr const char* kWelcomeSubtitle = "Перевод карт из формата MapInfo (MIF/MID) в текстовый формат Garmin";
inline constexpr const char* kWelcomeAbilities = "Программа умеет:";
// The help link's text; each binding puts it into its own link markup.
inline constexpr const char* kHelpLinkText = "Перед началом работы прочитайте справку программы.";
// The conversion panel's three path boxes: the MIF, the MID and the result.
inline constexpr const char* kConversionPathCaptions[] = {"Карта:", "Текстовый файл:", "Результат:"};
inline constexpr const char* kColumnCountCaption = "Количество столбцов:";
inline constexpr const char* kTypeColumnCaption = "\"Тип объекта\" по стобцу:";
inline constexpr const char* kLabelColumnCaption = "\"Подписи\" по стобцу:";
inline constexpr const char* kLatitudeCaption = "Широта:";
inline constexpr const char* kLongitudeCaption = "Долгота:";
inline constexpr const char* kLowerLeftCorner = "Координата нижнего левого угла";
inline constexpr const char* kUpperRightCorner = "Координата верхнего правого угла";
inline constexpr const char* kUpperLeftCorner = "Координата верхнего левого угла";
inline constexpr const char* kLowerRightCorner = "Координата нижнего правого угла";
inline constexpr const char* kRotationAngleCaption = "Угол поворта:";
inline constexpr const char* kMkgmapPathCaption = "Путь к mkgmap:";
inline constexpr const char* kMkgmapOptionsCaption = "Параметры mkgmap:";
// The note under the compiler settings: where mkgmap comes from on the binding's
// system, then what "Собрать IMG" compiles.
inline constexpr const char* kMkgmapNoteLinux =
    "Пусто - команда mkgmap (пакет mkgmap в Debian и Ubuntu). В Windows укажите файл mkgmap.jar; "
    "нужна Java. «Собрать IMG» собирает результат последней конвертации или обрезки.";
inline constexpr const char* kMkgmapNoteWindows =
    "Пусто - команда mkgmap. В Windows укажите файл mkgmap.jar; нужна Java. «Собрать IMG» собирает "
    "результат последней конвертации или обрезки.";
// The crop panel's map and result boxes.
inline constexpr const char* kCropMapCaption = "Карта:";
inline constexpr const char* kCropResultCaption = "Результат:";
inline constexpr const char* kTestMapNote = "Файл должен уже существовать: он будет заменён тестовой картой.";
// The object window's name, region and type boxes.
inline constexpr const char* kObjectWindowCaptions[] = {"Имя объекта:", "Регион:", "Тип объекта:"};

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
