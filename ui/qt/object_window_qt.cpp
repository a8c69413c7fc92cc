#include "ui/qt/object_window_qt.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/qt/qt_binding.h"

namespace mirvex::ui::qt {

ObjectWindowQt::ObjectWindowQt(ObjectWindow& model, QWidget* parent) : QWidget(parent, Qt::Tool) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("object_window");
  setWindowTitle(ToQt(model.control("object_window").text()));
  auto* form = new QFormLayout(this);
  auto* name = new QLineEdit;
  BindLineEdit(name, model.control("object_name"));
  name->setMinimumWidth(320);
  auto* region = new QComboBox;
  BindCombo(region, model.control("object_region"));
  auto* type = new QLineEdit;
  BindLineEdit(type, model.control("object_type"));
  form->addRow(new QLabel(QString::fromUtf8("Имя объекта:")), name);
  form->addRow(new QLabel(QString::fromUtf8("Регион:")), region);
  form->addRow(new QLabel(QString::fromUtf8("Тип объекта:")), type);
}

}  // namespace mirvex::ui::qt
