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
  fs::path home = fs::temp_directory_path() / "mirvex-screenshots";
  fs::remove_all(home);
  fs::create_directories(home);
  fs::path data = MIRVEX_SOURCE_DATA;
  for (const char* file : {"config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"}) {
    fs::copy_file(data / file, home / file);
  }
  fs::copy_file(data / "sample/mirvex.ini", home / "mirvex.ini");

  ScreenHost host;
  mirvex::ui::qt::QtMainWindow window(host, mirvex::PathText(home));
  host.set_parent(&window);
  mirvex::ui::MainWindow& model = window.model();
  std::string sample = mirvex::PathText(data / "sample" / "sample");
  model.control("mif_path").SetText(sample + ".mif");
  model.control("mid_path").SetText(sample + ".mid");
  model.control("result_path").SetText(mirvex::PathText(home / "sample.mp"));
  model.OnSavePathsClicked();
  window.show();

  auto shoot = [&](const char* name) {
    QApplication::processEvents();
    window.grab().save(QString::fromStdString((out / name).string()));
  };
  shoot("welcome.png");
  model.OnConvertClicked();
  shoot("conversion.png");
  // A conversion part way, as the window shows it while it runs: the operation buttons
  // greyed, the percentage, and "Отмена" to stop it.
  {
    const char* buttons[] = {"convert_button",      "crop_button",         "test_map_button",
                             "header_template_button", "georeference_button", "compiler_settings_button",
                             "column_view_button",  "edit_objects_button", "save_paths_button",
                             "delete_paths_button", "convert_all_button"};
    for (const char* button : buttons) model.control(button).SetEnabled(false);
    model.control("progress_bar").SetRange(1, 100);
    model.control("progress_bar").SetValue(42);
    model.control("progress_percent").SetText("42");
    model.control("cancel_button").SetVisible(true);
    shoot("stopping.png");
    model.control("cancel_button").SetVisible(false);
    model.control("progress_percent").SetText("");
    model.control("progress_bar").SetValue(1);
    for (const char* button : buttons) model.control(button).SetEnabled(true);
  }
  model.OnGeoreferenceClicked();
  shoot("georeferencing.png");
  model.OnHeaderTemplateClicked();
  shoot("header-template.png");
  // The compiler settings after a conversion: "Собрать IMG" is enabled.
  model.OnConvertClicked();
  model.OnCompilerSettingsClicked();
  shoot("compiler-settings.png");
  model.OnCropClicked();
  shoot("crop.png");
  model.OnTestMapClicked();
  shoot("test-map.png");

  // The dictionary editing beside the conversion panel: the MID columns, then the
  // object list with the polygon catalogue and a line selected, then the object window.
  model.OnConvertClicked();
  model.OnColumnViewClicked();
  shoot("column-view.png");
  model.OnEditObjectsClicked();
  model.OnTypeCatalogueClicked(mirvex::ui::TypeCatalogue::kPolygons);
  model.control("object_list").SetSelected(1, true);
  model.control("object_list").SetListIndex(1);
  model.control("type_list").SetListIndex(0);
  shoot("editing-mode.png");
  model.OnObjectListDoubleClicked(1);
  QApplication::processEvents();
  for (QWidget* object_window : QApplication::topLevelWidgets()) {
    if (object_window->objectName() != "object_window" || !object_window->isVisible()) continue;
    object_window->grab().save(QString::fromStdString((out / "object-window.png").string()));
    // Closed before the main window goes, which it stores into.
    object_window->close();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  fs::remove_all(home);
  return 0;
}
