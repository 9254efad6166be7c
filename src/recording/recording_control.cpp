#include "recording/recording_control.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/log.h"
#include "platform/system/local_time.h"

namespace kovra {

namespace {

std::string sideText(int k) {
    return "Linha" + std::to_string(k);
}

bool hasDigit(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

RecordingControl::RecordingControl(int pair, EventLoop& loop, RecordingLinePort& line,
                                   PairLineCounters& counters, RecordingPairPorts ports,
                                   std::array<std::unique_ptr<CaptureStage>, 2> captures,
                                   std::shared_ptr<const LameLibrary> lame)
    : pair_(pair),
      traits_(pairProfile(pair).recording),
      loop_(loop),
      port_(line),
      counters_(counters),
      ports_(std::move(ports)) {
    for (int k = 1; k <= 2; ++k) {
        const std::size_t i = index(k);
        chains_[i] = std::make_unique<RecordingChain>(std::move(captures[i]), lame);
        chains_[i]->setBitRateItem(1);
        startTimers_[i] =
            std::make_unique<Timer>(loop_, Millis(500), [this, k] { TimerRecordStartTimer(k); });
        retentionTimers_[i] = std::make_unique<Timer>(loop_, Millis(1000),
                                                      [this, k] { TimerSalveDeleteFileTimer(k); });
        deleteRetryTimers_[i] = std::make_unique<Timer>(loop_, Millis(kDeleteRetryMs), [this, k] {
            deleteRetryTimers_[index(k)]->setEnabled(false);
            deleteAttempt(k, deleteAttemptsLeft_[index(k)]);
        });
    }
}

RecordingControl::~RecordingControl() {
    // Timers first, so nothing fires into a half-destroyed object; then each chain's
    // writer finishes its file as the chain goes.
    for (auto& t : startTimers_) {
        t.reset();
    }
    for (auto& t : retentionTimers_) {
        t.reset();
    }
    for (auto& t : deleteRetryTimers_) {
        t.reset();
    }
}

double RecordingControl::ElapsedSeconds(int k) const {
    return chain(k).writer().ElapsedSeconds();
}

void RecordingControl::setStartTimerRunning(int k, bool running) {
    startTimers_[index(k)]->setEnabled(running);
}

std::tm RecordingControl::localNow() const {
    return localCalendarTime(loop_.now());
}

std::string RecordingControl::todaysFolder(int k) const {
    return dayFolderPath(options.RecordingBase, lineNumber(k), lineNames[index(k)], localNow());
}

void RecordingControl::prepareFolder(int k) {
    SharedLineCounters& c = shared(k);
    c.LineFolder = todaysFolder(k);
    std::error_code ec;
    std::filesystem::create_directories(c.LineFolder, ec);
    if (ec) {
        logLine(LogLevel::Error, "Recording folder of line " + std::to_string(lineNumber(k)) +
                                     " cannot be created: " + c.LineFolder + ": " + ec.message());
    }
}

void RecordingControl::configureChain(int k, std::optional<AmplifierSetting> amplifier) {
    ChainConfig config;
    config.pairOne = !traits_.amplifier;
    config.side = k;
    config.linesOnInput = ports_.linesOnInput ? ports_.linesOnInput() : 2;
    config.deviceNumber = ports_.waveInIndex ? ports_.waveInIndex() : 0;
    config.deviceName = ports_.deviceName ? ports_.deviceName() : std::string();
    if (traits_.amplifier && (amplifier || ports_.readAmplifier)) {
        const AmplifierSetting amp = amplifier ? *amplifier : ports_.readAmplifier(k);
        config.amplifierOn = amp.on;
        config.sliderPosition = amp.position;
    }
    chain(k).configure(config);
}

bool RecordingControl::takePendingNumbers(int k, RecordingCallView& call) {
    SharedLineCounters& c = shared(k);
    if (!c.LastIdentified.empty()) {
        call.NumberDisplay = c.LastIdentified;
        c.LastIdentified.clear();
    }
    auto noNumber = [&] { return call.NumberDisplay.empty() && call.DialNumber.empty(); };
    if (noNumber()) {
        call.DialDigits = c.DialMarks[0];
        call.OperatorCode = c.DialMarks[1];
        call.DialArea = c.DialMarks[2];
        call.DialNumber = c.DialMarks[3];
        call.DialFull = c.DialMarks[4];
    }
    c.DialMarks.fill("");
    bool fromReserve = false;
    if (noNumber()) {
        if (!call.lbReservaBL.empty()) {
            call.NumberDisplay = call.lbReservaBL;
        }
        if (!call.lbReservaFL.empty()) {
            call.DialNumber = call.lbReservaFL;
        }
        fromReserve = !noNumber();
    }
    if (noNumber()) {
        call.DialNumber = call.EdSeq;
        call.DialArea.clear();
    }
    return fromReserve;
}

void RecordingControl::StartLClick(int k) {
    LineRecordingState& s = line(k);
    SharedLineCounters& c = shared(k);
    if (traits_.startNeedsAutoRec && !options.CheckAutoRec) {
        return;
    }
    RecordingCallView call = port_.callView(k);
    if (traits_.startNeedsAutoRec && !c.Recording) {
        // A start refused because the previous file still waits for its retention step
        // must not cancel that step, or the line would stay marked as recording.
        retentionTimers_[index(k)]->setEnabled(false);
    }
    if (call.PrivateMark) {
        return;
    }
    if (ports_.recordingAllowed && !ports_.recordingAllowed()) {
        return;  // the privacy list says why in the log
    }
    if (traits_.spectrumSwitch) {
        s.spectrumEnabled = false;
    }
    prepareFolder(k);
    s.lbInfFinal = sideText(k) + " - Gravando...";
    s.lbDeleteFile.clear();
    c.lbStopModo = "...";
    if (RecordPageOpen || c.Recording) {
        return;
    }
    configureChain(k);
    const std::string pendingShown = c.LastIdentified;
    const bool fromReserve = takePendingNumbers(k, call);
    RecordingNaming naming = nameRecording(call, k == 1);
    if (fromReserve) {
        // The reserve holds an earlier call's number: it gives the kind, never the name.
        naming.namePart = naming.kind;
    }
    call.lbNomeFile = naming.lbNomeFile;
    s.lbDeleteFile = naming.lbDeleteFile;

    const std::tm now = localNow();
    Mp3Writer& writer = chain(k).writer();
    if (s.HostNamed && traits_.hostCommands) {
        writer.FileName = s.HostFileName;
    } else if (traits_.timeFirstFileName) {
        // An FSK caller is shown in its own field, not in EdSeq (the even line keeps only
        // an "A" marker there): the file is then named after the number the call was
        // identified by, so it is never left nameless or named "A".
        std::string shown = call.EdSeq;
        if (!hasDigit(shown)) {
            shown.clear();
        }
        if (fromReserve) {
            // The file carries only what this call showed.
        } else if (shown.empty() && naming.kind == std::string(kKindReceived)) {
            shown = pendingShown.empty() ? "(" + call.AreaCode + ")" + call.NumberDisplay
                                         : pendingShown;
        } else if (shown.empty() && naming.kind == std::string(kKindMade)) {
            shown = naming.lbDeleteFile;
        }
        writer.FileName = pairOneFileName(c.LineFolder, now, naming.kind, shown);
    } else {
        s.Label32 = naming.namePart;
        writer.FileName = pairFileName(c.LineFolder, now, naming.namePart);
    }
    if (traits_.keepsStartTime) {
        c.StartTime = loop_.now();
    }
    if (!writer.StartWriting()) {
        // No encoder: nothing is recorded, so nothing is announced; the next speech
        // tries again.
        c.StartArmed = false;
        startTimers_[index(k)]->setEnabled(false);
        return;
    }
    call.DialDigits.clear();
    s.ShapeRecOk = true;
    s.ShapeStop = false;
    c.Recording = true;
    c.SilenceSeconds = 0;
    s.bitRateListEnabled = false;
    port_.showLevelView(k, LevelViewColour::Yellow);
    setTray(true);
    sendLine(k, "REC_FILE_START->" + writer.FileName + "#00:00:00");
}

void RecordingControl::PauseLClick(int k) {
    LineRecordingState& s = line(k);
    SharedLineCounters& c = shared(k);
    Mp3Writer& writer = chain(k).writer();
    if (c.Paused) {
        c.Paused = false;
        writer.ResumeWriting();
        port_.showLevelView(k, LevelViewColour::Yellow);
        s.ShapePause = false;
        s.lbInfFinal = sideText(k) + " - RESUME !";
    } else if (c.Recording) {
        writer.PauseWriting();
        c.Paused = true;
        s.lbInfFinal = sideText(k) + " - PAUSADA !";
        port_.showLevelView(k, k == 1 ? LevelViewColour::Green : LevelViewColour::White);
        s.ShapePause = true;
        setTray(false);
        port_.rearmToneDetection(k);
    }
}

void RecordingControl::StopLClick(int k) {
    LineRecordingState& s = line(k);
    SharedLineCounters& c = shared(k);
    Mp3Writer& writer = chain(k).writer();
    if (traits_.spectrumSwitch) {
        s.spectrumEnabled = true;
    }
    if (s.SettleFile.empty()) {
        s.SettleFile = writer.FileName;
    }
    c.SilenceSeconds = 0;
    if (traits_.keepsStartTime) {
        c.StartTicks = 0;
    }
    if (c.Paused) {
        writer.ResumeWriting();  // waits for the worker's confirmation itself
    }
    writer.StopWriting(traits_.stopWaitsForWriter);
    startTimers_[index(k)]->setEnabled(false);
    const int elapsed = writer.ElapsedSeconds();
    port_.clearIdentifiedNumber(k);
    c.SilenceSeconds = 0;
    s.Discard = elapsed <= options.SpinMin;
    retentionTimers_[index(k)]->setEnabled(true);
}

void RecordingControl::TimerRecordStartTimer(int k) {
    SharedLineCounters& c = shared(k);
    if (RecordPageOpen || !options.CheckAutoRec) {
        return;
    }
    if (c.StartArmed) {
        ++c.StartTicks;
    }
    if (c.StartTicks > 10) {
        c.StartTicks = 0;
        startTimers_[index(k)]->setEnabled(false);
    }
    if (c.StartTicks > 1 && c.VoiceHits > 1 && !c.Recording) {
        StartLClick(k);
    }
    c.VoiceHits = 0;
}

void RecordingControl::onSecondTick() {
    for (int k = 1; k <= 2; ++k) {
        LineRecordingState& s = line(k);
        SharedLineCounters& c = shared(k);
        if (c.Recording) {
            ++c.SilenceSeconds;
            if (c.SilenceSeconds >= options.SpinPause && !c.Paused) {
                PauseLClick(k);
            }
            if (c.SilenceSeconds >= options.SpinStop) {
                StopLClick(k);
                c.lbStopModo = "Fim do tempo";
            }
            s.lbCountStop = std::to_string(c.SilenceSeconds) + " -> " +
                            std::to_string(options.SpinPause) + "/" +
                            std::to_string(options.SpinStop);
            s.lbStop = std::to_string(c.SilenceSeconds);
        }
        if (port_.callView(k).CallerIdActive && !c.Recording) {
            ++c.CallerWaitSeconds;
            s.lbCountTmpRecBinado = std::to_string(c.CallerWaitSeconds);
            if (c.CallerWaitSeconds > 20) {
                port_.LimpaTudo(k);
            }
        }
    }
}

void RecordingControl::hostStartRecording(int k, const std::string& path) {
    if (!traits_.hostCommands) {
        return;
    }
    line(k).HostFileName = path;
    line(k).HostNamed = true;
    StartLClick(k);
}

void RecordingControl::hostStopRecording(int k) {
    if (!traits_.hostCommands) {
        return;
    }
    line(k).HostFileName.clear();
    StopLClick(k);
}

void RecordingControl::clearLine(int k) {
    LineRecordingState& s = line(k);
    SharedLineCounters& c = shared(k);
    s.HostNamed = false;
    c.CallerWaitSeconds = 0;
    s.lbCountTmpRecBinado = "0";
    chain(k).writer().FileName.clear();
    s.lbStop = "00";
    c.Recording = false;
    c.Paused = false;
    c.StartArmed = false;
    s.ShapeStop = true;
    s.ShapeRecOk = false;
    s.ShapePause = false;
    port_.showLevelView(k, LevelViewColour::Aqua);
    setTray(false);
}

void RecordingControl::sendLine(int k, const std::string& token) {
    if (options.chkNameFile && ports_.SendDataIP) {
        ports_.SendDataIP(k, "L" + std::to_string(lineNumber(k)) + "_" + token);
    }
}

void RecordingControl::setTray(bool cycling) {
    if (ports_.trayCycling) {
        ports_.trayCycling(cycling);
    }
}

}  // namespace kovra
