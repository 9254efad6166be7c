#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt_event_loop.h"
#include "platform/simulated_event_loop.h"
#include "platform/timer.h"

namespace kovra {
namespace {

using namespace std::chrono_literals;

TEST(SimulatedEventLoop, TimersFireAtTheirTimesInOrder) {
    SimulatedEventLoop loop;
    const TimePoint t0 = loop.now();
    std::vector<std::pair<std::string, Millis>> fired;
    auto at = [&](std::string name) {
        return [&, name] {
            fired.emplace_back(name, std::chrono::duration_cast<Millis>(loop.now() - t0));
        };
    };
    loop.startTimer(1000ms, at("second"), true);
    loop.startTimer(500ms, at("start"), false);
    loop.startTimer(5ms, at("dispatch"), false);

    loop.advance(2100ms);

    const std::vector<std::pair<std::string, Millis>> expected = {
        {"dispatch", 5ms}, {"start", 500ms}, {"second", 1000ms}, {"second", 2000ms}};
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(loop.now() - t0, 2100ms);
}

TEST(SimulatedEventLoop, TimerStoppedInsideItsHandlerNeverFiresAgain) {
    SimulatedEventLoop loop;
    int count = 0;
    EventLoop::TimerId id = 0;
    id = loop.startTimer(
        100ms,
        [&] {
            ++count;
            loop.stopTimer(id);
        },
        true);
    loop.advance(1s);
    EXPECT_EQ(count, 1);
}

TEST(SimulatedEventLoop, PostsFromOtherThreadsRunOnTheLoopBeforeTimeMoves) {
    SimulatedEventLoop loop;
    std::vector<int> order;
    std::thread worker([&] { loop.post([&] { order.push_back(1); }); });
    worker.join();
    loop.startTimer(
        10ms, [&] { order.push_back(2); }, false);
    loop.advance(10ms);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(SimulatedEventLoop, RunReturnsQuitCodeGivenFromAnotherThread) {
    SimulatedEventLoop loop;
    std::atomic<int> ran{0};
    std::thread worker([&] {
        loop.post([&] { ++ran; });
        loop.quit(7);
    });
    const int code = loop.run();
    worker.join();
    EXPECT_EQ(code, 7);
}

// Window semantics: enabling a running timer keeps its count (a caller that enables it on
// every event still gets its ticks), off then on starts a new count, and only a new
// interval restarts a running one.
TEST(Timer, EnablingARunningTimerKeepsItsCountAndANewIntervalRestartsIt) {
    SimulatedEventLoop loop;
    const TimePoint t0 = loop.now();
    std::vector<Millis> ticks;
    Timer timer(loop, 1000ms,
                [&] { ticks.push_back(std::chrono::duration_cast<Millis>(loop.now() - t0)); });
    timer.setEnabled(true);
    for (int i = 0; i < 12; ++i) {  // enabled again every 125 ms, as speech reports do
        loop.advance(125ms);
        timer.setEnabled(true);
    }
    EXPECT_EQ(ticks, (std::vector<Millis>{1000ms}));
    timer.setInterval(1000ms);  // the same interval: nothing changes
    loop.advance(500ms);        // at 2000 ms
    EXPECT_EQ(ticks, (std::vector<Millis>{1000ms, 2000ms}));
    timer.setEnabled(false);
    timer.setEnabled(true);  // off then on: counts from 2000 ms
    loop.advance(1100ms);
    timer.setInterval(200ms);  // restarts at 3100 ms
    loop.advance(400ms);
    timer.setEnabled(false);
    loop.advance(5s);
    EXPECT_EQ(ticks, (std::vector<Millis>{1000ms, 2000ms, 3000ms, 3300ms, 3500ms}));
}

// runPending() runs what was queued when it was called: a task that another thread posts
// meanwhile waits for the next call, so a thread that keeps posting cannot hold the caller.
// A task's own follow-up posts still run in the same call.
TEST(SimulatedEventLoop, RunPendingRunsWhatWasQueuedAndTheTasksOwnChains) {
    SimulatedEventLoop loop;
    int relayed = 0;
    std::function<void()> relay = [&] {
        ++relayed;
        std::thread([&] { loop.post(relay); }).join();
    };
    loop.post(relay);
    EXPECT_EQ(loop.runPending(), 1U);
    EXPECT_EQ(loop.runPending(), 1U);
    EXPECT_EQ(relayed, 2);

    int chained = 0;
    SimulatedEventLoop quiet;
    quiet.post([&] { quiet.post([&] { ++chained; }); });
    EXPECT_EQ(quiet.runPending(), 2U);
    EXPECT_EQ(chained, 1);
}

TEST(QtEventLoop, RunsPostsFromThreadsAndBothTimerKinds) {
    QtEventLoop loop;
    int repeats = 0;
    bool single = false;
    std::atomic<bool> posted{false};
    EventLoop::TimerId repeating = 0;
    repeating = loop.startTimer(
        5ms,
        [&] {
            if (++repeats == 3) {
                loop.stopTimer(repeating);
            }
        },
        true);
    loop.singleShot(20ms, [&] { single = true; });
    std::thread worker([&] { loop.post([&] { posted = true; }); });
    loop.singleShot(100ms, [&] { loop.quit(3); });
    const int code = loop.run();
    worker.join();
    EXPECT_EQ(code, 3);
    EXPECT_EQ(repeats, 3);
    EXPECT_TRUE(single);
    EXPECT_TRUE(posted);
}

}  // namespace
}  // namespace kovra

namespace kovra {
namespace {

TEST(EventLoopErrorHook, EscapedErrorsAreReportedAndTheLoopCarriesOn) {
    SimulatedEventLoop loop;
    std::vector<std::string> reported;
    loop.setErrorHandler([&](const std::exception& e) { reported.emplace_back(e.what()); });
    bool laterRan = false;
    loop.post([] { throw std::runtime_error("disco cheio"); });
    loop.post([&] { laterRan = true; });
    loop.startTimer(
        std::chrono::milliseconds(10), [] { throw std::logic_error("timer"); }, false);
    loop.advance(std::chrono::milliseconds(20));
    EXPECT_EQ(reported, (std::vector<std::string>{"disco cheio", "timer"}));
    EXPECT_TRUE(laterRan);
}

TEST(EventLoopErrorHook, MemoryExhaustionIsNeverHidden) {
    SimulatedEventLoop loop;
    loop.setErrorHandler([](const std::exception&) {});
    loop.post([] { throw std::bad_alloc(); });
    EXPECT_THROW(loop.runPending(), std::bad_alloc);
}

}  // namespace
}  // namespace kovra
