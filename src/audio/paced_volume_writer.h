// Writes a pair's recording volume to its card at most once per interval while the
// automatic volume steps it: the first step at once, the last of a burst when the interval
// ends. Each write is a round trip to the sound server; a dial tone brings a step with
// nearly every spectrum. Loop thread only.
#pragma once

#include <functional>

#include "platform/timer.h"

namespace kovra::audio {

class PacedVolumeWriter {
  public:
    static constexpr Millis kInterval{250};

    PacedVolumeWriter(EventLoop& loop, std::function<void()> write, Millis interval = kInterval);

    // The volume moved: write it now, or when the current interval ends.
    void request();

  private:
    void intervalEnded();

    std::function<void()> write_;
    Timer timer_;
    bool pending_ = false;
};

}  // namespace kovra::audio
