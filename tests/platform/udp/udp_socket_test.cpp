// The UDP facility on the loopback: binding, both address families, errors.
#include "platform/udp/udp_socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/log.h"
#include "platform/udp/host_info.h"

namespace kovra::udp {
namespace {

struct Inbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> datagrams;

    UdpListener::PlainHandler handler() {
        return [this](std::string_view d) {
            {
                const std::lock_guard lock(mutex);
                datagrams.emplace_back(d);
            }
            arrived.notify_all();
        };
    }
    std::vector<std::string> waitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(5), [&] { return datagrams.size() >= count; });
        return datagrams;
    }
};

TEST(UdpListener, DeliversOnBothFamiliesFromTheBoundPortWithTheSender) {
    Inbox a;
    std::mutex mutex;
    std::vector<Origin> origins;
    UdpListener first(0, a.handler());
    Inbox b;
    const auto inner = b.handler();
    UdpListener second(0, [&](std::string_view d, const Origin& from) {
        {
            const std::lock_guard lock(mutex);
            origins.push_back(from);
        }
        inner(d);
    });
    ASSERT_NE(first.port(), 0);
    const std::string payload("x\0y", 3);
    first.sendTo("127.0.0.1", second.port(), payload);
    std::size_t expected = 1;
    if (first.hasIPv6() && second.hasIPv6()) {
        first.sendTo("::1", second.port(), "six");
        ++expected;
    }
    auto got = b.waitFor(expected);
    ASSERT_EQ(got.size(), expected);
    // Each family has its own receiving thread: arrival order across them is open.
    EXPECT_NE(std::find(got.begin(), got.end(), payload), got.end());
    const std::lock_guard lock(mutex);
    for (const Origin& from : origins) {
        EXPECT_EQ(from.port, first.port());
        EXPECT_TRUE(from.address == "127.0.0.1" || from.address == "::1") << from.address;
    }
}

TEST(UdpListener, SendsToNumericAddressesOnly) {
    Inbox inbox;
    UdpListener socket(0, inbox.handler());
    // A name is never resolved here: a resolver that does not answer would hold the sender.
    EXPECT_THROW(socket.sendTo("localhost", socket.port(), "x"), UdpError);
    EXPECT_THROW(socket.sendTo("", socket.port(), "x"), UdpError);
    EXPECT_EQ(canonicalAddress("::ffff:10.0.0.5"), "10.0.0.5");
    EXPECT_EQ(canonicalAddress("10.0.0.5"), "10.0.0.5");
    EXPECT_EQ(canonicalAddress("deadhost"), "");
}

TEST(UdpListener, ReportsWhatFailed) {
    Inbox inbox;
    UdpListener holder(0, inbox.handler());
    try {
        UdpListener clash(holder.port(), inbox.handler());
        FAIL() << "bound a port in use";
    } catch (const UdpError& e) {
        EXPECT_NE(std::string(e.what()).find(std::to_string(holder.port())), std::string::npos);
    }
    EXPECT_THROW(holder.sendTo("127.0.0.1", 0, "x"), UdpError);
    EXPECT_THROW(holder.sendTo("127.0.0.1", 70000, "x"), UdpError);
}

TEST(Log, ControlCharactersAreEscaped) {
    // A newline from the network must not start a log line of its own.
    EXPECT_EQ(escapeControl("a\n[GLOBAL]\x01\x7f"), "a\\x0A[GLOBAL]\\x01\\x7F");
}

TEST(HostInfo, LoopbackRouteAndProgramName) {
    EXPECT_EQ(localAddressFor("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(currentProgramFileName(), "platform_udp_tests");
}

}  // namespace
}  // namespace kovra::udp
