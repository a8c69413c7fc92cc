#include "ui/map_window.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/cp1251.h"
#include "base/text.h"
#include "dictionary/object_dictionary.h"
#include "ui/window_host.h"

namespace mirvex::ui {

namespace {

// The last component of a path, whichever separator it uses.
std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PlaneNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

MapWindow::MapWindow(MainWindowLink main_window, WindowHost& host) : main_(std::move(main_window)), host_(host) {
  controls_.map_window.SetText(Ru("Карта"));
  controls_.map_progress.SetVisible(false);
  controls_.map_stop_button.SetText(Ru("Остановить"));
  controls_.map_stop_button.SetVisible(false);
  controls_.map_fit_button.SetText(Ru("Вся карта"));
  controls_.map_switch_button.SetText(Ru("Показать результат"));
  controls_.map_reload_button.SetText(Ru("Обновить"));

  // The rectangle follows the four crop boxes however they change.
  for (UiControl* box : {&main_.crop_west, &main_.crop_north, &main_.crop_east, &main_.crop_south}) {
    box->Subscribe([this](UiControl&, Change change) {
      if (change == Change::kText && !putting_boxes_ && open_) {
        TakeCropBoxes();
        Repaint();
      }
    });
  }
  // What the panels show, and the paths they read, choose the map.
  for (UiControl* panel : {&main_.conversion_panel, &main_.crop_panel, &main_.test_map_panel, &main_.welcome_panel}) {
    panel->Subscribe([this](UiControl&, Change change) {
      if (change != Change::kVisible || !open_) return;
      show_result_ = false;
      Refresh();
    });
  }
  for (UiControl* path : {&main_.mif_path, &main_.mid_path, &main_.result_path, &main_.crop_map_path,
                          &main_.crop_result_path, &main_.test_map_path}) {
    path->Subscribe([this](UiControl&, Change change) {
      if (change == Change::kText && open_) Refresh();
    });
  }
}

MapWindow::~MapWindow() = default;

void MapWindow::Repaint() {
  UiControl& canvas = controls_.map_canvas;
  canvas.SetValue(canvas.value() + 1);
}

bool MapWindow::crop_mode() const { return main_.crop_panel.visible(); }

MapSource MapWindow::WantedSource() const {
  MapSource source;
  auto text_map = [&source](const std::string& path) {
    source.kind = MapSource::Kind::kTextMap;
    source.path = path;
  };
  if (main_.conversion_panel.visible()) {
    if (show_result_) {
      text_map(main_.result_path.text());
    } else {
      source.kind = MapSource::Kind::kMif;
      source.path = main_.mif_path.text();
      source.mid_path = main_.mid_path.text();
    }
  } else if (main_.crop_panel.visible()) {
    text_map((show_result_ ? main_.crop_result_path : main_.crop_map_path).text());
  } else if (main_.test_map_panel.visible()) {
    text_map(main_.test_map_path.text());
  }
  if (source.kind != MapSource::Kind::kNone && source.path.empty()) source = MapSource();
  return source;
}

// --- Opening, closing and loading --------------------------------------------------

void MapWindow::Open() {
  if (!open_) {
    open_ = true;
    show_result_ = false;
    shown_ = MapSource();
  }
  Refresh();
}

void MapWindow::OnClosed() {
  open_ = false;
  drag_ = Drag::kNone;
  // Nothing more to load. A load that runs is stopped, and the view emptied once it
  // has returned (it fills the view as it reads).
  load_pending_ = false;
  if (loading_) stop_requested_ = true;
  else view_.Clear();
  drawn_ = mapview::DrawList();
  shown_ = MapSource();
}

void MapWindow::Refresh() { RequestLoad(false); }

void MapWindow::ShowResult() {
  if (!open_) return;
  show_result_ =
      WantedSource().kind != MapSource::Kind::kNone && (main_.conversion_panel.visible() || main_.crop_panel.visible());
  RequestLoad(false);
}

void MapWindow::OnReloadClicked() { RequestLoad(true); }

void MapWindow::OnStopClicked() {
  if (!loading_) return;
  stop_requested_ = true;
  stopped_by_user_ = true;
}

void MapWindow::OnSwitchClicked() {
  show_result_ = !show_result_;
  RequestLoad(false);
}

// A request for another map, or to read the map again, stops a load that runs; the
// loop below then starts the newest. A request for the map being read lets the read go
// on. The load itself starts once the current event is handled, so that a change of one
// box that moves its partners (a saved MIF path choosing its MID) loads once.
void MapWindow::RequestLoad(bool force) {
  if (!open_) return;
  load_pending_ = true;
  force_load_ = force_load_ || force;
  if (loading_) {
    if (force || !(WantedSource() == shown_)) stop_requested_ = true;
    return;
  }
  if (load_posted_) return;
  load_posted_ = true;
  host_.RunSoon([this] {
    load_posted_ = false;
    RunLoads();
  });
}

void MapWindow::RunLoads() {
  // A run of an operation writes the files the map shows; its end asks again.
  if (loading_ || main_.operation_running()) return;
  while (load_pending_ && open_) {
    load_pending_ = false;
    bool force = force_load_;
    force_load_ = false;
    MapSource wanted = WantedSource();
    UpdateSwitchButton();
    std::optional<FileStamp> dictionary;
    if (wanted.kind == MapSource::Kind::kMif)
      dictionary = StampOf(std::string_view(DictionaryPath(main_.program_prefix)));
    if (!force && !shown_partly_ && wanted == shown_ && StampsOf(wanted) == shown_stamp_ &&
        dictionary == shown_dictionary_stamp_) {
      continue;
    }
    shown_dictionary_stamp_ = dictionary;
    Load(wanted);
  }
  if (!open_) view_.Clear();
}

std::optional<FileStamp> MapWindow::StampsOf(const MapSource& source) const {
  std::optional<FileStamp> stamp = StampOf(std::string_view(source.path));
  if (stamp && source.kind == MapSource::Kind::kMif) {
    // A changed MID changes what the objects are coloured by.
    if (std::optional<FileStamp> mid = StampOf(std::string_view(source.mid_path))) {
      stamp->size ^= mid->size;
      stamp->modified_ns ^= mid->modified_ns;
      stamp->changed_ns ^= mid->changed_ns;
    }
  }
  return stamp;
}

void MapWindow::Load(const MapSource& source) {
  // The same map read again keeps the place the user looks at.
  bool same_map = source == shown_ && !view_.empty();
  mapview::MapPoint centre = view_.centre();
  double scale = view_.scale();
  shown_ = source;
  shown_stamp_ = StampsOf(source);
  shown_partly_ = false;
  controls_.map_window.SetText(source.kind == MapSource::Kind::kNone ? Ru("Карта")
                                                                     : Ru("Карта — ") + FileNameOf(source.path));
  if (source.kind == MapSource::Kind::kNone) {
    view_.Clear();
    status_ = Ru("Откройте панель конвертирования или редактирования карты: здесь будет показана ее карта.");
    ShowStatus();
    Repaint();
    return;
  }

  loading_ = true;
  stop_requested_ = false;
  stopped_by_user_ = false;
  status_ = Ru("Чтение карты ") + FileNameOf(source.path) + "...";
  ShowStatus();
  controls_.map_progress.SetValue(0);
  controls_.map_progress.SetVisible(true);
  controls_.map_stop_button.SetVisible(true);
  Repaint();
  mapview::LoadResult result =
      source.kind == MapSource::Kind::kMif
          ? view_.LoadMif(source.path, source.mid_path, main_.conversion_options(), main_.program_prefix, *this)
          : view_.LoadTextMap(source.path, *this);
  loading_ = false;
  controls_.map_progress.SetVisible(false);
  controls_.map_stop_button.SetVisible(false);

  if (crop_mode()) TakeCropBoxes();
  else view_.ClearCrop();
  if (same_map && !fitted_ && result.status == mapview::LoadStatus::kCompleted) {
    view_.SetCentre(centre);
    view_.SetScale(scale);
  } else {
    view_.Fit();
    fitted_ = true;
  }
  // A stopped map is read again when it is asked for next.
  shown_partly_ = result.status == mapview::LoadStatus::kStopped;
  // A read that gave way to a newer request says nothing: the newest map is read next
  // and its status replaces this one. Only the user's own stop is reported as a stop.
  if (result.status == mapview::LoadStatus::kStopped && !stopped_by_user_ && load_pending_) {
    Repaint();
    return;
  }
  status_ = FileNameOf(source.path) + ", " + ObjectCount(static_cast<long long>(view_.objects_read()));
  if (!result.coordinates_in_words.empty()) status_ += ", " + result.coordinates_in_words;
  if (result.status == mapview::LoadStatus::kStopped) status_ += Ru(", чтение остановлено");
  for (const std::string& note : result.notes) status_ += std::string(kLineBreak) + note;
  ShowStatus();
  Repaint();
}

void MapWindow::ShowStatus() {
  std::string text = status_;
  if (crop_mode() && !loading_ && !view_.empty()) {
    text += std::string(kLineBreak) +
            Ru("Левая кнопка мыши: нарисовать прямоугольник обрезки, передвинуть его или потянуть за край; "
               "правая: сдвинуть карту; колесо: масштаб.");
  }
  controls_.map_status.SetText(text);
}

void MapWindow::UpdateSwitchButton() {
  bool has_result = main_.conversion_panel.visible() || main_.crop_panel.visible();
  controls_.map_switch_button.SetVisible(has_result);
  controls_.map_switch_button.SetText(show_result_ ? Ru("Показать исходную карту") : Ru("Показать результат"));
}

// --- Host ------------------------------------------------------------------------

void MapWindow::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  host_.ShowMessage(text, title, icon);
}
void MapWindow::Beep() {}
void MapWindow::SetProgressRange(std::int64_t minimum, std::int64_t maximum) {
  controls_.map_progress.SetRange(minimum, maximum);
}
void MapWindow::SetProgressValue(std::int64_t value) { controls_.map_progress.SetValue(value); }
void MapWindow::SetPercentCaption(const std::string&) {}
void MapWindow::ProcessEvents() { host_.ProcessEvents(); }
bool MapWindow::StopRequested() { return stop_requested_; }

// --- The crop rectangle ----------------------------------------------------------

void MapWindow::TakeCropBoxes() {
  if (!crop_mode()) {
    view_.ClearCrop();
    return;
  }
  CropBoundTexts texts{main_.crop_west.text(), main_.crop_north.text(), main_.crop_east.text(),
                       main_.crop_south.text()};
  if (!crop_.SetTexts(texts)) view_.ClearCrop();
}

void MapWindow::PutCropBoxes(const CropBoundTexts& texts) {
  // The boxes store themselves in mirvex.ini; the rectangle already stands where they say.
  putting_boxes_ = true;
  main_.crop_west.SetText(texts.west);
  main_.crop_north.SetText(texts.north);
  main_.crop_east.SetText(texts.east);
  main_.crop_south.SetText(texts.south);
  putting_boxes_ = false;
}

// --- The mouse -------------------------------------------------------------------

void MapWindow::OnCanvasResized(int width, int height) {
  if (view_.viewport_width() == width && view_.viewport_height() == height) return;
  view_.SetViewportSize(width, height);
  if (fitted_) view_.Fit();
  Repaint();
}

void MapWindow::OnMousePressed(double x, double y, MouseButton button) {
  if (loading_ || view_.empty()) return;
  press_x_ = last_x_ = x;
  press_y_ = last_y_ = y;
  drag_ = Drag::kPan;
  if (button != MouseButton::kLeft || !crop_mode()) return;
  drag_part_ = crop_.PartAt(x, y);
  drag_ = drag_part_ == RectanglePart::kNone ? Drag::kNewRectangle : Drag::kCropPart;
  rectangle_at_press_.reset();
  if (view_.crop_rectangle()) rectangle_at_press_ = crop_.Texts();
}

void MapWindow::OnMouseMoved(double x, double y) {
  if (!view_.empty()) {
    mapview::MapPoint place = view_.ToMap(x, y);
    controls_.map_position.SetText(view_.geographic() ? Ru("Широта ") + DegreesMinutesText(place.y) +
                                                            Ru("   Долгота ") + DegreesMinutesText(place.x)
                                                      : "X " + PlaneNumber(place.x) + "   Y " + PlaneNumber(place.y));
  }
  switch (drag_) {
    case Drag::kNone:
      return;
    case Drag::kPan:
      view_.Pan(x - last_x_, y - last_y_);
      fitted_ = fitted_ && x == last_x_ && y == last_y_;
      break;
    case Drag::kCropPart:
      // Each move is measured from the rectangle at the press, so an edge pulled past
      // its opposite and back ends where the mouse is.
      if (rectangle_at_press_) crop_.SetTexts(*rectangle_at_press_);
      crop_.Drag(drag_part_, x - press_x_, y - press_y_);
      break;
    case Drag::kNewRectangle:
      if (std::abs(x - press_x_) >= kSmallestRectangle || std::abs(y - press_y_) >= kSmallestRectangle) {
        crop_.SetFromScreen(press_x_, press_y_, x, y);
      }
      break;
  }
  last_x_ = x;
  last_y_ = y;
  Repaint();
}

void MapWindow::OnMouseReleased(double x, double y) {
  if (drag_ == Drag::kNone) return;
  OnMouseMoved(x, y);
  Drag finished = drag_;
  drag_ = Drag::kNone;
  if (finished == Drag::kPan) return;
  bool moved = std::abs(x - press_x_) >= kSmallestRectangle || std::abs(y - press_y_) >= kSmallestRectangle;
  if (!moved) {
    // A click is no rectangle: the one the boxes hold stays.
    TakeCropBoxes();
  } else if (view_.crop_rectangle()) {
    PutCropBoxes(crop_.Texts());
  }
  Repaint();
}

void MapWindow::OnWheel(double x, double y, double steps) {
  if (view_.empty() || !std::isfinite(steps) || steps == 0) return;
  view_.ZoomAt(x, y, std::exp2(steps / kStepsPerDoubling));
  fitted_ = false;
  Repaint();
}

bool MapWindow::OnKey(MapKey key) {
  if (loading_ || view_.empty()) return false;
  double width = view_.viewport_width(), height = view_.viewport_height();
  switch (key) {
    case MapKey::kZoomIn: OnWheel(width / 2, height / 2, 1); return true;
    case MapKey::kZoomOut: OnWheel(width / 2, height / 2, -1); return true;
    case MapKey::kLeft: view_.Pan(width / 8, 0); break;
    case MapKey::kRight: view_.Pan(-width / 8, 0); break;
    case MapKey::kUp: view_.Pan(0, height / 8); break;
    case MapKey::kDown: view_.Pan(0, -height / 8); break;
  }
  fitted_ = false;
  Repaint();
  return true;
}

void MapWindow::OnFitClicked() {
  view_.Fit();
  fitted_ = true;
  Repaint();
}

MapCursor MapWindow::CursorAt(double x, double y) const {
  if (drag_ == Drag::kPan) return MapCursor::kClosedHand;
  if (drag_ == Drag::kNewRectangle) return MapCursor::kCross;
  RectanglePart part = drag_ == Drag::kCropPart ? drag_part_ : RectanglePart::kNone;
  if (drag_ == Drag::kNone) {
    if (view_.empty()) return MapCursor::kArrow;
    if (!crop_mode()) return MapCursor::kOpenHand;
    part = crop_.PartAt(x, y);
  }
  switch (part) {
    case RectanglePart::kNone: return MapCursor::kCross;
    case RectanglePart::kInside: return MapCursor::kMove;
    case RectanglePart::kWest:
    case RectanglePart::kEast: return MapCursor::kSizeWestEast;
    case RectanglePart::kNorth:
    case RectanglePart::kSouth: return MapCursor::kSizeNorthSouth;
    case RectanglePart::kNorthWest:
    case RectanglePart::kSouthEast: return MapCursor::kSizeNwSe;
    case RectanglePart::kNorthEast:
    case RectanglePart::kSouthWest: return MapCursor::kSizeNeSw;
  }
  return MapCursor::kArrow;
}

std::string MapWindow::TooltipAt(double x, double y) const {
  if (loading_ || drag_ != Drag::kNone) return std::string();
  std::optional<mapview::MapObjectInfo> info = view_.ObjectAt(x, y);
  return info ? info->TooltipText() : std::string();
}

const mapview::DrawList& MapWindow::Draw() const {
  if (loading_) {
    drawn_ = mapview::DrawList();
  } else {
    view_.Draw(drawn_);
  }
  return drawn_;
}

}  // namespace mirvex::ui
