// The UDP facility on the loopback: binding, both address families, errors.
#include "platform/udp/udp_socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/udp/host_info.h"

namespace kovra::udp {
namespace {

struct Inbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> datagrams;

    UdpListener::Handler handler() {
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

TEST(UdpListener, DeliversOnBothFamiliesFromTheBoundPort) {
    Inbox a;
    Inbox b;
    UdpListener first(0, a.handler());
    UdpListener second(0, b.handler());
    ASSERT_NE(first.port(), 0);
    const std::string payload("x\0y", 3);
    first.sendTo("127.0.0.1", second.port(), payload);
    first.sendTo("localhost", second.port(), "named");
    std::size_t expected = 2;
    if (first.hasIPv6() && second.hasIPv6()) {
        first.sendTo("::1", second.port(), "six");
        ++expected;
    }
    auto got = b.waitFor(expected);
    ASSERT_EQ(got.size(), expected);
    // Each family has its own receiving thread: arrival order across them is open.
    EXPECT_NE(std::find(got.begin(), got.end(), payload), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), "named"), got.end());
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

TEST(HostInfo, LoopbackRouteAndProgramName) {
    EXPECT_EQ(localAddressFor("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(currentProgramFileName(), "platform_udp_tests");
}

}  // namespace
}  // namespace kovra::udp
