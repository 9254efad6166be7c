#include "platform/udp/udp_socket.h"

#include <sys/socket.h>

#include <array>
#include <asio.hpp>
#include <cerrno>
#include <thread>
#include <vector>

namespace kovra::udp {

namespace {

using asio::ip::udp;

// Larger than any UDP payload, so a datagram is never split or truncated on receipt.
constexpr std::size_t kReceiveBufferBytes = 65536;
// Kernel receive buffer asked for (the system may cap it): a burst waits there while the
// receiving side is busy, and a datagram that finds it full is lost.
constexpr int kSocketReceiveBufferBytes = 1 << 20;

std::string describe(const std::string& what, const std::error_code& ec) {
    return what + ": " + ec.message();
}

std::string addressText(const asio::ip::address& address) {
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
    }
    return address.to_string();
}

Origin originOf(const udp::endpoint& sender) {
    return Origin{addressText(sender.address()), sender.port()};
}

// One bound socket with its own io_context and receive thread.
class FamilyReceiver {
  public:
    FamilyReceiver(const udp::endpoint& local, bool v6Only, UdpListener::Handler& handler)
        : socket_(io_), handler_(handler) {
        socket_.open(local.protocol());
        if (v6Only) {
            socket_.set_option(asio::ip::v6_only(true));
        }
        socket_.bind(local);
        std::error_code ignored;  // best effort: the default buffer still works
        socket_.set_option(asio::socket_base::receive_buffer_size(kSocketReceiveBufferBytes),
                           ignored);
    }

    void start() {
        armReceive();
        thread_ = std::thread([this] { io_.run(); });
    }

    void stop() {
        io_.stop();
        if (thread_.joinable()) {
            thread_.join();
        }
        std::error_code ignored;
        socket_.close(ignored);
    }

    udp::socket& socket() { return socket_; }

  private:
    void armReceive() {
        socket_.async_receive_from(
            asio::buffer(buffer_), sender_, [this](const std::error_code& ec, std::size_t size) {
                if (ec == asio::error::operation_aborted) {
                    return;
                }
                if (!ec) {
                    handler_(std::string_view(buffer_.data(), size), originOf(sender_));
                }
                armReceive();
            });
    }

    asio::io_context io_;
    udp::socket socket_;
    UdpListener::Handler& handler_;
    std::array<char, kReceiveBufferBytes> buffer_{};
    udp::endpoint sender_;
    std::thread thread_;
};

}  // namespace

struct UdpListener::Impl {
    Handler handler;
    std::unique_ptr<FamilyReceiver> v4;
    std::unique_ptr<FamilyReceiver> v6;
    std::uint16_t port = 0;
};

UdpListener::UdpListener(std::uint16_t port, Handler handler, const std::string& bindAddress)
    : impl_(std::make_unique<Impl>()) {
    impl_->handler = std::move(handler);
    try {
        const auto address = bindAddress.empty() ? asio::ip::address_v4::any()
                                                 : asio::ip::make_address_v4(bindAddress);
        impl_->v4 =
            std::make_unique<FamilyReceiver>(udp::endpoint(address, port), false, impl_->handler);
    } catch (const std::system_error& e) {
        throw UdpError(describe("cannot bind UDP port " + std::to_string(port), e.code()));
    }
    impl_->port = impl_->v4->socket().local_endpoint().port();
    if (!bindAddress.empty()) {
        impl_->v4->start();
        return;
    }
    try {
        // Same port number on IPv6, so peers of either family reach the same endpoint.
        impl_->v6 = std::make_unique<FamilyReceiver>(udp::endpoint(udp::v6(), impl_->port), true,
                                                     impl_->handler);
    } catch (const std::system_error&) {
        impl_->v6.reset();  // no IPv6 here, or its port is taken: IPv4 alone serves
    }
    impl_->v4->start();
    if (impl_->v6) {
        impl_->v6->start();
    }
}

UdpListener::UdpListener(std::uint16_t port, PlainHandler handler, const std::string& bindAddress)
    : UdpListener(
          port,
          [plain = std::move(handler)](std::string_view datagram, const Origin&) {
              plain(datagram);
          },
          bindAddress) {}

UdpListener::~UdpListener() {
    impl_->v4->stop();
    if (impl_->v6) {
        impl_->v6->stop();
    }
}

std::uint16_t UdpListener::port() const {
    return impl_->port;
}

bool UdpListener::hasIPv6() const {
    return impl_->v6 != nullptr;
}

void UdpListener::sendTo(const std::string& address, int port, std::string_view bytes) {
    const auto target = address + ":" + std::to_string(port);
    if (port <= 0 || port > 65535) {
        throw UdpError("cannot send to " + target + ": invalid port");
    }
    std::error_code ec;
    const auto numeric = asio::ip::make_address(address, ec);
    if (ec) {
        throw UdpError("cannot send to " + target + ": not a numeric address");
    }
    const udp::endpoint endpoint(numeric, static_cast<std::uint16_t>(port));
    FamilyReceiver* family = numeric.is_v4() ? impl_->v4.get() : impl_->v6.get();
    if (family == nullptr) {
        throw UdpError(
            describe("cannot send to " + target, asio::error::address_family_not_supported));
    }
    // Never wait for room in the send buffer: a sender that waited could hold up the
    // loop thread, and UDP may drop the datagram anyway.
    // (asio's own send waits for room when the kernel says "try again", so the system
    // call is made here.)
    const ssize_t sent = ::sendto(family->socket().native_handle(), bytes.data(), bytes.size(),
                                  MSG_DONTWAIT | MSG_NOSIGNAL, endpoint.data(), endpoint.size());
    if (sent < 0) {
        throw UdpError(
            describe("cannot send to " + target, std::error_code(errno, std::system_category())));
    }
}

std::string canonicalAddress(std::string_view text) {
    std::error_code ec;
    const auto address = asio::ip::make_address(std::string(text), ec);
    return ec ? std::string() : addressText(address);
}

}  // namespace kovra::udp
