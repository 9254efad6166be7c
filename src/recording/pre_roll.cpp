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
    } else if (channels == 1 && channels_ == 2) {
        // The stage was set to one channel since: the average, as a push converts it.
        for (std::size_t i = 0; i + 1 < kept_.size(); i += 2) {
            out.push_back(static_cast<std::int16_t>((kept_[i] + kept_[i + 1]) / 2));
        }
    } else if (channels == 2 && channels_ == 1) {
        for (const std::int16_t s : kept_) {
            out.push_back(s);
            out.push_back(s);
        }
    }
    kept_.clear();
    return out;
}

void PreRoll::clear() {
    const std::lock_guard lock(mutex_);
    kept_.clear();
}

}  // namespace kovra
