// Pair 1's hook-signalling adapter mode: the adapter injects short tones that report the
// handset being lifted, a flash, and the handset being put back.
#include <algorithm>
#include <cmath>

#include "line/line_thresholds.h"
#include "line/pair_line_logic.h"
#include "platform/detectors/standard_tones.h"

namespace kovra::line {
namespace {

// The flash wait is counted in ticks, (SpinFlash div 10) div 2 of them; at 20 ms of elapsed
// time per tick the wait is the SpinFlash milliseconds the user set ("Tempo Flash"), and
// without chkFlash1 a single tick ends the call.
constexpr Millis kFlashTick{20};

void closeBurstWindows(LineChannel& c) {
    c.HookBurstA = false;
    c.HookBurstAPeaks = 0;
    c.HookBurstB = false;
    c.HookBurstBPeaks = 0;
}

}  // namespace

void PairLineLogic::toneHookMode(int k, int id) {
    LineChannel& c = channel(k);
    // Both tone states listen to the adapter's tones.
    if (id == kHookBurstId) {
        if (c.HookBurstAPeaks == 0) {
            c.HookBurstA = true;
        } else if (c.HookBurstAPeaks >= kHookBurstBOpensBeforePeaks || c.HookBurstBPeaks != 0) {
            if (c.HookBurstB && c.HookBurstBPeaks < kHookBurstLiftedBeforePeaks) {
                handsetLifted(k, c);
            }
            if (c.HookBurstAPeaks > kHookBurstCloseAfterPeaks) {
                c.HookBurstA = false;
                c.HookBurstAPeaks = 0;
            }
            if (c.HookBurstBPeaks > kHookBurstCloseAfterPeaks) {
                c.HookBurstB = false;
                c.HookBurstBPeaks = 0;
            }
        } else {
            c.HookBurstB = true;
        }
    } else if (id == kFlashStartId || id == kLegacyFlashStartId) {
        c.FlashStart = true;
        c.FlashStartPeaks = 0;
        counters(k).StartTicks = kHookStartTicks;
        cancelPendingStart(k);
        if (options_.chkFlash1) {
            c.HookMemo += "FLASH...";
            if (c.CallerIdActive || c.DialledAccepted || c.FlashPending) {
                c.FlashPending = true;
            }
        }
    } else if (id == kFlashEndId || id == kLegacyFlashEndId) {
        if (c.FlashStart && c.FlashStartPeaks < kFlashEndWithinPeaks) {
            // Flash end: unless new hook tones follow in time, the handset went back.
            const int ticks = options_.chkFlash1 ? std::max(1, (options_.SpinFlash / 10) / 2) : 1;
            Timer& timer = flashTimers_[k - 1];
            timer.setInterval(kFlashTick * ticks);
            timer.setEnabled(true);
            recording_.setStartTimerRunning(k, false);
            counters(k).StartTicks = kHookStartTicks;
            c.HookMemo.clear();
        }
    }
}

void PairLineLogic::handsetLifted(int k, LineChannel& c) {
    c.HookStartPending = true;
    c.HookStartPeaks = 0;
    flashTimers_[k - 1].setEnabled(false);
    c.FlashTicks = 0;
    closeBurstWindows(c);
    counters(k).StartTicks = kHookStartTicks;
    cancelPendingStart(k);
    c.EventMemo += "On Hook";
    showStatus(k, StatusDisplay::OnHook);
    showHook(k, HookDisplay::OnHook);
    c.HookMemo.clear();
    if (!c.CallerIdActive) {
        c.DialledAccepted = false;
    }
    if (options_.CheckOffHook && !recording(k)) {
        recording_.StartLClick(k);
        return;
    }
    if (options_.CheckAutoRec && c.CallerIdActive && !recording(k)) {
        c.DialledAccepted = true;
        recording_.StartLClick(k);
    }
}

void PairLineLogic::peakHookMode(int k, float value) {
    LineChannel& c = channel(k);
    const int level = static_cast<int>(std::nearbyint(value));

    if (c.HookBurstA && ++c.HookBurstAPeaks > kHookBurstWindowPeaks) {
        c.HookBurstA = false;
        c.HookBurstAPeaks = 0;
    }
    if (c.HookBurstB && ++c.HookBurstBPeaks > kHookBurstWindowPeaks) {
        c.HookBurstB = false;
        c.HookBurstBPeaks = 0;
    }
    if (c.HookStartPending && ++c.HookStartPeaks > kHookStartWindowPeaks) {
        c.HookStartPending = false;
        c.HookStartPeaks = 0;
        if (c.CallerIdActive) {
            recording_.StartLClick(k);
        }
    }
    if (c.FlashStart && ++c.FlashStartPeaks > kFlashStartWindowPeaks) {
        c.FlashStart = false;
        c.FlashStartPeaks = 0;
    }

    c.edDB = std::to_string(level);
    if (ports_.detectorAlive) {
        ports_.detectorAlive();
    }
    c.Level = level;
    if (steadySingleTone(c.Freq1, c.Freq2, c.PreviousFreq1)) {
        counters(k).StartTicks = 0;
    }
    if (!c.UsbCodecDetected && value > kLoudLevelDb) {
        c.QuietPeaks = 0;
    }
    ++c.AutoVolPeaks;
    if (c.AutoVolPeaks > kAutoVolumeAfterPeaks && level >= kHookModeAutoVolumeMinLevelDb) {
        c.AutoVolPeaks = kHookModeAutoVolumeDonePeaks;
        if (!c.AutoVolApplied) {
            c.AutoVolApplied = true;
            if (ports_.applyStoredVolume) {
                ports_.applyStoredVolume();
            }
        }
    }
    speechRules(k, c, level, true);
    if (k == 1 && level >= kCallerIdKeepLevelDb) {
        c.CallerIdPeaks = 0;
    }
    c.LevelMargin = (k == 1 ? kHookModeOddMarginBaseDb : kLevelMarginBaseDb) - std::abs(level);
    callerIdTimeout(k, c);
}

void PairLineLogic::TimerFlashSTOPTimer(int k) {
    try {
        flashStop(k);
    } catch (...) {
        // The tick's state stays as far as it got.
    }
}

void PairLineLogic::flashStop(int k) {
    LineChannel& c = channel(k);
    Timer& timer = flashTimers_[k - 1];
    c.FlashPending = false;
    c.SpecialPrefix = false;
    c.HookBurstAPeaks = 0;
    c.HookBurstBPeaks = 0;
    c.FlashTicks = 0;
    c.DtmfRaw.clear();
    c.DialDigits.clear();
    c.DialNumber.clear();
    c.EdSeq.clear();
    showRingCount(k, 0);
    c.Status = LineStatus::Ready;
    c.DialledAccepted = false;
    c.HookBurstA = false;
    c.HookBurstB = false;
    c.FlashStart = false;
    c.DialToneWindow = false;
    counters(k).StartArmed = false;
    timer.setEnabled(false);
    showStatus(k, StatusDisplay::OffHook);
    showHook(k, HookDisplay::OffHook);
    c.HookMemo += "No gancho";
    c.EventMemo.clear();
    if (recording(k)) {
        recording_.StopLClick(k);
        LimpaTudo(k);
    }
}

}  // namespace kovra::line
