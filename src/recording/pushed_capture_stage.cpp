#include "recording/pushed_capture_stage.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/log.h"

namespace kovra {

void PushedCaptureStage::push(std::span<const std::int16_t> samples, int dataChannels) {
    const int stageChannels = inChannels_;
    std::vector<std::int16_t> converted;
    std::span<const std::int16_t> data = samples;
    if (dataChannels == 1 && stageChannels == 2) {
        converted.reserve(samples.size() * 2);
        for (std::int16_t s : samples) {
            converted.push_back(s);
            converted.push_back(s);
        }
        data = converted;
    } else if (dataChannels == 2 && stageChannels == 1) {
        converted.reserve(samples.size() / 2);
        for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
            converted.push_back(static_cast<std::int16_t>((samples[i] + samples[i + 1]) / 2));
        }
        data = converted;
    }
    const std::size_t capacity = kCaptureBufferFrames * static_cast<std::size_t>(stageChannels);

    std::unique_lock lock(mutex_);
    auto accepting = [this] { return armed_ && running_ && !ended_; };
    if (!armed_) {
        keepForPreRoll(data, stageChannels);
    }
    if (!accepting()) {
        return;
    }
    auto room = [&] {
        return !accepting() || queue_.size() + data.size() <= std::max(capacity, data.size());
    };
    bool roomFound = room();
    if (!roomFound) {
        // A reader waiting for a whole block takes what is queued instead.
        pushWaiting_ = true;
        dataReady_.notify_all();
        roomFound = spaceFree_.wait_for(lock, std::chrono::milliseconds(pushWaitMs_), room);
        pushWaiting_ = false;
    }
    if (!accepting()) {
        return;
    }
    if (!roomFound) {
        ++overruns_;
        logLine(LogLevel::Warning, "Recording capture overrun: the writer took no audio for " +
                                       std::to_string(pushWaitMs_) + " ms; " +
                                       std::to_string(data.size()) + " samples dropped (overrun " +
                                       std::to_string(overruns_.load()) + ")");
        return;
    }
    queue_.insert(queue_.end(), data.begin(), data.end());
    committed_ += data.size() / static_cast<std::size_t>(stageChannels);
    if (readerWants_ != 0 && queue_.size() >= readerWants_) {
        dataReady_.notify_all();
    }
}

void PushedCaptureStage::endOfFile() {
    std::lock_guard lock(mutex_);
    ended_ = true;
    dataReady_.notify_all();
    spaceFree_.notify_all();
}

void PushedCaptureStage::open() {
    std::lock_guard lock(mutex_);
    if (open_) {
        throw ChainError("DXAudio: The component is busy");
    }
    open_ = true;
    running_ = true;
}

std::size_t PushedCaptureStage::read(std::span<std::int16_t> out) {
    std::unique_lock lock(mutex_);
    if (!open_) {
        throw ChainError("DXAudio: The Stream is not opened");
    }
    const std::size_t channels = static_cast<std::size_t>(inChannels_);
    // The reader is handed a whole request at a time (or what is left at the end, at a
    // pause or when woken): one hand-over per block rather than one per pushed buffer,
    // each of which costs the writer's thread a wake-up.
    const std::size_t capacity = kCaptureBufferFrames * channels;
    const std::size_t wanted =
        std::max<std::size_t>(1, std::min(out.size() / channels * channels, capacity));
    readerWants_ = wanted;
    dataReady_.wait(lock, [&] {
        return queue_.size() >= wanted || wake_ || ended_ ||
               ((!running_ || pushWaiting_) && !queue_.empty()) || endedLocked();
    });
    readerWants_ = 0;
    wake_ = false;
    const std::size_t n = std::min(out.size() / channels * channels, queue_.size());
    std::copy_n(queue_.begin(), n, out.begin());
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    spaceFree_.notify_all();
    return n;
}

void PushedCaptureStage::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    armed_ = false;
    running_ = false;
    ended_ = false;
    wake_ = false;
    queue_.clear();
    spaceFree_.notify_all();
    dataReady_.notify_all();
}

void PushedCaptureStage::stopBuffer() {
    std::lock_guard lock(mutex_);
    running_ = false;
    spaceFree_.notify_all();
    dataReady_.notify_all();  // a paused reader takes what is queued
}

void PushedCaptureStage::startBuffer() {
    std::lock_guard lock(mutex_);
    running_ = armed_;
}

void PushedCaptureStage::armForStart() {
    std::lock_guard lock(mutex_);
    armed_ = true;
    running_ = true;
    ended_ = false;
    wake_ = false;
    queue_.clear();
    if (preRollOn_) {
        const std::vector<std::int16_t> before = preRoll_.take(inChannels_);
        queue_.assign(before.begin(), before.end());
    }
    // The pre-roll is part of the file: durations and the short-recording rule count it.
    committed_ = queue_.size() / static_cast<std::size_t>(inChannels_);
}

void PushedCaptureStage::wakeReader() {
    std::lock_guard lock(mutex_);
    wake_ = true;
    dataReady_.notify_all();
}

bool PushedCaptureStage::ended() const {
    std::lock_guard lock(mutex_);
    return endedLocked();
}

std::optional<std::uint64_t> PushedCaptureStage::framesCommitted() const {
    std::lock_guard lock(mutex_);
    return committed_;
}

}  // namespace kovra
