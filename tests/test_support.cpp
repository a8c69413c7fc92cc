#include "tests/test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

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

std::string ScratchDir::File(const std::string& name) const { return PathText(path_ / name); }

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

int RunMirvex(const std::vector<std::string>& arguments, std::string* out, std::string* err,
              const std::string& environment) {
  return RunProgram(MIRVEX_BINARY, arguments, out, err, environment);
}

}  // namespace mirvex::test
