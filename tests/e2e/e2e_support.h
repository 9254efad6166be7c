// What the end-to-end tests share: a UDP sink that keeps every datagram, a free port, the
// event text of a datagram; MP3 files are read back by the shared test support.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mp3_probe.h"

namespace kovra::e2e {

// Receives every datagram sent to its port on 127.0.0.1 until destroyed.
class UdpSink {
  public:
    UdpSink();
    ~UdpSink();
    UdpSink(const UdpSink&) = delete;
    UdpSink& operator=(const UdpSink&) = delete;

    int port() const { return port_; }
    // What has arrived so far, while the sender runs.
    std::vector<std::string> datagrams();
    // Everything the sender sent, once it has ended: loopback delivers into the socket's
    // queue at the send, so the rest is read here at once, without waiting. Stops the sink.
    std::vector<std::string> datagramsAfterExit();

  private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> datagrams_;
    std::thread thread_;
};

// A port nobody uses right now, for the monitor's own endpoints.
int freePort();

// The event text of a datagram: "&&" + text + "@" + NUL filler; empty when not an event.
std::string eventText(const std::string& datagram);

// MP3 files are read back with the shared probe.
using test::DecodedMp3;
using test::decodeMp3;
using test::mp3Length;

}  // namespace kovra::e2e
