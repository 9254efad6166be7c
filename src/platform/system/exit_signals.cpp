#include "platform/system/exit_signals.h"

#include <signal.h>

#include <ctime>

namespace kovra {

namespace {

sigset_t exitSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

void blockExitSignals() {
    const sigset_t set = exitSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ExitSignalWatcher::ExitSignalWatcher(std::function<void()> onExit)
    : onExit_(std::move(onExit)), thread_([this] {
          const sigset_t set = exitSignals();
          // Wakes now and then to see whether the watcher is being destroyed.
          const timespec tick{0, 200'000'000};
          while (!stop_) {
              if (sigtimedwait(&set, nullptr, &tick) > 0) {
                  onExit_();
              }
          }
      }) {}

ExitSignalWatcher::~ExitSignalWatcher() {
    stop_ = true;
    thread_.join();
}

}  // namespace kovra
