// libFuzzer target for the WAV reader: any bytes as a file, opened for the detectors'
// rate, checked against the line-audio rules and read to the end. A reader may refuse a
// file only with WavReadError; what it reads is whole frames, bounded by the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/capture/wav_file_reader.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDetectorRate = 8000;
// Reads stop here: a header may promise hours that a few bytes cannot hold anyway.
constexpr std::size_t kMaxFrames = 8000 * 60;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path path =
        fs::temp_directory_path() / ("kovra-fuzz-wav-" + std::to_string(::getpid()) + ".wav");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<long>(size));
    try {
        kovra::WavFileReader reader(path, kDetectorRate);
        check(reader.channels() > 0);
        try {
            kovra::requireLineAudio(reader);
            check(reader.channels() <= kovra::kMaxLineChannels);
            check(reader.fileRate() >= kovra::kMinLineRateHz);
        } catch (const kovra::WavReadError&) {
            check(reader.channels() > kovra::kMaxLineChannels ||
                  reader.fileRate() < kovra::kMinLineRateHz);
            return 0;
        }
        std::vector<std::int16_t> block(512 * static_cast<std::size_t>(reader.channels()));
        std::size_t frames = 0;
        while (frames < kMaxFrames) {
            const std::size_t got = reader.read(block);
            check(got <= 512);
            if (got == 0) {
                break;
            }
            frames += got;
        }
    } catch (const kovra::WavReadError&) {
        // refused with a reason: what the tools print
    }
    return 0;
}
