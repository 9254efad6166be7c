#include "mp3_probe.h"

#include <mpg123.h>

#include <cmath>
#include <fstream>
#include <numbers>

namespace kovra::test {

double DecodedMp3::rms(double from, double to) const {
    if (channels <= 0) {
        return 0.0;
    }
    const auto first = static_cast<std::size_t>(std::max(0.0, from) * rate);
    const auto last = std::min(static_cast<std::size_t>(to * rate), samples.size() / channels);
    double sum = 0.0;
    std::size_t n = 0;
    for (std::size_t i = first; i < last; ++i) {
        const double s = samples[i * channels];
        sum += s * s;
        ++n;
    }
    return n > 0 ? std::sqrt(sum / n) : 0.0;
}

DecodedMp3 decodeMp3(const std::string& path) {
    DecodedMp3 d;
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (h == nullptr) {
        d.error = "mpg123_new failed";
        return d;
    }
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_open(h, path.c_str()) != MPG123_OK) {
        d.error = mpg123_strerror(h);
        mpg123_delete(h);
        return d;
    }
    int encoding = 0;
    if (mpg123_getformat(h, &d.rate, &d.channels, &encoding) != MPG123_OK) {
        d.error = mpg123_strerror(h);
        mpg123_close(h);
        mpg123_delete(h);
        return d;
    }
    mpg123_format_none(h);
    mpg123_format(h, d.rate, d.channels, MPG123_ENC_SIGNED_16);
    std::vector<unsigned char> buf(65536);
    for (;;) {
        std::size_t done = 0;
        const int r = mpg123_read(h, buf.data(), buf.size(), &done);
        const auto* s = reinterpret_cast<const std::int16_t*>(buf.data());
        d.samples.insert(d.samples.end(), s, s + done / 2);
        if (r == MPG123_DONE) {
            d.ok = true;
            break;
        }
        if (r != MPG123_OK && r != MPG123_NEW_FORMAT) {
            d.error = mpg123_strerror(h);
            d.ok = !d.samples.empty();
            break;
        }
    }
    mpg123_close(h);
    mpg123_delete(h);
    return d;
}

double mp3Length(const std::string& path) {
    mpg123_init();
    int error = 0;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    double seconds = -1;
    if (handle != nullptr && mpg123_open(handle, path.c_str()) == MPG123_OK) {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        mpg123_getformat(handle, &rate, &channels, &encoding);
        const off_t samples = mpg123_length(handle);
        if (rate > 0 && samples > 0) {
            seconds = static_cast<double>(samples) / static_cast<double>(rate);
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return seconds;
}

bool hasId3v1(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() < 128) {
        return false;
    }
    in.seekg(-128, std::ios::end);
    char tag[3] = {};
    in.read(tag, 3);
    return tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

std::vector<std::int16_t> stereoTone(double seconds, double hz, double leftAmp, double rightAmp,
                                     std::size_t startFrame) {
    const auto frames = static_cast<std::size_t>(seconds * 16000);
    std::vector<std::int16_t> out(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = std::sin(2 * std::numbers::pi * hz * double(startFrame + i) / 16000);
        out[2 * i] = static_cast<std::int16_t>(std::lround(leftAmp * v));
        out[2 * i + 1] = static_cast<std::int16_t>(std::lround(rightAmp * v));
    }
    return out;
}

}  // namespace kovra::test
