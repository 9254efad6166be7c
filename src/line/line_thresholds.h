// Every count, level and frequency the line rules judge by. Time on a line is counted in
// level reports ("peaks", one per filled capture buffer), levels are rounded dB relative
// to full scale, frequencies are the decoder's peak frequencies in Hz. A pair of values
// is indexed by side: [0] the odd line, [1] the even line.
#pragma once

#include <cmath>
#include <cstddef>
#include <string>

namespace kovra::line {

// --- tones and status (peaks unless noted) ---
inline constexpr int kDialToneHitsToTake = 2;    // detections inside one window
inline constexpr int kDialToneWindowPeaks = 20;  // the window closes after this many
inline constexpr int kRearmHitsToEndCall = 3;    // dial tones during a made call
inline constexpr int kRearmWindowPeaks = 30;
inline constexpr int kNewRingAfterPeaks = 20;  // a ring later than this is the next ring
inline constexpr int kRingingStatusClearPeaks[2] = {20, 60};  // edSTATUS<k> emptied after
inline constexpr int kRingingEndPeaks = 100;                  // no further ring: ringing stopped
inline constexpr int kCallerIdTimeoutPeaks = 75;              // the closing "C" never came
// Idle time-out and quiet base per capture buffer setting 0, 1, 2 (4096, 2048, 1024 bytes):
// a constant time whatever the buffer length.
inline constexpr int kIdleTimeoutPeaks[3] = {25, 50, 200};
inline constexpr int kQuietBasePeaks[3] = {3, 6, 9};
inline constexpr int kUsbCodecQuietBasePeaks = 2;

// --- DTMF and dialled numbers ---
inline constexpr std::size_t kZeroAsCallerIdMaxSymbols = 3;  // a leading "0" this early means "A"
inline constexpr std::size_t kMinCallerIdChars = 8;          // "A" ... "C" shorter is no caller ID
inline constexpr std::size_t kMinDialledDigits = 8;
inline constexpr std::size_t kMaxDialledDigits = 13;
// A dialled number long enough to be taken (and short enough to be one).
inline bool dialledLength(const std::string& digits) {
    return digits.size() >= kMinDialledDigits && digits.size() <= kMaxDialledDigits;
}
inline constexpr int kDigitTimeoutTicks[2] = {4, 6};  // one-second ticks after the last digit
// A made call classified this soon after the recording started stops it (CheckOffDial).
inline constexpr double kEarlyRecordingSeconds = 20;

// --- level rules ---
inline constexpr int kLevelMarginBaseDb = 50;            // LevelMargin = base - |level|
inline constexpr int kHookModeOddMarginBaseDb = 60;      // the odd line in hook-signalling mode
inline constexpr int kLoudMarginDb = 30;                 // a margin above: the line was loud
inline constexpr int kQuietThresholdMarginDivisor = 13;  // QuietThreshold = margin div this
inline constexpr int kOffHookThresholdOffsetDb = 2;      // QuietThreshold = SpinOffHook + this
inline constexpr int kRefOffHookChanges = 20;            // level changes before the new reference
inline constexpr double kLoudLevelDb = -30;              // above: quiet peaks start again
inline constexpr double kUsbCodecQuietLevelDb[2] = {-40, -55};
// Stop on quiet after hang-up.
inline constexpr int kStopQuietLevelDb = -30;  // the previous level below this is quiet
inline constexpr int kStopAfterQuietPeaks = 15;
inline constexpr int kStopDisarmPeaks = 20;
inline constexpr double kStopDisarmFrequencyHz = 350;  // a voice on the line disarms the stop
// Automatic volume: the stored volume is applied once the line has been heard.
inline constexpr int kAutoVolumeAfterPeaks = 100;
inline constexpr int kAutoVolumeMinLevelDb = -39;
inline constexpr int kAutoVolumeDonePeaks = 1001;
inline constexpr int kHookModeAutoVolumeMinLevelDb = -44;
inline constexpr int kHookModeAutoVolumeDonePeaks = 1000;
// Automatic volume on a dial tone: the level is brought between the two limits.
inline constexpr int kVolumeDialToneLowHz = 400;  // exclusive band of the first frequency
inline constexpr int kVolumeDialToneHighHz = 430;
inline constexpr int kVolumeTooQuietDb = -15;  // below: one step up
inline constexpr int kVolumeTooLoudDb = -8;    // at or above: one step down
// A dial tone holds its frequency from one spectrum to the next. A voice's partials move:
// a female voice's second harmonic sits at 400-450 Hz for whole words, and taking it for
// the tone held a recording's start back by seconds.
inline constexpr double kSteadyToneDriftHz = 3;  // between consecutive spectra
inline bool steadyFrequency(double freq1, double previousFreq1) {
    return std::abs(freq1 - previousFreq1) <= kSteadyToneDriftHz;
}
// A steady single tone in this band (no second frequency) is not speech.
inline constexpr double kSteadyToneLowHz = 400;
inline constexpr double kSteadyToneHighHz = 450;
inline bool steadySingleTone(double freq1, double freq2, double previousFreq1) {
    return freq1 > kSteadyToneLowHz && freq1 < kSteadyToneHighHz && freq2 == 0 &&
           steadyFrequency(freq1, previousFreq1);
}
// Handset-lifted hum (CheckOffHook): the first frequency inside this band.
inline constexpr double kHandsetHumLowHz = 15;
inline constexpr double kHandsetHumHighHz = 150;

// --- speech activity ---
inline constexpr int kResumeLevelDb = -29;  // at or above, with the first frequency above:
inline constexpr double kResumeMinFrequencyHz = 300;  // the recording is active
inline constexpr int kVoiceLevelDb = -34;             // at or above, with a frequency above:
inline constexpr double kVoiceMinFrequencyHz = 350;   // a voice hit
inline constexpr int kVoiceHitsWrap = 10;             // VoiceHits above this restarts at 0
inline constexpr int kCallerIdKeepLevelDb = -34;      // a line this loud keeps its caller ID

// --- hook-signalling adapter (pair 1) ---
inline constexpr int kHookBurstWindowPeaks = 5;        // an open burst window closes after this
inline constexpr int kHookBurstBOpensBeforePeaks = 3;  // window A younger: the 2nd burst
inline constexpr int kHookBurstLiftedBeforePeaks = 3;  // window B younger: the 3rd burst
inline constexpr int kHookBurstCloseAfterPeaks = 3;
inline constexpr int kHookStartWindowPeaks = 10;  // then a known caller is recorded
inline constexpr int kFlashStartWindowPeaks = 2;
inline constexpr int kFlashEndWithinPeaks = 4;  // a flash end later than this is ignored
inline constexpr int kHookStartTicks = -5;      // StartTicks held back by hook tones

}  // namespace kovra::line
