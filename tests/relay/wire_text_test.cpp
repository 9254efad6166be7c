// The framing of the three datagram kinds and the receive normalisation.
#include "relay/wire_text.h"

#include <gtest/gtest.h>

#include "relay/receive_parser.h"

namespace kovra::relay {
namespace {

std::string nuls(std::size_t n) {
    return std::string(n, '\0');
}

TEST(WireText, EventDatagramFraming) {
    struct Case {
        std::string text;
        std::string wire;
    };
    const std::string long150(147, 'x');  // "&&" + 147 + "@" = 150: no filler
    const std::string long200(200, 'y');
    const Case cases[] = {
        {"L1_RING_COUNT->2", "&&L1_RING_COUNT->2@" + nuls(131)},
        {"  \tL1_STATUS_DIALTONE\r\n", "&&L1_STATUS_DIALTONE@" + nuls(129)},
        {"DATA_NAME->Pão & Cia", "&&DATA_NAME->P?o & Cia@" + nuls(127)},
        // One '?' per character, whatever its UTF-8 length; a stray byte is one '?' too.
        {"a€b😀c\xff", "&&a?b?c?@" + nuls(141)},
        {long150, "&&" + long150 + "@"},
        {long200, "&&" + long200 + "@"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(buildEventDatagram(c.text), c.wire) << c.text;
    }
}

TEST(WireText, HandshakeAndCloseDatagrams) {
    EXPECT_EQ(buildHandshakeDatagram("192.168.0.10", 3821, false),
              "I192.168.0.10P3821VZF@" + std::string(128, 'K'));
    EXPECT_EQ(buildHandshakeDatagram("127.0.0.1", 6511, true),
              "I127.0.0.1P6511VZT@" + std::string(131, 'K'));
    EXPECT_EQ(buildCloseDatagram(), "~Finalizada@" + std::string(138, 'K'));
}

TEST(WireText, ReceiveNormalisation) {
    struct Case {
        std::string datagram;
        std::string text;
    };
    const std::string body(300, 'z');
    const Case cases[] = {
        {buildEventDatagram("L1_RING_COUNT->2"), "L1_RING_COUNT->2"},
        {buildEventDatagram("DATA_NAME->Pão & Cia"), "DATA_NAME->P?o  Cia"},
        {"&&" + body + "@", std::string(248, 'z')},  // 250 counted, "&&" then removed
        {"a@b&c\x80", "abc?"},
        {std::string("\0\0 \x01", 4), ""},
        {buildCloseDatagram(), "~Finalizada" + std::string(138, 'K')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(receivedText(c.datagram), c.text) << c.datagram;
    }
}

TEST(WireText, HandshakeParsing) {
    struct Case {
        std::string text;
        std::string address;
        int port;
        bool flag;
    };
    const Case cases[] = {
        // The filler follows the flag, so a handshake as sent always reads as false.
        {receivedText(buildHandshakeDatagram("192.168.0.10", 3821, true)), "192.168.0.10", 3821,
         false},
        {"I10.0.0.1P4000VZF", "10.0.0.1", 4000, false},
        {"I10.0.0.1P4000VZTX", "10.0.0.1", 4000, true},
        {"I10.0.0.1PabcVZF", "10.0.0.1", 0, false},
        {"I", "", 9, true},  // keeps what the endpoint holds where the text says nothing
    };
    for (const auto& c : cases) {
        const HandshakeInfo info = parseHandshake(c.text, {"held", 9, true});
        EXPECT_EQ(info.address, c.address) << c.text;
        EXPECT_EQ(info.port, c.port) << c.text;
        EXPECT_EQ(info.flag, c.flag) << c.text;
    }
}

TEST(WireText, IntegerText) {
    EXPECT_EQ(textToInt(" 42 ", -1), 42);
    EXPECT_EQ(textToInt("-7", -1), -7);
    EXPECT_EQ(textToInt("4x", -1), -1);
    EXPECT_EQ(textToInt("", -1), -1);
    EXPECT_EQ(textToInt("99999999999", -1), -1);
}

}  // namespace
}  // namespace kovra::relay
