// The main window model's operations: the two presses of an operation button, the
// guarded run with "Отмена", the result it leaves to compile, exit during a run, and the
// progress and messages the operations report through the window.
#include <iterator>
#include <string>

#include "base/cp1251.h"
#include "base/text.h"
#include "operations/convert.h"
#include "operations/crop.h"
#include "operations/stop_report.h"
#include "operations/test_map.h"
#include "ui/main_window.h"

namespace mirvex::ui {

void MainWindow::ShowOnly(const UiControl& panel) {
  for (UiControl* other :
       {&controls_.welcome_panel, &controls_.conversion_panel, &controls_.crop_panel, &controls_.test_map_panel}) {
    if (other != &panel) other->SetVisible(false);
  }
}

// The three operation buttons work in two presses: the first shows the button's
// panel (hiding the others), a press while it is shown runs the operation, with the
// operation buttons and the editing actions disabled so no second one starts while
// the first lets the window repaint.
template <typename Operation>
bool MainWindow::RunOperation(UiControl& panel, Operation operation) {
  if (operation_running_) return false;
  ShowOnly(panel);
  if (!panel.visible()) {
    panel.SetVisible(true);
    return false;
  }
  RunGuarded(operation);
  return true;
}

// While an operation runs the operation buttons and the editing actions are disabled,
// so no second one starts while the first lets the window repaint.
template <typename Operation>
void MainWindow::RunGuarded(Operation operation) {
  if (operation_running_) return;
  operation_running_ = true;
  // Each control gets its own state back afterwards.
  UiControl* const buttons[] = {&controls_.convert_button,        &controls_.crop_button,
                                &controls_.test_map_button,       &controls_.compile_button,
                                &controls_.convert_all_button,    &controls_.save_paths_button,
                                &controls_.delete_paths_button,   &controls_.column_view_button,
                                &controls_.edit_objects_button,   &controls_.previous_rows_button,
                                &controls_.next_rows_button,      &controls_.point_types_button,
                                &controls_.line_types_button,     &controls_.polygon_types_button,
                                &controls_.assign_type_button,    &controls_.assign_default_type_button,
                                &controls_.delete_objects_button, &controls_.level_button,
                                &controls_.level_slider,          &controls_.header_template_button,
                                &controls_.georeference_button,   &controls_.compiler_settings_button};
  bool enabled[std::size(buttons)];
  for (std::size_t i = 0; i < std::size(buttons); ++i) {
    enabled[i] = buttons[i]->enabled();
    buttons[i]->SetEnabled(false);
  }
  // "Отмена" (and "ВЫХОД", after asking) stop the run: the operation sees the request
  // while it lets the window repaint.
  stop_requested_ = false;
  controls_.cancel_button.SetVisible(true);
  last_status_ = operation();
  controls_.cancel_button.SetVisible(false);
  for (std::size_t i = 0; i < std::size(buttons); ++i) buttons[i]->SetEnabled(enabled[i]);
  operation_running_ = false;
  // The map window waits with its loads while a run writes files.
  map_window_->Refresh();
  // A run stopped so that the program can end needs no word of its stop: the user has
  // just answered "Да" to that.
  if (quit_after_run_) {
    host_.Quit();
    return;
  }
  ReportStop(last_status_, *this);
}

void MainWindow::SetCompileTarget(const std::string& map) {
  compile_target_ = map;
  controls_.compile_button.SetEnabled(!map.empty());
}

void MainWindow::OnCancelClicked() {
  if (operation_running_) stop_requested_ = true;
}

void MainWindow::OnConvertClicked() {
  std::string result_path = controls_.result_path.text();
  bool ran = RunOperation(controls_.conversion_panel, [this, &result_path] {
    ConversionPaths paths{controls_.mif_path.text(), controls_.mid_path.text(), result_path};
    ConversionResult result = Convert(paths, conversion_options(), program_prefix_, *this);
    if (result.header_column_count) controls_.column_count.SetText(*result.header_column_count);
    last_counts_ = result.counts;
    return result.status;
  });
  if (ran && last_status_ == OperationStatus::kCompleted) ShowNewResult(result_path);
}

void MainWindow::OnCropClicked() {
  std::string result_path = controls_.crop_result_path.text();
  bool ran = RunOperation(controls_.crop_panel, [this, &result_path] {
    return CropMap(CropPaths{controls_.crop_map_path.text(), result_path}, crop_options(), program_prefix_, *this,
                   &last_counts_);
  });
  if (ran && last_status_ == OperationStatus::kCompleted) ShowNewResult(result_path);
}

// The status line under the buttons keeps what the last run wrote and where, after its
// message box is gone.
void MainWindow::ShowNewResult(const std::string& result_path) {
  controls_.result_status.SetText(result_path + std::string(kLineBreak) + SectionSummary(last_counts_));
  SetCompileTarget(result_path);
  map_window_->ShowResult();
}

void MainWindow::OnConvertAllClicked() {
  bool ran = RunOperation(controls_.conversion_panel, [this] {
    last_batch_ = ConvertAll(saved_triples(), conversion_options(), program_prefix_, *this);
    return last_batch_.status;
  });
  if (!ran) return;
  // "Собрать IMG" compiles one map: that of the triple the window shows when it was
  // converted, else the last one converted; a run that converted none keeps the target.
  const std::string& shown = controls_.result_path.text();
  std::string target;
  for (const BatchEntry& entry : last_batch_.entries) {
    if (entry.status != OperationStatus::kCompleted) continue;
    target = entry.paths.result;
    if (target == shown) break;
  }
  if (!target.empty()) SetCompileTarget(target);
}

void MainWindow::OnCompileClicked() {
  if (compile_target_.empty()) return;
  CompileMapFile(compile_target_, "");
}

void MainWindow::CompileMapFile(const std::string& map, const std::string& output_folder) {
  RunGuarded([&] {
    CompileOptions options = compile_options();
    options.output_folder = output_folder;
    last_compile_ = CompileMap(map, options, *this);
    return last_compile_.status;
  });
}

void MainWindow::OnTestMapClicked() {
  RunOperation(controls_.test_map_panel,
               [this] { return WriteTestMap(controls_.test_map_path.text(), program_prefix_, *this); });
}

void MainWindow::OnMapClicked() {
  map_window_->Open();
  if (on_map_window_shown) on_map_window_shown(*map_window_);
}

void MainWindow::OnExitClicked() {
  // A map being read stops at once; it writes nothing.
  map_window_->OnStopClicked();
  if (!operation_running_) {
    host_.Quit();
    return;
  }
  // The run owns the files it writes: it stops cleanly first, then the program ends.
  if (!host_.Confirm(Ru("Идёт операция. Прервать её и выйти из программы?"), Ru("Выход"))) return;
  stop_requested_ = true;
  quit_after_run_ = true;
}

// The operations' messages and progress.
void MainWindow::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  host_.ShowMessage(text, title, icon);
}

void MainWindow::Beep() { host_.Beep(); }

void MainWindow::SetProgressRange(std::int64_t minimum, std::int64_t maximum) {
  controls_.progress_bar.SetRange(minimum, maximum);
  host_.SetProgressRange(minimum, maximum);
}

void MainWindow::SetProgressValue(std::int64_t value) {
  controls_.progress_bar.SetValue(value);
  host_.SetProgressValue(value);
}

void MainWindow::SetPercentCaption(const std::string& caption) {
  controls_.progress_percent.SetText(caption);
  host_.SetPercentCaption(caption);
}

void MainWindow::ProcessEvents() { host_.ProcessEvents(); }

// "Отмена" in the window, or what the host reports (Ctrl+C on the command line).
bool MainWindow::StopRequested() { return stop_requested_ || host_.StopRequested(); }

void MainWindow::SetCropRunning(bool running) {
  controls_.crop_running.SetVisible(running);
  controls_.crop_prompt.SetVisible(!running);
  host_.SetCropRunning(running);
}

}  // namespace mirvex::ui
