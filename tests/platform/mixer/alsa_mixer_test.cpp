// The ALSA mixer adapter on a private PulseAudio server whose virtual cards ALSA sees by
// name: the card list, the line tree, volumes and mutes read back with pactl, and the
// options model changing one card and not the other.
#include "platform/mixer/alsa_mixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/audio_mixer.h"
#include "audio/sound_card_options.h"
#include "platform/headless_user_interface.h"
#include "sound_server.h"

namespace kovra::mixer {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> kCards = {"kovra_mx_a", "kovra_mx_b"};

class AlsaMixerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string why;
        server_ = test::SoundServer::start(kCards, why).release();
        if (server_ == nullptr) {
            skipReason_ = new std::string(why);
            return;
        }
        server_->useInThisProcess();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (server_ == nullptr) {
            GTEST_SKIP() << "no sound server: " << *skipReason_;
        }
    }
    // The device id of a test card in the backend.
    static int idOf(const AlsaMixer& backend, const std::string& name) {
        for (std::size_t i = 0; i < backend.cards().size(); ++i) {
            if (backend.cards()[i].name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    static test::SoundServer* server_;
    static std::string* skipReason_;
};

test::SoundServer* AlsaMixerTest::server_ = nullptr;
std::string* AlsaMixerTest::skipReason_ = nullptr;

TEST_F(AlsaMixerTest, TheConfiguredCardsAreListedWithTheirCapture) {
    const std::vector<SoundCard> cards = listSoundCards();
    for (const std::string& name : kCards) {
        const SoundCard* card = findSoundCard(cards, name);
        ASSERT_NE(card, nullptr) << name;
        EXPECT_EQ(card->ctl, name);
        EXPECT_EQ(card->pcm, name);
        EXPECT_GE(card->captureChannels, 2);
    }
    for (const SoundCard& card : cards) {
        EXPECT_NE(card.name, "default");
        EXPECT_NE(card.name, "sysdefault");
    }
    AlsaMixer backend(cards);
    const auto capture = backend.captureDevices();
    EXPECT_TRUE(std::any_of(capture.begin(), capture.end(),
                            [](const CaptureDeviceCaps& c) { return c.name == kCards[0]; }));
}

TEST_F(AlsaMixerTest, ACardIsAPlaybackAndARecordingLine) {
    AlsaMixer backend;
    audio::TAudioMixer mixer(backend);
    const int id = idOf(backend, kCards[0]);
    ASSERT_GE(id, 0);
    mixer.SetMixerId(id);
    ASSERT_EQ(mixer.MixerId(), id);
    EXPECT_EQ(mixer.ProductName(), kCards[0]);
    EXPECT_EQ(mixer.Manufacturer(), "0 = Unknown");
    ASSERT_EQ(mixer.Destinations().size(), 2U);
    EXPECT_EQ(mixer.Destinations()[0].LineInfo.componentType, kComponentDstSpeakers);
    const audio::TMixerDestination& capture = mixer.Destinations()[1];
    EXPECT_EQ(capture.LineInfo.componentType, kComponentDstWaveIn);
    EXPECT_EQ(capture.LineInfo.name, "Capture");
    std::vector<std::uint32_t> types;
    for (const MixerControl& c : capture.ControlList) {
        types.push_back(c.controlType);
    }
    EXPECT_EQ(types, (std::vector<std::uint32_t>{kControlVolume, kControlMute}));
}

TEST_F(AlsaMixerTest, VolumeAndMuteReachTheServerAndReadBack) {
    AlsaMixer backend;
    audio::TAudioMixer mixer(backend);
    mixer.SetMixerId(idOf(backend, kCards[0]));
    ASSERT_GE(mixer.MixerId(), 0);

    ASSERT_TRUE(mixer.ApplyLineState(1, -1, 40 * audio::kVolumePerPercent, -1, 1));
    EXPECT_EQ(server_->captureVolumePercent(kCards[0]), 40);
    EXPECT_NE(server_->pactl("get-source-mute " + kCards[0] + ".monitor")->find("yes"),
              std::string::npos);

    ASSERT_TRUE(server_->pactl("set-source-volume " + kCards[0] + ".monitor 70%"));
    ASSERT_TRUE(server_->pactl("set-source-mute " + kCards[0] + ".monitor 0"));
    mixer.SetMixerId(mixer.MixerId());  // the tree is a snapshot: reopen to read afresh
    audio::LineState state;
    ASSERT_TRUE(mixer.QueryLineState(1, -1, state));
    EXPECT_NEAR(state.LeftLevel, 45875, 2);  // 70 % of 65535
    EXPECT_NEAR(state.RightLevel, 45875, 2);
    EXPECT_TRUE(state.TwoChannels);
    EXPECT_EQ(state.MuteState, 0);
    EXPECT_EQ(mixer.ModeCaption, "Sem áudio");
}

TEST_F(AlsaMixerTest, AChangeMadeElsewhereIsNotified) {
    AlsaMixer backend;
    audio::TAudioMixer mixer(backend);
    mixer.SetMixerId(idOf(backend, kCards[1]));
    int changes = 0;
    mixer.OnControlChange = [&](audio::TAudioMixer&, std::uint32_t, std::uint32_t) { ++changes; };
    ASSERT_TRUE(server_->pactl("set-source-volume " + kCards[1] + ".monitor 33%"));
    for (int i = 0; i < 200 && changes == 0; ++i) {
        mixer.pollNotifications();
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_GT(changes, 0);
}

// A pair's options on one card change that card only.
TEST_F(AlsaMixerTest, TheOptionsVolumeChangesTheChosenCardAlone) {
    ASSERT_TRUE(server_->pactl("set-source-volume " + kCards[0] + ".monitor 90%"));
    AlsaMixer backend;
    HeadlessUserInterface ui;
    audio::SoundCardOptions options(backend, ui, 10);
    const int id = idOf(backend, kCards[1]);
    ASSERT_GE(id, 0);
    options.cbALLDriver.select(id);
    options.cbALLDriverChange();
    EXPECT_GE(options.WaveInIndex, 1);
    EXPECT_EQ(options.ListBox3.Items.at(static_cast<std::size_t>(options.WaveInIndex)), kCards[1]);
    options.TrackLB = 55;
    options.TrackLBChange();
    EXPECT_EQ(server_->captureVolumePercent(kCards[1]), 55);
    EXPECT_EQ(server_->captureVolumePercent(kCards[0]), 90);
}

}  // namespace
}  // namespace kovra::mixer
