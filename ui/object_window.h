// The object information window: one dictionary record's name, region and
// type, edited directly; closing the window stores the record. It does not block the
// main window.
#pragma once

#include <string>

#include "dictionary/object_record.h"
#include "ui/ui_control.h"

namespace mirvex::ui {

// The object window's controls.
struct ObjectWindowControls {
  UiControl object_window{"object_window"};  // the caption
  UiControl object_name{"object_name"};
  UiControl object_region{"object_region"};
  UiControl object_type{"object_type"};
};

class ObjectWindow {
 public:
  ObjectWindow();

  ObjectWindowControls& controls() { return controls_; }
  const ObjectWindowControls& controls() const { return controls_; }

  // Fills the controls from the record: the name and the type as far as they were
  // written (padding and NUL bytes left out; closing pads them again), the region's
  // entry (0x40 when the region is none of the four).
  void Load(const ObjectRecord& record);
  // The most characters a text box may hold: its record field's length (0 for the
  // region's list, whose entries fit).
  int MaxLength(const UiControl& box) const;
  // Empty when the type box holds something a record can keep as a type: a number
  // (0x… or decimal), "Нет" of a deleted object, or nothing; else the message that
  // refuses it.
  std::string TypeProblem() const;

  // The record as the controls give it. A region the user never picked stays as the
  // record had it, so a deleted object ("Нет") is not brought back by a mere look.
  void Apply(ObjectRecord& record) const;

 private:
  ObjectWindowControls controls_;
  bool region_picked_ = false;
  bool loading_ = false;
};

}  // namespace mirvex::ui
