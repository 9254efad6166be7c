// Feeds the recording chains of a pair from a WAV input: reads the same file the
// detectors read, converts it to 16000 Hz 16-bit (libsoxr) and pushes it, both
// channels, into each line's PushedCaptureStage (each chain then keeps its own channel).
// The program calls advanceTo() with the audio position it has handed to the
// detectors, after each detector buffer, so recordings follow the file exactly in real
// time and in --fast mode alike. One thread (the loop thread).
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "recording/pushed_capture_stage.h"

namespace kovra {

class RecordingFileFeed {
  public:
    // Opens wav; throws std::runtime_error naming the file and the reason.
    explicit RecordingFileFeed(const std::filesystem::path& wav);
    ~RecordingFileFeed();
    RecordingFileFeed(const RecordingFileFeed&) = delete;
    RecordingFileFeed& operator=(const RecordingFileFeed&) = delete;

    void addTarget(PushedCaptureStage* capture) { targets_.push_back(capture); }
    int channels() const { return channels_; }
    int fileRate() const { return rate_; }
    double durationSeconds() const;

    // Pushes the audio of the file up to position seconds (from the file's start).
    // Returns false once the file is over (everything has been pushed).
    bool advanceTo(double seconds);
    double position() const { return double(framesRead_) / rate_; }

  private:
    struct Handles;

    static constexpr std::size_t kReadAheadFrames = 16384;

    void pushConverted(const std::vector<std::int16_t>& samples);
    // Up to frames frames of the file (fewer only at its end).
    std::int64_t readFrames(std::int16_t* into, std::int64_t frames);

    std::unique_ptr<Handles> h_;
    int channels_ = 1;
    int rate_ = 8000;
    std::int64_t totalFrames_ = 0;
    std::int64_t framesRead_ = 0;
    bool flushed_ = false;
    std::vector<PushedCaptureStage*> targets_;
    std::vector<std::int16_t> ahead_;  // read from the file, not yet taken
    std::size_t aheadOffset_ = 0;      // samples of ahead_ taken
    std::vector<std::int16_t> in_;
    std::vector<std::int16_t> out_;
};

}  // namespace kovra
