#include "relay/kovra_repeater.h"

#include <algorithm>

#include "platform/log.h"
#include "platform/udp/host_info.h"
#include "relay/wire_format.h"
#include "relay/wire_text.h"

namespace kovra::relay {

namespace {

constexpr Millis kAnnounceInterval{1000};
constexpr Millis kDispatchInterval{5};
// Announcements without an answer before the subscriber gives up.
constexpr int kMaxAnnouncements = 9;
constexpr int kMaxLineNumber = 10;
constexpr int kLineNumberAboveMax = 12;
constexpr const char* kLoopback = "127.0.0.1";

std::string localAddressOrLoopback() {
    const std::string address = udp::firstLocalIPv4Address();
    return address.empty() ? kLoopback : address;
}

std::string callText(const std::string& ddd, const std::string& phone) {
    if (trimControl(ddd).empty()) {
        return std::string(wire::kNoCallText);
    }
    return "(" + ddd + ") " + phone;
}

}  // namespace

TKovraRepeaterXE::TKovraRepeaterXE(EventLoop& loop)
    : loop_(loop),
      localIp_(localAddressOrLoopback()),
      controlText_(wire::kNoCallText),
      programFileName_(udp::currentProgramFileName()),
      announceTimer_(loop, kAnnounceInterval, [this] { announceTick(); }),
      dispatchTimer_(loop, kDispatchInterval, [this] { dispatch(); }) {
    announceTimer_.setEnabled(true);
}

TKovraRepeaterXE::~TKovraRepeaterXE() {
    announceTimer_.setEnabled(false);
    dispatchTimer_.setEnabled(false);
    std::unique_ptr<udp::UdpListener> old;
    {
        const std::lock_guard lock(mutex_);
        if (calling_) {
            setCallingLocked(false);
        }
        connected_ = false;
        enabled_ = false;
        old = std::move(listener_);
    }
    old.reset();
    // Only now: the listener threads copy alive_ when they post.
    alive_.reset();
}

// Properties ------------------------------------------------------------------------------

int TKovraRepeaterXE::a0NumberLine() const {
    const std::lock_guard lock(mutex_);
    return numberLine_;
}

void TKovraRepeaterXE::setA0NumberLine(int line) {
    const std::lock_guard lock(mutex_);
    numberLine_ = line <= 0 ? 1 : line > kMaxLineNumber ? kLineNumberAboveMax : line;
}

std::string TKovraRepeaterXE::a1DDDLocal() const {
    const std::lock_guard lock(mutex_);
    return dddLocal_;
}

void TKovraRepeaterXE::setA1DDDLocal(std::string value) {
    const std::lock_guard lock(mutex_);
    dddLocal_ = std::move(value);
}

std::string TKovraRepeaterXE::a2PlugInPath() const {
    const std::lock_guard lock(mutex_);
    return plugInPath_;
}

void TKovraRepeaterXE::setA2PlugInPath(std::string value) {
    const std::lock_guard lock(mutex_);
    plugInPath_ = std::move(value);
}

std::string TKovraRepeaterXE::a3Remote_IP() const {
    const std::lock_guard lock(mutex_);
    return remoteIp_;
}

void TKovraRepeaterXE::setA3Remote_IP(std::string address) {
    names_->addresses(address);  // a configured name is looked up ahead of the first send
    const std::lock_guard lock(mutex_);
    remoteIp_ = std::move(address);
}

int TKovraRepeaterXE::a4Remote_Port() const {
    const std::lock_guard lock(mutex_);
    return remotePort_;
}

void TKovraRepeaterXE::setA4Remote_Port(int port) {
    const std::lock_guard lock(mutex_);
    remotePort_ = port;
}

int TKovraRepeaterXE::a5Local_Port() const {
    const std::lock_guard lock(mutex_);
    return localPort_;
}

void TKovraRepeaterXE::setA5Local_Port(int port) {
    {
        const std::lock_guard lock(mutex_);
        if (port == localPort_) {
            return;
        }
        localPort_ = port;
    }
    reopen(port);
}

void TKovraRepeaterXE::OpenPort() {
    reopen(a5Local_Port());
}

std::string TKovraRepeaterXE::a6Local_IP() const {
    const std::lock_guard lock(mutex_);
    return localIp_;
}

void TKovraRepeaterXE::setA6Local_IP(std::string address) {
    const std::lock_guard lock(mutex_);
    localIp_ = std::move(address);
}

bool TKovraRepeaterXE::a7Calling() const {
    const std::lock_guard lock(mutex_);
    return calling_;
}

void TKovraRepeaterXE::setA7Calling(bool calling) {
    const std::lock_guard lock(mutex_);
    setCallingLocked(calling);
}

bool TKovraRepeaterXE::a8InternetAccess() const {
    const std::lock_guard lock(mutex_);
    return internetAccess_;
}

void TKovraRepeaterXE::setA8InternetAccess(bool value) {
    const std::lock_guard lock(mutex_);
    internetAccess_ = value;
}

bool TKovraRepeaterXE::a9HostKovra() const {
    const std::lock_guard lock(mutex_);
    return host_;
}

void TKovraRepeaterXE::setA9HostKovra(bool host) {
    const std::lock_guard lock(mutex_);
    host_ = host;
}

int TKovraRepeaterXE::boundPort() const {
    const std::lock_guard lock(mutex_);
    return listener_ ? listener_->port() : 0;
}

bool TKovraRepeaterXE::listening() const {
    const std::lock_guard lock(mutex_);
    return listener_ != nullptr;
}

bool TKovraRepeaterXE::connected() const {
    const std::lock_guard lock(mutex_);
    return connected_;
}

bool TKovraRepeaterXE::awaiting() const {
    const std::lock_guard lock(mutex_);
    return awaiting_;
}

bool TKovraRepeaterXE::enabled() const {
    const std::lock_guard lock(mutex_);
    return enabled_;
}

std::string TKovraRepeaterXE::text() const {
    const std::lock_guard lock(mutex_);
    return controlText_;
}

void TKovraRepeaterXE::setProgramFileName(std::string name) {
    const std::lock_guard lock(mutex_);
    programFileName_ = std::move(name);
}

void TKovraRepeaterXE::setHostRule(HostRule rule) {
    if (!rule.anyone && !rule.thisMachine) {
        names_->addresses(rule.address);
    }
    const std::lock_guard lock(mutex_);
    hostRule_ = std::move(rule);
}

HostRule TKovraRepeaterXE::hostRule() const {
    const std::lock_guard lock(mutex_);
    return hostRule_;
}

void TKovraRepeaterXE::setLogName(std::string name) {
    const std::lock_guard lock(mutex_);
    logName_ = std::move(name);
}

std::string TKovraRepeaterXE::logName() const {
    const std::lock_guard lock(mutex_);
    return logName_.empty() ? "line " + std::to_string(numberLine_) : logName_;
}

// Operations ------------------------------------------------------------------------------

void TKovraRepeaterXE::SendData(std::string_view text) {
    const std::lock_guard lock(mutex_);
    sendDataLocked(text);
}

void TKovraRepeaterXE::SendDataTo(const std::string& address, int port, std::string_view text) {
    const std::lock_guard lock(mutex_);
    if (!connected_ || !listener_) {
        return;
    }
    try {
        listener_->sendTo(address, port, buildEventDatagram(text));
    } catch (const std::exception& e) {
        throw RelayError(kSendDataErrorNumber, kSendDataErrorText, e.what());
    }
}

bool TKovraRepeaterXE::ConnectTo(std::string_view target, int line) {
    const std::string prefix = std::string(wire::kLinePrefix) + std::to_string(line);
    try {
        bool subscriber = false;
        {
            const std::lock_guard lock(mutex_);
            const auto colon = target.find(':');
            remoteIp_ = std::string(target.substr(0, colon));
            names_->addresses(remoteIp_);
            if (colon != std::string_view::npos) {
                std::string_view portText = target.substr(colon + 1);
                portText = portText.substr(0, portText.find(':'));
                if (!trimControl(portText).empty()) {
                    remotePort_ = textToInt(portText, 800);
                }
            }
            subscriber = !host_;
            if (subscriber) {
                sendDataLocked(prefix + std::string(wire::kHandshakeToken) + localIp_ +
                               wire::kHandshakePort + std::to_string(advertisedPortLocked()));
            }
        }
        if (subscriber) {
            if (a7OnAllEvents) {
                a7OnAllEvents(*this, prefix + std::string(wire::kAwaitingToken));
            }
            const std::lock_guard lock(mutex_);
            awaiting_ = true;
            announceCount_ = 0;
        }
        const std::lock_guard lock(mutex_);
        setCallingLocked(true);
        return calling_;
    } catch (const std::exception& e) {
        logLine(LogLevel::Warning, std::string("Relay: connecting to ") + std::string(target) +
                                       " failed: " + e.what());
        const std::lock_guard lock(mutex_);
        calling_ = false;
        return false;
    }
}

void TKovraRepeaterXE::SetConnected(bool connected) {
    const std::lock_guard lock(mutex_);
    connected_ = connected;
}

void TKovraRepeaterXE::RefreshLocalIP() {
    std::string address = localAddressOrLoopback();
    const std::lock_guard lock(mutex_);
    localIp_ = std::move(address);
}

// Port ------------------------------------------------------------------------------------

void TKovraRepeaterXE::reopen(int port) {
    std::unique_ptr<udp::UdpListener> old;
    {
        const std::lock_guard lock(mutex_);
        old = std::move(listener_);
    }
    // Parsers never wait, so joining the old threads cannot block.
    old.reset();
    if (OnClosePort) {
        OnClosePort(*this, port);
    }
    std::unique_ptr<udp::UdpListener> fresh;
    try {
        if (port < 0 || port > 65535) {
            throw udp::UdpError("cannot bind UDP port " + std::to_string(port) +
                                ": not a port number");
        }
        fresh = std::make_unique<udp::UdpListener>(
            static_cast<std::uint16_t>(port),
            [this](std::string_view datagram, const udp::Origin& from) {
                onDatagram(datagram, from);
            });
    } catch (const std::exception& e) {
        logLine(LogLevel::Error, "Relay endpoint of " + logName() + " (local port " +
                                     std::to_string(port) + "): " + e.what() +
                                     "; the endpoint stays silent");
    }
    const bool opened = fresh != nullptr;
    {
        const std::lock_guard lock(mutex_);
        listener_ = std::move(fresh);
    }
    if (opened && OnOpenPort) {
        OnOpenPort(*this, port);
    }
}

// Sending (mutex_ held) ---------------------------------------------------------------------

int TKovraRepeaterXE::advertisedPortLocked() const {
    return listener_ ? listener_->port() : localPort_;
}

std::string TKovraRepeaterXE::linePrefixLocked() const {
    return std::string(wire::kLinePrefix) + std::to_string(numberLine_);
}

std::optional<std::string> TKovraRepeaterXE::remoteAddressLocked() {
    if (trimControl(remoteIp_).empty()) {
        // No remote named: this machine, over IPv4 like every peer of the relay.
        return std::string(kLoopback);
    }
    std::optional<std::string> address = names_->numeric(remoteIp_);
    if (!address && unresolvedLogged_ != remoteIp_) {
        unresolvedLogged_ = remoteIp_;
        logLine(LogLevel::Warning, "Relay endpoint of " +
                                       (logName_.empty() ? linePrefixLocked() : logName_) +
                                       ": the name " + remoteIp_ +
                                       " is not resolved yet; nothing is sent to it until it is");
    }
    return address;
}

void TKovraRepeaterXE::sendRawLocked(std::string_view bytes, const char* what) {
    try {
        const std::optional<std::string> address = remoteAddressLocked();
        if (address) {
            listener_->sendTo(*address, remotePort_, bytes);
        }
    } catch (const std::exception& e) {
        // The handshake and the close are best effort: the peer may be gone already.
        logLine(LogLevel::Debug, std::string("Relay: ") + what + " not sent: " + e.what());
    }
}

void TKovraRepeaterXE::sendDataLocked(std::string_view text) {
    if (!connected_ || !listener_) {
        return;
    }
    const std::optional<std::string> address = remoteAddressLocked();
    if (!address) {
        return;  // an undelivered datagram goes unnoticed, as on the wire
    }
    try {
        listener_->sendTo(*address, remotePort_, buildEventDatagram(text));
    } catch (const std::exception& e) {
        throw RelayError(kSendDataErrorNumber, kSendDataErrorText, e.what());
    }
}

void TKovraRepeaterXE::setCallingLocked(bool calling) {
    if (calling) {
        if (connected_) {
            return;
        }
        if (localIp_.empty()) {
            localIp_ = localAddressOrLoopback();
        }
        if (listener_) {
            sendRawLocked(buildHandshakeDatagram(localIp_, advertisedPortLocked(), peerFlag_),
                          "handshake");
        }
        calling_ = true;
        connected_ = true;
        return;
    }
    calling_ = false;
    if (connected_) {
        connected_ = false;
        if (listener_) {
            sendRawLocked(buildCloseDatagram(), "close");
        }
    }
}

// Announcing (loop thread) ---------------------------------------------------------------

void TKovraRepeaterXE::announceTick() {
    std::string prefix;
    std::string plugged;
    std::string insert;
    bool expired = false;
    {
        const std::lock_guard lock(mutex_);
        if (!awaiting_ || host_) {
            return;
        }
        ++announceCount_;
        if (announceCount_ > kMaxAnnouncements) {
            expired = true;
            announceCount_ = 0;
            awaiting_ = false;
        }
        prefix = linePrefixLocked();
        plugged = prefix + std::string(wire::kAppPlugedToken) + programFileName_;
        insert = prefix + std::string(wire::kInsertIpToken) + localIp_ + ":" +
                 std::to_string(advertisedPortLocked());
    }
    if (expired && a7OnAllEvents) {
        a7OnAllEvents(*this, std::string(wire::kNotSendingText) + prefix.substr(1));
    }
    try {
        SendData(plugged);
        SendData(insert);
    } catch (const RelayError& e) {
        // A timer has no caller to hand the error to: record it and keep announcing.
        logLine(LogLevel::Error, std::string(e.what()) + " (" + e.detail() + ")");
    }
}

// Receiving (listener threads) -------------------------------------------------------------

bool TKovraRepeaterXE::isHost(const udp::Origin& from) {
    const HostRule rule = hostRule();
    if (rule.anyone) {
        return true;
    }
    if (rule.thisMachine) {
        if (udp::isLoopback(from.address)) {
            return true;
        }
        const std::lock_guard lock(localMutex_);
        const auto now = std::chrono::steady_clock::now();
        if (now - localAddressesAt_ >= std::chrono::seconds(1)) {
            localAddresses_ = udp::localAddresses();
            localAddressesAt_ = now;
        }
        return std::find(localAddresses_.begin(), localAddresses_.end(), from.address) !=
               localAddresses_.end();
    }
    const std::vector<std::string> addresses = names_->addresses(rule.address);
    return std::find(addresses.begin(), addresses.end(), from.address) != addresses.end();
}

void TKovraRepeaterXE::onDatagram(std::string_view datagram, const udp::Origin& from) {
    try {
        const std::lock_guard parse(parseMutex_);
        const std::string text = receivedText(datagram);
        if (text.empty()) {
            return;
        }
        const bool fromHost = isHost(from);
        if (text.front() != wire::kHandshakeStart) {
            handleEventMessage(text, from, fromHost);
            return;
        }
        if (!fromHost) {
            return;  // only the host may point the endpoint somewhere
        }
        const std::lock_guard lock(mutex_);
        const HandshakeInfo info = parseHandshake(text, {remoteIp_, remotePort_, peerFlag_});
        if (!connected_) {
            // An address from the network is never resolved: a name is refused.
            const std::string address = udp::canonicalAddress(info.address);
            if (address.empty()) {
                return;
            }
            remoteIp_ = address;
            remotePort_ = info.port;
            peerFlag_ = info.flag;
            if (localIp_.empty()) {
                localIp_ = localAddressOrLoopback();
            }
        }
        connected_ = true;
        if (!host_) {
            awaiting_ = true;
            announceCount_ = 0;
        }
    } catch (const std::exception& e) {
        logLine(LogLevel::Debug, std::string("Relay: datagram dropped: ") + e.what());
    }
}

void TKovraRepeaterXE::handleEventMessage(std::string_view text, const udp::Origin& from,
                                          bool fromHost) {
    std::unique_lock lock(mutex_);
    const bool reports = static_cast<bool>(a7OnAllEvents) || static_cast<bool>(OnTextFrom);
    const ParseContext context{numberLine_, host_, reports, localIp_, advertisedPortLocked()};
    InboundEvent event;
    event.line = std::to_string(numberLine_);
    event.fromAddress = from.address;
    event.fromPort = from.port;
    event.fromHost = fromHost;

    if (!fromHost) {
        // Another sender changes nothing here: its text is reported, its close is its own.
        CallRecord scratch;
        const ParseResult result = parseEventMessage(text, context, scratch, programFileName_);
        lock.unlock();
        for (const LinkOp op : result.linkOps) {
            event.listenerClosed = event.listenerClosed || op == LinkOp::StopCalling;
        }
        if (!result.reported.empty()) {
            event.kind = EventKind::AllEvents;
            event.text = result.reported;
        }
        if (event.kind != EventKind::None || event.listenerClosed) {
            queue(std::move(event));
        }
        return;
    }

    ParseResult result = parseEventMessage(text, context, callRecord_, programFileName_);
    for (const LinkOp op : result.linkOps) {
        if (op == LinkOp::StartCalling) {
            setCallingLocked(true);
        } else {
            setCallingLocked(false);
            connected_ = false;
        }
    }
    if (result.newRemote) {
        // An address from the network is never resolved: a name leaves the remote alone.
        const std::string address = udp::canonicalAddress(result.newRemote->address);
        if (address.empty()) {
            if (result.kind == EventKind::HandShake) {
                result.kind = EventKind::None;
            }
        } else {
            remoteIp_ = address;
            remotePort_ = result.newRemote->port;
        }
    }
    for (const auto& reply : result.replies) {
        try {
            sendDataLocked(reply);
        } catch (const RelayError& e) {
            logLine(LogLevel::Debug, std::string("Relay: reply not sent: ") + e.detail());
        }
    }
    if (result.disconnect) {
        connected_ = false;
    }
    if (result.stopAwaiting) {
        awaiting_ = false;
        announceCount_ = 0;
    }
    if (result.controlEnabled) {
        enabled_ = *result.controlEnabled;
    }
    if (result.releasePort) {
        // Replacing the listener joins this very thread: the loop thread does it.
        const std::weak_ptr<int> alive = alive_;
        loop_.post([this, alive] {
            if (alive.lock()) {
                setA5Local_Port(0);
            }
        });
    }
    if (result.kind == EventKind::None) {
        return;
    }
    event.kind = result.kind;
    event.text = std::move(result.pendingText);
    event.extra = std::move(result.pendingExtra);
    if (event.kind == EventKind::CallRecord) {
        event.record = std::move(callRecord_);
        callRecord_ = CallRecord{};
    } else if (event.kind == EventKind::HandShake) {
        event.remoteIp = remoteIp_;
        event.remotePort = remotePort_;
    }
    lock.unlock();
    queue(std::move(event));
}

void TKovraRepeaterXE::queue(InboundEvent event) {
    bool arm = false;
    {
        const std::lock_guard lock(mutex_);
        if (!inbound_.push(std::move(event))) {
            return;  // counted; the dispatcher logs it
        }
        arm = !dispatchArmed_;
        dispatchArmed_ = true;
    }
    if (arm) {
        const std::weak_ptr<int> alive = alive_;
        loop_.post([this, alive] {
            if (alive.lock()) {
                dispatchTimer_.setEnabled(true);
            }
        });
    }
}

// Dispatching (loop thread) ----------------------------------------------------------------

void TKovraRepeaterXE::receiveNow(std::string_view datagram, const udp::Origin& from) {
    onDatagram(datagram, from);
}

void TKovraRepeaterXE::dispatch() {
    std::optional<InboundEvent> fromHost;
    std::optional<InboundEvent> fromOther;
    std::size_t dropped = 0;
    bool idle = false;
    {
        const std::lock_guard lock(mutex_);
        fromHost = inbound_.popHost();
        fromOther = inbound_.popOther();
        dropped = inbound_.takeDropped();
        if (inbound_.empty()) {
            dispatchArmed_ = false;
            idle = true;
        }
    }
    if (idle) {
        dispatchTimer_.setEnabled(false);
    }
    if (dropped > 0) {
        logLine(LogLevel::Warning, "Relay endpoint of " + logName() + ": " +
                                       std::to_string(dropped) +
                                       " received texts dropped, too many were waiting");
    }
    if (fromHost) {
        raise(*fromHost);
    }
    if (fromOther) {
        raise(*fromOther);
    }
}

void TKovraRepeaterXE::raise(const InboundEvent& event) {
    const EventKind kind = event.kind;
    const std::string& line = event.line;
    const std::string& text = event.text;
    const std::string& extra = event.extra;
    const TextOrigin origin{event.fromAddress, event.fromPort, event.fromHost};
    const auto status = [&](std::string_view value) {
        if (a8OnStatusEvent) {
            a8OnStatusEvent(*this, line, std::string(value));
        }
    };
    switch (kind) {
        case EventKind::None:
            break;
        case EventKind::AllEvents:
            if (a7OnAllEvents) {
                a7OnAllEvents(*this, text);
            }
            if (OnTextFrom) {
                OnTextFrom(*this, text, origin);
            }
            break;
        case EventKind::HandShake:
            if (a1OnHandShake) {
                a1OnHandShake(*this, event.remoteIp, std::to_string(event.remotePort));
            }
            break;
        case EventKind::IpRemoved: {
            std::string removed;
            {
                const std::lock_guard lock(mutex_);
                removed = std::string(wire::kLinePrefix) + line +
                          std::string(wire::kIpRemovedToken) + localIp_ + ":" +
                          std::to_string(localPort_);
            }
            const std::string disconnected =
                std::string(wire::kLinePrefix) + line + std::string(wire::kDisconnectedToken);
            for (const std::string& reported : {removed, disconnected}) {
                if (a7OnAllEvents) {
                    a7OnAllEvents(*this, reported);
                }
                if (OnTextFrom) {
                    OnTextFrom(*this, reported, origin);
                }
            }
            break;
        }
        case EventKind::CallRecord: {
            const CallRecord& record = event.record;
            if (a0OnDataFriends) {
                a0OnDataFriends(*this,
                                DataFriends{record[0], record[1], record[2], record[3], record[4],
                                            record[5], record[6], record[7], record[8], record[9],
                                            record[kCallRecordStatus]});
            }
            {
                const std::lock_guard lock(mutex_);
                controlText_ = callText(record[4], record[5]);
            }
            if (OnChange) {
                OnChange(*this);
            }
            break;
        }
        case EventKind::KeyInit:
        case EventKind::Key:
            if (a4OnKeyEvent) {
                a4OnKeyEvent(*this, line, text);
            }
            break;
        case EventKind::FormatDtmf:
        case EventKind::FormatFsk: {
            const bool dtmf = kind == EventKind::FormatDtmf;
            if (a3OnFormatPhone) {
                a3OnFormatPhone(*this, line, text, dtmf, !dtmf);
            }
            status(dtmf ? wire::kStatusBreakFsk : wire::kStatusBreakDtmf);
            break;
        }
        case EventKind::IndexPhone:
            if (a9OnIndexPhone) {
                a9OnIndexPhone(*this, line, text);
            }
            break;
        case EventKind::DetectPhone:
            if (a2DetectPhone) {
                a2DetectPhone(
                    *this, line, std::string(charsAt(text, 1, 1)),
                    std::string(charsAt(text, wire::kDetectAreaPos, wire::kDetectAreaLength)),
                    std::string(charsAt(text, wire::kDetectNumberPos, wire::kDetectNumberLength)));
            }
            break;
        case EventKind::DialTone:
            status(wire::kStatusDialTone);
            break;
        case EventKind::Dialling:
            status(wire::kStatusDialling);
            break;
        case EventKind::OffHook:
            status(wire::kStatusOffHook);
            break;
        case EventKind::CallerFsk:
            status(wire::kStatusCallerFsk);
            break;
        case EventKind::CallerDtmf:
            status(wire::kStatusCallerDtmf);
            break;
        case EventKind::Ring:
            if (a6OnRing) {
                a6OnRing(*this, line, textToInt(text, 0));
            }
            status(wire::kStatusRingCount);
            break;
        case EventKind::FileStart:
        case EventKind::FileStop:
            if (a5OnFileRec) {
                a5OnFileRec(*this, line, text, extra);
            }
            status(kind == EventKind::FileStart ? wire::kStatusRecordStart
                                                : wire::kStatusRecordStop);
            break;
    }
    if (event.listenerClosed && OnListenerClosed) {
        OnListenerClosed(*this, origin);
    }
}

}  // namespace kovra::relay
