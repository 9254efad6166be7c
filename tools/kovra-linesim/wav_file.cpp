#include <sndfile.h>

#include <memory>
#include <stdexcept>
#include <string>

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

}  // namespace kovra::linesim
