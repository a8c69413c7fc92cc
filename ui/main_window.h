// The main window as a headless model: every control is a named value, every event
// handler a plain function. The Qt window binds its widgets to these controls; the
// tests and the command line drive the model directly.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/convert.h"
#include "core/host.h"
#include "core/window_state.h"
#include "ui/ui_control.h"

namespace mirvex::ui {

// What the window needs from the platform beyond the operations' host.
class WindowHost : public Host {
 public:
  // Opens a document with the desktop's viewer without waiting; false when the
  // launch failed.
  virtual bool OpenDocument(const std::string& path) = 0;
  // Ends the program.
  virtual void Quit() = 0;
};

// Positions of the splitter area, in twips.
inline constexpr int kList1Left = 6540;
inline constexpr int kList2Gap = 50;
inline constexpr int kList2RightMargin = 180;

inline constexpr std::string_view kSystemSection = "System";

class MainWindow : public ControlValues, private Host {
 public:
  // `program_folder` holds mirvex.ini, config.ini and object.txt (cp1251, no trailing
  // separator). A read-only window loads the settings like the real one but never
  // writes them back (the command line).
  MainWindow(WindowHost& host, std::string program_folder, bool read_only = false);

  // The control of that name ("Text9", "Command7_0"); aborts on an unknown name.
  UiControl& control(std::string_view name);
  const UiControl& control(std::string_view name) const;
  // The controls by their place in the operations' interface.
  UiControl& control(Control control);

  // ControlValues: what the operations read.
  std::string Text(Control control) const override;
  void SetText(Control control, const std::string& text) override;
  int Check(Control control) const override;
  void SetCheck(Control control, int value) override;

  WindowState& state() { return state_; }
  const std::string& program_prefix() const { return program_prefix_; }
  bool operation_running() const { return operation_running_; }

  // Window load: the template, the options and the saved paths, in their order.
  void Load();

  // Event handlers.
  void Command5_Click();   // conversion panel, or convert
  void Command1_Click();   // crop panel, or crop
  void Command2_Click();   // test-map panel, or write the test map
  void Command3_Click();   // exit
  void Command15_Click();  // copy the conversion result into the map to crop
  void Command44_Click();  // save the path triple
  void Command55_Click();  // delete the path triple
  void Command49_Click();  // show the header template
  void Command51_Click();  // show the georeferencing parameters
  void Label27_Click();    // help
  void Picture1_MouseDown(double x);
  void Picture1_MouseMove(double x);
  void Picture1_MouseUp();
  // The window's width changed (twips).
  void Form_Resize(int width);
  void DisableOBJ();

  // Results of the last operation started from the window.
  OperationStatus last_status() const { return last_status_; }
  const SectionCounts& last_counts() const { return last_counts_; }

 private:
  // Host: the operations' progress and messages pass through the window's controls.
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  void Beep() override;
  void SetProgressRange(std::int64_t minimum, std::int64_t maximum) override;
  void SetProgressValue(std::int64_t value) override;
  void SetPercentCaption(const std::string& caption) override;
  void ProcessEvents() override;
  void SetCropRunning(bool running) override;

  UiControl& Add(const char* name);
  void CreateControls();
  void WireSettings();
  void OnCheckBox(UiControl& box);
  // Stores a setting unless the window is read-only.
  void Store(std::string_view section, std::string_view key, const std::string& value);
  void WriteSystem(std::string_view key, const std::string& value) { Store(kSystemSection, key, value); }
  void OnTemplateChanged();
  void ShowOnly(const char* panel);
  // Runs an operation with the operation buttons disabled, so no second one starts
  // while the first lets the window repaint.
  template <typename Operation>
  void RunOperation(Operation operation);

  WindowHost& host_;
  std::string program_folder_;
  std::string program_prefix_;
  bool read_only_;
  bool loading_ = false;
  bool operation_running_ = false;
  bool template_failure_reported_ = false;
  bool dragging_ = false;
  int drag_x_ = 0;
  std::map<std::string, std::unique_ptr<UiControl>, std::less<>> controls_;
  std::map<std::string, std::string, std::less<>> system_keys_;  // control name -> key
  WindowState state_;
  OperationStatus last_status_ = OperationStatus::kFailed;
  SectionCounts last_counts_;
};

}  // namespace mirvex::ui
