// The surroundings an operation reports to: the window, the command line or a test.
#pragma once

#include <cstdint>
#include <string>

namespace mirvex {

enum class MessageIcon { kNone, kExclamation, kCritical, kInformation };

// What the user sees while an operation runs, and how they ask it to stop.
class Host {
 public:
  virtual ~Host() = default;
  // A modal message box with one OK button. Texts are cp1251; CR LF may stand inside.
  virtual void ShowMessage(const std::string& text, const std::string& title,
                           MessageIcon icon) = 0;
  virtual void Beep() = 0;
  // The progress bar.
  virtual void SetProgressRange(std::int64_t minimum, std::int64_t maximum) = 0;
  virtual void SetProgressValue(std::int64_t value) = 0;
  // The percentage shown beside the bar.
  virtual void SetPercentCaption(const std::string& caption) = 0;
  // Lets the window repaint and handle input; callers throttle it.
  virtual void ProcessEvents() = 0;
  // True once the user asked the running operation to stop; asked right after
  // ProcessEvents. A stopped operation leaves any earlier result as it was.
  virtual bool StopRequested() { return false; }
  // The crop's status labels: "Идет редактирование карты. Ждите..." shown while it
  // runs, "Введите параметры редактирования:" afterwards.
  virtual void SetCropRunning(bool running) { (void)running; }
};

}  // namespace mirvex
