// The narrow bar between the two lists that the user drags sideways.
#pragma once

#include <QFrame>
#include <functional>

namespace mirvex::ui::qt {

class SplitterHandle : public QFrame {
 public:
  explicit SplitterHandle(QWidget* parent);

  // Mouse positions within the bar, in pixels.
  std::function<void(double)> on_press;
  std::function<void(double)> on_move;
  std::function<void()> on_release;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace mirvex::ui::qt
