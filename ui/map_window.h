// The "Карта" window as a headless model: it shows the map the main window's current
// panel concerns (the MIF of the conversion panel, the map to crop, the test map, or
// the result of the last run), lets the user zoom, pan and set the crop rectangle with
// the mouse, and keeps the four crop boxes and the rectangle in step. The bindings
// forward mouse events, paint Draw() and show the controls.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/host.h"
#include "base/platform.h"
#include "mapview/map_view.h"
#include "ui/crop_rectangle.h"
#include "ui/ui_control.h"

namespace mirvex::ui {

class WindowHost;

// The main window as the map window sees it: the panels (the one shown chooses the
// map), the paths they name, the four crop boxes the rectangle keeps in step with, and
// what a load needs to know.
struct MainWindowLink {
  UiControl& welcome_panel;
  UiControl& conversion_panel;
  UiControl& crop_panel;
  UiControl& test_map_panel;
  UiControl& mif_path;
  UiControl& mid_path;
  UiControl& result_path;
  UiControl& crop_map_path;
  UiControl& crop_result_path;
  UiControl& test_map_path;
  UiControl& crop_west;
  UiControl& crop_north;
  UiControl& crop_east;
  UiControl& crop_south;
  // A run writes files: the map waits with its loads.
  std::function<bool()> operation_running;
  // The options a MIF is read with, as the conversion would take them.
  std::function<ConversionOptions()> conversion_options;
  // The program folder with a trailing separator (the dictionary and catalogues).
  std::string program_prefix;
};

// The map window's controls.
struct MapWindowControls {
  UiControl map_window{"map_window"};  // the caption
  // Its value changes whenever the map must be painted again.
  UiControl map_canvas{"map_canvas"};
  // What is shown, how many objects, what could not be read.
  UiControl map_status{"map_status"};
  UiControl map_position{"map_position"};  // the place under the mouse
  UiControl map_progress{"map_progress"};
  UiControl map_stop_button{"map_stop_button"};
  UiControl map_fit_button{"map_fit_button"};
  UiControl map_switch_button{"map_switch_button"};
  UiControl map_reload_button{"map_reload_button"};
};

enum class MouseButton { kLeft, kRight, kMiddle };

// The mouse pointer's shape over the map.
enum class MapCursor {
  kArrow,
  kCross,           // a new crop rectangle can be drawn
  kMove,            // inside the rectangle: drag moves it
  kSizeWestEast,    // on its west or east edge
  kSizeNorthSouth,  // on its north or south edge
  kSizeNwSe,        // on its north-west or south-east corner
  kSizeNeSw,        // on its north-east or south-west corner
  kOpenHand,        // the map can be dragged
  kClosedHand,      // the map is being dragged
};

// What the window is to show: a MIF with its MID, or a Garmin text map.
struct MapSource {
  enum class Kind { kNone, kMif, kTextMap } kind = Kind::kNone;
  std::string path;      // the MIF or the text map (cp1251)
  std::string mid_path;  // kMif
  bool operator==(const MapSource&) const = default;
};

class MapWindow : private Host {
 public:
  // Wheel steps of this many zoom by a factor of two.
  static constexpr double kStepsPerDoubling = 2;
  // A rectangle drawn smaller than this many pixels across is taken for a click.
  static constexpr double kSmallestRectangle = 4;

  MapWindow(MainWindowLink main_window, WindowHost& host);
  ~MapWindow() override;

  MapWindowControls& controls() { return controls_; }
  const MapWindowControls& controls() const { return controls_; }

  mapview::MapView& view() { return view_; }
  const mapview::MapView& view() const { return view_; }
  bool open() const { return open_; }
  bool loading() const { return loading_; }
  // The map the last load read, and what the panels ask for now.
  const MapSource& shown_source() const { return shown_; }
  MapSource WantedSource() const;
  // True on the crop panel: the rectangle is shown and the mouse sets it.
  bool crop_mode() const;

  // The window opens (or is raised) and closes. Closing stops a load and frees the map.
  void Open();
  void OnClosed();

  // The canvas's size in pixels.
  void OnCanvasResized(int width, int height);
  // Left drag: on the crop panel moves the rectangle (inside), resizes it (at an edge or
  // corner) or draws a new one (outside it); elsewhere, and with the other buttons, it
  // pans the map.
  void OnMousePressed(double x, double y, MouseButton button);
  void OnMouseMoved(double x, double y);
  void OnMouseReleased(double x, double y);
  // Zooms at the point; positive steps (the wheel turned away from the user) zoom in.
  void OnWheel(double x, double y, double steps);
  // The keyboard on the canvas: "+" zooms in and "-" out at the canvas's centre by one
  // wheel step; the arrows move the map an eighth of the canvas the arrow's way (what
  // lay beyond that edge comes into view). False for any other key.
  enum class MapKey { kZoomIn, kZoomOut, kLeft, kRight, kUp, kDown };
  bool OnKey(MapKey key);
  void OnFitClicked();
  // Switches between the panel's map and the result of its operation.
  void OnSwitchClicked();
  // Reads the map again (after editing the dictionary or the options).
  void OnReloadClicked();
  void OnStopClicked();

  MapCursor CursorAt(double x, double y) const;
  // The tooltip for the object under the point (cp1251), empty when there is none.
  std::string TooltipAt(double x, double y) const;
  // What to paint now: nothing while a map loads. The list is the window's own and
  // is drawn again, in the same memory, on the next call.
  const mapview::DrawList& Draw() const;

  // The main window tells the map what happened: the panel, a path or the dictionary
  // changed (Refresh), a run ended with a new result (ShowResult).
  void Refresh();
  void ShowResult();

 private:
  // Host: the load reports its progress to the window's own bar.
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  void Beep() override;
  void SetProgressRange(std::int64_t minimum, std::int64_t maximum) override;
  void SetProgressValue(std::int64_t value) override;
  void SetPercentCaption(const std::string& caption) override;
  void ProcessEvents() override;
  bool StopRequested() override;

  void Repaint();
  // Starts the loads the window needs once the current event is handled; one load at a
  // time, a newer request stopping the one that runs.
  void RequestLoad(bool force);
  void RunLoads();
  void Load(const MapSource& source);
  void ShowStatus();
  void UpdateSwitchButton();
  void TakeCropBoxes();
  void PutCropBoxes(const CropBoundTexts& texts);
  std::optional<FileStamp> StampsOf(const MapSource& source) const;

  MainWindowLink main_;
  WindowHost& host_;
  MapWindowControls controls_;
  mapview::MapView view_;
  // The rectangle of view_, as the mouse and the crop boxes set it.
  CropRectangle crop_{view_};
  mutable mapview::DrawList drawn_;
  bool open_ = false;
  bool loading_ = false;
  bool stop_requested_ = false;
  bool stopped_by_user_ = false;  // the load that runs was stopped by "Остановить"
  bool shown_partly_ = false;     // the last load was stopped before the end of its map
  bool load_posted_ = false;
  bool load_pending_ = false;
  bool force_load_ = false;
  bool show_result_ = false;
  bool putting_boxes_ = false;
  // The whole map is in view and stays so when the canvas changes size, until the user
  // zooms or pans.
  bool fitted_ = true;
  MapSource shown_;
  std::optional<FileStamp> shown_stamp_;
  std::optional<FileStamp> shown_dictionary_stamp_;
  std::string status_;  // cp1251: what the last load showed and its notes

  // The drag in progress.
  enum class Drag { kNone, kPan, kCropPart, kNewRectangle } drag_ = Drag::kNone;
  RectanglePart drag_part_ = RectanglePart::kNone;
  double press_x_ = 0, press_y_ = 0, last_x_ = 0, last_y_ = 0;
  std::optional<CropBoundTexts> rectangle_at_press_;
};

}  // namespace mirvex::ui
