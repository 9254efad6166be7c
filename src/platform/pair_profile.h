// How pair 1 differs from pairs 2 and 3, as one table: line logic, recording, relay
// control, settings and the sound-card page each read their part here, and no code
// outside it tests a pair's number. Immutable; any thread.
#pragma once

namespace kovra {

// The line logic's rules.
struct LineTraits {
    // DTMF level gate: pair 1 drops a quiet symbol after it has cancelled a pending
    // start; pairs 2 and 3 test first and ignore a quiet symbol entirely.
    bool dtmfGateFirst = false;
    int dtmfMinLevelDbOdd = -20;
    int dtmfMinLevelDbEven = -20;
    bool keyLog = true;               // edTodos<k>, fed by the odd endpoint's key events
    bool zeroBecomesA = true;         // a leading "0" starts a DTMF caller ID
    bool secondCallerId = true;       // an "A" during an identified call is kept apart
    bool specialPrefixes = true;      // "070"/"080" and the leading-"0" strip
    bool digitTimeout = true;         // TimerDigitoOk<k> accepts dialled numbers
    bool classifyInHandler = false;   // dialled numbers classified per digit
    bool rearm = false;               // a dial tone during a made call ends it
    bool cancelEvent = true;          // "L<n>_ID_CANCELED->" on a timed-out caller ID
    bool ringCancelsStartOdd = true;  // edRing1 change cancels a pending start
    bool rawNumberInEdit2 = true;     // FormatBina shows the raw number in Edit2
    bool europeFsk = false;           // chkEuropa<k> relays FSK unformatted ("PEuropeu<k>")
    bool hasHookSignalling = false;   // the hook-signalling adapter mode exists
    bool dtmfSensitivity = true;      // SpinSensi<k> drives the decoder's sensitivity
    bool offHookSetting = false;      // SpinOffHook<k> sets the quiet threshold
    bool loudEvenLineClearsCallerIdPeaks = true;  // line 2 at -34 dB or more
    bool dialToneClearsOddRing = true;            // and the odd line's dialled number
};

// The recording control's rules.
struct RecordingTraits {
    bool startNeedsAutoRec = true;    // no start without CheckAutoRec
    bool hostCommands = true;         // START_REC/STOP_REC with the host's file name
    bool amplifier = false;           // band-pass and gain when CheckAmp<k> ("Amplificador")
    bool stopWaitsForWriter = false;  // StopWriting(wait = true)
    bool keepsStartTime = true;
    bool reportsKeptFile = true;    // rename and REC_FILE_STOP in the retention step
    bool timeFirstFileName = true;  // 14h05m09s-RECEBIDA-…; else RECEBIDA-…-14h05m09s
    bool spectrumSwitch = false;    // CHKSpectrum<k> off while recording ("Spectrum")
    // The recording page's test recordings with their player, and its button that opens
    // the privacy list (the list itself serves every pair).
    bool testRecording = false;
    bool privacyButton = false;
};

struct PairProfile {
    int pair = 1;
    // The adapter list: pair 1 chooses the adapter's type (CBTipoAdp: one line, two lines,
    // the USB adapter that signals the hook); pairs 2 and 3 the number of lines (CBChannel).
    bool adapterTypeList = true;
    int adapterCount = 3;
    int hookAdapterPosition = 2;  // -1: no such adapter
    // A start without a chosen adapter opens the sound-card page.
    bool asksForAdapterAtStart = true;
    bool companionProgram = true;  // chkAtivarMorvex
    bool relayTestValues = true;   // edTesteDDD, edTesteFone
    bool relayPortError = true;    // a relay port that cannot be opened: #3815, switch off
    LineTraits line;
    RecordingTraits recording;

    // Line number of side k (1 odd, 2 even).
    int lineNumber(int k) const { return 2 * pair - 2 + k; }
};

// pair: 1 to 3.
const PairProfile& pairProfile(int pair);

}  // namespace kovra
