// The receive side of the relay wire as pure functions: the handshake parser and the
// event-message parser. They decide; the endpoint applies the decision (sends, state,
// the pending slot). Safe from any thread; no sockets, no clocks.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "relay/wire_format.h"

namespace kovra::relay {

// What a handshake datagram announces (or, before parsing, what the endpoint holds).
struct HandshakeInfo {
    std::string address;
    int port = 0;
    bool flag = false;
};

// Parses a received handshake text (starting with 'I', already normalised), starting
// from current: "I" empties the address, "P" zeroes the port, "V" takes the port text
// as a number, "Z" clears the flag and the next character that is not the last one sets
// it. With its 'K' filler a handshake therefore always yields a false flag.
HandshakeInfo parseHandshake(std::string_view text, HandshakeInfo current);

// Typed-event kinds of the pending slot (0 = empty).
enum class EventKind : int {
    None = 0,
    AllEvents = 1,
    HandShake = 2,
    IpRemoved = 3,
    CallRecord = 4,
    KeyInit = 5,
    Key = 6,
    FormatDtmf = 7,
    FormatFsk = 8,
    IndexPhone = 9,
    DetectPhone = 10,
    DialTone = 11,
    Dialling = 12,
    OffHook = 13,
    CallerFsk = 14,
    CallerDtmf = 15,
    Ring = 16,
    FileStart = 17,
    FileStop = 18,
};

// The fifteen call-record fields in block order; the last one is the call status.
using CallRecord = std::array<std::string, wire::kCallRecordFieldCount>;
inline constexpr std::size_t kCallRecordName = 6;
inline constexpr std::size_t kCallRecordStatus = 14;

struct ParseContext {
    int line = 1;       // a0NumberLine: the prefix "L" + line
    bool host = false;  // source role
    bool hasAllEventsHandler = false;
    std::string localIp;  // written into the ping reply
    int localPort = 0;    // written into the ping reply
};

// Calling changes met while scanning, applied in order: '^' starts calling; '~' and '|'
// stop calling and disconnect.
enum class LinkOp { StartCalling, StopCalling };

struct ParseResult {
    std::vector<LinkOp> linkOps;
    bool closed = false;   // a '~' was present: the text is not reported
    std::string msg;       // the text after the scan (for diagnostics)
    std::string reported;  // the whole text as reported to a7OnAllEvents (empty: none)
    EventKind kind = EventKind::None;
    std::string pendingText;
    std::string pendingExtra;
    std::optional<HandshakeInfo> newRemote;  // from "_HANDSHAKE_I" (flag unused)
    std::vector<std::string> replies;        // texts to send with SendData, in order
    std::optional<bool> controlEnabled;      // the control's final enabled state, if changed
    bool disconnect = false;                 // removal notice: clear Connected
    bool releasePort = false;                // removal notice: give up the local port
    bool stopAwaiting = false;               // the source confirmed the insertion
};

// Parses a received event-message text (normalised, not starting with 'I'). Updates
// record with the call-record field it carries. programFileName goes into the source
// role's reply to a connection confirmation.
ParseResult parseEventMessage(std::string_view text, const ParseContext& context,
                              CallRecord& record, std::string_view programFileName);

}  // namespace kovra::relay
