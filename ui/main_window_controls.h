// The main window's controls as members, so that the compiler checks every use. Each
// keeps its name: the bindings name their widgets after it and the tests report it.
#pragma once

#include "ui/ui_control.h"

namespace mirvex::ui {

struct MainWindowControls {
  // The window (its caption and width) and the operation buttons under the panels.
  UiControl main_window{"main_window"};
  UiControl convert_button{"convert_button"};
  UiControl crop_button{"crop_button"};
  UiControl test_map_button{"test_map_button"};
  UiControl exit_button{"exit_button"};
  UiControl compile_button{"compile_button"};
  UiControl map_button{"map_button"};
  UiControl cancel_button{"cancel_button"};
  UiControl progress_bar{"progress_bar"};
  UiControl progress_frame{"progress_frame"};
  UiControl progress_percent{"progress_percent"};
  UiControl result_status{"result_status"};

  // The object list, the splitter and the type list.
  UiControl object_list{"object_list"};
  UiControl list_splitter{"list_splitter"};
  UiControl type_list{"type_list"};

  // The options shown beside the lists, and the header template.
  UiControl transliterate_labels{"transliterate_labels"};
  UiControl section_from_mif{"section_from_mif"};
  UiControl to_wgs84{"to_wgs84"};
  UiControl raise_large_objects{"raise_large_objects"};
  UiControl size_threshold{"size_threshold"};
  UiControl header_template{"header_template"};

  // The dictionary editing.
  UiControl point_types_button{"point_types_button"};
  UiControl line_types_button{"line_types_button"};
  UiControl polygon_types_button{"polygon_types_button"};
  UiControl assign_type_button{"assign_type_button"};
  UiControl assign_default_type_button{"assign_default_type_button"};
  UiControl delete_objects_button{"delete_objects_button"};
  UiControl level_button{"level_button"};
  UiControl level_slider{"level_slider"};
  UiControl default_type{"default_type"};

  // The MID browser.
  UiControl previous_rows_button{"previous_rows_button"};
  UiControl next_rows_button{"next_rows_button"};
  UiControl column_view{"column_view"};
  UiControl row_range{"row_range"};

  // The welcome panel.
  UiControl welcome_panel{"welcome_panel"};
  UiControl welcome_functions{"welcome_functions"};
  UiControl help_link{"help_link"};

  // The conversion panel.
  UiControl conversion_panel{"conversion_panel"};
  UiControl conversion_files_frame{"conversion_files_frame"};
  UiControl mif_path{"mif_path"};
  UiControl mid_path{"mid_path"};
  UiControl result_path{"result_path"};
  UiControl save_paths_button{"save_paths_button"};
  UiControl delete_paths_button{"delete_paths_button"};
  UiControl convert_all_button{"convert_all_button"};
  UiControl columns_frame{"columns_frame"};
  UiControl column_count_from_header{"column_count_from_header"};
  UiControl no_labels{"no_labels"};
  UiControl column_count{"column_count"};
  UiControl label_column{"label_column"};
  UiControl type_column{"type_column"};
  UiControl column_view_button{"column_view_button"};
  UiControl edit_objects_button{"edit_objects_button"};
  UiControl header_template_button{"header_template_button"};
  UiControl georeference_button{"georeference_button"};
  UiControl compiler_settings_button{"compiler_settings_button"};

  // The compiler settings.
  UiControl compiler_frame{"compiler_frame"};
  UiControl mkgmap_path{"mkgmap_path"};
  UiControl mkgmap_options{"mkgmap_options"};

  // The georeferencing parameters.
  UiControl georeference_frame{"georeference_frame"};
  UiControl georeference{"georeference"};
  UiControl lower_left_longitude{"lower_left_longitude"};
  UiControl lower_left_latitude{"lower_left_latitude"};
  UiControl upper_right_longitude{"upper_right_longitude"};
  UiControl upper_right_latitude{"upper_right_latitude"};
  UiControl rotation_angle{"rotation_angle"};

  // The crop panel.
  UiControl crop_panel{"crop_panel"};
  UiControl crop_bounds_frame{"crop_bounds_frame"};
  UiControl crop_west{"crop_west"};
  UiControl crop_north{"crop_north"};
  UiControl crop_east{"crop_east"};
  UiControl crop_south{"crop_south"};
  UiControl crop_clip{"crop_clip"};
  UiControl crop_files_frame{"crop_files_frame"};
  UiControl crop_map_path{"crop_map_path"};
  UiControl crop_result_path{"crop_result_path"};
  UiControl copy_result_button{"copy_result_button"};
  UiControl crop_prompt{"crop_prompt"};
  UiControl crop_running{"crop_running"};

  // The test map panel.
  UiControl test_map_panel{"test_map_panel"};
  UiControl test_map_path{"test_map_path"};
};

// A control of the main window named by its member, for tables of controls.
using MainControl = UiControl MainWindowControls::*;

// The conversion's check boxes shown beside the lists; they show and grey together.
inline constexpr MainControl kConversionOptionBoxes[] = {
    &MainWindowControls::transliterate_labels, &MainWindowControls::section_from_mif, &MainWindowControls::to_wgs84,
    &MainWindowControls::raise_large_objects};

// The path boxes of a saved triple (MIF, MID, result), in the order of their sections
// in mirvex.ini (kPathSections).
inline constexpr MainControl kPathCombos[] = {&MainWindowControls::mif_path, &MainWindowControls::mid_path,
                                              &MainWindowControls::result_path};

}  // namespace mirvex::ui
