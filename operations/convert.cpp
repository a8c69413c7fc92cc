#include "operations/convert.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/progress.h"
#include "base/text.h"
#include "base/text_reader.h"
#include "dictionary/object_dictionary.h"
#include "dictionary/type_lookup.h"
#include "mapinfo/mid_reader.h"
#include "mapinfo/mif_header.h"
#include "mapinfo/mif_lines.h"
#include "mapinfo/mif_object_reader.h"
#include "operations/georef.h"
#include "operations/map_coordinates.h"
#include "operations/object_writer.h"
#include "operations/transformed_objects.h"

namespace mirvex {

namespace {

// The coordinate text of the object in progress, "(y,x)," per vertex. It grows pair by
// pair without clearing its memory first, the one job of a line of coordinates.
class PairText {
 public:
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }
  std::string_view view() const { return {data_.get(), size_}; }
  void pop_back() { --size_; }
  void Append(std::string_view text) { std::memcpy(Extend(text.size()), text.data(), text.size()); }
  // Room for `n` more bytes at the end, which the caller fills.
  char* Extend(std::size_t n) {
    if (size_ + n > capacity_) Grow(size_ + n);
    char* at = data_.get() + size_;
    size_ += n;
    return at;
  }

 private:
  void Grow(std::size_t needed) {
    std::size_t capacity = std::max<std::size_t>({needed, capacity_ * 2, 4096});
    auto data = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// The conversion's consumer of the MIF object reader: collects each object's
// coordinate text, georeferenced and measured as the options ask, and hands the object
// to the writer when it is complete.
class ObjectAssembler {
 public:
  // The conversion copies the vertex texts; it reads values only to georeference or measure.
  static constexpr bool kTakesValues = false;

  ObjectAssembler(const ConversionOptions& options, ObjectInProgress& object, ObjectWriter& writer,
                  const Georef& georef)
      : options_(options), object_(object), writer_(writer), georef_(georef) {}

  void ObjectStarted(const MifObjectStart& start) {
    kind_ = start.shape == MifShape::kRegion     ? kKindRegion
            : start.shape == MifShape::kPolyline ? kKindPolyline
                                                 : kKindPoint;
    object_.record = start.record;
    object_.text_object = start.text;
  }
  // A count line: the next vertex opens a part.
  void PartStarted() { new_part_ = true; }
  void Vertex(const MifVertex& vertex) {
    if (vertex.computed) {
      AppendComputedPair(vertex.x, vertex.y);
    } else {
      AddVertex(vertex);
    }
  }
  void TextString(std::string_view text) { object_.text_label = text; }
  void ObjectFinished(bool numbers_usable) {
    if (numbers_usable && !coords_.empty()) writer_.Write(kind_, coords_.view());
    coords_.clear();
    new_part_ = false;
    // Nothing of one object carries over to the next, written or not.
    object_.text_object = false;
    object_.text_label.clear();
    object_.size.Reset();
  }
  void LineUnreadable() {}

  bool georef_failed() const { return georef_failed_; }

 private:
  void AddVertex(const MifVertex& vertex);
  void OpenPartIfAsked();
  void AppendPair(std::string_view xt, std::string_view yt, bool plain);
  void AppendComputedPair(double x, double y);

  const ConversionOptions& options_;
  ObjectInProgress& object_;
  ObjectWriter& writer_;
  const Georef& georef_;

  std::int16_t kind_ = kKindNothing;
  PairText coords_;
  bool new_part_ = false;  // a count line was met: the next vertex opens a part
  bool georef_failed_ = false;
};

// A vertex keeps the MIF's own digits. A token with any other character (a comma, a
// bracket or a NUL byte would break the Data line) is written as the number it
// begins with, the value a computed pair would take.
void ObjectAssembler::AppendPair(std::string_view xt, std::string_view yt, bool plain) {
  if (!plain) {
    AppendPair(NumberText(Value(xt)), NumberText(Value(yt)), true);
    return;
  }
  char* p = coords_.Extend(xt.size() + yt.size() + 4);
  *p++ = '(';
  std::memcpy(p, yt.data(), yt.size());
  p += yt.size();
  *p++ = ',';
  std::memcpy(p, xt.data(), xt.size());
  p += xt.size();
  *p++ = ')';
  *p = ',';
}

void ObjectAssembler::AppendComputedPair(double x, double y) {
  if (options_.georeference.enabled) {
    if (!georef_.Usable()) {
      georef_failed_ = true;
      return;
    }
    georef_.Transform(x, y, x, y);
  }
  AppendPair(NumberText(x), NumberText(y), true);
}

// The size of an object is measured on the MIF values. The measure only matters to the level raise; without it, and without
// georeferencing, a vertex is copied as text and never parsed.
void ObjectAssembler::AddVertex(const MifVertex& vertex) {
  bool measure = options_.raise_large_objects;
  bool georeference = options_.georeference.enabled;
  double x = 0, y = 0;
  if (measure || georeference) vertex.Values(x, y);
  if (measure) object_.size.Add(x, y);
  OpenPartIfAsked();
  if (georeference) {
    AppendComputedPair(x, y);
  } else {
    AppendPair(vertex.x_text, vertex.y_text, vertex.plain);
  }
}

void ObjectAssembler::OpenPartIfAsked() {
  if (!new_part_) return;
  if (!coords_.empty()) {
    coords_.pop_back();
    coords_.Append("\r\nData0=");
  }
  new_part_ = false;
}

// The descriptions whose type was no number, as the message after the run lists them.
std::string RetypedList(const ObjectWriter& writer) {
  std::string list;
  for (const std::string& named : writer.retyped_descriptions()) {
    if (!list.empty()) list += ", ";
    list += named;
  }
  if (writer.more_retyped()) list += Ru(" и другие");
  return list;
}

// What a pass over the objects found: whether the user stopped it, and the objects
// the reader left out because a coordinate of theirs was no number.
struct ObjectPass {
  bool stopped = false;
  std::uint64_t objects_without_numbers = 0;
  std::int64_t first_line_without_numbers = 0;
};

// Reads the objects after the Data line into `consumer` until the end, the user's stop,
// or `give_up` says the consumer cannot go on.
template <typename Consumer, typename GiveUp>
ObjectPass ReadObjects(TextReader& mif, MidReader& mid, Consumer& consumer, std::int64_t column_count, bool utf8,
                       std::int64_t line_number, ProgressReporter& progress, GiveUp give_up) {
  ObjectPass pass;
  MifObjectReader reader(consumer, mid, column_count, utf8, line_number);
  std::string_view line;
  bool gave_up = false;
  while (mif.ReadLine(line)) {
    reader.Line(line);
    if ((gave_up = give_up())) break;
    progress.Update(mif.Offset());
    if (progress.stopped()) {
      pass.stopped = true;
      return pass;
    }
  }
  if (!gave_up) reader.End();
  pass.objects_without_numbers = reader.objects_without_numbers();
  pass.first_line_without_numbers = reader.first_line_without_numbers();
  return pass;
}

// One transformation per core, so a batch is transformed on all of them while the next
// is read.
std::vector<std::unique_ptr<Wgs84Transform>> TransformsForWorkers(MapCoordinates& coordinates) {
  std::vector<std::unique_ptr<Wgs84Transform>> transforms;
  transforms.push_back(std::move(coordinates.to_wgs84));
  unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  std::string problem;
  while (transforms.size() < cores) {
    std::unique_ptr<Wgs84Transform> another = Wgs84Transform::Create(coordinates.coordsys, problem);
    if (!another) break;
    transforms.push_back(std::move(another));
  }
  return transforms;
}

}  // namespace

ConversionResult Convert(const ConversionPaths& paths, const ConversionOptions& options,
                         std::string_view program_prefix, Host& host) {
  ConversionResult result;
  const std::string& mif_path = paths.mif;
  const std::string& mid_path = paths.mid;
  const std::string& map_path = paths.result;
  if (!FileExists(mif_path)) {
    ShowMissingFile(host, mif_path);
    return result;
  }
  if (!FileExists(mid_path)) {
    ShowMissingFile(host, mid_path);
    return result;
  }
  if (SameFile(map_path, mif_path) || SameFile(map_path, mid_path)) {
    ShowInformation(host, Ru("Файл результата совпадает с исходным файлом карты, его нельзя перезаписать:") +
                              std::string(kLineBreak) + map_path);
    return result;
  }
  if (RefuseProgramFileAsResult(host, program_prefix, map_path)) return result;

  Georef georef;
  if (options.georeference.enabled) {
    std::optional<Bounds> bounds = FindBounds(mif_path);
    if (!bounds) {
      ShowInformation(host, Ru("Границы карты (Bounds) не прочитаны, привязать карту к системе координат нельзя:") +
                                std::string(kLineBreak) + mif_path);
      return result;
    }
    georef = Georef(options.georeference, *bounds);
    if (!georef.Usable()) {
      ShowInformation(host, Ru("Границы карты (Bounds) в файле MIF имеют нулевую ширину или высоту, "
                               "привязать карту к системе координат нельзя:") +
                                std::string(kLineBreak) + mif_path);
      return result;
    }
  }
  std::int64_t column_count = options.column_count;
  if (options.column_count_from_header) {
    result.header_column_count = FindColumnCountText(mif_path);
    if (result.header_column_count) column_count = ColumnCount(*result.header_column_count);
  }

  const std::string dictionary_path = DictionaryPath(program_prefix);
  TypeLookup lookup(host, dictionary_path);
  if (!lookup.DictionaryPresent() && !options.section_from_mif) {
    // Without the dictionary no object could be given its section.
    return result;
  }

  TextReader mif;
  MidReader mid;
  if (!mif.Open(mif_path)) {
    ShowMissingFile(host, mif_path);
    return result;
  }
  if (!mid.Open(mid_path)) {
    ShowMissingFile(host, mid_path);
    return result;
  }
  ResultFile map;
  if (!map.Open(map_path)) {
    ShowWriteFailure(host, map_path);
    return result;
  }
  // The percentage counts from 1, as the window has always shown it.
  ProgressReporter progress(host, mif.Size(), mif.Size(), 1);
  map.WriteLine(options.header_template);

  MifHeaderInfo header;
  std::string_view line;
  std::int64_t line_number = 0;
  bool data_found = false;
  while (!data_found && mif.ReadLine(line)) {
    ++line_number;
    data_found = ScanHeaderLine(line, header);
  }
  if (mif.ReadFailed()) {
    map.Abandon();
    ShowReadFailure(host, mif_path);
    return result;
  }
  if (!data_found) {
    map.Abandon();
    ShowInformation(host, Ru("В файле MIF нет строки Data, за которой идут объекты карты:") +
                              std::string(kLineBreak) + mif_path);
    return result;
  }
  std::string refusal;
  std::optional<MapCoordinates> coordinates = ChooseMapCoordinates(header, options, mif_path, refusal);
  if (!coordinates) {
    map.Abandon();
    ShowInformation(host, refusal);
    return result;
  }
  result.coordinates_in_words = coordinates->InWords();
  result.coordinates_transformed = coordinates->to_wgs84 != nullptr;
  mid.SetDelimiter(header.delimiter);
  mid.SetUtf8(header.utf8);

  ObjectInProgress object;
  ObjectWriter writer(options, object, lookup, map);
  ObjectPass pass;
  bool georef_failed = false;
  UntransformedObjects untransformed;
  if (coordinates->to_wgs84) {
    TransformedObjects transformed(options, object, writer, TransformsForWorkers(*coordinates));
    pass = ReadObjects(mif, mid, transformed, column_count, header.utf8, line_number, progress, [] { return false; });
    if (!pass.stopped) transformed.Flush();
    untransformed = transformed.untransformed();
  } else {
    ObjectAssembler assembler(options, object, writer, georef);
    pass = ReadObjects(mif, mid, assembler, column_count, header.utf8, line_number, progress,
                       [&] { return assembler.georef_failed(); });
    georef_failed = assembler.georef_failed();
  }
  if (pass.stopped) {
    map.Abandon();
    result.status = OperationStatus::kStopped;
    return result;
  }
  if (georef_failed) {
    map.Abandon();
    ShowInformation(host, Ru("Границы карты (Bounds) не прочитаны, привязать карту к системе координат нельзя:") +
                              std::string(kLineBreak) + mif_path);
    return result;
  }
  // A map cut short by an input that stopped being readable must not replace the
  // earlier result, nor pass for a complete one.
  if (mif.ReadFailed() || mid.ReadFailed()) {
    map.Abandon();
    ShowReadFailure(host, mif.ReadFailed() ? mif_path : mid_path);
    return result;
  }
  if (!map.Commit()) {
    ShowWriteFailure(host, map_path);
    return result;
  }
  progress.Finish();
  if (mid.missing_records() > 0) ShowInformation(host, MissingRecordsMessage(mid.missing_records(), mid_path));
  if (writer.counts().retyped > 0) {
    auto count = static_cast<long long>(writer.counts().retyped);
    ShowInformation(host, ObjectCount(count) +
                              std::string(PluralForm(count, Ru(" записан"), Ru(" записаны"), Ru(" записаны"))) +
                              Ru(" с типом \"Неопределенный тип объекта\": ") +
                              std::string(PluralForm(count, Ru("его"), Ru("их"), Ru("их"))) +
                              Ru(" тип в словаре object.txt не число (0x… или десятичное), компилятор карт его не "
                                 "прочтет.") +
                              std::string(kLineBreak) + Ru("Описания: ") + RetypedList(writer));
  }
  if (writer.counts().untyped > 0) {
    auto count = static_cast<long long>(writer.counts().untyped);
    ShowInformation(host, ObjectCount(count) +
                              std::string(PluralForm(count, Ru(" записан"), Ru(" записаны"), Ru(" записаны"))) +
                              Ru(" без типа: в словаре object.txt нет записи \"Неопределенный тип объекта\" с "
                                 "числовым типом, а ") +
                              std::string(PluralForm(count, Ru("его собственный тип не найден. Компилятор карт такой "
                                                               "объект не примет."),
                                                     Ru("их собственный тип не найден. Компилятор карт такие "
                                                        "объекты не примет."),
                                                     Ru("их собственный тип не найден. Компилятор карт такие "
                                                        "объекты не примет."))));
  }
  if (std::uint64_t left_out = pass.objects_without_numbers; left_out > 0) {
    auto count = static_cast<long long>(left_out);
    ShowInformation(host, ObjectCount(count) +
                              std::string(PluralForm(count, Ru(" не записан: в его"), Ru(" не записаны: в их"),
                                                     Ru(" не записаны: в их"))) +
                              Ru(" координатах есть текст, который не является числом (например, 1e, 1.2.3 или "
                                 "1e999), компилятор карт его не примет. Первый такой текст - в строке ") +
                              std::to_string(pass.first_line_without_numbers) + Ru(" файла") +
                              std::string(kLineBreak) + mif_path);
  }
  result.objects_without_numbers = pass.objects_without_numbers;
  if (untransformed.count() > 0) ShowInformation(host, untransformed.Message(mif_path));
  result.objects_untransformed = untransformed.count();
  host.Beep();
  host.ShowMessage(Ru("               Конвертация завершена"), Ru("Конвертация карты из формата MIF"),
                   MessageIcon::kNone);
  result.status = OperationStatus::kCompleted;
  result.counts = writer.counts();
  return result;
}

}  // namespace mirvex
