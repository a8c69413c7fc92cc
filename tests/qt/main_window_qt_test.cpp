// The real Qt main window, driven through its widgets on the offscreen platform.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/cp1251.h"
#include "base/platform.h"
#include "settings/ini_file.h"
#include "tests/qt/fake_host.h"
#include "ui/qt/main_window_qt.h"

namespace fs = std::filesystem;
using mirvex::test::FakeWindowHost;
using mirvex::ui::qt::QtMainWindow;

namespace {

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A program folder with the shipped files, removed afterwards.
struct ProgramFolder {
  ProgramFolder() {
    path = fs::temp_directory_path() / ("mirvex-qt-" + std::to_string(QRandomGenerator::global()->generate()));
    fs::create_directories(path);
    fs::path data = MIRVEX_SOURCE_DATA;
    for (const char* file : {"config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"}) {
      fs::copy_file(data / file, path / file);
    }
    fs::copy_file(data / "sample/mirvex.ini", path / "mirvex.ini");
  }
  ~ProgramFolder() { fs::remove_all(path); }
  std::string text() const { return mirvex::PathText(path); }
  std::string Setting(const char* key) const { return mirvex::ReadSetting(text(), "System", key); }
  fs::path path;
};

const fs::path kData = MIRVEX_SOURCE_DATA;
const fs::path kTestData = MIRVEX_TEST_DATA;

void Click(QWidget* widget) {
  QVERIFY(widget);
  QTest::mouseClick(widget, Qt::LeftButton);
}

void Type(QComboBox* combo, const fs::path& path) {
  combo->lineEdit()->clear();
  QTest::keyClicks(combo->lineEdit(), QString::fromStdString(path.string()));
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

QString Utf(const std::string& cp1251) { return QString::fromStdString(mirvex::Cp1251ToUtf8(cp1251)); }

// Clicks an entry of a list box as the user would, after scrolling it into view.
void ClickItem(QListWidget* list, int row, bool twice = false) {
  QVERIFY(list && row < list->count());
  list->scrollToItem(list->item(row));
  QPoint centre = list->visualItemRect(list->item(row)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
  // The second press of a double click comes to the widget as the double-click event.
  if (twice) {
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
  }
}

QWidget* TopLevel(const char* name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name && widget->isVisible()) return widget;
  }
  return nullptr;
}

void SendMouse(QWidget* widget, QEvent::Type type, int x) {
  QPointF local(x, 5);
  QMouseEvent event(type, local, widget->mapToGlobal(local), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

}  // namespace

class MainWindowQtTest : public QObject {
  Q_OBJECT

 private slots:
  void PanelsTakeTurnsAndSecondPressesRunTheOperations();
  void CheckBoxClickStoresItsKeyAndGreysItsBox();
  void SavedPathsThroughButtonsAndLists();
  void SplitterDragStopsAtTheLeftEdge();
  void ButtonsAreDisabledWhileAnOperationRuns();
  void EditedDictionaryReachesTheConvertedMap();
};

void MainWindowQtTest::PanelsTakeTurnsAndSecondPressesRunTheOperations() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  auto visible = [&](const char* name) { return window.widget(name)->isVisibleTo(&window); };
  QVERIFY(visible("Picture2"));
  QVERIFY(!visible("Frame3"));

  Click(window.widget("Command5"));
  QVERIFY(visible("Frame3"));
  QVERIFY(!visible("Picture2"));
  QVERIFY(host.messages.empty());

  auto* mif = qobject_cast<QComboBox*>(window.widget("Combo1"));
  Type(mif, kData / "sample/sample.mif");
  Type(qobject_cast<QComboBox*>(window.widget("Combo2")), kData / "sample/sample.mid");
  Type(qobject_cast<QComboBox*>(window.widget("Combo3")), folder.path / "window.mp");
  Click(window.widget("Command5"));
  QCOMPARE(ReadBytes(folder.path / "window.mp"), ReadBytes(kTestData / "sample.expected.mp"));
  QCOMPARE(QString::fromStdString(mirvex::Cp1251ToUtf8(host.messages.back().text)).trimmed(),
           QString::fromUtf8("Конвертация завершена"));

  // The crop panel replaces the conversion panel; its second press crops.
  Click(window.widget("Command1"));
  QVERIFY(visible("windows"));
  QVERIFY(!visible("Frame3"));
  Click(window.widget("Command15"));
  QCOMPARE(qobject_cast<QLineEdit*>(window.widget("Text1"))->text(),
           QString::fromStdString((folder.path / "window.mp").string()));
  auto* result = qobject_cast<QLineEdit*>(window.widget("Text6"));
  result->clear();
  QTest::keyClicks(result, QString::fromStdString((folder.path / "cut.mp").string()));
  QCOMPARE(folder.Setting("PathEdit2"), (folder.path / "cut.mp").string());
  Click(window.widget("Command1"));
  QCOMPARE(ReadBytes(folder.path / "cut.mp"), ReadBytes(kTestData / "sample.cut.expected.mp"));

  Click(window.widget("Command2"));
  QVERIFY(visible("Frame7"));
  QVERIFY(!visible("windows"));
  auto* test_map = qobject_cast<QComboBox*>(window.widget("Combo4"));
  std::ofstream(folder.path / "test.mp").put('x');
  Type(test_map, folder.path / "test.mp");
  Click(window.widget("Command2"));
  QCOMPARE(fs::file_size(folder.path / "test.mp"), std::uintmax_t{4550123});
  QVERIFY(!visible("Picture2"));
}

void MainWindowQtTest::CheckBoxClickStoresItsKeyAndGreysItsBox() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("Command5"));
  auto* automatic = qobject_cast<QCheckBox*>(window.widget("Check3"));
  QWidget* count = window.widget("Text16");
  QVERIFY(automatic->isChecked());
  QVERIFY(!count->isEnabled());
  Click(automatic);
  QCOMPARE(folder.Setting("AutoSet"), std::string("0"));
  QVERIFY(count->isEnabled());
  QCOMPARE(count->palette().color(QPalette::Base), QColor(Qt::white));
  Click(automatic);
  QCOMPARE(folder.Setting("AutoSet"), std::string("1"));
  QCOMPARE(count->palette().color(QPalette::Base), QColor(192, 192, 192));
}

void MainWindowQtTest::SavedPathsThroughButtonsAndLists() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("Command5"));
  auto combos = std::array{qobject_cast<QComboBox*>(window.widget("Combo1")),
                            qobject_cast<QComboBox*>(window.widget("Combo2")),
                            qobject_cast<QComboBox*>(window.widget("Combo3"))};
  for (const char* triple : {"a", "b"}) {
    int i = 0;
    for (const char* extension : {".MIF", ".MID", ".txt"}) Type(combos[i++], std::string(triple) + extension);
    Click(window.widget("Command44"));
  }
  QCOMPARE(folder.Setting("PathCount"), std::string("2"));
  QCOMPARE(combos[0]->count(), 2);

  // Choosing a.MIF in the first list shows its partners.
  QMetaObject::invokeMethod(combos[0], "activated", Q_ARG(int, 0));
  QCOMPARE(combos[1]->currentText(), QString("a.MID"));
  QCOMPARE(combos[2]->currentText(), QString("a.txt"));

  Click(window.widget("Command55"));
  QCOMPARE(folder.Setting("PathCount"), std::string("1"));
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Path1", "p1"), std::string("b.MIF"));
  QCOMPARE(combos[0]->count(), 1);
  for (QComboBox* combo : combos) QCOMPARE(combo->currentText(), QString());
}

void MainWindowQtTest::SplitterDragStopsAtTheLeftEdge() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.resize(1200, 700);
  window.show();
  QWidget* splitter = window.widget("Picture1");
  QWidget* list1 = window.widget("List1");
  int start = list1->width();
  QVERIFY(start > 0);
  SendMouse(splitter, QEvent::MouseButtonPress, 2);
  SendMouse(splitter, QEvent::MouseMove, -5000);
  QCOMPARE(list1->width(), 0);
  QCOMPARE(window.model().control("Picture1").left(), mirvex::ui::kList1Left);
  SendMouse(splitter, QEvent::MouseMove, 2 + 100);
  SendMouse(splitter, QEvent::MouseButtonRelease, 2 + 100);
  QVERIFY(list1->width() >= 99 && list1->width() <= 101);
  QWidget* list2 = window.widget("List2");
  QCOMPARE(list2->x(), splitter->x() + qRound(mirvex::ui::kList2Gap / window.twips_per_pixel()));
}

void MainWindowQtTest::ButtonsAreDisabledWhileAnOperationRuns() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("Command5"));
  // A missing MIF: the message comes while the conversion is still on.
  Type(qobject_cast<QComboBox*>(window.widget("Combo1")), folder.path / "absent.mif");
  bool disabled_during_run = false;
  host.on_message = [&] {
    disabled_during_run = !window.widget("Command5")->isEnabled() && !window.widget("Command1")->isEnabled() &&
                          !window.widget("Command2")->isEnabled();
    Click(window.widget("Command1"));  // ignored: the crop panel does not open
  };
  Click(window.widget("Command5"));
  QVERIFY(disabled_during_run);
  QVERIFY(window.widget("Command5")->isEnabled());
  QVERIFY(window.widget("Frame3")->isVisibleTo(&window));
  QCOMPARE(host.messages.size(), std::size_t{1});
}

// The whole road of a dictionary edit on a two-line map: column view, editing mode, a
// type from the line catalogue, a level from the slider, the type changed in Form2,
// and the conversion that writes them.
void MainWindowQtTest::EditedDictionaryReachesTheConvertedMap() {
  ProgramFolder folder;
  WriteBytes(folder.path / "map.mif",
             "Version 300\r\nCharset \"WindowsCyrillic\"\r\nDelimiter \",\"\r\nColumns 2\r\n  Type Char(50)\r\n"
             "  Name Char(50)\r\nData\r\n\r\nPline 2\r\n36.50 50.60\r\n36.51 50.61\r\n    Pen (1,2,0)\r\n"
             "Pline 2\r\n36.52 50.62\r\n36.53 50.63\r\n    Pen (1,2,0)\r\n");
  WriteBytes(folder.path / "map.mid", mirvex::Ru("\"Тропинка\",\"Лесная тропа\"\r\n\"Просека\",\"Северная\"\r\n"));
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();

  Click(window.widget("Command5"));
  Type(qobject_cast<QComboBox*>(window.widget("Combo1")), folder.path / "map.mif");
  Type(qobject_cast<QComboBox*>(window.widget("Combo2")), folder.path / "map.mid");
  Type(qobject_cast<QComboBox*>(window.widget("Combo3")), folder.path / "map.mp");

  Click(window.widget("Command9"));
  auto* page = qobject_cast<QPlainTextEdit*>(window.widget("Text7"));
  QVERIFY(page->isVisibleTo(&window));
  QStringList rows = page->toPlainText().split('\n');
  QVERIFY(rows.size() >= 3);
  QVERIFY(rows[1].startsWith(QString::fromUtf8("Тропинка")));
  QVERIFY(rows[2].startsWith(QString::fromUtf8("Просека")));

  Click(window.widget("Command41"));
  auto* objects = qobject_cast<QListWidget*>(window.widget("List1"));
  auto* types = qobject_cast<QListWidget*>(window.widget("List2"));
  QCOMPARE(objects->count(), 2);
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("Тропинка"));
  QVERIFY(!page->isVisibleTo(&window));

  Click(window.widget("Command7_1"));
  QVERIFY(types->count() > 10);
  QCOMPARE(types->item(9)->text().left(8), QString("0x0a    "));
  ClickItem(objects, 0);
  ClickItem(types, 9);
  Click(window.widget("Command6"));
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("[0x20] Тропинка (0x0a)"));
  QVERIFY(objects->item(0)->isSelected());

  // With tracking off a key press is a final value, so each one applies its level.
  auto* slider = qobject_cast<QSlider*>(window.widget("Slider1"));
  QVERIFY(slider->isEnabled());
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  QTest::keyClick(slider, Qt::Key_Right);
  QCOMPARE(slider->value(), 2);
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("L2--[0x20] Тропинка (0x0a)"));

  ClickItem(objects, 0, true);
  QWidget* form2 = TopLevel("Form2");
  QVERIFY(form2);
  QCOMPARE(form2->windowTitle(), QString::fromUtf8("Информация об объекте"));
  auto* name = form2->findChild<QLineEdit*>("Text1");
  auto* type = form2->findChild<QLineEdit*>("Text3");
  QVERIFY(name && type);
  QCOMPARE(name->text(), QString::fromUtf8("Тропинка"));
  QCOMPARE(form2->findChild<QComboBox*>("Combo1")->currentText(), QString("0x20"));
  QCOMPARE(type->text(), QString("0x0a"));
  type->setFocus();
  type->end(false);
  QTest::keyClick(type, Qt::Key_Backspace);
  QTest::keyClick(type, Qt::Key_Backspace);
  QTest::keyClicks(type, "16");
  form2->close();
  QTRY_VERIFY(window.model().form2() == nullptr);
  QVERIFY(!TopLevel("Form2"));
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("L2--[0x20] Тропинка (0x16)"));
  QCOMPARE(objects->item(1)->text(), QString::fromUtf8("Просека"));

  Click(window.widget("Command5"));
  Click(window.widget("Command5"));
  QString map = Utf(ReadBytes(folder.path / "map.mp"));
  QVERIFY2(map.contains(QString::fromUtf8("[RGN40]\r\nLevels=2\r\nLabel=Лесная тропа\r\nType=0x16")),
           qPrintable(map));
  QVERIFY(host.messages.size() >= 1);
  for (const auto& message : host.messages) {
    QVERIFY2(Utf(message.text).contains(QString::fromUtf8("Конвертация завершена")), qPrintable(Utf(message.text)));
  }
}

QTEST_MAIN(MainWindowQtTest)
#include "main_window_qt_test.moc"
