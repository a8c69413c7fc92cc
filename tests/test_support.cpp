#include "tests/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "base/cp1251.h"
#include "base/platform.h"

namespace mirvex::test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::random_device random;
  path_ = fs::temp_directory_path() / ("mirvex-test-" + std::to_string(random()) + std::to_string(random()));
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  fs::remove_all(path_, error);
}

std::string ScratchDir::File(const std::string& name) const {
  return PathText(path_ / std::u8string(name.begin(), name.end()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string CrLf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

#ifdef _WIN32
namespace {
std::wstring Wide(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

HANDLE Inheritable(const fs::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}
}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* out,
               std::string* err, const std::string& environment) {
  if (!environment.empty()) {
    ADD_FAILURE() << "an environment for the command is a Linux test's";
    return -1;
  }
  ScratchDir scratch;
  std::wstring command = QuotedArgument(Wide(program));
  for (const auto& argument : arguments) command += L" " + QuotedArgument(Wide(argument));
  HANDLE input = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE output = Inheritable(scratch.path() / "out", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE error = Inheritable(scratch.path() / "err", GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  DWORD status = static_cast<DWORD>(-1);
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (HANDLE handle : {input, output, error}) CloseHandle(handle);
  if (out) *out = WithoutCarriageReturns(ReadFile(scratch.path() / "out"));
  if (err) *err = WithoutCarriageReturns(ReadFile(scratch.path() / "err"));
  return static_cast<int>(status);
}

std::string MirvexBinary() { return PathText(ExecutableFolder() / "mirvex.exe"); }
#else
namespace {
std::string Quote(const std::string& argument) {
  std::string quoted = "'";
  for (char c : argument) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}
}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* out,
               std::string* err, const std::string& environment) {
  ScratchDir scratch;
  std::string command = environment.empty() ? "" : environment + " ";
  command += Quote(program);
  for (const auto& argument : arguments) {
    command += ' ';
    command += Quote(argument);
  }
  command += " >";
  command += Quote((scratch.path() / "out").string());
  command += " 2>";
  command += Quote((scratch.path() / "err").string());
  command += " </dev/null";
  int status = std::system(command.c_str());
  if (out) *out = ReadFile(scratch.path() / "out");
  if (err) *err = ReadFile(scratch.path() / "err");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string MirvexBinary() { return MIRVEX_BINARY; }
#endif

int RunMirvex(const std::vector<std::string>& arguments, std::string* out, std::string* err,
              const std::string& environment) {
  return RunProgram(Cp1251ToUtf8(MirvexBinary()), arguments, out, err, environment);
}

}  // namespace mirvex::test
