#include "app/watchdog.h"

#include <algorithm>

namespace kovra {

Watchdog::Watchdog(std::function<void(const std::string&)> onFailure)
    : onFailure_(std::move(onFailure)) {}

std::string Watchdog::failureMessage(int p, const std::string& deviceName) {
    static constexpr std::array<const char*, kPairs> kNames = {
        "Falha no detector [Linhas 1 e 2] -> ", "Falha no detector [Linhas 3 e 4] -> ",
        "Falha no detector [Linhas 5 e 6] -> "};
    return kNames.at(static_cast<std::size_t>(p - 1)) + deviceName;
}

void Watchdog::tick(const std::array<PairView, kPairs>& pairs) {
    if (stopped_) {
        return;
    }
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].deviceShown && pairs[i].running && !pairs[i].finished) {
            ++silence_[i];
        }
    }
    if (std::none_of(silence_.begin(), silence_.end(), [](int s) { return s > kRestartAbove; })) {
        return;
    }
    stopped_ = true;
    std::string message;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (silence_[i] > kNamedAbove) {
            message = failureMessage(static_cast<int>(i + 1), pairs[i].deviceName);
            break;
        }
    }
    if (onFailure_) {
        onFailure_(message);
    }
}

}  // namespace kovra
