// Decodes an MP3 file back to PCM with libmpg123, for measuring recordings in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kovra::test {

struct DecodedMp3 {
    bool ok = false;
    std::string error;
    long rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;  // interleaved
    double seconds() const {
        return rate > 0 && channels > 0 ? double(samples.size()) / channels / rate : 0.0;
    }
    // Seconds per MPEG frame at this rate (1152 samples for 32 kHz and up, else 576).
    double frameSeconds() const { return rate >= 32000 ? 1152.0 / rate : 576.0 / rate; }
    // Length of the recorded audio: at low bit rates the encoder writes no info frame, so
    // the decoder cannot trim LAME's fixed start delay (576 + 529 samples); remove it here.
    double audioSeconds() const {
        return rate > 0 ? seconds() - (rate >= 32000 ? 0.0 : 1105.0 / rate) : 0.0;
    }
    // RMS of the first channel between two times (seconds).
    double rms(double from, double to) const;
};

DecodedMp3 decodeMp3(const std::string& path);

// Length in seconds as the decoder reports it without decoding (gapless, from the info
// frame when there is one); -1 when the file cannot be read as MP3.
double mp3Length(const std::string& path);

// True when the file ends in an ID3v1 tag ("TAG" in the last 128 bytes).
bool hasId3v1(const std::string& path);

// Interleaved stereo sine at 16000 Hz: amplitude on the left, the right or both.
std::vector<std::int16_t> stereoTone(double seconds, double hz, double leftAmp, double rightAmp,
                                     std::size_t startFrame = 0);

}  // namespace kovra::test
