#include "base/program_folder.h"

#include <filesystem>
#include <system_error>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"

namespace mirvex {

namespace fs = std::filesystem;

namespace {

// The shipped files of a program folder. mirvex.ini holds the window's starting
// settings (the sample's columns among them): a folder without it converts with empty
// column numbers.
constexpr const char* kSeedFiles[] = {"mirvex.ini", "config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"};

// An installed program: .../bin/mirvex with .../share/mirvex beside it.
bool Installed(const fs::path& executable_folder, fs::path* shared) {
  fs::path candidate = executable_folder.parent_path() / "share" / "mirvex";
  std::error_code error;
  if (executable_folder.filename() != "bin" || !fs::is_directory(candidate, error)) return false;
  if (shared) *shared = candidate;
  return true;
}

}  // namespace

bool IsProgramFile(std::string_view program_prefix, std::string_view path) {
  for (const char* name : kSeedFiles) {
    if (SameFile(std::string(program_prefix) + name, path)) return true;
  }
  return false;
}

std::string ShippedDataFolder() {
  fs::path executable_folder = ExecutableFolder();
  fs::path shared;
  return Installed(executable_folder, &shared) ? PathText(shared) : PathText(executable_folder);
}

bool SeedProgramFolder(const std::string& folder, const std::string& shipped) {
  fs::path target = NativePath(folder);
  fs::path source = NativePath(shipped);
  std::error_code error;
  fs::create_directories(target, error);
  if (!fs::is_directory(target, error)) return false;
  for (const char* name : kSeedFiles) {
    if (!fs::exists(target / name, error) && fs::exists(source / name, error)) {
      fs::copy_file(source / name, target / name, error);
    }
  }
  if (!fs::exists(target / "help", error) && fs::is_directory(source / "help", error)) {
    fs::copy(source / "help", target / "help", fs::copy_options::recursive, error);
  }
  return true;
}

std::string ProgramFolder(bool* name_fits) {
  fs::path executable_folder = ExecutableFolder();
  fs::path folder = !Installed(executable_folder, nullptr) && FolderWritable(executable_folder)
                        ? executable_folder
                        : UserDataFolder();
  bool fits = PathFitsText(folder);
  if (name_fits) *name_fits = fits;
  // A folder whose name the texts cannot hold is not seeded: its text names another.
  if (folder != executable_folder && fits) SeedProgramFolder(PathText(folder), ShippedDataFolder());
  return PathText(folder);
}

std::string ProgramFolderNameMessage(const std::string& folder) {
  return Ru("В пути к папке программы есть символы вне кодировки cp1251, её файлы (настройки, "
            "словарь) не будут найдены:") +
         std::string(kLineBreak) + folder + std::string(kLineBreak) +
         Ru("Перенесите программу в другую папку или укажите папку данных переменной ") + kUserDataVariable +
         Ru(" (в командной строке также параметром --home).");
}

}  // namespace mirvex
