// libFuzzer target for the relay's receive path: normalisation, the handshake parser and
// the event-message parser in both roles, with a call record carried across messages the
// way an endpoint carries it; the endpoint's bounded two-lane queue fed by the messages;
// the destination-list entry check. Also checks the sending side's invariants on the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "relay/control/list_entry.h"
#include "relay/inbound_queue.h"
#include "relay/receive_parser.h"
#include "relay/wire_format.h"
#include "relay/wire_text.h"

namespace {

using namespace kovra::relay;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Several datagrams in one input, split at newlines, share one call record.
    CallRecord record;
    InboundQueue queue(InboundQueue::Limits{16, 2, 4});
    std::size_t start = 0;
    while (start <= bytes.size()) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        const std::string text = receivedText(bytes.substr(start, end - start));
        check(text.size() <= wire::kReceiveCut);
        if (!text.empty() && text.front() == wire::kHandshakeStart) {
            const HandshakeInfo info = parseHandshake(text, {"127.0.0.1", 3821, false});
            check(info.address.size() <= text.size() + 9);
        } else if (!text.empty()) {
            for (const bool host : {false, true}) {
                const int line = 1 + static_cast<int>(text.size() % 12);
                const ParseResult r =
                    parseEventMessage(text, ParseContext{line, host, true, "127.0.0.1", 3821},
                                      record, "kovra-plugin");
                check(static_cast<int>(r.kind) >= 0 && static_cast<int>(r.kind) <= 18);
                check(r.pendingText.size() <= wire::kReceiveCut);
                for (std::size_t i = 0; i < wire::kCallRecordFieldCount; ++i) {
                    check(record[i].size() <= wire::kCallRecordFields[i].keep ||
                          i == kCallRecordStatus);
                }
                // The sender's address comes from the first byte: a handful of senders.
                InboundEvent event;
                event.kind = r.kind;
                event.fromAddress =
                    "10.0.0." + std::to_string(static_cast<unsigned char>(text.front()) % 6);
                event.fromHost = static_cast<unsigned char>(text.front()) % 6 == 0;
                queue.push(std::move(event));
            }
        }
        // Whatever the request, an accepted entry is exactly an address and a port.
        const std::string_view request = bytes.substr(start, end - start);
        if (const auto entry = control::parseListEntry(request)) {
            check(entry->text() == request);
            check(entry->port >= 1 && entry->port <= 65535);
        }
        start = end + 1;
    }
    // Each tick serves one of the host's and one other sender's; all is served in time.
    std::size_t served = 0;
    while (!queue.empty()) {
        served += queue.popHost().has_value() + queue.popOther().has_value();
        check(served <= 16 + 2 * 4);
    }

    const std::string datagram = buildEventDatagram(bytes);
    check(datagram.size() >= wire::kMinLength);
    for (const char c : datagram) {
        check(static_cast<unsigned char>(c) < 128);
    }
    return 0;
}
