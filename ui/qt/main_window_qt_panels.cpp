// The Qt main window's panels: the welcome panel, the conversion panel with its settings
// (columns, georeferencing, the compiler, the header template), the crop and test map
// panels, and the file dialogs of their path boxes.
#include "ui/qt/main_window_qt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <string>
#include <utility>

#include "base/cp1251.h"
#include "base/platform.h"
#include "ui/qt/qt_binding.h"
#include "ui/window_texts.h"

namespace mirvex::ui::qt {

namespace {

QLabel* Caption(const char* utf8, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromUtf8(utf8));
  if (buddy) label->setBuddy(buddy);
  return label;
}

}  // namespace

QGroupBox* QtMainWindow::Frame(UiControl& control) {
  auto* frame = new QGroupBox;
  BindWidget(frame, control);
  frame->setTitle(ToQt(control.text()));
  return frame;
}

// A corner of a rectangle: its caption, then "Широта:" and "Долгота:" with their boxes.
void QtMainWindow::AddCorner(QGridLayout* grid, int& row, const char* caption, UiControl& latitude_box,
                             UiControl& longitude_box) {
  grid->addWidget(Caption(caption), row++, 0, 1, 4);
  auto* latitude = new QLineEdit;
  BindLineEdit(latitude, latitude_box);
  auto* longitude = new QLineEdit;
  BindLineEdit(longitude, longitude_box);
  grid->addWidget(Caption(kLatitudeCaption, latitude), row, 0);
  grid->addWidget(latitude, row, 1);
  grid->addWidget(Caption(kLongitudeCaption, longitude), row, 2);
  grid->addWidget(longitude, row++, 3);
}

QWidget* QtMainWindow::BuildWelcome() {
  auto* panel = new QWidget;
  BindWidget(panel, model_->controls().welcome_panel);
  auto* layout = new QVBoxLayout(panel);
  auto* title = new QLabel(QString::fromUtf8(kWelcomeTitle));
  QFont title_font = title->font();
  title_font.setPointSizeF(title_font.pointSizeF() * 2);
  title_font.setBold(true);
  title->setFont(title_font);
  layout->addWidget(title);
  layout->addWidget(Caption(kWelcomeSubtitle));
  layout->addSpacing(8);
  layout->addWidget(Caption(kWelcomeAbilities));
  auto* functions = new QPlainTextEdit;
  functions->setReadOnly(true);
  functions->setMaximumHeight(110);
  BindPlainText(functions, model_->controls().welcome_functions);
  layout->addWidget(functions);
  auto* help = new QLabel;
  BindLabel(help, model_->controls().help_link);
  help->setText(QString::fromUtf8("<a href=\"help\">") + QString::fromUtf8(kHelpLinkText) + QString::fromUtf8("</a>"));
  help->setCursor(Qt::PointingHandCursor);
  help->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(help, &QLabel::linkActivated, this, [this] { model_->OnHelpClicked(); });
  layout->addWidget(help);
  for (const char* note : kWelcomeNotes) {
    auto* label = Caption(note);
    label->setWordWrap(true);
    layout->addWidget(label);
  }
  return panel;
}

QWidget* QtMainWindow::BuildConversion() {
  auto* panel = new QWidget;
  BindWidget(panel, model_->controls().conversion_panel);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);

  QGroupBox* files = Frame(model_->controls().conversion_files_frame);
  auto* grid = new QGridLayout(files);
  UiControl* const combos[] = {&model_->controls().mif_path, &model_->controls().mid_path,
                               &model_->controls().result_path};
  const char* filters[] = {"MapInfo MIF (*.mif *.MIF);;Все файлы (*)", "MapInfo MID (*.mid *.MID);;Все файлы (*)",
                           "Текстовая карта Garmin (*.mp *.txt);;Все файлы (*)"};
  for (int row = 0; row < 3; ++row) {
    auto* combo = new QComboBox;
    BindCombo(combo, *combos[row]);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    grid->addWidget(Caption(kConversionPathCaptions[row], combo), row, 0);
    grid->addWidget(combo, row, 1);
    auto* browse = new QPushButton(QString::fromUtf8("…"));
    browse->setFixedWidth(Pixels(450));
    browse->setToolTip(QString::fromUtf8("Выбрать файл"));
    UiControl* box = combos[row];
    const char* filter = filters[row];
    bool save = row == 2;
    connect(browse, &QPushButton::clicked, this, [this, box, filter, save] {
      ChooseFile(*box, model_->FileDialogStart(*box), filter, save);
    });
    grid->addWidget(browse, row, 2);
  }
  auto* path_buttons = new QHBoxLayout;
  auto* save = new QPushButton;
  BindButton(save, model_->controls().save_paths_button, [this] { model_->OnSavePathsClicked(); });
  auto* remove = new QPushButton;
  BindButton(remove, model_->controls().delete_paths_button, [this] { model_->OnDeletePathsClicked(); });
  // Converts every saved triple: it belongs with the buttons that save them.
  auto* convert_all = new QPushButton;
  BindButton(convert_all, model_->controls().convert_all_button, [this] { model_->OnConvertAllClicked(); });
  path_buttons->addWidget(save);
  path_buttons->addWidget(remove);
  path_buttons->addWidget(convert_all);
  grid->addLayout(path_buttons, 3, 0, 1, 3);
  layout->addWidget(files);

  QGroupBox* columns = Frame(model_->controls().columns_frame);
  auto* column_grid = new QGridLayout(columns);
  auto* count = new QLineEdit;
  BindLineEdit(count, model_->controls().column_count);
  auto* automatic = new QCheckBox;
  BindCheckBox(automatic, model_->controls().column_count_from_header);
  auto* type_column = new QLineEdit;
  BindLineEdit(type_column, model_->controls().type_column);
  auto* label_column = new QLineEdit;
  BindLineEdit(label_column, model_->controls().label_column);
  auto* no_labels = new QCheckBox;
  BindCheckBox(no_labels, model_->controls().no_labels);
  for (QLineEdit* edit : {count, type_column, label_column}) edit->setMaximumWidth(Pixels(900));
  column_grid->addWidget(Caption(kColumnCountCaption, count), 0, 0);
  column_grid->addWidget(count, 0, 1);
  column_grid->addWidget(automatic, 0, 2);
  column_grid->addWidget(Caption(kTypeColumnCaption, type_column), 1, 0);
  column_grid->addWidget(type_column, 1, 1);
  column_grid->addWidget(Caption(kLabelColumnCaption, label_column), 2, 0);
  column_grid->addWidget(label_column, 2, 1);
  column_grid->addWidget(no_labels, 2, 2);
  column_grid->setColumnStretch(2, 1);
  layout->addWidget(columns);

  auto* actions = new QGridLayout;
  const std::pair<MainControl, void (MainWindow::*)()> buttons[] = {
      {&MainWindowControls::header_template_button, &MainWindow::OnHeaderTemplateClicked},
      {&MainWindowControls::georeference_button, &MainWindow::OnGeoreferenceClicked},
      {&MainWindowControls::compiler_settings_button, &MainWindow::OnCompilerSettingsClicked},
  };
  const std::pair<MainControl, void (MainWindow::*)()> browser[] = {
      {&MainWindowControls::column_view_button, &MainWindow::OnColumnViewClicked},
      {&MainWindowControls::edit_objects_button, &MainWindow::OnEditObjectsClicked},
  };
  int column = 0;
  for (const auto& [control, handler] : browser) {
    auto* button = new QPushButton;
    BindButton(button, model_->controls().*control, [this, handler] { (model_.get()->*handler)(); });
    actions->addWidget(button, 0, column++);
  }
  column = 0;
  for (const auto& [control, handler] : buttons) {
    auto* button = new QPushButton;
    BindButton(button, model_->controls().*control, [this, handler] { (model_.get()->*handler)(); });
    actions->addWidget(button, 1, column++);
  }
  layout->addLayout(actions);

  auto* transliterate = new QCheckBox;
  BindCheckBox(transliterate, model_->controls().transliterate_labels);
  auto* region_type = new QCheckBox;
  BindCheckBox(region_type, model_->controls().section_from_mif);
  auto* to_wgs84 = new QCheckBox;
  BindCheckBox(to_wgs84, model_->controls().to_wgs84);
  auto* raise = new QCheckBox;
  BindCheckBox(raise, model_->controls().raise_large_objects);
  auto* threshold = new QLineEdit;
  BindLineEdit(threshold, model_->controls().size_threshold);
  threshold->setMaximumWidth(Pixels(1100));
  layout->addWidget(transliterate);
  layout->addWidget(region_type);
  layout->addWidget(to_wgs84);
  layout->addWidget(raise);
  auto* threshold_row = new QHBoxLayout;
  threshold_row->addSpacing(Pixels(300));
  threshold_row->addWidget(threshold);
  threshold_row->addStretch(1);
  layout->addLayout(threshold_row);

  QGroupBox* georef = Frame(model_->controls().georeference_frame);
  auto* georef_layout = new QGridLayout(georef);
  auto* bind = new QCheckBox;
  BindCheckBox(bind, model_->controls().georeference);
  georef_layout->addWidget(bind, 0, 0, 1, 4);
  int row = 1;
  AddCorner(georef_layout, row, kLowerLeftCorner, model_->controls().lower_left_latitude,
            model_->controls().lower_left_longitude);
  AddCorner(georef_layout, row, kUpperRightCorner, model_->controls().upper_right_latitude,
            model_->controls().upper_right_longitude);
  auto* angle = new QLineEdit;
  BindLineEdit(angle, model_->controls().rotation_angle);
  georef_layout->addWidget(Caption(kRotationAngleCaption, angle), row, 0);
  georef_layout->addWidget(angle, row, 1);
  layout->addWidget(georef);
  layout->addWidget(BuildCompilerSettings());

  auto* header = new QPlainTextEdit;
  header->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  header->setMinimumHeight(Pixels(4000));
  header->setLineWrapMode(QPlainTextEdit::NoWrap);
  BindPlainText(header, model_->controls().header_template);
  layout->addWidget(header);
  return panel;
}

// The system's file dialog from `start` (cp1251); the chosen path goes to the model for
// `box`, which refuses one with characters cp1251 lacks. A cancelled dialog changes nothing.
void QtMainWindow::ChooseFile(UiControl& box, const std::string& start, const char* filter, bool save) {
  QString path = save ? QFileDialog::getSaveFileName(this, QString(), ToQt(start), QString::fromUtf8(filter))
                      : QFileDialog::getOpenFileName(this, QString(), ToQt(start), QString::fromUtf8(filter));
  if (path.isEmpty()) return;
  std::string utf8 = path.toStdString();
  bool fits = FitsCp1251(utf8);
  model_->OnFileChosen(box, fits ? PathText(std::filesystem::path(utf8)) : FromQt(path), fits);
}

// mkgmap and its options, stored in section Mkgmap of mirvex.ini as they are typed.
QWidget* QtMainWindow::BuildCompilerSettings() {
  QGroupBox* frame = Frame(model_->controls().compiler_frame);
  auto* grid = new QGridLayout(frame);
  auto* path = new QLineEdit;
  BindLineEdit(path, model_->controls().mkgmap_path);
  path->setPlaceholderText(QString::fromUtf8("mkgmap"));
  auto* browse = new QPushButton(QString::fromUtf8("…"));
  browse->setFixedWidth(Pixels(450));
  browse->setToolTip(QString::fromUtf8("Выбрать mkgmap.jar или программу mkgmap"));
  UiControl& path_control = model_->controls().mkgmap_path;
  connect(browse, &QPushButton::clicked, this, [this, &path_control] {
    ChooseFile(path_control, path_control.text(), "mkgmap (*.jar mkgmap*);;Все файлы (*)", false);
  });
  auto* options = new QLineEdit;
  BindLineEdit(options, model_->controls().mkgmap_options);
  options->setPlaceholderText(QString::fromUtf8("например: --max-jobs=1 --lower-case"));
  grid->addWidget(Caption(kMkgmapPathCaption, path), 0, 0);
  grid->addWidget(path, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(Caption(kMkgmapOptionsCaption, options), 1, 0);
  grid->addWidget(options, 1, 1, 1, 2);
  auto* hint = Caption(kMkgmapNoteLinux);
  hint->setWordWrap(true);
  grid->addWidget(hint, 2, 0, 1, 3);
  return frame;
}

QWidget* QtMainWindow::BuildCrop() {
  auto* panel = new QWidget;
  BindWidget(panel, model_->controls().crop_panel);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* prompt = new QLabel;
  BindLabel(prompt, model_->controls().crop_prompt);
  auto* working = new QLabel;
  BindLabel(working, model_->controls().crop_running);
  layout->addWidget(prompt);
  layout->addWidget(working);

  QGroupBox* parameters = Frame(model_->controls().crop_bounds_frame);
  auto* grid = new QGridLayout(parameters);
  int row = 0;
  AddCorner(grid, row, kUpperLeftCorner, model_->controls().crop_north, model_->controls().crop_west);
  AddCorner(grid, row, kLowerRightCorner, model_->controls().crop_south, model_->controls().crop_east);
  auto* clip = new QCheckBox;
  BindCheckBox(clip, model_->controls().crop_clip);
  grid->addWidget(clip, row++, 0, 1, 4);
  layout->addWidget(parameters);

  QGroupBox* files = Frame(model_->controls().crop_files_frame);
  auto* form = new QFormLayout(files);
  auto* map = new QLineEdit;
  BindLineEdit(map, model_->controls().crop_map_path);
  auto* result = new QLineEdit;
  BindLineEdit(result, model_->controls().crop_result_path);
  form->addRow(Caption(kCropMapCaption, map), map);
  form->addRow(Caption(kCropResultCaption, result), result);
  auto* copy = new QPushButton;
  BindButton(copy, model_->controls().copy_result_button, [this] { model_->OnCopyResultClicked(); });
  copy->setStyleSheet("text-align: left; padding: 4px;");
  form->addRow(copy);
  layout->addWidget(files);
  return panel;
}

QWidget* QtMainWindow::BuildTestMap() {
  QGroupBox* panel = Frame(model_->controls().test_map_panel);
  auto* layout = new QVBoxLayout(panel);
  auto* path = new QComboBox;
  BindCombo(path, model_->controls().test_map_path);
  // "…" picks the file the test map replaces: it must exist already.
  auto* row = new QHBoxLayout;
  row->addWidget(path, 1);
  auto* browse = new QPushButton(QString::fromUtf8("…"));
  browse->setObjectName("test_map_browse");
  browse->setFixedWidth(Pixels(450));
  browse->setToolTip(QString::fromUtf8("Выбрать файл"));
  connect(browse, &QPushButton::clicked, this, [this] {
    const char* filter = "Текстовая карта Garmin (*.mp *.txt);;Все файлы (*)";
    UiControl& box = model_->controls().test_map_path;
    ChooseFile(box, model_->FileDialogStart(box), filter, false);
  });
  row->addWidget(browse);
  layout->addLayout(row);
  layout->addWidget(Caption(kTestMapNote));
  return panel;
}

}  // namespace mirvex::ui::qt
