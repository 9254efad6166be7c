#include "line_signals.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

extern "C" {
#include <spandsp.h>
}

namespace kovra::testsignals {

namespace {

std::int16_t clip(double x) {
    return static_cast<std::int16_t>(std::clamp(std::lround(x), -32768L, 32767L));
}

double amplitude(double levelDbfs) {
    return 32767.0 * std::pow(10.0, levelDbfs / 20.0);
}

std::size_t samplesFor(int ms) {
    return static_cast<std::size_t>(ms) * kRate / 1000;
}

struct Bits {
    std::vector<int> bits;
    std::size_t next = 0;
};

int nextBit(void* user) {
    auto* b = static_cast<Bits*>(user);
    return b->next < b->bits.size() ? b->bits[b->next++] : SIG_STATUS_END_OF_DATA;
}

}  // namespace

Samples silence(int ms) {
    return Samples(samplesFor(ms), 0);
}

Samples tone(double frequencyHz, int ms, double levelDbfs) {
    Samples out(samplesFor(ms));
    const double a = amplitude(levelDbfs);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = clip(a * std::sin(2.0 * std::numbers::pi * frequencyHz * i / kRate));
    }
    return out;
}

Samples dualTone(double f1, double f2, int ms, double levelDbfs) {
    Samples out(samplesFor(ms));
    const double a = amplitude(levelDbfs);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        out[i] = clip(a * (std::sin(2.0 * std::numbers::pi * f1 * t) +
                           std::sin(2.0 * std::numbers::pi * f2 * t)));
    }
    return out;
}

Samples ring(int ms) {
    Samples out(samplesFor(ms));
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = clip(1.6 * 32767.0 * std::sin(2.0 * std::numbers::pi * 25.0 * i / kRate));
    }
    return out;
}

Samples dtmf(const std::string& digits, int levelDbm0) {
    dtmf_tx_state_t* tx = dtmf_tx_init(nullptr);
    dtmf_tx_set_level(tx, levelDbm0, 0);
    dtmf_tx_set_timing(tx, 50, 55);
    dtmf_tx_put(tx, digits.c_str(), -1);
    Samples out;
    Samples block(160);
    for (;;) {
        const int n = dtmf_tx(tx, block.data(), static_cast<int>(block.size()));
        if (n <= 0) {
            break;
        }
        out.insert(out.end(), block.begin(), block.begin() + n);
    }
    dtmf_tx_free(tx);
    return out;
}

Samples fsk(const std::vector<std::uint8_t>& message, bool callWaiting, bool corruptChecksum) {
    Bits b;
    if (!callWaiting) {
        for (int i = 0; i < 300; ++i) {
            b.bits.push_back(i & 1);
        }
    }
    for (int i = 0; i < (callWaiting ? 80 : 180); ++i) {
        b.bits.push_back(1);
    }
    std::vector<std::uint8_t> bytes = message;
    std::uint8_t sum = 0;
    for (const std::uint8_t c : bytes) {
        sum = static_cast<std::uint8_t>(sum + c);
    }
    bytes.push_back(static_cast<std::uint8_t>((0x100 - sum) ^ (corruptChecksum ? 0x01 : 0x00)));
    for (const std::uint8_t c : bytes) {
        b.bits.push_back(0);
        for (int k = 0; k < 8; ++k) {
            b.bits.push_back((c >> k) & 1);
        }
        b.bits.push_back(1);
    }
    for (int i = 0; i < 10; ++i) {
        b.bits.push_back(1);
    }
    fsk_tx_state_t* tx = fsk_tx_init(nullptr, &preset_fsk_specs[FSK_BELL202], nextBit, &b);
    fsk_tx_power(tx, -14.0F);
    Samples out(static_cast<std::size_t>(b.bits.size() * kRate / 1200 + 400));
    const int n = fsk_tx(tx, out.data(), static_cast<int>(out.size()));
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    fsk_tx_free(tx);
    return out;
}

std::vector<std::uint8_t> sdmf(const std::string& dateTime, const std::string& number) {
    const std::string body = dateTime + number;
    std::vector<std::uint8_t> m;
    m.push_back(0x04);
    m.push_back(static_cast<std::uint8_t>(body.size()));
    for (const char c : body) {
        m.push_back(static_cast<std::uint8_t>(c));
    }
    return m;
}

std::vector<std::uint8_t> mdmf(const std::vector<MdmfField>& fields) {
    std::vector<std::uint8_t> body;
    for (const MdmfField& f : fields) {
        body.push_back(f.type);
        body.push_back(static_cast<std::uint8_t>(f.value.size()));
        for (const char c : f.value) {
            body.push_back(static_cast<std::uint8_t>(c));
        }
    }
    std::vector<std::uint8_t> m;
    m.push_back(0x80);
    m.push_back(static_cast<std::uint8_t>(body.size()));
    for (const std::uint8_t c : body) {
        m.push_back(c);
    }
    return m;
}

Samples join(const std::vector<Samples>& parts) {
    Samples out;
    for (const Samples& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Samples stereo(const Samples& left, const Samples& right) {
    const std::size_t n = std::max(left.size(), right.size());
    Samples out(2 * n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        out[2 * i] = i < left.size() ? left[i] : 0;
        out[2 * i + 1] = i < right.size() ? right[i] : 0;
    }
    return out;
}

void writeWav(const std::filesystem::path& path, int rate, int channels, const Samples& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        throw std::runtime_error("cannot write " + path.string());
    }
    sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
}

}  // namespace kovra::testsignals
