// The keys of section System of mirvex.ini and the controls they mirror.
#pragma once

#include <span>
#include <string_view>

#include "core/host.h"

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

// The value a check box shows for a stored text: its leading number rounded to a
// whole number (halves to even) when that is 0 or 1. Anything else, as a hand-edited
// file may hold, shows an unticked box; `valid` then tells the caller to store 0.
int CheckBoxValue(std::string_view text, bool* valid = nullptr);

// Puts a stored value into its control: a text box takes the text unchanged, a check
// box its CheckBoxValue.
void ApplySetting(ControlValues& controls, const SystemKey& key, std::string_view value);

}  // namespace mirvex
