// The "Карта" window on the screen: a canvas that paints the map window model's drawing
// commands and hands it the mouse, the model's buttons, progress and status around it.
#pragma once

#include <QWidget>

#include "ui/map_window.h"

namespace mirvex::ui::qt {

// The map itself: paints the model's Draw() and forwards the mouse and the wheel.
class MapCanvas : public QWidget {
 public:
  MapCanvas(MapWindow& model, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void UpdateCursor(QPointF at);

  MapWindow& model_;
};

// The legend of the colours, under the canvas.
class MapLegend : public QWidget {
 public:
  explicit MapLegend(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class MapWindowQt : public QWidget {
 public:
  // A window of its own above `parent`; closing it hides it and frees the map.
  MapWindowQt(MapWindow& model, QWidget* parent);
  MapCanvas* canvas() const { return canvas_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  MapWindow& model_;
  MapCanvas* canvas_ = nullptr;
};

}  // namespace mirvex::ui::qt
