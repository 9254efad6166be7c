#include "relay/control/host_identity.h"

#include <asio/io_context.hpp>
#include <asio/ip/host_name.hpp>
#include <asio/ip/udp.hpp>

namespace kovra::relay::control {

std::optional<HostIdentity> lookUpThisHost() {
    std::error_code ec;
    HostIdentity identity;
    identity.hostName = asio::ip::host_name(ec);
    if (ec || identity.hostName.empty()) {
        return std::nullopt;
    }
    asio::io_context io;
    asio::ip::udp::resolver resolver(io);
    const auto results = resolver.resolve(asio::ip::udp::v4(), identity.hostName, "", ec);
    if (ec || results.empty()) {
        return std::nullopt;
    }
    identity.address = results.begin()->endpoint().address().to_string();
    return identity;
}

bool GetIPFromHost(HostIdentity& shared, const HostLookup& lookup) {
    shared.address.clear();
    const std::optional<HostIdentity> found = lookup ? lookup() : lookUpThisHost();
    if (!found) {
        return false;
    }
    shared = *found;
    return true;
}

}  // namespace kovra::relay::control
