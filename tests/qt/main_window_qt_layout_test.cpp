// The real Qt main window's layout on the offscreen platform: the lists in every mode
// and after a splitter drag, the left column scrolled in a small window, and the
// window's place restored inside the screen.
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
#include "tests/qt/main_window_qt_test.h"
#include "ui/qt/main_window_qt.h"
#include "ui/qt/map_painter.h"
#include "ui/qt/map_window_qt.h"

namespace fs = std::filesystem;
using mirvex::test::FakeWindowHost;
using mirvex::test::Click;
using mirvex::test::kData;
using mirvex::test::ProgramFolder;
using mirvex::test::TopLevel;
using mirvex::test::Type;
using mirvex::ui::MainWindowControls;
using mirvex::ui::qt::QtMainWindow;

namespace {

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
      {"conversion", [](QtMainWindow& window) { Click(window.widget(&MainWindowControls::convert_button)); }},
      {"georeferencing", [](QtMainWindow& window) { Click(window.widget(&MainWindowControls::georeference_button)); }},
      {"header template",
       [](QtMainWindow& window) { Click(window.widget(&MainWindowControls::header_template_button)); }},
      {"column view",
       [](QtMainWindow& window) {
         Type(qobject_cast<QComboBox*>(window.widget(&MainWindowControls::mif_path)), kData / "sample/sample.mif");
         Type(qobject_cast<QComboBox*>(window.widget(&MainWindowControls::mid_path)), kData / "sample/sample.mid");
         Click(window.widget(&MainWindowControls::column_view_button));
       }},
      {"editing mode",
       [](QtMainWindow& window) {
         Click(window.widget(&MainWindowControls::edit_objects_button));
         Click(window.widget(&MainWindowControls::polygon_types_button));
       }},
      {"crop", [](QtMainWindow& window) { Click(window.widget(&MainWindowControls::crop_button)); }},
      {"test map", [](QtMainWindow& window) { Click(window.widget(&MainWindowControls::test_map_button)); }},
  };
}

// The lists' area: the parent of the object list, the splitter and the type list.
QWidget* ListsArea(QtMainWindow& window) { return window.widget(&MainWindowControls::object_list)->parentWidget(); }

// The lists reach their area's right and bottom edges, the type list shows the whole of
// its border, and every visible control lies inside its parent (so inside the window).
void CheckLayout(QtMainWindow& window, const QString& where) {
  MainWindowControls& c = window.model().controls();
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
  QWidget* type_list = window.widget(c.type_list);
  QWidget* object_list = window.widget(c.object_list);
  QVERIFY2(area->isVisible(), qPrintable(where));
  QVERIFY2(qAbs(type_list->geometry().right() - (area->width() - 1)) <= 3, qPrintable(where));
  QVERIFY2(type_list->width() > 0, qPrintable(where));
  for (QWidget* list : {object_list, type_list}) {
    QVERIFY2(list->y() == 0 && list->height() == area->height(), qPrintable(where));
  }
  QWidget* editing = window.widget(c.point_types_button);
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

void MainWindowQtTest::SplitterDragStopsAtTheListsLeastWidth() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.resize(1200, 700);
  window.show();
  QWidget* splitter = window.widget(c.list_splitter);
  QWidget* object_list = window.widget(c.object_list);
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
  QWidget* type_list = window.widget(c.type_list);
  QCOMPARE(type_list->x(), splitter->x() + qRound(mirvex::ui::kTypeListGap / window.twips_per_pixel()));
}

void MainWindowQtTest::ListsStayPutAndFillTheirAreaInEveryMode() {
  ProgramFolder folder;
  int lists_x = -1;
  for (QSize size : {QSize(1000, 700), QSize(1280, 800), QSize(1600, 1000)}) {
    FakeWindowHost host;
    QtMainWindow window(host, folder.text());
    MainWindowControls& c = window.model().controls();
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
        auto* types = qobject_cast<QListWidget*>(window.widget(c.type_list));
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
  MainWindowControls& c = window.model().controls();
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  CheckLayout(window, "fresh start");
  QWidget* object_list = window.widget(c.object_list);
  int before = object_list->width();
  // A small drag moves the splitter by as much, not by the type list's surplus.
  Drag(window.widget(c.list_splitter), 4);
  QVERIFY(qAbs(object_list->width() - (before + 4)) <= 1);
  CheckLayout(window, "after a drag");
  Drag(window.widget(c.list_splitter), 60);
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
  MainWindowControls& c = window.model().controls();
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Click(window.widget(c.convert_button));
  window.resize(window.width(), 420);
  CheckLayout(window, "short window");
  auto* column = window.findChild<QScrollArea*>("left_column");
  QVERIFY(column);
  QVERIFY(column->verticalScrollBar()->isVisible());
  QVERIFY(!column->horizontalScrollBar()->isVisible());
  // The operation buttons are reached by scrolling, whole.
  QWidget* convert = window.widget(c.convert_button);
  column->ensureWidgetVisible(convert);
  QApplication::processEvents();
  QRect seen(convert->mapTo(column->viewport(), QPoint(0, 0)), convert->size());
  QVERIFY(column->viewport()->rect().contains(seen));
}

void MainWindowQtTest::NarrowWindowScrollsTheLeftColumnSideways() {
  ProgramFolder folder;
  FakeWindowHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Click(window.widget(c.convert_button));
  CheckLayout(window, "wide window");
  int wide_x = ListsArea(window)->mapTo(&window, QPoint(0, 0)).x();
  window.resize(wide_x + 300, window.height());
  CheckLayout(window, "narrow window");
  auto* column = window.findChild<QScrollArea*>("left_column");
  QVERIFY(column->width() < wide_x);
  QVERIFY(column->horizontalScrollBar()->isVisible());
  QVERIFY(window.widget(c.type_list)->width() > 0);
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
    MainWindowControls& c = window.model().controls();
    window.move(30, 40);
    window.resize(1100, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Far enough that a splitter placed before the lists' area has its width would be
    // pushed back.
    Drag(window.widget(c.list_splitter), 300);
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
  MainWindowControls& c = window.model().controls();
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
  for (const mirvex::ui::UiControl* list : {&c.object_list, &c.type_list}) {
    QVERIFY2(window.widget(*list)->width() >= 119, list->name().c_str());
  }
  Click(window.widget(c.edit_objects_button));
  Click(window.widget(c.line_types_button));
  QVERIFY(window.widget(c.type_list)->isVisible());
  QVERIFY(window.widget(c.type_list)->width() >= 119);

  Click(window.widget(c.map_button));
  QWidget* map = TopLevel("map_window");
  QVERIFY(map);
  QVERIFY(QTest::qWaitForWindowExposed(map));
  QVERIFY(area.contains(map->frameGeometry()));
  map->close();
}
