// The mixer model over an in-memory mixer: opening devices, the line tree, and reading
// and writing a line's volume and mute or selection.
#include "audio/audio_mixer.h"

#include <gtest/gtest.h>

#include "mixer_cards.h"

namespace kovra::audio {
namespace {

using namespace test;

struct TwoCards {
    MemoryMixer backend;
    TwoCards() {
        backend.addCard(selectCard());
        backend.addCard(muteCard());
    }
};

TEST(AudioMixer, OpensTheFirstDeviceAndBuildsItsTree) {
    TwoCards cards;
    TAudioMixer mixer(cards.backend);
    EXPECT_EQ(mixer.deviceCount(), 2);
    EXPECT_EQ(mixer.MixerId(), 0);
    EXPECT_EQ(mixer.ProductName(), "SoundMAX Digital Audio");
    EXPECT_EQ(mixer.Manufacturer(), "Microsoft");
    EXPECT_EQ(mixer.NumberOfLine(), 2);
    ASSERT_EQ(mixer.Destinations().size(), 2U);
    const TMixerDestination& recording = mixer.Destinations()[1];
    EXPECT_EQ(recording.LineInfo.name, "Recording Control");
    EXPECT_EQ(recording.LineInfo.componentType, mixer::kComponentDstWaveIn);
    EXPECT_EQ(recording.ControlList.size(), 2U);
    ASSERT_EQ(recording.ConnectionList.size(), 4U);
    EXPECT_EQ(recording.ConnectionList[3].LineInfo.name, "Phone");
    EXPECT_EQ(mixer.Destination(2), nullptr);
    EXPECT_EQ(mixer.Destination(-1), nullptr);
}

TEST(AudioMixer, ManufacturerAndNameAsTheDeviceReportsThem) {
    MemoryMixer backend;
    MemoryMixer::Card card = serverCard("A sound card with a very long product name");
    card.manufacturerId = 5;
    backend.addCard(card);
    TAudioMixer mixer(backend);
    EXPECT_EQ(mixer.Manufacturer(), "5 = Unknown");
    EXPECT_EQ(mixer.ProductName(), "A sound card with a very long p");
}

TEST(AudioMixer, DeviceIdsOutsideTheSystemChangeNothing) {
    TwoCards cards;
    TAudioMixer mixer(cards.backend);
    mixer.SetMixerId(1);
    const int opens = cards.backend.opens;
    for (const int id : {-1, 2, 99}) {
        mixer.SetMixerId(id);
        EXPECT_EQ(mixer.MixerId(), 1) << id;
        EXPECT_EQ(mixer.ProductName(), "Realtek HD Audio") << id;
        EXPECT_EQ(mixer.Destinations().size(), 1U) << id;
    }
    EXPECT_EQ(cards.backend.opens, opens);
    mixer.SetMixerId(1);  // the open device is reopened
    EXPECT_EQ(cards.backend.opens, opens + 1);
}

// Two opens with notifications, then one without; after three failures nothing is open.
TEST(AudioMixer, OpeningRetriesThenGoesWithoutNotifications) {
    struct Case {
        int failingOpens;
        int expectedId;
        bool notified;
    };
    for (const Case c :
         {Case{0, 0, true}, Case{1, 0, true}, Case{2, 0, false}, Case{3, -1, false}}) {
        MemoryMixer backend;
        MemoryMixer::Card card = serverCard("card");
        card.failingOpens = c.failingOpens;
        backend.addCard(card);
        TAudioMixer mixer(backend);
        EXPECT_EQ(mixer.MixerId(), c.expectedId) << c.failingOpens;
        EXPECT_EQ(mixer.Destinations().empty(), c.expectedId < 0) << c.failingOpens;
        std::vector<std::uint32_t> changed;
        mixer.OnControlChange = [&](TAudioMixer&, std::uint32_t, std::uint32_t id) {
            changed.push_back(id);
        };
        backend.notifyControlChange(0, 1001);
        mixer.pollNotifications();
        EXPECT_EQ(changed.size(), c.notified ? 1U : 0U) << c.failingOpens;
    }
}

TEST(AudioMixer, LinesAndControlsThePlatformRefusesAreLeftOut) {
    MemoryMixer backend;
    MemoryMixer::Card card = selectCard();
    card.destinations[0].line.undescribed = true;
    card.destinations[1].sources[1].undescribed = true;
    card.destinations[1].sources[2].controlsRefused = true;
    backend.addCard(card);
    TAudioMixer mixer(backend);
    ASSERT_EQ(mixer.Destinations().size(), 1U);
    const auto& sources = mixer.Destinations()[0].ConnectionList;
    ASSERT_EQ(sources.size(), 3U);
    EXPECT_EQ(sources[1].LineInfo.name, "Stereo Mix");
    EXPECT_TRUE(sources[1].ControlList.empty());
}

TEST(AudioMixer, QueryReadsSelectionVolumeAndMute) {
    TwoCards cards;
    cards.backend.find(0, "Line In", "Volume")->values = {30000, 20000};
    cards.backend.find(0, "Mic", "Volume")->values = {12345};
    cards.backend.find(0, "Phone", "Mute")->values = {1};
    TAudioMixer mixer(cards.backend);

    LineState mic;
    ASSERT_TRUE(mixer.QueryLineState(1, 0, mic));
    EXPECT_EQ(mixer.ModeCaption, "Selecionar");
    EXPECT_TRUE(mixer.SelectMode);
    EXPECT_TRUE(mic.FromSelector);
    EXPECT_EQ(mic.MuteState, 1);  // selected
    EXPECT_FALSE(mic.SwitchDisabled);
    EXPECT_EQ(mic.LeftLevel, 12345);  // one channel: right as left
    EXPECT_EQ(mic.RightLevel, 12345);
    EXPECT_FALSE(mic.TwoChannels);
    EXPECT_FALSE(mic.LevelDisabled);

    LineState lineIn;
    ASSERT_TRUE(mixer.QueryLineState(1, 1, lineIn));
    EXPECT_EQ(lineIn.MuteState, 0);
    EXPECT_EQ(lineIn.LeftLevel, 30000);
    EXPECT_EQ(lineIn.RightLevel, 20000);
    EXPECT_TRUE(lineIn.TwoChannels);

    // Not in the list: the source's own mute decides.
    LineState phone;
    ASSERT_TRUE(mixer.QueryLineState(1, 3, phone));
    EXPECT_EQ(mixer.ModeCaption, "Sem áudio");
    EXPECT_FALSE(mixer.SelectMode);
    EXPECT_FALSE(phone.FromSelector);
    EXPECT_EQ(phone.MuteState, 1);
}

TEST(AudioMixer, QueryFailsWithoutDeviceOrDestination) {
    MemoryMixer empty;
    TAudioMixer none(empty);
    LineState state;
    EXPECT_FALSE(none.QueryLineState(0, -1, state));

    TwoCards cards;
    TAudioMixer mixer(cards.backend);
    EXPECT_FALSE(mixer.QueryLineState(5, -1, state));
    // A source that does not exist: success with nothing read.
    state.LeftLevel = 7;
    EXPECT_TRUE(mixer.QueryLineState(1, 9, state));
    EXPECT_EQ(state.LeftLevel, -1);
    EXPECT_EQ(state.MuteState, -1);
    EXPECT_TRUE(state.LevelDisabled);
    EXPECT_TRUE(state.SwitchDisabled);
    EXPECT_TRUE(mixer.ModeCaption.empty());
}

TEST(AudioMixer, QueryPassesOverWhatCannotBeReadAndMultipleControls) {
    MemoryMixer backend;
    MemoryMixer::Card card = muteCard();
    auto& controls = card.destinations[0].sources[0].controls;  // Mic
    controls.insert(controls.begin(), volume("Mixed", mixer::kFlagMultiple));
    controls.insert(controls.begin(), volume("Broken"));
    controls[0].unreadable = true;
    controls.push_back(volume("Second"));
    backend.addCard(card);
    backend.find(0, "Mic", "Volume")->values = {111, 222};
    backend.find(0, "Mic", "Second")->values = {999, 999};
    TAudioMixer mixer(backend);
    LineState state;
    ASSERT_TRUE(mixer.QueryLineState(0, 0, state));
    EXPECT_EQ(state.LeftLevel, 111);
    EXPECT_EQ(state.RightLevel, 222);
}

TEST(AudioMixer, ApplySelectsASourceThroughTheList) {
    TwoCards cards;
    TAudioMixer mixer(cards.backend);
    ASSERT_TRUE(mixer.ApplyLineState(1, 1, 6550, -1, 1));
    EXPECT_EQ(cards.backend.find(0, "Recording Control", "Recording Source")->values,
              (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_EQ(cards.backend.find(0, "Line In", "Volume")->values,
              (std::vector<std::int32_t>{6550, 6550}));

    // Clearing a selection writes an all-clear list, which a single-select list refuses.
    cards.backend.writes.clear();
    ASSERT_TRUE(mixer.ApplyLineState(1, 1, -1, -1, 0));
    ASSERT_EQ(cards.backend.writes.size(), 1U);
    EXPECT_EQ(cards.backend.writes[0].values, (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_FALSE(cards.backend.writes[0].accepted);
    EXPECT_EQ(cards.backend.find(0, "Recording Control", "Recording Source")->values,
              (std::vector<std::int32_t>{0, 1, 0}));
}

TEST(AudioMixer, ApplyThroughTheListLeavesTheSourceMuteAlone) {
    MemoryMixer backend;
    MemoryMixer::Card card = selectCard();
    card.destinations[1].sources[1].controls.push_back(mute());  // Line In gets a mute too
    backend.addCard(card);
    TAudioMixer mixer(backend);
    ASSERT_TRUE(mixer.ApplyLineState(1, 1, -1, -1, 1));
    ASSERT_EQ(backend.writes.size(), 1U);
    EXPECT_EQ(backend.writes[0].control, "Recording Source");
    EXPECT_EQ(backend.find(0, "Line In", "Mute")->values, (std::vector<std::int32_t>{0}));
}

TEST(AudioMixer, ApplyWritesVolumeAndMuteOnceEach) {
    struct Case {
        int left, right, mute;
        std::vector<std::int32_t> volume;
        std::int32_t muted;
    };
    for (const Case& c :
         {Case{30000, 10000, 1, {30000, 10000}, 1}, Case{30000, -1, 0, {30000, 30000}, 0},
          Case{-1, -1, 1, {5, 5}, 1}, Case{20000, 20000, -1, {20000, 20000}, 0}}) {
        MemoryMixer backend;
        MemoryMixer::Card card = muteCard();
        card.destinations[0].sources[1].controls.push_back(volume("Second"));
        backend.addCard(card);
        backend.find(0, "Line", "Volume")->values = {5, 5};
        TAudioMixer mixer(backend);
        ASSERT_TRUE(mixer.ApplyLineState(0, 1, c.left, c.right, c.mute));
        EXPECT_EQ(backend.find(0, "Line", "Volume")->values, c.volume) << c.left;
        EXPECT_EQ(backend.find(0, "Line", "Mute")->values[0], c.muted) << c.left;
        EXPECT_EQ(backend.find(0, "Line", "Second")->values, (std::vector<std::int32_t>{0, 0}));
    }
}

TEST(AudioMixer, ApplyFailsWithoutDeviceOrDestination) {
    MemoryMixer empty;
    TAudioMixer none(empty);
    EXPECT_FALSE(none.ApplyLineState(0, -1, 100, 100, 0));
    TwoCards cards;
    TAudioMixer mixer(cards.backend);
    EXPECT_FALSE(mixer.ApplyLineState(2, -1, 100, 100, 0));
    EXPECT_TRUE(mixer.ApplyLineState(1, 9, 100, 100, 0));
    EXPECT_TRUE(cards.backend.writes.empty());
}

}  // namespace
}  // namespace kovra::audio
