// The recording page's test recordings (pairs 3-4 and 5-6): making one on a line, the list
// of the run's files, "Excluir", the stop when the window is shown again, and the player
// playing a file on a private sound server's null sink.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "gui/pair_window.h"
#include "gui/test_player.h"
#include "gui_test_support.h"
#include "recording/pushed_capture_stage.h"
#include "sound_server.h"
#include "widget_lookup.h"

namespace kovra::gui {
namespace {

namespace fs = std::filesystem;
using testing::PairRig;
using testing::widget;

bool encoderPresent(PairRig& rig) {
    return rig.pair().services().lame != nullptr;
}

// Seconds of a loud square wave on both lines of the pair's (pushed) capture.
void speak(PairRig& rig, double seconds) {
    std::vector<std::int16_t> block(1600 * 2);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::int16_t>((i / 2) % 16 < 8 ? 6000 : -6000);
    }
    for (int i = 0; i < static_cast<int>(seconds * 10); ++i) {
        for (int k = 1; k <= 2; ++k) {
            auto* capture = dynamic_cast<PushedCaptureStage*>(
                &rig.pair().recordingControl().chain(k).capture());
            ASSERT_NE(capture, nullptr);
            capture->push(block, 2);
        }
        rig.loop.advance(Millis(100));
    }
}

void openOnRecordingPage(PairWindow& window) {
    window.openFromMenu();
    widget<QAbstractButton>(window, "PanelRecord").click();
}

// Makes a test recording of `seconds` on side k through the page's buttons.
std::string makeTest(PairWindow& window, PairRig& rig, int k, double seconds) {
    widget<QPushButton>(window, QStringLiteral("btRecTest%1").arg(k)).click();
    EXPECT_FALSE(widget<QPushButton>(window, QStringLiteral("btRecTest%1").arg(k)).isEnabled());
    EXPECT_TRUE(widget<QPushButton>(window, QStringLiteral("bsStopTestRec%1").arg(k)).isEnabled());
    speak(rig, seconds);
    widget<QPushButton>(window, QStringLiteral("bsStopTestRec%1").arg(k)).click();
    auto& files = widget<QComboBox>(window, "CBFileTestOut");
    return files.currentIndex() >= 0 ? files.currentText().toStdString() : std::string();
}

TEST(TestRecordingPanel, OnlyPairsThreeFourAndFiveSixHaveIt) {
    for (int p = 1; p <= 3; ++p) {
        PairRig rig(p);
        PairWindow window(rig.pair(), {});
        EXPECT_EQ(window.findChild<QPushButton*>("btRecTest1") != nullptr, p != 1) << p;
        EXPECT_EQ(window.testRecordings() != nullptr, p != 1) << p;
    }
}

TEST(TestRecordingPanel, ATestIsListedLoadedAndDeletedFromThePage) {
    PairRig rig(2);
    if (!encoderPresent(rig)) {
        GTEST_SKIP() << "no MP3 encoder on this machine";
    }
    PairWindow window(rig.pair(), {});
    openOnRecordingPage(window);
    const std::string file = makeTest(window, rig, 2, 2.0);
    ASSERT_FALSE(file.empty());
    EXPECT_NE(file.find("TEST-LINHA2-"), std::string::npos);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_FALSE(rig.pair().recordingControl().Recording(2));
    EXPECT_TRUE(widget<QPushButton>(window, "btRecTest2").isEnabled());
    EXPECT_FALSE(widget<QPushButton>(window, "bsStopTestRec2").isEnabled());
    EXPECT_TRUE(window.testPlayer()->loaded());
    EXPECT_TRUE(widget<QToolButton>(window, "MediaPlay").isEnabled());

    widget<QPushButton>(window, "Button3").click();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(widget<QComboBox>(window, "CBFileTestOut").count(), 0);
    EXPECT_FALSE(window.testPlayer()->loaded());
}

TEST(TestRecordingPanel, ShowingTheWindowStopsARunningTest) {
    PairRig rig(3);
    if (!encoderPresent(rig)) {
        GTEST_SKIP() << "no MP3 encoder on this machine";
    }
    PairWindow window(rig.pair(), {});
    openOnRecordingPage(window);
    widget<QPushButton>(window, "btRecTest1").click();
    speak(rig, 1.0);
    window.close();
    ASSERT_TRUE(rig.pair().recordingControl().testRecording(1));  // hidden, it goes on
    window.openFromMenu();
    EXPECT_FALSE(rig.pair().recordingControl().testRecording(1));
    ASSERT_EQ(window.testRecordings()->files().size(), 1U);
    EXPECT_NE(window.testRecordings()->files()[0].find("TEST-LINHA1-"), std::string::npos);
}

TEST(TestRecordingPanel, PlayerPlaysATestOnTheSoundServer) {
    std::string why;
    auto server = kovra::test::SoundServer::start({"kovra_player_sink"}, why);
    if (!server) {
        GTEST_SKIP() << "no sound server: " << why;
    }
    server->useInThisProcess();
    PairRig rig(2);
    if (!encoderPresent(rig)) {
        GTEST_SKIP() << "no MP3 encoder on this machine";
    }
    PairWindow window(rig.pair(), {});
    openOnRecordingPage(window);
    ASSERT_FALSE(makeTest(window, rig, 1, 4.0).empty());
    MediaTestPlayer& player = *window.testPlayer();
    widget<QToolButton>(window, "MediaPlay").click();
    // Real time on the sound server: the position moves within a few seconds (bounded).
    // The duration comes apart from the position, when the decoder has judged the file.
    for (int i = 0; i < 100 && (player.position() < 1000 || player.duration() <= 0); ++i) {
        QTest::qWait(100);
    }
    EXPECT_TRUE(player.playing()) << player.error().toStdString();
    EXPECT_GE(player.position(), 1000) << player.error().toStdString();
    EXPECT_GT(player.duration(), 3000);
    window.refresh();
    EXPECT_FALSE(widget<QLabel>(window, "lbPlayerPosition").text().isEmpty());
    widget<QToolButton>(window, "MediaStop").click();
    EXPECT_FALSE(player.playing());
}

}  // namespace
}  // namespace kovra::gui
