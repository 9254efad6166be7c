#include "platform/timer.h"

namespace kovra {

Timer::Timer(EventLoop& loop, Millis interval, std::function<void()> onTimer)
    : loop_(loop), interval_(interval), onTimer_(std::move(onTimer)) {}

Timer::~Timer() {
    setEnabled(false);
}

void Timer::setEnabled(bool enabled) {
    if (id_ != 0) {
        loop_.stopTimer(id_);
        id_ = 0;
    }
    if (enabled) {
        id_ = loop_.startTimer(
            interval_, [this] { fire(); }, true);
    }
}

void Timer::setInterval(Millis interval) {
    interval_ = interval;
    if (enabled()) {
        setEnabled(true);
    }
}

void Timer::fire() {
    if (onTimer_) {
        onTimer_();
    }
}

}  // namespace kovra
