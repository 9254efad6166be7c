// The last seconds of a line's 16000 Hz audio while nothing records, so that a recording
// can begin with the words said before its start rule fired. Thread-safe: the audio is
// kept on one thread and taken by the writer's.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

namespace kovra {

class PreRoll {
  public:
    static constexpr double kSeconds = 2.0;

    // Keeps interleaved samples of `channels` channels, forgetting all but the last
    // kSeconds. A change of channel count starts over.
    void keep(std::span<const std::int16_t> interleaved, int channels);
    // Hands over what is kept as whole frames of `channels` (one or two; converted when it
    // was kept with the other count) and starts over.
    std::vector<std::int16_t> take(int channels);
    void clear();

  private:
    std::mutex mutex_;
    std::deque<std::int16_t> kept_;
    int channels_ = 0;
};

}  // namespace kovra
