#include "recording/pre_roll.h"

#include "recording/audio_stage.h"

namespace kovra {

void PreRoll::keep(std::span<const std::int16_t> interleaved, int channels) {
    const std::lock_guard lock(mutex_);
    if (channels != channels_) {
        kept_.clear();
        channels_ = channels;
    }
    kept_.insert(kept_.end(), interleaved.begin(), interleaved.end());
    const auto limit =
        static_cast<std::size_t>(kSeconds * kChainSampleRate) * static_cast<std::size_t>(channels);
    if (kept_.size() > limit) {
        kept_.erase(kept_.begin(),
                    kept_.begin() + static_cast<std::ptrdiff_t>(kept_.size() - limit));
    }
}

std::vector<std::int16_t> PreRoll::take(int channels) {
    const std::lock_guard lock(mutex_);
    std::vector<std::int16_t> out;
    if (channels == channels_) {
        out.assign(kept_.begin(), kept_.end());
    }
    kept_.clear();
    return out;
}

void PreRoll::clear() {
    const std::lock_guard lock(mutex_);
    kept_.clear();
}

}  // namespace kovra
