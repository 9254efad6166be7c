#include "line/line_display.h"

namespace kovra::line {

std::string statusText(StatusDisplay status, int k) {
    switch (status) {
        case StatusDisplay::Empty:
            return "";
        case StatusDisplay::DialTone:
            return "DIALTONE";
        case StatusDisplay::Ringing:
            // The odd line's text has always carried a trailing blank.
            return k == 1 ? "RINGING " : "RINGING";
        case StatusDisplay::CallerId:
            return "BINAGEM";
        case StatusDisplay::Dialling:
            return "DISCANDO...";
        case StatusDisplay::Rearmed:
            return "REARMADO";
        case StatusDisplay::HandsetHum:
            return "OFF_HOOK";
        case StatusDisplay::OffHook:
            return "OFF HOOK";
        case StatusDisplay::OnHook:
            return "ON HOOK";
    }
    return "";
}

std::string hookText(HookDisplay hook) {
    switch (hook) {
        case HookDisplay::Empty:
            return "";
        case HookDisplay::HandsetHum:
            return "OFF_HOOK";
        case HookDisplay::OffHook:
            return "OFF HOOK";
        case HookDisplay::OnHook:
            return "ON HOOK";
    }
    return "";
}

}  // namespace kovra::line
