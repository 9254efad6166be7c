// The one place where handlers and timers run (the user-interface thread of the system).
// Worker threads never touch pair state: they post() into the loop. Only post() is
// thread-safe; every other member is called on the loop's own thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>

namespace kovra {

using Millis = std::chrono::milliseconds;
// Wall-clock time as the loop sees it: the machine's clock in real time, the audio's
// position on simulated time (so dates in call records follow the audio in fast runs).
using TimePoint = std::chrono::system_clock::time_point;

class EventLoop {
  public:
    using TimerId = std::uint64_t;
    using Task = std::function<void()>;

    virtual ~EventLoop() = default;

    // Queues fn to run on the loop thread. Safe from any thread, including during run().
    virtual void post(Task fn) = 0;

    // Starts a timer that calls fn after interval, then every interval when repeating.
    // The returned id is never 0. A timer stopped inside its own handler does not fire again.
    virtual TimerId startTimer(Millis interval, Task fn, bool repeating) = 0;
    virtual void stopTimer(TimerId id) = 0;

    TimerId singleShot(Millis delay, Task fn) { return startTimer(delay, std::move(fn), false); }

    virtual TimePoint now() const = 0;

    // Runs until quit(); returns the code given to quit().
    virtual int run() = 0;
    // Ends run(). Safe from any thread.
    virtual void quit(int code) = 0;

    // The application-wide error hook: an error that escapes a task or timer handler is
    // handed to it (or logged when none is set) and the loop carries on. Set it before
    // run(), on the loop thread.
    using ErrorHandler = std::function<void(const std::exception& error)>;
    void setErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

    // Runs fn as a handler: errors go to the hook. A memory exhaustion (std::bad_alloc)
    // is never hidden: it propagates and ends the program.
    void runHandler(const Task& fn) const;

  private:
    ErrorHandler errorHandler_;
};

}  // namespace kovra
