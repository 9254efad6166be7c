#include "platform/capture/wav_file_reader.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cstring>
#include <sstream>

namespace kovra {

namespace {

constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;
constexpr std::size_t kBlockFrames = 4096;                  // frames per read() of readAll
constexpr std::size_t kReadAheadFrames = 4 * kBlockFrames;  // decoded per libsndfile call

[[noreturn]] void fail(const std::filesystem::path& file, const std::string& reason) {
    throw WavReadError(file.string() + ": " + reason);
}

// libsndfile opens a file whose data chunk was cut short and only notes it in its log as
// "data : <declared> (should be <actual>)". A cut recording is reported, not half-read.
bool logShowsTruncatedData(SNDFILE* sf) {
    char log[4096] = {};
    sf_command(sf, SFC_GET_LOG_INFO, log, sizeof log);
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("data :", 0) != 0) {
            continue;
        }
        long long declared = 0;
        long long actual = 0;
        if (std::sscanf(line.c_str(), "data : %lld (should be %lld)", &declared, &actual) == 2 &&
            actual < declared) {
            return true;
        }
    }
    return false;
}

}  // namespace

void requireLineAudio(const WavFileReader& reader) {
    if (reader.channels() > kMaxLineChannels) {
        fail(reader.file(), "has " + std::to_string(reader.channels()) +
                                " channels; a line file has 1 (one line) or 2 (the two "
                                "lines of a pair)");
    }
    if (reader.fileRate() < kMinLineRateHz) {
        fail(reader.file(), "sample rate " + std::to_string(reader.fileRate()) + " Hz is below " +
                                std::to_string(kMinLineRateHz) +
                                " Hz, too low for the line's tones and caller ID");
    }
}

struct WavFileReader::Handles {
    SNDFILE* sf = nullptr;
    soxr_t soxr = nullptr;
    ~Handles() {
        if (soxr != nullptr) {
            soxr_delete(soxr);
        }
        if (sf != nullptr) {
            sf_close(sf);
        }
    }
};

WavFileReader::WavFileReader(const std::filesystem::path& file, int outputRate,
                             ResampleQuality quality)
    : file_(file), outputRate_(outputRate), handles_(std::make_unique<Handles>()) {
    if (outputRate < kMinRate || outputRate > kMaxRate) {
        fail(file, "unsupported output rate " + std::to_string(outputRate) + " Hz");
    }
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        fail(file, "no such file");
    }
    if (std::filesystem::is_directory(file, ec)) {
        fail(file, "is a directory, not a WAV file");
    }
    if (!std::filesystem::is_regular_file(file, ec)) {
        fail(file, "is not a regular file (a FIFO, device or socket cannot be played)");
    }
    SF_INFO info{};
    handles_->sf = sf_open(file.c_str(), SFM_READ, &info);
    if (handles_->sf == nullptr) {
        fail(file, std::string("cannot read as audio: ") + sf_strerror(nullptr));
    }
    if (info.channels <= 0) {
        fail(file, "has no audio channels");
    }
    if (info.samplerate < 1000 || info.samplerate > 768000) {
        fail(file, "unsupported sample rate " + std::to_string(info.samplerate) + " Hz");
    }
    if (logShowsTruncatedData(handles_->sf)) {
        fail(file, "truncated: the audio data ends before the length its header declares");
    }
    channels_ = info.channels;
    fileRate_ = info.samplerate;
    fileFrames_ = info.frames;
    if (fileRate_ != outputRate_) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        const auto resampling =
            soxr_quality_spec(quality == ResampleQuality::High ? SOXR_HQ : SOXR_MQ, 0);
        handles_->soxr = soxr_create(fileRate_, outputRate_, static_cast<unsigned>(channels_),
                                     &error, &io, &resampling, nullptr);
        if (handles_->soxr == nullptr) {
            fail(file, std::string("cannot resample: ") + (error != nullptr ? error : "?"));
        }
    }
}

WavFileReader::~WavFileReader() = default;

std::size_t WavFileReader::readFileFrames(std::size_t frames) {
    fileBlock_.resize(frames * static_cast<std::size_t>(channels_));
    const sf_count_t got =
        sf_readf_short(handles_->sf, fileBlock_.data(), static_cast<sf_count_t>(frames));
    if (got < 0 || sf_error(handles_->sf) != SF_ERR_NO_ERROR) {
        fail(file_, std::string("read error: ") + sf_strerror(handles_->sf));
    }
    fileBlock_.resize(static_cast<std::size_t>(got) * static_cast<std::size_t>(channels_));
    return static_cast<std::size_t>(got);
}

std::size_t WavFileReader::read(std::span<std::int16_t> out) {
    const std::size_t wanted = out.size() / static_cast<std::size_t>(channels_);
    if (wanted == 0) {
        return 0;
    }
    const auto channels = static_cast<std::size_t>(channels_);
    if (handles_->soxr == nullptr) {
        // Read ahead a large block: a capture asks for a few hundred frames at a time, and a
        // library call and a system call for each cost more than the copying.
        std::size_t written = 0;
        while (written < wanted) {
            if (pendingOffset_ >= pendingFrames()) {
                if (fileEnded_) {
                    break;
                }
                pendingOffset_ = 0;
                if (readFileFrames(kReadAheadFrames) == 0) {
                    fileEnded_ = true;
                    break;
                }
            }
            const std::size_t n = std::min(wanted - written, pendingFrames() - pendingOffset_);
            std::copy_n(fileBlock_.begin() + static_cast<std::ptrdiff_t>(pendingOffset_ * channels),
                        n * channels,
                        out.begin() + static_cast<std::ptrdiff_t>(written * channels));
            pendingOffset_ += n;
            written += n;
        }
        return written;
    }
    std::size_t written = 0;
    while (written < wanted && !flushed_) {
        std::int16_t* dest = out.data() + written * static_cast<std::size_t>(channels_);
        std::size_t done = 0;
        if (!fileEnded_ || pendingOffset_ < pendingFrames()) {
            if (pendingOffset_ >= pendingFrames()) {
                // Read ahead here too; the resampler takes from the block what it needs.
                pendingOffset_ = 0;
                if (readFileFrames(kReadAheadFrames) == 0) {
                    fileEnded_ = true;
                    continue;
                }
            }
            std::size_t consumed = 0;
            const soxr_error_t error = soxr_process(
                handles_->soxr,
                fileBlock_.data() + pendingOffset_ * static_cast<std::size_t>(channels_),
                pendingFrames() - pendingOffset_, &consumed, dest, wanted - written, &done);
            if (error != nullptr) {
                fail(file_, std::string("resampling failed: ") + error);
            }
            pendingOffset_ += consumed;
        } else {
            // End of input: drain what the resampler still holds.
            const soxr_error_t error =
                soxr_process(handles_->soxr, nullptr, 0, nullptr, dest, wanted - written, &done);
            if (error != nullptr) {
                fail(file_, std::string("resampling failed: ") + error);
            }
            if (done == 0) {
                flushed_ = true;
            }
        }
        written += done;
    }
    return written;
}

PcmAudio WavFileReader::readAll(const std::filesystem::path& file, int outputRate) {
    WavFileReader reader(file, outputRate);
    PcmAudio audio;
    audio.sampleRate = outputRate;
    audio.channels = reader.channels();
    std::vector<std::int16_t> block(kBlockFrames * static_cast<std::size_t>(reader.channels()));
    for (;;) {
        const std::size_t frames = reader.read(block);
        if (frames == 0) {
            break;
        }
        audio.interleaved.insert(
            audio.interleaved.end(), block.begin(),
            block.begin() + static_cast<std::ptrdiff_t>(frames) * reader.channels());
    }
    return audio;
}

}  // namespace kovra
