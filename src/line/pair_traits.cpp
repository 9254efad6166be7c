#include "line/pair_traits.h"

namespace kovra::line {

PairTraits pairTraits(int pair) {
    PairTraits t;
    t.pair = pair;
    if (pair == 1) {
        t.hasHookSignalling = true;
        return t;
    }
    t.dtmfGateFirst = true;
    t.dtmfMinLevelDbOdd = -15;
    t.dtmfMinLevelDbEven = -10;
    t.keyLog = false;
    t.zeroBecomesA = false;
    t.secondCallerId = false;
    t.specialPrefixes = false;
    t.digitTimeout = false;
    t.classifyInHandler = true;
    t.rearm = true;
    t.cancelEvent = false;
    t.ringCancelsStartOdd = false;
    t.rawNumberInEdit2 = false;
    t.europeFsk = true;
    t.dtmfSensitivity = false;
    t.offHookSetting = true;
    return t;
}

}  // namespace kovra::line
