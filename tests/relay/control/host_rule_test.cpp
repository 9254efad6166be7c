// Who may command a line: the host alone; other senders (here 127.0.0.3 and 127.0.0.4,
// the host being 127.0.0.1) may only join and leave the destination list for their own
// address. Real sockets on loopback addresses; time is simulated.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "relay_control_fixture.h"

namespace kovra::relay::control {
namespace {

using namespace testing;

class HostRuleTest : public RelayControlTest {
  protected:
    // Sends text from peer, waits until its endpoint has handed it over, and lets the
    // command timer run.
    void deliver(Peer& peer, const std::string& text, int side = 1) {
        deliverRaw(peer, "&&" + text + "@", side);
    }
    void deliverRaw(Peer& peer, const std::string& bytes, int side = 1) {
        const int before = handled;
        peer.sendRaw(endpointPort(side), bytes);
        ASSERT_TRUE(pumpUntil(loop, [&] { return handled > before; }));
        pumpFor(loop, Millis(300));
    }
    std::string fileText(const std::string& name) {
        std::ifstream in(home.path() / name);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(HostRuleTest, OnlyTheHostCommandsTheLine) {
    make(1);
    Peer hostPeer, attacker("127.0.0.3");
    relayOn(1, hostPeer);
    const std::string listBefore = list(1);
    const std::string recording = s.RecordingBase + "a.mp3";
    for (const std::string& text :
         {std::string("_STOP_APP->"), std::string("L1_STOP_DEVICE->"),
          std::string("L1_OPEN_CONFIG->"), std::string("L1_ICON_VISIBLE->0"),
          "START_REC->" + recording, std::string("STOP_REC->"), "L1_REMOVE_IP->" + hostPeer.entry(),
          std::string("L1_HANDSHAKE_I127.0.0.3P9")}) {
        SCOPED_TRACE(text);
        deliver(attacker, text);
    }
    attacker.sendRaw(endpointPort(1), "I127.0.0.3P9VZF@KKKK");  // handled before the close
    deliverRaw(attacker, "~Finalizada@KKKK");

    EXPECT_TRUE(ports.calls.empty());
    EXPECT_TRUE(ui.icon.empty());
    EXPECT_EQ(list(1), listBefore);
    EXPECT_FALSE(fs::exists(recording));
    EXPECT_TRUE(ctl->endpoint(1).connected());
    EXPECT_EQ(ctl->endpoint(1).a3Remote_IP(), "127.0.0.1");
    EXPECT_EQ(ctl->endpoint(1).a4Remote_Port(), hostPeer.port());
    EXPECT_TRUE(attacker.texts().empty());
    EXPECT_TRUE(hostPeer.texts().empty());

    // The host still reaches the line, and still commands it.
    ctl->SendDataIP(1, "L1_RING_COUNT->1");
    EXPECT_EQ(hostPeer.waitFor(1), (std::vector<std::string>{"L1_RING_COUNT->1"}));
    deliver(hostPeer, "L1_STOP_DEVICE->");
    EXPECT_EQ(ports.calls, (std::vector<std::string>{"stop"}));
}

TEST_F(HostRuleTest, OpenSwitchLetsEverySenderCommand) {
    make(1);
    ASSERT_FALSE(files.global().writeBool("GLOBAL", "RelayOpenCommands", true));
    Peer hostPeer, other("127.0.0.3");
    relayOn(1, hostPeer);
    deliver(other, "L1_STOP_DEVICE->");
    EXPECT_EQ(ports.calls, (std::vector<std::string>{"stop"}));
}

TEST_F(HostRuleTest, ListenerJoinsAndLeavesForItselfAndIsAnsweredAlone) {
    make(1);
    Peer hostPeer, listener("127.0.0.3"), other("127.0.0.4");
    relayOn(1, hostPeer);
    s.CbDevices.text = "USB Audio";
    s.CBList.text = "Mic";
    s.CheckAutoRec = true;

    deliver(listener, "L1_INSERT_IP->" + listener.entry());
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;" + listener.entry() + "=1;");
    EXPECT_EQ(listener.waitFor(6),
              (std::vector<std::string>{"L1_KOVRA_IP_INSERTED->" + listener.entry(),
                                        "L1_IN_MODE_AUTO_RECORDING->", "L1_SOUND_BOARD->USB Audio",
                                        "L1_DEVICE_ID->2", "L1_CHANNEL->Left Channel",
                                        "L1_SOURCE->Mic"}));
    deliver(listener, "L1_INSERT_IP->" + listener.entry());
    EXPECT_EQ(listener.waitFor(7).back(), "L1_KOVRA_CONNECTED_WITH_SUCESS->");
    // The same address on another port moves the entry: one entry per sender address.
    deliver(listener, "L1_INSERT_IP->127.0.0.3:7001");
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;127.0.0.3:7001=1;");
    deliver(listener, "L1_INSERT_IP->" + listener.entry());

    // Nobody joins for someone else, or removes someone else.
    deliver(other, "L1_INSERT_IP->127.0.0.5:7000");
    deliver(other, "L1_REMOVE_IP->" + listener.entry());
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;" + listener.entry() + "=1;");
    EXPECT_TRUE(other.texts().empty());

    // Every event reaches both; the answers went to the listener alone.
    ctl->SendDataIP(1, "L1_RING_COUNT->1");
    EXPECT_EQ(hostPeer.waitFor(1), (std::vector<std::string>{"L1_RING_COUNT->1"}));
    ASSERT_EQ(listener.waitFor(14).size(), 14u);
    EXPECT_EQ(listener.texts().back(), "L1_RING_COUNT->1");

    // A listener's close ends that listener alone: the host's feed goes on.
    deliverRaw(listener, "~Finalizada@KKKK");
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;");
    EXPECT_TRUE(ctl->endpoint(1).connected());
    ctl->SendDataIP(1, "L1_RING_COUNT->2");
    EXPECT_EQ(hostPeer.waitFor(2).back(), "L1_RING_COUNT->2");
    EXPECT_EQ(hostPeer.handshakes(), 1);  // no close datagram reached the host either

    deliver(listener, "L1_INSERT_IP->" + listener.entry());
    deliver(listener, "L1_REMOVE_IP->" + listener.entry());
    EXPECT_EQ(listener.texts().back(), "L1_KOVRA_IP_REMOVED->" + listener.entry());
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;");
}

TEST_F(HostRuleTest, ListTakesNumericAddressesOnlyUpToItsCap) {
    make(1);
    Peer hostPeer, first("127.0.0.3"), second("127.0.0.4"), third("127.0.0.5");
    relayOn(1, hostPeer);
    ASSERT_FALSE(files.global().writeInteger("LINHAS_1e2", "MaxListeners1", 3));
    const std::string listBefore = list(1);
    for (const std::string& bad :
         {std::string("x"), std::string("a=b"), std::string("deadhost:39171"),
          std::string("127.0.0.3"), std::string("127.0.0.3:0"), std::string("127.0.0.3:70000"),
          std::string("127.0.0.3: 80"), std::string("127.0.0.3:80\n[GLOBAL]\nIconVisible=0"),
          std::string("0127.0.0.3:80"), std::string("::1:80")}) {
        SCOPED_TRACE(bad);
        deliver(first, "L1_INSERT_IP->" + bad);
    }
    // The host names no name either (its port is read as a number, as it always was).
    for (const char* bad : {"x", "a=b", "deadhost:39171", "::1:80", "0127.0.0.3:80"}) {
        deliver(hostPeer, std::string("L1_INSERT_IP->") + bad);
    }
    EXPECT_EQ(list(1), listBefore);
    EXPECT_EQ(fileText("ConfigIP.ini").find("GLOBAL"), std::string::npos);

    deliver(first, "L1_INSERT_IP->" + first.entry());
    deliver(second, "L1_INSERT_IP->" + second.entry());
    deliver(third, "L1_INSERT_IP->" + third.entry());  // the host's entry counts: full
    deliver(hostPeer, "L1_INSERT_IP->127.0.0.9:7000");
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;" + first.entry() + "=1;" + second.entry() + "=1;");
    EXPECT_TRUE(third.texts().empty());
}

}  // namespace
}  // namespace kovra::relay::control
