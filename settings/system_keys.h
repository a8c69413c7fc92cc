// The keys of section System of mirvex.ini and the controls they mirror.
#pragma once

#include <span>
#include <string_view>

#include "core/control_table.h"

namespace mirvex {

struct SystemKey {
  const char* key;
  Control control;
  bool is_check;
};

// Every key of section System that mirrors a control, in the window's load order.
std::span<const SystemKey> SystemKeys();

// The key of that name (letter case ignored), or nullptr.
const SystemKey* FindSystemKey(std::string_view key);

// Puts a stored value into its control: a text box takes the text unchanged; a check
// box takes the leading number rounded to a whole number, halves to even.
void ApplySetting(ControlTable& controls, const SystemKey& key, std::string_view value);

// Fills the controls from section System of the settings file at `ini_path` (a
// missing file or key gives an empty text or a clear box).
void LoadSystemControls(std::string_view ini_path, ControlTable& controls);

}  // namespace mirvex
