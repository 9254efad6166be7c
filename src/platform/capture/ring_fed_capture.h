// A detector capture fed by a device's audio thread through a CaptureRing. The loop takes
// the audio on a timer, at most once per buffer period and at most a few buffer periods of
// audio each time, so a device that delivers faster than the loop can work (after a stall,
// a resume, a burst) costs only the oldest audio and never memory or responsiveness. Each
// such overflow is logged once, naming the device and how much was lost.
#pragma once

#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/capture/capture_ring.h"
#include "platform/capture/detector_capture.h"

namespace kovra {

class RingFedCapture : public DetectorCapture {
  public:
    // Seconds of the device's audio the ring holds.
    static constexpr double kRingSeconds = 4.0;
    // Buffer periods of audio taken per wake-up at most: a backlog clears at that pace.
    static constexpr int kPeriodsPerWake = 4;
    // An overflow ends after this long without loss (a device thread that was only slow to
    // run for a moment does not split it); one that goes on for kLongOverflowReport is
    // reported, and a new report started.
    static constexpr Millis kOverflowQuiet{2000};
    static constexpr Millis kLongOverflowReport{60000};

    ~RingFedCapture() override;

  protected:
    explicit RingFedCapture(EventLoop& loop);

    // For a subclass's openSource, before its audio thread starts: a fresh ring for
    // channels() at the device's rate, and the loop's wake-up timer.
    CaptureRing& openRing(double deviceRate, std::size_t deviceFramesPerBuffer,
                          std::string deviceLabel);
    // For a subclass's closeSource, once its audio thread has stopped.
    void closeRing();
    // The audio thread says the device stopped delivering; the loop stops the capture.
    // Lock-free, for any thread.
    void markSourceEnded() { sourceEnded_.store(true, std::memory_order_release); }
    std::atomic<bool>& sourceEndedFlag() { return sourceEnded_; }

    // Audio taken from the ring at the device's rate, on the loop thread. The default hands
    // it on as it is (a device at 8000 Hz).
    virtual void onDrained(std::span<const std::int16_t> interleaved) {
        deliverFrames(interleaved);
    }

  private:
    void drain();
    void noteLoss(bool closing);

    std::unique_ptr<CaptureRing> ring_;
    std::vector<std::int16_t> scratch_;
    std::size_t framesPerWake_ = 0;
    double deviceRate_ = kSampleRate;
    std::string deviceLabel_;
    EventLoop::TimerId timer_ = 0;
    std::uint64_t ringGeneration_ = 0;
    std::atomic<bool> sourceEnded_{false};
    // Overflow episode: frames dropped when it began, when it was last seen growing.
    bool overflowing_ = false;
    std::uint64_t lossReported_ = 0;
    std::uint64_t lossSeen_ = 0;
    TimePoint overflowSince_{};
    TimePoint lastLoss_{};
};

}  // namespace kovra
