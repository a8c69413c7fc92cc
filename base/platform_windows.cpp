// The platform functions on Windows (the wide-character Win32 functions, UTF-16 paths).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <system_error>
#include <vector>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/platform_internal.h"

namespace mirvex {

namespace fs = std::filesystem;
using namespace platform_internal;

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

bool FolderWritable(const fs::path& folder) {
  std::error_code error;
  fs::path probe = folder / ".mirvex-write-test";
  std::FILE* file = _wfopen(probe.c_str(), L"wb");
  if (!file) return false;
  std::fclose(file);
  fs::remove(probe, error);
  return true;
}

fs::path UserDataFolder() {
  const wchar_t* appdata = _wgetenv(L"APPDATA");
  return fs::path(appdata && *appdata ? appdata : L".") / L"Mirvex";
}

std::FILE* platform_internal::OpenNativeForReading(const fs::path& path) { return _wfopen(path.c_str(), L"rb"); }

std::optional<FileStamp> StampOf(const fs::path& path) {
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
}

std::int64_t FileClockNowNs() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) * 100;
}

std::FILE* CreateTempBeside(std::string_view target, std::string& temp_path) {
  fs::path native = NativePath(target);
  fs::path folder = native.parent_path();
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
}

bool MoveIntoPlace(std::string_view temp, std::string_view target) {
  return MoveFileExW(NativePath(temp).c_str(), NativePath(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

ReplaceObstacle ObstacleToReplacing(std::string_view cp1251_path) {
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
  return ReplaceObstacle::kNone;
}

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

std::optional<fs::path> platform_internal::EnvironmentPath(const char* name) {
  const wchar_t* value = _wgetenv(std::wstring(name, name + std::strlen(name)).c_str());
  if (!value || !*value) return std::nullopt;
  return fs::path(value);
}

std::vector<fs::path> platform_internal::SearchPathFolders() {
  std::vector<fs::path> folders;
  std::optional<fs::path> path = EnvironmentPath("PATH");
  if (!path) return folders;
  const std::wstring& list = path->native();
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(L';', start);
    if (end == std::wstring::npos) end = list.size();
    std::wstring folder = list.substr(start, end - start);
    // A folder in PATH may be quoted.
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') {
      folder = folder.substr(1, folder.size() - 2);
    }
    if (!folder.empty()) folders.emplace_back(std::move(folder));
    start = end + 1;
  }
  return folders;
}

namespace {
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
}  // namespace

std::vector<fs::path> platform_internal::RegisteredJavaHomes() {
  std::vector<fs::path> homes;
  for (const wchar_t* key : {L"SOFTWARE\\JavaSoft\\JDK", L"SOFTWARE\\JavaSoft\\JRE",
                             L"SOFTWARE\\JavaSoft\\Java Runtime Environment",
                             L"SOFTWARE\\JavaSoft\\Java Development Kit"}) {
    if (std::optional<fs::path> home = RegisteredJavaHome(key)) homes.push_back(std::move(*home));
  }
  return homes;
}

std::string MkgmapInstallAdvice() {
  return Ru("Скачайте mkgmap с https://www.mkgmap.org.uk/download/mkgmap.html, распакуйте архив и укажите путь к "
            "файлу mkgmap.jar из него в поле «Путь к mkgmap» (кнопка «mkgmap» на панели конвертации; ключ Path "
            "раздела [Mkgmap] файла mirvex.ini). Для mkgmap нужна Java 11 или новее.");
}

std::string JavaInstallAdvice() {
  return Ru("Установите Java 11 или новее (например, https://adoptium.net) или укажите её папку в переменной "
            "JAVA_HOME.");
}

std::string ProgramFolderUsage() {
  return Ru("                   (папка программы, если туда можно писать, иначе\n"
            "                   папка данных пользователя %APPDATA%\\Mirvex)\n");
}

std::string HelpFile(std::string_view program_prefix) {
  // The compiled help when it is there.
  std::string help = std::string(program_prefix) + "help.chm";
  if (FileExists(help)) return help;
  return std::string(program_prefix) + "help" + kPathSeparator + "index.html";
}

}  // namespace mirvex

namespace mirvex {

std::uint64_t AvailableMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return status.ullAvailPhys;
}

}  // namespace mirvex

namespace mirvex {

void* OpenSharedLibrary(const std::string& file_name) {
  return reinterpret_cast<void*>(LoadLibraryW(WideText(file_name).c_str()));
}

void* SharedLibraryFunction(void* library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace mirvex
