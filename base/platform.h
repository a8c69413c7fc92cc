// Everything that differs between Linux and Windows sits behind these few functions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirvex {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr char kExecutableSuffix[] = ".exe";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr char kExecutableSuffix[] = "";
#endif

// The folder that holds the running executable.
std::filesystem::path ExecutableFolder();

// Hands this run over to the executable `program`: it gets the arguments this program
// was started with (after the program's own name), and its exit status becomes this
// program's. On POSIX the process becomes that program (execv), so the call returns
// only when it could not be started. On Windows it runs as a child process
// (CreateProcessW with the rest of this program's own UTF-16 command line, so it reads
// the arguments exactly as this program did), and the call waits for its end and
// returns its exit status; when this program's console is its own and its output
// goes there (started from Explorer) it returns 0 at once, so that the console goes. std::nullopt when the
// program could not be started.
// `argv` is main's, ending with a null pointer.
std::optional<int> HandOverTo(const std::filesystem::path& program, char** argv);

// A cp1251 path as the operating system takes it.
std::filesystem::path NativePath(std::string_view cp1251_path);

// A native path as a cp1251 text.
std::string PathText(const std::filesystem::path& path);
// False when PathText would have to replace characters of the path, so that the text
// would name another file.
inline bool PathFitsText(const std::filesystem::path& path) { return NativePath(PathText(path)) == path; }

// The arguments the program was started with, after its own name, as cp1251 texts:
// on Linux from main's UTF-8 `argv`, on Windows from the UTF-16 command line
// (GetCommandLineW), so that no character is lost to the ANSI code page on the way.
// `fits` is false when the argument has characters cp1251 cannot hold: its text would
// name another file. `typed` is the argument as UTF-8, for messages that quote it.
struct ProgramArgument {
  std::string text;
  bool fits = true;
  std::string typed;
};
std::vector<ProgramArgument> ProgramArguments(int argc, char** argv);

#ifdef _WIN32
// One argument of a command line as the child's C runtime splits it back: quoted, a
// quotation mark escaped, backslashes doubled only before a quotation mark.
std::wstring QuotedArgument(const std::wstring& argument);
// The program's cp1251 text as UTF-16 for the system, and back; `fits` as above.
std::wstring WideText(std::string_view cp1251_text);
std::string TextFromWide(std::wstring_view wide, bool* fits = nullptr);
#endif

// Writes a UTF-8 text to standard output or error as the reader there can read it: to
// a Windows console as UTF-16 (WriteConsoleW, whatever the console's code page), else
// as the UTF-8 bytes (a Linux terminal, a file or a pipe). A carriage return goes
// through, so a percentage can be rewritten in place.
void WriteUtf8(std::FILE* stream, std::string_view utf8_text);
// The same for the program's cp1251 text.
void WriteText(std::FILE* stream, std::string_view cp1251_text);

// Opens a file for binary reading; nullptr on failure. Folders are refused.
std::FILE* OpenForReading(std::string_view cp1251_path);

// What tells one state of a file from another without reading it: size, times and
// identity; empty when it cannot be examined. A rewrite that keeps the size and puts
// the modification time back still changes `changed_ns` (the inode change time); a
// file replaced by another changes `file_id`. Times are nanoseconds on the clock of
// FileClockNowNs.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;
  std::int64_t changed_ns = 0;
  std::uint64_t device = 0;
  std::uint64_t file_id = 0;
  bool operator==(const FileStamp&) const = default;
};
std::int64_t FileClockNowNs();
std::optional<FileStamp> StampOf(std::string_view cp1251_path);
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

// True when both paths name one existing file, however spelled (links included).
bool SameFile(std::string_view a, std::string_view b);

// Creates a new, empty temporary file in the folder of `target`, open for binary
// writing; fills `temp_path`. nullptr when the folder cannot be written.
std::FILE* CreateTempBeside(std::string_view target, std::string& temp_path);

// The file a path leads to: a symbolic link resolved to where it points (the path
// itself otherwise), so that replacing the file keeps the link.
std::string LinkedFile(std::string_view cp1251_path);

// Replaces `target` by `temp` in one step (on Windows MoveFileExW, replacing an
// existing target and writing through to the disk before it returns). False on failure
// (on Windows also for a read-only target or one another program holds open): the
// target is unchanged.
bool MoveIntoPlace(std::string_view temp, std::string_view target);

void RemoveFile(std::string_view cp1251_path);

// What keeps an existing file from being replaced by a result: on Windows the
// read-only attribute, or another program holding the file open without sharing it
// for deletion. Always kNone on Linux, where the folder's permissions decide and a
// refused move says so.
enum class ReplaceObstacle { kNone, kReadOnly, kInUse };
ReplaceObstacle ObstacleToReplacing(std::string_view cp1251_path);

// Temporary files that a run ended by Ctrl+C, SIGTERM or SIGHUP (on Windows Ctrl+C,
// Ctrl+Break, closing the console window, logging off or shutting down) must not leave
// behind: a converted map's can be as large as the map. ResultFile enters each while
// it exists; RemoveTempFilesOnInterrupt, called once at start, makes those events
// remove them before the program ends as the event would end it. A signal the
// program was started to ignore stays ignored.
void WatchTempFile(std::string_view cp1251_path);
void UnwatchTempFile(std::string_view cp1251_path);
void RemoveTempFilesOnInterrupt();

// A run on the command line stops the way a window's run does: while stop requests
// are awaited, the first Ctrl+C, SIGTERM or SIGHUP (on Windows Ctrl+C or Ctrl+Break)
// only sets the request that InterruptRequested reports (the run then removes its
// temporary result and ends cleanly); a second one, or one while none is awaited,
// removes the temporary files and ends the program as the event would.
void AwaitStopRequests(bool awaiting);
bool InterruptRequested();

// True when the stream is a terminal (on Windows a console; the NUL device is none).
bool IsTerminal(std::FILE* stream);

// True when a window can be opened at all: on Linux a display is named (DISPLAY or
// WAYLAND_DISPLAY) or a window system is chosen (QT_QPA_PLATFORM); always on Windows.
// A display that is named but does not answer is found out only by trying it.
bool DisplayNamed();

// A program run as a child process (the map compiler), its output read line by line.
struct ChildProgram {
  std::string program;                 // a path, or a name looked up in PATH (cp1251)
  std::vector<std::string> arguments;  // after the program's name (cp1251)
  std::string folder;                  // the child's working folder; empty: this one's
  // Variables set for the child on top of this program's environment (ASCII).
  std::vector<std::pair<std::string, std::string>> environment;
};
enum class ChildEnd {
  kExited,      // ran to its end; `status` is its exit status
  kNotStarted,  // the program could not be found or started
  kStopped,     // ended on request before it finished
};
struct ChildResult {
  ChildEnd end = ChildEnd::kNotStarted;
  int status = -1;
};
// Runs the program and waits for its end. What it writes to standard output and
// error (one pipe, in the order written) reaches `on_line` a line at a time, without
// the line end, as cp1251 text (read as UTF-8 on Linux, in the ANSI code page on
// Windows); standard input is empty. `keep_going` is asked at least ten times a
// second; once it says false the child is ended (on Linux SIGTERM, SIGKILL two seconds
// later; on Windows TerminateProcess) and the result is kStopped, as it is when it says
// false right after the child ended by itself (Ctrl+C reaches both). On Linux the child
// is started with posix_spawnp, on Windows with CreateProcessW (its command line
// quoted for the C runtime's reading, UTF-16 throughout).
ChildResult RunChild(const ChildProgram& child, const std::function<void(std::string_view line)>& on_line,
                     const std::function<bool()>& keep_going);

// True when files can be created in the folder.
bool FolderWritable(const std::filesystem::path& folder);

// The user's folder for this program's data: $XDG_DATA_HOME/mirvex, else
// ~/.local/share/mirvex (on Windows %APPDATA%\Mirvex).
std::filesystem::path UserDataFolder();
// The environment variable that moves that folder, as the messages name it.
#ifdef _WIN32
inline constexpr char kUserDataVariable[] = "APPDATA";
#else
inline constexpr char kUserDataVariable[] = "XDG_DATA_HOME";
#endif

// The Java program that runs mkgmap.jar (cp1251): bin/java of JAVA_HOME when it is
// there, else a java found in PATH, else (on Windows) the Java the registry names
// (the JavaSoft keys of an installed JDK or JRE). "java" when none is found: starting
// it then fails and the caller says that Java is missing.
std::string JavaProgram();

// A shared library opened by its file name as the system's loader finds it (dlopen on
// Linux, LoadLibraryW on Windows), and the address of one of its functions; nullptr
// when the library or the function is not there. The library stays loaded.
void* OpenSharedLibrary(const std::string& file_name);
void* SharedLibraryFunction(void* library, const char* name);

// The memory a new process could take without pushing others out, in bytes (on Linux
// MemAvailable of /proc/meminfo, on Windows the available physical memory); 0 when it
// cannot be told.
std::uint64_t AvailableMemory();

// How to get mkgmap on this system and make the program use it, and how to get Java:
// the advice that ends the messages about a missing compiler or a missing Java (cp1251).
std::string MkgmapInstallAdvice();
std::string JavaInstallAdvice();

// The lines of the command line's help that tell where the program folder is when
// --home does not say (cp1251, each indented under the option's text, ending with a
// line break).
std::string ProgramFolderUsage();

// The help the window opens (cp1251): in the program folder `program_prefix` (which
// ends with a separator), help/index.html; on Windows the compiled help.chm instead
// when it is there.
std::string HelpFile(std::string_view program_prefix);

}  // namespace mirvex
