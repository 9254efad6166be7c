// The real-time EventLoop on Qt's event loop (QtCore only), shared by the GUI and
// headless runs. Construct it on the thread that will call run(); post() and quit()
// are safe from any thread.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/event_loop.h"

class QCoreApplication;
class QObject;
class QTimer;

namespace kovra {

class QtEventLoop final : public EventLoop {
  public:
    // Uses the running QCoreApplication (or QApplication) when there is one,
    // otherwise creates a QCoreApplication of its own.
    QtEventLoop();
    ~QtEventLoop() override;

    void post(Task fn) override;
    TimerId startTimer(Millis interval, Task fn, bool repeating) override;
    void stopTimer(TimerId id) override;
    TimePoint now() const override;
    int run() override;
    void quit(int code) override;

  private:
    void runPosted();

    // QCoreApplication keeps references to argc and argv: they live as long as it does.
    int argc_ = 1;
    char arg0_[6] = "kovra";
    char* argv_[2] = {arg0_, nullptr};
    std::unique_ptr<QCoreApplication> ownedApp_;
    std::unique_ptr<QObject> context_;
    std::map<TimerId, std::unique_ptr<QTimer>> timers_;
    TimerId nextId_ = 1;
    std::mutex postMutex_;  // held only to queue or take tasks
    std::vector<Task> posted_;
    bool drainScheduled_ = false;
};

}  // namespace kovra
