#include "platform/qt_event_loop.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

namespace kovra {

QtEventLoop::QtEventLoop() {
    if (QCoreApplication::instance() == nullptr) {
        ownedApp_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
    context_ = std::make_unique<QObject>();
}

QtEventLoop::~QtEventLoop() {
    timers_.clear();
    context_.reset();
}

void QtEventLoop::post(Task fn) {
    bool schedule = false;
    {
        const std::lock_guard lock(postMutex_);
        posted_.push_back(std::move(fn));
        schedule = !drainScheduled_;
        drainScheduled_ = true;
    }
    // One Qt event per batch, not per task.
    if (schedule) {
        QMetaObject::invokeMethod(
            context_.get(), [this] { runPosted(); }, Qt::QueuedConnection);
    }
}

void QtEventLoop::runPosted() {
    // The tasks queued now; any they post go to a later batch, after Qt's own events
    // (timers, sockets) have had their turn.
    std::vector<Task> batch;
    {
        const std::lock_guard lock(postMutex_);
        batch.swap(posted_);
        drainScheduled_ = false;
    }
    for (const Task& task : batch) {
        runHandler(task);
    }
}

EventLoop::TimerId QtEventLoop::startTimer(Millis interval, Task fn, bool repeating) {
    const TimerId id = nextId_++;
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    timer->setInterval(static_cast<int>(interval.count()));
    QObject::connect(timer.get(), &QTimer::timeout, context_.get(), [this, id, repeating, fn] {
        if (!repeating) {
            // Deleting the sender inside its own signal is unsafe: defer it.
            auto it = timers_.find(id);
            if (it != timers_.end()) {
                it->second.release()->deleteLater();
                timers_.erase(it);
            }
        }
        runHandler(fn);
    });
    timer->start();
    timers_.emplace(id, std::move(timer));
    return id;
}

void QtEventLoop::stopTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    it->second->stop();
    // The timer may be the one whose handler is running: let Qt delete it later.
    it->second.release()->deleteLater();
    timers_.erase(it);
}

TimePoint QtEventLoop::now() const {
    return std::chrono::system_clock::now();
}

int QtEventLoop::run() {
    return QCoreApplication::exec();
}

void QtEventLoop::quit(int code) {
    QMetaObject::invokeMethod(
        context_.get(), [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

}  // namespace kovra
