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
    explicit FakeRecording(PairLineCounters& counters) : counters_(counters) {}

    struct Side {
        double elapsed = 0;
        bool startTimerRunning = false;
    };
    std::array<Side, 2> side;
    std::vector<std::string> calls;  // "Start1", "Stop2", "Pause1", "Clear1"
    bool startRecords = true;        // StartLClick makes the line record

    Side& s(int k) { return side.at(k - 1); }
    const Side& s(int k) const { return side.at(k - 1); }

    void StartLClick(int k) override {
        calls.push_back("Start" + std::to_string(k));
        if (startRecords) {
            shared(k).Recording = true;
        }
    }
    void StopLClick(int k) override { calls.push_back("Stop" + std::to_string(k)); }
    void PauseLClick(int k) override {
        calls.push_back("Pause" + std::to_string(k));
        if (shared(k).Recording) {
            shared(k).Paused = !shared(k).Paused;
        }
    }
    void setStartTimerRunning(int k, bool running) override { s(k).startTimerRunning = running; }
    double ElapsedSeconds(int k) const override { return s(k).elapsed; }
    void clearLine(int k) override {
        calls.push_back("Clear" + std::to_string(k));
        shared(k).Recording = false;
        shared(k).Paused = false;
        shared(k).StartArmed = false;
        shared(k).CallerWaitSeconds = 0;
    }

  private:
    SharedLineCounters& shared(int k) { return counters_.at(k - 1); }
    PairLineCounters& counters_;
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
        for (SharedLineCounters& c : counters) {
            c.LineFolder = "/rec/Linha/";
        }
        logic = std::make_unique<PairLineLogic>(pair, loop, globals, recording, counters,
                                                std::move(ports));
        PairLineOptions& o = logic->options();
        o.chkSendDTMF = o.chkSendFormatado = o.chkIndexPhone = o.chkRing = true;
        o.chkNumeroDiscado = o.chkNameFile = true;
        logic->resetForStart(true);
    }

    LineChannel& line(int k) { return logic->channel(k); }
    SharedLineCounters& shared(int k) { return counters.at(k - 1); }
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
    PairLineCounters counters;
    FakeRecording recording{counters};
    FakeRelay relay;
    std::vector<std::string> privacy;
    std::array<std::string, 2> fileNames;
    std::vector<int> volumeSteps;
    std::unique_ptr<PairLineLogic> logic;
};

}  // namespace kovra::line::test
