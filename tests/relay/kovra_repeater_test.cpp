// The endpoint on real UDP sockets on 127.0.0.1: two endpoints through the handshake,
// announcements, ping and close; raw datagrams for every subscriber kind; ports, the
// pending slot and errors. Time is simulated; datagrams travel for real.
#include "relay/kovra_repeater.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "event_log.h"
#include "relay/wire_text.h"
#include "relay_test_support.h"

namespace kovra::relay {
namespace {

using test::EventLog;
using test::pumpFor;
using test::pumpUntil;
using test::RawPeer;

class Endpoint : public ::testing::Test {
  protected:
    std::unique_ptr<TKovraRepeaterXE> make(bool host, EventLog* log = nullptr) {
        auto e = std::make_unique<TKovraRepeaterXE>(loop);
        e->setA9HostKovra(host);
        e->setA6Local_IP("127.0.0.1");  // never announce an address off this machine
        e->setProgramFileName("kovra-test");
        if (log != nullptr) {
            log->attach(*e);
        }
        return e;
    }

    // A subscriber listening on a free port whose remote is the raw peer.
    std::unique_ptr<TKovraRepeaterXE> subscriberOf(RawPeer& peer, EventLog& log) {
        auto e = make(false, &log);
        e->OpenPort();
        e->setA3Remote_IP("127.0.0.1");
        e->setA4Remote_Port(peer.port());
        log.entries.clear();
        return e;
    }

    SimulatedEventLoop loop;
};

std::string portOf(const TKovraRepeaterXE& e) {
    return std::to_string(e.boundPort());
}

// A port nobody holds right now (bound and released).
int freePort() {
    RawPeer probe;
    return probe.port();
}

TEST_F(Endpoint, SourceAndSubscriberJoinPingAndClose) {
    EventLog sourceLog;
    auto source = make(true, &sourceLog);
    // The pair's relay control answers an insertion request; here the test does.
    source->a7OnAllEvents = [&](TKovraRepeaterXE& s, const std::string& text) {
        sourceLog.add("text|" + text);
        if (text.find("L1_INSERT_IP->") != std::string::npos) {
            s.SendData("L1_KOVRA_CONNECTED_WITH_SUCESS->");
        }
    };
    source->OpenPort();
    EventLog subLog;
    auto sub = make(false, &subLog);
    sub->OpenPort();

    ASSERT_TRUE(sub->ConnectTo("127.0.0.1:" + portOf(*source), 1));
    EXPECT_TRUE(subLog.has("text|L1_AWAITING_FOR_KOVRA"));
    EXPECT_TRUE(sub->connected());
    EXPECT_TRUE(sub->awaiting());
    ASSERT_TRUE(pumpUntil(loop, [&] { return source->connected(); }));
    EXPECT_EQ(source->a3Remote_IP(), "127.0.0.1");
    EXPECT_EQ(source->a4Remote_Port(), sub->boundPort());

    loop.advance(Millis(1000));  // first announcement
    ASSERT_TRUE(pumpUntil(loop, [&] { return !sub->awaiting(); }));
    EXPECT_TRUE(sourceLog.has("text|L1_APP_PLUGED->kovra-test"));
    EXPECT_TRUE(sourceLog.has("text|L1_INSERT_IP->127.0.0.1:" + portOf(*sub)));
    EXPECT_TRUE(sub->enabled());

    source->SendData("L1_PING:127.0.0.1P" + portOf(*source));
    ASSERT_TRUE(
        pumpUntil(loop, [&] { return sourceLog.has("text|L1_IP_127.0.0.1_PR_" + portOf(*sub)); }));

    source->SendData("L1_RING_COUNT->2");
    ASSERT_TRUE(pumpUntil(loop, [&] { return subLog.has("status|1|RING_COUNT"); }));
    EXPECT_TRUE(subLog.has("ring|1|2"));

    sub->setA7Calling(false);
    EXPECT_FALSE(sub->connected());
    ASSERT_TRUE(pumpUntil(loop, [&] { return !source->connected(); }));
    EXPECT_FALSE(sub->a7Calling());
}

TEST_F(Endpoint, UnansweredSubscriberGivesUpAfterTenAnnouncements) {
    RawPeer peer;
    EventLog log;
    auto sub = make(false, &log);
    sub->OpenPort();
    ASSERT_TRUE(sub->ConnectTo("127.0.0.1:" + std::to_string(peer.port()), 1));
    const std::string error = "text|ERROR_KOVRA_NOT_SENDING_FOR_L1";
    for (int tick = 1; tick <= 9; ++tick) {
        loop.advance(Millis(1000));
    }
    EXPECT_FALSE(log.has(error));
    loop.advance(Millis(1000));
    EXPECT_TRUE(log.has(error));
    EXPECT_FALSE(sub->awaiting());
    loop.advance(Millis(3000));

    // The handshake, then two texts for each of the ten announcements, then silence.
    const auto got = peer.waitFor(21);
    ASSERT_EQ(got.size(), 21u);
    EXPECT_EQ(got[0], buildHandshakeDatagram("127.0.0.1", sub->boundPort(), false));
    EXPECT_EQ(receivedText(got[19]), "L1_APP_PLUGED->kovra-test");
    EXPECT_EQ(receivedText(got[20]), "L1_INSERT_IP->127.0.0.1:" + portOf(*sub));
    std::this_thread::sleep_for(Millis(50));
    EXPECT_EQ(peer.received().size(), 21u);
}

TEST_F(Endpoint, SubscriberDecodesEveryKind) {
    RawPeer peer;
    EventLog log;
    auto sub = subscriberOf(peer, log);
    struct Case {
        std::string text;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"L1_DMTFKEY_INIT->A", {"key|1|A"}},
        {"L1_DMTFKEY_INIT->", {"text|L1_DMTFKEY_INIT->"}},
        {"L1_DMTFKEY->5", {"key|1|5"}},
        {"L1_NUMBER_FORMAT_DTMF->2(11)3456-7890",
         {"format|1|2(11)3456-7890|dtmf", "status|1|BREAK_FSK"}},
        {"L1_NUMBER_FORMAT_FSK->1(19)2345-6789",
         {"format|1|1(19)2345-6789|fsk", "status|1|BREAK_DTMF"}},
        {"L1_INDEX_PHONE->1923456789", {"index|1|1923456789"}},
        // A ten-character number part loses its last character.
        {"L1_DETECT_PHONE->11193456-7890", {"detect|1|1|11|93456-789"}},
        {"L1_STATUS_DIALTONE", {"status|1|DIALTONE"}},
        {"L1_STATUS_DIALLING->", {"status|1|DIALLING"}},
        {"L1_STATUS_OFF_HOOK", {"status|1|OFF_HOOK"}},
        {"L1_CALLER_FSK->", {"status|1|CALLER_ID_FSK"}},
        {"L1_CALLER_DTMF->", {"status|1|BINA_DTMF"}},
        {"L1_RING_COUNT->3", {"ring|1|3", "status|1|RING_COUNT"}},
        {"L1_RING_COUNT->x", {"ring|1|0", "status|1|RING_COUNT"}},
        {"L1_REC_FILE_START->a.mp3#00:00:00", {"file|1|a.mp3|00:00:00", "status|1|RECORD_START"}},
        {"L1_REC_FILE_STOP->a.mp3#00:01:05", {"file|1|a.mp3|00:01:05", "status|1|RECORD_STOP"}},
        {"L1_STATUS_ON_HOOK", {"text|L1_STATUS_ON_HOOK"}},
        {"DATA_CITY->Pão & Cia", {"text|DATA_CITY->P?o  Cia"}},
        {"L1_HANDSHAKE_I127.0.0.1P4000", {"handshake|127.0.0.1|4000"}},
        {"L1_HANDSHAKE_I127.0.0.1P4001 _STOP_APP->", {"handshake|127.0.0.1|0"}},
        {"L1_X" + std::string(300, 'z'), {"text|L1_X" + std::string(244, 'z')}},  // 250 cut
    };
    for (const auto& c : cases) {
        log.entries.clear();
        peer.send(sub->boundPort(), buildEventDatagram(c.text));
        EXPECT_TRUE(pumpUntil(loop, [&] { return log.entries.size() >= c.events.size(); }));
        pumpFor(loop, Millis(20));
        EXPECT_EQ(log.entries, c.events) << c.text;
    }
}

TEST_F(Endpoint, ListensOnIPv6WhereOffered) {
    RawPeer peer;
    EventLog log;
    auto sub = subscriberOf(peer, log);
    if (!peer.hasIPv6()) {
        GTEST_SKIP() << "no IPv6 on this machine";
    }
    peer.send(sub->boundPort(), buildEventDatagram("L1_DMTFKEY->9"), "::1");
    EXPECT_TRUE(pumpUntil(loop, [&] { return log.has("key|1|9"); }));
}

TEST_F(Endpoint, CallRecordReachesItsEventAndTheControl) {
    RawPeer peer;
    EventLog log;
    auto sub = subscriberOf(peer, log);
    const std::string block[] = {
        "DATA_FILTER_ID_INIT->",
        "DATA_CHANNEL->1",
        "DATA_DATE->10/12/2026",
        "DATA_OPR->00",
        "DATA_CODAREA->11",
        "DATA_PHONE->3456-7890",
        "DATA_NAME->Pão & Cia",
        "DATA_CITY->Campinas",
        "DATA_COUNTRY->Brasil",
        "DATA_TIME_INIT->14:05:09",
        "DATA_TIME_END->",
        "DATA_TIME_DURACTION->",
        "DATA_CEP->01000-000",
        "DATA_EMAIL->x",
        "DATA_FILTER_ID_END->Recebida",
    };
    for (const auto& text : block) {
        peer.send(sub->boundPort(), buildEventDatagram(text));
    }
    ASSERT_TRUE(pumpUntil(loop, [&] { return log.has("change|(11) 3456-7890"); }));
    EXPECT_TRUE(log.has("call||1|10/12/2026|00|11|3456-7890|P?o  Cia|Campinas|Brasil|14:05:09|"));
    EXPECT_EQ(sub->text(), "(11) 3456-7890");
    EXPECT_EQ(log.entries.size(), 14u + 2u);  // 14 texts, the record and the change
}

TEST_F(Endpoint, PendingSlotPassesABurstOneEventPerTickInOrder) {
    RawPeer peer;
    EventLog log;
    auto sub = subscriberOf(peer, log);
    sub->a8OnStatusEvent = nullptr;
    for (int count = 1; count <= 5; ++count) {
        peer.send(sub->boundPort(), buildEventDatagram("L1_RING_COUNT->" + std::to_string(count)));
    }
    std::size_t seen = 0;
    EXPECT_TRUE(pumpUntil(loop, [&] {
        EXPECT_LE(log.entries.size(), seen + 1) << "two events in one dispatch period";
        seen = log.entries.size();
        return seen >= 5;
    }));
    EXPECT_EQ(log.entries, (std::vector<std::string>{"ring|1|1", "ring|1|2", "ring|1|3", "ring|1|4",
                                                     "ring|1|5"}));
}

TEST_F(Endpoint, HandshakeDatagramConnectsAndPointsTheRemote) {
    RawPeer peer;
    EventLog log;
    auto sub = make(false, &log);
    sub->OpenPort();
    log.entries.clear();
    peer.send(sub->boundPort(), buildHandshakeDatagram("127.0.0.1", peer.port(), true));
    ASSERT_TRUE(pumpUntil(loop, [&] { return sub->connected(); }));
    EXPECT_TRUE(sub->awaiting());
    EXPECT_EQ(sub->a4Remote_Port(), peer.port());
    sub->SendData("hello");
    EXPECT_EQ(peer.waitFor(1).at(0), buildEventDatagram("hello"));
    EXPECT_TRUE(log.entries.empty());  // a handshake is no event
}

TEST_F(Endpoint, RemovalNoticeGivesUpThePortWithoutStalling) {
    RawPeer peer;
    EventLog log;
    auto sub = subscriberOf(peer, log);
    sub->setA5Local_Port(freePort());
    const int oldPort = sub->boundPort();
    sub->setA7Calling(true);
    log.entries.clear();
    // More datagrams behind the notice keep the listener waiting on the slot while the
    // port is replaced.
    peer.send(oldPort, buildEventDatagram("L1_IP_REMOVED->127.0.0.1:" + std::to_string(oldPort)));
    peer.send(oldPort, buildEventDatagram("L1_STATUS_DIALTONE"));
    peer.send(oldPort, buildEventDatagram("L1_STATUS_DIALTONE"));
    ASSERT_TRUE(pumpUntil(loop, [&] { return log.has("text|L1_REPEATER_DISCONNECTED !"); }));
    const std::vector<std::string> expected{"close|0", "open|0", "text|L1_IP_REMOVED->127.0.0.1:0",
                                            "text|L1_REPEATER_DISCONNECTED !"};
    EXPECT_EQ(std::vector<std::string>(log.entries.begin(), log.entries.begin() + 4), expected);
    EXPECT_FALSE(sub->connected());
    EXPECT_EQ(sub->a5Local_Port(), 0);
    ASSERT_TRUE(sub->listening());

    log.entries.clear();
    peer.send(sub->boundPort(), buildEventDatagram("L1_STATUS_OFF_HOOK"));
    EXPECT_TRUE(pumpUntil(loop, [&] { return log.has("status|1|OFF_HOOK"); }));
}

TEST_F(Endpoint, LocalPortChanges) {
    EventLog log;
    auto e = make(false, &log);
    e->setA5Local_Port(0);  // unchanged: no events, still not listening
    EXPECT_TRUE(log.entries.empty());
    EXPECT_FALSE(e->listening());

    const int port = freePort();
    e->setA5Local_Port(port);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"close|" + std::to_string(port),
                                                     "open|" + std::to_string(port)}));
    EXPECT_EQ(e->boundPort(), port);

    log.entries.clear();
    e->setA5Local_Port(0);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"close|0", "open|0"}));
    EXPECT_TRUE(e->listening());
    EXPECT_NE(e->boundPort(), 0);

    // A port in use: the value is kept, nothing opens, the endpoint stays silent.
    RawPeer holder;
    log.entries.clear();
    e->setA5Local_Port(holder.port());
    EXPECT_EQ(log.entries, (std::vector<std::string>{"close|" + std::to_string(holder.port())}));
    EXPECT_FALSE(e->listening());
    EXPECT_EQ(e->a5Local_Port(), holder.port());
    e->setA3Remote_IP("127.0.0.1");
    e->setA4Remote_Port(holder.port());
    e->setA7Calling(true);
    EXPECT_NO_THROW(e->SendData("not sent"));
    log.entries.clear();
    e->setA5Local_Port(holder.port());
    EXPECT_TRUE(log.entries.empty());
    std::this_thread::sleep_for(Millis(20));
    EXPECT_TRUE(holder.received().empty());
}

TEST_F(Endpoint, LineNumberClamping) {
    auto e = make(false);
    const std::pair<int, int> cases[] = {{0, 1}, {-3, 1}, {1, 1}, {10, 10}, {11, 12}, {99, 12}};
    for (const auto& [set, got] : cases) {
        e->setA0NumberLine(set);
        EXPECT_EQ(e->a0NumberLine(), got) << set;
    }
}

TEST_F(Endpoint, CallingSendsOneHandshakeAndDestructionCloses) {
    RawPeer peer;
    EventLog log;
    auto sub = subscriberOf(peer, log);
    sub->SendData("not connected: not sent");
    sub->setA7Calling(true);
    sub->setA7Calling(true);
    sub->SendData(std::string(200, 'x'));  // 150 or more: no filler
    const int port = sub->boundPort();
    sub.reset();
    const auto got = peer.waitFor(3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], buildHandshakeDatagram("127.0.0.1", port, false));
    EXPECT_EQ(got[1], "&&" + std::string(200, 'x') + "@");
    EXPECT_EQ(got[2], buildCloseDatagram());
}

TEST_F(Endpoint, FailingSendRaisesTheNumberedError) {
    auto e = make(true);
    e->OpenPort();
    e->setA4Remote_Port(70000);
    e->SetConnected(true);
    try {
        e->SendData("L1_RING_COUNT->1");
        FAIL() << "no error";
    } catch (const RelayError& error) {
        EXPECT_EQ(error.number(), 3820);
        EXPECT_STREQ(error.what(), "Erro #3820 : TKovraRepeaterXE.SendData()");
        EXPECT_NE(error.detail().find("70000"), std::string::npos);
    }
}

TEST_F(Endpoint, EmptyRemoteIsThisMachineOverIPv4) {
    // An IPv4-only peer: the close must not leave over IPv6 towards "::1".
    RawPeer peer("127.0.0.1");
    auto e = make(true);
    e->OpenPort();
    e->setA3Remote_IP("");
    e->setA4Remote_Port(peer.port());
    e->setA7Calling(true);
    e->setA7Calling(false);
    const auto got = peer.waitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1], buildCloseDatagram());
}

TEST_F(Endpoint, OthersThanTheHostMoveNothingAndNamesFromTheNetworkAreRefused) {
    RawPeer hostPeer("127.0.0.1");
    RawPeer other("127.0.0.3");
    EventLog log;
    std::vector<std::string> origins;
    auto e = make(true, &log);
    e->OnTextFrom = [&](TKovraRepeaterXE&, const std::string& text, const TextOrigin& from) {
        origins.push_back(from.address + (from.host ? " host " : " other ") + text);
    };
    e->OnListenerClosed = [&](TKovraRepeaterXE&, const TextOrigin& from) {
        origins.push_back(from.address + " closed " + std::to_string(from.port));
    };
    e->setHostRule(HostRule{false, false, "127.0.0.1"});
    e->OpenPort();
    e->setA4Remote_Port(hostPeer.port());
    e->setA7Calling(true);
    ASSERT_EQ(hostPeer.waitFor(1).size(), 1u);

    const int port = e->boundPort();
    other.send(port, buildHandshakeDatagram("127.0.0.3", 9, false));
    other.send(port, buildEventDatagram("L1_HANDSHAKE_I127.0.0.3P9"));
    other.send(port, buildEventDatagram("L1_KOVRA_CONNECTED_WITH_SUCESS"));
    other.send(port, buildCloseDatagram());
    hostPeer.send(port, buildEventDatagram("L1_HANDSHAKE_Ideadhost.invalidP9"));
    hostPeer.send(port, buildEventDatagram("L1_RING_COUNT->1"));
    ASSERT_TRUE(pumpUntil(loop, [&] { return origins.size() >= 4; }));
    pumpFor(loop, Millis(50));

    EXPECT_TRUE(e->connected());
    EXPECT_EQ(e->a3Remote_IP(), "127.0.0.1");
    EXPECT_EQ(e->a4Remote_Port(), hostPeer.port());
    EXPECT_FALSE(log.has("handshake|127.0.0.3|9"));
    std::sort(origins.begin(), origins.end());  // the host's lane may pass the other's
    EXPECT_EQ(origins,
              (std::vector<std::string>{"127.0.0.1 host L1_RING_COUNT->1",
                                        "127.0.0.3 closed " + std::to_string(other.port()),
                                        "127.0.0.3 other L1_HANDSHAKE_I127.0.0.3P9",
                                        "127.0.0.3 other L1_KOVRA_CONNECTED_WITH_SUCESS"}));
    // No reply went anywhere on the other sender's behalf; the host got only the handshake.
    EXPECT_TRUE(other.received().empty());
    EXPECT_EQ(hostPeer.received().size(), 1u);

    // The host moves the remote, to a numeric address only.
    hostPeer.send(port, buildEventDatagram("L1_HANDSHAKE_I127.0.0.1P4321"));
    ASSERT_TRUE(pumpUntil(loop, [&] { return log.has("handshake|127.0.0.1|4321"); }));
    EXPECT_EQ(e->a4Remote_Port(), 4321);
}

TEST_F(Endpoint, AFloodFromOneSenderNeverHoldsTheHostBack) {
    RawPeer hostPeer("127.0.0.1");
    RawPeer flooder("127.0.0.3");
    std::vector<std::string> seen;
    auto e = make(true);
    e->OnTextFrom = [&](TKovraRepeaterXE&, const std::string& text, const TextOrigin& from) {
        seen.push_back(from.host ? "host " + text : "other");
    };
    e->setHostRule(HostRule{false, false, "127.0.0.1"});
    e->OpenPort();
    constexpr int kFlood = 400;
    for (int i = 0; i < kFlood; ++i) {
        flooder.send(e->boundPort(),
                     buildEventDatagram("L1_INSERT_IP->127.0.0.3:" + std::to_string(1000 + i)));
    }
    hostPeer.send(e->boundPort(), buildEventDatagram("L1_STOP_DEVICE->"));
    ASSERT_TRUE(pumpUntil(loop, [&] {
        return std::find(seen.begin(), seen.end(), "host L1_STOP_DEVICE->") != seen.end();
    }));
    pumpFor(loop, Millis(500));
    // The flooder kept a few places and was served in turn; the rest was dropped, and
    // the host's text did not wait behind it.
    const auto others = std::count(seen.begin(), seen.end(), "other");
    EXPECT_LT(others, kFlood / 2);
    EXPECT_GT(others, 0);
}

}  // namespace
}  // namespace kovra::relay
