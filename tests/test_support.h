// Helpers shared by the tests: scratch folders, whole-file I/O, a host that records.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/platform.h"

namespace mirvex::test {

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  // The path of a file (its name in UTF-8) in the folder, as the program's cp1251 text.
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// An environment variable set for the test's length, then put back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value.empty() ? nullptr : value.c_str());
  }
  ~ScopedVariable() { Set(old_ ? old_->c_str() : nullptr); }

 private:
  void Set(const char* value) {
#ifdef _WIN32
    _putenv_s(name_, value ? value : "");
#else
    if (value) setenv(name_, value, 1);
    else unsetenv(name_);
#endif
  }
  const char* name_;
  std::optional<std::string> old_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// The same for a path given as the program's cp1251 text.
inline std::string ReadFile(const std::string& path) { return ReadFile(NativePath(path)); }
inline void WriteFile(const std::string& path, const std::string& bytes) { WriteFile(NativePath(path), bytes); }

// Joins lines with CR LF after each one.
std::string CrLf(std::initializer_list<std::string> lines);

struct RecordedMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
};

class RecordingHost : public Host {
 public:
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
    messages.push_back({text, title, icon});
  }
  void Beep() override { ++beeps; }
  void SetProgressRange(std::int64_t minimum, std::int64_t maximum) override {
    bar_min = minimum;
    bar_max = maximum;
  }
  void SetProgressValue(std::int64_t value) override { bar_value = value; }
  void SetPercentCaption(const std::string& caption) override { percent = caption; }
  void ProcessEvents() override { ++events; }

  std::vector<RecordedMessage> messages;
  int beeps = 0;
  std::int64_t bar_min = 0, bar_max = 0, bar_value = 0;
  std::string percent;
  int events = 0;
};

// Runs an executable with the arguments (UTF-8 texts); returns its exit status and
// fills the outputs (on Windows with its CR LF line ends read as LF). `environment` is
// put in front of the command as the shell reads it (for example "env -u DISPLAY");
// Linux only.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* out = nullptr,
               std::string* err = nullptr, const std::string& environment = {});
// The built mirvex executable: on Windows the one beside the test program.
std::string MirvexBinary();
// RunProgram for the built mirvex executable.
int RunMirvex(const std::vector<std::string>& arguments, std::string* out = nullptr,
              std::string* err = nullptr, const std::string& environment = {});

}  // namespace mirvex::test
