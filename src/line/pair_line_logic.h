// The line logic of one line-pair window: turns the detector events of its two lines
// into line state, caller and dialled-number identification and line event texts, and
// calls the pair's recording control. The pair (LinePair) owns one and routes
// the detector events to it (see detector_wiring.h). Loop thread only.
//
// k is the side of the pair: 1 the odd line n = 2p-1, 2 the even line n = 2p.
// Every handler catches its own errors and leaves the state as far as it got.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "line/line_channel.h"
#include "line/line_options.h"
#include "line/line_ports.h"
#include "platform/event_loop.h"
#include "platform/pair_profile.h"
#include "platform/shared_line_counters.h"
#include "platform/timer.h"

namespace kovra::line {

class PairLineLogic {
  public:
    // pair: 1, 2 or 3. globals must outlive this object (LocalDDD is read at each use);
    // recording and counters (the pair's, shared with its recording control) too.
    PairLineLogic(int pair, EventLoop& loop, const LineGlobals& globals,
                  LineRecordingPort& recording, PairLineCounters& counters, LinePorts ports);
    PairLineLogic(const PairLineLogic&) = delete;
    PairLineLogic& operator=(const PairLineLogic&) = delete;

    int pair() const { return profile_.pair; }
    // Line number n of side k.
    int lineNumber(int k) const { return profile_.lineNumber(k); }
    const PairProfile& profile() const { return profile_; }
    const LineTraits& traits() const { return traits_; }
    PairLineOptions& options() { return options_; }
    const PairLineOptions& options() const { return options_; }
    LineChannel& channel(int k) { return lines_.at(k - 1); }
    const LineChannel& channel(int k) const { return lines_.at(k - 1); }
    SharedLineCounters& counters(int k) { return counters_.at(k - 1); }
    const SharedLineCounters& counters(int k) const { return counters_.at(k - 1); }

    // --- pair values (set by the detector start and the adapter choice) ---
    // 1 or 2 lines on the pair's input; with 1 the even line ignores its detectors.
    void setLinesOnInput(int lines) { linesOnInput_ = lines; }
    int linesOnInput() const { return linesOnInput_; }
    // Pair 1's hook-signalling adapter mode (ignored on pairs 2 and 3).
    void setHookSignalling(bool on) { hookSignalling_ = on && traits_.hasHookSignalling; }
    bool hookSignalling() const { return hookSignalling_; }
    // CBbufferChange: the idle time-out and the quiet base follow the capture buffer.
    void CBbufferChange(int setting);
    // What every start of the pair resets on both lines; firstStart also arms the tone
    // detection (the tones are defined then).
    void resetForStart(bool firstStart);

    // Pair-wide window fields the rules write.
    std::string Edit2;       // raw number of the last FormatBina (pair 1)
    std::string edDBMestre;  // level shown by the automatic volume

    // --- detector events ---
    // symbolLevelDb: the symbol's own level, which the level gate of pairs 2 and 3 judges;
    // without it, the line's latest level.
    void PTDecoderDTMF(int k, char key, std::optional<double> symbolLevelDb = std::nullopt);
    void PTDecoderCallerID(int k, const std::string& name, const std::string& callerNumber,
                           const std::string& dateTime);
    void PTDecoderToneDetected(int k, int id);
    // f1, f2: the decoder's two peak frequencies of the new spectrum.
    void PTDecoderSpectrumData(int k, double f1, double f2);
    void WaveViewPeak(int k, float value);

    // --- shown values whose change runs logic (no change, no handler) ---
    // edRing<k>Change: a count other than 0 is relayed as RING_COUNT.
    void showRingCount(int k, int rings);
    // edSTATUS<k>Change: an emptied status empties the line's frequency fields.
    void showStatus(int k, StatusDisplay status);
    // EditOffHook<k>Change: the adapter's "OFF HOOK" and "ON HOOK" are relayed.
    void showHook(int k, HookDisplay hook);
    // The texts the windows show for them.
    std::string statusText(int k) const { return line::statusText(channel(k).StatusShown, k); }
    std::string ringText(int k) const { return line::ringText(channel(k).RingShown); }
    std::string hookText(int k) const { return line::hookText(channel(k).HookShown); }
    // EditFreqA1 / EditFreqB1: the line's first frequency field (automatic volume).
    void set_EditFreq1(int k, const std::string& text);

    // --- caller identification ---
    // number: any text (its digits are used); source "Fsk" or "Dtmf".
    void FormatBina(const std::string& number, const std::string& source, int k);
    // TimerDigitoOk<k>Timer (pair 1): one tick of the dialled-number time-out.
    void TimerDigitoOkTimer(int k);
    bool digitTimerRunning(int k) const { return digitTimers_.at(k - 1).enabled(); }

    // --- hook-signalling mode (pair 1) ---
    // TimerFlashSTOP<k>Timer: the handset was put back (runs when the flash wait ends).
    void TimerFlashSTOPTimer(int k);
    bool flashTimerRunning(int k) const { return flashTimers_.at(k - 1).enabled(); }

    // Hands an event text of line k to SendDataIP<k> (no option box applies).
    void sendEvent(int k, const std::string& text) { sendPlain(k, true, text); }

    // LimpaTudo<k>: clears the line's call data and recording state. Does not stop a
    // running writer.
    void LimpaTudo(int k);
    // btClearResult<k>Click: the "Limpar" button of the line.
    void btClearResultClick(int k);

    // For the recording control: pausing re-arms the tone detection (ToneState 2,
    // RearmState 0, "Normal", QuietReset); the retention step ends a made call's re-arm.
    void rearmToneDetection(int k);
    void resetRearm(int k);

  private:
    void dtmf(int k, char key, std::optional<double> symbolLevelDb);
    void dtmfCallerIdBegins(int k, LineChannel& c);
    void dialledSymbol(int k, LineChannel& c, const std::string& s);
    void classifyDialled(int k, LineChannel& c);
    void callerId(int k, const std::string& name, const std::string& number,
                  const std::string& dateTime);
    void toneAnalogue(int k, int id);
    void toneHookMode(int k, int id);
    void handsetLifted(int k, LineChannel& c);
    void dialToneTaken(int k, LineChannel& c, int id);
    void ringDetected(int k, LineChannel& c);
    void peakAnalogue(int k, float value);
    void peakHookMode(int k, float value);
    void speechRules(int k, LineChannel& c, int level, bool freq2Counts);
    void statusRules(int k, LineChannel& c);
    void callerIdTimeout(int k, LineChannel& c);
    void spectrum(int k, double f1, double f2);
    void freq1Changed(int k);
    void digitTimeout(int k);
    void flashStop(int k);
    void formatBina(const std::string& number, const std::string& source, int k);
    void writeCallerIdFile(int k);
    void markPrivateLines(int k);
    void sendDataBlock(int k, const std::string& initCode, const std::string& opr,
                       const std::string& area, const std::string& phone, const CallRecord& record,
                       const char* direction);
    std::string recordingStartText(int k) const;
    void clearCallNumber(LineChannel& c);
    void cancelPendingStart(int k);
    void send(int k, bool option, const std::string& token);
    void sendPlain(int k, bool option, const std::string& text);
    bool recording(int k) const { return counters(k).Recording; }
    bool isPrivate(const std::string& number) const;
    bool ignoresEvenLine(int k) const { return k == 2 && linesOnInput_ == 1; }

    const PairProfile& profile_;
    const LineTraits& traits_;
    EventLoop& loop_;
    const LineGlobals& globals_;
    LineRecordingPort& recording_;
    PairLineCounters& counters_;
    LinePorts ports_;
    PairLineOptions options_;
    std::array<LineChannel, 2> lines_;
    int linesOnInput_ = 2;
    bool hookSignalling_ = false;
    std::array<Timer, 2> digitTimers_;
    std::array<Timer, 2> flashTimers_;
};

}  // namespace kovra::line
