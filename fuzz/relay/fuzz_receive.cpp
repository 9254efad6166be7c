// libFuzzer target for the relay's receive path: normalisation, the handshake parser and
// the event-message parser in both roles, with a call record carried across messages the
// way an endpoint carries it. Also checks the sending side's invariants on the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

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
            }
        }
        start = end + 1;
    }

    const std::string datagram = buildEventDatagram(bytes);
    check(datagram.size() >= wire::kMinLength);
    for (const char c : datagram) {
        check(static_cast<unsigned char>(c) < 128);
    }
    return 0;
}
