// The real Qt main window, driven through its widgets on the offscreen platform: one
// test class whose cases lie in files by subject, and the helpers they share.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QRandomGenerator>
#include <QWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/platform.h"
#include "settings/ini_file.h"

// The cases are defined in the files of their subjects: main_window_qt_test.cpp (the
// panels, the settings, the editing), main_window_qt_layout_test.cpp (the layout and the
// window's place) and map_window_qt_test.cpp (the map window).
class MainWindowQtTest : public QObject {
  Q_OBJECT

 private slots:
  void PanelsTakeTurnsAndSecondPressesRunTheOperations();
  void CheckBoxClickStoresItsKeyAndGreysItsBox();
  void CropClipBoxCutsObjectsAtTheRectangle();
  void ConversionOptionBoxesStoreTheirKeys();
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

namespace mirvex::test {

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A program folder with the shipped files, removed afterwards.
struct ProgramFolder {
  ProgramFolder() {
    path = std::filesystem::temp_directory_path() /
           ("mirvex-qt-" + std::to_string(QRandomGenerator::global()->generate()));
    std::filesystem::create_directories(path);
    std::filesystem::path data = MIRVEX_SOURCE_DATA;
    for (const char* file : {"config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"}) {
      std::filesystem::copy_file(data / file, path / file);
    }
    std::filesystem::copy_file(data / "sample/mirvex.ini", path / "mirvex.ini");
  }
  ~ProgramFolder() { std::filesystem::remove_all(path); }
  std::string text() const { return mirvex::PathText(path); }
  std::string Setting(const char* key) const { return mirvex::ReadSetting(text(), "System", key); }
  std::filesystem::path path;
};

inline const std::filesystem::path kData = MIRVEX_SOURCE_DATA;
inline const std::filesystem::path kTestData = MIRVEX_TEST_DATA;

inline void Click(QWidget* widget) {
  QVERIFY(widget);
  QTest::mouseClick(widget, Qt::LeftButton);
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline QWidget* TopLevel(const char* name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name && widget->isVisible()) return widget;
  }
  return nullptr;
}

inline void Type(QComboBox* combo, const std::filesystem::path& path) {
  combo->lineEdit()->clear();
  QTest::keyClicks(combo->lineEdit(), QString::fromStdString(path.string()));
}

}  // namespace mirvex::test
