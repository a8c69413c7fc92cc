#include "operations/convert.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

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
#include "operations/georef.h"
#include "operations/object_writer.h"

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

// The MIF object loop: recognises objects by their first word, collects each
// object's coordinates and hands it to the writer when it is complete.
class MifConverter {
 public:
  MifConverter(const ConversionOptions& options, ObjectInProgress& object, const MifHeaderInfo& header,
               MidReader& mid, ObjectWriter& writer, const Georef& georef)
      : options_(options), object_(object), header_(header), mid_(mid), writer_(writer), georef_(georef) {}

  void Line(std::string_view line);
  // Writes the object still in progress at the end of the file.
  void End() { FinishObject(); }
  bool georef_failed() const { return georef_failed_; }
  void SetColumnCount(std::int64_t count) { column_count_ = count; }
  // Objects left out because a coordinate of theirs was no number, and the first line
  // (numbered from 1) that held such a coordinate.
  std::uint64_t objects_without_numbers() const { return objects_without_numbers_; }
  std::int64_t first_line_without_numbers() const { return first_line_without_numbers_; }
  // The number of the line being read, for the report of coordinates that are no number.
  void SetLineNumber(std::int64_t line) { line_number_ = line; }

 private:
  enum class TextStage { kNone, kAwaitString, kAwaitPosition };

  void StartObject(MifKeyword keyword, std::string_view rest);
  // A line without a keyword: a vertex, a count of vertices, or something skipped.
  void CoordinateLine(std::string_view line);
  void FinishObject();
  void ReadRecord() { mid_.ReadRecord(column_count_, object_.record); }
  // `plain`: both texts are known to hold only number characters.
  void AddVertex(std::string_view xt, std::string_view yt, bool plain = false);
  void AppendPair(PairText& out, std::string_view xt, std::string_view yt, bool plain = false);
  void AppendComputedPair(double x, double y);
  bool BoxCentre(std::string_view rest, double& cx, double& cy);
  void TakeTextString(std::string_view text);
  void WritePoint(std::string_view xt, std::string_view yt);
  // False (and the object marked to be left out) when a coordinate text of number
  // characters is no finite decimal ("1e", "1.2.3", "1e999"): a map compiler refuses
  // it, and it has no value to write instead.
  bool NumbersUsable(std::string_view xt, std::string_view yt, bool plain = false);
  void NoteUnusableNumbers();

  const ConversionOptions& options_;
  ObjectInProgress& object_;
  const MifHeaderInfo& header_;
  MidReader& mid_;
  ObjectWriter& writer_;
  const Georef& georef_;

  std::int16_t kind_ = kKindNothing;
  PairText coords_;
  bool new_part_ = false;          // a count line was met: the next vertex opens a part
  bool geometry_complete_ = false; // the keyword line held the whole geometry
  bool multipoint_ = false;        // each vertex is a point of its own
  TextStage text_stage_ = TextStage::kNone;
  int collection_parts_left_ = 0;
  double size_origin_x_ = 0, size_origin_y_ = 0;
  bool georef_failed_ = false;
  PairText point_coords_;
  std::int64_t column_count_ = 0;
  bool unusable_numbers_ = false;  // the object in progress is left out
  std::uint64_t objects_without_numbers_ = 0;
  std::int64_t first_line_without_numbers_ = 0;
  std::int64_t line_number_ = 0;
  std::int64_t unusable_line_ = 0;  // where the object's first unusable coordinate stands
};

void MifConverter::Line(std::string_view line) {
  if (text_stage_ == TextStage::kAwaitString) {
    // The string line of a text object is never read as a keyword.
    std::string_view probe = line;
    if (NextToken(probe).empty()) return;
    TakeTextString(line);
    return;
  }
  // Most lines are coordinates: a line that starts like a number is no keyword line.
  std::size_t first = 0;
  while (first < line.size() && kMifCharClasses.blank[static_cast<unsigned char>(line[first])]) ++first;
  if (first < line.size() && IsNumberStart(line[first])) {
    CoordinateLine(line);
    return;
  }
  std::string_view rest;
  MifKeyword keyword = ClassifyMifLine(line, rest);
  if (keyword == MifKeyword::kStyle) {
    FinishObject();
    return;
  }
  if (keyword != MifKeyword::kOther) {
    StartObject(keyword, rest);
    return;
  }
  CoordinateLine(line);
}

void MifConverter::CoordinateLine(std::string_view line) {
  if (kind_ == kKindNothing || geometry_complete_) return;
  auto [xt, yt, plain, decimal] = SplitCoordinates(line);
  if (!LooksNumeric(xt)) return;  // an empty line or a clause this reader does not know
  if (yt.empty()) {
    // A count line: the number of vertices of the next part.
    if (kind_ == kKindRegion || kind_ == kKindPolyline) new_part_ = true;
    return;
  }
  if (multipoint_) {
    // Each vertex is a point of its own: only that point is left out.
    if (!NumbersUsable(xt, yt)) {
      NoteUnusableNumbers();
      return;
    }
    WritePoint(xt, yt);
    return;
  }
  if (!decimal && !NumbersUsable(xt, yt, plain)) {
    unusable_numbers_ = true;
    return;
  }
  AddVertex(xt, yt, plain);
  if (text_stage_ == TextStage::kAwaitPosition) {
    // The position line of a text object: the text stands at the first corner of its box.
    text_stage_ = TextStage::kNone;
    geometry_complete_ = true;
  }
}

void MifConverter::StartObject(MifKeyword keyword, std::string_view rest) {
  bool part = collection_parts_left_ > 0 &&
              (keyword == MifKeyword::kRegion || keyword == MifKeyword::kPline ||
               keyword == MifKeyword::kMultipoint);
  FinishObject();
  if (part) {
    --collection_parts_left_;  // the parts of a collection share its record
  } else {
    collection_parts_left_ = 0;
    ReadRecord();  // every object takes exactly one MID record
  }
  double cx = 0, cy = 0;
  switch (keyword) {
    case MifKeyword::kRegion:
      kind_ = kKindRegion;
      break;
    case MifKeyword::kPline:
      kind_ = kKindPolyline;
      break;
    case MifKeyword::kPoint: {
      kind_ = kKindPoint;
      geometry_complete_ = true;
      std::string_view xt = NextToken(rest);
      std::string_view yt = NextToken(rest);
      // A keyword line without its numbers draws nothing; the record is still taken.
      if (!LooksNumeric(xt) || !LooksNumeric(yt)) break;
      if (!NumbersUsable(xt, yt)) {
        unusable_numbers_ = true;
        break;
      }
      AppendComputedPair(Value(xt), Value(yt));
      break;
    }
    case MifKeyword::kLine: {
      kind_ = kKindPolyline;
      geometry_complete_ = true;
      std::string_view x1 = NextToken(rest), y1 = NextToken(rest);
      std::string_view x2 = NextToken(rest), y2 = NextToken(rest);
      if (LooksNumeric(x1) && LooksNumeric(y1) && LooksNumeric(x2) && LooksNumeric(y2)) {
        if (!NumbersUsable(x1, y1) || !NumbersUsable(x2, y2)) {
          unusable_numbers_ = true;
          break;
        }
        AddVertex(x1, y1);
        AddVertex(x2, y2);
      }
      break;
    }
    case MifKeyword::kEllipse:
    case MifKeyword::kRect:
    case MifKeyword::kRoundrect:
    case MifKeyword::kArc:
      kind_ = kKindPoint;
      geometry_complete_ = true;
      if (BoxCentre(rest, cx, cy)) AppendComputedPair(cx, cy);
      break;
    case MifKeyword::kText:
      kind_ = kKindPoint;
      object_.text_object = true;
      if (rest.find('"') != std::string_view::npos) {
        TakeTextString(rest);
      } else {
        text_stage_ = TextStage::kAwaitString;
      }
      break;
    case MifKeyword::kMultipoint:
      kind_ = kKindPoint;
      multipoint_ = true;
      break;
    case MifKeyword::kCollection: {
      double parts = Value(NextToken(rest));
      collection_parts_left_ = parts > 0 && parts < 1000 ? static_cast<int>(parts) : 0;
      break;
    }
    default:  // "none": the record is taken, nothing is drawn
      break;
  }
}

void MifConverter::FinishObject() {
  if (unusable_numbers_) {
    NoteUnusableNumbers();
  } else if (kind_ != kKindNothing && !coords_.empty()) {
    writer_.Write(kind_, coords_.view());
  }
  unusable_numbers_ = false;
  kind_ = kKindNothing;
  coords_.clear();
  new_part_ = false;
  geometry_complete_ = false;
  multipoint_ = false;
  text_stage_ = TextStage::kNone;
  // Nothing of one object carries over to the next, written or not.
  object_.text_object = false;
  object_.text_label.clear();
  object_.size = 0;
}

void MifConverter::TakeTextString(std::string_view text) {
  // The string runs from the first quotation mark to the closing one at the end.
  std::size_t open = text.find('"');
  std::string_view body = open == std::string_view::npos ? text : text.substr(open + 1);
  while (!body.empty() && (body.back() == ' ' || body.back() == '\t')) body.remove_suffix(1);
  if (!body.empty() && body.back() == '"') body.remove_suffix(1);
  object_.text_label = CheckText(header_.utf8 ? std::string_view(Utf8ToCp1251(body)) : body);
  text_stage_ = TextStage::kAwaitPosition;
}

// A vertex keeps the MIF's own digits. A token with any other character (a comma, a
// bracket or a NUL byte would break the Data line) is written as the number it
// begins with, the value a computed pair would take.
void MifConverter::AppendPair(PairText& out, std::string_view xt, std::string_view yt, bool plain) {
  if (!plain && (!HoldsOnlyNumberCharacters(xt) || !HoldsOnlyNumberCharacters(yt))) {
    AppendPair(out, NumberText(Value(xt)), NumberText(Value(yt)), true);
    return;
  }
  char* p = out.Extend(xt.size() + yt.size() + 4);
  *p++ = '(';
  std::memcpy(p, yt.data(), yt.size());
  p += yt.size();
  *p++ = ',';
  std::memcpy(p, xt.data(), xt.size());
  p += xt.size();
  *p++ = ')';
  *p = ',';
}

void MifConverter::AppendComputedPair(double x, double y) {
  if (options_.georeference.enabled) {
    if (!georef_.Usable()) {
      georef_failed_ = true;
      return;
    }
    georef_.Transform(x, y, x, y);
  }
  std::string xt = NumberText(x);
  std::string yt = NumberText(y);
  AppendPair(coords_, xt, yt, true);
}

// The size of an object is measured on the MIF values: the first vertex counts 1,
// each later one adds its distance from the first.
// The measure only matters to the level raise; without it, and without
// georeferencing, a vertex is copied as text and never parsed.
void MifConverter::AddVertex(std::string_view xt, std::string_view yt, bool plain) {
  bool measure = options_.raise_large_objects;
  bool georeference = options_.georeference.enabled;
  double x = 0, y = 0;
  if (measure || georeference) {
    x = Value(xt);
    y = Value(yt);
  }
  if (measure) {
    if (object_.size > 0) {
      object_.size += std::sqrt((y - size_origin_y_) * (y - size_origin_y_) +
                                     (x - size_origin_x_) * (x - size_origin_x_));
    }
    if (object_.size == 0) {
      object_.size = 1;
      size_origin_x_ = x;
      size_origin_y_ = y;
    }
  }
  if (new_part_) {
    if (!coords_.empty()) {
      coords_.pop_back();
      coords_.Append("\r\nData0=");
    }
    new_part_ = false;
  }
  if (georeference) {
    AppendComputedPair(x, y);
  } else {
    AppendPair(coords_, xt, yt, plain);
  }
}

void MifConverter::WritePoint(std::string_view xt, std::string_view yt) {
  point_coords_.clear();
  if (options_.georeference.enabled) {
    if (!georef_.Usable()) {
      georef_failed_ = true;
      return;
    }
    double lon = 0, lat = 0;
    georef_.Transform(Value(xt), Value(yt), lon, lat);
    AppendPair(point_coords_, NumberText(lon), NumberText(lat), true);
  } else {
    AppendPair(point_coords_, xt, yt);
  }
  std::int16_t kind = kKindPoint;
  object_.size = 1;
  writer_.Write(kind, point_coords_.view());
}

bool MifConverter::NumbersUsable(std::string_view xt, std::string_view yt, bool plain) {
  for (std::string_view token : {xt, yt}) {
    if (!(plain ? NumberCharactersAreANumber(token) : CoordinateTextUsable(token))) {
      if (!unusable_numbers_) unusable_line_ = line_number_;
      return false;
    }
  }
  return true;
}

void MifConverter::NoteUnusableNumbers() {
  if (objects_without_numbers_++ == 0) first_line_without_numbers_ = unusable_line_;
}

bool MifConverter::BoxCentre(std::string_view rest, double& cx, double& cy) {
  std::string_view x1 = NextToken(rest), y1 = NextToken(rest);
  std::string_view x2 = NextToken(rest), y2 = NextToken(rest);
  if (!LooksNumeric(x1) || !LooksNumeric(y1) || !LooksNumeric(x2) || !LooksNumeric(y2)) return false;
  if (!NumbersUsable(x1, y1) || !NumbersUsable(x2, y2)) {
    unusable_numbers_ = true;
    return false;
  }
  cx = (Value(x1) + Value(x2)) / 2;
  cy = (Value(y1) + Value(y2)) / 2;
  return true;
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
  ObjectRecord default_record;
  if (lookup.DictionaryPresent()) {
    default_record = lookup.RecordNamed(DefaultTypeName());
  } else if (!options.section_from_mif) {
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
  mid.SetDelimiter(header.delimiter);
  mid.SetUtf8(header.utf8);

  ObjectInProgress object;
  ObjectWriter writer(options, object, lookup, default_record, map);
  MifConverter converter(options, object, header, mid, writer, georef);
  converter.SetColumnCount(column_count);
  while (mif.ReadLine(line)) {
    converter.SetLineNumber(++line_number);
    converter.Line(line);
    if (writer.dictionary_lost() || converter.georef_failed()) break;
    progress.Update(mif.Offset());
    if (progress.stopped()) {
      map.Abandon();
      result.status = OperationStatus::kStopped;
      return result;
    }
  }
  if (!writer.dictionary_lost() && !converter.georef_failed()) converter.End();

  if (converter.georef_failed()) {
    map.Abandon();
    ShowInformation(host, Ru("Границы карты (Bounds) не прочитаны, привязать карту к системе координат нельзя:") +
                              std::string(kLineBreak) + mif_path);
    return result;
  }
  if (writer.dictionary_lost()) {
    // The missing dictionary has been reported by the lookup.
    map.Abandon();
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
  if (mid.missing_records() > 0) {
    auto count = static_cast<long long>(mid.missing_records());
    ShowInformation(host, Ru("В файле MID меньше записей, чем объектов в файле MIF: ") + ObjectCount(count) +
                              std::string(PluralForm(count, Ru(" без записи, его атрибуты пусты."),
                                                     Ru(" без записи, их атрибуты пусты."),
                                                     Ru(" без записи, их атрибуты пусты."))) +
                              std::string(kLineBreak) + mid_path);
  }
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
  if (std::uint64_t left_out = converter.objects_without_numbers(); left_out > 0) {
    auto count = static_cast<long long>(left_out);
    ShowInformation(host, ObjectCount(count) +
                              std::string(PluralForm(count, Ru(" не записан: в его"), Ru(" не записаны: в их"),
                                                     Ru(" не записаны: в их"))) +
                              Ru(" координатах есть текст, который не является числом (например, 1e, 1.2.3 или "
                                 "1e999), компилятор карт его не примет. Первый такой текст - в строке ") +
                              std::to_string(converter.first_line_without_numbers()) + Ru(" файла") +
                              std::string(kLineBreak) + mif_path);
  }
  result.objects_without_numbers = converter.objects_without_numbers();
  host.Beep();
  host.ShowMessage(Ru("               Конвертация завершена"), Ru("Конвертация карты из формата MIF"),
                   MessageIcon::kNone);
  result.status = OperationStatus::kCompleted;
  result.counts = writer.counts();
  return result;
}

}  // namespace mirvex
