#include "platform/simulated_event_loop.h"

namespace kovra {

TimePoint SimulatedEventLoop::defaultStart() {
    using namespace std::chrono;
    return sys_days{year{2026} / January / 1};
}

SimulatedEventLoop::SimulatedEventLoop(TimePoint start) : now_(start) {}

void SimulatedEventLoop::post(Task fn) {
    {
        const std::lock_guard lock(mutex_);
        (std::this_thread::get_id() == runner_ ? ownPosted_ : posted_).push_back(std::move(fn));
    }
    wake_.notify_all();
}

EventLoop::TimerId SimulatedEventLoop::startTimer(Millis interval, Task fn, bool repeating) {
    const TimerId id = nextId_++;
    const Millis step = interval.count() > 0 ? interval : Millis(1);
    timers_.emplace(id, TimerEntry{step, std::move(fn), repeating});
    due_.emplace(now_ + step, id);
    return id;
}

void SimulatedEventLoop::stopTimer(TimerId id) {
    timers_.erase(id);
    for (auto it = due_.begin(); it != due_.end(); ++it) {
        if (it->second == id) {
            due_.erase(it);
            break;
        }
    }
}

std::size_t SimulatedEventLoop::takeAndRun() {
    // The tasks queued now, and the chains they post themselves; tasks other threads post
    // meanwhile wait for the next call, so a thread that posts without pause cannot keep
    // the caller here for ever.
    std::deque<Task> batch;
    {
        const std::lock_guard lock(mutex_);
        batch.swap(posted_);
        ++depth_;
        runner_ = std::this_thread::get_id();
    }
    std::size_t ran = 0;
    for (;;) {
        for (Task& task : batch) {
            runHandler(task);
            ++ran;
        }
        batch.clear();
        const std::lock_guard lock(mutex_);
        batch.swap(ownPosted_);
        if (batch.empty()) {
            if (--depth_ == 0) {
                runner_ = std::thread::id();
            }
            return ran;
        }
    }
}

std::size_t SimulatedEventLoop::runPending() {
    return takeAndRun();
}

void SimulatedEventLoop::advance(Millis d) {
    advanceTo(now_ + d);
}

void SimulatedEventLoop::advanceTo(TimePoint t) {
    takeAndRun();
    while (!due_.empty() && due_.begin()->first <= t) {
        const auto [when, id] = *due_.begin();
        due_.erase(due_.begin());
        now_ = when;
        auto it = timers_.find(id);
        if (it == timers_.end()) {
            continue;
        }
        if (it->second.repeating) {
            due_.emplace(when + it->second.interval, id);
        }
        // Copy: the handler may stop or restart its own timer.
        Task fn = it->second.fn;
        if (!it->second.repeating) {
            timers_.erase(it);
        }
        runHandler(fn);
        takeAndRun();
    }
    if (t > now_) {
        now_ = t;
    }
    takeAndRun();
}

int SimulatedEventLoop::run() {
    for (;;) {
        takeAndRun();
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return quit_ || !posted_.empty(); });
        if (quit_) {
            quit_ = false;
            return exitCode_;
        }
    }
}

void SimulatedEventLoop::quit(int code) {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        exitCode_ = code;
    }
    wake_.notify_all();
}

bool SimulatedEventLoop::quitRequested() const {
    const std::lock_guard lock(mutex_);
    return quit_;
}

}  // namespace kovra
