#include "recording/recording_file_feed.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kovra {

struct RecordingFileFeed::Handles {
    SNDFILE* file = nullptr;
    soxr_t resampler = nullptr;
    ~Handles() {
        if (resampler != nullptr) {
            soxr_delete(resampler);
        }
        if (file != nullptr) {
            sf_close(file);
        }
    }
};

RecordingFileFeed::RecordingFileFeed(const std::filesystem::path& wav)
    : h_(std::make_unique<Handles>()) {
    SF_INFO info{};
    h_->file = sf_open(wav.c_str(), SFM_READ, &info);
    if (h_->file == nullptr) {
        throw std::runtime_error("Recording input " + wav.string() + ": " + sf_strerror(nullptr));
    }
    if (info.channels < 1 || info.channels > 2) {
        throw std::runtime_error("Recording input " + wav.string() + ": " +
                                 std::to_string(info.channels) +
                                 " channels (one or two lines expected)");
    }
    channels_ = info.channels;
    rate_ = info.samplerate;
    totalFrames_ = info.frames;
    if (rate_ != kChainSampleRate) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
        soxr_error_t error = nullptr;
        h_->resampler = soxr_create(rate_, kChainSampleRate, static_cast<unsigned>(channels_),
                                    &error, &io, &quality, nullptr);
        if (error != nullptr) {
            throw std::runtime_error("Recording input " + wav.string() + ": resampler: " + error);
        }
    }
}

RecordingFileFeed::~RecordingFileFeed() = default;

double RecordingFileFeed::durationSeconds() const {
    return double(totalFrames_) / rate_;
}

void RecordingFileFeed::pushConverted(const std::vector<std::int16_t>& samples) {
    if (samples.empty()) {
        return;
    }
    for (PushedCaptureStage* target : targets_) {
        target->push(samples, channels_);
    }
}

std::int64_t RecordingFileFeed::readFrames(std::int16_t* into, std::int64_t frames) {
    // The file is read a large block ahead: advanceTo() runs after every detector buffer,
    // and a library and system call for each few hundred frames cost more than the copying.
    const auto channels = static_cast<std::size_t>(channels_);
    std::int64_t done = 0;
    while (done < frames) {
        if (aheadOffset_ >= ahead_.size()) {
            ahead_.resize(kReadAheadFrames * channels);
            const sf_count_t got =
                sf_readf_short(h_->file, ahead_.data(), static_cast<sf_count_t>(kReadAheadFrames));
            ahead_.resize(got > 0 ? static_cast<std::size_t>(got) * channels : 0);
            aheadOffset_ = 0;
            if (got <= 0) {
                break;
            }
        }
        const std::size_t n = std::min(static_cast<std::size_t>(frames - done) * channels,
                                       ahead_.size() - aheadOffset_);
        std::copy_n(ahead_.begin() + static_cast<std::ptrdiff_t>(aheadOffset_), n,
                    into + static_cast<std::size_t>(done) * channels);
        aheadOffset_ += n;
        done += static_cast<std::int64_t>(n / channels);
    }
    return done;
}

bool RecordingFileFeed::advanceTo(double seconds) {
    const auto target = std::min<std::int64_t>(
        totalFrames_, static_cast<std::int64_t>(std::llround(seconds * rate_)));
    while (framesRead_ < target) {
        const std::int64_t frames = std::min<std::int64_t>(target - framesRead_, 4096);
        in_.resize(static_cast<std::size_t>(frames * channels_));
        const std::int64_t got = readFrames(in_.data(), frames);
        if (got <= 0) {
            totalFrames_ = framesRead_;  // shorter than its header says
            break;
        }
        framesRead_ += got;
        in_.resize(static_cast<std::size_t>(got * channels_));
        if (h_->resampler == nullptr) {
            pushConverted(in_);
            continue;
        }
        out_.resize(
            static_cast<std::size_t>((double(got) * kChainSampleRate / rate_ + 64) * channels_));
        std::size_t done = 0;
        soxr_process(h_->resampler, in_.data(), static_cast<std::size_t>(got), nullptr, out_.data(),
                     out_.size() / static_cast<std::size_t>(channels_), &done);
        out_.resize(done * static_cast<std::size_t>(channels_));
        pushConverted(out_);
    }
    if (framesRead_ >= totalFrames_) {
        if (h_->resampler != nullptr && !flushed_) {
            out_.resize(static_cast<std::size_t>(1024 * channels_));
            std::size_t done = 0;
            soxr_process(h_->resampler, nullptr, 0, nullptr, out_.data(), 1024, &done);
            out_.resize(done * static_cast<std::size_t>(channels_));
            pushConverted(out_);
        }
        flushed_ = true;
        return false;
    }
    return true;
}

}  // namespace kovra
