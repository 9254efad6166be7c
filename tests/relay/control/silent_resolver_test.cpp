// Host names against a resolver that never answers, in a network namespace this test
// makes (nothing leaves it, and no query reaches a real resolver): a name from the network
// is never looked up, a configured name is looked up in the background, and neither holds
// the loop thread. The outer test re-runs this binary inside the namespace.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "relay_control_fixture.h"

namespace kovra::relay::control {
namespace {

using namespace testing;

constexpr const char* kInsideVariable = "KOVRA_INSIDE_TEST_NAMESPACE";

bool insideNamespace() {
    return std::getenv(kInsideVariable) != nullptr;
}

// Runs command with sh; its exit status, or -1.
int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SilentResolverNamespace, RunsTheNameTestsInANamespaceOfTheirOwn) {
    if (insideNamespace()) {
        GTEST_SKIP() << "this is the run inside the namespace";
    }
    if (run("unshare --net --mount true 2>/dev/null") != 0) {
        GTEST_SKIP() << "network namespaces are not available to this user";
    }
    TempFolder folder;
    const fs::path conf = folder.path() / "resolv.conf";
    // One resolver, on this namespace's loopback, that takes a query and never answers:
    // a blocking look-up would wait the whole time-out (20 s).
    std::ofstream(conf) << "nameserver 127.0.0.1\noptions timeout:20 attempts:1\n";
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string inner = "ip link set lo up && mount --bind '" + conf.string() +
                              "' /etc/resolv.conf && " + kInsideVariable + "=1 exec '" + self +
                              "' --gtest_filter='SilentResolver.*'";
    EXPECT_EQ(run("unshare --net --mount --propagation private sh -c \"" + inner + "\""), 0);
}

// The resolver that never answers: records the names asked for.
class SilentDns {
  public:
    SilentDns()
        : socket_(
              53, [this](std::string_view d) { record(d); }, "127.0.0.1") {}

    bool asked(const std::string& name) {
        const std::lock_guard lock(mutex_);
        return names_.find(name + ";") != std::string::npos;
    }

  private:
    // The question's name: length-prefixed labels after the 12-byte header.
    void record(std::string_view query) {
        std::string name;
        for (std::size_t at = 12; at < query.size() && query[at] != 0;) {
            const auto length = static_cast<unsigned char>(query[at]);
            if (!name.empty()) {
                name += '.';
            }
            name += query.substr(at + 1, length);
            at += length + 1;
        }
        const std::lock_guard lock(mutex_);
        names_ += name + ";";
    }

    std::mutex mutex_;
    std::string names_;
    udp::UdpListener socket_;
};

class SilentResolver : public RelayControlTest {
  protected:
    void SetUp() override {
        if (!insideNamespace()) {
            GTEST_SKIP() << "runs inside the namespace the outer test makes";
        }
        dns = std::make_unique<SilentDns>();
    }
    std::unique_ptr<SilentDns> dns;
};

TEST_F(SilentResolver, NamesNeverHoldTheLoopThread) {
    make(1);
    Peer hostPeer, other("127.0.0.3");
    relayOn(1, hostPeer);
    const auto start = std::chrono::steady_clock::now();

    // Names from the network, from the host and from anyone else.
    // The insertion requests come last from each sender: once both are handed over,
    // everything before them has been handled.
    const int port = endpointPort(1);
    hostPeer.send(port, "L1_HANDSHAKE_Inethost.testP39171");
    hostPeer.sendRaw(port, "Inethost.testP39171VZF@KKKK");
    hostPeer.send(port, "L1_INSERT_IP->nethost.test:39171");
    other.send(port, "L1_INSERT_IP->nethost.test:39171");
    ASSERT_TRUE(pumpUntil(loop, [&] { return handled >= 2; }));
    pumpFor(loop, Millis(300));

    // A name the administrator put on the list.
    ASSERT_FALSE(files.ip().writeBool("LISTAGEM_IP_LINHA_1", "confighost.test:39171", true));
    ctl->SendDataIP(1, "L1_RING_COUNT->1");
    pumpFor(loop, Millis(300));
    ctl->SendDataIP(1, "L1_RING_COUNT->2");
    EXPECT_EQ(hostPeer.waitFor(2),
              (std::vector<std::string>{"L1_RING_COUNT->1", "L1_RING_COUNT->2"}));

    // A hang guard, not a speed figure: a look-up on this thread would take the
    // resolver's whole time-out of 20 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(files.ip().keyExists("LISTAGEM_IP_LINHA_1", "nethost.test:39171"));
    EXPECT_EQ(ctl->endpoint(1).a3Remote_IP(), "127.0.0.1");
    const auto limit = std::chrono::steady_clock::now() + kWaitLimit;
    while (!dns->asked("confighost.test") && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(dns->asked("confighost.test"));  // looked up, in the background
    EXPECT_FALSE(dns->asked("nethost.test"));    // never looked up
}

}  // namespace
}  // namespace kovra::relay::control
