// One stage of a line's recording chain (capture, band-pass, channel, read by the MP3
// writer). Stages pull from the stage before them in blocks of signed 16-bit samples,
// interleaved left/right when two channels. Called by the writer's worker thread (open,
// read, close) and, for settings, by the loop thread while the chain is idle; each stage
// guards its open, read and close with its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace kovra {

// A failure of a stage or the writer; what() is the system's own text for it.
class ChainError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Sizes of the chain, in samples of 16 bits (the blocks are 16384 and 32768 bytes).
inline constexpr int kChainSampleRate = 16000;
inline constexpr std::size_t kWriterBlockSamples = 8192;
inline constexpr std::size_t kFilterBlockSamples = 8192;
inline constexpr std::size_t kChannelStageMaxSamples = 16384;

class AudioStage {
  public:
    virtual ~AudioStage() = default;

    // Opens the stage, its input first. Throws ChainError with the stage's text.
    virtual void open() = 0;
    // Fills at most out.size() samples (whole frames) and returns how many it wrote.
    // 0 means the stream ended, unless the capture stage says it was only woken
    // (CaptureStage::ended()). Throws ChainError when the stage is not open.
    virtual std::size_t read(std::span<std::int16_t> out) = 0;
    // Closes the stage and then its input. Safe on a stage that is not open.
    virtual void close() = 0;
    // Channels delivered by read() (1 or 2); valid once the stage's settings are made.
    virtual int channels() const = 0;
    int sampleRate() const { return kChainSampleRate; }
};

// A stage with one input stage (band-pass, channel).
class FilterStage : public AudioStage {
  public:
    void setInput(AudioStage* input) { input_ = input; }
    AudioStage* input() const { return input_; }

  protected:
    AudioStage* input_ = nullptr;
};

}  // namespace kovra
