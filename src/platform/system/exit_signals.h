// The requests to end that reach a process from outside (log-off, service stop, Ctrl-C):
// SIGTERM and SIGINT here.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace kovra {

// Keeps every thread started after this call from taking the exit signals, so that only
// an ExitSignalWatcher receives them. Call first thing in main.
void blockExitSignals();

// Waits for an exit signal on its own thread and calls onExit there for each one.
class ExitSignalWatcher {
  public:
    explicit ExitSignalWatcher(std::function<void()> onExit);
    ~ExitSignalWatcher();
    ExitSignalWatcher(const ExitSignalWatcher&) = delete;
    ExitSignalWatcher& operator=(const ExitSignalWatcher&) = delete;

  private:
    std::atomic<bool> stop_{false};
    std::function<void()> onExit_;
    std::thread thread_;
};

}  // namespace kovra
