// Test recordings of pairs 2 and 3 on real files, and the page's list of them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/simulated_event_loop.h"
#include "recording/pushed_capture_stage.h"
#include "recording/recording_control.h"
#include "recording/test_recording_list.h"
#include "temp_folder.h"

namespace kovra {
namespace {

namespace fs = std::filesystem;

class QuietLine final : public RecordingLinePort {
  public:
    RecordingCallView callView(int) override {
        return {s, s, s, s, s, s, s, s, s, lbNomeFile, s, s, flag, flag};
    }
    void LimpaTudo(int k) override { control->clearLine(k); }
    void rearmToneDetection(int) override { ++rearms; }
    void resetRearm(int) override {}
    std::string s;
    std::string lbNomeFile = "->(11)3456-7890";
    bool flag = false;
    int rearms = 0;
    RecordingControl* control = nullptr;
};

class RecordingPlayer final : public TestRecordingPlayer {
  public:
    void close() override { calls.push_back("close"); }
    void open(const fs::path& file) override { calls.push_back("open " + file.string()); }
    std::vector<std::string> calls;
};

class TestRecordingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        auto lame = LameLibrary::load(LameLibrary::kDefaultName, error);
        ASSERT_NE(lame, nullptr) << error;
        std::tm t{};
        t.tm_year = 2026 - 1900;
        t.tm_mon = 11;
        t.tm_mday = 9;
        t.tm_hour = 14;
        t.tm_min = 5;
        t.tm_sec = 9;
        t.tm_isdst = -1;
        loop_ = std::make_unique<SimulatedEventLoop>(
            std::chrono::system_clock::from_time_t(std::mktime(&t)));
        std::array<std::unique_ptr<CaptureStage>, 2> captures;
        for (int i = 0; i < 2; ++i) {
            auto c = std::make_unique<PushedCaptureStage>();
            captures_[i] = c.get();
            captures[i] = std::move(c);
        }
        RecordingPairPorts ports;
        ports.SendDataIP = [this](int, const std::string& text) { sent_.push_back(text); };
        ports.linesOnInput = [] { return 2; };
        control_ = std::make_unique<RecordingControl>(2, *loop_, line_, counters_, ports,
                                                      std::move(captures), lame);
        line_.control = control_.get();
        control_->options.RecordingBase = (dir_ / "MP3").string() + "/";
        control_->lineNames = {"Linha3", "Linha4"};
    }
    void TearDown() override { control_.reset(); }
    void play(double seconds) {
        std::vector<std::int16_t> block(1600 * 2);
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<std::int16_t>((i / 2) % 16 < 8 ? 6000 : -6000);
        }
        for (int i = 0; i < static_cast<int>(seconds * 10); ++i) {
            for (PushedCaptureStage* c : captures_) {
                c->push(block, 2);
            }
            loop_->advance(Millis(100));
        }
    }

    kovra::test::TempFolder temp_{"kovra-test-rec"};
    const fs::path dir_ = temp_.path();
    std::unique_ptr<SimulatedEventLoop> loop_;
    QuietLine line_;
    std::array<PushedCaptureStage*, 2> captures_{};
    PairLineCounters counters_;
    std::unique_ptr<RecordingControl> control_;
    std::vector<std::string> sent_;
};

TEST_F(TestRecordingTest, ATestIsNamedAfterItsSideKeptHoweverShortAndPlayedFromTheList) {
    const std::string expected =
        (dir_ / "MP3" / "Linha4(Linha4)" / "09-12-2026" / "TEST-LINHA2-14h05h09.mp3").string();
    ASSERT_EQ(control_->startTestRecording(2, AmplifierSetting{true, 5}), expected);
    EXPECT_TRUE(control_->testRecording(2));
    EXPECT_TRUE(control_->Recording(2));
    EXPECT_EQ(line_.lbNomeFile, "");
    play(2.0);
    EXPECT_EQ(control_->stopTestRecording(2), expected);
    EXPECT_FALSE(control_->Recording(2));
    loop_->advance(Millis(3000));  // no retention step: 2 s is kept although SpinMin is 15
    EXPECT_TRUE(fs::exists(expected));
    EXPECT_GT(fs::file_size(expected), 1000u);
    EXPECT_TRUE(sent_.empty());  // a test is never announced

    RecordingPlayer player;
    TestRecordingList list(player);
    list.add(expected);
    EXPECT_EQ(list.chosen(), 0u);
    EXPECT_EQ(player.calls, (std::vector<std::string>{"close", "open " + expected}));
    EXPECT_EQ(list.chosenFolder(), fs::path(expected).parent_path());
    EXPECT_TRUE(list.deleteChosen());
    EXPECT_FALSE(fs::exists(expected));
    EXPECT_TRUE(list.files().empty());
    EXPECT_EQ(list.chosenFolder(), fs::path());
}

TEST_F(TestRecordingTest, ATestLeftInSilencePausesStopsAndIsSettledLikeACall) {
    control_->options.SpinPause = 2;
    control_->options.SpinStop = 4;
    const auto file = control_->startTestRecording(1, AmplifierSetting{});
    ASSERT_TRUE(file);
    for (int second = 1; second <= 4; ++second) {
        control_->onSecondTick();
        EXPECT_EQ(control_->Paused(1), second >= 2) << second;
    }
    EXPECT_EQ(control_->counters(1).lbStopModo, "Fim do tempo");
    loop_->advance(Millis(1500));  // the retention step deletes a file of at most SpinMin s
    EXPECT_FALSE(fs::exists(*file));
    EXPECT_FALSE(control_->testRecording(1));
    EXPECT_EQ(control_->stopTestRecording(1), std::nullopt);  // "Parar" afterwards: nothing
}

TEST_F(TestRecordingTest, AFileThatCannotBeDeletedStaysInTheList) {
    RecordingPlayer player;
    TestRecordingList list(player);
    const std::string gone = (dir_ / "TEST-LINHA1-10h00h00.mp3").string();
    list.add(gone);
    EXPECT_EQ(player.calls, std::vector<std::string>{"close"});  // nothing there to open
    EXPECT_FALSE(list.deleteChosen());
    EXPECT_EQ(list.files(), std::vector<std::string>{gone});
}

}  // namespace
}  // namespace kovra
