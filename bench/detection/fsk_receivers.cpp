// kovra-bench-fsk [--messages N] [--work DIR]: Bell 202 caller-ID receivers compared on the
// same generated audio, one Markdown table on standard output:
//   kovra   our FskCallerIdReceiver (platform/detectors/fsk_receiver.h)
//   spandsp adsi_rx, CLASS standard, default parameters
//   multimon-ng -a CLIPFSK on the row's audio resampled by sox to raw 16-bit 22050 Hz mono
// Each row is N messages (default 50) with 300 ms of silence either side, rendered by
// kovra_linesim, then white noise over 0-4 kHz at the row's SNR (the messages' active
// level over the noise's level). A message counts when its number is reported; a report
// of any other number is "wrong" (multimon-ng prints no number for SDMF: its SDMF cells count
// the messages it framed). Also: messages with a wrong checksum (none may be
// reported), speech-like audio (no report), and CPU time of the in-process receivers.
#include <spandsp.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "kovra-linesim/caller_id.h"
#include "kovra-linesim/generators.h"
#include "platform/detectors/caller_id_message.h"
#include "platform/detectors/fsk_receiver.h"

namespace {

using kovra::linesim::Samples;

struct Row {
    std::string label;
    bool sdmf = false;
    double levelDbfs = -12.0;
    double snrDb = 100.0;  // 100: no noise
    bool corrupt = false;
    std::string target;
    int seizureBits = 300;
    int markBits = 180;
    double offsetPercent = 0.0;
};

std::string numberFor(int row, int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "11%08d", 34560000 + (row * 1000 + i) * 7919 % 100000);
    return buf;
}

struct Audio {
    std::vector<std::int16_t> pcm;
    std::vector<std::string> numbers;
};

std::vector<std::int16_t> toPcm(const Samples& s) {
    std::vector<std::int16_t> out(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double v = std::round(s[i] * 32767.0);
        out[i] = static_cast<std::int16_t>(std::fmax(-32768.0, std::fmin(32767.0, v)));
    }
    return out;
}

Audio render(const Row& row, int rowIndex, int messages) {
    Audio a;
    Samples all;
    const Samples gap = kovra::linesim::silence(300.0);
    for (int i = 0; i < messages; ++i) {
        kovra::linesim::CallerIdInfo info;
        info.number = numberFor(rowIndex, i);
        char name[32];
        std::snprintf(name, sizeof name, "CLIENTE %03d", i);
        info.name = name;
        char dt[16];
        std::snprintf(dt, sizeof dt, "12%02d1405", 1 + i % 28);
        info.datetime = dt;
        kovra::linesim::FskParams p;
        p.levelDbfs = row.levelDbfs;
        p.corruptChecksum = row.corrupt;
        p.seizureBits = row.seizureBits;
        p.markBits = row.markBits;
        p.frequencyOffsetPercent = row.offsetPercent;
        const Samples fsk = kovra::linesim::fskCallerId(
            row.sdmf ? kovra::linesim::sdmfMessage(info) : kovra::linesim::mdmfMessage(info), p);
        all.insert(all.end(), gap.begin(), gap.end());
        all.insert(all.end(), fsk.begin(), fsk.end());
        all.insert(all.end(), gap.begin(), gap.end());
        a.numbers.push_back(info.number);
    }
    if (row.snrDb < 100.0) {
        const double level = kovra::linesim::activeLevelDbfs(all);
        const Samples noise = kovra::linesim::whiteNoise(all.size(), level - row.snrDb,
                                                         static_cast<std::uint32_t>(rowIndex + 7));
        for (std::size_t i = 0; i < all.size(); ++i) {
            all[i] += noise[i];
        }
    }
    a.pcm = toPcm(all);
    return a;
}

struct Result {
    std::vector<std::string> reported;  // numbers, or whole report text for multimon-ng
    double cpuSeconds = 0.0;
};

double cpuNow() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

constexpr std::size_t kChunk = 160;

Result runKovra(const std::vector<std::int16_t>& pcm) {
    Result r;
    kovra::FskCallerIdReceiver rx([&r](std::span<const std::uint8_t> msg) {
        if (const auto f = kovra::parseCallerIdMessage(msg)) {
            r.reported.push_back(f->callerNumber);
        }
    });
    const double t0 = cpuNow();
    for (std::size_t at = 0; at < pcm.size(); at += kChunk) {
        rx.process(
            std::span<const std::int16_t>(pcm.data() + at, std::min(kChunk, pcm.size() - at)));
    }
    r.cpuSeconds = cpuNow() - t0;
    return r;
}

void onSpandsp(void* user, const std::uint8_t* msg, int len) {
    if (len <= 0) {
        return;
    }
    auto* r = static_cast<Result*>(user);
    if (const auto f = kovra::parseCallerIdMessage(
            std::span<const std::uint8_t>(msg, static_cast<std::size_t>(len)))) {
        r->reported.push_back(f->callerNumber);
    }
}

Result runSpandsp(std::vector<std::int16_t> pcm) {
    Result r;
    adsi_rx_state_t* rx = adsi_rx_init(nullptr, ADSI_STANDARD_CLASS, onSpandsp, &r);
    const double t0 = cpuNow();
    for (std::size_t at = 0; at < pcm.size(); at += kChunk) {
        adsi_rx(rx, pcm.data() + at, static_cast<int>(std::min(kChunk, pcm.size() - at)));
    }
    r.cpuSeconds = cpuNow() - t0;
    adsi_rx_free(rx);
    return r;
}

Result runMultimon(const std::vector<std::int16_t>& pcm, const std::filesystem::path& work,
                   const std::string& tag) {
    Result r;
    const auto in = work / "row8k.raw";
    const auto raw = work / "row22k.raw";
    const auto out = work / ("multimon-" + tag + ".out");  // kept for a look
    {
        std::ofstream f(in, std::ios::binary);
        f.write(reinterpret_cast<const char*>(pcm.data()),
                static_cast<std::streamsize>(pcm.size() * sizeof(std::int16_t)));
    }
    const std::string sox = "sox -V1 -t raw -r 8000 -e signed -b 16 -c 1 '" + in.string() +
                            "' -t raw -r 22050 -e signed -b 16 -c 1 '" + raw.string() + "'";
    const std::string mm =
        "multimon-ng -q -t raw -c -a CLIPFSK '" + raw.string() + "' > '" + out.string() + "'";
    if (std::system(sox.c_str()) != 0 || std::system(mm.c_str()) != 0) {
        std::fprintf(stderr, "kovra-bench-fsk: sox or multimon-ng failed\n");
        return r;
    }
    std::ifstream f(out);
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind("CLIPFSK:", 0) == 0) {
            r.reported.push_back(line);
        }
    }
    return r;
}

std::string score(const Result& r, const std::vector<std::string>& numbers, bool expectNone) {
    std::set<std::string> found;
    int wrong = 0;
    for (const std::string& rep : r.reported) {
        bool hit = false;
        for (const std::string& n : numbers) {
            if (rep.find(n) != std::string::npos) {
                found.insert(n);
                hit = true;
                break;
            }
        }
        if (!hit) {
            ++wrong;
        }
    }
    char buf[64];
    if (expectNone) {
        std::snprintf(buf, sizeof buf, "%zu reported", r.reported.size());
    } else {
        std::snprintf(buf, sizeof buf, "%zu/%zu%s", found.size(), numbers.size(),
                      wrong ? (" +" + std::to_string(wrong) + " wrong").c_str() : "");
    }
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    int messages = 50;
    std::filesystem::path work = std::filesystem::temp_directory_path() / "kovra-bench-fsk";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string opt = argv[i];
        if (opt == "--messages") {
            messages = std::atoi(argv[i + 1]);
        } else if (opt == "--work") {
            work = argv[i + 1];
        } else {
            std::fprintf(stderr, "usage: kovra-bench-fsk [--messages N] [--work DIR]\n");
            return 2;
        }
    }
    if (messages <= 0) {
        std::fprintf(stderr, "kovra-bench-fsk: --messages must be positive\n");
        return 2;
    }
    std::filesystem::create_directories(work);

    std::vector<Row> rows;
    for (const bool sdmf : {false, true}) {
        const char* kind = sdmf ? "SDMF" : "MDMF";
        for (const double snr : {12.0, 10.0, 8.0, 6.0}) {
            const char* target = snr == 8.0 ? ">= 49" : (snr == 6.0 ? ">= 40" : "");
            rows.push_back(
                {std::string(kind) + ", -12 dBFS, SNR " + std::to_string(int(snr)) + " dB", sdmf,
                 -12.0, snr, false, target});
        }
        for (const double level : {-3.0, -20.0, -30.0, -40.0}) {
            rows.push_back(
                {std::string(kind) + ", " + std::to_string(int(level)) + " dBFS, SNR 20 dB", sdmf,
                 level, 20.0, false, "all"});
        }
    }
    rows.push_back({"MDMF, call waiting (no seizure, 80 mark bits), -12 dBFS, SNR 10 dB", false,
                    -12.0, 10.0, false, "all", 0, 80});
    rows.push_back({"MDMF, tones 1.5 % high, -12 dBFS, SNR 10 dB", false, -12.0, 10.0, false, "all",
                    300, 180, 1.5});
    rows.push_back({"MDMF, tones 1.5 % low, -12 dBFS, SNR 10 dB", false, -12.0, 10.0, false, "all",
                    300, 180, -1.5});
    rows.push_back({"MDMF with a wrong checksum, -12 dBFS, SNR 30 dB", false, -12.0, 30.0, true,
                    "0 reported"});
    rows.push_back(
        {"SDMF with a wrong checksum, -12 dBFS, SNR 30 dB", true, -12.0, 30.0, true, "0 reported"});

    std::printf("| case | target | kovra | spandsp | multimon-ng |\n|---|---|---|---|---|\n");
    double kovraCpu = 0, spandspCpu = 0, audioSeconds = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        std::fprintf(stderr, "%s\n", row.label.c_str());
        const Audio a = render(row, static_cast<int>(i), messages);
        const Result k = runKovra(a.pcm);
        const Result s = runSpandsp(a.pcm);
        const Result m = runMultimon(a.pcm, work, "row" + std::to_string(i + 1));
        kovraCpu += k.cpuSeconds;
        spandspCpu += s.cpuSeconds;
        audioSeconds += static_cast<double>(a.pcm.size()) / 8000.0;
        std::printf(
            "| %s | %s | %s | %s | %s |\n", row.label.c_str(), row.target.c_str(),
            score(k, a.numbers, row.corrupt).c_str(), score(s, a.numbers, row.corrupt).c_str(),
            row.sdmf && !row.corrupt
                ? (std::to_string(m.reported.size()) + " framed, prints no SDMF number").c_str()
                : score(m, a.numbers, row.corrupt).c_str());
    }
    {
        std::fprintf(stderr, "speech\n");
        const Samples speech = kovra::linesim::speechLike(600000.0, -20.0, 11);
        const std::vector<std::int16_t> pcm = toPcm(speech);
        const Result k = runKovra(pcm);
        const Result s = runSpandsp(pcm);
        const Result m = runMultimon(pcm, work, "speech");
        std::printf(
            "| 10 min of speech-like audio, -20 dBFS | 0 reported | %zu reported | %zu "
            "reported | %zu reported |\n",
            k.reported.size(), s.reported.size(), m.reported.size());
        std::printf("| CPU per minute of speech | | %.1f ms | %.1f ms | |\n",
                    k.cpuSeconds * 1000.0 / 10.0, s.cpuSeconds * 1000.0 / 10.0);
    }
    std::printf("| CPU per minute of the FSK rows | | %.1f ms | %.1f ms | |\n",
                kovraCpu * 60000.0 / audioSeconds, spandspCpu * 60000.0 / audioSeconds);
    return 0;
}
