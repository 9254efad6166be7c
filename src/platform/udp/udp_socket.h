// A bound UDP port on every local address (IPv4, and IPv6 where the system offers it),
// with one receiving thread per bound address family and sending from the same sockets.
// Construct, send and destroy from any thread except the listener's own receive threads;
// the handler runs on a receive thread, one datagram at a time per address family.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kovra::udp {

// A socket operation failed; what() names the operation, the address or port and the
// system's reason.
class UdpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class UdpListener {
  public:
    using Handler = std::function<void(std::string_view datagram)>;

    // Binds port (0: a free port the system chooses) on all IPv4 addresses and, on the
    // same port, on all IPv6 addresses when the system offers them, then starts receiving.
    // Throws UdpError when the IPv4 port cannot be bound; IPv6 is optional.
    UdpListener(std::uint16_t port, Handler handler);
    // Stops receiving and joins the receive threads (waits for a running handler).
    ~UdpListener();
    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;

    // The port actually bound (the chosen one when constructed with 0).
    std::uint16_t port() const;
    bool hasIPv6() const;

    // Sends one datagram from the bound socket of the destination's family. host is a
    // dotted IPv4 address, an IPv6 address or a name to resolve. Throws UdpError.
    void sendTo(const std::string& host, int port, std::string_view bytes);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kovra::udp
