#include "base/platform.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "base/cp1251.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <mutex>
#else
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
#endif

namespace mirvex {

namespace fs = std::filesystem;

#ifdef _WIN32
// The program's cp1251 texts reach the system as UTF-16 through the program's own
// cp1251 table (the same on every system, whatever its ANSI code page).
namespace {
std::wstring WideFromUtf8(std::string_view utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}
std::string Utf8FromWide(std::wstring_view wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}
}  // namespace

std::wstring WideText(std::string_view cp1251_text) { return WideFromUtf8(Cp1251ToUtf8(cp1251_text)); }

std::string TextFromWide(std::wstring_view wide, bool* fits) {
  std::string utf8 = Utf8FromWide(wide);
  if (fits) *fits = FitsCp1251(utf8);
  return Utf8ToCp1251(utf8);
}

fs::path NativePath(std::string_view cp1251_path) { return fs::path(WideText(cp1251_path)); }
std::string PathText(const fs::path& path) { return TextFromWide(path.native()); }

std::vector<ProgramArgument> ProgramArguments(int, char**) {
  std::vector<ProgramArgument> arguments;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return arguments;
  for (int i = 1; i < count; ++i) {
    ProgramArgument argument;
    argument.text = TextFromWide(wide[i], &argument.fits);
    argument.typed = Utf8FromWide(wide[i]);
    arguments.push_back(std::move(argument));
  }
  LocalFree(wide);
  return arguments;
}

fs::path ExecutableFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  return fs::path(buffer).parent_path();
}

namespace {
HANDLE StreamHandle(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}
}  // namespace

// _isatty is true for the NUL device as well; only a console has a console mode.
bool IsTerminal(std::FILE* stream) { return IsConsole(StreamHandle(stream)); }

void WriteUtf8(std::FILE* stream, std::string_view utf8_text) {
  HANDLE handle = StreamHandle(stream);
  if (!IsConsole(handle)) {
    std::fwrite(utf8_text.data(), 1, utf8_text.size(), stream);
    return;
  }
  std::fflush(stream);
  std::wstring wide = WideFromUtf8(utf8_text);
  const wchar_t* rest = wide.data();
  DWORD left = static_cast<DWORD>(wide.size());
  while (left > 0) {
    DWORD written = 0;
    if (!WriteConsoleW(handle, rest, left, &written, nullptr) || written == 0) return;
    rest += written;
    left -= written;
  }
}

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
  // Started from Explorer the console is this program's own (no other program is
  // attached to it before the window starts) and its output goes there: waiting would
  // keep an empty console window open beside the window for the whole session, so it
  // goes at once. Started from a console of the user's, or by a program that reads
  // its output, the status is the window's.
  DWORD attached[2] = {};
  DWORD mode = 0;
  bool own_console = GetConsoleWindow() && GetConsoleProcessList(attached, 2) == 1 &&
                     GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
                     GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::fflush(nullptr);
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return std::nullopt;
  }
  CloseHandle(process.hThread);
  if (own_console) {
    CloseHandle(process.hProcess);
    return 0;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  if (!GetExitCodeProcess(process.hProcess, &status)) status = 1;
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
#else
fs::path NativePath(std::string_view cp1251_path) { return fs::path(Cp1251ToUtf8(cp1251_path)); }
std::string PathText(const fs::path& path) { return Utf8ToCp1251(path.string()); }
std::vector<ProgramArgument> ProgramArguments(int argc, char** argv) {
  std::vector<ProgramArgument> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back({Utf8ToCp1251(argv[i]), FitsCp1251(argv[i]), argv[i]});
  return arguments;
}
void WriteUtf8(std::FILE* stream, std::string_view utf8_text) {
  std::fwrite(utf8_text.data(), 1, utf8_text.size(), stream);
}
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

void WriteText(std::FILE* stream, std::string_view cp1251_text) { WriteUtf8(stream, Cp1251ToUtf8(cp1251_text)); }

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
  return fs::path(appdata && *appdata ? appdata : L".") / L"Mirvex";
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
  // Size, times and identity from one handle; the change time moves with every write,
  // even one that puts the modification time back.
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO times{};
  bool read = GetFileInformationByHandle(file, &info) &&
              GetFileInformationByHandleEx(file, FileBasicInfo, &times, sizeof(times));
  CloseHandle(file);
  if (!read) return std::nullopt;
  auto join = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  // FILETIME counts 100 ns steps.
  return FileStamp{join(info.nFileSizeHigh, info.nFileSizeLow), times.LastWriteTime.QuadPart * 100,
                   times.ChangeTime.QuadPart * 100, info.dwVolumeSerialNumber,
                   join(info.nFileIndexHigh, info.nFileIndexLow)};
#endif
}

std::int64_t FileClockNowNs() {
#ifndef _WIN32
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
#else
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) * 100;
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
#ifdef _WIN32
  // Shared for deletion, so that Ctrl+C or closing the console removes the file while
  // the run still holds it open (it goes when the last handle closes).
  std::wstring stem = L"." + native.filename().wstring() + L".mirvex-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = folder / (stem + std::to_wstring(GetTickCount64() + attempt));
    HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (!file) {
      if (fd < 0) CloseHandle(handle);
      else _close(fd);
      DeleteFileW(candidate.c_str());
      return nullptr;
    }
    temp_path = PathText(candidate);
    return file;
  }
  return nullptr;
#else
  std::string stem = "." + native.filename().string() + ".mirvex-";
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

bool MoveIntoPlace(std::string_view temp, std::string_view target) {
#ifdef _WIN32
  return MoveFileExW(NativePath(temp).c_str(), NativePath(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code error;
  fs::rename(NativePath(temp), NativePath(target), error);
  return !error;
#endif
}

void RemoveFile(std::string_view cp1251_path) {
  std::error_code error;
  fs::remove(NativePath(cp1251_path), error);
}

ReplaceObstacle ObstacleToReplacing(std::string_view cp1251_path) {
#ifdef _WIN32
  fs::path path = NativePath(cp1251_path);
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return ReplaceObstacle::kNone;
  if (attributes & FILE_ATTRIBUTE_READONLY) return ReplaceObstacle::kReadOnly;
  // Replacing needs the right to delete the file; a program that holds it open
  // without sharing it for deletion refuses that.
  HANDLE file = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? ReplaceObstacle::kInUse : ReplaceObstacle::kNone;
  }
  CloseHandle(file);
#else
  (void)cp1251_path;
#endif
  return ReplaceObstacle::kNone;
}

#ifdef _WIN32
namespace {
// The console's control events arrive on a thread of their own, so the list of
// temporary files is guarded by a lock rather than kept in fixed slots.
std::mutex temp_files_lock;
std::vector<std::wstring> temp_files;
std::atomic<bool> stop_awaited{false};
std::atomic<bool> stop_requested{false};

void RemoveWatchedTempFiles() {
  std::lock_guard<std::mutex> lock(temp_files_lock);
  // The run may still hold a file open: it was opened shared for deletion, so it
  // goes when the process ends.
  for (const std::wstring& path : temp_files) DeleteFileW(path.c_str());
  temp_files.clear();
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
  if (interrupt && stop_awaited && !stop_requested.exchange(true)) {
    // The run sees the request and ends cleanly; the next event ends the program.
    return TRUE;
  }
  RemoveWatchedTempFiles();
  if (interrupt) {
    // Ended at once with the status Windows gives a program ended by Ctrl+C, without
    // running exit handlers that could wait for the run's locked streams.
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  }
  // For a closed console, logoff or shutdown the system ends the process once the
  // handler returns.
  return FALSE;
}
}  // namespace

void AwaitStopRequests(bool awaiting) { stop_awaited = awaiting; }

bool InterruptRequested() { return stop_requested; }

void WatchTempFile(std::string_view cp1251_path) {
  std::lock_guard<std::mutex> lock(temp_files_lock);
  temp_files.push_back(NativePath(cp1251_path).wstring());
}

void UnwatchTempFile(std::string_view cp1251_path) {
  std::wstring native = NativePath(cp1251_path).wstring();
  std::lock_guard<std::mutex> lock(temp_files_lock);
  std::erase(temp_files, native);
}

void RemoveTempFilesOnInterrupt() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }
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


namespace {
// Hands the bytes read from a child to `on_line` a line at a time; a CR before the
// LF, and a CR alone (a percentage rewritten in place), end a line too.
class LineSplitter {
 public:
  LineSplitter(const std::function<void(std::string_view)>& on_line, std::string (*decode)(std::string_view))
      : on_line_(on_line), decode_(decode) {}
  void Add(const char* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      char c = bytes[i];
      if (c == '\n' || c == '\r') {
        if (!(c == '\n' && last_cr_)) Emit();
        last_cr_ = c == '\r';
        continue;
      }
      last_cr_ = false;
      pending_ += c;
    }
  }
  void Finish() {
    if (!pending_.empty()) Emit();
  }

 private:
  void Emit() {
    on_line_(decode_(pending_));
    pending_.clear();
  }
  const std::function<void(std::string_view)>& on_line_;
  std::string (*decode_)(std::string_view);
  std::string pending_;
  bool last_cr_ = false;
};

constexpr int kChildPollMs = 100;
#ifndef _WIN32
constexpr int kChildGraceMs = 2000;
#endif
}  // namespace

#ifdef _WIN32
std::wstring QuotedArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

namespace {

std::string TextFromAnsi(std::string_view bytes) {
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return TextFromWide(wide);
}

// This program's environment with the child's variables set on top, as the block
// CreateProcessW takes (NAME=value entries, each ending with a NUL, one more at the end).
std::wstring EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; entry && *entry; entry += std::wcslen(entry) + 1) {
    std::wstring_view text(entry);
    bool replaced = false;
    for (const auto& [name, value] : overrides) {
      std::wstring prefix = WideText(name) + L"=";
      replaced = replaced || (text.size() >= prefix.size() &&
                              CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                                   static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL);
    }
    if (!replaced) block.append(text).push_back(L'\0');
  }
  if (strings) FreeEnvironmentStringsW(strings);
  for (const auto& [name, value] : overrides) block.append(WideText(name + "=" + value)).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}
}  // namespace

ChildResult RunChild(const ChildProgram& child, const std::function<void(std::string_view)>& on_line,
                     const std::function<bool()>& keep_going) {
  ChildResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return result;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  // The program's name stands first, so that CreateProcessW looks it up as a command
  // prompt would (the program's folder, the system folders, PATH; ".exe" added).
  std::wstring command_line = QuotedArgument(WideText(child.program));
  for (const std::string& argument : child.arguments) command_line += L" " + QuotedArgument(WideText(argument));
  std::wstring environment = EnvironmentBlock(child.environment);
  std::wstring folder = child.folder.empty() ? std::wstring() : NativePath(child.folder).wstring();
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE,
                                CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
                                folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  CloseHandle(write_end);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) {
    CloseHandle(read_end);
    return result;
  }
  CloseHandle(process.hThread);
  LineSplitter lines(on_line, TextFromAnsi);
  char buffer[4096];
  // Reads what is in the pipe now, without waiting for more.
  auto read_available = [&] {
    DWORD available = 0;
    while (PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      DWORD got = 0;
      if (!ReadFile(read_end, buffer, std::min<DWORD>(available, sizeof(buffer)), &got, nullptr) || got == 0) return;
      lines.Add(buffer, got);
    }
  };
  bool stopped = false;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr)) break;  // every writer is gone
    if (available > 0) {
      read_available();
    } else if (WaitForSingleObject(process.hProcess, kChildPollMs) == WAIT_OBJECT_0) {
      // Ended: what it wrote last is read, not what a program it started may still write.
      read_available();
      break;
    }
    if (!stopped && !keep_going()) {
      stopped = true;
      TerminateProcess(process.hProcess, 1);
    }
  }
  // A stop that came as the child ended (Ctrl+C reaches both) still counts.
  if (!stopped && !keep_going()) stopped = true;
  lines.Finish();
  CloseHandle(read_end);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  result.end = stopped ? ChildEnd::kStopped : ChildEnd::kExited;
  result.status = static_cast<int>(status);
  return result;
}
#else
namespace {
std::string TextFromUtf8(std::string_view bytes) { return Utf8ToCp1251(bytes); }
}  // namespace

ChildResult RunChild(const ChildProgram& child, const std::function<void(std::string_view)>& on_line,
                     const std::function<bool()>& keep_going) {
  ChildResult result;
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return result;
  std::vector<std::string> texts{Cp1251ToUtf8(child.program)};
  for (const std::string& argument : child.arguments) texts.push_back(Cp1251ToUtf8(argument));
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  // The environment is put together here, not in the child: between fork and exec
  // only a few calls are safe in a program with threads (the window's).
  std::vector<std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    std::string_view text(*entry);
    bool replaced = false;
    for (const auto& [name, value] : child.environment) {
      replaced = replaced || (text.size() > name.size() && text.substr(0, name.size()) == name &&
                              text[name.size()] == '=');
    }
    if (!replaced) variables.emplace_back(text);
  }
  for (const auto& [name, value] : child.environment) variables.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  std::string folder = child.folder.empty() ? std::string() : NativePath(child.folder).string();
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  // The child starts with the signals' default actions and none blocked, whatever
  // this program set up for Ctrl+C.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, signal_number);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(pipe_ends[1]);
  if (error != 0) {
    close(pipe_ends[0]);
    return result;
  }
  LineSplitter lines(on_line, TextFromUtf8);
  char buffer[4096];
  bool stopped = false, killed = false, exited = false;
  int status = 0;
  auto stop_time = std::chrono::steady_clock::now();
  for (;;) {
    pollfd watched{pipe_ends[0], POLLIN, 0};
    int ready = poll(&watched, 1, kChildPollMs);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      ssize_t got = read(pipe_ends[0], buffer, sizeof(buffer));
      if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) break;
      if (got > 0) lines.Add(buffer, static_cast<std::size_t>(got));
    }
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    // Ended and quiet: a program it started may hold the pipe open, and is not waited for.
    if (exited && ready == 0) break;
    if (!stopped && !keep_going()) {
      stopped = true;
      stop_time = std::chrono::steady_clock::now();
      kill(pid, SIGTERM);
    }
    if (stopped && !killed && !exited &&
        std::chrono::steady_clock::now() - stop_time > std::chrono::milliseconds(kChildGraceMs)) {
      killed = true;
      kill(pid, SIGKILL);
    }
  }
  lines.Finish();
  close(pipe_ends[0]);
  // A stop that came as the child ended (Ctrl+C reaches both) still counts.
  if (!stopped && !keep_going()) stopped = true;
  while (!exited && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.end = stopped ? ChildEnd::kStopped : ChildEnd::kExited;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  return result;
}
#endif

namespace {

#ifdef _WIN32
std::optional<fs::path> EnvironmentPath(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  if (!value || !*value) return std::nullopt;
  return fs::path(value);
}

// The JavaHome of the version a JavaSoft key names as its CurrentVersion.
std::optional<fs::path> RegisteredJavaHome(const wchar_t* key) {
  for (DWORD view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    wchar_t version[128] = {};
    DWORD size = sizeof(version);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"CurrentVersion", RRF_RT_REG_SZ | view, nullptr, version, &size) !=
        ERROR_SUCCESS) {
      continue;
    }
    std::wstring version_key = std::wstring(key) + L"\\" + version;
    wchar_t home[MAX_PATH * 2] = {};
    size = sizeof(home);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, version_key.c_str(), L"JavaHome", RRF_RT_REG_SZ | view, nullptr, home,
                     &size) == ERROR_SUCCESS &&
        home[0]) {
      return fs::path(home);
    }
  }
  return std::nullopt;
}
#else
std::optional<fs::path> EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return fs::path(value);
}
#endif

bool IsRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

}  // namespace

std::string JavaProgram() {
#ifdef _WIN32
  const fs::path java_name = L"java.exe";
  std::optional<fs::path> home = EnvironmentPath(L"JAVA_HOME");
  std::optional<fs::path> path = EnvironmentPath(L"PATH");
  const wchar_t list_separator = L';';
#else
  const fs::path java_name = "java";
  std::optional<fs::path> home = EnvironmentPath("JAVA_HOME");
  std::optional<fs::path> path = EnvironmentPath("PATH");
  const char list_separator = ':';
#endif
  if (home && IsRegularFile(*home / "bin" / java_name)) return PathText(*home / "bin" / java_name);
  if (path) {
    auto folders = path->native();
    std::size_t start = 0;
    while (start <= folders.size()) {
      std::size_t end = folders.find(list_separator, start);
      if (end == decltype(folders)::npos) end = folders.size();
      auto folder = folders.substr(start, end - start);
#ifdef _WIN32
      // A folder in PATH may be quoted.
      if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') folder = folder.substr(1, folder.size() - 2);
#endif
      if (!folder.empty() && IsRegularFile(fs::path(folder) / java_name)) return PathText(fs::path(folder) / java_name);
      start = end + 1;
    }
  }
#ifdef _WIN32
  for (const wchar_t* key : {L"SOFTWARE\\JavaSoft\\JDK", L"SOFTWARE\\JavaSoft\\JRE",
                             L"SOFTWARE\\JavaSoft\\Java Runtime Environment",
                             L"SOFTWARE\\JavaSoft\\Java Development Kit"}) {
    std::optional<fs::path> registered = RegisteredJavaHome(key);
    if (registered && IsRegularFile(*registered / "bin" / java_name)) {
      return PathText(*registered / "bin" / java_name);
    }
  }
#endif
  return "java";
}

std::string MkgmapInstallAdvice() {
#ifdef _WIN32
  return Ru("Скачайте mkgmap с https://www.mkgmap.org.uk/download/mkgmap.html, распакуйте архив и укажите путь к "
            "файлу mkgmap.jar из него в поле «Путь к mkgmap» (кнопка «mkgmap» на панели конвертации; ключ Path "
            "раздела [Mkgmap] файла mirvex.ini). Для mkgmap нужна Java 11 или новее.");
#else
  return Ru("Установите пакет mkgmap (Debian, Ubuntu: sudo apt install mkgmap) или укажите путь к mkgmap.jar в поле "
            "«Путь к mkgmap» (кнопка «mkgmap» на панели конвертации; ключ Path раздела [Mkgmap] файла mirvex.ini).");
#endif
}

std::string JavaInstallAdvice() {
#ifdef _WIN32
  return Ru("Установите Java 11 или новее (например, https://adoptium.net) или укажите её папку в переменной "
            "JAVA_HOME.");
#else
  return Ru("Установите Java 11 или новее (Debian, Ubuntu: sudo apt install default-jre) или укажите её папку в "
            "переменной JAVA_HOME.");
#endif
}

}  // namespace mirvex
