// Level reports and spectra of a pair's lines: the level display, the handset-lifted
// signature, the quiet re-arm, the stop on quiet after hang-up, the speech activity that
// arms the automatic recording start, the automatic volume, and the per-peak status rules.
#include <cmath>
#include <cstdlib>

#include "line/line_events.h"
#include "line/line_thresholds.h"
#include "line/pair_line_logic.h"

namespace kovra::line {
namespace {

// Levels are judged as rounded integers; halves go to the even neighbour.
int roundLevel(double value) {
    return static_cast<int>(std::nearbyint(value));
}

int toInt(const std::string& text, int fallback) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    return (end == text.c_str() || *end != '\0') ? fallback : static_cast<int>(v);
}

}  // namespace

void PairLineLogic::WaveViewPeak(int k, float value) {
    try {
        if (ignoresEvenLine(k)) {
            return;
        }
        if (hookSignalling_) {
            peakHookMode(k, value);
        } else {
            peakAnalogue(k, value);
        }
    } catch (...) {
        // The level handler keeps the state as far as it got.
    }
}

void PairLineLogic::peakAnalogue(int k, float value) {
    LineChannel& c = channel(k);
    const int level = roundLevel(value);
    const int previous = c.Level;

    // Stop on quiet after hang-up (armed by the handset-lifted signature).
    if (c.StopArmed && recording(k) && previous < kStopQuietLevelDb) {
        ++c.StopQuietPeaks;
        if (c.StopQuietPeaks > kStopAfterQuietPeaks) {
            c.StopArmed = false;
            c.StopQuietPeaks = 0;
            recording_.StopLClick(k);
        }
    }
    if (c.StopQuietPeaks > kStopDisarmPeaks || c.Freq1 > kStopDisarmFrequencyHz ||
        c.Freq2 > kStopDisarmFrequencyHz) {
        c.StopArmed = false;
        c.StopQuietPeaks = 0;
    }

    c.edDB = std::to_string(level);
    if (ports_.detectorAlive) {
        ports_.detectorAlive();
    }
    c.Level = level;

    ++c.AutoVolPeaks;
    if (c.AutoVolPeaks > kAutoVolumeAfterPeaks && level >= kAutoVolumeMinLevelDb) {
        c.AutoVolPeaks = kAutoVolumeDonePeaks;
        if (!c.AutoVolApplied) {
            c.AutoVolApplied = true;
            if (ports_.applyStoredVolume) {
                ports_.applyStoredVolume();
            }
        }
    }

    if (c.DialToneWindow && ++c.DialToneWindowPeaks > kDialToneWindowPeaks) {
        c.DialToneWindow = false;
        c.DialToneHits = 0;
        c.DialToneWindowPeaks = 0;
    }
    if (c.RearmWindow && ++c.RearmWindowPeaks > kRearmWindowPeaks) {
        c.RearmWindow = false;
        c.RearmHits = 0;
        c.RearmWindowPeaks = 0;
    }

    if (steadySingleTone(c.Freq1, c.Freq2, c.PreviousFreq1)) {
        counters(k).StartTicks = 0;  // a steady single tone is not speech
    }
    if (c.LevelMargin > kLoudMarginDb) {
        c.QuietThreshold = c.LevelMargin / kQuietThresholdMarginDivisor;
        c.QuietPeaks = 0;
    }
    if (c.UsbCodecDetected && value < kUsbCodecQuietLevelDb[k - 1]) {
        c.QuietBase = kUsbCodecQuietBasePeaks;
    }
    if (!c.UsbCodecDetected && value > kLoudLevelDb) {
        c.QuietPeaks = 0;
    }
    if (traits_.offHookSetting) {
        if (level != toInt(c.EditRefOffHook, 0) && ++c.OffHookChanges > kRefOffHookChanges) {
            c.EditRefOffHook = std::to_string(level);
            c.OffHookChanges = 0;
        }
        c.QuietThreshold = options_.SpinOffHook[k - 1] + kOffHookThresholdOffsetDb;
    }

    // Quiet re-arm: a line quiet long enough interprets dial tone and ring again.
    if ((!options_.CheckOffHook || value > c.QuietThreshold) && c.LevelMargin < c.QuietThreshold &&
        !c.QuietReset) {
        if (++c.QuietPeaks > 2 * c.QuietBase) {
            rearmToneDetection(k);
            counters(k).VoiceHits = 0;
        }
    }

    speechRules(k, c, level, options_.CheckAutoRec);
    if (traits_.loudEvenLineClearsCallerIdPeaks && k == 2 && level >= kCallerIdKeepLevelDb) {
        c.CallerIdPeaks = 0;
    }
    c.LevelMargin = kLevelMarginBaseDb - std::abs(level);
    statusRules(k, c);
}

void PairLineLogic::speechRules(int k, LineChannel& c, int level, bool freq2Counts) {
    if (level >= kResumeLevelDb && c.Freq1 > kResumeMinFrequencyHz) {
        if (recording(k)) {
            counters(k).SilenceSeconds = 0;
        }
        if (counters(k).Paused) {
            recording_.PauseLClick(k);
        }
    }
    if (level >= kVoiceLevelDb &&
        (c.Freq1 > kVoiceMinFrequencyHz || (c.Freq2 > kVoiceMinFrequencyHz && freq2Counts))) {
        counters(k).SilenceSeconds = 0;
        int hits = counters(k).VoiceHits + 1;
        if (hits > kVoiceHitsWrap) {
            hits = 0;
        }
        counters(k).VoiceHits = hits;
        c.QuietPeaks = 0;
        if (counters(k).Paused) {
            recording_.PauseLClick(k);
        } else {
            counters(k).StartArmed = true;
            recording_.setStartTimerRunning(k, true);
        }
    }
}

void PairLineLogic::statusRules(int k, LineChannel& c) {
    if (c.RingSeen) {
        ++c.PeaksSinceRing;
    }
    if (c.Status == LineStatus::Ringing) {
        ++c.RingingPeaks;
        if (c.RingingPeaks > kRingingStatusClearPeaks[k - 1]) {
            showStatus(k, StatusDisplay::Empty);
        }
        if (c.RingingPeaks > kRingingEndPeaks) {
            // Ringing stopped without an answer.
            c.Status = LineStatus::Ready;
            c.RingCount = 0;
            showRingCount(k, 0);
        }
    }
    if (c.Status == LineStatus::DialTone && ++c.IdlePeaks > c.IdleTimeoutPeaks) {
        c.Status = LineStatus::Waiting;
        c.IdlePeaks = 0;
        if (k == 1) {
            showStatus(k, StatusDisplay::Empty);
        }
    }
    callerIdTimeout(k, c);
}

void PairLineLogic::callerIdTimeout(int k, LineChannel& c) {
    if (c.Status != LineStatus::Identifying || ++c.CallerIdPeaks <= kCallerIdTimeoutPeaks) {
        return;
    }
    // The closing "C" of a DTMF caller ID never came.
    c.CallerIdPeaks = 0;
    c.CallerIdActive = false;
    c.Status = LineStatus::Dialling;
    if (k == 1) {
        showStatus(k, StatusDisplay::Empty);
    }
    c.EdSeq.clear();
    if (hookSignalling_) {
        c.DialledAccepted = false;
    }
    if (!traits_.cancelEvent) {
        return;
    }
    c.DtmfRaw.clear();
    clearCallNumber(c);
    send(k, true, kIdCanceled);
}

// ------------------------------------------------------------------------ spectrum

void PairLineLogic::PTDecoderSpectrumData(int k, double f1, double f2) {
    try {
        if (ignoresEvenLine(k)) {
            return;
        }
        spectrum(k, f1, f2);
    } catch (...) {
        // The spectrum handler keeps the state as far as it got.
    }
}

void PairLineLogic::spectrum(int k, double f1, double f2) {
    LineChannel& c = channel(k);
    if (ports_.detectorAlive) {
        ports_.detectorAlive();
    }
    c.PreviousFreq1 = c.Freq1;
    c.Freq1 = f1;
    c.Freq2 = f2;
    if (f1 > kHandsetHumLowHz && f1 < kHandsetHumHighHz && options_.CheckOffHook &&
        c.Status != LineStatus::Ringing) {
        // Handset-lifted hum: the line is in use, re-arm the tone detection.
        rearmToneDetection(k);
        showStatus(k, StatusDisplay::HandsetHum);
        showHook(k, HookDisplay::HandsetHum);
        if (recording(k)) {
            c.StopArmed = true;
            c.StopQuietPeaks = 0;
        } else if (!c.CallerIdActive) {
            c.EdSeq.clear();
            LimpaTudo(k);
        }
        if (traits_.offHookSetting) {
            c.edStopHook = std::to_string(roundLevel(f1)) + ":" + std::to_string(roundLevel(f2)) +
                           ":" + std::to_string(c.Level);
        }
    }
    set_EditFreq1(k, std::to_string(roundLevel(f1)));
    c.EditFreq2 = std::to_string(roundLevel(f2));
}

void PairLineLogic::set_EditFreq1(int k, const std::string& text) {
    LineChannel& c = channel(k);
    if (c.EditFreq1 == text) {
        return;
    }
    c.EditFreq1 = text;
    try {
        freq1Changed(k);
    } catch (...) {
        // Display handler: nothing to report.
    }
}

void PairLineLogic::freq1Changed(int k) {
    LineChannel& c = channel(k);
    const int f = toInt(c.EditFreq1, 0);
    if (f <= kVolumeDialToneLowHz || f >= kVolumeDialToneHighHz) {
        return;
    }
    // A dial tone: adjust the input volume until its level is in range.
    if (steadyFrequency(c.Freq1, c.PreviousFreq1)) {
        counters(k).StartTicks = 0;
    }
    edDBMestre = std::to_string(c.Level);
    if (!options_.chkAutoVol || recording(k)) {
        return;
    }
    if (c.Level < kVolumeTooQuietDb) {
        if (ports_.stepVolume) {
            ports_.stepVolume(+1);
        }
    } else if (c.Level >= kVolumeTooLoudDb) {
        if (ports_.stepVolume) {
            ports_.stepVolume(-1);
        }
    }
    c.EditFreq1.clear();
}

}  // namespace kovra::line
