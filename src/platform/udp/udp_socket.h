// A bound UDP port on every local address (IPv4, and IPv6 where the system offers it),
// with one receiving thread per bound address family and sending from the same sockets.
// Construct, send and destroy from any thread except the listener's own receive threads;
// the handler runs on a receive thread, one datagram at a time per address family.
// Sends take numeric addresses only and never wait: no name is resolved here.
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

// Where a datagram came from: the sender's numeric address (an IPv4-mapped IPv6
// address is given in dotted IPv4 form) and its port.
struct Origin {
    std::string address;
    int port = 0;
};

class UdpListener {
  public:
    using Handler = std::function<void(std::string_view datagram, const Origin& from)>;
    using PlainHandler = std::function<void(std::string_view datagram)>;

    // Binds port (0: a free port the system chooses) on all IPv4 addresses and, on the
    // same port, on all IPv6 addresses when the system offers them, then starts receiving.
    // Throws UdpError when the IPv4 port cannot be bound; IPv6 is optional.
    // With a bindAddress (a numeric IPv4 address) only that address is bound: a sender
    // of a known address (tests on loopback addresses other than 127.0.0.1).
    UdpListener(std::uint16_t port, Handler handler, const std::string& bindAddress = {});
    // For receivers that do not look at the sender.
    UdpListener(std::uint16_t port, PlainHandler handler, const std::string& bindAddress = {});
    // Stops receiving and joins the receive threads (waits for a running handler).
    ~UdpListener();
    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;

    // The port actually bound (the chosen one when constructed with 0).
    std::uint16_t port() const;
    bool hasIPv6() const;

    // Sends one datagram from the bound socket of the destination's family without
    // waiting (a full send buffer is an error). address is a dotted IPv4 or an IPv6
    // address; a name is refused. Throws UdpError.
    void sendTo(const std::string& address, int port, std::string_view bytes);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The numeric address in its canonical text (IPv4-mapped IPv6 as dotted IPv4); empty
// when text is not a numeric IPv4 or IPv6 address.
std::string canonicalAddress(std::string_view text);

}  // namespace kovra::udp
