// The platform functions that read the same on every system; the rest are in
// platform_posix.cpp and platform_windows.cpp, one of which the build compiles.
#include "base/platform.h"

#include <system_error>

#include "base/cp1251.h"
#include "base/platform_internal.h"

namespace mirvex {

namespace fs = std::filesystem;
using namespace platform_internal;

void WriteText(std::FILE* stream, std::string_view cp1251_text) { WriteUtf8(stream, Cp1251ToUtf8(cp1251_text)); }

std::FILE* OpenForReading(std::string_view cp1251_path) {
  if (cp1251_path.empty()) return nullptr;
  fs::path path = NativePath(cp1251_path);
  std::error_code error;
  if (fs::is_directory(path, error)) return nullptr;
  return OpenNativeForReading(path);
}

std::optional<FileStamp> StampOf(std::string_view cp1251_path) { return StampOf(NativePath(cp1251_path)); }

bool SameFile(std::string_view a, std::string_view b) {
  std::error_code error;
  bool same = fs::equivalent(NativePath(a), NativePath(b), error);
  return !error && same;
}

std::string LinkedFile(std::string_view cp1251_path) {
  std::error_code error;
  fs::path native = NativePath(cp1251_path);
  if (!fs::is_symlink(native, error)) return std::string(cp1251_path);
  fs::path resolved = fs::weakly_canonical(native, error);
  return error ? std::string(cp1251_path) : PathText(resolved);
}

void RemoveFile(std::string_view cp1251_path) {
  std::error_code error;
  fs::remove(NativePath(cp1251_path), error);
}

namespace {
bool IsRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}
}  // namespace

std::string JavaProgram() {
  const fs::path java_name = std::string("java") + kExecutableSuffix;
  std::optional<fs::path> home = EnvironmentPath("JAVA_HOME");
  if (home && IsRegularFile(*home / "bin" / java_name)) return PathText(*home / "bin" / java_name);
  for (const fs::path& folder : SearchPathFolders()) {
    if (IsRegularFile(folder / java_name)) return PathText(folder / java_name);
  }
  for (const fs::path& registered : RegisteredJavaHomes()) {
    if (IsRegularFile(registered / "bin" / java_name)) return PathText(registered / "bin" / java_name);
  }
  return "java";
}

}  // namespace mirvex
