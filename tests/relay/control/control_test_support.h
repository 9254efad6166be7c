// Helpers for the relay control tests: a temporary program folder, a plain UDP peer on
// 127.0.0.1 that keeps the event texts it receives, a loop pump, and doubles for the
// pair's ports and the user interface.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loop_pumping.h"
#include "platform/simulated_event_loop.h"
#include "platform/udp/udp_socket.h"
#include "platform/user_interface.h"
#include "relay/control/pair_relay_ports.h"
#include "settings/pair_settings.h"
#include "temp_folder.h"

namespace kovra::relay::control::testing {

namespace fs = std::filesystem;

// Generous: only reached when a test is failing.
inline constexpr std::chrono::seconds kWaitLimit{5};

using kovra::test::TempFolder;

// A UDP socket on a free port; keeps each event text ("&&" text "@" filler) it receives
// and counts handshake datagrams apart. Given another loopback address (127.0.0.3), it
// binds that address alone, so its datagrams come from it.
class Peer {
  public:
    explicit Peer(std::string address = "127.0.0.1")
        : address_(std::move(address)),
          socket_(
              0, [this](std::string_view d) { record(d); },
              address_ == "127.0.0.1" ? std::string() : address_) {}

    int port() const { return socket_.port(); }
    const std::string& address() const { return address_; }
    std::string entry() const { return address_ + ":" + std::to_string(port()); }
    // Sends raw bytes (a handshake or close datagram).
    void sendRaw(int port, const std::string& bytes) { socket_.sendTo("127.0.0.1", port, bytes); }
    void send(int port, const std::string& text) {
        socket_.sendTo("127.0.0.1", port, "&&" + text + "@");
    }
    std::vector<std::string> waitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, kWaitLimit, [&] { return texts_.size() >= count; });
        return texts_;
    }
    std::vector<std::string> texts() {
        const std::lock_guard lock(mutex_);
        return texts_;
    }
    int handshakes() {
        const std::lock_guard lock(mutex_);
        return handshakes_;
    }

  private:
    void record(std::string_view datagram) {
        {
            const std::lock_guard lock(mutex_);
            if (datagram.substr(0, 2) == "&&") {
                const auto end = datagram.find('@');
                texts_.emplace_back(datagram.substr(2, end - 2));
            } else if (!datagram.empty() && datagram.front() == 'I') {
                ++handshakes_;
            }
        }
        arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> texts_;
    int handshakes_ = 0;
    std::string address_;
    udp::UdpListener socket_;
};

// A port free right now (bound and released), for an endpoint's local port.
inline int freePort() {
    udp::UdpListener probe(0, [](std::string_view) {});
    return probe.port();
}

using kovra::test::pumpFor;
using kovra::test::pumpUntil;

class FakePorts final : public PairRelayPorts {
  public:
    bool settingsShown() const override { return shown; }
    void openConfigWindow() override { calls.push_back("open"); }
    void startDetectors() override { calls.push_back("start"); }
    void stopDetectors() override { calls.push_back("stop"); }
    void endProgram() override { calls.push_back("end"); }
    // Stands in for the recorder: creates the file it was asked to record into.
    void startRecording(int side, const std::string& file) override {
        calls.push_back("rec" + std::to_string(side) + " " + file);
        std::ofstream(file) << "mp3";
    }
    void stopRecording(int side) override { calls.push_back("stoprec" + std::to_string(side)); }
    int waveInIndex() const override { return 3; }
    void appendKeyLog(const std::string& key) override { calls.push_back("key " + key); }
    void checkOffHookChanged() override {
        calls.push_back("hook check " + std::to_string(s->CheckOffHook));
    }
    void enableApply() override {}
    void relayPageChanged() override {}
    void reportError(const std::exception& error) override { errors.push_back(error.what()); }

    bool shown = false;
    const settings::PairSettings* s = nullptr;  // the settings the control works on
    std::vector<std::string> calls;
    std::vector<std::string> errors;
};

class FakeUserInterface final : public UserInterface {
  public:
    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon,
                             MessageButtons buttons) override {
        boxes.push_back(title + "|" + text);
        return defaultAnswer(buttons);
    }
    void beep() override {}
    void setTrayIconVisible(bool visible) override { icon.push_back(visible); }

    std::vector<std::string> boxes;
    std::vector<bool> icon;
};

}  // namespace kovra::relay::control::testing
