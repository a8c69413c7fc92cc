// The operations' options from the values of section System of mirvex.ini, as the
// window holds them and the command line reads them: one reading for both.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "operations/options.h"

namespace mirvex {

// The value of a System key: a text box's text, a check box's "1" or "0".
using SettingLookup = std::function<std::string(std::string_view key)>;

// The conversion's options: RusTransl, TypeObj, AutoSet, KolSt, TypeSt, PodpSt,
// Podpis, PovObj, RazmObj, PrivazkaMap, PrK1..PrK4, UgolPovorot, and the header
// template (config.ini). A column number is rounded to a whole number (halves to
// even); one outside 0..50 reads as empty.
ConversionOptions ConversionOptionsFrom(const SettingLookup& setting, std::string header_template);

// The crop's rectangle: Koord2 west, Koord3 north, Koord4 east, Koord5 south, each
// typed in degrees.minutes.
CropOptions CropOptionsFrom(const SettingLookup& setting);

}  // namespace mirvex
