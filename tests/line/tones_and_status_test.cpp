// Dial tone, ring and the per-peak status rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "line_test_support.h"

namespace kovra::line::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(DialTone, TakenOnTheSecondDetectionWithinTwentyPeaks) {
    struct Case {
        int peaksBetween;
        bool taken;
    };
    for (const Case c : {Case{1, true}, Case{20, true}, Case{21, false}}) {
        PairFixture f(1);
        f.line(1).EdSeq = "old";
        f.logic->PTDecoderToneDetected(1, 1);
        f.peaks(1, c.peaksBetween);
        f.logic->PTDecoderToneDetected(1, 1);
        const LineChannel& l = f.line(1);
        EXPECT_EQ(f.logic->statusText(1) == "DIALTONE", c.taken) << c.peaksBetween;
        EXPECT_EQ(l.ToneState, c.taken ? ToneWatch::DialToneTaken : ToneWatch::Armed)
            << c.peaksBetween;
        if (c.taken) {
            EXPECT_EQ(l.Status, LineStatus::DialTone);
            EXPECT_EQ(l.EdSeq, "");
            EXPECT_THAT(f.relay.texts(), ElementsAre("L1_STATUS_DIALTONE"));
        } else {
            EXPECT_THAT(f.relay.texts(), IsEmpty());
            EXPECT_EQ(l.DialToneHits, 1);  // the second detection opened a new window
        }
    }
}

TEST(DialTone, IgnoredUntilTheLineIsReArmed) {
    PairFixture f(1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.relay.sent.clear();
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 3);
    EXPECT_THAT(f.relay.texts(), IsEmpty());
    f.logic->LimpaTudo(1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    EXPECT_THAT(f.relay.texts(), ElementsAre("L1_STATUS_DIALTONE"));
}

TEST(DialTone, StopsARecordingWhenTheOptionsSaySo) {
    PairFixture f(1);
    f.logic->options().CheckAutoRec = true;
    f.shared(1).Recording = true;
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    EXPECT_THAT(f.recording.calls, ElementsAre("Stop1"));
    EXPECT_EQ(f.shared(1).lbStopModo, "DialTom (1)");
}

TEST(Ring, CountsOnlyRingsMoreThanTwentyPeaksApart) {
    struct Case {
        int peaksApart;
        int count;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {10, 1, {"L1_RING_COUNT->1"}},
        {25, 3, {"L1_RING_COUNT->1", "L1_RING_COUNT->2", "L1_RING_COUNT->3"}},
    };
    for (const Case& c : cases) {
        PairFixture f(1);
        for (int ring = 0; ring < 3; ++ring) {
            if (ring > 0) {
                f.peaks(1, c.peaksApart);
            }
            f.logic->PTDecoderToneDetected(1, 4);
        }
        EXPECT_EQ(f.line(1).RingCount, c.count) << c.peaksApart;
        EXPECT_EQ(f.logic->ringText(1), std::to_string(c.count));
        EXPECT_EQ(f.line(1).Status, LineStatus::Ringing);
        EXPECT_EQ(f.logic->statusText(1), "RINGING ");
        EXPECT_EQ(f.relay.texts(), c.texts) << c.peaksApart;
    }
}

TEST(Ring, RingingEndsAfterAHundredQuietPeaks) {
    PairFixture f(2);
    f.logic->PTDecoderToneDetected(2, 3);
    EXPECT_EQ(f.logic->statusText(2), "RINGING");
    f.peaks(2, 60);
    EXPECT_EQ(f.logic->statusText(2), "RINGING");
    f.peaks(2, 1);
    EXPECT_EQ(f.logic->statusText(2), "");  // the even line waits longer
    f.peaks(2, 39);
    EXPECT_EQ(f.line(2).Status, LineStatus::Ringing);
    f.peaks(2, 1);
    EXPECT_EQ(f.line(2).Status, LineStatus::Ready);
    EXPECT_EQ(f.line(2).RingCount, 0);
    EXPECT_EQ(f.logic->ringText(2), "0");
    EXPECT_THAT(f.relay.texts(), ElementsAre("L4_RING_COUNT->1"));
}

TEST(Ring, ALaterCallWithoutDialToneStartsAtRingOne) {
    // Calls that follow each other with no dial tone between them: each one's first ring is
    // ring 1, so a host that answers after N rings counts right on every call.
    PairFixture f(1);
    for (int call = 0; call < 3; ++call) {
        f.logic->PTDecoderToneDetected(1, 4);
        f.peaks(1, 25);
        f.logic->PTDecoderToneDetected(1, 4);
        f.peaks(1, 101);  // ringing ends unanswered
        EXPECT_EQ(f.line(1).RingCount, 0) << call;
    }
    EXPECT_EQ(f.relay.texts(), (std::vector<std::string>{"L1_RING_COUNT->1", "L1_RING_COUNT->2",
                                                         "L1_RING_COUNT->1", "L1_RING_COUNT->2",
                                                         "L1_RING_COUNT->1", "L1_RING_COUNT->2"}));
}

TEST(Ring, OddLineOfPairOneCancelsAPendingStart) {
    for (const int pair : {1, 2}) {
        PairFixture f(pair);
        f.shared(1).StartArmed = true;
        f.recording.s(1).startTimerRunning = true;
        f.logic->PTDecoderToneDetected(1, 3);
        EXPECT_FALSE(f.shared(1).StartArmed);
        // The ring itself only drops the armed flag; the edRing1 change stops the timer.
        EXPECT_EQ(f.recording.s(1).startTimerRunning, pair != 1) << pair;
    }
}

TEST(Status, DialToneTurnsIntoWaitingAfterTheIdleTimeOut) {
    struct Case {
        int buffer;
        int peaks;
    };
    for (const Case c : {Case{0, 25}, Case{1, 50}, Case{2, 200}}) {
        PairFixture f(1);
        f.logic->CBbufferChange(c.buffer);
        f.logic->PTDecoderToneDetected(1, 1);
        f.logic->PTDecoderToneDetected(1, 1);
        f.peaks(1, c.peaks);
        EXPECT_EQ(f.line(1).Status, LineStatus::DialTone) << c.buffer;
        f.peaks(1, 1);
        EXPECT_EQ(f.line(1).Status, LineStatus::Waiting) << c.buffer;
        EXPECT_EQ(f.logic->statusText(1), "");
    }
}

TEST(Status, CallerIdCancelledAfterSeventyFivePeaks) {
    struct Case {
        int pair;
        std::vector<std::string> texts;
    };
    const Case cases[] = {{1, {"L1_ID_CANCELED->"}}, {2, {}}};
    for (const Case& c : cases) {
        PairFixture f(c.pair);
        f.logic->WaveViewPeak(1, -10.0F);
        f.dtmf(1, "A123");
        f.relay.sent.clear();
        f.peaks(1, 75);
        EXPECT_EQ(f.line(1).Status, LineStatus::Identifying) << c.pair;
        f.peaks(1, 1);
        const LineChannel& l = f.line(1);
        EXPECT_EQ(l.Status, LineStatus::Dialling) << c.pair;
        EXPECT_FALSE(l.CallerIdActive);
        EXPECT_EQ(l.EdSeq, "");
        EXPECT_EQ(f.logic->statusText(1), "");
        EXPECT_EQ(l.DtmfRaw.empty(), c.pair == 1);
        EXPECT_EQ(f.relay.texts(), c.texts) << c.pair;
    }
}

TEST(Status, LoudEvenLineOfPairOneHoldsTheCallerIdOpen) {
    PairFixture f(1);
    f.logic->WaveViewPeak(2, -10.0F);
    f.dtmf(2, "A123");
    f.peaks(2, 200, -20.0F);
    EXPECT_EQ(f.line(2).Status, LineStatus::Identifying);
    f.peaks(2, 76, -40.0F);
    EXPECT_EQ(f.line(2).Status, LineStatus::Dialling);
}

TEST(DisplayFields, OffHookTextsAndEmptiedStatus) {
    PairFixture f(1);
    f.logic->showHook(1, HookDisplay::HandsetHum);
    EXPECT_THAT(f.relay.texts(), IsEmpty());
    f.logic->showHook(1, HookDisplay::OffHook);
    f.logic->showHook(1, HookDisplay::OffHook);  // no change, no event
    f.logic->showHook(2, HookDisplay::OnHook);
    EXPECT_THAT(f.relay.texts(), ElementsAre("L1_STATUS_OFF_HOOK", "L2_STATUS_ON_HOOK"));

    f.logic->showStatus(2, StatusDisplay::Ringing);
    f.line(2).EditFreq1 = "425";
    f.line(2).EditFreq2 = "0";
    f.logic->showStatus(2, StatusDisplay::Empty);
    EXPECT_EQ(f.line(2).EditFreq1, "");
    EXPECT_EQ(f.line(2).EditFreq2, "");
}

TEST(DisplayFields, TextsTheWindowsShow) {
    struct Case {
        StatusDisplay status;
        const char* odd;
        const char* even;
    };
    for (const Case c :
         {Case{StatusDisplay::Empty, "", ""}, Case{StatusDisplay::DialTone, "DIALTONE", "DIALTONE"},
          Case{StatusDisplay::Ringing, "RINGING ", "RINGING"},
          Case{StatusDisplay::CallerId, "BINAGEM", "BINAGEM"},
          Case{StatusDisplay::Dialling, "DISCANDO...", "DISCANDO..."},
          Case{StatusDisplay::Rearmed, "REARMADO", "REARMADO"},
          Case{StatusDisplay::HandsetHum, "OFF_HOOK", "OFF_HOOK"},
          Case{StatusDisplay::OffHook, "OFF HOOK", "OFF HOOK"},
          Case{StatusDisplay::OnHook, "ON HOOK", "ON HOOK"}}) {
        EXPECT_EQ(statusText(c.status, 1), c.odd);
        EXPECT_EQ(statusText(c.status, 2), c.even);
    }
    EXPECT_EQ(hookText(HookDisplay::Empty), "");
    EXPECT_EQ(hookText(HookDisplay::HandsetHum), "OFF_HOOK");
    EXPECT_EQ(hookText(HookDisplay::OffHook), "OFF HOOK");
    EXPECT_EQ(hookText(HookDisplay::OnHook), "ON HOOK");
    PairFixture f(2);
    EXPECT_EQ(f.logic->ringText(2), "0");
}

TEST(LimpaTudo, ClearsTheCallButKeepsWhatRecordingStillNeeds) {
    PairFixture f(1);
    f.logic->WaveViewPeak(1, -10.0F);
    f.logic->PTDecoderToneDetected(1, 3);
    f.logic->PTDecoderCallerID(1, "", "1123456789", "");
    f.line(1).DialledAccepted = true;
    f.line(1).RearmState = MadeCallRearm::CallRuns;
    f.logic->LimpaTudo(1);
    const LineChannel& l = f.line(1);
    EXPECT_EQ(l.IndexPhone, "");
    EXPECT_EQ(l.NumberDisplay, "");
    EXPECT_EQ(l.EdFskFone, "");
    EXPECT_FALSE(l.CallerIdActive);
    EXPECT_FALSE(l.DialledAccepted);
    EXPECT_EQ(l.ToneState, ToneWatch::Armed);
    EXPECT_EQ(l.RearmState, MadeCallRearm::Off);
    EXPECT_EQ(l.lbTom, "Normal");
    EXPECT_EQ(f.logic->ringText(1), "0");
    EXPECT_THAT(f.recording.calls, ElementsAre("Clear1"));

    // The even line keeps its ring display and its accepted number.
    f.logic->PTDecoderToneDetected(2, 3);
    f.line(2).DialledAccepted = true;
    f.logic->LimpaTudo(2);
    EXPECT_EQ(f.logic->ringText(2), "1");
    EXPECT_TRUE(f.line(2).DialledAccepted);
}

}  // namespace
}  // namespace kovra::line::test
