// The first stage of a recording chain: 16000 Hz 16-bit capture of the pair's input,
// independent of the detectors' own capture (stopping the detectors never stops a
// recording). Two implementations: a live capture device (PortAudioCaptureStage) and
// samples pushed by the program from a WAV file (PushedCaptureStage).
// Settings (device, channels) are made on the loop thread while the chain is idle;
// the buffer controls are called by the writer (any thread).
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "recording/audio_stage.h"
#include "recording/pre_roll.h"

namespace kovra {

inline constexpr std::size_t kCaptureBufferFrames = 65536;  // 4.096 s at 16000 Hz
inline constexpr int kCapturePollingMs = 200;

class CaptureStage : public AudioStage {
  public:
    // Capture device index among the input devices (WaveInIndex of the pair).
    void setDeviceNumber(int device) { deviceNumber_ = device; }
    int deviceNumber() const { return deviceNumber_; }
    // The pair's card by name; when set, it decides the device instead of the number, so
    // the recording opens the card the detectors hear.
    void setDeviceName(std::string name) { deviceName_ = std::move(name); }
    const std::string& deviceName() const { return deviceName_; }
    // 1 (one-line input) or 2 (two-line input).
    void setInChannels(int channels) { inChannels_ = channels == 1 ? 1 : 2; }
    int channels() const override { return inChannels_; }

    // Pause and resume of the writer: audio arriving while the buffer is stopped is lost
    // on purpose (a pause leaves no gap of silence in the file).
    virtual void stopBuffer() = 0;
    virtual void startBuffer() = 0;

    // Called by the writer's StartWriting on the caller's thread, before the worker
    // opens the chain: a pushed source starts keeping samples from this moment.
    virtual void armForStart() {}
    // Makes a read that is waiting for audio return 0 at once (pause or stop requested).
    virtual void wakeReader() {}
    // After read() returned 0 through the chain: true when the stream really ended,
    // false when the reader was only woken.
    virtual bool ended() const { return true; }
    // Stop requested: a source that drains on stop delivers what it holds, then ends.
    virtual bool drainsOnStop() const { return false; }
    virtual void endInput() {}
    // Frames accepted for the current recording that the writer will take (pushed
    // sources only), so the elapsed time follows the audio and not the writer's pace.
    virtual std::optional<std::uint64_t> framesCommitted() const { return std::nullopt; }

    // Times audio was lost because the buffer was full (the writer fell behind).
    std::uint64_t overruns() const { return overruns_.load(); }

    // Each recording starts with the last PreRoll::kSeconds of the line's audio (on by
    // default), so the file holds the words said before the start rule fired.
    void setPreRoll(bool on) {
        preRollOn_ = on;
        if (!on) {
            preRoll_.clear();
        }
    }
    bool preRollOn() const { return preRollOn_.load(); }
    // The line's audio (16000 Hz, interleaved) for the pre-roll of a stage that does not
    // see it itself (a live device opened only while recording). Any one thread.
    void keepForPreRoll(std::span<const std::int16_t> samples, int channels) {
        if (preRollOn_) {
            preRoll_.keep(samples, channels);
        }
    }

  protected:
    PreRoll preRoll_;
    std::atomic<bool> preRollOn_{true};
    int deviceNumber_ = 0;
    std::string deviceName_;
    int inChannels_ = 2;
    std::atomic<std::uint64_t> overruns_{0};
};

}  // namespace kovra
