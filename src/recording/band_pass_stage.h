// Band-pass stage of a recording chain: a second-order Butterworth band pass (600 to
// 4000 Hz by default) on each channel, each channel with its own history. Used on pairs
// 2 and 3 when the line's amplifier is on. Threads as AudioStage.
#pragma once

#include <array>
#include <mutex>
#include <vector>

#include "recording/audio_stage.h"

namespace kovra {

struct BandPassCoefficients {
    double a0 = 0, a1 = 0, a2 = 0, b0 = 0, b1 = 0;
};

// The coefficients for lowHz..highHz at sampleRate (the constant-skirt design the
// recordings have always used; see band_pass_stage.cpp). Throws ChainError with
// "A Frequencia alta é menor que frequencia baixa" when highHz < lowHz and "O
// Samplerate está baixo" unless 2 × (highHz − lowHz) < sampleRate.
BandPassCoefficients bandPassCoefficients(int lowHz, int highHz, int sampleRate);

class BandPassStage final : public FilterStage {
  public:
    int LowFreq = 600;
    int HighFreq = 4000;
    int Amplification = 1;

    void open() override;
    std::size_t read(std::span<std::int16_t> out) override;
    void close() override;
    int channels() const override { return input_ != nullptr ? input_->channels() : 2; }

    // Filters samples in place (interleaved, channels channels) with the stage's state.
    void process(std::span<std::int16_t> samples, int channels);

  private:
    struct History {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };

    std::mutex mutex_;
    bool open_ = false;
    BandPassCoefficients k_;
    std::array<History, 2> history_{};
    std::vector<std::int16_t> block_;
    std::size_t blockPos_ = 0;
};

}  // namespace kovra
