#include "relay/control/list_entry.h"

#include <cstring>

#include "platform/udp/host_info.h"

namespace kovra::relay::control {

namespace {

constexpr int kMaxPort = 65535;

}  // namespace

std::optional<ListEntry> parseListEntry(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string address(text.substr(0, colon));
    const std::string_view portText = text.substr(colon + 1);
    if (portText.empty() || portText.size() > 5) {
        return std::nullopt;
    }
    int port = 0;
    for (const char c : portText) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        port = port * 10 + (c - '0');
    }
    // "010.0.0.1" and the like would not match the stored entry.
    if (port < 1 || port > kMaxPort || !udp::isCanonicalIPv4(address)) {
        return std::nullopt;
    }
    return ListEntry{address, port};
}

}  // namespace kovra::relay::control
