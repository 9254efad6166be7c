// The states of one line as named values. The number beside each is the code the
// line's state tables and older logs use for it.
#pragma once

namespace kovra::line {

// What the line is doing, as far as tones and digits tell.
enum class LineStatus {
    DialTone = 0,     // a dial tone was taken
    Dialling = 1,     // a further dialled symbol, or a caller ID that timed out
    Waiting = 2,      // the dial tone state lasted IdleTimeoutPeaks
    Ringing = 3,      // a ring was detected
    Identifying = 4,  // a DTMF caller ID is being received ("A" heard)
    Ready = 5,        // a call ended: caller ID complete, ringing over, handset put back
};

// Whether dial tone and ring are interpreted (analogue mode) or, in the hook-signalling
// mode, the adapter's tones.
enum class ToneWatch {
    DialToneTaken = 0,  // tones ignored until the line is re-armed
    Armed = 2,          // "Normal" in lbTom<k>, ShapeResetTom<k> visible
};

// A made call whose end a further dial tone marks (pairs 2 and 3).
enum class MadeCallRearm {
    Off = 0,
    CallRuns = 2,  // a dialled number was classified: "Rearme" in lbTom<k>
};

}  // namespace kovra::line
