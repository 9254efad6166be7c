// An EventLoop whose clock moves only when told (tests, and file input in fast mode).
// post() and quit() are thread-safe; advance()/runPending()/run() belong to one thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/event_loop.h"

namespace kovra {

class SimulatedEventLoop final : public EventLoop {
  public:
    // The clock starts at start (by default 2026-01-01 00:00:00 UTC, a fixed point so
    // runs repeat exactly).
    explicit SimulatedEventLoop(TimePoint start = defaultStart());

    static TimePoint defaultStart();

    void post(Task fn) override;
    TimerId startTimer(Millis interval, Task fn, bool repeating) override;
    void stopTimer(TimerId id) override;
    TimePoint now() const override { return now_; }
    int run() override;
    void quit(int code) override;

    // Moves the clock forward by d, firing every timer due on the way in time order,
    // and running posted tasks before each timer and at the end.
    void advance(Millis d);
    void advanceTo(TimePoint t);
    // Runs the tasks posted so far (and any they post); tasks other threads post meanwhile
    // wait for the next call. Returns how many ran.
    std::size_t runPending();
    bool quitRequested() const;

  private:
    struct TimerEntry {
        Millis interval;
        Task fn;
        bool repeating;
    };

    std::size_t takeAndRun();

    TimePoint now_;
    TimerId nextId_ = 1;
    std::map<TimerId, TimerEntry> timers_;
    std::multimap<TimePoint, TimerId> due_;  // equal due times fire in start order

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> posted_;
    std::deque<Task> ownPosted_;  // posted by the tasks of the running takeAndRun()
    std::thread::id runner_;      // the thread inside takeAndRun(), while it runs tasks
    int depth_ = 0;
    bool quit_ = false;
    int exitCode_ = 0;
};

}  // namespace kovra
