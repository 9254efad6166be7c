// Capture stage fed by the program with the 16000 Hz samples of a WAV input, the same
// samples for both lines of the pair (each chain keeps its own channel afterwards).
//
// How it keeps file input exact, in real time and in --fast mode alike:
// - The program pushes each stretch of the file's audio (resampled to 16000 Hz) right
//   after it hands the same stretch to the detectors, on the loop thread. The writer's
//   worker drains the queue. Samples are kept only while a recording is armed
//   (from StartWriting) and its buffer runs (not paused); others are dropped, as a live
//   device's audio is when nobody records, except the last seconds before a start, which
//   begin the recording when the pre-roll is on.
// - The queue holds kCaptureBufferFrames frames. When it is full, push() waits for the
//   writer (up to kPushWaitMs) instead of dropping, so a fast run that outpaces the
//   encoder is slowed down, never cut; only a writer stuck longer than that loses the
//   block, counted as an overrun and logged.
// - The writer is woken when a whole block it asked for is queued (or at the end, a pause
//   or a stop), not for every push.
// - Stopping drains: the writer takes every sample accepted before the stop, then ends
//   the file. framesCommitted() counts those samples, so the writer's ElapsedSeconds
//   follows the audio pushed, at the moment of the stop, whatever the writer's pace.
// - endOfFile() ends the stream once the queue is empty (the input file is over).
// push() and endOfFile() may be called from any one thread; the rest as CaptureStage.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <span>

#include "recording/capture_stage.h"

namespace kovra {

class PushedCaptureStage final : public CaptureStage {
  public:
    static constexpr int kPushWaitMs = 10000;

    // pushWaitMs: how long push() waits for room before it drops a block.
    explicit PushedCaptureStage(int pushWaitMs = kPushWaitMs) : pushWaitMs_(pushWaitMs) {}

    // Adds interleaved samples of dataChannels channels (1 or 2). Data with another
    // channel count than the stage's is converted (duplicated or averaged).
    void push(std::span<const std::int16_t> samples, int dataChannels);
    // The input is over: the stream ends once everything pushed has been read.
    void endOfFile();

    void open() override;
    std::size_t read(std::span<std::int16_t> out) override;
    void close() override;

    void stopBuffer() override;
    void startBuffer() override;
    void armForStart() override;
    void wakeReader() override;
    bool ended() const override;
    bool drainsOnStop() const override { return true; }
    void endInput() override { endOfFile(); }
    std::optional<std::uint64_t> framesCommitted() const override;

  private:
    bool endedLocked() const { return (ended_ && queue_.empty()) || !armed_; }

    const int pushWaitMs_;
    mutable std::mutex mutex_;
    std::condition_variable dataReady_;
    std::condition_variable spaceFree_;
    std::deque<std::int16_t> queue_;
    bool open_ = false;
    bool armed_ = false;
    bool running_ = false;
    bool ended_ = false;
    bool wake_ = false;
    std::size_t readerWants_ = 0;  // samples a waiting reader needs before it is woken
    bool pushWaiting_ = false;     // push() waits for room
    std::uint64_t committed_ = 0;
};

}  // namespace kovra
