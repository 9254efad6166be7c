#include "event_printer.h"

#include <cstdio>

namespace kovra::listen {

namespace {

// Backslash escapes for the backslash, control characters and, in JSON, the quote; so
// a value can never break its line.
std::string escaped(const std::string& text, bool json) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '"':
                out += json ? "\\\"" : "\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
                    out += code;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

}  // namespace

std::string jsonString(const std::string& text) {
    return "\"" + escaped(text, true) + "\"";
}

std::string formatLine(const std::string& event, const std::vector<Field>& fields, bool json) {
    std::string out;
    if (json) {
        out = "{\"event\":" + jsonString(event);
        for (const auto& f : fields) {
            out += "," + jsonString(f.key) + ":" + (f.literal ? f.value : jsonString(f.value));
        }
        out += "}";
        return out;
    }
    out = event;
    for (const auto& f : fields) {
        out += "\t" + f.key + "=" + escaped(f.value, false);
    }
    return out;
}

}  // namespace kovra::listen
