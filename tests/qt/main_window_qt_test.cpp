// The real Qt main window, driven through its widgets on the offscreen platform.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>
#include <fstream>
#include <sstream>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"
#include "dictionary/object_dictionary.h"
#include "settings/ini_file.h"
#include "tests/qt/fake_host.h"
#include "ui/qt/main_window_qt.h"
#include "ui/qt/map_painter.h"
#include "ui/qt/map_window_qt.h"

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

// The panels and modes of the window, in an order the user can reach them in.
struct Mode {
  const char* name;
  std::function<void(QtMainWindow&)> enter;
};

std::vector<Mode> Modes() {
  return {
      {"welcome", [](QtMainWindow&) {}},
      {"conversion", [](QtMainWindow& window) { Click(window.widget("convert_button")); }},
      {"georeferencing", [](QtMainWindow& window) { Click(window.widget("georeference_button")); }},
      {"header template", [](QtMainWindow& window) { Click(window.widget("header_template_button")); }},
      {"column view",
       [](QtMainWindow& window) {
         Type(qobject_cast<QComboBox*>(window.widget("mif_path")), kData / "sample/sample.mif");
         Type(qobject_cast<QComboBox*>(window.widget("mid_path")), kData / "sample/sample.mid");
         Click(window.widget("column_view_button"));
       }},
      {"editing mode",
       [](QtMainWindow& window) {
         Click(window.widget("edit_objects_button"));
         Click(window.widget("polygon_types_button"));
       }},
      {"crop", [](QtMainWindow& window) { Click(window.widget("crop_button")); }},
      {"test map", [](QtMainWindow& window) { Click(window.widget("test_map_button")); }},
  };
}

// The lists' area: the parent of the object list, the splitter and the type list.
QWidget* ListsArea(QtMainWindow& window) { return window.widget("object_list")->parentWidget(); }

// The lists reach their area's right and bottom edges, the type list shows the whole of
// its border, and every visible control lies inside its parent (so inside the window).
void CheckLayout(QtMainWindow& window, const QString& where) {
  // A panel shown or hidden lays its column out again in posted events, one level at a
  // time: each round handles one level, however slowly a loaded machine runs them.
  for (int round = 0; round < 16; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  QTest::qWait(10);
  auto* column = window.findChild<QScrollArea*>("left_column");
  QVERIFY2(column, qPrintable(where));
  QSize content = column->widget()->size();
  QSize needed = column->widget()->minimumSizeHint();
  QVERIFY2(content.width() >= needed.width() && content.height() >= needed.height(),
           qPrintable(where + " left column squeezed"));
  QWidget* area = ListsArea(window);
  QWidget* type_list = window.widget("type_list");
  QWidget* object_list = window.widget("object_list");
  QVERIFY2(area->isVisible(), qPrintable(where));
  QVERIFY2(qAbs(type_list->geometry().right() - (area->width() - 1)) <= 3, qPrintable(where));
  QVERIFY2(type_list->width() > 0, qPrintable(where));
  for (QWidget* list : {object_list, type_list}) {
    QVERIFY2(list->y() == 0 && list->height() == area->height(), qPrintable(where));
  }
  QWidget* editing = window.widget("point_types_button");
  QVERIFY2(qAbs(area->geometry().bottom() - editing->y()) <= 20, qPrintable(where + " gap above the buttons"));
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window) || widget->objectName().isEmpty() ||
        widget->objectName().startsWith("qt_")) {
      continue;
    }
    QWidget* parent = widget->parentWidget();
    if (parent->objectName() == "qt_scrollarea_viewport") continue;  // scrolled, not clipped
    QVERIFY2(QRect(QPoint(0, 0), parent->size()).contains(widget->geometry()),
             qPrintable(where + " outside its parent: " + widget->objectName()));
  }
}

void Drag(QWidget* splitter, int by) {
  SendMouse(splitter, QEvent::MouseButtonPress, 2);
  SendMouse(splitter, QEvent::MouseMove, 2 + by);
  SendMouse(splitter, QEvent::MouseButtonRelease, 2 + by);
}

}  // namespace

class MainWindowQtTest : public QObject {
  Q_OBJECT

 private slots:
  void PanelsTakeTurnsAndSecondPressesRunTheOperations();
  void CheckBoxClickStoresItsKeyAndGreysItsBox();
  void SavedPathsThroughButtonsAndLists();
  void SplitterDragStopsAtTheListsLeastWidth();
  void ButtonsAreDisabledWhileAnOperationRuns();
  void EditedDictionaryReachesTheConvertedMap();
  void ListSelectionFollowsEveryGestureAndAssignStoresExactlyIt();
  void ObjectWindowRefusesABadTypeAndEscapeStoresNothing();
  void GreyedBoxesStayReadable();
  void EnterPressesTheFocusedButtonAndQtSpeaksRussian();
  void LevelCaptionFollowsEveryChangeOfTheSlider();
  void ListsStayPutAndFillTheirAreaInEveryMode();
  void ListsFillTheirAreaAfterASplitterDragAndAModeSwitch();
  void ShortWindowScrollsTheLeftColumn();
  void NarrowWindowScrollsTheLeftColumnSideways();
  void WindowOpensWhereItWasClosed();
  void WindowPlaceOffEveryScreenFallsBackToTheDefault();
  void WindowsOpenInsideTheScreen();
  void ConvertAllCompileAndTheCompilerSettings();
  void DrawnPicturesMatchTheirReferences();
  void HolesOfRegionsShowTheBackground();
  void RectangleDrawnOnTheMapCropsAsTheCommandLineDoes();
  void KeysZoomAndMoveTheMap();
};

void MainWindowQtTest::PanelsTakeTurnsAndSecondPressesRunTheOperations() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  auto visible = [&](const char* name) { return window.widget(name)->isVisibleTo(&window); };
  QVERIFY(visible("welcome_panel"));
  QVERIFY(!visible("conversion_panel"));

  Click(window.widget("convert_button"));
  QVERIFY(visible("conversion_panel"));
  QVERIFY(!visible("welcome_panel"));
  QVERIFY(host.messages.empty());

  auto* mif = qobject_cast<QComboBox*>(window.widget("mif_path"));
  Type(mif, kData / "sample/sample.mif");
  Type(qobject_cast<QComboBox*>(window.widget("mid_path")), kData / "sample/sample.mid");
  Type(qobject_cast<QComboBox*>(window.widget("result_path")), folder.path / "window.mp");
  Click(window.widget("convert_button"));
  QCOMPARE(ReadBytes(folder.path / "window.mp"), ReadBytes(kTestData / "sample.expected.mp"));
  QCOMPARE(QString::fromStdString(mirvex::Cp1251ToUtf8(host.messages.back().text)).trimmed(),
           QString::fromUtf8("Конвертация завершена"));

  // The crop panel replaces the conversion panel; its second press crops.
  Click(window.widget("crop_button"));
  QVERIFY(visible("crop_panel"));
  QVERIFY(!visible("conversion_panel"));
  Click(window.widget("copy_result_button"));
  QCOMPARE(qobject_cast<QLineEdit*>(window.widget("crop_map_path"))->text(),
           QString::fromStdString((folder.path / "window.mp").string()));
  auto* result = qobject_cast<QLineEdit*>(window.widget("crop_result_path"));
  result->clear();
  QTest::keyClicks(result, QString::fromStdString((folder.path / "cut.mp").string()));
  QCOMPARE(folder.Setting("PathEdit2"), (folder.path / "cut.mp").string());
  Click(window.widget("crop_button"));
  QCOMPARE(ReadBytes(folder.path / "cut.mp"), ReadBytes(kTestData / "sample.cut.expected.mp"));

  Click(window.widget("test_map_button"));
  QVERIFY(visible("test_map_panel"));
  QVERIFY(!visible("crop_panel"));
  auto* test_map = qobject_cast<QComboBox*>(window.widget("test_map_path"));
  std::ofstream(folder.path / "test.mp").put('x');
  Type(test_map, folder.path / "test.mp");
  Click(window.widget("test_map_button"));
  QCOMPARE(fs::file_size(folder.path / "test.mp"), std::uintmax_t{4550123});
  QVERIFY(!visible("welcome_panel"));
}

void MainWindowQtTest::CheckBoxClickStoresItsKeyAndGreysItsBox() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("convert_button"));
  auto* automatic = qobject_cast<QCheckBox*>(window.widget("column_count_from_header"));
  QWidget* count = window.widget("column_count");
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

// Relative luminance and contrast ratio of two colours, as readability is measured.
double Luminance(QColor colour) {
  auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double Contrast(QColor a, QColor b) {
  double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The greyed boxes (the column count taken from the header, the size threshold while
// its box is clear) draw their value dark on the light grey: 4.5 : 1 or more.
// The rows a list widget shows selected and the rows its model holds selected.
QList<int> WidgetRows(QListWidget* list) {
  QList<int> rows;
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}

QList<int> ModelRows(const mirvex::ui::UiControl& control) {
  QList<int> rows;
  for (int i = 0; i < static_cast<int>(control.items().size()); ++i) {
    if (control.selected(i)) rows.push_back(i);
  }
  return rows;
}

void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  list->scrollToItem(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
}

void MainWindowQtTest::ListSelectionFollowsEveryGestureAndAssignStoresExactlyIt() {
  ProgramFolder folder;
  const char* names[] = {"Болото", "Лес", "Парк", "Поляна", "Озеро", "Железная дорога", "Тропа"};
  std::string mid;
  for (const char* name : names) mid += mirvex::Ru(std::string("\"") + name + "\",\"x\"\r\n");
  WriteBytes(folder.path / "map.mif", "Version 300\r\nColumns 2\r\n  Type Char(50)\r\n  Name Char(50)\r\nData\r\n");
  WriteBytes(folder.path / "map.mid", mid);
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("convert_button"));
  Type(qobject_cast<QComboBox*>(window.widget("mif_path")), folder.path / "map.mif");
  Type(qobject_cast<QComboBox*>(window.widget("mid_path")), folder.path / "map.mid");
  Click(window.widget("edit_objects_button"));
  auto* objects = qobject_cast<QListWidget*>(window.widget("object_list"));
  mirvex::ui::UiControl& model = window.model().controls().object_list;
  QCOMPARE(objects->count(), 7);

  struct Gesture {
    const char* what;
    std::function<void()> act;
    QList<int> selected;
  };
  auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return [=] { QTest::keyClick(objects->viewport(), k, modifiers); };
  };
  const std::vector<Gesture> gestures = {
      {"click Болото", [&] { ClickRow(objects, 0); }, {0}},
      {"click Лес", [&] { ClickRow(objects, 1); }, {1}},
      {"click Парк", [&] { ClickRow(objects, 2); }, {2}},
      {"Ctrl+click Озеро", [&] { ClickRow(objects, 4, Qt::ControlModifier); }, {2, 4}},
      {"Ctrl+click Парк", [&] { ClickRow(objects, 2, Qt::ControlModifier); }, {4}},
      {"click Поляна", [&] { ClickRow(objects, 3); }, {3}},
      {"Shift+click Болото", [&] { ClickRow(objects, 0, Qt::ShiftModifier); }, {0, 1, 2, 3}},
      {"Shift+click Озеро", [&] { ClickRow(objects, 4, Qt::ShiftModifier); }, {3, 4}},
      {"Down", key(Qt::Key_Down), {5}},
      {"Shift+Up", key(Qt::Key_Up, Qt::ShiftModifier), {4, 5}},
      {"Shift+Up again", key(Qt::Key_Up, Qt::ShiftModifier), {3, 4, 5}},
      {"Up", key(Qt::Key_Up), {2}},
      {"Ctrl+A", key(Qt::Key_A, Qt::ControlModifier), {0, 1, 2, 3, 4, 5, 6}},
      {"click Тропа", [&] { ClickRow(objects, 6); }, {6}},
      {"Ctrl+Up, Ctrl+Space", [&] {
         QTest::keyClick(objects->viewport(), Qt::Key_Up, Qt::ControlModifier);
         QTest::keyClick(objects->viewport(), Qt::Key_Space, Qt::ControlModifier);
       }, {5, 6}},
      {"the model selects Лес", [&] { model.SetSelection({false, true}); }, {1}},
      {"click Парк", [&] { ClickRow(objects, 2); }, {2}},
  };
  objects->setFocus();
  for (const Gesture& gesture : gestures) {
    gesture.act();
    QCOMPARE(WidgetRows(objects), gesture.selected);
    QCOMPARE(ModelRows(model), gesture.selected);
  }

  // The type list highlights the entry clicked, below or above the current one.
  Click(window.widget("polygon_types_button"));
  auto* types = qobject_cast<QListWidget*>(window.widget("type_list"));
  int park_type = -1;
  for (int i = 0; i < types->count(); ++i) {
    if (types->item(i)->text().startsWith("0x17")) park_type = i;
  }
  QVERIFY(park_type > 3);
  for (int row : {1, 3, park_type, 0, park_type}) {
    ClickRow(types, row);
    QCOMPARE(WidgetRows(types), QList<int>{row});
    QCOMPARE(window.model().controls().type_list.list_index(), row);
  }

  // "Назначить" gives the type to Парк, the one selected line, and to nothing else.
  Click(window.widget("assign_type_button"));
  QCOMPARE(objects->item(2)->text(), QString::fromUtf8("[0x80] Парк (0x17)"));
  FakeWindowHost quiet;
  const std::string dictionary = mirvex::PathText(folder.path / "object.txt");
  for (const char* name : names) {
    mirvex::ObjectRecord record = mirvex::FindObjectRecord(quiet, dictionary, mirvex::Ru(name));
    std::string type(mirvex::TrimBlanks(mirvex::FieldText(record.ObjectType)));
    if (std::string(name) == "Парк") QCOMPARE(QString::fromStdString(type), QString("0x17"));
    else QVERIFY2(type != "0x17", name);
  }
}

void MainWindowQtTest::GreyedBoxesStayReadable() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("convert_button"));
  for (const char* name : {"column_count", "size_threshold"}) {
    QWidget* box = window.widget(name);
    QVERIFY2(!box->isEnabled(), name);
    QPalette palette = box->palette();
    QCOMPARE(palette.color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
    double contrast = Contrast(palette.color(QPalette::Disabled, QPalette::Text), palette.color(QPalette::Disabled, QPalette::Base));
    QVERIFY2(contrast >= 4.5, qPrintable(QString(name) + " " + QString::number(contrast)));
  }
  // Greyed check boxes too: their captions on the window's background.
  int greyed = 0;
  for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
    box->setEnabled(false);
    QPalette palette = box->palette();
    double contrast = Contrast(palette.color(QPalette::Disabled, QPalette::WindowText),
                               palette.color(QPalette::Disabled, QPalette::Window));
    QVERIFY2(contrast >= 4.5, qPrintable(box->objectName() + " " + QString::number(contrast)));
    ++greyed;
  }
  QVERIFY(greyed > 3);
}

// Enter presses the focused button, as Space does; Qt's own dialogs speak Russian.
void MainWindowQtTest::EnterPressesTheFocusedButtonAndQtSpeaksRussian() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const std::pair<const char*, Qt::Key> presses[] = {
      {"conversion_panel", Qt::Key_Return}, {"crop_panel", Qt::Key_Enter}, {"test_map_panel", Qt::Key_Space}};
  const char* buttons[] = {"convert_button", "crop_button", "test_map_button"};
  for (std::size_t i = 0; i < 3; ++i) {
    QWidget* button = window.widget(buttons[i]);
    button->setFocus();
    QTest::keyClick(button, presses[i].second, presses[i].second == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QVERIFY2(window.widget(presses[i].first)->isVisibleTo(&window), presses[i].first);
  }
  QVERIFY(mirvex::ui::qt::InstallRussianTranslation(*QCoreApplication::instance()));
  QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("Отмена"));
}

// A click on the groove or a key applies a level; the button says it, as it does while
// dragging. The default-type box can be typed into in the editing mode.
void MainWindowQtTest::LevelCaptionFollowsEveryChangeOfTheSlider() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("convert_button"));
  Click(window.widget("edit_objects_button"));
  auto* slider = qobject_cast<QSlider*>(window.widget("level_slider"));
  auto* level = qobject_cast<QPushButton*>(window.widget("level_button"));
  QVERIFY(slider->isEnabled());
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  QCOMPARE(level->text(), QString::fromUtf8("Уровень 1"));
  QTest::keyClick(slider, Qt::Key_End);
  QCOMPARE(level->text(), QString::fromUtf8("Уровень 9"));
  auto* default_type = qobject_cast<QLineEdit*>(window.widget("default_type"));
  QVERIFY(default_type->isEnabled());
  QVERIFY(!default_type->isReadOnly());
}

void MainWindowQtTest::SavedPathsThroughButtonsAndLists() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("convert_button"));
  auto combos = std::array{qobject_cast<QComboBox*>(window.widget("mif_path")),
                           qobject_cast<QComboBox*>(window.widget("mid_path")),
                           qobject_cast<QComboBox*>(window.widget("result_path"))};
  for (const char* triple : {"a", "b"}) {
    int i = 0;
    for (const char* extension : {".MIF", ".MID", ".txt"}) Type(combos[i++], std::string(triple) + extension);
    Click(window.widget("save_paths_button"));
  }
  QCOMPARE(folder.Setting("PathCount"), std::string("2"));
  QCOMPARE(combos[0]->count(), 2);

  // Choosing a.MIF in the first list shows its partners.
  QMetaObject::invokeMethod(combos[0], "activated", Q_ARG(int, 0));
  QCOMPARE(combos[1]->currentText(), QString("a.MID"));
  QCOMPARE(combos[2]->currentText(), QString("a.txt"));

  Click(window.widget("delete_paths_button"));
  QCOMPARE(folder.Setting("PathCount"), std::string("1"));
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Path1", "p1"), std::string("b.MIF"));
  QCOMPARE(combos[0]->count(), 1);
  for (QComboBox* combo : combos) QCOMPARE(combo->currentText(), QString());
}

void MainWindowQtTest::SplitterDragStopsAtTheListsLeastWidth() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.resize(1200, 700);
  window.show();
  QWidget* splitter = window.widget("list_splitter");
  QWidget* object_list = window.widget("object_list");
  int start = object_list->width();
  QVERIFY(start > 0);
  SendMouse(splitter, QEvent::MouseButtonPress, 2);
  SendMouse(splitter, QEvent::MouseMove, -5000);
  // The object list keeps its least width, 120 pixels at 96 DPI.
  const int least = qRound(mirvex::ui::kListMinimumWidth / window.twips_per_pixel());
  QCOMPARE(object_list->width(), least);
  QCOMPARE(window.model().controls().list_splitter.left(), mirvex::ui::kObjectListLeft + mirvex::ui::kListMinimumWidth);
  SendMouse(splitter, QEvent::MouseMove, 2 + 100);
  SendMouse(splitter, QEvent::MouseButtonRelease, 2 + 100);
  QVERIFY(object_list->width() >= least + 99 && object_list->width() <= least + 101);
  QWidget* type_list = window.widget("type_list");
  QCOMPARE(type_list->x(), splitter->x() + qRound(mirvex::ui::kTypeListGap / window.twips_per_pixel()));
}

void MainWindowQtTest::ButtonsAreDisabledWhileAnOperationRuns() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("convert_button"));
  // A missing MIF: the message comes while the conversion is still on.
  Type(qobject_cast<QComboBox*>(window.widget("mif_path")), folder.path / "absent.mif");
  bool disabled_during_run = false;
  host.on_message = [&] {
    disabled_during_run = !window.widget("convert_button")->isEnabled() && !window.widget("crop_button")->isEnabled() &&
                          !window.widget("test_map_button")->isEnabled();
    Click(window.widget("crop_button"));  // ignored: the crop panel does not open
  };
  Click(window.widget("convert_button"));
  QVERIFY(disabled_during_run);
  QVERIFY(window.widget("convert_button")->isEnabled());
  QVERIFY(window.widget("conversion_panel")->isVisibleTo(&window));
  QCOMPARE(host.messages.size(), std::size_t{1});
}

// The whole road of a dictionary edit on a two-line map: column view, editing mode, a
// type from the line catalogue, a level from the slider, the type changed in the object
// window, and the conversion that writes them.
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

  Click(window.widget("convert_button"));
  Type(qobject_cast<QComboBox*>(window.widget("mif_path")), folder.path / "map.mif");
  Type(qobject_cast<QComboBox*>(window.widget("mid_path")), folder.path / "map.mid");
  Type(qobject_cast<QComboBox*>(window.widget("result_path")), folder.path / "map.mp");

  Click(window.widget("column_view_button"));
  auto* page = qobject_cast<QPlainTextEdit*>(window.widget("column_view"));
  QVERIFY(page->isVisibleTo(&window));
  QStringList rows = page->toPlainText().split('\n');
  QVERIFY(rows.size() >= 3);
  QVERIFY(rows[1].startsWith(QString::fromUtf8("Тропинка")));
  QVERIFY(rows[2].startsWith(QString::fromUtf8("Просека")));

  Click(window.widget("edit_objects_button"));
  auto* objects = qobject_cast<QListWidget*>(window.widget("object_list"));
  auto* types = qobject_cast<QListWidget*>(window.widget("type_list"));
  QCOMPARE(objects->count(), 2);
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("Тропинка"));
  QVERIFY(!page->isVisibleTo(&window));

  Click(window.widget("line_types_button"));
  QVERIFY(types->count() > 10);
  QCOMPARE(types->item(9)->text().left(8), QString("0x0a    "));
  ClickItem(objects, 0);
  ClickItem(types, 9);
  Click(window.widget("assign_type_button"));
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("[0x20] Тропинка (0x0a)"));
  QVERIFY(objects->item(0)->isSelected());

  // With tracking off a key press is a final value, so each one applies its level.
  auto* slider = qobject_cast<QSlider*>(window.widget("level_slider"));
  QVERIFY(slider->isEnabled());
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  QTest::keyClick(slider, Qt::Key_Right);
  QCOMPARE(slider->value(), 2);
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("L2--[0x20] Тропинка (0x0a)"));

  ClickItem(objects, 0, true);
  QWidget* object_window = TopLevel("object_window");
  QVERIFY(object_window);
  QCOMPARE(object_window->windowTitle(), QString::fromUtf8("Информация об объекте"));
  auto* name = object_window->findChild<QLineEdit*>("object_name");
  auto* type = object_window->findChild<QLineEdit*>("object_type");
  QVERIFY(name && type);
  QCOMPARE(name->text(), QString::fromUtf8("Тропинка"));
  QCOMPARE(object_window->findChild<QComboBox*>("object_region")->currentText(), QString("0x20"));
  QCOMPARE(type->text(), QString("0x0a"));
  type->setFocus();
  type->end(false);
  QTest::keyClick(type, Qt::Key_Backspace);
  QTest::keyClick(type, Qt::Key_Backspace);
  QTest::keyClicks(type, "16");
  object_window->close();
  QTRY_VERIFY(window.model().object_window() == nullptr);
  QVERIFY(!TopLevel("object_window"));
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("L2--[0x20] Тропинка (0x16)"));
  QCOMPARE(objects->item(1)->text(), QString::fromUtf8("Просека"));

  Click(window.widget("convert_button"));
  Click(window.widget("convert_button"));
  QString map = Utf(ReadBytes(folder.path / "map.mp"));
  QVERIFY2(map.contains(QString::fromUtf8("[RGN40]\r\nLevels=2\r\nLabel=Лесная тропа\r\nType=0x16")),
           qPrintable(map));
  QVERIFY(host.messages.size() >= 1);
  for (const auto& message : host.messages) {
    QVERIFY2(Utf(message.text).contains(QString::fromUtf8("Конвертация завершена")), qPrintable(Utf(message.text)));
  }
}

// The object window opens beside the main window; its type box holds no more than the
// record's field; a type that is no number keeps it open with a message; Esc closes it
// without storing.
void MainWindowQtTest::ObjectWindowRefusesABadTypeAndEscapeStoresNothing() {
  ProgramFolder folder;
  WriteBytes(folder.path / "map.mif",
             "Columns 2\r\nData\r\n\r\nPline 2\r\n36.50 50.60\r\n36.51 50.61\r\n    Pen (1,2,0)\r\n");
  WriteBytes(folder.path / "map.mid", mirvex::Ru("\"Тропинка\",\"Лесная тропа\"\r\n"));
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  window.move(0, 60);
  Click(window.widget("convert_button"));
  Type(qobject_cast<QComboBox*>(window.widget("mif_path")), folder.path / "map.mif");
  Type(qobject_cast<QComboBox*>(window.widget("mid_path")), folder.path / "map.mid");
  Click(window.widget("edit_objects_button"));
  auto* objects = qobject_cast<QListWidget*>(window.widget("object_list"));
  QCOMPARE(objects->count(), 1);
  std::string before = ReadBytes(folder.path / "object.txt");

  ClickItem(objects, 0, true);
  QWidget* object_window = TopLevel("object_window");
  QVERIFY(object_window);
  // Level with the main window's top, at its side (or over its right edge on a small
  // screen), not in the screen's corner; before it is shown its title bar is estimated.
  QVERIFY(qAbs(object_window->frameGeometry().top() - window.frameGeometry().top()) <= 32);
  QVERIFY2(object_window->frameGeometry().left() > window.frameGeometry().left(),
           qPrintable(QString("%1 %2").arg(object_window->frameGeometry().left()).arg(window.frameGeometry().left())));
  auto* type = object_window->findChild<QLineEdit*>("object_type");
  QCOMPARE(type->maxLength(), 6);
  type->setFocus();
  type->selectAll();
  QTest::keyClicks(type, "0x1f0x1e");
  QCOMPARE(type->text(), QString("0x1f0x"));
  object_window->close();
  QApplication::processEvents();
  QCOMPARE(TopLevel("object_window"), object_window);
  QCOMPARE(host.messages.size(), std::size_t{1});
  QVERIFY(Utf(host.messages[0].text).contains("\"0x1f0x\""));
  QCOMPARE(ReadBytes(folder.path / "object.txt"), before);

  QTest::keyClick(type, Qt::Key_Escape);
  QTRY_VERIFY(window.model().object_window() == nullptr);
  QVERIFY(!TopLevel("object_window"));
  QCOMPARE(ReadBytes(folder.path / "object.txt"), before);
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("Тропинка"));
}

void MainWindowQtTest::ListsStayPutAndFillTheirAreaInEveryMode() {
  ProgramFolder folder;
  int lists_x = -1;
  for (QSize size : {QSize(1000, 700), QSize(1280, 800), QSize(1600, 1000)}) {
    FakeWindowHost host;
    QtMainWindow window(host, folder.text());
    window.resize(size);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const Mode& mode : Modes()) {
      mode.enter(window);
      QString where = QString("%1 at %2x%3").arg(mode.name).arg(size.width()).arg(size.height());
      CheckLayout(window, where);
      int x = ListsArea(window)->mapTo(&window, QPoint(0, 0)).x();
      if (mode.name == std::string("editing mode")) {
        // A catalogue longer than the list: its scroll bar shows, whole, inside the area.
        auto* types = qobject_cast<QListWidget*>(window.widget("type_list"));
        QScrollBar* bar = types->verticalScrollBar();
        QVERIFY2(bar->isVisible(), qPrintable(where));
        QRect seen(bar->mapTo(ListsArea(window), QPoint(0, 0)), bar->size());
        QVERIFY2(QRect(QPoint(0, 0), ListsArea(window)->size()).contains(seen), qPrintable(where));
      }
      if (lists_x < 0) lists_x = x;
      QVERIFY2(x == lists_x, qPrintable(where + QString(": lists at %1, first at %2").arg(x).arg(lists_x)));
    }
    QVERIFY(host.messages.empty());
  }
}

void MainWindowQtTest::ListsFillTheirAreaAfterASplitterDragAndAModeSwitch() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  CheckLayout(window, "fresh start");
  QWidget* object_list = window.widget("object_list");
  int before = object_list->width();
  // A small drag moves the splitter by as much, not by the type list's surplus.
  Drag(window.widget("list_splitter"), 4);
  QVERIFY(qAbs(object_list->width() - (before + 4)) <= 1);
  CheckLayout(window, "after a drag");
  Drag(window.widget("list_splitter"), 60);
  for (const Mode& mode : Modes()) {
    mode.enter(window);
    CheckLayout(window, QString("after a drag, ") + mode.name);
    QVERIFY(qAbs(object_list->width() - (before + 64)) <= 1);
  }
  window.resize(window.width() - 150, window.height() - 50);
  CheckLayout(window, "narrower after a drag");
}

void MainWindowQtTest::ShortWindowScrollsTheLeftColumn() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Click(window.widget("convert_button"));
  window.resize(window.width(), 420);
  CheckLayout(window, "short window");
  auto* column = window.findChild<QScrollArea*>("left_column");
  QVERIFY(column);
  QVERIFY(column->verticalScrollBar()->isVisible());
  QVERIFY(!column->horizontalScrollBar()->isVisible());
  // The operation buttons are reached by scrolling, whole.
  QWidget* convert = window.widget("convert_button");
  column->ensureWidgetVisible(convert);
  QApplication::processEvents();
  QRect seen(convert->mapTo(column->viewport(), QPoint(0, 0)), convert->size());
  QVERIFY(column->viewport()->rect().contains(seen));
}

void MainWindowQtTest::NarrowWindowScrollsTheLeftColumnSideways() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Click(window.widget("convert_button"));
  CheckLayout(window, "wide window");
  int wide_x = ListsArea(window)->mapTo(&window, QPoint(0, 0)).x();
  window.resize(wide_x + 300, window.height());
  CheckLayout(window, "narrow window");
  auto* column = window.findChild<QScrollArea*>("left_column");
  QVERIFY(column->width() < wide_x);
  QVERIFY(column->horizontalScrollBar()->isVisible());
  QVERIFY(window.widget("type_list")->width() > 0);
  // Wide again: the lists go back where they were.
  window.resize(wide_x + 700, window.height());
  CheckLayout(window, "wide again");
  QCOMPARE(ListsArea(window)->mapTo(&window, QPoint(0, 0)).x(), wide_x);
}

void MainWindowQtTest::WindowOpensWhereItWasClosed() {
  ProgramFolder folder;
  int splitter = 0;
  int window_share = 0;
  {
    FakeWindowHost host;
    QtMainWindow window(host, folder.text());
    window.move(30, 40);
    window.resize(1100, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Far enough that a splitter placed before the lists' area has its width would be
    // pushed back.
    Drag(window.widget("list_splitter"), 300);
    splitter = window.model().controls().list_splitter.left();
    window_share = window.model().SplitterShare();
    QVERIFY(window.close());
  }
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Window", "Width"), std::string("1100"));
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Window", "Height"), std::string("720"));
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Window", "SplitterShare"),
           std::to_string(window_share));
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.size(), QSize(1100, 720));
  QCOMPARE(window.geometry().topLeft(), QPoint(std::stoi(mirvex::ReadSetting(folder.text(), "Window", "Left")),
                                std::stoi(mirvex::ReadSetting(folder.text(), "Window", "Top"))));
  QVERIFY(qAbs(window.model().controls().list_splitter.left() - splitter) <= 20);
  CheckLayout(window, "restored");
}

void MainWindowQtTest::WindowPlaceOffEveryScreenFallsBackToTheDefault() {
  QSize default_size;
  {
    ProgramFolder fresh;
    FakeWindowHost host;
    QtMainWindow window(host, fresh.text());
    default_size = window.size();
  }
  ProgramFolder folder;
  const std::pair<const char*, const char*> place[] = {
      {"Left", "60000"}, {"Top", "60000"}, {"Width", "900"}, {"Height", "650"}, {"SplitterShare", "900"}};
  for (const auto& [key, value] : place) mirvex::WriteSetting(folder.text(), "Window", key, value);
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.size(), default_size);
  QVERIFY(window.model().SplitterShare() < 800);
  CheckLayout(window, "off-screen place");
}

// A stored place larger than the screen (stored at a smaller scale, or on a larger
// screen) opens inside the screen with its title bar and bottom row in reach; so does the
// map window, beside the main one; and the lists keep their least widths.
void MainWindowQtTest::WindowsOpenInsideTheScreen() {
  QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  ProgramFolder folder;
  const std::pair<const char*, int> place[] = {
      {"Left", area.x() + 200}, {"Top", area.y() - 40}, {"Width", area.width() + 700}, {"Height", area.height() + 400}};
  for (const auto& [key, value] : place) mirvex::WriteSetting(folder.text(), "Window", key, std::to_string(value));
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCoreApplication::processEvents();
  QVERIFY2(area.contains(window.frameGeometry()), qPrintable(QString("%1,%2 %3x%4 on %5x%6")
                                                                .arg(window.x()).arg(window.y())
                                                                .arg(window.width()).arg(window.height())
                                                                .arg(area.width()).arg(area.height())));
  CheckLayout(window, "larger than the screen");

  // Narrowed as far as the window lets it, the lists keep a usable width each.
  window.resize(window.minimumSizeHint().width(), window.height());
  QCoreApplication::processEvents();
  for (const char* name : {"object_list", "type_list"}) {
    QVERIFY2(window.widget(name)->width() >= 119, name);
  }
  Click(window.widget("edit_objects_button"));
  Click(window.widget("line_types_button"));
  QVERIFY(window.widget("type_list")->isVisible());
  QVERIFY(window.widget("type_list")->width() >= 119);

  Click(window.widget("map_button"));
  QWidget* map = TopLevel("map_window");
  QVERIFY(map);
  QVERIFY(QTest::qWaitForWindowExposed(map));
  QVERIFY(area.contains(map->frameGeometry()));
  map->close();
}

// "Конвертировать все" beside the saved paths, "Собрать IMG" once a map is converted
// (by it too), and the compiler settings shown by "mkgmap" and stored as typed.
void MainWindowQtTest::ConvertAllCompileAndTheCompilerSettings() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  Click(window.widget("convert_button"));
  QCOMPARE(qobject_cast<QPushButton*>(window.widget("convert_all_button"))->text(),
           QString::fromUtf8("Конвертировать все"));
  QVERIFY(!window.widget("compile_button")->isEnabled());
  Type(qobject_cast<QComboBox*>(window.widget("mif_path")), kData / "sample/sample.mif");
  Type(qobject_cast<QComboBox*>(window.widget("mid_path")), kData / "sample/sample.mid");
  Type(qobject_cast<QComboBox*>(window.widget("result_path")), folder.path / "all.mp");
  Click(window.widget("save_paths_button"));
  Click(window.widget("convert_all_button"));
  QCOMPARE(host.messages.size(), std::size_t{1});
  QVERIFY(Utf(host.messages[0].text).contains(QString::fromUtf8("Конвертировано карт: 1 из 1")));
  QCOMPARE(ReadBytes(folder.path / "all.mp"), ReadBytes(kTestData / "sample.expected.mp"));
  // The converted map of the triple the window shows can be compiled.
  QVERIFY(window.widget("compile_button")->isEnabled());
  QCOMPARE(window.model().compile_target(), mirvex::PathText(folder.path / "all.mp"));

  Type(qobject_cast<QComboBox*>(window.widget("result_path")), folder.path / "one.mp");
  Click(window.widget("convert_button"));
  QVERIFY(window.widget("compile_button")->isEnabled());

  QVERIFY(!window.widget("compiler_frame")->isVisibleTo(&window));
  Click(window.widget("compiler_settings_button"));
  QVERIFY(window.widget("compiler_frame")->isVisibleTo(&window));
  auto* path = qobject_cast<QLineEdit*>(window.widget("mkgmap_path"));
  QTest::keyClicks(path, "mkgmap-not-installed");
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Mkgmap", "Path"), std::string("mkgmap-not-installed"));
  host.messages.clear();
  Click(window.widget("compile_button"));
  QCOMPARE(host.messages.size(), std::size_t{1});
  QVERIFY(Utf(host.messages[0].text).contains(QString::fromUtf8("sudo apt install mkgmap")));
  QVERIFY(window.widget("compile_button")->isEnabled());
}

// The sample map drawn from its MIF, and its converted map with the crop rectangle,
// compared with the reviewed pictures: at most 2 % of the pixels may differ (a label's
// glyphs vary with the fonts a machine has), and the crop rectangle's colour must be
// where the reference has it. A missing reference is written for review.
// A region's inner ring is a hole: the map's background shows through it, in a text
// map (a second Data0 line) and in a MIF (a second polygon of the Region), whether the
// region is read first or after many other objects.
void MainWindowQtTest::HolesOfRegionsShowTheBackground() {
  ProgramFolder folder;
  const std::string header = "[IMG ID]\r\nID=1\r\n[END-IMG ID]\r\n";
  const std::string region =
      "[RGN80]\r\nType=0x4e\r\nData0=(50,30),(50,40),(60,40),(60,30)\r\nData0=(53,33),(53,37),(57,37),(57,33)\r\n[END]\r\n";
  // Many short lines in the region's left strip, read before it: the view summarises them.
  std::string crowded = header;
  for (int i = 0; i < 20000; ++i) {
    std::string y = std::to_string(50.05 + (i % 100) * 0.099), x = std::to_string(30.05 + (i / 100) * 0.012);
    crowded += "[RGN40]\r\nType=0x01\r\nData0=(" + y + "," + x + "),(" + y + "," + x + "1)\r\n[END]\r\n";
  }
  WriteBytes(folder.path / "hole.mp", header + region);
  WriteBytes(folder.path / "crowded.mp", crowded + region);
  WriteBytes(folder.path / "hole.mif",
             "Version 300\r\nColumns 1\r\n  Name Char(10)\r\nData\r\n\r\nRegion 2\r\n  4\r\n30 50\r\n40 50\r\n40 60\r\n"
             "30 60\r\n  4\r\n33 53\r\n37 53\r\n37 57\r\n33 57\r\n    Brush (2,16777215,0)\r\n");
  WriteBytes(folder.path / "hole.mid", "\"x\"\r\n");
  for (const char* name : {"hole.mp", "crowded.mp", "hole.mif"}) {
    mirvex::ui::qt::PictureRequest request;
    request.input = mirvex::PathText(folder.path / name);
    request.program_folder = folder.text();
    request.size = QSize(400, 400);
    QImage picture;
    std::vector<std::string> notes;
    QVERIFY2(mirvex::ui::qt::DrawMapPicture(request, picture, notes), name);
    // The hole is the middle of the region, which fills the map area: along a row through
    // the middle, the background at the centre with the region's fill to either side.
    auto background = [&](int x, int y) { return QColor(picture.pixel(x, y)) == QColor(Qt::white); };
    const int centre = picture.width() / 2;
    bool hole_seen = false;
    for (int y = picture.height() / 4; y < picture.height() / 2 && !hole_seen; ++y) {
      if (!background(centre, y)) continue;
      bool fill_left = false, fill_right = false;
      for (int x = centre; x > 0; --x) fill_left = fill_left || !background(x, y);
      for (int x = centre; x < picture.width(); ++x) fill_right = fill_right || !background(x, y);
      hole_seen = fill_left && fill_right;
    }
    QVERIFY2(hole_seen, name);
  }
}

void MainWindowQtTest::DrawnPicturesMatchTheirReferences() {
  ProgramFolder folder;
  struct Case {
    const char* reference;
    fs::path input;
    bool crop;
  };
  const Case cases[] = {
      {"sample.png", kData / "sample/sample.mif", false},
      {"sample-crop.png", kTestData / "sample.expected.mp", true},
  };
  for (const Case& c : cases) {
    mirvex::ui::qt::PictureRequest request;
    request.input = mirvex::PathText(c.input);
    request.program_folder = folder.text();
    request.size = QSize(640, 480);
    request.crop = c.crop;
    QImage picture;
    std::vector<std::string> notes;
    QVERIFY2(mirvex::ui::qt::DrawMapPicture(request, picture, notes), c.reference);
    QVERIFY2(notes.empty(), c.reference);
    QString reference_path = QString::fromStdString((kTestData / "view" / c.reference).string());
    QImage reference(reference_path);
    if (reference.isNull()) {
      fs::create_directories(kTestData / "view");
      picture.save(reference_path);
      QFAIL(qPrintable("reference written for review: " + reference_path));
    }
    QCOMPARE(picture.size(), reference.size());
    reference = reference.convertToFormat(picture.format());
    int differing = 0, crop_pixels = 0, crop_in_both = 0;
    const QColor crop_colour(230, 90, 0);  // the rectangle's stroke
    auto is_crop = [&](QRgb pixel) {
      QColor colour(pixel);
      return std::abs(colour.red() - crop_colour.red()) < 40 && std::abs(colour.green() - crop_colour.green()) < 40 &&
             std::abs(colour.blue() - crop_colour.blue()) < 40;
    };
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        QRgb a = picture.pixel(x, y), b = reference.pixel(x, y);
        if (std::abs(qRed(a) - qRed(b)) > 40 || std::abs(qGreen(a) - qGreen(b)) > 40 || std::abs(qBlue(a) - qBlue(b)) > 40) {
          ++differing;
        }
        if (is_crop(b)) {
          ++crop_pixels;
          crop_in_both += is_crop(a);
        }
      }
    }
    QVERIFY2(differing <= picture.width() * picture.height() / 50,
             qPrintable(QString(c.reference) + ": " + QString::number(differing) + " pixels differ"));
    if (c.crop) QVERIFY2(crop_pixels > 500 && crop_in_both >= crop_pixels * 9 / 10, c.reference);
  }
}

#include "main_window_qt_test.moc"

namespace {

// Runs what the window asks to run soon from the event loop, as the application does.
class EventLoopHost : public FakeWindowHost {
 public:
  void RunSoon(std::function<void()> task) override { QTimer::singleShot(0, std::move(task)); }
};

// Pixels of the widget that are not white.
int InkedPixels(QWidget* widget) {
  QImage image = widget->grab().toImage();
  int inked = 0;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) inked += image.pixel(x, y) != qRgb(255, 255, 255);
  }
  return inked;
}

// The crop panel, with `map` typed into its map box.
void OpenCropPanelOn(QtMainWindow& window, const fs::path& map) {
  Click(window.widget("crop_button"));
  auto* map_path = qobject_cast<QLineEdit*>(window.widget("crop_map_path"));
  map_path->clear();
  QTest::keyClicks(map_path, QString::fromStdString(map.string()));
}

}  // namespace

void MainWindowQtTest::RectangleDrawnOnTheMapCropsAsTheCommandLineDoes() {
  ProgramFolder folder;
  EventLoopHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  OpenCropPanelOn(window, kTestData / "sample.expected.mp");
  auto* result = qobject_cast<QLineEdit*>(window.widget("crop_result_path"));
  result->clear();
  QTest::keyClicks(result, QString::fromStdString((folder.path / "window-cut.mp").string()));

  Click(window.widget("map_button"));
  QVERIFY(window.map_window() && window.map_window()->isVisible());
  QVERIFY(QTest::qWaitForWindowExposed(window.map_window()));
  mirvex::ui::MapWindow& model = window.model().map_window();
  QTRY_VERIFY(!model.loading() && !model.view().empty());
  QCOMPARE(model.shown_source().path, mirvex::PathText(kTestData / "sample.expected.mp"));
  QWidget* canvas = window.map_window()->canvas();
  QCOMPARE(model.view().viewport_width(), canvas->width());
  const int blank = InkedPixels(canvas);
  QVERIFY2(blank > 500, "the map is painted");

  // The rectangle drawn from the upper right to the lower left over the middle of the map.
  QPoint from(canvas->width() * 2 / 3, canvas->height() / 3), to(canvas->width() / 3, canvas->height() * 2 / 3);
  QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(canvas, (from + to) / 2);
  QTest::mouseMove(canvas, to);
  QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, to);
  QStringList bounds;
  for (const char* name : {"crop_west", "crop_north", "crop_east", "crop_south"}) {
    QString text = qobject_cast<QLineEdit*>(window.widget(name))->text();
    QVERIFY2(!text.isEmpty(), name);
    bounds << text;
  }
  QCOMPARE(QString::fromStdString(folder.Setting("Koord2")), bounds[0]);
  QVERIFY(InkedPixels(canvas) != blank);  // the rectangle shows

  Click(window.widget("crop_button"));
  QCOMPARE(window.model().last_status(), mirvex::OperationStatus::kCompleted);
  // After the crop the map window shows its result.
  QTRY_COMPARE(model.shown_source().path, mirvex::PathText(folder.path / "window-cut.mp"));

  QProcess command_line;
  QStringList arguments{"crop",
                        QString::fromStdString((kTestData / "sample.expected.mp").string()),
                        QString::fromStdString((folder.path / "command-line-cut.mp").string()),
                        "--home",
                        QString::fromStdString(folder.path.string()),
                        "--quiet"};
  const char* keys[] = {"Koord2=", "Koord3=", "Koord4=", "Koord5="};
  for (int i = 0; i < 4; ++i) arguments << "--set" << keys[i] + bounds[i];
  command_line.start(QString::fromStdString(MIRVEX_BINARY), arguments);
  QVERIFY(command_line.waitForFinished(30000));
  QCOMPARE(command_line.exitCode(), 0);
  std::string cut = ReadBytes(folder.path / "window-cut.mp");
  QCOMPARE(cut, ReadBytes(folder.path / "command-line-cut.mp"));
  // Something was cut away, something kept.
  QVERIFY(cut.size() < ReadBytes(kTestData / "sample.expected.mp").size());
  QVERIFY(cut.find("[RGN") != std::string::npos);

  // The wheel zooms at the cursor; the fit button shows the whole map again.
  double fitted = model.view().scale();
  QPoint centre = canvas->rect().center();
  QWheelEvent wheel(centre, canvas->mapToGlobal(centre), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &wheel);
  QVERIFY(std::abs(model.view().scale() - 2 * fitted) < fitted * 1e-9);
  Click(window.findChild<QWidget*>("map_fit_button"));
  QCOMPARE(model.view().scale(), fitted);

  // Closing frees the map; "Карта" opens it again with the map.
  window.map_window()->close();
  QVERIFY(model.view().empty());
  Click(window.widget("map_button"));
  QTRY_VERIFY(!model.loading() && !model.view().empty());
  QVERIFY(host.messages.size() == 1);  // "Редактирование карты завершено" or the like, nothing else
}

// "+" and "-" zoom at the canvas's centre and the arrows move the map, pressed on the
// canvas.
void MainWindowQtTest::KeysZoomAndMoveTheMap() {
  ProgramFolder folder;
  EventLoopHost host;
  QtMainWindow window(host, folder.text());
  window.show();
  OpenCropPanelOn(window, kTestData / "sample.expected.mp");
  Click(window.widget("map_button"));
  QVERIFY(QTest::qWaitForWindowExposed(window.map_window()));
  mirvex::ui::MapWindow& model = window.model().map_window();
  QTRY_VERIFY(!model.loading() && !model.view().empty());
  QWidget* canvas = window.map_window()->canvas();
  QCOMPARE(canvas->focusPolicy(), Qt::StrongFocus);
  const double cx = canvas->width() / 2.0, cy = canvas->height() / 2.0;
  double scale = model.view().scale();
  mirvex::mapview::MapPoint centre = model.view().ToMap(cx, cy);
  QTest::keyClick(canvas, Qt::Key_Plus);
  QVERIFY(std::abs(model.view().scale() / scale - std::exp2(1 / mirvex::ui::MapWindow::kStepsPerDoubling)) < 1e-9);
  mirvex::mapview::MapPoint still = model.view().ToMap(cx, cy);
  QVERIFY(std::abs(still.x - centre.x) < 1e-9 && std::abs(still.y - centre.y) < 1e-9);
  QTest::keyClick(canvas, Qt::Key_Minus);
  QVERIFY(std::abs(model.view().scale() / scale - 1) < 1e-9);
  mirvex::mapview::MapPoint coming = model.view().ToMap(cx + canvas->width() / 8.0, cy);
  QTest::keyClick(canvas, Qt::Key_Right);
  mirvex::mapview::MapPoint now = model.view().ToMap(cx, cy);
  QVERIFY(std::abs(now.x - coming.x) < 1e-9 && std::abs(now.y - coming.y) < 1e-9);
  coming = model.view().ToMap(cx, cy - canvas->height() / 8.0);
  QTest::keyClick(canvas, Qt::Key_Up);
  now = model.view().ToMap(cx, cy);
  QVERIFY(std::abs(now.x - coming.x) < 1e-9 && std::abs(now.y - coming.y) < 1e-9);
}

QTEST_MAIN(MainWindowQtTest)
