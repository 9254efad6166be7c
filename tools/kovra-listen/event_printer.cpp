#include "event_printer.h"

#include <cstdio>

namespace kovra::listen {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
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
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
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
        out += "\t" + f.key + "=" + f.value;
    }
    return out;
}

}  // namespace kovra::listen
