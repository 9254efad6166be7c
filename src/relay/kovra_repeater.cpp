#include "relay/kovra_repeater.h"

#include "platform/log.h"
#include "platform/udp/host_info.h"
#include "platform/udp/udp_socket.h"
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
        abortWait_ = true;
        old = std::move(listener_);
    }
    slotFree_.notify_all();
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

// Operations ------------------------------------------------------------------------------

void TKovraRepeaterXE::SendData(std::string_view text) {
    const std::lock_guard lock(mutex_);
    sendDataLocked(text);
}

bool TKovraRepeaterXE::ConnectTo(std::string_view target, int line) {
    const std::string prefix = std::string(wire::kLinePrefix) + std::to_string(line);
    try {
        bool subscriber = false;
        {
            const std::lock_guard lock(mutex_);
            const auto colon = target.find(':');
            remoteIp_ = std::string(target.substr(0, colon));
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
        abortWait_ = true;
        old = std::move(listener_);
    }
    // A parser waiting for the slot gives up, so joining the old threads cannot block.
    slotFree_.notify_all();
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
            [this](std::string_view datagram) { onDatagram(datagram); });
    } catch (const std::exception& e) {
        logLine(LogLevel::Error, "Relay endpoint of line " + std::to_string(a0NumberLine()) + ": " +
                                     e.what() + "; the endpoint stays silent");
    }
    const bool opened = fresh != nullptr;
    {
        const std::lock_guard lock(mutex_);
        listener_ = std::move(fresh);
        abortWait_ = false;
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

void TKovraRepeaterXE::sendRawLocked(std::string_view bytes, const char* what) {
    try {
        listener_->sendTo(remoteIp_, remotePort_, bytes);
    } catch (const std::exception& e) {
        // The handshake and the close are best effort: the peer may be gone already.
        logLine(LogLevel::Debug, std::string("Relay: ") + what + " not sent: " + e.what());
    }
}

void TKovraRepeaterXE::sendDataLocked(std::string_view text) {
    if (!connected_ || !listener_) {
        return;
    }
    try {
        listener_->sendTo(remoteIp_, remotePort_, buildEventDatagram(text));
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

void TKovraRepeaterXE::onDatagram(std::string_view datagram) {
    try {
        const std::lock_guard parse(parseMutex_);
        const std::string text = receivedText(datagram);
        if (text.empty()) {
            return;
        }
        std::unique_lock lock(mutex_);
        if (text.front() == wire::kHandshakeStart) {
            const HandshakeInfo info = parseHandshake(text, {remoteIp_, remotePort_, peerFlag_});
            if (!connected_) {
                remoteIp_ = info.address;
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
            return;
        }
        handleEventMessage(text, lock);
    } catch (const std::exception& e) {
        logLine(LogLevel::Debug, std::string("Relay: datagram dropped: ") + e.what());
    }
}

void TKovraRepeaterXE::handleEventMessage(std::string_view text,
                                          std::unique_lock<std::mutex>& lock) {
    slotFree_.wait(lock, [this] { return pendingKind_ == EventKind::None || abortWait_; });
    if (abortWait_) {
        return;
    }
    const ParseContext context{numberLine_, host_, static_cast<bool>(a7OnAllEvents), localIp_,
                               advertisedPortLocked()};
    ParseResult result = parseEventMessage(text, context, callRecord_, programFileName_);
    pendingLine_ = std::to_string(numberLine_);

    for (const LinkOp op : result.linkOps) {
        if (op == LinkOp::StartCalling) {
            setCallingLocked(true);
        } else {
            setCallingLocked(false);
            connected_ = false;
        }
    }
    if (result.newRemote) {
        remoteIp_ = result.newRemote->address;
        remotePort_ = result.newRemote->port;
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
    const std::weak_ptr<int> alive = alive_;
    if (result.releasePort) {
        // Replacing the listener joins this very thread: the loop thread does it.
        loop_.post([this, alive] {
            if (alive.lock()) {
                setA5Local_Port(0);
            }
        });
    }
    if (result.kind != EventKind::None) {
        pendingKind_ = result.kind;
        pendingText_ = std::move(result.pendingText);
        pendingExtra_ = std::move(result.pendingExtra);
        loop_.post([this, alive] {
            if (alive.lock()) {
                dispatchTimer_.setEnabled(true);
            }
        });
    }
}

// Dispatching (loop thread) ----------------------------------------------------------------

void TKovraRepeaterXE::dispatch() {
    struct FreeSlot {
        TKovraRepeaterXE& self;
        ~FreeSlot() {
            self.dispatchTimer_.setEnabled(false);
            {
                const std::lock_guard lock(self.mutex_);
                self.pendingKind_ = EventKind::None;
            }
            self.slotFree_.notify_all();
        }
    } freeSlot{*this};

    EventKind kind;
    std::string line;
    std::string text;
    std::string extra;
    {
        const std::lock_guard lock(mutex_);
        kind = pendingKind_;
        line = pendingLine_;
        text = pendingText_;
        extra = pendingExtra_;
    }
    raise(kind, line, text, extra);
}

void TKovraRepeaterXE::raise(EventKind kind, const std::string& line, const std::string& text,
                             const std::string& extra) {
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
            break;
        case EventKind::HandShake: {
            std::string ip;
            int port = 0;
            {
                const std::lock_guard lock(mutex_);
                ip = remoteIp_;
                port = remotePort_;
            }
            if (a1OnHandShake) {
                a1OnHandShake(*this, ip, std::to_string(port));
            }
            break;
        }
        case EventKind::IpRemoved: {
            std::string removed;
            {
                const std::lock_guard lock(mutex_);
                removed = std::string(wire::kLinePrefix) + line +
                          std::string(wire::kIpRemovedToken) + localIp_ + ":" +
                          std::to_string(localPort_);
            }
            if (a7OnAllEvents) {
                a7OnAllEvents(*this, removed);
                a7OnAllEvents(*this, std::string(wire::kLinePrefix) + line +
                                         std::string(wire::kDisconnectedToken));
            }
            break;
        }
        case EventKind::CallRecord: {
            CallRecord record;
            {
                const std::lock_guard lock(mutex_);
                record = callRecord_;
            }
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
            const std::lock_guard lock(mutex_);
            callRecord_ = CallRecord{};
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
}

}  // namespace kovra::relay
