// Reading integers out of settings values and edit texts. Pure functions, any thread.
#pragma once

#include <optional>
#include <string_view>

namespace kovra::settings {

// The integer that text spells, or nothing. Surrounding blanks are ignored; an optional
// sign; decimal digits, or "0x"/"0X" and hexadecimal digits. Anything else, an empty
// text, or a value outside the range of int gives nothing.
std::optional<int> parseInteger(std::string_view text);

// parseInteger with a fallback, the way edit boxes are read as numbers.
int integerOr(std::string_view text, int fallback);

}  // namespace kovra::settings
