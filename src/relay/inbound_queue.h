// Typed events of an endpoint waiting for the loop thread, in two lanes so that no other
// sender can delay the host: the host's lane, in arrival order, and the other senders'
// lane, where each sender holds a few places at most and senders are served in turn.
// Not thread-safe: the endpoint guards it.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>

#include "relay/receive_parser.h"

namespace kovra::relay {

// One received event, with everything the dispatcher raises taken when it was parsed.
struct InboundEvent {
    EventKind kind = EventKind::None;
    std::string line;
    std::string text;
    std::string extra;
    CallRecord record;        // CallRecord: the completed record
    std::string remoteIp;     // HandShake: the remote it set
    int remotePort = 0;       // HandShake
    std::string fromAddress;  // the sender's numeric address and port
    int fromPort = 0;
    bool fromHost = true;
    bool listenerClosed = false;  // a sender other than the host sent a close
};

class InboundQueue {
  public:
    struct Limits {
        std::size_t host = 4096;    // the host's events waiting
        std::size_t perSender = 4;  // each other sender's events waiting
        std::size_t senders = 64;   // other senders with events waiting
    };

    InboundQueue() = default;
    explicit InboundQueue(Limits limits) : limits_(limits) {}

    // Queues event in its lane; false (and counted) when the lane or the sender is full.
    bool push(InboundEvent event);
    // The host's next event.
    std::optional<InboundEvent> popHost();
    // The next other sender's first event; senders take turns.
    std::optional<InboundEvent> popOther();
    bool empty() const { return host_.empty() && others_.empty(); }
    // Events refused since the last call (for one log line per episode).
    std::size_t takeDropped();

  private:
    Limits limits_;
    std::deque<InboundEvent> host_;
    std::map<std::string, std::deque<InboundEvent>> others_;  // by sender address
    std::string lastServed_;
    std::size_t dropped_ = 0;
};

}  // namespace kovra::relay
