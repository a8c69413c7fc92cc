// The Qt main window's right side: the MID browser, the object and type lists with the
// splitter between them where the model puts them, the editing buttons, and the object
// and map windows they open.
#include "ui/qt/main_window_qt.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QVBoxLayout>
#include <utility>

#include "ui/qt/map_window_qt.h"
#include "ui/qt/object_window_qt.h"
#include "ui/qt/qt_binding.h"
#include "ui/qt/splitter_handle.h"

namespace mirvex::ui::qt {

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

}  // namespace mirvex::ui::qt
