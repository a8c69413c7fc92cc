// The panels and modes the screenshots of both windows show, in order: `shoot` saves a
// picture under the name given (without its extension).
#pragma once

#include <filesystem>
#include <functional>

#include "ui/main_window.h"

namespace mirvex::test {

// A fresh program folder for the screenshots: the shipped files of `data` and the
// sample's settings.
inline std::filesystem::path ScreenshotProgramFolder(const std::filesystem::path& data) {
  namespace fs = std::filesystem;
  fs::path home = fs::temp_directory_path() / "mirvex-screenshots";
  fs::remove_all(home);
  fs::create_directories(home);
  for (const char* file : {"config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"}) {
    fs::copy_file(data / file, home / file);
  }
  fs::copy_file(data / "sample/mirvex.ini", home / "mirvex.ini");
  return home;
}

inline void ScreenshotTour(ui::MainWindow& model, const std::function<void(const char*)>& shoot) {
  shoot("welcome");
  model.OnConvertClicked();
  shoot("conversion");
  // A conversion part way, as the window shows it while it runs: the operation buttons
  // greyed, the percentage, and "Отмена" to stop it.
  ui::MainWindowControls& c = model.controls();
  ui::UiControl* const buttons[] = {&c.convert_button,         &c.crop_button,         &c.test_map_button,
                                    &c.header_template_button, &c.georeference_button, &c.compiler_settings_button,
                                    &c.column_view_button,     &c.edit_objects_button, &c.save_paths_button,
                                    &c.delete_paths_button,    &c.convert_all_button};
  for (ui::UiControl* button : buttons) button->SetEnabled(false);
  model.controls().progress_bar.SetRange(1, 100);
  model.controls().progress_bar.SetValue(42);
  model.controls().progress_percent.SetText("42");
  model.controls().cancel_button.SetVisible(true);
  shoot("stopping");
  model.controls().cancel_button.SetVisible(false);
  model.controls().progress_percent.SetText("");
  model.controls().progress_bar.SetValue(1);
  for (ui::UiControl* button : buttons) button->SetEnabled(true);
  model.OnGeoreferenceClicked();
  shoot("georeferencing");
  model.OnHeaderTemplateClicked();
  shoot("header-template");
  // The compiler settings after a conversion: "Собрать IMG" is enabled.
  model.OnConvertClicked();
  model.OnCompilerSettingsClicked();
  shoot("compiler-settings");
  model.OnCropClicked();
  shoot("crop");
  model.OnTestMapClicked();
  shoot("test-map");
  // The dictionary editing beside the conversion panel: the MID columns, then the
  // object list with the polygon catalogue and a line selected.
  model.OnConvertClicked();
  model.OnColumnViewClicked();
  shoot("column-view");
  model.OnEditObjectsClicked();
  model.OnTypeCatalogueClicked(ui::TypeCatalogue::kPolygons);
  model.controls().object_list.SetSelected(1, true);
  model.controls().object_list.SetListIndex(1);
  model.controls().type_list.SetListIndex(0);
  shoot("editing-mode");
}

}  // namespace mirvex::test
