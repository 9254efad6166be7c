// Recording control of a pair on real files: names and folders, the start event, the
// silence rules and automatic start, retention (delete, keep, host-named), privacy, the
// day folder after midnight and the exit clean-up.
#include "recording/recording_control.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "mp3_probe.h"
#include "platform/simulated_event_loop.h"
#include "recording/privacy_list.h"
#include "recording/pushed_capture_stage.h"
#include "recording/recording_folders.h"
#include "temp_folder.h"

namespace kovra {
namespace {

namespace fs = std::filesystem;

TimePoint localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

// The line logic's side of the pair, as far as recording uses it.
struct FakeLine {
    std::string CallType, AreaCode, NumberDisplay, OperatorCode, DialArea, DialNumber, DialFull,
        DialDigits, EdSeq, lbNomeFile, lbReservaBL, lbReservaFL, IndexPhone;
    bool PrivateMark = false;
    bool CallerIdActive = false;
    int cleanUps = 0;
    int rearms = 0;
};

class FakeLinePort final : public RecordingLinePort {
  public:
    RecordingCallView callView(int k) override {
        FakeLine& l = line(k);
        return {l.CallType,    l.AreaCode,    l.NumberDisplay, l.OperatorCode,  l.DialArea,
                l.DialNumber,  l.DialFull,    l.DialDigits,    l.EdSeq,         l.lbNomeFile,
                l.lbReservaBL, l.lbReservaFL, l.PrivateMark,   l.CallerIdActive};
    }
    void LimpaTudo(int k) override {
        FakeLine& l = line(k);
        const int cleanUps = l.cleanUps + 1;
        const int rearms = l.rearms;
        l = FakeLine{};
        l.cleanUps = cleanUps;
        l.rearms = rearms;
        control->clearLine(k);
    }
    void rearmToneDetection(int k) override { ++line(k).rearms; }
    void resetRearm(int) override {}

    FakeLine& line(int k) { return lines[k == 2 ? 1 : 0]; }
    std::array<FakeLine, 2> lines;
    RecordingControl* control = nullptr;
};

class RecordingControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        lame_ = LameLibrary::load(LameLibrary::kDefaultName, error);
        ASSERT_NE(lame_, nullptr) << error;
    }
    void TearDown() override { control_.reset(); }

    void makePair(int pair, TimePoint start, bool withEncoder = true) {
        control_.reset();
        port_.lines = {};
        counters_ = {};  // a new pair: its lines share fresh counters
        loop_ = std::make_unique<SimulatedEventLoop>(start);
        std::array<std::unique_ptr<CaptureStage>, 2> captures;
        for (int i = 0; i < 2; ++i) {
            auto c = std::make_unique<PushedCaptureStage>();
            captures_[i] = c.get();
            captures[i] = std::move(c);
        }
        RecordingPairPorts ports;
        ports.SendDataIP = [this](int, const std::string& text) { sent_.push_back(text); };
        ports.linesOnInput = [] { return 2; };
        ports.readAmplifier = [](int) { return AmplifierSetting{}; };
        ports.recordingAllowed = recordingAllowed_;
        control_ =
            std::make_unique<RecordingControl>(pair, *loop_, port_, counters_, ports,
                                               std::move(captures), withEncoder ? lame_ : nullptr);
        port_.control = control_.get();
        control_->options.RecordingBase = (dir_ / "MP3").string() + "/";
        control_->options.CheckAutoRec = true;
        control_->lineNames = {"Linha" + std::to_string(2 * pair - 1),
                               "Linha" + std::to_string(2 * pair)};
    }

    // Audio on both channels, in 100 ms blocks with the clock moving along, as the
    // program feeds a pair from a file.
    void play(double seconds, double amplitude = 8000) {
        const auto tone = test::stereoTone(0.1, 700, amplitude, amplitude);
        for (int i = 0; i < static_cast<int>(seconds * 10 + 0.5); ++i) {
            for (PushedCaptureStage* c : captures_) {
                c->push(tone, 2);
            }
            loop_->advance(Millis(100));
        }
    }
    // Stops line k and lets its retention step run.
    void stopAndSettle(int k) {
        control_->StopLClick(k);
        control_->chain(k).writer().StopWriting(true);  // pair 1 does not wait: let it end
        loop_->advance(Millis(1000));
    }
    std::string dayFolder(int line, const char* date) const {
        return (dir_ / "MP3").string() + "/Linha" + std::to_string(line) + "(Linha" +
               std::to_string(line) + ")/" + date + "/";
    }

    kovra::test::TempFolder temp_{"kovra-rec"};
    const fs::path dir_ = temp_.path();
    std::shared_ptr<const LameLibrary> lame_;
    std::unique_ptr<SimulatedEventLoop> loop_;
    FakeLinePort port_;
    std::array<PushedCaptureStage*, 2> captures_{};
    std::function<bool()> recordingAllowed_;
    PairLineCounters counters_;
    std::unique_ptr<RecordingControl> control_;
    std::vector<std::string> sent_;
};

TEST_F(RecordingControlTest, FileNamesFollowTheKindOfCallOnEachPair) {
    struct Case {
        int pair;
        int k;
        FakeLine call;
        const char* fileName;
    };
    FakeLine received;
    received.CallType = "0";
    received.AreaCode = "11";
    received.NumberDisplay = "3456-7890";
    received.EdSeq = "0(11)3456-7890";
    FakeLine made;
    made.DialArea = "11";
    made.DialNumber = "34567890";
    made.EdSeq = "34567890";
    // FSK on an even line: the number is in the call's fields, EdSeq holds only "A".
    FakeLine fskEven = received;
    fskEven.CallType = "1";
    fskEven.EdSeq = "A";
    const FakeLine unknown;
    // A later call with no number of its own: the line's reserve still holds the earlier
    // caller. It may give the kind of call, never the earlier call's number.
    FakeLine afterEarlierCaller;
    afterEarlierCaller.lbReservaBL = "3456-7890";
    FakeLine afterEarlierDialling;
    afterEarlierDialling.lbReservaFL = "34567890";
    const Case cases[] = {
        {1, 1, afterEarlierCaller, "14h05m09s-RECEBIDA-.mp3"},
        {1, 1, afterEarlierDialling, "14h05m09s-EFETUADA-.mp3"},
        {2, 1, afterEarlierCaller, "RECEBIDA-14h05m09s.mp3"},
        {1, 1, received, "14h05m09s-RECEBIDA-(11)3456-7890.mp3"},
        {1, 2, fskEven, "14h05m09s-RECEBIDA-(11)3456-7890.mp3"},
        {2, 2, fskEven, "RECEBIDA-(11)3456-7890-14h05m09s.mp3"},
        {1, 2, made, "14h05m09s-EFETUADA-34567890.mp3"},
        {1, 1, unknown, "14h05m09s-NãoIdentificado-.mp3"},
        {2, 1, received, "RECEBIDA-(11)3456-7890-14h05m09s.mp3"},
        {2, 2, made, "EFETUADA-(11)3456-7890-14h05m09s.mp3"},
        {3, 1, unknown, "NãoIdentificado-14h05m09s.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        makePair(c.pair, localTime(2026, 12, 9, 14, 5, 9));
        sent_.clear();
        port_.line(c.k) = c.call;
        control_->StartLClick(c.k);
        const int n = 2 * c.pair - 2 + c.k;
        const std::string expected = dayFolder(n, "09-12-2026") + c.fileName;
        EXPECT_EQ(control_->chain(c.k).writer().FileName, expected);
        ASSERT_EQ(sent_.size(), 1u);
        EXPECT_EQ(sent_[0], "L" + std::to_string(n) + "_REC_FILE_START->" + expected + "#00:00:00");
        EXPECT_TRUE(control_->Recording(c.k));
        EXPECT_EQ(control_->state(c.k).lbInfFinal,
                  "Linha" + std::to_string(c.k) + " - Gravando...");
        play(1.0);
        control_->StopLClick(c.k);
        control_->chain(c.k).writer().StopWriting(true);
        EXPECT_TRUE(fs::exists(expected));
        control_.reset();
    }
}

TEST_F(RecordingControlTest, ShortRecordingsAreDeletedAndLongerOnesKeptAndReported) {
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    control_->options.SpinMin = 15;

    control_->StartLClick(1);
    const std::string first = control_->chain(1).writer().FileName;
    play(15.0);
    stopAndSettle(1);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(control_->state(1).lbInfFinal, "Linha 1 - Arquivo finalizado: DELETADO (15) sgs");
    EXPECT_EQ(control_->state(1).lbDeleteFile, first);
    EXPECT_FALSE(control_->Recording(1));
    EXPECT_EQ(port_.line(1).cleanUps, 1);
    EXPECT_EQ(sent_.size(), 1u);  // only the start

    sent_.clear();
    control_->StartLClick(1);
    const std::string second = control_->chain(1).writer().FileName;
    ASSERT_NE(second, first);
    play(16.0);
    stopAndSettle(1);
    ASSERT_TRUE(fs::exists(second));
    EXPECT_FALSE(control_->Recording(1));
    ASSERT_EQ(sent_.size(), 2u);
    // The duration runs from the start to the retention step, one second after the stop.
    EXPECT_EQ(sent_[1], "L1_REC_FILE_STOP->" + second + "#00:00:17");
    EXPECT_NEAR(test::decodeMp3(second).audioSeconds(), 16.0, 0.04);
}

TEST_F(RecordingControlTest, ADeletionThatFailsIsRetriedWhileTheLoopRuns) {
    makePair(2, localTime(2026, 12, 9, 10, 0, 0));
    control_->StartLClick(1);
    const std::string file = control_->chain(1).writer().FileName;
    play(2.0);
    control_->StopLClick(1);
    // Something else holds the name: a folder with content cannot be removed.
    fs::remove(file);
    fs::create_directories(fs::path(file) / "held");
    loop_->advance(Millis(1000));
    EXPECT_TRUE(control_->Recording(1));  // still settling; no new recording may start
    loop_->advance(Millis(5 * kDeleteRetryMs));
    EXPECT_TRUE(control_->Recording(1));
    fs::remove(fs::path(file) / "held");  // released
    loop_->advance(Millis(kDeleteRetryMs));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(control_->Recording(1));
    EXPECT_EQ(control_->state(1).lbInfFinal, "Linha 3 - Arquivo finalizado: DELETADO (2) sgs");

    // A name that is never released: the line is cleaned up after the last attempt.
    control_->StartLClick(2);
    const std::string stuck = control_->chain(2).writer().FileName;
    play(1.0);
    control_->StopLClick(2);
    fs::remove(stuck);
    fs::create_directories(fs::path(stuck) / "held");
    loop_->advance(Millis(1000 + kDeleteAttempts * kDeleteRetryMs));
    EXPECT_FALSE(control_->Recording(2));
    EXPECT_TRUE(fs::exists(stuck));
}

TEST_F(RecordingControlTest, AHostNamedRecordingIsKeptHoweverShort) {
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    const std::string hostPath = (dir_ / "host-call.mp3").string();
    control_->hostStartRecording(2, hostPath);
    EXPECT_EQ(control_->chain(2).writer().FileName, hostPath);
    play(3.0);
    control_->hostStopRecording(2);
    control_->chain(2).writer().StopWriting(true);
    loop_->advance(Millis(1000));
    EXPECT_TRUE(fs::exists(hostPath));
    ASSERT_EQ(sent_.size(), 2u);
    EXPECT_EQ(sent_[0], "L2_REC_FILE_START->" + hostPath + "#00:00:00");
    EXPECT_EQ(sent_[1], "L2_REC_FILE_STOP->" + hostPath + "#00:00:04");
    EXPECT_FALSE(control_->state(2).HostNamed);  // cleared by the clean-up
}

TEST_F(RecordingControlTest, KeptFileIsRenamedToAMadeCallIdentifiedWhileRecording) {
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    control_->StartLClick(1);
    const std::string original = control_->chain(1).writer().FileName;
    play(17.0);
    const std::string renamed =
        control_->counters(1).LineFolder + "10h00m00s-EFETUADA-(11)3456-7890.mp3";
    control_->counters(1).RenameTarget = renamed;
    stopAndSettle(1);
    EXPECT_FALSE(fs::exists(original));
    EXPECT_TRUE(fs::exists(renamed));
    EXPECT_EQ(sent_.back(), "L1_REC_FILE_STOP->" + renamed + "#00:00:18");
}

TEST_F(RecordingControlTest, PairsTwoAndThreeKeepSilentlyAndNeedNoAutomaticMode) {
    makePair(2, localTime(2026, 12, 9, 10, 0, 0));
    control_->options.CheckAutoRec = false;
    control_->StartLClick(1);
    ASSERT_TRUE(control_->Recording(1));
    EXPECT_FALSE(control_->state(1).spectrumEnabled);
    const std::string file = control_->chain(1).writer().FileName;
    play(17.0);
    control_->StopLClick(1);  // pairs 2 and 3 wait for the writer
    EXPECT_EQ(control_->chain(1).writer().state(), WriterState::Idle);
    loop_->advance(Millis(1000));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(sent_.size(), 1u);  // no stop event on lines 3 to 6
    EXPECT_FALSE(control_->Recording(1));

    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    control_->options.CheckAutoRec = false;
    control_->StartLClick(1);
    EXPECT_FALSE(control_->Recording(1));
}

TEST_F(RecordingControlTest, APrivateLineStartsNoRecording) {
    const fs::path folder = dir_ / "KOVRA-AUTO_BACKUP";
    fs::create_directories(folder);
    PrivacyList privacy(folder / "ConfigPriv.ini");
    privacy.load();
    privacy.insert("1134567890");

    for (bool ticked : {true, false}) {
        SCOPED_TRACE(ticked);
        privacy.setTicked(0, ticked);
        ASSERT_EQ(privacy.apply(), std::nullopt);
        for (int pair : {1, 2}) {
            makePair(pair, localTime(2026, 12, 9, 10, 0, 0));
            sent_.clear();
            FakeLine& l = port_.line(2);
            l.AreaCode = "11";
            l.NumberDisplay = "3456-7890";
            l.IndexPhone = "1134567890";
            l.PrivateMark = privacy.isPrivate(l.IndexPhone);  // what caller identification does
            control_->StartLClick(2);
            EXPECT_EQ(control_->Recording(2), !ticked);
            EXPECT_EQ(sent_.size(), ticked ? 0u : 1u);
            control_->StopLClick(2);
            control_.reset();
        }
    }
}

TEST_F(RecordingControlTest, APrivacyListThatCannotBeReadStopsEveryRecording) {
    const fs::path file = dir_ / "ConfigPriv.ini";
    fs::create_directories(file);  // a folder where the list should be
    PrivacyList privacy(file);
    privacy.load();
    recordingAllowed_ = [&privacy] { return privacy.recordingAllowed(); };
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    control_->StartLClick(1);
    EXPECT_FALSE(control_->Recording(1)) << "any caller may be on the list";
    EXPECT_TRUE(sent_.empty());

    fs::remove(file);  // mended: the next call is recorded
    std::ofstream(file) << "[PRIVACIDADE]\n1134567890=1\n";
    control_->StartLClick(1);
    EXPECT_TRUE(control_->Recording(1));
    EXPECT_TRUE(privacy.isPrivate("1134567890"));
    control_->StopLClick(1);
}

TEST_F(RecordingControlTest, SilencePausesThenStopsCountingFromTheLastSpeech) {
    struct Case {
        int spinPause, spinStop;
        int pausedAfter;  // 0: never pauses
        int stoppedAfter;
    };
    for (const Case c : {Case{5, 120, 5, 120}, Case{5, 3, 0, 3}}) {
        SCOPED_TRACE(c.spinStop);
        makePair(2, localTime(2026, 12, 9, 10, 0, 0));
        control_->options.SpinPause = c.spinPause;
        control_->options.SpinStop = c.spinStop;
        control_->StartLClick(1);
        int pausedAt = 0;
        int stoppedAt = 0;
        for (int second = 1; second <= 130 && stoppedAt == 0; ++second) {
            control_->onSecondTick();
            if (pausedAt == 0 && control_->Paused(1)) {
                pausedAt = second;
            }
            if (control_->counters(1).lbStopModo == "Fim do tempo") {
                stoppedAt = second;
            }
        }
        EXPECT_EQ(pausedAt, c.pausedAfter);
        EXPECT_EQ(stoppedAt, c.stoppedAfter);
        if (c.pausedAfter != 0) {
            EXPECT_EQ(control_->state(1).lbInfFinal, "Linha1 - PAUSADA !");
            EXPECT_EQ(port_.line(1).rearms, 1);
        }
        control_.reset();
    }

    // Speech resumes a paused recording (the level rules call PauseL and reset the count).
    makePair(2, localTime(2026, 12, 9, 10, 0, 0));
    control_->StartLClick(2);
    for (int i = 0; i < 5; ++i) {
        control_->onSecondTick();
    }
    ASSERT_TRUE(control_->Paused(2));
    EXPECT_EQ(control_->chain(2).writer().state(), WriterState::Paused);
    control_->counters(2).SilenceSeconds = 0;
    control_->PauseLClick(2);
    EXPECT_FALSE(control_->Paused(2));
    EXPECT_EQ(control_->chain(2).writer().state(), WriterState::Writing);
    EXPECT_EQ(control_->state(2).lbInfFinal, "Linha2 - RESUME !");
}

TEST_F(RecordingControlTest, AutomaticStartNeedsTwoArmedTicksAndMoreThanOneSpeechReport) {
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    // One speech report, then silence: the timer runs out without a start.
    control_->counters(1).StartArmed = true;
    control_->counters(1).VoiceHits = 1;
    control_->setStartTimerRunning(1, true);
    loop_->advance(Millis(6000));
    EXPECT_FALSE(control_->Recording(1));
    EXPECT_FALSE(control_->startTimerRunning(1));

    // Two reports in a tick after two armed ticks: the start.
    control_->setStartTimerRunning(1, true);
    loop_->advance(Millis(500));
    EXPECT_FALSE(control_->Recording(1));
    control_->counters(1).VoiceHits = 2;
    loop_->advance(Millis(500));
    EXPECT_TRUE(control_->Recording(1));

    // While the recording page is shown nothing starts.
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    control_->RecordPageOpen = true;
    control_->counters(2).StartArmed = true;
    control_->setStartTimerRunning(2, true);
    for (int i = 0; i < 4; ++i) {
        control_->counters(2).VoiceHits = 3;
        loop_->advance(Millis(500));
    }
    EXPECT_FALSE(control_->Recording(2));
}

TEST_F(RecordingControlTest, CallerWaitCleansTheLineUpAfterTwentySeconds) {
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    port_.line(1).CallerIdActive = true;
    for (int i = 0; i < 20; ++i) {
        control_->onSecondTick();
    }
    EXPECT_EQ(port_.line(1).cleanUps, 0);
    EXPECT_EQ(control_->state(1).lbCountTmpRecBinado, "20");
    control_->onSecondTick();
    EXPECT_EQ(port_.line(1).cleanUps, 1);
    EXPECT_EQ(control_->state(1).lbCountTmpRecBinado, "0");
}

TEST_F(RecordingControlTest, AStopAfterMidnightPreparesTheNewDaysFolder) {
    makePair(1, localTime(2026, 12, 9, 23, 59, 50));
    control_->StartLClick(1);
    EXPECT_TRUE(fs::is_directory(dayFolder(1, "09-12-2026")));
    play(20.0);
    stopAndSettle(1);
    EXPECT_TRUE(fs::is_directory(dayFolder(1, "10-12-2026")));
    EXPECT_EQ(control_->counters(1).LineFolder, dayFolder(1, "10-12-2026"));

    // At exit the empty day folder goes; the one holding the recording stays.
    const fs::path lineFolder = dir_ / "MP3" / "Linha1(Linha1)";
    EXPECT_EQ(removeEmptyRecordingFolders({lineFolder, dir_ / "MP3" / "Linha2(Linha2)"}), 1);
    EXPECT_FALSE(fs::exists(dayFolder(1, "10-12-2026")));
    EXPECT_TRUE(fs::exists(dayFolder(1, "09-12-2026")));
    fs::remove_all(dayFolder(1, "09-12-2026"));
    EXPECT_EQ(removeEmptyRecordingFolders({lineFolder}), 1);
    EXPECT_FALSE(fs::exists(lineFolder));
}

TEST_F(RecordingControlTest, WithoutTheEncoderNothingStartsAndNothingIsAnnounced) {
    makePair(1, localTime(2026, 12, 9, 10, 0, 0), false);
    control_->counters(1).StartArmed = true;
    control_->setStartTimerRunning(1, true);
    control_->StartLClick(1);
    EXPECT_FALSE(control_->Recording(1));
    EXPECT_FALSE(control_->startTimerRunning(1));  // the next speech tries again
    EXPECT_TRUE(sent_.empty());
    EXPECT_EQ(control_->chain(1).writer().lastError(), "MP3 encoder library not loaded");
}

TEST_F(RecordingControlTest, AFileThatCannotBeCreatedIsNeverAnnounced) {
    for (const int pair : {1, 2}) {
        makePair(pair, localTime(2026, 12, 9, 10, 0, 0));
        sent_.clear();
        const fs::path blocker = dir_ / "not-a-folder";
        std::ofstream(blocker) << "x";
        control_->options.RecordingBase = blocker.string() + "/";
        control_->StartLClick(1);
        EXPECT_FALSE(control_->Recording(1)) << pair;
        EXPECT_NE(control_->chain(1).writer().lastError().find("Não foi possível salvar"),
                  std::string::npos);
        play(2.0);
        loop_->advance(Millis(1000));
        EXPECT_TRUE(sent_.empty()) << pair << ": " << ::testing::PrintToString(sent_);
    }
}

TEST_F(RecordingControlTest, AFullDiskReportsWhatTheFileHolds) {
    makePair(1, localTime(2026, 12, 9, 10, 0, 0));
    control_->options.SpinMin = 5;
    // The file-size limit makes writes past 20 KB fail as a full disk would (16 kbit/s:
    // some ten seconds of audio).
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 20 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    control_->StartLClick(1);
    play(30.0);
    control_->StopLClick(1);
    loop_->advance(Millis(1000));
    ::setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_EQ(sent_.size(), 2u) << ::testing::PrintToString(sent_);
    const std::string stop = sent_[1];
    EXPECT_EQ(stop.rfind("L1_REC_FILE_STOP->", 0), 0u) << stop;
    const int seconds = std::stoi(stop.substr(stop.size() - 2));
    EXPECT_EQ(stop.substr(stop.size() - 9, 7), "#00:00:") << stop;
    EXPECT_GE(seconds, 7) << stop;
    EXPECT_LE(seconds, 13) << stop << ": the file holds some ten seconds, not the 30 s of the call";
}

}  // namespace
}  // namespace kovra
