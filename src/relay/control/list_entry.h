// A destination-list entry as requests from the network may name it: a numeric IPv4
// address and a port, "address:port", nothing else. Pure; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kovra::relay::control {

struct ListEntry {
    std::string address;  // dotted IPv4, canonical
    int port = 0;         // 1..65535

    std::string text() const { return address + ":" + std::to_string(port); }
};

// The entry text names exactly a dotted IPv4 address in canonical form, ":" and a port
// of digits from 1 to 65535; anything else (names, spaces, control characters, a second
// ":", "a=b") gives nothing.
std::optional<ListEntry> parseListEntry(std::string_view text);

}  // namespace kovra::relay::control
