#include "settings/system_keys.h"

#include "core/text.h"
#include "settings/ini_file.h"

namespace mirvex {

namespace {

// The order in which the window fills its controls at start-up. PathCount is read
// between AutoSet and KolSt but mirrors no control, so it is not listed.
constexpr SystemKey kSystemKeys[] = {
    {"UgolPovorot", Control::kText23, false},
    {"TestMap", Control::kCombo4, false},
    {"PrivazkaMap", Control::kCheck6, true},
    {"PrK1", Control::kText19, false},
    {"PrK2", Control::kText20, false},
    {"PrK3", Control::kText21, false},
    {"PrK4", Control::kText22, false},
    {"Koord2", Control::kText2, false},
    {"Koord3", Control::kText3, false},
    {"Koord4", Control::kText4, false},
    {"Koord5", Control::kText5, false},
    {"PathEdit1", Control::kText1, false},
    {"PathEdit2", Control::kText6, false},
    {"RazmObj", Control::kText17, false},
    {"PovObj", Control::kCheck4, true},
    {"TypeObj", Control::kCheck2, true},
    {"RusTransl", Control::kCheck1, true},
    {"AutoSet", Control::kCheck3, true},
    {"KolSt", Control::kText16, false},
    {"TypeSt", Control::kText9, false},
    {"PodpSt", Control::kText15, false},
    {"Podpis", Control::kCheck5, true},
};

}  // namespace

std::span<const SystemKey> SystemKeys() { return kSystemKeys; }

const SystemKey* FindSystemKey(std::string_view key) {
  for (const SystemKey& entry : kSystemKeys) {
    if (EqualsIgnoreCase(entry.key, key)) return &entry;
  }
  return nullptr;
}

int CheckBoxValue(std::string_view text, bool* valid) {
  double value = RoundHalfEven(Value(text));
  bool usable = value == 0 || value == 1;
  if (valid) *valid = usable;
  return usable ? static_cast<int>(value) : 0;
}

void ApplySetting(ControlValues& controls, const SystemKey& key, std::string_view value) {
  if (key.is_check) {
    controls.SetCheck(key.control, CheckBoxValue(value));
  } else {
    controls.SetText(key.control, std::string(value));
  }
}

}  // namespace mirvex
