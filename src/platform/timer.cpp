#include "platform/timer.h"

namespace kovra {

Timer::Timer(EventLoop& loop, Millis interval, std::function<void()> onTimer)
    : loop_(loop), interval_(interval), onTimer_(std::move(onTimer)) {}

Timer::~Timer() {
    setEnabled(false);
}

void Timer::setEnabled(bool enabled) {
    if (enabled == this->enabled()) {
        return;
    }
    if (enabled) {
        id_ = loop_.startTimer(
            interval_, [this] { fire(); }, true);
    } else {
        loop_.stopTimer(id_);
        id_ = 0;
    }
}

void Timer::setInterval(Millis interval) {
    if (interval == interval_) {
        return;
    }
    interval_ = interval;
    if (enabled()) {
        setEnabled(false);
        setEnabled(true);
    }
}

void Timer::fire() {
    if (onTimer_) {
        onTimer_();
    }
}

}  // namespace kovra
