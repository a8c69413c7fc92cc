#include "settings/system_keys.h"

#include "base/text.h"
#include "settings/ini_file.h"

namespace mirvex {

namespace {

// The order in which the window fills its controls at start-up. PathCount is read
// between AutoSet and KolSt but mirrors no control, so it is not listed.
constexpr SystemKey kSystemKeys[] = {
    {"UgolPovorot", false},
    {"TestMap", false},
    {"PrivazkaMap", true},
    {"PrK1", false},
    {"PrK2", false},
    {"PrK3", false},
    {"PrK4", false},
    {"Koord2", false},
    {"Koord3", false},
    {"Koord4", false},
    {"Koord5", false},
    {"PathEdit1", false},
    {"PathEdit2", false},
    {"RazmObj", false},
    {"PovObj", true},
    {"TypeObj", true},
    {"RusTransl", true},
    {"AutoSet", true},
    {"KolSt", false},
    {"TypeSt", false},
    {"PodpSt", false},
    {"Podpis", true},
    // Added after the others: a mirvex.ini written before it has no such key, and its
    // maps are transformed unless the user clears the box.
    {"ToWgs84", true, "1"},
    // Added after ToWgs84: cropping cuts objects at the rectangle only when asked.
    {"CropClip", true, "0"},
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

}  // namespace mirvex
