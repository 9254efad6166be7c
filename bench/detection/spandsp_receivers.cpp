// kovra-bench-spandsp FILE.wav: spandsp's DTMF receiver (dtmf_rx) and Bell 202 caller-ID
// receiver (adsi_rx, CLASS) with their default parameters over every channel of a WAV file,
// printed like kovra-detect: time_s<TAB>side<TAB>kind<TAB>value. Side 1 is the right channel
// of a stereo file (the odd line) or the only channel of a mono one; side 2 the left.
// The reference column of the detection benchmark.
#include <sndfile.h>
#include <spandsp.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Channel {
    int side = 1;
    long long position = 0;  // samples processed before the current block
    dtmf_rx_state_t* dtmf = nullptr;
    adsi_rx_state_t* adsi = nullptr;
};

void printEvent(const Channel& c, const char* kind, const std::string& value) {
    std::printf("%.3f\t%d\t%s\t%s\n", static_cast<double>(c.position) / 8000.0, c.side, kind,
                value.c_str());
}

void onDigits(void* user, const char* digits, int len) {
    const auto* c = static_cast<const Channel*>(user);
    for (int i = 0; i < len; ++i) {
        printEvent(*c, "DTMF", std::string(1, digits[i]));
    }
}

void onMessage(void* user, const std::uint8_t* msg, int len) {
    auto* c = static_cast<Channel*>(user);
    if (len <= 0) {
        return;  // carrier status reports
    }
    if (msg[0] != CLASS_SDMF_CALLERID && msg[0] != CLASS_MDMF_CALLERID) {
        return;  // message waiting and other types are not caller ID
    }
    std::string number, name, datetime;
    if (msg[0] == CLASS_SDMF_CALLERID && len >= 10) {
        datetime.assign(msg + 2, msg + 10);
        number.assign(msg + 10, msg + len);
    } else {
        int pos = -1;
        std::uint8_t type = 0;
        const std::uint8_t* body = nullptr;
        int fieldLen = 0;
        while ((pos = adsi_next_field(c->adsi, msg, len, pos, &type, &body, &fieldLen)) > 0) {
            if (fieldLen <= 0) {
                continue;
            }
            const std::string text(body, body + fieldLen);
            switch (type) {
                case MCLASS_DATETIME:
                    datetime = text;
                    break;
                case MCLASS_CALLER_NUMBER:
                case MCLASS_ABSENCE1:
                    number = text;
                    break;
                case MCLASS_CALLER_NAME:
                case MCLASS_ABSENCE2:
                    name = text;
                    break;
                default:
                    break;
            }
        }
    }
    printEvent(*c, "CALLERID", "number=" + number + ";name=" + name + ";datetime=" + datetime);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kovra-bench-spandsp FILE.wav\n");
        return 2;
    }
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(argv[1], SFM_READ, &info),
                                                           sf_close);
    if (!file) {
        std::fprintf(stderr, "kovra-bench-spandsp: cannot read %s: %s\n", argv[1],
                     sf_strerror(nullptr));
        return 1;
    }
    if (info.samplerate != 8000 || info.channels < 1 || info.channels > 2) {
        std::fprintf(stderr, "kovra-bench-spandsp: %s is not 8000 Hz mono or stereo\n", argv[1]);
        return 1;
    }
    std::vector<Channel> channels(static_cast<std::size_t>(info.channels));
    for (std::size_t i = 0; i < channels.size(); ++i) {
        Channel& c = channels[i];
        // Stereo frames hold the left channel (side 2) first.
        c.side = info.channels == 1 ? 1 : (i == 0 ? 2 : 1);
        c.dtmf = dtmf_rx_init(nullptr, onDigits, &c);
        c.adsi = adsi_rx_init(nullptr, ADSI_STANDARD_CLASS, onMessage, &c);
    }
    constexpr int kFrames = 160;  // 20 ms blocks, as a capture buffer would deliver them
    std::vector<std::int16_t> frames(kFrames * channels.size());
    std::vector<std::int16_t> mono(kFrames);
    sf_count_t got = 0;
    while ((got = sf_readf_short(file.get(), frames.data(), kFrames)) > 0) {
        for (std::size_t ch = 0; ch < channels.size(); ++ch) {
            for (sf_count_t f = 0; f < got; ++f) {
                mono[static_cast<std::size_t>(f)] =
                    frames[static_cast<std::size_t>(f) * channels.size() + ch];
            }
            Channel& c = channels[ch];
            dtmf_rx(c.dtmf, mono.data(), static_cast<int>(got));
            adsi_rx(c.adsi, mono.data(), static_cast<int>(got));
            c.position += got;
        }
    }
    for (Channel& c : channels) {
        dtmf_rx_free(c.dtmf);
        adsi_rx_free(c.adsi);
    }
    return 0;
}
