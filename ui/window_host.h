// What the windows need from the platform beyond the operations' host.
#pragma once

#include <functional>
#include <string>

#include "base/host.h"

namespace mirvex::ui {

// What the window needs from the platform beyond the operations' host.
class WindowHost : public Host {
 public:
  // Opens a document with the desktop's viewer without waiting; false when the
  // launch failed.
  virtual bool OpenDocument(const std::string& path) = 0;
  // Ends the program.
  virtual void Quit() = 0;
  // Asks a yes/no question; true for yes. Texts are cp1251.
  virtual bool Confirm(const std::string& text, const std::string& title) {
    (void)text;
    (void)title;
    return true;
  }
  // The width of a text in the window's font, in twips (the column view aligns its
  // columns with it). By default every character is 90 twips wide.
  virtual int TextWidth(const std::string& text) { return static_cast<int>(text.size()) * 90; }
  // Runs `task` once the event being handled is done (the map window starts its loads
  // so). By default at once.
  virtual void RunSoon(std::function<void()> task) { task(); }
};

}  // namespace mirvex::ui
