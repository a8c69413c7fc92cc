// One control of a window as a plain value: its text, check state, list, selection,
// visibility, enabled state, background, range and geometry, with change
// notification. The window model's handlers and the Qt binding both listen to it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mirvex::ui {

enum class Background { kWhite, kGrey, kToolTip };

// What changed in a control.
enum class Change {
  kText, kCheck, kItems, kListIndex, kSelection, kVisible, kEnabled, kBackground, kRange, kValue, kGeometry,
};

class UiControl {
 public:
  using Listener = std::function<void(UiControl&, Change)>;

  explicit UiControl(std::string name) : name_(std::move(name)) {}
  UiControl(const UiControl&) = delete;
  UiControl& operator=(const UiControl&) = delete;

  const std::string& name() const { return name_; }

  // Listeners run on every change of a value, never when a value is set to what it
  // already was.
  void Subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

  // Text of a text box, combo box or label caption (cp1251).
  const std::string& text() const { return text_; }
  void SetText(std::string text);

  // Check box value: 0 clear, 1 ticked.
  int check() const { return check_; }
  void SetCheck(int value);

  // List of a list box or combo box. `list_index` is the current item (-1 none); for
  // a combo box, choosing an item also puts it into the text.
  const std::vector<std::string>& items() const { return items_; }
  void AddItem(std::string item);
  void RemoveItem(int index);
  void SetItem(int index, std::string item);
  void ClearItems();
  // Replaces the whole list at once (one notification), nothing selected.
  void SetItems(std::vector<std::string> items);
  int list_index() const { return list_index_; }
  void SetListIndex(int index);

  // Selected lines of a list box that allows several.
  bool selected(int index) const {
    return index >= 0 && index < static_cast<int>(selected_.size()) && selected_[index];
  }
  void SetSelected(int index, bool selected);
  // Replaces the whole selection (one flag per line) as one change, so a listener
  // never sees a selection half copied from a window's list.
  void SetSelection(std::vector<bool> selection);
  const std::vector<bool>& selection() const { return selected_; }

  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  Background background() const { return background_; }
  void SetBackground(Background background);

  // Range and value of a progress bar or slider.
  std::int64_t minimum() const { return minimum_; }
  std::int64_t maximum() const { return maximum_; }
  void SetRange(std::int64_t minimum, std::int64_t maximum);
  std::int64_t value() const { return value_; }
  void SetValue(std::int64_t value);

  // Position and width in twips.
  int left() const { return left_; }
  int width() const { return width_; }
  void SetGeometry(int left, int width);

 private:
  void Notify(Change change);

  std::string name_;
  std::vector<Listener> listeners_;
  std::string text_;
  int check_ = 0;
  std::vector<std::string> items_;
  std::vector<bool> selected_;
  int list_index_ = -1;
  bool visible_ = true;
  bool enabled_ = true;
  Background background_ = Background::kWhite;
  std::int64_t minimum_ = 0, maximum_ = 100, value_ = 0;
  int left_ = 0, width_ = 0;
};

}  // namespace mirvex::ui
