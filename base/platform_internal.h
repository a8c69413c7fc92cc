// What the portable part of the platform code shares with platform_posix.cpp and
// platform_windows.cpp; nothing outside those three files includes it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirvex::platform_internal {

// How often a child's output and end are looked at and `keep_going` is asked.
inline constexpr int kChildPollMs = 100;

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

// Opens a native path for binary reading; nullptr on failure.
std::FILE* OpenNativeForReading(const std::filesystem::path& path);

// An environment variable (its name ASCII) as a path; std::nullopt when unset or empty.
std::optional<std::filesystem::path> EnvironmentPath(const char* name);

// The folders of PATH in their order, empty ones left out (on Windows a folder's
// quotation marks removed).
std::vector<std::filesystem::path> SearchPathFolders();

// The Java homes installers registered, in the order they are tried (none on Linux).
std::vector<std::filesystem::path> RegisteredJavaHomes();

}  // namespace mirvex::platform_internal
