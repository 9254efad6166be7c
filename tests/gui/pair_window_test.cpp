// The pair window against its pair: what it shows, what its buttons do to the settings
// files, its enabling rules, and the folder checks' message boxes.
#include "gui/pair_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <fstream>

#include "gui_test_support.h"
#include "settings/pair_settings_storage.h"
#include "widget_lookup.h"

namespace kovra::gui {
namespace {

using testing::PairRig;
using testing::widget;

void click(PairWindow& window, const QString& name) {
    widget<QAbstractButton>(window, name).click();
}

void typeInto(PairWindow& window, const QString& name, const QString& text) {
    auto& edit = widget<QLineEdit>(window, name);
    edit.selectAll();
    QTest::keyClicks(&edit, text);
}

std::set<std::string> changedKeys(const std::map<std::string, std::string>& before,
                                  const std::map<std::string, std::string>& after) {
    std::set<std::string> changed;
    for (const auto& [key, value] : after) {
        const auto it = before.find(key);
        if (it == before.end() || it->second != value) {
            changed.insert(key);
        }
    }
    for (const auto& [key, value] : before) {
        if (!after.contains(key)) {
            changed.insert(key);
        }
    }
    return changed;
}

TEST(PairWindow, EachPairOpensWithItsTitlePagesAndOwnControls) {
    struct Case {
        int pair;
        const char* title;
        const char* bracket;
        bool testsPage;
        bool amplifier;
        const char* offDial;
    };
    const Case cases[] = {
        {1, " [Linhas 1 e 2]", " [Linhas 1 e 2]", true, false,
         "Ao iniciar uma nova chamada, finalizar gravação em curso"},
        {2, " [Linhas 3 e 4]", " [Linhas 3 e 4]", false, true,
         "Ao iniciar uma chamada, finalizar gravação em curso"},
        {3, " [Linhas 5 e 6]", " [Linhas 5 e 6]", false, true,
         "Ao iniciar uma chamada, finalizar gravação em curso"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pair);
        PairRig rig(c.pair);
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(
            window.windowTitle(),
            QString::fromUtf8("PlugIn Kovra Repeaters - FSK / DTMF [Versão 2.0.1.8]") + c.title);
        QTabWidget& pages = window.pages();
        EXPECT_EQ(pages.count(), c.testsPage ? 5 : 4);
        EXPECT_EQ(pages.tabText(0), QString::fromUtf8("Configurações de áudio ") + c.bracket);
        EXPECT_EQ(pages.tabText(1), QString::fromUtf8("Configurações de gravação ") + c.bracket);
        EXPECT_EQ(pages.tabText(3), QString::fromUtf8("Repeaters ") + c.bracket);
        // It opens on the audio page, the only one of pages 0 to 3 with a tab.
        EXPECT_EQ(pages.currentIndex(), 0);
        EXPECT_TRUE(pages.isTabVisible(0));
        EXPECT_FALSE(pages.isTabVisible(1));
        EXPECT_FALSE(pages.isTabVisible(2));
        EXPECT_FALSE(pages.isTabVisible(3));
        EXPECT_EQ(window.findChild<QCheckBox*>("CheckAmp1") != nullptr, c.amplifier);
        EXPECT_EQ(widget<QCheckBox>(window, "CheckOffDial").text(), QString::fromUtf8(c.offDial));
        EXPECT_EQ(widget<QPushButton>(window, "btRemover").text(),
                  QString::fromUtf8("Remover ") + c.bracket);
        EXPECT_FALSE(widget<QPushButton>(window, "btApply1").isEnabled());
        EXPECT_FALSE(widget<QPushButton>(window, "btBoard").isVisibleTo(&window));
        window.close();
        EXPECT_FALSE(window.isVisible());
    }
}

TEST(PairWindow, ControlsFollowTheSettings) {
    PairRig rig(2, false,
                {{"LineName1", "Recepcao"},
                 {"SpinPause", "17"},
                 {"CheckAutoRec", "1"},
                 {"chkRing", "0"},
                 {"TCP/IP_L2", "0"}});
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    EXPECT_EQ(widget<QLineEdit>(window, "edNomeCanal1").text(), QStringLiteral("Recepcao"));
    EXPECT_EQ(widget<QLineEdit>(window, "edNomeCanal2").text(), QStringLiteral("Linha 2"));
    EXPECT_EQ(widget<QSpinBox>(window, "SpinPause").value(), 17);
    EXPECT_EQ(widget<QSpinBox>(window, "SpinStop").value(), 120);
    EXPECT_TRUE(widget<QCheckBox>(window, "CheckAutoRec").isChecked());
    EXPECT_FALSE(widget<QCheckBox>(window, "chkRing").isChecked());
    EXPECT_TRUE(widget<QCheckBox>(window, "chkSendDTMF").isChecked());
    EXPECT_EQ(widget<QLineEdit>(window, "edPortLocal1").text(), QStringLiteral("3823"));
    EXPECT_EQ(widget<QLineEdit>(window, "edPortReceive2").text(), QStringLiteral("6514"));

    // A change of the model while the window is shown reaches it on the next load.
    rig.pair().settings().SpinMin = 40;
    window.refresh();
    EXPECT_EQ(widget<QSpinBox>(window, "SpinMin").value(), 40);
}

TEST(PairWindow, AplicarWritesExactlyTheKeysThatChanged) {
    PairRig rig(3);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    // The first save writes every key; the second only changes what was edited.
    rig.pair().dialog().changed();
    window.refresh();
    click(window, "btApply1");
    const auto config = rig.keys("Config.ini");
    const auto global = rig.keys("ConfigGlobal.ini");
    ASSERT_FALSE(global.empty());

    typeInto(window, "edNomeCanal2", "Fax");
    EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled());
    click(window, "PanelRecord");
    widget<QSpinBox>(window, "SpinStop").setValue(200);
    click(window, "btApply1");
    EXPECT_FALSE(widget<QPushButton>(window, "btApply1").isEnabled());

    EXPECT_EQ(changedKeys(config, rig.keys("Config.ini")), std::set<std::string>{});
    EXPECT_EQ(changedKeys(global, rig.keys("ConfigGlobal.ini")),
              (std::set<std::string>{"LINHAS_5e6/LineName2", "LINHAS_5e6/SpinStop"}));
    EXPECT_EQ(rig.keys("ConfigGlobal.ini").at("LINHAS_5e6/LineName2"), "Fax");
}

TEST(PairWindow, EscAndCancelCloseWithoutWritingAndOkAppliesFirst) {
    PairRig rig(2);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    typeInto(window, "EditDDDLocal", "11");
    EXPECT_EQ(rig.pair().services().globals.LocalDDD, "11");  // at once, before any save
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(std::filesystem::exists(rig.home() / "ConfigGlobal.ini") &&
                 rig.keys("ConfigGlobal.ini").contains("GLOBAL/DDDLocal"));

    window.openFromMenu();
    typeInto(window, "EditDDDLocal", "21");
    click(window, "btOK1");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(rig.keys("ConfigGlobal.ini").at("GLOBAL/DDDLocal"), "21");
}

TEST(PairWindow, LineNamesAcceptOnlyLettersDigitsAndHyphenUpToNine) {
    PairRig rig(1);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    typeInto(window, "edNomeCanal1", QStringLiteral("Sala 2-"));
    auto& name = widget<QLineEdit>(window, "edNomeCanal1");
    QKeyEvent accented(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("é"));
    QApplication::sendEvent(&name, &accented);
    QTest::keyClicks(&name, QStringLiteral("/x0123456789"));
    EXPECT_EQ(widget<QLineEdit>(window, "edNomeCanal1").text(), QStringLiteral("Sala2-x01"));
    EXPECT_EQ(rig.pair().settings().edNomeCanal1, "Sala2-x01");
}

TEST(PairWindow, RecordingPageEnablingRules) {
    // Clicks in order on "Gravar em modo automático" (A) and the hook box (H), from the
    // stored states; then whether the stop options and the silence times are enabled.
    struct Case {
        bool autoRec;
        bool offHook;
        const char* clicks;
        bool stopOptions;
        bool silence;
    };
    const Case cases[] = {
        {false, false, "", false, false},  {true, false, "", true, true},
        {true, true, "", false, false},    {false, false, "A", true, true},
        {true, false, "A", false, false},  {true, false, "H", true, false},
        {true, true, "H", false, true},    {false, true, "H", false, false},
        {true, false, "HA", false, false}, {false, true, "AH", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("autoRec ") + (c.autoRec ? "on" : "off") + ", offHook " +
                     (c.offHook ? "on" : "off") + ", clicks '" + c.clicks + "'");
        PairRig rig(
            2, false,
            {{"CheckAutoRec", c.autoRec ? "1" : "0"}, {"CheckOffHook", c.offHook ? "1" : "0"}});
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        click(window, "PanelRecord");
        for (const char* p = c.clicks; *p != '\0'; ++p) {
            click(window, *p == 'A' ? "CheckAutoRec" : "CheckOffHook");
        }
        EXPECT_EQ(widget<QCheckBox>(window, "CheckOffTom").isEnabled(), c.stopOptions);
        EXPECT_EQ(widget<QCheckBox>(window, "CheckOffDial").isEnabled(), c.stopOptions);
        EXPECT_EQ(widget<QSpinBox>(window, "SpinPause").isEnabled(), c.silence);
        EXPECT_EQ(widget<QSpinBox>(window, "SpinStop").isEnabled(), c.silence);
        EXPECT_TRUE(widget<QSpinBox>(window, "SpinMin").isEnabled());
        EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled() == (*c.clicks != '\0'));
    }
}

TEST(PairWindow, FolderChecksShowTheirMessageBoxes) {
    // A folder below a plain file cannot be made, whoever runs the test.
    {
        PairRig rig(2);
        const auto blocker = rig.home() / "plain-file";
        std::ofstream(blocker) << "x";
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        click(window, "PanelRecord");
        typeInto(window, "EditPasta", QString::fromStdString((blocker / "MP3").string()));
        click(window, "btApply1");
        ASSERT_EQ(rig.ui.boxes.size(), 1U);
        EXPECT_EQ(rig.ui.boxes[0].text, settings::kFolderCreateTextHead +
                                            (blocker / "MP3/").string() +
                                            settings::kFolderCreateTextTail);
        EXPECT_EQ(rig.ui.boxes[0].icon, MessageIcon::Error);
        // The failed save keeps the window open and "Aplicar" on.
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled());
    }
    {
        const auto outside = std::filesystem::temp_directory_path() / "kovra-gui-plain-file";
        std::ofstream(outside) << "x";
        PairRig rig(3, false, {{"EditPasta", (outside / "MP3").string()}});
        std::filesystem::remove(outside);
        ASSERT_EQ(rig.ui.boxes.size(), 1U);
        EXPECT_EQ(rig.ui.boxes[0].title, settings::kFolderAccessTitle);
        EXPECT_EQ(rig.ui.boxes[0].text, settings::kFolderAccessText);
    }
}

TEST(PairWindow, AdapterChangeOnPairOneAsksForARestartOnce) {
    PairRig rig(1, false, {});
    rig.pair().settings().CBTipoAdp.itemIndex = 1;
    rig.pair().settings().SavedLinesOnInput = 2;
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    auto& adapter = widget<QComboBox>(window, "CBTipoAdp");
    adapter.setCurrentIndex(0);
    emit adapter.activated(0);
    click(window, "btApply1");
    ASSERT_EQ(rig.ui.boxes.size(), 1U);
    EXPECT_EQ(rig.ui.boxes[0].title, "Configurações");
    EXPECT_EQ(rig.ui.boxes[0].text, kSavedRestartText);
    rig.pair().dialog().changed();
    window.refresh();
    click(window, "btApply1");
    EXPECT_EQ(rig.ui.boxes.size(), 1U);
}

TEST(PairWindow, RemovingThePairAsksAndErasesOnlyOnYes) {
    PairRig rig(3);
    rig.pair().settings().CbDevices = {"Placa", 0};
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    rig.pair().dialog().changed();
    window.refresh();
    click(window, "btApply1");
    ASSERT_TRUE(rig.keys("Config.ini").contains("LINHAS_5e6/DeviceName"));
    ASSERT_TRUE(widget<QPushButton>(window, "btRemover").isEnabled());

    rig.ui.boxes.clear();
    click(window, "btRemover");
    ASSERT_EQ(rig.ui.boxes.size(), 1U);
    EXPECT_EQ(rig.ui.boxes[0].title, "Remoção das linhas  [Linhas 5 e 6]");
    EXPECT_EQ(rig.ui.boxes[0].text,
              "Confirma a remoção das linhas:  [Linhas 5 e 6] ?\r\n\r\nObs:\r\nElas poderão ser "
              "readicionadas a qualquer momento clicando\r\nno menu \"Adicionar linhas\" tela "
              "principal do aplicativo.");
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(rig.keys("Config.ini").contains("LINHAS_5e6/DeviceName"));

    rig.ui.yesNoAnswer = MessageAnswer::Yes;
    click(window, "btRemover");
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(rig.keys("Config.ini").contains("LINHAS_5e6/DeviceName"));
    window.openFromMenu();
    EXPECT_FALSE(widget<QPushButton>(window, "btRemover").isEnabled());
}

TEST(PairWindow, DiagnosticsPageWithItsButtonOnlyWithTheSwitch) {
    PairRig rig(1, true);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    ASSERT_TRUE(widget<QPushButton>(window, "btBoard").isVisible());
    EXPECT_FALSE(window.pages().isTabVisible(2));
    click(window, "btBoard");
    EXPECT_TRUE(window.pages().isTabVisible(2));
    EXPECT_EQ(window.pages().currentIndex(), 2);
    click(window, "PanelAudio");
    EXPECT_FALSE(window.pages().isTabVisible(2));
}

TEST(PairWindow, TestsPageOfPairOneShowsOverTheChosenPageUntilAnotherIsChosen) {
    PairRig rig(1);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    window.pages().setCurrentIndex(static_cast<int>(PairPage::Tests));
    EXPECT_TRUE(rig.pair().dialog().TestPageActive);
    window.refresh();
    EXPECT_EQ(window.pages().currentIndex(), static_cast<int>(PairPage::Tests));
    click(window, "PanelRecord");
    EXPECT_FALSE(rig.pair().dialog().TestPageActive);
    EXPECT_EQ(window.pages().currentIndex(), static_cast<int>(PairPage::Record));
}

TEST(PairWindow, LiveFieldsFollowTheLineOnlyWhileShown) {
    PairRig rig(2);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    line::LineChannel& line = rig.pair().logic().channel(1);
    line.StatusShown = line::StatusDisplay::Ringing;
    line.RingShown = 2;
    auto& status = widget<QLineEdit>(window, "edSTATUS1");
    QTRY_COMPARE_WITH_TIMEOUT(status.text(), QStringLiteral("RINGING "), 5000);
    EXPECT_EQ(widget<QLineEdit>(window, "edRing1").text(), QStringLiteral("2"));

    window.close();
    line.StatusShown = line::StatusDisplay::DialTone;
    QTest::qWait(3 * PairWindow::kRefreshMs);
    EXPECT_EQ(status.text(), QStringLiteral("RINGING "));
}

TEST(PairWindow, LineDisplaysCarryEachPairsOwnLineOptions) {
    struct Case {
        int pair;
        bool europeanFsk;  // chkEuropa<k>
        bool spectrum;     // CHKSpectrum<k>
        bool sensitivity;  // SpinSensi<k>
    };
    const Case cases[] = {{1, false, false, true}, {2, true, true, false}, {3, true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pair);
        PairRig rig(c.pair);
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        for (int k = 1; k <= 2; ++k) {
            const QString n = QString::number(k);
            EXPECT_EQ(window.findChild<QCheckBox*>("chkEuropa" + n) != nullptr, c.europeanFsk);
            EXPECT_EQ(window.findChild<QCheckBox*>("CHKSpectrum" + n) != nullptr, c.spectrum);
            EXPECT_EQ(window.findChild<QSpinBox*>("SpinSensi" + n) != nullptr, c.sensitivity);
        }
        EXPECT_EQ(widget<QCheckBox>(window, "chkTipoL2").text(),
                  QString::fromUtf8("Não detectar o tipo de chamada nesta linha"));
        click(window, "chkTipoL2");
        EXPECT_TRUE(rig.pair().settings().chkTipoL2);
        EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled());
        if (c.sensitivity) {
            widget<QSpinBox>(window, "SpinSensi1").setValue(30);
            EXPECT_EQ(rig.pair().settings().SpinSensi1, 24);  // 2 to 24
        }

        // The caller shown, and "Limpar" clearing the line's call data.
        line::LineChannel& line = rig.pair().logic().channel(1);
        line.EdFskFone = "1(11)3456-7890";
        line.EdFskNome = "MARIA";
        line.EdSeq = "(11)3456-7890";
        window.refresh();
        EXPECT_EQ(widget<QLineEdit>(window, "EdFskFone1").text(),
                  QStringLiteral("1(11)3456-7890  MARIA"));
        click(window, "btClearResult1");
        EXPECT_TRUE(line.EdSeq.empty());
        EXPECT_TRUE(widget<QLineEdit>(window, "EdSeq1").text().isEmpty());
    }
}

TEST(PairWindow, DiagnosticsShowTheHookStateAndOnLinesThreeToSixItsLevelReference) {
    for (int p = 1; p <= 2; ++p) {
        SCOPED_TRACE(p);
        PairRig rig(p, true);
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        click(window, "btBoard");
        line::LineChannel& line = rig.pair().logic().channel(2);
        line.HookShown = line::HookDisplay::OnHook;
        line.edStopHook = "40:120:-33";
        window.refresh();
        EXPECT_EQ(widget<QLineEdit>(window, "EditOffHook2").text(), QStringLiteral("ON HOOK"));
        auto* stop = window.findChild<QLineEdit*>("edStopHook2");
        ASSERT_EQ(stop != nullptr, p != 1);
        if (stop != nullptr) {
            EXPECT_EQ(stop->text(), QStringLiteral("40:120:-33"));
        }
    }
}

TEST(PairWindow, ManualRecordingButtonsStartPauseAndStopTheLine) {
    PairRig rig(2, true);
    PairWindow window(rig.pair(), {});
    window.openFromMenu();
    click(window, "btBoard");
    RecordingControl& recording = rig.pair().recordingControl();
    click(window, "StartL1");
    if (!recording.Recording(1)) {
        GTEST_SKIP() << "no MP3 encoder on this machine";
    }
    click(window, "PauseL1");
    EXPECT_TRUE(recording.Paused(1));
    click(window, "PauseL1");
    EXPECT_FALSE(recording.Paused(1));
    click(window, "StopL1");
    rig.loop.advance(Millis{2000});  // the retention step settles the file
    EXPECT_FALSE(recording.Recording(1));
    EXPECT_FALSE(recording.Recording(2));
}

}  // namespace
}  // namespace kovra::gui
