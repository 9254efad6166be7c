// Feeds the recording chains of a pair from a WAV input: reads the same file the
// detectors read, converted to 16000 Hz 16-bit, and pushes it, both channels, into each
// line's PushedCaptureStage (each chain then keeps its own channel).
// The program calls advanceTo() with the audio position it has handed to the
// detectors, after each detector buffer, so recordings follow the file exactly in real
// time and in --fast mode alike. One thread (the loop thread).
#pragma once

#include <filesystem>
#include <vector>

#include "platform/capture/wav_file_reader.h"
#include "recording/pushed_capture_stage.h"

namespace kovra {

class RecordingFileFeed {
  public:
    // Opens wav; throws std::runtime_error naming the file and the reason.
    explicit RecordingFileFeed(const std::filesystem::path& wav);

    void addTarget(PushedCaptureStage* capture) { targets_.push_back(capture); }
    int channels() const { return reader_.channels(); }
    int fileRate() const { return reader_.fileRate(); }
    double durationSeconds() const { return reader_.durationSeconds(); }

    // Pushes the audio of the file up to position seconds (from the file's start).
    // Returns false once the file is over (everything has been pushed).
    bool advanceTo(double seconds);
    double position() const { return double(framesPushed_) / kChainSampleRate; }

  private:
    static constexpr std::size_t kPushFrames = 4096;

    void push(std::size_t frames);

    WavFileReader reader_;
    std::int64_t framesPushed_ = 0;
    bool ended_ = false;
    std::vector<PushedCaptureStage*> targets_;
    std::vector<std::int16_t> out_;
};

}  // namespace kovra
