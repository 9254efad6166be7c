#include "recording/band_pass_stage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kovra {

BandPassCoefficients bandPassCoefficients(int lowHz, int highHz, int sampleRate) {
    if (highHz < lowHz) {
        throw ChainError("A Frequencia alta é menor que frequencia baixa");
    }
    if (!(2 * (highHz - lowHz) < sampleRate)) {
        throw ChainError("O Samplerate está baixo");
    }
    const double pi = std::numbers::pi;
    const double sr = sampleRate;
    // Bandwidth H − L + 1 sets the skirt; the centre is the integer mid-point.
    const double c = 1.0 / std::tan(pi * (highHz - lowHz + 1) / sr);
    const double d = 2.0 * std::cos(2.0 * pi * ((highHz + lowHz) / 2) / sr);
    BandPassCoefficients k;
    k.a0 = 1.0 / (1.0 + c);
    k.a1 = 0.0;
    k.a2 = -k.a0;
    k.b0 = -c * d * k.a0;
    k.b1 = (c - 1.0) * k.a0;
    return k;
}

void BandPassStage::open() {
    std::lock_guard lock(mutex_);
    if (input_ == nullptr) {
        throw ChainError("Input not assigned");
    }
    const BandPassCoefficients k = bandPassCoefficients(LowFreq, HighFreq, sampleRate());
    input_->open();
    k_ = k;
    history_ = {};
    block_.assign(kFilterBlockSamples, 0);
    block_.clear();
    blockPos_ = 0;
    open_ = true;
}

void BandPassStage::process(std::span<std::int16_t> samples, int channels) {
    const std::size_t ch = channels == 1 ? 1 : 2;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        History& h = history_[i % ch];
        const double x = samples[i];
        const double y = k_.a0 * x + k_.a1 * h.x1 + k_.a2 * h.x2 - k_.b0 * h.y1 - k_.b1 * h.y2;
        h.x2 = h.x1;
        h.x1 = x;
        h.y2 = h.y1;
        h.y1 = y;
        // Saturate rather than wrap: an overshoot must not turn into a full-scale click.
        const long rounded = std::lround(std::clamp(y, -32768.0, 32767.0));
        const long amplified = std::clamp(rounded * Amplification, -32768L, 32767L);
        samples[i] = static_cast<std::int16_t>(amplified);
    }
}

std::size_t BandPassStage::read(std::span<std::int16_t> out) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        throw ChainError("The Stream is not opened");
    }
    if (blockPos_ >= block_.size()) {
        block_.resize(kFilterBlockSamples);
        const std::size_t got = input_->read(block_);
        block_.resize(got);
        blockPos_ = 0;
        if (got == 0) {
            return 0;
        }
        process(block_, input_->channels());
    }
    const std::size_t ch = static_cast<std::size_t>(channels());
    const std::size_t n = std::min(out.size() / ch * ch, block_.size() - blockPos_);
    std::copy_n(block_.begin() + static_cast<std::ptrdiff_t>(blockPos_), n, out.begin());
    blockPos_ += n;
    return n;
}

void BandPassStage::close() {
    std::lock_guard lock(mutex_);
    if (open_ && input_ != nullptr) {
        input_->close();
    }
    open_ = false;
    block_.clear();
    blockPos_ = 0;
}

}  // namespace kovra
