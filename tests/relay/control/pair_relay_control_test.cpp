#include "relay/control/pair_relay_control.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "relay/relay_error.h"
#include "relay_control_fixture.h"

namespace kovra::relay::control {
namespace {

using namespace testing;

TEST_F(RelayControlTest, ListSendGoesToTickedEntriesInFileOrderAndEndsOnTheLast) {
    make(1);
    Peer hostPeer, ticked, unticked;
    relayOn(1, hostPeer);
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;");
    EXPECT_EQ(files.ip().readString("REPEATER_LINHA_1", "127.0.0.1", ""),
              std::to_string(hostPeer.port()));
    EXPECT_EQ(files.ip().readString("REPEATER_LINHA_1", "Kovra-PORTA", ""), s.edPortLocal1);
    ASSERT_FALSE(files.ip().writeBool("LISTAGEM_IP_LINHA_1", unticked.entry(), false));
    ASSERT_FALSE(files.ip().writeBool("LISTAGEM_IP_LINHA_1", ticked.entry(), true));
    const int remotePort = ctl->endpoint(1).a4Remote_Port();

    ctl->SendDataIP(1, "L1_RING_COUNT->1");
    EXPECT_EQ(hostPeer.waitFor(1), (std::vector<std::string>{"L1_RING_COUNT->1"}));
    EXPECT_EQ(ticked.waitFor(1), (std::vector<std::string>{"L1_RING_COUNT->1"}));
    EXPECT_EQ(hostPeer.handshakes(), 1);
    // The boxes show the last destination served; the endpoint gets its own back.
    EXPECT_EQ(s.edPortReceive1, std::to_string(ticked.port()));
    EXPECT_EQ(ctl->endpoint(1).a4Remote_Port(), remotePort);
    EXPECT_FALSE(ctl->sendingList(1));

    // Switching off removes the entry the boxes name: the last destination served.
    ctl->setChBoxTCP(1, false);
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;" + unticked.entry() + "=0;");
    ctl->SendDataIP(1, "L1_STATUS_DIALTONE");  // still connected: the host still gets it
    EXPECT_EQ(hostPeer.waitFor(2).back(), "L1_STATUS_DIALTONE");
    EXPECT_TRUE(unticked.texts().empty());
    EXPECT_EQ(ticked.texts().size(), 1u);
}

TEST_F(RelayControlTest, LocalHostModeIgnoresTheListAndEmptyListSendsNothing) {
    make(2);
    Peer hostPeer, other;
    relayOn(1, hostPeer, true);
    ASSERT_FALSE(files.ip().writeBool("LISTAGEM_IP_LINHA_3", other.entry(), true));
    ctl->SendDataIP(1, "L3_STATUS_OFF_HOOK");
    EXPECT_EQ(hostPeer.waitFor(1), (std::vector<std::string>{"L3_STATUS_OFF_HOOK"}));

    // Off the local host with nothing on the list: the relay is on and nothing leaves.
    files.ip().eraseSection("LISTAGEM_IP_LINHA_3");
    s.chkSameIP1 = false;
    ctl->SendDataIP(1, "L3_STATUS_ON_HOOK");
    s.chkSameIP1 = true;
    ctl->SendDataIP(1, "L3_RING_COUNT->2");  // a marker sent after it, on the same path
    EXPECT_EQ(hostPeer.waitFor(2),
              (std::vector<std::string>{"L3_STATUS_OFF_HOOK", "L3_RING_COUNT->2"}));
    EXPECT_TRUE(other.texts().empty());
}

TEST_F(RelayControlTest, FailedSendRaisesAndLeavesNoListSendUnderWay) {
    make(1);
    Peer hostPeer, after;
    relayOn(1, hostPeer);
    ASSERT_FALSE(files.ip().writeBool("LISTAGEM_IP_LINHA_1", "127.0.0.1:none", true));
    ASSERT_FALSE(files.ip().writeBool("LISTAGEM_IP_LINHA_1", after.entry(), true));
    const std::string remoteIp = ctl->endpoint(1).a3Remote_IP();

    EXPECT_THROW(ctl->SendDataIP(1, "L1_DMTFKEY->5"), RelayError);
    EXPECT_FALSE(ctl->sendingList(1));
    EXPECT_EQ(ctl->endpoint(1).a3Remote_IP(), remoteIp);
    EXPECT_EQ(hostPeer.waitFor(1), (std::vector<std::string>{"L1_DMTFKEY->5"}));

    // Received texts are handled again, and an error in a handler reaches the error port.
    after.send(endpointPort(1), "L1_INSERT_IP->127.0.0.1:7000");
    ASSERT_TRUE(pumpUntil(loop, [&] { return !ports.errors.empty(); }));
    EXPECT_EQ(ports.errors.front(), std::string(kSendDataErrorText));
    EXPECT_TRUE(files.ip().keyExists("LISTAGEM_IP_LINHA_1", "127.0.0.1:7000"));
}

TEST_F(RelayControlTest, ManualRecordingDescriptionSwitchesTheHookCheckOffEverywhere) {
    make(1);
    s.CheckAutoRec = false;
    s.CheckOffHook = true;
    ctl->SendLineDadosRep();
    // The pair is told, with the setting already changed, so its line logic follows.
    EXPECT_EQ(ports.calls, std::vector<std::string>{"hook check 0"});
    ctl->SendLineDadosRep();
    EXPECT_EQ(ports.calls.size(), 1u);  // told once, when it changes
}

TEST_F(RelayControlTest, InsertionAndRemovalRequestsAnswerAndChangeTheList) {
    make(1);
    Peer hostPeer, listener;
    relayOn(1, hostPeer);
    s.CbDevices.text = "USB Audio";
    s.CBList.text = "Mic";
    s.CheckAutoRec = true;

    listener.send(endpointPort(1), "L1_INSERT_IP->" + listener.entry());
    ASSERT_TRUE(pumpUntil(loop, [&] { return listener.texts().size() >= 6; }));
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;" + listener.entry() + "=1;");
    const std::vector<std::string> expected = {"L1_KOVRA_IP_INSERTED->" + listener.entry(),
                                               "L1_IN_MODE_AUTO_RECORDING->",
                                               "L1_SOUND_BOARD->USB Audio",
                                               "L1_DEVICE_ID->2",
                                               "L1_CHANNEL->Left Channel",
                                               "L1_SOURCE->Mic"};
    EXPECT_EQ(listener.texts(), expected);
    EXPECT_EQ(hostPeer.waitFor(6), expected);
    EXPECT_TRUE(s.ChBoxTCP1);
    EXPECT_EQ(files.global().readString("LINHAS_1e2", "TCP/IP_L1", ""), "1");
    EXPECT_EQ(files.global().readString("LINHAS_1e2", "TCP/IP_L2", ""), "0");

    listener.send(endpointPort(1), "L1_INSERT_IP->" + listener.entry());
    ASSERT_TRUE(pumpUntil(loop, [&] { return listener.texts().size() >= 12; }));
    EXPECT_EQ(listener.texts()[6], "L1_KOVRA_CONNECTED_WITH_SUCESS->");

    listener.send(endpointPort(1), "L1_REMOVE_IP->" + listener.entry());
    ASSERT_TRUE(pumpUntil(loop, [&] { return listener.texts().size() >= 13; }));
    EXPECT_EQ(listener.texts()[12], "L1_KOVRA_IP_REMOVED->" + listener.entry());
    EXPECT_EQ(ctl->view(1).EditReceived, "Remover: " + listener.entry());
    EXPECT_EQ(ctl->view(1).PanelGerenciador, "Desconectado");
    EXPECT_EQ(list(1), hostPeer.entry() + "=1;");
}

TEST_F(RelayControlTest, CommandsFollowTheReceiveOptionAndTheWindowState) {
    struct Case {
        int pair;
        bool permit;
        bool shown;
        const char* text;
        const char* call;      // expected port call, "" for none
        const char* received;  // EditReceived afterwards
    };
    const Case cases[] = {
        {1, true, false, "L1_START_DEVICE->", "start", "L1_START_DEVICE->"},
        {1, false, false, "L1_START_DEVICE->", "", "L1_START_DEVICE->"},
        {1, true, true, "L1_START_DEVICE->", "", ""},
        {1, true, false, "L2_STOP_DEVICE->", "", "L2_STOP_DEVICE->"},  // line 2's command
        {1, true, false, "xx_STOP_APP->", "end", "xx_STOP_APP->"},
        {2, true, false, "L3_OPEN_CONFIG->", "open", "L3_OPEN_CONFIG->"},
        {3, true, false, "L5_APP_PLUGED->Host", "", "Host"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ctl.reset();
        ports.calls.clear();
        make(c.pair);
        s.chkPermiteReceive1 = c.permit;
        ports.shown = c.shown;
        ctl->KovraRepeaterOnAllEvents(1, c.text);
        loop.advance(Millis(100));
        EXPECT_EQ(ports.calls, std::string(c.call).empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{c.call});
        EXPECT_EQ(ctl->view(1).EditReceived, c.received);
    }
    EXPECT_EQ(ctl->view(1).PanelGerenciador, "Plugado: Host");
}

TEST_F(RelayControlTest, CommandsArrivingOnTheEndpointObeyTheOptionAndTheWindow) {
    struct Case {
        bool permit;
        bool shown;
        bool obeyed;
    };
    for (const Case c :
         {Case{true, false, true}, Case{false, false, false}, Case{true, true, false}}) {
        SCOPED_TRACE(std::to_string(c.permit) + std::to_string(c.shown));
        ctl.reset();
        ports.calls.clear();
        make(2);
        s.chkPermiteReceive2 = c.permit;
        ports.shown = c.shown;
        ctl->configureEndpoint(2, freePort(), 0, "127.0.0.1");
        Peer host;
        host.send(endpointPort(2), "L4_STOP_DEVICE->");
        // Texts are handled in arrival order: once the marker shows, the command was seen.
        host.send(endpointPort(2), "L4_APP_PLUGED->mark");
        ASSERT_TRUE(
            pumpUntil(loop, [&] { return ctl->view(2).PanelGerenciador == "Plugado: mark"; }));
        loop.advance(Millis(100));
        EXPECT_EQ(ports.calls,
                  c.obeyed ? std::vector<std::string>{"stop"} : std::vector<std::string>{});
    }
}

TEST_F(RelayControlTest, IconCommandIsObeyedEvenWhileTheWindowIsShown) {
    make(1);
    ports.shown = true;
    ctl->KovraRepeaterOnAllEvents(2, "L2_ICON_VISIBLE->0");
    loop.advance(Millis(5));
    EXPECT_EQ(ui.icon, (std::vector<bool>{false}));
    EXPECT_EQ(files.global().readString("GLOBAL", "IconVisible", ""), "0");
}

TEST_F(RelayControlTest, OnlyTheFirstOfTwoCommandsInOneTimerPeriodIsCarriedOut) {
    make(2);
    ctl->KovraRepeaterOnAllEvents(1, "L3_STOP_DEVICE->");
    ctl->KovraRepeaterOnAllEvents(2, "L4_OPEN_CONFIG->");
    loop.advance(Millis(100));
    loop.advance(Millis(500));
    EXPECT_EQ(ports.calls, (std::vector<std::string>{"open"}));
    EXPECT_FALSE(ctl->commandTimerEnabled());
}

TEST_F(RelayControlTest, PingAnswerCancelsAWaitingCommandAndSendsTheHandshake) {
    make(1);
    Peer hostPeer;
    relayOn(1, hostPeer);
    ctl->btPingClick(1);
    EXPECT_EQ(ctl->view(1).edPing, "Aguarde...");
    EXPECT_FALSE(ctl->pingButtonsEnabled());
    ctl->KovraRepeaterOnAllEvents(1, "L1_START_DEVICE->");
    ctl->KovraRepeaterOnAllEvents(1, "L1_IP_127.0.0.1_PR_6511");  // within the same period
    ASSERT_TRUE(pumpUntil(loop, [&] { return hostPeer.texts().size() >= 2; }));
    EXPECT_TRUE(ports.calls.empty());
    EXPECT_EQ(ctl->view(1).edPing, "OK: OnLine!");
    EXPECT_TRUE(ctl->pingButtonsEnabled());
    EXPECT_FALSE(ctl->pingPending(1));
    const std::string address = "127.0.0.1P" + s.edPortLocal1;
    EXPECT_EQ(hostPeer.texts(),
              (std::vector<std::string>{"L1_PING:" + address, "L1_HANDSHAKE_I" + address}));
}

TEST_F(RelayControlTest, UnansweredPingIsSentTenTimesAndGivenUp) {
    for (const int pair : {2, 1}) {
        SCOPED_TRACE(pair);
        ctl.reset();
        make(pair);
        Peer hostPeer;
        relayOn(2, hostPeer);
        ctl->btPingClick(2);
        pumpFor(loop, Millis(4600));
        EXPECT_EQ(ctl->view(2).edPing, "Aguarde...");
        pumpFor(loop, Millis(500));
        EXPECT_EQ(ctl->view(2).edPing, "Sem respostas...");
        EXPECT_TRUE(ctl->pingButtonsEnabled());
        EXPECT_FALSE(ctl->pingTimerEnabled());
        const std::string ping =
            "L" + std::to_string(2 * pair) + "_PING:127.0.0.1P" + s.edPortLocal2;
        EXPECT_EQ(hostPeer.waitFor(10), std::vector<std::string>(10, ping));
    }
}

TEST_F(RelayControlTest, HostRecordingCommandOnlyWritesMp3InsideTheRecordingFolder) {
    make(1);
    const fs::path outside = home.path() / "outside";
    fs::create_directories(outside);
    fs::create_symlink(outside, home.path() / "MP3" / "link");
    const std::string base = s.RecordingBase;
    const std::string refused[] = {
        (outside / "x.mp3").string(),
        base + "../outside/y.mp3",
        base + "link/z.mp3",
        base + "notes.txt",
        "relative.mp3",
        base + ".mp3",
        base + "kept.mp3",  // exists: a recording is never replaced
    };
    std::ofstream(base + "kept.mp3") << "23 s of a call";
    for (const std::string& file : refused) {
        ctl->KovraRepeaterOnAllEvents(1, "START_REC->" + file);
        loop.advance(Millis(5));
    }
    EXPECT_TRUE(ports.calls.empty());
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(fs::file_size(base + "kept.mp3"), 14u);

    // A missing subfolder of the recording folder is made for an accepted file.
    const std::string inside = base + "Linha1(Linha 1)/call.mp3";
    ctl->KovraRepeaterOnAllEvents(2, "START_REC->" + inside);
    loop.advance(Millis(5));
    ctl->KovraRepeaterOnAllEvents(2, "STOP_REC->");
    loop.advance(Millis(5));
    EXPECT_EQ(ports.calls, (std::vector<std::string>{"rec2 " + inside, "stoprec2"}));
    EXPECT_TRUE(ctl->view(2).hostFileName.empty());

    // Pairs 2 and 3 only show the text.
    ctl.reset();
    ports.calls.clear();
    make(2);
    ctl->KovraRepeaterOnAllEvents(2, "START_REC->" + inside);
    loop.advance(Millis(100));
    EXPECT_TRUE(ports.calls.empty());
    EXPECT_EQ(ctl->view(2).EditReceived, "START_REC->" + inside);
}

TEST_F(RelayControlTest, FailedHostLookUpLeavesTheAddressEmpty) {
    HostIdentity shared{"old", "10.0.0.1"};
    EXPECT_FALSE(GetIPFromHost(shared, [] { return std::optional<HostIdentity>(); }));
    EXPECT_EQ(shared.address, "");
    EXPECT_TRUE(GetIPFromHost(shared, [] {
        return std::optional<HostIdentity>(HostIdentity{"pc", "10.0.0.2"});
    }));
    EXPECT_EQ(shared.hostName, "pc");
    EXPECT_EQ(shared.address, "10.0.0.2");
}

TEST_F(RelayControlTest, ZeroLocalPortTurnsTheSwitchBackOffWithItsMessage) {
    make(1);
    s.edPortLocal1 = "0";
    ctl->setChBoxTCP(1, true);
    EXPECT_FALSE(s.ChBoxTCP1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].substr(0, ui.boxes[0].find('|')), "Erro na configuração");
    EXPECT_FALSE(ctl->endpoint(1).connected());
}

TEST_F(RelayControlTest, LocalPortInUseIsErrorThreeEightOneFiveOnPairOne) {
    udp::UdpListener holder(0, [](std::string_view) {});
    const std::string held = std::to_string(holder.port());
    struct Case {
        int pair;
        bool switchStaysOn;  // pairs 2 and 3: the endpoint stays silent, as it always did
    };
    for (const Case c : {Case{1, false}, Case{2, true}}) {
        SCOPED_TRACE(c.pair);
        ctl.reset();
        ui.boxes.clear();
        make(c.pair);
        Peer hostPeer;
        s.edIPRemote2 = "127.0.0.1";
        s.edPortReceive2 = std::to_string(hostPeer.port());
        s.edPortLocal2 = held;
        ::testing::internal::CaptureStderr();
        ctl->setChBoxTCP(2, true);
        const std::string log = ::testing::internal::GetCapturedStderr();
        // The log names the real line and port, not "line 1".
        EXPECT_NE(log.find("line " + std::to_string(2 * c.pair) + " (local port " + held + ")"),
                  std::string::npos)
            << log;
        EXPECT_EQ(s.ChBoxTCP2, c.switchStaysOn);
        if (c.switchStaysOn) {
            EXPECT_TRUE(ui.boxes.empty());
        } else {
            EXPECT_EQ(ui.boxes, (std::vector<std::string>{
                                    "Erro|Erro #3815 : TKovraRepeaterXE.a5Local_Port " + held}));
            EXPECT_FALSE(ctl->endpoint(2).connected());
        }
    }
}

TEST_F(RelayControlTest, NewLocalAddressDisconnectsBothAndRestoresHostEntries) {
    make(2);
    Peer hostPeer;
    relayOn(1, hostPeer);
    files.ip().eraseSection("LISTAGEM_IP_LINHA_3");
    s.edIPRemote2 = "127.0.0.1";
    s.edPortReceive2 = "0";  // no valid host: no entry for line 4
    lookupAddress = "127.0.0.2";

    ctl->CheckLocalAddress();
    EXPECT_EQ(s.EditIPLocal1, "127.0.0.2");
    EXPECT_EQ(s.EditIPLocal2, "127.0.0.2");
    EXPECT_FALSE(ctl->endpoint(1).connected());
    EXPECT_EQ(list(3), hostPeer.entry() + "=1;");
    EXPECT_EQ(list(4), "");
    EXPECT_EQ(host.address, "127.0.0.2");

    // With the local-host option on the watch does nothing.
    s.chkSameIP1 = true;
    lookupAddress = "127.0.0.3";
    ctl->CheckLocalAddress();
    EXPECT_EQ(s.EditIPLocal1, "127.0.0.2");
}

TEST_F(RelayControlTest, SaveSwitchesTheRelayOffAndOnAgainThroughTheControl) {
    make(1);
    Peer hostPeer;
    relayOn(1, hostPeer);
    settings::PairSettingsHooks hooks;
    bindRelayHooks(hooks, *ctl);
    settings::PairSettingsStorage storage(1, files, ui, hooks);
    s.EditPasta = s.RecordingBase;

    ASSERT_TRUE(storage.save(s).ok);
    EXPECT_TRUE(s.ChBoxTCP1);
    EXPECT_TRUE(ctl->endpoint(1).connected());
    ASSERT_TRUE(pumpUntil(loop, [&] { return hostPeer.handshakes() == 2; }));
    EXPECT_EQ(files.global().readString("LINHAS_1e2", "TCP/IP_L1", ""), "1");

    // A save that cannot create the line folders leaves the relay off and closed.
    s.EditPasta = "/proc/kovra-no-such-folder";
    EXPECT_FALSE(storage.save(s).ok);
    EXPECT_FALSE(s.ChBoxTCP1);
    EXPECT_FALSE(ctl->endpoint(1).connected());
    EXPECT_FALSE(files.ip().sectionExists("LISTAGEM_IP_LINHA_1"));
}

}  // namespace
}  // namespace kovra::relay::control
