#include "ui/qt/qt_binding.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QVariant>
#include <vector>

#include "base/cp1251.h"
#include "base/text.h"
#include "ui/window_texts.h"

namespace mirvex::ui::qt {

QString ToQt(const std::string& cp1251) { return QString::fromStdString(Cp1251ToUtf8(cp1251)); }

std::string FromQt(const QString& text) { return Utf8ToCp1251(text.toStdString()); }

QString ToQtLines(const std::string& cp1251) { return ToQt(Reply(cp1251, '\r', "")); }

std::string FromQtLines(const QString& text) { return Reply(FromQt(text), '\n', "\r\n"); }

namespace {

// Shows the control's background in a text box.
// The text of a disabled box.
const QColor kGreyedText(64, 64, 64);

void ApplyBackground(QWidget* widget, Background background) {
  QPalette palette = widget->palette();
  QColor colour = background == Background::kGrey      ? QColor(192, 192, 192)
                  : background == Background::kToolTip ? widget->palette().color(QPalette::ToolTipBase)
                                                       : QColor(Qt::white);
  palette.setColor(QPalette::Base, colour);
  // A greyed box still shows its value (the column count read from the header, the
  // size threshold): dark grey on the light grey keeps a contrast of about 5.7 : 1.
  palette.setColor(QPalette::Disabled, QPalette::Base, colour);
  palette.setColor(QPalette::Disabled, QPalette::Text, kGreyedText);
  widget->setPalette(palette);
}

void SetItems(QComboBox* combo, const UiControl& control) {
  QSignalBlocker block(combo);
  combo->clear();
  for (const std::string& item : control.items()) combo->addItem(ToQt(item));
  combo->setCurrentIndex(control.list_index());
  combo->setEditText(ToQt(control.text()));
}

void SetItems(QListWidget* list, const UiControl& control) {
  QSignalBlocker block(list);
  list->clear();
  for (std::size_t i = 0; i < control.items().size(); ++i) {
    list->addItem(ToQt(control.items()[i]));
    list->item(static_cast<int>(i))->setSelected(control.selected(static_cast<int>(i)));
  }
  list->setCurrentRow(control.list_index(), QItemSelectionModel::NoUpdate);
}

// The dynamic property that holds the address of a widget's control.
constexpr char kControlProperty[] = "mirvex_control";

QVariant ControlAddress(const UiControl& control) { return QVariant::fromValue(reinterpret_cast<quintptr>(&control)); }

}  // namespace

void BindWidget(QWidget* widget, UiControl& control) {
  widget->setObjectName(QString::fromStdString(control.name()));
  widget->setProperty(kControlProperty, ControlAddress(control));
  widget->setVisible(control.visible());
  widget->setEnabled(control.enabled());
  control.Subscribe([widget](UiControl& c, Change change) {
    if (change == Change::kVisible) widget->setVisible(c.visible());
    if (change == Change::kEnabled) widget->setEnabled(c.enabled());
  });
}

QWidget* BoundWidget(const QObject& root, const UiControl& control) {
  const QVariant address = ControlAddress(control);
  for (QWidget* widget : root.findChildren<QWidget*>()) {
    if (widget->property(kControlProperty) == address) return widget;
  }
  return nullptr;
}

namespace {

// Enter presses the focused button, as Space does (and as Enter does in the Windows
// window); a Qt push button outside a dialog takes only Space.
class EnterPressesButton : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    auto* button = static_cast<QAbstractButton*>(watched);
    if (button->isEnabled()) button->click();
    return true;
  }
};

}  // namespace

void BindButton(QAbstractButton* button, UiControl& control, std::function<void()> on_click) {
  BindWidget(button, control);
  button->installEventFilter(new EnterPressesButton(button));
  button->setText(ToQt(control.text()));
  control.Subscribe([button](UiControl& c, Change change) {
    if (change == Change::kText) button->setText(ToQt(c.text()));
  });
  QObject::connect(button, &QAbstractButton::clicked, button, [on_click] { on_click(); });
}

void BindCheckBox(QCheckBox* box, UiControl& control) {
  BindWidget(box, control);
  // A greyed check box still says what it holds: its caption keeps the greyed boxes'
  // dark grey (about 9 : 1 on the window's light grey) instead of the style's pale one.
  QPalette palette = box->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, kGreyedText);
  }
  box->setPalette(palette);
  box->setText(ToQt(control.text()));
  box->setChecked(control.check() == 1);
  control.Subscribe([box](UiControl& c, Change change) {
    if (change != Change::kCheck) return;
    QSignalBlocker block(box);
    box->setChecked(c.check() == 1);
  });
  QObject::connect(box, &QCheckBox::clicked, box, [&control](bool checked) { control.SetCheck(checked ? 1 : 0); });
}

void BindLineEdit(QLineEdit* edit, UiControl& control) {
  BindWidget(edit, control);
  edit->setText(ToQt(control.text()));
  ApplyBackground(edit, control.background());
  control.Subscribe([edit](UiControl& c, Change change) {
    if (change == Change::kBackground) ApplyBackground(edit, c.background());
    if (change != Change::kText) return;
    QString text = ToQt(c.text());
    if (edit->text() != text) edit->setText(text);
  });
  QObject::connect(edit, &QLineEdit::textEdited, edit, [&control](const QString& text) {
    control.SetText(FromQt(text));
  });
}

void BindPlainText(QPlainTextEdit* edit, UiControl& control) {
  BindWidget(edit, control);
  edit->setPlainText(ToQtLines(control.text()));
  control.Subscribe([edit](UiControl& c, Change change) {
    if (change != Change::kText) return;
    QString text = ToQtLines(c.text());
    if (edit->toPlainText() == text) return;
    QSignalBlocker block(edit);
    edit->setPlainText(text);
  });
  if (edit->isReadOnly()) return;
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, &control] {
    control.SetText(FromQtLines(edit->toPlainText()));
  });
}

void BindCombo(QComboBox* combo, UiControl& control) {
  BindWidget(combo, control);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  SetItems(combo, control);
  control.Subscribe([combo](UiControl& c, Change change) {
    if (change == Change::kItems) SetItems(combo, c);
    if (change == Change::kListIndex) {
      QSignalBlocker block(combo);
      if (c.list_index() >= 0) combo->setCurrentIndex(c.list_index());
    }
    if (change == Change::kText || change == Change::kListIndex) {
      QString text = ToQt(c.text());
      if (combo->currentText() != text) {
        QSignalBlocker block(combo);
        combo->setEditText(text);
      }
    }
  });
  QObject::connect(combo, &QComboBox::activated, combo, [&control](int index) { control.SetListIndex(index); });
  QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [&control](const QString& text) {
    control.SetText(FromQt(text));
  });
}

namespace {

// The rows a list widget shows selected, one flag per row.
std::vector<bool> WidgetSelection(const QListWidget* list) {
  std::vector<bool> selection(static_cast<std::size_t>(list->count()), false);
  for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) {
    if (index.row() >= 0 && index.row() < list->count()) selection[static_cast<std::size_t>(index.row())] = true;
  }
  return selection;
}

// Puts the model's selection onto the widget, touching only the rows that differ.
void ShowSelection(QListWidget* list, const UiControl& control) {
  QSignalBlocker block(list);
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->isSelected() != control.selected(i)) list->item(i)->setSelected(control.selected(i));
  }
}

}  // namespace

void BindList(QListWidget* list, UiControl& control) {
  BindWidget(list, control);
  SetItems(list, control);
  const bool several = list->selectionMode() != QAbstractItemView::SingleSelection;
  control.Subscribe([list, several](UiControl& c, Change change) {
    if (change == Change::kItems) SetItems(list, c);
    if (change == Change::kSelection && several) ShowSelection(list, c);
    if (change == Change::kListIndex && list->currentRow() != c.list_index()) {
      QSignalBlocker block(list);
      // A list of single choice highlights its chosen row; one of several keeps
      // the selection and only moves the focus frame.
      list->setCurrentRow(c.list_index(), several ? QItemSelectionModel::NoUpdate
                                                  : QItemSelectionModel::ClearAndSelect);
    }
  });
  // The widget's whole selection reaches the model as one change, after Qt has
  // finished the gesture's changes: a click, Ctrl+click, Shift+click or a key.
  QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list, &control] {
    control.SetSelection(WidgetSelection(list));
  });
  QObject::connect(list, &QListWidget::currentRowChanged, list, [&control](int row) { control.SetListIndex(row); });
}

void BindLabel(QLabel* label, UiControl& control) {
  BindWidget(label, control);
  label->setText(ToQt(control.text()));
  control.Subscribe([label](UiControl& c, Change change) {
    if (change == Change::kText) label->setText(ToQt(c.text()));
  });
}

void BindProgress(QProgressBar* bar, UiControl& control) {
  BindWidget(bar, control);
  auto apply = [bar](const UiControl& c) {
    int shift = ProgressShift(c.maximum());
    bar->setRange(ProgressUnits(c.minimum(), shift), ProgressUnits(c.maximum(), shift));
    bar->setValue(ProgressUnits(c.value(), shift));
  };
  apply(control);
  control.Subscribe([apply](UiControl& c, Change change) {
    if (change == Change::kRange || change == Change::kValue) apply(c);
  });
}

void BindSlider(QSlider* slider, UiControl& control) {
  BindWidget(slider, control);
  slider->setRange(static_cast<int>(control.minimum()), static_cast<int>(control.maximum()));
  slider->setValue(static_cast<int>(control.value()));
  control.Subscribe([slider](UiControl& c, Change change) {
    if (change != Change::kRange && change != Change::kValue) return;
    QSignalBlocker block(slider);
    slider->setRange(static_cast<int>(c.minimum()), static_cast<int>(c.maximum()));
    slider->setValue(static_cast<int>(c.value()));
  });
  QObject::connect(slider, &QSlider::valueChanged, slider, [&control](int value) { control.SetValue(value); });
}

std::vector<ScreenRect> AvailableAreas() {
  std::vector<ScreenRect> areas;
  QList<QScreen*> screens = QGuiApplication::screens();
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) {
    screens.removeAll(primary);
    screens.prepend(primary);
  }
  for (QScreen* screen : screens) {
    QRect area = screen->availableGeometry();
    areas.push_back({area.x(), area.y(), area.width(), area.height()});
  }
  return areas;
}

FrameMargins FrameOf(const QWidget* window) {
  QRect inside = window->geometry();
  QRect outside = window->frameGeometry();
  if (window->isVisible() && outside != inside) {
    return {inside.left() - outside.left(), inside.top() - outside.top(), outside.right() - inside.right(),
            outside.bottom() - inside.bottom()};
  }
  // Before the window system has framed the window: a usual border and title bar.
  return {4, 30, 4, 4};
}

void PlaceInsideScreen(QWidget* window, const ScreenRect& inside) {
  std::vector<ScreenRect> areas = AvailableAreas();
  if (areas.empty()) return;
  int index = AreaHolding(inside, areas);
  ScreenRect place = FitIntoArea(inside, FrameOf(window), areas[static_cast<std::size_t>(std::max(index, 0))]);
  window->setGeometry(place.left, place.top, place.width, place.height);
}

void PlaceBesideWindow(QWidget* window, const QWidget* main) {
  std::vector<ScreenRect> areas = AvailableAreas();
  if (areas.empty()) return;
  QRect outer = main->frameGeometry();
  ScreenRect beside{outer.x(), outer.y(), outer.width(), outer.height()};
  int index = std::max(AreaHolding(beside, areas), 0);
  ScreenRect place = PlaceBeside(window->width(), window->height(), beside, FrameOf(window),
                                 areas[static_cast<std::size_t>(index)]);
  window->setGeometry(place.left, place.top, place.width, place.height);
}

}  // namespace mirvex::ui::qt
