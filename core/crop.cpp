#include "core/crop.h"

#include <algorithm>

#include "core/cp1251.h"
#include "core/files.h"
#include "core/progress.h"
#include "core/text.h"
#include "core/text_reader.h"

namespace mirvex {

namespace {

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The map is read line by line. Only coordinate lines ("Data", "Origin") are taken
// apart at their commas; header lines and the other keys are carried whole, so a
// comma in a label or a header line changes nothing.
class Cropper {
 public:
  Cropper(const CropBounds& bounds, ResultFile& result) : bounds_(bounds), result_(result) {}

  void Line(std::string_view line);
  // The end of the map: the header when no object followed it, or the last object.
  void End();

 private:
  void StartObject(int kind);
  void CoordinateLine(std::string_view key, std::string_view pairs);
  void Piece(std::string_view piece);
  void ClosePart();
  void SaveObject();  // savePolRezs

  const CropBounds& bounds_;
  ResultFile& result_;
  bool in_header_ = true;
  std::string header_ = std::string(kLineBreak);

  int kind_ = 0;  // 1, 2, 4 or 8 from [RGN10], [RGN20], [RGN40], [RGN80]
  std::string type_;
  std::string label_;
  int level_ = 0;
  bool dir_indicator_ = false;
  std::string data_;             // "\r\nData0=" lines with their kept pairs
  std::size_t part_pairs_ = 0;   // where the pairs of the current line begin in data_
  std::size_t kept_pairs_ = 0;   // pairs kept in data_ (a key may hold brackets too)
  bool in_part_ = false;
  bool keep_ = false;            // the result of the object's last pair
  bool expecting_second_ = false;
  std::string first_;
  std::string object_;
};

void Cropper::Line(std::string_view raw) {
  std::string_view line = WithoutLeadingBlanks(raw);
  if (in_header_) {
    if (!StartsWith(line, "[RGN")) {
      header_ += line;
      header_ += kLineBreak;
      return;
    }
    result_.WriteLine(header_);
    in_header_ = false;
  }
  if (StartsWith(line, "[RGN80")) return StartObject(8);
  if (StartsWith(line, "[RGN40")) return StartObject(4);
  if (StartsWith(line, "[RGN20")) return StartObject(2);
  if (StartsWith(line, "[RGN10")) return StartObject(1);
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;  // an end line, an empty line
  std::string_view key = line.substr(0, equals);
  std::string_view value = line.substr(equals + 1);
  if (key == "Type") {
    type_ = value;
  } else if (key == "Label") {
    label_ = value;
  } else if (key == "Levels") {
    level_ = static_cast<int>(std::clamp(RoundHalfEven(Value(value)), -32768.0, 32767.0));
  } else if (key == "DirIndicator") {
    dir_indicator_ = value == "1";
  } else if (StartsWith(key, "Data") || StartsWith(key, "Origin")) {
    if (StartsWith(key, "Origin")) expecting_second_ = false;
    CoordinateLine(key, value);
  }
  // Other keys are not carried into the cropped map.
}

void Cropper::StartObject(int kind) {
  SaveObject();
  kind_ = kind;
  type_.clear();
  label_.clear();
  data_.clear();
  kept_pairs_ = 0;
  in_part_ = false;
  // Nothing of the previous object decides this one.
  keep_ = false;
  expecting_second_ = false;
  level_ = 0;
  dir_indicator_ = false;
}

void Cropper::CoordinateLine(std::string_view key, std::string_view pairs) {
  ClosePart();
  data_ += kLineBreak;
  data_ += key;
  data_ += '=';
  part_pairs_ = data_.size();
  in_part_ = true;
  keep_ = true;
  while (true) {
    std::size_t comma = pairs.find(',');
    Piece(WithoutLeadingBlanks(pairs.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    pairs.remove_prefix(comma + 1);
  }
}

// One comma-separated piece of a coordinate line: "(lat" or "lon)".
void Cropper::Piece(std::string_view piece) {
  if (!expecting_second_) {
    std::size_t open = piece.find('(');
    std::size_t start = open == std::string_view::npos ? 0 : open + 1;
    std::size_t close = piece.find(')', start);
    std::size_t stop = close == std::string_view::npos ? std::min<std::size_t>(piece.size(), 100) : close + 1;
    first_ = stop > start ? piece.substr(start, stop - start) : std::string_view();
    expecting_second_ = true;
    return;
  }
  expecting_second_ = false;
  keep_ = CompareFun(bounds_, Value(first_), Value(piece));
  if (keep_) {
    ++kept_pairs_;
    data_ += '(';
    data_ += first_;
    data_ += ',';
    data_ += piece;
    data_ += ',';
  }
}

// Ends the coordinate line being built: its last "," goes, and a line that kept no
// pair is left out altogether (map compilers fail on an empty one).
void Cropper::ClosePart() {
  if (!in_part_) return;
  in_part_ = false;
  if (data_.size() == part_pairs_) {
    data_.erase(data_.rfind(kLineBreak));
  } else if (data_.back() == ',') {
    data_.pop_back();
  }
}

void Cropper::SaveObject() {
  ClosePart();
  if (!keep_) {
    expecting_second_ = false;
    return;
  }
  if ((kind_ == 4 && kept_pairs_ < 2) || (kind_ == 8 && kept_pairs_ < 3) || data_.empty() || kind_ == 0) {
    level_ = 0;
    return;
  }
  std::string number = std::to_string(kind_);
  object_.clear();
  object_ += "[RGN" + number + "0]";
  object_ += kLineBreak;
  object_ += "Levels=" + std::to_string(level_);
  object_ += kLineBreak;
  object_ += "Type=" + type_;
  if (!label_.empty()) {
    object_ += kLineBreak;
    object_ += "Label=" + label_;
  }
  if (dir_indicator_) {
    object_ += kLineBreak;
    object_ += "DirIndicator=1";
  }
  object_ += data_;
  object_ += kLineBreak;
  object_ += "[END-RGN" + number + "0]";
  object_ += kLineBreak;
  result_.WriteLine(object_);
  level_ = 0;
  expecting_second_ = false;
}

void Cropper::End() {
  if (in_header_) {
    result_.WriteLine(header_);
    return;
  }
  SaveObject();
}

}  // namespace

double DegreesMinutes(std::string_view text) {
  std::size_t point = text.find('.');
  if (point == std::string_view::npos) return Value(text);
  return Value(text.substr(0, point)) + Value(text.substr(point, 50)) * 100 / 60;
}

bool CompareFun(const CropBounds& bounds, double latitude, double longitude) {
  return latitude > bounds.south && latitude < bounds.north && longitude > bounds.west &&
         longitude < bounds.east;
}

OperationStatus CropMap(OperationContext& context) {
  Host& host = context.host;
  ControlValues& controls = context.controls;
  const std::string map_path = controls.Text(Control::kText1);
  const std::string result_path = controls.Text(Control::kText6);
  if (!FileExists(map_path)) {
    ShowMissingFile(host, map_path);
    return OperationStatus::kFailed;
  }
  for (Control bound : {Control::kText2, Control::kText3, Control::kText4, Control::kText5}) {
    if (controls.Text(bound).empty()) {
      ShowInformation(host, Ru("Не введено одно из значений координат") + std::string(kLineBreak) + map_path);
      return OperationStatus::kFailed;
    }
  }
  if (SameFile(result_path, map_path)) {
    ShowInformation(host, Ru("Файл результата совпадает с исходной картой, его нельзя перезаписать:") +
                              std::string(kLineBreak) + result_path);
    return OperationStatus::kFailed;
  }
  if (RefuseProgramFileAsResult(host, context.program_prefix, result_path)) return OperationStatus::kFailed;
  CropBounds bounds;
  bounds.north = DegreesMinutes(controls.Text(Control::kText3));
  bounds.south = DegreesMinutes(controls.Text(Control::kText5));
  bounds.west = DegreesMinutes(controls.Text(Control::kText2));
  bounds.east = DegreesMinutes(controls.Text(Control::kText4));

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
  Cropper cropper(bounds, result);
  std::string line;
  while (map.ReadLine(line)) {
    cropper.Line(line);
    progress.Update(map.Offset());
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
  host.Beep();
  host.ShowMessage(Ru("               Конвертация завершена"), Ru("Конвертация карты из формата MIF"),
                   MessageIcon::kNone);
  return OperationStatus::kCompleted;
}

}  // namespace mirvex
