// The main window on the screen: Qt widgets bound to the headless model.
#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>

#include "base/window_start.h"
#include "ui/main_window.h"

class QBoxLayout;
class QCoreApplication;
class QGridLayout;
class QGroupBox;
class QListWidget;
class QScrollArea;

namespace mirvex::ui::qt {

class MapWindowQt;
class SplitterHandle;

class QtMainWindow : public QMainWindow {
 public:
  // `host` shows messages and opens documents (the application's QtHost, or a test's).
  QtMainWindow(WindowHost& host, std::string program_folder, QWidget* parent = nullptr);
  ~QtMainWindow() override;

  MainWindow& model() { return *model_; }
  // The map window once "Карта" has opened it.
  MapWindowQt* map_window() const { return map_window_; }
  // The widget bound to a control of this window, of its map window or of its open
  // object window; a control of this window also by its member, for tables.
  QWidget* widget(const UiControl& control) const;
  QWidget* widget(MainControl control) const { return widget(model_->controls().*control); }
  // Twips per device-independent pixel of this screen.
  double twips_per_pixel() const { return twips_per_pixel_; }
  // The window was closed maximized: it opens so again (its normal place is restored too).
  bool opens_maximized() const { return opens_maximized_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildWelcome();
  QWidget* BuildConversion();
  QWidget* BuildCompilerSettings();
  QWidget* BuildCrop();
  QWidget* BuildTestMap();
  QWidget* BuildOperations();
  QWidget* BuildObjects();
  QGroupBox* Frame(UiControl& control);
  void AddCorner(QGridLayout* grid, int& row, const char* caption, UiControl& latitude_box, UiControl& longitude_box);
  void ChooseFile(UiControl& box, const std::string& start, const char* filter, bool save);
  void LayoutLists();
  // Tells the model the lists' area (its width, the splitter kept within its stops) and
  // lays the lists out there.
  void FitListsToTheirArea();
  void RestorePlace();
  void ShowObjectWindow(ObjectWindow& object_window);
  void ShowMapWindow(MapWindow& map_window);
  int Pixels(int twips) const;

  WindowHost& host_;
  std::unique_ptr<MainWindow> model_;
  double twips_per_pixel_ = 15;
  QWidget* left_area_ = nullptr;
  QScrollArea* left_scroll_ = nullptr;
  bool placed_ = false;  // fitted to the screen with its real frame once shown
  bool opens_maximized_ = false;
  QWidget* lists_area_ = nullptr;
  QListWidget* object_list_ = nullptr;
  QListWidget* type_list_ = nullptr;
  SplitterHandle* splitter_ = nullptr;
  MapWindowQt* map_window_ = nullptr;
};

// Runs the window as the program's main loop; returns the exit status. Without a
// usable display it says so on standard error and returns kWindowCannotStart.
// Loads Qt's Russian translation (beside the program, else the system's); false when
// neither is there.
bool InstallRussianTranslation(QCoreApplication& app);
int RunMainWindow(int argc, char** argv);

}  // namespace mirvex::ui::qt
