#include "ui/qt/map_window_qt.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QToolTip>
#include <QWheelEvent>
#include <optional>

#include "ui/qt/map_painter.h"
#include "ui/qt/qt_binding.h"

namespace mirvex::ui::qt {

namespace {

Qt::CursorShape CursorShape(MapCursor cursor) {
  switch (cursor) {
    case MapCursor::kArrow: return Qt::ArrowCursor;
    case MapCursor::kCross: return Qt::CrossCursor;
    case MapCursor::kMove: return Qt::SizeAllCursor;
    case MapCursor::kSizeWestEast: return Qt::SizeHorCursor;
    case MapCursor::kSizeNorthSouth: return Qt::SizeVerCursor;
    case MapCursor::kSizeNwSe: return Qt::SizeFDiagCursor;
    case MapCursor::kSizeNeSw: return Qt::SizeBDiagCursor;
    case MapCursor::kOpenHand: return Qt::OpenHandCursor;
    case MapCursor::kClosedHand: return Qt::ClosedHandCursor;
  }
  return Qt::ArrowCursor;
}

MouseButton ButtonOf(const QMouseEvent* event) {
  switch (event->button()) {
    case Qt::RightButton: return MouseButton::kRight;
    case Qt::MiddleButton: return MouseButton::kMiddle;
    default: return MouseButton::kLeft;
  }
}

}  // namespace

MapCanvas::MapCanvas(MapWindow& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("map_canvas");
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 150);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setFocusPolicy(Qt::StrongFocus);  // the keys move and zoom the map
  SetLabelFont(model_.view(), font());
  model_.controls().map_canvas.Subscribe([this](UiControl&, Change change) {
    if (change == Change::kValue) update();
  });
}

void MapCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (model_.loading() || model_.view().empty()) {
    // The status line says what is read or why nothing is shown; the canvas repeats it.
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap,
                     ToQtLines(model_.controls().map_status.text()));
    return;
  }
  PaintMap(painter, model_.Draw());
}

void MapCanvas::resizeEvent(QResizeEvent*) { model_.OnCanvasResized(width(), height()); }

void MapCanvas::mousePressEvent(QMouseEvent* event) {
  model_.OnMousePressed(event->position().x(), event->position().y(), ButtonOf(event));
  UpdateCursor(event->position());
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
  model_.OnMouseMoved(event->position().x(), event->position().y());
  UpdateCursor(event->position());
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
  model_.OnMouseReleased(event->position().x(), event->position().y());
  UpdateCursor(event->position());
}

void MapCanvas::wheelEvent(QWheelEvent* event) {
  // One notch of a wheel is 120; touchpads send smaller steps.
  model_.OnWheel(event->position().x(), event->position().y(), event->angleDelta().y() / 120.0);
  event->accept();
}

bool MapCanvas::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    std::string text = model_.TooltipAt(help->pos().x(), help->pos().y());
    if (text.empty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), ToQtLines(text), this);
    }
    return true;
  }
  return QWidget::event(event);
}

void MapCanvas::UpdateCursor(QPointF at) { setCursor(CursorShape(model_.CursorAt(at.x(), at.y()))); }

MapLegend::MapLegend(QWidget* parent) : QWidget(parent) {
  setObjectName("map_legend");
  setFixedHeight(LegendHeight(font()));
}

void MapLegend::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintLegend(painter, rect());
}

MapWindowQt::MapWindowQt(MapWindow& model, QWidget* parent) : QWidget(parent, Qt::Window), model_(model) {
  setObjectName("map_window");
  setWindowTitle(ToQt(model.controls().map_window.text()));
  model.controls().map_window.Subscribe([this](UiControl& c, Change change) {
    if (change == Change::kText) setWindowTitle(ToQt(c.text()));
  });

  auto* column = new QVBoxLayout(this);
  auto* tools = new QHBoxLayout;
  const std::pair<UiControl MapWindowControls::*, void (MapWindow::*)()> buttons[] = {
      {&MapWindowControls::map_fit_button, &MapWindow::OnFitClicked},
      {&MapWindowControls::map_switch_button, &MapWindow::OnSwitchClicked},
      {&MapWindowControls::map_reload_button, &MapWindow::OnReloadClicked},
      {&MapWindowControls::map_stop_button, &MapWindow::OnStopClicked},
  };
  for (const auto& [control, handler] : buttons) {
    auto* button = new QPushButton;
    button->setAutoDefault(false);
    BindButton(button, model.controls().*control, [this, handler = handler] { (model_.*handler)(); });
    tools->addWidget(button);
  }
  auto* progress = new QProgressBar;
  progress->setTextVisible(false);
  BindProgress(progress, model.controls().map_progress);
  tools->addWidget(progress, 1);
  tools->addStretch();
  column->addLayout(tools);

  canvas_ = new MapCanvas(model);
  column->addWidget(canvas_, 1);
  column->addWidget(new MapLegend);

  auto* status_row = new QHBoxLayout;
  auto* status = new QLabel;
  status->setWordWrap(true);
  status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  BindWidget(status, model.controls().map_status);
  // The status may hold several lines (what could not be read).
  status->setText(ToQtLines(model.controls().map_status.text()));
  model.controls().map_status.Subscribe([status](UiControl& c, Change change) {
    if (change == Change::kText) status->setText(ToQtLines(c.text()));
  });
  auto* position = new QLabel;
  position->setAlignment(Qt::AlignRight | Qt::AlignTop);
  BindLabel(position, model.controls().map_position);
  status_row->addWidget(status, 1);
  status_row->addWidget(position);
  column->addLayout(status_row);
  resize(900, 650);
}

void MapWindowQt::closeEvent(QCloseEvent* event) {
  model_.OnClosed();
  event->accept();
}

// Esc stops a load; "+"/"-" zoom and the arrows move the map, from the canvas or any
// control of the window that leaves these keys alone.
void MapWindowQt::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && model_.loading()) {
    model_.OnStopClicked();
    return;
  }
  using Key = MapWindow::MapKey;
  std::optional<Key> key;
  switch (event->key()) {
    case Qt::Key_Plus: case Qt::Key_Equal: key = Key::kZoomIn; break;
    case Qt::Key_Minus: key = Key::kZoomOut; break;
    case Qt::Key_Left: key = Key::kLeft; break;
    case Qt::Key_Right: key = Key::kRight; break;
    case Qt::Key_Up: key = Key::kUp; break;
    case Qt::Key_Down: key = Key::kDown; break;
    default: break;
  }
  if (key && model_.OnKey(*key)) return;
  QWidget::keyPressEvent(event);
}

}  // namespace mirvex::ui::qt
