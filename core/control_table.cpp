#include "core/control_table.h"

namespace mirvex {

namespace {
constexpr const char* kNames[kControlCount] = {
    "Combo1", "Combo2", "Combo3", "Combo4", "Text1",  "Text2",  "Text3",
    "Text4",  "Text5",  "Text6",  "Text9",  "Text15", "Text16", "Text17",
    "Text19", "Text20", "Text21", "Text22", "Text23", "Text24", "Check1",
    "Check2", "Check3", "Check4", "Check5", "Check6",
};
}  // namespace

const char* ControlName(Control control) {
  return kNames[static_cast<int>(control)];
}

std::string ControlTable::Text(Control control) const {
  return texts_[static_cast<int>(control)];
}

void ControlTable::SetText(Control control, const std::string& text) {
  texts_[static_cast<int>(control)] = text;
}

int ControlTable::Check(Control control) const {
  return checks_[static_cast<int>(control)];
}

void ControlTable::SetCheck(Control control, int value) {
  checks_[static_cast<int>(control)] = value;
}

}  // namespace mirvex
