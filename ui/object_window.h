// The object information window: one dictionary record's name, region and
// type, edited directly; closing the window stores the record. It does not block the
// main window.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "dictionary/object_record.h"
#include "ui/ui_control.h"

namespace mirvex::ui {

class ObjectWindow {
 public:
  ObjectWindow();

  // `object_name`, `object_region`, `object_type`, and `object_window` (the window's
  // caption).
  UiControl& control(std::string_view name);

  // Fills the controls from the record: the name and the type as far as they were
  // written (padding and NUL bytes left out; closing pads them again), the region's
  // entry (0x40 when the region is none of the four).
  void Load(const ObjectRecord& record);
  // The most characters a text box may hold: its record field's length (0 for the
  // region's list, whose entries fit).
  static int MaxLength(std::string_view name);
  // Empty when the type box holds something a record can keep as a type: a number
  // (0x… or decimal), "Нет" of a deleted object, or nothing; else the message that
  // refuses it.
  std::string TypeProblem() const;

  // The record as the controls give it. A region the user never picked stays as the
  // record had it, so a deleted object ("Нет") is not brought back by a mere look.
  void Apply(ObjectRecord& record) const;

 private:
  std::map<std::string, std::unique_ptr<UiControl>, std::less<>> controls_;
  bool region_picked_ = false;
  bool loading_ = false;
};

}  // namespace mirvex::ui
