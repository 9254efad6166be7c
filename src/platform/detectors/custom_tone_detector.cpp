#include "platform/detectors/custom_tone_detector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kovra {

namespace {

constexpr double kFullScaleSinePower = 32768.0 * 32768.0 / 2.0;
constexpr double kDcBlockPole = 0.995;  // about 6 Hz: keeps 20-25 Hz ring voltage
// Butterworth 4th order as two biquads.
constexpr double kButterworthQ[2] = {0.54119610014619701, 1.3065629648763764};

struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;

    static Biquad lowPass(double cutoffHz, double q) {
        const double w0 = 2.0 * std::numbers::pi * cutoffHz / CustomToneDetector::kSampleRate;
        const double alpha = std::sin(w0) / (2.0 * q);
        const double c = std::cos(w0);
        const double a0 = 1.0 + alpha;
        Biquad f;
        f.b0 = (1.0 - c) / 2.0 / a0;
        f.b1 = (1.0 - c) / a0;
        f.b2 = f.b0;
        f.a1 = -2.0 * c / a0;
        f.a2 = (1.0 - alpha) / a0;
        return f;
    }

    double run(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// Power around one frequency: shift it to 0 Hz, low-pass both quadratures.
struct Band {
    double frequencyHz = 0;
    double toleranceHz = 0;
    Biquad filters[2][2];  // [I/Q][section]
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
        for (auto& quadrature : filters) {
            for (int s = 0; s < 2; ++s) {
                quadrature[s] = Biquad::lowPass(toleranceHz, kButterworthQ[s]);
            }
        }
        re = 1;
        im = 0;
        energy = 0;
    }

    // Runs a stretch of samples. The state is worked on in locals so that it stays in
    // registers: this loop is the decoder's hottest (every band of every line, every sample).
    void run(std::span<const double> samples) {
        Biquad i0 = filters[0][0], i1 = filters[0][1];
        Biquad q0 = filters[1][0], q1 = filters[1][1];
        double r = re, m = im, e = energy;
        for (const double x : samples) {
            const double i = i1.run(i0.run(x * r));
            const double q = q1.run(q0.run(-x * m));
            // A real tone splits between +f and -f; the kept half carries half its power.
            e += 2.0 * (i * i + q * q);
            const double nextRe = r * stepCos - m * stepSin;
            m = r * stepSin + m * stepCos;
            r = nextRe;
        }
        filters[0][0] = i0;
        filters[0][1] = i1;
        filters[1][0] = q0;
        filters[1][1] = q1;
        re = r;
        im = m;
        energy = e;
    }

    void renormalise() {
        const double m = std::hypot(re, im);
        re /= m;
        im /= m;
    }
};

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
        for (Tone& t : tones) {
            bool present = totalPower > 0;
            double bandPower = 0;
            for (std::size_t b : t.bands) {
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
        for (Band& b : bands) {
            b.energy = 0;
            b.renormalise();
        }
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
    // Up to the end of a step at a time: the DC-blocked samples first, then each band over
    // them (the same arithmetic, in the same order, as sample by sample).
    while (!samples.empty()) {
        const std::size_t n =
            std::min(samples.size(), static_cast<std::size_t>(kStepSamples - s.stepFill));
        const std::span<double> blocked(s.dcBlocked.data() + s.stepFill, n);
        for (std::size_t j = 0; j < n; ++j) {
            const double x = samples[j];
            const double y = x - s.dcX1 + kDcBlockPole * s.dcY1;
            s.dcX1 = x;
            s.dcY1 = y;
            s.total += y * y;
            blocked[j] = y;
        }
        for (Band& b : s.bands) {
            b.run(blocked);
        }
        samples = samples.subspan(n);
        s.stepFill += static_cast<int>(n);
        if (s.stepFill == kStepSamples) {
            s.endStep(report);
        }
    }
}

}  // namespace kovra
