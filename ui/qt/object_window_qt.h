// The object information window on the screen, bound to its model.
#pragma once

#include <QWidget>
#include <functional>

#include "ui/object_window.h"

class QCloseEvent;
class QKeyEvent;

namespace mirvex::ui::qt {

class ObjectWindowQt : public QWidget {
 public:
  // A tool window above `parent`, deleted when closed. Closing asks `closing` whether
  // it may close (false keeps the window open); Esc runs `cancelled` and closes it.
  ObjectWindowQt(ObjectWindow& model, QWidget* parent, std::function<bool()> closing,
                 std::function<void()> cancelled);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Esc reaches the window from whichever box has the focus (a box may keep the key).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool()> closing_;
  std::function<void()> cancelled_;
  void Cancel();
  bool done_ = false;
};

}  // namespace mirvex::ui::qt
