#include "platform/capture/wav_file_capture.h"

#include <algorithm>

#include "platform/capture/fast_audio_driver.h"
#include "platform/log.h"

namespace kovra {

namespace {

using Micros = std::chrono::microseconds;

Micros framesToTime(std::int64_t frames) {
    return Micros(frames * 1'000'000 / DetectorCapture::kSampleRate);
}

}  // namespace

WavFileCapture::WavFileCapture(EventLoop& loop, std::filesystem::path file, FastAudioDriver* fast)
    : DetectorCapture(loop), file_(std::move(file)), fast_(fast) {
    if (fast_ != nullptr) {
        fast_->add(*this);
    }
}

WavFileCapture::~WavFileCapture() {
    if (timer_ != 0) {
        loop().stopTimer(timer_);
    }
    if (fast_ != nullptr) {
        fast_->remove(*this);
    }
}

bool WavFileCapture::openSource() {
    if (ended_) {
        logLine(LogLevel::Error, "Capture: " + file_.string() + ": the whole file has played");
        return false;
    }
    if (!reader_) {
        try {
            reader_ = std::make_unique<WavFileReader>(file_, kSampleRate);
        } catch (const WavReadError& e) {
            logLine(LogLevel::Error, std::string("Capture: ") + e.what());
            return false;
        }
    }
    if (!started_) {
        started_ = true;
        timelineStart_ = loop().now();
        framesPlayed_ = 0;
        if (fast_ == nullptr) {
            scheduleRealTime();
        }
    }
    return true;
}

void WavFileCapture::closeSource() {
    // The line plays on while capture is stopped; nothing to close.
}

std::size_t WavFileCapture::stepFrames() const {
    return framesPerBuffer();
}

TimePoint WavFileCapture::nextBufferDue() const {
    return timelineStart_ + framesToTime(framesPlayed_ + static_cast<std::int64_t>(stepFrames()));
}

void WavFileCapture::scheduleRealTime() {
    const auto wait = nextBufferDue() - loop().now();
    const auto waitMs = std::max<std::int64_t>(0, std::chrono::ceil<Millis>(wait).count());
    timer_ = loop().startTimer(
        Millis(waitMs),
        [this] {
            timer_ = 0;
            deliverNextBuffer();
            if (playing()) {
                scheduleRealTime();
            }
        },
        false);
}

void WavFileCapture::deliverNextBuffer() {
    if (!playing()) {
        return;
    }
    const std::size_t frames = stepFrames();
    const auto fileChannels = static_cast<std::size_t>(reader_->channels());
    fileFrames_.assign(frames * fileChannels, 0);
    std::size_t got = 0;
    try {
        while (got < frames) {
            const std::size_t n =
                reader_->read(std::span<std::int16_t>(fileFrames_).subspan(got * fileChannels));
            if (n == 0) {
                break;
            }
            got += n;
        }
    } catch (const WavReadError& e) {
        logLine(LogLevel::Error, std::string("Capture: ") + e.what());
        got = 0;
    }
    if (got == 0) {
        finish();
        return;
    }
    // The last buffer is completed with silence so no audio at the end is lost.
    const auto outChannels = static_cast<std::size_t>(channels());
    outFrames_.resize(frames * outChannels);
    for (std::size_t f = 0; f < frames; ++f) {
        const std::int16_t* in = &fileFrames_[f * fileChannels];
        std::int16_t* out = &outFrames_[f * outChannels];
        if (outChannels == 1) {
            out[0] = in[fileChannels >= 2 ? 1 : 0];
        } else {
            out[0] = in[0];
            out[1] = in[fileChannels >= 2 ? 1 : 0];
        }
    }
    framesPlayed_ += static_cast<std::int64_t>(frames);
    deliverFrames(outFrames_);
    if (got < frames) {
        finish();
    }
}

void WavFileCapture::finish() {
    if (ended_) {
        return;
    }
    ended_ = true;
    if (timer_ != 0) {
        loop().stopTimer(timer_);
        timer_ = 0;
    }
    stopBySource("end of file " + file_.string());
    loop().post([this, token = lifeToken()] {
        if (!token.expired() && OnEndOfInput) {
            OnEndOfInput();
        }
    });
}

}  // namespace kovra
