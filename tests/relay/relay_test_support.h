// Helpers for relay tests on real sockets: a plain UDP peer on 127.0.0.1 that records what
// it receives, and a pump that moves the simulated loop while real datagrams travel.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// Advances the simulated loop in dispatch-sized steps until done() holds, giving real
// datagrams time to arrive between steps. Returns done().
template <typename Pred>
bool pumpUntil(SimulatedEventLoop& loop, Pred done) {
    const auto limit = std::chrono::steady_clock::now() + kWaitLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        loop.advance(Millis(5));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// Runs the loop for a stretch of simulated time, in small steps with real pauses so
// datagrams in flight are handled on the way.
inline void pumpFor(SimulatedEventLoop& loop, Millis span) {
    for (Millis done{0}; done < span; done += Millis(5)) {
        loop.advance(Millis(5));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

}  // namespace kovra::relay::test
