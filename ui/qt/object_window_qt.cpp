#include "ui/qt/object_window_qt.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/qt/qt_binding.h"

namespace mirvex::ui::qt {

ObjectWindowQt::ObjectWindowQt(ObjectWindow& model, QWidget* parent) : QWidget(parent, Qt::Tool) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("Form2");
  setWindowTitle(ToQt(model.control("Form2").text()));
  auto* form = new QFormLayout(this);
  auto* name = new QLineEdit;
  BindLineEdit(name, model.control("Text1"));
  name->setMinimumWidth(320);
  auto* region = new QComboBox;
  BindCombo(region, model.control("Combo1"));
  auto* type = new QLineEdit;
  BindLineEdit(type, model.control("Text3"));
  form->addRow(new QLabel(QString::fromUtf8("Имя объекта:")), name);
  form->addRow(new QLabel(QString::fromUtf8("Регион:")), region);
  form->addRow(new QLabel(QString::fromUtf8("Тип объекта:")), type);
}

}  // namespace mirvex::ui::qt
