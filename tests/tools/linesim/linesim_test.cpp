// The line simulator checked against independent receivers (spandsp) and measurements.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <spandsp.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "kovra-linesim/line_script.h"
#include "temp_folder.h"

namespace kovra::linesim {
namespace {

std::vector<std::int16_t> channel(const Audio& a, int index) {
    std::vector<std::int16_t> out;
    for (std::size_t i = static_cast<std::size_t>(index); i < a.interleaved.size();
         i += static_cast<std::size_t>(a.channels)) {
        out.push_back(a.interleaved[i]);
    }
    return out;
}

double rmsDbfs(const std::vector<std::int16_t>& s, std::size_t from = 0, std::size_t to = 0) {
    to = to == 0 ? s.size() : to;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += static_cast<double>(s[i]) * s[i];
    }
    return 20.0 * std::log10(std::sqrt(sum / static_cast<double>(to - from)) * std::numbers::sqrt2 /
                             32767.0);
}

// Power of one frequency in a block (Goertzel), relative to a full-scale sine.
double goertzelDb(const std::vector<std::int16_t>& s, std::size_t from, std::size_t n, double hz) {
    const double w = 2.0 * std::numbers::pi * hz / kSampleRate;
    double s1 = 0, s2 = 0;
    for (std::size_t i = from; i < from + n; ++i) {
        const double v = s[i] / 32767.0 + 2.0 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = v;
    }
    const double power = s1 * s1 + s2 * s2 - 2.0 * std::cos(w) * s1 * s2;
    return 10.0 * std::log10(power / (n * n / 4.0) + 1e-20);
}

std::string dtmfReceive(const std::vector<std::int16_t>& s) {
    dtmf_rx_state_t* rx = dtmf_rx_init(nullptr, nullptr, nullptr);
    dtmf_rx(rx, s.data(), static_cast<int>(s.size()));
    char digits[256] = {};
    dtmf_rx_get(rx, digits, 255);
    dtmf_rx_free(rx);
    return digits;
}

struct Received {
    int messages = 0;
    std::uint8_t type = 0;
    std::vector<std::pair<int, std::string>> fields;
};

Received fskReceive(const std::vector<std::int16_t>& s) {
    Received r;
    adsi_rx_state_t* rx = nullptr;
    struct Ctx {
        Received* r;
        adsi_rx_state_t** rx;
    } ctx{&r, &rx};
    rx = adsi_rx_init(
        nullptr, ADSI_STANDARD_CLASS,
        [](void* user, const std::uint8_t* msg, int len) {
            auto* c = static_cast<Ctx*>(user);
            if (len <= 0) {
                return;  // carrier or framing status, not a message
            }
            c->r->messages++;
            c->r->type = msg[0];
            int pos = -1;
            std::uint8_t type = 0;
            const std::uint8_t* body = nullptr;
            int fieldLen = 0;
            while ((pos = adsi_next_field(*c->rx, msg, len, pos, &type, &body, &fieldLen)) > 0) {
                if (fieldLen > 0) {
                    c->r->fields.emplace_back(type, std::string(body, body + fieldLen));
                }
            }
        },
        &ctx);
    adsi_rx(rx, s.data(), static_cast<int>(s.size()));
    adsi_rx_free(rx);
    return r;
}

TEST(LineScript, MonoLengthFollowsTheSteps) {
    const Audio a =
        renderScript("silence 1s\ndial 12 on=50 off=50\n# a comment\n\nsilence 250ms\n");
    EXPECT_EQ(a.sampleRate, 8000);
    EXPECT_EQ(a.channels, 1);
    EXPECT_EQ(a.frames(), 8000u + 4u * 400u + 2000u);
}

TEST(LineScript, SecondLineIsTheLeftChannelAndSyncPadsBothLines) {
    const Audio a = renderScript("lines 2\nline 2\ndialtone 1s\nline 1\nsync\nsilence 500ms\n");
    ASSERT_EQ(a.channels, 2);
    EXPECT_EQ(a.frames(), 12000u);
    const auto left = channel(a, 0);
    const auto right = channel(a, 1);
    EXPECT_NEAR(rmsDbfs(left, 0, 8000), -15.0, 0.2);
    EXPECT_TRUE(std::all_of(right.begin(), right.end(), [](std::int16_t v) { return v == 0; }));
}

TEST(LineScript, FirstLineIsTheRightChannel) {
    const Audio a = renderScript("lines 2\ndial 5\n");
    EXPECT_EQ(dtmfReceive(channel(a, 1)), "5");
    EXPECT_EQ(dtmfReceive(channel(a, 0)), "");
}

TEST(LineScript, LevelsMatchTheirSettings) {
    struct Case {
        const char* script;
        double expectedDbfs;
    } cases[] = {
        {"dialtone 2s level=-20", -20.0},
        {"tone 1s freq=1000 level=-3", -3.0},
        {"dial 1 on=1000 off=0 level=-12 twist=4", -12.0},
        {"speech 5s", -20.0},
        {"speech 5s level=-30", -30.0},
        {"silence 5s\nnoise level=-40", -40.0},
        {"silence 3s\nbackground freq=350,440 level=-13", -13.0},
        {"clicks 3s", -13.0},
        {"clicks 3s level=-25 rate=50", -25.0},
    };
    for (const Case& c : cases) {
        const auto s = channel(renderScript(c.script), 0);
        // Leave out the edges of tones, where they ramp up and down.
        EXPECT_NEAR(rmsDbfs(s, 80, s.size() - 80), c.expectedDbfs, 0.3) << c.script;
    }
}

// The dial tone under the digits plays over the whole output whatever its place in the
// script; a recorded file plays as recorded; a file that is not 8000 Hz is refused.
TEST(LineScript, BackgroundToneAndRecordedFiles) {
    const auto both = channel(renderScript("dial 5 on=1000 off=0 level=-20\nbackground freq=425 "
                                           "level=-10"),
                              0);
    EXPECT_NEAR(goertzelDb(both, 800, 4000, 425) - goertzelDb(both, 800, 4000, 770), 13.0, 1.0);

    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::filesystem::path wav =
        dir / ("kovra-linesim-play-" + std::to_string(::getpid()) + ".wav");
    writeWav(wav, renderScript("tone 500ms freq=1000 level=-6"));
    const auto played =
        channel(renderScript("play \"" + wav.string() + "\" \"" + wav.string() + "\" gap=250"), 0);
    EXPECT_EQ(played.size(), 2U * (4000 + 2000));
    EXPECT_NEAR(rmsDbfs(played, 80, 3920), -6.0, 0.3);
    Audio fast;
    fast.sampleRate = 16000;
    fast.channels = 1;
    fast.interleaved.assign(1600, 0);
    writeWav(wav, fast);
    EXPECT_THROW(renderScript("play " + wav.string()), ScriptError);
    std::filesystem::remove(wav);
}

TEST(LineScript, NoiseSnrIsRelativeToTheSignal) {
    const auto clean = channel(renderScript("dialtone 4s level=-20"), 0);
    const auto noisy = channel(renderScript("dialtone 4s level=-20\nnoise snr=10"), 0);
    std::vector<std::int16_t> noise(clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) {
        noise[i] = static_cast<std::int16_t>(noisy[i] - clean[i]);
    }
    EXPECT_NEAR(rmsDbfs(noise), -30.0, 0.3);
}

TEST(Dtmf, EverySymbolHasItsTwoFrequenciesAtTheGivenTwistAndOffset) {
    DtmfParams p;
    p.levelDbfs = -10;
    p.twistDb = 4;
    p.offsetPercent = 2.0;
    p.onMs = 200;
    p.offMs = 0;
    for (const char c : std::string("0123456789ABCD*#")) {
        double low = 0, high = 0;
        ASSERT_TRUE(dtmfFrequencies(c, low, high));
        const Audio a = makeAudio(std::vector<Samples>{dtmfDigits(std::string(1, c), p)});
        const auto s = channel(a, 0);
        const double lowDb = goertzelDb(s, 200, 1200, low * 1.02);
        const double highDb = goertzelDb(s, 200, 1200, high * 1.02);
        EXPECT_NEAR(highDb - lowDb, 4.0, 0.3) << c;
        // The nominal frequency is well off the shifted peak.
        EXPECT_LT(goertzelDb(s, 200, 1200, low), lowDb - 10.0) << c;
    }
    EXPECT_THROW(dtmfDigits("12x", p), std::invalid_argument);
}

TEST(Dtmf, SpandspReceiverReadsDialledAndCallerIdDigits) {
    EXPECT_EQ(dtmfReceive(channel(renderScript("dial 0123456789ABCD*#"), 0)), "0123456789ABCD*#");
    // '#' inside a word is a key, a '#' word of its own starts a comment.
    EXPECT_EQ(dtmfReceive(channel(renderScript("# call\ndial #31# # note"), 0)), "#31#");
    EXPECT_EQ(dtmfReceive(channel(renderScript("dtmf-cid A1134567890C level=-20"), 0)),
              "A1134567890C");
}

TEST(Fsk, MdmfMessageHasFieldsAndAValidChecksum) {
    const CallerIdInfo info{"1134567890", "OFICINA CENTRAL", "12101405"};
    const auto msg = mdmfMessage(info);
    unsigned sum = 0;
    for (const auto b : msg) {
        sum += b;
    }
    EXPECT_EQ(sum % 256, 0u);
    EXPECT_EQ(msg[0], kMdmfType);
    EXPECT_EQ(msg[1], msg.size() - 3);

    const Received r = fskReceive(
        channel(renderScript("silence 200ms\nfsk number=1134567890 name=\"OFICINA CENTRAL\" "
                             "datetime=12101405\nsilence 200ms"),
                0));
    ASSERT_EQ(r.messages, 1);
    EXPECT_EQ(r.type, CLASS_MDMF_CALLERID);
    const std::vector<std::pair<int, std::string>> expected{
        {MCLASS_DATETIME, "12101405"},
        {MCLASS_CALLER_NUMBER, "1134567890"},
        {MCLASS_CALLER_NAME, "OFICINA CENTRAL"}};
    EXPECT_EQ(r.fields, expected);
}

TEST(Fsk, AbsenceReasonsAndSdmf) {
    const Received priv =
        fskReceive(channel(renderScript("fsk number=P name=O\nsilence 100ms"), 0));
    ASSERT_EQ(priv.messages, 1);
    const std::vector<std::pair<int, std::string>> absent{{MCLASS_ABSENCE1, "P"},
                                                          {MCLASS_ABSENCE2, "O"}};
    EXPECT_EQ(priv.fields, absent);

    const auto sdmf = sdmfMessage({"34567890", "", "01021530"});
    EXPECT_EQ(std::string(sdmf.begin() + 2, sdmf.end() - 1), "0102153034567890");
    const Received r = fskReceive(
        channel(renderScript("fsk-sdmf number=34567890 datetime=01021530\nsilence 100ms"), 0));
    EXPECT_EQ(r.messages, 1);
    EXPECT_EQ(r.type, CLASS_SDMF_CALLERID);
}

TEST(Fsk, CorruptedChecksumIsRejectedByTheReceiver) {
    const auto s = channel(renderScript("fsk number=1134567890 checksum=bad\nsilence 100ms"), 0);
    EXPECT_EQ(fskReceive(s).messages, 0);
}

TEST(Fsk, BitStreamDecodesBackToTheMessage) {
    const auto msg = mdmfMessage({"123", "", ""});
    FskParams p;
    const auto bits = fskBits(msg, p);
    ASSERT_EQ(bits.size(), static_cast<std::size_t>(300 + 180 + 10 * msg.size() + 12));
    for (std::size_t k = 0; k < msg.size(); ++k) {
        const std::size_t at = 480 + 10 * k;
        EXPECT_EQ(bits[at], 0);
        EXPECT_EQ(bits[at + 9], 1);
        unsigned byte = 0;
        for (int b = 0; b < 8; ++b) {
            byte |= static_cast<unsigned>(bits[at + 1 + b]) << b;
        }
        EXPECT_EQ(byte, msg[k]);
    }
}

TEST(HookTones, BurstsAtTheirFrequencies) {
    const auto lift = channel(renderScript("hook-lift"), 0);
    ASSERT_EQ(lift.size(), samplesForMs(270));
    for (const std::size_t burst : {0u, 1u, 2u}) {
        EXPECT_GT(goertzelDb(lift, burst * 880 + 80, 240, kHookBurstHz), -8.0);
    }
    EXPECT_LT(rmsDbfs(lift, 420, 860), -80.0);

    const auto down = channel(renderScript("hook-down"), 0);
    EXPECT_GT(goertzelDb(down, 160, 640, kFlashStartHz), -8.0);
    EXPECT_GT(goertzelDb(down, 1040, 480, kFlashEndHz), -8.0);
    const auto legacy = channel(renderScript("hook-down legacy"), 0);
    EXPECT_GT(goertzelDb(legacy, 160, 640, kLegacyFlashStartHz), -8.0);
}

TEST(Ring, LoudClippedLowFrequencyBurstsWithCadence) {
    const auto s = channel(renderScript("ring 2"), 0);
    EXPECT_EQ(s.size(), samplesForMs(6000));
    EXPECT_GT(rmsDbfs(s, 0, 8000), -3.0);
    EXPECT_LT(rmsDbfs(s, 8000, 40000), -90.0);
    EXPECT_GT(goertzelDb(s, 40000, 8000, 25.0), -3.0);
}

TEST(Speech, StaysInTheTelephoneBandAndRepeatsForASeed) {
    const auto s = channel(renderScript("speech 20s seed=3"), 0);
    // Power at one frequency summed over Hann-windowed 50 ms blocks (the window keeps
    // leakage from the strong in-band energy out of the measurement).
    const auto power = [&](double hz) {
        constexpr std::size_t n = 400;
        double sum = 0;
        for (std::size_t at = 0; at + n <= s.size(); at += n) {
            double re = 0, im = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n);
                const double phase = 2.0 * std::numbers::pi * hz * i / kSampleRate;
                re += w * s[at + i] * std::cos(phase);
                im -= w * s[at + i] * std::sin(phase);
            }
            sum += re * re + im * im;
        }
        return 10.0 * std::log10(sum + 1e-9);
    };
    const double inBand = std::max({power(500), power(1000), power(2000)});
    EXPECT_LT(power(60), inBand - 20.0);
    EXPECT_LT(power(3900), inBand - 20.0);
    EXPECT_EQ(s, channel(renderScript("speech 20s seed=3"), 0));
    EXPECT_NE(s, channel(renderScript("speech 20s seed=4"), 0));
}

TEST(LineScript, ErrorsCarryTheScriptLine) {
    struct Case {
        const char* script;
        int line;
        const char* reason;
    } cases[] = {
        {"ring 2\n\nrign 3", 3, "unknown step 'rign'"},
        {"silence 2", 1, "needs a unit"},
        {"# c\ndial 12x", 2, "not a DTMF symbol"},
        {"dial 1 volume=3", 1, "unknown option 'volume'"},
        {"line 2", 1, "lines 2"},
        {"silence 1s\nlines 2", 2, "before the first step"},
        {"fsk datetime=1210", 1, "8 digits"},
        {"fsk name=\"OPEN", 1, "unterminated"},
        {"dial 1 level=5", 1, "out of range"},
        {"noise snr=10", 1, "needs some signal"},
        {"silence 5h", 1, "needs a unit"},
        {"silence 200min", 1, "out of range"},
    };
    for (const Case& c : cases) {
        try {
            renderScript(c.script);
            ADD_FAILURE() << "no error for: " << c.script;
        } catch (const ScriptError& e) {
            EXPECT_EQ(e.line(), c.line) << c.script;
            EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
        }
    }
}

class Command : public ::testing::Test {
  protected:
    kovra::test::TempFolder temp_{"linesim-test"};
    const std::filesystem::path dir_ = temp_.path();
    const std::string program_ =
        std::string(KOVRA_BINARY_DIR) + "/tools/kovra-linesim/kovra-linesim";
    int run(const std::string& script) {
        std::ofstream(dir_ / "s.txt") << script;
        const std::string cmd = program_ + " " + (dir_ / "out.wav").string() + " " +
                                (dir_ / "s.txt").string() + " 2>" + (dir_ / "err").string();
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string err() {
        std::ifstream in(dir_ / "err");
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(Command, WritesAStereoWav) {
    ASSERT_EQ(run("lines 2\nring 1\nline 2\nspeech 2s\n"), 0) << err();
    SF_INFO info{};
    SNDFILE* f = sf_open((dir_ / "out.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.samplerate, 8000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 16000);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    sf_close(f);
}

TEST_F(Command, BadScriptExitsWithTwoAndNamesFileAndLine) {
    EXPECT_EQ(run("ring 1\nfsk number=1 colour=red\n"), 2);
    EXPECT_NE(err().find("s.txt:2: unknown option 'colour'"), std::string::npos) << err();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.wav"));
}

}  // namespace
}  // namespace kovra::linesim
