// The once-a-second watchdog over the three pairs: counts seconds without detector
// events for each running pair and asks for a restart of the program when one has been
// silent for more than 30 seconds. Loop thread only.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace kovra {

class Watchdog {
  public:
    static constexpr int kPairs = 3;
    static constexpr int kSupervisionStop = 16;  // the pair's own supervision stops here
    static constexpr int kNamedAbove = 20;       // the failure names a pair above this
    static constexpr int kRestartAbove = 30;     // the program restarts above this

    struct PairView {
        bool deviceShown = false;  // the device list shows a device
        bool running = false;      // capture was started by the pair
        std::string deviceName;
        bool finished = false;  // its input file played to the end: done, not failed
    };

    // Called with the failure message once, when a restart is due.
    explicit Watchdog(std::function<void(const std::string& message)> onFailure);

    // The detector-silence counter of pair p (1..3), shared with the pair's supervision.
    int& DetectorSilence(int p) { return silence_.at(static_cast<std::size_t>(p - 1)); }

    // A detector event of pair p: its counter starts again.
    void detectorEvent(int p) { DetectorSilence(p) = 0; }

    // One watchdog second. pairs[p-1] describes pair p. Does nothing once stopped.
    void tick(const std::array<PairView, kPairs>& pairs);

    bool stopped() const { return stopped_; }

    // "Falha no detector [Linhas 1 e 2] -> " + device, for pair p.
    static std::string failureMessage(int p, const std::string& deviceName);

  private:
    std::array<int, kPairs> silence_{};
    std::function<void(const std::string&)> onFailure_;
    bool stopped_ = false;
};

}  // namespace kovra
