// The pair window's audio page over an in-memory mixer (card, input, adapter, volume and
// the one-card-per-pair rule), pair 1's hook block and flash controls, and the buttons
// that open the shared windows.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "../audio/mixer_cards.h"
#include "gui/pair_window.h"
#include "gui_test_support.h"
#include "widget_lookup.h"

namespace kovra::gui {
namespace {

using testing::PairRig;
using testing::RigCards;
using testing::shown;
using testing::widget;

constexpr int kLegacy = 5;

// A user's choice in a list: the list moves, then reports the activation.
void choose(PairWindow& window, const QString& name, int position) {
    auto& list = widget<QComboBox>(window, name);
    list.setCurrentIndex(position);
    emit list.activated(position);
}

// The system's cards: the first two as real mixers have them, the third the two-line
// USB adapter.
struct Cards {
    mixer::MemoryMixer backend;
    Cards() {
        backend.addCard(audio::test::selectCard());
        backend.addCard(audio::test::muteCard());
        backend.addCard(audio::test::muteCard("USB Audio CODEC"));
        backend.capture = {{"SoundMAX Digital Audio", 2}, {"Realtek HD Audio", 2}};
    }
    RigCards rig(int windowsVersionCode = 10, std::array<std::string, 3> inUse = {}) {
        return RigCards{&backend, windowsVersionCode, std::move(inUse)};
    }
};

TEST(PairWindowAudio, CardListIsTheSystemsCardsAndAChoiceIsKeptOnePerPair) {
    // Pair 2 chooses a card; the other pairs hold the cards in `inUse`.
    struct Case {
        const char* name;
        std::array<std::string, 3> inUse;
        int chosen;
        bool refused;
    };
    const Case cases[] = {
        {"free card", {"", "", ""}, 1, false},
        {"pair 1 uses it", {"Realtek HD Audio", "", ""}, 1, true},
        {"pair 3 uses it", {"", "", "Realtek HD Audio"}, 1, true},
        {"pair 1 uses another", {"SoundMAX Digital Audio", "", ""}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Cards cards;
        PairRig rig(2, false, {}, cards.rig(10, c.inUse));
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        auto& list = widget<QComboBox>(window, "CbDevices");
        ASSERT_EQ(list.count(), 3);
        EXPECT_EQ(list.itemText(0), QStringLiteral("SoundMAX Digital Audio"));
        EXPECT_EQ(list.currentIndex(), -1);
        EXPECT_FALSE(shown(window, "PanelPlacaJaEmUso"));
        EXPECT_FALSE(widget<QPushButton>(window, "btApply1").isEnabled());

        choose(window, "CbDevices", c.chosen);
        // The refused name is still recorded as this pair's.
        EXPECT_EQ(rig.deviceInUse()[1], "Realtek HD Audio");
        EXPECT_EQ(shown(window, "PanelPlacaJaEmUso"), c.refused);
        EXPECT_EQ(widget<QLabel>(window, "PanelPlacaJaEmUso").text(),
                  QString::fromUtf8("Esta placa já está em uso ! Selecione outra."));
        EXPECT_EQ(widget<QPushButton>(window, "btApply1").isEnabled(), !c.refused);
        EXPECT_EQ(widget<QPushButton>(window, "btRemover").isEnabled(), true);
        if (!c.refused) {
            // The capture list's position of the card, less one.
            EXPECT_EQ(widget<QLabel>(window, "lbID").text(), QStringLiteral("ID: 1"));
        }
    }
}

TEST(PairWindowAudio, ChosenCardIsSavedByAplicar) {
    Cards cards;
    PairRig rig(3, false, {}, cards.rig());
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    choose(window, "CbDevices", 0);
    widget<QPushButton>(window, "btApply1").click();
    const auto config = rig.keys("Config.ini");
    EXPECT_EQ(config.at("LINHAS_5e6/DeviceName"), "SoundMAX Digital Audio");
    EXPECT_EQ(config.at("LINHAS_5e6/SelectIndexDevice"), "0");
}

TEST(PairWindowAudio, VolumeRestsAtThreeOrMoreWithACardAndReachesTheMixer) {
    Cards cards;
    PairRig rig(2, false, {}, cards.rig());
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    auto& volume = widget<QSlider>(window, "Track1");
    // Without a card the slider moves but nothing is written.
    cards.backend.writes.clear();
    volume.setValue(50);
    EXPECT_TRUE(cards.backend.writes.empty());
    EXPECT_EQ(widget<QLabel>(window, "lbVol").text(), QStringLiteral("000%"));

    choose(window, "CbDevices", 1);
    cards.backend.writes.clear();
    volume.setValue(1);
    EXPECT_EQ(volume.value(), 3);
    EXPECT_EQ(rig.pair().settings().Track1, 3);
    EXPECT_EQ(widget<QLabel>(window, "lbVol").text(), QStringLiteral("3%"));
    EXPECT_FALSE(cards.backend.writes.empty());
    volume.setValue(60);
    EXPECT_EQ(widget<QLabel>(window, "lbVol").text(), QStringLiteral("60%"));
    EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled());
}

TEST(PairWindowAudio, InputListAndUsbAdapterOnlyOnTheLegacySystem) {
    struct Case {
        const char* name;
        int windowsVersionCode;
        int card;
        bool inputList;
        bool usbAdapter;
    };
    const Case cases[] = {
        {"current system", 10, 1, false, false},
        {"current system, USB adapter's name", 10, 2, false, false},
        {"legacy system", kLegacy, 1, true, false},
        {"legacy system, USB adapter", kLegacy, 2, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Cards cards;
        PairRig rig(3, false, {}, cards.rig(c.windowsVersionCode));
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        choose(window, "CbDevices", c.card);
        EXPECT_EQ(shown(window, "CBList"), c.inputList);
        EXPECT_EQ(shown(window, "lbCBDest"), c.inputList);
        EXPECT_EQ(shown(window, "PanelCODEC"), !c.usbAdapter);
        EXPECT_EQ(shown(window, "PanelCODECDETECTADO"), c.usbAdapter);
        if (c.inputList) {
            auto& input = widget<QComboBox>(window, "CBList");
            EXPECT_EQ(input.itemText(0), QStringLiteral("Recording"));
            EXPECT_EQ(input.isEnabled(), !c.usbAdapter);
        }
        if (c.usbAdapter) {
            // The adapter carries two lines.
            EXPECT_TRUE(widget<QRadioButton>(window, "CBChannel1").isChecked());
            EXPECT_EQ(widget<QComboBox>(window, "CBList").currentIndex(), 0);
        }
    }
}

TEST(PairWindowAudio, AdapterChoiceShowsTheEvenLineTheHintsAndTheFlashRow) {
    struct Case {
        int pair;
        int position;
        bool evenLine;
        bool hints;
        bool flashRow;  // pair 1 only
    };
    const Case cases[] = {
        {1, 0, false, true, false}, {1, 1, true, false, false}, {1, 2, true, false, true},
        {2, 0, false, true, false}, {2, 1, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("pair " + std::to_string(c.pair) + " position " + std::to_string(c.position));
        Cards cards;
        PairRig rig(c.pair, false, {}, cards.rig());
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        if (c.pair == 1) {
            choose(window, "CBTipoAdp", c.position);
            EXPECT_EQ(rig.pair().settings().CBTipoAdp.itemIndex, c.position);
        } else {
            widget<QRadioButton>(window, QStringLiteral("CBChannel%1").arg(c.position)).click();
            EXPECT_EQ(rig.pair().settings().CBChannel.itemIndex, c.position);
        }
        EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled());
        EXPECT_EQ(shown(window, "GBDiaginL2"), c.evenLine);
        EXPECT_EQ(shown(window, "edNomeCanal2"), c.evenLine);
        EXPECT_EQ(shown(window, "lbInfQTDLinha1"), c.hints);
        EXPECT_EQ(shown(window, "lbInfQTDLinha3"), c.hints);
        widget<QAbstractButton>(window, "PanelRecord").click();
        if (c.pair == 1) {
            EXPECT_EQ(shown(window, "CheckOffHook"), c.flashRow);
            EXPECT_EQ(shown(window, "chkFlash1"), c.flashRow);
            EXPECT_EQ(shown(window, "SpinFlash"), c.flashRow);
        } else {
            EXPECT_EQ(window.findChild<QWidget*>("chkFlash1"), nullptr);
        }
    }
}

TEST(PairWindowAudio, FlashControlsDriveTheHookLogicAndEnableAplicar) {
    PairRig rig(1);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    widget<QAbstractButton>(window, "PanelRecord").click();
    EXPECT_EQ(widget<QSpinBox>(window, "SpinFlash").value(), 300);
    EXPECT_EQ(widget<QSpinBox>(window, "SpinFlash").minimum(), 50);
    EXPECT_EQ(widget<QSpinBox>(window, "SpinFlash").maximum(), 5000);
    widget<QCheckBox>(window, "chkFlash1").click();
    widget<QSpinBox>(window, "SpinFlash").setValue(800);
    EXPECT_TRUE(rig.pair().logic().options().chkFlash1);
    EXPECT_EQ(rig.pair().logic().options().SpinFlash, 800);
    EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled());
}

TEST(PairWindowAudio, HookBlockShowsBothMemosAndLimpaEmptiesThem) {
    PairRig rig(1);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    line::PairLineLogic& logic = rig.pair().logic();
    logic.channel(1).HookMemo = "FLASH...";
    logic.channel(2).HookMemo = "No gancho";
    logic.channel(1).EventMemo = "On Hook";
    logic.Edit2 = "A1134567890C";
    window.refresh();
    EXPECT_EQ(widget<QGroupBox>(window, "Panel7").title(), QStringLiteral("Controle de gancho"));
    EXPECT_EQ(widget<QPlainTextEdit>(window, "Memo3").toPlainText(),
              QStringLiteral("FLASH...\nNo gancho"));
    EXPECT_EQ(widget<QPlainTextEdit>(window, "Memo4").toPlainText(), QStringLiteral("On Hook"));
    EXPECT_EQ(widget<QLineEdit>(window, "Edit2").text(), QStringLiteral("A1134567890C"));
    widget<QPushButton>(window, "Button5").click();
    EXPECT_TRUE(widget<QPlainTextEdit>(window, "Memo3").toPlainText().isEmpty());
    EXPECT_TRUE(widget<QPlainTextEdit>(window, "Memo4").toPlainText().isEmpty());
    EXPECT_TRUE(logic.channel(2).HookMemo.empty());

    PairRig other(2);
    PairWindow second(other.pair(), {});
    EXPECT_EQ(second.findChild<QWidget*>("Panel7"), nullptr);
}

TEST(PairWindowAudio, RelayAndRecordingPagesOpenTheSharedWindows) {
    for (int p = 1; p <= 3; ++p) {
        SCOPED_TRACE(p);
        PairRig rig(p);
        std::vector<int> destinations;
        int privacy = 0;
        PairWindow window(
            rig.pair(), {},
            PairWindowLinks{
                [&](int line) { destinations.push_back(line); }, [&] { ++privacy; }, {}});
        window.openFromMenu();
        widget<QAbstractButton>(window, "PanelTCP").click();
        EXPECT_EQ(widget<QPushButton>(window, "btIPAvanc1").text(),
                  QString::fromUtf8("Enviar para mais IP's (modo avançado)"));
        widget<QPushButton>(window, "btIPAvanc2").click();
        widget<QPushButton>(window, "btIPAvanc1").click();
        EXPECT_EQ(destinations, (std::vector<int>{2 * p, 2 * p - 1}));

        widget<QAbstractButton>(window, "PanelRecord").click();
        auto* button = window.findChild<QPushButton*>("btPrivate");
        ASSERT_EQ(button != nullptr, p != 1);  // pair 1's lines use the list too, no button
        if (button != nullptr) {
            EXPECT_EQ(button->text(), QString::fromUtf8("Não gravar os seguintes telefones..."));
            button->click();
            EXPECT_EQ(privacy, 1);
        }
    }
}

TEST(PairWindowAudio, PingWaitsWithBothButtonsOffAndGivesUpWithoutAnswer) {
    PairRig rig(2);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    widget<QAbstractButton>(window, "PanelTCP").click();
    EXPECT_TRUE(widget<QPushButton>(window, "btPing1").isEnabled());
    widget<QPushButton>(window, "btPing2").click();
    EXPECT_EQ(widget<QLineEdit>(window, "edPing2").text(), QStringLiteral("Aguarde..."));
    EXPECT_FALSE(widget<QPushButton>(window, "btPing1").isEnabled());
    EXPECT_FALSE(widget<QPushButton>(window, "btPing2").isEnabled());
    // Ten ticks of half a second, no host answering.
    rig.loop.advance(Millis{5500});
    window.refresh();
    EXPECT_EQ(widget<QLineEdit>(window, "edPing2").text(), QStringLiteral("Sem respostas..."));
    EXPECT_TRUE(widget<QPushButton>(window, "btPing1").isEnabled());
}

}  // namespace
}  // namespace kovra::gui
