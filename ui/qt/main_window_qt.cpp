#include "ui/qt/main_window_qt.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/text.h"
#include "base/window_start.h"
#include "ui/qt/map_window_qt.h"
#include "ui/qt/object_window_qt.h"
#include "ui/window_place.h"
#include "ui/qt/qt_binding.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/splitter_handle.h"
#include "ui/window_texts.h"

namespace mirvex::ui::qt {

namespace {

// The window opens this size (twips), the lists' area beside the panels.
constexpr int kWindowHeight = 9600;
constexpr int kWindowWidth = 15000;

QLabel* Caption(const char* utf8, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromUtf8(utf8));
  if (buddy) label->setBuddy(buddy);
  return label;
}

// The left column asks for its whole width; the layout takes it from the lists only
// when the window is too narrow for both.
class LeftColumn : public QScrollArea {
 public:
  QSize sizeHint() const override { return {maximumWidth(), QScrollArea::sizeHint().height()}; }
};

}  // namespace

QtMainWindow::QtMainWindow(WindowHost& host, std::string program_folder, QWidget* parent)
    : QMainWindow(parent), host_(host), model_(std::make_unique<MainWindow>(host, std::move(program_folder))) {
  twips_per_pixel_ = 1440.0 / logicalDpiX();
  setWindowTitle(ToQt(model_->controls().main_window.text()));

  auto* central = new QWidget;
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);

  // The left area: the four panels take turns above the operation buttons. Its width is
  // the widest panel's, whichever is shown, so the lists beside it never move; a window
  // too small for it scrolls it.
  left_area_ = new QWidget;
  auto* left_layout = new QVBoxLayout(left_area_);
  QWidget* panels[] = {BuildWelcome(), BuildConversion(), BuildCrop(), BuildTestMap()};
  for (QWidget* panel : panels) left_layout->addWidget(panel);
  left_layout->addStretch(1);
  QWidget* operations = BuildOperations();
  left_layout->addWidget(operations);
  int content_width = operations->sizeHint().width();
  for (QWidget* panel : panels) content_width = std::max(content_width, panel->sizeHint().width());
  QMargins margins = left_layout->contentsMargins();
  content_width += margins.left() + margins.right();
  left_scroll_ = new LeftColumn;
  left_scroll_->setObjectName("left_column");
  left_scroll_->setFrameShape(QFrame::NoFrame);
  left_scroll_->setWidgetResizable(true);
  left_scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  left_scroll_->setWidget(left_area_);
  left_area_->setMinimumWidth(std::max(content_width, Pixels(kObjectListLeft)));
  // Room for the vertical scroll bar is kept, so that a short window does not squeeze
  // the panels nor move the lists. Only a window narrower than both parts need makes the
  // column narrower, and it then scrolls sideways.
  left_scroll_->setMaximumWidth(left_area_->minimumWidth() +
                                left_scroll_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2);
  left_scroll_->setMinimumWidth(Pixels(kObjectListLeft) / 2);
  left_scroll_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  columns->addWidget(left_scroll_);
  columns->addWidget(BuildObjects(), 1);
  setCentralWidget(central);

  resize(left_scroll_->maximumWidth() + Pixels(kWindowWidth - kObjectListLeft), Pixels(kWindowHeight));
  model_->Load();
  RestorePlace();
}

QtMainWindow::~QtMainWindow() {
  // An open object window stores its record as it closes, while the model still exists;
  // then the widgets go, while the controls they listen to still exist.
  for (QWidget* object_window : findChildren<QWidget*>("object_window", Qt::FindDirectChildrenOnly)) {
    delete object_window;
  }
  delete map_window_;
  delete takeCentralWidget();
}

int QtMainWindow::Pixels(int twips) const { return static_cast<int>(twips / twips_per_pixel_ + 0.5); }

QWidget* QtMainWindow::widget(const char* name) const { return findChild<QWidget*>(QString::fromLatin1(name)); }

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
  auto* raise = new QCheckBox;
  BindCheckBox(raise, model_->controls().raise_large_objects);
  auto* threshold = new QLineEdit;
  BindLineEdit(threshold, model_->controls().size_threshold);
  threshold->setMaximumWidth(Pixels(1100));
  layout->addWidget(transliterate);
  layout->addWidget(region_type);
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

QWidget* QtMainWindow::BuildOperations() {
  auto* area = new QWidget;
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  const std::pair<MainControl, void (MainWindow::*)()> buttons[] = {
      {&MainWindowControls::convert_button, &MainWindow::OnConvertClicked},
      {&MainWindowControls::crop_button, &MainWindow::OnCropClicked},
      {&MainWindowControls::test_map_button, &MainWindow::OnTestMapClicked},
      {&MainWindowControls::exit_button, &MainWindow::OnExitClicked},
  };
  int index = 0;
  for (const auto& [control, handler] : buttons) {
    auto* button = new QPushButton;
    button->setMinimumHeight(Pixels(480));
    BindButton(button, model_->controls().*control, [this, handler] { (model_.get()->*handler)(); });
    grid->addWidget(button, index / 2, index % 2);
    ++index;
  }
  // Compiles the last result into .img files; enabled once there is one.
  auto* compile = new QPushButton;
  compile->setMinimumHeight(Pixels(480));
  BindButton(compile, model_->controls().compile_button, [this] { model_->OnCompileClicked(); });
  grid->addWidget(compile, 2, 0);
  // Opens the map window, or brings it to the front.
  auto* map = new QPushButton;
  map->setMinimumHeight(Pixels(480));
  BindButton(map, model_->controls().map_button, [this] { model_->OnMapClicked(); });
  grid->addWidget(map, 2, 1);
  model_->on_map_window_shown = [this](MapWindow& map_window) { ShowMapWindow(map_window); };
  auto* progress_frame = new QWidget;
  BindWidget(progress_frame, model_->controls().progress_frame);
  auto* progress = new QHBoxLayout(progress_frame);
  progress->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QProgressBar;
  bar->setTextVisible(false);
  BindProgress(bar, model_->controls().progress_bar);
  auto* percent = new QLabel;
  percent->setMinimumWidth(Pixels(600));
  percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  BindLabel(percent, model_->controls().progress_percent);
  progress->addWidget(bar, 1);
  progress->addWidget(percent);
  // Shown while an operation runs; Esc does the same.
  auto* cancel = new QPushButton;
  BindButton(cancel, model_->controls().cancel_button, [this] { model_->OnCancelClicked(); });
  progress->addWidget(cancel);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { model_->OnCancelClicked(); });
  grid->addWidget(progress_frame, 3, 0, 1, 2);
  // Where the last result went and what it holds.
  auto* result_status = new QLabel;
  result_status->setWordWrap(true);
  result_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  result_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  result_status->setText(ToQtLines(model_->controls().result_status.text()));
  BindWidget(result_status, model_->controls().result_status);
  model_->controls().result_status.Subscribe([result_status](UiControl& c, Change change) {
    if (change == Change::kText) result_status->setText(ToQtLines(c.text()));
  });
  grid->addWidget(result_status, 4, 0, 1, 2);
  return area;
}

QWidget* QtMainWindow::BuildObjects() {
  auto* area = new QWidget;
  auto* layout = new QVBoxLayout(area);

  auto* page = new QPlainTextEdit;
  page->setReadOnly(true);
  page->setLineWrapMode(QPlainTextEdit::NoWrap);
  page->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  BindPlainText(page, model_->controls().column_view);
  layout->addWidget(page, 2);
  auto* paging = new QHBoxLayout;
  auto* previous = new QPushButton;
  BindButton(previous, model_->controls().previous_rows_button, [this] { model_->OnPreviousRowsClicked(); });
  auto* indicator = new QLineEdit;
  indicator->setReadOnly(true);
  indicator->setAlignment(Qt::AlignCenter);
  BindLineEdit(indicator, model_->controls().row_range);
  auto* next = new QPushButton;
  BindButton(next, model_->controls().next_rows_button, [this] { model_->OnNextRowsClicked(); });
  paging->addWidget(previous);
  paging->addWidget(indicator);
  paging->addWidget(next);
  layout->addLayout(paging);

  // The object list, the splitter and the type list stand where the model puts them (twips).
  lists_area_ = new QWidget;
  lists_area_->setMinimumHeight(Pixels(3000));
  lists_area_->setMinimumWidth(Pixels(MinimumListsAreaWidth()) + 1);
  lists_area_->installEventFilter(this);
  object_list_ = new QListWidget(lists_area_);
  object_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  BindList(object_list_, model_->controls().object_list);
  splitter_ = new SplitterHandle(lists_area_);
  BindWidget(splitter_, model_->controls().list_splitter);
  splitter_->on_press = [this](double x) { model_->OnSplitterPressed(x * twips_per_pixel_); };
  splitter_->on_move = [this](double x) { model_->OnSplitterMoved(x * twips_per_pixel_); };
  splitter_->on_release = [this] { model_->OnSplitterReleased(); };
  type_list_ = new QListWidget(lists_area_);
  // The codes are padded to one width: a fixed-pitch font puts the names in one column.
  type_list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  BindList(type_list_, model_->controls().type_list);
  MainWindowControls& controls = model_->controls();
  for (UiControl* list : {&controls.object_list, &controls.list_splitter, &controls.type_list}) {
    list->Subscribe([this](UiControl&, Change change) {
      if (change == Change::kGeometry) LayoutLists();
    });
  }
  layout->addWidget(lists_area_, 3);

  connect(object_list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { model_->OnObjectListDoubleClicked(object_list_->row(item)); });
  connect(type_list_, &QListWidget::itemDoubleClicked, this, [this] { model_->OnTypeListDoubleClicked(); });

  auto* editing = new QGridLayout;
  int column = 0;
  const std::pair<MainControl, TypeCatalogue> catalogues[] = {
      {&MainWindowControls::point_types_button, TypeCatalogue::kPoints},
      {&MainWindowControls::line_types_button, TypeCatalogue::kLines},
      {&MainWindowControls::polygon_types_button, TypeCatalogue::kPolygons},
  };
  for (const auto& [control, catalogue] : catalogues) {
    auto* button = new QPushButton;
    BindButton(button, model_->controls().*control, [this, catalogue] { model_->OnTypeCatalogueClicked(catalogue); });
    editing->addWidget(button, 0, column++);
  }
  auto* assign = new QPushButton;
  BindButton(assign, model_->controls().assign_type_button, [this] { model_->OnAssignTypeClicked(); });
  editing->addWidget(assign, 0, column++);
  auto* remove = new QPushButton;
  BindButton(remove, model_->controls().delete_objects_button, [this] { model_->OnDeleteObjectsClicked(); });
  editing->addWidget(remove, 0, column++);
  // Editable: its "Назначить" takes whatever text stands in it.
  auto* default_type = new QLineEdit;
  BindLineEdit(default_type, model_->controls().default_type);
  editing->addWidget(default_type, 1, 0, 1, 4);
  auto* assign_default = new QPushButton;
  BindButton(assign_default, model_->controls().assign_default_type_button,
             [this] { model_->OnAssignDefaultTypeClicked(); });
  editing->addWidget(assign_default, 1, 4);
  auto* level = new QPushButton;
  BindButton(level, model_->controls().level_button, [this] { model_->OnLevelClicked(); });
  editing->addWidget(level, 2, 0);
  // The level applies when the slider is let go; while it moves only the caption follows.
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setTracking(false);
  slider->setPageStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  BindSlider(slider, model_->controls().level_slider);
  connect(slider, &QSlider::sliderMoved, this, [this](int value) { model_->OnLevelSliderMoved(value); });
  editing->addWidget(slider, 2, 1, 1, 4);
  layout->addLayout(editing);

  model_->on_object_window_shown = [this](ObjectWindow& object_window) { ShowObjectWindow(object_window); };
  return area;
}

// The object window on the screen: a window of its own beside this one that does not
// block it. Closing it stores the record (a refused type keeps it open), Esc closes it
// without storing; going with this window, it stores.
void QtMainWindow::ShowObjectWindow(ObjectWindow& object_window) {
  auto* window = new ObjectWindowQt(
      object_window, this, [this] { return model_->OnObjectWindowClosing(); },
      [this] { model_->OnObjectWindowCancelled(); });
  connect(window, &QObject::destroyed, this, [this] { model_->OnObjectWindowClosed(); });
  window->resize(window->sizeHint());
  PlaceBesideWindow(window, this);
  window->show();
}

// The map window is made once and hidden when closed: its model lives as long as this
// window's, and its bindings with it.
void QtMainWindow::ShowMapWindow(MapWindow& map_window) {
  if (!map_window_) {
    map_window_ = new MapWindowQt(map_window, this);
    // The first opening puts the map beside this window; later ones keep its place.
    PlaceBesideWindow(map_window_, this);
  }
  map_window_->show();
  map_window_->raise();
  map_window_->activateWindow();
}

void QtMainWindow::LayoutLists() {
  if (!lists_area_) return;
  int height = lists_area_->height();
  auto place = [&](QWidget* widget, const UiControl& control) {
    widget->setGeometry(Pixels(control.left() - kObjectListLeft), 0, Pixels(control.width()), height);
  };
  place(object_list_, model_->controls().object_list);
  place(splitter_, model_->controls().list_splitter);
  place(type_list_, model_->controls().type_list);
}

void QtMainWindow::FitListsToTheirArea() {
  // Before the window shows, the area has a placeholder size.
  model_->OnListsAreaResized(static_cast<int>(lists_area_->width() * twips_per_pixel_ + 0.5),
                             lists_area_->isVisible());
  LayoutLists();
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The area is laid out before it shows, so the show is when its width is real.
  if (watched == lists_area_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
    FitListsToTheirArea();
  }
  return QMainWindow::eventFilter(watched, event);
}

void QtMainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayoutLists();
}

// The window opens where it was closed, inside the screen that holds the most of that
// place; a place on no screen now gives the default size in the middle of the primary
// screen. Either way a window larger than the screen shrinks to it, so its title bar and
// its buttons stay in reach.
void QtMainWindow::RestorePlace() {
  std::optional<WindowPlace> place = model_->StoredWindowPlace();
  std::optional<ScreenRect> stored;
  if (place) stored = ScreenRect{place->left, place->top, place->width, place->height};
  std::optional<OpeningPlace> opening = PlaceToOpen(stored, width(), height(), FrameOf(this), AvailableAreas());
  if (!opening) return;
  if (opening->stored) {
    model_->PlaceSplitterAtShareOnShow(place->splitter_share);
    opens_maximized_ = place->maximized;
  }
  setGeometry(opening->inside.left, opening->inside.top, opening->inside.width, opening->inside.height);
}

void QtMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window system's real frame is known once the window shows: a title bar taller
  // than assumed must not push the bottom row off the screen.
  if (!placed_ && !isMaximized() && !isFullScreen()) {
    placed_ = true;
    QTimer::singleShot(0, this, [this] {
      if (isMaximized() || isFullScreen()) return;
      QRect inside = geometry();
      PlaceInsideScreen(this, {inside.x(), inside.y(), inside.width(), inside.height()});
    });
  }
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  // The operation in progress owns the files it writes: closing asks whether to stop
  // it, and the program ends once it has stopped cleanly.
  if (model_->operation_running()) {
    event->ignore();
    model_->OnExitClicked();
    return;
  }
  // A maximized window keeps the place it will return to; the inner rectangle is stored,
  // as setGeometry takes it back, so the place does not creep by the title bar.
  QRect place = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
  model_->SaveWindowPlace(
      {place.x(), place.y(), place.width(), place.height(), model_->SplitterShare(), isMaximized()});
  QMainWindow::closeEvent(event);
}

namespace {

// What Qt said while the window system was being opened; shown after our own message
// when the start fails, and passed on as it was when it succeeds.
QString& StartupLog() {
  static QString log;
  return log;
}

void CollectStartupMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  StartupLog() += message + '\n';
  if (type != QtFatalMsg) return;
  // Qt gives up on the window system: say so in the user's language and end with the
  // status of a start that could not be made, instead of the abort that would follow.
  std::fputs(DisplayRefusedMessage().c_str(), stderr);
  std::fprintf(stderr, "Сообщение Qt:\n%s", StartupLog().toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(kWindowCannotStart);
}

}  // namespace

bool InstallRussianTranslation(QCoreApplication& app) {
  // The portable folder carries its own copy; an installed program uses the system's.
  const QString folders[] = {QCoreApplication::applicationDirPath() + "/translations",
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  for (const QString& folder : folders) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_", folder)) {
      return QCoreApplication::installTranslator(translator);
    }
    delete translator;
  }
  return false;
}

int RunMainWindow(int argc, char** argv) {
  if (!DisplayNamed()) {
    std::fputs(NoDisplayMessage().c_str(), stderr);
    return kWindowCannotStart;
  }
  QtMessageHandler previous = qInstallMessageHandler(CollectStartupMessage);
  QApplication app(argc, argv);
  qInstallMessageHandler(previous);
  if (!StartupLog().isEmpty()) std::fputs(StartupLog().toLocal8Bit().constData(), stderr);
  QApplication::setApplicationName("Mirvex");
  // Qt's own dialogs (choosing a file, the buttons of a message box) in Russian, as the
  // rest of the window.
  InstallRussianTranslation(app);
  QtHost host;
  bool name_fits = true;
  std::string folder = ProgramFolder(&name_fits);
  QtMainWindow window(host, folder);
  host.set_parent(&window);
  window.opens_maximized() ? window.showMaximized() : window.show();
  if (!name_fits) ShowInformation(host, ProgramFolderNameMessage(folder));
  return QApplication::exec();
}

}  // namespace mirvex::ui::qt
