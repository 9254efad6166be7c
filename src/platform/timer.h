// A window-style timer (Enabled, Interval, OnTimer) on an EventLoop, owned by its user.
// Loop thread only. Enabling restarts the count from now; so does changing the interval.
#pragma once

#include <functional>

#include "platform/event_loop.h"

namespace kovra {

class Timer {
  public:
    Timer(EventLoop& loop, Millis interval, std::function<void()> onTimer = {});
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setOnTimer(std::function<void()> onTimer) { onTimer_ = std::move(onTimer); }
    void setEnabled(bool enabled);
    bool enabled() const { return id_ != 0; }
    void setInterval(Millis interval);
    Millis interval() const { return interval_; }

  private:
    void fire();

    EventLoop& loop_;
    Millis interval_;
    std::function<void()> onTimer_;
    EventLoop::TimerId id_ = 0;
};

}  // namespace kovra
