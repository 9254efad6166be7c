#include "platform/udp/host_info.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <asio.hpp>
#include <filesystem>
#include <system_error>

namespace kovra::udp {

std::string firstLocalIPv4Address() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return {};
    }
    std::string found;
    for (const ifaddrs* it = list; it != nullptr && found.empty(); it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET ||
            (it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        found = asio::ip::address_v4(ntohl(in->sin_addr.s_addr)).to_string();
    }
    freeifaddrs(list);
    return found;
}

std::vector<std::string> localAddresses() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return {};
    }
    std::vector<std::string> found;
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr) {
            continue;
        }
        if (it->ifa_addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
            found.push_back(asio::ip::address_v4(ntohl(in->sin_addr.s_addr)).to_string());
        } else if (it->ifa_addr->sa_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(it->ifa_addr);
            asio::ip::address_v6::bytes_type bytes;
            std::copy(std::begin(in6->sin6_addr.s6_addr), std::end(in6->sin6_addr.s6_addr),
                      bytes.begin());
            found.push_back(asio::ip::address_v6(bytes, in6->sin6_scope_id).to_string());
        }
    }
    freeifaddrs(list);
    return found;
}

bool isLoopback(const std::string& address) {
    std::error_code ec;
    const auto parsed = asio::ip::make_address(address, ec);
    return !ec && parsed.is_loopback();
}

std::string localAddressFor(const std::string& host) {
    try {
        asio::io_context io;
        asio::ip::udp::resolver resolver(io);
        for (const auto& entry : resolver.resolve(asio::ip::udp::v4(), host, "9")) {
            asio::ip::udp::socket probe(io, asio::ip::udp::v4());
            std::error_code ec;
            // Connecting a UDP socket only picks the route; nothing is sent.
            probe.connect(entry.endpoint(), ec);
            if (!ec) {
                const auto local = probe.local_endpoint(ec);
                if (!ec) {
                    return local.address().to_string();
                }
            }
        }
    } catch (const std::exception&) {
    }
    return {};
}

std::string currentProgramFileName() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.filename().string();
}

bool isCanonicalIPv4(const std::string& text) {
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) {
        return false;
    }
    char canonical[INET_ADDRSTRLEN];
    return inet_ntop(AF_INET, &parsed, canonical, sizeof canonical) != nullptr && text == canonical;
}

}  // namespace kovra::udp
