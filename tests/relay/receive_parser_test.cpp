// What the endpoint makes of a received event message: the pending event, the calling
// changes, replies and the call record.
#include "relay/receive_parser.h"

#include <gtest/gtest.h>

namespace kovra::relay {
namespace {

ParseResult parse(std::string_view text, bool host = false, int line = 1,
                  bool hasAllEvents = true) {
    CallRecord record;
    return parseEventMessage(text, ParseContext{line, host, hasAllEvents, "127.0.0.1", 5000},
                             record, "kovra-plugin");
}

TEST(ReceiveParser, SubscriberLineEvents) {
    struct Case {
        std::string text;
        int line;
        EventKind kind;
        std::string value;
        std::string extra;
    };
    const Case cases[] = {
        {"L1_DMTFKEY_INIT->A", 1, EventKind::KeyInit, "A", ""},
        {"L1_DMTFKEY_INIT->", 1, EventKind::AllEvents, "L1_DMTFKEY_INIT->", ""},
        {"L1_DMTFKEY->#", 1, EventKind::Key, "#", ""},
        {"L1_NUMBER_FORMAT_DTMF->2(11)3456-7890", 1, EventKind::FormatDtmf, "2(11)3456-7890", ""},
        {"L1_NUMBER_FORMAT_FSK->1(19)2345-6789", 1, EventKind::FormatFsk, "1(19)2345-6789", ""},
        {"L1_INDEX_PHONE->1923456789", 1, EventKind::IndexPhone, "1923456789", ""},
        {"L1_DETECT_PHONE->11923456-7890", 1, EventKind::DetectPhone, "11923456-7890", ""},
        {"L1_STATUS_DIALTONE", 1, EventKind::DialTone, "", ""},
        {"L1_STATUS_DIALLING->", 1, EventKind::Dialling, "", ""},
        {"L1_STATUS_OFF_HOOK", 1, EventKind::OffHook, "", ""},
        {"L1_STATUS_OFF_HOOK", 2, EventKind::OffHook, "", ""},  // any line's off-hook
        {"L1_CALLER_FSK->", 1, EventKind::CallerFsk, "", ""},
        {"L1_CALLER_DTMF->", 1, EventKind::CallerDtmf, "", ""},
        {"L1_RING_COUNT->3", 1, EventKind::Ring, "3", ""},
        {"L2_RING_COUNT->12", 2, EventKind::Ring, "1", ""},  // one character at position 16
        {"L1_RING_COUNT->x", 1, EventKind::Ring, "x", ""},
        {"L1_REC_FILE_START->14h05m09s-RECEBIDA-(11)3456-7890.mp3#00:00:00", 1,
         EventKind::FileStart, "14h05m09s-RECEBIDA-(11)3456-7890.mp3", "00:00:00"},
        {"L1_REC_FILE_STOP->a.mp3#00:01:05 extra", 1, EventKind::FileStop, "a.mp3", "00:01:05 e"},
        // Reported as texts only.
        {"L1_STATUS_ON_HOOK", 1, EventKind::AllEvents, "L1_STATUS_ON_HOOK", ""},
        {"L3_RING_COUNT->2", 1, EventKind::AllEvents, "L3_RING_COUNT->2", ""},
        {"L1_DISABLED: SoundBoard - USB", 1, EventKind::AllEvents, "L1_DISABLED: SoundBoard - USB",
         ""},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.text, false, c.line);
        EXPECT_EQ(r.kind, c.kind) << c.text;
        EXPECT_EQ(r.pendingText, c.value) << c.text;
        EXPECT_EQ(r.pendingExtra, c.extra) << c.text;
    }
}

TEST(ReceiveParser, SourceDecodesNoLineEvents) {
    const ParseResult r = parse("L1_RING_COUNT->2", true);
    EXPECT_EQ(r.kind, EventKind::AllEvents);
    EXPECT_EQ(r.pendingText, "L1_RING_COUNT->2");
    EXPECT_EQ(parse("L1_RING_COUNT->2", true, 1, false).kind, EventKind::None);
}

TEST(ReceiveParser, SteeringCharacters) {
    struct Case {
        std::string text;
        std::vector<LinkOp> ops;
        EventKind kind;
        std::string value;
    };
    const Case cases[] = {
        {"~Finalizada" + std::string(138, 'K'), {LinkOp::StopCalling}, EventKind::None, ""},
        {"L1_STATUS_ON_HOOK|", {LinkOp::StopCalling}, EventKind::AllEvents, "L1_STATUS_ON_HOOK"},
        {"^L1_X|Y", {LinkOp::StartCalling, LinkOp::StopCalling}, EventKind::AllEvents, "L1_X Y"},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.text);
        EXPECT_EQ(r.linkOps, c.ops) << c.text;
        EXPECT_EQ(r.kind, c.kind) << c.text;
        EXPECT_EQ(r.pendingText, c.value) << c.text;
    }
    EXPECT_TRUE(parse("~x").closed);
}

TEST(ReceiveParser, HandshakeTextOverridesTheReport) {
    const ParseResult plain = parse("L1_HANDSHAKE_I10.0.0.5P3821");
    EXPECT_EQ(plain.kind, EventKind::HandShake);
    ASSERT_TRUE(plain.newRemote);
    EXPECT_EQ(plain.newRemote->address, "10.0.0.5");
    EXPECT_EQ(plain.newRemote->port, 3821);
    // With a command in the same text only the handshake event is raised.
    EXPECT_EQ(parse("L1_HANDSHAKE_I10.0.0.5P3821 _STOP_APP->").kind, EventKind::HandShake);
    EXPECT_EQ(parse("L1_HANDSHAKE_I10.0.0.5P3821 _STOP_APP->", true).kind, EventKind::HandShake);
}

TEST(ReceiveParser, PingAndConnectionReplies) {
    const ParseResult ping = parse("L1_PING:10.0.0.1P3821");
    EXPECT_EQ(ping.replies, std::vector<std::string>{"L1_IP_127.0.0.1_PR_5000"});
    EXPECT_EQ(ping.kind, EventKind::AllEvents);
    EXPECT_TRUE(parse("L1_PING:10.0.0.1P3821", true).replies.empty());

    const ParseResult confirmed = parse("L1_KOVRA_CONNECTED_WITH_SUCESS->");
    EXPECT_TRUE(confirmed.stopAwaiting);
    EXPECT_EQ(confirmed.controlEnabled, std::optional<bool>(true));
    const ParseResult atSource = parse("L1_KOVRA_CONNECTED_WITH_SUCESS", true);
    EXPECT_EQ(atSource.replies, std::vector<std::string>{"L1_APP_PLUGED->kovra-plugin"});
    EXPECT_EQ(atSource.kind, EventKind::AllEvents);

    EXPECT_TRUE(parse("L1_IP_INSERTED->127.0.0.1:5000").stopAwaiting);
    // The source's first answer carries another token and does not end the announcing.
    EXPECT_FALSE(parse("L1_KOVRA_IP_INSERTED->127.0.0.1:5000").stopAwaiting);

    const ParseResult removed = parse("L1_IP_REMOVED->127.0.0.1:5000");
    EXPECT_EQ(removed.kind, EventKind::IpRemoved);
    EXPECT_TRUE(removed.disconnect);
    EXPECT_TRUE(removed.releasePort);
    EXPECT_EQ(removed.controlEnabled, std::optional<bool>(false));
    EXPECT_FALSE(parse("L1_IP_REMOVED->127.0.0.1:5000", true).releasePort);
}

TEST(ReceiveParser, CallRecordBlock) {
    CallRecord record;
    const ParseContext context{1, false, true, "127.0.0.1", 5000};
    const std::string name = std::string(70, 'N');
    const std::string block[] = {
        "DATA_FILTER_ID_INIT->",
        "DATA_CHANNEL->123",
        "DATA_DATE->10/12/2026",
        "DATA_OPR->00",
        "DATA_CODAREA->11",
        "DATA_PHONE->3456-7890",
        "DATA_NAME->" + name,
        "DATA_CITY->S?o Paulo",
        "DATA_COUNTRY->Brasil",
        "DATA_TIME_INIT->14:05:09",
        "DATA_TIME_END->",
        "DATA_TIME_DURACTION->",
        "DATA_CEP->01000-000",
        "DATA_EMAIL->a.b",
        "DATA_FILTER_ID_END->Recebida",
    };
    ParseResult last;
    for (const auto& text : block) {
        last = parseEventMessage(text, context, record, "");
        if (&text != &block[14]) {
            EXPECT_NE(last.kind, EventKind::CallRecord) << text;
        }
    }
    EXPECT_EQ(last.kind, EventKind::CallRecord);
    EXPECT_EQ(record[1], "12");
    EXPECT_EQ(record[5], "3456-7890");
    EXPECT_EQ(record[6], std::string(60, 'N'));
    EXPECT_EQ(record[9], "14:05:09");
    EXPECT_EQ(record[kCallRecordStatus], "");  // a named caller keeps the code's status
}

TEST(ReceiveParser, CallStatus) {
    struct Case {
        std::string code;
        std::string name;
        std::string status;
    };
    const Case cases[] = {
        {"DE", "Fulano", "Discando..."},
        {"E", "Fulano", "Efetuada"},
        {"R", "Fulano", "Recebida"},
        {"I", "Fulano", "Não identificada"},
        {"", "Fulano", ""},
        {"E", "", "Recebida"},  // no name: the end's value
    };
    const ParseContext context{1, false, true, "127.0.0.1", 5000};
    for (const auto& c : cases) {
        CallRecord record;
        parseEventMessage("DATA_FILTER_ID_INIT->" + c.code, context, record, "");
        parseEventMessage("DATA_NAME->" + c.name, context, record, "");
        parseEventMessage("DATA_FILTER_ID_END->Recebida", context, record, "");
        EXPECT_EQ(record[kCallRecordStatus], c.status) << c.code << "/" << c.name;
    }
}

}  // namespace
}  // namespace kovra::relay
