// The two strongest distinct frequencies of a block of audio, from a Hann-windowed FFT
// (KISS FFT) of the whole block with parabolic interpolation between bins. A peak is a
// local maximum of the spectrum above 0 Hz; the second must lie at least kMinSeparationBins
// from the first and within kSecondPeakRangeDb of it (so a pure tone gives a second
// frequency of 0); both must reach kFloorDbfs (sine-equivalent level). Absent peaks are 0.
// One analyser per decoder; not thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kovra {

class PeakFrequencyAnalyzer {
  public:
    static constexpr double kFloorDbfs = -70.0;
    static constexpr double kSecondPeakRangeDb = 20.0;
    static constexpr int kMinSeparationBins = 3;

    explicit PeakFrequencyAnalyzer(int sampleRate = 8000);
    ~PeakFrequencyAnalyzer();
    PeakFrequencyAnalyzer(const PeakFrequencyAnalyzer&) = delete;
    PeakFrequencyAnalyzer& operator=(const PeakFrequencyAnalyzer&) = delete;

    // Analyses samples (fewer than 16 give no peaks).
    void analyze(std::span<const std::int16_t> samples);
    double first() const { return first_; }
    double second() const { return second_; }
    void reset() { first_ = second_ = 0; }

  private:
    struct Fft;
    int sampleRate_;
    std::unique_ptr<Fft> fft_;
    double first_ = 0;
    double second_ = 0;
};

}  // namespace kovra
