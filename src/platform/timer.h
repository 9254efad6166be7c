// A window-style timer (Enabled, Interval, OnTimer) on an EventLoop, owned by its user.
// Loop thread only. As a window timer: enabling a running timer changes nothing; only a
// change from off to on starts the count, and a new interval restarts it.
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
