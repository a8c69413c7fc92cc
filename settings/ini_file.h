// INI files with private-profile semantics: sections and keys match without regard to
// letter case, a missing file reads as empty, writing creates what is missing and
// keeps every other line. Texts and paths are cp1251; lines are written with CR LF.
#pragma once

#include <string>
#include <string_view>

namespace mirvex {

// The value of `key` in `section`, cut to 254 characters; empty when the file,
// section or key is missing.
std::string ReadPrivateProfile(std::string_view ini_path, std::string_view section,
                               std::string_view key);

// Sets `key` in `section` to `value`, creating the file, section or key when missing.
// Every other line, comment and section stays as it was. False when the file cannot
// be written (the file is then unchanged).
bool WritePrivateProfile(std::string_view ini_path, std::string_view section,
                         std::string_view key, std::string_view value);

// The settings file of a program folder: folder + separator + "mirvex.ini".
std::string SettingsPath(std::string_view program_folder);

// ReadSetting / WriteSetting: the same on the program folder's mirvex.ini.
std::string ReadSetting(std::string_view program_folder, std::string_view section,
                        std::string_view key);
bool WriteSetting(std::string_view program_folder, std::string_view section,
                  std::string_view key, std::string_view value);

}  // namespace mirvex
