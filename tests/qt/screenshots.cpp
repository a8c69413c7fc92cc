// Renders each panel of the main window to PNG files: mirvex_screenshots OUTPUT_DIR.
// The window works on a copy of the shipped program folder with the sample map.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <filesystem>
#include <string>

#include "core/platform.h"
#include "tests/qt/fake_host.h"
#include "ui/qt/main_window_qt.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  fs::path out = argv[1];
  fs::create_directories(out);
  fs::path home = fs::temp_directory_path() / "mirvex-screenshots";
  fs::remove_all(home);
  fs::create_directories(home);
  fs::path data = MIRVEX_SOURCE_DATA;
  for (const char* file : {"config.ini", "object.txt"}) fs::copy_file(data / file, home / file);
  fs::copy_file(data / "sample/mirvex.ini", home / "mirvex.ini");

  mirvex::test::FakeWindowHost host;
  mirvex::ui::qt::QtMainWindow window(host, mirvex::PathText(home));
  mirvex::ui::MainWindow& model = window.model();
  std::string sample = mirvex::PathText(data / "sample" / "sample");
  model.control("Combo1").SetText(sample + ".mif");
  model.control("Combo2").SetText(sample + ".mid");
  model.control("Combo3").SetText(mirvex::PathText(home / "sample.mp"));
  model.Command44_Click();
  window.show();

  auto shoot = [&](const char* name) {
    QApplication::processEvents();
    window.grab().save(QString::fromStdString((out / name).string()));
  };
  shoot("welcome.png");
  model.Command5_Click();
  shoot("conversion.png");
  model.Command51_Click();
  shoot("georeferencing.png");
  model.Command49_Click();
  shoot("header-template.png");
  model.Command1_Click();
  shoot("crop.png");
  model.Command2_Click();
  shoot("test-map.png");
  fs::remove_all(home);
  return 0;
}
