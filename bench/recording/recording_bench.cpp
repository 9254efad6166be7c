// Six lines recording at once from WAV input (three two-line pairs, one file each), as
// fast as the encoders go: CPU per line as a multiple of real time and the writers'
// memory, against the lame command-line encoder on the same audio, measured in one run.
//
//   recording_bench [seconds=120] [bit-rate item 0-4 = 1]
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "recording/pushed_capture_stage.h"
#include "recording/recording_chain.h"
#include "recording/recording_file_feed.h"

namespace {

namespace fs = std::filesystem;
using kovra::ChainConfig;
using kovra::PushedCaptureStage;
using kovra::RecordingChain;
using kovra::RecordingFileFeed;

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(std::string(field).size()));
        }
    }
    return 0;
}

// Speech-like line audio: a few voiced harmonics under a syllable envelope, plus noise,
// a different voice on each channel.
void writeWav(const fs::path& path, int rate, double seconds, unsigned seed) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 300.0);
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::int16_t> block;
    const double pi = std::numbers::pi;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        for (int ch = 0; ch < 2; ++ch) {
            const double f0 = ch == 0 ? 140.0 : 210.0;
            const double env = 0.5 + 0.5 * std::sin(2 * pi * (ch == 0 ? 3.1 : 4.3) * t);
            double v = 0;
            for (int h = 1; h <= 8; ++h) {
                v += std::sin(2 * pi * f0 * h * t) / h;
            }
            block.push_back(static_cast<std::int16_t>(
                std::clamp(4000.0 * env * v + noise(rng), -32767.0, 32767.0)));
        }
        if (block.size() >= 8192 || i + 1 == frames) {
            sf_writef_short(f, block.data(), static_cast<sf_count_t>(block.size() / 2));
            block.clear();
        }
    }
    sf_close(f);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::stod(argv[1]) : 120.0;
    const int item = argc > 2 ? std::stoi(argv[2]) : 1;
    const fs::path dir = fs::temp_directory_path() / ("kovra-recbench-" + std::to_string(getpid()));
    fs::create_directories(dir);

    // The pairs' input as the line adapters give it (8000 Hz stereo), and the same audio
    // at the chain's rate for lame.
    const fs::path wav8k = dir / "pair-8k.wav";
    const fs::path wav16k = dir / "line-16k.wav";
    writeWav(wav8k, 8000, seconds, 1);
    writeWav(wav16k, 16000, seconds, 1);

    std::string error;
    auto lame = kovra::LameLibrary::load(kovra::LameLibrary::kDefaultName, error);
    if (!lame) {
        std::fprintf(stderr, "encoder not loaded: %s\n", error.c_str());
        return 1;
    }

    const long rssBefore = statusKb("VmRSS:");
    std::vector<std::unique_ptr<RecordingFileFeed>> feeds;
    std::vector<std::unique_ptr<RecordingChain>> chains;
    for (int pair = 1; pair <= 3; ++pair) {
        feeds.push_back(std::make_unique<RecordingFileFeed>(wav8k));
        for (int side = 1; side <= 2; ++side) {
            auto capture = std::make_unique<PushedCaptureStage>();
            PushedCaptureStage* raw = capture.get();
            auto chain = std::make_unique<RecordingChain>(std::move(capture), lame);
            ChainConfig config;
            config.pairOne = pair == 1;
            config.side = side;
            config.amplifierOn = pair != 1;  // pairs 2, 3 with band-pass and gain
            chain->configure(config);
            chain->setBitRateItem(item);
            chain->writer().FileName =
                (dir / ("line" + std::to_string(2 * pair - 2 + side) + ".mp3")).string();
            feeds.back()->addTarget(raw);
            chains.push_back(std::move(chain));
        }
    }

    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    const auto wall0 = std::chrono::steady_clock::now();
    for (auto& c : chains) {
        c->writer().StartWriting();
    }
    long rssPeak = statusKb("VmRSS:");
    double position = 0;
    bool more = true;
    for (int step = 0; more; ++step) {
        position += 0.128;  // one detector buffer at a time, as the program feeds
        more = false;
        for (auto& f : feeds) {
            more = f->advanceTo(position) || more;
        }
        if (step % 100 == 0) {
            rssPeak = std::max(rssPeak, statusKb("VmRSS:"));
        }
    }
    for (auto& c : chains) {
        c->writer().StopWriting(true);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
    for (auto& c : chains) {
        if (!c->writer().lastError().empty()) {
            std::fprintf(stderr, "writer failed: %s\n", c->writer().lastError().c_str());
            return 1;
        }
    }

    // The reference: lame on one line's audio, mono output at the same bit rate/quality.
    const std::string kbps = std::to_string(kovra::bitRateKbpsForItem(item));
    const std::string out = (dir / "lame.mp3").string();
    const double child0 = cpuSeconds(RUSAGE_CHILDREN);
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("lame", "lame", "--quiet", "-m", "m", "-b", kbps.c_str(), "-q", "5", wav16k.c_str(),
               out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double lameCpu = cpuSeconds(RUSAGE_CHILDREN) - child0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "lame command failed\n");
        return 1;
    }

    const double perLine = cpu / 6.0;
    std::printf(
        "audio per line          %.1f s, %d kbit/s, 6 lines (pairs 2-3 with band-pass and gain)\n",
        seconds, kovra::bitRateKbpsForItem(item));
    std::printf("wall time, 6 lines      %.3f s\n", wall);
    std::printf("CPU, 6 lines            %.3f s (file reading and resampling included)\n", cpu);
    std::printf(
        "CPU per line            %.4f s = %.5f x real time (%.0f x faster than real time)\n",
        perLine, perLine / seconds, seconds / perLine);
    std::printf("lame CLI, one line      %.4f s = %.5f x real time\n", lameCpu, lameCpu / seconds);
    std::printf("per line / lame CLI     %.2f\n", perLine / lameCpu);
    std::printf("writers' memory         %ld KB resident for 6 chains (%ld KB per line)\n",
                rssPeak - rssBefore, (rssPeak - rssBefore) / 6);
    fs::remove_all(dir);
    return 0;
}
