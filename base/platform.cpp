#include "base/platform.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "base/cp1251.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

namespace mirvex {

namespace fs = std::filesystem;

#ifdef _WIN32
// On Windows the program's cp1251 texts are the ANSI code page of a Russian system.
fs::path NativePath(std::string_view cp1251_path) {
  int n = MultiByteToWideChar(1251, 0, cp1251_path.data(), static_cast<int>(cp1251_path.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(1251, 0, cp1251_path.data(), static_cast<int>(cp1251_path.size()), wide.data(), n);
  return fs::path(wide);
}
std::string PathText(const fs::path& path) { return Utf8ToCp1251(reinterpret_cast<const char*>(path.u8string().c_str())); }
std::string ArgumentText(std::string_view argument) { return std::string(argument); }
// The arguments are in the ANSI code page already; what it lacked was replaced by the
// system before the program saw it.
bool ArgumentFitsText(std::string_view) { return true; }
fs::path ExecutableFolder() {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return fs::path(std::wstring(buffer, n)).parent_path();
}
bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }
bool DisplayNamed() { return true; }
std::optional<int> HandOverTo(const fs::path& program, char**) {
  // The arguments as typed: what follows this program's name on its own command line,
  // unchanged, so characters outside the ANSI code page and the quoting survive. The
  // name ends at its closing quotation mark when quoted, else at the first blank.
  const wchar_t* rest = GetCommandLineW();
  if (*rest == L'"') {
    ++rest;
    while (*rest && *rest != L'"') ++rest;
    if (*rest) ++rest;
  } else {
    while (*rest && *rest != L' ' && *rest != L'\t') ++rest;
  }
  std::wstring command_line = L"\"" + program.wstring() + L"\"" + rest;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::fflush(nullptr);
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return std::nullopt;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  if (!GetExitCodeProcess(process.hProcess, &status)) status = 1;
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
#else
fs::path NativePath(std::string_view cp1251_path) { return fs::path(Cp1251ToUtf8(cp1251_path)); }
std::string PathText(const fs::path& path) { return Utf8ToCp1251(path.string()); }
std::string ArgumentText(std::string_view argument) { return Utf8ToCp1251(argument); }
bool ArgumentFitsText(std::string_view argument) { return FitsCp1251(argument); }
fs::path ExecutableFolder() {
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error) return fs::current_path(error);
  return exe.parent_path();
}
bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }
std::optional<int> HandOverTo(const fs::path& program, char** argv) {
  std::string path = program.string();
  std::vector<char*> arguments{path.data()};
  if (argv && *argv) {
    for (char** argument = argv + 1; *argument; ++argument) arguments.push_back(*argument);
  }
  arguments.push_back(nullptr);
  // What is still buffered would go with the replaced process image.
  std::fflush(nullptr);
  execv(path.c_str(), arguments.data());
  return std::nullopt;
}
bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}
#endif

bool FolderWritable(const fs::path& folder) {
#ifdef _WIN32
  std::error_code error;
  fs::path probe = folder / ".mirvex-write-test";
  std::FILE* file = _wfopen(probe.c_str(), L"wb");
  if (!file) return false;
  std::fclose(file);
  fs::remove(probe, error);
  return true;
#else
  return access(folder.c_str(), W_OK) == 0;
#endif
}

fs::path UserDataFolder() {
#ifdef _WIN32
  const wchar_t* appdata = _wgetenv(L"APPDATA");
  return fs::path(appdata ? appdata : L".") / "mirvex";
#else
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return fs::path(xdg) / "mirvex";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / ".local" / "share" / "mirvex";
#endif
}

std::FILE* OpenForReading(std::string_view cp1251_path) {
  if (cp1251_path.empty()) return nullptr;
  fs::path path = NativePath(cp1251_path);
  std::error_code error;
  if (fs::is_directory(path, error)) return nullptr;
#ifdef _WIN32
  return _wfopen(path.c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

std::optional<FileStamp> StampOf(const fs::path& path) {
#ifndef _WIN32
  // One system call: the dictionary's cache asks once per object.
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  auto nanoseconds = [](const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
  };
  return FileStamp{static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim),
                   static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
#else
  std::error_code error;
  auto size = fs::file_size(path, error);
  if (error) return std::nullopt;
  auto time = fs::last_write_time(path, error);
  if (error) return std::nullopt;
  auto modified = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
  return FileStamp{size, modified, modified, 0, 0};
#endif
}

std::int64_t FileClockNowNs() {
#ifndef _WIN32
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
#else
  return std::chrono::duration_cast<std::chrono::nanoseconds>(fs::file_time_type::clock::now().time_since_epoch())
      .count();
#endif
}

std::optional<FileStamp> StampOf(std::string_view cp1251_path) { return StampOf(NativePath(cp1251_path)); }

bool SameFile(std::string_view a, std::string_view b) {
  std::error_code error;
  bool same = fs::equivalent(NativePath(a), NativePath(b), error);
  return !error && same;
}

std::FILE* CreateTempBeside(std::string_view target, std::string& temp_path) {
  fs::path native = NativePath(target);
  fs::path folder = native.parent_path();
  std::string stem(1, '.');
  stem += native.filename().string();
  stem += ".mirvex-";
#ifdef _WIN32
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = folder / (stem + std::to_string(GetTickCount64() + attempt));
    std::FILE* file = _wfopen(candidate.c_str(), L"wbx");
    if (file) {
      temp_path = PathText(candidate);
      return file;
    }
  }
  return nullptr;
#else
  std::string pattern = (folder.empty() ? fs::path(stem) : folder / stem).string() + "XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return nullptr;
  // mkstemp makes the file private; a result should get the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    close(fd);
    unlink(pattern.c_str());
    return nullptr;
  }
  temp_path = Utf8ToCp1251(pattern);
  return file;
#endif
}

std::string LinkedFile(std::string_view cp1251_path) {
  std::error_code error;
  fs::path native = NativePath(cp1251_path);
  if (!fs::is_symlink(native, error)) return std::string(cp1251_path);
  fs::path resolved = fs::weakly_canonical(native, error);
  return error ? std::string(cp1251_path) : PathText(resolved);
}

bool ReplaceFile(std::string_view temp, std::string_view target) {
  std::error_code error;
  fs::rename(NativePath(temp), NativePath(target), error);
  return !error;
}

void RemoveFile(std::string_view cp1251_path) {
  std::error_code error;
  fs::remove(NativePath(cp1251_path), error);
}

#ifdef _WIN32
// A console Ctrl+C ends a Windows process without running handlers that could
// remove files safely; the temporary files then stay, hidden by their dot names.
void WatchTempFile(std::string_view) {}
void UnwatchTempFile(std::string_view) {}
void RemoveTempFilesOnInterrupt() {}
void AwaitStopRequests(bool) {}
bool InterruptRequested() { return false; }
#else
namespace {
// Fixed slots, so the signal handler touches no allocated memory: a slot's path is
// complete before `used` is set and `used` is cleared before the path changes.
struct TempSlot {
  volatile std::sig_atomic_t used = 0;
  char path[4096] = {};
};
TempSlot temp_slots[8];

volatile std::sig_atomic_t stop_awaited = 0;
volatile std::sig_atomic_t stop_requested = 0;

void InstallHandler(int signal_number, void (*handler_function)(int), int flags) {
  struct sigaction handler {};
  handler.sa_handler = handler_function;
  handler.sa_flags = flags;
  sigemptyset(&handler.sa_mask);
  sigaction(signal_number, &handler, nullptr);
}

void RemoveTempFilesAndRaise(int signal_number) {
  if (stop_awaited && !stop_requested) {
    // The run sees the request and ends cleanly; the next signal ends the program.
    stop_requested = 1;
    InstallHandler(signal_number, RemoveTempFilesAndRaise, SA_RESETHAND);
    return;
  }
  for (TempSlot& slot : temp_slots) {
    if (slot.used) unlink(slot.path);
  }
  // The handler was reset on entry (SA_RESETHAND): the signal, delivered again once
  // the handler returns, ends the program with its usual status.
  raise(signal_number);
}
}  // namespace

void AwaitStopRequests(bool awaiting) { stop_awaited = awaiting ? 1 : 0; }

bool InterruptRequested() { return stop_requested != 0; }

void WatchTempFile(std::string_view cp1251_path) {
  std::string native = NativePath(cp1251_path).string();
  if (native.size() >= sizeof(TempSlot::path)) return;
  for (TempSlot& slot : temp_slots) {
    if (slot.used) continue;
    std::memcpy(slot.path, native.c_str(), native.size() + 1);
    slot.used = 1;
    return;
  }
}

void UnwatchTempFile(std::string_view cp1251_path) {
  std::string native = NativePath(cp1251_path).string();
  for (TempSlot& slot : temp_slots) {
    if (slot.used && native == slot.path) {
      slot.used = 0;
      return;
    }
  }
}

void RemoveTempFilesOnInterrupt() {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    InstallHandler(signal_number, RemoveTempFilesAndRaise, SA_RESETHAND);
  }
}
#endif

}  // namespace mirvex
