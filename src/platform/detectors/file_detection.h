// Runs a pair's detector controls over a WAV file on simulated time, as fast as the CPU
// allows, and hands every decoder event to a callback: what kovra-detect prints and what
// tests and benchmarks check. A mono file is the odd line (side 1); a stereo file carries
// the odd line on the right channel (side 1) and the even line on the left (side 2).
// Runs on the calling thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/detectors/standard_tones.h"

namespace kovra {

struct DetectedEvent {
    std::int64_t position = 0;  // samples at 8000 Hz from the start of the file
    int side = 1;               // 1: odd line, 2: even line
    std::string kind;           // "DTMF", "CALLERID" or "TONE"
    std::string value;          // the symbol; "number=…;name=…;datetime=…"; the tone id
    bool operator==(const DetectedEvent&) const = default;
};

struct FileDetectionOptions {
    std::vector<CustomToneRow> tones = analogueToneRows();
    int bufferBytes = 2048;
    float dtmfSensitivity = 12.0F;
};

// Throws WavReadError (naming the file and the reason) when the file cannot be played.
// Events come in time order (at the same position, the odd line first).
void detectFile(const std::filesystem::path& file, const FileDetectionOptions& options,
                const std::function<void(const DetectedEvent&)>& onEvent);

std::vector<DetectedEvent> detectFile(const std::filesystem::path& file,
                                      const FileDetectionOptions& options = {});

}  // namespace kovra
