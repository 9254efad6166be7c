// TWaveExCtrl over a WAV file, as if the file were the line: the file starts playing at the
// first StartCapture and plays on to its end whether capture runs or not (audio heard while
// capture is stopped is dropped, as on a live line); a restart continues where the line is.
// Any rate and channel count is read (resampled to 8000 Hz). Channel mapping: a stereo
// capture takes the file's first two channels as left and right (a mono file feeds both);
// a mono capture takes the right channel (the odd line) of a multi-channel file.
// Pacing: with a FastAudioDriver, on simulated time as fast as the CPU allows; without one,
// one buffer per buffer duration on the loop's timers. Loop thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/capture/detector_capture.h"
#include "platform/capture/wav_file_reader.h"

namespace kovra {

class FastAudioDriver;

class WavFileCapture final : public DetectorCapture {
  public:
    // fast: the driver that moves simulated time (it must outlive this capture), or nullptr
    // to pace in real time with the loop's timers. The file is opened at the first
    // StartCapture; a missing or bad file is logged there and capture does not start.
    WavFileCapture(EventLoop& loop, std::filesystem::path file, FastAudioDriver* fast = nullptr);
    ~WavFileCapture() override;

    int WaveInDeviceID() const override { return 0; }
    const std::filesystem::path& file() const { return file_; }

    // The whole file has played: capture stopped (OnRecordDone posted, when it ran) and
    // OnEndOfInput is posted after it. An application ends a file run on this signal.
    bool endOfInput() const { return ended_; }
    std::function<void()> OnEndOfInput;

    // For FastAudioDriver: the file is playing (started, not ended), the time at which its
    // next buffer is complete, and delivering that buffer.
    bool playing() const { return started_ && !ended_; }
    TimePoint nextBufferDue() const;
    void deliverNextBuffer();

  private:
    bool openSource() override;
    void closeSource() override;
    void scheduleRealTime();
    void finish();
    std::size_t stepFrames() const;

    std::filesystem::path file_;
    FastAudioDriver* fast_;
    std::unique_ptr<WavFileReader> reader_;
    bool started_ = false;
    bool ended_ = false;
    TimePoint timelineStart_{};
    std::int64_t framesPlayed_ = 0;
    EventLoop::TimerId timer_ = 0;
    std::vector<std::int16_t> fileFrames_;
    std::vector<std::int16_t> outFrames_;
};

}  // namespace kovra
