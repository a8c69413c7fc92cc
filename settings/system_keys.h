// The keys of section System of mirvex.ini: one per option of the window.
#pragma once

#include <span>
#include <string_view>


namespace mirvex {

struct SystemKey {
  const char* key;
  bool is_check;  // a check box: "1" ticked, "0" clear
  // What a missing or empty key stands for; empty: the control's own empty state.
  const char* default_value = "";
};

// Every key of section System that holds an option, in the window's load order.
std::span<const SystemKey> SystemKeys();

// The key of that name (letter case ignored), or nullptr.
const SystemKey* FindSystemKey(std::string_view key);

// The value a check box shows for a stored text: its leading number rounded to a
// whole number (halves to even) when that is 0 or 1. Anything else, as a hand-edited
// file may hold, shows an unticked box; `valid` then tells the caller to store 0.
int CheckBoxValue(std::string_view text, bool* valid = nullptr);

}  // namespace mirvex
