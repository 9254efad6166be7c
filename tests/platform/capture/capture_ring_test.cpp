#include "platform/capture/capture_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "platform/capture/ring_fed_capture.h"
#include "platform/detectors/wave_view.h"
#include "platform/qt_event_loop.h"
#include "resident_memory.h"

namespace kovra {
namespace {

using namespace std::chrono_literals;
using Samples = std::vector<std::int16_t>;

Samples ramp(int from, std::size_t count) {
    Samples s(count);
    std::iota(s.begin(), s.end(), static_cast<std::int16_t>(from));
    return s;
}

TEST(CaptureRing, KeepsOrderAndDropsTheOldestWholeFramesWhenFull) {
    CaptureRing ring(4, 2);  // four stereo frames
    ring.write(ramp(0, 4));
    Samples out(16);
    EXPECT_EQ(ring.read(std::span(out).first(3)), 2U);  // whole frames only
    EXPECT_EQ(Samples(out.begin(), out.begin() + 2), ramp(0, 2));
    ring.write(ramp(4, 8));  // 1 frame kept + 4 new: the oldest frame goes
    EXPECT_EQ(ring.droppedFrames(), 1U);
    EXPECT_EQ(ring.read(out), 8U);
    EXPECT_EQ(Samples(out.begin(), out.begin() + 8), ramp(4, 8));
    ring.write(ramp(100, 12));  // larger than the ring: its last four frames stay
    EXPECT_EQ(ring.droppedFrames(), 3U);
    EXPECT_EQ(ring.read(out), 8U);
    EXPECT_EQ(Samples(out.begin(), out.begin() + 8), ramp(104, 8));
    EXPECT_EQ(ring.read(out), 0U);
}

// A writer far faster than the reader: what the reader gets is always whole frames of
// the writer's sequence in order, never a torn or repeated one. Each four-channel frame
// carries a 32-bit sequence number and its complement.
TEST(CaptureRing, AFloodingWriterNeverTearsWhatTheReaderGets) {
    CaptureRing ring(256, 4);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        Samples block(64);
        std::uint32_t next = 0;
        while (!stop.load()) {
            for (std::size_t i = 0; i < block.size(); i += 4, ++next) {
                for (std::size_t k = 0; k < 2; ++k) {
                    const auto half = static_cast<std::uint16_t>(next >> (16 * k));
                    block[i + k] = static_cast<std::int16_t>(half);
                    block[i + 2 + k] = static_cast<std::int16_t>(~half);
                }
            }
            ring.write(block);
        }
    });
    const auto half = [](std::int16_t s) {
        return static_cast<std::uint32_t>(static_cast<std::uint16_t>(s));
    };
    Samples out(100);
    std::int64_t last = -1;
    std::size_t got = 0;
    bool intact = true;
    // The reader naps now and then, so the writer laps it again and again.
    for (int round = 0; intact && round < 20000 && (got < 100000 || ring.droppedFrames() == 0);
         ++round) {
        if (round % 16 == 0) {
            std::this_thread::sleep_for(1ms);
        }
        const std::size_t n = ring.read(out);
        for (std::size_t i = 0; intact && i < n; i += 4) {
            const std::uint32_t seq = half(out[i]) | half(out[i + 1]) << 16;
            const std::uint32_t check = half(out[i + 2]) | half(out[i + 3]) << 16;
            intact = (seq ^ check) == 0xffffffffU && static_cast<std::int64_t>(seq) > last;
            EXPECT_TRUE(intact) << "after " << last << ": " << seq << " / " << check;
            last = seq;
        }
        got += n;
    }
    stop = true;
    writer.join();
    EXPECT_GT(got, 0U);
    EXPECT_GT(ring.droppedFrames(), 0U);
}

// Feeds the ring from a thread of its own as fast as it can: a device that delivers
// faster than the loop can work.
class FloodingCapture final : public RingFedCapture {
  public:
    explicit FloodingCapture(EventLoop& loop) : RingFedCapture(loop) {}
    ~FloodingCapture() override { closeSource(); }
    int WaveInDeviceID() const override { return 0; }

  private:
    bool openSource() override {
        CaptureRing& ring = openRing(kSampleRate, framesPerBuffer(), "flood test device");
        stop_ = false;
        thread_ = std::thread([this, &ring] {
            const Samples block(160 * static_cast<std::size_t>(channels()), 1000);
            while (!stop_.load()) {
                ring.write(block);
            }
        });
        return true;
    }
    void closeSource() override {
        if (thread_.joinable()) {
            stop_ = true;
            thread_.join();
        }
        closeRing();
    }

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

using test::residentBytes;

int countLines(const std::string& text, const std::string& needle) {
    int count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

// A flood for over a second of real time: memory stays put, a loop timer still ticks on
// time (within one buffer period, 1 s here, generous for a loaded machine; a starved loop
// never ticks at all), the audio keeps flowing, and the loss is one log line naming the
// device when the flood ends.
// An unpaced writer on an idle machine is the hard case: a reader that copied the oldest
// frames would be overwritten every time and the view would see no level at all.
TEST(RingFedCapture, AFloodCostsOnlyTheOldestAudioNotMemoryOrTheLoop) {
    QtEventLoop loop;
    FloodingCapture capture(loop);
    SpectrumView view;
    int levels = 0;
    view.OnPeak = [&](float) { ++levels; };
    view.SetWaveSource(&capture);
    capture.SelectFormat(6);
    capture.RecordBufferLength = 16000;  // 8000 frames: 1 s
    const Millis bufferPeriod{1000};

    testing::internal::CaptureStderr();
    capture.StartCapture(0);
    ASSERT_TRUE(capture.CaptureRunning());
    const std::size_t residentAtStart = residentBytes();
    std::size_t residentMax = residentAtStart;

    using Clock = std::chrono::steady_clock;
    const Millis tick{100};
    std::vector<Clock::time_point> ticks{Clock::now()};
    loop.startTimer(
        tick,
        [&] {
            ticks.push_back(Clock::now());
            residentMax = std::max(residentMax, residentBytes());
            if (ticks.size() > 15) {
                capture.StopCapture();
                loop.quit(0);
            }
        },
        true);
    // Never hangs: a starved loop still ends through this.
    std::atomic<bool> done{false};
    std::thread guard([&] {
        for (int i = 0; i < 200 && !done.load(); ++i) {
            std::this_thread::sleep_for(50ms);
        }
        loop.quit(1);
    });
    const int exitCode = loop.run();
    done = true;
    guard.join();
    const std::string log = testing::internal::GetCapturedStderr();

    EXPECT_EQ(exitCode, 0) << "the loop timer was starved";
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_LT(ticks[i] - ticks[i - 1], tick + bufferPeriod) << "tick " << i;
    }
    EXPECT_LT(residentMax - residentAtStart, 64U << 20);
    EXPECT_GE(levels, 1);
    EXPECT_EQ(countLines(log, "dropped the oldest"), 1) << log;
    EXPECT_EQ(countLines(log, "\"flood test device\""), 1) << log;
}

}  // namespace
}  // namespace kovra
