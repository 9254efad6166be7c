#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "kovra-linesim/line_script.h"

namespace kovra::linesim {

void writeWav(const std::filesystem::path& path, const Audio& audio) {
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_WRITE, &info),
                                                     sf_close);
    if (!file) {
        throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    }
    const auto count = static_cast<sf_count_t>(audio.interleaved.size());
    if (sf_write_short(file.get(), audio.interleaved.data(), count) != count) {
        throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(file.get()));
    }
    // Closing writes the header sizes; a failure there leaves a broken file.
    if (sf_close(file.release()) != 0) {
        throw std::runtime_error("cannot finish " + path.string());
    }
}

Samples readWav(const std::filesystem::path& path) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info),
                                                     sf_close);
    if (!file) {
        throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
    }
    if (info.samplerate != kSampleRate) {
        throw std::runtime_error(path.string() + " is at " + std::to_string(info.samplerate) +
                                 " Hz, not " + std::to_string(kSampleRate));
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t read = sf_readf_float(file.get(), interleaved.data(), info.frames);
    Samples out(static_cast<std::size_t>(std::max<sf_count_t>(read, 0)));
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = interleaved[i * static_cast<std::size_t>(info.channels)];
    }
    return out;
}

}  // namespace kovra::linesim
