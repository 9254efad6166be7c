// A pair's sound-card options over an in-memory mixer: the lists, the input change and
// the volume change on both system branches, the boosters.
#include "audio/sound_card_options.h"

#include <gtest/gtest.h>

#include "mixer_cards.h"

namespace kovra::audio {
namespace {

using namespace test;

constexpr int kLegacy = 5;  // the system that selects inputs
constexpr int kCurrent = 10;

struct Rig {
    MemoryMixer backend;
    RecordingUi ui;
    Rig() {
        backend.addCard(selectCard());
        backend.addCard(muteCard());
        backend.addCard(serverCard("kovra3"));
        backend.capture = {{"SoundMAX Digital Audio", 2},
                           {"Mono USB Mic", 1},
                           {"kovra3", 2},
                           {"Realtek HD Audio ", 2}};
    }
    std::vector<std::int32_t> values(int card, const std::string& line,
                                     const std::string& control) {
        return backend.find(card, line, control)->values;
    }
};

void chooseCard(SoundCardOptions& options, int card) {
    options.cbALLDriver.select(card);
    options.cbALLDriverChange();
}

TEST(SoundCardOptions, CreationListsCardsAndCaptureDevicesAndWritesNothing) {
    Rig rig;
    SoundCardOptions options(rig.backend, rig.ui, kLegacy);
    EXPECT_EQ(options.cbALLDriver.Items,
              (std::vector<std::string>{"SoundMAX Digital Audio", "Realtek HD Audio", "kovra3"}));
    EXPECT_EQ(options.cbALLDriver.ItemIndex, -1);
    // Mono devices stay out of the capture list.
    EXPECT_EQ(options.ListBox3.Items,
              (std::vector<std::string>{"Driver padrão (0)", "SoundMAX Digital Audio", "kovra3",
                                        "Realtek HD Audio "}));
    // The lists come from the last card, which stays open.
    EXPECT_EQ(options.Mixer.MixerId(), 2);
    EXPECT_EQ(options.cbDestino.Items, (std::vector<std::string>{"Capture"}));
    EXPECT_EQ(options.ComboList.Items, (std::vector<std::string>{"Capture"}));
    EXPECT_EQ(options.WaveInIndex, -1);
    // That card may be another pair's: nothing is written before a card is chosen.
    options.TrackLB = 50;
    options.TrackLBChange();
    EXPECT_TRUE(rig.backend.writes.empty());
    EXPECT_TRUE(rig.ui.boxes.empty());
}

TEST(SoundCardOptions, WithoutAnyMixerTheErrorIsShownAndNothingWorks) {
    MemoryMixer none;
    RecordingUi ui;
    SoundCardOptions options(none, ui, kCurrent);
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    EXPECT_EQ(ui.boxes[0].text, "Não há mixer presente no seu sistema !");
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Error);
    EXPECT_TRUE(options.cbALLDriver.Items.empty());
    EXPECT_TRUE(options.ComboList.Items.empty());
    options.TrackLBChange();
    options.ComboListChange();
    EXPECT_TRUE(none.writes.empty());
}

TEST(SoundCardOptions, CardChangeFindsTheCaptureDeviceAndListsTheInputs) {
    Rig rig;
    SoundCardOptions options(rig.backend, rig.ui, kCurrent);
    struct Case {
        int card;
        int waveInIndex;
        std::vector<std::string> inputs;
    };
    for (const Case& c :
         {Case{0, 1, {"Recording Control", "Mic", "Line In", "Stereo Mix", "Phone"}},
          Case{1, 3, {"Recording", "Mic", "Line", "CD"}},  // the name matches trimmed
          Case{2, 2, {"Capture"}}}) {
        chooseCard(options, c.card);
        EXPECT_EQ(options.Mixer.MixerId(), c.card);
        EXPECT_EQ(options.WaveInIndex, c.waveInIndex) << c.card;
        EXPECT_EQ(options.cbDestino.Items.size(), 1U) << c.card;
        EXPECT_EQ(options.ComboList.Items, c.inputs) << c.card;
        EXPECT_EQ(options.Check2.Items, c.inputs) << c.card;
        EXPECT_EQ(options.ListBox1.Items.back(), std::to_string(c.inputs.size() - 1));
        EXPECT_EQ(options.ComboList.ItemIndex, 0);
        EXPECT_EQ(options.RememberedLine, 0) << c.card;
    }
}

TEST(SoundCardOptions, EveryBoosterOfTheCardIsSwitchedOffOnEveryBranch) {
    for (const int system : {kLegacy, kCurrent}) {
        Rig rig;
        SoundCardOptions options(rig.backend, rig.ui, system);
        chooseCard(options, 0);
        EXPECT_EQ(rig.values(0, "Mic", "Mic Boost"), (std::vector<std::int32_t>{0})) << system;
        // The playback microphone's booster too.
        EXPECT_EQ(options.CheckBuster.Items,
                  (std::vector<std::string>{"1  Mic Boost", "2  Mic Boost"}));
        EXPECT_EQ(options.ListBoxA, (std::vector<int>{0, 1}));
        EXPECT_EQ(options.ListBoxB, (std::vector<int>{1, 0}));
        EXPECT_EQ(options.ListBoxC, (std::vector<int>{2, 1}));
        for (const std::string line : {"Recording", "Mic"}) {
            EXPECT_EQ(rig.values(1, line, "AGC"), (std::vector<std::int32_t>{1}));
        }
        chooseCard(options, 1);  // two boosters with the same name: both off
        for (const std::string line : {"Recording", "Mic"}) {
            EXPECT_EQ(rig.values(1, line, "AGC"), (std::vector<std::int32_t>{0})) << line;
        }
    }
}

TEST(SoundCardOptions, CurrentSystemsOnlyQueryTheInputAndWriteTheRecordingLine) {
    Rig rig;
    SoundCardOptions options(rig.backend, rig.ui, kCurrent);
    options.TrackLB = 40;
    chooseCard(options, 0);
    options.ComboList.select(2);
    rig.backend.writes.clear();
    options.ComboListChange();
    for (const auto& write : rig.backend.writes) {
        EXPECT_EQ(write.control, "Mic Boost");  // nothing but the boosters
    }
    EXPECT_EQ(options.chkSelectCaption, "Selecionar");

    // The volume goes to the recording line itself (entry 0) with its mute off.
    chooseCard(options, 1);
    rig.backend.find(1, "Recording", "Mute")->values = {1};
    options.TrackLB = 40;
    options.TrackLBChange();
    EXPECT_EQ(rig.values(1, "Recording", "Volume"), (std::vector<std::int32_t>{26200, 26200}));
    EXPECT_EQ(rig.values(1, "Recording", "Mute"), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(rig.values(1, "Line", "Volume"), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(options.lbVol, "40%");
}

TEST(SoundCardOptions, LegacySelectModeSelectsTheInputAndGivesEveryInputTheVolume) {
    Rig rig;
    SoundCardOptions options(rig.backend, rig.ui, kLegacy);
    options.TrackLB = 50;
    chooseCard(options, 0);
    options.ComboList.select(2);  // "Line In"
    options.ComboListChange();
    EXPECT_TRUE(options.SelectModeCopy);
    EXPECT_EQ(rig.values(0, "Recording Control", "Recording Source"),
              (std::vector<std::int32_t>{0, 1, 0}));
    for (const std::string line : {"Recording Control", "Line In", "Stereo Mix", "Phone"}) {
        EXPECT_EQ(rig.values(0, line, "Volume"), (std::vector<std::int32_t>{32750, 32750})) << line;
    }
    EXPECT_EQ(rig.values(0, "Mic", "Volume"), (std::vector<std::int32_t>{32750}));
    EXPECT_EQ(options.Check2.Checked, (std::vector<bool>{false, false, true, false, false}));
    EXPECT_EQ(options.Check2.ItemIndex, 2);

    // A volume change writes the chosen input with its mark (selected).
    options.TrackLB = 20;
    options.TrackLBChange();
    EXPECT_EQ(rig.values(0, "Line In", "Volume"), (std::vector<std::int32_t>{13100, 13100}));
    EXPECT_EQ(rig.values(0, "Recording Control", "Recording Source"),
              (std::vector<std::int32_t>{0, 1, 0}));
}

TEST(SoundCardOptions, LegacyMuteModeUnmutesTheInputAndMutesTheRest) {
    Rig rig;
    SoundCardOptions options(rig.backend, rig.ui, kLegacy);
    options.TrackLB = 10;
    chooseCard(options, 1);
    options.ComboList.select(2);  // "Line"
    options.ComboListChange();
    EXPECT_FALSE(options.SelectModeCopy);
    EXPECT_EQ(options.RememberedLine, 2);
    EXPECT_EQ(options.Check2.Checked, (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(rig.values(1, "Line", "Mute"), (std::vector<std::int32_t>{0}));
    for (const std::string line : {"Recording", "Mic", "CD"}) {
        EXPECT_EQ(rig.values(1, line, "Mute"), (std::vector<std::int32_t>{1})) << line;
        EXPECT_EQ(rig.values(1, line, "Volume"), (std::vector<std::int32_t>{6550, 6550}));
    }
}

TEST(SoundCardOptions, LegacyWithoutAutoConfigWritesOnlyTheBoosters) {
    Rig rig;
    SoundCardOptions options(rig.backend, rig.ui, kLegacy);
    options.AutoConfigFlag = false;
    chooseCard(options, 1);
    for (const auto& write : rig.backend.writes) {
        EXPECT_EQ(write.control, "AGC");
    }
}

// A volume move that arrives while the input change writes does nothing by itself; the
// entries written after it get the new volume.
TEST(SoundCardOptions, AVolumeChangeDuringTheInputChangeReachesTheRemainingEntries) {
    Rig rig;
    SoundCardOptions options(rig.backend, rig.ui, kLegacy);
    options.TrackLB = 10;
    chooseCard(options, 1);
    options.ComboList.select(1);
    rig.backend.writes.clear();
    bool moved = false;
    rig.backend.onWrite = [&](const MemoryMixer::Write& write) {
        if (!moved && write.line == "Mic" && write.control == "Volume") {
            moved = true;
            options.TrackLB = 30;
            const auto before = rig.backend.writes.size();
            options.TrackLBChange();
            EXPECT_EQ(rig.backend.writes.size(), before);
        }
    };
    options.ComboListChange();
    ASSERT_TRUE(moved);
    EXPECT_EQ(rig.values(1, "Recording", "Volume"), (std::vector<std::int32_t>{6550, 6550}));
    EXPECT_EQ(rig.values(1, "Mic", "Volume"), (std::vector<std::int32_t>{6550, 6550}));
    EXPECT_EQ(rig.values(1, "Line", "Volume"), (std::vector<std::int32_t>{19650, 19650}));
    EXPECT_EQ(rig.values(1, "CD", "Volume"), (std::vector<std::int32_t>{19650, 19650}));
    EXPECT_FALSE(options.Busy);
}

TEST(SoundCardOptions, ACardWithoutRecordingLineHasNoInputsAndIgnoresTheVolume) {
    MemoryMixer backend;
    MemoryMixer::Card card;
    card.name = "HDMI";
    card.destinations.push_back(speakers());
    backend.addCard(card);
    RecordingUi ui;
    SoundCardOptions options(backend, ui, kCurrent);
    chooseCard(options, 0);
    EXPECT_TRUE(options.ComboList.Items.empty());
    backend.writes.clear();
    options.TrackLB = 60;
    options.TrackLBChange();
    EXPECT_TRUE(backend.writes.empty());
}

}  // namespace
}  // namespace kovra::audio
