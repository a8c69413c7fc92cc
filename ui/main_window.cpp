// The main window model's construction: its controls as the window opens, the
// settings they mirror (read at load, stored as they change), the options the
// operations start from, the settings panels and the help.
#include "ui/main_window.h"

#include <string>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"
#include "settings/header_template.h"
#include "settings/ini_file.h"
#include "settings/operation_options.h"
#include "settings/system_keys.h"

namespace mirvex::ui {

namespace {

// Controls and their state when the window is created, before the settings are read.
struct InitialControl {
  MainControl control;
  const char* text;  // UTF-8
  bool visible;
  bool enabled;
};

constexpr InitialControl kInitialControls[] = {
    {&MainWindowControls::main_window,
     "Mirvex — перевод и редактирование карт в форматах MapInfo и Garmin, версия 1.0 от 08.12.2026", true, true},
    {&MainWindowControls::convert_button, "Конвертировать карту", true, true},
    {&MainWindowControls::crop_button, "Редактировать карту", true, true},
    {&MainWindowControls::test_map_button, "Тестовая карта", true, true},
    {&MainWindowControls::exit_button, "ВЫХОД", true, true},
    {&MainWindowControls::compile_button, "Собрать IMG", true, false},
    {&MainWindowControls::map_button, "Карта", true, true},
    {&MainWindowControls::cancel_button, "Отмена", false, true},
    {&MainWindowControls::progress_bar, "", true, true},
    {&MainWindowControls::progress_frame, "", true, true},
    {&MainWindowControls::progress_percent, "", true, true},
    {&MainWindowControls::result_status, "", true, true},
    {&MainWindowControls::object_list, "", true, true},
    {&MainWindowControls::list_splitter, "", true, true},
    {&MainWindowControls::type_list, "", true, true},
    {&MainWindowControls::transliterate_labels, "Русские буквы в транслите (Дорога=Doroga)", true, true},
    {&MainWindowControls::section_from_mif, "Автоматически определять тип региона", true, true},
    {&MainWindowControls::to_wgs84, "Пересчитывать координаты в WGS 84", true, true},
    {&MainWindowControls::raise_large_objects, "Повысить уровень обекта (Полигоны) при площади больше чем:", true,
     true},
    {&MainWindowControls::size_threshold, "2.033", true, false},
    {&MainWindowControls::header_template, "", false, true},
    {&MainWindowControls::point_types_button, "Точки", true, false},
    {&MainWindowControls::line_types_button, "Линии", true, false},
    {&MainWindowControls::polygon_types_button, "Полигоны", true, false},
    {&MainWindowControls::assign_type_button, "Назначить", true, false},
    {&MainWindowControls::assign_default_type_button, "Назначить", true, false},
    {&MainWindowControls::delete_objects_button, "Удалить", true, false},
    {&MainWindowControls::level_button, "Уровень", true, false},
    {&MainWindowControls::level_slider, "", true, false},
    {&MainWindowControls::default_type, "Неопределенный тип объекта", true, false},
    {&MainWindowControls::previous_rows_button, "Предыдущие 100", true, true},
    {&MainWindowControls::next_rows_button, "Следующие 100", true, true},
    {&MainWindowControls::column_view, "", true, true},
    {&MainWindowControls::row_range, "1 >> 100", true, true},
    {&MainWindowControls::welcome_panel, "", true, true},
    {&MainWindowControls::welcome_functions,
     "1. Конвертация карты MapInfo (MIF/MID) в текстовый формат Garmin.\r\n"
     "2. Обрезка карты по заданным координатам.\r\n"
     "3. Тестовая карта: как выглядит на приёмнике каждый тип объекта.\r\n"
     "4. Привязка карты MapInfo к реальным координатам.",
     true, true},
    {&MainWindowControls::help_link, "", true, true},
    {&MainWindowControls::conversion_panel, "", false, true},
    {&MainWindowControls::conversion_files_frame, "Файлы карт", true, true},
    {&MainWindowControls::mif_path, "", true, true},
    {&MainWindowControls::mid_path, "", true, true},
    {&MainWindowControls::result_path, "", true, true},
    {&MainWindowControls::save_paths_button, "Сохранить путь", true, true},
    {&MainWindowControls::delete_paths_button, "Удалить путь", true, true},
    {&MainWindowControls::convert_all_button, "Конвертировать все", true, true},
    {&MainWindowControls::columns_frame, "Подписи к объектам", true, true},
    {&MainWindowControls::column_count_from_header, "Определять автоматически", true, true},
    {&MainWindowControls::no_labels, "Отключить подписи", true, true},
    {&MainWindowControls::column_count, "2", true, false},
    {&MainWindowControls::label_column, "2", true, true},
    {&MainWindowControls::type_column, "1", true, true},
    {&MainWindowControls::column_view_button, "Выбрать столбец", true, true},
    {&MainWindowControls::edit_objects_button, "Редактировать объекты", true, true},
    {&MainWindowControls::header_template_button, "Масштаб", true, true},
    {&MainWindowControls::georeference_button, "Привязка", true, true},
    {&MainWindowControls::compiler_settings_button, "mkgmap", true, true},
    {&MainWindowControls::compiler_frame, "Сборка IMG (mkgmap)", false, true},
    {&MainWindowControls::mkgmap_path, "", true, true},
    {&MainWindowControls::mkgmap_options, "", true, true},
    {&MainWindowControls::georeference_frame, "Система координат", false, true},
    {&MainWindowControls::georeference, "Привязывать карту к системе координат", true, true},
    {&MainWindowControls::lower_left_longitude, "60.00", true, true},
    {&MainWindowControls::lower_left_latitude, "60.00", true, true},
    {&MainWindowControls::upper_right_longitude, "84.00", true, true},
    {&MainWindowControls::upper_right_latitude, "54.00", true, true},
    {&MainWindowControls::rotation_angle, "-0.8", true, true},
    {&MainWindowControls::crop_panel, "", false, true},
    {&MainWindowControls::crop_bounds_frame, "Параметры", true, true},
    {&MainWindowControls::crop_west, "60.00", true, true},
    {&MainWindowControls::crop_north, "60.00", true, true},
    {&MainWindowControls::crop_east, "84.00", true, true},
    {&MainWindowControls::crop_south, "54.00", true, true},
    {&MainWindowControls::crop_clip, "Обрезать объекты по границе", true, true},
    {&MainWindowControls::crop_files_frame, "Файлы карт", true, true},
    {&MainWindowControls::crop_map_path, "c:\\map\\map.txt", true, true},
    {&MainWindowControls::crop_result_path, "c:\\map\\result.txt", true, true},
    {&MainWindowControls::copy_result_button, "Скопировать результат конвертирования в путь к карте", true, true},
    {&MainWindowControls::crop_prompt, "Введите параметры редактирования:", true, true},
    {&MainWindowControls::crop_running, "Идет редактирование карты. Ждите...", false, true},
    {&MainWindowControls::test_map_panel, "Тестовая шаблонная карта", false, true},
    {&MainWindowControls::test_map_path, "c:\\map\\test.txt", true, true},
};

// The control each System key of mirvex.ini mirrors.
constexpr std::pair<std::string_view, MainControl> kSettingControls[] = {
    {"UgolPovorot", &MainWindowControls::rotation_angle},
    {"TestMap", &MainWindowControls::test_map_path},
    {"PrivazkaMap", &MainWindowControls::georeference},
    {"PrK1", &MainWindowControls::lower_left_longitude},
    {"PrK2", &MainWindowControls::lower_left_latitude},
    {"PrK3", &MainWindowControls::upper_right_longitude},
    {"PrK4", &MainWindowControls::upper_right_latitude},
    {"Koord2", &MainWindowControls::crop_west},
    {"Koord3", &MainWindowControls::crop_north},
    {"Koord4", &MainWindowControls::crop_east},
    {"Koord5", &MainWindowControls::crop_south},
    {"CropClip", &MainWindowControls::crop_clip},
    {"PathEdit1", &MainWindowControls::crop_map_path},
    {"PathEdit2", &MainWindowControls::crop_result_path},
    {"RazmObj", &MainWindowControls::size_threshold},
    {"PovObj", &MainWindowControls::raise_large_objects},
    {"TypeObj", &MainWindowControls::section_from_mif},
    {"RusTransl", &MainWindowControls::transliterate_labels},
    {"ToWgs84", &MainWindowControls::to_wgs84},
    {"AutoSet", &MainWindowControls::column_count_from_header},
    {"KolSt", &MainWindowControls::column_count},
    {"TypeSt", &MainWindowControls::type_column},
    {"PodpSt", &MainWindowControls::label_column},
    {"Podpis", &MainWindowControls::no_labels},
};

// The controls of the compiler settings and their keys in section Mkgmap.
constexpr std::pair<MainControl, const char*> kCompilerControls[] = {
    {&MainWindowControls::mkgmap_path, "Path"},
    {&MainWindowControls::mkgmap_options, "Options"},
};

MainControl SettingControl(std::string_view key) {
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

}  // namespace

MainWindow::MainWindow(WindowHost& host, std::string program_folder, bool read_only)
    : host_(host), program_folder_(std::move(program_folder)), read_only_(read_only) {
  program_prefix_ = program_folder_ + kPathSeparator;
  CreateControls();
  WireSettings();
  MainWindowControls& c = controls_;
  map_window_ = std::make_unique<MapWindow>(
      MainWindowLink{c.welcome_panel, c.conversion_panel, c.crop_panel, c.test_map_panel, c.mif_path, c.mid_path,
                     c.result_path, c.crop_map_path, c.crop_result_path, c.test_map_path, c.crop_west, c.crop_north,
                     c.crop_east, c.crop_south, [this] { return operation_running_; },
                     [this] { return conversion_options(); }, program_prefix_},
      host_);
}

void MainWindow::CreateControls() {
  for (const InitialControl& initial : kInitialControls) {
    UiControl& c = controls_.*initial.control;
    c.SetText(Ru(initial.text));
    c.SetVisible(initial.visible);
    c.SetEnabled(initial.enabled);
  }
  // The window starts with transliteration, the transformation into WGS 84 and the
  // column count from the header ticked,
  // their dependents as they match.
  controls_.transliterate_labels.SetCheck(1);
  controls_.to_wgs84.SetCheck(1);
  controls_.column_count_from_header.SetCheck(1);
  controls_.column_count.SetBackground(Background::kGrey);
  controls_.size_threshold.SetBackground(Background::kGrey);
  controls_.level_slider.SetRange(0, 9);
  controls_.main_window.SetGeometry(0, kWindowWidth);
  controls_.object_list.SetGeometry(kObjectListLeft, kObjectListWidth);
  controls_.list_splitter.SetGeometry(kObjectListLeft + kObjectListWidth, kSplitterWidth);
  int type_list_left = kObjectListLeft + kObjectListWidth + kTypeListGap;
  controls_.type_list.SetGeometry(type_list_left, kWindowWidth - type_list_left - kTypeListRightMargin);
}

void MainWindow::WireSettings() {
  for (const SystemKey& key : SystemKeys()) {
    UiControl& control = controls_.*SettingControl(key.key);
    if (key.is_check) {
      control.Subscribe([this, key = std::string(key.key)](UiControl& box, Change change) {
        if (change == Change::kCheck) OnCheckBox(box, key);
      });
    } else {
      control.Subscribe([this, key = std::string(key.key)](UiControl& box, Change change) {
        if (change == Change::kText) WriteSystem(key, box.text());
      });
    }
  }
  controls_.header_template.Subscribe([this](UiControl&, Change change) {
    if (change == Change::kText) OnTemplateChanged();
  });
  // The compiler settings are stored as they change; the start-up reads them without
  // writing them back, so they stay out of mirvex.ini until the user sets them.
  for (const auto& [control, key] : kCompilerControls) {
    (controls_.*control).Subscribe([this, key = key](UiControl& box, Change change) {
      if (change == Change::kText && !loading_) Store(kCompilerSection, key, box.text());
    });
  }
  // Letting go of the slider gives the selected lines its level.
  controls_.level_slider.Subscribe([this](UiControl& slider, Change change) {
    if (change != Change::kValue) return;
    // However the level was chosen (drag, click, keys, wheel), the button says which.
    OnLevelSliderMoved(static_cast<int>(slider.value()));
    SetSelectedLevel();
  });
  // Choosing a saved MIF path shows its partner MID and result paths.
  controls_.mif_path.Subscribe([this](UiControl& combo, Change change) {
    // Typing a path chooses no entry; that moves nothing in the partner boxes.
    if (change != Change::kListIndex || combo.list_index() < 0) return;
    controls_.mid_path.SetListIndex(combo.list_index());
    controls_.result_path.SetListIndex(combo.list_index());
  });
}

std::string MainWindow::SettingValue(std::string_view key) const {
  const SystemKey* system_key = FindSystemKey(key);
  MainControl control = SettingControl(key);
  if (!system_key || !control) return {};
  const UiControl& box = controls_.*control;
  return system_key->is_check ? std::to_string(box.check()) : box.text();
}

bool MainWindow::ApplySetting(std::string_view key, std::string_view value) {
  const SystemKey* system_key = FindSystemKey(key);
  MainControl control = SettingControl(key);
  if (!system_key || !control) return false;
  if (system_key->is_check) {
    (controls_.*control).SetCheck(CheckBoxValue(value));
  } else {
    (controls_.*control).SetText(std::string(value));
  }
  return true;
}

ConversionOptions MainWindow::conversion_options() const {
  return ConversionOptionsFrom([this](std::string_view key) { return SettingValue(key); },
                               controls_.header_template.text());
}

CropOptions MainWindow::crop_options() const {
  return CropOptionsFrom([this](std::string_view key) { return SettingValue(key); });
}

CompileOptions MainWindow::compile_options() const {
  return CompileOptionsFrom([this](std::string_view key) {
    for (const auto& [control, compiler_key] : kCompilerControls) {
      if (key == compiler_key) return (controls_.*control).text();
    }
    return std::string();
  });
}

void MainWindow::Store(std::string_view section, std::string_view key, const std::string& value) {
  if (!read_only_) WriteSetting(program_folder_, section, key, value);
}

// A check box updates the box that depends on it, then stores its value.
void MainWindow::OnCheckBox(UiControl& box, std::string_view key) {
  bool ticked = box.check() == 1;
  auto grey_when_ticked = [&](UiControl& dependent) {
    dependent.SetEnabled(!ticked);
    dependent.SetBackground(ticked ? Background::kGrey : Background::kWhite);
  };
  if (&box == &controls_.column_count_from_header) grey_when_ticked(controls_.column_count);
  if (&box == &controls_.no_labels) grey_when_ticked(controls_.label_column);
  if (&box == &controls_.raise_large_objects) {
    controls_.size_threshold.SetEnabled(ticked);
    controls_.size_threshold.SetBackground(ticked ? Background::kToolTip : Background::kGrey);
  }
  WriteSystem(key, std::to_string(box.check()));
}

void MainWindow::OnTemplateChanged() {
  if (loading_ || read_only_) return;
  if (WriteTemplate(TemplatePath(program_folder_), controls_.header_template.text())) {
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
  ProgramSettings stored = ReadProgramSettings(program_folder_);
  controls_.header_template.SetText(stored.header_template);

  for (const SystemKey& key : SystemKeys()) {
    const std::string& value = stored.system[key.key];
    ApplySetting(key.key, value);
    if (!key.is_check) continue;
    int check = CheckBoxValue(value);
    std::string shown = std::to_string(check);
    // A hand-edited value ("2", "abc", "1.4") is stored back as what the box shows, so
    // the file says what the window does; a missing key stays missing.
    if (!value.empty() && value != shown) WriteSystem(key.key, shown);
  }

  for (const ConversionPaths& triple : stored.saved_triples) {
    controls_.mif_path.AddItem(triple.mif);
    controls_.mid_path.AddItem(triple.mid);
    controls_.result_path.AddItem(triple.result);
  }
  for (MainControl combo : kPathCombos) {
    UiControl& box = controls_.*combo;
    box.SetListIndex(static_cast<int>(box.items().size()) - 1);
  }
  for (const auto& [control, key] : kCompilerControls) (controls_.*control).SetText(stored.compiler[key]);
  loading_ = false;
  // The result of the last conversion, still there from an earlier session, can be
  // compiled at once.
  if (const std::string& result = controls_.result_path.text(); !result.empty() && FileExists(result)) {
    SetCompileTarget(result);
  }
  // A first start gets the built-in template as a file the user can edit.
  if (stored.template_missing) OnTemplateChanged();
}


void MainWindow::ResetEditingControls() {
  controls_.default_type.SetEnabled(false);
  controls_.assign_default_type_button.SetEnabled(false);
  controls_.column_view.SetText("");
  controls_.object_list.ClearItems();
  controls_.type_list.ClearItems();
  for (UiControl* control : {&controls_.next_rows_button, &controls_.previous_rows_button, &controls_.row_range,
                             &controls_.columns_frame, &controls_.column_view}) {
    control->SetVisible(false);
  }
  for (UiControl* control : {&controls_.assign_type_button, &controls_.delete_objects_button, &controls_.level_button,
                             &controls_.level_slider, &controls_.point_types_button, &controls_.line_types_button,
                             &controls_.polygon_types_button}) {
    control->SetEnabled(false);
  }
  for (UiControl* control : {&controls_.size_threshold, &controls_.georeference_frame, &controls_.header_template,
                             &controls_.compiler_frame}) {
    control->SetVisible(false);
  }
  for (MainControl box : kConversionOptionBoxes) {
    (controls_.*box).SetVisible(false);
    (controls_.*box).SetEnabled(false);
  }
}

void MainWindow::OnHeaderTemplateClicked() {
  ResetEditingControls();
  controls_.header_template.SetVisible(true);
}

void MainWindow::OnCompilerSettingsClicked() {
  ResetEditingControls();
  controls_.compiler_frame.SetVisible(true);
}

void MainWindow::OnGeoreferenceClicked() {
  ResetEditingControls();
  controls_.georeference_frame.SetVisible(true);
  controls_.size_threshold.SetVisible(true);
  for (MainControl box : kConversionOptionBoxes) (controls_.*box).SetVisible(true);
  controls_.row_range.SetVisible(false);
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

}  // namespace mirvex::ui
