// Runs a simulated event loop in small steps with short real pauses between them, so that
// real datagrams and threads in flight are handled on the way.
#pragma once

#include <chrono>
#include <thread>

#include "platform/simulated_event_loop.h"

namespace kovra::test {

inline constexpr std::chrono::milliseconds kPumpStep{5};
// Generous: only reached when a test is failing.
inline constexpr std::chrono::seconds kPumpLimit{5};

// Until done() holds, or kPumpLimit of real time has passed. Returns done().
template <typename Pred>
bool pumpUntil(SimulatedEventLoop& loop, Pred done) {
    const auto limit = std::chrono::steady_clock::now() + kPumpLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        loop.advance(kPumpStep);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// For a stretch of simulated time.
inline void pumpFor(SimulatedEventLoop& loop, std::chrono::milliseconds span) {
    for (std::chrono::milliseconds done{0}; done < span; done += kPumpStep) {
        loop.advance(kPumpStep);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

}  // namespace kovra::test
