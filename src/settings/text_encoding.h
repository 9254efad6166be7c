// Character-set handling for settings files carried over from older installs: those were
// written in Windows-1252, ours are UTF-8. Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace kovra::settings {

// True when bytes form well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Converts Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as the
// platform's own converter does, so no byte is ever dropped.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 text as it is, or the Windows-1252 reading of it when it is not valid UTF-8.
std::string decodeSettingsText(std::string_view bytes);

}  // namespace kovra::settings
