// What the main window's source files share: the window classes it registers, the
// left column's size in dialog units, the size the window opens at, and the caption
// text of a UTF-8 literal.
#pragma once

#include <windows.h>

#include <string>

#include "base/cp1251.h"
#include "base/platform.h"

namespace mirvex::ui::win32 {

inline constexpr wchar_t kMainClass[] = L"MirvexMainWindow";
inline constexpr wchar_t kBoxClass[] = L"MirvexBox";
inline constexpr wchar_t kSplitterClass[] = L"MirvexSplitter";
inline constexpr wchar_t kObjectClass[] = L"MirvexObjectWindow";

// The left column (dialog units): the widest panel, the same for every panel, so the
// lists beside it never move.
inline constexpr int kLeftColumnUnits = 252;
inline constexpr int kTallestPanelUnits = 370;
inline constexpr int kOperationsUnits = 86;
// The window opens this size (twips), as the Qt window does.
inline constexpr int kWindowHeight = 9600;
inline constexpr int kWindowWidth = 15000;

inline std::wstring Wide(const char* utf8) { return WideText(Ru(utf8)); }

}  // namespace mirvex::ui::win32
