// The machine's host name and address as the relay announces them (pings, handshakes),
// shared by the three pairs. Loop thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kovra::relay::control {

struct HostIdentity {
    std::string hostName;
    std::string address;  // dotted IPv4; empty until a look-up succeeds
};

// Looks the machine up: its host name, resolved to its first IPv4 address. Nothing when
// the name cannot be read or resolved.
using HostLookup = std::function<std::optional<HostIdentity>()>;
// The look-up of this machine through a name cache of its own: it never waits for the
// resolver; until the cache has its answer (or when the name cannot be resolved) it
// finds nothing, and each call that finds nothing lets the cache try again in time.
HostLookup cachedHostLookup();

// GetIPFromHost: empties the shared address, then fills name and address from lookup.
// Returns success; on failure the address stays empty until a later look-up succeeds.
bool GetIPFromHost(HostIdentity& shared, const HostLookup& lookup);

// What the relay page says under a line's local address: empty while the address is known
// or the line sends to this machine only; otherwise that the machine's name could not be
// resolved (pings then announce an empty address).
std::string localAddressProblem(const HostIdentity& host, bool sameIp);
inline constexpr const char* kLocalAddressUnresolved = "Endereço local não resolvido";

}  // namespace kovra::relay::control
