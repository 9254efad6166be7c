// What live capture alone costs: the program's own detector capture (PortAudio, its ring
// and the loop's drain) on the given cards, with no detector attached. The live bench
// sets it beside the monitor's figure, as the part of live CPU that no detector work
// can remove.
//
// usage: kovra-bench-capture-floor SECONDS BUFFER_BYTES CARD...
// Prints "cpu_s=<user+system> seconds=<window> frames=<frames delivered>" after a window
// of SECONDS that starts once every capture runs and has settled for 2 s.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/capture/portaudio_capture.h"
#include "platform/qt_event_loop.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SECONDS BUFFER_BYTES CARD...\n", argv[0]);
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    const int bufferBytes = std::atoi(argv[2]);
    kovra::QtEventLoop loop;
    std::vector<std::unique_ptr<kovra::PortAudioCapture>> captures;
    long long frames = 0;
    for (int i = 3; i < argc; ++i) {
        auto capture = std::make_unique<kovra::PortAudioCapture>(loop);
        capture->WaveInDevice = argv[i];
        capture->RecordBufferLength = bufferBytes;
        capture->SelectFormat(7);
        capture->setSampleObserver(
            [&frames](const kovra::CaptureBuffer& buffer) { frames += buffer.frames(); });
        capture->StartCapture(0);
        if (!capture->CaptureRunning()) {
            std::fprintf(stderr, "cannot capture from %s\n", argv[i]);
            return 1;
        }
        captures.push_back(std::move(capture));
    }
    double cpuAtStart = 0;
    long long framesAtStart = 0;
    auto windowStart = std::chrono::steady_clock::now();
    loop.startTimer(
        kovra::Millis(2000),
        [&] {
            cpuAtStart = cpuSeconds();
            framesAtStart = frames;
            windowStart = std::chrono::steady_clock::now();
            loop.startTimer(
                kovra::Millis(1000 * seconds), [&] { loop.quit(0); }, false);
        },
        false);
    loop.run();
    const double window =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - windowStart).count();
    std::printf("cpu_s=%.3f seconds=%.3f frames=%lld\n", cpuSeconds() - cpuAtStart, window,
                frames - framesAtStart);
    for (auto& capture : captures) {
        capture->StopCapture();
    }
    return 0;
}
