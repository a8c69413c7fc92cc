#include "core/program_folder.h"

#include <filesystem>
#include <system_error>

#include "core/platform.h"

namespace mirvex {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSeedFiles[] = {"config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"};

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
  return SameFile(std::string(program_prefix) + "mirvex.ini", path);
}

std::string ShippedDataFolder() {
  fs::path executable_folder = NativePath(ExecutableFolder());
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

std::string ProgramFolder() {
  fs::path executable_folder = NativePath(ExecutableFolder());
  if (!Installed(executable_folder, nullptr) && FolderWritable(executable_folder)) {
    return PathText(executable_folder);
  }
  std::string folder = PathText(UserDataFolder());
  SeedProgramFolder(folder, ShippedDataFolder());
  return folder;
}

}  // namespace mirvex
