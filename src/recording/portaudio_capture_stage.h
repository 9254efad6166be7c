// Capture stage on a live capture device through PortAudio: 16000 Hz, 16-bit, one or
// two channels, its own stream beside the detectors' capture of the same card. The
// device's callback fills a buffer of kCaptureBufferFrames frames; each read, once the
// audio taken last time is used up, waits kCapturePollingMs and takes everything
// captured since. Audio that does not fit (the writer fell more than about 4 s behind)
// is dropped, counted as an overrun and logged.
// The device is the pair's card by name (found as the detectors' capture finds it) or,
// without a name, a number indexing the capture-capable devices in PortAudio's order,
// enumerated once when the stage is created (at most 16, names cut at 127 characters).
// Threads as CaptureStage; the callback runs on PortAudio's audio thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "recording/capture_stage.h"

namespace kovra {

class PortAudioCaptureStage final : public CaptureStage {
  public:
    PortAudioCaptureStage();
    ~PortAudioCaptureStage() override;
    PortAudioCaptureStage(const PortAudioCaptureStage&) = delete;
    PortAudioCaptureStage& operator=(const PortAudioCaptureStage&) = delete;

    // The capture devices found at creation (their PortAudio names).
    const std::vector<std::string>& deviceNames() const { return names_; }

    // Throws ChainError: "DXAudio: The component is busy", "Invalid device number",
    // "DXAudio: Failed to create DirectSound device: <code>" or "DXAudio: Failed to
    // create DirectSound buffer".
    void open() override;
    std::size_t read(std::span<std::int16_t> out) override;
    void close() override;

    void stopBuffer() override;
    void startBuffer() override;
    void wakeReader() override;
    bool ended() const override { return !woken_.load(); }

    // Called by PortAudio's audio thread.
    void captured(const std::int16_t* samples, unsigned long frames);

  private:
    void closeLocked();

    bool initialized_ = false;
    std::vector<std::string> names_;
    std::vector<int> paIndexes_;

    std::mutex mutex_;  // open, read, close
    void* stream_ = nullptr;
    bool open_ = false;
    std::string openName_;  // of the open device, for messages
    int channels_ = 2;

    // Single producer (callback), single consumer (reader): positions count samples.
    std::vector<std::int16_t> ring_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::uint64_t droppedLogged_ = 0;

    std::vector<std::int16_t> chunk_;
    std::size_t chunkPos_ = 0;

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool wakeRequested_ = false;
    std::atomic<bool> woken_{false};
};

}  // namespace kovra
