#include "platform/detectors/peak_frequencies.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kovra {

struct PeakFrequencyAnalyzer::Fft {
    int size = 0;
    kiss_fftr_cfg cfg = nullptr;
    std::vector<float> window;
    std::vector<float> input;
    std::vector<kiss_fft_cpx> output;
    std::vector<double> power;
    double floorPower = 0;

    explicit Fft(int n) : size(n), cfg(kiss_fftr_alloc(n, 0, nullptr, nullptr)) {
        // A sine of amplitude A peaks at A * n / 4 under a Hann window.
        const double floorAmplitude = 32768.0 * std::pow(10.0, kFloorDbfs / 20.0) * n / 4.0;
        floorPower = floorAmplitude * floorAmplitude;
        window.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            window[static_cast<std::size_t>(i)] =
                static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n));
        }
        input.resize(static_cast<std::size_t>(n));
        output.resize(static_cast<std::size_t>(n / 2 + 1));
        power.resize(static_cast<std::size_t>(n / 2 + 1));
    }
    ~Fft() { kiss_fftr_free(cfg); }
    Fft(const Fft&) = delete;
    Fft& operator=(const Fft&) = delete;
};

PeakFrequencyAnalyzer::PeakFrequencyAnalyzer(int sampleRate) : sampleRate_(sampleRate) {}
PeakFrequencyAnalyzer::~PeakFrequencyAnalyzer() = default;

void PeakFrequencyAnalyzer::analyze(std::span<const std::int16_t> samples) {
    first_ = second_ = 0;
    const int n = static_cast<int>(samples.size() & ~std::size_t{1});
    if (n < 16) {
        return;
    }
    if (!fft_ || fft_->size != n) {
        fft_ = std::make_unique<Fft>(n);
    }
    Fft& f = *fft_;
    // Summed as integers: the same exact value as summing doubles, far quicker.
    std::int64_t sum = 0;
    for (int i = 0; i < n; ++i) {
        sum += samples[static_cast<std::size_t>(i)];
    }
    const double mean = static_cast<double>(sum) / n;
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        f.input[k] = static_cast<float>(samples[k] - mean) * f.window[k];
    }
    kiss_fftr(f.cfg, f.input.data(), f.output.data());
    const int bins = n / 2 + 1;
    for (int k = 0; k < bins; ++k) {
        const auto& c = f.output[static_cast<std::size_t>(k)];
        f.power[static_cast<std::size_t>(k)] =
            static_cast<double>(c.r) * c.r + static_cast<double>(c.i) * c.i;
    }
    const double floorPower = f.floorPower;

    // Local maxima above the floor; the strongest is the first peak, the strongest of
    // those far enough from it (and within range of it) the second. Two linear scans: this
    // runs for every buffer of every line.
    auto power = [&](int k) { return f.power[static_cast<std::size_t>(k)]; };
    auto isPeak = [&](int k) {
        const double p = power(k);
        return p >= floorPower && p > power(k - 1) && p >= power(k + 1);
    };
    int top = -1;
    for (int k = 1; k < bins - 1; ++k) {
        if (isPeak(k) && (top < 0 || power(k) > power(top))) {
            top = k;
        }
    }
    if (top < 0) {
        return;
    }
    auto frequencyOf = [&](int k) {
        const double a = std::log(power(k - 1) + 1e-9);
        const double b = std::log(power(k) + 1e-9);
        const double c = std::log(power(k + 1) + 1e-9);
        const double denominator = a - 2.0 * b + c;
        const double delta = denominator != 0 ? 0.5 * (a - c) / denominator : 0.0;
        return (k + std::clamp(delta, -0.5, 0.5)) * sampleRate_ / n;
    };
    first_ = frequencyOf(top);
    const double secondFloor = power(top) * std::pow(10.0, -kSecondPeakRangeDb / 10.0);
    int second = -1;
    for (int k = 1; k < bins - 1; ++k) {
        if (std::abs(k - top) >= kMinSeparationBins && isPeak(k) &&
            (second < 0 || power(k) > power(second))) {
            second = k;
        }
    }
    if (second >= 0 && power(second) >= secondFloor) {
        second_ = frequencyOf(second);
    }
}

}  // namespace kovra
