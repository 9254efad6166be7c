// Level and spectrum rules, and pair 1's hook-signalling adapter mode.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "line_test_support.h"

namespace kovra::line::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(QuietReArm, FourteenthQuietPeakAfterALoudOneReArms) {
    PairFixture f(1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    ASSERT_EQ(f.line(1).ToneState, ToneWatch::DialToneTaken);
    f.logic->WaveViewPeak(1, -10.0F);
    f.peaks(1, 13, -48.0F);
    EXPECT_EQ(f.line(1).ToneState, ToneWatch::DialToneTaken);
    f.peaks(1, 1, -48.0F);
    EXPECT_EQ(f.line(1).ToneState, ToneWatch::Armed);
    EXPECT_TRUE(f.line(1).QuietReset);
    EXPECT_EQ(f.line(1).lbTom, "Normal");
}

TEST(QuietReArm, SpeechKeepsTheLineFromReArming) {
    PairFixture f(1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->WaveViewPeak(1, -10.0F);
    f.peaks(1, 10, -48.0F);
    f.logic->PTDecoderSpectrumData(1, 800, 1200);
    f.peaks(1, 1, -33.0F);  // speech resets the quiet count
    f.logic->PTDecoderSpectrumData(1, 0, 0);
    f.peaks(1, 13, -48.0F);
    EXPECT_EQ(f.line(1).ToneState, ToneWatch::DialToneTaken);
}

TEST(StopOnQuiet, SixteenthQuietPeakAfterHandsetHumStops) {
    for (const bool interrupted : {false, true}) {
        PairFixture f(2);
        f.logic->options().CheckOffHook = true;
        f.shared(1).Recording = true;
        f.peaks(1, 1, -45.0F);
        f.logic->PTDecoderSpectrumData(1, 60, 0);
        EXPECT_TRUE(f.line(1).StopArmed);
        EXPECT_EQ(f.logic->hookText(1), "OFF_HOOK");
        f.peaks(1, 8, -45.0F);
        if (interrupted) {
            f.logic->PTDecoderSpectrumData(1, 1000, 0);
        }
        f.peaks(1, 7, -45.0F);
        EXPECT_THAT(f.recording.calls, IsEmpty());
        f.peaks(1, 1, -45.0F);
        if (interrupted) {
            EXPECT_THAT(f.recording.calls, IsEmpty());
        } else {
            EXPECT_THAT(f.recording.calls, ElementsAre("Stop1"));
        }
        EXPECT_THAT(f.relay.texts(), IsEmpty());  // "OFF_HOOK" is not an event
    }
}

TEST(HandsetHum, IdleLineIsCleanedUpUnlessACallerIsKnown) {
    PairFixture f(1);
    f.logic->options().CheckOffHook = true;
    f.line(1).EdSeq = "123";
    f.logic->PTDecoderSpectrumData(1, 60, 0);
    EXPECT_EQ(f.line(1).EdSeq, "");
    EXPECT_THAT(f.recording.calls, ElementsAre("Clear1"));

    f.logic->PTDecoderCallerID(2, "", "1123456789", "");
    f.logic->PTDecoderSpectrumData(2, 60, 0);
    EXPECT_EQ(f.line(2).IndexPhone, "19123456789");
}

TEST(AutoVolume, DialToneLevelStepsTheVolume) {
    struct Case {
        float level;
        std::vector<int> steps;
    };
    const Case cases[] = {{-20.0F, {1, 1, 1}}, {-15.0F, {}}, {-8.0F, {-1, -1, -1}}};
    for (const Case& c : cases) {
        PairFixture f(1);
        f.logic->options().chkAutoVol = true;
        for (int i = 0; i < 3; ++i) {
            f.logic->WaveViewPeak(2, c.level);
            f.logic->PTDecoderSpectrumData(2, 425, 0);
        }
        EXPECT_EQ(f.volumeSteps, c.steps) << c.level;
        EXPECT_EQ(f.logic->edDBMestre, std::to_string(static_cast<int>(c.level)));
    }
    PairFixture recording(1);
    recording.logic->options().chkAutoVol = true;
    recording.shared(1).Recording = true;
    recording.logic->WaveViewPeak(1, -20.0F);
    recording.logic->PTDecoderSpectrumData(1, 425, 0);
    EXPECT_THAT(recording.volumeSteps, IsEmpty());
}

TEST(Speech, ArmsTheStartOrResumesAPausedRecording) {
    PairFixture f(1);
    f.logic->PTDecoderSpectrumData(1, 500, 0);
    f.peaks(1, 1, -40.0F);
    EXPECT_FALSE(f.shared(1).StartArmed);
    f.peaks(1, 1, -30.0F);
    EXPECT_TRUE(f.shared(1).StartArmed);
    EXPECT_TRUE(f.recording.s(1).startTimerRunning);
    EXPECT_EQ(f.shared(1).VoiceHits, 1);
    f.peaks(1, 10, -30.0F);
    EXPECT_EQ(f.shared(1).VoiceHits, 0);  // wraps above ten

    // Freq2 alone counts only with automatic recording.
    PairFixture g(1);
    g.logic->PTDecoderSpectrumData(1, 200, 600);
    g.peaks(1, 1, -20.0F);
    EXPECT_FALSE(g.shared(1).StartArmed);
    g.logic->options().CheckAutoRec = true;
    g.peaks(1, 1, -20.0F);
    EXPECT_TRUE(g.shared(1).StartArmed);

    PairFixture p(2);
    p.shared(2).Recording = true;
    p.shared(2).Paused = true;
    p.shared(2).SilenceSeconds = 4;
    p.logic->PTDecoderSpectrumData(2, 500, 0);
    p.peaks(2, 1, -25.0F);
    EXPECT_THAT(p.recording.calls, ElementsAre("Pause2"));
    EXPECT_FALSE(p.shared(2).Paused);
    EXPECT_EQ(p.shared(2).SilenceSeconds, 0);
}

// A dial tone holds the start count at 0; a voice whose strongest partial wanders through
// the same band does not (a female voice's second harmonic: it used to hold a recording's
// start back by seconds).
TEST(Speech, OnlyASteadyToneInTheDialToneBandHoldsTheStartCount) {
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> spectra;  // Freq1, Freq2 in turn
        bool held;
    };
    const Case cases[] = {
        {"steady 425 Hz", {{425, 0}, {425.4, 0}, {424.8, 0}}, true},
        {"steady 410 Hz beside a second partial", {{410, 600}, {411, 640}}, true},
        {"voice partials 400-450 Hz", {{412, 0}, {404, 679}, {421, 0}, {433, 0}}, false},
        {"voice partials 400-430 Hz", {{403, 372}, {414, 0}, {421, 401}}, false},
    };
    for (const Case& c : cases) {
        PairFixture f(1);
        f.shared(1).StartTicks = 1;
        for (const auto& [f1, f2] : c.spectra) {
            f.logic->PTDecoderSpectrumData(1, f1, f2);
            f.peaks(1, 1, -20.0F);
        }
        EXPECT_EQ(f.shared(1).StartTicks, c.held ? 0 : 1) << c.what;
    }
}

TEST(OneLineInput, EvenLineIgnoresItsDetectors) {
    PairFixture f(2);
    f.logic->setLinesOnInput(1);
    f.peaks(2, 5, -10.0F);
    f.logic->PTDecoderToneDetected(2, 3);
    f.dtmf(2, "A123");
    EXPECT_EQ(f.line(2).edDB, "");
    EXPECT_EQ(f.line(2).Status, LineStatus::DialTone);
    EXPECT_THAT(f.relay.texts(), IsEmpty());
}

// --- hook-signalling adapter mode (pair 1) ---

struct HookFixture : PairFixture {
    HookFixture() : PairFixture(1) {
        logic->setHookSignalling(true);
        logic->resetForStart(true);
    }
    // Hook bursts at the given peak numbers (1-based), one level report per peak.
    void burstsAt(std::vector<int> at, int k = 1) {
        const int last = at.back();
        for (int peak = 1; peak <= last; ++peak) {
            if (std::find(at.begin(), at.end(), peak) != at.end()) {
                logic->PTDecoderToneDetected(k, 1);
            }
            logic->WaveViewPeak(k, -45.0F);
        }
    }
};

TEST(HookMode, ThreeBurstsLiftTheHandset) {
    HookFixture f;
    f.burstsAt({1, 2, 4});
    EXPECT_EQ(f.logic->hookText(1), "ON HOOK");
    EXPECT_EQ(f.logic->statusText(1), "ON HOOK");
    EXPECT_TRUE(f.line(1).HookStartPending);
    EXPECT_THAT(f.relay.texts(), ElementsAre("L1_STATUS_ON_HOOK"));

    HookFixture apart;
    apart.burstsAt({1, 8, 15, 22});
    EXPECT_EQ(apart.logic->hookText(1), "");
    EXPECT_THAT(apart.relay.texts(), IsEmpty());
}

TEST(HookMode, LiftingStartsTheRecordingWhenAsked) {
    HookFixture f;
    f.logic->options().CheckOffHook = true;
    f.burstsAt({1, 2, 4});
    EXPECT_THAT(f.recording.calls, ElementsAre("Start1"));
}

TEST(HookMode, FlashEndsTheCallUnlessNewHookTonesFollow) {
    struct Case {
        bool chkFlash1;
        Millis wait;  // after the flash-end tone
        bool relift;  // a new hook pattern arrives before the wait is over
        bool hungUp;
    };
    const Case cases[] = {
        {false, Millis(20), false, true},  {false, Millis(19), false, false},
        {true, Millis(299), false, false}, {true, Millis(300), false, true},
        {true, Millis(400), true, false},
    };
    for (const Case& c : cases) {
        HookFixture f;
        f.logic->options().chkFlash1 = c.chkFlash1;
        f.burstsAt({1, 2, 4});
        f.shared(1).Recording = true;
        f.recording.calls.clear();
        f.relay.sent.clear();
        f.logic->PTDecoderToneDetected(1, 2);
        f.logic->WaveViewPeak(1, -45.0F);
        f.logic->PTDecoderToneDetected(1, 3);
        ASSERT_TRUE(f.logic->flashTimerRunning(1));
        if (c.relift) {
            f.burstsAt({1, 2, 4});
        }
        f.loop.advance(c.wait);
        EXPECT_EQ(f.logic->hookText(1) == "OFF HOOK", c.hungUp)
            << c.chkFlash1 << " " << c.wait.count();
        if (c.hungUp) {
            EXPECT_EQ(f.line(1).Status, LineStatus::Ready);
            EXPECT_THAT(f.relay.texts(), ElementsAre("L1_STATUS_OFF_HOOK"));
            EXPECT_THAT(f.recording.calls, ElementsAre("Stop1", "Clear1"));
            EXPECT_FALSE(f.logic->flashTimerRunning(1));
        }
    }
}

TEST(HookMode, LateFlashEndIsIgnored) {
    HookFixture f;
    f.logic->PTDecoderToneDetected(1, 4);
    f.peaks(1, 3);
    f.logic->PTDecoderToneDetected(1, 5);
    EXPECT_FALSE(f.logic->flashTimerRunning(1));
}

TEST(HookMode, DialToneAndRingAreNotInterpreted) {
    HookFixture f;
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 3);
    EXPECT_EQ(f.line(1).RingCount, 0);
    EXPECT_NE(f.logic->statusText(1), "DIALTONE");
}

}  // namespace
}  // namespace kovra::line::test
