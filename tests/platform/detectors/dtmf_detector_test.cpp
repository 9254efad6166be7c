// The DTMF receiver on generated line audio: the accept and reject regions of frequency,
// twist, level and duration, a noisy run, and sounds that must not make symbols.
#include "platform/detectors/dtmf_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "kovra-linesim/generators.h"

namespace kovra {
namespace {

const std::string kAllKeys = "0123456789ABCD*#";

std::vector<std::int16_t> pcm(const linesim::Samples& samples) {
    std::vector<std::int16_t> out;
    out.reserve(samples.size());
    for (const float s : samples) {
        out.push_back(static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0F, 1.0F) * 32767)));
    }
    return out;
}

linesim::Samples join(std::initializer_list<linesim::Samples> parts) {
    linesim::Samples out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

void addNoise(linesim::Samples& samples, double levelDbfs, std::uint32_t seed) {
    const linesim::Samples noise = linesim::whiteNoise(samples.size(), levelDbfs, seed);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] += noise[i];
    }
}

// Fed in uneven pieces, as capture buffers and 10 ms chunks arrive.
std::vector<DtmfSymbol> listen(const linesim::Samples& audio) {
    const std::vector<std::int16_t> samples = pcm(audio);
    DtmfDetector detector;
    std::vector<DtmfSymbol> found;
    for (std::size_t at = 0; at < samples.size(); at += 77) {
        const std::size_t n = std::min<std::size_t>(77, samples.size() - at);
        detector.process(std::span<const std::int16_t>(samples.data() + at, n), found);
    }
    return found;
}

std::string keys(const std::vector<DtmfSymbol>& symbols) {
    std::string out;
    for (const DtmfSymbol& s : symbols) {
        out += s.key;
    }
    return out;
}

std::string heard(const std::string& symbols, const linesim::DtmfParams& params) {
    return keys(listen(join(
        {linesim::silence(200), linesim::dtmfDigits(symbols, params), linesim::silence(200)})));
}

struct Case {
    const char* label;
    linesim::DtmfParams params;
};

TEST(DtmfDetector, HearsEverySymbolInsideTheAcceptRegion) {
    const Case cases[] = {
        {"-3 dBFS", {-3, 0, 0, 100, 100}},
        {"-36 dBFS", {-36, 0, 0, 100, 100}},
        {"1.5 % low", {-10, 0, -1.5, 100, 100}},
        {"1.5 % high", {-10, 0, 1.5, 100, 100}},
        {"high group +6 dB", {-10, 6, 0, 100, 100}},
        {"high group -6 dB", {-10, -6, 0, 100, 100}},
        {"40 ms tones, 40 ms pauses", {-10, 0, 0, 40, 40}},
        {"1.5 % high, +6 dB, -20 dBFS", {-20, 6, 1.5, 100, 100}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(heard(kAllKeys, c.params), kAllKeys) << c.label;
    }
}

TEST(DtmfDetector, HearsNothingOutsideTheAcceptRegion) {
    const Case cases[] = {
        {"3.5 % low", {-10, 0, -3.5, 100, 100}},
        {"3.5 % high", {-10, 0, 3.5, 100, 100}},
        {"high group +10 dB", {-10, 10, 0, 100, 100}},
        {"high group -10 dB", {-10, -10, 0, 100, 100}},
        {"20 ms tones", {-10, 0, 0, 20, 80}},
        {"below the default minimum", {-50, 0, 0, 100, 100}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(heard(kAllKeys, c.params), "") << c.label;
    }
}

TEST(DtmfDetector, ReportsOnceWithinTheToneAndRepeatsAfterAPause) {
    // Two 5s: 300 ms of tone is still one symbol; the 40 ms pause separates them.
    const linesim::Samples audio =
        join({linesim::silence(100), linesim::dtmfDigits("5", {-10, 0, 0, 300, 40}),
              linesim::dtmfDigits("5", {-10, 0, 0, 60, 100})});
    const std::vector<DtmfSymbol> found = listen(audio);
    ASSERT_EQ(keys(found), "55");
    // Confirmed about 30 ms into the tone, well before it ends.
    EXPECT_GE(found[0].position, 800 + 200);
    EXPECT_LE(found[0].position, 800 + 400);
    EXPECT_GT(found[1].position, 800 + 2720);
}

// The level a line's gate judges: the symbol's own tones, whatever the pauses, twist or
// frequency offset, and not the noise under them.
TEST(DtmfDetector, MeasuresEachSymbolsOwnLevel) {
    struct Case {
        double levelDbfs;
        double twistDb;
        double offsetPercent;
        double noiseDbfs;
    };
    for (const Case c : {Case{-10, 0, 0, -99}, Case{-20, 0, 0, -99}, Case{-35, 0, 0, -99},
                         Case{-10, 6, 1.5, -99}, Case{-10, -6, -1.5, -99}, Case{-15, 0, 0, -30}}) {
        SCOPED_TRACE(c.levelDbfs);
        linesim::Samples audio =
            join({linesim::silence(30),
                  linesim::dtmfDigits("159#", {c.levelDbfs, c.twistDb, c.offsetPercent, 70, 70})});
        addNoise(audio, c.noiseDbfs, 5);
        const std::vector<DtmfSymbol> found = listen(audio);
        ASSERT_EQ(keys(found), "159#");
        for (const DtmfSymbol& s : found) {
            EXPECT_NEAR(s.levelDbfs, c.levelDbfs, 0.5) << s.key;
        }
    }
}

// A dial tone still on while the caller dials, each of its tones 10 dB above each DTMF tone
// (a pair at -20 dBFS: -23 dBFS a tone), after a second of it alone.
TEST(DtmfDetector, HearsEverySymbolOverALouderDialTone) {
    struct Case {
        std::vector<double> hz;
        double totalDbfs;
    };
    for (const Case& c : {Case{{350, 440}, -10}, Case{{425}, -13}}) {
        SCOPED_TRACE(c.hz.size() == 2 ? "350+440 Hz" : "425 Hz");
        const std::string sent = kAllKeys + kAllKeys;
        linesim::Samples audio =
            join({linesim::silence(1000), linesim::dtmfDigits(sent, {-20, 0, 0, 100, 100}),
                  linesim::silence(300)});
        const linesim::Samples dialTone =
            linesim::tone(c.hz, c.totalDbfs, 1000.0 * static_cast<double>(audio.size()) / 8000);
        for (std::size_t i = 0; i < audio.size(); ++i) {
            audio[i] += dialTone[i];
        }
        EXPECT_EQ(keys(listen(audio)), sent);
    }
}

TEST(DtmfDetector, FindsEverySymbolOfARunAtSixDbSnr) {
    std::string symbols;
    for (int i = 0; i < 6; ++i) {
        symbols += kAllKeys;
    }
    linesim::Samples audio =
        join({linesim::silence(200), linesim::dtmfDigits(symbols, {-20, 0, 0, 50, 50}),
              linesim::silence(200)});
    addNoise(audio, -26, 3);
    EXPECT_EQ(keys(listen(audio)), symbols);
}

TEST(DtmfDetector, SpeechChordsAndNoiseMakeNoSymbol) {
    linesim::Samples speech = linesim::speechLike(60000, -15, 5);
    addNoise(speech, -45, 6);
    EXPECT_EQ(keys(listen(speech)), "");

    // Chords holding two DTMF frequencies (or notes within 1.5 % of them) with a third note,
    // each 300 ms; a dial tone.
    linesim::Samples music;
    const std::vector<std::vector<double>> chords = {
        {698.46, 1318.5, 1046.5}, {770, 1336, 523.25}, {932.33, 1480, 587.33}, {697, 1209, 880}};
    for (const auto& chord : chords) {
        const linesim::Samples t = linesim::tone(chord, -10, 300);
        music.insert(music.end(), t.begin(), t.end());
    }
    const linesim::Samples dial = linesim::dialTone(2000);
    music.insert(music.end(), dial.begin(), dial.end());
    addNoise(music, -40, 7);
    EXPECT_EQ(keys(listen(music)), "");
}

// Vowels of a high voice as heard in synthetic speech: two harmonics of the pitch sit within
// 2.5 % of a DTMF pair and carry most of the power (the 3rd and 5th of 319 Hz near D, of
// 290 Hz near 9; the 3rd and 4th of 308 Hz near *; the 4th and 7th of 176 Hz near 1); the
// other harmonics give them away.
TEST(DtmfDetector, AHighVoiceWhoseHarmonicsMimicAPairMakesNoSymbol) {
    struct Vowel {
        const char* label;
        double pitchHz;
        std::vector<double> harmonicDbfs;  // 1st, 2nd, ... harmonic
    };
    const Vowel vowels[] = {
        {"319 Hz, like D", 319, {-24, -29, -15, -28, -21}},
        {"290 Hz, like 9", 290, {-24, -28, -17.5, -28, -20}},
        {"308 Hz, like *", 308, {-24, -24, -12.5, -11.5, -24}},
        {"176 Hz, like 1", 176, {-30, -32, -23.5, -17, -33, -26.5, -22.5}},
    };
    for (const Vowel& v : vowels) {
        linesim::Samples vowel(linesim::silence(300).size());
        for (std::size_t h = 0; h < v.harmonicDbfs.size(); ++h) {
            const double hz = v.pitchHz * static_cast<double>(h + 1);
            const linesim::Samples t =
                linesim::tone(std::span<const double>(&hz, 1), v.harmonicDbfs[h], 300);
            for (std::size_t i = 0; i < vowel.size(); ++i) {
                vowel[i] += t[i];
            }
        }
        linesim::Samples audio = join({linesim::silence(100), vowel, linesim::silence(100)});
        addNoise(audio, -50, 8);
        EXPECT_EQ(keys(listen(audio)), "") << v.label;
    }
}

// A phone's distortion products (harmonics, sum and difference of the pair) are harmonics of
// the comb the voice check measures; 20 dB below the tones, on a quiet line, they are still
// DTMF.
TEST(DtmfDetector, HearsAPairWithDistortionTwentyDbDown) {
    const char* rows = "123A456B789C*0#D";
    const double low[] = {697, 770, 852, 941};
    const double high[] = {1209, 1336, 1477, 1633};
    linesim::Samples audio = linesim::silence(200);
    for (int i = 0; i < 16; ++i) {
        const double fl = low[i / 4];
        const double fh = high[i % 4];
        const std::pair<double, double> parts[] = {
            {fl, -13},      {fh, -13},      {2 * fl, -33},      {2 * fh, -33},
            {fh - fl, -33}, {fl + fh, -33}, {2 * fl - fh, -33}, {2 * fh - fl, -33}};
        linesim::Samples symbol(linesim::silence(100).size());
        for (const auto& [hz, dbfs] : parts) {
            const linesim::Samples t = linesim::tone(std::span<const double>(&hz, 1), dbfs, 100);
            for (std::size_t n = 0; n < symbol.size(); ++n) {
                symbol[n] += t[n];
            }
        }
        const linesim::Samples gap = linesim::silence(100);
        audio.insert(audio.end(), symbol.begin(), symbol.end());
        audio.insert(audio.end(), gap.begin(), gap.end());
    }
    addNoise(audio, -65, 9);
    std::string expected;
    for (int i = 0; i < 16; ++i) {
        expected += rows[i];
    }
    EXPECT_EQ(keys(listen(audio)), expected);
}

}  // namespace
}  // namespace kovra
