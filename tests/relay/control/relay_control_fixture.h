// The relay control's test fixture: a pair's control over real settings files in a
// temporary folder, a simulated loop, fake ports and user interface.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "control_test_support.h"
#include "relay/control/pair_relay_control.h"
#include "settings/config_files.h"
#include "settings/pair_settings.h"

namespace kovra::relay::control::testing {

using settings::PairSettings;

class RelayControlTest : public ::testing::Test {
  protected:
    void make(int pair) {
        s = PairSettings::defaults(pair);
        ports.s = &s;
        s.RecordingBase = (home.path() / "MP3").string() + "/";
        fs::create_directories(s.RecordingBase);
        ctl = std::make_unique<PairRelayControl>(pair, loop, s, files, ui, ports, host, [this] {
            return std::optional<HostIdentity>(HostIdentity{"testhost", lookupAddress});
        });
        // Count what the endpoints hand over (set before any port opens: listener threads
        // read the handlers), so a test can wait for a datagram to be handled.
        for (int side = 1; side <= 2; ++side) {
            TKovraRepeaterXE& ep = ctl->endpoint(side);
            ep.OnTextFrom = [this, inner = ep.OnTextFrom](TKovraRepeaterXE& e, const std::string& t,
                                                          const TextOrigin& from) {
                ++handled;
                inner(e, t, from);
            };
            ep.OnListenerClosed = [this, inner = ep.OnListenerClosed](TKovraRepeaterXE& e,
                                                                      const TextOrigin& from) {
                ++handled;
                inner(e, from);
            };
        }
    }

    // Turns line side's relay on towards hostPeer, which the switch puts on the list.
    void relayOn(int side, Peer& hostPeer, bool localHostOnly = false) {
        s.chkSameIP(side) = localHostOnly;
        s.edIPRemote(side) = "127.0.0.1";
        s.edPortReceive(side) = std::to_string(hostPeer.port());
        s.edPortLocal(side) = std::to_string(freePort());
        ctl->setChBoxTCP(side, true);
        ASSERT_TRUE(ctl->endpoint(side).connected());
        ASSERT_TRUE(ctl->endpoint(side).listening());
    }

    int endpointPort(int side) { return ctl->endpoint(side).boundPort(); }

    std::string list(int line) {
        std::string text;
        const std::string section = settings::ipListSection(line);
        for (const auto& key : files.ip().sectionKeys(section)) {
            text += key + "=" + files.ip().readString(section, key, "") + ";";
        }
        return text;
    }

    TempFolder home;
    settings::ConfigFiles files{home.path(), home.path() / "root"};
    SimulatedEventLoop loop;
    FakeUserInterface ui;
    FakePorts ports;
    HostIdentity host{"testhost", "127.0.0.1"};
    std::string lookupAddress = "127.0.0.1";
    PairSettings s;
    std::unique_ptr<PairRelayControl> ctl;
    int handled = 0;  // texts and closes the endpoints handed to the control
};

}  // namespace kovra::relay::control::testing
