// The real Qt main window, driven through its widgets on the offscreen platform: the
// panels and their operations, the settings they store, the saved paths, and the
// dictionary editing through the lists and the object window.
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
#include <QStyle>
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
#include "tests/qt/main_window_qt_test.h"
#include "ui/qt/main_window_qt.h"
#include "ui/qt/map_painter.h"
#include "ui/qt/map_window_qt.h"

namespace fs = std::filesystem;
using mirvex::test::FakeWindowHost;
using mirvex::test::Click;
using mirvex::test::kData;
using mirvex::test::kTestData;
using mirvex::test::ProgramFolder;
using mirvex::test::ReadBytes;
using mirvex::test::TopLevel;
using mirvex::test::Type;
using mirvex::test::WriteBytes;
using mirvex::ui::MainWindowControls;
using mirvex::ui::ObjectWindowControls;
using mirvex::ui::UiControl;
using mirvex::ui::qt::QtMainWindow;

namespace {

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

}  // namespace

void MainWindowQtTest::PanelsTakeTurnsAndSecondPressesRunTheOperations() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  auto visible = [&](const UiControl& panel) { return window.widget(panel)->isVisibleTo(&window); };
  QVERIFY(visible(c.welcome_panel));
  QVERIFY(!visible(c.conversion_panel));

  Click(window.widget(c.convert_button));
  QVERIFY(visible(c.conversion_panel));
  QVERIFY(!visible(c.welcome_panel));
  QVERIFY(host.messages.empty());

  auto* mif = qobject_cast<QComboBox*>(window.widget(c.mif_path));
  Type(mif, kData / "sample/sample.mif");
  Type(qobject_cast<QComboBox*>(window.widget(c.mid_path)), kData / "sample/sample.mid");
  Type(qobject_cast<QComboBox*>(window.widget(c.result_path)), folder.path / "window.mp");
  Click(window.widget(c.convert_button));
  QCOMPARE(ReadBytes(folder.path / "window.mp"), ReadBytes(kTestData / "sample.expected.mp"));
  QCOMPARE(QString::fromStdString(mirvex::Cp1251ToUtf8(host.messages.back().text)).trimmed(),
           QString::fromUtf8("Конвертация завершена"));

  // The crop panel replaces the conversion panel; its second press crops.
  Click(window.widget(c.crop_button));
  QVERIFY(visible(c.crop_panel));
  QVERIFY(!visible(c.conversion_panel));
  Click(window.widget(c.copy_result_button));
  QCOMPARE(qobject_cast<QLineEdit*>(window.widget(c.crop_map_path))->text(),
           QString::fromStdString((folder.path / "window.mp").string()));
  auto* result = qobject_cast<QLineEdit*>(window.widget(c.crop_result_path));
  result->clear();
  QTest::keyClicks(result, QString::fromStdString((folder.path / "cut.mp").string()));
  QCOMPARE(folder.Setting("PathEdit2"), (folder.path / "cut.mp").string());
  Click(window.widget(c.crop_button));
  QCOMPARE(ReadBytes(folder.path / "cut.mp"), ReadBytes(kTestData / "sample.cut.expected.mp"));

  Click(window.widget(c.test_map_button));
  QVERIFY(visible(c.test_map_panel));
  QVERIFY(!visible(c.crop_panel));
  auto* test_map = qobject_cast<QComboBox*>(window.widget(c.test_map_path));
  std::ofstream(folder.path / "test.mp").put('x');
  Type(test_map, folder.path / "test.mp");
  Click(window.widget(c.test_map_button));
  QCOMPARE(fs::file_size(folder.path / "test.mp"), std::uintmax_t{4550123});
  QVERIFY(!visible(c.welcome_panel));
}

void MainWindowQtTest::CheckBoxClickStoresItsKeyAndGreysItsBox() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.convert_button));
  auto* automatic = qobject_cast<QCheckBox*>(window.widget(c.column_count_from_header));
  QWidget* count = window.widget(c.column_count);
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

// "Обрезать объекты по границе" sits in the rectangle's frame below the bounds, clear of
// them at any window size; ticked, the crop cuts a line crossing the rectangle at its edge.
void MainWindowQtTest::CropClipBoxCutsObjectsAtTheRectangle() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.crop_button));
  // A panel shown lays its widgets out in posted events, one level at a time.
  auto settle = [] {
    for (int round = 0; round < 16; ++round) {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents();
    }
  };
  settle();
  auto* clip = qobject_cast<QCheckBox*>(window.widget(c.crop_clip));
  QVERIFY(clip && clip->isVisibleTo(&window));
  QCOMPARE(clip->text(), QString::fromUtf8("Обрезать объекты по границе"));
  QVERIFY(!clip->isChecked());
  QWidget* frame = window.widget(c.crop_bounds_frame);
  QCOMPARE(clip->parentWidget(), frame);
  for (QSize size : {QSize(1200, 700), QSize(640, 360), QSize(1600, 1000)}) {
    window.resize(size);
    settle();
    QVERIFY2(frame->contentsRect().contains(clip->geometry()), qPrintable(QString::number(size.width())));
    for (QWidget* other : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (other == clip || !other->isVisibleTo(&window)) continue;
      QVERIFY2(!other->geometry().intersects(clip->geometry()),
               qPrintable(QString::number(size.width()) + " overlaps " + other->objectName()));
    }
  }

  WriteBytes(folder.path / "crossing.mp", "[IMG ID]\r\nID=1\r\n[END-IMG ID]\r\n[RGN40]\r\nType=0x01\r\n"
                                          "Data0=(56,68),(57,72)\r\n[END-RGN40]\r\n");
  auto type = [&](const UiControl& control, const std::string& text) {
    auto* box = qobject_cast<QLineEdit*>(window.widget(control));
    box->clear();
    QTest::keyClicks(box, QString::fromStdString(text));
  };
  type(c.crop_map_path, (folder.path / "crossing.mp").string());
  type(c.crop_result_path, (folder.path / "cut.mp").string());
  for (auto [bound, text] : {std::pair{&c.crop_west, "65"}, {&c.crop_north, "57"}, {&c.crop_east, "70"},
                             {&c.crop_south, "55"}}) {
    type(*bound, text);
  }
  // The box spans the frame's width: a click on its caption, as the user aims.
  QPoint caption(clip->fontMetrics().horizontalAdvance(clip->text()) / 2, clip->height() / 2);
  auto click_caption = [&] { QTest::mouseClick(clip, Qt::LeftButton, Qt::NoModifier, caption); };
  click_caption();
  QVERIFY(clip->isChecked());
  QCOMPARE(folder.Setting("CropClip"), std::string("1"));
  Click(window.widget(c.crop_button));
  std::string cut = ReadBytes(folder.path / "cut.mp");
  QVERIFY2(cut.find("\r\nData0=(56,68),(56.5,70)\r\n") != std::string::npos, cut.c_str());

  // Cleared, the line's last pair lies outside and the line is left out, as always.
  click_caption();
  QCOMPARE(folder.Setting("CropClip"), std::string("0"));
  Click(window.widget(c.crop_button));
  QCOMPARE(ReadBytes(folder.path / "cut.mp").find("RGN40"), std::string::npos);
}

// Each option box of the conversion shows its stored key and stores it again at every
// click; a key missing from mirvex.ini (ToWgs84 of the sample's) shows its default, and
// what was stored is what the next window shows.
void MainWindowQtTest::ConversionOptionBoxesStoreTheirKeys() {
  struct Box {
    mirvex::ui::MainControl control;
    const char* key;
    bool ticked_at_start;
  };
  const Box boxes[] = {
      {&MainWindowControls::transliterate_labels, "RusTransl", false},
      {&MainWindowControls::section_from_mif, "TypeObj", false},
      {&MainWindowControls::to_wgs84, "ToWgs84", true},
      {&MainWindowControls::raise_large_objects, "PovObj", false},
  };
  ProgramFolder folder;
  QCOMPARE(folder.Setting("ToWgs84"), std::string());
  auto box_of = [](QtMainWindow& window, const Box& box) {
    return qobject_cast<QCheckBox*>(window.widget(box.control));
  };
  // A click on the square: the row is as wide as the panel, its middle often past the caption.
  auto tick = [](QCheckBox* check) {
    int square = check->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check);
    QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(square / 2 + 1, check->height() / 2));
  };
  {
    FakeWindowHost host;
    QtMainWindow window(host, folder.text());
    window.show();
    Click(window.widget(&MainWindowControls::convert_button));
    for (const Box& box : boxes) {
      QCheckBox* check = box_of(window, box);
      QVERIFY2(check && check->isVisibleTo(&window), box.key);
      QVERIFY2(check->isChecked() == box.ticked_at_start, box.key);
      tick(check);
      QVERIFY2(check->isChecked() != box.ticked_at_start, box.key);
      QCOMPARE(folder.Setting(box.key), std::string(box.ticked_at_start ? "0" : "1"));
      tick(check);
      QCOMPARE(folder.Setting(box.key), std::string(box.ticked_at_start ? "1" : "0"));
      tick(check);
    }
  }
  FakeWindowHost host;
  QtMainWindow reopened(host, folder.text());
  reopened.show();
  Click(reopened.widget(&MainWindowControls::convert_button));
  for (const Box& box : boxes) QVERIFY2(box_of(reopened, box)->isChecked() != box.ticked_at_start, box.key);
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
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.convert_button));
  Type(qobject_cast<QComboBox*>(window.widget(c.mif_path)), folder.path / "map.mif");
  Type(qobject_cast<QComboBox*>(window.widget(c.mid_path)), folder.path / "map.mid");
  Click(window.widget(c.edit_objects_button));
  auto* objects = qobject_cast<QListWidget*>(window.widget(c.object_list));
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
  Click(window.widget(c.polygon_types_button));
  auto* types = qobject_cast<QListWidget*>(window.widget(c.type_list));
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
  Click(window.widget(c.assign_type_button));
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
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.convert_button));
  for (const UiControl* control : {&c.column_count, &c.size_threshold}) {
    const char* name = control->name().c_str();
    QWidget* box = window.widget(*control);
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
  struct Press {
    mirvex::ui::MainControl button;
    Qt::Key key;
    mirvex::ui::MainControl panel;
  };
  const Press presses[] = {
      {&MainWindowControls::convert_button, Qt::Key_Return, &MainWindowControls::conversion_panel},
      {&MainWindowControls::crop_button, Qt::Key_Enter, &MainWindowControls::crop_panel},
      {&MainWindowControls::test_map_button, Qt::Key_Space, &MainWindowControls::test_map_panel},
  };
  for (const Press& press : presses) {
    QWidget* button = window.widget(press.button);
    button->setFocus();
    QTest::keyClick(button, press.key, press.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    const UiControl& panel = window.model().controls().*press.panel;
    QVERIFY2(window.widget(panel)->isVisibleTo(&window), panel.name().c_str());
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
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.convert_button));
  Click(window.widget(c.edit_objects_button));
  auto* slider = qobject_cast<QSlider*>(window.widget(c.level_slider));
  auto* level = qobject_cast<QPushButton*>(window.widget(c.level_button));
  QVERIFY(slider->isEnabled());
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  QCOMPARE(level->text(), QString::fromUtf8("Уровень 1"));
  QTest::keyClick(slider, Qt::Key_End);
  QCOMPARE(level->text(), QString::fromUtf8("Уровень 9"));
  auto* default_type = qobject_cast<QLineEdit*>(window.widget(c.default_type));
  QVERIFY(default_type->isEnabled());
  QVERIFY(!default_type->isReadOnly());
}

void MainWindowQtTest::SavedPathsThroughButtonsAndLists() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.convert_button));
  auto combos = std::array{qobject_cast<QComboBox*>(window.widget(c.mif_path)),
                           qobject_cast<QComboBox*>(window.widget(c.mid_path)),
                           qobject_cast<QComboBox*>(window.widget(c.result_path))};
  for (const char* triple : {"a", "b"}) {
    int i = 0;
    for (const char* extension : {".MIF", ".MID", ".txt"}) Type(combos[i++], std::string(triple) + extension);
    Click(window.widget(c.save_paths_button));
  }
  QCOMPARE(folder.Setting("PathCount"), std::string("2"));
  QCOMPARE(combos[0]->count(), 2);

  // Choosing a.MIF in the first list shows its partners.
  QMetaObject::invokeMethod(combos[0], "activated", Q_ARG(int, 0));
  QCOMPARE(combos[1]->currentText(), QString("a.MID"));
  QCOMPARE(combos[2]->currentText(), QString("a.txt"));

  Click(window.widget(c.delete_paths_button));
  QCOMPARE(folder.Setting("PathCount"), std::string("1"));
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Path1", "p1"), std::string("b.MIF"));
  QCOMPARE(combos[0]->count(), 1);
  for (QComboBox* combo : combos) QCOMPARE(combo->currentText(), QString());
}

void MainWindowQtTest::ButtonsAreDisabledWhileAnOperationRuns() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.convert_button));
  // A missing MIF: the message comes while the conversion is still on.
  Type(qobject_cast<QComboBox*>(window.widget(c.mif_path)), folder.path / "absent.mif");
  bool disabled_during_run = false;
  host.on_message = [&] {
    disabled_during_run = !window.widget(c.convert_button)->isEnabled() && !window.widget(c.crop_button)->isEnabled() &&
                          !window.widget(c.test_map_button)->isEnabled();
    Click(window.widget(c.crop_button));  // ignored: the crop panel does not open
  };
  Click(window.widget(c.convert_button));
  QVERIFY(disabled_during_run);
  QVERIFY(window.widget(c.convert_button)->isEnabled());
  QVERIFY(window.widget(c.conversion_panel)->isVisibleTo(&window));
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
  MainWindowControls& c = window.model().controls();
  window.show();

  Click(window.widget(c.convert_button));
  Type(qobject_cast<QComboBox*>(window.widget(c.mif_path)), folder.path / "map.mif");
  Type(qobject_cast<QComboBox*>(window.widget(c.mid_path)), folder.path / "map.mid");
  Type(qobject_cast<QComboBox*>(window.widget(c.result_path)), folder.path / "map.mp");

  Click(window.widget(c.column_view_button));
  auto* page = qobject_cast<QPlainTextEdit*>(window.widget(c.column_view));
  QVERIFY(page->isVisibleTo(&window));
  QStringList rows = page->toPlainText().split('\n');
  QVERIFY(rows.size() >= 3);
  QVERIFY(rows[1].startsWith(QString::fromUtf8("Тропинка")));
  QVERIFY(rows[2].startsWith(QString::fromUtf8("Просека")));

  Click(window.widget(c.edit_objects_button));
  auto* objects = qobject_cast<QListWidget*>(window.widget(c.object_list));
  auto* types = qobject_cast<QListWidget*>(window.widget(c.type_list));
  QCOMPARE(objects->count(), 2);
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("Тропинка"));
  QVERIFY(!page->isVisibleTo(&window));

  Click(window.widget(c.line_types_button));
  QVERIFY(types->count() > 10);
  QCOMPARE(types->item(9)->text().left(8), QString("0x0a    "));
  ClickItem(objects, 0);
  ClickItem(types, 9);
  Click(window.widget(c.assign_type_button));
  QCOMPARE(objects->item(0)->text(), QString::fromUtf8("[0x20] Тропинка (0x0a)"));
  QVERIFY(objects->item(0)->isSelected());

  // With tracking off a key press is a final value, so each one applies its level.
  auto* slider = qobject_cast<QSlider*>(window.widget(c.level_slider));
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
  QVERIFY(window.model().object_window());
  ObjectWindowControls& o = window.model().object_window()->controls();
  auto* name = qobject_cast<QLineEdit*>(window.widget(o.object_name));
  auto* type = qobject_cast<QLineEdit*>(window.widget(o.object_type));
  auto* region = qobject_cast<QComboBox*>(window.widget(o.object_region));
  QVERIFY(name && type && region);
  for (QWidget* box : {static_cast<QWidget*>(name), static_cast<QWidget*>(type), static_cast<QWidget*>(region)}) {
    QCOMPARE(box->window(), object_window);
  }
  QCOMPARE(name->text(), QString::fromUtf8("Тропинка"));
  QCOMPARE(region->currentText(), QString("0x20"));
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

  Click(window.widget(c.convert_button));
  Click(window.widget(c.convert_button));
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
  MainWindowControls& c = window.model().controls();
  window.show();
  window.move(0, 60);
  Click(window.widget(c.convert_button));
  Type(qobject_cast<QComboBox*>(window.widget(c.mif_path)), folder.path / "map.mif");
  Type(qobject_cast<QComboBox*>(window.widget(c.mid_path)), folder.path / "map.mid");
  Click(window.widget(c.edit_objects_button));
  auto* objects = qobject_cast<QListWidget*>(window.widget(c.object_list));
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
  QVERIFY(window.model().object_window());
  auto* type = qobject_cast<QLineEdit*>(window.widget(window.model().object_window()->controls().object_type));
  QVERIFY(type && type->window() == object_window);
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

// "Конвертировать все" beside the saved paths, "Собрать IMG" once a map is converted
// (by it too), and the compiler settings shown by "mkgmap" and stored as typed.
void MainWindowQtTest::ConvertAllCompileAndTheCompilerSettings() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  Click(window.widget(c.convert_button));
  QCOMPARE(qobject_cast<QPushButton*>(window.widget(c.convert_all_button))->text(),
           QString::fromUtf8("Конвертировать все"));
  QVERIFY(!window.widget(c.compile_button)->isEnabled());
  Type(qobject_cast<QComboBox*>(window.widget(c.mif_path)), kData / "sample/sample.mif");
  Type(qobject_cast<QComboBox*>(window.widget(c.mid_path)), kData / "sample/sample.mid");
  Type(qobject_cast<QComboBox*>(window.widget(c.result_path)), folder.path / "all.mp");
  Click(window.widget(c.save_paths_button));
  Click(window.widget(c.convert_all_button));
  QCOMPARE(host.messages.size(), std::size_t{1});
  QVERIFY(Utf(host.messages[0].text).contains(QString::fromUtf8("Конвертировано карт: 1 из 1")));
  QCOMPARE(ReadBytes(folder.path / "all.mp"), ReadBytes(kTestData / "sample.expected.mp"));
  // The converted map of the triple the window shows can be compiled.
  QVERIFY(window.widget(c.compile_button)->isEnabled());
  QCOMPARE(window.model().compile_target(), mirvex::PathText(folder.path / "all.mp"));

  Type(qobject_cast<QComboBox*>(window.widget(c.result_path)), folder.path / "one.mp");
  Click(window.widget(c.convert_button));
  QVERIFY(window.widget(c.compile_button)->isEnabled());

  QVERIFY(!window.widget(c.compiler_frame)->isVisibleTo(&window));
  Click(window.widget(c.compiler_settings_button));
  QVERIFY(window.widget(c.compiler_frame)->isVisibleTo(&window));
  auto* path = qobject_cast<QLineEdit*>(window.widget(c.mkgmap_path));
  QTest::keyClicks(path, "mkgmap-not-installed");
  QCOMPARE(mirvex::ReadSetting(folder.text(), "Mkgmap", "Path"), std::string("mkgmap-not-installed"));
  host.messages.clear();
  Click(window.widget(c.compile_button));
  QCOMPARE(host.messages.size(), std::size_t{1});
  QVERIFY(Utf(host.messages[0].text).contains(QString::fromUtf8("sudo apt install mkgmap")));
  QVERIFY(window.widget(c.compile_button)->isEnabled());
}

QTEST_MAIN(MainWindowQtTest)
