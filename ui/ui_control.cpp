#include "ui/ui_control.h"

namespace mirvex::ui {

void UiControl::Notify(Change change) {
  // A listener may add listeners or change other controls; iterate by index.
  for (std::size_t i = 0; i < listeners_.size(); ++i) listeners_[i](*this, change);
}

void UiControl::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  // A combo box whose text no longer is its chosen item has no item chosen, so
  // choosing that item again puts it back into the text.
  bool unchosen = list_index_ >= 0 && text_ != items_[list_index_];
  if (unchosen) list_index_ = -1;
  Notify(Change::kText);
  if (unchosen) Notify(Change::kListIndex);
}

void UiControl::SetCheck(int value) {
  if (value == check_) return;
  check_ = value;
  Notify(Change::kCheck);
}

void UiControl::AddItem(std::string item) {
  items_.push_back(std::move(item));
  selected_.push_back(false);
  Notify(Change::kItems);
}

void UiControl::RemoveItem(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  items_.erase(items_.begin() + index);
  selected_.erase(selected_.begin() + index);
  if (list_index_ == index) {
    list_index_ = -1;
  } else if (list_index_ > index) {
    --list_index_;
  }
  Notify(Change::kItems);
}

void UiControl::SetItem(int index, std::string item) {
  if (index < 0 || index >= static_cast<int>(items_.size()) || items_[index] == item) return;
  items_[index] = std::move(item);
  Notify(Change::kItems);
}

void UiControl::ClearItems() {
  if (items_.empty()) return;
  items_.clear();
  selected_.clear();
  list_index_ = -1;
  Notify(Change::kItems);
}

void UiControl::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  selected_.assign(items_.size(), false);
  list_index_ = -1;
  Notify(Change::kItems);
}

void UiControl::SetListIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size()) || index == list_index_) return;
  list_index_ = index;
  if (index >= 0 && text_ != items_[index]) {
    text_ = items_[index];
    Notify(Change::kText);
  }
  Notify(Change::kListIndex);
}

void UiControl::SetSelected(int index, bool selected) {
  if (index < 0 || index >= static_cast<int>(selected_.size()) || selected_[index] == selected) return;
  selected_[index] = selected;
  Notify(Change::kSelection);
}

void UiControl::SetSelection(std::vector<bool> selection) {
  selection.resize(items_.size(), false);
  if (selection == selected_) return;
  selected_ = std::move(selection);
  Notify(Change::kSelection);
}

void UiControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Notify(Change::kVisible);
}

void UiControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Notify(Change::kEnabled);
}

void UiControl::SetBackground(Background background) {
  if (background == background_) return;
  background_ = background;
  Notify(Change::kBackground);
}

void UiControl::SetRange(std::int64_t minimum, std::int64_t maximum) {
  if (minimum == minimum_ && maximum == maximum_) return;
  minimum_ = minimum;
  maximum_ = maximum;
  Notify(Change::kRange);
}

void UiControl::SetValue(std::int64_t value) {
  if (value == value_) return;
  value_ = value;
  Notify(Change::kValue);
}

void UiControl::SetGeometry(int left, int width) {
  if (left == left_ && width == width_) return;
  left_ = left;
  width_ = width;
  Notify(Change::kGeometry);
}

}  // namespace mirvex::ui
