#include "operations/test_map.h"

#include <string>

#include "base/cp1251.h"
#include "base/files.h"
#include "garmin/test_map.h"

namespace mirvex {

OperationStatus WriteTestMap(std::string_view path, std::string_view program_prefix, Host& host) {
  // The test map only ever replaces a file the user already has.
  if (!FileExists(path)) {
    ShowMissingFile(host, path);
    return OperationStatus::kFailed;
  }
  if (RefuseProgramFileAsResult(host, program_prefix, path)) return OperationStatus::kFailed;
  ResultFile file;
  if (!file.Open(path)) {
    ShowWriteFailure(host, path);
    return OperationStatus::kFailed;
  }
  WriteTestMapContent(file);
  if (!file.Commit()) {
    ShowWriteFailure(host, path);
    return OperationStatus::kFailed;
  }
  host.Beep();
  host.ShowMessage(Ru("      Создание карты завершенно"), Ru("Создание тестовой карты"),
                   MessageIcon::kNone);
  return OperationStatus::kCompleted;
}

}  // namespace mirvex
