// libFuzzer target for a pair's relay control: datagrams into both lines' endpoints, the
// way the listener hands them over, with every command, list change and reply the pair
// makes, on a simulated clock that moves between datagrams so the announce, dispatch and
// command timers run too. The settings files live in a scratch folder.
//
// Run it only in a network namespace of its own (`unshare -n`, loopback down): the
// control sends replies, handshakes and list announcements to whatever address a
// datagram names, and there no packet can leave. It refuses to run anywhere else.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/headless_user_interface.h"
#include "platform/simulated_event_loop.h"
#include "platform/udp/udp_socket.h"
#include "relay/control/pair_relay_control.h"
#include "relay/control/pair_relay_ports.h"
#include "settings/config_files.h"
#include "settings/pair_settings.h"

namespace {

namespace fs = std::filesystem;
using namespace kovra;

// True when a datagram to 127.0.0.1 can be sent: then this is no isolated namespace.
bool loopbackReachable() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool sent = ::sendto(fd, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == 1;
    ::close(fd);
    return sent;
}

class Ports final : public relay::control::PairRelayPorts {
  public:
    bool settingsShown() const override { return false; }
    void openConfigWindow() override {}
    void startDetectors() override {}
    void stopDetectors() override {}
    void endProgram() override {}
    void startRecording(int, const std::string&) override {}
    void stopRecording(int) override {}
    int waveInIndex() const override { return 0; }
    void appendKeyLog(const std::string&) override {}
    void checkOffHookChanged() override {}
    void enableApply() override {}
    void relayPageChanged() override {}
    void reportError(const std::exception&) override {}
};

const fs::path& home() {
    static const fs::path path =
        fs::temp_directory_path() / ("kovra-fuzz-relay-" + std::to_string(::getpid()));
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (loopbackReachable()) {
        std::fprintf(stderr,
                     "fuzz_relay_control: run me in a network namespace of my own "
                     "(unshare -n), where no datagram can leave\n");
        std::exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::error_code ec;
    fs::remove_all(home(), ec);
    fs::create_directories(home() / "MP3");

    const int pair = 1 + static_cast<int>(size % 3);
    settings::ConfigFiles files{home(), home() / "root"};
    SimulatedEventLoop loop;
    HeadlessUserInterface ui;
    Ports ports;
    relay::control::HostIdentity host{"fuzzhost", "127.0.0.1"};
    settings::PairSettings s = settings::PairSettings::defaults(pair);
    s.RecordingBase = (home() / "MP3").string() + "/";
    auto control = std::make_unique<relay::control::PairRelayControl>(
        pair, loop, s, files, ui, ports, host, [] {
            return std::optional<relay::control::HostIdentity>(
                relay::control::HostIdentity{"fuzzhost", "127.0.0.1"});
        });
    for (int side = 1; side <= 2; ++side) {
        s.chkSameIP(side) = false;
        s.edIPRemote(side) = "127.0.0.1";
        s.edPortReceive(side) = std::to_string(6510 + side);
        s.edPortLocal(side) = std::to_string(3820 + side);
        try {
            control->setChBoxTCP(side, true);
        } catch (const std::exception&) {
        }
    }

    // Datagrams split at newlines, to the odd and even line in turn, from the line's host
    // and from another sender in turn; the clock moves a little after each (the dispatch
    // timer is 5 ms), and two seconds at the end.
    std::size_t start = 0;
    for (int n = 0; start <= bytes.size(); ++n) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        const std::string_view datagram = bytes.substr(start, end - start);
        const int side = 1 + n % 2;
        const udp::Origin from = (n / 2) % 2 == 0 ? udp::Origin{"127.0.0.1", 6510 + side}
                                                  : udp::Origin{"192.0.2.7", 40000 + n % 7};
        try {
            control->endpoint(side).receiveNow(datagram, from);
            loop.advance(Millis(7 + (datagram.empty() ? 0 : datagram.front() % 50)));
        } catch (const std::exception&) {
            // the program's error hook takes these
        }
        start = end + 1;
    }
    try {
        loop.advance(Millis(2000));
    } catch (const std::exception&) {
    }
    control.reset();
    return 0;
}
