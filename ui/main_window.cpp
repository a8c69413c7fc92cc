#include "ui/main_window.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
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
constexpr const char* kPathCombos[] = {"mif_path", "mid_path", "result_path"};

// Controls and their state when the window is created, before the settings are read.
struct InitialControl {
  const char* name;
  const char* text;  // UTF-8
  bool visible;
  bool enabled;
};

constexpr InitialControl kInitialControls[] = {
    {"main_window", "Mirvex — перевод и редактирование карт в форматах MapInfo и Garmin, версия 1.0 от 08.12.2026",
     true, true},
    {"convert_button", "Конвертировать карту", true, true},
    {"crop_button", "Редактировать карту", true, true},
    {"test_map_button", "Тестовая карта", true, true},
    {"exit_button", "ВЫХОД", true, true},
    {"compile_button", "Собрать IMG", true, false},
    {"map_button", "Карта", true, true},
    {"cancel_button", "Отмена", false, true},
    {"progress_bar", "", true, true},
    {"progress_frame", "", true, true},
    {"progress_percent", "", true, true},
    {"result_status", "", true, true},
    {"object_list", "", true, true},
    {"list_splitter", "", true, true},
    {"type_list", "", true, true},
    {"transliterate_labels", "Русские буквы в транслите (Дорога=Doroga)", true, true},
    {"section_from_mif", "Автоматически определять тип региона", true, true},
    {"raise_large_objects", "Повысить уровень обекта (Полигоны) при площади больше чем:", true, true},
    {"size_threshold", "2.033", true, false},
    {"header_template", "", false, true},
    {"point_types_button", "Точки", true, false},
    {"line_types_button", "Линии", true, false},
    {"polygon_types_button", "Полигоны", true, false},
    {"assign_type_button", "Назначить", true, false},
    {"assign_default_type_button", "Назначить", true, false},
    {"delete_objects_button", "Удалить", true, false},
    {"level_button", "Уровень", true, false},
    {"level_slider", "", true, false},
    {"default_type", "Неопределенный тип объекта", true, false},
    {"previous_rows_button", "Предыдущие 100", true, true},
    {"next_rows_button", "Следующие 100", true, true},
    {"column_view", "", true, true},
    {"row_range", "1 >> 100", true, true},
    {"welcome_panel", "", true, true},
    {"welcome_functions",
     "1. Конвертация карты MapInfo (MIF/MID) в текстовый формат Garmin.\r\n"
     "2. Обрезка карты по заданным координатам.\r\n"
     "3. Тестовая карта: как выглядит на приёмнике каждый тип объекта.\r\n"
     "4. Привязка карты MapInfo к реальным координатам.",
     true, true},
    {"help_link", "", true, true},
    {"conversion_panel", "", false, true},
    {"conversion_files_frame", "Файлы карт", true, true},
    {"mif_path", "", true, true},
    {"mid_path", "", true, true},
    {"result_path", "", true, true},
    {"save_paths_button", "Сохранить путь", true, true},
    {"delete_paths_button", "Удалить путь", true, true},
    {"convert_all_button", "Конвертировать все", true, true},
    {"columns_frame", "Подписи к объектам", true, true},
    {"column_count_from_header", "Определять автоматически", true, true},
    {"no_labels", "Отключить подписи", true, true},
    {"column_count", "2", true, false},
    {"label_column", "2", true, true},
    {"type_column", "1", true, true},
    {"column_view_button", "Выбрать столбец", true, true},
    {"edit_objects_button", "Редактировать объекты", true, true},
    {"header_template_button", "Масштаб", true, true},
    {"georeference_button", "Привязка", true, true},
    {"compiler_settings_button", "mkgmap", true, true},
    {"compiler_frame", "Сборка IMG (mkgmap)", false, true},
    {"mkgmap_path", "", true, true},
    {"mkgmap_options", "", true, true},
    {"georeference_frame", "Система координат", false, true},
    {"georeference", "Привязывать карту к системе координат", true, true},
    {"lower_left_longitude", "60.00", true, true},
    {"lower_left_latitude", "60.00", true, true},
    {"upper_right_longitude", "84.00", true, true},
    {"upper_right_latitude", "54.00", true, true},
    {"rotation_angle", "-0.8", true, true},
    {"crop_panel", "", false, true},
    {"crop_bounds_frame", "Параметры", true, true},
    {"crop_west", "60.00", true, true},
    {"crop_north", "60.00", true, true},
    {"crop_east", "84.00", true, true},
    {"crop_south", "54.00", true, true},
    {"crop_files_frame", "Файлы карт", true, true},
    {"crop_map_path", "c:\\map\\map.txt", true, true},
    {"crop_result_path", "c:\\map\\result.txt", true, true},
    {"copy_result_button", "Скопировать результат конвертирования в путь к карте", true, true},
    {"crop_prompt", "Введите параметры редактирования:", true, true},
    {"crop_running", "Идет редактирование карты. Ждите...", false, true},
    {"test_map_panel", "Тестовая шаблонная карта", false, true},
    {"test_map_path", "c:\\map\\test.txt", true, true},
};

// The control each System key of mirvex.ini mirrors.
constexpr std::pair<std::string_view, const char*> kSettingControls[] = {
    {"UgolPovorot", "rotation_angle"},
    {"TestMap", "test_map_path"},
    {"PrivazkaMap", "georeference"},
    {"PrK1", "lower_left_longitude"},
    {"PrK2", "lower_left_latitude"},
    {"PrK3", "upper_right_longitude"},
    {"PrK4", "upper_right_latitude"},
    {"Koord2", "crop_west"},
    {"Koord3", "crop_north"},
    {"Koord4", "crop_east"},
    {"Koord5", "crop_south"},
    {"PathEdit1", "crop_map_path"},
    {"PathEdit2", "crop_result_path"},
    {"RazmObj", "size_threshold"},
    {"PovObj", "raise_large_objects"},
    {"TypeObj", "section_from_mif"},
    {"RusTransl", "transliterate_labels"},
    {"AutoSet", "column_count_from_header"},
    {"KolSt", "column_count"},
    {"TypeSt", "type_column"},
    {"PodpSt", "label_column"},
    {"Podpis", "no_labels"},
};

// The controls of the compiler settings and their keys in section Mkgmap.
constexpr std::pair<const char*, const char*> kCompilerControls[] = {
    {"mkgmap_path", "Path"},
    {"mkgmap_options", "Options"},
};

const char* SettingControl(std::string_view key) {
  for (const auto& [name, control] : kSettingControls) {
    if (EqualsIgnoreAsciiCase(name, key)) return control;
  }
  return nullptr;
}

// The window's starting geometry in twips: the object list, the splitter, the type list.
constexpr int kWindowWidth = 15000;
// Wide enough at the start for a typical line: "[0x20] Железная дорога (0x14)".
constexpr int kObjectListWidth = 3600;
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
  map_window_ = std::make_unique<MapWindow>(*this, host_);
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
  // The window starts with transliteration and the column count from the header ticked,
  // their dependents as they match.
  control("transliterate_labels").SetCheck(1);
  control("column_count_from_header").SetCheck(1);
  control("column_count").SetBackground(Background::kGrey);
  control("size_threshold").SetBackground(Background::kGrey);
  control("level_slider").SetRange(0, 9);
  control("main_window").SetGeometry(0, kWindowWidth);
  control("object_list").SetGeometry(kObjectListLeft, kObjectListWidth);
  control("list_splitter").SetGeometry(kObjectListLeft + kObjectListWidth, kSplitterWidth);
  int type_list_left = kObjectListLeft + kObjectListWidth + kTypeListGap;
  control("type_list").SetGeometry(type_list_left, kWindowWidth - type_list_left - kTypeListRightMargin);
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
  control("header_template").Subscribe([this](UiControl&, Change change) {
    if (change == Change::kText) OnTemplateChanged();
  });
  // The compiler settings are stored as they change; the start-up reads them without
  // writing them back, so they stay out of mirvex.ini until the user sets them.
  for (const auto& [name, key] : kCompilerControls) {
    control(name).Subscribe([this, key = key](UiControl& box, Change change) {
      if (change == Change::kText && !loading_) Store(kCompilerSection, key, box.text());
    });
  }
  // Letting go of the slider gives the selected lines its level.
  control("level_slider").Subscribe([this](UiControl& slider, Change change) {
    if (change != Change::kValue) return;
    // However the level was chosen (drag, click, keys, wheel), the button says which.
    OnLevelSliderMoved(static_cast<int>(slider.value()));
    SetSelectedLevel();
  });
  // Choosing a saved MIF path shows its partner MID and result paths.
  control("mif_path").Subscribe([this](UiControl& combo, Change change) {
    // Typing a path chooses no entry; that moves nothing in the partner boxes.
    if (change != Change::kListIndex || combo.list_index() < 0) return;
    control("mid_path").SetListIndex(combo.list_index());
    control("result_path").SetListIndex(combo.list_index());
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
  const SystemKey* system_key = FindSystemKey(key);
  const char* name = SettingControl(key);
  if (!system_key || !name) return {};
  const UiControl& box = control(name);
  return system_key->is_check ? std::to_string(box.check()) : box.text();
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
                               control("header_template").text());
}

CropOptions MainWindow::crop_options() const {
  return CropOptionsFrom([this](std::string_view key) { return SettingValue(key); });
}

CompileOptions MainWindow::compile_options() const {
  CompileOptions options;
  options.mkgmap = control("mkgmap_path").text();
  options.extra_options = control("mkgmap_options").text();
  return options;
}

std::vector<ConversionPaths> MainWindow::saved_triples() const {
  const auto& mif = control("mif_path").items();
  const auto& mid = control("mid_path").items();
  const auto& result = control("result_path").items();
  std::vector<ConversionPaths> triples;
  for (std::size_t i = 0; i < mif.size() && i < mid.size() && i < result.size(); ++i) {
    triples.push_back({mif[i], mid[i], result[i]});
  }
  return triples;
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
  if (box.name() == "column_count_from_header") grey_when_ticked("column_count");
  if (box.name() == "no_labels") grey_when_ticked("label_column");
  if (box.name() == "raise_large_objects") {
    control("size_threshold").SetEnabled(ticked);
    control("size_threshold").SetBackground(ticked ? Background::kToolTip : Background::kGrey);
  }
  WriteSystem(system_keys_[box.name()], std::to_string(box.check()));
}

void MainWindow::OnTemplateChanged() {
  if (loading_ || read_only_) return;
  if (WriteTemplate(TemplatePath(program_folder_), control("header_template").text())) {
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
  control("header_template").SetText(LoadTemplate(config));

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
  for (const auto& [name, key] : kCompilerControls) {
    control(name).SetText(ReadSetting(program_folder_, kCompilerSection, key));
  }
  loading_ = false;
  // The result of the last conversion, still there from an earlier session, can be
  // compiled at once.
  if (const std::string& result = control("result_path").text(); !result.empty() && FileExists(result)) {
    SetCompileTarget(result);
  }
  // A first start gets the built-in template as a file the user can edit.
  if (template_missing) OnTemplateChanged();
}

void MainWindow::ShowOnly(const char* panel) {
  for (const char* other : {"welcome_panel", "conversion_panel", "crop_panel", "test_map_panel"}) {
    if (std::string_view(other) != panel) control(other).SetVisible(false);
  }
}

// The three operation buttons work in two presses: the first shows the button's
// panel (hiding the others), a press while it is shown runs the operation, with the
// operation buttons and the editing actions disabled so no second one starts while
// the first lets the window repaint.
template <typename Operation>
bool MainWindow::RunOperation(const char* panel, Operation operation) {
  if (operation_running_) return false;
  ShowOnly(panel);
  if (!control(panel).visible()) {
    control(panel).SetVisible(true);
    return false;
  }
  RunGuarded(operation);
  return true;
}

// While an operation runs the operation buttons and the editing actions are disabled,
// so no second one starts while the first lets the window repaint.
template <typename Operation>
void MainWindow::RunGuarded(Operation operation) {
  if (operation_running_) return;
  operation_running_ = true;
  // Each control gets its own state back afterwards.
  const char* buttons[] = {"convert_button",
                           "crop_button",
                           "test_map_button",
                           "compile_button",
                           "convert_all_button",
                           "save_paths_button",
                           "delete_paths_button",
                           "column_view_button",
                           "edit_objects_button",
                           "previous_rows_button",
                           "next_rows_button",
                           "point_types_button",
                           "line_types_button",
                           "polygon_types_button",
                           "assign_type_button",
                           "assign_default_type_button",
                           "delete_objects_button",
                           "level_button",
                           "level_slider",
                           "header_template_button",
                           "georeference_button",
                           "compiler_settings_button"};
  bool enabled[std::size(buttons)];
  for (std::size_t i = 0; i < std::size(buttons); ++i) {
    enabled[i] = control(buttons[i]).enabled();
    control(buttons[i]).SetEnabled(false);
  }
  // "Отмена" (and "ВЫХОД", after asking) stop the run: the operation sees the request
  // while it lets the window repaint.
  stop_requested_ = false;
  control("cancel_button").SetVisible(true);
  last_status_ = operation();
  control("cancel_button").SetVisible(false);
  for (std::size_t i = 0; i < std::size(buttons); ++i) control(buttons[i]).SetEnabled(enabled[i]);
  operation_running_ = false;
  // The map window waits with its loads while a run writes files.
  map_window_->Refresh();
  // A run stopped so that the program can end needs no word of its stop: the user has
  // just answered "Да" to that.
  if (quit_after_run_) {
    host_.Quit();
    return;
  }
  if (last_status_ == OperationStatus::kStopped) {
    ShowMessage(Ru("Операция прервана"), Ru("Информация"), MessageIcon::kInformation);
  }
}

void MainWindow::SetCompileTarget(const std::string& map) {
  compile_target_ = map;
  control("compile_button").SetEnabled(!map.empty());
}

void MainWindow::OnCancelClicked() {
  if (operation_running_) stop_requested_ = true;
}

void MainWindow::OnConvertClicked() {
  std::string result_path = control("result_path").text();
  bool ran = RunOperation("conversion_panel", [this, &result_path] {
    ConversionPaths paths{control("mif_path").text(), control("mid_path").text(), result_path};
    ConversionResult result = Convert(paths, conversion_options(), program_prefix_, *this);
    if (result.header_column_count) control("column_count").SetText(*result.header_column_count);
    last_counts_ = result.counts;
    return result.status;
  });
  if (ran && last_status_ == OperationStatus::kCompleted) ShowNewResult(result_path);
}

void MainWindow::OnCropClicked() {
  std::string result_path = control("crop_result_path").text();
  bool ran = RunOperation("crop_panel", [this, &result_path] {
    return CropMap(CropPaths{control("crop_map_path").text(), result_path}, crop_options(), program_prefix_, *this,
                   &last_counts_);
  });
  if (ran && last_status_ == OperationStatus::kCompleted) ShowNewResult(result_path);
}

// The status line under the buttons keeps what the last run wrote and where, after its
// message box is gone.
void MainWindow::ShowNewResult(const std::string& result_path) {
  control("result_status").SetText(result_path + std::string(kLineBreak) + SectionSummary(last_counts_));
  SetCompileTarget(result_path);
  map_window_->ShowResult();
}

void MainWindow::OnConvertAllClicked() {
  bool ran = RunOperation("conversion_panel", [this] {
    last_batch_ = ConvertAll(saved_triples(), conversion_options(), program_prefix_, *this);
    return last_batch_.status;
  });
  if (!ran) return;
  // "Собрать IMG" compiles one map: that of the triple the window shows when it was
  // converted, else the last one converted; a run that converted none keeps the target.
  const std::string& shown = control("result_path").text();
  std::string target;
  for (const BatchEntry& entry : last_batch_.entries) {
    if (entry.status != OperationStatus::kCompleted) continue;
    target = entry.paths.result;
    if (target == shown) break;
  }
  if (!target.empty()) SetCompileTarget(target);
}

void MainWindow::OnCompileClicked() {
  if (compile_target_.empty()) return;
  CompileMapFile(compile_target_, "");
}

void MainWindow::CompileMapFile(const std::string& map, const std::string& output_folder) {
  RunGuarded([&] {
    CompileOptions options = compile_options();
    options.output_folder = output_folder;
    last_compile_ = CompileMap(map, options, *this);
    return last_compile_.status;
  });
}

void MainWindow::OnTestMapClicked() {
  RunOperation("test_map_panel",
               [this] { return WriteTestMap(control("test_map_path").text(), program_prefix_, *this); });
}

void MainWindow::OnMapClicked() {
  map_window_->Open();
  if (on_map_window_shown) on_map_window_shown(*map_window_);
}

void MainWindow::OnExitClicked() {
  // A map being read stops at once; it writes nothing.
  map_window_->OnStopClicked();
  if (!operation_running_) {
    host_.Quit();
    return;
  }
  // The run owns the files it writes: it stops cleanly first, then the program ends.
  if (!host_.Confirm(Ru("Идёт операция. Прервать её и выйти из программы?"), Ru("Выход"))) return;
  stop_requested_ = true;
  quit_after_run_ = true;
}

void MainWindow::OnCopyResultClicked() { control("crop_map_path").SetText(control("result_path").text()); }

void MainWindow::OnSavePathsClicked() {
  int n = PathCount(program_folder_) + 1;
  WriteSystem("PathCount", std::to_string(n));
  for (int list = 0; list < 3; ++list) {
    Store(kPathSections[list], PathKey(n), control(kPathCombos[list]).text());
  }
  for (const char* combo : kPathCombos) control(combo).AddItem(control(combo).text());
}

void MainWindow::OnDeletePathsClicked() {
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

void MainWindow::ResetEditingControls() {
  for (const char* name : {"default_type", "assign_default_type_button"}) control(name).SetEnabled(false);
  control("column_view").SetText("");
  control("object_list").ClearItems();
  control("type_list").ClearItems();
  for (const char* name : {"next_rows_button", "previous_rows_button", "row_range", "columns_frame", "column_view"}) {
    control(name).SetVisible(false);
  }
  for (const char* name : {"assign_type_button", "delete_objects_button", "level_button", "level_slider",
                           "point_types_button", "line_types_button", "polygon_types_button"}) {
    control(name).SetEnabled(false);
  }
  for (const char* name : {"transliterate_labels", "section_from_mif", "raise_large_objects", "size_threshold",
                           "georeference_frame", "header_template", "compiler_frame"}) {
    control(name).SetVisible(false);
  }
  for (const char* name : {"transliterate_labels", "section_from_mif", "raise_large_objects"}) {
    control(name).SetEnabled(false);
  }
}

void MainWindow::OnHeaderTemplateClicked() {
  ResetEditingControls();
  control("header_template").SetVisible(true);
}

void MainWindow::OnCompilerSettingsClicked() {
  ResetEditingControls();
  control("compiler_frame").SetVisible(true);
}

void MainWindow::OnGeoreferenceClicked() {
  ResetEditingControls();
  for (const char* name :
       {"georeference_frame", "transliterate_labels", "section_from_mif", "raise_large_objects", "size_threshold"}) {
    control(name).SetVisible(true);
  }
  control("row_range").SetVisible(false);
}

void MainWindow::OnHelpClicked() {
  // The compiled help beside the program when it is there (Windows), else the HTML help.
  std::string help = HelpFile(program_prefix_);
  if (!FileExists(help)) {
    ShowMissingFile(*this, help);
    return;
  }
  if (!host_.OpenDocument(help)) {
    ShowInformation(*this, Ru("Не удалось открыть справку:") + std::string(kLineBreak) + help);
  }
}

namespace {

// The folder part of a path ("" when it has none), and the path without its extension.
std::string_view FolderOf(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view WithoutExtension(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < FolderOf(path).size()) return path;
  return path.substr(0, dot);
}

bool FolderExists(std::string_view folder) {
  std::error_code error;
  return !folder.empty() && std::filesystem::is_directory(NativePath(folder), error);
}

}  // namespace

std::string MainWindow::FileDialogStart(std::string_view box) const {
  const std::string& own = control(std::string(box)).text();
  if (FolderExists(FolderOf(own))) return own;
  std::string_view mif_folder = FolderOf(control("mif_path").text());
  return FolderExists(mif_folder) ? std::string(mif_folder) : std::string();
}

void MainWindow::OnFileChosen(std::string_view box, std::string path) {
  // The test map replaces a file that exists: its name is taken as chosen.
  bool result_box = box == "result_path" || box == "crop_result_path";
  if (result_box && WithoutExtension(path).size() == path.size()) path += ".mp";
  control(std::string(box)).SetText(path);
  if (box != "mif_path") return;
  std::string_view stem = WithoutExtension(path);
  if (control("mid_path").text().empty()) {
    for (const char* extension : {".mid", ".MID"}) {
      std::string mid = std::string(stem) + extension;
      if (FileExists(mid)) {
        control("mid_path").SetText(mid);
        break;
      }
    }
  }
  if (control("result_path").text().empty()) control("result_path").SetText(std::string(stem) + ".mp");
}

void MainWindow::OnSplitterPressed(double x) {
  dragging_ = true;
  drag_x_ = static_cast<int>(RoundHalfEven(x));
}

void MainWindow::OnSplitterMoved(double x) {
  if (!dragging_) return;
  PlaceSplitter(control("list_splitter").left() + static_cast<int>(RoundHalfEven(x)) - drag_x_);
}

int MinimumListsAreaWidth() { return 2 * kListMinimumWidth + kTypeListGap; }

void MainWindow::PlaceSplitter(int left) {
  UiControl& splitter = control("list_splitter");
  const int form_width = control("main_window").width();
  // The type list ends at the window's right margin; the object list starts at
  // kObjectListLeft. Each keeps its least width, so neither can vanish behind the other
  // or past the window's edge; a window too narrow for both splits the room in two.
  int lowest = kObjectListLeft + kListMinimumWidth;
  int highest = form_width - kTypeListRightMargin - kTypeListGap - kListMinimumWidth;
  if (highest < lowest) {
    left = std::max(kObjectListLeft, (kObjectListLeft + form_width - kTypeListRightMargin - kTypeListGap) / 2);
  } else {
    left = std::clamp(left, lowest, highest);
  }
  splitter.SetGeometry(left, splitter.width());
  UiControl& object_list = control("object_list");
  object_list.SetGeometry(object_list.left(), splitter.left() - object_list.left());
  int type_list_left = splitter.left() + kTypeListGap;
  control("type_list").SetGeometry(type_list_left, std::max(0, form_width - type_list_left - kTypeListRightMargin));
}

namespace {

// The room the two lists share: from the object list's left edge to the type list's
// right margin.
int ListsRoom(int form_width) { return std::max(1, form_width - kObjectListLeft - kTypeListRightMargin); }

}  // namespace

int MainWindow::SplitterShare() const {
  int offset = control("list_splitter").left() - kObjectListLeft;
  return static_cast<int>(std::lround(1000.0 * offset / ListsRoom(control("main_window").width())));
}

void MainWindow::PlaceSplitterAtShare(int share) {
  share = std::clamp(share, 0, 1000);
  PlaceSplitter(kObjectListLeft +
                static_cast<int>(std::lround(ListsRoom(control("main_window").width()) * share / 1000.0)));
}

void MainWindow::OnSplitterReleased() { dragging_ = false; }

void MainWindow::OnWindowResized(int width) {
  UiControl& form = control("main_window");
  form.SetGeometry(form.left(), width);
}

namespace {

constexpr const char* kPlaceKeys[] = {"Left", "Top", "Width", "Height"};
// The splitter's share of the lists' area, in thousandths.
constexpr const char* kSplitterShareKey = "SplitterShare";

std::optional<int> StoredNumber(std::string_view folder, const char* key) {
  std::string text = ReadSetting(folder, kWindowSection, key);
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < -1000000 || value > 1000000) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

std::optional<WindowPlace> MainWindow::StoredWindowPlace() const {
  int values[4];
  for (int i = 0; i < 4; ++i) {
    std::optional<int> value = StoredNumber(program_folder_, kPlaceKeys[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  WindowPlace place{values[0], values[1], values[2], values[3]};
  if (place.width <= 0 || place.height <= 0) return std::nullopt;
  // A place stored before the share was kept has none: the lists keep their default.
  std::optional<int> share = StoredNumber(program_folder_, kSplitterShareKey);
  if (share && *share >= 0 && *share <= 1000) place.splitter_share = *share;
  place.maximized = ReadSetting(program_folder_, kWindowSection, "Maximized") == "1";
  return place;
}

void MainWindow::SaveWindowPlace(const WindowPlace& place) {
  const int values[] = {place.left, place.top, place.width, place.height};
  for (int i = 0; i < 4; ++i) Store(kWindowSection, kPlaceKeys[i], std::to_string(values[i]));
  if (place.splitter_share >= 0) Store(kWindowSection, kSplitterShareKey, std::to_string(place.splitter_share));
  Store(kWindowSection, "Maximized", place.maximized ? "1" : "0");
}

// The operations' messages and progress.
void MainWindow::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  host_.ShowMessage(text, title, icon);
}

void MainWindow::Beep() { host_.Beep(); }

void MainWindow::SetProgressRange(std::int64_t minimum, std::int64_t maximum) {
  control("progress_bar").SetRange(minimum, maximum);
  host_.SetProgressRange(minimum, maximum);
}

void MainWindow::SetProgressValue(std::int64_t value) {
  control("progress_bar").SetValue(value);
  host_.SetProgressValue(value);
}

void MainWindow::SetPercentCaption(const std::string& caption) {
  control("progress_percent").SetText(caption);
  host_.SetPercentCaption(caption);
}

void MainWindow::ProcessEvents() { host_.ProcessEvents(); }

// "Отмена" in the window, or what the host reports (Ctrl+C on the command line).
bool MainWindow::StopRequested() { return stop_requested_ || host_.StopRequested(); }

void MainWindow::SetCropRunning(bool running) {
  control("crop_running").SetVisible(running);
  control("crop_prompt").SetVisible(!running);
  host_.SetCropRunning(running);
}

}  // namespace mirvex::ui
