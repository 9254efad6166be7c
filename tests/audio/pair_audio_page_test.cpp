// A pair's audio page over an in-memory mixer: restoring the choices, the card change with
// its one-card-per-pair rule, the volume, the USB adapter and the adapter lists.
#include "audio/pair_audio_page.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "audio/paced_volume_writer.h"
#include "mixer_cards.h"
#include "platform/simulated_event_loop.h"

namespace kovra::audio {
namespace {

using namespace test;

constexpr int kLegacy = 5;
constexpr int kCurrent = 10;

// The system's cards and the three pairs' shared DeviceInUse.
struct System {
    MemoryMixer backend;
    RecordingUi ui;
    std::array<std::string, 3> deviceInUse;
    System() {
        backend.addCard(selectCard());
        backend.addCard(muteCard("USB Audio CODEC"));
        backend.addCard(serverCard("usb audio codec"));
        backend.capture = {{"SoundMAX Digital Audio", 2}, {"USB Audio CODEC", 2}};
    }
};

// One pair: its settings, options, page, and what the page did to the rest of the pair.
struct Pair {
    settings::PairSettings settings;
    std::unique_ptr<SoundCardOptions> options;
    std::unique_ptr<PairAudioPage> page;
    std::vector<std::string> calls;  // "stop", "start", "device:<name>", "apply", ...
    int storedInput = -1;
    bool busy = false;

    Pair(System& system, int pair, int windowsVersionCode)
        : settings(settings::PairSettings::defaults(pair)) {
        options = std::make_unique<SoundCardOptions>(system.backend, system.ui, windowsVersionCode);
        AudioPagePorts ports;
        ports.BnStartClick = [this] { calls.push_back("start"); };
        ports.BnStopClick = [this] { calls.push_back("stop"); };
        ports.setStartEnabled = [this](bool on) { calls.push_back(on ? "start+" : "start-"); };
        ports.enableApply = [this] { calls.push_back("apply"); };
        ports.setCaptureDevice = [this](const std::string& card) {
            calls.push_back("device:" + card);
        };
        ports.captureBusy = [this] { return busy; };
        ports.setAdapter = [this](int position) {
            calls.push_back("adapter:" + std::to_string(position));
        };
        ports.storedInputPosition = [this] { return storedInput; };
        ports.beep = [this] { calls.push_back("beep"); };
        page = std::make_unique<PairAudioPage>(pair, settings, *options, system.deviceInUse,
                                               windowsVersionCode, std::move(ports));
    }

    // Creation with a stored card (name and position) and volume, then the start-up's
    // card change.
    void start(const std::string& name, int position, int volume = 25) {
        settings.CbDevices = {name, position};
        settings.Track1 = volume;
        page->restoreAtCreation();
        calls.clear();
        page->CbDevicesChange();
    }
    bool called(const std::string& what) const {
        return std::find(calls.begin(), calls.end(), what) != calls.end();
    }
};

TEST(PairAudioPage, RestoreTakesTheStoredCardByNameThenByPosition) {
    struct Case {
        std::string name;
        int position;
        std::string selected;
        int index;
    };
    for (const Case& c : {Case{"USB Audio CODEC", 0, "USB Audio CODEC", 1},  // moved
                          Case{"Placa antiga", 0, "SoundMAX Digital Audio", 0},
                          Case{"USB Audio CODEC", -1, "", -1},  // -1: nothing, whatever the name
                          Case{"Placa antiga", 7, "", -1}}) {
        System system;
        Pair pair(system, 2, kCurrent);
        pair.settings.CbDevices = {c.name, c.position};
        pair.page->restoreAtCreation();
        EXPECT_EQ(pair.settings.CbDevices.text, c.selected) << c.name << c.position;
        EXPECT_EQ(pair.settings.CbDevices.itemIndex, c.index) << c.name << c.position;
        EXPECT_EQ(pair.page->CbDevicesItems.size(), 3U);
    }
}

TEST(PairAudioPage, StartUpOpensTheCardStartsTheDetectorsAndShowsItsId) {
    System system;
    Pair pair(system, 1, kCurrent);
    pair.start("USB Audio CODEC", 1);
    EXPECT_EQ(pair.calls, (std::vector<std::string>{"stop", "start-", "apply",
                                                    "device:USB Audio CODEC", "start"}));
    EXPECT_EQ(pair.options->Mixer.MixerId(), 1);
    EXPECT_EQ(pair.options->WaveInIndex, 2);
    EXPECT_EQ(pair.page->lbID, "ID: 1");
    EXPECT_EQ(system.deviceInUse[0], "USB Audio CODEC");
    EXPECT_TRUE(pair.page->Track1Enabled);
    EXPECT_TRUE(pair.page->CBListEnabled);
    EXPECT_TRUE(pair.page->btRemoverEnabled);
    EXPECT_FALSE(pair.page->PanelPlacaJaEmUsoVisible);
}

TEST(PairAudioPage, ACardInUseByAnotherPairIsRefused) {
    System system;
    Pair first(system, 1, kCurrent);
    Pair second(system, 2, kCurrent);
    first.start("SoundMAX Digital Audio", 0);
    second.start("USB Audio CODEC", 1);
    second.calls.clear();
    const int opensBefore = system.backend.opens;

    second.settings.CbDevices = {"SoundMAX Digital Audio", 0};
    second.page->CbDevicesChange();
    EXPECT_TRUE(second.page->PanelPlacaJaEmUsoVisible);
    EXPECT_EQ(second.calls, (std::vector<std::string>{"beep"}));  // capture left alone
    EXPECT_TRUE(second.page->CBListItems.empty());
    EXPECT_EQ(system.deviceInUse[1], "SoundMAX Digital Audio");  // the refused name stays
    EXPECT_EQ(system.backend.opens, opensBefore);

    // Back to a free card: the panel goes.
    second.settings.CbDevices = {"usb audio codec", 2};
    second.page->CbDevicesChange();
    EXPECT_FALSE(second.page->PanelPlacaJaEmUsoVisible);
    EXPECT_TRUE(second.called("start"));
}

TEST(PairAudioPage, TheSystemBranchDecidesInputListAndUsbAdapter) {
    struct Case {
        int system;
        std::string card;
        int position;
        bool inputList;
        bool usbAdapter;
    };
    for (const Case& c : {Case{kLegacy, "USB Audio CODEC", 1, true, true},
                          Case{kLegacy, "usb audio codec", 2, true, false},  // letter case
                          Case{kLegacy, "SoundMAX Digital Audio", 0, true, false},
                          Case{kCurrent, "USB Audio CODEC", 1, false, false}}) {
        System system;
        Pair pair(system, 3, c.system);
        pair.storedInput = 0;
        pair.start(c.card, c.position);
        const std::string what = std::to_string(c.system) + " " + c.card;
        EXPECT_EQ(pair.page->CBListVisible, c.inputList) << what;
        EXPECT_EQ(pair.page->lbCBDestVisible, c.inputList) << what;
        EXPECT_EQ(pair.page->CBListItems.empty(), !c.inputList) << what;
        EXPECT_EQ(pair.page->UsbCodecDetected, c.usbAdapter) << what;
        EXPECT_EQ(pair.page->PanelCODECDETECTADOVisible, c.usbAdapter) << what;
        EXPECT_EQ(pair.page->PanelCODECVisible, !c.usbAdapter) << what;
        EXPECT_EQ(pair.page->CBListEnabled, !c.usbAdapter) << what;
        if (c.usbAdapter) {
            EXPECT_EQ(pair.settings.CBList.itemIndex, 0) << what;
            EXPECT_EQ(pair.settings.CBChannel.itemIndex, 1) << what;  // "2 Linhas"
            EXPECT_TRUE(pair.page->EvenLineVisible);
        } else if (c.inputList) {
            EXPECT_EQ(pair.settings.CBList.itemIndex, 0) << what;  // the stored input
            EXPECT_EQ(pair.settings.CBList.text, pair.page->CBListItems[0]) << what;
        } else {
            EXPECT_EQ(pair.settings.CBList.itemIndex, -1) << what;
        }
    }
}

TEST(PairAudioPage, TheInputChangeAppliesTheChosenInput) {
    System system;
    Pair pair(system, 2, kLegacy);
    pair.storedInput = 2;  // "Line In"
    pair.start("SoundMAX Digital Audio", 0, 40);
    pair.page->CBListChange();
    EXPECT_EQ(system.backend.find(0, "Recording Control", "Recording Source")->values,
              (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_EQ(system.backend.find(0, "Line In", "Volume")->values,
              (std::vector<std::int32_t>{26200, 26200}));
    EXPECT_TRUE(pair.called("apply"));
}

TEST(PairAudioPage, TheVolumeReachesTheCardAndNeverRestsBelowThree) {
    System system;
    Pair pair(system, 1, kCurrent);
    pair.start("USB Audio CODEC", 1);
    struct Case {
        int position;
        int kept;
    };
    for (const Case c : {Case{60, 60}, Case{1, 3}, Case{0, 3}, Case{100, 100}}) {
        pair.page->setTrack1(c.position);
        EXPECT_EQ(pair.settings.Track1, c.kept) << c.position;
        EXPECT_EQ(pair.page->lbVol, std::to_string(c.kept) + "%");
        const std::int32_t raw = c.kept * kVolumePerPercent;
        EXPECT_EQ(system.backend.find(1, "Recording", "Volume")->values,
                  (std::vector<std::int32_t>{raw, raw}))
            << c.position;
    }
}

// A dial tone steps the volume with nearly every spectrum (8 a second); the card is written
// at most every 250 ms, the first step at once and the burst's last position at its end.
TEST(PairAudioPage, AutomaticVolumeStepsReachTheCardPaced) {
    using namespace std::chrono_literals;
    System system;
    Pair pair(system, 1, kCurrent);
    pair.start("USB Audio CODEC", 1, 40);
    SimulatedEventLoop loop;
    const TimePoint t0 = loop.now();
    std::vector<std::pair<Millis, std::int32_t>> written;  // when, the left raw value
    system.backend.onWrite = [&](const MemoryMixer::Write& w) {
        if (w.line == "Recording" && w.control == "Volume") {
            written.emplace_back(std::chrono::duration_cast<Millis>(loop.now() - t0),
                                 w.values.front());
        }
    };
    PacedVolumeWriter writer(loop, [&] { pair.page->Track1Change(); });
    for (int step = 1; step <= 16; ++step) {  // 2 s of steps up
        EXPECT_TRUE(pair.page->moveTrack1(pair.settings.Track1 + 1));
        EXPECT_EQ(pair.page->lbVol, std::to_string(40 + step) + "%");
        writer.request();
        loop.advance(125ms);
    }
    EXPECT_FALSE(pair.page->moveTrack1(pair.settings.Track1));
    loop.advance(1s);
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.front(), std::make_pair(Millis(0), 41 * kVolumePerPercent));
    for (std::size_t i = 1; i < written.size(); ++i) {
        EXPECT_GE(written[i].first - written[i - 1].first, PacedVolumeWriter::kInterval);
    }
    EXPECT_LE(written.size(), 9U);
    EXPECT_EQ(written.back().second, 56 * kVolumePerPercent) << "the last step reaches the card";
    EXPECT_LE(written.back().first, 2250ms);
}

TEST(PairAudioPage, TheStoredVolumeWaitsForThePairsOwnCard) {
    System system;
    Pair pair(system, 1, kCurrent);
    pair.settings.CbDevices = {"USB Audio CODEC", 1};
    pair.settings.Track1 = 70;
    pair.page->restoreAtCreation();
    // The slider moved from 10 to 70 and shows it; the card open now is the system's
    // last one, not the pair's: nothing was written to it.
    EXPECT_EQ(pair.page->lbVol, "70%");
    EXPECT_TRUE(system.backend.writes.empty());
    // Without a card shown the slider only moves.
    Pair none(system, 2, kCurrent);
    none.page->restoreAtCreation();
    EXPECT_EQ(none.page->lbVol, "000%");
    none.page->setTrack1(1);
    EXPECT_EQ(none.settings.Track1, 1);
}

TEST(PairAudioPage, AdapterChoiceShowsItsControls) {
    struct Case {
        int pair;
        int position;
        bool flash, evenLine, spectrum, hints;
    };
    for (const Case c : {Case{1, 0, false, false, true, true}, Case{1, 1, false, true, true, false},
                         Case{1, 2, true, true, true, false}, Case{2, 0, true, false, false, true},
                         Case{3, 1, true, true, true, false}}) {
        System system;
        Pair pair(system, c.pair, kCurrent);
        pair.calls.clear();
        if (c.pair == 1) {
            pair.settings.CBTipoAdp.itemIndex = c.position;
            pair.page->CBTipoAdpChange();
            EXPECT_EQ(pair.calls,
                      (std::vector<std::string>{"stop", "adapter:" + std::to_string(c.position),
                                                "start", "apply"}));
        } else {
            pair.page->setLineCount(c.position);
            EXPECT_EQ(pair.calls, (std::vector<std::string>{"apply"}));  // no restart
        }
        const std::string what = std::to_string(c.pair) + "/" + std::to_string(c.position);
        EXPECT_EQ(pair.page->FlashRowVisible, c.flash) << what;
        EXPECT_EQ(pair.page->EvenLineVisible, c.evenLine) << what;
        EXPECT_EQ(pair.page->CHKSpectrum2Visible, c.spectrum) << what;
        EXPECT_EQ(pair.page->HintsVisible, c.hints) << what;
    }
}

TEST(PairAudioPage, Pair1KeepsItsInitialControlsUntilTheAdapterChanges) {
    System system;
    Pair pair(system, 1, kCurrent);
    pair.settings.CBTipoAdp.itemIndex = 0;
    pair.page->restoreAtCreation();
    EXPECT_TRUE(pair.page->EvenLineVisible);
    EXPECT_FALSE(pair.page->HintsVisible);
}

TEST(PairAudioPage, LeavingTheListsEnablesStartOnlyWithBothChosen) {
    System system;
    Pair pair(system, 1, kLegacy);
    pair.storedInput = 0;
    pair.start("SoundMAX Digital Audio", 0);
    pair.calls.clear();
    pair.page->CBListExit();
    pair.busy = true;
    pair.page->CbDevicesExit();  // capture busy: nothing
    pair.busy = false;
    pair.settings.CBList = {};
    pair.page->CbDevicesExit();
    EXPECT_EQ(pair.calls, (std::vector<std::string>{"start+", "start-"}));
}

TEST(PairAudioPage, AutoConfigReachesTheOptions) {
    System system;
    Pair pair(system, 2, kLegacy);
    pair.settings.CheckAutoConfig = false;
    pair.page->CheckAutoConfigClick();
    EXPECT_FALSE(pair.settings.AutoConfigFlag);
    EXPECT_FALSE(pair.options->AutoConfigFlag);
}

}  // namespace
}  // namespace kovra::audio
