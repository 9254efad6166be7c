// Every line event is relayed only under its option box and the line's relay switch,
// while the line state changes regardless.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "line_test_support.h"

namespace kovra::line::test {
namespace {

// A day on line 1 of the pair: dial tone, a call made, rings, an FSK caller, a DTMF
// caller, hook texts.
void lineDay(PairFixture& f) {
    f.logic->WaveViewPeak(1, -10.0F);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.dtmf(1, "34567890");
    f.loop.advance(Millis(6000));
    f.logic->LimpaTudo(1);
    f.logic->PTDecoderToneDetected(1, 3);
    f.peaks(1, 25, -10.0F);
    f.logic->PTDecoderToneDetected(1, 3);
    f.logic->PTDecoderCallerID(1, "FULANO", "1123456789", "");
    f.logic->LimpaTudo(1);
    f.dtmf(1, "A1134567890C");
    f.logic->showHook(1, HookDisplay::OnHook);
    f.logic->showHook(1, HookDisplay::OffHook);
}

bool startsWithAny(const std::string& text, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& p) { return text.rfind(p, 0) == 0; });
}

struct GateCase {
    const char* name;
    bool PairLineOptions::*option;
    std::vector<std::string> prefixes;  // the texts this option gates
};

TEST(EventGating, EachOptionGatesExactlyItsEvents) {
    const GateCase cases[] = {
        {"chkSendDTMF", &PairLineOptions::chkSendDTMF, {"L1_DMTFKEY", "L1_STATUS_DIALLING"}},
        {"chkRing",
         &PairLineOptions::chkRing,
         {"L1_RING_COUNT", "L1_STATUS_DIALTONE", "L1_STATUS_OFF_HOOK", "L1_STATUS_ON_HOOK"}},
        {"chkIndexPhone",
         &PairLineOptions::chkIndexPhone,
         {"L1_CALLER_", "L1_INDEX_PHONE", "L1_DETECT_PHONE"}},
        {"chkSendFormatado", &PairLineOptions::chkSendFormatado, {"L1_NUMBER_FORMAT_"}},
        {"chkNumeroDiscado", &PairLineOptions::chkNumeroDiscado, {"DATA_"}},
    };
    for (const int pair : {1, 2}) {
        PairFixture all(pair);
        lineDay(all);
        std::vector<std::string> everything = all.relay.texts();
        if (pair == 2) {
            for (std::string& t : everything) {
                if (t.rfind("L3_", 0) == 0) {
                    t.replace(0, 3, "L1_");  // compare by token only
                }
            }
        }
        for (const GateCase& c : cases) {
            std::vector<std::string> expected;
            for (const std::string& t : everything) {
                if (!startsWithAny(t, c.prefixes)) {
                    expected.push_back(t);
                }
            }
            ASSERT_LT(expected.size(), everything.size()) << c.name << " gates nothing here";
            PairFixture f(pair);
            f.logic->options().*c.option = false;
            lineDay(f);
            std::vector<std::string> got = f.relay.texts();
            for (std::string& t : got) {
                if (t.rfind("L3_", 0) == 0) {
                    t.replace(0, 3, "L1_");
                }
            }
            EXPECT_EQ(got, expected) << "pair " << pair << " without " << c.name;
        }
    }
}

TEST(EventGating, RelaySwitchOffSendsNothingButTheLineStillRuns) {
    PairFixture on(1);
    lineDay(on);
    PairFixture off(1);
    off.relay.ChBoxTCP = {false, true};
    lineDay(off);
    EXPECT_TRUE(off.relay.sent.empty());
    const LineChannel& a = on.line(1);
    const LineChannel& b = off.line(1);
    EXPECT_EQ(b.Status, a.Status);
    EXPECT_EQ(b.RingCount, a.RingCount);
    EXPECT_EQ(b.RingShown, a.RingShown);
    EXPECT_EQ(b.StatusShown, a.StatusShown);
    EXPECT_EQ(b.HookShown, a.HookShown);
    EXPECT_EQ(b.IndexPhone, a.IndexPhone);
    EXPECT_EQ(b.EdSeq, a.EdSeq);
    EXPECT_EQ(b.CallerIdActive, a.CallerIdActive);
    EXPECT_EQ(a.IndexPhone, "19134567890");
}

}  // namespace
}  // namespace kovra::line::test
