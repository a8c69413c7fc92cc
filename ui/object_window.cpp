#include "ui/object_window.h"

#include "base/cp1251.h"
#include "base/text.h"
#include "dictionary/object_record.h"
#include "garmin/text_map_writer.h"

namespace mirvex::ui {

namespace {
constexpr std::string_view kRegions[] = {"0x10", "0x20", "0x40", "0x80"};
constexpr int kDefaultRegion = 2;  // "0x40"

// A field as a text box shows it: up to its first NUL byte and without the blanks that
// pad it, so a field never written shows as empty and text typed at the end is not
// cut away behind the padding. Closing pads the field again.
std::string Editable(std::string_view field) {
  field = field.substr(0, field.find('\0'));
  std::size_t end = field.find_last_not_of(' ');
  return std::string(field.substr(0, end == std::string_view::npos ? 0 : end + 1));
}
}  // namespace

ObjectWindow::ObjectWindow() {
  controls_.object_window.SetText(Ru("Информация об объекте"));
  for (std::string_view region : kRegions) controls_.object_region.AddItem(std::string(region));
  controls_.object_region.Subscribe([this](UiControl&, Change change) {
    if (!loading_ && (change == Change::kListIndex || change == Change::kText)) region_picked_ = true;
  });
}

void ObjectWindow::Load(const ObjectRecord& record) {
  loading_ = true;
  region_picked_ = false;
  UiControl& region = controls_.object_region;
  region.SetListIndex(kDefaultRegion);
  controls_.object_name.SetText(Editable(FieldText(record.ObjectName)));
  std::string_view own = TrimBlanks(FieldText(record.RegionCode));
  for (int i = 0; i < 4; ++i) {
    if (own == kRegions[i]) region.SetListIndex(i);
  }
  controls_.object_type.SetText(Editable(FieldText(record.ObjectType)));
  loading_ = false;
}

int ObjectWindow::MaxLength(const UiControl& box) const {
  if (&box == &controls_.object_name) return static_cast<int>(ObjectRecord{}.ObjectName.size());
  if (&box == &controls_.object_type) return static_cast<int>(ObjectRecord{}.ObjectType.size());
  return 0;
}

std::string ObjectWindow::TypeProblem() const {
  const std::string& typed = controls_.object_type.text();
  std::string_view type = TrimBlanks(typed);
  if (type.empty() || type == NoneCode() || IsTypeNumber(type)) return {};
  return Ru("Тип объекта \"") + typed +
         Ru("\" не число. Введите код типа Garmin: шестнадцатеричный (0x2c) или десятичный (44), "
            "или закройте окно клавишей Esc без сохранения.");
}

void ObjectWindow::Apply(ObjectRecord& record) const {
  SetField(record.ObjectName, controls_.object_name.text());
  std::string_view own = TrimBlanks(FieldText(record.RegionCode));
  bool listed = own.empty() || own[0] == '\0';
  for (std::string_view region : kRegions) listed = listed || own == region;
  if (listed || region_picked_) SetField(record.RegionCode, controls_.object_region.text());
  SetField(record.ObjectType, controls_.object_type.text());
}

}  // namespace mirvex::ui
