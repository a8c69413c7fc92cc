// A program folder for the window tests: the shipped files and the sample's settings in
// a folder of its own, removed afterwards.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "base/platform.h"
#include "settings/ini_file.h"

namespace mirvex::test {

struct ProgramFolder {
  ProgramFolder() {
    namespace fs = std::filesystem;
    const fs::path data = MIRVEX_SOURCE_DATA;
    std::random_device random;
    path = fs::temp_directory_path() / ("mirvex-win32-" + std::to_string(random()));
    fs::create_directories(path);
    for (const char* file : {"config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"}) {
      fs::copy_file(data / file, path / file);
    }
    fs::copy_file(data / "sample/mirvex.ini", path / "mirvex.ini");
  }
  ~ProgramFolder() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  std::string text() const { return PathText(path); }
  std::string File(const char* name) const { return PathText(path / name); }
  std::string Setting(const char* section, const char* key) const { return ReadSetting(text(), section, key); }
  std::filesystem::path path;
};

}  // namespace mirvex::test
