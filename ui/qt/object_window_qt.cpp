#include "ui/qt/object_window_qt.h"

#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "ui/qt/qt_binding.h"
#include "ui/window_texts.h"

namespace mirvex::ui::qt {

ObjectWindowQt::ObjectWindowQt(ObjectWindow& model, QWidget* parent, std::function<bool()> closing,
                               std::function<void()> cancelled)
    : QWidget(parent, Qt::Tool), closing_(std::move(closing)), cancelled_(std::move(cancelled)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("object_window");
  setWindowTitle(ToQt(model.controls().object_window.text()));
  auto* form = new QFormLayout(this);
  auto* name = new QLineEdit;
  BindLineEdit(name, model.controls().object_name);
  name->setMinimumWidth(320);
  auto* region = new QComboBox;
  BindCombo(region, model.controls().object_region);
  auto* type = new QLineEdit;
  BindLineEdit(type, model.controls().object_type);
  // A box takes no more than its record field holds, so nothing is cut when stored.
  name->setMaxLength(model.MaxLength(model.controls().object_name));
  type->setMaxLength(model.MaxLength(model.controls().object_type));
  form->addRow(new QLabel(QString::fromUtf8(kObjectWindowCaptions[0])), name);
  form->addRow(new QLabel(QString::fromUtf8(kObjectWindowCaptions[1])), region);
  form->addRow(new QLabel(QString::fromUtf8(kObjectWindowCaptions[2])), type);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

bool ObjectWindowQt::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    // An open region list closes first, as it does for every other window.
    auto* region = findChild<QComboBox*>();
    if (!(region && region->view() && region->view()->isVisible())) {
      if (event->type() == QEvent::KeyPress) Cancel();
      event->accept();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ObjectWindowQt::closeEvent(QCloseEvent* event) {
  if (!done_ && closing_ && !closing_()) {
    event->ignore();
    return;
  }
  done_ = true;
  event->accept();
}

void ObjectWindowQt::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Escape) {
    QWidget::keyPressEvent(event);
    return;
  }
  Cancel();
}

void ObjectWindowQt::Cancel() {
  if (done_) return;
  done_ = true;
  if (cancelled_) cancelled_();
  close();
}

}  // namespace mirvex::ui::qt
