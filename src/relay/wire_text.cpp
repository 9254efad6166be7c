#include "relay/wire_text.h"

#include <charconv>
#include <cstdint>

#include "relay/wire_format.h"

namespace kovra::relay {

namespace {

// Length of the UTF-8 sequence starting at text[i] when it is well formed, else 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0u) != 0x80u) {
            return 0;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}

bool isTrimmed(char c) {
    return static_cast<unsigned char>(c) <= wire::kTrimMax;
}

void padTo(std::string& text, char filler) {
    if (text.size() < wire::kMinLength) {
        text.append(wire::kMinLength - text.size(), filler);
    }
}

}  // namespace

std::string toWireAscii(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        out += wire::kNonAscii;
        const std::size_t length = utf8SequenceLength(utf8, i);
        i += length == 0 ? 1 : length;
    }
    return out;
}

std::string_view trimControl(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimmed(text[begin])) {
        ++begin;
    }
    while (end > begin && isTrimmed(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string buildEventDatagram(std::string_view text) {
    std::string out(wire::kEventStart);
    out += toWireAscii(trimControl(text));
    out += wire::kTerminator;
    padTo(out, wire::kFiller);
    return out;
}

std::string buildHandshakeDatagram(std::string_view localIp, int localPort, bool flag) {
    std::string out(1, wire::kHandshakeStart);
    out += toWireAscii(localIp);
    out += wire::kHandshakePort;
    out += std::to_string(localPort);
    out += wire::kHandshakeFlagPrefix;
    out += flag ? wire::kFlagTrue : wire::kFlagFalse;
    out += wire::kTerminator;
    padTo(out, wire::kHandshakeFiller);
    return out;
}

std::string buildCloseDatagram() {
    std::string out(wire::kCloseText);
    padTo(out, wire::kHandshakeFiller);
    return out;
}

std::string receivedText(std::string_view datagram) {
    const std::string_view counted = datagram.substr(0, wire::kReceiveCut);
    std::string text;
    text.reserve(counted.size());
    for (const char c : counted) {
        if (c == wire::kTerminator || c == wire::kAmpersand) {
            continue;
        }
        text += static_cast<unsigned char>(c) > 127 ? wire::kNonAscii : c;
    }
    return std::string(trimControl(text));
}

int textToInt(std::string_view text, int fallback) {
    text = trimControl(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return fallback;
        }
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return fallback;
    }
    return value;
}

std::string_view charsAt(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos == 0 || pos > text.size()) {
        return {};
    }
    return text.substr(pos - 1, count);
}

}  // namespace kovra::relay
