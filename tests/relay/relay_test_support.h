// Helpers for relay tests on real sockets: a plain UDP peer on 127.0.0.1 that records what
// it receives, and the shared pump that moves the simulated loop while datagrams travel.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loop_pumping.h"
#include "platform/simulated_event_loop.h"
#include "platform/udp/udp_socket.h"

namespace kovra::relay::test {

// Generous: only reached when a test is failing.
inline constexpr std::chrono::seconds kWaitLimit{5};

class RawPeer {
  public:
    // bindAddress: a loopback address other than 127.0.0.1 (127.0.0.3) that the peer's
    // datagrams come from; empty binds every address.
    explicit RawPeer(const std::string& bindAddress = {})
        : socket_(
              0, [this](std::string_view d) { record(d); }, bindAddress) {}

    int port() const { return socket_.port(); }
    bool hasIPv6() const { return socket_.hasIPv6(); }
    void send(int port, std::string_view bytes, const std::string& host = "127.0.0.1") {
        socket_.sendTo(host, port, bytes);
    }
    // Waits (real time) until count datagrams have arrived; returns all received so far.
    std::vector<std::string> waitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, kWaitLimit, [&] { return received_.size() >= count; });
        return received_;
    }
    std::vector<std::string> received() {
        const std::lock_guard lock(mutex_);
        return received_;
    }

  private:
    void record(std::string_view datagram) {
        {
            const std::lock_guard lock(mutex_);
            received_.emplace_back(datagram);
        }
        arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> received_;
    udp::UdpListener socket_;
};

using kovra::test::pumpFor;
using kovra::test::pumpUntil;

}  // namespace kovra::relay::test
