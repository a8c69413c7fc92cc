// Renders each panel of the main window to PNG files: mirvex_screenshots OUTPUT_DIR.
// The window works on a copy of the shipped program folder with the sample map.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/cp1251.h"
#include "base/platform.h"
#include "ui/qt/main_window_qt.h"
#include "ui/qt/map_window_qt.h"
#include "tests/screenshot_tour.h"
#include "ui/qt/qt_host.h"

namespace fs = std::filesystem;

namespace {

// Measures texts in the window's font as the application does (the column view's
// blanks depend on it); a message goes to the error output instead of a modal box.
class ScreenHost : public mirvex::ui::qt::QtHost {
 public:
  void ShowMessage(const std::string& text, const std::string&, mirvex::MessageIcon) override {
    std::fprintf(stderr, "%s\n", mirvex::Cp1251ToUtf8(text).c_str());
  }
  void Beep() override {}
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  fs::path out = argv[1];
  fs::create_directories(out);
  fs::path data = MIRVEX_SOURCE_DATA;
  fs::path home = mirvex::test::ScreenshotProgramFolder(data);

  ScreenHost host;
  mirvex::ui::qt::QtMainWindow window(host, mirvex::PathText(home));
  host.set_parent(&window);
  mirvex::ui::MainWindow& model = window.model();
  std::string sample = mirvex::PathText(data / "sample" / "sample");
  model.controls().mif_path.SetText(sample + ".mif");
  model.controls().mid_path.SetText(sample + ".mid");
  model.controls().result_path.SetText(mirvex::PathText(home / "sample.mp"));
  model.OnSavePathsClicked();
  window.show();

  mirvex::test::ScreenshotTour(model, [&](const char* name) {
    QApplication::processEvents();
    window.grab().save(QString::fromStdString((out / (std::string(name) + ".png")).string()));
  });
  model.OnObjectListDoubleClicked(1);
  QApplication::processEvents();
  for (QWidget* object_window : QApplication::topLevelWidgets()) {
    if (object_window->objectName() != "object_window" || !object_window->isVisible()) continue;
    object_window->grab().save(QString::fromStdString((out / "object-window.png").string()));
    // Closed before the main window goes, which it stores into.
    object_window->close();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  // The map window: the sample MIF coloured by the dictionary beside the conversion
  // panel, then the converted sample with the crop rectangle of the settings.
  mirvex::ui::MapWindow& map = model.map_window();
  auto shoot_map = [&](const char* name) {
    QApplication::processEvents();
    while (map.loading() || !window.map_window()->isVisible()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    window.map_window()->grab().save(QString::fromStdString((out / (std::string(name) + ".png")).string()));
  };
  model.OnConvertClicked();
  model.OnMapClicked();
  window.map_window()->resize(960, 640);
  shoot_map("map-conversion");
  model.controls().crop_map_path.SetText(mirvex::PathText(home / "sample.mp"));
  model.OnCropClicked();
  shoot_map("map-crop");
  window.map_window()->close();
  fs::remove_all(home);
  return 0;
}
