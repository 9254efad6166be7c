// The per-line state record of a pair: status, counters, caller and dialled number, the
// level and hook-mode fields, and the window fields of the line that the rules write.
// Owned by PairLineLogic; loop thread only. The shown status, ring count and hook value
// run logic when they change: change them through PairLineLogic's show... calls only.
#pragma once

#include <string>

#include "line/line_display.h"
#include "line/line_states.h"

namespace kovra::line {

// Values of the call record relayed as the DATA_ block.
struct CallRecord {
    std::string name;
    std::string city;
    std::string country;
    std::string cep;
    std::string email;
};

struct LineChannel {
    // --- status and counters ---
    LineStatus Status = LineStatus::DialTone;
    ToneWatch ToneState = ToneWatch::DialToneTaken;  // armed at the pair's first start
    MadeCallRearm RearmState = MadeCallRearm::Off;
    bool QuietReset = false;
    std::string DtmfRaw;     // every symbol of the current sequence
    std::string DialDigits;  // digits dialled while no caller ID is received
    bool CallerIdActive = false;
    bool DialledAccepted = false;
    bool SecondId = false;
    std::string SecondIdDigits;
    bool SpecialPrefix = false;  // "070"/"080" dialled: never accepted (pair 1)
    int RingCount = 0;
    int PeaksSinceRing = 0;
    bool RingSeen = false;
    int RingingPeaks = 0;
    int IdlePeaks = 0;
    int CallerIdPeaks = 0;
    int DialToneHits = 0;
    bool DialToneWindow = false;
    int DialToneWindowPeaks = 0;
    int RearmHits = 0;
    bool RearmWindow = false;
    int RearmWindowPeaks = 0;
    int Level = 0;  // last rounded level, dB
    double Freq1 = 0;
    double Freq2 = 0;
    double PreviousFreq1 = 0;  // Freq1 of the spectrum before, Hz
    int DigitTicks = 0;
    int IdleTimeoutPeaks = 50;

    // --- caller and dialled number ---
    std::string CallType;
    std::string AreaCode;
    std::string NumberDisplay;
    std::string IndexPhone;
    bool PrivateMark = false;
    std::string OperatorCode;
    std::string DialArea;
    std::string DialNumber;
    std::string DialFull;
    CallRecord Record;

    // --- level and hook detection ---
    int LevelMargin = 0;
    int QuietThreshold = 0;
    int QuietBase = 6;
    int QuietPeaks = 0;
    bool StopArmed = false;
    int StopQuietPeaks = 0;
    int AutoVolPeaks = 0;
    bool AutoVolApplied = false;
    bool UsbCodecDetected = false;
    int OffHookChanges = 0;  // level changes counted against EditRefOffHook (pairs 2, 3)

    // --- hook-signalling adapter mode (pair 1) ---
    bool HookBurstA = false;
    int HookBurstAPeaks = 0;
    bool HookBurstB = false;
    int HookBurstBPeaks = 0;
    bool HookStartPending = false;
    int HookStartPeaks = 0;
    bool FlashStart = false;
    int FlashStartPeaks = 0;
    bool FlashPending = false;
    int FlashTicks = 0;

    // --- window fields of the line ---
    std::string edTodos;                               // key log (pair 1)
    std::string EdSeq;                                 // shown sequence / number
    StatusDisplay StatusShown = StatusDisplay::Empty;  // edSTATUS<k>
    int RingShown = 0;                                 // edRing<k>
    HookDisplay HookShown = HookDisplay::Empty;        // EditOffHook<k>
    std::string EdFskNome;
    std::string EdFskFone;
    std::string EdfskData;
    std::string lbTom;
    std::string EditFreq1;  // EditFreqA1 / EditFreqB1
    std::string EditFreq2;  // EditFreqA2 / EditFreqB2
    std::string edDB;
    std::string lbNomeFile;
    std::string lbReservaBL;  // reserve caller number for the next recording
    std::string lbReservaFL;  // reserve dialled number for the next recording
    std::string Memo;         // scratch text of the caller-ID text file
    std::string EditRefOffHook = "0";
    std::string edStopHook;
    std::string HookMemo;   // Memo3 (pair 1, hook mode)
    std::string EventMemo;  // Memo4 (pair 1, hook mode)

    bool ShapeResetTomVisible() const { return ToneState == ToneWatch::Armed; }
};

}  // namespace kovra::line
