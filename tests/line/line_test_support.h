// Test doubles for the line logic: a recording control that records the calls made to it
// and a relay sender that applies the line's relay switch and records the texts.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "line/pair_line_logic.h"
#include "platform/simulated_event_loop.h"

namespace kovra::line::test {

class FakeRecording final : public LineRecordingPort {
  public:
    struct Side {
        bool recording = false;
        bool paused = false;
        double elapsed = 0;
        bool startArmed = false;
        bool startTimerRunning = false;
        int voiceHits = 0;
        int startTicks = 0;
        int silenceSeconds = 0;
        int callerWaitSeconds = 0;
        std::string stopReason;
        std::string lastIdentified;
        std::string dialMarks;
        std::string renameTarget;
        std::string lineFolder = "/rec/Linha/";
        std::optional<TimePoint> startTime;
    };
    std::array<Side, 2> side;
    std::vector<std::string> calls;  // "Start1", "Stop2", "Pause1", "Clear1"
    bool startRecords = true;        // StartLClick makes the line record

    Side& s(int k) { return side.at(k - 1); }
    const Side& s(int k) const { return side.at(k - 1); }

    bool Recording(int k) const override { return s(k).recording; }
    bool Paused(int k) const override { return s(k).paused; }
    double ElapsedSeconds(int k) const override { return s(k).elapsed; }
    void StartLClick(int k) override {
        calls.push_back("Start" + std::to_string(k));
        if (startRecords) {
            s(k).recording = true;
        }
    }
    void StopLClick(int k) override { calls.push_back("Stop" + std::to_string(k)); }
    void PauseLClick(int k) override {
        calls.push_back("Pause" + std::to_string(k));
        if (s(k).recording) {
            s(k).paused = !s(k).paused;
        }
    }
    void setStartArmed(int k, bool armed) override { s(k).startArmed = armed; }
    void setStartTimerRunning(int k, bool running) override { s(k).startTimerRunning = running; }
    int VoiceHits(int k) const override { return s(k).voiceHits; }
    void setVoiceHits(int k, int hits) override { s(k).voiceHits = hits; }
    void setStartTicks(int k, int ticks) override { s(k).startTicks = ticks; }
    void setSilenceSeconds(int k, int seconds) override { s(k).silenceSeconds = seconds; }
    void setCallerWaitSeconds(int k, int seconds) override { s(k).callerWaitSeconds = seconds; }
    void setStopReason(int k, const std::string& text) override { s(k).stopReason = text; }
    void setLastIdentified(int k, const std::string& shown) override {
        s(k).lastIdentified = shown;
    }
    void setDialMarks(int k, const std::string& mark) override { s(k).dialMarks = mark; }
    void setRenameTarget(int k, const std::string& path) override { s(k).renameTarget = path; }
    std::string LineFolder(int k) const override { return s(k).lineFolder; }
    std::optional<TimePoint> StartTime(int k) const override { return s(k).startTime; }
    void clearLine(int k) override {
        calls.push_back("Clear" + std::to_string(k));
        s(k).recording = false;
        s(k).paused = false;
        s(k).startArmed = false;
        s(k).callerWaitSeconds = 0;
    }
};

// SendDataIP<k> of a pair: drops texts while the line's relay switch is off.
struct FakeRelay {
    std::array<bool, 2> ChBoxTCP = {true, true};
    std::vector<std::pair<int, std::string>> sent;

    void send(int k, const std::string& text) {
        if (ChBoxTCP.at(k - 1)) {
            sent.emplace_back(k, text);
        }
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& [k, text] : sent) {
            out.push_back(text);
        }
        return out;
    }
};

// One pair's line logic with doubles around it; every event option on.
struct PairFixture {
    explicit PairFixture(int pair, std::string localDdd = "19") {
        globals.LocalDDD = std::move(localDdd);
        LinePorts ports;
        ports.SendDataIP = [this](int k, const std::string& text) { relay.send(k, text); };
        ports.ChBoxTCP = [this](int k) { return relay.ChBoxTCP.at(k - 1); };
        ports.isPrivate = [this](const std::string& number) {
            for (const auto& entry : privacy) {
                if (entry == number) {
                    return true;
                }
            }
            return false;
        };
        ports.callerIdFileName = [this](int k) { return fileNames.at(k - 1); };
        ports.stepVolume = [this](int steps) { volumeSteps.push_back(steps); };
        logic = std::make_unique<PairLineLogic>(pair, loop, globals, recording, std::move(ports));
        PairLineOptions& o = logic->options();
        o.chkSendDTMF = o.chkSendFormatado = o.chkIndexPhone = o.chkRing = true;
        o.chkNumeroDiscado = o.chkNameFile = true;
        logic->resetForStart(true);
    }

    LineChannel& line(int k) { return logic->channel(k); }
    // Delivers n level reports at `level` dB to side k.
    void peaks(int k, int n, float level = -45.0F) {
        for (int i = 0; i < n; ++i) {
            logic->WaveViewPeak(k, level);
        }
    }
    void dtmf(int k, const std::string& keys) {
        for (const char key : keys) {
            logic->PTDecoderDTMF(k, key);
        }
    }

    SimulatedEventLoop loop;
    LineGlobals globals;
    FakeRecording recording;
    FakeRelay relay;
    std::vector<std::string> privacy;
    std::array<std::string, 2> fileNames;
    std::vector<int> volumeSteps;
    std::unique_ptr<PairLineLogic> logic;
};

}  // namespace kovra::line::test
