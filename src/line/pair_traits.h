// How pair 1 differs from pairs 2 and 3 in the line logic, as data. Any thread.
#pragma once

namespace kovra::line {

struct PairTraits {
    int pair = 1;
    // DTMF level gate: pair 1 drops a quiet symbol after it has cancelled a pending
    // start; pairs 2 and 3 test first and ignore a quiet symbol entirely.
    bool dtmfGateFirst = false;
    int dtmfMinLevelDbOdd = -20;
    int dtmfMinLevelDbEven = -20;
    bool keyLog = true;               // edTodos<k>
    bool zeroBecomesA = true;         // a leading "0" starts a DTMF caller ID
    bool secondCallerId = true;       // an "A" during an identified call is kept apart
    bool specialPrefixes = true;      // "070"/"080" and the leading-"0" strip
    bool digitTimeout = true;         // TimerDigitoOk<k> accepts dialled numbers
    bool classifyInHandler = false;   // dialled numbers classified per digit
    bool rearm = false;               // a dial tone during a made call ends it
    bool cancelEvent = true;          // "L<n>_ID_CANCELED->" on a timed-out caller ID
    bool ringCancelsStartOdd = true;  // edRing1 change cancels a pending start
    bool rawNumberInEdit2 = true;     // FormatBina shows the raw number in Edit2
    bool europeFsk = false;           // chkEuropa<k> relays FSK unformatted
    bool hasHookSignalling = false;   // the hook-signalling adapter mode exists
    bool dtmfSensitivity = true;      // SpinSensi<k> drives the decoder's sensitivity
    bool offHookSetting = false;      // SpinOffHook<k> sets the quiet threshold
};

PairTraits pairTraits(int pair);

}  // namespace kovra::line
