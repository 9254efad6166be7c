// The sample processing of the chain stages: band-pass response and errors, balance,
// mono duplication and the amplifier's saturating gain.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <thread>
#include <vector>

#include "mp3_probe.h"
#include "recording/band_pass_stage.h"
#include "recording/channel_stage.h"
#include "recording/portaudio_capture_stage.h"
#include "recording/pushed_capture_stage.h"
#include "recording/recording_chain.h"

namespace kovra {
namespace {

// A stage that serves a fixed block of samples, then ends.
class VectorStage final : public AudioStage {
  public:
    VectorStage(std::vector<std::int16_t> data, int channels)
        : data_(std::move(data)), channels_(channels) {}
    void open() override { pos_ = 0; }
    std::size_t read(std::span<std::int16_t> out) override {
        const std::size_t n = std::min(out.size() / channels_ * channels_, data_.size() - pos_);
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(pos_), n, out.begin());
        pos_ += n;
        return n;
    }
    void close() override {}
    int channels() const override { return channels_; }

  private:
    std::vector<std::int16_t> data_;
    int channels_;
    std::size_t pos_ = 0;
};

std::vector<std::int16_t> readAll(AudioStage& stage) {
    std::vector<std::int16_t> all;
    std::vector<std::int16_t> block(4096);
    stage.open();
    while (std::size_t n = stage.read(block)) {
        all.insert(all.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
    }
    stage.close();
    return all;
}

double rmsOfChannel(const std::vector<std::int16_t>& s, int channels, int channel,
                    std::size_t skipFrames) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = skipFrames * channels + channel; i < s.size(); i += channels) {
        sum += double(s[i]) * s[i];
        ++n;
    }
    return std::sqrt(sum / double(n));
}

// |H(f)| of the filter, evaluated from its difference equation independently of the stage.
double expectedGain(double hz) {
    const BandPassCoefficients k = bandPassCoefficients(600, 4000, 16000);
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * hz / 16000);
    const std::complex<double> num = k.a0 + k.a1 * z1 + k.a2 * z1 * z1;
    const std::complex<double> den = 1.0 + k.b0 * z1 + k.b1 * z1 * z1;
    return std::abs(num / den);
}

TEST(BandPassStage, ResponseFollowsTheDesignAcrossTheBand) {
    const BandPassCoefficients k = bandPassCoefficients(600, 4000, 16000);
    EXPECT_NEAR(k.a0, 1.0 / (1.0 + 1.0 / std::tan(std::numbers::pi * 3401 / 16000)), 1e-12);
    EXPECT_NEAR(k.b0 / -k.a0 / (1.0 / std::tan(std::numbers::pi * 3401 / 16000)),
                2 * std::cos(2 * std::numbers::pi * 2300 / 16000), 1e-12);

    struct Case {
        double hz;
        double minGain, maxGain;  // a sanity band around the design, so a wrong sign shows
    };
    for (const Case c : {Case{300, 0.1, 0.35}, Case{1000, 0.6, 0.95}, Case{3000, 0.9, 1.01},
                         Case{6000, 0.3, 0.8}}) {
        SCOPED_TRACE(c.hz);
        const double amp = 10000;
        BandPassStage stage;
        VectorStage source(test::stereoTone(1.0, c.hz, amp, amp / 2), 2);
        stage.setInput(&source);
        const auto out = readAll(stage);
        ASSERT_EQ(out.size(), 32000u);
        const double expected = expectedGain(c.hz);
        const double inRms = amp / std::sqrt(2.0);
        EXPECT_NEAR(rmsOfChannel(out, 2, 0, 1600) / inRms, expected, 0.01);
        EXPECT_NEAR(rmsOfChannel(out, 2, 1, 1600) / (inRms / 2), expected, 0.01);
        EXPECT_GT(expected, c.minGain);
        EXPECT_LT(expected, c.maxGain);
    }
}

TEST(BandPassStage, RefusesImpossibleBands) {
    struct Case {
        int low, high;
        const char* text;
    };
    for (const Case c : {Case{4500, 4000, "A Frequencia alta é menor que frequencia baixa"},
                         Case{600, 9000, "O Samplerate está baixo"}}) {
        BandPassStage stage;
        VectorStage source({}, 2);
        stage.setInput(&source);
        stage.LowFreq = c.low;
        stage.HighFreq = c.high;
        try {
            stage.open();
            ADD_FAILURE() << "opened";
        } catch (const ChainError& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    BandPassStage unconnected;
    EXPECT_THROW(unconnected.open(), ChainError);
}

TEST(ChannelStage, AmplifierSaturatesInsteadOfWrapping) {
    EXPECT_EQ(amplifyForSliderPosition(25), 1362);
    EXPECT_EQ(amplifyForSliderPosition(2), 109);
    EXPECT_EQ(amplifyForSliderPosition(0), 54);  // raised to position 1

    struct Case {
        int in, amplify, out;
    };
    for (const Case c : {Case{1000, 109, 2361},    // ×2.09, then ×1.13 (109 div 8 = 13)
                         Case{-1000, 109, -2361},  // truncation toward zero, symmetric
                         Case{3000, 1362, 32767},  // first pass already past full scale
                         Case{-3000, 1362, -32767}, Case{32767, 1362, 32767},
                         Case{-32768, 1362, -32767}, Case{100, 1362, 3947}}) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(amplifySample(static_cast<std::int16_t>(c.in), c.amplify), c.out);
    }
}

TEST(ChannelStage, KeepsTheLinesChannelAndDuplicatesMono) {
    // Stereo input, line 1 of a two-line pair (balance 1.0): the right channel only.
    VectorStage stereo({100, 200, -300, 400}, 2);
    ChannelStage keepRight;
    keepRight.setInput(&stereo);
    keepRight.Balance = 1.0;
    EXPECT_EQ(readAll(keepRight), (std::vector<std::int16_t>{0, 200, 0, 400}));

    // One-line input: every sample becomes a pair, one copy silenced.
    VectorStage mono({100, -300}, 1);
    ChannelStage keepLeft;
    keepLeft.setInput(&mono);
    keepLeft.Balance = 0.0;
    EXPECT_EQ(readAll(keepLeft), (std::vector<std::int16_t>{100, 0, -300, 0}));

    // Gain after balance, on both channels.
    VectorStage loud({1000, 1000}, 2);
    ChannelStage gain;
    gain.setInput(&loud);
    gain.Balance = 0.0;
    gain.AutoGain = true;
    gain.Amplify = 109;
    EXPECT_EQ(readAll(gain), (std::vector<std::int16_t>{2361, 0}));
}

TEST(RecordingChain, ConfigurationRoutesGainAndChannelsPerPairAndInput) {
    struct Case {
        ChainConfig config;
        bool throughBandPass;
        int amplify;  // 0: gain off
        int inChannels;
        double balance;
    };
    const Case cases[] = {
        {{.pairOne = true, .side = 1, .linesOnInput = 2, .amplifierOn = true}, false, 0, 2, 1.0},
        {{.pairOne = true, .side = 2, .linesOnInput = 2}, false, 0, 2, 0.0},
        {{.pairOne = true, .side = 1, .linesOnInput = 1}, false, 0, 1, 0.0},
        {{.pairOne = true, .side = 2, .linesOnInput = 1}, false, 0, 1, 1.0},
        {{.pairOne = false,
          .side = 1,
          .linesOnInput = 2,
          .amplifierOn = true,
          .sliderPosition = 25},
         true,
         1362,
         2,
         1.0},
        {{.pairOne = false, .side = 2, .linesOnInput = 3, .amplifierOn = false}, false, 0, 2, 0.0},
    };
    for (const Case& c : cases) {
        RecordingChain chain(std::make_unique<PushedCaptureStage>(), nullptr);
        chain.configure(c.config);
        EXPECT_EQ(chain.channelStage().input() == &chain.bandPass(), c.throughBandPass);
        EXPECT_EQ(chain.channelStage().AutoGain, c.amplify != 0);
        if (c.amplify != 0) {
            EXPECT_EQ(chain.channelStage().Amplify, c.amplify);
        }
        EXPECT_EQ(chain.capture().channels(), c.inChannels);
        EXPECT_EQ(chain.channelStage().Balance, c.balance);
    }
}

TEST(RecordingChain, BitRateItemsAndMinuteSizes) {
    struct Case {
        int item, kbps, kbPerMinute;
    };
    for (const Case c : {Case{0, 8, 60}, Case{1, 16, 120}, Case{2, 32, 240}, Case{3, 64, 480},
                         Case{4, 128, 960}, Case{9, 16, 120}}) {
        EXPECT_EQ(bitRateKbpsForItem(c.item), c.kbps);
        EXPECT_EQ(kilobytesPerMinuteForItem(c.item), c.kbPerMinute);
    }
}

}  // namespace
}  // namespace kovra

namespace kovra {
namespace {

TEST(PushedCaptureStage, KeepsAudioOnlyWhileArmedAndCountsOverruns) {
    PushedCaptureStage stage(20);  // wait 20 ms for room instead of 10 s
    stage.setInChannels(2);
    stage.setPreRoll(false);  // the buffer alone; the pre-roll has tests of its own
    const std::vector<std::int16_t> block(2 * 16000, 7);  // one second, stereo
    stage.push(block, 2);                                 // nobody records: dropped
    stage.armForStart();
    stage.open();
    for (int i = 0; i < 4; ++i) {
        stage.push(block, 2);  // 4 s of the 4.096 s buffer
    }
    EXPECT_EQ(stage.framesCommitted(), 64000u);
    EXPECT_EQ(stage.overruns(), 0u);
    stage.push(block, 2);  // no room and no reader: dropped after the wait
    EXPECT_EQ(stage.overruns(), 1u);
    EXPECT_EQ(stage.framesCommitted(), 64000u);

    std::vector<std::int16_t> out(8192);
    EXPECT_EQ(stage.read(out), 8192u);
    stage.stopBuffer();  // paused: audio is not kept
    stage.push(block, 2);
    EXPECT_EQ(stage.framesCommitted(), 64000u);
    stage.endInput();  // drains what it holds, then ends
    std::size_t rest = 0;
    while (std::size_t n = stage.read(out)) {
        rest += n;
    }
    EXPECT_EQ(rest, 4u * 32000 - 8192);
    EXPECT_TRUE(stage.ended());
    stage.close();
}

// The writer is woken for whole blocks; a push short of room, or a pause, hands it what is
// queued instead of leaving both sides waiting.
TEST(PushedCaptureStage, AReaderWaitingForABlockGetsWhatIsQueuedWhenPushOrPauseWaits) {
    PushedCaptureStage stage(5000);
    stage.setInChannels(2);
    stage.armForStart();
    stage.open();
    const std::vector<std::int16_t> second(2 * 16000, 3);
    std::vector<std::int16_t> big(4 * kCaptureBufferFrames);  // more than the queue holds
    std::size_t first = 0;
    std::size_t afterPause = 0;
    std::thread reader([&] {
        first = stage.read(big);
        afterPause = stage.read(big);
    });
    for (int i = 0; i < 5; ++i) {
        stage.push(second, 2);  // the fifth finds no room until the reader takes four
    }
    stage.stopBuffer();
    reader.join();
    EXPECT_EQ(first, 4u * 32000);
    EXPECT_EQ(afterPause, 32000u);
    EXPECT_EQ(stage.overruns(), 0u);
    EXPECT_EQ(stage.framesCommitted(), 5u * 16000);
    stage.close();
}

TEST(PortAudioCaptureStage, RefusesADeviceNumberBeyondTheDevicesFound) {
    PortAudioCaptureStage stage;
    stage.setDeviceNumber(static_cast<int>(stage.deviceNames().size()));
    try {
        stage.open();
        ADD_FAILURE() << "opened";
    } catch (const ChainError& e) {
        EXPECT_STREQ(e.what(), "Invalid device number");
    }
    std::int16_t buf[4];
    EXPECT_THROW(stage.read(buf), ChainError);  // "DXAudio: The Stream is not opened"
}

}  // namespace
}  // namespace kovra
