#include "base/files.h"

#include <filesystem>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/text.h"

namespace mirvex {

namespace {
}

bool FileExists(std::string_view path) {
  std::FILE* file = OpenForReading(path);
  if (!file) return false;
  std::fclose(file);
  return true;
}

ReadState ReadWholeFile(std::string_view path, std::string& bytes) {
  bytes.clear();
  std::FILE* file = OpenForReading(path);
  if (!file) {
    std::error_code error;
    bool present = std::filesystem::exists(NativePath(path), error);
    return present || error ? ReadState::kUnreadable : ReadState::kMissing;
  }
  char chunk[1 << 16];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, count);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return failed ? ReadState::kUnreadable : ReadState::kRead;
}

void ShowInformation(Host& host, const std::string& text) {
  host.ShowMessage(text, Ru("Информация"), MessageIcon::kExclamation);
}

void ShowMissingFile(Host& host, std::string_view path) {
  ShowInformation(host, Ru("Файл не найден") + std::string(kLineBreak) + std::string(path));
}

void ShowWriteFailure(Host& host, std::string_view path) {
  namespace fs = std::filesystem;
  const std::string written = LinkedFile(path);
  const fs::path native = NativePath(written);
  std::error_code error;
  // Only a file that is there is kept; a folder that is not there is the reason itself.
  const bool earlier = fs::is_regular_file(native, error);
  const fs::path folder = native.has_parent_path() ? native.parent_path() : fs::path(".");
  std::string reason;
  switch (ObstacleToReplacing(written)) {
    case ReplaceObstacle::kReadOnly:
      reason = Ru("Не удалось записать файл: он только для чтения (снимите атрибут \"Только чтение\" "
                  "или выберите другой файл)");
      break;
    case ReplaceObstacle::kInUse:
      reason = Ru("Не удалось записать файл: он открыт другой программой (закройте его там и повторите)");
      break;
    case ReplaceObstacle::kNone:
      reason = fs::is_directory(folder, error)
                   ? Ru("Не удалось записать файл (нет места на диске или нет доступа к папке)")
                   : Ru("Не удалось записать файл: папка не существует (создайте её или выберите другую)");
      break;
  }
  std::string text = reason + std::string(kLineBreak) + std::string(path);
  if (earlier) text += std::string(kLineBreak) + Ru("Прежний файл оставлен без изменений.");
  ShowInformation(host, text);
}

bool RefuseProgramFileAsResult(Host& host, std::string_view program_prefix, std::string_view path) {
  if (!IsProgramFile(program_prefix, path)) return false;
  ShowInformation(host, Ru("Файл результата - файл самой программы (настройки, шаблон или словарь), "
                           "его нельзя перезаписать:") +
                            std::string(kLineBreak) + std::string(path));
  return true;
}

void ShowReadFailure(Host& host, std::string_view path) {
  ShowInformation(host, Ru("Не удалось прочитать файл до конца (ошибка чтения с диска):") +
                            std::string(kLineBreak) + std::string(path) + std::string(kLineBreak) +
                            Ru("Результат не записан, прежний файл оставлен без изменений."));
}

ResultFile::~ResultFile() { Abandon(); }

bool ResultFile::Open(std::string_view target, std::size_t buffer_size) {
  Abandon();
  buffer_size_ = buffer_size;
  target_ = std::string(target);
  failed_ = false;
  buffer_.clear();
  // An empty path or a folder can never take the result: refused before any work
  // (for an empty path the temporary file would land in the current folder).
  std::error_code error;
  if (target.empty() || std::filesystem::is_directory(NativePath(target), error)) {
    failed_ = true;
    return false;
  }
  buffer_.reserve(buffer_size_);
  // A target that is a link (a settings file kept elsewhere) is replaced where the
  // link points, so the link stays a link.
  written_ = LinkedFile(target);
  // A file that could not be replaced at the end is refused before any work.
  if (ObstacleToReplacing(written_) != ReplaceObstacle::kNone) {
    failed_ = true;
    return false;
  }
  file_ = CreateTempBeside(written_, temp_);
  if (!file_) {
    failed_ = true;
    return false;
  }
  WatchTempFile(temp_);
  return true;
}

void ResultFile::Write(std::string_view bytes) {
  if (!file_ || failed_) return;
  buffer_.append(bytes);
  if (buffer_.size() >= buffer_size_) Flush();
}

void ResultFile::WriteLine(std::string_view text) {
  Write(text);
  Write(kLineBreak);
}

void ResultFile::Flush() {
  if (!file_ || buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
}

bool ResultFile::Commit() {
  if (!file_) return false;
  Flush();
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  bool replaced = !failed_ && MoveIntoPlace(temp_, written_);
  if (!replaced) RemoveFile(temp_);
  UnwatchTempFile(temp_);
  temp_.clear();
  failed_ = !replaced;
  return replaced;
}

void ResultFile::Abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    RemoveFile(temp_);
    UnwatchTempFile(temp_);
    temp_.clear();
  }
  buffer_.clear();
}

}  // namespace mirvex
