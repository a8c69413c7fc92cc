// Loading a map into the view: opens the files, reads them with the readers of
// mapview/map_readers.h into the summary, and says in notes what could not be read.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/cp1251.h"
#include "base/progress.h"
#include "base/text.h"
#include "base/text_reader.h"
#include "dictionary/object_dictionary.h"
#include "mapinfo/mid_reader.h"
#include "mapinfo/mif_header.h"
#include "mapinfo/mif_lines.h"
#include "mapview/map_readers.h"
#include "mapview/map_summary.h"
#include "mapview/map_view.h"
#include "operations/georef.h"
#include "operations/map_coordinates.h"

namespace mirvex::mapview {

namespace {

// A line longer than this is cut (and reported): a file without line ends must not
// make the reader hold all of it.
constexpr std::size_t kLineLimit = 8u << 20;

// Notes of a read that are the same for both formats.
void NoteReaderTrouble(TextReader& reader, const std::string& path, std::uint64_t unreadable, bool stopped,
                       std::vector<std::string>& notes) {
  std::string line_break(kLineBreak);
  if (reader.ReadFailed()) {
    notes.push_back(Ru("Файл прочитан не до конца (ошибка чтения), показана прочитанная часть:") + line_break + path);
  }
  if (reader.lines_cut() > 0) {
    notes.push_back(Ru("Строк длиннее 8 МБ: ") + std::to_string(reader.lines_cut()) +
                    Ru(", показано только их начало:") + line_break + path);
  }
  if (unreadable > 0) {
    notes.push_back(Ru("Карта повреждена: ") + std::to_string(unreadable) +
                    Ru(" строк не удалось разобрать, показано то, что прочитано:") + line_break + path);
  }
  if (stopped) notes.push_back(Ru("Загрузка карты остановлена: показана прочитанная часть."));
}

}  // namespace

LoadResult MapView::LoadMif(const std::string& mif_path, const std::string& mid_path,
                            const ConversionOptions& options, std::string_view program_prefix, Host& host) {
  Clear();
  LoadResult result;
  std::string line_break(kLineBreak);
  TextReader mif;
  if (!mif.Open(mif_path)) {
    result.notes.push_back(Ru("Файл не найден") + line_break + mif_path);
    return result;
  }
  MidReader mid;
  bool mid_open = mid.Open(mid_path);
  if (!mid_open) {
    result.notes.push_back(Ru("Файл MID не найден, объекты показаны без атрибутов:") + line_break + mid_path);
    mid.OpenBytes(std::string());
  }
  mif.SetLineLimit(kLineLimit);

  const DictionaryImage* dictionary = SharedDictionaryCache().Get(DictionaryPath(program_prefix));
  if (!dictionary) {
    result.notes.push_back(Ru("Словарь object.txt не найден, все объекты показаны как не назначенные:") +
                           line_break + DictionaryPath(program_prefix));
  }
  std::optional<Georef> georef;
  if (options.georeference.enabled) {
    std::optional<Bounds> bounds = FindBounds(mif_path);
    if (bounds && Georef(options.georeference, *bounds).Usable()) {
      georef = Georef(options.georeference, *bounds);
    } else {
      result.notes.push_back(Ru("Границы карты (Bounds) не прочитаны, карта показана без привязки:") + line_break +
                             mif_path);
    }
  }
  std::int64_t column_count = options.column_count;
  if (options.column_count_from_header) {
    if (std::optional<std::string> text = FindColumnCountText(mif_path)) column_count = ColumnCount(*text);
  }

  ProgressReporter progress(host, mif.Size(), mif.Size(), 0);
  MifHeaderInfo header;
  bool data_found = ReadMifHeader(mif, header);
  std::string refusal;
  std::optional<MapCoordinates> coordinates = ChooseMapCoordinates(header, options, mif_path, refusal);
  if (!coordinates) {
    // The conversion would refuse this map; the view shows its numbers as they stand.
    result.notes.push_back(refusal);
    ConversionOptions copied = options;
    copied.to_wgs84 = false;
    coordinates = ChooseMapCoordinates(header, copied, mif_path, refusal);
  }
  result.coordinates_in_words = coordinates->InWords();
  const MapInfoCoordSys& coordsys = coordinates->coordsys;
  // Degrees unless the numbers are a sheet's plane units or a projection's metres.
  geographic_ = georef.has_value() || coordinates->to_wgs84 != nullptr || coordsys.kind == CoordSysKind::kAbsent ||
                (coordsys.kind == CoordSysKind::kEarth && coordsys.projection == 1);
  if (!data_found) {
    result.notes.push_back(Ru("В файле MIF нет строки Data, за которой идут объекты карты:") + line_break +
                           mif_path);
    NoteReaderTrouble(mif, mif_path, 0, false, result.notes);
    return result;
  }
  mid.SetDelimiter(header.delimiter);
  mid.SetUtf8(header.utf8);

  MapSummaryBuilder builder(*this);
  ReadTrouble trouble =
      ReadMifObjects(mif, mid, builder, options, dictionary, georef, coordinates->to_wgs84.get(), header.utf8,
                     column_count, progress, watcher_);
  NoteReaderTrouble(mif, mif_path, trouble.unreadable, progress.stopped(), result.notes);
  if (std::uint64_t left_out = trouble.objects_without_numbers; left_out > 0) {
    auto count = static_cast<long long>(left_out);
    result.notes.push_back(ObjectCount(count) +
                           std::string(PluralForm(count, Ru(" не показан"), Ru(" не показаны"), Ru(" не показаны"))) +
                           Ru(": в координатах есть текст, который не является числом (конвертация такие объекты "
                              "не записывает):") +
                           line_break + mif_path);
  }
  if (trouble.untransformed.count() > 0) result.notes.push_back(trouble.untransformed.Message(mif_path));
  if (mid_open && mid.ReadFailed()) {
    result.notes.push_back(Ru("Файл MID прочитан не до конца (ошибка чтения):") + line_break + mid_path);
  }
  if (mid_open && mid.missing_records() > 0) result.notes.push_back(MissingRecordsMessage(mid.missing_records(), mid_path));
  if (summary_->full) {
    result.notes.push_back(Ru("Карта не поместилась в память просмотра, показана ее часть."));
  }
  if (!progress.stopped()) progress.Finish();
  result.status = progress.stopped() ? LoadStatus::kStopped : LoadStatus::kCompleted;
  ResetView();
  return result;
}

LoadResult MapView::LoadTextMap(const std::string& path, Host& host) {
  Clear();
  LoadResult result;
  TextReader map;
  if (!map.Open(path)) {
    result.notes.push_back(Ru("Файл не найден") + std::string(kLineBreak) + path);
    return result;
  }
  map.SetLineLimit(kLineLimit);
  ProgressReporter progress(host, map.Size(), map.Size(), 0);
  MapSummaryBuilder builder(*this);
  ReadTrouble trouble = ReadTextMapObjects(map, builder, progress, watcher_);
  geographic_ = true;
  NoteReaderTrouble(map, path, trouble.unreadable, progress.stopped(), result.notes);
  if (summary_->full) {
    result.notes.push_back(Ru("Карта не поместилась в память просмотра, показана ее часть."));
  }
  if (!progress.stopped()) progress.Finish();
  result.status = progress.stopped() ? LoadStatus::kStopped : LoadStatus::kCompleted;
  ResetView();
  return result;
}

}  // namespace mirvex::mapview
