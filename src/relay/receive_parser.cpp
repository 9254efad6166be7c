#include "relay/receive_parser.h"

#include "relay/wire_text.h"

namespace kovra::relay {

namespace {

bool contains(std::string_view text, std::string_view token) {
    return text.find(token) != std::string_view::npos;
}

std::string dropFront(std::string_view text, std::size_t count) {
    return count >= text.size() ? std::string() : std::string(text.substr(count));
}

bool isBlank(std::string_view text) {
    return trimControl(text).empty();
}

// The text after the first "->" (empty when there is none), at most keep characters.
std::string valueAfterArrow(std::string_view text, std::size_t keep) {
    const auto arrow = text.find(wire::kValueArrow);
    if (arrow == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(arrow + wire::kValueArrow.size(), keep));
}

std::string_view callStatusFromCode(std::string_view code, std::string_view current) {
    if (contains(code, "D")) {
        return wire::kCallStatusDialling;
    }
    if (contains(code, "E")) {
        return wire::kCallStatusMade;
    }
    if (contains(code, "R")) {
        return wire::kCallStatusReceived;
    }
    if (contains(code, "I")) {
        return wire::kCallStatusUnidentified;
    }
    return current;
}

void setPending(ParseResult& result, EventKind kind, std::string text = {},
                std::string extra = {}) {
    result.kind = kind;
    result.pendingText = std::move(text);
    result.pendingExtra = std::move(extra);
}

// Stores the call-record field msg carries (first matching token only). Returns whether
// one matched.
bool applyCallRecord(std::string_view msg, CallRecord& record, ParseResult& result) {
    for (std::size_t i = 0; i < wire::kCallRecordFieldCount; ++i) {
        const auto& field = wire::kCallRecordFields[i];
        if (!contains(msg, field.token)) {
            continue;
        }
        std::string value = valueAfterArrow(msg, field.keep);
        if (i == 0) {
            record[kCallRecordStatus] = callStatusFromCode(value, record[kCallRecordStatus]);
            record[0] = std::move(value);
        } else if (i == kCallRecordStatus) {
            if (record[kCallRecordName].empty()) {
                record[kCallRecordStatus] = std::move(value);
            }
            setPending(result, EventKind::CallRecord);
        } else {
            record[i] = std::move(value);
        }
        return true;
    }
    return false;
}

// Drops the first skip characters and trims; sets the event when something is left.
void takeTail(std::string& msg, std::size_t skip, EventKind kind, ParseResult& result) {
    msg = std::string(trimControl(dropFront(msg, skip)));
    if (!msg.empty()) {
        setPending(result, kind, msg);
    }
}

// File event: name before the first '#', duration the first characters after it.
void takeFile(std::string& msg, EventKind kind, ParseResult& result) {
    const auto arrow = msg.find(wire::kValueArrow);
    msg = arrow == std::string::npos ? std::string() : msg.substr(arrow + wire::kValueArrow.size());
    std::string file;
    const auto mark = msg.find(wire::kFileTimeMark);
    if (mark != std::string::npos) {
        file = msg.substr(0, mark);
        msg.erase(0, mark + 1);
    }
    setPending(result, kind, std::move(file), msg.substr(0, wire::kFileDurationLength));
}

void applyLineEvents(std::string& msg, const std::string& prefix, ParseResult& result) {
    const auto token = [&prefix](std::string_view t) { return prefix + std::string(t); };
    if (contains(msg, token(wire::kKeyInitToken))) {
        msg = std::string(charsAt(msg, wire::kKeyInitCharPos, 1));
        if (!isBlank(msg)) {
            setPending(result, EventKind::KeyInit, msg);
        }
    }
    if (contains(msg, token(wire::kKeyToken))) {
        msg = std::string(charsAt(msg, wire::kKeyCharPos, 1));
        if (!isBlank(msg)) {
            setPending(result, EventKind::Key, msg);
        }
    }
    if (contains(msg, token(wire::kFormatDtmfToken))) {
        takeTail(msg, wire::kFormatDtmfSkip, EventKind::FormatDtmf, result);
    }
    if (contains(msg, token(wire::kFormatFskToken))) {
        takeTail(msg, wire::kFormatFskSkip, EventKind::FormatFsk, result);
    }
    if (contains(msg, token(wire::kIndexPhoneToken))) {
        takeTail(msg, wire::kIndexPhoneSkip, EventKind::IndexPhone, result);
    }
    if (contains(msg, token(wire::kDetectPhoneToken))) {
        takeTail(msg, wire::kDetectPhoneSkip, EventKind::DetectPhone, result);
    }
    struct Plain {
        std::string token;
        EventKind kind;
    };
    const Plain plain[] = {
        {token(wire::kDialToneToken), EventKind::DialTone},
        {token(wire::kDiallingToken), EventKind::Dialling},
        {std::string(wire::kOffHookToken), EventKind::OffHook},
        {token(wire::kCallerFskToken), EventKind::CallerFsk},
        {token(wire::kCallerDtmfToken), EventKind::CallerDtmf},
    };
    for (const auto& p : plain) {
        if (contains(msg, p.token)) {
            setPending(result, p.kind);
        }
    }
    if (contains(msg, token(wire::kRingCountToken))) {
        msg = std::string(charsAt(msg, wire::kRingCountCharPos, 1));
        setPending(result, EventKind::Ring, msg);
    }
    if (contains(msg, token(wire::kFileStartToken))) {
        takeFile(msg, EventKind::FileStart, result);
    }
    if (contains(msg, token(wire::kFileStopToken))) {
        takeFile(msg, EventKind::FileStop, result);
    }
}

}  // namespace

HandshakeInfo parseHandshake(std::string_view text, HandshakeInfo current) {
    int state = 0;
    std::string portText;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (state == 1 && c != wire::kHandshakePort) {
            current.address += c;
        } else if (state == 2 && c != wire::kHandshakeFlagMark) {
            portText += c;
        } else if (state == 4 && i + 1 < text.size()) {
            current.flag = c == wire::kFlagTrue;
        }
        switch (c) {
            case wire::kHandshakeStart:
                current.address.clear();
                state = 1;
                break;
            case wire::kHandshakePort:
                current.port = 0;
                state = 2;
                break;
            case wire::kHandshakeFlagMark:
                state = 3;
                current.port = textToInt(portText, 0);
                break;
            case wire::kHandshakeFlagStart:
                current.flag = false;
                state = 4;
                break;
            case wire::kTerminator:
                return current;
            default:
                break;
        }
    }
    return current;
}

ParseResult parseEventMessage(std::string_view text, const ParseContext& context,
                              CallRecord& record, std::string_view programFileName) {
    ParseResult result;
    const std::string prefix = std::string(wire::kLinePrefix) + std::to_string(context.line);

    std::string scanned;
    scanned.reserve(text.size());
    for (const char c : text) {
        if (c == wire::kTerminator) {
            break;
        }
        if (c == wire::kCloseMark) {
            result.closed = true;
            result.linkOps.push_back(LinkOp::StopCalling);
            continue;
        }
        if (c == wire::kStartCallMark) {
            result.linkOps.push_back(LinkOp::StartCalling);
            scanned += ' ';
        } else if (c == wire::kHangUpMark) {
            result.linkOps.push_back(LinkOp::StopCalling);
            scanned += ' ';
        } else {
            scanned += c;
        }
    }
    std::string msg(trimControl(scanned));

    const std::string removedToken = prefix + std::string(wire::kIpRemovedToken);
    if (!result.closed && context.hasAllEventsHandler) {
        if (!contains(msg, removedToken)) {
            setPending(result, EventKind::AllEvents, msg);
            result.reported = msg;
        }
        result.controlEnabled = false;
    }

    if (contains(msg, wire::kHandshakeToken)) {
        msg = dropFront(trimControl(msg), wire::kHandshakeTextSkip);
        HandshakeInfo remote;
        const auto mark = msg.find(wire::kHandshakePort);
        if (mark != std::string::npos) {
            remote.address = msg.substr(0, mark);
            msg.erase(0, mark + 1);
        }
        remote.port = textToInt(msg, 0);
        result.newRemote = std::move(remote);
        setPending(result, EventKind::HandShake);
    }

    if (!context.host && contains(msg, wire::kPingWord)) {
        result.replies.push_back(prefix + std::string(wire::kPingReplyIpToken) + context.localIp +
                                 std::string(wire::kPingReplyPortToken) +
                                 std::to_string(context.localPort));
        result.msg = std::move(msg);
        return result;
    }

    if (!context.host && contains(msg, removedToken)) {
        setPending(result, EventKind::IpRemoved);
        result.disconnect = true;
        result.controlEnabled = false;
        result.releasePort = true;
    }
    if (!context.host && contains(msg, prefix + std::string(wire::kIpInsertedToken))) {
        result.stopAwaiting = true;
    }
    if (contains(msg, prefix + std::string(wire::kConnectedToken))) {
        if (context.host) {
            result.replies.push_back(prefix + std::string(wire::kAppPlugedToken) +
                                     std::string(programFileName));
        } else {
            result.stopAwaiting = true;
            result.controlEnabled = true;
        }
    }

    const bool callRecord = applyCallRecord(msg, record, result);
    if (!callRecord && !context.host) {
        applyLineEvents(msg, prefix, result);
    }
    result.msg = std::move(msg);
    return result;
}

}  // namespace kovra::relay
