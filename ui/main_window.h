// The main window as a headless model: every control is a member value, every event
// handler a plain function. The Qt window binds its widgets to these controls; the
// tests and the command line drive the model directly.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "mapinfo/mid_reader.h"
#include "operations/compile_map.h"
#include "operations/convert.h"
#include "operations/convert_all.h"
#include "settings/program_settings.h"
#include "ui/main_window_controls.h"
#include "ui/map_window.h"
#include "ui/object_window.h"
#include "ui/ui_control.h"
#include "ui/window_host.h"

namespace mirvex::ui {

// Positions of the splitter area, in twips.
inline constexpr int kObjectListLeft = 6540;
inline constexpr int kTypeListGap = 50;
inline constexpr int kTypeListRightMargin = 180;
// Each list keeps at least this width (120 pixels at 96 DPI), at every window size.
inline constexpr int kListMinimumWidth = 1800;
// The narrowest lists' area (from the object list's left edge to the type list's
// right edge): both lists at their least and the gap between them.
int MinimumListsAreaWidth();

// The section of mirvex.ini that keeps where the window was closed.
inline constexpr std::string_view kWindowSection = "Window";

// Where the window stands on the desktop: position and size in device-independent
// pixels, and the splitter's place as thousandths of the lists' area (-1: none stored),
// so that the lists keep their shares at any window size and scale.
struct WindowPlace {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int splitter_share = -1;
  bool maximized = false;  // the window filled the screen; the rest is its normal place
};

// The Garmin type catalogues the type list can show. The values are the indexes of
// their region codes (KindCode), which an assignment stores.
enum class TypeCatalogue { kPoints = 0, kLines = 1, kPolygons = 3 };

class MainWindow : private Host {
 public:
  // `program_folder` holds mirvex.ini, config.ini and object.txt (cp1251, no trailing
  // separator). A read-only window loads the settings like the real one but never
  // writes them back (the command line).
  MainWindow(WindowHost& host, std::string program_folder, bool read_only = false);

  // The window's controls.
  MainWindowControls& controls() { return controls_; }
  const MainWindowControls& controls() const { return controls_; }
  // The value of a System key as the window holds it: the text of its text box, or
  // "1"/"0" for its check box.
  std::string SettingValue(std::string_view key) const;
  // Puts a stored value of a System key into its control: a text box takes the text
  // unchanged, a check box its CheckBoxValue. False for a key that is no option.
  bool ApplySetting(std::string_view key, std::string_view value);
  // The options the operations start from, read from the controls.
  ConversionOptions conversion_options() const;
  CropOptions crop_options() const;
  // mkgmap and its options from the compiler settings; the output folder is the map's.
  CompileOptions compile_options() const;
  // The saved path triples, in the order of the lists.
  std::vector<ConversionPaths> saved_triples() const;

  const std::string& program_prefix() const { return program_prefix_; }
  bool operation_running() const { return operation_running_; }

  // Window load: the template, the options and the saved paths, in their order.
  void Load();

  // Event handlers. The three operation buttons show their panel, or run the operation
  // when it is shown.
  void OnConvertClicked();
  void OnCropClicked();
  void OnTestMapClicked();
  // "Конвертировать все": every saved triple with the options shown.
  void OnConvertAllClicked();
  // "Собрать IMG": compiles the result of the last conversion or crop.
  void OnCompileClicked();
  // Compiles a map into `output_folder` (empty: the map's folder) as "Собрать IMG"
  // does (the command line).
  void CompileMapFile(const std::string& map, const std::string& output_folder);
  // Shows the compiler settings (the path of mkgmap and its options).
  void OnCompilerSettingsClicked();
  // During a run: asks whether to stop it, and ends the program once it has stopped.
  void OnExitClicked();
  // Asks the running operation to stop (the "Отмена" button, Esc).
  void OnCancelClicked();
  void OnCopyResultClicked();      // the conversion result becomes the map to crop
  void OnSavePathsClicked();       // save the path triple
  void OnDeletePathsClicked();     // delete the path triple
  void OnHeaderTemplateClicked();  // show the header template
  void OnGeoreferenceClicked();    // show the georeferencing parameters
  void OnHelpClicked();
  // Where a file dialog for the path box `box` starts: the box's path when its folder
  // exists, else the MIF's folder when that exists, else empty (the dialog's own choice).
  std::string FileDialogStart(const UiControl& box) const;
  // A file chosen in the dialog of `box` goes into it. `path` is cp1251; `fits` is false
  // when some character of the chosen name has no cp1251 byte: such a path would name
  // another file, so it is refused with a message and nothing changes. A result path
  // without an extension gets ".mp"; a chosen MIF fills an empty MID box with its MID
  // (".mid" or ".MID", whichever exists) and an empty result box with its name and ".mp".
  void OnFileChosen(UiControl& box, std::string path, bool fits);
  void OnSplitterPressed(double x);
  void OnSplitterMoved(double x);
  void OnSplitterReleased();
  // The window's width changed (twips).
  void OnWindowResized(int width);
  // The lists' area, as a binding lays it out, is `width` twips wide (from the object
  // list's left edge to the type list's right margin): the window takes the width that
  // holds it there, and the splitter stays within its stops. Once `shown` (the area has
  // its real width, not a placeholder's before the window shows), a share waiting from
  // PlaceSplitterAtShareOnShow puts the splitter instead, once.
  void OnListsAreaResized(int width, bool shown);
  // The splitter goes to `share` (thousandths; -1 none) when the shown area is fitted.
  void PlaceSplitterAtShareOnShow(int share) { pending_splitter_share_ = share; }
  // Puts the splitter's left edge at `left` (twips) with the stops of a drag, and the two
  // lists beside it; the type list reaches the window's right margin. Each list keeps
  // kListMinimumWidth; in a window too narrow for both the two share the room.
  void PlaceSplitter(int left);
  // The splitter's place as thousandths of the lists' area, and the splitter put back at
  // such a share.
  int SplitterShare() const;
  void PlaceSplitterAtShare(int share);
  // The place stored by SaveWindowPlace; empty when none is stored or it is unusable (a
  // missing key, a size of 0 or less).
  std::optional<WindowPlace> StoredWindowPlace() const;
  // Stores the place in mirvex.ini (never in a read-only window).
  void SaveWindowPlace(const WindowPlace& place);
  // Hides and disables the editing controls and empties both lists.
  void ResetEditingControls();

  // The MID browser: the column view a hundred rows at a time, and the editing mode
  // that lists the distinct object descriptions.
  void OnColumnViewClicked();
  void OnPreviousRowsClicked();
  void OnNextRowsClicked();
  // False when the page could not be read (the reason is shown).
  bool ShowColumnPage(int first_row, int last_row);
  void OnEditObjectsClicked();
  // The type catalogues and the assignments.
  void OnTypeCatalogueClicked(TypeCatalogue catalogue);
  void OnAssignTypeClicked();          // assign the catalogue entry to the selected lines
  void OnTypeListDoubleClicked() { OnAssignTypeClicked(); }
  void OnAssignDefaultTypeClicked();   // assign it to the default-type record
  void OnDeleteObjectsClicked();       // leave the selected lines out of the map
  void OnLevelClicked();               // give them the slider's level
  void OnLevelSliderMoved(int value);  // while dragging: only the level button's caption
  // The object information window.
  void OnObjectListDoubleClicked(int index);
  // The user closes the object window: false (with the reason shown) when its type
  // cannot be stored, and the window stays open; true when it may close.
  bool OnObjectWindowClosing();
  // The window is gone: stores the record (also when it goes with the main window).
  void OnObjectWindowClosed();
  // Esc: the window goes, the record stays as it was.
  void OnObjectWindowCancelled();
  ObjectWindow* object_window() { return object_window_.get(); }
  // "Карта": opens the map window (or raises it) showing the current panel's map.
  void OnMapClicked();
  MapWindow& map_window() { return *map_window_; }
  // Runs when the map window opens, so the screen can show it or bring it to the front.
  std::function<void(MapWindow&)> on_map_window_shown;
  // Runs when the object window opens, so the screen can show it.
  std::function<void(ObjectWindow&)> on_object_window_shown;

  // The first object list line equal to the edited line becomes the record's display
  // line.
  void UpdateObjectLine(const ObjectRecord& record);
  ObjectRecord& edited_record() { return edited_record_; }
  const std::string& edited_line() const { return edited_line_; }

  // Results of the last operation started from the window.
  OperationStatus last_status() const { return last_status_; }
  // What the last conversion or crop wrote, by section.
  const SectionCounts& last_counts() const { return last_counts_; }
  const BatchResult& last_batch() const { return last_batch_; }
  const CompileResult& last_compile() const { return last_compile_; }
  // The map "Собрать IMG" compiles: the result of the last completed conversion or
  // crop; empty before one (the button is then disabled).
  const std::string& compile_target() const { return compile_target_; }

 private:
  // Host: the operations' progress and messages pass through the window's controls.
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  void Beep() override;
  void SetProgressRange(std::int64_t minimum, std::int64_t maximum) override;
  void SetProgressValue(std::int64_t value) override;
  void SetPercentCaption(const std::string& caption) override;
  void ProcessEvents() override;
  bool StopRequested() override;
  void SetCropRunning(bool running) override;

  void CreateControls();
  void WireSettings();
  // A check box of the System key `key` changed.
  void OnCheckBox(UiControl& box, std::string_view key);
  // Stores a setting unless the window is read-only.
  void Store(std::string_view section, std::string_view key, const std::string& value);
  void WriteSystem(std::string_view key, const std::string& value) { Store(kSystemSection, key, value); }
  void OnTemplateChanged();
  void ShowOnly(const UiControl& panel);
  // The two presses of an operation button: show its panel, or run the operation;
  // true when it ran.
  template <typename Operation>
  bool RunOperation(UiControl& panel, Operation operation);
  // Runs an operation with the other operations' buttons disabled and "Отмена" shown.
  template <typename Operation>
  void RunGuarded(Operation operation);
  // What "Собрать IMG" compiles from now on (empty: nothing, the button disabled).
  void ShowNewResult(const std::string& result_path);
  void SetCompileTarget(const std::string& map);
  // The column count of the MIF header into its box (a missing MIF is reported).
  void ReadColumnCountFromHeader();

  WindowHost& host_;
  std::string program_folder_;
  std::string program_prefix_;
  bool read_only_;
  bool loading_ = false;
  bool operation_running_ = false;
  bool stop_requested_ = false;
  bool quit_after_run_ = false;
  bool template_failure_reported_ = false;
  bool dragging_ = false;
  int drag_x_ = 0;
  int pending_splitter_share_ = -1;
  MainWindowControls controls_;
  // The MID browser and the dictionary editing.
  bool ColumnsUsable();
  // Shows the page `step` rows on from the one shown, and moves there if it could be shown.
  void TurnColumnPage(int step);
  std::string DictionaryFile() const;
  template <typename Edit>
  void EditSelectedLines(Edit edit);
  void SetSelectedLevel();
  void AssignType(Host& host, const std::string& name, const std::string& type);
  // Loads the record of the line's description into edited_record_, or a fresh record
  // with only that name when the dictionary holds none.
  void StartFromRecordOf(Host& host, const std::string& line);
  int page_start_ = 1;
  int page_end_ = 100;
  // The record the last edit loaded or stored, and the object list line it belongs to.
  ObjectRecord edited_record_;
  std::string edited_line_;
  // The catalogue the type list holds.
  TypeCatalogue loaded_catalogue_ = TypeCatalogue::kPoints;
  std::unique_ptr<ObjectWindow> object_window_;
  std::unique_ptr<MapWindow> map_window_;
  MidRecord mid_record_;  // the MID record the column view and the editing mode read
  OperationStatus last_status_ = OperationStatus::kFailed;
  SectionCounts last_counts_;
  BatchResult last_batch_;
  CompileResult last_compile_;
  std::string compile_target_;
};

}  // namespace mirvex::ui
