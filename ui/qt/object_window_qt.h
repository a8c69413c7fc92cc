// The object information window on the screen, bound to its model.
#pragma once

#include <QWidget>

#include "ui/object_window.h"

namespace mirvex::ui::qt {

class ObjectWindowQt : public QWidget {
 public:
  // A tool window above `parent`, deleted when closed.
  ObjectWindowQt(ObjectWindow& model, QWidget* parent);
};

}  // namespace mirvex::ui::qt
