#include "recording/channel_stage.h"

#include <algorithm>
#include <cmath>

namespace kovra {

std::int16_t amplifySample(std::int16_t sample, int amplify) {
    auto pass = [](long s, long factor) {
        return std::clamp(s + (s * factor) / 100, -32767L, 32767L);  // '/' truncates to zero
    };
    long s = pass(sample, amplify);
    s = pass(s, amplify / 8);
    return static_cast<std::int16_t>(s);
}

namespace {

// std::lround (halves away from zero) without the library call: this runs for every frame
// of every recording.
long roundHalfAway(double v) {
    if (!(std::fabs(v) < 1e15)) {
        return std::lround(v);
    }
    const auto whole = static_cast<long>(v);                 // towards zero
    const double fraction = v - static_cast<double>(whole);  // exact
    if (fraction >= 0.5) {
        return whole + 1;
    }
    if (fraction <= -0.5) {
        return whole - 1;
    }
    return whole;
}

}  // namespace

void balanceFrame(std::int16_t& left, std::int16_t& right, double balance) {
    if (balance > 0.5) {
        left = static_cast<std::int16_t>(roundHalfAway(left * (1.0 - balance)));
    } else {
        right = static_cast<std::int16_t>(roundHalfAway(right * balance));
    }
}

void ChannelStage::open() {
    std::lock_guard lock(mutex_);
    if (input_ == nullptr) {
        throw ChainError("Input not assigned");
    }
    input_->open();
    open_ = true;
}

std::size_t ChannelStage::read(std::span<std::int16_t> out) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        throw ChainError("The Stream is not opened");
    }
    std::size_t n = 0;
    if (input_->channels() == 1) {
        const std::size_t request = std::min(out.size(), kChannelStageMaxSamples) / 2;
        mono_.resize(request);
        const std::size_t got = input_->read(mono_);
        for (std::size_t i = 0; i < got; ++i) {
            out[2 * i] = mono_[i];
            out[2 * i + 1] = mono_[i];
        }
        n = got * 2;
    } else {
        n = input_->read(out.first(std::min(out.size(), kChannelStageMaxSamples) / 2 * 2));
    }
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        balanceFrame(out[i], out[i + 1], Balance);
    }
    if (AutoGain) {
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = amplifySample(out[i], Amplify);
        }
    }
    return n;
}

void ChannelStage::close() {
    std::lock_guard lock(mutex_);
    if (open_ && input_ != nullptr) {
        input_->close();
    }
    open_ = false;
}

}  // namespace kovra
