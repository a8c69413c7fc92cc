// The main window's dictionary editing: the MID browser, the type catalogues with
// their assignments, and the object information window.
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

// The description an assignment stores: read back from a display line of a point,
// line or polygon record, or of a record that has only a level so far ("L3--[] name
// ()"); any other line (a raw description, a deleted or 0x40 record) is taken whole.
std::string AssignedName(std::string_view line) {
  auto assignable = [](std::string_view region) {
    return region.starts_with("[]") || region == "[0x10]" || region == "[0x20]" || region == "[0x80]";
  };
  bool region_shown = assignable(line.substr(0, 6)) || (line.size() > 4 && assignable(line.substr(4, 6)));
  return IsDisplayLine(line) && region_shown ? NameFromDisplayLine(line) : std::string(line);
}

int WholeNumber(const std::string& text) { return static_cast<int>(RoundHalfEven(Value(text))); }

}  // namespace

std::string MainWindow::DictionaryFile() const { return DictionaryPath(program_prefix_); }

void MainWindow::ReadColumnCountFromHeader() {
  const std::string mif_path = control("Combo1").text();
  if (!FileExists(mif_path)) {
    ShowMissingFile(*this, mif_path);
    return;
  }
  if (auto text = FindColumnCountText(mif_path)) control("Text16").SetText(*text);
}

// MidFields holds 50 columns: a count or a type column outside 0..50 is refused.
bool MainWindow::ColumnsUsable() {
  double count = RoundHalfEven(Value(control("Text16").text()));
  double type_column = RoundHalfEven(Value(control("Text9").text()));
  if (count >= 0 && count <= 50 && type_column >= 0 && type_column <= 50) return true;
  ShowInformation(*this, Ru("Количество столбцов и номер столбца \"Тип объекта\" должны быть от 0 до 50: "
                            "в записи MID читается не больше 50 столбцов."));
  return false;
}

void MainWindow::UpdateObjectLine(const ObjectRecord& record) {
  UiControl& list = control("List1");
  for (std::size_t i = 0; i < list.items().size(); ++i) {
    if (list.items()[i] == selected_line_) {
      list.SetItem(static_cast<int>(i), DisplayLine(record));
      return;
    }
  }
}

void MainWindow::Command9_Click() {
  if (!control("Frame8").visible()) {
    DisableOBJ();
    for (const char* name : {"Command10_1", "Command10_0", "Text8", "Frame8", "Text7"}) control(name).SetVisible(true);
  }
  page_start_ = 1;
  page_end_ = 100;
  ShowFields(page_start_, page_end_);
}

void MainWindow::Command10_Click(int index) {
  if (index == 0 && page_start_ == 1) return;
  int step = index == 0 ? 100 : -100;
  // A page that could not be shown (no MID, unusable columns) is not turned, so the
  // next press does not skip the rows never seen.
  if (ShowFields(page_start_ - step, page_end_ - step)) {
    page_start_ -= step;
    page_end_ -= step;
  }
}

bool MainWindow::ShowFields(int first_row, int last_row) {
  const std::string mid_path = control("Combo2").text();
  if (!FileExists(mid_path)) {
    ShowMissingFile(*this, mid_path);
    return false;
  }
  if (control("Check3").check() == 1) ReadColumnCountFromHeader();
  if (!ColumnsUsable()) return false;
  int columns = WholeNumber(control("Text16").text());
  std::int64_t column_count = ColumnCount(control("Text16").text());
  MifHeaderInfo header = ReadMifHeader(control("Combo1").text());

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
  control("Text7").SetText(page);
  control("Text8").SetText(std::to_string(first_row) + " >> " + std::to_string(last_row));
  return true;
}

void MainWindow::Command41_Click() {
  DisableOBJ();
  for (const char* name : {"Text25", "Command4_1", "Command6", "Command8", "Command11", "Slider1", "Command7_0",
                           "Command7_1", "Command7_3"}) {
    control(name).SetEnabled(true);
  }
  control("Frame9").SetVisible(false);
  for (const char* name : {"Check1", "Check2", "Check4", "Text17"}) control(name).SetVisible(true);
  for (const char* name : {"Check1", "Check2", "Check4"}) control(name).SetEnabled(true);
  control("List1").ClearItems();
  if (control("Check3").check() == 1) ReadColumnCountFromHeader();
  const std::string mid_path = control("Combo2").text();
  if (!FileExists(mid_path)) {
    ShowMissingFile(*this, mid_path);
    return;
  }
  if (!ColumnsUsable()) return;

  // The distinct non-empty values of the type column, in the order they come.
  std::int64_t column_count = ColumnCount(control("Text16").text());
  MifHeaderInfo header = ReadMifHeader(control("Combo1").text());
  MidReader mid;
  std::vector<std::string> lines;
  std::unordered_map<std::string, std::size_t> first_line;  // text -> first line holding it
  if (mid.Open(mid_path)) {
    ClearRecord(mid_record_);
    mid.SetDelimiter(header.delimiter);
    mid.SetUtf8(header.utf8);
    int type_column = WholeNumber(control("Text9").text());
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
    selected_line_ = old_text;
  }
  control("List1").SetItems(std::move(lines));
  control("Text25").SetText(DisplayLineWithoutLevel(FindObjectRecord(once, dictionary, DefaultTypeName())));
}

void MainWindow::Command7_Click(int index) {
  control("List2").ClearItems();
  for (const char* file : {"point.dat", "line.dat", "poligon.dat"}) {
    if (!FileExists(program_prefix_ + file)) {
      ShowInformation(*this, Ru("Не найден один из файлов описания объектов") + std::string(kLineBreak) +
                                 program_prefix_);
      return;
    }
  }
  TextReader catalogue;
  if (index < 0 || index > 3 || !catalogue.Open(program_prefix_ + kCatalogues[index])) return;
  std::vector<std::string> entries;
  std::string entry;
  while (ReadField(catalogue, ',', entry)) entries.push_back(entry);
  control("List2").SetItems(std::move(entries));
  catalogue_kind_ = index;
}

template <typename Edit>
void MainWindow::EditSelectedLines(Edit edit) {
  OncePerAction once(*this);
  UiControl& list = control("List1");
  for (std::size_t i = 0; i < list.items().size(); ++i) {
    if (!list.selected(static_cast<int>(i))) continue;
    selected_line_ = list.items()[i];
    edit(once, selected_line_);
    StoreResult stored = StoreObjectRecord(once, DictionaryFile(), current_record_);
    if (stored == StoreResult::kStored || stored == StoreResult::kMissing) UpdateObjectLine(current_record_);
  }
}

void MainWindow::Command6_Click() {
  UiControl& catalogue = control("List2");
  if (catalogue.list_index() < 0) return;
  std::string type = TypeOfEntry(catalogue.items()[catalogue.list_index()]);
  EditSelectedLines([&](Host& once, const std::string& line) {
    AssignType(once, AssignedName(line), type);
  });
}

// An assignment changes the name, region and type of the description's stored record;
// its level and reserved fields stay as stored (level 0 for a description without a
// record).
void MainWindow::AssignType(Host& host, const std::string& name, const std::string& type) {
  current_record_ = FindObjectRecord(host, DictionaryFile(), name);  // cleared when not found
  SetField(current_record_.ObjectName, name);
  SetField(current_record_.ObjectType, type);
  SetField(current_record_.RegionCode, KindCode(catalogue_kind_));
}

void MainWindow::Command4_1_Click() {
  UiControl& catalogue = control("List2");
  if (catalogue.list_index() < 0) return;
  OncePerAction once(*this);
  selected_line_ = control("Text25").text();
  AssignType(once, DescriptionOfLine(selected_line_), TypeOfEntry(catalogue.items()[catalogue.list_index()]));
  StoreResult stored = StoreObjectRecord(once, DictionaryFile(), current_record_);
  if (stored == StoreResult::kStored || stored == StoreResult::kMissing) {
    control("Text25").SetText(DisplayLineWithoutLevel(current_record_));
  }
}

// Deleting and setting the level start from the line's own record, or from a new one
// named after the whole line when the dictionary does not hold it.
void MainWindow::Command8_Click() {
  EditSelectedLines([&](Host& once, const std::string& line) {
    current_record_ = FindObjectRecord(once, DictionaryFile(), DescriptionOfLine(line));
    if (IsEmptySlot(current_record_)) SetField(current_record_.ObjectName, line);
    SetField(current_record_.ObjectType, NoneCode());
    SetField(current_record_.RegionCode, NoneCode());
  });
}

void MainWindow::SetSelectedLevel() {
  auto level = static_cast<std::uint8_t>(std::clamp<std::int64_t>(control("Slider1").value(), 0, 9));
  EditSelectedLines([&](Host& once, const std::string& line) {
    current_record_ = FindObjectRecord(once, DictionaryFile(), DescriptionOfLine(line));
    if (IsEmptySlot(current_record_)) SetField(current_record_.ObjectName, line);
    current_record_.Level = level;
  });
}

void MainWindow::Command11_Click() { SetSelectedLevel(); }

void MainWindow::Slider1_Scroll(int value) {
  control("Command11").SetText(Ru("Уровень ") + std::to_string(value));
}

void MainWindow::List1_DblClick(int index) {
  UiControl& list = control("List1");
  if (index < 0 || index >= static_cast<int>(list.items().size())) return;
  selected_line_ = list.items()[index];
  current_record_ = FindObjectRecord(*this, DictionaryFile(), DescriptionOfLine(selected_line_));
  if (IsEmptySlot(current_record_)) {
    current_record_ = ObjectRecord{};
    SetField(current_record_.ObjectName, selected_line_);
  }
  // An open window keeps what it shows; only a new opening loads the record.
  if (form2_) return;
  form2_ = std::make_unique<ObjectWindow>();
  form2_->Load(current_record_);
  if (on_form2_shown) on_form2_shown(*form2_);
}

void MainWindow::Form2_Unload() {
  if (!form2_) return;
  form2_->Apply(current_record_);
  form2_.reset();
  StoreResult stored = StoreObjectRecord(*this, DictionaryFile(), current_record_);
  if (stored == StoreResult::kStored || stored == StoreResult::kMissing) UpdateObjectLine(current_record_);
}

}  // namespace mirvex::ui
