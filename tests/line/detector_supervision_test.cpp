// Detector start, stop and supervision against fake controls.
#include "line/detector_supervision.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "line_test_support.h"

namespace kovra::line::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct FakeCapture final : TWaveExCtrl {
    explicit FakeCapture(EventLoop& l) : loop(l) {}
    int WaveInDeviceID() const override { return 0; }
    void SelectFormat(int f) override { format = f; }
    void StartCapture(int) override {
        ++starts;
        running = true;
    }
    void StopCapture() override {
        running = false;
        loop.post([this] {
            if (OnRecordDone) {
                OnRecordDone();
            }
        });
    }
    bool CaptureRunning() const override { return running; }
    bool CaptureBusy() const override { return false; }
    EventLoop& loop;
    int format = 0;
    int starts = 0;
    bool running = false;
};

struct FakeDecoder final : TPhoneToneDecoder {
    void SetAudioSource(TWaveExCtrl* s) override { source = s; }
    void ClearCustomTones() override { tones.clear(); }
    void AddCustomTone(int id, int, int, int p4, int, int, int, float, int) override {
        tones.emplace_back(id, p4);
    }
    void GetPeakFrequencies(double& a, double& b) const override {
        a = f1;
        b = f2;
    }
    TWaveExCtrl* source = nullptr;
    std::vector<std::pair<int, int>> tones;  // id, main frequency
    double f1 = 0;
    double f2 = 0;
};

struct FakeView final : TSpectrumView {
    void SetWaveSource(TWaveExCtrl* s) override { source = s; }
    void ResetView() override { ++resets; }
    TWaveExCtrl* source = nullptr;
    int resets = 0;
};

struct FakeUi final : UserInterface {
    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon,
                             MessageButtons) override {
        boxes.push_back(title + "|" + text);
        return MessageAnswer::Ok;
    }
    void beep() override {}
    void setTrayIconVisible(bool) override {}
    std::vector<std::string> boxes;
};

struct SupervisedPair : PairFixture {
    explicit SupervisedPair(int pair) : PairFixture(pair), capture(loop) {
        DetectorPorts ports;
        ports.detectorSilence = [this] { return silence; };
        ports.recordingSecondTick = [this] { ++secondTicks; };
        control = std::make_unique<PairDetectorControl>(
            *logic, loop, ui, globals,
            PairDetectorControls{capture, decoder1, decoder2, view1, view2}, std::move(ports));
        control->choice().CbDevicesText = "Card";
        control->choice().CbDevicesIndex = 1;
        control->choice().CBListIndex = 1;
    }
    FakeCapture capture;
    FakeDecoder decoder1;
    FakeDecoder decoder2;
    FakeView view1;
    FakeView view2;
    FakeUi ui;
    int silence = 0;
    int secondTicks = 0;
    std::unique_ptr<PairDetectorControl> control;
};

TEST(DetectorStart, EmptyDeviceListDoesNothing) {
    SupervisedPair p(1);
    p.control->setAdapter(1);
    p.control->choice().CbDevicesText.clear();
    p.control->BnStartClick();
    EXPECT_EQ(p.capture.starts, 0);
    EXPECT_FALSE(p.control->TonesDefined());
    EXPECT_FALSE(p.control->timerLedEnabled());
    EXPECT_THAT(p.ui.boxes, IsEmpty());
}

TEST(DetectorStart, MissingAdapterIsReportedAndLeavesThePairStopped) {
    for (const int pair : {1, 3}) {
        SupervisedPair p(pair);
        p.control->BnStartClick();
        ASSERT_EQ(p.ui.boxes.size(), 1U);
        EXPECT_EQ(p.ui.boxes[0].rfind("Configura\xC3\xA7\xC3\xB5"
                                      "es da placa de som|",
                                      0),
                  0U);
        EXPECT_NE(
            p.ui.boxes[0].find(pair == 1 ? "\"O tipo do Adaptador\"" : "\"QUANTIDADE DE LINHAS\""),
            std::string::npos);
        EXPECT_NE(p.ui.boxes[0].find("\r\n\r\nLEMBRE-SE:\r\n"), std::string::npos);
        EXPECT_EQ(p.capture.starts, 0);
        EXPECT_FALSE(p.control->Running());
    }
}

TEST(DetectorStart, WiresOneOrTwoLines) {
    for (const int lines : {1, 2}) {
        SupervisedPair p(2);
        p.logic->options().CBbuffer = 2;
        p.control->setAdapter(lines - 1);
        p.control->BnStartClick();
        EXPECT_EQ(p.capture.format, lines == 2 ? 7 : 6);
        EXPECT_EQ(p.capture.RecordBufferLength, 1024);
        EXPECT_EQ(p.capture.WaveInDevice, "Card");
        EXPECT_EQ(p.capture.WaveOutDeviceID, 0);
        EXPECT_EQ(p.capture.starts, 1);
        EXPECT_EQ(p.decoder1.source, &p.capture);
        EXPECT_EQ(p.view1.source, &p.capture);
        EXPECT_EQ(p.decoder2.source, lines == 2 ? &p.capture : nullptr);
        EXPECT_EQ(p.view2.source, lines == 2 ? &p.capture : nullptr);
        EXPECT_EQ(p.decoder1.DecodeChannel, 1);
        EXPECT_EQ(p.view1.Channel, 1);
        if (lines == 2) {
            EXPECT_EQ(p.decoder2.DecodeChannel, 0);
            EXPECT_EQ(p.view2.Channel, 0);
        }
        EXPECT_TRUE(p.decoder1.MonitorDTMF && p.decoder1.MonitorCallerID &&
                    p.decoder1.MonitorCustomTone && !p.decoder1.MonitorTTY);
        EXPECT_TRUE(p.control->Running());
        EXPECT_TRUE(p.control->timerLedEnabled());
        EXPECT_FALSE(p.control->BnStartEnabled);
        EXPECT_EQ(p.logic->channel(1).IdleTimeoutPeaks, 200);
        EXPECT_EQ(p.logic->channel(1).ToneState, ToneWatch::Armed);
    }
}

TEST(DetectorStart, TonesAreDefinedOnceForTheFirstMode) {
    SupervisedPair p(1);
    p.control->setAdapter(1);
    p.control->BnStartClick();
    const std::vector<std::pair<int, int>> analogue = {{1, 400}, {3, 20}, {4, 0}};
    EXPECT_EQ(p.decoder1.tones, analogue);
    EXPECT_EQ(p.decoder2.tones, analogue);
    p.control->BnStopClick();
    p.control->setAdapter(2);  // hook-signalling adapter: the tone set stays
    p.control->BnStartClick();
    EXPECT_EQ(p.decoder1.tones, analogue);
    EXPECT_TRUE(p.logic->hookSignalling());

    SupervisedPair hook(1);
    hook.control->setAdapter(2);
    hook.control->BnStartClick();
    const std::vector<std::pair<int, int>> hookTones = {{1, 484}, {2, 2969}, {3, 2656}};
    EXPECT_EQ(hook.decoder1.tones, hookTones);
}

TEST(DetectorStop, CaptureStopIsReportedOnBothLines) {
    SupervisedPair p(2);
    p.control->setAdapter(1);
    p.control->BnStartClick();
    p.control->BnStopClick();
    p.loop.runPending();
    EXPECT_THAT(p.relay.texts(),
                ElementsAre("L3_DISABLED: SoundBoard - Card", "L4_DISABLED: SoundBoard - Card"));
    EXPECT_FALSE(p.control->timerLedEnabled());
    EXPECT_TRUE(p.control->BnStartEnabled);
}

TEST(DetectorStop, RestartInTheSameStepKeepsSupervisionAndReportsNothing) {
    // A card change (also run at start-up) stops and starts in one handler; the stop's
    // answer arrives after the new start.
    SupervisedPair p(2);
    p.control->setAdapter(1);
    p.control->BnStopClick();
    p.control->BnStartClick();
    p.loop.advance(Millis(3000));
    EXPECT_TRUE(p.control->timerLedEnabled());
    EXPECT_EQ(p.secondTicks, 3);
    EXPECT_FALSE(p.control->BnStartEnabled);
    EXPECT_THAT(p.relay.texts(), IsEmpty());
}

TEST(DetectorRearm, QuietPairRestartsCaptureSilently) {
    SupervisedPair p(1);
    p.control->setAdapter(1);
    p.control->BnStartClick();
    p.loop.advance(Millis(2000 * 1000));
    EXPECT_TRUE(p.capture.running);
    p.loop.advance(Millis(1000));
    EXPECT_FALSE(p.capture.running);
    p.loop.advance(Millis(1000));
    EXPECT_TRUE(p.capture.running);
    EXPECT_EQ(p.capture.starts, 2);
    EXPECT_EQ(p.control->RearmTicks(), 0);
    EXPECT_THAT(p.relay.texts(), IsEmpty());

    // The next stop is a real one and is reported.
    p.control->BnStopClick();
    p.loop.runPending();
    EXPECT_EQ(p.relay.texts().size(), 2U);
}

TEST(DetectorRearm, NotWhileALineShowsANumber) {
    SupervisedPair p(1);
    p.control->setAdapter(1);
    p.control->BnStartClick();
    p.logic->channel(2).EdSeq = "123";
    p.loop.advance(Millis(2005 * 1000));
    EXPECT_EQ(p.capture.starts, 1);
}

TEST(Supervision, SilentDetectorsStopIt) {
    SupervisedPair p(1);
    p.control->setAdapter(1);
    p.control->BnStartClick();
    p.loop.advance(Millis(2000));
    EXPECT_EQ(p.secondTicks, 2);
    p.silence = 16;
    p.loop.advance(Millis(1000));
    EXPECT_FALSE(p.control->timerLedEnabled());
    p.loop.advance(Millis(5000));
    EXPECT_EQ(p.secondTicks, 2);  // silence and caller wait stand still until a start
    p.silence = 0;
    p.control->BnStartClick();
    p.loop.advance(Millis(1000));
    EXPECT_EQ(p.secondTicks, 3);
}

TEST(DetectorWiring, EventsReachTheirLine) {
    SupervisedPair p(1);
    p.view2.OnPeak(-10.0F);
    p.decoder2.OnDTMF('A', 0);
    EXPECT_EQ(p.logic->channel(2).Status, LineStatus::Identifying);
    p.decoder1.f1 = 425;
    p.decoder1.OnSpectrumData();
    EXPECT_EQ(p.logic->channel(1).Freq1, 425);
    p.decoder1.OnCallerID("N", "1123456789", "", "", 0);
    EXPECT_EQ(p.logic->channel(1).IndexPhone, "19123456789");
    p.decoder1.OnToneDetected(3, 0);
    EXPECT_EQ(p.logic->channel(1).RingCount, 1);
}

TEST(Sensitivity, OnlyPairOneSetsIt) {
    SupervisedPair p(1);
    p.control->setSensitivity(2, 30.0F);
    EXPECT_EQ(p.decoder2.DTMFParams.Sensitivity, 24.0F);
    SupervisedPair q(2);
    q.control->setSensitivity(1, 5.0F);
    EXPECT_EQ(q.decoder1.DTMFParams.Sensitivity, 12.0F);
}

}  // namespace
}  // namespace kovra::line::test
