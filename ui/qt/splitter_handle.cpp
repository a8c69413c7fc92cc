#include "ui/qt/splitter_handle.h"

#include <QMouseEvent>

namespace mirvex::ui::qt {

SplitterHandle::SplitterHandle(QWidget* parent) : QFrame(parent) {
  setCursor(Qt::SplitHCursor);
  setFrameShape(QFrame::VLine);
  setFrameShadow(QFrame::Raised);
}

void SplitterHandle::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && on_press) on_press(event->position().x());
}

void SplitterHandle::mouseMoveEvent(QMouseEvent* event) {
  if (on_move) on_move(event->position().x());
}

void SplitterHandle::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && on_release) on_release();
}

}  // namespace mirvex::ui::qt
