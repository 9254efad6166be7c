#include "telephone_speech.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>

namespace kovra::e2e {

namespace {

constexpr double kRate = 8000;

std::uint32_t le32(const char* p) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[3])) << 24;
}

std::uint16_t le16(const char* p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                      static_cast<unsigned char>(p[1]) << 8);
}

// A second-order Butterworth section (audio-cookbook form) applied in place.
void biquad(std::vector<double>& x, double hz, bool highPass) {
    const double w = 2 * std::numbers::pi * hz / kRate;
    const double alpha = std::sin(w) / std::numbers::sqrt2;  // Q = 1/sqrt(2)
    const double c = std::cos(w);
    const double b0 = highPass ? (1 + c) / 2 : (1 - c) / 2;
    const double b1 = highPass ? -(1 + c) : 1 - c;
    const double a0 = 1 + alpha;
    const double a1 = -2 * c;
    const double a2 = 1 - alpha;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : x) {
        const double y = (b0 * v + b1 * x1 + b0 * x2 - a1 * y1 - a2 * y2) / a0;
        x2 = x1;
        x1 = v;
        y2 = y1;
        y1 = y;
        v = y;
    }
}

double rmsDb(const double* x, std::size_t n) {
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += x[i] * x[i];
    }
    return 10 * std::log10(std::max(sum / static_cast<double>(n), 1e-12));
}

}  // namespace

Pcm readPrompt(const std::string& name) {
    const std::filesystem::path path = kPromptFolder / (name + ".wav");
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        throw std::runtime_error(path.string() +
                                 ": missing or not a WAV file (install "
                                 "asterisk-core-sounds-en-wav, see scripts/setup)");
    }
    bool formatOk = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t size = le32(bytes.data() + at + 4);
        const char* body = bytes.data() + at + 8;
        if (id == "fmt " && size >= 16) {
            formatOk = le16(body) == 1 && le16(body + 2) == 1 && le32(body + 4) == 8000 &&
                       le16(body + 14) == 16;
        } else if (id == "data" && formatOk) {
            const std::size_t n = std::min(size, bytes.size() - at - 8) / 2;
            Pcm samples(n);
            std::memcpy(samples.data(), body, n * 2);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    throw std::runtime_error(path.string() + ": not 8000 Hz 16-bit mono PCM");
}

Pcm telephoneLine(const Pcm& speech, double rmsDbfs) {
    std::vector<double> x(speech.begin(), speech.end());
    for (double& v : x) {
        v /= 32768.0;
    }
    for (int pass = 0; pass < 2; ++pass) {
        biquad(x, 300, true);
        biquad(x, 3400, false);
    }
    const std::size_t frame = 160;
    double sum = 0;
    std::size_t frames = 0;
    for (std::size_t at = 0; at + frame <= x.size(); at += frame) {
        if (rmsDb(&x[at], frame) >= -50) {
            sum += std::pow(10, rmsDb(&x[at], frame) / 10);
            ++frames;
        }
    }
    const double speechDb = frames > 0 ? 10 * std::log10(sum / static_cast<double>(frames)) : -50;
    const double gain = std::pow(10, (rmsDbfs - speechDb) / 20);
    Pcm out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        out[i] = static_cast<std::int16_t>(std::clamp(x[i] * gain * 32767.0, -32768.0, 32767.0));
    }
    return out;
}

std::size_t speechOnset(const Pcm& samples) {
    const std::size_t frame = 80;
    for (std::size_t at = 0; at + frame <= samples.size(); at += frame) {
        double sum = 0;
        for (std::size_t i = at; i < at + frame; ++i) {
            const double v = samples[i] / 32768.0;
            sum += v * v;
        }
        if (10 * std::log10(std::max(sum / frame, 1e-12)) >= -40) {
            return at;
        }
    }
    return samples.size();
}

void writeMonoWav(const std::filesystem::path& path, const Pcm& samples) {
    std::ofstream out(path, std::ios::binary);
    const auto put32 = [&](std::uint32_t v) {
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
        out.write(b, 4);
    };
    const auto put16 = [&](std::uint16_t v) {
        const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        out.write(b, 2);
    };
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(16000);
    put16(2);
    put16(16);
    out.write("data", 4);
    put32(dataBytes);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(dataBytes));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace kovra::e2e
