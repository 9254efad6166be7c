#include "line/line_display.h"

#include <cstddef>

namespace kovra::line {
namespace {

// In the order of the enums.
constexpr const char* kStatusTexts[] = {"",         "DIALTONE",    "RINGING",
                                        "BINAGEM",  "DISCANDO...", "REARMADO",
                                        "OFF_HOOK", "OFF HOOK",    "ON HOOK"};
constexpr const char* kHookTexts[] = {"", "OFF_HOOK", "OFF HOOK", "ON HOOK"};

}  // namespace

std::string statusText(StatusDisplay status, int k) {
    std::string text = kStatusTexts[static_cast<std::size_t>(status)];
    if (status == StatusDisplay::Ringing && k == 1) {
        text += ' ';  // the odd line's text has always carried a trailing blank
    }
    return text;
}

std::string hookText(HookDisplay hook) {
    return kHookTexts[static_cast<std::size_t>(hook)];
}

}  // namespace kovra::line
