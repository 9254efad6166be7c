// kovra-listen as a user runs it: the built binary joins a real source endpoint on
// 127.0.0.1, prints its events through a pipe, answers a ping, closes on SIGTERM.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "event_log.h"
#include "relay/kovra_repeater.h"
#include "relay_test_support.h"

namespace kovra::relay {
namespace {

using test::EventLog;
using test::pumpUntil;

const std::string kListen = KOVRA_BINARY_DIR "/tools/kovra-listen/kovra-listen";

// The program with its standard output and error on pipes.
class Child {
  public:
    explicit Child(std::vector<std::string> args) : err_(std::tmpfile()) {
        int out[2];
        if (err_ == nullptr || pipe(out) != 0) {
            throw std::runtime_error("cannot set up the child's output");
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            // A file, not a pipe: the child never blocks on diagnostics nobody reads yet.
            dup2(fileno(err_), STDERR_FILENO);
            close(out[0]);
            std::vector<char*> argv{const_cast<char*>(kListen.c_str())};
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            execv(kListen.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        std::fclose(err_);
    }

    // The next line of standard output, or nothing after five seconds.
    std::optional<std::string> readLine() {
        const auto limit = std::chrono::steady_clock::now() + test::kWaitLimit;
        for (;;) {
            const auto newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                limit - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            char chunk[512];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) {
                return std::nullopt;
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Reads lines until one equals wanted.
    bool expectLine(const std::string& wanted) {
        while (auto line = readLine()) {
            if (*line == wanted) {
                return true;
            }
        }
        return false;
    }

    // Sends sig (0: none) and returns the exit status, -1 if it did not exit normally.
    int finish(int sig) {
        if (sig != 0) {
            kill(pid_, sig);
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string errorText() {
        std::string text;
        char chunk[512];
        std::rewind(err_);
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, err_)) > 0) {
            text.append(chunk, n);
        }
        return text;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::FILE* err_;
    std::string buffer_;
};

TEST(KovraListen, JoinsPrintsAnswersAndCloses) {
    SimulatedEventLoop loop;
    TKovraRepeaterXE source(loop);
    source.setA9HostKovra(true);
    source.setA6Local_IP("127.0.0.1");
    EventLog log;
    log.attach(source);
    source.a7OnAllEvents = [&](TKovraRepeaterXE& s, const std::string& text) {
        log.add("text|" + text);
        if (text.rfind("L3_INSERT_IP->", 0) == 0) {
            s.SendData("L3_KOVRA_CONNECTED_WITH_SUCESS->");
        }
    };
    source.OpenPort();
    const std::string port = std::to_string(source.boundPort());

    Child listen({"--source", "127.0.0.1:" + port, "--line", "3", "--json"});
    ASSERT_TRUE(listen.expectLine(R"({"event":"text","text":"L3_AWAITING_FOR_KOVRA"})"));
    ASSERT_TRUE(pumpUntil(loop, [&] { return source.connected(); }));
    // Its first announcement comes a second later and is confirmed.
    ASSERT_TRUE(pumpUntil(loop, [&] { return log.has("text|L3_APP_PLUGED->kovra-listen"); }));
    ASSERT_TRUE(
        pumpUntil(loop, [&] { return log.entries.back().rfind("text|L3_INSERT_IP->", 0) == 0; }));
    ASSERT_TRUE(listen.expectLine(R"({"event":"text","text":"L3_KOVRA_CONNECTED_WITH_SUCESS->"})"));

    source.SendData("L3_RING_COUNT->2");
    EXPECT_TRUE(listen.expectLine(R"({"event":"ring","line":"3","count":2})"));
    EXPECT_TRUE(listen.expectLine(R"({"event":"status","line":"3","status":"RING_COUNT"})"));
    source.SendData("L3_NUMBER_FORMAT_FSK->1(19)2345-6789");
    EXPECT_TRUE(listen.expectLine(
        R"({"event":"format_phone","line":"3","phone":"1(19)2345-6789","dtmf":false,"fsk":true})"));

    source.SendData("L3_PING:127.0.0.1P" + port);
    EXPECT_TRUE(pumpUntil(loop, [&] {
        for (const auto& e : log.entries) {
            if (e.rfind("text|L3_IP_127.0.0.1_PR_", 0) == 0) {
                return true;
            }
        }
        return false;
    }));

    EXPECT_EQ(listen.finish(SIGTERM), 0);
    EXPECT_TRUE(pumpUntil(loop, [&] { return !source.connected(); }));
}

TEST(KovraListen, PlainOutputIsTabSeparated) {
    SimulatedEventLoop loop;
    TKovraRepeaterXE source(loop);
    source.setA9HostKovra(true);
    source.OpenPort();
    Child listen({"--source", "127.0.0.1:" + std::to_string(source.boundPort())});
    ASSERT_TRUE(listen.expectLine("text\ttext=L1_AWAITING_FOR_KOVRA"));
    ASSERT_TRUE(pumpUntil(loop, [&] { return source.connected(); }));
    source.SendData("L1_DMTFKEY->7");
    EXPECT_TRUE(listen.expectLine("key\tline=1\tkey=7"));
    EXPECT_EQ(listen.finish(SIGINT), 0);
}

TEST(KovraListen, BadArgumentsExitWithUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--source", "127.0.0.1"},
        {"--source", "127.0.0.1:0"},
        {"--source", "127.0.0.1:99999"},
        {"--source", "127.0.0.1:5", "--line", "0"},
        {"--source", "127.0.0.1:5", "--local-port", "x"},
        {"--source", "127.0.0.1:5", "--bogus"},
    };
    for (const auto& args : cases) {
        Child listen(args);
        EXPECT_EQ(listen.finish(0), 2) << ::testing::PrintToString(args);
        EXPECT_NE(listen.errorText().find("Usage:"), std::string::npos);
    }
}

}  // namespace
}  // namespace kovra::relay
