// The platform functions on Linux (POSIX system calls, UTF-8 paths).
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/platform_internal.h"

extern char** environ;

namespace mirvex {

namespace fs = std::filesystem;
using namespace platform_internal;

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

bool FolderWritable(const fs::path& folder) { return access(folder.c_str(), W_OK) == 0; }

fs::path UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return fs::path(xdg) / "mirvex";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / ".local" / "share" / "mirvex";
}

std::FILE* platform_internal::OpenNativeForReading(const fs::path& path) { return std::fopen(path.c_str(), "rb"); }

std::optional<FileStamp> StampOf(const fs::path& path) {
  // One system call: the dictionary's cache asks once per object.
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  auto nanoseconds = [](const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
  };
  return FileStamp{static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim),
                   static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::int64_t FileClockNowNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::FILE* CreateTempBeside(std::string_view target, std::string& temp_path) {
  fs::path native = NativePath(target);
  fs::path folder = native.parent_path();
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
}

bool MoveIntoPlace(std::string_view temp, std::string_view target) {
  std::error_code error;
  fs::rename(NativePath(temp), NativePath(target), error);
  return !error;
}

// The folder's permissions decide, and a refused move says so.
ReplaceObstacle ObstacleToReplacing(std::string_view) { return ReplaceObstacle::kNone; }

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

namespace {
constexpr int kChildGraceMs = 2000;

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

std::optional<fs::path> platform_internal::EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return fs::path(value);
}

std::vector<fs::path> platform_internal::SearchPathFolders() {
  std::vector<fs::path> folders;
  std::optional<fs::path> path = EnvironmentPath("PATH");
  if (!path) return folders;
  const std::string& list = path->native();
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) folders.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

std::vector<fs::path> platform_internal::RegisteredJavaHomes() { return {}; }

std::string MkgmapInstallAdvice() {
  return Ru("Установите пакет mkgmap (Debian, Ubuntu: sudo apt install mkgmap) или укажите путь к mkgmap.jar в поле "
            "«Путь к mkgmap» (кнопка «mkgmap» на панели конвертации; ключ Path раздела [Mkgmap] файла mirvex.ini).");
}

std::string JavaInstallAdvice() {
  return Ru("Установите Java 11 или новее (Debian, Ubuntu: sudo apt install default-jre) или укажите её папку в "
            "переменной JAVA_HOME.");
}

std::string ProgramFolderUsage() {
  return Ru("                   (рядом с программой, если туда можно писать; у установленной\n"
            "                   программы - папка данных пользователя ~/.local/share/mirvex)\n");
}

std::string HelpFile(std::string_view program_prefix) {
  return std::string(program_prefix) + "help" + kPathSeparator + "index.html";
}

}  // namespace mirvex

namespace mirvex {

std::uint64_t AvailableMemory() {
  std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
  if (meminfo == nullptr) return 0;
  char line[256];
  std::uint64_t kilobytes = 0;
  while (std::fgets(line, sizeof line, meminfo) != nullptr) {
    unsigned long long value = 0;
    if (std::sscanf(line, "MemAvailable: %llu kB", &value) == 1) {
      kilobytes = value;
      break;
    }
  }
  std::fclose(meminfo);
  return kilobytes * 1024;
}

}  // namespace mirvex

namespace mirvex {

void* OpenSharedLibrary(const std::string& file_name) { return dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* SharedLibraryFunction(void* library, const char* name) {
  return library == nullptr ? nullptr : dlsym(library, name);
}

}  // namespace mirvex
