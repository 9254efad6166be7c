// Two virtual sound cards of a private sound server, a tone played into one of them: the
// detectors' capture and the recording capture, both opened by card name, each hear the
// card they were given and not the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "line_signals.h"
#include "platform/capture/capture_device_lookup.h"
#include "platform/capture/portaudio_capture.h"
#include "platform/detectors/wave_view.h"
#include "platform/simulated_event_loop.h"
#include "recording/portaudio_capture_stage.h"
#include "sound_server.h"

namespace kovra {
namespace {

using namespace std::chrono_literals;
using namespace testsignals;

const std::string kToneCard = "kovra_cap_tone";
const std::string kQuietCard = "kovra_cap_quiet";

class CardCaptureTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        server_ = test::SoundServer::start({kToneCard, kQuietCard}, why);
        if (!server_) {
            GTEST_SKIP() << "no sound server: " << why;
        }
        server_->useInThisProcess();
        const auto wav = server_->folder() / "tone.wav";
        writeWav(wav, kRate, 2, stereo(tone(1000, 20000, -6), tone(1000, 20000, -6)));
        ASSERT_TRUE(server_->playInBackground(kToneCard, wav));
    }
    std::unique_ptr<test::SoundServer> server_;
};

// The loudest level each card's capture reports over about a second of buffers.
TEST_F(CardCaptureTest, EachDetectorCaptureHearsItsOwnCard) {
    SimulatedEventLoop loop;
    struct Capture {
        std::unique_ptr<PortAudioCapture> capture;
        SpectrumView view;
        float loudest = SpectrumView::kFloorDb;
        int buffers = 0;
    };
    std::array<Capture, 2> captures;
    const std::array<std::string, 2> cards = {kToneCard, kQuietCard};
    for (std::size_t i = 0; i < 2; ++i) {
        Capture& c = captures[i];
        c.capture = std::make_unique<PortAudioCapture>(loop);
        c.view.OnPeak = [&c](float level) {
            // The first buffers may come before the tone reaches the card.
            if (++c.buffers > 2) {
                c.loudest = std::max(c.loudest, level);
            }
        };
        c.view.SetWaveSource(c.capture.get());
        c.capture->WaveInDevice = cards[i];
        c.capture->SelectFormat(7);
        c.capture->RecordBufferLength = 2048;
        c.capture->StartCapture(0);
        ASSERT_TRUE(c.capture->CaptureRunning()) << cards[i];
        EXPECT_GE(c.capture->WaveInDeviceID(), 0);
    }
    // The cards deliver in real time; the loop takes their audio at each buffer period of
    // loop time. Ends with the twelfth buffer of each or at the deadline.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while ((captures[0].buffers < 12 || captures[1].buffers < 12) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
        loop.advance(64ms);
    }
    for (Capture& c : captures) {
        c.capture->StopCapture();
    }
    loop.runPending();
    EXPECT_GE(captures[0].buffers, 12);
    EXPECT_GT(captures[0].loudest, -12.0F);  // the tone at -6 dBFS
    EXPECT_LT(captures[1].loudest, -60.0F);  // silence
}

// The RMS of what the recording capture of a card delivers in about a second.
double recordedRms(const std::string& card) {
    PortAudioCaptureStage stage;
    stage.setDeviceNumber(99);  // the name decides
    stage.setDeviceName(card);
    stage.setInChannels(2);
    stage.open();
    std::vector<std::int16_t> block(4096);
    double sum = 0;
    std::size_t count = 0;
    for (int i = 0; i < 20 && count < 2 * 16000; ++i) {
        const std::size_t n = stage.read(block);
        // Skip the first reads: the stream may start before the tone reaches it.
        if (i >= 2) {
            for (std::size_t j = 0; j < n; ++j) {
                sum += static_cast<double>(block[j]) * block[j];
            }
            count += n;
        }
    }
    stage.close();
    return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}

TEST_F(CardCaptureTest, EachRecordingCaptureRecordsItsOwnCard) {
    EXPECT_GT(recordedRms(kToneCard), 5000.0);  // -6 dBFS sine: RMS about 11600
    EXPECT_LT(recordedRms(kQuietCard), 30.0);
}

TEST_F(CardCaptureTest, AnUnknownCardNamesWhatThereIs) {
    PortAudioCaptureStage stage;  // keeps PortAudio initialised for the lookup
    std::string why;
    EXPECT_EQ(findCaptureDevice("Placa Que Nao Existe", why).index, -1);
    EXPECT_NE(why.find("Placa Que Nao Existe"), std::string::npos) << why;
    EXPECT_NE(why.find(kToneCard), std::string::npos) << why;
    stage.setDeviceName("Placa Que Nao Existe");
    EXPECT_THROW(stage.open(), ChainError);
}

}  // namespace
}  // namespace kovra
