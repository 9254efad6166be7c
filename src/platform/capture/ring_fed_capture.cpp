#include "platform/capture/ring_fed_capture.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/log.h"

namespace kovra {

RingFedCapture::RingFedCapture(EventLoop& loop) : DetectorCapture(loop) {}

RingFedCapture::~RingFedCapture() {
    if (timer_ != 0) {
        loop().stopTimer(timer_);
    }
}

CaptureRing& RingFedCapture::openRing(double deviceRate, std::size_t deviceFramesPerBuffer,
                                      std::string deviceLabel) {
    closeRing();
    deviceRate_ = deviceRate;
    deviceLabel_ = std::move(deviceLabel);
    const auto ringFrames =
        std::max(static_cast<std::size_t>(kRingSeconds * deviceRate), 3 * deviceFramesPerBuffer);
    ring_ = std::make_unique<CaptureRing>(ringFrames, channels());
    // Once per buffer period, but no more often than every 10 ms for tiny buffers.
    const auto period = std::max<Millis::rep>(
        10, static_cast<Millis::rep>(
                std::lround(1000.0 * static_cast<double>(framesPerBuffer()) / kSampleRate)));
    framesPerWake_ = std::max<std::size_t>(
        1, static_cast<std::size_t>(kPeriodsPerWake * static_cast<double>(period) * deviceRate /
                                    1000.0));
    // Taken in pieces of at most a quarter of the ring, so a copy is seldom lapped.
    scratch_.assign(std::min(framesPerWake_, std::max<std::size_t>(1, ringFrames / 4)) *
                        static_cast<std::size_t>(channels()),
                    0);
    sourceEnded_.store(false);
    overflowing_ = false;
    lossReported_ = 0;
    lossSeen_ = 0;
    ++ringGeneration_;
    timer_ = loop().startTimer(
        Millis(period), [this] { drain(); }, true);
    return *ring_;
}

void RingFedCapture::closeRing() {
    if (timer_ != 0) {
        loop().stopTimer(timer_);
        timer_ = 0;
    }
    if (ring_) {
        noteLoss(true);
        ring_.reset();
    }
}

void RingFedCapture::drain() {
    const std::uint64_t generation = ringGeneration_;
    std::size_t budget = framesPerWake_ * static_cast<std::size_t>(channels());
    while (budget > 0 && ring_) {
        const std::size_t n =
            ring_->read(std::span<std::int16_t>(scratch_).first(std::min(budget, scratch_.size())));
        if (n == 0) {
            break;
        }
        onDrained(std::span<const std::int16_t>(scratch_).first(n));
        // A consumer may have stopped (or restarted) the capture meanwhile.
        if (generation != ringGeneration_ || !ring_) {
            return;
        }
        budget -= std::min(budget, n);
    }
    noteLoss(false);
    if (sourceEnded_.load(std::memory_order_acquire)) {
        stopBySource("device \"" + deviceLabel_ + "\" stopped delivering audio");
    }
}

void RingFedCapture::noteLoss(bool closing) {
    const std::uint64_t dropped = ring_->droppedFrames();
    const TimePoint now = loop().now();
    if (dropped != lossSeen_) {
        lossSeen_ = dropped;
        lastLoss_ = now;
        if (!overflowing_) {
            overflowing_ = true;
            overflowSince_ = now;
        }
    }
    if (!overflowing_) {
        return;
    }
    const bool ended = closing || now - lastLoss_ >= kOverflowQuiet;
    if (!ended && now - overflowSince_ < kLongOverflowReport) {
        return;
    }
    const std::uint64_t lost = dropped - lossReported_;
    logLine(LogLevel::Warning,
            "Capture: \"" + deviceLabel_ +
                "\" delivered audio faster than it was processed; dropped the oldest " +
                std::to_string(std::llround(1000.0 * static_cast<double>(lost) / deviceRate_)) +
                " ms (" + std::to_string(lost) + " frames)");
    lossReported_ = dropped;
    overflowing_ = !ended;
    overflowSince_ = now;
}

}  // namespace kovra
