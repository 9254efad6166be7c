#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <span>

#include "detector_rig.h"
#include "kovra-linesim/generators.h"
#include "line_signals.h"
#include "platform/detectors/custom_tone_detector.h"
#include "platform/detectors/standard_tones.h"

namespace kovra {
namespace {

using namespace testsignals;

TEST(DtmfDecoding, DigitsAreReportedInOrderWithRisingPositions) {
    DetectorRig rig;
    const std::string digits = "0123456789ABCD*#";
    const Samples audio = join({silence(200), dtmf(digits), silence(200)});
    rig.play(audio);
    std::string heard;
    std::int64_t last = -1;
    for (const RigEvent& e : rig.events) {
        ASSERT_EQ(e.kind, "DTMF");
        heard += e.value;
        EXPECT_GT(e.position, last);
        last = e.position;
    }
    EXPECT_EQ(heard, digits);
    // The first digit starts after 200 ms of silence and is confirmed within its 50 ms.
    ASSERT_FALSE(rig.events.empty());
    EXPECT_GE(rig.events.front().position, 1600 + 160);
    EXPECT_LE(rig.events.front().position, 1600 + 400);
}

TEST(DtmfDecoding, SensitivitySetsTheMinimumToneLevel) {
    struct Case {
        float sensitivity;
        int levelDbm0;
        bool heard;
    };
    const Case cases[] = {
        {12, -30, true}, {2, -30, false}, {2, -18, true}, {12, -50, false}, {24, -50, true},
    };
    for (const Case& c : cases) {
        DetectorRig rig;
        rig.decoder.DTMFParams.Sensitivity = c.sensitivity;
        rig.play(join({silence(100), dtmf("5", c.levelDbm0), silence(100)}));
        EXPECT_EQ(!rig.events.empty(), c.heard)
            << "sensitivity " << c.sensitivity << ", level " << c.levelDbm0 << " dBm0";
    }
    EXPECT_EQ(PhoneToneDecoder::dtmfThresholdDbm0(12), -42);
    EXPECT_EQ(PhoneToneDecoder::dtmfThresholdDbm0(100), -66);
}

TEST(DtmfDecoding, MonitorOffReportsNothing) {
    DetectorRig rig;
    rig.decoder.MonitorDTMF = false;
    rig.play(join({dtmf("123"), silence(100)}));
    EXPECT_TRUE(rig.events.empty());
}

TEST(CallerIdDecoding, MessagesGiveEveryField) {
    struct Case {
        std::string label;
        std::vector<std::uint8_t> message;
        std::string expected;
    };
    const Case cases[] = {
        {"MDMF", mdmf({{0x01, "12101405"}, {0x02, "1134567890"}, {0x07, "JOAO DA SILVA"}}),
         callerIdValue("JOAO DA SILVA", "1134567890", "12101405")},
        {"MDMF, number and name withheld", mdmf({{0x01, "01020304"}, {0x04, "P"}, {0x08, "O"}}),
         callerIdValue("O", "P", "01020304")},
        {"SDMF", sdmf("12101405", "1134567890"), callerIdValue("", "1134567890", "12101405")},
        {"SDMF, private", sdmf("12101405", "P"), callerIdValue("", "P", "12101405")},
    };
    for (const Case& c : cases) {
        DetectorRig rig;
        rig.play(join({silence(300), fsk(c.message), silence(300)}));
        ASSERT_EQ(rig.events.size(), 1U) << c.label;
        EXPECT_EQ(rig.events[0].kind, "CALLERID") << c.label;
        EXPECT_EQ(rig.events[0].value, c.expected) << c.label;
    }
}

TEST(CallerIdDecoding, AMessageWithABadChecksumIsNeverReported) {
    DetectorRig rig;
    rig.play(join({silence(300), fsk(sdmf("12101405", "1134567890"), false, true), silence(300)}));
    EXPECT_TRUE(rig.events.empty());
}

TEST(CallerIdDecoding, CallWaitingIdNeedsMonitorCidcw) {
    const Samples cidcw = join({silence(200), dualTone(2130, 2750, 80, -16), silence(150),
                                fsk(sdmf("12101405", "1134567890"), true), silence(300)});
    for (const bool monitor : {true, false}) {
        DetectorRig rig;
        rig.decoder.MonitorCIDCW = monitor;
        rig.play(cidcw);
        EXPECT_EQ(rig.kinds(),
                  monitor ? std::vector<std::string>{"CALLERID"} : std::vector<std::string>{})
            << "MonitorCIDCW " << monitor;
    }
    // An on-hook caller ID is not call waiting: MonitorCallerID alone reports it.
    DetectorRig rig;
    rig.decoder.MonitorCIDCW = false;
    rig.play(join({silence(200), fsk(sdmf("12101405", "1134567890")), silence(300)}));
    EXPECT_EQ(rig.kinds(), std::vector<std::string>{"CALLERID"});
}

// Every custom-tone row of both sets fires on its signal and stays quiet off it.
TEST(CustomTones, EachRowDetectsItsToneAndNothingElse) {
    struct Case {
        std::string label;
        std::vector<CustomToneRow> rows;
        Samples signal;
        std::set<int> expected;
    };
    const auto analogue = analogueToneRows();
    const auto hookNew = hookToneRows(10);
    const auto hookOld = hookToneRows(5);
    const Case cases[] = {
        {"dial tone 425 Hz", analogue, tone(425, 1000, -15), {1}},
        {"dial tone at the row's level", analogue, tone(425, 1000, -20), {1}},
        {"dial tone too quiet", analogue, tone(425, 1000, -30), {}},
        {"600 Hz is no dial tone", analogue, tone(600, 1000, -10), {}},
        {"ring", analogue, ring(1000), {3, 4}},
        {"loud 425 Hz is no ring", analogue, tone(425, 1000, 0), {1}},
        {"speech-band 200 Hz is no ring", analogue, tone(200, 1000, -3), {}},
        {"hook burst 484 Hz", hookNew, tone(484, 120, -6), {1}},
        {"hook bursts 40 ms on, 40 off",
         hookNew,
         join({tone(484, 40, -6), silence(40), tone(484, 40, -6), silence(40), tone(484, 40, -6)}),
         {1}},
        {"dial tone is no hook burst", hookNew, tone(425, 500, -6), {}},
        {"flash start 2969 Hz", hookNew, tone(2969, 150, -6), {2}},
        {"flash end 2656 Hz", hookNew, tone(2656, 100, -6), {3}},
        {"1000 Hz is no flash", hookNew, tone(1000, 300, -6), {}},
        {"old flash start 2906 Hz", hookOld, tone(2906, 150, -6), {4}},
        {"old flash end 2609 Hz", hookOld, tone(2609, 100, -6), {5}},
        {"flash end is no flash start", hookOld, tone(2656, 150, -6), {5}},
    };
    for (const Case& c : cases) {
        DetectorRig rig;
        addCustomTones(rig.decoder, c.rows);
        rig.play(join({silence(200), c.signal, silence(300)}));
        const std::vector<int> ids = rig.toneIds();
        EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), c.expected) << c.label;
    }
}

// Some lines carry a 40 Hz click train after the ring; its 400 Hz harmonic, 38 dB below the
// whole, is no dial tone: a call-progress tone must carry most of the power.
TEST(CustomTones, AClickTrainAfterTheRingIsNoTone) {
    for (const double levelDbfs : {-13.0, -20.0}) {
        const linesim::Samples clicks = linesim::clickTrain(3000, 40, 1.9, levelDbfs);
        Samples pcm;
        for (const float x : clicks) {
            pcm.push_back(static_cast<std::int16_t>(std::lround(x * 32767.0F)));
        }
        DetectorRig rig;
        addCustomTones(rig.decoder, analogueToneRows());
        rig.play(join({silence(200), pcm, silence(300)}));
        EXPECT_TRUE(rig.toneIds().empty()) << levelDbfs;
    }
}

// Five bands at once (the filters run two bands side by side, then the odd one alone):
// each tone still reports only on its own frequency.
TEST(CustomTones, FiveBandsTogetherEachHearOnlyTheirOwn) {
    const std::vector<CustomToneRow> rows = {{1, 100, 0, 425, 0, 0, 0, -20.0F, 0},
                                             {2, 100, 0, 20, 0, 0, 0, -9.0F, 0},
                                             {3, 100, 0, 1000, 0, 0, 0, -20.0F, 0},
                                             {4, 100, 0, 2969, 0, 0, 0, -20.0F, 0},
                                             {5, 100, 0, 3400, 0, 0, 0, -20.0F, 0}};
    const std::pair<int, Samples> cases[] = {{1, tone(425, 300, -10)},
                                             {2, ring(300)},
                                             {3, tone(1000, 300, -10)},
                                             {4, tone(2969, 300, -10)},
                                             {5, tone(3400, 300, -10)}};
    for (const auto& [id, signal] : cases) {
        DetectorRig rig;
        addCustomTones(rig.decoder, rows);
        rig.play(join({silence(200), signal, silence(300)}));
        const std::vector<int> ids = rig.toneIds();
        EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), std::set<int>{id}) << "tone " << id;
    }
}

// The bands rest while the line is quiet and catch up when it wakes: the reports must be
// exactly those of a detector that never rests (kept awake here by a row too narrow to
// rest). Tones straddle the rows' levels after quiet gaps of every length, over faint noise.
TEST(CustomTones, RestingThroughQuietStretchesChangesNoReport) {
    std::mt19937 random(5);
    std::normal_distribution<double> hiss(0.0, 30.0);  // about -61 dBFS
    Samples line;
    const int gapsMs[] = {10, 150, 220, 400, 1500, 3000};
    const double levels[] = {-20.6, -20.4, -19.5, -21.5, -15.0, -20.5};
    for (int i = 0; i < 6; ++i) {
        line = join({line, silence(gapsMs[i]), tone(425, 450 + 130 * i, levels[i]),
                     silence(gapsMs[5 - i]), ring(300 + 70 * i)});
    }
    for (std::int16_t& x : line) {
        x = static_cast<std::int16_t>(std::clamp(x + std::lround(hiss(random)), -32768L, 32767L));
    }
    auto reports = [&](bool awake) {
        CustomToneDetector detector;
        for (const CustomToneRow& r : analogueToneRows()) {
            detector.add({r.id, r.p2, r.p3, r.p4, r.p5, r.p6, r.p7, r.p8, r.p9});
        }
        if (awake) {
            detector.add({9, 0, 0, 3000, 0, 2, 0, -100.0F, 1});
        }
        std::vector<std::pair<int, std::int64_t>> heard;
        // Chunks of 80 and one of 32, as a decoder hands over a 512-frame buffer.
        for (std::size_t at = 0; at < line.size();) {
            const std::size_t n =
                std::min<std::size_t>(at % 512 == 480 ? 32 : 80, line.size() - at);
            detector.process(std::span(line).subspan(at, n), static_cast<std::int64_t>(at),
                             [&](int id, std::int64_t position) {
                                 if (id != 9) {
                                     heard.emplace_back(id, position);
                                 }
                             });
            at += n;
        }
        return heard;
    };
    const auto resting = reports(false);
    EXPECT_EQ(resting, reports(true));
    EXPECT_GT(resting.size(), 20U);
}

TEST(CustomTones, AToneThatGoesOnIsReportedAgainEveryOnTime) {
    DetectorRig rig;
    addCustomTones(rig.decoder, analogueToneRows());
    rig.play(join({silence(200), tone(425, 2000, -15), silence(500)}));
    std::vector<std::int64_t> positions;
    for (const RigEvent& e : rig.events) {
        positions.push_back(e.position);
    }
    ASSERT_EQ(positions.size(), 5U);  // at 400, 800, 1200, 1600 and 2000 ms of tone
    for (std::size_t i = 1; i < positions.size(); ++i) {
        EXPECT_EQ(positions[i] - positions[i - 1], 3200);
    }
    EXPECT_NEAR(static_cast<double>(positions[0]), 1600 + 3200, 160);
}

TEST(CustomTones, ClearForgetsAndMonitorOffIsSilent) {
    DetectorRig rig;
    addCustomTones(rig.decoder, analogueToneRows());
    rig.decoder.ClearCustomTones();
    rig.play(tone(425, 1000, -10));
    rig.decoder.MonitorCustomTone = false;
    addCustomTones(rig.decoder, analogueToneRows());
    rig.play(tone(425, 1000, -10));
    EXPECT_TRUE(rig.events.empty());
}

TEST(PeakFrequencies, TwoStrongestDistinctPeaks) {
    struct Case {
        std::string label;
        Samples signal;
        double f1, f2;  // either order for two
    };
    const Case cases[] = {
        {"DTMF 1", dualTone(697, 1209, 200, -10), 697, 1209},
        {"dial tone", tone(425, 200, -20), 425, 0},
        {"hook thump", tone(60, 200, -10), 60, 0},
        {"silence", silence(200), 0, 0},
    };
    for (const Case& c : cases) {
        DetectorRig rig(6, 1024);
        double f1 = -1;
        double f2 = -1;
        int spectra = 0;
        rig.decoder.OnSpectrumData = [&] {
            ++spectra;
            rig.decoder.GetPeakFrequencies(f1, f2);
        };
        rig.play(c.signal);
        EXPECT_GT(spectra, 0) << c.label;
        const double lo = std::min(f1, f2 == 0 ? f1 : f2);
        const double hi = std::max(f1, f2);
        if (c.f2 == 0) {
            EXPECT_NEAR(f1, c.f1, 8) << c.label;
            EXPECT_EQ(f2, 0) << c.label;
        } else {
            EXPECT_NEAR(lo, c.f1, 8) << c.label;
            EXPECT_NEAR(hi, c.f2, 8) << c.label;
        }
    }
}

TEST(Levels, KnownSinesReadTheirLevelAndSilenceTheFloor) {
    struct Case {
        Samples signal;
        double expected;
    };
    const Case cases[] = {
        {tone(1000, 256, 0), 0},
        {tone(425, 256, -20), -20},
        {tone(1000, 256, -45), -45},
        {silence(256), SpectrumView::kFloorDb},
    };
    for (const Case& c : cases) {
        DetectorRig rig(6, 1024);
        rig.play(c.signal);
        ASSERT_EQ(rig.levels.size(), 4U);
        for (const float level : rig.levels) {
            EXPECT_NEAR(level, c.expected, 0.3);
            EXPECT_TRUE(std::isfinite(level));
        }
    }
}

TEST(Channels, StereoDecodesTheChosenSide) {
    // Odd line (right) dials 12, even line (left) dials 34.
    const Samples left = join({silence(100), dtmf("34"), silence(100)});
    const Samples right = join({silence(100), dtmf("12"), silence(100), tone(1000, 200, -6)});
    const Samples audio = stereo(left, right);
    for (const auto& [channel, expected] : {std::pair{1, "12"}, std::pair{0, "34"}}) {
        DetectorRig rig(7, 2048, channel);
        rig.play(audio);
        std::string heard;
        for (const RigEvent& e : rig.events) {
            heard += e.value;
        }
        EXPECT_EQ(heard, expected) << "channel " << channel;
        // Only the right channel carries the 1000 Hz tone at the end.
        EXPECT_EQ(rig.levels.back() > -10, channel == 1) << "channel " << channel;
    }
}

}  // namespace
}  // namespace kovra
