// File helpers shared by every operation: existence test, the missing-file message,
// and the result file that only replaces its target when it was written completely.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/host.h"

namespace mirvex {

// FileExists: true when the path names a file that can be opened for reading
// (false for an empty path, a folder, a missing or unreadable file).
bool FileExists(std::string_view path);

// The missing-file message: "Файл не найден", CR LF, the path; title "Информация";
// exclamation icon.
void ShowMissingFile(Host& host, std::string_view path);

// A message box with title "Информация" and the exclamation icon: how every
// operation reports a failure.
void ShowInformation(Host& host, const std::string& text);

enum class ReadState { kRead, kMissing, kUnreadable };

// Reads a whole file into `bytes`. kMissing when nothing exists at the path;
// kUnreadable when something is there but could not be read completely (a folder,
// no access, a read error), so it must not be overwritten either.
ReadState ReadWholeFile(std::string_view path, std::string& bytes);

// The result of an operation. Bytes go to a temporary file in the target's folder;
// Commit() puts it in place of the target only when every write succeeded, so a
// failed or abandoned operation leaves an existing target exactly as it was.
class ResultFile {
 public:
  ResultFile() = default;
  ~ResultFile();
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;

  // False when the target is empty or a folder, or the temporary file cannot be
  // created. Bytes are written out every `buffer_size` bytes (one of many results
  // written side by side takes a smaller buffer).
  bool Open(std::string_view target, std::size_t buffer_size = std::size_t{1} << 20);
  void Write(std::string_view bytes);
  // The text followed by CR LF.
  void WriteLine(std::string_view text);
  bool Failed() const { return failed_; }
  // Flushes, closes and renames; false (and the target untouched) on any failure.
  bool Commit();
  // Removes the temporary file; the target stays as it was.
  void Abandon();
  const std::string& target() const { return target_; }

 private:
  void Flush();

  std::FILE* file_ = nullptr;
  std::size_t buffer_size_ = 0;
  std::string target_;
  std::string written_;  // the target, or the file it links to
  std::string temp_;
  std::string buffer_;
  bool failed_ = false;
};

// The message for a result that could not be written: why (read-only, held open by
// another program, a folder that does not exist, else no room or no access), the path,
// and that the earlier file is kept when there is one.
void ShowWriteFailure(Host& host, std::string_view path);

// Shows a message and returns true when `path` is one of the program folder's own
// files: a result written there would destroy the settings or the dictionary.
bool RefuseProgramFileAsResult(Host& host, std::string_view program_prefix, std::string_view path);

// The message for an input that could not be read to its end; no result is written.
void ShowReadFailure(Host& host, std::string_view path);

}  // namespace mirvex
