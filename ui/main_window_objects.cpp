// The main window's dictionary editing: the MID browser, the type catalogues with
// their assignments, and the object information window.
#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "base/cp1251.h"
#include "base/field_reader.h"
#include "base/files.h"
#include "base/text.h"
#include "dictionary/display_line.h"
#include "dictionary/object_dictionary.h"
#include "mapinfo/mid_reader.h"
#include "mapinfo/mif_header.h"
#include "mapinfo/mif_lines.h"
#include "ui/main_window.h"

namespace mirvex::ui {

namespace {

constexpr const char* kCatalogues[] = {"point.dat", "line.dat", "line.dat", "poligon.dat"};
constexpr std::string_view kTypeSeparator = "    ";

// Passes an action's messages on, each text once: an action over many lines reports a
// missing dictionary once, not once per line.
class OncePerAction : public Host {
 public:
  explicit OncePerAction(Host& host) : host_(host) {}
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
    if (shown_.insert(text).second) host_.ShowMessage(text, title, icon);
  }
  void Beep() override { host_.Beep(); }
  void SetProgressRange(std::int64_t minimum, std::int64_t maximum) override {
    host_.SetProgressRange(minimum, maximum);
  }
  void SetProgressValue(std::int64_t value) override { host_.SetProgressValue(value); }
  void SetPercentCaption(const std::string& caption) override { host_.SetPercentCaption(caption); }
  void ProcessEvents() override { host_.ProcessEvents(); }

 private:
  Host& host_;
  std::set<std::string> shown_;
};

// The type code of a catalogue entry: the text before its first run of four blanks
// (before its first blank when it has no such run).
std::string TypeOfEntry(std::string_view entry) {
  std::size_t end = entry.find(kTypeSeparator);
  if (end == std::string_view::npos) end = entry.find(' ');
  return std::string(entry.substr(0, end));
}

// The entries with their names in one column: a code shorter than the longest gets
// blanks after it (the code is still the text before the first run of four blanks).
// An entry without that run is shown as it is.
std::vector<std::string> AlignedEntries(std::vector<std::string> entries) {
  std::size_t widest = 0;
  for (const std::string& entry : entries) {
    std::size_t end = entry.find(kTypeSeparator);
    if (end != std::string::npos) widest = std::max(widest, end);
  }
  for (std::string& entry : entries) {
    std::size_t end = entry.find(kTypeSeparator);
    if (end != std::string::npos && end < widest) entry.insert(end, widest - end, ' ');
  }
  return entries;
}

int WholeNumber(const std::string& text) { return static_cast<int>(RoundHalfEven(Value(text))); }

}  // namespace

std::string MainWindow::DictionaryFile() const { return DictionaryPath(program_prefix_); }

void MainWindow::ReadColumnCountFromHeader() {
  const std::string mif_path = controls_.mif_path.text();
  if (!FileExists(mif_path)) {
    ShowMissingFile(*this, mif_path);
    return;
  }
  if (auto text = FindColumnCountText(mif_path)) controls_.column_count.SetText(*text);
}

// MidFields holds 50 columns: a count or a type column outside 0..50 is refused.
bool MainWindow::ColumnsUsable() {
  double count = RoundHalfEven(Value(controls_.column_count.text()));
  double type_column = RoundHalfEven(Value(controls_.type_column.text()));
  if (count >= 0 && count <= 50 && type_column >= 0 && type_column <= 50) return true;
  ShowInformation(*this, Ru("Количество столбцов и номер столбца \"Тип объекта\" должны быть от 0 до 50: "
                            "в записи MID читается не больше 50 столбцов."));
  return false;
}

void MainWindow::UpdateObjectLine(const ObjectRecord& record) {
  UiControl& list = controls_.object_list;
  for (std::size_t i = 0; i < list.items().size(); ++i) {
    if (list.items()[i] == edited_line_) {
      list.SetItem(static_cast<int>(i), DisplayLine(record));
      return;
    }
  }
}

void MainWindow::OnColumnViewClicked() {
  if (!controls_.columns_frame.visible()) {
    ResetEditingControls();
    for (UiControl* control : {&controls_.next_rows_button, &controls_.previous_rows_button, &controls_.row_range,
                               &controls_.columns_frame, &controls_.column_view}) {
      control->SetVisible(true);
    }
  }
  page_start_ = 1;
  page_end_ = 100;
  ShowColumnPage(page_start_, page_end_);
}

void MainWindow::OnPreviousRowsClicked() {
  if (page_start_ == 1) return;
  TurnColumnPage(-100);
}

void MainWindow::OnNextRowsClicked() { TurnColumnPage(100); }

// A page that could not be shown (no MID, unusable columns) is not turned, so the next
// press does not skip the rows never seen.
void MainWindow::TurnColumnPage(int step) {
  if (ShowColumnPage(page_start_ + step, page_end_ + step)) {
    page_start_ += step;
    page_end_ += step;
  }
}

bool MainWindow::ShowColumnPage(int first_row, int last_row) {
  const std::string mid_path = controls_.mid_path.text();
  if (!FileExists(mid_path)) {
    ShowMissingFile(*this, mid_path);
    return false;
  }
  if (controls_.column_count_from_header.check() == 1) ReadColumnCountFromHeader();
  if (!ColumnsUsable()) return false;
  int columns = WholeNumber(controls_.column_count.text());
  std::int64_t column_count = ColumnCount(controls_.column_count.text());
  MifHeaderInfo header = ReadMifHeader(controls_.mif_path.text());

  // The widths of the columns over the rows of the page, in twips.
  std::array<int, kMidFieldSlots> width;
  width.fill(1);
  auto read_page = [&](auto&& use_row) {
    MidReader mid;
    if (!mid.Open(mid_path)) return;
    ClearRecord(mid_record_);
    mid.SetDelimiter(header.delimiter);
    mid.SetUtf8(header.utf8);
    for (int row = 1; !mid.AtEnd() && row <= last_row; ++row) {
      mid.ReadRecord(column_count, mid_record_);
      if (row >= first_row) use_row();
    }
  };
  WindowHost& host = host_;
  read_page([&] {
    for (int j = 1; j <= columns; ++j) {
      width[j] = std::max(width[j], host.TextWidth(std::string(TrimBlanks(mid_record_[j]))));
    }
  });

  std::string page;
  for (int j = 1; j <= columns; ++j) {
    int blanks = std::max(0, static_cast<int>(j == 1 ? width[1] / 90.0 - 1 : width[j] / 90.0));
    page.append(static_cast<std::size_t>(blanks), ' ');
    page += std::to_string(j);
    page.append(static_cast<std::size_t>(blanks), ' ');
    page += '|';
  }
  page += kLineBreak;
  read_page([&] {
    for (int j = 1; j <= columns; ++j) {
      const std::string& value = mid_record_[j];
      double gap = (width[j] - host.TextWidth(std::string(TrimBlanks(value)))) / 45.0;
      page += value;
      page.append(static_cast<std::size_t>(std::max(0.0, RoundHalfEven(gap))), ' ');
      page += "| ";
    }
    page += kLineBreak;
  });
  controls_.column_view.SetText(page);
  controls_.row_range.SetText(std::to_string(first_row) + " >> " + std::to_string(last_row));
  return true;
}

void MainWindow::OnEditObjectsClicked() {
  ResetEditingControls();
  for (UiControl* control :
       {&controls_.default_type, &controls_.assign_default_type_button, &controls_.assign_type_button,
        &controls_.delete_objects_button, &controls_.level_button, &controls_.level_slider,
        &controls_.point_types_button, &controls_.line_types_button, &controls_.polygon_types_button}) {
    control->SetEnabled(true);
  }
  controls_.georeference_frame.SetVisible(false);
  controls_.size_threshold.SetVisible(true);
  for (MainControl box : kConversionOptionBoxes) {
    (controls_.*box).SetVisible(true);
    (controls_.*box).SetEnabled(true);
  }
  controls_.object_list.ClearItems();
  if (controls_.column_count_from_header.check() == 1) ReadColumnCountFromHeader();
  const std::string mid_path = controls_.mid_path.text();
  if (!FileExists(mid_path)) {
    ShowMissingFile(*this, mid_path);
    return;
  }
  if (!ColumnsUsable()) return;

  // The distinct non-empty values of the type column, in the order they come.
  std::int64_t column_count = ColumnCount(controls_.column_count.text());
  MifHeaderInfo header = ReadMifHeader(controls_.mif_path.text());
  MidReader mid;
  std::vector<std::string> lines;
  std::unordered_map<std::string, std::size_t> first_line;  // text -> first line holding it
  if (mid.Open(mid_path)) {
    ClearRecord(mid_record_);
    mid.SetDelimiter(header.delimiter);
    mid.SetUtf8(header.utf8);
    int type_column = WholeNumber(controls_.type_column.text());
    while (!mid.AtEnd()) {
      mid.ReadRecord(column_count, mid_record_);
      const std::string& value = mid_record_[type_column];
      if (!value.empty() && first_line.emplace(value, lines.size()).second) lines.push_back(value);
    }
  }

  // Each value the dictionary knows becomes its display line. As UpdateObjectLine
  // does, the line replaced is the first one holding the value.
  OncePerAction once(*this);
  const std::string dictionary = DictionaryFile();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ObjectRecord record = FindObjectRecord(once, dictionary, lines[i]);
    if (IsEmptySlot(record)) continue;
    std::string old_text = lines[i];
    std::size_t target = first_line[old_text];
    std::string display = DisplayLine(record);
    if (lines[target] == old_text) {
      lines[target] = display;
      if (first_line[old_text] == target) first_line.erase(old_text);
      auto [entry, added] = first_line.emplace(display, target);
      if (!added && entry->second > target) entry->second = target;
    }
    edited_line_ = old_text;
  }
  controls_.object_list.SetItems(std::move(lines));
  controls_.default_type.SetText(DisplayLineWithoutLevel(FindObjectRecord(once, dictionary, DefaultTypeName())));
}

void MainWindow::OnTypeCatalogueClicked(TypeCatalogue catalogue) {
  controls_.type_list.ClearItems();
  for (const char* file : {"point.dat", "line.dat", "poligon.dat"}) {
    if (!FileExists(program_prefix_ + file)) {
      ShowInformation(*this, Ru("Не найден один из файлов описания объектов") + std::string(kLineBreak) +
                                 program_prefix_);
      return;
    }
  }
  int index = static_cast<int>(catalogue);
  TextReader file;
  if (index < 0 || index > 3 || !file.Open(program_prefix_ + kCatalogues[index])) return;
  std::vector<std::string> entries;
  std::string entry;
  while (ReadField(file, ',', entry)) entries.push_back(entry);
  controls_.type_list.SetItems(AlignedEntries(std::move(entries)));
  loaded_catalogue_ = catalogue;
}

template <typename Edit>
void MainWindow::EditSelectedLines(Edit edit) {
  OncePerAction once(*this);
  UiControl& list = controls_.object_list;
  for (std::size_t i = 0; i < list.items().size(); ++i) {
    if (!list.selected(static_cast<int>(i))) continue;
    edited_line_ = list.items()[i];
    edit(once, edited_line_);
    StoreResult stored = StoreObjectRecord(once, DictionaryFile(), edited_record_);
    if (stored == StoreResult::kStored || stored == StoreResult::kMissing) UpdateObjectLine(edited_record_);
  }
  // The MIF's objects are coloured by the records just changed.
  map_window_->Refresh();
}

void MainWindow::OnAssignTypeClicked() {
  UiControl& catalogue = controls_.type_list;
  if (catalogue.list_index() < 0) return;
  std::string type = TypeOfEntry(catalogue.items()[catalogue.list_index()]);
  EditSelectedLines([&](Host& once, const std::string& line) {
    AssignType(once, DescriptionOfLine(line), type);
  });
}

// An assignment changes the name, region and type of the description's stored record;
// its level and reserved fields stay as stored (level 0 for a description without a
// record).
void MainWindow::AssignType(Host& host, const std::string& name, const std::string& type) {
  edited_record_ = FindObjectRecord(host, DictionaryFile(), name);  // cleared when not found
  SetField(edited_record_.ObjectName, name);
  SetField(edited_record_.ObjectType, type);
  SetField(edited_record_.RegionCode, KindCode(static_cast<int>(loaded_catalogue_)));
}

void MainWindow::OnAssignDefaultTypeClicked() {
  UiControl& catalogue = controls_.type_list;
  if (catalogue.list_index() < 0) return;
  OncePerAction once(*this);
  edited_line_ = controls_.default_type.text();
  AssignType(once, DescriptionOfLine(edited_line_), TypeOfEntry(catalogue.items()[catalogue.list_index()]));
  StoreResult stored = StoreObjectRecord(once, DictionaryFile(), edited_record_);
  if (stored == StoreResult::kStored || stored == StoreResult::kMissing) {
    controls_.default_type.SetText(DisplayLineWithoutLevel(edited_record_));
  }
}

// Deleting and setting the level start from the line's own record, or from a new one
// named after the line's description when the dictionary does not hold it: a record is
// never named after a display line.
void MainWindow::StartFromRecordOf(Host& host, const std::string& line) {
  std::string description = DescriptionOfLine(line);
  edited_record_ = FindObjectRecord(host, DictionaryFile(), description);
  if (IsEmptySlot(edited_record_)) {
    edited_record_ = ObjectRecord{};
    SetField(edited_record_.ObjectName, description);
  }
}

void MainWindow::OnDeleteObjectsClicked() {
  EditSelectedLines([&](Host& once, const std::string& line) {
    StartFromRecordOf(once, line);
    SetField(edited_record_.ObjectType, NoneCode());
    SetField(edited_record_.RegionCode, NoneCode());
  });
}

void MainWindow::SetSelectedLevel() {
  auto level = static_cast<std::uint8_t>(std::clamp<std::int64_t>(controls_.level_slider.value(), 0, 9));
  EditSelectedLines([&](Host& once, const std::string& line) {
    StartFromRecordOf(once, line);
    edited_record_.Level = level;
  });
}

void MainWindow::OnLevelClicked() { SetSelectedLevel(); }

void MainWindow::OnLevelSliderMoved(int value) {
  controls_.level_button.SetText(Ru("Уровень ") + std::to_string(value));
}

void MainWindow::OnObjectListDoubleClicked(int index) {
  UiControl& list = controls_.object_list;
  if (index < 0 || index >= static_cast<int>(list.items().size())) return;
  edited_line_ = list.items()[index];
  StartFromRecordOf(*this, edited_line_);
  // An open window keeps what it shows; only a new opening loads the record.
  if (object_window_) return;
  object_window_ = std::make_unique<ObjectWindow>();
  object_window_->Load(edited_record_);
  if (on_object_window_shown) on_object_window_shown(*object_window_);
}

bool MainWindow::OnObjectWindowClosing() {
  if (!object_window_) return true;
  std::string problem = object_window_->TypeProblem();
  if (problem.empty()) return true;
  ShowInformation(*this, problem);
  return false;
}

void MainWindow::OnObjectWindowCancelled() { object_window_.reset(); }

void MainWindow::OnObjectWindowClosed() {
  if (!object_window_) return;
  object_window_->Apply(edited_record_);
  object_window_.reset();
  StoreResult stored = StoreObjectRecord(*this, DictionaryFile(), edited_record_);
  if (stored == StoreResult::kStored || stored == StoreResult::kMissing) UpdateObjectLine(edited_record_);
}

}  // namespace mirvex::ui
