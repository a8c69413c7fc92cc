#include "operations/crop.h"

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/progress.h"
#include "base/text.h"
#include "base/text_reader.h"
#include "garmin/map_crop.h"

namespace mirvex {

OperationStatus CropMap(const CropPaths& paths, const CropOptions& options, std::string_view program_prefix,
                        Host& host, SectionCounts* written) {
  const std::string& map_path = paths.map;
  const std::string& result_path = paths.result;
  if (!FileExists(map_path)) {
    ShowMissingFile(host, map_path);
    return OperationStatus::kFailed;
  }
  if (!options.west || !options.north || !options.east || !options.south) {
    ShowInformation(host, Ru("Не введено одно из значений координат") + std::string(kLineBreak) + map_path);
    return OperationStatus::kFailed;
  }
  if (SameFile(result_path, map_path)) {
    ShowInformation(host, Ru("Файл результата совпадает с исходной картой, его нельзя перезаписать:") +
                              std::string(kLineBreak) + result_path);
    return OperationStatus::kFailed;
  }
  if (RefuseProgramFileAsResult(host, program_prefix, result_path)) return OperationStatus::kFailed;
  CropBounds bounds;
  bounds.north = *options.north;
  bounds.south = *options.south;
  bounds.west = *options.west;
  bounds.east = *options.east;

  TextReader map;
  if (!map.Open(map_path)) {
    ShowMissingFile(host, map_path);
    return OperationStatus::kFailed;
  }
  ResultFile result;
  if (!result.Open(result_path)) {
    ShowWriteFailure(host, result_path);
    return OperationStatus::kFailed;
  }
  host.SetCropRunning(true);
  ProgressReporter progress(host, map.Size(), map.Size() + 1, 0);
  Cropper cropper(bounds, result, options.clip_objects);
  std::string_view line;
  while (map.ReadLine(line)) {
    cropper.Line(line);
    progress.Update(map.Offset());
    if (progress.stopped()) break;
  }
  if (progress.stopped()) {
    host.SetCropRunning(false);
    result.Abandon();
    return OperationStatus::kStopped;
  }
  cropper.End();
  host.SetCropRunning(false);
  if (map.ReadFailed()) {
    result.Abandon();
    ShowReadFailure(host, map_path);
    return OperationStatus::kFailed;
  }
  if (!result.Commit()) {
    ShowWriteFailure(host, result_path);
    return OperationStatus::kFailed;
  }
  progress.Finish();
  if (written) *written = cropper.counts();
  host.Beep();
  host.ShowMessage(Ru("               Конвертация завершена"), Ru("Конвертация карты из формата MIF"),
                   MessageIcon::kNone);
  return OperationStatus::kCompleted;
}

}  // namespace mirvex
