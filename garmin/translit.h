// Transliteration of Russian labels into Latin letters.
#pragma once

#include <string>
#include <string_view>

namespace mirvex {

// Each of the 66 Russian letters (cp1251) replaced by its Latin piece; the
// capitals Ч Ш Щ Ю Я are written all-capital ("SH") unless the next input character
// is a lower-case letter ("Sh"). Every other byte passes unchanged.
std::string Transliterate(std::string_view text);

}  // namespace mirvex
