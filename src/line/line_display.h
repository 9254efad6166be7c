// What a line shows in its status, ring and hook fields (edSTATUS<k>, edRing<k>,
// EditOffHook<k>), kept as values; the windows show the texts made from them here.
#pragma once

#include <string>

namespace kovra::line {

// The coarse status field, a second view beside LineStatus.
enum class StatusDisplay {
    Empty,
    DialTone,    // "DIALTONE"
    Ringing,     // "RINGING " on the odd line, "RINGING" on the even line
    CallerId,    // "BINAGEM": a DTMF caller ID is being received
    Dialling,    // "DISCANDO..."
    Rearmed,     // "REARMADO": a dial tone ended a made call
    HandsetHum,  // "OFF_HOOK": the handset-lifted hum was heard
    OffHook,     // "OFF HOOK": the adapter saw the handset put back
    OnHook,      // "ON HOOK": the adapter saw the handset lifted
};

// The hook field; only the adapter's two values are relayed.
enum class HookDisplay {
    Empty,
    HandsetHum,  // "OFF_HOOK"
    OffHook,     // "OFF HOOK": relayed as STATUS_OFF_HOOK
    OnHook,      // "ON HOOK": relayed as STATUS_ON_HOOK
};

// k: the side of the pair (1 odd, 2 even).
std::string statusText(StatusDisplay status, int k);
std::string hookText(HookDisplay hook);
// The ring count as shown and relayed ("0" when no call rings).
inline std::string ringText(int rings) {
    return std::to_string(rings);
}

}  // namespace kovra::line
