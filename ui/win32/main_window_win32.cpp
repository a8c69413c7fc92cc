#include "ui/win32/main_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/program_folder.h"
#include "base/text.h"
#include "ui/win32/win32_host.h"
#include "ui/win32/win32_metrics.h"
#include "ui/window_place.h"
#include "ui/window_texts.h"

namespace mirvex::ui::win32 {

namespace {

// The work areas of the monitors, the primary one first.
BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const RECT& work = info.rcWork;
  auto& list = *reinterpret_cast<std::vector<ScreenRect>*>(areas);
  ScreenRect area{work.left, work.top, work.right - work.left, work.bottom - work.top};
  if (info.dwFlags & MONITORINFOF_PRIMARY) list.insert(list.begin(), area);
  else list.push_back(area);
  return TRUE;
}

std::vector<ScreenRect> MonitorWorkAreas() {
  std::vector<ScreenRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

constexpr wchar_t kMainClass[] = L"MirvexMainWindow";
constexpr wchar_t kBoxClass[] = L"MirvexBox";
constexpr wchar_t kSplitterClass[] = L"MirvexSplitter";
constexpr wchar_t kObjectClass[] = L"MirvexObjectWindow";

// The left column (dialog units): the widest panel, the same for every panel, so the
// lists beside it never move.
constexpr int kLeftColumnUnits = 252;
constexpr int kTallestPanelUnits = 366;
constexpr int kOperationsUnits = 86;
// The window opens this size (twips), as the Qt window does.
constexpr int kWindowHeight = 9600;
constexpr int kWindowWidth = 15000;

std::wstring Wide(const char* utf8) { return WideText(Ru(utf8)); }

// Containers pass their children's notifications to the top-level window, which holds
// the bindings.
// A box with a vertical scroll bar of its own (the left column's viewport) moves its
// one child, the column, up and down.
void ScrollBox(HWND hwnd, int code) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  GetScrollInfo(hwnd, SB_VERT, &info);
  int line = 20;
  int position = info.nPos;
  switch (code) {
    case SB_LINEUP: position -= line; break;
    case SB_LINEDOWN: position += line; break;
    case SB_PAGEUP: position -= static_cast<int>(info.nPage); break;
    case SB_PAGEDOWN: position += static_cast<int>(info.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = info.nMin; break;
    case SB_BOTTOM: position = info.nMax; break;
    default: break;
  }
  position = std::clamp(position, 0, std::max(0, info.nMax - static_cast<int>(info.nPage) + 1));
  SetScrollPos(hwnd, SB_VERT, position, TRUE);
  HWND column = GetWindow(hwnd, GW_CHILD);
  SetWindowPos(column, nullptr, 0, -position, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK BoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_VSCROLL:
      if (lparam == 0) {
        ScrollBox(hwnd, LOWORD(wparam));
        return 0;
      }
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wparam, lparam);
    case WM_MOUSEWHEEL:
      if (GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL) {
        ScrollBox(hwnd, GET_WHEEL_DELTA_WPARAM(wparam) > 0 ? SB_LINEUP : SB_LINEDOWN);
        return 0;
      }
      return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wparam, lparam);
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

void RegisterContainerClass() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  INITCOMMONCONTROLSEX common{sizeof(common), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                                  ICC_LINK_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window{};
  window.cbSize = sizeof(window);
  window.hInstance = instance;
  window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);

  window.lpfnWndProc = BoxProc;
  window.lpszClassName = kBoxClass;
  RegisterClassExW(&window);

}

BOOL CALLBACK SetFontOf(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

Win32MainWindow::Win32MainWindow(WindowHost& host, std::string program_folder)
    : host_(host),
      model_(std::make_unique<MainWindow>(host, std::move(program_folder))),
      binder_([this](const std::string& message) { ShowInformation(host_, message); }) {
  RegisterContainerClass();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  static bool own_classes_registered = false;
  if (!own_classes_registered) {
    own_classes_registered = true;
    WNDCLASSEXW window{};
    window.cbSize = sizeof(window);
    window.hInstance = instance;
    window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window.hIcon = LoadIconW(instance, L"MIRVEX");
    window.hIconSm = window.hIcon;
    window.lpfnWndProc = WindowProc;
    window.lpszClassName = kMainClass;
    RegisterClassExW(&window);
    window.lpfnWndProc = ObjectWindowProc;
    window.lpszClassName = kObjectClass;
    RegisterClassExW(&window);
    window.hIcon = window.hIconSm = nullptr;
    window.hCursor = LoadCursorW(nullptr, IDC_SIZEWE);
    window.lpfnWndProc = SplitterProc;
    window.lpszClassName = kSplitterClass;
    RegisterClassExW(&window);
  }
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, WideText(model_->controls().main_window.text()).c_str(),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr,
                          nullptr, instance, this);
  dpi_ = WindowDpi(hwnd_);
  // The left column scrolls in its viewport when the window is too short for it.
  left_scroll_ = Child(hwnd_, kBoxClass, WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL, {0, 0, 0, 0}, nullptr,
                       WS_EX_CONTROLPARENT);
  containers_["left_scroll"] = left_scroll_;
  left_column_ = Container(left_scroll_, "left_column", {0, 0, kLeftColumnUnits, 0}, false);
  BuildWelcome();
  BuildConversion();
  BuildCrop();
  BuildTestMap();
  BuildOperations();
  BuildObjects();
  ApplyDpi(dpi_);
  model_->Load();
  RestorePlace();
}

Win32MainWindow::~Win32MainWindow() {
  // An open object window stores its record as it closes, while the model still exists.
  CloseObjectWindow(ObjectWindowClose::kStore);
  map_window_.reset();
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (HFONT font : {font_, title_font_, fixed_font_}) {
    if (font) DeleteObject(font);
  }
}

HWND Win32MainWindow::widget(const std::string& name) const {
  auto container = containers_.find(name);
  if (container != containers_.end()) return container->second;
  if (HWND found = binder_.Find(name)) return found;
  return object_binder_ ? object_binder_->Find(name) : nullptr;
}

int Win32MainWindow::X(int units) const { return MulDiv(units, unit_x_, 64); }
int Win32MainWindow::Y(int units) const { return MulDiv(units, unit_y_, 8); }

void Win32MainWindow::Place(HWND hwnd, Box box) {
  MoveWindow(hwnd, X(box.x), Y(box.y), X(box.width), Y(box.height), TRUE);
}

HWND Win32MainWindow::Child(HWND parent, const wchar_t* window_class, DWORD style, Box box, const char* name,
                            DWORD ex_style) {
  int id = name ? ControlId(name) : 0;
  HWND child = CreateWindowExW(ex_style, window_class, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  boxes_.emplace_back(child, box);
  return child;
}

HWND Win32MainWindow::Container(HWND parent, const char* name, Box box, bool framed, UiControl* control) {
  // A container never paints over its children: without clipping, a container
  // repainted after a move blanked the controls on it.
  HWND container = Child(parent, kBoxClass, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, box, nullptr, WS_EX_CONTROLPARENT);
  containers_[name] = container;
  if (framed) {
    // The frame's caption is the model control's text; the frame fills its container.
    HWND frame = Child(container, L"BUTTON", BS_GROUPBOX, {0, 0, box.width, box.height});
    SetControlText(frame, control ? control->text() : "");
  }
  if (control) binder_.BindWindow(container, *control);
  return container;
}

HWND Win32MainWindow::Label(HWND parent, const char* utf8, Box box, DWORD style) {
  HWND label = Child(parent, L"STATIC", style | SS_NOPREFIX, box);
  SetWindowTextW(label, Wide(utf8).c_str());
  return label;
}

HWND Win32MainWindow::Button(HWND parent, UiControl& control, Box box, std::function<void()> on_click) {
  HWND button = Child(parent, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, box, control.name().c_str());
  binder_.BindButton(button, control, std::move(on_click));
  return button;
}

HWND Win32MainWindow::CheckBox(HWND parent, UiControl& control, Box box) {
  HWND check = Child(parent, L"BUTTON", BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP, box, control.name().c_str());
  binder_.BindCheckBox(check, control);
  return check;
}

HWND Win32MainWindow::Edit(HWND parent, UiControl& control, Box box, DWORD style) {
  HWND edit = Child(parent, L"EDIT", style | WS_TABSTOP, box, control.name().c_str(), WS_EX_CLIENTEDGE);
  binder_.BindEdit(edit, control);
  return edit;
}

HWND Win32MainWindow::Combo(HWND parent, UiControl& control, Box box) {
  // The drop-down's height includes its list.
  HWND combo = Child(parent, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                     {box.x, box.y, box.width, box.height + 90}, control.name().c_str());
  binder_.BindCombo(combo, control);
  return combo;
}

// "…" beside a path: the system's file dialog; a chosen path outside cp1251 is refused.
void Win32MainWindow::Browse(HWND parent, UiControl& path_box, Box box, bool save) {
  HWND button = Child(parent, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, box);
  browse_buttons_[path_box.name()] = button;
  SetWindowTextW(button, L"\u2026");
  static const wchar_t* const kFilters[] = {
      L"MapInfo MIF (*.mif)\0*.mif\0Все файлы (*.*)\0*.*\0",
      L"MapInfo MID (*.mid)\0*.mid\0Все файлы (*.*)\0*.*\0",
      L"Текстовая карта Garmin (*.mp;*.txt)\0*.mp;*.txt\0Все файлы (*.*)\0*.*\0",
      L"mkgmap (*.jar)\0*.jar\0Все файлы (*.*)\0*.*\0",
  };
  const MainWindowControls& c = controls();
  bool mkgmap = &path_box == &c.mkgmap_path;
  int filter = &path_box == &c.mif_path ? 0 : &path_box == &c.mid_path ? 1 : mkgmap ? 3 : 2;
  binder_.BindClick(button, [this, &path_box, mkgmap, filter, save] {
    // The dialog opens in the folder of the start path and offers its file name.
    std::string start = mkgmap ? path_box.text() : model_->FileDialogStart(path_box);
    std::wstring file = WideText(start.empty() || start.back() == '\\' || start.back() == '/' ? "" : start);
    std::wstring folder = WideText(start);
    file.resize(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = hwnd_;
    dialog.lpstrFilter = kFilters[filter];
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    if (file[0] == L'\0' && !folder.empty()) dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrDefExt = save ? L"mp" : nullptr;
    // No "read-only" box: the program writes the files it is given.
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return;
    file.resize(wcslen(file.c_str()));
    bool fits = true;
    std::string path = TextFromWide(file, &fits);
    model_->OnFileChosen(path_box, path, fits);
  });
}

// A corner of a rectangle: its caption, then "Широта:" and "Долгота:" with their boxes.
void Win32MainWindow::Corner(HWND parent, int y, const char* caption, UiControl& latitude, UiControl& longitude) {
  Label(parent, caption, {8, y, 220, 9});
  Label(parent, kLatitudeCaption, {8, y + 13, 34, 9});
  Edit(parent, latitude, {44, y + 11, 60, 12});
  Label(parent, kLongitudeCaption, {112, y + 13, 38, 9});
  Edit(parent, longitude, {152, y + 11, 60, 12});
}

void Win32MainWindow::BuildWelcome() {
  HWND panel = Container(left_column_, controls().welcome_panel, {0, 0, kLeftColumnUnits, kTallestPanelUnits}, false);
  HWND title = Label(panel, kWelcomeTitle, {7, 6, 200, 22});
  SetWindowLongPtrW(title, GWLP_USERDATA, 1);  // takes the title font
  Label(panel, kWelcomeSubtitle, {7, 30, 238, 18});
  Label(panel, kWelcomeAbilities, {7, 52, 238, 9});
  Edit(panel, controls().welcome_functions, {7, 63, 238, 62}, ES_MULTILINE | ES_READONLY | WS_VSCROLL);
  HWND link = Child(panel, WC_LINK, WS_TABSTOP, {7, 130, 238, 10}, controls().help_link);
  SetWindowTextW(link, Wide((std::string("<a>") + kHelpLinkText + "</a>").c_str()).c_str());
  binder_.BindWindow(link, model_->controls().help_link);
  int y = 146;
  for (const char* note : kWelcomeNotes) {
    Label(panel, note, {7, y, 238, 26});
    y += 30;
  }
}

void Win32MainWindow::BuildConversion() {
  HWND panel =
      Container(left_column_, controls().conversion_panel, {0, 0, kLeftColumnUnits, kTallestPanelUnits}, false);
  HWND files = Container(panel, controls().conversion_files_frame, {4, 2, 244, 84}, true);
  UiControl* const combos[] = {&controls().mif_path, &controls().mid_path, &controls().result_path};
  for (int row = 0; row < 3; ++row) {
    int y = 12 + row * 16;
    Label(files, kConversionPathCaptions[row], {6, y + 2, 58, 9});
    Combo(files, *combos[row], {64, y, 152, 12});
    Browse(files, *combos[row], {218, y, 18, 12}, row == 2);
  }
  Button(files, controls().save_paths_button, {6, 62, 74, 15}, [this] { model_->OnSavePathsClicked(); });
  Button(files, controls().delete_paths_button, {84, 62, 74, 15}, [this] { model_->OnDeletePathsClicked(); });
  Button(files, controls().convert_all_button, {162, 62, 74, 15}, [this] { model_->OnConvertAllClicked(); });

  HWND columns = Container(panel, controls().columns_frame, {4, 90, 244, 60}, true);
  Label(columns, kColumnCountCaption, {6, 14, 96, 9});
  Edit(columns, controls().column_count, {104, 12, 28, 12});
  CheckBox(columns, controls().column_count_from_header, {138, 12, 102, 12});
  Label(columns, kTypeColumnCaption, {6, 30, 96, 9});
  Edit(columns, controls().type_column, {104, 28, 28, 12});
  Label(columns, kLabelColumnCaption, {6, 46, 96, 9});
  Edit(columns, controls().label_column, {104, 44, 28, 12});
  CheckBox(columns, controls().no_labels, {138, 44, 102, 12});

  Button(panel, controls().column_view_button, {4, 154, 120, 15}, [this] { model_->OnColumnViewClicked(); });
  Button(panel, controls().edit_objects_button, {128, 154, 120, 15}, [this] { model_->OnEditObjectsClicked(); });
  Button(panel, controls().header_template_button, {4, 172, 79, 15}, [this] { model_->OnHeaderTemplateClicked(); });
  Button(panel, controls().georeference_button, {86, 172, 79, 15}, [this] { model_->OnGeoreferenceClicked(); });
  Button(panel, controls().compiler_settings_button, {168, 172, 80, 15},
         [this] { model_->OnCompilerSettingsClicked(); });
  CheckBox(panel, controls().transliterate_labels, {6, 191, 240, 11});
  CheckBox(panel, controls().section_from_mif, {6, 203, 240, 11});
  CheckBox(panel, controls().raise_large_objects, {6, 215, 240, 20});
  Edit(panel, controls().size_threshold, {18, 237, 50, 12});

  HWND georef = Container(panel, controls().georeference_frame, {4, 254, 244, 104}, true);
  CheckBox(georef, controls().georeference, {6, 12, 232, 11});
  Corner(georef, 26, kLowerLeftCorner, controls().lower_left_latitude, controls().lower_left_longitude);
  Corner(georef, 52, kUpperRightCorner, controls().upper_right_latitude,
         controls().upper_right_longitude);
  Label(georef, kRotationAngleCaption, {8, 86, 60, 9});
  Edit(georef, controls().rotation_angle, {70, 84, 60, 12});

  // mkgmap and its options, stored in section Mkgmap of mirvex.ini as they are typed.
  HWND compiler = Container(panel, controls().compiler_frame, {4, 254, 244, 92}, true);
  Label(compiler, kMkgmapPathCaption, {6, 14, 76, 9});
  Edit(compiler, controls().mkgmap_path, {84, 12, 132, 12});
  Browse(compiler, controls().mkgmap_path, {218, 12, 18, 12}, false);
  Label(compiler, kMkgmapOptionsCaption, {6, 30, 76, 9});
  Edit(compiler, controls().mkgmap_options, {84, 28, 152, 12});
  Label(compiler, kMkgmapNoteWindows, {6, 46, 230, 40});

  Edit(panel, controls().header_template, {4, 254, 244, 108},
       ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL);
}

void Win32MainWindow::BuildCrop() {
  HWND panel = Container(left_column_, controls().crop_panel, {0, 0, kLeftColumnUnits, kTallestPanelUnits}, false);
  binder_.BindLabel(Label(panel, "", {6, 4, 240, 9}), model_->controls().crop_prompt);
  binder_.BindLabel(Label(panel, "", {6, 16, 240, 9}), model_->controls().crop_running);
  HWND bounds = Container(panel, controls().crop_bounds_frame, {4, 28, 244, 64}, true);
  Corner(bounds, 10, kUpperLeftCorner, controls().crop_north, controls().crop_west);
  Corner(bounds, 36, kLowerRightCorner, controls().crop_south, controls().crop_east);
  HWND files = Container(panel, controls().crop_files_frame, {4, 96, 244, 72}, true);
  Label(files, kCropMapCaption, {6, 14, 40, 9});
  Edit(files, controls().crop_map_path, {48, 12, 188, 12});
  Label(files, kCropResultCaption, {6, 30, 40, 9});
  Edit(files, controls().crop_result_path, {48, 28, 188, 12});
  Button(files, controls().copy_result_button, {6, 46, 230, 18}, [this] { model_->OnCopyResultClicked(); });
}

void Win32MainWindow::BuildTestMap() {
  HWND panel = Container(left_column_, controls().test_map_panel, {4, 2, 244, 52}, true);
  Combo(panel, controls().test_map_path, {8, 14, 208, 12});
  Browse(panel, controls().test_map_path, {218, 14, 18, 12}, false);
  Label(panel, kTestMapNote, {8, 32, 228, 18});
}

void Win32MainWindow::BuildOperations() {
  operations_ = Container(left_column_, "operations", {0, 0, kLeftColumnUnits, kOperationsUnits}, false);
  Button(operations_, controls().convert_button, {4, 2, 120, 20}, [this] { model_->OnConvertClicked(); });
  Button(operations_, controls().crop_button, {128, 2, 120, 20}, [this] { model_->OnCropClicked(); });
  Button(operations_, controls().test_map_button, {4, 25, 120, 20}, [this] { model_->OnTestMapClicked(); });
  Button(operations_, controls().exit_button, {128, 25, 120, 20}, [this] { model_->OnExitClicked(); });
  Button(operations_, controls().compile_button, {4, 48, 120, 20}, [this] { model_->OnCompileClicked(); });
  Button(operations_, controls().map_button, {128, 48, 120, 20}, [this] { model_->OnMapClicked(); });
  model_->on_map_window_shown = [this](MapWindow& map) {
    if (!map_window_) map_window_ = std::make_unique<Win32MapWindow>(map, host_, hwnd_);
    map_window_->Show();
  };
  HWND progress = Container(operations_, controls().progress_frame, {4, 71, 244, 14}, false);
  HWND bar = Child(progress, PROGRESS_CLASSW, 0, {0, 1, 150, 11}, controls().progress_bar);
  binder_.BindProgress(bar, model_->controls().progress_bar);
  progress_text_ = Label(progress, "", {152, 2, 30, 9}, SS_RIGHT);
  binder_.BindLabel(progress_text_, model_->controls().progress_percent);
  Button(progress, controls().cancel_button, {186, 0, 58, 13}, [this] { model_->OnCancelClicked(); });
  // A longer progress text ("карта 2 из 2: 100") takes its room from the bar.
  model_->controls().progress_percent.Subscribe([this](UiControl&, Change change) {
    if (change == Change::kText) LayoutProgress();
  });
}

void Win32MainWindow::BuildObjects() {
  objects_ = Container(hwnd_, "objects", {0, 0, 0, 0}, false);
  Edit(objects_, controls().column_view, {0, 0, 0, 0},
       ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL);
  Button(objects_, controls().previous_rows_button, {0, 0, 0, 0}, [this] { model_->OnPreviousRowsClicked(); });
  Edit(objects_, controls().row_range, {0, 0, 0, 0}, ES_READONLY | ES_CENTER);
  Button(objects_, controls().next_rows_button, {0, 0, 0, 0}, [this] { model_->OnNextRowsClicked(); });

  // The object list, the splitter and the type list stand where the model puts them (twips).
  lists_area_ = Container(objects_, "lists_area", {0, 0, 0, 0}, false);
  HWND object_list = Child(lists_area_, L"LISTBOX",
                           LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                           {0, 0, 0, 0}, controls().object_list, WS_EX_CLIENTEDGE);
  binder_.BindList(object_list, model_->controls().object_list,
                   [this](int index) { model_->OnObjectListDoubleClicked(index); });
  HWND splitter = Child(lists_area_, kSplitterClass, 0, {0, 0, 0, 0}, controls().list_splitter);
  SetWindowLongPtrW(splitter, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  binder_.BindWindow(splitter, model_->controls().list_splitter);
  HWND type_list =
      Child(lists_area_, L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
            {0, 0, 0, 0}, controls().type_list, WS_EX_CLIENTEDGE);
  binder_.BindList(type_list, model_->controls().type_list, [this](int) { model_->OnTypeListDoubleClicked(); });
  for (UiControl* list : {&controls().object_list, &controls().list_splitter, &controls().type_list}) {
    list->Subscribe([this](UiControl&, Change change) {
      if (change == Change::kGeometry) LayoutLists();
    });
  }
  model_->controls().column_view.Subscribe([this](UiControl&, Change change) {
    if (change == Change::kVisible) Layout();
  });

  const std::pair<UiControl*, TypeCatalogue> catalogues[] = {
      {&controls().point_types_button, TypeCatalogue::kPoints},
      {&controls().line_types_button, TypeCatalogue::kLines},
      {&controls().polygon_types_button, TypeCatalogue::kPolygons},
  };
  for (const auto& [button, catalogue] : catalogues) {
    TypeCatalogue chosen = catalogue;
    Button(objects_, *button, {0, 0, 0, 0}, [this, chosen] { model_->OnTypeCatalogueClicked(chosen); });
  }
  Button(objects_, controls().assign_type_button, {0, 0, 0, 0}, [this] { model_->OnAssignTypeClicked(); });
  Button(objects_, controls().delete_objects_button, {0, 0, 0, 0}, [this] { model_->OnDeleteObjectsClicked(); });
  Edit(objects_, controls().default_type, {0, 0, 0, 0});
  Button(objects_, controls().assign_default_type_button, {0, 0, 0, 0},
         [this] { model_->OnAssignDefaultTypeClicked(); });
  Button(objects_, controls().level_button, {0, 0, 0, 0}, [this] { model_->OnLevelClicked(); });
  HWND slider =
      Child(objects_, TRACKBAR_CLASSW, TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP, {0, 0, 0, 0}, controls().level_slider);
  SendMessageW(slider, TBM_SETPAGESIZE, 0, 1);
  binder_.BindTrackbar(slider, model_->controls().level_slider,
                       [this](int value) { model_->OnLevelSliderMoved(value); });

  model_->on_object_window_shown = [this](ObjectWindow& object_window) { ShowObjectWindow(object_window); };
}

// The object window: a tool window of its own that does not block this one. Closing it
// stores the record (unless its type is refused: then it stays open); Esc closes it
// without storing.
void Win32MainWindow::ShowObjectWindow(ObjectWindow& object_window) {
  CloseObjectWindow(ObjectWindowClose::kStore);
  object_binder_ = std::make_unique<Binder>([this](const std::string& message) { ShowInformation(host_, message); });
  RECT frame{0, 0, X(230), Y(62)};
  AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW);
  ScreenRect place = BesideThisWindow(frame.right - frame.left, frame.bottom - frame.top);
  object_window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, kObjectClass,
                                   WideText(object_window.controls().object_window.text()).c_str(),
                                   WS_CAPTION | WS_SYSMENU | WS_POPUP, place.left, place.top, place.width, place.height,
                                   hwnd_, nullptr, GetModuleHandleW(nullptr), this);
  auto add = [&](const wchar_t* window_class, DWORD style, Box box, const UiControl* control, DWORD ex_style) {
    int id = control ? ControlId(control->name()) : 0;
    HWND child = CreateWindowExW(ex_style, window_class, L"", WS_CHILD | WS_VISIBLE | style, X(box.x), Y(box.y),
                                 X(box.width), Y(box.height), object_window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // A box takes no more than its record field holds, so nothing is cut when stored.
    if (int length = control ? object_window.MaxLength(*control) : 0) SendMessageW(child, EM_LIMITTEXT, length, 0);
    return child;
  };
  for (int row = 0; row < 3; ++row) {
    HWND label = add(L"STATIC", SS_LEFT, {6, 8 + row * 18, 56, 9}, nullptr, 0);
    SetWindowTextW(label, Wide(kObjectWindowCaptions[row]).c_str());
  }
  object_binder_->BindEdit(add(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, {64, 6, 160, 12},
                               &object_window.controls().object_name, WS_EX_CLIENTEDGE),
                           object_window.controls().object_name);
  object_binder_->BindCombo(add(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, {64, 24, 160, 80},
                                &object_window.controls().object_region, 0),
                            object_window.controls().object_region);
  object_binder_->BindEdit(add(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, {64, 42, 160, 12},
                               &object_window.controls().object_type, WS_EX_CLIENTEDGE),
                           object_window.controls().object_type);
  ShowWindow(object_window_, SW_SHOWNORMAL);
}

ScreenRect Win32MainWindow::BesideThisWindow(int width, int height) const {
  RECT owner{};
  GetWindowRect(hwnd_, &owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  // Outer rectangles throughout: the frames are part of the sizes given.
  return PlaceBeside(width, height, {owner.left, owner.top, owner.right - owner.left, owner.bottom - owner.top},
                     FrameMargins{}, {work.left, work.top, work.right - work.left, work.bottom - work.top});
}

void Win32MainWindow::CloseObjectWindow(ObjectWindowClose how) {
  if (!object_window_) return;
  if (how == ObjectWindowClose::kAsk && !model_->OnObjectWindowClosing()) return;
  // The window and its bindings go before the model's window, so no message of the
  // store reaches controls that no longer exist.
  HWND closing = object_window_;
  object_window_ = nullptr;
  DestroyWindow(closing);
  object_binder_.reset();
  if (how == ObjectWindowClose::kCancel) {
    model_->OnObjectWindowCancelled();
  } else {
    model_->OnObjectWindowClosed();
  }
}

LRESULT CALLBACK Win32MainWindow::ObjectWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && hwnd == self->object_window_ && self->object_binder_) {
    if (message == WM_COMMAND && lparam &&
        self->object_binder_->OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam))) {
      return 0;
    }
    // Esc, through the dialog keys: the window goes without storing.
    if (message == WM_COMMAND && !lparam && LOWORD(wparam) == IDCANCEL) {
      self->CloseObjectWindow(ObjectWindowClose::kCancel);
      return 0;
    }
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
      if (HBRUSH brush = self->object_binder_->EditColours(reinterpret_cast<HWND>(lparam),
                                                           reinterpret_cast<HDC>(wparam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
    }
    if (message == WM_CLOSE) {
      self->CloseObjectWindow(ObjectWindowClose::kAsk);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void Win32MainWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  LOGFONTW message_font = MessageFont(dpi);
  for (HFONT font : {font_, title_font_, fixed_font_}) {
    if (font) DeleteObject(font);
  }
  font_ = CreateFontIndirectW(&message_font);
  LOGFONTW title = message_font;
  title.lfHeight *= 2;
  title.lfWeight = FW_BOLD;
  title_font_ = CreateFontIndirectW(&title);
  LOGFONTW fixed = message_font;
  fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpyW(fixed.lfFaceName, L"Courier New");
  fixed_font_ = CreateFontIndirectW(&fixed);

  DialogUnits units = MeasureDialogUnits(hwnd_, font_);
  unit_x_ = units.x * 16;
  unit_y_ = units.y;

  EnumChildWindows(hwnd_, SetFontOf, reinterpret_cast<LPARAM>(font_));
  for (const auto& [child, box] : boxes_) {
    if (GetWindowLongPtrW(child, GWLP_USERDATA) == 1) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(title_font_), TRUE);
  }
  WidenForCaptions();
  for (const UiControl* text : {&controls().column_view, &controls().header_template}) {
    SendMessageW(binder_.Find(*text), WM_SETFONT, reinterpret_cast<WPARAM>(fixed_font_), TRUE);
  }
  for (const auto& [child, box] : boxes_) {
    if (box.width > 0 && box.height > 0) Place(child, box);
  }
  Layout();
}

// Dialog units come from the font's average character, which says little about the
// width of a given caption (Tahoma cut "Текстовый файл:" to "Текстовый"). Every
// one-line caption is measured in its own font; where one needs more room than its box
// gives, the horizontal unit grows until the widest fits, so the whole layout keeps
// its proportions.
void Win32MainWindow::WidenForCaptions() {
  HDC dc = GetDC(hwnd_);
  TEXTMETRICW metrics{};
  HGDIOBJ old = SelectObject(dc, font_);
  GetTextMetricsW(dc, &metrics);
  int average = std::max(1, static_cast<int>(metrics.tmAveCharWidth));
  double widest = 1.0;
  for (const auto& [child, box] : boxes_) {
    if (box.width <= 0) continue;
    int needed = CaptionWidth(dc, child, box.height);
    if (needed <= 0) continue;
    widest = std::max(widest, static_cast<double>(needed + average / 2) / X(box.width));
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  if (widest > 1.0) unit_x_ = static_cast<int>(unit_x_ * widest + 0.999);  // sixteenths: no coarse jump
}

// The width a control needs to show its caption whole, in pixels (the caption's
// extent in the control's font plus what the control draws beside it); 0 for a
// control without a one-line caption (boxes, lists, texts that wrap).
int Win32MainWindow::CaptionWidth(HDC dc, HWND control, int box_height) const {
  wchar_t class_name[16] = {};
  GetClassNameW(control, class_name, 16);
  bool is_static = lstrcmpiW(class_name, L"Static") == 0;
  bool is_button = lstrcmpiW(class_name, L"Button") == 0;
  if (!is_static && !is_button) return 0;
  LONG style = GetWindowLongW(control, GWL_STYLE);
  LONG type = style & BS_TYPEMASK;
  bool push = is_button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
  bool check = is_button && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX);
  bool frame = is_button && type == BS_GROUPBOX;
  // A label or check box two lines high wraps its caption.
  if ((is_static || check) && box_height >= 16) return 0;
  if (is_button && !push && !check && !frame) return 0;
  int length = GetWindowTextLengthW(control);
  if (length <= 0) return 0;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : static_cast<HGDIOBJ>(font_));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  int average = static_cast<int>(metrics.tmAveCharWidth);
  if (push) return extent.cx + 2 * average + 2 * GetSystemMetrics(SM_CXEDGE);
  if (check) return extent.cx + GetSystemMetrics(SM_CXMENUCHECK) + average;
  if (frame) return extent.cx + 3 * average;
  return extent.cx;
}

// The progress row: the bar, the text and "Отмена"; the text takes what it needs of
// the bar's width, so "карта 2 из 2: 100" shows whole.
void Win32MainWindow::LayoutProgress() {
  if (!progress_text_) return;
  HWND bar = binder_.Find(controls().progress_bar);
  HDC dc = GetDC(progress_text_);
  int needed = CaptionWidth(dc, progress_text_, 9);
  ReleaseDC(progress_text_, dc);
  int text_width = std::max(X(30), needed + X(2));
  int cancel_left = X(186);
  int text_left = std::max(X(40), cancel_left - X(4) - text_width);
  MoveWindow(bar, 0, Y(1), std::max(X(20), text_left - X(2)), Y(11), TRUE);
  MoveWindow(progress_text_, text_left, Y(2), cancel_left - X(4) - text_left, Y(9), TRUE);
  InvalidateRect(GetParent(bar), nullptr, TRUE);
}

int Win32MainWindow::LeftColumnWidth() const { return X(kLeftColumnUnits); }

int Win32MainWindow::MinimumHeight() const { return Y(kTallestPanelUnits + kOperationsUnits); }

// The left column keeps its width and its panels their places; the operations stand at
// its foot. The lists' area takes the rest of the window.
void Win32MainWindow::Layout() {
  if (!hwnd_ || !objects_) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  int width = client.right;
  int height = std::max(static_cast<int>(client.bottom), 1);
  // The viewport keeps room for its scroll bar whether it shows or not, so that the
  // lists beside it never move.
  int left = LeftColumnWidth() + GetSystemMetrics(SM_CXVSCROLL);
  int column_height = std::max(height, MinimumHeight());
  MoveWindow(left_scroll_, 0, 0, left, height, TRUE);
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nMax = column_height - 1;
  info.nPage = static_cast<UINT>(height);
  SetScrollInfo(left_scroll_, SB_VERT, &info, TRUE);
  int position = std::min(GetScrollPos(left_scroll_, SB_VERT), column_height - height);
  SetScrollPos(left_scroll_, SB_VERT, position, TRUE);
  MoveWindow(left_column_, 0, -position, LeftColumnWidth(), column_height, TRUE);
  MoveWindow(operations_, 0, column_height - Y(kOperationsUnits), LeftColumnWidth(), Y(kOperationsUnits), TRUE);
  int right = std::max(width - left, X(120));
  MoveWindow(objects_, left, 0, right, height, TRUE);

  int gap = X(4);
  int inner = right - 2 * gap;
  int row = Y(15);
  int editing = 3 * row + 3 * Y(3);
  int flexible = std::max(height - 2 * Y(4) - row - Y(4) - editing - Y(6), Y(60));
  // The column view and its paging share the height with the lists (2 : 3); where the
  // view is hidden (the editing mode) the lists take it all.
  int y = Y(4);
  int lists_height = flexible + row + Y(4);
  if (model_->controls().column_view.visible()) {
    int view_height = flexible * 2 / 5;
    MoveWindow(binder_.Find(controls().column_view), gap, y, inner, view_height, TRUE);
    y += view_height + Y(2);
    int third = inner / 3;
    MoveWindow(binder_.Find(controls().previous_rows_button), gap, y, third - X(2), row, TRUE);
    MoveWindow(binder_.Find(controls().row_range), gap + third, y, third - X(2), row, TRUE);
    MoveWindow(binder_.Find(controls().next_rows_button), gap + 2 * third, y, inner - 2 * third, row, TRUE);
    y += row + Y(4);
    lists_height = flexible - view_height;
  }
  MoveWindow(lists_area_, gap, y, inner, lists_height, TRUE);
  y += lists_height + Y(4);
  int fifth = inner / 5;
  const MainWindowControls& c = controls();
  const UiControl* first_row[] = {&c.point_types_button, &c.line_types_button, &c.polygon_types_button,
                                  &c.assign_type_button, &c.delete_objects_button};
  for (int i = 0; i < 5; ++i) MoveWindow(binder_.Find(*first_row[i]), gap + i * fifth, y, fifth - X(2), row, TRUE);
  y += row + Y(3);
  MoveWindow(binder_.Find(controls().default_type), gap, y, 4 * fifth - X(2), row, TRUE);
  MoveWindow(binder_.Find(controls().assign_default_type_button), gap + 4 * fifth, y, fifth - X(2), row, TRUE);
  y += row + Y(3);
  MoveWindow(binder_.Find(controls().level_button), gap, y, fifth - X(2), row, TRUE);
  MoveWindow(binder_.Find(controls().level_slider), gap + fifth, y, 4 * fifth - X(2), row + Y(4), TRUE);
  FitListsToTheirArea();
  LayoutProgress();
  // What the layout moved is drawn again at its new place, the parts that only
  // scrolled into view included.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32MainWindow::LayoutLists() {
  if (!lists_area_) return;
  RECT area{};
  GetClientRect(lists_area_, &area);
  auto place = [&](const UiControl& control) {
    MoveWindow(binder_.Find(control), Pixels(control.left() - kObjectListLeft), 0, std::max(Pixels(control.width()), 1),
               area.bottom, TRUE);
  };
  place(controls().object_list);
  place(controls().list_splitter);
  place(controls().type_list);
}

void Win32MainWindow::FitListsToTheirArea() {
  RECT area{};
  GetClientRect(lists_area_, &area);
  // The area has its real width once the window shows.
  model_->OnListsAreaResized(static_cast<int>(area.right * twips_per_pixel() + 0.5), IsWindowVisible(hwnd_));
  LayoutLists();
}

// The window opens where it was closed, inside the work area of the monitor that holds
// the most of that place; a place on no monitor now gives the default size on the
// primary monitor. Either way a window larger than the work area shrinks to it, so its
// title bar and its buttons stay in reach.
void Win32MainWindow::RestorePlace() {
  int width = LeftColumnWidth() + GetSystemMetrics(SM_CXVSCROLL) + Pixels(kWindowWidth - kObjectListLeft);
  int height = std::max(Pixels(kWindowHeight), MinimumHeight());
  RECT frame_rect{0, 0, 100, 100};
  AdjustWindowRectEx(&frame_rect, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
  FrameMargins frame{-frame_rect.left, -frame_rect.top, frame_rect.right - 100, frame_rect.bottom - 100};
  std::optional<WindowPlace> place = model_->StoredWindowPlace();
  std::optional<ScreenRect> stored;
  if (place) {
    // The stored place is the outer rectangle, frame included, in pixels at 96 DPI.
    int dpi = static_cast<int>(dpi_);
    ScreenRect outer{MulDiv(place->left, dpi, 96), MulDiv(place->top, dpi, 96), MulDiv(place->width, dpi, 96),
                     MulDiv(place->height, dpi, 96)};
    stored = ScreenRect{outer.left + frame.left, outer.top + frame.top, outer.width - frame.left - frame.right,
                        outer.height - frame.top - frame.bottom};
  }
  std::optional<OpeningPlace> opening = PlaceToOpen(stored, width, height, frame, MonitorWorkAreas());
  if (!opening) return;
  if (opening->stored) {
    model_->PlaceSplitterAtShareOnShow(place->splitter_share);
    opens_maximized_ = place->maximized;
  }
  const ScreenRect& fitted = opening->inside;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  GetWindowPlacement(hwnd_, &placement);
  placement.rcNormalPosition = {fitted.left - frame.left, fitted.top - frame.top,
                                fitted.left + fitted.width + frame.right, fitted.top + fitted.height + frame.bottom};
  placement.showCmd = SW_HIDE;
  SetWindowPlacement(hwnd_, &placement);
}

void Win32MainWindow::Show() {
  ShowWindow(hwnd_, opens_maximized_ ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  FitListsToTheirArea();
}

// The normal place is stored in pixels of 96 DPI, so that it means the same on any screen.
void Win32MainWindow::SavePlace() {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(hwnd_, &placement)) return;
  const RECT& normal = placement.rcNormalPosition;
  int dpi = static_cast<int>(dpi_);
  model_->SaveWindowPlace({MulDiv(normal.left, 96, dpi), MulDiv(normal.top, 96, dpi),
                           MulDiv(normal.right - normal.left, 96, dpi), MulDiv(normal.bottom - normal.top, 96, dpi),
                           model_->SplitterShare(), placement.showCmd == SW_SHOWMAXIMIZED});
}

// The thin bar between the two lists captures the mouse while dragged and reports
// positions in its own coordinates, as the model expects.
LRESULT CALLBACK Win32MainWindow::SplitterProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      if (self) self->model_->OnSplitterPressed(GET_X_LPARAM(lparam) * self->twips_per_pixel());
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd && self) self->model_->OnSplitterMoved(GET_X_LPARAM(lparam) * self->twips_per_pixel());
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) {
        ReleaseCapture();
        if (self) self->model_->OnSplitterReleased();
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      RECT area;
      GetClientRect(hwnd, &area);
      DrawEdge(dc, &area, EDGE_RAISED, BF_LEFT | BF_RIGHT);
      EndPaint(hwnd, &paint);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (lparam && binder_.OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam))) return 0;
      // Esc, through the dialog keys, asks a running operation to stop.
      if (LOWORD(wparam) == IDCANCEL) {
        model_->OnCancelClicked();
        return 0;
      }
      // Enter presses the focused button (this window has no default button).
      if (LOWORD(wparam) == IDOK) {
        HWND focus = GetFocus();
        wchar_t class_name[16] = {};
        if (focus) GetClassNameW(focus, class_name, 16);
        LONG type = focus ? GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK : -1;
        if (lstrcmpiW(class_name, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
          SendMessageW(focus, BM_CLICK, 0, 0);
        }
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->hwndFrom == binder_.Find(controls().help_link) &&
          (header->code == NM_CLICK || header->code == NM_RETURN)) {
        model_->OnHelpClicked();
        return 0;
      }
      break;
    }
    case WM_HSCROLL:
      if (lparam && binder_.OnTrackbarScroll(reinterpret_cast<HWND>(lparam), LOWORD(wparam))) return 0;
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = binder_.EditColours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      // Never narrower than the left column and a usable strip of the lists; a window
      // shorter than the column scrolls it.
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      RECT frame{0, 0, LeftColumnWidth() + GetSystemMetrics(SM_CXVSCROLL) + Pixels(MinimumListsAreaWidth()) + X(12),
                 Y(160)};
      AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
      limits->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
      return 0;
    }
    case WM_DPICHANGED: {
      ApplyDpi(HIWORD(wparam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // The operation in progress owns the files it writes: closing asks whether to
      // stop it, and the program ends once it has stopped cleanly.
      if (model_->operation_running()) {
        model_->OnExitClicked();
        return 0;
      }
      CloseObjectWindow(ObjectWindowClose::kStore);
      if (map_window_) map_window_->Close();
      SavePlace();
      DestroyWindow(hwnd_);
      return 0;
    case kEscapeMessage:
      // Esc stops a run wherever the focus is; otherwise the key goes on to the control.
      if (!model_->operation_running()) return 0;
      model_->OnCancelClicked();
      return 1;
    case kRunSoonMessage:
      if (auto* win32_host = dynamic_cast<Win32Host*>(&host_)) win32_host->RunQueued();
      return 0;
    case WM_DESTROY:
      // The tasks still waiting belonged to this window.
      if (auto* win32_host = dynamic_cast<Win32Host*>(&host_)) win32_host->set_owner(nullptr);
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

int RunMainWindow() {
  Win32Host host;
  bool name_fits = true;
  std::string folder = ProgramFolder(&name_fits);
  Win32MainWindow window(host, folder);
  host.set_owner(window.hwnd());
  window.Show();
  if (!name_fits) ShowInformation(host, ProgramFolderNameMessage(folder));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (EscapeTakenBy(window.hwnd(), message)) continue;
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace mirvex::ui::win32
