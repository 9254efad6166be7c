// Decoder events, display fields and the clean-up of a pair's lines.
#include "line/pair_line_logic.h"

#include <cmath>
#include <exception>

#include "line/line_events.h"
#include "line/line_thresholds.h"
#include "platform/detectors/standard_tones.h"
#include "platform/log.h"

namespace kovra::line {
namespace {

constexpr Millis kDigitTimeoutTick{1000};

// Handlers keep going after an error of their own: the state stays as far as it got.
template <typename Fn>
void guarded(const char* handler, Fn&& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        logLine(LogLevel::Debug, std::string(handler) + ": " + e.what());
    } catch (...) {
        logLine(LogLevel::Debug, std::string(handler) + ": unknown error");
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

PairLineLogic::PairLineLogic(int pair, EventLoop& loop, const LineGlobals& globals,
                             LineRecordingPort& recording, PairLineCounters& counters,
                             LinePorts ports)
    : profile_(pairProfile(pair)),
      traits_(profile_.line),
      loop_(loop),
      globals_(globals),
      recording_(recording),
      counters_(counters),
      ports_(std::move(ports)),
      digitTimers_{Timer{loop, kDigitTimeoutTick}, Timer{loop, kDigitTimeoutTick}},
      flashTimers_{Timer{loop, Millis(1)}, Timer{loop, Millis(1)}} {
    for (int k = 1; k <= 2; ++k) {
        digitTimers_[k - 1].setOnTimer([this, k] { TimerDigitoOkTimer(k); });
        flashTimers_[k - 1].setOnTimer([this, k] { TimerFlashSTOPTimer(k); });
    }
    CBbufferChange(options_.CBbuffer);
}

void PairLineLogic::CBbufferChange(int setting) {
    options_.CBbuffer = setting;
    const int i = (setting >= 0 && setting <= 2) ? setting : 1;
    for (LineChannel& c : lines_) {
        c.IdleTimeoutPeaks = kIdleTimeoutPeaks[i];
        c.QuietBase = kQuietBasePeaks[i];
    }
}

void PairLineLogic::resetForStart(bool firstStart) {
    for (LineChannel& c : lines_) {
        c.Freq1 = 0;
        c.Freq2 = 0;
        c.QuietReset = true;
        c.AutoVolPeaks = 0;
        c.AutoVolApplied = false;
        if (firstStart) {
            c.ToneState = ToneWatch::Armed;
            if (!hookSignalling_) {
                c.RearmState = MadeCallRearm::Off;
            }
        }
    }
}

void PairLineLogic::send(int k, bool option, const std::string& token) {
    sendPlain(k, option, lineEvent(lineNumber(k), token));
}

void PairLineLogic::sendPlain(int k, bool option, const std::string& text) {
    if (option && ports_.SendDataIP) {
        ports_.SendDataIP(k, text);
    }
}

bool PairLineLogic::isPrivate(const std::string& number) const {
    return !number.empty() && ports_.isPrivate && ports_.isPrivate(number);
}

void PairLineLogic::cancelPendingStart(int k) {
    counters(k).StartArmed = false;
    recording_.setStartTimerRunning(k, false);
}

// ---------------------------------------------------------------------------- DTMF

void PairLineLogic::PTDecoderDTMF(int k, char key, std::optional<double> symbolLevelDb) {
    guarded("PTDecoderDTMF", [&] { dtmf(k, key, symbolLevelDb); });
}

void PairLineLogic::dtmf(int k, char key, std::optional<double> symbolLevelDb) {
    LineChannel& c = channel(k);
    const int gate = k == 1 ? traits_.dtmfMinLevelDbOdd : traits_.dtmfMinLevelDbEven;
    // The line's level is the mean of the whole buffer the symbol ended in, pauses and all,
    // so it reads a digit several dB low: the symbol's own level is judged when known.
    // Levels are judged as rounded integers.
    const int level = symbolLevelDb ? static_cast<int>(std::nearbyint(*symbolLevelDb)) : c.Level;
    if (traits_.dtmfGateFirst) {
        if (ignoresEvenLine(k) || level < gate) {
            return;
        }
    }
    if (traits_.keyLog) {
        c.edTodos += key;
    }
    std::string s(1, key);
    if (traits_.zeroBecomesA && c.DtmfRaw.size() < kZeroAsCallerIdMaxSymbols &&
        !c.DtmfRaw.empty() && c.DtmfRaw[0] == '0') {
        c.DtmfRaw[0] = 'A';
        s = "A";
    }
    if (traits_.secondCallerId) {
        if (s == "A" && (c.CallerIdActive || c.DialledAccepted)) {
            c.SecondIdDigits += s;
            c.SecondId = true;
            return;
        }
        if (c.SecondId) {
            c.SecondIdDigits += s;
            if (s == "C") {
                // The second caller replaces the call only now that it is complete.
                c.SecondId = false;
                if (recording(k)) {
                    recording_.StopLClick(k);
                }
                LimpaTudo(k);
                c.Status = LineStatus::Ready;
                c.CallerIdActive = true;
                c.EdSeq = c.SecondIdDigits;
                formatBina(c.EdSeq, "Dtmf", k);
                counters(k).SilenceSeconds = 0;
                counters(k).VoiceHits = 0;
                c.SecondIdDigits.clear();
                return;
            }
        }
    }
    cancelPendingStart(k);
    counters(k).StartTicks = 0;
    counters(k).VoiceHits = 0;
    if (!traits_.dtmfGateFirst && level < gate) {
        return;
    }
    if (s == "A") {
        dtmfCallerIdBegins(k, c);
        return;
    }
    dialledSymbol(k, c, s);
}

void PairLineLogic::dtmfCallerIdBegins(int k, LineChannel& c) {
    if (traits_.keyLog) {
        c.edTodos = "A";
    }
    c.EdSeq.clear();
    c.DialDigits.clear();
    counters(k).SilenceSeconds = 0;
    counters(k).VoiceHits = 0;
    c.CallerIdPeaks = 0;
    c.DtmfRaw = "A";
    c.CallerIdActive = true;
    c.Status = LineStatus::Identifying;
    showStatus(k, StatusDisplay::CallerId);
    send(k, options_.chkSendDTMF, std::string(k == 1 ? kDtmfKeyInit : kDtmfKey) + "A");
}

void PairLineLogic::dialledSymbol(int k, LineChannel& c, const std::string& s) {
    c.DtmfRaw += s;
    c.EdSeq = c.DtmfRaw;
    if (c.Status != LineStatus::Identifying) {
        if (isDigit(s[0])) {
            c.DialDigits += s;
        }
        counters(k).SilenceSeconds = 0;
        counters(k).VoiceHits = 0;
        cancelPendingStart(k);
        c.EdSeq = c.DialDigits;
    }
    send(k, options_.chkSendDTMF, kDtmfKey + s);
    if (!c.CallerIdActive && c.EdSeq.size() > 1) {
        showStatus(k, StatusDisplay::Dialling);
        c.Status = LineStatus::Dialling;
    }
    if (s == "C" && c.EdSeq.size() >= kMinCallerIdChars) {
        // Events run one at a time on the loop, so the even line needs no wait here for
        // the odd line's pending events.
        c.Status = LineStatus::Ready;
        c.CallerIdActive = true;
        formatBina(c.EdSeq, "Dtmf", k);
        counters(k).SilenceSeconds = 0;
        counters(k).VoiceHits = 0;
        return;
    }
    if (traits_.classifyInHandler) {
        // The dialled number's privacy is judged on every symbol, then classified.
        c.PrivateMark = isPrivate(c.DialDigits);
        if (c.PrivateMark) {
            c.DialDigits = c.EdSeq;
        }
        if (!c.CallerIdActive && dialledLength(c.DialDigits) && !c.PrivateMark) {
            classifyDialled(k, c);
        }
        return;
    }
    if (!traits_.digitTimeout || c.DialledAccepted) {
        return;
    }
    if (!c.CallerIdActive && c.DialDigits.size() > 2) {
        if (c.DialDigits == "070" || c.DialDigits == "080") {
            c.SpecialPrefix = true;
        }
        if (!c.SpecialPrefix && c.DialDigits[0] == '0') {
            c.DialDigits.erase(0, 1);
        }
    }
    c.DigitTicks = 0;
    if (!c.CallerIdActive && dialledLength(c.DialDigits) && !c.SpecialPrefix) {
        // A running timer keeps its pace; DigitTicks, set to 0 above, counts from this digit.
        digitTimers_[k - 1].setEnabled(true);
    }
}

// ------------------------------------------------------------------- FSK caller ID

void PairLineLogic::PTDecoderCallerID(int k, const std::string& name,
                                      const std::string& callerNumber,
                                      const std::string& dateTime) {
    guarded("PTDecoderCallerID", [&] { callerId(k, name, callerNumber, dateTime); });
}

void PairLineLogic::callerId(int k, const std::string& name, const std::string& number,
                             const std::string& dateTime) {
    if (ignoresEvenLine(k)) {
        return;
    }
    LineChannel& c = channel(k);
    c.PrivateMark = false;
    c.EdFskNome = name;
    c.EdFskFone = number;
    c.EdfskData = dateTime;
    if (k == 2) {
        c.EdSeq = "A";
    }
    formatBina(c.EdFskFone, "Fsk", k);
    c.CallerIdActive = true;
}

// --------------------------------------------------------------------------- tones

void PairLineLogic::PTDecoderToneDetected(int k, int id) {
    guarded("PTDecoderToneDetected", [&] {
        if (ignoresEvenLine(k)) {
            return;
        }
        if (hookSignalling_) {
            toneHookMode(k, id);
        } else {
            toneAnalogue(k, id);
        }
    });
}

void PairLineLogic::toneAnalogue(int k, int id) {
    LineChannel& c = channel(k);
    if (traits_.rearm && c.RearmState == MadeCallRearm::CallRuns && id == kDialToneId) {
        // A dial tone during a made call: the call has ended.
        ++c.RearmHits;
        c.RearmWindow = true;
        if (c.RearmHits >= kRearmHitsToEndCall) {
            c.RearmHits = 0;
            c.RearmWindow = false;
            c.RearmWindowPeaks = 0;
            c.CallerIdPeaks = 0;
            showStatus(k, StatusDisplay::Rearmed);
            if (recording(k)) {
                if (options_.CheckAutoRec && options_.CheckOffTom) {
                    recording_.StopLClick(k);
                    counters(k).lbStopModo = "Tom de Rearme";
                }
            } else {
                LimpaTudo(k);
            }
        }
        return;
    }
    if (c.ToneState != ToneWatch::Armed) {
        return;
    }
    if (id == kDialToneId) {
        ++c.DialToneHits;
        c.DialToneWindow = true;
        if (c.DialToneHits >= kDialToneHitsToTake) {
            dialToneTaken(k, c, id);
        }
    } else if (id == kRingToneId || id == kRingToneAltId) {
        ringDetected(k, c);
    }
}

void PairLineLogic::clearCallNumber(LineChannel& c) {
    c.CallType.clear();
    c.AreaCode.clear();
    c.NumberDisplay.clear();
    c.IndexPhone.clear();
}

void PairLineLogic::dialToneTaken(int k, LineChannel& c, int id) {
    c.DialToneHits = 0;
    c.DialToneWindow = false;
    c.DialToneWindowPeaks = 0;
    c.CallerIdPeaks = 0;
    showStatus(k, StatusDisplay::DialTone);
    clearCallNumber(c);
    c.OperatorCode.clear();
    c.DialArea.clear();
    c.DialNumber.clear();
    c.DialFull.clear();
    c.Record = CallRecord{};
    c.EdSeq.clear();
    c.DtmfRaw.clear();
    c.DialDigits.clear();
    c.IdlePeaks = 0;
    c.RingSeen = false;
    c.Status = LineStatus::DialTone;
    c.QuietReset = false;
    c.ToneState = ToneWatch::DialToneTaken;
    counters(k).StartTicks = 0;
    counters(k).VoiceHits = 0;
    counters(k).SilenceSeconds = 0;
    recording_.setStartTimerRunning(k, false);
    if (recording(k) && options_.CheckAutoRec && options_.CheckOffTom) {
        recording_.StopLClick(k);
        counters(k).lbStopModo = "DialTom (" + std::to_string(id) + ")";
    }
    send(k, options_.chkRing, kStatusDialTone);
    showHook(k, HookDisplay::Empty);
}

void PairLineLogic::ringDetected(int k, LineChannel& c) {
    c.RingSeen = false;
    counters(k).StartTicks = 0;
    counters(k).VoiceHits = 0;
    counters(k).SilenceSeconds = 0;
    counters(k).CallerWaitSeconds = 0;
    showStatus(k, StatusDisplay::Ringing);
    // The first ring of a call is ring 1, however long ago the previous call's last ring
    // was: without a dial tone between calls the peaks since it would count it twice.
    if (c.RingCount == 0) {
        c.RingCount = 1;
    } else if (c.PeaksSinceRing > kNewRingAfterPeaks) {
        ++c.RingCount;
    }
    showRingCount(k, c.RingCount);
    c.RingSeen = true;
    c.Status = LineStatus::Ringing;
    c.PeaksSinceRing = 0;
    c.RingingPeaks = 0;
    // The start timer keeps running; only the armed flag drops.
    counters(k).StartArmed = false;
    if (recording(k) && options_.CheckAutoRec && options_.CheckOffRing && !c.CallerIdActive &&
        !options_.CheckOffHook) {
        recording_.StopLClick(k);
        counters(k).lbStopModo = "Ring";
    }
}

// ------------------------------------------------------------------ display fields

void PairLineLogic::showRingCount(int k, int rings) {
    LineChannel& c = channel(k);
    if (c.RingShown == rings) {
        return;
    }
    c.RingShown = rings;
    if (rings == 0) {
        return;
    }
    send(k, options_.chkRing, kRingCount + ringText(k));
    if (k == 1 && traits_.ringCancelsStartOdd) {
        cancelPendingStart(k);
    }
}

void PairLineLogic::showStatus(int k, StatusDisplay status) {
    LineChannel& c = channel(k);
    if (c.StatusShown == status) {
        return;
    }
    c.StatusShown = status;
    if (status == StatusDisplay::Empty) {
        c.EditFreq1.clear();
        c.EditFreq2.clear();
    }
}

void PairLineLogic::showHook(int k, HookDisplay hook) {
    LineChannel& c = channel(k);
    if (c.HookShown == hook) {
        return;
    }
    c.HookShown = hook;
    if (hook == HookDisplay::OffHook) {
        send(k, options_.chkRing, kStatusOffHook);
    } else if (hook == HookDisplay::OnHook) {
        send(k, options_.chkRing, kStatusOnHook);
    }
}

// ------------------------------------------------------------------------ clean-up

void PairLineLogic::LimpaTudo(int k) {
    guarded("LimpaTudo", [&] {
        LineChannel& c = channel(k);
        c.RearmState = MadeCallRearm::Off;
        c.lbTom = "Normal";
        c.OperatorCode.clear();
        c.DialArea.clear();
        c.DialNumber.clear();
        c.DialFull.clear();
        c.DialDigits.clear();
        clearCallNumber(c);
        c.CallerIdActive = false;
        c.EdSeq.clear();
        c.EdFskFone.clear();
        c.ToneState = ToneWatch::Armed;
        recording_.clearLine(k);
        if (k == 1 && traits_.dialToneClearsOddRing) {
            showRingCount(1, 0);
            c.DialledAccepted = false;
        }
    });
}

void PairLineLogic::rearmToneDetection(int k) {
    LineChannel& c = channel(k);
    c.ToneState = ToneWatch::Armed;
    c.RearmState = MadeCallRearm::Off;
    c.lbTom = "Normal";
    c.QuietReset = true;
}

void PairLineLogic::resetRearm(int k) {
    channel(k).RearmState = MadeCallRearm::Off;
    channel(k).lbTom = "Normal";
}

void PairLineLogic::btClearResultClick(int k) {
    LimpaTudo(k);
    channel(k).EdSeq.clear();
    channel(k).EdFskFone.clear();
    Edit2.clear();
}

}  // namespace kovra::line
