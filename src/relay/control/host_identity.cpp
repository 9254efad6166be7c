#include "relay/control/host_identity.h"

#include <asio/ip/host_name.hpp>
#include <memory>

#include "platform/udp/name_cache.h"

namespace kovra::relay::control {

HostLookup cachedHostLookup() {
    return [names = std::make_shared<udp::NameCache>()]() -> std::optional<HostIdentity> {
        std::error_code ec;
        HostIdentity identity;
        identity.hostName = asio::ip::host_name(ec);
        if (ec || identity.hostName.empty()) {
            return std::nullopt;
        }
        for (const std::string& address : names->addresses(identity.hostName)) {
            if (address.find(':') == std::string::npos) {
                identity.address = address;
                return identity;
            }
        }
        return std::nullopt;
    };
}

bool GetIPFromHost(HostIdentity& shared, const HostLookup& lookup) {
    shared.address.clear();
    const std::optional<HostIdentity> found = lookup ? lookup() : std::nullopt;
    if (!found) {
        return false;
    }
    shared = *found;
    return true;
}

std::string localAddressProblem(const HostIdentity& host, bool sameIp) {
    if (sameIp || !host.address.empty()) {
        return {};
    }
    if (host.hostName.empty()) {
        return kLocalAddressUnresolved;
    }
    return std::string(kLocalAddressUnresolved) + " (" + host.hostName + ")";
}

}  // namespace kovra::relay::control
