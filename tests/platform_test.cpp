// What the program does differently on Windows, each checked on the system it concerns:
// paths as UTF-16, the replacement of a result, console output, the window program
// beside the command line. (Ctrl+C and the program folder of a read-only installation
// are checked from outside, by tests/windows/end_to_end.py.)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "tests/conversion_fixture.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#endif

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(PathText(entry.path()));
  return names;
}


const char kPoint[] = "Columns 2\r\nData\r\n\r\nPoint 65.5 57.25\r\n";
const char kPointRecord[] = "\"Школа\",\"Школа 1\"\r\n";

// Folder and file names in Cyrillic reach the system whole: the result is written,
// read and replaced under its own name, and nothing else appears beside it.
TEST(Platform, CyrillicFolderAndFileNamesAreKept) {
  ConversionFixture conversion;
  fs::path folder = conversion.dir.path() / NativePath(Ru("Карты Ёлкино"));
  fs::create_directory(folder);
  conversion.paths.result = PathText(folder / NativePath(Ru("Результат №1.mp")));
  ASSERT_EQ(conversion.Run(kPoint, kPointRecord), OperationStatus::kCompleted);
  ASSERT_EQ(conversion.Run(kPoint, kPointRecord), OperationStatus::kCompleted);  // replaces the first
  EXPECT_EQ(Names(folder), std::set<std::string>{conversion.paths.result});
  EXPECT_NE(conversion.Output().find("Data0=(57.25,65.5)"), std::string::npos);
}

// The atomic replacement replaces an existing file (a plain rename does not on Windows).
TEST(Platform, MoveIntoPlaceReplacesAnExistingFile) {
  ScratchDir dir;
  WriteFile(dir.path() / "target", "earlier");
  WriteFile(dir.path() / "temp", "new");
  ASSERT_TRUE(MoveIntoPlace(dir.File("temp"), dir.File("target")));
  EXPECT_EQ(ReadFile(dir.path() / "target"), "new");
  EXPECT_FALSE(fs::exists(dir.path() / "temp"));
  EXPECT_FALSE(MoveIntoPlace(dir.File("temp"), dir.File("target")));
  EXPECT_EQ(ReadFile(dir.path() / "target"), "new");
}

// A child program: its output a line at a time, its exit status, its arguments as it
// reads them back (blanks, quotation marks and a backslash at the end kept).
TEST(Platform, ChildProgramsOutputArrivesLineByLineWithItsStatus) {
  ChildProgram child;
  child.program = MirvexBinary();
  const std::string odd = "--odd \"quoted\" arg\\";
  child.arguments = {"convert", "a.mif", "a.mid", "a.mp", odd};
  std::vector<std::string> lines;
  ChildResult result = RunChild(child, [&](std::string_view line) { lines.emplace_back(line); }, [] { return true; });
  EXPECT_EQ(result.end, ChildEnd::kExited);
  EXPECT_EQ(result.status, 2);
  bool echoed = false, advice = false;
  for (const std::string& line : lines) {
    echoed = echoed || line.find(odd) != std::string::npos;
    advice = advice || line.find("mirvex --help") != std::string::npos;
  }
  EXPECT_TRUE(echoed && advice) << testing::PrintToString(lines);
}

TEST(Platform, AChildThatCannotStartIsReported) {
  ChildProgram child;
  child.program = "mirvex-no-such-program";
  bool called = false;
  ChildResult result = RunChild(child, [&](std::string_view) { called = true; }, [] { return true; });
  EXPECT_EQ(result.end, ChildEnd::kNotStarted);
  EXPECT_FALSE(called);
}

// Java for mkgmap.jar: JAVA_HOME's before one in PATH; "java" (left to the start to
// fail and be reported) when there is neither.
TEST(Platform, JavaIsFoundThroughJavaHomeThenPath) {
  ScratchDir dir;
  const std::string java = std::string("java") + kExecutableSuffix;
  fs::path home = dir.path() / "jdk";
  fs::path listed = dir.path() / "listed";
  fs::create_directories(home / "bin");
  fs::create_directories(listed);
  WriteFile(home / "bin" / java, "java");
  WriteFile(listed / java, "java");
#ifdef _WIN32
  const char separator = ';';
#else
  const char separator = ':';
#endif
  std::string path = (dir.path() / "empty").string() + separator + listed.string();
  struct Case {
    const char* what;
    std::string java_home, path;
    std::string expected;
  };
  const Case cases[] = {
      {"JAVA_HOME first", home.string(), path, PathText(home / "bin" / java)},
      {"JAVA_HOME without Java: PATH", listed.string(), path, PathText(listed / java)},
      {"PATH", "", path, PathText(listed / java)},
      {"neither", "", (dir.path() / "empty").string(), "java"},
  };
  for (const Case& c : cases) {
    ScopedVariable java_home("JAVA_HOME", c.java_home);
    ScopedVariable search("PATH", c.path);
    EXPECT_EQ(JavaProgram(), c.expected) << c.what;
  }
#ifdef _WIN32
  // A folder in PATH may be quoted.
  ScopedVariable java_home("JAVA_HOME", "");
  ScopedVariable search("PATH", "\"" + listed.string() + "\"");
  EXPECT_EQ(JavaProgram(), PathText(listed / java));
#endif
}

// What a message about a missing mkgmap or Java advises, and where --help says the
// program folder is, fit the system: Debian's packages and the XDG data folder on
// Linux; on Windows where to download mkgmap, that it needs Java, and %APPDATA%.
TEST(Platform, AdviceAndUsageFitTheSystem) {
  struct Case {
    const char* what;
    std::string text;  // cp1251
    std::vector<const char*> says;
  };
  const Case cases[] = {
#ifdef _WIN32
      {"mkgmap", MkgmapInstallAdvice(), {"www.mkgmap.org.uk", "mkgmap.jar", "[Mkgmap]", "Java 11"}},
      {"Java", JavaInstallAdvice(), {"Java 11", "JAVA_HOME"}},
      {"program folder", ProgramFolderUsage(), {"%APPDATA%\\Mirvex"}},
#else
      {"mkgmap", MkgmapInstallAdvice(), {"sudo apt install mkgmap", "mkgmap.jar", "[Mkgmap]"}},
      {"Java", JavaInstallAdvice(), {"sudo apt install default-jre", "JAVA_HOME"}},
      {"program folder", ProgramFolderUsage(), {"~/.local/share/mirvex"}},
#endif
  };
  for (const Case& c : cases) {
    for (const char* part : c.says) EXPECT_NE(Cp1251ToUtf8(c.text).find(part), std::string::npos) << c.what;
  }
}

// The window's help is the HTML help in the program folder; on Windows the compiled
// help beside it instead, when it is there.
TEST(Platform, HelpFileIsTheCompiledHelpOnlyOnWindows) {
  ScratchDir dir;
  const std::string prefix = PathText(dir.path()) + kPathSeparator;
  const std::string pages = prefix + "help" + kPathSeparator + "index.html";
  EXPECT_EQ(HelpFile(prefix), pages);
  WriteFile(dir.path() / "help.chm", "compiled");
#ifdef _WIN32
  EXPECT_EQ(HelpFile(prefix), prefix + "help.chm");
#else
  EXPECT_EQ(HelpFile(prefix), pages);
#endif
}

#ifdef _WIN32
// An installed Java that set neither JAVA_HOME nor PATH is found through the
// registry's JavaSoft key.
TEST(Windows, JavaIsFoundThroughTheRegistry) {
  ScratchDir dir;
  fs::create_directories(dir.path() / "jre" / "bin");
  WriteFile(dir.path() / "jre" / "bin" / "java.exe", "java");
  ScopedVariable java_home("JAVA_HOME", "");
  ScopedVariable search("PATH", (dir.path() / "empty").string());
  const wchar_t* key = L"SOFTWARE\\JavaSoft\\JDK";
  HKEY existing = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft", 0, KEY_READ, &existing) == ERROR_SUCCESS) {
    RegCloseKey(existing);
    GTEST_SKIP() << "a Java is registered on this system: its keys are left alone";
  }
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\JDK\\99.mirvex", 0, nullptr, 0,
                            KEY_WRITE | KEY_WOW64_64KEY, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  std::wstring home = (dir.path() / "jre").wstring();
  RegSetValueExW(created, L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                 static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(created);
  HKEY jdk = nullptr;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_WRITE | KEY_WOW64_64KEY, &jdk);
  const wchar_t version[] = L"99.mirvex";
  RegSetValueExW(jdk, L"CurrentVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof(version));
  RegCloseKey(jdk);

  EXPECT_EQ(JavaProgram(), PathText(dir.path() / "jre" / "bin" / "java.exe"));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft");
}
#endif

#ifndef _WIN32
// The working folder and the added variables reach the child; every kind of line end
// ends a line; UTF-8 output arrives as cp1251 text.
TEST(Platform, ChildGetsItsFolderAndEnvironment) {
  ScratchDir dir;
  ChildProgram child;
  child.program = "sh";
  child.arguments = {"-c", "pwd; echo \"$MIRVEX_PROBE\"; printf 'a\\r\\nb\\rc\\n\\320\\226\\n'; exit 3"};
  child.folder = PathText(dir.path());
  child.environment = {{"MIRVEX_PROBE", "probe value"}};
  std::vector<std::string> lines;
  ChildResult result = RunChild(child, [&](std::string_view line) { lines.emplace_back(line); }, [] { return true; });
  EXPECT_EQ(result.end, ChildEnd::kExited);
  EXPECT_EQ(result.status, 3);
  std::string folder = PathText(fs::canonical(dir.path()));
  EXPECT_EQ(lines, (std::vector<std::string>{folder, "probe value", "a", "b", "c", Ru("Ж")}));
}

// A stop ends the child at once; one that ignores SIGTERM is killed, and a program it
// started that keeps the output open is not waited for.
TEST(Platform, AStoppedChildIsEnded) {
  for (const char* script : {"echo started; exec sleep 30", "trap '' TERM; echo started; sleep 30"}) {
    ChildProgram child;
    child.program = "sh";
    child.arguments = {"-c", script};
    bool started = false;
    auto begin = std::chrono::steady_clock::now();
    ChildResult result = RunChild(
        child, [&](std::string_view line) { started = started || line == "started"; }, [&] { return !started; });
    EXPECT_EQ(result.end, ChildEnd::kStopped) << script;
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10)) << script;
  }
}
#endif

#ifdef _WIN32

bool HasTemporaryFile(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (PathText(entry.path().filename()).find(".mirvex-") != std::string::npos) return true;
  }
  return false;
}

// A result that cannot be replaced: marked read-only, or held open by another program
// that does not share it for deletion. The run says which, the earlier result stays,
// no temporary file is left; once the obstacle is gone the same run succeeds.
TEST(Windows, ResultThatCannotBeReplacedIsReportedAndKept) {
  struct Case {
    const char* name;
    const char* says;
    bool read_only;
  };
  for (const Case& c : {Case{"read-only", "только для чтения", true}, Case{"held open", "открыт другой программой", false}}) {
    SCOPED_TRACE(c.name);
    ConversionFixture conversion;
    fs::path result = NativePath(conversion.paths.result);
    WriteFile(result, "earlier result\r\n");
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.read_only) {
      ASSERT_TRUE(SetFileAttributesW(result.c_str(), FILE_ATTRIBUTE_READONLY));
    } else {
      held = CreateFileW(result.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(conversion.Run(kPoint, kPointRecord), OperationStatus::kFailed);
    ASSERT_FALSE(conversion.host.messages.empty());
    const std::string& message = conversion.host.messages.back().text;
    EXPECT_NE(message.find(Ru(c.says)), std::string::npos) << Cp1251ToUtf8(message);
    EXPECT_NE(message.find(conversion.paths.result), std::string::npos) << Cp1251ToUtf8(message);
    EXPECT_FALSE(HasTemporaryFile(result.parent_path()));

    if (c.read_only) SetFileAttributesW(result.c_str(), FILE_ATTRIBUTE_NORMAL);
    else CloseHandle(held);
    EXPECT_EQ(ReadFile(result), "earlier result\r\n");
    EXPECT_EQ(conversion.Run(kPoint, kPointRecord), OperationStatus::kCompleted);
    EXPECT_NE(conversion.Output().find("Data0=(57.25,65.5)"), std::string::npos);
  }
}

// The temporary result is opened shared for deletion: Ctrl+C or closing the console
// can remove it while the run still writes.
TEST(Windows, TemporaryResultCanBeRemovedWhileOpen) {
  ScratchDir dir;
  ResultFile result;
  ASSERT_TRUE(result.Open(dir.File("map.mp")));
  result.Write(std::string(3 << 20, 'x'));  // past the buffer: bytes on disk
  std::set<std::string> names = Names(dir.path());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(DeleteFileW(NativePath(*names.begin()).c_str()));
  result.Abandon();
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

// Arguments arrive as UTF-16: Cyrillic paths are used as typed; a character cp1251
// lacks is refused with the same message as on Linux, never turned into "?".
TEST(Windows, CommandLineArgumentsArriveWhole) {
  ScratchDir dir;
  fs::path folder = dir.path() / NativePath(Ru("Папка"));
  fs::create_directory(folder);
  WriteFile(dir.path() / "config.ini", "[IMG ID]\r\nID=1\r\n[END-IMG ID]\r\n");
  WriteFile(dir.path() / "object.txt", DictionaryBytes({{"Школа", "0x10", "0x2f06", 0}}));
  WriteFile(folder / NativePath(Ru("карта.mif")), kPoint);
  WriteFile(folder / NativePath(Ru("карта.mid")), Ru(kPointRecord));
  auto utf8 = [](const fs::path& path) { return Cp1251ToUtf8(PathText(path)); };
  std::string out, err;
  ASSERT_EQ(RunMirvex({"convert", utf8(folder / NativePath(Ru("карта.mif"))), utf8(folder / NativePath(Ru("карта.mid"))),
                       utf8(folder / NativePath(Ru("итог.mp"))), "--home", utf8(dir.path()), "--quiet"},
                      &out, &err),
            0)
      << err;
  EXPECT_NE(ReadFile(folder / NativePath(Ru("итог.mp"))).find("Data0=(57.25,65.5)"), std::string::npos);
  EXPECT_NE(out.find("итог.mp"), std::string::npos) << out;

  EXPECT_EQ(RunMirvex({"convert", utf8(folder / NativePath(Ru("карта.mif"))), "b.mid", "ĉ.mp"}, &out, &err), 2);
  EXPECT_NE(err.find("в аргументе есть символы вне кодировки cp1251 (переименуйте файл или папку): ĉ.mp"),
            std::string::npos)
      << err;
}

// Russian text and the percentage reach a console as characters, whatever the
// console's code page: the line is rewritten in place by a carriage return.
TEST(Windows, ConsoleShowsRussianAndRewritesThePercentage) {
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console can be made here (run under a window system)";
  // Read access too, as a console's own standard handles have: the console mode and
  // the screen's characters are read through it.
  HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  std::FILE* console = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(screen), 0), "w");
  ASSERT_NE(console, nullptr);
  if (!IsTerminal(console)) {
    std::fclose(console);
    FreeConsole();
    GTEST_SKIP() << "the console made here does not work (run under a window system)";
  }
  WriteText(console, Ru("Конвертация завершена\r\n") + "  5%" + "\r" + " 10%");
  std::fflush(console);
  auto row = [&](short y, DWORD length) {
    std::wstring cells(length, L'\0');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, cells.data(), length, COORD{0, y}, &read);
    cells.resize(read);
    return cells;
  };
  EXPECT_EQ(row(0, 21), L"Конвертация завершена");
  EXPECT_EQ(row(1, 5), L" 10% ");
  std::fclose(console);
  FreeConsole();
}

// A child's arguments come back whole from the command line made for it: blanks,
// quotation marks, and backslashes before a quotation mark or at the end.
TEST(Windows, QuotedArgumentsSplitBackWhole) {
  const std::wstring cases[] = {L"plain", L"with blank", L"C:\\dir\\", L"say \"hi\"", L"a\\\"b", L"", L"\u0416\u0451"};
  std::wstring command = L"program.exe";
  for (const std::wstring& argument : cases) command += L" " + QuotedArgument(argument);
  int count = 0;
  wchar_t** split = CommandLineToArgvW(command.c_str(), &count);
  ASSERT_NE(split, nullptr);
  ASSERT_EQ(count, static_cast<int>(std::size(cases)) + 1);
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    EXPECT_EQ(std::wstring(split[i + 1]), cases[i]) << i;
  }
  LocalFree(split);
}

// Only a console is a terminal: the NUL device and files are not (the percentage is
// shown on a console only).
TEST(Windows, OnlyAConsoleIsATerminal) {
  ScratchDir dir;
  for (const fs::path& path : {fs::path(L"NUL"), dir.path() / "file.txt"}) {
    std::FILE* stream = _wfopen(path.c_str(), L"w");
    ASSERT_NE(stream, nullptr);
    EXPECT_FALSE(IsTerminal(stream)) << path.string();
    std::fclose(stream);
  }
}

// mirvex.exe without a command runs mirvex-window.exe beside it and ends with its
// status; a missing or broken window program is named with the path looked for.
TEST(Windows, CommandLineStartsTheWindowProgramBesideIt) {
  ScratchDir dir;
  fs::path mirvex = dir.path() / "mirvex.exe";
  fs::path window = dir.path() / "mirvex-window.exe";
  fs::copy_file(NativePath(MirvexBinary()), mirvex);
  std::string out, err;
  auto run = [&] { return RunProgram(Cp1251ToUtf8(PathText(mirvex)), {}, &out, &err); };

  fs::copy_file(ExecutableFolder() / "mirvex_fake_window.exe", window);
  EXPECT_EQ(run(), 7) << err;
  EXPECT_NE(err.find("window started as \"" + Cp1251ToUtf8(PathText(window)) + "\""), std::string::npos) << err;

  fs::remove(window);
  EXPECT_EQ(run(), 2);
  EXPECT_NE(err.find("Не найдена программа окна Mirvex: " + Cp1251ToUtf8(PathText(window))), std::string::npos) << err;

  WriteFile(window, "not a program");
  EXPECT_EQ(run(), 2);
  EXPECT_NE(err.find("Не удалось запустить программу окна Mirvex: "), std::string::npos) << err;
  EXPECT_TRUE(out.empty());
}

// mirvex-window.exe --help prints its usage to the stream it was given and ends; an
// unknown option (--draw among them: the Windows window draws no pictures) ends with
// status 2 and the usage on standard error.
TEST(Windows, WindowProgramPrintsItsUsage) {
  const std::string window = Cp1251ToUtf8(PathText(ExecutableFolder() / "mirvex-window.exe"));
  std::string out, err;
  EXPECT_EQ(RunProgram(window, {"--help"}, &out, &err), 0) << err;
  EXPECT_NE(out.find("mirvex-window --help"), std::string::npos) << out;
  EXPECT_EQ(err, "");
  for (const char* option : {"--bogus", "--draw"}) {
    EXPECT_EQ(RunProgram(window, {option}, &out, &err), 2) << option;
    EXPECT_NE(err.find(std::string("неизвестный параметр: ") + option), std::string::npos) << err;
    EXPECT_NE(err.find("mirvex-window --help"), std::string::npos) << err;
  }
}

// mirvex.exe runs on a bare Windows: it imports only libraries every Windows has (the
// C++ runtime, libgcc and winpthread are linked in).
// Started with a console of its own (as from Explorer), mirvex.exe without a command
// starts the window and ends at once, so that no empty console stays open beside the
// window.
TEST(Windows, CommandLineWithItsOwnConsoleLetsTheWindowGo) {
  ScratchDir dir;
  fs::path mirvex = dir.path() / "mirvex.exe";
  fs::copy_file(NativePath(MirvexBinary()), mirvex);
  fs::copy_file(ExecutableFolder() / "mirvex_fake_window.exe", dir.path() / "mirvex-window.exe");
  fs::path started = dir.path() / "started";
  SetEnvironmentVariableW(L"MIRVEX_FAKE_WINDOW_FILE", started.c_str());
  std::wstring command_line = L"\"" + mirvex.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(mirvex.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                             nullptr, nullptr, &startup, &process));
  SetEnvironmentVariableW(L"MIRVEX_FAKE_WINDOW_FILE", nullptr);
  CloseHandle(process.hThread);
  // Once the window has started (it then stays ten seconds), its console's program
  // does not wait for it.
  for (int i = 0; i < 200 && !fs::exists(started); ++i) Sleep(100);
  ASSERT_TRUE(fs::exists(started));
  DWORD waited = WaitForSingleObject(process.hProcess, 4000);
  DWORD status = 99;
  GetExitCodeProcess(process.hProcess, &status);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "mirvex.exe waited for the window";
  EXPECT_EQ(status, 0u);
  Sleep(7000);  // the window ends before its folder goes
}

// Both programs carry the program's icon and version information (shown by Explorer).
TEST(Windows, ProgramsHaveAnIconAndVersionInformation) {
  fs::path mirvex = NativePath(MirvexBinary());
  for (const fs::path& program : {mirvex, mirvex.parent_path() / "mirvex-window.exe"}) {
    SCOPED_TRACE(PathText(program));
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1u);
    wchar_t* name = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_EQ(std::wstring(name), L"Mirvex");
    EXPECT_EQ(ExtractIconExW(program.c_str(), -1, nullptr, nullptr, 0), 1u);
  }
}

TEST(Windows, CommandLineNeedsOnlyTheSystemsOwnLibraries) {
  HMODULE image = LoadLibraryExW(NativePath(MirvexBinary()).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr);
  auto base = reinterpret_cast<const unsigned char*>(reinterpret_cast<std::uintptr_t>(image) & ~std::uintptr_t{3});
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::set<std::string> names;
  for (auto entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
       ++entry) {
    std::string name = reinterpret_cast<const char*>(base + entry->Name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.insert(name);
  }
  FreeLibrary(image);
  const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll", "advapi32.dll"};
  EXPECT_FALSE(names.empty());
  for (const std::string& name : names) EXPECT_TRUE(system.count(name)) << name;
}

#endif  // _WIN32

}  // namespace
}  // namespace mirvex::test
