#include "recording/recording_file_feed.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kovra {

RecordingFileFeed::RecordingFileFeed(const std::filesystem::path& wav)
    : reader_(wav, kChainSampleRate, ResampleQuality::Medium) {
    if (reader_.channels() > 2) {
        throw std::runtime_error("Recording input " + wav.string() + ": " +
                                 std::to_string(reader_.channels()) +
                                 " channels (one or two lines expected)");
    }
}

void RecordingFileFeed::push(std::size_t frames) {
    const auto channels = static_cast<std::size_t>(reader_.channels());
    out_.resize(frames * channels);
    const std::size_t got = reader_.read(out_);
    if (got == 0) {
        ended_ = true;
        return;
    }
    framesPushed_ += static_cast<std::int64_t>(got);
    out_.resize(got * channels);
    for (PushedCaptureStage* target : targets_) {
        target->push(out_, reader_.channels());
    }
}

bool RecordingFileFeed::advanceTo(double seconds) {
    const auto total =
        static_cast<std::int64_t>(std::llround(reader_.durationSeconds() * kChainSampleRate));
    const auto target = static_cast<std::int64_t>(std::llround(seconds * kChainSampleRate));
    while (!ended_ && framesPushed_ < target) {
        push(static_cast<std::size_t>(std::min<std::int64_t>(target - framesPushed_, kPushFrames)));
    }
    // At the end of the file, what the resampler still holds is pushed too.
    while (!ended_ && target >= total) {
        push(kPushFrames);
    }
    return !ended_;
}

}  // namespace kovra
