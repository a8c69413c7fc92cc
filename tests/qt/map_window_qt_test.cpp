// The map window opened from the real Qt main window: regions with holes, the drawn
// pictures against their references, a crop rectangle drawn on the map, and the keys.
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
using mirvex::test::kTestData;
using mirvex::test::ProgramFolder;
using mirvex::test::ReadBytes;
using mirvex::test::WriteBytes;
using mirvex::ui::MainWindowControls;
using mirvex::ui::qt::QtMainWindow;

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

// The sample map drawn from its MIF, and its converted map with the crop rectangle,
// compared with the reviewed pictures: at most 2 % of the pixels may differ (a label's
// glyphs vary with the fonts a machine has), and the crop rectangle's colour must be
// where the reference has it. A missing reference is written for review.
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
  MainWindowControls& c = window.model().controls();
  Click(window.widget(c.crop_button));
  auto* map_path = qobject_cast<QLineEdit*>(window.widget(c.crop_map_path));
  map_path->clear();
  QTest::keyClicks(map_path, QString::fromStdString(map.string()));
}

}  // namespace

void MainWindowQtTest::RectangleDrawnOnTheMapCropsAsTheCommandLineDoes() {
  ProgramFolder folder;
  EventLoopHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  OpenCropPanelOn(window, kTestData / "sample.expected.mp");
  auto* result = qobject_cast<QLineEdit*>(window.widget(c.crop_result_path));
  result->clear();
  QTest::keyClicks(result, QString::fromStdString((folder.path / "window-cut.mp").string()));

  Click(window.widget(c.map_button));
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
  for (const mirvex::ui::UiControl* bound : {&c.crop_west, &c.crop_north, &c.crop_east, &c.crop_south}) {
    QString text = qobject_cast<QLineEdit*>(window.widget(*bound))->text();
    QVERIFY2(!text.isEmpty(), bound->name().c_str());
    bounds << text;
  }
  QCOMPARE(QString::fromStdString(folder.Setting("Koord2")), bounds[0]);
  QVERIFY(InkedPixels(canvas) != blank);  // the rectangle shows

  Click(window.widget(c.crop_button));
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
  Click(window.widget(model.controls().map_fit_button));
  QCOMPARE(model.view().scale(), fitted);

  // Closing frees the map; "Карта" opens it again with the map.
  window.map_window()->close();
  QVERIFY(model.view().empty());
  Click(window.widget(c.map_button));
  QTRY_VERIFY(!model.loading() && !model.view().empty());
  QVERIFY(host.messages.size() == 1);  // "Редактирование карты завершено" or the like, nothing else
}

// "+" and "-" zoom at the canvas's centre and the arrows move the map, pressed on the
// canvas.
void MainWindowQtTest::KeysZoomAndMoveTheMap() {
  ProgramFolder folder;
  EventLoopHost host;
  QtMainWindow window(host, folder.text());
  MainWindowControls& c = window.model().controls();
  window.show();
  OpenCropPanelOn(window, kTestData / "sample.expected.mp");
  Click(window.widget(c.map_button));
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
