#include "kovra-linesim/generators.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>

namespace kovra::linesim {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Edges of tone bursts: long enough to keep the spectrum clean, short enough not to eat into
// 40 ms DTMF tones.
constexpr double kEdgeMs = 3.0;

// Uniform in (0, 1) from the raw generator output, so results do not depend on how a standard
// library implements its distributions.
double uniform01(std::mt19937& rng) {
    return (static_cast<double>(rng()) + 0.5) / 4294967296.0;
}

double gaussian(std::mt19937& rng) {
    const double u1 = uniform01(rng);
    const double u2 = uniform01(rng);
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
}

double uniform(std::mt19937& rng, double lo, double hi) {
    return lo + (hi - lo) * uniform01(rng);
}

void applyEdges(Samples& s, double edgeMs) {
    const std::size_t edge = std::min(samplesForMs(edgeMs), s.size() / 4);
    for (std::size_t i = 0; i < edge; ++i) {
        const float g = static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * i / edge));
        s[i] *= g;
        s[s.size() - 1 - i] *= g;
    }
}

void append(Samples& to, const Samples& from) {
    to.insert(to.end(), from.begin(), from.end());
}

// Sum of sines with given peak amplitudes.
Samples sines(std::span<const double> hz, std::span<const double> amplitude, double ms) {
    Samples s(samplesForMs(ms));
    for (std::size_t i = 0; i < s.size(); ++i) {
        double v = 0.0;
        for (std::size_t k = 0; k < hz.size(); ++k) {
            v += amplitude[k] * std::sin(kTwoPi * hz[k] * static_cast<double>(i) / kSampleRate);
        }
        s[i] = static_cast<float>(v);
    }
    applyEdges(s, kEdgeMs);
    return s;
}

// Two-pole resonator for formants.
struct Resonator {
    double a1 = 0, a2 = 0, b0 = 0, y1 = 0, y2 = 0;
    Resonator(double hz, double bandwidthHz) {
        const double r = std::exp(-std::numbers::pi * bandwidthHz / kSampleRate);
        a1 = 2.0 * r * std::cos(kTwoPi * hz / kSampleRate);
        a2 = -r * r;
        b0 = 1.0 - r;
    }
    double step(double x) {
        const double y = b0 * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// Second-order Butterworth section (RBJ cookbook), for the telephone band limits.
struct Biquad {
    double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    Biquad(double hz, bool highPass) {
        const double w = kTwoPi * hz / kSampleRate;
        const double alpha = std::sin(w) / std::numbers::sqrt2;  // Q = 1/sqrt(2)
        const double c = std::cos(w);
        const double a0 = 1.0 + alpha;
        if (highPass) {
            b0 = (1.0 + c) / 2.0 / a0;
            b1 = -(1.0 + c) / a0;
        } else {
            b0 = (1.0 - c) / 2.0 / a0;
            b1 = (1.0 - c) / a0;
        }
        b2 = b0;
        a1 = -2.0 * c / a0;
        a2 = (1.0 - alpha) / a0;
    }
    double step(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

struct Vowel {
    double f1, f2, f3;
};
constexpr Vowel kVowels[] = {
    {730, 1090, 2440}, {270, 2290, 3010}, {300, 870, 2240},  {530, 1840, 2480},
    {570, 840, 2410},  {660, 1720, 2410}, {440, 1020, 2240}, {390, 1990, 2550},
};

void voicedSyllable(Samples& out, std::size_t n, std::mt19937& rng) {
    const Vowel& v = kVowels[rng() % std::size(kVowels)];
    const double jitter = uniform(rng, 0.9, 1.1);
    Resonator r1(v.f1 * jitter, 80), r2(v.f2 * jitter, 100), r3(v.f3, 140);
    const double f0Start = uniform(rng, 95, 230);
    const double f0End = f0Start * uniform(rng, 0.8, 1.2);
    double phase = 0.0, glottal = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        const double f0 = f0Start + (f0End - f0Start) * t;
        phase += f0 / kSampleRate;
        double pulse = 0.0;
        if (phase >= 1.0) {
            phase -= 1.0;
            pulse = 1.0;
        }
        // A one-pole low-pass turns the pulses into a source with the usual spectral tilt.
        glottal = 0.85 * glottal + pulse;
        const double y = r3.step(r2.step(r1.step(glottal) * 4.0) * 2.0);
        const double envelope = std::pow(std::sin(std::numbers::pi * t), 0.6);
        out.push_back(static_cast<float>(y * envelope));
    }
}

void fricative(Samples& out, std::size_t n, std::mt19937& rng) {
    Resonator r(uniform(rng, 2200, 3000), 600);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        const double envelope = std::sin(std::numbers::pi * t);
        out.push_back(static_cast<float>(r.step(gaussian(rng)) * 0.15 * envelope));
    }
}

void scaleToLevel(Samples& s, double levelDb) {
    const double current = levelDbfs(s);
    if (!std::isfinite(current)) {
        return;
    }
    const float g = static_cast<float>(std::pow(10.0, (levelDb - current) / 20.0));
    for (float& x : s) {
        x *= g;
    }
}

}  // namespace

std::size_t samplesForMs(double ms) {
    if (!(ms >= 0.0)) {
        throw std::invalid_argument("negative duration");
    }
    return static_cast<std::size_t>(std::llround(ms * kSampleRate / 1000.0));
}

double sineAmplitude(double level) {
    return std::pow(10.0, level / 20.0);
}

double levelDbfs(std::span<const float> samples) {
    if (samples.empty()) {
        return -std::numeric_limits<double>::infinity();
    }
    double sum = 0.0;
    for (const float x : samples) {
        sum += static_cast<double>(x) * x;
    }
    const double rms = std::sqrt(sum / static_cast<double>(samples.size()));
    if (rms <= 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    return 20.0 * std::log10(rms * std::numbers::sqrt2);
}

Samples silence(double ms) {
    return Samples(samplesForMs(ms), 0.0f);
}

Samples clickTrain(double ms, double rateHz, double slope, double levelDbfs) {
    std::vector<double> hz;
    std::vector<double> amplitude;
    double power = 0.0;
    for (int n = 1; n * rateHz < kSampleRate / 2.0 - 100.0; ++n) {
        hz.push_back(n * rateHz);
        amplitude.push_back(std::pow(n, -slope));
        power += amplitude.back() * amplitude.back() / 2.0;
    }
    const double scale = sineAmplitude(levelDbfs) / std::sqrt(2.0 * power);
    for (double& a : amplitude) {
        a *= scale;
    }
    // Cosines: every harmonic peaks together, once per click.
    Samples s(samplesForMs(ms));
    for (std::size_t i = 0; i < s.size(); ++i) {
        double v = 0.0;
        for (std::size_t k = 0; k < hz.size(); ++k) {
            v += amplitude[k] * std::cos(kTwoPi * hz[k] * static_cast<double>(i) / kSampleRate);
        }
        s[i] = static_cast<float>(v);
    }
    applyEdges(s, kEdgeMs);
    return s;
}

Samples tone(std::span<const double> hz, double level, double ms) {
    const double each = sineAmplitude(level) / std::sqrt(static_cast<double>(hz.size()));
    const std::vector<double> amplitude(hz.size(), each);
    return sines(hz, amplitude, ms);
}

bool dtmfFrequencies(char symbol, double& lowHz, double& highHz) {
    static constexpr char kKeys[4][5] = {"123A", "456B", "789C", "*0#D"};
    static constexpr double kLow[4] = {697, 770, 852, 941};
    static constexpr double kHigh[4] = {1209, 1336, 1477, 1633};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            if (kKeys[row][col] == symbol) {
                lowHz = kLow[row];
                highHz = kHigh[col];
                return true;
            }
        }
    }
    return false;
}

Samples dtmfDigits(std::string_view symbols, const DtmfParams& p) {
    const double total = sineAmplitude(p.levelDbfs);
    const double ratio = std::pow(10.0, p.twistDb / 20.0);
    const double low = total / std::sqrt(1.0 + ratio * ratio);
    const double amplitude[2] = {low, low * ratio};
    const double scale = 1.0 + p.offsetPercent / 100.0;
    Samples out;
    for (const char c : symbols) {
        double lowHz = 0, highHz = 0;
        if (!dtmfFrequencies(c, lowHz, highHz)) {
            throw std::invalid_argument(std::string("not a DTMF symbol: '") + c + "'");
        }
        const double hz[2] = {lowHz * scale, highHz * scale};
        append(out, sines(hz, amplitude, p.onMs));
        append(out, silence(p.offMs));
    }
    return out;
}

Samples ringBursts(const RingParams& p) {
    const double clip = sineAmplitude(p.clipDbfs);
    Samples out;
    for (int k = 0; k < p.count; ++k) {
        if (k > 0) {
            append(out, silence(p.offMs));
        }
        const std::size_t n = samplesForMs(p.onMs);
        for (std::size_t i = 0; i < n; ++i) {
            const double v = 3.0 * clip * std::sin(kTwoPi * p.frequencyHz * i / kSampleRate);
            out.push_back(static_cast<float>(std::clamp(v, -clip, clip)));
        }
    }
    return out;
}

Samples dialTone(double ms, double level, double hz) {
    const double f[1] = {hz};
    return tone(f, level, ms);
}

Samples hookLift(const HookParams& p) {
    const double f[1] = {kHookBurstHz};
    Samples out;
    for (int k = 0; k < p.bursts; ++k) {
        if (k > 0) {
            append(out, silence(p.burstOffMs));
        }
        append(out, tone(f, p.levelDbfs, p.burstOnMs));
    }
    return out;
}

Samples hookDown(const HookParams& p) {
    const double start[1] = {p.legacyFlashTones ? kLegacyFlashStartHz : kFlashStartHz};
    const double end[1] = {p.legacyFlashTones ? kLegacyFlashEndHz : kFlashEndHz};
    Samples out = tone(start, p.levelDbfs, p.flashStartMs);
    append(out, silence(p.flashGapMs));
    append(out, tone(end, p.levelDbfs, p.flashEndMs));
    return out;
}

Samples hookFlash(const HookParams& p) {
    Samples out = hookDown(p);
    append(out, silence(p.flashMs));
    append(out, hookLift(p));
    return out;
}

Samples speechLike(double ms, double level, std::uint32_t seed) {
    const std::size_t total = samplesForMs(ms);
    std::mt19937 rng(seed);
    Samples raw;
    raw.reserve(total + samplesForMs(1000));
    while (raw.size() < total) {
        // Pauses between syllables, and now and then a longer one between phrases.
        const double pause = uniform01(rng) < 0.15 ? uniform(rng, 350, 900) : uniform(rng, 30, 200);
        raw.resize(raw.size() + samplesForMs(pause), 0.0f);
        const std::size_t n = samplesForMs(uniform(rng, 120, 320));
        if (uniform01(rng) < 0.8) {
            voicedSyllable(raw, n, rng);
        } else {
            fricative(raw, n, rng);
        }
    }
    raw.resize(total);
    // 4th-order high-pass at 300 Hz, 8th-order low-pass at 3400 Hz: a telephone channel.
    Biquad hp1(300, true), hp2(300, true);
    Biquad lp[4] = {{3400, false}, {3400, false}, {3400, false}, {3400, false}};
    for (float& x : raw) {
        double y = hp2.step(hp1.step(x));
        for (Biquad& b : lp) {
            y = b.step(y);
        }
        x = static_cast<float>(y);
    }
    scaleToLevel(raw, level);
    return raw;
}

Samples whiteNoise(std::size_t count, double level, std::uint32_t seed) {
    std::mt19937 rng(seed);
    // A unit Gaussian has RMS 1, which is +3 dBFS on the sine scale.
    const double rms = sineAmplitude(level) / std::numbers::sqrt2;
    Samples out(count);
    for (float& x : out) {
        x = static_cast<float>(rms * gaussian(rng));
    }
    return out;
}

double activeLevelDbfs(std::span<const float> samples) {
    constexpr std::size_t kBlock = kSampleRate / 100;
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t at = 0; at + kBlock <= samples.size(); at += kBlock) {
        const auto block = samples.subspan(at, kBlock);
        if (levelDbfs(block) > -60.0) {
            for (const float x : block) {
                sum += static_cast<double>(x) * x;
            }
            count += kBlock;
        }
    }
    if (count == 0) {
        return -std::numeric_limits<double>::infinity();
    }
    return 10.0 * std::log10(2.0 * sum / static_cast<double>(count));
}

}  // namespace kovra::linesim
