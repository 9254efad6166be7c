// The writer end to end on real files: MP3s decoded back and measured.
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "mp3_probe.h"
#include "platform/log.h"
#include "recording/pushed_capture_stage.h"
#include "recording/recording_chain.h"
#include "recording/recording_file_feed.h"
#include "temp_folder.h"

namespace kovra {
namespace {

namespace fs = std::filesystem;

std::shared_ptr<const LameLibrary> loadLame() {
    std::string error;
    auto lib = LameLibrary::load(LameLibrary::kDefaultName, error);
    EXPECT_NE(lib, nullptr) << error;
    return lib;
}

class WriterTest : public ::testing::Test {
  protected:
    struct Line {
        PushedCaptureStage* capture;
        std::unique_ptr<RecordingChain> chain;
    };
    Line makeLine(const ChainConfig& config, int bitRateItem = 1) {
        auto capture = std::make_unique<PushedCaptureStage>();
        PushedCaptureStage* raw = capture.get();
        auto chain = std::make_unique<RecordingChain>(std::move(capture), lame_);
        chain->configure(config);
        chain->setBitRateItem(bitRateItem);
        return {raw, std::move(chain)};
    }
    // Pushes audio in 100 ms blocks, as the program does in step with the detectors.
    static void feed(std::initializer_list<PushedCaptureStage*> captures,
                     const std::vector<std::int16_t>& stereo) {
        for (std::size_t i = 0; i < stereo.size(); i += 3200) {
            const std::size_t n = std::min<std::size_t>(3200, stereo.size() - i);
            for (PushedCaptureStage* c : captures) {
                c->push(std::span(stereo).subspan(i, n), 2);
            }
        }
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    kovra::test::TempFolder temp_{"kovra-writer"};
    const fs::path dir_ = temp_.path();
    std::shared_ptr<const LameLibrary> lame_ = loadLame();
};

TEST_F(WriterTest, EachLineOfATwoLinePairKeepsItsOwnChannel) {
    // Odd line keeps the right channel, even line the left.
    struct Case {
        double left, right;
        bool oddAudible, evenAudible;
    };
    for (const Case c : {Case{12000, 0, false, true}, Case{0, 12000, true, false}}) {
        Line odd = makeLine({.pairOne = true, .side = 1, .linesOnInput = 2});
        Line even = makeLine({.pairOne = true, .side = 2, .linesOnInput = 2});
        odd.chain->writer().FileName = path("odd.mp3");
        even.chain->writer().FileName = path("even.mp3");
        ASSERT_TRUE(odd.chain->writer().StartWriting());
        ASSERT_TRUE(even.chain->writer().StartWriting());
        feed({odd.capture, even.capture}, test::stereoTone(3.0, 1000, c.left, c.right));
        odd.chain->writer().StopWriting(true);
        even.chain->writer().StopWriting(true);

        for (auto [file, audible] : {std::pair{path("odd.mp3"), c.oddAudible},
                                     std::pair{path("even.mp3"), c.evenAudible}}) {
            SCOPED_TRACE(file + (audible ? " audible" : " silent"));
            const test::DecodedMp3 d = test::decodeMp3(file);
            ASSERT_TRUE(d.ok) << d.error;
            EXPECT_EQ(d.channels, 1);
            const double level = d.rms(0.5, 2.5);
            if (audible) {
                EXPECT_GT(level, 2000.0);  // mono mix of one kept channel: about half
            } else {
                EXPECT_LT(level, 50.0);
            }
        }
    }
}

TEST_F(WriterTest, DurationFollowsElapsedSecondsAndFileEndsWithId3v1) {
    Line line = makeLine({.pairOne = true, .side = 1, .linesOnInput = 2});
    Mp3Writer& w = line.chain->writer();
    w.FileName = path("seven.mp3");
    EXPECT_EQ(w.state(), WriterState::Idle);
    ASSERT_TRUE(w.StartWriting());
    EXPECT_EQ(w.state(), WriterState::Writing);
    EXPECT_FALSE(w.StartWriting());  // busy: nothing happens
    feed({line.capture}, test::stereoTone(7.0, 800, 8000, 8000));
    EXPECT_EQ(w.ElapsedSeconds(), 7);  // the audio taken, not the worker's pace
    w.StopWriting(false);
    EXPECT_EQ(w.ElapsedSeconds(), 7);
    w.StopWriting(true);
    EXPECT_EQ(w.state(), WriterState::Idle);
    EXPECT_EQ(w.ElapsedSeconds(), 7);
    EXPECT_EQ(w.lastError(), "");

    const test::DecodedMp3 d = test::decodeMp3(path("seven.mp3"));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_NEAR(d.audioSeconds(), 7.0, d.frameSeconds());
    EXPECT_TRUE(test::hasId3v1(path("seven.mp3")));

    // The worker is reused: a second recording into another file.
    w.FileName = path("two.mp3");
    ASSERT_TRUE(w.StartWriting());
    feed({line.capture}, test::stereoTone(2.0, 800, 8000, 8000));
    w.StopWriting(true);
    EXPECT_EQ(w.ElapsedSeconds(), 2);
    EXPECT_NEAR(test::decodeMp3(path("two.mp3")).audioSeconds(), 2.0, d.frameSeconds());
}

// The program goes on pushing right after a stop that does not wait; the file ends at the
// stop whenever the worker gets to it.
TEST_F(WriterTest, AudioPushedAfterAStopIsNotRecorded) {
    Line line = makeLine({.pairOne = true, .side = 1, .linesOnInput = 2});
    Mp3Writer& w = line.chain->writer();
    w.FileName = path("stop.mp3");
    ASSERT_TRUE(w.StartWriting());
    const std::vector<std::int16_t> after = test::stereoTone(3.0, 800, 8000, 8000);
    feed({line.capture}, test::stereoTone(2.0, 800, 8000, 8000));
    w.StopWriting(false);
    feed({line.capture}, after);
    EXPECT_EQ(line.capture->framesCommitted(), 32000u);
    w.StopWriting(true);
    EXPECT_EQ(w.ElapsedSeconds(), 2);
    const test::DecodedMp3 d = test::decodeMp3(path("stop.mp3"));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_NEAR(d.audioSeconds(), 2.0, d.frameSeconds());
}

TEST_F(WriterTest, APauseLeavesNoGapInTheFile) {
    Line line = makeLine({.pairOne = false, .side = 1, .linesOnInput = 1});
    Mp3Writer& w = line.chain->writer();
    w.FileName = path("paused.mp3");
    ASSERT_TRUE(w.StartWriting());
    auto tone = test::stereoTone(3.0, 500, 9000, 9000);
    feed({line.capture}, tone);
    w.PauseWriting();
    EXPECT_EQ(w.state(), WriterState::Paused);
    feed({line.capture}, std::vector<std::int16_t>(30 * 16000 * 2, 0));  // 30 s of silence
    EXPECT_EQ(w.ElapsedSeconds(), 3);
    w.ResumeWriting();
    EXPECT_EQ(w.state(), WriterState::Writing);
    feed({line.capture}, tone);
    w.StopWriting(true);
    EXPECT_EQ(w.ElapsedSeconds(), 6);

    const test::DecodedMp3 d = test::decodeMp3(path("paused.mp3"));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_NEAR(d.audioSeconds(), 6.0, d.frameSeconds());
    for (double t = 0.25; t < 5.75; t += 0.5) {
        EXPECT_GT(d.rms(t, t + 0.25), 1000.0) << "silence at " << t << " s";
    }
}

TEST_F(WriterTest, AFileThatCannotBeCreatedEndsTheRecordingWithItsReason) {
    Line line = makeLine({});
    Mp3Writer& w = line.chain->writer();
    const std::string target = path("missing-folder/x.mp3");
    w.FileName = target;
    EXPECT_FALSE(w.StartWriting()) << "no recording runs for a file that does not exist";
    EXPECT_EQ(w.state(), WriterState::Idle);
    EXPECT_EQ(w.ElapsedSeconds(), 0);
    EXPECT_EQ(w.lastError(), "Não foi possível salvar o arquivo " + target +
                                 ".\r\nCertifique-se de que ele não esteja aberto em outro "
                                 "aplicativo.");
    EXPECT_FALSE(fs::exists(target));

    // Audio pushed after the failure is not kept (the capture was released).
    feed({line.capture}, test::stereoTone(1.0, 500, 100, 100));

    w.FileName = "";
    EXPECT_FALSE(w.StartWriting());
    EXPECT_EQ(w.lastError(), "File name is not assigned.");
}

TEST_F(WriterTest, AFullDiskEndsTheRecordingWithAPlayableFile) {
    // The file-size limit makes writes past 24 KB fail as a full disk would.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 24 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    Line line = makeLine({}, 1);  // 16 kbit/s: 2 KB per second
    Mp3Writer& w = line.chain->writer();
    w.FileName = path("full.mp3");
    ASSERT_TRUE(w.StartWriting());
    feed({line.capture}, test::stereoTone(30.0, 700, 9000, 9000));
    w.StopWriting(true);
    ::setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_NE(w.lastError().find("failed"), std::string::npos) << w.lastError();
    EXPECT_LE(fs::file_size(path("full.mp3")), 24u * 1024);
    const test::DecodedMp3 d = test::decodeMp3(path("full.mp3"));
    EXPECT_GT(d.seconds(), 8.0);
    EXPECT_LT(d.seconds(), 14.0);
    EXPECT_GT(d.rms(1.0, 5.0), 1000.0);
    EXPECT_TRUE(w.cutShort());
    EXPECT_NEAR(w.StoredSeconds(), d.seconds(), 1.5) << "what the file holds";
}

TEST_F(WriterTest, AWavInputFeedsBothLinesOfThePairAtTheChainsRate) {
    // An 8000 Hz two-line file: a tone on the left channel (the even line) only.
    const std::string wav = path("pair.wav");
    {
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(wav.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        std::vector<std::int16_t> frames(8000 * 5 * 2);
        for (std::size_t i = 0; i < frames.size() / 2; ++i) {
            frames[2 * i] = static_cast<std::int16_t>(
                10000 * std::sin(2 * std::numbers::pi * 600 * double(i) / 8000));
        }
        sf_writef_short(f, frames.data(), 8000 * 5);
        sf_close(f);
    }
    Line odd = makeLine({.pairOne = true, .side = 1, .linesOnInput = 2});
    Line even = makeLine({.pairOne = true, .side = 2, .linesOnInput = 2});
    RecordingFileFeed feed(wav);
    feed.addTarget(odd.capture);
    feed.addTarget(even.capture);
    EXPECT_DOUBLE_EQ(feed.durationSeconds(), 5.0);
    odd.chain->writer().FileName = path("odd.mp3");
    even.chain->writer().FileName = path("even.mp3");
    ASSERT_TRUE(odd.chain->writer().StartWriting());
    ASSERT_TRUE(even.chain->writer().StartWriting());
    double position = 0;
    while (feed.advanceTo(position += 0.128)) {  // one detector buffer of 1024 samples
    }
    odd.chain->writer().StopWriting(true);
    even.chain->writer().StopWriting(true);
    EXPECT_EQ(even.chain->writer().ElapsedSeconds(), 5);

    const test::DecodedMp3 oddFile = test::decodeMp3(path("odd.mp3"));
    const test::DecodedMp3 evenFile = test::decodeMp3(path("even.mp3"));
    EXPECT_LT(oddFile.rms(0.5, 4.5), 50.0);
    EXPECT_GT(evenFile.rms(0.5, 4.5), 2000.0);
    EXPECT_NEAR(evenFile.audioSeconds(), 5.0, evenFile.frameSeconds());

    EXPECT_THROW(RecordingFileFeed(path("missing.wav")), std::runtime_error);
}

TEST(WriterWithoutEncoder, RefusesToStartAndSaysWhy) {
    std::string error;
    EXPECT_EQ(LameLibrary::load("libmp3lame-not-here.so.0", error), nullptr);
    EXPECT_NE(error.find("libmp3lame-not-here.so.0"), std::string::npos) << error;

    const fs::path log = fs::temp_directory_path() / ("kovra-nolame-" + std::to_string(getpid()));
    ASSERT_TRUE(setLogFile(log));
    auto capture = std::make_unique<PushedCaptureStage>();
    RecordingChain chain(std::move(capture), nullptr);
    chain.writer().FileName = "/tmp/never-written.mp3";
    EXPECT_FALSE(chain.writer().StartWriting());
    EXPECT_EQ(chain.writer().state(), WriterState::Idle);
    setLogFile({});
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Recording refused"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("/tmp/never-written.mp3"), std::string::npos);
    EXPECT_FALSE(fs::exists("/tmp/never-written.mp3"));
    fs::remove(log);
}

TEST(WriterWithoutInput, StartThrows) {
    Mp3Writer w(nullptr);
    EXPECT_THROW(w.StartWriting(), ChainError);
}

}  // namespace
}  // namespace kovra
