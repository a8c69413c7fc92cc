// The Win32 main window's controls: the children made at their places in dialog
// units and bound to the model's controls, the file dialogs of the path boxes, and the
// panels, the operation buttons and the lists' side built from them.
#include "ui/win32/main_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>
#include <utility>

#include "base/platform.h"
#include "ui/win32/main_window_win32_parts.h"
#include "ui/window_texts.h"

namespace mirvex::ui::win32 {

HWND Win32MainWindow::Child(HWND parent, const wchar_t* window_class, DWORD style, Box box, const char* name,
                            DWORD ex_style) {
  int id = name ? ControlId(name) : 0;
  HWND child = CreateWindowExW(ex_style, window_class, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  boxes_.emplace_back(child, box);
  return child;
}

HWND Win32MainWindow::Container(HWND parent, Box box, bool framed, UiControl* control) {
  // A container never paints over its children: without clipping, a container
  // repainted after a move blanked the controls on it.
  HWND container = Child(parent, kBoxClass, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, box, nullptr, WS_EX_CONTROLPARENT);
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
  browse_buttons_[&path_box] = button;
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
  CheckBox(panel, controls().to_wgs84, {6, 215, 240, 11});
  CheckBox(panel, controls().raise_large_objects, {6, 227, 240, 20});
  Edit(panel, controls().size_threshold, {18, 249, 50, 12});

  // The georeferencing, the compiler settings and the header template take turns in
  // the same place below the option boxes, each ending 4 units above the panel's foot.
  HWND georef = Container(panel, controls().georeference_frame, {4, 266, 244, 100}, true);
  CheckBox(georef, controls().georeference, {6, 12, 232, 11});
  Corner(georef, 26, kLowerLeftCorner, controls().lower_left_latitude, controls().lower_left_longitude);
  Corner(georef, 52, kUpperRightCorner, controls().upper_right_latitude,
         controls().upper_right_longitude);
  Label(georef, kRotationAngleCaption, {8, 86, 60, 9});
  Edit(georef, controls().rotation_angle, {70, 84, 60, 12});

  // mkgmap and its options, stored in section Mkgmap of mirvex.ini as they are typed.
  HWND compiler = Container(panel, controls().compiler_frame, {4, 266, 244, 92}, true);
  Label(compiler, kMkgmapPathCaption, {6, 14, 76, 9});
  Edit(compiler, controls().mkgmap_path, {84, 12, 132, 12});
  Browse(compiler, controls().mkgmap_path, {218, 12, 18, 12}, false);
  Label(compiler, kMkgmapOptionsCaption, {6, 30, 76, 9});
  Edit(compiler, controls().mkgmap_options, {84, 28, 152, 12});
  Label(compiler, kMkgmapNoteWindows, {6, 46, 230, 40});

  Edit(panel, controls().header_template, {4, 266, 244, 100},
       ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL);
}

void Win32MainWindow::BuildCrop() {
  HWND panel = Container(left_column_, controls().crop_panel, {0, 0, kLeftColumnUnits, kTallestPanelUnits}, false);
  binder_.BindLabel(Label(panel, "", {6, 4, 240, 9}), model_->controls().crop_prompt);
  binder_.BindLabel(Label(panel, "", {6, 16, 240, 9}), model_->controls().crop_running);
  HWND bounds = Container(panel, controls().crop_bounds_frame, {4, 28, 244, 78}, true);
  Corner(bounds, 10, kUpperLeftCorner, controls().crop_north, controls().crop_west);
  Corner(bounds, 36, kLowerRightCorner, controls().crop_south, controls().crop_east);
  CheckBox(bounds, controls().crop_clip, {8, 62, 228, 11});
  HWND files = Container(panel, controls().crop_files_frame, {4, 110, 244, 72}, true);
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
  operations_ = Container(left_column_, {0, 0, kLeftColumnUnits, kOperationsUnits});
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
  objects_ = Container(hwnd_, {0, 0, 0, 0});
  Edit(objects_, controls().column_view, {0, 0, 0, 0},
       ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL);
  Button(objects_, controls().previous_rows_button, {0, 0, 0, 0}, [this] { model_->OnPreviousRowsClicked(); });
  Edit(objects_, controls().row_range, {0, 0, 0, 0}, ES_READONLY | ES_CENTER);
  Button(objects_, controls().next_rows_button, {0, 0, 0, 0}, [this] { model_->OnNextRowsClicked(); });

  // The object list, the splitter and the type list stand where the model puts them (twips).
  lists_area_ = Container(objects_, {0, 0, 0, 0});
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

}  // namespace mirvex::ui::win32
