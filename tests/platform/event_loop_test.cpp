#include <gtest/gtest.h>

#include <atomic>
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

TEST(Timer, EnableRestartsTheCountAndIntervalChangeApplies) {
    SimulatedEventLoop loop;
    const TimePoint t0 = loop.now();
    std::vector<Millis> ticks;
    Timer timer(loop, 1000ms,
                [&] { ticks.push_back(std::chrono::duration_cast<Millis>(loop.now() - t0)); });
    timer.setEnabled(true);
    loop.advance(600ms);
    timer.setEnabled(true);  // restarts: next tick 1000 ms after 600 ms
    loop.advance(1000ms);
    timer.setInterval(200ms);
    loop.advance(400ms);
    timer.setEnabled(false);
    loop.advance(5s);
    EXPECT_EQ(ticks, (std::vector<Millis>{1600ms, 1800ms, 2000ms}));
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
