#include "platform/detectors/custom_tone_detector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <type_traits>

namespace kovra {

namespace {

constexpr double kFullScaleSinePower = 32768.0 * 32768.0 / 2.0;
constexpr double kDcBlockPole = 0.995;  // about 6 Hz: keeps 20-25 Hz ring voltage
// Sleeping while the line is quiet: a step this far below the lowest minimum level cannot
// hold any tone (a band's power is at most twice the step's), so the bands rest once enough
// quiet steps have passed for their filters to forget what came before (e^-25 of it, by the
// slowest pole). Waking, they run over those quiet steps again from rest, which gives them
// back the state they would have had. Tolerances so narrow that this takes longer than
// kMaxSleepSteps never rest.
constexpr double kSleepMarginDb = 25.0;
constexpr double kSleepDecayNepers = 25.0;
constexpr std::size_t kMaxSleepSteps = 100;  // 1 s
// Butterworth 4th order as two biquads.
constexpr double kButterworthQ[2] = {0.54119610014619701, 1.3065629648763764};

// Both quadratures of a band go through the same filters: one lane each.
using Pair = double __attribute__((vector_size(16)));

// One Butterworth section; z1 and z2 hold the I and Q states side by side.
struct Section {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    Pair z1{0, 0}, z2{0, 0};

    static Section lowPass(double cutoffHz, double q) {
        const double w0 = 2.0 * std::numbers::pi * cutoffHz / CustomToneDetector::kSampleRate;
        const double alpha = std::sin(w0) / (2.0 * q);
        const double c = std::cos(w0);
        const double a0 = 1.0 + alpha;
        Section f;
        f.b0 = (1.0 - c) / 2.0 / a0;
        f.b1 = (1.0 - c) / a0;
        f.b2 = f.b0;
        f.a1 = -2.0 * c / a0;
        f.a2 = (1.0 - alpha) / a0;
        return f;
    }

    // Direct form II transposed, lane by lane.
    Pair run(Pair x) {
        const Pair y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// Power around one frequency: shift it to 0 Hz, low-pass both quadratures.
struct Band {
    double frequencyHz = 0;
    double toleranceHz = 0;
    Section sections[2];
    double stepCos = 1, stepSin = 0;
    double re = 1, im = 0;
    double energy = 0;

    Band(double f, double tol) : frequencyHz(f), toleranceHz(tol) {
        const double w = 2.0 * std::numbers::pi * f / CustomToneDetector::kSampleRate;
        stepCos = std::cos(w);
        stepSin = std::sin(w);
        reset();
    }

    void reset() {
        for (int s = 0; s < 2; ++s) {
            sections[s] = Section::lowPass(toleranceHz, kButterworthQ[s]);
        }
        re = 1;
        im = 0;
        energy = 0;
    }

    void renormalise() {
        const double m = std::hypot(re, im);
        re /= m;
        im /= m;
    }
};

// Lanes of a group of B bands: I and Q of the first band, then of the second.
using Quad = double __attribute__((vector_size(32)));
template <int B>
using Lanes = std::conditional_t<B == 1, Pair, Quad>;

// Runs a group of B bands over a stretch of samples, side by side in the lanes of one
// vector: the same arithmetic, in the same order, as one band at a time, but each filter
// step serves every band of the group. The state is worked on in locals so that it stays in
// registers: this loop is the decoder's hottest (every band of every line, every sample).
template <int B>
[[gnu::always_inline]] inline void runGroup(Band* bands, std::span<const double> samples) {
    using V = Lanes<B>;
    V b0[2], b1[2], b2[2], a1[2], a2[2], z1[2], z2[2];
    std::array<double, B> r, m, e, c, sn;
    for (int k = 0; k < B; ++k) {
        const Band& band = bands[k];
        for (int s = 0; s < 2; ++s) {
            const Section& f = band.sections[s];
            for (int lane = 2 * k; lane < 2 * k + 2; ++lane) {
                b0[s][lane] = f.b0;
                b1[s][lane] = f.b1;
                b2[s][lane] = f.b2;
                a1[s][lane] = f.a1;
                a2[s][lane] = f.a2;
                z1[s][lane] = f.z1[lane - 2 * k];
                z2[s][lane] = f.z2[lane - 2 * k];
            }
        }
        r[k] = band.re;
        m[k] = band.im;
        e[k] = band.energy;
        c[k] = band.stepCos;
        sn[k] = band.stepSin;
    }
    for (const double x : samples) {
        V v;
        for (int k = 0; k < B; ++k) {
            // I gets x * re, Q gets -x * im.
            v[2 * k] = x * r[k];
            v[2 * k + 1] = x * -m[k];
        }
        for (int s = 0; s < 2; ++s) {
            const V y = b0[s] * v + z1[s];
            z1[s] = b1[s] * v - a1[s] * y + z2[s];
            z2[s] = b2[s] * v - a2[s] * y;
            v = y;
        }
        const V p = v * v;
        for (int k = 0; k < B; ++k) {
            // A real tone splits between +f and -f; the kept half carries half its power.
            e[k] += 2.0 * (p[2 * k] + p[2 * k + 1]);
            const double nextRe = r[k] * c[k] - m[k] * sn[k];
            m[k] = r[k] * sn[k] + m[k] * c[k];
            r[k] = nextRe;
        }
    }
    for (int k = 0; k < B; ++k) {
        Band& band = bands[k];
        for (int s = 0; s < 2; ++s) {
            band.sections[s].z1 = Pair{z1[s][2 * k], z1[s][2 * k + 1]};
            band.sections[s].z2 = Pair{z2[s][2 * k], z2[s][2 * k + 1]};
        }
        band.re = r[k];
        band.im = m[k];
        band.energy = e[k];
    }
}

// Groups of two bands (four lanes), the last one alone when the count is odd.
[[gnu::always_inline]] inline void runBandsKernel(std::vector<Band>& bands,
                                                  std::span<const double> samples) {
    std::size_t at = 0;
    for (; at + 2 <= bands.size(); at += 2) {
        runGroup<2>(bands.data() + at, samples);
    }
    if (at < bands.size()) {
        runGroup<1>(bands.data() + at, samples);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Four lanes fit one AVX register; the same operations, so the same results (no fused
// multiply-add: the target has none).
[[gnu::target("avx2")]] void runBandsAvx2(std::vector<Band>& bands,
                                          std::span<const double> samples) {
    runBandsKernel(bands, samples);
}
#endif

void runBandsPlain(std::vector<Band>& bands, std::span<const double> samples) {
    runBandsKernel(bands, samples);
}

void runAllBands(std::vector<Band>& bands, std::span<const double> samples) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        runBandsAvx2(bands, samples);
        return;
    }
#endif
    runBandsPlain(bands, samples);
}

struct Tone {
    CustomToneParams params;
    std::vector<std::size_t> bands;
    std::int64_t onSamples = 0;
    std::int64_t bridgeSamples = 0;
    double minShare = 0.5;
    bool active = false;
    bool reported = false;
    std::int64_t lastPresentEnd = 0;
    std::int64_t nextReport = 0;
};

std::int64_t msToSamples(int ms) {
    return static_cast<std::int64_t>(ms) * CustomToneDetector::kSampleRate / 1000;
}

}  // namespace

struct CustomToneDetector::State {
    std::vector<Band> bands;
    std::vector<Tone> tones;
    double dcX1 = 0;
    double dcY1 = 0;
    double total = 0;
    int stepFill = 0;
    std::int64_t stepStart = 0;
    std::array<double, kStepSamples> dcBlocked{};  // the current step's samples so far
    double quietPower = 0;                         // a step below this holds no tone
    std::size_t quietStepsToSleep = 0;             // 0: never sleeps
    std::size_t quietSteps = 0;                    // quiet steps in a row
    bool asleep = false;
    std::vector<double> history;  // the last quietStepsToSleep steps; the oldest at historyStep
    std::size_t historyStep = 0;

    void prepareSleep() {
        float minLevel = tones.front().params.minLevelDbfs;
        for (const Tone& t : tones) {
            minLevel = std::min(minLevel, t.params.minLevelDbfs);
        }
        quietPower = kFullScaleSinePower * std::pow(10.0, (minLevel - kSleepMarginDb) / 10.0);
        double minTolerance = bands.front().toleranceHz;
        for (const Band& b : bands) {
            minTolerance = std::min(minTolerance, b.toleranceHz);
        }
        const double slowestDecay =
            2.0 * std::numbers::pi * minTolerance * std::sin(std::numbers::pi / 8);
        const auto steps = static_cast<std::size_t>(
            std::ceil(kSleepDecayNepers / slowestDecay * kSampleRate / kStepSamples));
        quietStepsToSleep = steps <= kMaxSleepSteps ? steps : 0;
        history.assign(quietStepsToSleep * kStepSamples, 0.0);
        historyStep = 0;
        quietSteps = 0;
        asleep = false;
    }

    void finishBands() {
        for (Band& b : bands) {
            b.energy = 0;
            b.renormalise();
        }
    }

    void wake() {
        for (Band& b : bands) {
            b.reset();
        }
        for (std::size_t k = 0; k < quietStepsToSleep; ++k) {
            const std::size_t at = (historyStep + k) % quietStepsToSleep * kStepSamples;
            runAllBands(bands, std::span<const double>(history).subspan(at, kStepSamples));
            finishBands();
        }
        asleep = false;
    }

    void remember() {
        if (quietStepsToSleep == 0) {
            return;
        }
        std::copy(dcBlocked.begin(), dcBlocked.end(),
                  history.begin() + static_cast<std::ptrdiff_t>(historyStep * kStepSamples));
        historyStep = (historyStep + 1) % quietStepsToSleep;
    }

    std::size_t bandFor(double f, double tol) {
        for (std::size_t b = 0; b < bands.size(); ++b) {
            if (bands[b].frequencyHz == f && bands[b].toleranceHz == tol) {
                return b;
            }
        }
        bands.emplace_back(f, tol);
        return bands.size() - 1;
    }

    void endStep(const Report& report) {
        const std::int64_t stepEnd = stepStart + kStepSamples;
        const double totalPower = total / kStepSamples;
        const bool quiet = quietStepsToSleep > 0 && totalPower < quietPower;
        if (asleep && !quiet) {
            wake();
        }
        if (!asleep) {
            runAllBands(bands, dcBlocked);
        }
        for (Tone& t : tones) {
            bool present = !asleep && totalPower > 0;
            double bandPower = 0;
            for (std::size_t b : t.bands) {
                if (asleep) {
                    break;
                }
                const double p = bands[b].energy / kStepSamples;
                bandPower += p;
                const double level = 10.0 * std::log10(std::max(p, 1e-12) / kFullScaleSinePower);
                if (std::nearbyint(level) < t.params.minLevelDbfs) {
                    present = false;
                }
            }
            if (present && bandPower < t.minShare * totalPower) {
                present = false;
            }
            if (present) {
                if (!t.active) {
                    t.active = true;
                    t.reported = false;
                    t.nextReport = stepStart + t.onSamples;
                }
                t.lastPresentEnd = stepEnd;
                if (stepEnd >= t.nextReport) {
                    if (!(t.params.reportOnce != 0 && t.reported)) {
                        report(t.params.id, stepEnd);
                        t.reported = true;
                    }
                    while (t.nextReport <= stepEnd) {
                        t.nextReport += t.onSamples;
                    }
                }
            } else if (t.active && stepEnd - t.lastPresentEnd > t.bridgeSamples) {
                t.active = false;
            }
        }
        if (!asleep) {
            finishBands();
        }
        quietSteps = quiet ? quietSteps + 1 : 0;
        if (quietStepsToSleep > 0 && quietSteps >= quietStepsToSleep) {
            asleep = true;
        }
        remember();
        total = 0;
        stepFill = 0;
        stepStart = stepEnd;
    }
};

CustomToneDetector::CustomToneDetector() : state_(std::make_unique<State>()) {}
CustomToneDetector::~CustomToneDetector() = default;
CustomToneDetector::CustomToneDetector(CustomToneDetector&&) noexcept = default;
CustomToneDetector& CustomToneDetector::operator=(CustomToneDetector&&) noexcept = default;

bool CustomToneDetector::add(const CustomToneParams& params) {
    std::vector<int> frequencies;
    for (int f : {params.frequency1Hz, params.frequency2Hz}) {
        if (f == 0) {
            continue;
        }
        if (f < 1 || f >= kSampleRate / 2) {
            return false;
        }
        if (std::find(frequencies.begin(), frequencies.end(), f) == frequencies.end()) {
            frequencies.push_back(f);
        }
    }
    if (frequencies.empty()) {
        return false;
    }
    Tone tone;
    tone.params = params;
    tone.onSamples = std::max<std::int64_t>(kStepSamples, msToSamples(params.onMs));
    tone.bridgeSamples = msToSamples(std::max(params.bridgeMs, kMinBridgeMs));
    tone.minShare =
        (params.minSharePercent > 0 ? params.minSharePercent : kDefaultMinSharePercent) / 100.0;
    for (int f : frequencies) {
        const double tol =
            params.toleranceHz > 0
                ? params.toleranceHz
                : std::max<double>(kDefaultToleranceHz, f * kDefaultTolerancePercent / 100.0);
        tone.bands.push_back(state_->bandFor(f, tol));
    }
    state_->tones.push_back(std::move(tone));
    state_->prepareSleep();
    return true;
}

void CustomToneDetector::clear() {
    state_ = std::make_unique<State>();
}

bool CustomToneDetector::empty() const {
    return state_->tones.empty();
}

void CustomToneDetector::reset() {
    State& s = *state_;
    for (Band& b : s.bands) {
        b.reset();
    }
    for (Tone& t : s.tones) {
        t.active = false;
        t.reported = false;
    }
    s.dcX1 = s.dcY1 = s.total = 0;
    s.stepFill = 0;
    s.stepStart = 0;
    s.quietSteps = 0;
    s.asleep = false;
}

void CustomToneDetector::process(std::span<const std::int16_t> samples, std::int64_t firstPosition,
                                 const Report& report) {
    State& s = *state_;
    if (s.tones.empty()) {
        return;
    }
    if (s.stepFill == 0) {
        s.stepStart = firstPosition;
    }
    // Up to the end of a step at a time: the DC-blocked samples, then at the step's end
    // the bands over them (the same arithmetic, in the same order, as sample by sample).
    while (!samples.empty()) {
        const std::size_t n =
            std::min(samples.size(), static_cast<std::size_t>(kStepSamples - s.stepFill));
        const std::span<double> blocked(s.dcBlocked.data() + s.stepFill, n);
        // In locals: stores into blocked could otherwise alias the state and keep it in
        // memory.
        double dcX1 = s.dcX1;
        double dcY1 = s.dcY1;
        double total = s.total;
        for (std::size_t j = 0; j < n; ++j) {
            const double x = samples[j];
            const double y = x - dcX1 + kDcBlockPole * dcY1;
            dcX1 = x;
            dcY1 = y;
            total += y * y;
            blocked[j] = y;
        }
        s.dcX1 = dcX1;
        s.dcY1 = dcY1;
        s.total = total;
        samples = samples.subspan(n);
        s.stepFill += static_cast<int>(n);
        if (s.stepFill == kStepSamples) {
            s.endStep(report);
        }
    }
}

}  // namespace kovra
