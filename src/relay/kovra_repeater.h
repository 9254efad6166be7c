// TKovraRepeaterXE: one line's relay endpoint. Owns a UDP port (listener threads per
// address family), the announce and dispatch timers and the connection state; sends
// event messages, handshake and close datagrams and turns received datagrams into typed
// events raised on the EventLoop thread.
//
// Threads: construct, destroy and call every public member on the loop thread. Assign
// the event handlers before the port is opened (a5Local_Port / OpenPort); listener
// threads read them. Datagrams are parsed on the listener threads, one at a time, which
// never wait: typed events queue (InboundQueue) until the 5 ms DispatchTimer raises them,
// one of the host's and one of another sender's per tick. No name is resolved while the
// endpoint's lock is held; configured names are resolved in the background (NameCache).
//
// Who counts as the host is the endpoint's HostRule. A datagram from another sender moves
// nothing: no remote, no connection state, no reply, no call record; its text is only
// reported (OnTextFrom), and its close as OnListenerClosed.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_loop.h"
#include "platform/timer.h"
#include "platform/udp/name_cache.h"
#include "platform/udp/udp_socket.h"
#include "relay/inbound_queue.h"
#include "relay/receive_parser.h"
#include "relay/relay_error.h"

namespace kovra::relay {

// A complete call record as the a0OnDataFriends event hands it over.
struct DataFriends {
    std::string filter, line, date, opr, ddd, phone, name, city, country, timeInit, status;
};

// Which senders the endpoint takes for its host: the host may command, move the remote
// and close the link; every other sender may only be reported.
struct HostRule {
    bool anyone = true;        // every sender (the subscriber tool's rule, and the open mode)
    bool thisMachine = false;  // any address of this machine
    std::string address;       // otherwise: the host's configured address (numeric or a name)
};

// Who sent a reported text.
struct TextOrigin {
    std::string address;  // numeric
    int port = 0;
    bool host = true;  // the endpoint's HostRule takes the sender for its host
};

class TKovraRepeaterXE {
  public:
    explicit TKovraRepeaterXE(EventLoop& loop);
    // Stops calling (a close datagram goes out when connected) and closes the port.
    ~TKovraRepeaterXE();
    TKovraRepeaterXE(const TKovraRepeaterXE&) = delete;
    TKovraRepeaterXE& operator=(const TKovraRepeaterXE&) = delete;

    // Published properties ------------------------------------------------------------

    int a0NumberLine() const;
    // 0 or less becomes 1, above 10 becomes 12.
    void setA0NumberLine(int line);
    std::string a1DDDLocal() const;
    void setA1DDDLocal(std::string value);
    std::string a2PlugInPath() const;
    void setA2PlugInPath(std::string value);
    std::string a3Remote_IP() const;
    void setA3Remote_IP(std::string address);
    int a4Remote_Port() const;
    void setA4Remote_Port(int port);
    int a5Local_Port() const;
    // A different value closes the port (OnClosePort), binds the new one on every local
    // address (0: a free port the system chooses) and raises OnOpenPort. A port that
    // cannot be bound is logged and leaves the endpoint silent, without OnOpenPort.
    void setA5Local_Port(int port);
    std::string a6Local_IP() const;
    void setA6Local_IP(std::string address);
    bool a7Calling() const;
    // True while not connected: sends the handshake datagram, becomes connected.
    // False: when connected, disconnects and sends the close datagram.
    void setA7Calling(bool calling);
    bool a8InternetAccess() const;
    void setA8InternetAccess(bool value);
    bool a9HostKovra() const;
    // Role: true source, false subscriber.
    void setA9HostKovra(bool host);

    // Operations ----------------------------------------------------------------------

    // Sends one event message to a3Remote_IP:a4Remote_Port; nothing when not connected
    // or not listening. Throws RelayError (3820) when the send fails.
    void SendData(std::string_view text);
    // Takes "address[:port]" as the remote; in the subscriber role asks to be inserted
    // on that line; starts calling. Returns a7Calling, false on any error.
    bool ConnectTo(std::string_view target, int line);
    void SetConnected(bool connected);
    // a6Local_IP := the first local address, "127.0.0.1" when there is none.
    void RefreshLocalIP();

    // Additions of this platform ----------------------------------------------------------

    // Binds a5Local_Port again even when unchanged (a new endpoint on port 0 starts
    // listening on a free port this way); events as for a change of a5Local_Port.
    void OpenPort();
    // The port actually listening (the system's choice behind a5Local_Port 0), 0 when
    // not listening. Texts the endpoint builds announce this port.
    int boundPort() const;
    bool listening() const;
    bool connected() const;
    bool awaiting() const;
    // The control: enabled state and the text (number of the last complete call record).
    bool enabled() const;
    std::string text() const;
    // The running program's file name sent in "_APP_PLUGED->" texts.
    void setProgramFileName(std::string name);
    // Which senders count as the host (default: anyone).
    void setHostRule(HostRule rule);
    HostRule hostRule() const;
    // How log lines name the endpoint ("line 3"); default "line " + a0NumberLine.
    void setLogName(std::string name);
    // Sends one event message to address:port alone (a numeric address), under the same
    // conditions as SendData. Throws RelayError (3820) when the send fails.
    void SendDataTo(const std::string& address, int port, std::string_view text);

    // Events (raised on the loop thread) --------------------------------------------------

    using Sender = TKovraRepeaterXE&;
    std::function<void(Sender, const DataFriends&)> a0OnDataFriends;
    std::function<void(Sender, const std::string& remoteIp, const std::string& remotePort)>
        a1OnHandShake;
    std::function<void(Sender, const std::string& line, const std::string& tipo,
                       const std::string& ddd, const std::string& phone)>
        a2DetectPhone;
    std::function<void(Sender, const std::string& line, const std::string& phoneFormat, bool dtmf,
                       bool fsk)>
        a3OnFormatPhone;
    std::function<void(Sender, const std::string& line, const std::string& key)> a4OnKeyEvent;
    std::function<void(Sender, const std::string& line, const std::string& fileName,
                       const std::string& duration)>
        a5OnFileRec;
    std::function<void(Sender, const std::string& line, int ringCount)> a6OnRing;
    std::function<void(Sender, const std::string& texto)> a7OnAllEvents;
    std::function<void(Sender, const std::string& line, const std::string& status)> a8OnStatusEvent;
    std::function<void(Sender, const std::string& line, const std::string& indexPhone)>
        a9OnIndexPhone;
    std::function<void(Sender, int portLocal)> OnOpenPort;
    std::function<void(Sender, int portLocal)> OnClosePort;
    // The control's text changed (a call record completed).
    std::function<void(Sender)> OnChange;
    // Every reported text with its sender (raised together with a7OnAllEvents).
    std::function<void(Sender, const std::string& texto, const TextOrigin& from)> OnTextFrom;
    // A sender other than the host sent a close ("~" or "|"): it leaves; the endpoint's
    // link is untouched.
    std::function<void(Sender, const TextOrigin& from)> OnListenerClosed;

    // Fuzzing and tests: one datagram from `from` through the receive path, as a listener
    // thread hands it over (it never waits); the dispatch timer raises its events.
    void receiveNow(std::string_view datagram, const udp::Origin& from);

  private:
    void reopen(int port);
    void onDatagram(std::string_view datagram, const udp::Origin& from);
    bool isHost(const udp::Origin& from);
    void handleEventMessage(std::string_view text, const udp::Origin& from, bool fromHost);
    void queue(InboundEvent event);
    void announceTick();
    void dispatch();
    void raise(const InboundEvent& event);
    std::string logName() const;
    // The following need mutex_ held.
    void setCallingLocked(bool calling);
    void sendDataLocked(std::string_view text);
    void sendRawLocked(std::string_view bytes, const char* what);
    // The remote as a numeric address: an empty remote is this machine over IPv4; a name
    // gives nothing until the name cache has its answer.
    std::optional<std::string> remoteAddressLocked();
    int advertisedPortLocked() const;
    std::string linePrefixLocked() const;

    EventLoop& loop_;
    // Posted tasks check this before touching the endpoint (it dies on the loop thread).
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::shared_ptr<udp::NameCache> names_ = std::make_shared<udp::NameCache>();

    mutable std::mutex mutex_;  // everything below; never held while raising events
    int numberLine_ = 1;
    std::string dddLocal_;
    std::string plugInPath_;
    std::string remoteIp_ = "127.0.0.1";
    int remotePort_ = 0;
    int localPort_ = 0;
    std::string localIp_;
    bool calling_ = false;
    bool internetAccess_ = false;
    bool host_ = false;
    bool connected_ = false;
    bool awaiting_ = false;
    int announceCount_ = 0;
    bool peerFlag_ = false;
    bool enabled_ = false;
    std::string controlText_;
    std::string programFileName_;
    std::string logName_;
    std::string unresolvedLogged_;  // the remote name last logged as not resolved
    HostRule hostRule_;
    CallRecord callRecord_;
    InboundQueue inbound_;
    bool dispatchArmed_ = false;  // a dispatch tick is coming for the queued events
    std::unique_ptr<udp::UdpListener> listener_;

    std::mutex parseMutex_;  // one datagram at a time across the address families

    std::mutex localMutex_;  // this machine's addresses, looked up at most once a second
    std::vector<std::string> localAddresses_;
    std::chrono::steady_clock::time_point localAddressesAt_{};

    Timer announceTimer_;
    Timer dispatchTimer_;
};

}  // namespace kovra::relay
