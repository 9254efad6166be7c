#include "platform/capture/detector_capture.h"

#include <algorithm>
#include <string>

#include "platform/log.h"

namespace kovra {

DetectorCapture::DetectorCapture(EventLoop& loop) : loop_(loop) {}

DetectorCapture::~DetectorCapture() {
    alive_.reset();
    const std::vector<Attached> attached = consumers_;
    consumers_.clear();
    for (const Attached& a : attached) {
        a.consumer->onCaptureGone();
    }
}

void DetectorCapture::SelectFormat(int format) {
    if (format == kFormatMono) {
        selectedChannels_ = 1;
    } else if (format == kFormatStereo) {
        selectedChannels_ = 2;
    } else {
        logLine(LogLevel::Error, "Capture: unsupported format " + std::to_string(format) +
                                     " (6: 8000 Hz 16-bit mono, 7: stereo)");
    }
}

void DetectorCapture::StartCapture(int /*flags*/) {
    if (running_) {
        return;
    }
    const int frameBytes = 2 * selectedChannels_;
    if (RecordBufferLength <= 0 || RecordBufferLength > kMaxBufferBytes ||
        RecordBufferLength % frameBytes != 0) {
        logLine(LogLevel::Error, "Capture: buffer length " + std::to_string(RecordBufferLength) +
                                     " bytes is not a positive multiple of " +
                                     std::to_string(frameBytes) + " up to " +
                                     std::to_string(kMaxBufferBytes));
        return;
    }
    channels_ = selectedChannels_;
    framesPerBuffer_ = static_cast<std::size_t>(RecordBufferLength / frameBytes);
    pending_.clear();
    framesDelivered_ = 0;
    if (!openSource()) {
        return;
    }
    running_ = true;
    ++generation_;
    const std::vector<Attached> attached = consumers_;
    for (const Attached& a : attached) {
        a.consumer->onCaptureStarted(channels_);
    }
}

void DetectorCapture::StopCapture() {
    if (running_) {
        running_ = false;
        closeSource();
        pending_.clear();
    }
    postRecordDone();
}

void DetectorCapture::stopBySource(std::string_view reason) {
    if (!running_) {
        return;
    }
    logLine(LogLevel::Info, std::string("Capture stopped: ") + std::string(reason));
    running_ = false;
    closeSource();
    pending_.clear();
    postRecordDone();
}

void DetectorCapture::postRecordDone() {
    ++stopPending_;
    loop_.post([this, token = std::weak_ptr<void>(alive_)] {
        if (token.expired()) {
            return;
        }
        --stopPending_;
        if (OnRecordDone) {
            OnRecordDone();
        }
    });
}

void DetectorCapture::attach(CaptureConsumer& consumer, Role role) {
    detach(consumer);
    consumers_.push_back({&consumer, role});
    // Views first, then decoders, each in the order they were attached.
    std::stable_sort(consumers_.begin(), consumers_.end(),
                     [](const Attached& a, const Attached& b) {
                         return a.role == Role::LevelView && b.role == Role::Decoder;
                     });
    if (running_) {
        consumer.onCaptureStarted(channels_);
    }
}

void DetectorCapture::detach(CaptureConsumer& consumer) {
    std::erase_if(consumers_, [&](const Attached& a) { return a.consumer == &consumer; });
}

void DetectorCapture::deliverFrames(std::span<const std::int16_t> interleaved) {
    if (!running_) {
        return;
    }
    const std::size_t bufferSamples = framesPerBuffer_ * static_cast<std::size_t>(channels_);
    if (pending_.empty() && interleaved.size() == bufferSamples) {
        dispatch(interleaved);
        return;
    }
    pending_.insert(pending_.end(), interleaved.begin(), interleaved.end());
    // A handler may stop (and even restart) capture, which empties pending_.
    const std::uint64_t generation = generation_;
    std::size_t offset = 0;
    while (running_ && generation == generation_ && pending_.size() - offset >= bufferSamples) {
        const std::vector<std::int16_t> buffer(
            pending_.begin() + static_cast<std::ptrdiff_t>(offset),
            pending_.begin() + static_cast<std::ptrdiff_t>(offset + bufferSamples));
        offset += bufferSamples;
        dispatch(buffer);
    }
    if (running_ && generation == generation_) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(offset));
    }
}

void DetectorCapture::dispatch(std::span<const std::int16_t> samples) {
    const CaptureBuffer buffer{samples, channels_, framesDelivered_};
    framesDelivered_ += static_cast<std::int64_t>(buffer.frames());
    if (sampleObserver_) {
        sampleObserver_(buffer);
    }
    // A handler may attach, detach or stop capture; work on a snapshot and re-check.
    const std::vector<Attached> attached = consumers_;
    for (const Attached& a : attached) {
        if (!running_) {
            return;
        }
        const bool stillAttached =
            std::any_of(consumers_.begin(), consumers_.end(),
                        [&](const Attached& c) { return c.consumer == a.consumer; });
        if (stillAttached) {
            a.consumer->onCaptureBuffer(buffer);
        }
    }
}

}  // namespace kovra
