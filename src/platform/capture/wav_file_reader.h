// Reads a WAV file (any rate, any channel count, any sample format libsndfile decodes) as
// interleaved 16-bit samples at a rate the caller chooses, resampling with libsoxr.
// One reader belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kovra {

// Opening or reading failed; what() names the file and the reason.
class WavReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A whole stretch of audio in memory.
struct PcmAudio {
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::int16_t> interleaved;
    std::size_t frames() const { return channels > 0 ? interleaved.size() / channels : 0; }
};

// Resampling quality: High for the detectors, Medium where the audio only goes on to a
// low-rate encoder (recordings) and the cost matters more.
enum class ResampleQuality { High, Medium };

// Line audio: what a pair or the detectors can hear. One channel is one line, two are
// the two lines of a pair; below the telephone rate the DTMF, caller-ID and line tones no
// longer fit (the caller-ID space tone alone is 2200 Hz).
inline constexpr int kMaxLineChannels = 2;
inline constexpr int kMinLineRateHz = 8000;

class WavFileReader;

// Throws WavReadError naming the file and the reason when its audio is not line audio.
void requireLineAudio(const WavFileReader& reader);

class WavFileReader {
  public:
    // Opens file for reading at outputRate Hz (4000..192000). Throws WavReadError when the
    // file is missing, not a regular file (a FIFO would block the opening), unreadable, not
    // audio, truncated (its data chunk ends before the size its header declares) or has no
    // channels.
    WavFileReader(const std::filesystem::path& file, int outputRate,
                  ResampleQuality quality = ResampleQuality::High);
    ~WavFileReader();
    WavFileReader(const WavFileReader&) = delete;
    WavFileReader& operator=(const WavFileReader&) = delete;

    const std::filesystem::path& file() const { return file_; }
    int channels() const { return channels_; }  // the file's own channel count
    int outputRate() const { return outputRate_; }
    int fileRate() const { return fileRate_; }
    double durationSeconds() const { return static_cast<double>(fileFrames_) / fileRate_; }

    // Fills out with up to out.size() / channels() whole frames at outputRate(); returns the
    // frames written, 0 only at the end of the file. Throws WavReadError on a read error.
    std::size_t read(std::span<std::int16_t> out);

    // The whole file at outputRate.
    static PcmAudio readAll(const std::filesystem::path& file, int outputRate);

  private:
    std::size_t readFileFrames(std::size_t frames);

    struct Handles;
    std::filesystem::path file_;
    int outputRate_ = 0;
    int fileRate_ = 0;
    int channels_ = 0;
    std::int64_t fileFrames_ = 0;
    std::unique_ptr<Handles> handles_;
    std::size_t pendingFrames() const {
        return fileBlock_.size() / static_cast<std::size_t>(channels_);
    }

    std::vector<std::int16_t> fileBlock_;  // decoded at the file's rate
    std::size_t pendingOffset_ = 0;        // frames of fileBlock_ already resampled
    bool fileEnded_ = false;
    bool flushed_ = false;
};

}  // namespace kovra
