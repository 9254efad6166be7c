#include "platform/pair_profile.h"

#include <array>
#include <stdexcept>
#include <string>

namespace kovra {

namespace {

PairProfile otherPair(int pair) {
    PairProfile p;
    p.pair = pair;
    p.adapterTypeList = false;
    p.adapterCount = 2;
    p.hookAdapterPosition = -1;
    p.asksForAdapterAtStart = false;
    p.companionProgram = false;
    p.relayTestValues = false;
    p.relayPortError = false;

    LineTraits& t = p.line;
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
    t.loudEvenLineClearsCallerIdPeaks = false;
    t.dialToneClearsOddRing = false;

    RecordingTraits& r = p.recording;
    r.startNeedsAutoRec = false;
    r.hostCommands = false;
    r.amplifier = true;
    r.stopWaitsForWriter = true;
    r.keepsStartTime = false;
    r.reportsKeptFile = false;
    r.timeFirstFileName = false;
    r.spectrumSwitch = true;
    r.testRecording = true;
    r.privacyButton = true;
    return p;
}

PairProfile firstPair() {
    PairProfile p;
    p.line.hasHookSignalling = true;
    return p;
}

}  // namespace

const PairProfile& pairProfile(int pair) {
    static const std::array<PairProfile, 3> profiles{firstPair(), otherPair(2), otherPair(3)};
    if (pair < 1 || pair > 3) {
        throw std::out_of_range("no line pair " + std::to_string(pair));
    }
    return profiles[static_cast<std::size_t>(pair - 1)];
}

}  // namespace kovra
