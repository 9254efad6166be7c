// Generated line audio through the real detector controls into a pair's line logic: the
// texts handed to SendDataIP<k> for an incoming call on line 1 and a call made on line 2.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "real_audio_rig.h"

namespace kovra::line::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

class RealDetectors : public RealAudioRig {};

TEST_F(RealDetectors, IncomingCallAndCallMade) {
    PairFixture f(1);
    run(f, R"(
lines 2
silence 1s
ring 1
silence 500ms
fsk number=1134567890 name="OFICINA CENTRAL" datetime=12101405
silence 2s
line 2
silence 1s
dialtone 2s
dial 34567890
silence 8s
sync
)");
    const auto line1 = textsOf(f, 1);
    ASSERT_GE(line1.size(), 5U);
    EXPECT_THAT(
        std::vector<std::string>(line1.begin(), line1.begin() + 5),
        ElementsAre("L1_RING_COUNT->1", "L1_CALLER_FSK->", "L1_NUMBER_FORMAT_FSK->1(19)13456-7890",
                    "L1_INDEX_PHONE->19134567890", "L1_DETECT_PHONE->11913456-7890"));
    EXPECT_EQ(line1.back(), "DATA_FILTER_ID_END->Recebida");
    EXPECT_EQ(f.line(1).EdFskNome, "OFICINA CENTRAL");

    const auto line2 = textsOf(f, 2);
    ASSERT_FALSE(line2.empty());
    EXPECT_EQ(line2.front(), "L2_STATUS_DIALTONE");
    std::vector<std::string> keys;
    for (const auto& t : line2) {
        if (t.rfind("L2_DMTFKEY->", 0) == 0) {
            keys.push_back(t.substr(12));
        }
    }
    EXPECT_THAT(keys, ElementsAre("3", "4", "5", "6", "7", "8", "9", "0"));
    EXPECT_THAT(line2, Contains("DATA_FILTER_ID_INIT->E"));
    EXPECT_THAT(line2, Contains("L2_STATUS_DIALLING->"));
    EXPECT_EQ(line2.back(), "L2_NUMBER_FORMAT_DTMF->(19)3456-7890");
    EXPECT_THAT(f.recording.calls, Contains("Start2"));
}

TEST_F(RealDetectors, DtmfCallerIdOnTheOddLine) {
    PairFixture f(1);
    run(f, R"(
lines 2
silence 1s
dtmf-cid A1134567890C
silence 2s
sync
)");
    const auto line1 = textsOf(f, 1);
    ASSERT_GE(line1.size(), 13U);
    EXPECT_EQ(line1.front(), "L1_DMTFKEY_INIT->A");
    EXPECT_THAT(line1, Contains("L1_NUMBER_FORMAT_DTMF->1(19)13456-7890"));
    EXPECT_EQ(f.line(1).Status, LineStatus::Ready);
    EXPECT_TRUE(textsOf(f, 2).empty());
}

// Pairs 2 and 3 take a digit on the even line only at -10 dB or more. The symbol's own level
// is judged, not the line's level over the buffer it ended in (pauses and all), which read
// an ordinary -10 dBFS digit several dB low.
TEST_F(RealDetectors, EvenLineLevelGateJudgesTheDigitItself) {
    struct Case {
        int levelDbfs;
        bool heard;
    };
    for (const Case c : {Case{-10, true}, Case{-6, true}, Case{-20, false}, Case{-13, false}}) {
        SCOPED_TRACE("digits at " + std::to_string(c.levelDbfs) + " dBFS");
        PairFixture f(3);
        // Digits as a phone sends them, not lined up with the capture's buffers.
        run(f, "lines 2\nline 2\nsilence 1030ms\ndial 3456 on=70 off=70 level=" +
                   std::to_string(c.levelDbfs) + "\nsilence 2s\nsync\n");
        std::vector<std::string> keys;
        for (const auto& [side, text] : f.relay.sent) {
            if (side == 2 && text.find("DMTFKEY") != std::string::npos) {
                keys.push_back(text.substr(text.find("->") + 2));
            }
        }
        if (c.heard) {
            EXPECT_THAT(keys, ElementsAre("3", "4", "5", "6"));
        } else {
            EXPECT_TRUE(keys.empty());
        }
    }
}

TEST_F(RealDetectors, HookSignallingAdapterReportsTheHandset) {
    PairFixture f(1);
    f.logic->options().CheckOffHook = true;
    run(f, R"(
lines 2
silence 1s
hook-lift
silence 2s
hook-down
silence 1s
sync
)",
        2);
    EXPECT_THAT(textsOf(f, 1), ElementsAre("L1_STATUS_ON_HOOK", "L1_STATUS_OFF_HOOK"));
    // The start clears both lines; lifting starts the recording, putting back ends it.
    EXPECT_THAT(f.recording.calls, ElementsAre("Clear1", "Clear2", "Start1", "Stop1", "Clear1"));
    EXPECT_EQ(f.line(1).Status, LineStatus::Ready);
    EXPECT_TRUE(textsOf(f, 2).empty());
}

}  // namespace
}  // namespace kovra::line::test
