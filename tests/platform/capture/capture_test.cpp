#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "line_signals.h"
#include "platform/capture/fast_audio_driver.h"
#include "platform/capture/portaudio_capture.h"
#include "platform/capture/wav_file_capture.h"
#include "platform/capture/wav_file_reader.h"
#include "platform/detectors/peak_frequencies.h"
#include "platform/detectors/wave_view.h"
#include "platform/simulated_event_loop.h"
#include "resident_memory.h"

namespace kovra {
namespace {

using namespace testsignals;
using namespace std::chrono_literals;

using test::residentBytes;

TEST(WavFileReader, ResamplesAnyRateAndKeepsChannels) {
    TempFolder dir;
    const auto file = dir.path("cd.wav");
    // One second of 44100 Hz stereo: 1000 Hz left, 600 Hz right.
    Samples left(44100);
    Samples right(44100);
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] =
            static_cast<std::int16_t>(10000 * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0));
        right[i] =
            static_cast<std::int16_t>(10000 * std::sin(2 * std::numbers::pi * 600 * i / 44100.0));
    }
    writeWav(file, 44100, 2, stereo(left, right));
    for (const int rate : {8000, 16000}) {
        const PcmAudio audio = WavFileReader::readAll(file, rate);
        EXPECT_EQ(audio.channels, 2);
        EXPECT_EQ(audio.sampleRate, rate);
        EXPECT_NEAR(static_cast<double>(audio.frames()), rate, rate / 100.0);
        for (const auto& [channel, frequency] : {std::pair{0, 1000.0}, std::pair{1, 600.0}}) {
            Samples mono;
            for (std::size_t f = rate / 4; f < static_cast<std::size_t>(rate / 4 + 1024); ++f) {
                mono.push_back(audio.interleaved[2 * f + static_cast<std::size_t>(channel)]);
            }
            PeakFrequencyAnalyzer peaks(rate);
            peaks.analyze(mono);
            EXPECT_NEAR(peaks.first(), frequency, 10) << rate << " Hz, channel " << channel;
        }
    }
}

// At the file's own rate the samples come through untouched, however the reads fall against
// the reader's own blocks.
TEST(WavFileReader, AtTheFileRateSmallReadsGiveEverySampleOnce) {
    TempFolder dir;
    const auto file = dir.path("line.wav");
    Samples left(40000);
    Samples right(40000);
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = static_cast<std::int16_t>(i % 30011);
        right[i] = static_cast<std::int16_t>(-static_cast<int>(i % 29989));
    }
    const Samples both = stereo(left, right);
    writeWav(file, 8000, 2, both);
    WavFileReader reader(file, 8000);
    Samples got;
    std::vector<std::int16_t> block(2 * 333);
    while (const std::size_t frames = reader.read(block)) {
        got.insert(got.end(), block.begin(),
                   block.begin() + static_cast<std::ptrdiff_t>(2 * frames));
    }
    EXPECT_EQ(got, both);
    EXPECT_EQ(reader.read(block), 0U);
}

TEST(WavFileReader, BadFilesAreRefusedNamingFileAndReason) {
    TempFolder dir;
    writeWav(dir.path("good.wav"), 8000, 1, tone(1000, 1000, -6));
    std::ifstream in(dir.path("good.wav"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto writeBytes = [&](const std::string& name, const std::string& content) {
        std::ofstream(dir.path(name), std::ios::binary) << content;
        return dir.path(name);
    };
    struct Case {
        std::filesystem::path file;
        std::string reason;
    };
    const Case cases[] = {
        {dir.path("missing.wav"), "no such file"},
        {writeBytes("text.wav", "this is not audio at all\n"), "cannot read as audio"},
        {writeBytes("header.wav", bytes.substr(0, 30)), "cannot read as audio"},
        {writeBytes("cut.wav", bytes.substr(0, bytes.size() / 2)), "truncated"},
        // A WAV header naming a sample format no decoder knows (tag 0x1234).
        {writeBytes("codec.wav",
                    bytes.substr(0, 20) + std::string("\x34\x12", 2) + bytes.substr(22)),
         "cannot read as audio"},
    };
    for (const Case& c : cases) {
        try {
            WavFileReader reader(c.file, 8000);
            ADD_FAILURE() << c.file << " was accepted";
        } catch (const WavReadError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(c.file.string()), std::string::npos) << what;
            EXPECT_NE(what.find(c.reason), std::string::npos) << what;
        }
    }
}

struct FileRun {
    SimulatedEventLoop loop;
    FastAudioDriver driver{loop};
    WavFileCapture capture;
    SpectrumView view;
    std::vector<std::string> log;
    std::vector<Millis> peakTimes;

    FileRun(const std::filesystem::path& file, bool fast)
        : capture(loop, file, fast ? &driver : nullptr) {
        view.SetWaveSource(&capture);
        view.OnPeak = [this](float) { peakTimes.push_back(elapsed()); };
        capture.OnRecordDone = [this] { log.push_back("RecordDone"); };
        capture.OnEndOfInput = [this] {
            log.push_back("EndOfInput");
            loop.quit(0);
        };
    }
    Millis elapsed() const {
        return std::chrono::duration_cast<Millis>(loop.now() - SimulatedEventLoop::defaultStart());
    }
};

TEST(WavFileCapture, OnePeakPerBufferForEachBufferSizeAndFormat) {
    TempFolder dir;
    const auto file = dir.path("line.wav");
    writeWav(file, 8000, 2, stereo(tone(425, 2048, -20), tone(1000, 2048, -10)));
    struct Case {
        int format;
        int bytes;
        int bufferMs;  // bytes cover all channels: 2048 bytes of stereo are 512 frames
    };
    const Case cases[] = {{7, 4096, 128}, {7, 2048, 64},  {7, 1024, 32},
                          {6, 4096, 256}, {6, 2048, 128}, {6, 1024, 64}};
    for (const Case& c : cases) {
        FileRun run(file, true);
        run.capture.SelectFormat(c.format);
        run.capture.RecordBufferLength = c.bytes;
        run.capture.StartCapture(0);
        ASSERT_TRUE(run.capture.CaptureRunning());
        EXPECT_EQ(run.driver.run(), 0);
        const auto label = std::to_string(c.format) + "/" + std::to_string(c.bytes);
        // 2.048 s of audio: the clock stood at the end of each buffer when it was delivered.
        ASSERT_EQ(static_cast<int>(run.peakTimes.size()), 2048 / c.bufferMs) << label;
        const Millis bufferTime(c.bufferMs);
        for (std::size_t i = 0; i < run.peakTimes.size(); ++i) {
            EXPECT_EQ(run.peakTimes[i], bufferTime * static_cast<int>(i + 1)) << label;
        }
        EXPECT_EQ(run.log, (std::vector<std::string>{"RecordDone", "EndOfInput"})) << label;
        EXPECT_FALSE(run.capture.CaptureRunning());
        EXPECT_TRUE(run.capture.endOfInput());
    }
}

TEST(WavFileCapture, FastModeMovesTheClockSoTimersFireAtAudioPositions) {
    TempFolder dir;
    const auto file = dir.path("line.wav");
    writeWav(file, 8000, 1, join({silence(1000), tone(1000, 1000, -6)}));
    FileRun run(file, true);
    std::vector<float> levelAtTimer;
    float lastLevel = SpectrumView::kFloorDb;
    run.view.OnPeak = [&](float level) { lastLevel = level; };
    // A 500 ms timer samples the level: silent at 0.5 s, the tone at 1.5 s.
    run.loop.startTimer(
        500ms, [&] { levelAtTimer.push_back(lastLevel); }, true);
    run.capture.SelectFormat(6);
    run.capture.RecordBufferLength = 1024;
    run.capture.StartCapture(0);
    run.driver.run();
    ASSERT_GE(levelAtTimer.size(), 3U);
    EXPECT_EQ(levelAtTimer[0], SpectrumView::kFloorDb);
    EXPECT_NEAR(levelAtTimer[2], -6, 0.5);
    EXPECT_EQ(run.elapsed(), 2048ms);  // 2 s of audio in whole 64 ms buffers
}

TEST(WavFileCapture, RealTimePacingUsesTheLoopTimers) {
    TempFolder dir;
    const auto file = dir.path("line.wav");
    writeWav(file, 8000, 1, tone(425, 3000, -20));
    FileRun run(file, false);
    run.capture.SelectFormat(6);
    run.capture.RecordBufferLength = 2048;  // 128 ms
    run.capture.StartCapture(0);
    run.loop.advance(1000ms);
    EXPECT_EQ(run.peakTimes.size(), 7U);
    run.loop.advance(3000ms);
    EXPECT_EQ(run.log, (std::vector<std::string>{"RecordDone", "EndOfInput"}));
    EXPECT_EQ(run.peakTimes.size(), 24U);  // 3 s rounded up to whole buffers
}

TEST(WavFileCapture, StopAnswersWithRecordDoneAndTheLinePlaysOn) {
    TempFolder dir;
    const auto file = dir.path("line.wav");
    writeWav(file, 8000, 1, tone(425, 3000, -20));
    FileRun run(file, false);
    std::vector<std::int64_t> starts;
    run.capture.setSampleObserver([&](const CaptureBuffer& b) { starts.push_back(b.startFrame); });
    run.capture.SelectFormat(6);
    run.capture.RecordBufferLength = 1024;
    run.capture.StartCapture(0);
    run.loop.advance(640ms);
    EXPECT_EQ(run.peakTimes.size(), 10U);
    run.capture.StopCapture();
    EXPECT_TRUE(run.capture.CaptureBusy());
    run.loop.runPending();
    EXPECT_FALSE(run.capture.CaptureBusy());
    EXPECT_EQ(run.log, std::vector<std::string>{"RecordDone"});
    run.loop.advance(640ms);  // stopped: the line plays on unheard
    EXPECT_EQ(run.peakTimes.size(), 10U);
    run.capture.StartCapture(0);
    run.loop.advance(640ms);
    EXPECT_EQ(run.peakTimes.size(), 20U);
    EXPECT_EQ(starts.back(), 9 * 512);  // positions count from the restart
}

TEST(WavFileCapture, ABadFileLeavesCaptureStopped) {
    TempFolder dir;
    FileRun run(dir.path("missing.wav"), true);
    run.capture.StartCapture(0);
    EXPECT_FALSE(run.capture.CaptureRunning());
}

TEST(PortAudioCapture, AMissingDeviceIsLoggedAndCaptureStaysStopped) {
    SimulatedEventLoop loop;
    PortAudioCapture capture(loop);
    capture.WaveInDevice = "Placa Que Nao Existe 9";
    capture.SelectFormat(7);
    testing::internal::CaptureStderr();
    capture.StartCapture(0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(capture.CaptureRunning());
    EXPECT_NE(err.find("Placa Que Nao Existe 9"), std::string::npos) << err;
    EXPECT_EQ(capture.WaveInDeviceID(), -1);
}

// A live stream end to end on ALSA's null device, where the machine has ALSA's
// configuration. That device is not paced: it hands over buffers as fast as the audio thread
// takes them. The ring keeps that flood to its own few seconds, and the loop's wake-ups
// (one per buffer period of loop time) cut buffers and raise the events.
TEST(PortAudioCapture, ALiveDeviceDeliversBuffersOnTheLoop) {
    const std::filesystem::path alsaConf = "/usr/share/alsa/alsa.conf";
    if (!std::filesystem::exists(alsaConf)) {
        GTEST_SKIP() << "no ALSA configuration on this machine";
    }
    TempFolder dir;
    std::ofstream(dir.path("null.conf"))
        << "pcm.kovranull { type null hint { show on description \"null capture\" } }\n";
    // On top of the configuration the tests run with (ALSA's own, see tests/CMakeLists.txt).
    const char* base = std::getenv("ALSA_CONFIG_PATH");
    const std::string baseConf = base != nullptr ? base : alsaConf.string();
    const std::string path = baseConf + ":" + dir.path("null.conf").string();
    ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);

    SimulatedEventLoop loop;
    PortAudioCapture capture(loop);
    SpectrumView view;
    std::vector<float> levels;
    int recordDone = 0;
    view.OnPeak = [&](float level) { levels.push_back(level); };
    capture.OnRecordDone = [&] { ++recordDone; };
    view.SetWaveSource(&capture);
    capture.WaveInDevice = "kovranull";
    capture.SelectFormat(6);
    capture.RecordBufferLength = 1024;
    testing::internal::CaptureStderr();  // ALSA reports missing sound cards
    capture.StartCapture(0);
    testing::internal::GetCapturedStderr();
    ::setenv("ALSA_CONFIG_PATH", baseConf.c_str(), 1);
    if (!capture.CaptureRunning()) {
        GTEST_SKIP() << "ALSA's null device cannot capture here";
    }
    EXPECT_GE(capture.WaveInDeviceID(), 0);
    // The audio thread needs real time to run; the wait ends with the third level or at the
    // deadline, never later, whatever the device does.
    const auto residentAtStart = residentBytes();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (levels.size() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        loop.advance(64ms);  // one buffer period of 512 frames
    }
    // Let it flood a little longer: memory stays where it was.
    std::this_thread::sleep_for(200ms);
    loop.advance(64ms);
    EXPECT_LT(residentBytes() - std::min(residentBytes(), residentAtStart), 64U << 20);
    capture.StopCapture();
    loop.runPending();
    EXPECT_GE(levels.size(), 3U);
    // What the null device hands over is unspecified; it must still read as a level.
    EXPECT_TRUE(std::all_of(levels.begin(), levels.end(), [](float level) {
        return std::isfinite(level) && level >= SpectrumView::kFloorDb && level <= 3.1F;
    }));
    EXPECT_EQ(recordDone, 1);
    EXPECT_FALSE(capture.CaptureRunning());
}

}  // namespace
}  // namespace kovra
