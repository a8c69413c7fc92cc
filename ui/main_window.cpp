#include "ui/main_window.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"
#include "operations/convert.h"
#include "operations/crop.h"
#include "operations/test_map.h"
#include "settings/header_template.h"
#include "settings/ini_file.h"
#include "settings/operation_options.h"
#include "settings/system_keys.h"

namespace mirvex::ui {

namespace {

constexpr const char* kPathSections[] = {"Path1", "Path2", "Path3"};
constexpr const char* kPathCombos[] = {"Combo1", "Combo2", "Combo3"};

// Controls and their state when the window is created, before the settings are read.
struct InitialControl {
  const char* name;
  const char* text;  // UTF-8
  bool visible;
  bool enabled;
};

constexpr InitialControl kInitialControls[] = {
    {"Form1", "Mirvex — перевод и редактирование карт в форматах MapInfo и Garmin, версия 1.0 от 08.12.2026",
     true, true},
    {"Command5", "Конвертировать карту", true, true},
    {"Command1", "Редактировать карту", true, true},
    {"Command2", "Тестовая карта", true, true},
    {"Command3", "ВЫХОД", true, true},
    {"Bar", "", true, true},
    {"Frame6", "", true, true},
    {"Label11", "", true, true},
    {"List1", "", true, true},
    {"Picture1", "", true, true},
    {"List2", "", true, true},
    {"Check1", "Русские буквы в транслите (Дорога=Doroga)", true, true},
    {"Check2", "Автоматически определять тип региона", true, true},
    {"Check4", "Повысить уровень обекта (Полигоны) при площади больше чем:", true, true},
    {"Text17", "2.033", true, false},
    {"Text24", "", false, true},
    {"Command7_0", "Точки", true, false},
    {"Command7_1", "Линии", true, false},
    {"Command7_3", "Полигоны", true, false},
    {"Command6", "Назначить", true, false},
    {"Command4_1", "Назначить", true, false},
    {"Command8", "Удалить", true, false},
    {"Command11", "Уровень", true, false},
    {"Slider1", "", true, false},
    {"Text25", "Неопределенный тип объекта", true, false},
    {"Command10_0", "Предыдущие 100", true, true},
    {"Command10_1", "Следующие 100", true, true},
    {"Text7", "", true, true},
    {"Text8", "1 >> 100", true, true},
    {"Picture2", "", true, true},
    {"Text18",
     "1. Конвертация карты MapInfo (MIF/MID) в текстовый формат Garmin.\r\n"
     "2. Обрезка карты по заданным координатам.\r\n"
     "3. Тестовая карта: как выглядит на приёмнике каждый тип объекта.\r\n"
     "4. Привязка карты MapInfo к реальным координатам.",
     true, true},
    {"Label27", "", true, true},
    {"Frame3", "", false, true},
    {"Frame4", "Файлы карт", true, true},
    {"Combo1", "", true, true},
    {"Combo2", "", true, true},
    {"Combo3", "", true, true},
    {"Command44", "Сохранить путь", true, true},
    {"Command55", "Удалить путь", true, true},
    {"Frame8", "Подписи к объектам", true, true},
    {"Check3", "Определять автоматически", true, true},
    {"Check5", "Отключить подписи", true, true},
    {"Text16", "2", true, false},
    {"Text15", "2", true, true},
    {"Text9", "1", true, true},
    {"Command9", "Выбрать столбец", true, true},
    {"Command41", "Редактировать объекты", true, true},
    {"Command49", "Масштаб", true, true},
    {"Command51", "Привязка", true, true},
    {"Frame9", "Система координат", false, true},
    {"Check6", "Привязывать карту к системе координат", true, true},
    {"Text19", "60.00", true, true},
    {"Text20", "60.00", true, true},
    {"Text21", "84.00", true, true},
    {"Text22", "54.00", true, true},
    {"Text23", "-0.8", true, true},
    {"windows", "", false, true},
    {"Frame1", "Параметры", true, true},
    {"Text2", "60.00", true, true},
    {"Text3", "60.00", true, true},
    {"Text4", "84.00", true, true},
    {"Text5", "54.00", true, true},
    {"Frame2", "Файлы карт", true, true},
    {"Text1", "c:\\map\\map.txt", true, true},
    {"Text6", "c:\\map\\result.txt", true, true},
    {"Command15", "Скопировать результат конвертирования в путь к карте", true, true},
    {"Label10", "Введите параметры редактирования:", true, true},
    {"Label1", "Идет редактирование карты. Ждите...", false, true},
    {"Frame7", "Тестовая шаблонная карта", false, true},
    {"Combo4", "c:\\map\\test.txt", true, true},
};

// The control each System key of mirvex.ini mirrors.
constexpr std::pair<std::string_view, const char*> kSettingControls[] = {
    {"UgolPovorot", "Text23"}, {"TestMap", "Combo4"},  {"PrivazkaMap", "Check6"}, {"PrK1", "Text19"},
    {"PrK2", "Text20"},        {"PrK3", "Text21"},     {"PrK4", "Text22"},        {"Koord2", "Text2"},
    {"Koord3", "Text3"},       {"Koord4", "Text4"},    {"Koord5", "Text5"},       {"PathEdit1", "Text1"},
    {"PathEdit2", "Text6"},    {"RazmObj", "Text17"},  {"PovObj", "Check4"},      {"TypeObj", "Check2"},
    {"RusTransl", "Check1"},   {"AutoSet", "Check3"},  {"KolSt", "Text16"},       {"TypeSt", "Text9"},
    {"PodpSt", "Text15"},      {"Podpis", "Check5"},
};

const char* SettingControl(std::string_view key) {
  for (const auto& [name, control] : kSettingControls) {
    if (EqualsIgnoreAsciiCase(name, key)) return control;
  }
  return nullptr;
}

// The window's starting geometry in twips: List1, the splitter, List2.
constexpr int kFormWidth = 15000;
constexpr int kList1Width = 3000;
constexpr int kSplitterWidth = 50;

std::string PathKey(int i) { return "p" + std::to_string(i); }

// The number of saved path triples. A hand-edited count is kept within what a list of
// paths can sensibly hold, so a huge number cannot stall the start-up.
constexpr double kMaxPathCount = 10000;

int PathCount(std::string_view folder) {
  double count = Value(ReadSetting(folder, kSystemSection, "PathCount"));
  return static_cast<int>(std::clamp(count, 0.0, kMaxPathCount));
}

}  // namespace

MainWindow::MainWindow(WindowHost& host, std::string program_folder, bool read_only)
    : host_(host), program_folder_(std::move(program_folder)), read_only_(read_only) {
  program_prefix_ = program_folder_ + kPathSeparator;
  CreateControls();
  WireSettings();
}

UiControl& MainWindow::Add(const char* name) {
  auto [entry, added] = controls_.emplace(name, std::make_unique<UiControl>(name));
  return *entry->second;
}

void MainWindow::CreateControls() {
  for (const InitialControl& initial : kInitialControls) {
    UiControl& c = Add(initial.name);
    c.SetText(Ru(initial.text));
    c.SetVisible(initial.visible);
    c.SetEnabled(initial.enabled);
  }
  // The form starts with Check1 and Check3 ticked, their dependents as they match.
  control("Check1").SetCheck(1);
  control("Check3").SetCheck(1);
  control("Text16").SetBackground(Background::kGrey);
  control("Text17").SetBackground(Background::kGrey);
  control("Slider1").SetRange(0, 9);
  control("Form1").SetGeometry(0, kFormWidth);
  control("List1").SetGeometry(kList1Left, kList1Width);
  control("Picture1").SetGeometry(kList1Left + kList1Width, kSplitterWidth);
  int list2_left = kList1Left + kList1Width + kList2Gap;
  control("List2").SetGeometry(list2_left, kFormWidth - list2_left - kList2RightMargin);
}

void MainWindow::WireSettings() {
  for (const SystemKey& key : SystemKeys()) {
    const char* name = SettingControl(key.key);
    system_keys_[name] = key.key;
    if (key.is_check) {
      control(name).Subscribe([this](UiControl& box, Change change) {
        if (change == Change::kCheck) OnCheckBox(box);
      });
    } else {
      control(name).Subscribe([this, key = std::string(key.key)](UiControl& box, Change change) {
        if (change == Change::kText) WriteSystem(key, box.text());
      });
    }
  }
  control("Text24").Subscribe([this](UiControl&, Change change) {
    if (change == Change::kText) OnTemplateChanged();
  });
  // Letting go of the slider gives the selected lines its level.
  control("Slider1").Subscribe([this](UiControl&, Change change) {
    if (change == Change::kValue) SetSelectedLevel();
  });
  // Choosing a saved MIF path shows its partner MID and result paths.
  control("Combo1").Subscribe([this](UiControl& combo, Change change) {
    // Typing a path chooses no entry; that moves nothing in the partner boxes.
    if (change != Change::kListIndex || combo.list_index() < 0) return;
    control("Combo2").SetListIndex(combo.list_index());
    control("Combo3").SetListIndex(combo.list_index());
  });
}

UiControl& MainWindow::control(std::string_view name) {
  auto entry = controls_.find(name);
  if (entry == controls_.end()) std::abort();
  return *entry->second;
}

const UiControl& MainWindow::control(std::string_view name) const {
  auto entry = controls_.find(name);
  if (entry == controls_.end()) std::abort();
  return *entry->second;
}

std::string MainWindow::SettingValue(std::string_view key) const {
  const char* name = SettingControl(key);
  if (!name) return {};
  const UiControl& box = control(name);
  return std::string_view(name).starts_with("Check") ? std::to_string(box.check()) : box.text();
}

bool MainWindow::ApplySetting(std::string_view key, std::string_view value) {
  const SystemKey* system_key = FindSystemKey(key);
  const char* name = SettingControl(key);
  if (!system_key || !name) return false;
  if (system_key->is_check) {
    control(name).SetCheck(CheckBoxValue(value));
  } else {
    control(name).SetText(std::string(value));
  }
  return true;
}

ConversionOptions MainWindow::conversion_options() const {
  return ConversionOptionsFrom([this](std::string_view key) { return SettingValue(key); },
                               control("Text24").text());
}

CropOptions MainWindow::crop_options() const {
  return CropOptionsFrom([this](std::string_view key) { return SettingValue(key); });
}

void MainWindow::Store(std::string_view section, std::string_view key, const std::string& value) {
  if (!read_only_) WriteSetting(program_folder_, section, key, value);
}

// A check box updates the box that depends on it, then stores its value.
void MainWindow::OnCheckBox(UiControl& box) {
  bool ticked = box.check() == 1;
  auto grey_when_ticked = [&](const char* dependent) {
    control(dependent).SetEnabled(!ticked);
    control(dependent).SetBackground(ticked ? Background::kGrey : Background::kWhite);
  };
  if (box.name() == "Check3") grey_when_ticked("Text16");
  if (box.name() == "Check5") grey_when_ticked("Text15");
  if (box.name() == "Check4") {
    control("Text17").SetEnabled(ticked);
    control("Text17").SetBackground(ticked ? Background::kToolTip : Background::kGrey);
  }
  WriteSystem(system_keys_[box.name()], std::to_string(box.check()));
}

void MainWindow::OnTemplateChanged() {
  if (loading_ || read_only_) return;
  if (WriteTemplate(TemplatePath(program_folder_), control("Text24").text())) {
    template_failure_reported_ = false;
    return;
  }
  // Reported once, not at every keystroke; the template stays in the window as typed.
  if (template_failure_reported_) return;
  template_failure_reported_ = true;
  ShowInformation(*this, Ru("Не удалось сохранить шаблон заголовка карты:") + std::string(kLineBreak) +
                             TemplatePath(program_folder_));
}

void MainWindow::Load() {
  loading_ = true;
  std::string config = TemplatePath(program_folder_);
  bool template_missing = !FileExists(config);
  control("Text24").SetText(LoadTemplate(config));

  for (const SystemKey& key : SystemKeys()) {
    std::string value = ReadSetting(program_folder_, kSystemSection, key.key);
    ApplySetting(key.key, value);
    if (!key.is_check) continue;
    int check = CheckBoxValue(value);
    std::string shown = std::to_string(check);
    // A hand-edited value ("2", "abc", "1.4") is stored back as what the box shows, so
    // the file says what the window does; a missing key stays missing.
    if (!value.empty() && value != shown) WriteSystem(key.key, shown);
  }

  int count = PathCount(program_folder_);
  for (int i = 1; i <= count; ++i) {
    for (int list = 0; list < 3; ++list) {
      control(kPathCombos[list]).AddItem(ReadSetting(program_folder_, kPathSections[list], PathKey(i)));
    }
  }
  for (const char* combo : kPathCombos) {
    control(combo).SetListIndex(static_cast<int>(control(combo).items().size()) - 1);
  }
  loading_ = false;
  // A first start gets the built-in template as a file the user can edit.
  if (template_missing) OnTemplateChanged();
}

void MainWindow::ShowOnly(const char* panel) {
  for (const char* other : {"Picture2", "Frame3", "windows", "Frame7"}) {
    if (std::string_view(other) != panel) control(other).SetVisible(false);
  }
}

// The three operation buttons work in two presses: the first shows the button's
// panel (hiding the others), a press while it is shown runs the operation, with the
// operation buttons and the editing actions disabled so no second one starts while
// the first lets the window repaint.
template <typename Operation>
void MainWindow::RunOperation(const char* panel, Operation operation) {
  if (operation_running_) return;
  ShowOnly(panel);
  if (!control(panel).visible()) {
    control(panel).SetVisible(true);
    return;
  }
  operation_running_ = true;
  // Each control gets its own state back afterwards.
  const char* buttons[] = {"Command5",  "Command1",   "Command2",   "Command3",   "Command44",  "Command55",
                           "Command9",  "Command41",  "Command10_0", "Command10_1", "Command7_0",
                           "Command7_1", "Command7_3", "Command6",   "Command4_1", "Command8",
                           "Command11", "Slider1",    "Command49",  "Command51"};
  bool enabled[std::size(buttons)];
  for (std::size_t i = 0; i < std::size(buttons); ++i) {
    enabled[i] = control(buttons[i]).enabled();
    control(buttons[i]).SetEnabled(false);
  }
  last_status_ = operation();
  for (std::size_t i = 0; i < std::size(buttons); ++i) control(buttons[i]).SetEnabled(enabled[i]);
  operation_running_ = false;
}

void MainWindow::Command5_Click() {
  RunOperation("Frame3", [this] {
    ConversionPaths paths{control("Combo1").text(), control("Combo2").text(), control("Combo3").text()};
    ConversionResult result = Convert(paths, conversion_options(), program_prefix_, *this);
    if (result.header_column_count) control("Text16").SetText(*result.header_column_count);
    last_counts_ = result.counts;
    return result.status;
  });
}

void MainWindow::Command1_Click() {
  RunOperation("windows", [this] {
    return CropMap(CropPaths{control("Text1").text(), control("Text6").text()}, crop_options(), program_prefix_,
                   *this);
  });
}

void MainWindow::Command2_Click() {
  RunOperation("Frame7", [this] { return WriteTestMap(control("Combo4").text(), program_prefix_, *this); });
}

void MainWindow::Command3_Click() { host_.Quit(); }

void MainWindow::Command15_Click() { control("Text1").SetText(control("Combo3").text()); }

void MainWindow::Command44_Click() {
  int n = PathCount(program_folder_) + 1;
  WriteSystem("PathCount", std::to_string(n));
  for (int list = 0; list < 3; ++list) {
    Store(kPathSections[list], PathKey(n), control(kPathCombos[list]).text());
  }
  for (const char* combo : kPathCombos) control(combo).AddItem(control(combo).text());
}

void MainWindow::Command55_Click() {
  int count = PathCount(program_folder_);
  bool found = false;
  for (int i = 1; i <= count; ++i) {
    if (!found) {
      bool same = true;
      for (int list = 0; list < 3; ++list) {
        same = same && ReadSetting(program_folder_, kPathSections[list], PathKey(i)) ==
                           control(kPathCombos[list]).text();
      }
      if (!same) continue;
      for (const char* section : kPathSections) Store(section, PathKey(i), "");
      found = true;
      WriteSystem("PathCount", std::to_string(count - 1));
      for (const char* combo : kPathCombos) control(combo).RemoveItem(i - 1);
    } else {
      // The entries after the deleted one move down by one.
      for (const char* section : kPathSections) {
        Store(section, PathKey(i - 1), ReadSetting(program_folder_, section, PathKey(i)));
      }
    }
  }
  for (const char* combo : kPathCombos) {
    control(combo).SetListIndex(-1);
    control(combo).SetText("");
  }
}

void MainWindow::DisableOBJ() {
  for (const char* name : {"Text25", "Command4_1"}) control(name).SetEnabled(false);
  control("Text7").SetText("");
  control("List1").ClearItems();
  control("List2").ClearItems();
  for (const char* name : {"Command10_1", "Command10_0", "Text8", "Frame8", "Text7"}) control(name).SetVisible(false);
  for (const char* name : {"Command6", "Command8", "Command11", "Slider1", "Command7_0", "Command7_1", "Command7_3"}) {
    control(name).SetEnabled(false);
  }
  for (const char* name : {"Check1", "Check2", "Check4", "Text17", "Frame9", "Text24"}) control(name).SetVisible(false);
  for (const char* name : {"Check1", "Check2", "Check4"}) control(name).SetEnabled(false);
}

void MainWindow::Command49_Click() {
  DisableOBJ();
  control("Text24").SetVisible(true);
}

void MainWindow::Command51_Click() {
  DisableOBJ();
  for (const char* name : {"Frame9", "Check1", "Check2", "Check4", "Text17"}) control(name).SetVisible(true);
  control("Text8").SetVisible(false);
}

void MainWindow::Label27_Click() {
  // The compiled help beside the program when it is there (Windows), else the HTML help.
  std::string help = program_prefix_ + "help.chm";
#ifdef _WIN32
  if (!FileExists(help)) help = program_prefix_ + "help" + kPathSeparator + "index.html";
#else
  help = program_prefix_ + "help" + kPathSeparator + "index.html";
#endif
  if (!FileExists(help)) {
    ShowMissingFile(*this, help);
    return;
  }
  if (!host_.OpenDocument(help)) {
    ShowInformation(*this, Ru("Не удалось открыть справку:") + std::string(kLineBreak) + help);
  }
}

void MainWindow::Picture1_MouseDown(double x) {
  dragging_ = true;
  drag_x_ = static_cast<int>(RoundHalfEven(x));
}

void MainWindow::Picture1_MouseMove(double x) {
  if (!dragging_) return;
  UiControl& splitter = control("Picture1");
  int left = splitter.left() + static_cast<int>(RoundHalfEven(x)) - drag_x_;
  // Past the window's right edge List2 would get a negative width and the splitter
  // could not be taken again; the left stop wins in a window too narrow for both.
  left = std::min(left, control("Form1").width() - kList2RightMargin - kList2Gap);
  if (left < kList1Left) left = kList1Left;
  splitter.SetGeometry(left, splitter.width());
  UiControl& list1 = control("List1");
  list1.SetGeometry(list1.left(), splitter.left() - list1.left());
  int list2_left = splitter.left() + kList2Gap;
  control("List2").SetGeometry(list2_left, control("Form1").width() - list2_left - kList2RightMargin);
}

void MainWindow::Picture1_MouseUp() { dragging_ = false; }

void MainWindow::Form_Resize(int width) {
  UiControl& form = control("Form1");
  form.SetGeometry(form.left(), width);
}

// The operations' messages and progress.
void MainWindow::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  host_.ShowMessage(text, title, icon);
}

void MainWindow::Beep() { host_.Beep(); }

void MainWindow::SetProgressRange(std::int64_t minimum, std::int64_t maximum) {
  control("Bar").SetRange(minimum, maximum);
  host_.SetProgressRange(minimum, maximum);
}

void MainWindow::SetProgressValue(std::int64_t value) {
  control("Bar").SetValue(value);
  host_.SetProgressValue(value);
}

void MainWindow::SetPercentCaption(const std::string& caption) {
  control("Label11").SetText(caption);
  host_.SetPercentCaption(caption);
}

void MainWindow::ProcessEvents() { host_.ProcessEvents(); }

void MainWindow::SetCropRunning(bool running) {
  control("Label1").SetVisible(running);
  control("Label10").SetVisible(!running);
  host_.SetCropRunning(running);
}

}  // namespace mirvex::ui
