// What the end-to-end tests share: a UDP sink that keeps every datagram, a free port, the
// event text of a datagram, and MP3 files decoded back.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// A decoded MP3: its rate and its samples, channels interleaved (empty when unreadable).
struct DecodedMp3 {
    long rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;
};
DecodedMp3 decodeMp3(const std::filesystem::path& file);
double mp3Seconds(const std::filesystem::path& file);

}  // namespace kovra::e2e
