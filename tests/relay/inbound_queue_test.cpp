// The endpoint's two-lane queue: the host's events first and all kept; each other sender
// a few places, senders served in turn.
#include "relay/inbound_queue.h"

#include <gtest/gtest.h>

namespace kovra::relay {
namespace {

InboundEvent from(const std::string& address, bool host, const std::string& text) {
    InboundEvent event;
    event.kind = EventKind::AllEvents;
    event.fromAddress = address;
    event.fromHost = host;
    event.text = text;
    return event;
}

TEST(InboundQueue, HostLaneIsApartAndOthersAreBoundedAndTakeTurns) {
    InboundQueue queue(InboundQueue::Limits{8, 2, 2});
    for (int i = 0; i < 100; ++i) {
        queue.push(from("10.0.0.9", false, "flood" + std::to_string(i)));
    }
    EXPECT_TRUE(queue.push(from("10.0.0.8", false, "b1")));
    EXPECT_FALSE(queue.push(from("10.0.0.7", false, "c1")));  // two senders wait already
    EXPECT_EQ(queue.takeDropped(), 99u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(queue.push(from("127.0.0.1", true, "host" + std::to_string(i))));
    }
    EXPECT_FALSE(queue.push(from("127.0.0.1", true, "host8")));

    EXPECT_EQ(queue.popHost()->text, "host0");
    std::vector<std::string> others;
    while (auto event = queue.popOther()) {
        others.push_back(event->text);
    }
    EXPECT_EQ(others, (std::vector<std::string>{"b1", "flood0", "flood1"}));
    for (int i = 1; i < 8; ++i) {
        EXPECT_EQ(queue.popHost()->text, "host" + std::to_string(i));
    }
    EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace kovra::relay
